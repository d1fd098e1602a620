#include "Outline.h"

#include "Clock.h"
#include "DocumentFixture.h"
#include "DynaArray.h"
#include "Printers.h"
#include "Texts.h"

#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace {

class OutlineRecords : public DocumentFixture
{
protected:
    void TearDown() override
    {
        DocumentFixture::TearDown();
        SetClockForTesting(nullptr);
    }

    std::vector<TOutlineNode*> AllNodes(TOutlineTree& outline)
    {
        std::vector<TOutlineNode*> nodes;
        for (TOutlineIterator it(&outline); *it; ++it)
            nodes.push_back(*it);
        return nodes;
    }
};

TEST(Clock, NowIsTheLocalDateAndTimeAsQtSeesIt)
{
    const double before = ToDayNumber(QDateTime::currentDateTime());
    const double now = Now();
    const double after = ToDayNumber(QDateTime::currentDateTime());
    constexpr double millisecond = 1.0 / 86400000.0;
    EXPECT_GE(now, before - millisecond);
    EXPECT_LE(now, after + millisecond);
}

// The walk keeps its place by child positions alone: it must come back up a deep
// chain to the right level, go on after a wide level, and stop at the end of the
// subtree it was given, not walk on into the nodes after it.
TEST(OutlineWalk, PreOrderVisitsTheSubtreeAsTheNodesNest)
{
    TOutlineTree outline;
    auto below = [](TOutlineNode* parent) {
        auto* node = new TOutlineNode;
        parent->addChild(node);
        return node;
    };
    TOutlineNode* first = below(outline.invisibleRootItem());
    TOutlineNode* chain = first;
    std::vector<TOutlineNode*> levels{first};
    for (int depth = 1; depth < 2000; ++depth)
        levels.push_back(chain = below(chain));
    for (int depth : {1999, 1500, 3, 1, 0})
        below(levels[std::size_t(depth)]);
    TOutlineNode* wide = below(first);
    for (int i = 0; i < 300; ++i)
        below(below(wide));
    below(outline.invisibleRootItem());

    auto expected = [](TOutlineNode* root) {
        std::vector<TOutlineNode*> order;
        std::function<void(TOutlineNode*)> visit = [&](TOutlineNode* node) {
            order.push_back(node);
            for (int i = 0; i < node->childCount(); ++i)
                visit(node->child(i));
        };
        visit(root);
        return order;
    };
    for (TOutlineNode* root :
         {first, levels[3], levels[1999], wide, wide->child(299), outline.topLevelItem(1)}) {
        std::vector<TOutlineNode*> walked;
        PreOrder(root, [&](TOutlineNode* node) { walked.push_back(node); });
        EXPECT_EQ(walked, expected(root));
    }
    EXPECT_EQ(expected(first).size(), 2000u + 5 + 1 + 600);
}

TEST_F(OutlineRecords, FirstTaskInAnEmptyOutline)
{
    SetClockForTesting([] { return QDateTime(QDate(2026, 3, 29), QTime(14, 30)); });
    TOutlineNode* node = VorgEinf(Doc, nullptr);

    ASSERT_EQ(Vorgangs.topLevelItemCount(), 1);
    EXPECT_EQ(Vorgangs.topLevelItem(0), node);
    EXPECT_EQ(node->text(0), QStringLiteral("Neuer Vorgang"));
    const TVorgangRec& rec = VorgangOf(Doc, node);
    EXPECT_EQ(rec.Id, 0);
    EXPECT_EQ(rec.Deleted, 0);
    EXPECT_EQ(TextOf(rec.Name), QStringLiteral("Neuer Vorgang"));
    EXPECT_DOUBLE_EQ(rec.Beginn, 46110.0 + 14.5 / 24);
    EXPECT_EQ(rec.Beginn, rec.Ende);
    ASSERT_NE(rec.Resources, nullptr);
    EXPECT_EQ(rec.Resources->Count, 0u);
    EXPECT_EQ(rec.Link, 0);
    EXPECT_EQ(rec.Notes, nullptr);
    EXPECT_EQ(rec.Text1, nullptr);
    EXPECT_EQ(rec.IsSummary, 0);
    EXPECT_EQ(Doc.CurVorgang.Get(), &rec) << "the cursor is left on the new record";
}

