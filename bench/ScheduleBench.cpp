#include "Outline.h"
#include "Schedule.h"
#include "TestProject.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

// A project on real outline widgets, kept for all iterations of one benchmark.
class TProject : public TTestProject
{
public:
    TProject() : TTestProject(1) {}

    // A tenth of the tasks are top-level summaries of nine leaves each; half the
    // leaves follow a random other leaf, earlier or later in store order.
    void BuildMixed(int tasks)
    {
        std::mt19937 random(42);
        std::vector<int32_t> leaves;
        for (int s = 0; s < tasks / 10; ++s) {
            TOutlineNode* summary = VorgEinf(Doc, nullptr);
            for (int c = 0; c < 9; ++c) {
                TOutlineNode* leaf = VorgEinfChild(Doc, summary);
                TVorgangRec& rec = VorgangOf(Doc, leaf);
                rec.Beginn = 46000 + std::uniform_int_distribution<int>(0, 300)(random);
                rec.Ende = rec.Beginn + std::uniform_int_distribution<int>(1, 20)(random);
                leaves.push_back(rec.Id);
            }
        }
        std::uniform_int_distribution<std::size_t> anyLeaf(0, leaves.size() - 1);
        for (std::size_t i = 0; i < leaves.size(); i += 2)
            Doc.VorgangAt(uint32_t(leaves[i])).Link = leaves[anyLeaf(random)] + 1;
        Snapshot();
    }

    // One chain in which every task follows the next one in store order.
    void BuildReverseChain(int tasks)
    {
        for (int i = 0; i < tasks; ++i) {
            TVorgangRec& rec = VorgangOf(Doc, VorgEinf(Doc, nullptr));
            rec.Beginn = 46000;
            rec.Ende = 46001;
            rec.Link = i + 1 < tasks ? i + 2 : 0;
        }
        Snapshot();
    }

    void Restore()
    {
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i) {
            TVorgangRec& rec = Doc.VorgangAt(i);
            rec.Link = Saved[i].Link;
            rec.Beginn = Saved[i].Beginn;
            rec.Ende = Saved[i].Ende;
        }
    }

private:
    void Snapshot()
    {
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
            Saved.push_back(Doc.VorgangAt(i));
    }

    std::vector<TVorgangRec> Saved;
};

// Writes over a buffer larger than the processor's caches, so the next
// recalculation finds the project in memory, not in cache: in the program a
// recalculation follows a user's action and the repaint of the charts, not
// another recalculation.
void EvictCaches()
{
    static std::vector<char> buffer(std::size_t(256) << 20);
    static char round = 0;
    ++round;
    for (std::size_t i = 0; i < buffer.size(); i += 64)
        buffer[i] = round;
    benchmark::DoNotOptimize(buffer.data());
}

enum class TCache
{
    Warm,
    Cold,
};

void Run(benchmark::State& state, TProject& project, TCache cache)
{
    for (auto _ : state) {
        state.PauseTiming();
        project.Restore();
        if (cache == TCache::Cold)
            EvictCaches();
        state.ResumeTiming();
        RenderEveryThing(project.Doc);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(project.Doc.VorgangStore->Count));
}

void BM_RenderEveryThing(benchmark::State& state, TCache cache)
{
    TProject project;
    project.BuildMixed(int(state.range(0)));
    Run(state, project, cache);
}
BENCHMARK_CAPTURE(BM_RenderEveryThing, Cold, TCache::Cold)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderEveryThing, Warm, TCache::Warm)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

void BM_RenderEveryThingReverseChain(benchmark::State& state, TCache cache)
{
    TProject project;
    project.BuildReverseChain(int(state.range(0)));
    Run(state, project, cache);
}
BENCHMARK_CAPTURE(BM_RenderEveryThingReverseChain, Cold, TCache::Cold)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RenderEveryThingReverseChain, Warm, TCache::Warm)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);

} // namespace
