#include "OutlineTree.h"

#include <QAbstractItemModelTester>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>
#include <random>

namespace {

using TPath = std::vector<int>;

QString PathText(const QModelIndex& index)
{
    QStringList rows;
    for (QModelIndex at = index; at.isValid(); at = at.parent())
        rows.prepend(QString::number(at.row()));
    return rows.join(u'.');
}

// The same outline in Qt's tree widget and in the outline's own tree, changed alike
// by path. Both models must tell the same, and the outline's model must hold up
// under Qt's own model checks.
class OutlineTreeAsQt : public testing::Test
{
protected:
    QTreeWidget Reference;
    TOutlineTree Tree;
    std::vector<QString> ReferenceTold;
    std::vector<QString> TreeTold;
    std::minstd_rand Random{11};
    int Named = 0;

    void SetUp() override
    {
        Tree.setHeaderLabels({QStringLiteral("Vorgang")});
        Reference.setHeaderLabels({QStringLiteral("Vorgang")});
        for (auto [model, told] :
             {std::pair{Reference.model(), &ReferenceTold}, std::pair{Tree.model(), &TreeTold}}) {
            auto record = [told](const char* what) {
                return [told, what](const QModelIndex& parent, int first, int last) {
                    told->push_back(QStringLiteral("%1 %2 %3-%4")
                                        .arg(QLatin1String(what), PathText(parent))
                                        .arg(first)
                                        .arg(last));
                };
            };
            QObject::connect(model, &QAbstractItemModel::rowsAboutToBeInserted, &Tree, record("insert"));
            QObject::connect(model, &QAbstractItemModel::rowsInserted, &Tree, record("inserted"));
            QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, &Tree, record("remove"));
            QObject::connect(model, &QAbstractItemModel::rowsRemoved, &Tree, record("removed"));
            QObject::connect(model, &QAbstractItemModel::dataChanged, &Tree,
                             [told](const QModelIndex& from, const QModelIndex& to) {
                                 told->push_back(
                                     QStringLiteral("changed %1 to %2").arg(PathText(from), PathText(to)));
                             });
            QObject::connect(model, &QAbstractItemModel::modelAboutToBeReset, &Tree,
                             [told] { told->push_back(QStringLiteral("reset")); });
        }
    }

    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(Random); }

    template <typename TTree> static auto* At(TTree& tree, const TPath& path)
    {
        auto* node = tree.invisibleRootItem();
        for (int row : path)
            node = node->child(row);
        return node;
    }

    std::vector<TPath> Paths()
    {
        std::vector<TPath> paths;
        for (QTreeWidgetItemIterator it(&Reference); *it; ++it) {
            TPath path;
            for (QTreeWidgetItem* at = *it; at; at = at->parent())
                path.insert(path.begin(), at->parent() ? at->parent()->indexOfChild(at)
                                                       : Reference.indexOfTopLevelItem(at));
            paths.push_back(path);
        }
        return paths;
    }

    // A node with up to two children of its own, for both trees.
    std::pair<QTreeWidgetItem*, TOutlineNode*> NewNodes()
    {
        const QString caption = QStringLiteral("Vorgang %1").arg(++Named);
        auto* reference = new QTreeWidgetItem(QStringList{caption});
        auto* node = new TOutlineNode(caption);
        for (int i = Pick(3); i > 0; --i) {
            const QString part = QStringLiteral("Teil %1").arg(++Named);
            reference->addChild(new QTreeWidgetItem(QStringList{part}));
            node->addChild(new TOutlineNode(part));
        }
        return {reference, node};
    }

    void Step(const std::vector<TPath>& paths)
    {
        const TPath path = paths.empty() ? TPath{} : paths[std::size_t(Pick(int(paths.size())))];
        switch (paths.empty() ? 0 : Pick(6)) {
        case 0: {
            const TPath parent = path.size() > 5 || Pick(3) == 0 ? TPath{} : path;
            const int row = Pick(At(Reference, parent)->childCount() + 1);
            auto [reference, node] = NewNodes();
            At(Reference, parent)->insertChild(row, reference);
            At(Tree, parent)->insertChild(row, node);
            break;
        }
        case 1:
            delete At(Reference, path);
            delete At(Tree, path);
            break;
        case 2: {
            QTreeWidgetItem* reference = At(Reference, path);
            TOutlineNode* node = At(Tree, path);
            QTreeWidgetItem* above =
                reference->parent() ? reference->parent() : Reference.invisibleRootItem();
            TOutlineNode* nodeAbove = node->parent() ? node->parent() : Tree.invisibleRootItem();
            above->takeChild(path.back());
            nodeAbove->takeChild(path.back());
            const int row = Pick(Reference.topLevelItemCount() + 1);
            Reference.insertTopLevelItem(row, reference);
            Tree.insertTopLevelItem(row, node);
            break;
        }
        case 3: {
            const QString caption =
                Pick(4) == 0 ? At(Reference, path)->text(0) : QStringLiteral("Neu %1").arg(++Named);
            At(Reference, path)->setText(0, caption);
            At(Tree, path)->setText(0, caption);
            break;
        }
        case 4: {
            auto [first, firstNode] = NewNodes();
            auto [second, secondNode] = NewNodes();
            Reference.addTopLevelItems({first, second});
            Tree.addTopLevelItems({firstNode, secondNode});
            break;
        }
        default:
            if (Pick(8) == 0) {
                Reference.clear();
                Tree.clear();
            }
        }
    }

    void ExpectSameRows(const QModelIndex& reference, const QModelIndex& tree)
    {
        const QAbstractItemModel* r = Reference.model();
        const QAbstractItemModel* t = Tree.model();
        ASSERT_EQ(t->rowCount(tree), r->rowCount(reference)) << PathText(reference).toStdString();
        ASSERT_EQ(t->hasChildren(tree), r->hasChildren(reference));
        for (int row = 0; row < r->rowCount(reference); ++row) {
            const QModelIndex childOfTree = t->index(row, 0, tree);
            ASSERT_EQ(t->parent(childOfTree), tree);
            ASSERT_EQ(t->data(childOfTree), r->data(r->index(row, 0, reference)));
            ASSERT_EQ(t->flags(childOfTree) & Qt::ItemIsSelectable, Qt::ItemIsSelectable);
            ExpectSameRows(r->index(row, 0, reference), childOfTree);
        }
    }
};

