#pragma once

#include "Document.h"

// N tasks in three levels (summaries of ten groups of nine leaves), every leaf with
// a name, a custom text and a note, half of them linked, each with two resources;
// N / 10 resources under summaries of ten. Every summary is expanded, so the whole
// outline shows; leaves stay collapsed, as the user leaves them.
void BuildLayeredProject(TDocument& doc, int tasks);

// The project above, recalculated as the program saves it, in the file name; ends
// the program when it cannot be written.
void SaveBenchProject(const QString& name, int tasks);
