#include "Schedule.h"

#include "DocumentFixture.h"
#include "Outline.h"
#include "TestProject.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

constexpr TDateTime Day = 46000.0; // a Monday in December 2025
constexpr TDateTime Hour = 1.0 / 24;

class Recalculation : public DocumentFixture
{
protected:
    TOutlineNode* Task(TDateTime beginn, TDateTime ende, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? VorgEinfChild(Doc, parent) : VorgEinf(Doc, nullptr);
        Rec(node).Beginn = beginn;
        Rec(node).Ende = ende;
        return node;
    }
    TVorgangRec& Rec(TOutlineNode* node) { return VorgangOf(Doc, node); }
    void Follows(TOutlineNode* follower, TOutlineNode* predecessor)
    {
        Rec(follower).Link = Rec(predecessor).Id + 1;
    }
    void ExpectSpan(TOutlineNode* node, TDateTime beginn, TDateTime ende)
    {
        EXPECT_DOUBLE_EQ(Rec(node).Beginn, beginn);
        EXPECT_DOUBLE_EQ(Rec(node).Ende, ende);
    }
};

TEST_F(Recalculation, EmptyProjectChangesNothing)
{
    const TRecalcStats stats = Recalculate(Doc);
    EXPECT_EQ(stats.LinksRemoved, 0u);
    EXPECT_EQ(stats.Steps, 0u);
}

TEST_F(Recalculation, EndBeforeStartBecomesTheStart)
{
    TOutlineNode* t = Task(Day + 2, Day);
    Recalculate(Doc);
    ExpectSpan(t, Day + 2, Day + 2);
    EXPECT_EQ(Rec(t).Node, t);
    EXPECT_EQ(Rec(t).IsSummary, 0);
}

TEST_F(Recalculation, SummariesSpanAllTasksBelowAtEveryDepth)
{
    TOutlineNode* a = Task(Day - 50, Day + 50);
    TOutlineNode* b = Task(Day, Day, a);
    TOutlineNode* c1 = Task(Day + 3, Day + 4, b);
    Task(Day + 1 + 6 * Hour, Day + 2, b);
    TOutlineNode* d = Task(Day + 5, Day + 9, a);
    TOutlineNode* other = Task(Day + 7, Day + 8);
    Follows(a, other);

    Recalculate(Doc);
    ExpectSpan(b, Day + 1 + 6 * Hour, Day + 4);
    ExpectSpan(a, Day + 1 + 6 * Hour, Day + 9);
    EXPECT_EQ(Rec(a).Link, 0) << "a summary task loses its link";
    EXPECT_EQ(Rec(a).IsSummary, 1);
    EXPECT_EQ(Rec(b).IsSummary, 1);
    EXPECT_EQ(Rec(c1).IsSummary, 0);
    ExpectSpan(d, Day + 5, Day + 9);
}

TEST_F(Recalculation, ATaskThatGainsItsFirstChildLosesLinkAndDates)
{
    TOutlineNode* first = Task(Day, Day + 1);
    TOutlineNode* parent = Task(Day + 1, Day + 3);
    Follows(parent, first);
    Recalculate(Doc);
    EXPECT_EQ(Rec(parent).Link, Rec(first).Id + 1);

    Task(Day + 10, Day + 12, parent);
    Recalculate(Doc);
    EXPECT_EQ(Rec(parent).Link, 0);
    ExpectSpan(parent, Day + 10, Day + 12);
}

TEST_F(Recalculation, LinksThatNameNoLiveTaskAreCleared)
{
    TOutlineNode* gone = Task(Day, Day + 1);
    TOutlineNode* toDeleted = Task(Day + 5, Day + 6);
    TOutlineNode* toNowhere = Task(Day + 5, Day + 6);
    TOutlineNode* toItself = Task(Day + 5, Day + 6);
    Follows(toDeleted, gone);
    Rec(toNowhere).Link = 9999;
    Follows(toItself, toItself);
    RemoveNode(Doc, TOutlineKind::Vorgang, gone);

    const TRecalcStats stats = Recalculate(Doc);
    for (TOutlineNode* t : {toDeleted, toNowhere, toItself}) {
        EXPECT_EQ(Rec(t).Link, 0);
        ExpectSpan(t, Day + 5, Day + 6);
    }
    EXPECT_EQ(stats.LinksRemoved, 3u);
}

TEST_F(Recalculation, MutualLinksLeaveTheEarlierTaskItsLink)
{
    TOutlineNode* first = Task(Day, Day + 2);
    TOutlineNode* second = Task(Day + 10, Day + 11);
    Follows(first, second);
    Follows(second, first);
    Recalculate(Doc);
    EXPECT_EQ(Rec(first).Link, Rec(second).Id + 1);
    EXPECT_EQ(Rec(second).Link, 0);
    ExpectSpan(first, Day + 11, Day + 13);
}

