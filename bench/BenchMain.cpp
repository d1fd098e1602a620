#include "HugePages.h"

#include <QApplication>
#include <benchmark/benchmark.h>

// The benchmarks build projects on real outline widgets, which need an application,
// and run with the heap the program has.
int main(int argc, char** argv)
{
    RestartWithHugePageHeap(RunningProgramFile(), argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
