#pragma once

#include "Outline.h"

// The eight commands of the "Vorgänge" and "Ressourcen/Arbeiter" menus, one
// implementation for both outlines. Each works on the outline's selected node and
// returns whether the document is to be marked changed; the caller then runs
// SetChanged. Impossible moves are skipped silently but still count as a change.

TOutlineNode* SelectedNode(const TOutlineTree* outline);

enum class TMovePlace
{
    FirstChildOf,
    Before,
};

// Moves node with its subtree to be the first child of, or to stand directly
// before, target. The moved subtree comes out collapsed, its new parent expanded, a
// parent left without children shows as a leaf. No deletion handling runs, no
// selection change is reported, and a selected node stays selected.
void MoveNode(TOutlineTree* outline, TOutlineNode* node, TMovePlace place, TOutlineNode* target);

bool InsertCommand(TDocument& doc, TOutlineKind kind, bool asChild);
bool DeleteCommand(TDocument& doc, TOutlineKind kind);
bool IndentCommand(TDocument& doc, TOutlineKind kind);
bool OutdentCommand(TDocument& doc, TOutlineKind kind);
bool MoveUpCommand(TDocument& doc, TOutlineKind kind);
bool MoveDownCommand(TDocument& doc, TOutlineKind kind);

// A confirmed in-place edit of node's caption, before the node takes text.
bool RenameCommand(TDocument& doc, TOutlineKind kind, TOutlineNode* node, const QString& text);