TEST_F(Recalculation, LongerLinkCycleLosesTheLinkThatClosesIt)
{
    TOutlineNode* a = Task(Day, Day + 1);
    TOutlineNode* b = Task(Day, Day + 1);
    TOutlineNode* c = Task(Day, Day + 1);
    Follows(a, b);
    Follows(b, c);
    Follows(c, a);
    Recalculate(Doc);
    EXPECT_NE(Rec(a).Link, 0);
    EXPECT_NE(Rec(b).Link, 0);
    EXPECT_EQ(Rec(c).Link, 0) << "the walk from a passes a, b, c and c leads back";
    ExpectSpan(c, Day, Day + 1);
    ExpectSpan(b, Day + 1, Day + 2);
    ExpectSpan(a, Day + 2, Day + 3);
}

TEST_F(Recalculation, ChainsSettleInEitherStoreOrder)
{
    // Followers before predecessors in store order.
    TOutlineNode* a = Task(Day, Day + 1);
    TOutlineNode* b = Task(Day, Day + 2);
    TOutlineNode* c = Task(Day + 3, Day + 4);
    Follows(a, b);
    Follows(b, c);
    // Predecessors first.
    TOutlineNode* x = Task(Day + 20, Day + 20.5);
    TOutlineNode* y = Task(Day, Day + 3 * Hour);
    TOutlineNode* z = Task(Day, Day + 1);
    Follows(y, x);
    Follows(z, y);

    Recalculate(Doc);
    ExpectSpan(b, Day + 4, Day + 6);
    ExpectSpan(a, Day + 6, Day + 7);
    ExpectSpan(y, Day + 20.5, Day + 20.5 + 3 * Hour);
    ExpectSpan(z, Day + 20.5 + 3 * Hour, Day + 21.5 + 3 * Hour);
}

TEST_F(Recalculation, ALinkedTaskIsMovedEarlierToo)
{
    TOutlineNode* p = Task(Day, Day + 1);
    TOutlineNode* t = Task(Day + 30, Day + 32);
    Follows(t, p);
    Recalculate(Doc);
    ExpectSpan(t, Day + 1, Day + 3);
}

TEST_F(Recalculation, ATaskLinkedToAnotherSummaryBeginsAtItsEnd)
{
    TOutlineNode* t = Task(Day, Day + 1);
    TOutlineNode* s = Task(Day, Day);
    Task(Day + 2, Day + 4, s);
    Task(Day + 3, Day + 8, s);
    Follows(t, s);
    Recalculate(Doc);
    ExpectSpan(t, Day + 8, Day + 9);
}

TEST_F(Recalculation, ATaskLinkedToItsOwnSummaryLosesTheLink)
{
    TOutlineNode* s = Task(Day, Day);
    TOutlineNode* inner = Task(Day, Day + 1, s);
    TOutlineNode* t = Task(Day + 2, Day + 3, inner);
    Task(Day + 1, Day + 4, s);
    Follows(t, s);
    const TRecalcStats stats = Recalculate(Doc);
    EXPECT_EQ(Rec(t).Link, 0);
    EXPECT_EQ(stats.LinksRemoved, 1u);
    ExpectSpan(t, Day + 2, Day + 3);
    ExpectSpan(s, Day + 1, Day + 4);
}

// t waits for x, x for y, y for the summary around t: the links are kept in store
// order as long as they close no loop, so the last one, y's, goes.
TEST_F(Recalculation, LoopThroughContainmentKeepsTheEarlierLinks)
{
    TOutlineNode* s = Task(Day, Day);
    TOutlineNode* t = Task(Day, Day + 1, s);
    TOutlineNode* x = Task(Day + 5, Day + 6);
    TOutlineNode* y = Task(Day + 7, Day + 9);
    Follows(t, x);
    Follows(x, y);
    Follows(y, s);
    Recalculate(Doc);
    EXPECT_EQ(Rec(t).Link, Rec(x).Id + 1);
    EXPECT_EQ(Rec(x).Link, Rec(y).Id + 1);
    EXPECT_EQ(Rec(y).Link, 0);
    ExpectSpan(x, Day + 9, Day + 10);
    ExpectSpan(t, Day + 10, Day + 11);
    ExpectSpan(s, Day + 10, Day + 11);
}

TEST_F(Recalculation, ATaskInsideWhatItsPredecessorFollowsLosesItsLink)
{
    TOutlineNode* q = Task(Day, Day);
    TOutlineNode* t = Task(Day + 1, Day + 2, q);
    TOutlineNode* p = Task(Day + 3, Day + 4);
    Follows(t, p);
    Follows(p, q);
    Recalculate(Doc);
    EXPECT_EQ(Rec(t).Link, 0);
    EXPECT_EQ(Rec(p).Link, Rec(q).Id + 1);
    ExpectSpan(q, Day + 1, Day + 2);
    ExpectSpan(p, Day + 2, Day + 3);
}

