#pragma once

#include "DocumentCommands.h"

#include <functional>

class QFileDialog;
class QWidget;

// The commands that take plans to other planners and bring theirs in, as
// Microsoft Project XML. They work on what the main window lends them.

// The save or open dialog for such files: filter "Microsoft Project XML (*.xml)",
// default extension ".xml".
QFileDialog* MakeMsProjectFileDialog(QWidget* parent, const char* name, bool forSaving);

// "Exportieren als Microsoft-Project-XML...": asks for the file, proposing the
// project's name, and writes it; the document stays as it is. A failure is shown.
// True when the file was written.
bool ExportMsProjectFromDialog(const TDocumentCommands& c, QFileDialog& dialog);

// "Importieren aus Microsoft-Project-XML...": the save question as "Öffnen" asks
// it, the file, then the import of that file (below).
bool ImportMsProjectAfterAsking(const TDocumentCommands& c, QFileDialog& dialog,
                                const std::function<void()>& setChanged);

// Reads and checks the whole file; a faulty one is reported in one message with
// its line and column, and the document stays untouched. Otherwise the file's plan
// becomes the document: untitled, changed (setChanged marks it so and
// recalculates), with an empty history; a box tells what came in and what went
// into notes. True when imported.
bool ImportMsProjectFile(const TDocumentCommands& c, const QString& name,
                         const std::function<void()>& setChanged);
