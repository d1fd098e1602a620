#include "BenchProjects.h"
#include "HugePages.h"

#include <QApplication>
#include <cstdio>

// Writes the project the benchmarks open, for trying the program by hand at the same
// size: write_bench_project 1000000 gross.zkt; with --plain first, the tasks have
// their names alone.
int main(int argc, char** argv)
{
    RestartWithHugePageHeap(RunningProgramFile(), argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool plain = argc == 4 && qstrcmp(argv[1], "--plain") == 0;
    bool ok = false;
    const int tasks = argc == 3 + int(plain) ? QString::fromLocal8Bit(argv[1 + int(plain)]).toInt(&ok) : 0;
    if (!ok || tasks < 10) {
        std::fputs("usage: write_bench_project [--plain] TASKS FILE (at least 10 tasks)\n", stderr);
        return 2;
    }
    SaveBenchProject(QString::fromLocal8Bit(argv[2 + int(plain)]), tasks, plain);
    return 0;
}
