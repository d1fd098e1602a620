#include "DocumentFixture.h"
#include "Outline.h"
#include "OutlineCommands.h"
#include "ProjectFile.h"
#include "Schedule.h"
#include "Undo.h"

#include <algorithm>
#include <bit>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct TFields
{
    uint64_t Beginn;
    uint64_t Ende;
    int32_t Link;
    uint8_t IsSummary;
    TOutlineNode* Node;

    bool operator==(const TFields&) const = default;
};

// The recalculation keeps what it learnt from one run to the next and leaves out
// what a change cannot have made necessary. Over thousands of random command
// sequences (the outline commands, edits of dates and links, undo and redo), its
// results must be those of a recalculation that starts from nothing, and every
// task it changed must be reported for the undo history.
class IncrementalRecalculation : public DocumentFixture
{
protected:
    std::mt19937 Random{20261210};

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }

    std::vector<TFields> Fields() const
    {
        std::vector<TFields> all;
        for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i) {
            const TVorgangRec& rec = Doc.VorgangAt(i);
            all.push_back({std::bit_cast<uint64_t>(rec.Beginn), std::bit_cast<uint64_t>(rec.Ende), rec.Link,
                           rec.IsSummary, rec.Node});
        }
        return all;
    }

    void Restore(const std::vector<TFields>& all)
    {
        for (uint32_t i = 0; i < all.size(); ++i) {
            TVorgangRec& rec = Doc.VorgangAt(i);
            rec.Beginn = std::bit_cast<TDateTime>(all[i].Beginn);
            rec.Ende = std::bit_cast<TDateTime>(all[i].Ende);
            rec.Link = all[i].Link;
            rec.IsSummary = all[i].IsSummary;
            rec.Node = all[i].Node;
        }
    }

    std::vector<TOutlineNode*> Nodes()
    {
        std::vector<TOutlineNode*> nodes;
        for (TOutlineIterator it(&Vorgangs); *it; ++it)
            nodes.push_back(*it);
        return nodes;
    }

    void SelectRandom()
    {
        const std::vector<TOutlineNode*> nodes = Nodes();
        if (nodes.empty() || Pick(8) == 0)
            Vorgangs.clearSelection();
        else
            Vorgangs.setCurrentItem(nodes[std::size_t(Pick(int(nodes.size())))]);
    }

    // A task's dates and link as the editor changes them: links also to the task's
    // own ancestors (which close loops through containment), deleted tasks and Ids
    // no task holds.
    bool EditRandomTask()
    {
        const std::vector<TOutlineNode*> nodes = Nodes();
        if (nodes.empty())
            return false;
        TOutlineNode* node = nodes[std::size_t(Pick(int(nodes.size())))];
        NoteEditing(Doc, TOutlineKind::Vorgang, node, false);
        TVorgangRec& rec = VorgangOf(Doc, node);
        rec.Beginn = 46000 + Pick(30) + Pick(4) / 4.0;
        rec.Ende = rec.Beginn + Pick(6) - 1;
        // Half the edits change only dates, which leave the links as they were.
        if (Pick(2) == 0)
            return true;
        rec.Link = Pick(4) == 0 ? 0 : Pick(int(Doc.VorgangStore->Count) + 3);
        if (node->parent() && Pick(3) == 0)
            rec.Link = VorgangOf(Doc, node->parent()).Id + 1;
        if (node->parent() && Pick(3) == 0) {
            // Through another task back to an ancestor: the task would wait for
            // what contains it.
            TOutlineNode* other = nodes[std::size_t(Pick(int(nodes.size())))];
            if (other != node) {
                NoteEditing(Doc, TOutlineKind::Vorgang, other, false);
                VorgangOf(Doc, other).Link = VorgangOf(Doc, node->parent()).Id + 1;
                VorgangOf(Doc, node).Link = VorgangOf(Doc, other).Id + 1;
            }
        }
        return true;
    }

    bool RunRandomCommand()
    {
        SelectRandom();
        switch (Pick(8)) {
        case 0:
            return InsertCommand(Doc, TOutlineKind::Vorgang, false);
        case 1:
            return InsertCommand(Doc, TOutlineKind::Vorgang, true);
        case 2:
            return DeleteCommand(Doc, TOutlineKind::Vorgang);
        case 3:
            return IndentCommand(Doc, TOutlineKind::Vorgang);
        case 4:
            return OutdentCommand(Doc, TOutlineKind::Vorgang);
        case 5:
            return Pick(2) ? MoveUpCommand(Doc, TOutlineKind::Vorgang)
                           : MoveDownCommand(Doc, TOutlineKind::Vorgang);
        default:
            return EditRandomTask();
        }
    }

    // Recalculates as the program does, then once more from the same records with
    // nothing kept, and compares.
    void RecalculateAndCompare(int project, int step)
    {
        const std::vector<TFields> before = Fields();
        const auto reportedBefore = std::ptrdiff_t(Doc.Rescheduled.size());
        Recalculate(Doc);
        const std::vector<TFields> kept = Fields();
        const auto reported = Doc.Rescheduled.begin() + reportedBefore;
        for (uint32_t i = 0; i < before.size(); ++i) {
            const bool changed = before[i].Beginn != kept[i].Beginn || before[i].Ende != kept[i].Ende ||
                                 before[i].Link != kept[i].Link || before[i].IsSummary != kept[i].IsSummary;
            if (!changed)
                continue;
            const auto first =
                std::find_if(reported, Doc.Rescheduled.end(), [i](const auto& e) { return e.Index == i; });
            ASSERT_NE(first, Doc.Rescheduled.end())
                << "task " << i << " changed unreported, project " << project << " step " << step;
            const TScheduleFields& was = first->Before;
            ASSERT_TRUE(std::bit_cast<uint64_t>(was.Beginn) == before[i].Beginn &&
                        std::bit_cast<uint64_t>(was.Ende) == before[i].Ende && was.Link == before[i].Link &&
                        was.IsSummary == before[i].IsSummary)
                << "task " << i << " reported with other fields before, project " << project << " step "
                << step;
        }

        ASSERT_NE(BoundTaskOutline(Doc), nullptr);
        ASSERT_NO_FATAL_FAILURE(CompareSaves(project, step));

        std::unique_ptr<TDocumentScratch> learnt = std::move(Doc.ScheduleScratch);
        Restore(before);
        Recalculate(Doc);
        ASSERT_EQ(Fields(), kept) << "project " << project << " step " << step;
        Doc.ScheduleScratch = std::move(learnt);
    }

    // A save walks the recalculation's binding of the outline where that is the
    // outline's shape, and the nodes otherwise: both must write the same file.
    void CompareSaves(int project, int step)
    {
        ++(BoundTaskOutline(Doc) ? SavesFromTheBinding : SavesFromTheNodes);
        const QByteArray image = WriteProject(Doc);
        std::unique_ptr<TDocumentScratch> learnt = std::move(Doc.ScheduleScratch);
        const QByteArray fromTheNodes = WriteProject(Doc);
        Doc.ScheduleScratch = std::move(learnt);
        ASSERT_EQ(image, fromTheNodes) << "project " << project << " step " << step;
    }

    int SavesFromTheBinding = 0;
    int SavesFromTheNodes = 0;
};

