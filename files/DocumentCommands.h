#pragma once

#include "Document.h"

#include <QString>
#include <functional>

class QFileDialog;
class QMimeData;
class QWidget;
class TModal;

// The document commands of the "Datei" menu, closing and the command-line open.
// Each works on what the main window lends it for the one call.
struct TDocumentCommands
{
    TDocument& Doc;
    TModal& Modal;
    QWidget* Parent;
    QFileDialog& OpenDialog1;
    QFileDialog& SaveDialog1;
    // Marks the document unchanged: title and repaint, no recalculation.
    std::function<void()> SetUnChanged;
    // Repaints the task chart, then the resource chart.
    std::function<void()> RepaintCharts;
    // A file was read whole and marked unchanged: the main window gets the first
    // recalculation ready.
    std::function<void()> Opened;
};

// The open or save dialog for project files: filter "Zeitkant Dateien (*.zkt)",
// default extension ".zkt".
QFileDialog* MakeProjectFileDialog(QWidget* parent, const char* name, bool forSaving);

// "Neu" and "Öffnen": the save question first, then the new or the chosen project.
void NewAfterAsking(const TDocumentCommands& c);
void OpenAfterAsking(const TDocumentCommands& c);
// A project dropped onto the window: the save question first, then that file.
void OpenFileAfterAsking(const TDocumentCommands& c, const QString& name);
// The one local ".zkt" file the drop carries, or empty when it carries anything else.
QString DroppedProjectFile(const QMimeData& data);
// "Speichern unter...": true when the document was written under the chosen name.
bool SaveDocumentAs(const TDocumentCommands& c);
// The close query: true when the window may close.
bool MayClose(const TDocumentCommands& c);
// The save question before another document takes this one's place, as "Öffnen"
// asks it: true when the command may go on.
bool MayReplace(const TDocumentCommands& c);

// "Speichern": writes to FileName, asking for a name when untitled; true when written.
bool SaveDocument(const TDocumentCommands& c);
// Asks for a project file and opens it; true when one was read to its end.
bool OpenDocumentFromDialog(const TDocumentCommands& c);
// An empty, untitled project; the labels stay.
void NewDocument(const TDocumentCommands& c);
// True when the file was read to its end. A file that cannot be opened leaves the
// empty project carrying name; a damaged one keeps what was read, untitled, and throws.
bool OpenDocument(const TDocumentCommands& c, const QString& name);
// Writes the document to FileName; a failure is shown to the user and gives false.
bool WriteDocument(const TDocumentCommands& c);