// s followed x until it gained a child, w follows s and x follows w: with s's link
// gone nothing loops, whether s comes before or after its followers in the store.
TEST_F(Recalculation, AClearedSummaryLinkClosesNoLoop)
{
    TOutlineNode* s = Task(Day, Day);
    Task(Day + 1, Day + 3, s);
    TOutlineNode* w = Task(Day + 5, Day + 6);
    TOutlineNode* x = Task(Day + 8, Day + 10);
    TOutlineNode* laterW = Task(Day + 5, Day + 6);
    TOutlineNode* laterX = Task(Day + 8, Day + 10);
    TOutlineNode* laterS = Task(Day, Day);
    Task(Day + 1, Day + 3, laterS);
    const std::tuple<TOutlineNode*, TOutlineNode*, TOutlineNode*> groups[] = {{s, w, x},
                                                                              {laterS, laterW, laterX}};
    for (const auto& [summary, follower, last] : groups) {
        Follows(summary, last);
        Follows(follower, summary);
        Follows(last, follower);
    }
    const TRecalcStats stats = Recalculate(Doc);
    EXPECT_EQ(stats.LinksRemoved, 0u);
    for (const auto& [summary, follower, last] : groups) {
        EXPECT_EQ(Rec(summary).Link, 0);
        EXPECT_EQ(Rec(follower).Link, Rec(summary).Id + 1);
        EXPECT_EQ(Rec(last).Link, Rec(follower).Id + 1);
        ExpectSpan(follower, Day + 3, Day + 4);
        ExpectSpan(last, Day + 4, Day + 6);
    }
}

// A follower earlier in store order than a predecessor that moves itself: a summary
// task spans only the follower's final place, never a place it held on the way.
TEST_F(Recalculation, SummarySpansOnlyFinalPositions)
{
    TOutlineNode* s = Task(Day, Day);
    TOutlineNode* t = Task(Day, Day + 1, s);
    TOutlineNode* p = Task(Day + 2, Day + 3);
    TOutlineNode* q = Task(Day + 10, Day + 12);
    Follows(t, p);
    Follows(p, q);
    Recalculate(Doc);
    ExpectSpan(p, Day + 12, Day + 13);
    ExpectSpan(t, Day + 13, Day + 14);
    ExpectSpan(s, Day + 13, Day + 14);
}

TEST_F(Recalculation, DeletedRecordsKeepTheirValues)
{
    TOutlineNode* s = Task(Day, Day);
    Task(Day + 1, Day + 2, s);
    Recalculate(Doc);
    const TVorgangRec before = Rec(s);
    RemoveNode(Doc, TOutlineKind::Vorgang, s);
    Task(Day + 40, Day + 41);
    Recalculate(Doc);
    const TVorgangRec& after = Doc.VorgangAt(0);
    EXPECT_EQ(after.Deleted, 1);
    EXPECT_EQ(after.IsSummary, 1);
    EXPECT_EQ(after.Node, before.Node);
    EXPECT_EQ(after.Beginn, before.Beginn);
    EXPECT_EQ(after.Ende, before.Ende);
}

// The walk from a passes b and the deleted d, whose old link leads back to b: d's
// link is the one that closes the loop. b then loses its link to the deleted d.
TEST_F(Recalculation, TheCycleWalkPassesDeletedRecords)
{
    TOutlineNode* a = Task(Day, Day + 1);
    TOutlineNode* b = Task(Day + 2, Day + 3);
    TOutlineNode* d = Task(Day, Day + 1);
    Follows(a, b);
    Follows(b, d);
    Follows(d, b);
    const uint32_t deleted = RecordIndex(d);
    RemoveNode(Doc, TOutlineKind::Vorgang, d);

    Recalculate(Doc);
    EXPECT_EQ(Doc.VorgangAt(deleted).Link, 0);
    EXPECT_EQ(Rec(b).Link, 0);
    EXPECT_EQ(Rec(a).Link, Rec(b).Id + 1);
    ExpectSpan(a, Day + 3, Day + 4);
}

// The buffers a recalculation keeps belong to its document: two documents side by
// side each keep their own, and a document's end takes its buffers with it.
TEST_F(Recalculation, EachDocumentKeepsItsBuffersUntilItEnds)
{
    TOutlineNode* summary = Task(0, 0);
    Task(Day, Day + 2, summary);
    RenderEveryThing(Doc);
    const TDocumentScratch* mine = Doc.ScheduleScratch.get();
    ASSERT_NE(mine, nullptr);
    {
        TTestProject other;
        TOutlineNode* big = VorgEinf(other.Doc, nullptr);
        for (int i = 0; i < 300; ++i) {
            TVorgangRec& rec = VorgangOf(other.Doc, VorgEinfChild(other.Doc, big));
            rec.Beginn = Day - i;
            rec.Ende = Day + i;
        }
        RenderEveryThing(other.Doc);
        EXPECT_NE(other.Doc.ScheduleScratch.get(), mine);
        EXPECT_DOUBLE_EQ(VorgangOf(other.Doc, big).Beginn, Day - 299);
    }
    Rec(summary->child(0)).Ende = Day + 5;
    RenderEveryThing(Doc);
    EXPECT_EQ(Doc.ScheduleScratch.get(), mine);
    ExpectSpan(summary, Day, Day + 5);
    DestroyModel(Doc);
    EXPECT_EQ(Doc.ScheduleScratch, nullptr);
    CreateModel(Doc, 1);
}

} // namespace
