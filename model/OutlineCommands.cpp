#include "OutlineCommands.h"

#include "Texts.h"
#include "Undo.h"

#include <QSignalBlocker>
#include <QTreeWidget>

QTreeWidgetItem* SelectedNode(const QTreeWidget* outline)
{
    const QList<QTreeWidgetItem*> selected = outline->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

namespace {

QTreeWidgetItem* PreviousSibling(QTreeWidgetItem* node)
{
    QTreeWidgetItem* parent = node->parent();
    QTreeWidget* outline = node->treeWidget();
    const int i = parent ? parent->indexOfChild(node) : outline->indexOfTopLevelItem(node);
    if (i <= 0)
        return nullptr;
    return parent ? parent->child(i - 1) : outline->topLevelItem(i - 1);
}

QTreeWidgetItem* NextSibling(QTreeWidgetItem* node)
{
    QTreeWidgetItem* parent = node->parent();
    QTreeWidget* outline = node->treeWidget();
    const int i = parent ? parent->indexOfChild(node) : outline->indexOfTopLevelItem(node);
    const int count = parent ? parent->childCount() : outline->topLevelItemCount();
    if (i + 1 >= count)
        return nullptr;
    return parent ? parent->child(i + 1) : outline->topLevelItem(i + 1);
}

void CollapseSubtree(QTreeWidgetItem* node)
{
    SetExpanded(node, false);
    for (int i = 0; i < node->childCount(); ++i)
        CollapseSubtree(node->child(i));
}

void Take(QTreeWidget* outline, QTreeWidgetItem* node)
{
    if (QTreeWidgetItem* parent = node->parent()) {
        parent->takeChild(parent->indexOfChild(node));
        if (parent->childCount() == 0)
            SetExpanded(parent, false);
    } else {
        outline->takeTopLevelItem(outline->indexOfTopLevelItem(node));
    }
}

void Put(QTreeWidget* outline, QTreeWidgetItem* node, TMovePlace place, QTreeWidgetItem* target)
{
    if (place == TMovePlace::FirstChildOf) {
        target->insertChild(0, node);
        return;
    }
    if (QTreeWidgetItem* parent = target->parent())
        parent->insertChild(parent->indexOfChild(target), node);
    else
        outline->insertTopLevelItem(outline->indexOfTopLevelItem(target), node);
}

} // namespace

void MoveNode(QTreeWidget* outline, QTreeWidgetItem* node, TMovePlace place, QTreeWidgetItem* target)
{
    const QSignalBlocker quiet(outline);
    const bool wasCurrent = outline->currentItem() == node;
    const bool wasSelected = node->isSelected();
    Take(outline, node);
    Put(outline, node, place, target);
    CollapseSubtree(node);
    if (QTreeWidgetItem* parent = node->parent())
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
    if (QTreeWidgetItem* selection = SelectedNode(OutlineOf(doc, kind))) {
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
    QTreeWidgetItem* selection = SelectedNode(OutlineOf(doc, kind));
    if (!selection)
        return false;
    move([&](QTreeWidgetItem* node, TMovePlace place,
             QTreeWidgetItem* target) { MoveRecorded(doc, kind, node, place, target); },
         selection);
    return true;
}

} // namespace

bool IndentCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, QTreeWidgetItem* selection) {
        if (QTreeWidgetItem* previous = PreviousSibling(selection))
            moveNode(selection, TMovePlace::FirstChildOf, previous);
    });
}

// Two steps: the selection goes before its parent, then the parent before it, so
// the selection ends up directly after its former parent and the parent, having
// been moved itself, comes out collapsed.
bool OutdentCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, QTreeWidgetItem* selection) {
        if (QTreeWidgetItem* parent = selection->parent()) {
            moveNode(selection, TMovePlace::Before, parent);
            moveNode(parent, TMovePlace::Before, selection);
        }
    });
}

bool MoveUpCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, QTreeWidgetItem* selection) {
        if (QTreeWidgetItem* previous = PreviousSibling(selection))
            moveNode(selection, TMovePlace::Before, previous);
    });
}

// The selection goes down by moving its next sibling up, so it keeps its own
// expanded state.
bool MoveDownCommand(TDocument& doc, TOutlineKind kind)
{
    return WithSelection(doc, kind, [](auto moveNode, QTreeWidgetItem* selection) {
        if (QTreeWidgetItem* next = NextSibling(selection))
            moveNode(next, TMovePlace::Before, selection);
    });
}

bool RenameCommand(TDocument& doc, TOutlineKind kind, QTreeWidgetItem* node, const QString& text)
{
    if (!node)
        return false;
    NoteEditing(doc, kind, node, false);
    char16_t*& name = kind == TOutlineKind::Vorgang ? VorgangOf(doc, node).Name : ArbeiterOf(doc, node).Name;
    FreeText(name);
    WideCopy(name, text);
    return true;
}
