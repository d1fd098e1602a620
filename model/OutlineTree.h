#pragma once

#include <QAbstractItemModel>
#include <QStringList>
#include <QTreeView>
#include <cstddef>
#include <cstdint>
#include <vector>

class TOutlineTree;

// A node's caption. A QString of its own costs a block of two bytes a character
// besides the node, about 64 bytes for the usual caption: at a million nodes, 70 MB
// and a million allocations of opening. Captions of Latin-1 alone ("Neuer Vorgang",
// most names) are kept a byte a character instead, up to 23 of them in the 24 bytes
// the QString took; others in a block of their own, UTF-16 only where needed.
class TNodeCaption
{
public:
    TNodeCaption() = default;
    explicit TNodeCaption(QStringView text) { Assign(text); }
    ~TNodeCaption() { Release(); }
    TNodeCaption(const TNodeCaption&) = delete;
    TNodeCaption& operator=(const TNodeCaption&) = delete;

    QString Text() const;
    bool Equals(QStringView text) const;
    void Assign(QStringView text);

private:
    static constexpr uint8_t ShortMax = 23; // the last byte tells the kind
    static constexpr uint8_t LongLatin1 = 0xFE;
    static constexpr uint8_t LongWide = 0xFF;

    uint8_t Kind() const { return uint8_t(Bytes[ShortMax]); }
    // The block and its length in characters, for the long kinds.
    void* Block() const;
    qsizetype Length() const;
    void Release();

    // Short: the characters and, in the last byte, their count. Long: the block's
    // address, then its length, and the kind in the last byte.
    alignas(8) char Bytes[ShortMax + 1] = {};
};

// A node of either outline. It is bound to its record by the record's store index,
// which survives the store's block moving when it grows, and is read without any
// lookup: the recalculation and the charts visit every node.
//
// Nodes are those of Qt's tree widget cut to what the outlines use: a caption, a
// parent, children. Qt's item with its private part took 176 bytes and two
// blocks a node; at a million tasks, a quarter of an open project's memory. The
// calls are named as the tree widget's, and mean the same: a top-level node has no
// parent(), a node outside any outline tells no one of its changes, and deleting a
// node takes it out of its outline first, with its whole subtree.
class TOutlineNode
{
public:
    explicit TOutlineNode(const QString& caption);
    // Without a caption yet, for the file reader.
    TOutlineNode();
    ~TOutlineNode();
    TOutlineNode(const TOutlineNode&) = delete;
    TOutlineNode& operator=(const TOutlineNode&) = delete;

    // Nodes come from slabs of their own (model/Slabs.h): 56 bytes each, where the
    // heap takes 64.
    static void* operator new(std::size_t bytes);
    static void operator delete(void* block, std::size_t bytes) noexcept;

    TOutlineNode* parent() const { return Above && !Above->IsRoot ? Above : nullptr; }
    int childCount() const { return Children ? int(CountOf(Children)) : 0; }
    TOutlineNode* child(int index) const
    {
        return index >= 0 && index < childCount() ? Children[index] : nullptr;
    }
    int indexOfChild(const TOutlineNode* node) const;
    // A node that already has a parent or an outline is left where it is.
    void insertChild(int index, TOutlineNode* node);
    void insertChildren(int index, const std::vector<TOutlineNode*>& nodes);
    void addChild(TOutlineNode* node) { insertChild(childCount(), node); }
    TOutlineNode* takeChild(int index);
    void removeChild(TOutlineNode* node) { takeChild(indexOfChild(node)); }
    TOutlineTree* treeWidget() const { return Tree; }

    QString text(int column) const;
    void setText(int column, const QString& text) { setData(column, Qt::DisplayRole, text); }
    // The caption is the only data: column 0 as shown and as edited.
    QVariant data(int column, int role) const;
    void setData(int column, int role, const QVariant& value);
    // As setText(0, caption), without making a QString of it: the file reader
    // gives every node its caption from the record's Name.
    void SetCaption(QStringView caption);
    // Every node can be selected and its caption edited in place.
    Qt::ItemFlags flags() const { return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable; }
    bool isSelected() const;
    void setSelected(bool selected);
    // Asked and set through the outline's tree view, as the tree widget's items do.
    bool isExpanded() const;
    void setExpanded(bool expanded);

    uint32_t StoreIndex = 0;
    // Whether the outline shows the node expanded. Asking the outline itself costs
    // three hash lookups per node, which dominated saving and counting rows of
    // large projects; SetExpanded and TrackExpansion keep this in step.
    bool Expanded : 1 = false;

private:
    friend class TOutlineTree;
    friend class TOutlineModel;
    friend class TOutlineIterator;

    // Where the node was last seen among its siblings: finding a node's row is one
    // comparison while its level has not changed before it. With the flags beside
    // it in one word, and the count of children in their list, a node takes 56
    // bytes; with 4 bytes more it would take 64, and 80 of the heap.
    mutable uint32_t RowGuess : 30 = 0;
    bool IsRoot : 1 = false;
    TOutlineNode* Above = nullptr; // the outline's root for a top-level node
    TOutlineTree* Tree = nullptr;
    // The children's addresses, with room for their count rounded up to a power of
    // two, after the count itself; null until the first child comes.
    TOutlineNode** Children = nullptr;
    TNodeCaption Caption;