// A node keeps its caption itself; the outline must hear of a change as it would
// from any item, and of nothing when the caption stays.
TEST_F(OutlineRecords, ANodesCaptionIsShownEditedAndToldOfOnce)
{
    TOutlineNode* node = VorgEinf(Doc, nullptr);
    int told = 0;
    const auto connection =
        QObject::connect(&Vorgangs, &TOutlineTree::itemChanged, [&](TOutlineNode* item, int column) {
            EXPECT_EQ(item, node);
            EXPECT_EQ(column, 0);
            ++told;
        });
    node->setText(0, QStringLiteral("Rohbau"));
    node->setData(0, Qt::EditRole, QStringLiteral("Rohbau"));
    EXPECT_EQ(told, 1);
    Vorgangs.model()->setData(Vorgangs.model()->index(0, 0), QStringLiteral("Dach"));
    EXPECT_EQ(told, 2);
    EXPECT_EQ(node->text(0), QStringLiteral("Dach"));
    EXPECT_EQ(Vorgangs.model()->data(Vorgangs.model()->index(0, 0), Qt::EditRole), QStringLiteral("Dach"));
    QObject::disconnect(connection);
}

// Captions are kept a byte a character where they can be, in the node itself while
// short: every kind and every change between kinds must read back as it was set.
TEST_F(OutlineRecords, CaptionsOfEveryKindAndLengthReadBackAsSet)
{
    TOutlineNode* node = VorgEinf(Doc, nullptr);
    const QString latin1 = QStringLiteral("Straße über Äcker ÿ\u0080");
    const QList<QString> captions = {
        QString(),
        QStringLiteral("x"),
        QString(23, QChar(u'ÿ')),
        QString(24, QChar(u'é')),
        latin1.repeated(5),
        QStringLiteral("Łódź"),
        QStringLiteral("Kran \U0001F3D7 \u0100"),
        QString(22, QChar(u'a')) + QChar(0x0100),
        QString(100, QChar(u'\u0101')),
        latin1,
        QStringLiteral("Neuer Vorgang"),
    };
    int told = 0;
    const auto connection = QObject::connect(&Vorgangs, &TOutlineTree::itemChanged, [&] { ++told; });
    for (const QString& first : captions)
        for (const QString& second : captions) {
            node->setText(0, first);
            node->setText(0, second);
            ASSERT_EQ(node->text(0), second) << first.toStdString() << " then " << second.toStdString();
            ASSERT_EQ(Vorgangs.model()->data(Vorgangs.model()->index(0, 0), Qt::EditRole).toString(), second);
        }
    // Once for every change, twice for each pair of different captions; a caption
    // equal to the one kept tells nothing.
    const int n = int(captions.size());
    EXPECT_EQ(told, 2 * n * (n - 1));
    QObject::disconnect(connection);
}

TEST_F(OutlineRecords, InsertAddsAtTheEndOfTheLevelOrAsLastChild)
{
    TOutlineNode* p = VorgEinf(Doc, nullptr);
    TOutlineNode* a = VorgEinfChild(Doc, p);
    VorgEinfChild(Doc, p);
    VorgEinfChild(Doc, p);
    TOutlineNode* added = VorgEinf(Doc, a);
    EXPECT_EQ(p->childCount(), 4);
    EXPECT_EQ(p->child(3), added) << "a sibling goes to the end of the level, not after the selection";
    TOutlineNode* topLevel = VorgEinf(Doc, p);
    EXPECT_EQ(topLevel, Vorgangs.topLevelItem(1));
    EXPECT_FALSE(p->isExpanded()) << "the parent is not expanded";
    EXPECT_FALSE(added->isSelected());
    EXPECT_EQ(Vorgangs.currentItem(), nullptr);
}

