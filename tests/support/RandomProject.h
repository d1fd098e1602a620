#pragma once

#include "Document.h"

#include <cstdint>

// A project made at random from seed, for round trips and benchmarks. Tasks nest
// up to four levels; their names mix umlauts, XML's special characters and now and
// then a line break; dates fall on whole minutes; about every third leaf follows
// an earlier leaf; custom texts and numbers, fixed costs, "Arbeitszeitkosten
// einbeziehen" and notes are set at random. Resources stand in groups of up to
// five, with e-mail, rates, members and custom fields; every leaf is assigned to
// up to three of them. Nothing is recalculated.
void MakeRandomProject(TDocument& doc, uint32_t seed, int tasks, int resources);