TEST_F(OutlineTreeAsQt, TellsItsModelAsQtsTreeWidgetTellsItsOwn)
{
    QAbstractItemModelTester checks(Tree.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    static int warnings = 0;
    const QtMessageHandler before =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
            if (type != QtDebugMsg) {
                ++warnings;
                ADD_FAILURE() << text.toStdString();
            }
        });
    for (int step = 0; step < 1500; ++step) {
        Step(Paths());
        ASSERT_EQ(TreeTold, ReferenceTold) << "after step " << step;
        ExpectSameRows({}, {});
        if (HasFatalFailure())
            break;
    }
    qInstallMessageHandler(before);
    EXPECT_EQ(warnings, 0);
    EXPECT_GT(ReferenceTold.size(), 2000u) << "the steps changed the outlines";
    EXPECT_EQ(Tree.model()->headerData(0, Qt::Horizontal), Reference.model()->headerData(0, Qt::Horizontal));
}

// Deep outlines are legal: joining, walking, leaving and deleting a chain far deeper
// than a call stack takes none of its depth in recursion.
TEST(OutlineTree, AChainDeeperThanAnyStackJoinsWalksLeavesAndIsDeleted)
{
    constexpr int Depth = 300000;
    auto chain = [] {
        auto* top = new TOutlineNode(QStringLiteral("0"));
        TOutlineNode* at = top;
        for (int depth = 1; depth < Depth; ++depth) {
            auto* below = new TOutlineNode;
            at->addChild(below);
            at = below;
        }
        return top;
    };
    TOutlineTree tree;
    TOutlineNode* top = chain();
    tree.addTopLevelItem(top);
    TOutlineNode* bottom = top;
    while (bottom->childCount() > 0)
        bottom = bottom->child(0);
    EXPECT_EQ(bottom->treeWidget(), &tree);
    int walked = 0;
    for (TOutlineIterator it(&tree); *it; ++it)
        ++walked;
    EXPECT_EQ(walked, Depth);
    EXPECT_EQ(tree.takeTopLevelItem(0), top);
    EXPECT_EQ(bottom->treeWidget(), nullptr);
    delete top;
    tree.addTopLevelItem(chain());
    tree.clear();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
}

} // namespace
