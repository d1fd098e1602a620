#include "MainUnit.h"
#include "Recovery.h"
#include "Schedule.h"
#include "Undo.h"

#include <QAction>

// The "Bearbeiten" menu: every edit of the document is one step that "Rückgängig"
// takes back and "Wiederholen" does again.

void TMainForm::Perform(const char* step, const std::function<bool()>& command)
{
    TUndoRecording recording(Document, QString::fromUtf8(step));
    if (command()) {
        SetChanged();
        recording.Commit();
    }
    UpdateEditMenu();
}

// Undo and redo put back dates without recalculating; checking them meanwhile lets
// the next command recalculate only what it reaches.
void TMainForm::BearbeitenRueckgaengig1Click()
{
    if (UndoStep(Document)) {
        PrepareRecalculation(Document);
        ShowHistoryState();
    }
}

void TMainForm::BearbeitenWiederholen1Click()
{
    if (RedoStep(Document)) {
        PrepareRecalculation(Document);
        ShowHistoryState();
    }
}

void TMainForm::ShowHistoryState()
{
    Document.Changed = !AtSavedState(Document);
    if (Document.Changed)
        Recovery->DocumentChanged();
    else
        Recovery->DocumentUnchanged();
    setWindowTitle(MainTitle(Document.FileName, Document.Changed));
    RowCount1.Forget();
    Resources2.Forget();
    RepaintCharts();
    UpdateEditMenu();
    RefreshTables();
}

void TMainForm::UpdateEditMenu()
{
    if (!UndoItem)
        return;
    const QString undo = UndoName(Document);
    const QString redo = RedoName(Document);
    UndoItem->setText(undo.isEmpty() ? QStringLiteral("Rückgängig") : QStringLiteral("Rückgängig: ") + undo);
    UndoItem->setEnabled(!undo.isEmpty());
    RedoItem->setText(redo.isEmpty() ? QStringLiteral("Wiederholen")
                                     : QStringLiteral("Wiederholen: ") + redo);
    RedoItem->setEnabled(!redo.isEmpty());
}
