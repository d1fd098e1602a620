#pragma once

#include "Document.h"

// N tasks in three levels (summaries of ten groups of nine leaves), every leaf with
// a name, a custom text and a note, half of them linked, each with two resources;
// N / 10 resources under summaries of ten. Every summary is expanded, so the whole
// outline shows; leaves stay collapsed, as the user leaves them.
void BuildLayeredProject(TDocument& doc, int tasks);

// The same outline and resources, half the tasks linked (to other tasks than above),
// the tasks with their names alone, as a user's inserts leave them: no custom text,
// no note, no resource assigned.
void BuildPlainProject(TDocument& doc, int tasks);

// The first project above, or the plain one, recalculated as the program saves it,
// in the file name; ends the program when it cannot be written.
void SaveBenchProject(const QString& name, int tasks, bool plain = false);
