#include "MainUnit.h"
#include "Recovery.h"
#include "Schedule.h"
#include "Undo.h"

#include <QAction>
#include <algorithm>

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

void TMainForm::BearbeitenRueckgaengig1Click()
{
    TravelHistory(&UndoStep, Document.Undo.History.NextUndo());
}

void TMainForm::BearbeitenWiederholen1Click()
{
    TravelHistory(&RedoStep, Document.Undo.History.NextRedo());
}

void TMainForm::TravelHistory(bool (*travel)(TDocument&), const TUndoStep* step)
{
    if (!step)
        return;
    // The resource chart's index takes in again only the task lists the step puts
    // back; building it whole reads every task, at a million tasks most of an undo.
    std::vector<std::pair<uint32_t, std::vector<int32_t>>> lists;
    for (const auto& change : step->Vorgaenge)
        if (change.Index < Document.VorgangStore->Count)
            lists.emplace_back(change.Index, ResourceIdsOf(Document.VorgangAt(change.Index)));
    // Undo and redo put back dates without recalculating. The next command's
    // recalculation takes in the dates put back, but not a task outline changed both
    // by the step and by the command; checking the dates meanwhile lets it
    // recalculate only what it reaches.
    const bool reshapes = std::any_of(step->Ops.begin(), step->Ops.end(), [](const TOutlineOp& op) {
        return op.Outline == TOutlineKind::Vorgang && op.Kind != TOutlineOp::Caption;
    });
    if (!travel(Document))
        return;
    if (reshapes)
        PrepareRecalculation(Document);
    const auto changed = std::count_if(lists.begin(), lists.end(), [&](const auto& list) {
        const TVorgangRec& rec = Document.VorgangAt(list.first);
        return rec.Deleted || ResourceIdsOf(rec) != list.second;
    });
    if (changed > 16)
        Resources2.Forget();
    else
        for (const auto& [task, before] : lists)
            RetakeTask(Resources2, Document, task, before);
    ShowHistoryState();
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
