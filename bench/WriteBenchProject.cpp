#include "BenchProjects.h"
#include "HugePages.h"

#include <QApplication>
#include <cstdio>

// Writes the project the benchmarks open, for trying the program by hand at the same
// size: write_bench_project 1000000 gross.zkt
int main(int argc, char** argv)
{
    RestartWithHugePageHeap(RunningProgramFile(), argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    bool ok = false;
    const int tasks = argc == 3 ? QString::fromLocal8Bit(argv[1]).toInt(&ok) : 0;
    if (!ok || tasks < 10) {
        std::fputs("usage: write_bench_project TASKS FILE (at least 10 tasks)\n", stderr);
        return 2;
    }
    SaveBenchProject(QString::fromLocal8Bit(argv[2]), tasks);
    return 0;
}
