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
// finish within a bound and leave a schedule that is its own fixed point.
class RandomProjects : public DocumentFixture
{
protected:
    std::mt19937 Random{20261209};

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }

    void Build(int size)
    {
        std::vector<QTreeWidgetItem*> nodes;
        for (int i = 0; i < size; ++i) {
            QTreeWidgetItem* parent =
                nodes.empty() || Pick(3) == 0 ? nullptr : nodes[std::size_t(Pick(int(nodes.size())))];
            QTreeWidgetItem* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
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
            std::vector<QTreeWidgetItem*> live;
            for (QTreeWidgetItemIterator it(&Vorgangs); *it; ++it)
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
    bool DependsOn(QTreeWidgetItem* from, QTreeWidgetItem* target, int depth = 0)
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

    void CheckFixedPoint(const std::vector<TVorgangRec>& before)
    {
        for (QTreeWidgetItemIterator it(&Vorgangs); *it; ++it) {
            QTreeWidgetItem* node = *it;
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
        const int size = 1 + Pick(project < 2000 ? 12 : 40);
        Build(size);
        std::vector<TVorgangRec> before;
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
            before.push_back(Doc.VorgangAt(i));

        const TRecalcStats stats = Recalculate(Doc);
        const uint64_t n = Doc.VorgangStore->Count + 1;
        ASSERT_LE(stats.Steps, 12 * n * n) << "project " << project;
        ASSERT_NO_FATAL_FAILURE(CheckFixedPoint(before)) << "project " << project;

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