    static uint32_t& CountOf(TOutlineNode** children)
    {
        return *reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(children) - ListHeader);
    }
    static constexpr std::size_t ListHeader = sizeof(TOutlineNode*);

    void Changed();
    // Sets the outline of node and of every node below it.
    static void Join(TOutlineNode* node, TOutlineTree* tree);
    // The last child leaves the list without a word, for deleting a subtree.
    TOutlineNode* DropLast();
};

// Visits node and every node below it, shown or not, in pre-order, without
// recursing: deep outlines are legal. The walk keeps the path of child positions,
// as long as the outline is deep: a list of the nodes still to visit would be as
// long as it is wide, a million entries under a flat top level. visit leaves the
// outline's shape as it is.
template <typename TNode, typename TVisit> void PreOrder(TNode* node, TVisit visit)
{
    std::vector<int> path;
    for (TNode* at = node;;) {
        visit(at);
        if (at->childCount() > 0) {
            path.push_back(0);
            at = at->child(0);
            continue;
        }
        for (;;) {
            if (path.empty())
                return;
            TNode* up = at->parent();
            if (++path.back() < up->childCount()) {
                at = up->child(path.back());
                break;
            }
            path.pop_back();
            at = up;
        }
    }
}

// The item model over an outline's nodes, for the tree view.
class TOutlineModel final : public QAbstractItemModel
{
public:
    explicit TOutlineModel(TOutlineTree* tree);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The root for the invalid index.
    TOutlineNode* NodeOf(const QModelIndex& index) const;
    // The invalid index for the root.
    QModelIndex IndexOf(const TOutlineNode* node, int column = 0) const;

private:
    friend class TOutlineNode;
    friend class TOutlineTree;

    // Deleting the model deletes every node, telling no one: the outline is gone.
    mutable TOutlineNode Root;
    int Columns = 1;
    QStringList Labels;
};

// Qt's tree widget over TOutlineNodes: the same calls and signals, TOutlineModel
// underneath.
class TOutlineTree : public QTreeView
{
    Q_OBJECT

public:
    explicit TOutlineTree(QWidget* parent = nullptr);
    ~TOutlineTree() override;
    TOutlineTree(const TOutlineTree&) = delete;
    TOutlineTree& operator=(const TOutlineTree&) = delete;

    int columnCount() const { return Model->Columns; }
    void setColumnCount(int columns);
    void setHeaderLabels(const QStringList& labels);
    QString HeaderLabel(int column) const { return Model->Labels.value(column); }

    TOutlineNode* invisibleRootItem() const { return &Model->Root; }
    int topLevelItemCount() const { return Model->Root.childCount(); }
    TOutlineNode* topLevelItem(int index) const { return Model->Root.child(index); }
    int indexOfTopLevelItem(const TOutlineNode* node) const { return Model->Root.indexOfChild(node); }
    void insertTopLevelItem(int index, TOutlineNode* node) { Model->Root.insertChild(index, node); }
    void addTopLevelItem(TOutlineNode* node) { Model->Root.addChild(node); }
    void addTopLevelItems(const std::vector<TOutlineNode*>& nodes)
    {
        Model->Root.insertChildren(topLevelItemCount(), nodes);
    }
    TOutlineNode* takeTopLevelItem(int index) { return Model->Root.takeChild(index); }
    // Deletes every node.
    void clear();

    TOutlineNode* currentItem() const { return itemFromIndex(currentIndex()); }
    void setCurrentItem(TOutlineNode* node) { setCurrentIndex(indexFromItem(node)); }
    QList<TOutlineNode*> selectedItems() const;
    TOutlineNode* itemAt(const QPoint& point) const { return itemFromIndex(indexAt(point)); }
    TOutlineNode* itemAt(int x, int y) const { return itemAt(QPoint(x, y)); }
    QRect visualItemRect(const TOutlineNode* node) const { return visualRect(indexFromItem(node)); }
    void scrollToItem(const TOutlineNode* node, ScrollHint hint = EnsureVisible)
    {
        scrollTo(indexFromItem(node), hint);
    }
    // Null for the invalid index, unlike the model's NodeOf.
    TOutlineNode* itemFromIndex(const QModelIndex& index) const;
    QModelIndex indexFromItem(const TOutlineNode* node, int column = 0) const;

Q_SIGNALS:
    void itemChanged(TOutlineNode* node, int column);
    void itemDoubleClicked(TOutlineNode* node, int column);
    void itemExpanded(TOutlineNode* node);
    void itemCollapsed(TOutlineNode* node);
    void currentItemChanged(TOutlineNode* current, TOutlineNode* previous);
    void itemSelectionChanged();

private:
    friend class TOutlineNode;

    // A child of the outline, as Qt's tree widget keeps its model: it outlives the
    // view's own teardown.
    TOutlineModel* Model;
};

// Every node of an outline in pre-order, as Qt's tree widget item iterator: *it is
// null past the last.
class TOutlineIterator
{
public:
    explicit TOutlineIterator(const TOutlineTree* tree) : At(tree->topLevelItem(0)) {}
    TOutlineNode* operator*() const { return At; }
    TOutlineIterator& operator++();

private:
    TOutlineNode* At;
};
