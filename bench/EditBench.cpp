#include "BenchProjects.h"
#include "MainUnit.h"
#include "Modal.h"
#include "OutlineTree.h"

#include <QAction>
#include <QApplication>
#include <QDateEdit>
#include <QDialog>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

// Accepts every editor after moving the task's start by a day, as a user would. The
// time runs from the OK: filling the editor comes before.
class TEditorOk final : public TModal
{
public:
    benchmark::State* Timing = nullptr;

    int Exec(QDialog& dialog) override
    {
        if (auto* start = dialog.findChild<QDateEdit*>(QStringLiteral("DateTimePicker2")))
            start->setDate(start->date().addDays(1));
        if (Timing)
            Timing->ResumeTiming();
        return QDialog::Accepted;
    }
    QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString&, QMessageBox::StandardButtons,
                                    QMessageBox::StandardButton) override
    {
        return QMessageBox::No;
    }
    void Tell(QWidget*, QMessageBox::Icon, const QString&, const QString&) override {}
};

// Settings, recovery copies and recently used files of the run go to folders of
// its own, and no recovery copy is made while an edit is timed.
struct TPrivateFolders
{
    QTemporaryDir Config, Data, State;
    TPrivateFolders()
    {
        qputenv("XDG_CONFIG_HOME", Config.path().toUtf8());
        qputenv("XDG_DATA_HOME", Data.path().toUtf8());
        qputenv("XDG_STATE_HOME", State.path().toUtf8());
        qputenv("ZEITKANT_AUTOSAVE_SECONDS", "86400");
    }
};

// The main window on the screen (offscreen) with a project of N tasks opened from
// its file, the current task a leaf in the middle of the outline.
struct TEditWindow
{
    TPrivateFolders Folders;
    QTemporaryDir Dir;
    TEditorOk Modal;
    TMainForm Form;
    TOutlineTree* Vorgangs = Form.findChild<TOutlineTree*>(QStringLiteral("Vorgangs"));
    TOutlineNode* Leaf = nullptr;

    explicit TEditWindow(int tasks)
    {
        const QString name = Dir.filePath(QStringLiteral("bench.zkt"));
        SaveBenchProject(name, tasks);
        Form.SetModal(&Modal);
        Form.resize(1280, 800);
        Form.show();
        if (!Form.OpenFile(name))
            qFatal("cannot open the benchmark project");
        Idle();
        TOutlineNode* top = Vorgangs->topLevelItem(Vorgangs->topLevelItemCount() / 2);
        Leaf = top->child(4)->child(4);
        Vorgangs->setCurrentItem(Leaf);
        Vorgangs->scrollTo(Vorgangs->indexFromItem(Leaf));
        Idle();
    }
    ~TEditWindow() { Form.SetModal(nullptr); }

    // Until the program has nothing left to do: posted events, the outline's
    // delayed layout and the repaints it asks for.
    static void Idle()
    {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents();
        }
    }

    void Trigger(const char* action)
    {
        Form.findChild<QAction*>(QLatin1String(action))->trigger();
        Idle();
    }
};

// The leaf the k-th run edits: the leaf in the middle, or with spread one of 64
// leaves across the outline, the same 64 in every run. Where a leaf sits decides how
// many tasks an edit moves: half the tasks follow a random task, summaries included,
// so a leaf's group may lead a long chain of followers.
TOutlineNode* LeafOfRun(TOutlineTree* outline, int k, bool spread)
{
    const int tops = outline->topLevelItemCount();
    if (!spread)
        return outline->topLevelItem(tops / 2)->child(4)->child(4);
    TOutlineNode* top = outline->topLevelItem(int(int64_t(k % 64) * tops / 64));
    return top->child(k % 10)->child(1 + k % 7);
}

struct TEditRuns
{
    bool Editor = false;   // the time runs from the editor's OK
    bool Spread = false;   // see LeafOfRun
    bool AtOnce = false;   // the next run's command right after the undo
    bool TimeUndo = false; // the undo is timed instead of the command
};

// One command from its menu item until idle (or the undo after it). After each, undo
// puts the project back (outside the timing), so every run edits the same project. The check of the dates
// that follows an undo is left to end before the next run, as it does while a user
// picks the next task, unless the runs come at once.
void EditBench(benchmark::State& state, const char* command, TEditRuns runs = {})
{
    TEditWindow window(int(state.range(0)));
    // The first edit after opening walks the whole outline once.
    window.Vorgangs->setCurrentItem(window.Leaf);
    window.Trigger(command);
    window.Trigger("BearbeitenRueckgaengig1");
    WaitForBackgroundWork(window.Form.Doc());
    window.Modal.Timing = runs.Editor ? &state : nullptr;
    int k = 0;
    for (auto _ : state) {
        window.Vorgangs->setCurrentItem(LeafOfRun(window.Vorgangs, k++, runs.Spread));
        if (runs.Editor || runs.TimeUndo)
            state.PauseTiming(); // the editor's OK resumes it
        window.Trigger(command);
        if (runs.TimeUndo)
            state.ResumeTiming();
        else
            state.PauseTiming();
        window.Trigger("BearbeitenRueckgaengig1");
        if (runs.TimeUndo)
            state.PauseTiming();
        if (!runs.AtOnce)
            WaitForBackgroundWork(window.Form.Doc());
        state.ResumeTiming();
    }
}

