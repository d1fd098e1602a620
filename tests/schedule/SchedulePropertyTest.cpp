#include "DocumentFixture.h"
#include "Outline.h"
#include "Schedule.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

// Thousands of random projects: random nesting, deleted subtrees, links to any
// record or to Ids no record holds, ends before starts. Every recalculation must
// finish within a bound, leave a schedule that is its own fixed point and keep
// every link that closes no loop.
class RandomProjects : public DocumentFixture
{
protected:
    std::mt19937 Random{20261209};

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }

    void Build(int size)
    {
        std::vector<TOutlineNode*> nodes;
        for (int i = 0; i < size; ++i) {
            TOutlineNode* parent =
                nodes.empty() || Pick(3) == 0 ? nullptr : nodes[std::size_t(Pick(int(nodes.size())))];
            TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
            TVorgangRec& rec = VorgangOf(Doc, node);
            rec.Beginn = 46000 + Pick(40) + Pick(24) / 24.0;
            rec.Ende = rec.Beginn + Pick(10) - 2;
            nodes.push_back(node);
        }
        const int count = int(Doc.VorgangStore->Count);
        for (int i = 0; i < count; ++i)
            if (Pick(3) != 0)
                Doc.VorgangAt(uint32_t(i)).Link = Pick(count + 6) - 2;
        for (int cuts = Pick(3); cuts > 0 && Vorgangs.topLevelItemCount() > 0; --cuts) {
            std::vector<TOutlineNode*> live;
            for (TOutlineIterator it(&Vorgangs); *it; ++it)
                live.push_back(*it);
            RemoveNode(Doc, TOutlineKind::Vorgang, live[std::size_t(Pick(int(live.size())))]);
        }
    }

    uint32_t Find(int32_t id) const
    {
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
            if (Doc.VorgangAt(i).Id == id)
                return i;
        return UINT32_MAX;
    }

    // Does the end of `from` depend on the end of `target`, through links and spans?
    bool DependsOn(TOutlineNode* from, TOutlineNode* target, int depth = 0)
    {
        if (from == target)
            return true;
        if (depth > 200)
            return true;
        const TVorgangRec& rec = VorgangOf(Doc, from);
        if (rec.Link > 0 && DependsOn(Doc.VorgangAt(Find(rec.Link - 1)).Node, target, depth + 1))
            return true;
        for (int c = 0; c < from->childCount(); ++c)
            if (DependsOn(from->child(c), target, depth + 1))
                return true;
        return false;
    }

    // Worked out from the records as they were: a live task's link to a live task
    // must stay unless the predecessor's end depends on the follower through
    // containment and links, summary tasks' links left out. Deleted records keep
    // their links, so the search passes them too.
    void CheckNeededLinksKept(const std::vector<TVorgangRec>& before)
    {
        const uint32_t count = Doc.VorgangStore->Count;
        std::vector<std::vector<uint32_t>> dependencies(count);
        std::vector<bool> summary(count, false);
        for (TOutlineIterator it(&Vorgangs); *it; ++it) {
            for (int c = 0; c < (*it)->childCount(); ++c) {
                summary[RecordIndex(*it)] = true;
                dependencies[RecordIndex(*it)].push_back(RecordIndex((*it)->child(c)));
            }
        }
        for (uint32_t i = 0; i < count; ++i)
            if (!summary[i] && before[i].Link > 0 && Find(before[i].Link - 1) != UINT32_MAX)
                dependencies[i].push_back(Find(before[i].Link - 1));
        auto reaches = [&](uint32_t from, uint32_t target) {
            std::vector<bool> seen(count, false);
            std::vector<uint32_t> open{from};
            while (!open.empty()) {
                const uint32_t t = open.back();
                open.pop_back();
                if (t == target)
                    return true;
                for (uint32_t d : dependencies[t])
                    if (!seen[d]) {
                        seen[d] = true;
                        open.push_back(d);
                    }
            }
            return false;
        };
        for (TOutlineIterator it(&Vorgangs); *it; ++it) {
            const uint32_t t = RecordIndex(*it);
            const uint32_t p = before[t].Link > 0 ? Find(before[t].Link - 1) : UINT32_MAX;
            if (!summary[t] && p != UINT32_MAX && !before[p].Deleted && !reaches(p, t)) {
                ASSERT_EQ(Doc.VorgangAt(t).Link, before[t].Link) << "a link that closes no loop is kept";
            }
        }
    }

    void CheckFixedPoint(const std::vector<TVorgangRec>& before)
    {
        for (TOutlineIterator it(&Vorgangs); *it; ++it) {
            TOutlineNode* node = *it;
            const TVorgangRec& rec = VorgangOf(Doc, node);
            const TVorgangRec& old = before[RecordIndex(node)];
            ASSERT_EQ(rec.Node, node);
            ASSERT_EQ(rec.IsSummary, node->childCount() > 0 ? 1 : 0);
            if (node->childCount() > 0) {
                TDateTime lo = StartSeed, hi = EndSeed;
                for (int c = 0; c < node->childCount(); ++c) {
                    lo = std::min(lo, VorgangOf(Doc, node->child(c)).Beginn);
                    hi = std::max(hi, VorgangOf(Doc, node->child(c)).Ende);
                }
                ASSERT_EQ(rec.Beginn, lo);
                ASSERT_EQ(rec.Ende, hi);
                ASSERT_EQ(rec.Link, 0);
                continue;
            }
            const TDateTime duration = std::max(old.Ende - old.Beginn, 0.0);
            ASSERT_NEAR(rec.Ende - rec.Beginn, duration, 1e-6);
            if (rec.Link <= 0) {
                ASSERT_EQ(rec.Beginn, old.Beginn);
                continue;
            }
            const uint32_t p = Find(rec.Link - 1);
            ASSERT_NE(p, UINT32_MAX);
            const TVorgangRec& pred = Doc.VorgangAt(p);
            ASSERT_EQ(pred.Deleted, 0);
            ASSERT_EQ(rec.Beginn, pred.Ende);
            ASSERT_FALSE(DependsOn(pred.Node, node)) << "a kept link may not wait for its own end";
        }
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i) {
            const TVorgangRec& rec = Doc.VorgangAt(i);
            if (!rec.Deleted)
                continue;
            ASSERT_EQ(rec.Beginn, before[i].Beginn);
            ASSERT_EQ(rec.Ende, before[i].Ende);
            ASSERT_EQ(rec.IsSummary, before[i].IsSummary);
        }
    }
};

