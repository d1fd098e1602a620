#include "Outline.h"
#include "TabellenFUnit.h"
#include "TableModels.h"
#include "TestProject.h"

#include <QTreeView>
#include <benchmark/benchmark.h>

namespace {

// N tasks under summaries of ten, each leaf with two of N / 10 resources.
class TTableProject : public TTestProject
{
public:
    explicit TTableProject(int tasks) : TTestProject(1)
    {
        for (int r = 0; r < tasks / 10; ++r)
            ArbEinf(Doc, nullptr);
        TOutlineNode* summary = nullptr;
        for (int i = 0; i < tasks; ++i) {
            if (i % 10 == 0) {
                summary = VorgEinf(Doc, nullptr);
                continue;
            }
            TVorgangRec& rec = VorgangOf(Doc, VorgEinfChild(Doc, summary));
            rec.Beginn = 46000 + i % 60 + 0.3;
            rec.Ende = rec.Beginn + 3.5;
            rec.FixedCosts = 100;
            rec.IncludeWorkCosts = 1;
            rec.Link = i > 1 && i % 10 > 1 ? rec.Id : 0;
            for (int r : {i / 10, (i * 7) % (tasks / 10)})
                *static_cast<int32_t*>(rec.Resources->Append()) = r;
        }
    }
};

// The task table's model: every figure computed, the rows laid out.
void BM_TaskTableModel(benchmark::State& state)
{
    TTableProject project(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TTableModel(TTable::Vorgaenge, project.Doc).rowCount());
}
BENCHMARK(BM_TaskTableModel)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// "Extras > Vorgangstabelle...": the model, the sorting proxy, every row expanded,
// the columns fitted and the first screen drawn.
void BM_OpenTaskTable(benchmark::State& state)
{
    TTableProject project(int(state.range(0)));
    for (auto _ : state) {
        TTabellenForm form(
            nullptr, TTable::Vorgaenge, project.Doc, [] { return QString(); }, [](uint32_t) {});
        form.ShowTable();
        form.View()->viewport()->repaint();
    }
}
BENCHMARK(BM_OpenTaskTable)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
