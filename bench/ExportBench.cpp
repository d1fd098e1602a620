#include "Outline.h"
#include "PdfExport.h"
#include "TestProject.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

// N tasks under top-level summaries of ten, spread over 62 days (five A4 pages
// across), and N / 10 resources each assigned to nine tasks.
class TExportProject : public TTestProject
{
public:
    explicit TExportProject(int tasks) : TTestProject(1)
    {
        for (int r = 0; r < tasks / 10; ++r)
            ArbEinf(Doc, nullptr);
        TOutlineNode* summary = nullptr;
        for (int i = 0; i < tasks; ++i) {
            if (i % 10 == 0) {
                summary = VorgEinf(Doc, nullptr);
                VorgangOf(Doc, summary).Beginn = 46000; // the span a recalculation gives it
                VorgangOf(Doc, summary).Ende = 46062;
                continue;
            }
            TVorgangRec& rec = VorgangOf(Doc, VorgEinfChild(Doc, summary));
            rec.Beginn = 46000 + i % 60;
            rec.Ende = rec.Beginn + 3;
            *static_cast<int32_t*>(rec.Resources->Append()) = i / 10;
        }
    }
};

// The whole export: plan, every page, the file written.
void BM_ExportPdf(benchmark::State& state)
{
    TExportProject project(int(state.range(0)));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("plan.pdf"));
    QString error;
    for (auto _ : state)
        if (!ExportPdf(project.Doc, file, {}, 50, 35, QDate(2026, 12, 9), error))
            state.SkipWithError(error.toStdString().c_str());
    state.counters["MiB"] = double(QFileInfo(file).size()) / (1 << 20);
    state.counters["pages"] = double(PlanPages(project.Doc, 600, 4960, 7016, 50, 35, false).Pages());
}
BENCHMARK(BM_ExportPdf)->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond);

} // namespace
