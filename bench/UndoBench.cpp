#include "OutlineCommands.h"
#include "OutlineTree.h"
#include "Schedule.h"
#include "TestProject.h"
#include "Texts.h"
#include "Undo.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>

namespace {

constexpr int PhaseTasks = 10000;

// 100 000 tasks: a first phase of 10 000 tasks (its summary and 9 999 leaves),
// then 9 000 summaries of nine leaves each; every second leaf follows the leaf
// before it, so edits move dates elsewhere. Recalculated once.
std::unique_ptr<TTestProject> BuildProject()
{
    auto project = std::make_unique<TTestProject>(1);
    TDocument& doc = project->Doc;
    auto leaf = [&](TOutlineNode* parent, int n) {
        TVorgangRec& rec = VorgangOf(doc, VorgEinfChild(doc, parent));
        rec.Beginn = 46000 + n % 300;
        rec.Ende = rec.Beginn + 1 + n % 7;
        ReplaceText(rec.Notes, QStringLiteral("Notiz"));
        if (n % 2)
            rec.Link = rec.Id; // the leaf appended before it
    };
    TOutlineNode* phase = VorgEinf(doc, nullptr);
    for (int n = 1; n < PhaseTasks; ++n)
        leaf(phase, n);
    for (int s = 0; s < 9000; ++s) {
        TOutlineNode* summary = VorgEinf(doc, nullptr);
        for (int c = 0; c < 9; ++c)
            leaf(summary, c);
    }
    RenderEveryThing(doc);
    return project;
}

// Records command as one step with its recalculation, as the main window does.
void Record(TDocument& doc, const char* name, const std::function<void()>& command)
{
    TUndoRecording recording(doc, QString::fromLatin1(name));
    command();
    RenderEveryThing(doc);
    recording.Commit();
}

TOutlineNode* SomeLeaf(TDocument& doc)
{
    return doc.Vorgangs->topLevelItem(5000)->child(4);
}

// Each benchmark builds its project once: a fixed number of iterations keeps the
// library from calling it again to find one.
// One command recorded once; each iteration undoes and redoes it. Reported: the
// bytes the step keeps, and the time of one undo plus one redo.
void UndoRedo(benchmark::State& state, const char* name, const std::function<void(TDocument&)>& command)
{
    const std::unique_ptr<TTestProject> project = BuildProject();
    TDocument& doc = project->Doc;
    Record(doc, name, [&] { command(doc); });
    const std::size_t bytes = doc.Undo.History.Bytes();
    for (auto _ : state) {
        UndoStep(doc);
        RedoStep(doc);
    }
    state.counters["step_KiB"] = double(bytes) / 1024.0;
}

void BM_UndoRedoRename(benchmark::State& state)
{
    UndoRedo(state, "Vorgang umbenennen", [](TDocument& doc) {
        TOutlineNode* node = SomeLeaf(doc);
        doc.Vorgangs->setCurrentItem(node);
        RenameCommand(doc, TOutlineKind::Vorgang, node, QStringLiteral("Estrich"));
    });
}

// What a confirmed task editor does to its record: dates, link and resources.
void BM_UndoRedoEditor(benchmark::State& state)
{
    UndoRedo(state, "Vorgang bearbeiten", [](TDocument& doc) {
        TOutlineNode* node = SomeLeaf(doc);
        doc.Vorgangs->setCurrentItem(node);
        NoteEditing(doc, TOutlineKind::Vorgang, node, true);
        TVorgangRec& rec = VorgangOf(doc, node);
        rec.Beginn += 3;
        rec.Ende += 5;
        rec.Link = 0;
        for (int32_t id : {3, 1, 4})
            *static_cast<int32_t*>(rec.Resources->Append()) = id;
    });
}

void BM_UndoRedoInsert(benchmark::State& state)
{
    UndoRedo(state, "Vorgang einfügen", [](TDocument& doc) {
        doc.Vorgangs->setCurrentItem(SomeLeaf(doc));
        InsertCommand(doc, TOutlineKind::Vorgang, false);
    });
}

void BM_UndoRedoIndent(benchmark::State& state)
{
    UndoRedo(state, "Vorgang einrücken", [](TDocument& doc) {
        doc.Vorgangs->setCurrentItem(doc.Vorgangs->topLevelItem(5001));
        IndentCommand(doc, TOutlineKind::Vorgang);
    });
}

void BM_UndoRedoDeletePhase(benchmark::State& state)
{
    UndoRedo(state, "Vorgang löschen", [](TDocument& doc) {
        doc.Vorgangs->setCurrentItem(doc.Vorgangs->topLevelItem(0));
        DeleteCommand(doc, TOutlineKind::Vorgang);
    });
}

// What recording adds to a command: the same rename without and with a step (the
// recalculation, the same in both, left out).
void BM_Rename(benchmark::State& state)
{
    const std::unique_ptr<TTestProject> project = BuildProject();
    TDocument& doc = project->Doc;
    TOutlineNode* node = SomeLeaf(doc);
    doc.Vorgangs->setCurrentItem(node);
    const bool recorded = state.range(0) != 0;
    int n = 0;
    for (auto _ : state) {
        const QString name = QStringLiteral("Estrich %1").arg(++n);
        if (recorded) {
            TUndoRecording recording(doc, QStringLiteral("Vorgang umbenennen"));
            RenameCommand(doc, TOutlineKind::Vorgang, node, name);
            recording.Commit();
        } else {
            RenameCommand(doc, TOutlineKind::Vorgang, node, name);
        }
    }
    state.counters["steps"] = double(doc.Undo.History.Count());
    state.SetLabel(recorded ? "recorded" : "plain");
}

BENCHMARK(BM_UndoRedoRename)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoEditor)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoInsert)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoIndent)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoRedoDeletePhase)->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rename)->Arg(0)->Arg(1)->Iterations(2000)->Unit(benchmark::kMillisecond);

} // namespace
