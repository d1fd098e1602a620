#include "MsProjectExport.h"
#include "MsProjectImport.h"
#include "ProjectFile.h"
#include "RandomProject.h"
#include "Schedule.h"
#include "TestProject.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// A generated project of N tasks (up to four levels, a third of the leaves linked,
// names, notes, custom fields, costs) and N / 10 resources in groups, every leaf
// assigned to up to three of them, as a file of Microsoft Project XML.
struct TExchangeFile
{
    explicit TExchangeFile(int tasks)
    {
        MakeRandomProject(Source.Doc, 21, tasks, tasks / 10);
        RenderEveryThing(Source.Doc);
        Name = Folder.filePath(QStringLiteral("plan.xml"));
        QString error;
        if (!ExportMsProject(Source.Doc, Name, 46101, error))
            qFatal("%s", qPrintable(error));
        Bytes = QFile(Name).size();
    }

    TTestProject Source;
    QTemporaryDir Folder;
    QString Name;
    qint64 Bytes = 0;
};

// The whole import as the command runs it before the main window marks the
// document changed: the file read, parsed and checked, the outlines built, the
// schedule recalculated. Emptying the document before each run is not timed.
void BM_ImportMsProject(benchmark::State& state)
{
    const TExchangeFile file(int(state.range(0)));
    TTestProject target(2);
    for (auto _ : state) {
        state.PauseTiming();
        ClearProject(target.Doc);
        state.ResumeTiming();
        QByteArray bytes;
        QString error;
        TMspPlan plan;
        TXmlFault fault;
        if (!ReadMsProjectFile(file.Name, bytes, error) || !ParseMsProject(bytes, plan, fault))
            state.SkipWithError("the file was refused");
        benchmark::DoNotOptimize(ImportMsProject(target.Doc, plan));
    }
    state.counters["MiB"] = double(file.Bytes) / (1 << 20);
}
BENCHMARK(BM_ImportMsProject)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Reading and checking alone, without building the outlines.
void BM_ParseMsProject(benchmark::State& state)
{
    const TExchangeFile file(int(state.range(0)));
    QByteArray bytes;
    QString error;
    ReadMsProjectFile(file.Name, bytes, error);
    for (auto _ : state) {
        TMspPlan plan;
        TXmlFault fault;
        benchmark::DoNotOptimize(ParseMsProject(bytes, plan, fault));
    }
}
BENCHMARK(BM_ParseMsProject)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The export written to disk, durably.
void BM_ExportMsProject(benchmark::State& state)
{
    const TExchangeFile file(int(state.range(0)));
    const QString name = file.Folder.filePath(QStringLiteral("wieder.xml"));
    for (auto _ : state) {
        QString error;
        if (!ExportMsProject(file.Source.Doc, name, 46101, error))
            state.SkipWithError(error.toStdString().c_str());
    }
}
BENCHMARK(BM_ExportMsProject)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