TEST_F(IncrementalRecalculation, EqualsARecalculationFromNothing)
{
    for (int project = 0; project < 4000; ++project) {
        DestroyModel(Doc);
        CreateModel(Doc, uint32_t(project));
        Doc.VorgangIdFloor = 0; // Ids from 0 again, so that the random links name records
        {
            TUndoRecording recording(Doc, QStringLiteral("Anfang"));
            for (int i = 1 + Pick(10); i > 0; --i) {
                SelectRandom();
                InsertCommand(Doc, TOutlineKind::Vorgang, Pick(2) == 0);
            }
            ASSERT_NO_FATAL_FAILURE(RecalculateAndCompare(project, 0));
            recording.Commit();
        }
        for (int step = 1; step <= 30; ++step) {
            const int action = Pick(10);
            if (action <= 1) {
                if (!(action == 0 ? UndoStep(Doc) : RedoStep(Doc)))
                    continue;
                // As the program does after undo and redo; the next step may come
                // while the check runs, and another undo stops it.
                if (Pick(4) != 0)
                    PrepareRecalculation(Doc);
                ASSERT_NO_FATAL_FAILURE(CompareSaves(project, step));
                if (Pick(2) == 0)
                    continue;
            } else {
                TUndoRecording recording(Doc, QStringLiteral("Schritt"));
                if (!RunRandomCommand())
                    continue;
                ASSERT_NO_FATAL_FAILURE(RecalculateAndCompare(project, step));
                recording.Commit();
                continue;
            }
            // Undo and redo restore an earlier result without recalculating; now and
            // then the recalculation comes before the next command.
            ASSERT_NO_FATAL_FAILURE(RecalculateAndCompare(project, step));
        }
    }
    // An undo leaves the binding behind the outline's shape until it is checked.
    EXPECT_GT(SavesFromTheNodes, 1000);
    EXPECT_GT(SavesFromTheBinding, 10000);
}

// Whether a task lies inside a summary task decides whether a link chain from it
// back to that summary is cut; the outline's order kept across removals and
// insertions must give the answer a fresh walk gives. Each chain x -> p -> q with
// x inside q loses x's link; a full search for loops would cut p's instead.
TEST_F(IncrementalRecalculation, TreeChangesKeepWhatLiesInsideASummary)
{
    TOutlineNode* q = VorgEinf(Doc, nullptr);
    TOutlineNode* s = VorgEinfChild(Doc, q);
    TOutlineNode* t = VorgEinfChild(Doc, q);
    TOutlineNode* x = VorgEinf(Doc, q);
    TOutlineNode* u = VorgEinf(Doc, x);
    TOutlineNode* p = VorgEinf(Doc, u);
    SetExpanded(q, true);
    Recalculate(Doc);
    auto chain = [&](TOutlineNode* from) {
        VorgangOf(Doc, from).Link = VorgangOf(Doc, p).Id + 1;
        VorgangOf(Doc, p).Link = VorgangOf(Doc, q).Id + 1;
        Recalculate(Doc);
    };

    RemoveNode(Doc, TOutlineKind::Vorgang, s);
    Recalculate(Doc);
    chain(t);
    EXPECT_EQ(VorgangOf(Doc, t).Link, 0);
    EXPECT_NE(VorgangOf(Doc, p).Link, 0);
    chain(x);
    EXPECT_NE(VorgangOf(Doc, x).Link, 0) << "x, right after q, follows it from outside";

    // A linked leaf moved into q: its link goes as it moves.
    chain(u);
    ASSERT_NE(VorgangOf(Doc, u).Link, 0);
    q->addChild(Vorgangs.takeTopLevelItem(Vorgangs.indexOfTopLevelItem(u)));
    Recalculate(Doc);
    EXPECT_EQ(VorgangOf(Doc, u).Link, 0);
    EXPECT_NE(VorgangOf(Doc, p).Link, 0);
}

// Two cases the quick recalculation once got wrong, found by the random sequences
// above with more projects than they run here.
TEST_F(IncrementalRecalculation, LinksThroughDeletedTasksAndStaleLinksOfNewParents)
{
    auto id = [&](TOutlineNode* node) { return VorgangOf(Doc, node).Id; };
    // The first pass's walk for link cycles follows a deleted task's link: a -> x ->
    // d -> a loses d's link, though d is deleted, and then x's, which names it.
    TOutlineNode* a = VorgEinf(Doc, nullptr);
    TOutlineNode* x = VorgEinf(Doc, a);
    TOutlineNode* d = VorgEinf(Doc, x);
    VorgangOf(Doc, a).Link = id(x) + 1;
    VorgangOf(Doc, d).Link = id(a) + 1;
    Recalculate(Doc);
    TVorgangRec& deleted = VorgangOf(Doc, d);
    RemoveNode(Doc, TOutlineKind::Vorgang, d);
    Recalculate(Doc);
    ASSERT_NE(deleted.Link, 0);
    VorgangOf(Doc, x).Link = deleted.Id + 1;
    Recalculate(Doc);
    EXPECT_EQ(deleted.Link, 0);
    EXPECT_EQ(VorgangOf(Doc, x).Link, 0);

    // A leaf given a child loses its link; the undo gives it back, the redo takes it
    // again. Once the child is deleted, the leaf keeps the span it had.
    TOutlineNode* q = VorgEinf(Doc, nullptr);
    TOutlineNode* p = VorgEinf(Doc, q);
    VorgangOf(Doc, q).Beginn = 46000;
    VorgangOf(Doc, q).Ende = 46002;
    VorgangOf(Doc, p).Link = id(q) + 1;
    Recalculate(Doc);
    auto command = [&](TOutlineNode* selected, auto run) {
        TUndoRecording recording(Doc, QStringLiteral("Schritt"));
        Vorgangs.setCurrentItem(selected);
        run();
        Recalculate(Doc);
        recording.Commit();
    };
    command(p, [&] { InsertCommand(Doc, TOutlineKind::Vorgang, true); });
    TOutlineNode* child = p->child(0);
    ASSERT_TRUE(child);
    const TDateTime childEnd = VorgangOf(Doc, child).Ende;
    ASSERT_TRUE(UndoStep(Doc));
    PrepareRecalculation(Doc);
    ASSERT_EQ(VorgangOf(Doc, p).Link, id(q) + 1);
    ASSERT_TRUE(RedoStep(Doc));
    PrepareRecalculation(Doc);
    command(p->child(0), [&] { DeleteCommand(Doc, TOutlineKind::Vorgang); });
    EXPECT_EQ(VorgangOf(Doc, p).Link, 0);
    EXPECT_EQ(VorgangOf(Doc, p).Ende, childEnd);
}

// Commands tell what they write; past one entry per task the list is given up and
// every task compared, also when the commands recalculated nothing in between.
TEST_F(IncrementalRecalculation, WritesPastOneNotePerTaskAreAllTakenIn)
{
    TOutlineNode* first = VorgEinf(Doc, nullptr);
    TOutlineNode* second = VorgEinf(Doc, first);
    VorgangOf(Doc, second).Link = VorgangOf(Doc, first).Id + 1;
    {
        TUndoRecording recording(Doc, QStringLiteral("Anfang"));
        Recalculate(Doc);
    }
    for (int day = 1; day <= 3; ++day) {
        TUndoRecording edit(Doc, QStringLiteral("Bearbeiten"));
        NoteEditing(Doc, TOutlineKind::Vorgang, first, false);
        VorgangOf(Doc, first).Beginn = 46000 + day;
        VorgangOf(Doc, first).Ende = 46001 + day;
        edit.Commit();
    }
    TUndoRecording recording(Doc, QStringLiteral("Neu berechnen"));
    Recalculate(Doc);
    EXPECT_EQ(VorgangOf(Doc, second).Beginn, 46004);
}

} // namespace

// After a file is read, a check on a thread of its own finds whether the stored
// dates are those of a recalculation; after an undo, as a dry quick recalculation
// where it can. It must write nothing, and whether it finds them so or not, every
// recalculation after it gives the results of one from nothing.
TEST_F(IncrementalRecalculation, ACheckAfterReadingWritesNothingAndLeavesTheResultsAlone)
{
    for (int project = 0; project < 400; ++project) {
        DestroyModel(Doc);
        CreateModel(Doc, uint32_t(project));
        Doc.VorgangIdFloor = 0;
        for (int i = 2 + Pick(12); i > 0; --i) {
            SelectRandom();
            InsertCommand(Doc, TOutlineKind::Vorgang, Pick(2) == 0);
        }
        for (int i = Pick(6); i > 0; --i)
            EditRandomTask();
        Recalculate(Doc);
        // As a file holds it: mostly as saved after a recalculation, sometimes edited
        // after it, and nothing learnt about it.
        if (Pick(3) == 0)
            EditRandomTask();
        ForgetHistory(Doc);
        Doc.ScheduleScratch.reset();
        auto checkWritesNothing = [&] {
            const auto* block = static_cast<const char*>(Doc.VorgangStore->At(0));
            const std::vector<char> stored(block, block + Doc.VorgangStore->Count * sizeof(TVorgangRec));
            PrepareRecalculation(Doc);
            WaitForBackgroundWork(Doc);
            return std::equal(stored.begin(), stored.end(), block);
        };
        ASSERT_TRUE(checkWritesNothing()) << "project " << project;
        for (int step = 1; step <= 8; ++step) {
            // Undoing the first change puts back the dates as they were read.
            if (Pick(4) == 0) {
                if (UndoStep(Doc)) {
                    ASSERT_TRUE(checkWritesNothing()) << "project " << project << " step " << step;
                }
                continue;
            }
            TUndoRecording recording(Doc, QStringLiteral("Schritt"));
            if (!RunRandomCommand())
                continue;
            ASSERT_NO_FATAL_FAILURE(RecalculateAndCompare(project, step));
            recording.Commit();
        }
    }
}

// Trying a change and taking it back, as a user does: every insert after the undo of
// the one before takes the store index that one had, with an Id of its own, and is
// still taken in by the quick recalculation.
TEST_F(IncrementalRecalculation, AnInsertAfterTheUndoOfOneReachesOnlyItself)
{
    for (int i = 0; i < 2000; ++i)
        VorgEinf(Doc, nullptr);
    Recalculate(Doc);
    for (int round = 0; round < 3; ++round) {
        TUndoRecording recording(Doc, QStringLiteral("Vorgang einfügen"));
        VorgEinf(Doc, Vorgangs.topLevelItem(7));
        const TRecalcStats stats = Recalculate(Doc);
        recording.Commit();
        EXPECT_LE(stats.Steps, 16u) << "round " << round;
        ASSERT_TRUE(UndoStep(Doc));
        PrepareRecalculation(Doc);
        WaitForBackgroundWork(Doc);
    }
}

// Undoing the first command after the check puts back the dates as read, also where
// they were not those of a recalculation and the command's recalculation changed
// many.
TEST_F(IncrementalRecalculation, TheFirstCommandAfterTheCheckIsUndoneToTheDatesAsRead)
{
    for (int project = 0; project < 40; ++project) {
        DestroyModel(Doc);
        CreateModel(Doc, uint32_t(project));
        for (int i = 30 + Pick(30); i > 0; --i) {
            SelectRandom();
            InsertCommand(Doc, TOutlineKind::Vorgang, Pick(2) == 0);
        }
        for (int i = 20; i > 0; --i)
            EditRandomTask();
        Recalculate(Doc);
        if (project % 2 == 0)
            EditRandomTask();
        ForgetHistory(Doc);
        Doc.ScheduleScratch.reset();
        PrepareRecalculation(Doc);
        WaitForBackgroundWork(Doc);
        // Dates, links and summary marks; an undo may put texts back in new blocks.
        auto schedule = [&] {
            std::vector<TScheduleFields> fields;
            for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
                fields.push_back(ScheduleFieldsOf(Doc.VorgangAt(i)));
            return fields;
        };
        const std::vector<TScheduleFields> read = schedule();
        {
            TUndoRecording recording(Doc, QStringLiteral("Schritt"));
            EditRandomTask();
            Recalculate(Doc);
            recording.Commit();
        }
        ASSERT_TRUE(UndoStep(Doc));
        const std::vector<TScheduleFields> undone = schedule();
        EXPECT_TRUE(std::equal(read.begin(), read.end(), undone.begin(), undone.end(), SameSchedule))
            << "project " << project;
    }
}

// What the check is for: the first change after reading recalculates only what it
// reaches, unless the file's dates were not those of a recalculation.
TEST_F(IncrementalRecalculation, AfterTheCheckTheFirstChangeReachesOnlyItsDependents)
{
    for (int i = 0; i < 2000; ++i)
        VorgEinf(Doc, nullptr);
    TOutlineNode* last = Vorgangs.topLevelItem(1999);
    VorgangOf(Doc, last).Link = VorgangOf(Doc, Vorgangs.topLevelItem(1998)).Id + 1;
    TOutlineNode* follower = Vorgangs.topLevelItem(6);
    VorgangOf(Doc, follower).Link = VorgangOf(Doc, Vorgangs.topLevelItem(5)).Id + 1;
    Recalculate(Doc);
    auto firstChange = [&](bool settled) {
        if (!settled) // no longer beginning at its predecessor's end
            VorgangOf(Doc, follower).Beginn += 1;
        ForgetHistory(Doc);
        Doc.ScheduleScratch.reset();
        PrepareRecalculation(Doc);
        TUndoRecording recording(Doc, QStringLiteral("Bearbeiten"));
        TOutlineNode* edited = Vorgangs.topLevelItem(1998);
        NoteEditing(Doc, TOutlineKind::Vorgang, edited, false);
        VorgangOf(Doc, edited).Ende += 2;
        const TRecalcStats stats = Recalculate(Doc);
        recording.Commit();
        EXPECT_EQ(VorgangOf(Doc, last).Beginn, VorgangOf(Doc, edited).Ende);
        return stats.Steps;
    };
    EXPECT_LE(firstChange(true), 4u);
    EXPECT_GE(firstChange(false), 2000u) << "dates a recalculation would change";
}

// Recalculations outside any step report what they change for the next step, which
// takes it in: however many come, the reports stay within twice the tasks, and
// undoing that step puts back each task's fields from before the first of them.
TEST_F(IncrementalRecalculation, ReportsOutsideAnyStepStayBoundedAndKeepTheEarliestFields)
{
    constexpr int Tasks = 20;
    {
        TUndoRecording recording(Doc, QStringLiteral("Anfang"));
        for (int i = 0; i < Tasks; ++i) {
            InsertCommand(Doc, TOutlineKind::Vorgang, false);
            if (i > 0)
                VorgangOf(Doc, Vorgangs.topLevelItem(i)).Link =
                    VorgangOf(Doc, Vorgangs.topLevelItem(i - 1)).Id + 1;
        }
        Recalculate(Doc);
        recording.Commit();
    }
    std::vector<TScheduleFields> first;
    for (uint32_t i = 0; i < Doc.VorgangStore->Count; ++i)
        first.push_back(ScheduleFieldsOf(Doc.VorgangAt(i)));
    TVorgangRec& head = VorgangOf(Doc, Vorgangs.topLevelItem(0));
    for (int round = 0; round < 10 * Tasks; ++round) {
        head.Beginn += 1;
        head.Ende += 1;
        Recalculate(Doc);
        ASSERT_LE(Doc.Rescheduled.size(), std::size_t(2 * Tasks + 64)) << "round " << round;
    }
    {
        TUndoRecording recording(Doc, QStringLiteral("Vorgang einfügen"));
        InsertCommand(Doc, TOutlineKind::Vorgang, false);
        Recalculate(Doc);
        recording.Commit();
    }
    ASSERT_TRUE(UndoStep(Doc));
    for (uint32_t i = 1; i < uint32_t(Tasks); ++i)
        EXPECT_TRUE(SameSchedule(ScheduleFieldsOf(Doc.VorgangAt(i)), first[i])) << "task " << i;
}
