#pragma once

#include "Document.h"

#include <QTreeWidgetItem>
#include <vector>

class QTreeWidget;

QTreeWidget* OutlineOf(const TDocument& doc, TOutlineKind kind);

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
class TOutlineNode : public QTreeWidgetItem
{
public:
    static constexpr int Type = QTreeWidgetItem::UserType + 1;

    explicit TOutlineNode(const QString& caption);
    // Without a caption yet, for the file reader.
    TOutlineNode();
    // Leaves its outline first, so that whoever the outline's model tells of the
    // removal still finds a node here.
    ~TOutlineNode() override;
    TOutlineNode(const TOutlineNode&) = delete;
    TOutlineNode& operator=(const TOutlineNode&) = delete;

    // The caption is kept here rather than in the item's own lists of values per
    // column and role: those cost two more blocks per node, which at a million
    // nodes was a tenth of the memory of an open project.
    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    // As setText(0, caption), without making a QString of it: the file reader
    // gives every node its caption from the record's Name.
    void SetCaption(QStringView caption);

    uint32_t StoreIndex = 0;
    // Whether the outline shows the node expanded. Asking the outline itself costs
    // three hash lookups per node, which dominated saving and counting rows of
    // large projects; SetExpanded and TrackExpansion keep this in step.
    bool Expanded = false;

private:
    TNodeCaption Caption;
};

inline bool IsExpanded(const QTreeWidgetItem* node)
{
    return static_cast<const TOutlineNode*>(node)->Expanded;
}

// An outline that shows its nodes expanded or collapsed from their own Expanded
// alone. Qt's tree view keeps a persistent index per expanded node, and Qt's model
// visits every persistent index at each insertion and removal of a row: at a
// million tasks, most of the time of an edit.
class TExpansionView
{
public:
    // Sets node's Expanded and shows it; tells like Qt's tree widget, once per
    // change, unless the outline's signals are blocked.
    virtual void ShowExpanded(TOutlineNode* node, bool expanded) = 0;

protected:
    ~TExpansionView() = default;
};

// Expands or collapses node in its outline, also while the outline's signals are
// blocked. A node outside any outline stays collapsed, as the outline sees it.
void SetExpanded(QTreeWidgetItem* node, bool expanded);

// Follows what the user expands and collapses in the outline. A node that leaves
// its outline loses its expanded state there; whoever puts it back collapses it
// with SetExpanded.
void TrackExpansion(QTreeWidget* outline);

// Visits node and every node below it, shown or not, in pre-order, without
// recursing: deep outlines are legal. The walk keeps the path of child positions,
// as long as the outline is deep: a list of the nodes still to visit would be as
// long as it is wide, a million entries under a flat top level. visit leaves the
// outline's shape as it is.
template <typename TVisit> void PreOrder(QTreeWidgetItem* node, TVisit visit)
{
    std::vector<int> path;
    for (QTreeWidgetItem* at = node;;) {
        visit(at);
        if (at->childCount() > 0) {
            path.push_back(0);
            at = at->child(0);
            continue;
        }
        for (;;) {
            if (path.empty())
                return;
            QTreeWidgetItem* up = at->parent();
            if (++path.back() < up->childCount()) {
                at = up->child(path.back());
                break;
            }
            path.pop_back();
            at = up;
        }
    }
}

// Every node of the outlines is a TOutlineNode.
inline uint32_t RecordIndex(const QTreeWidgetItem* node)
{
    return static_cast<const TOutlineNode*>(node)->StoreIndex;
}
TVorgangRec& VorgangOf(const TDocument& doc, const QTreeWidgetItem* node);
TArbeiterRec& ArbeiterOf(const TDocument& doc, const QTreeWidgetItem* node);

// New node and record as the last node of node's level (the last top-level node
// when node is null or top-level), or as the last child of node. The new node is
// neither selected nor made visible.
QTreeWidgetItem* VorgEinf(TDocument& doc, QTreeWidgetItem* node);
QTreeWidgetItem* VorgEinfChild(TDocument& doc, QTreeWidgetItem* node);
QTreeWidgetItem* ArbEinf(TDocument& doc, QTreeWidgetItem* node);
QTreeWidgetItem* ArbEinfChild(TDocument& doc, QTreeWidgetItem* node);
QTreeWidgetItem* InsertNode(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node, bool asChild);
// A new node as the last child of parent (the last top-level node when parent is
// null), bound to a new all-zero task record with the next Id and no caption, which
// the file reader fills whole: none of the defaults of a task the user inserts.
QTreeWidgetItem* AddLoadedVorgang(TDocument& doc, QTreeWidgetItem* parent);

// Deletion handling for one node that is leaving its outline: marks its record
// deleted and frees the record's texts (and a task's resource list).
void VorgangsDeletion(TDocument& doc, QTreeWidgetItem* node);
void ArbeiterDeletion(TDocument& doc, QTreeWidgetItem* node);

// While one lives, the outline's new top-level nodes wait outside it and join it
// all at once at its end, with their subtrees: one notification of the outline's
// model instead of one per node, for the file reader. Also on failure they join.
class TBulkTopLevel
{
public:
    TBulkTopLevel(TDocument& doc, TOutlineKind kind);
    ~TBulkTopLevel();
    TBulkTopLevel(const TBulkTopLevel&) = delete;
    TBulkTopLevel& operator=(const TBulkTopLevel&) = delete;

private:
    TDocument& Doc;
    TOutlineKind Kind;
    std::vector<QTreeWidgetItem*> Pending;
};

// Removes node with its subtree, running the deletion handling once per node.
void RemoveNode(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node);
// Empties an outline, running the deletion handling for every node.
void ClearOutline(TDocument& doc, TOutlineKind kind);