TEST_F(OutlineRecords, ChildOfACollapsedLeafStaysHidden)
{
    TOutlineNode* leaf = VorgEinf(Doc, nullptr);
    TOutlineNode* child = VorgEinfChild(Doc, leaf);
    EXPECT_EQ(child->parent(), leaf);
    EXPECT_FALSE(leaf->isExpanded());
    Vorgangs.show();
    EXPECT_FALSE(Vorgangs.visualItemRect(child).isValid());
}

TEST_F(OutlineRecords, IdsStayUniqueAfterDeletion)
{
    VorgEinf(Doc, nullptr);
    TOutlineNode* second = VorgEinf(Doc, nullptr);
    VorgEinf(Doc, nullptr);
    RemoveNode(Doc, TOutlineKind::Vorgang, second);
    TOutlineNode* fourth = VorgEinf(Doc, nullptr);

    EXPECT_EQ(Doc.VorgangStore->Count, 4u);
    for (uint32_t i = 0; i < 4; ++i)
        EXPECT_EQ(Doc.VorgangAt(i).Id, int32_t(i));
    EXPECT_EQ(Doc.VorgangAt(1).Deleted, 1);
    EXPECT_EQ(Doc.VorgangAt(1).Name, nullptr);
    EXPECT_EQ(Vorgangs.topLevelItemCount(), 3);
    EXPECT_EQ(VorgangOf(Doc, fourth).Id, 3);
}

TEST_F(OutlineRecords, RemovingASubtreeReleasesEveryRecordInIt)
{
    TOutlineNode* keep = VorgEinf(Doc, nullptr);
    TOutlineNode* root = VorgEinf(Doc, nullptr);
    TOutlineNode* child = VorgEinfChild(Doc, root);
    VorgEinfChild(Doc, child);
    VorgEinfChild(Doc, child);
    VorgEinfChild(Doc, root);
    VorgangOf(Doc, child).Resources->Append();
    WideCopy(VorgangOf(Doc, child).Notes, QStringLiteral("Notiz"));

    RemoveNode(Doc, TOutlineKind::Vorgang, root);
    ASSERT_EQ(Vorgangs.topLevelItemCount(), 1);
    EXPECT_EQ(Vorgangs.topLevelItem(0), keep);
    for (uint32_t i = 1; i < Doc.VorgangStore->Count; ++i) {
        EXPECT_EQ(Doc.VorgangAt(i).Deleted, 1) << i;
        EXPECT_EQ(Doc.VorgangAt(i).Resources, nullptr) << i;
        EXPECT_EQ(Doc.VorgangAt(i).Notes, nullptr) << i;
    }
    EXPECT_EQ(Doc.VorgangAt(0).Deleted, 0);
    EXPECT_EQ(TextOf(VorgangOf(Doc, keep).Name), QStringLiteral("Neuer Vorgang"));
}

TEST_F(OutlineRecords, ResourceSubtreeRemovalAndClear)
{
    TOutlineNode* root = ArbEinf(Doc, nullptr);
    ArbEinfChild(Doc, ArbEinfChild(Doc, root));
    ArbEinf(Doc, nullptr);
    WideCopy(ArbeiterOf(Doc, root).EMail, QStringLiteral("chef@example.org"));
    RemoveNode(Doc, TOutlineKind::Arbeiter, root);
    EXPECT_EQ(Arbeiter.topLevelItemCount(), 1);
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_EQ(Doc.ArbeiterAt(i).Deleted, 1) << i;

    ClearOutline(Doc, TOutlineKind::Arbeiter);
    EXPECT_EQ(Arbeiter.topLevelItemCount(), 0);
    EXPECT_EQ(Doc.ArbeiterAt(3).Deleted, 1);
    EXPECT_EQ(Doc.ArbeiterAt(3).Name, nullptr);
}

