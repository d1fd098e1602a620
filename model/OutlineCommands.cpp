#include "OutlineCommands.h"

#include "OutlineTree.h"
#include "Texts.h"
#include "Undo.h"

#include <QSignalBlocker>

TOutlineNode* SelectedNode(const TOutlineTree* outline)
{
    const QList<TOutlineNode*> selected = outline->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

namespace {

TOutlineNode* PreviousSibling(TOutlineNode* node)
{
    TOutlineNode* parent = node->parent();
    TOutlineTree* outline = node->treeWidget();
    const int i = parent ? parent->indexOfChild(node) : outline->indexOfTopLevelItem(node);
    if (i <= 0)
        return nullptr;
    return parent ? parent->child(i - 1) : outline->topLevelItem(i - 1);
}

TOutlineNode* NextSibling(TOutlineNode* node)
{
    TOutlineNode* parent = node->parent();
    TOutlineTree* outline = node->treeWidget();
    const int i = parent ? parent->indexOfChild(node) : outline->indexOfTopLevelItem(node);
    const int count = parent ? parent->childCount() : outline->topLevelItemCount();
    if (i + 1 >= count)
        return nullptr;
    return parent ? parent->child(i + 1) : outline->topLevelItem(i + 1);
}

void CollapseSubtree(TOutlineNode* node)
{
    SetExpanded(node, false);
    for (int i = 0; i < node->childCount(); ++i)
        CollapseSubtree(node->child(i));
}

void Take(TOutlineTree* outline, TOutlineNode* node)
{
    if (TOutlineNode* parent = node->parent()) {
        parent->takeChild(parent->indexOfChild(node));
        if (parent->childCount() == 0)
            SetExpanded(parent, false);
    } else {
        outline->takeTopLevelItem(outline->indexOfTopLevelItem(node));
    }
}

void Put(TOutlineTree* outline, TOutlineNode* node, TMovePlace place, TOutlineNode* target)
{
    if (place == TMovePlace::FirstChildOf) {
        target->insertChild(0, node);
        return;
    }
    if (TOutlineNode* parent = target->parent())
        parent->insertChild(parent->indexOfChild(target), node);
    else
        outline->insertTopLevelItem(outline->indexOfTopLevelItem(target), node);
}

} // namespace

void MoveNode(TOutlineTree* outline, TOutlineNode* node, TMovePlace place, TOutlineNode* target)
{
    const QSignalBlocker quiet(outline);
    const bool wasCurrent = outline->currentItem() == node;
    const bool wasSelected = node->isSelected();
    Take(outline, node);
    Put(outline, node, place, target);
    CollapseSubtree(node);
    if (TOutlineNode* parent = node->parent())
        SetExpanded(parent, true);
    if (wasCurrent)
        outline->setCurrentItem(node);
    node->setSelected(wasSelected);
}

bool InsertCommand(TDocument& doc, TOutlineKind kind, bool asChild)
{
    NoteInserted(doc, kind, InsertNode(doc, kind, SelectedNode(OutlineOf(doc, kind)), asChild));
    return true;
}

bool DeleteCommand(TDocument& doc, TOutlineKind kind)
{
    if (TOutlineNode* selection = SelectedNode(OutlineOf(doc, kind))) {
        NoteRemoving(doc, kind, selection);
        RemoveNode(doc, kind, selection);
    }
    return true;
}

namespace {

// The moving commands do nothing at all without a selection; with one they count
// as a change whether or not anything could move.
template <typename Move> bool WithSelection(TDocument& doc, TOutlineKind kind, Move move)
{
    TOutlineNode* selection = SelectedNode(OutlineOf(doc, kind));
    if (!selection)
        return false;
    move([&](TOutlineNode* node, TMovePlace place,
             TOutlineNode* target) { MoveRecorded(doc, kind, node, place, target); },
         selection);
    return true;
}

} // namespace

bool IndentCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, TOutlineNode* selection) {
        if (TOutlineNode* previous = PreviousSibling(selection))
            moveNode(selection, TMovePlace::FirstChildOf, previous);
    });
}

// Two steps: the selection goes before its parent, then the parent before it, so
// the selection ends up directly after its former parent and the parent, having
// been moved itself, comes out collapsed.
bool OutdentCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, TOutlineNode* selection) {
        if (TOutlineNode* parent = selection->parent()) {
            moveNode(selection, TMovePlace::Before, parent);
            moveNode(parent, TMovePlace::Before, selection);
        }
    });
}

bool MoveUpCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, TOutlineNode* selection) {
        if (TOutlineNode* previous = PreviousSibling(selection))
            moveNode(selection, TMovePlace::Before, previous);
    });
}

// The selection goes down by moving its next sibling up, so it keeps its own
// expanded state.
bool MoveDownCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, TOutlineNode* selection) {
        if (TOutlineNode* next = NextSibling(selection))
            moveNode(next, TMovePlace::Before, selection);
    });
}

bool RenameCommand(TDocument& doc, TOutlineKind kind, TOutlineNode* node, const QString& text)
{
    if (!node)
        return false;
    NoteEditing(doc, kind, node, false);
    char16_t*& name = kind == TOutlineKind::Vorgang ? VorgangOf(doc, node).Name : ArbeiterOf(doc, node).Name;
    FreeText(name);
    WideCopy(name, text);
    return true;
}
