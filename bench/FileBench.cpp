#include "BenchProjects.h"
#include "Outline.h"
#include "ProjectFile.h"
#include "Recovery.h"
#include "Schedule.h"
#include "TestProject.h"
#include "Texts.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <malloc.h>
#include <memory>
#include <random>
#include <thread>

namespace {

// A document on its own outline widgets.
struct TProject : TTestProject
{
    TProject() : TTestProject(1) {}
};

QString SavedProject(const QTemporaryDir& dir, int tasks)
{
    TProject project;
    BuildLayeredProject(project.Doc, tasks);
    QString error;
    const QString name = dir.filePath(QStringLiteral("bench.zkt"));
    if (!SaveProjectFile(project.Doc, name, error))
        qFatal("cannot write the benchmark project");
    return name;
}

void SaveTheFile(benchmark::State& state, void (*build)(TDocument&, int))
{
    QTemporaryDir dir;
    TProject project;
    build(project.Doc, int(state.range(0)));
    // As in the program, where every change ends in a recalculation, which leaves
    // the outline bound.
    RenderEveryThing(project.Doc);
    const QString name = dir.filePath(QStringLiteral("bench.zkt"));
    QString error;
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveProjectFile(project.Doc, name, error));
        // A user saves seconds apart: what the system does after a save, such as
        // freeing the file the save replaced, is done before the next one.
        state.PauseTiming();
        std::this_thread::sleep_for(std::chrono::microseconds(state.range(0) / 4));
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_SaveTheFile(benchmark::State& state)
{
    SaveTheFile(state, BuildLayeredProject);
}
BENCHMARK(BM_SaveTheFile)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_SaveThePlainFile(benchmark::State& state)
{
    SaveTheFile(state, BuildPlainProject);
}
BENCHMARK(BM_SaveThePlainFile)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The file image alone, without the disk.
void BM_WriteProject(benchmark::State& state)
{
    TProject project;
    BuildLayeredProject(project.Doc, int(state.range(0)));
    RenderEveryThing(project.Doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(WriteProject(project.Doc));
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WriteProject)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Reading the file and building both outlines into an empty document; emptying
// the previous document is measured on its own below.
void BM_OpenFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString name = SavedProject(dir, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto project = std::make_unique<TProject>();
        state.ResumeTiming();
        ReadProjectFile(project->Doc, name);
        state.PauseTiming();
        project.reset();
        // Hand the freed memory back, so that every run builds its outlines in
        // fresh memory as the first open after the program's start does.
        malloc_trim(0);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_OpenFile)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// What "Neu" and "Öffnen" spend on emptying a loaded document.
void BM_ClearProject(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString name = SavedProject(dir, int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        TProject project;
        QByteArray bytes;
        ReadFileBytes(name, bytes);
        ReadProject(project.Doc, bytes);
        state.ResumeTiming();
        ClearProject(project.Doc);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ClearProject)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// What a recovery copy costs the event loop: the image is built on the
// user-interface thread a part at a time between events, the writing and syncing
// happen on the writer's thread (waited for outside the timing). The time is the
// whole image; "longest_ms" is the longest single block of the event loop, and
// "parts" how many blocks one copy takes.
void BM_RecoveryWriteNow(benchmark::State& state)
{
    QTemporaryDir dir;
    TProject project;
    BuildLayeredProject(project.Doc, int(state.range(0)));
    project.Doc.Changed = true;
    TRecovery recovery(project.Doc, dir.path(), 60000);
    double longest = 0;
    int parts = 0;
    for (auto _ : state) {
        recovery.WriteNow();
        parts = 0;
        while (recovery.Building()) {
            const auto start = std::chrono::steady_clock::now();
            QCoreApplication::processEvents();
            longest = std::max(
                longest,
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            ++parts;
        }
        state.PauseTiming();
        recovery.Flush();
        state.ResumeTiming();
    }
    state.counters["longest_ms"] = longest;
    state.counters["parts"] = parts;
}
BENCHMARK(BM_RecoveryWriteNow)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