TEST_F(RandomProjects, EveryRecalculationEndsAtAFixedPoint)
{
    for (int project = 0; project < 3000; ++project) {
        DestroyModel(Doc);
        CreateModel(Doc, uint32_t(project));
        Doc.VorgangIdFloor = 0; // Ids from 0 again, so that the random links name records
        const int size = 1 + Pick(project < 2000 ? 12 : 40);
        Build(size);
        std::vector<TVorgangRec> before;
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
            before.push_back(Doc.VorgangAt(i));

        const TRecalcStats stats = Recalculate(Doc);
        const uint64_t n = Doc.VorgangStore->Count + 1;
        ASSERT_LE(stats.Steps, 12 * n * n) << "project " << project;
        ASSERT_NO_FATAL_FAILURE(CheckFixedPoint(before)) << "project " << project;
        ASSERT_NO_FATAL_FAILURE(CheckNeededLinksKept(before)) << "project " << project;

        std::vector<TVorgangRec> settled;
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
            settled.push_back(Doc.VorgangAt(i));
        const TRecalcStats again = Recalculate(Doc);
        ASSERT_EQ(again.LinksRemoved, 0u) << "project " << project;
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i) {
            ASSERT_EQ(Doc.VorgangAt(i).Beginn, settled[i].Beginn) << "project " << project;
            ASSERT_EQ(Doc.VorgangAt(i).Ende, settled[i].Ende) << "project " << project;
            ASSERT_EQ(Doc.VorgangAt(i).Link, settled[i].Link) << "project " << project;
        }
    }
}

} // namespace
