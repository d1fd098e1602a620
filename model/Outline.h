#pragma once

#include "Document.h"
#include "OutlineTree.h"

#include <vector>

TOutlineTree* OutlineOf(const TDocument& doc, TOutlineKind kind);

inline bool IsExpanded(const TOutlineNode* node)
{
    return node->Expanded;
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
void SetExpanded(TOutlineNode* node, bool expanded);

// Follows what the user expands and collapses in the outline. A node that leaves
// its outline loses its expanded state there; whoever puts it back collapses it
// with SetExpanded.
void TrackExpansion(TOutlineTree* outline);

// Every node of the outlines is a TOutlineNode.
inline uint32_t RecordIndex(const TOutlineNode* node)
{
    return node->StoreIndex;
}
TVorgangRec& VorgangOf(const TDocument& doc, const TOutlineNode* node);
TArbeiterRec& ArbeiterOf(const TDocument& doc, const TOutlineNode* node);

// New node and record as the last node of node's level (the last top-level node
// when node is null or top-level), or as the last child of node. The new node is
// neither selected nor made visible.
TOutlineNode* VorgEinf(TDocument& doc, TOutlineNode* node);
TOutlineNode* VorgEinfChild(TDocument& doc, TOutlineNode* node);
TOutlineNode* ArbEinf(TDocument& doc, TOutlineNode* node);
TOutlineNode* ArbEinfChild(TDocument& doc, TOutlineNode* node);
TOutlineNode* InsertNode(TDocument& doc, TOutlineKind kind, TOutlineNode* node, bool asChild);
// A new node as the last child of parent (the last top-level node when parent is
// null), bound to a new all-zero task record with the next Id and no caption, which
// the file reader fills whole: none of the defaults of a task the user inserts.
TOutlineNode* AddLoadedVorgang(TDocument& doc, TOutlineNode* parent);

// Deletion handling for one node that is leaving its outline: marks its record
// deleted and frees the record's texts (and a task's resource list).
void VorgangsDeletion(TDocument& doc, TOutlineNode* node);
void ArbeiterDeletion(TDocument& doc, TOutlineNode* node);

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
    std::vector<TOutlineNode*> Pending;
};

// Removes node with its subtree, running the deletion handling once per node.
void RemoveNode(TDocument& doc, TOutlineKind kind, TOutlineNode* node);
// Empties an outline, running the deletion handling for every node.
void ClearOutline(TDocument& doc, TOutlineKind kind);
