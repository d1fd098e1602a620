#include "OutlineView.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <random>

namespace {

using TPath = std::vector<int>;

template <typename TItem> TPath PathOf(TItem* item)
{
    TPath path;
    for (; item->parent(); item = item->parent())
        path.insert(path.begin(), item->parent()->indexOfChild(item));
    path.insert(path.begin(), item->treeWidget()->indexOfTopLevelItem(item));
    return path;
}

// The outline view's nodes are the program's own.
TOutlineNode* NodeCopy(const QTreeWidgetItem* item)
{
    auto* node = new TOutlineNode(item->text(0));
    for (int i = 0; i < item->childCount(); ++i)
        node->addChild(NodeCopy(item->child(i)));
    return node;
}

template <typename TTree> auto* ItemAt(TTree& tree, const TPath& path)
{
    auto* item = tree.invisibleRootItem();
    for (int row : path)
        item = item->child(row);
    return item;
}

void Settle()
{
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

// The same outline twice: in Qt's tree widget and in the outline view, set up as
// the main window sets up its outlines. Every step is done to both, by path.
class OutlineView : public testing::Test
{
protected:
    QWidget Window;
    QTreeWidget Reference{&Window};
    TOutlineView View{&Window};
    std::minstd_rand Random{7};
    int Named = 0;
    std::string What;

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }

    void SetUp() override
    {
        auto setUp = [](auto& tree) {
            tree.setHeaderLabels({QStringLiteral("Vorgang")});
            tree.setIndentation(19);
            tree.setUniformRowHeights(true);
            tree.setSelectionMode(QAbstractItemView::SingleSelection);
            tree.setEditTriggers(QAbstractItemView::NoEditTriggers);
            tree.resize(230, 260);
        };
        setUp(Reference);
        setUp(View);
        for (int i = 0; i < 40; ++i)
            Insert();
        Reference.move(0, 0);
        View.move(300, 0);
        Window.setFocusPolicy(Qt::StrongFocus);
        Window.resize(600, 300);
        Window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&Window));
        // The window gave its focus to the first tree, which made its first row
        // current; the second takes the same turn.
        View.setFocus();
        Window.setFocus();
        Settle();
    }

    std::vector<TPath> AllPaths()
    {
        std::vector<TPath> paths;
        for (QTreeWidgetItemIterator it(&Reference); *it; ++it)
            paths.push_back(PathOf(*it));
        return paths;
    }

    // A node with a subtree of one or two children, so that rows of several levels
    // come and go at once.
    QTreeWidgetItem* NewNode()
    {
        auto* node = new QTreeWidgetItem(QStringList{QStringLiteral("Vorgang %1").arg(++Named)});
        if (Pick(4) == 0)
            for (int i = Pick(2) + 1; i > 0; --i)
                node->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Teil %1").arg(++Named)}));
        return node;
    }

    template <typename TTree, typename TItem>
    void InsertAt(TTree& tree, const TPath& parent, int row, TItem* node)
    {
        if (parent.empty())
            tree.insertTopLevelItem(row, node);
        else
            ItemAt(tree, parent)->insertChild(row, node);
    }

    void Insert()
    {
        const std::vector<TPath> paths = AllPaths();
        TPath parent = paths.empty() || Pick(3) == 0 ? TPath{} : paths[std::size_t(Pick(int(paths.size())))];
        if (parent.size() > 4)
            parent.clear();
        const int count =
            parent.empty() ? Reference.topLevelItemCount() : ItemAt(Reference, parent)->childCount();
        const int row = Pick(count + 1);
        QTreeWidgetItem* node = NewNode();
        InsertAt(View, parent, row, NodeCopy(node));
        InsertAt(Reference, parent, row, node);
    }

    template <typename TTree> auto* Take(TTree& tree, const TPath& path)
    {
        auto* item = ItemAt(tree, path);
        return item->parent() ? item->parent()->takeChild(path.back()) : tree.takeTopLevelItem(path.back());
    }

    void Step(int step)
    {
        const std::vector<TPath> paths = AllPaths();
        const TPath path = paths.empty() ? TPath{} : paths[std::size_t(Pick(int(paths.size())))];
        const int height = View.viewport()->height();
        const int kind = paths.empty() ? 0 : Pick(10);
        What = "kind " + std::to_string(kind);
        switch (kind) {
        case 0:
            Insert();
            break;
        case 1:
            delete ItemAt(View, path);
            delete ItemAt(Reference, path);
            break;
        case 2: {
            // Moved subtrees keep their children but lose their expansion.
            TOutlineNode* view = Take(View, path);
            QTreeWidgetItem* reference = Take(Reference, path);
            const int row = Pick(Reference.topLevelItemCount() + 1);
            View.insertTopLevelItem(row, view);
            Reference.insertTopLevelItem(row, reference);
            break;
        }
        case 3: {
            const bool expand = !ItemAt(Reference, path)->isExpanded();
            // Expanding through the item itself takes Qt's own way.
            if (expand && Pick(2))
                ItemAt(View, path)->setExpanded(true);
            else
                SetExpanded(ItemAt(View, path), expand);
            ItemAt(Reference, path)->setExpanded(expand);
            break;
        }
        case 4: {
            const Qt::Key keys[] = {Qt::Key_Up,       Qt::Key_Down,  Qt::Key_Left,    Qt::Key_Right,
                                    Qt::Key_PageUp,   Qt::Key_Home,  Qt::Key_End,     Qt::Key_Plus,
                                    Qt::Key_PageDown, Qt::Key_Minus, Qt::Key_Asterisk};
            const Qt::Key key = keys[Pick(int(std::size(keys)))];
            QTest::keyClick(&View, key);
            QTest::keyClick(&Reference, key);
            break;
        }
        case 5:
        case 6: {
            // Anywhere on the rows, the expand arrows included, and below them.
            const QPoint at(Pick(120), Pick(height));
            if (step % 2) {
                QTest::mouseClick(View.viewport(), Qt::LeftButton, {}, at);
                QTest::mouseClick(Reference.viewport(), Qt::LeftButton, {}, at);
            } else {
                QTest::mouseDClick(View.viewport(), Qt::LeftButton, {}, at);
                QTest::mouseDClick(Reference.viewport(), Qt::LeftButton, {}, at);
            }
            break;
        }
        case 7: {
            const auto hint = QAbstractItemView::ScrollHint(Pick(4));
            View.setCurrentItem(ItemAt(View, path));
            Reference.setCurrentItem(ItemAt(Reference, path));
            View.scrollTo(View.indexFromItem(ItemAt(View, path)), hint);
            Reference.scrollTo(Reference.indexFromItem(ItemAt(Reference, path)), hint);
            break;
        }
        case 8: {
            const int value = Pick(Reference.verticalScrollBar()->maximum() + 1);
            View.verticalScrollBar()->setValue(value);
            Reference.verticalScrollBar()->setValue(value);
            break;
        }
        default:
            // Many changes without a repaint between them.
            for (const TPath& p : paths) {
                if (Pick(2)) {
                    const bool expand = Pick(3) > 0;
                    SetExpanded(ItemAt(View, p), expand);
                    ItemAt(Reference, p)->setExpanded(expand);
                }
            }
        }
        Settle();
    }

    void ExpectSame(const std::string& when)
    {
        ASSERT_EQ(View.topLevelItemCount(), Reference.topLevelItemCount()) << when;
        for (const TPath& path : AllPaths())
            ASSERT_EQ(IsExpanded(ItemAt(View, path)), ItemAt(Reference, path)->isExpanded()) << when;
        ASSERT_EQ(View.selectedItems().size(), Reference.selectedItems().size()) << when;
        if (!Reference.selectedItems().empty()) {
            ASSERT_EQ(PathOf(View.selectedItems()[0]), PathOf(Reference.selectedItems()[0])) << when;
        }
        ASSERT_EQ(View.currentItem() != nullptr, Reference.currentItem() != nullptr) << when;
        if (Reference.currentItem()) {
            ASSERT_EQ(PathOf(View.currentItem()), PathOf(Reference.currentItem())) << when;
        }
        const QScrollBar* viewBar = View.verticalScrollBar();
        const QScrollBar* referenceBar = Reference.verticalScrollBar();
        ASSERT_EQ(viewBar->maximum(), referenceBar->maximum()) << when;
        ASSERT_EQ(viewBar->value(), referenceBar->value()) << when;
        ASSERT_EQ(viewBar->pageStep(), referenceBar->pageStep()) << when;
        for (int y = 0; y < View.viewport()->height(); y += 7) {
            TOutlineNode* view = View.itemAt(40, y);
            QTreeWidgetItem* reference = Reference.itemAt(40, y);
            ASSERT_EQ(view != nullptr, reference != nullptr) << when << " at y " << y;
            if (reference) {
                ASSERT_EQ(PathOf(view), PathOf(reference)) << when << " at y " << y;
                ASSERT_EQ(View.visualItemRect(view), Reference.visualItemRect(reference)) << when;
            }
        }
        // Without and with the keyboard focus, which marks the current row.
        for (bool focused : {false, true}) {
            (focused ? static_cast<QWidget&>(View) : Window).setFocus();
            const QImage view = View.grab().toImage();
            (focused ? static_cast<QWidget&>(Reference) : Window).setFocus();
            const QImage reference = Reference.grab().toImage();
            if (view != reference) {
                view.save("/tmp/v.png");
                reference.save("/tmp/r.png");
            }
            ASSERT_EQ(view, reference) << when << (focused ? " with the focus" : "");
        }
    }
};

TEST_F(OutlineView, BehavesAndPaintsAsQtsTreeWidget)
{
    ExpectSame("at the start");
    for (int step = 0; step < 400; ++step) {
        Step(step);
        ExpectSame("after step " + std::to_string(step) + ", " + What);
    }
}

// The shown rows kept up to date piece by piece equal a walk of the whole outline.
TEST_F(OutlineView, KeptRowsEqualAFreshWalk)
{
    for (int step = 0; step < 300; ++step) {
        Step(step);
        std::vector<TOutlineNode*> walked;
        for (TOutlineIterator it(&View); *it; ++it) {
            bool shown = true;
            for (TOutlineNode* p = (*it)->parent(); p; p = p->parent())
                shown = shown && IsExpanded(p);
            if (shown)
                walked.push_back(*it);
        }
        ASSERT_EQ(View.ShownRows(), walked) << "after step " << step;
    }
}

} // namespace