// Insertions one after the other, as a user adds tasks: no undo between them, so
// the project grows by one task a run.
void BM_EditInsertAgain(benchmark::State& state)
{
    TEditWindow window(int(state.range(0)));
    window.Vorgangs->setCurrentItem(window.Leaf);
    window.Trigger("EinfgenVorgangeinfgen1");
    for (auto _ : state)
        window.Trigger("EinfgenVorgangeinfgen1");
}

// A command on one leaf after another, as a user deletes or indents task after
// task: no undo between them. Each run takes a leaf in the middle of another
// group, so every run finds the outline as the last one left it.
void EditAgainBench(benchmark::State& state, const char* command)
{
    TEditWindow window(int(state.range(0)));
    const int tops = window.Vorgangs->topLevelItemCount();
    int next = tops / 2;
    // The first edit after opening walks the whole outline once.
    window.Trigger(command);
    for (auto _ : state) {
        state.PauseTiming();
        TOutlineNode* group = window.Vorgangs->topLevelItem(next++ % tops)->child(4);
        window.Vorgangs->setCurrentItem(group->child(group->childCount() / 2));
        TEditWindow::Idle();
        state.ResumeTiming();
        window.Trigger(command);
    }
}

void BM_EditDeleteAgain(benchmark::State& state)
{
    EditAgainBench(state, "VorgngeVorganglschen1");
}
void BM_EditIndentAgain(benchmark::State& state)
{
    EditAgainBench(state, "VorgangEinrueck");
}

void BM_EditInsert(benchmark::State& state)
{
    EditBench(state, "EinfgenVorgangeinfgen1");
}
void BM_EditDelete(benchmark::State& state)
{
    EditBench(state, "VorgngeVorganglschen1");
}
void BM_EditIndent(benchmark::State& state)
{
    EditBench(state, "VorgangEinrueck");
}
void BM_EditorOk(benchmark::State& state)
{
    EditBench(state, "VorgngeVorgangbearbeiten1", {.Editor = true});
}
void BM_EditInsertSpread(benchmark::State& state)
{
    EditBench(state, "EinfgenVorgangeinfgen1", {.Spread = true});
}
void BM_EditDeleteSpread(benchmark::State& state)
{
    EditBench(state, "VorgngeVorganglschen1", {.Spread = true});
}
void BM_EditIndentSpread(benchmark::State& state)
{
    EditBench(state, "VorgangEinrueck", {.Spread = true});
}
void BM_EditorOkSpread(benchmark::State& state)
{
    EditBench(state, "VorgngeVorgangbearbeiten1", {.Editor = true, .Spread = true});
}
void BM_UndoDeleteSpread(benchmark::State& state)
{
    EditBench(state, "VorgngeVorganglschen1", {.Spread = true, .TimeUndo = true});
}
void BM_EditorOkSpreadAtOnce(benchmark::State& state)
{
    EditBench(state, "VorgngeVorgangbearbeiten1", {.Editor = true, .Spread = true, .AtOnce = true});
}
void BM_EditDeleteSpreadAtOnce(benchmark::State& state)
{
    EditBench(state, "VorgngeVorganglschen1", {.Spread = true, .AtOnce = true});
}

// "Öffnen" in a window just started, until the outline and both charts are painted
// and the program waits for input.
void OpenInWindow(benchmark::State& state, const QString& name, std::chrono::seconds pause)
{
    TEditorOk modal;
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<TMainForm>();
        form->SetModal(&modal);
        form->resize(1280, 800);
        form->show();
        TEditWindow::Idle();
        malloc_trim(0);
        std::this_thread::sleep_for(pause);
        state.ResumeTiming();
        if (!form->OpenFile(name))
            qFatal("cannot open the benchmark project");
        TEditWindow::Idle();
        state.PauseTiming();
        form->SetModal(nullptr);
        form.reset();
        malloc_trim(0);
        state.ResumeTiming();
    }
}

