#include "Canvas.h"
#include "Charts.h"
#include "Outline.h"
#include "TestProject.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

namespace {

// N tasks under top-level summaries of ten, all expanded; 1 000 resources, each
// assigned to about N / 1 000 tasks; charts drawn on a 1280 x 800 bitmap.
class TChartProject : public TTestProject
{
public:
    explicit TChartProject(int tasks) : TTestProject(1)
    {
        Doc.ViewStart = 46000;
        for (int r = 0; r < 1000; ++r)
            ArbEinf(Doc, nullptr);
        TOutlineNode* summary = nullptr;
        for (int i = 0; i < tasks; ++i) {
            if (i % 10 == 0) {
                summary = VorgEinf(Doc, nullptr);
                SetExpanded(summary, true);
                VorgangOf(Doc, summary).IsSummary = 1;
                continue;
            }
            TVorgangRec& rec = VorgangOf(Doc, VorgEinfChild(Doc, summary));
            rec.Beginn = 46000 + i % 40;
            rec.Ende = rec.Beginn + 3;
            *static_cast<int32_t*>(rec.Resources->Append()) = i % 1000;
        }
        Params.AreaWidth = Bitmap.width();
        Params.AreaHeight = Bitmap.height();
    }
    QImage Bitmap{1280, 800, QImage::Format_RGB32};
    TChartParams Params;
};

// A repaint of the screen chart as the program does it: the outline has not changed
// since the last repaint, so the rows below the surface are not walked again.
void BM_DrawVorgangs(benchmark::State& state)
{
    TChartProject project(int(state.range(0)));
    TRowCountCache rowCount;
    for (auto _ : state) {
        QPainter painter(&project.Bitmap);
        TCanvas canvas(painter);
        DrawVorgangs(project.Doc, canvas, project.Params, &rowCount);
    }
}
BENCHMARK(BM_DrawVorgangs)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The first repaint after an outline change (and every printout): all rows counted.
void BM_DrawVorgangsAfterOutlineChange(benchmark::State& state)
{
    TChartProject project(int(state.range(0)));
    for (auto _ : state) {
        QPainter painter(&project.Bitmap);
        TCanvas canvas(painter);
        DrawVorgangs(project.Doc, canvas, project.Params);
    }
}
BENCHMARK(BM_DrawVorgangsAfterOutlineChange)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DrawRessourcen(benchmark::State& state)
{
    TChartProject project(int(state.range(0)));
    for (auto _ : state) {
        QPainter painter(&project.Bitmap);
        TCanvas canvas(painter);
        DrawRessourcen(project.Doc, canvas, project.Params);
    }
}
BENCHMARK(BM_DrawRessourcen)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace
