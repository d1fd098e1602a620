#include "OutlineCommands.h"

#include "DocumentFixture.h"
#include "OutlineTree.h"
#include "Printers.h"
#include "Texts.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

// Runs every structural case on both outlines: the commands are one implementation.
class OutlineCommands : public DocumentFixture, public testing::WithParamInterface<TOutlineKind>
{
protected:
    TOutlineKind Kind() const { return GetParam(); }
    TOutlineTree& Outline() { return *OutlineOf(Doc, Kind()); }

    char16_t* NameOf(TOutlineNode* node)
    {
        return Kind() == TOutlineKind::Vorgang ? VorgangOf(Doc, node).Name : ArbeiterOf(Doc, node).Name;
    }
    bool IsDeleted(uint32_t index)
    {
        return Kind() == TOutlineKind::Vorgang ? Doc.VorgangAt(index).Deleted : Doc.ArbeiterAt(index).Deleted;
    }

    TOutlineNode* Add(const char* caption, TOutlineNode* parent = nullptr)
    {
        TOutlineNode* node = parent ? InsertNode(Doc, Kind(), parent, true)
                                    : InsertNode(Doc, Kind(), Outline().topLevelItem(0), false);
        node->setText(0, QLatin1String(caption));
        RenameCommand(Doc, Kind(), node, node->text(0));
        return node;
    }

    void Select(TOutlineNode* node) { Outline().setCurrentItem(node); }

    // The outline as text: "A+[A1 A2] B", '+' marking an expanded node.
    QString Shape(TOutlineNode* node)
    {
        QString s = node->text(0);
        if (node->isExpanded())
            s += u'+';
        if (node->childCount() > 0) {
            QStringList children;
            for (int i = 0; i < node->childCount(); ++i)
                children << Shape(node->child(i));
            s += u'[' + children.join(u' ') + u']';
        }
        return s;
    }
    QString Shape()
    {
        QStringList top;
        for (int i = 0; i < Outline().topLevelItemCount(); ++i)
            top << Shape(Outline().topLevelItem(i));
        return top.join(u' ');
    }

    void ExpectBoundRecordsMatchCaptions()
    {
        for (TOutlineIterator it(&Outline()); *it; ++it)
            EXPECT_EQ(TextOf(NameOf(*it)), (*it)->text(0));
    }
};

TEST_P(OutlineCommands, InsertGoesToTheEndOfTheSelectionsLevel)
{
    EXPECT_TRUE(InsertCommand(Doc, Kind(), false));
    EXPECT_TRUE(InsertCommand(Doc, Kind(), false));
    EXPECT_EQ(Outline().topLevelItemCount(), 2) << "without a selection: new top-level nodes";

    TOutlineNode* p = Outline().topLevelItem(0);
    TOutlineNode* first = Add("A", p);
    Add("B", p);
    Add("C", p);
    Select(first);
    InsertCommand(Doc, Kind(), false);
    ASSERT_EQ(p->childCount(), 4);
    EXPECT_EQ(p->child(0), first);
    EXPECT_EQ(p->child(2)->text(0), QStringLiteral("C"));
    EXPECT_FALSE(p->child(3)->isSelected());
    EXPECT_EQ(Outline().currentItem(), first);
}

TEST_P(OutlineCommands, ChildOfACollapsedLeafIsAddedHidden)
{
    TOutlineNode* leaf = Add("L");
    Select(leaf);
    InsertCommand(Doc, Kind(), true);
    ASSERT_EQ(leaf->childCount(), 1);
    EXPECT_FALSE(leaf->isExpanded());
    EXPECT_EQ(Outline().currentItem(), leaf);
}

TEST_P(OutlineCommands, IndentMakesTheFirstChildOfThePreviousSibling)
{
    TOutlineNode* a = Add("A");
    Add("A1", a);
    Add("A2", a);
    TOutlineNode* b = Add("B");
    Add("B1", b);
    b->setExpanded(true);
    Add("C");
    Select(b);

    EXPECT_TRUE(IndentCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("A+[B[B1] A1 A2] C"));
    EXPECT_TRUE(b->isSelected());
    EXPECT_EQ(Outline().currentItem(), b);
    ExpectBoundRecordsMatchCaptions();
}

TEST_P(OutlineCommands, OutdentPutsTheNodeRightAfterItsFormerParent)
{
    TOutlineNode* g = Add("G");
    TOutlineNode* p = Add("P", g);
    Add("A", p);
    TOutlineNode* b = Add("B", p);
    Add("B1", b);
    Add("C", p);
    Add("Q", g);
    g->setExpanded(true);
    p->setExpanded(true);
    b->setExpanded(true);
    Select(b);

    EXPECT_TRUE(OutdentCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("G+[P[A C] B[B1] Q]"));
    EXPECT_EQ(Outline().currentItem(), b);
    ExpectBoundRecordsMatchCaptions();
}

TEST_P(OutlineCommands, AParentThatLosesItsLastChildShowsAsALeaf)
{
    TOutlineNode* p = Add("P");
    TOutlineNode* a = Add("A", p);
    p->setExpanded(true);
    Select(a);
    OutdentCommand(Doc, Kind());
    EXPECT_EQ(Shape(), QStringLiteral("P A"));
    EXPECT_FALSE(p->isExpanded());
}

TEST_P(OutlineCommands, MoveUpAndDown)
{
    Add("A");
    TOutlineNode* b = Add("B");
    TOutlineNode* c = Add("C");
    Add("C1", c);
    c->setExpanded(true);
    Select(c);
    EXPECT_TRUE(MoveUpCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("A C[C1] B")) << "the moved subtree comes out collapsed";

    Add("B1", b);
    b->setExpanded(true);
    c->setExpanded(true);
    EXPECT_TRUE(MoveDownCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("A B[B1] C+[C1]"))
        << "the neighbour moves up, the selection keeps its state";
    EXPECT_EQ(Outline().currentItem(), c);
}

TEST_P(OutlineCommands, ImpossibleMovesChangeNothingButStillCount)
{
    TOutlineNode* a = Add("A");
    TOutlineNode* a1 = Add("A1", a);
    TOutlineNode* b = Add("B");
    a->setExpanded(true);
    const QString before = Shape();

    Select(a);
    EXPECT_TRUE(OutdentCommand(Doc, Kind()));
    EXPECT_TRUE(MoveUpCommand(Doc, Kind()));
    EXPECT_TRUE(IndentCommand(Doc, Kind()));
    Select(a1);
    EXPECT_TRUE(IndentCommand(Doc, Kind()));
    Select(b);
    EXPECT_TRUE(MoveDownCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), before);
}

TEST_P(OutlineCommands, WithoutSelectionMovesDoNothingAndDeleteStillCounts)
{
    Add("A");
    Add("B");
    Outline().clearSelection();
    Outline().setCurrentItem(nullptr);
    EXPECT_FALSE(IndentCommand(Doc, Kind()));
    EXPECT_FALSE(OutdentCommand(Doc, Kind()));
    EXPECT_FALSE(MoveUpCommand(Doc, Kind()));
    EXPECT_FALSE(MoveDownCommand(Doc, Kind()));
    EXPECT_TRUE(DeleteCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("A B"));
}

TEST_P(OutlineCommands, DeleteRemovesTheSubtreeAndReleasesItsRecords)
{
    Add("A");
    TOutlineNode* b = Add("B");
    TOutlineNode* b1 = Add("B1", b);
    Add("B11", b1);
    Add("B12", b1);
    Add("B2", b);
    Add("C");
    Select(b);
    EXPECT_TRUE(DeleteCommand(Doc, Kind()));
    EXPECT_EQ(Shape(), QStringLiteral("A C"));
    const std::vector<bool> deleted = {false, true, true, true, true, true, false};
    for (uint32_t i = 0; i < deleted.size(); ++i)
        EXPECT_EQ(IsDeleted(i), deleted[i]) << i;
    ExpectBoundRecordsMatchCaptions();
}

TEST_P(OutlineCommands, MovesReportNoSelectionChangeAndDeleteNothing)
{
    TOutlineNode* a = Add("A");
    TOutlineNode* b = Add("B");
    Add("B1", b);
    Select(b);
    QSignalSpy currentChanges(&Outline(), &TOutlineTree::currentItemChanged);
    QSignalSpy selectionChanges(&Outline(), &TOutlineTree::itemSelectionChanged);
    MoveUpCommand(Doc, Kind());
    IndentCommand(Doc, Kind());
    Select(b);
    currentChanges.clear();
    selectionChanges.clear();
    OutdentCommand(Doc, Kind());
    EXPECT_EQ(currentChanges.count(), 0);
    EXPECT_EQ(selectionChanges.count(), 0);
    EXPECT_TRUE(b->isSelected());
    EXPECT_EQ(a->parent(), nullptr);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_FALSE(IsDeleted(i)) << i;
}

TEST_P(OutlineCommands, RenameStoresTheTextIncludingEmpty)
{
    TOutlineNode* a = Add("A");
    EXPECT_TRUE(RenameCommand(Doc, Kind(), a, QStringLiteral("Fundament gießen ✓")));
    EXPECT_EQ(TextOf(NameOf(a)), QStringLiteral("Fundament gießen ✓"));
    EXPECT_TRUE(RenameCommand(Doc, Kind(), a, QString()));
    ASSERT_NE(NameOf(a), nullptr);
    EXPECT_TRUE(TextOf(NameOf(a)).isEmpty());
    EXPECT_FALSE(RenameCommand(Doc, Kind(), nullptr, QStringLiteral("x")));
}

INSTANTIATE_TEST_SUITE_P(BothOutlines, OutlineCommands,
                         testing::Values(TOutlineKind::Vorgang, TOutlineKind::Arbeiter),
                         [](const testing::TestParamInfo<TOutlineKind>& param) {
                             return param.param == TOutlineKind::Vorgang ? "Vorgangs" : "Arbeiter";
                         });

} // namespace