// The store's block moves at 101 and 201 records; nodes must still find theirs.
TEST_F(OutlineRecords, BindingSurvivesTheStoreGrowing)
{
    TOutlineNode* parent = nullptr;
    for (int i = 0; i < 250; ++i) {
        TOutlineNode* node = (i % 7 == 0) ? VorgEinf(Doc, parent) : VorgEinfChild(Doc, parent);
        node->setText(0, QStringLiteral("Vorgang %1").arg(i));
        FreeText(VorgangOf(Doc, node).Name);
        WideCopy(VorgangOf(Doc, node).Name, node->text(0));
        VorgangOf(Doc, node).Zahl1 = i;
        if (i % 3 == 0)
            parent = node;
    }
    EXPECT_EQ(Doc.VorgangStore->AllocatedBytes, 300 * sizeof(TVorgangRec));
    const auto nodes = AllNodes(Vorgangs);
    ASSERT_EQ(nodes.size(), 250u);
    for (TOutlineNode* node : nodes) {
        const TVorgangRec& rec = VorgangOf(Doc, node);
        ASSERT_EQ(TextOf(rec.Name), node->text(0));
        ASSERT_EQ(QStringLiteral("Vorgang %1").arg(rec.Id), node->text(0));
        ASSERT_EQ(rec.Zahl1, rec.Id);
    }
}

TEST_F(OutlineRecords, NewResourceCaptionsEndInARandomLetter)
{
    const QRegularExpression pattern(QStringLiteral("^Neuer Arbeiter[a-z]$"));
    std::set<QChar> letters;
    for (int i = 0; i < 400; ++i) {
        TOutlineNode* node = ArbEinf(Doc, nullptr);
        const QString caption = node->text(0);
        ASSERT_EQ(caption.size(), 15);
        ASSERT_TRUE(pattern.match(caption).hasMatch()) << caption.toStdString();
        ASSERT_EQ(TextOf(ArbeiterOf(Doc, node).Name), caption);
        ASSERT_EQ(ArbeiterOf(Doc, node).Id, i);
        letters.insert(caption.back());
    }
    EXPECT_EQ(letters.size(), 26u) << "every letter is possible";
}

TEST_F(OutlineRecords, SameSeedGivesTheSameLetters)
{
    TOutlineTree otherTasks;
    TOutlineTree otherResources;
    TDocument other;
    other.Vorgangs = &otherTasks;
    other.Arbeiter = &otherResources;
    CreateModel(other, 1234);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(ArbEinf(Doc, nullptr)->text(0), ArbEinf(other, nullptr)->text(0));
    DestroyModel(other);
}

void* NoMemory(std::size_t)
{
    return nullptr;
}

void* NoGrowth(void*, std::size_t, std::size_t)
{
    return nullptr;
}

void Unreported(const std::string&) {}

// When the store cannot make room for the record, no node is added: every node
// stays bound to a record that exists.
TEST_F(OutlineRecords, NoNodeWithoutItsRecordWhenTheStoreCannotGrow)
{
    const auto alloc = TStoreMemory::Alloc;
    const auto resize = TStoreMemory::Resize;
    const auto report = TStoreMemory::Report;
    TStoreMemory::Report = Unreported;
    TStoreMemory::Alloc = NoMemory;
    EXPECT_THROW(VorgEinf(Doc, nullptr), EAbort);
    EXPECT_THROW(ArbEinf(Doc, nullptr), EAbort);
    EXPECT_EQ(Vorgangs.topLevelItemCount(), 0);
    EXPECT_EQ(Arbeiter.topLevelItemCount(), 0);
    TStoreMemory::Alloc = alloc;
    TOutlineNode* summary = VorgEinf(Doc, nullptr);
    for (int i = 1; i < 100; ++i)
        VorgEinfChild(Doc, summary);
    TStoreMemory::Resize = NoGrowth;
    EXPECT_THROW(VorgEinfChild(Doc, summary), EAbort);
    TStoreMemory::Resize = resize;
    TStoreMemory::Report = report;
    EXPECT_EQ(summary->childCount(), 99);
    EXPECT_EQ(Doc.VorgangStore->Count, 100u);
    EXPECT_EQ(RecordIndex(summary->child(98)), 99u);
    VorgEinfChild(Doc, summary);
    EXPECT_EQ(RecordIndex(summary->child(99)), 100u);
}

} // namespace