void BM_OpenInWindow(benchmark::State& state)
{
    TPrivateFolders folders;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bench.zkt"));
    SaveBenchProject(name, int(state.range(0)));
    OpenInWindow(state, name, std::chrono::seconds(0));
}
BENCHMARK(BM_OpenInWindow)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The first open in a program just started, with its heap as the start left it: the
// project is written by write_bench_project, in a process of its own. On a virtual
// machine that hands the memory a program frees back to its host, a page touched
// for the first time costs a fault in the host as well, and the pages freed by one
// open and used again by the next, as in the runs above, do not. The pause lets
// the writer's memory go back to the host too. Run it alone, in a process of its
// own (--benchmark_filter), as the benchmarks before it fill the heap.
void OpenInWindowFirst(benchmark::State& state, QStringList options)
{
    TPrivateFolders folders;
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("bench.zkt"));
    const QString writer = QCoreApplication::applicationDirPath() + QStringLiteral("/write_bench_project");
    if (QProcess::execute(writer, options << QString::number(state.range(0)) << name) != 0)
        qFatal("cannot write the benchmark project");
    OpenInWindow(state, name, std::chrono::seconds(12));
}

void BM_OpenInWindowFirst(benchmark::State& state)
{
    OpenInWindowFirst(state, {});
}
BENCHMARK(BM_OpenInWindowFirst)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same with the plain project: tasks with their names alone.
void BM_OpenInWindowFirstPlain(benchmark::State& state)
{
    OpenInWindowFirst(state, {QStringLiteral("--plain")});
}
BENCHMARK(BM_OpenInWindowFirstPlain)->Arg(1000000)->Iterations(1)->Unit(benchmark::kMillisecond);

// The outline widget alone, without any of the program's work: one row inserted under
// an expanded parent of N rows in three levels, all summaries expanded, until the
// widget has laid its rows out again and painted. This is the floor of every edit
// that changes the outline's shape.
void BM_OutlineWidgetInsert(benchmark::State& state)
{
    QTreeWidget outline;
    outline.setHeaderLabel(QStringLiteral("Vorgang"));
    outline.resize(313, 700);
    QTreeWidgetItem* top = nullptr;
    QTreeWidgetItem* group = nullptr;
    std::vector<QTreeWidgetItem*> tops;
    for (int64_t i = 0; i < state.range(0); ++i) {
        auto* node = new QTreeWidgetItem(QStringList{QStringLiteral("Vorgang Nummer %1").arg(i)});
        if (i % 100 == 0)
            tops.push_back(top = node);
        else if (i % 10 == 1)
            top->addChild(group = node);
        else
            group->addChild(node);
    }
    outline.addTopLevelItems(QList<QTreeWidgetItem*>(tops.begin(), tops.end()));
    for (QTreeWidgetItem* t : tops) {
        t->setExpanded(true);
        for (int g = 0; g < t->childCount(); ++g)
            t->child(g)->setExpanded(true);
    }
    outline.show();
    QTreeWidgetItem* parent = tops[tops.size() / 2]->child(4);
    outline.scrollToItem(parent);
    TEditWindow::Idle();
    for (auto _ : state) {
        parent->insertChild(5, new QTreeWidgetItem(QStringList{QStringLiteral("Neuer Vorgang")}));
        benchmark::DoNotOptimize(outline.itemAt(1, 1));
        TEditWindow::Idle();
        state.PauseTiming();
        delete parent->takeChild(5);
        TEditWindow::Idle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OutlineWidgetInsert)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The first insert right after the window is idle, as the check of the file's dates
// still runs at a million tasks (the insert waits for it); or, with checked, once the
// check is done, as when the first key comes more than half a second after opening.
void FirstInsertAfterOpen(benchmark::State& state, bool checked)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto window = std::make_unique<TEditWindow>(int(state.range(0)));
        window->Vorgangs->setCurrentItem(window->Leaf);
        TEditWindow::Idle();
        if (checked)
            WaitForBackgroundWork(window->Form.Doc());
        state.ResumeTiming();
        window->Trigger("EinfgenVorgangeinfgen1");
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
void BM_FirstInsertAfterOpen(benchmark::State& state)
{
    FirstInsertAfterOpen(state, false);
}
void BM_FirstInsertAfterOpenAndCheck(benchmark::State& state)
{
    FirstInsertAfterOpen(state, true);
}
BENCHMARK(BM_FirstInsertAfterOpen)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstInsertAfterOpenAndCheck)
    ->Arg(10000)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_EditInsertAgain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditDeleteAgain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditIndentAgain)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditInsert)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditDelete)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditIndent)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorOk)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);
// Each run once at each of the 64 leaves.
void AtTheSpreadLeaves(benchmark::internal::Benchmark* b)
{
    b->Arg(100000)->Arg(1000000)->Iterations(64)->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_EditInsertSpread)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_EditDeleteSpread)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_EditIndentSpread)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_EditorOkSpread)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_UndoDeleteSpread)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_EditorOkSpreadAtOnce)->Apply(AtTheSpreadLeaves);
BENCHMARK(BM_EditDeleteSpreadAtOnce)->Apply(AtTheSpreadLeaves);

} // namespace
