#pragma once

#include "Outline.h"
#include "OutlineCommands.h"

// Undo and redo of the commands that change the document. A command runs inside a
// TUndoRecording; the outline commands and the editors tell it what they are about
// to change. After the command and its recalculation, Commit compares every task's
// recalculated fields with the state the last step left, so a step also takes back
// the dates the recalculation moved elsewhere.

class TUndoRecording
{
public:
    TUndoRecording(TDocument& doc, const QString& name);
    // Without Commit (the command changed nothing, or failed): a step is kept only
    // when something was recorded, so that a half-done change can still be undone.
    ~TUndoRecording();
    TUndoRecording(const TUndoRecording&) = delete;
    TUndoRecording& operator=(const TUndoRecording&) = delete;

    // The command is done, with its recalculation: the step joins the history.
    void Commit();

private:
    TDocument& Doc;
    bool Done = false;
};

bool IsRecording(const TDocument& doc);

// What the commands report while a step is recorded; nothing happens otherwise.
// node was just inserted (with no children).
void NoteInserted(TDocument& doc, TOutlineKind kind, TOutlineNode* node);
// node with its subtree is about to be removed.
void NoteRemoving(TDocument& doc, TOutlineKind kind, TOutlineNode* node);
// node's record is about to change and the node takes its new name; with labels,
// the outline's custom-field labels may change too.
void NoteEditing(TDocument& doc, TOutlineKind kind, TOutlineNode* node, bool labels);
// MoveNode, recorded.
void MoveRecorded(TDocument& doc, TOutlineKind kind, TOutlineNode* node, TMovePlace place,
                  TOutlineNode* target);

// Takes back the newest step, or does the next undone step again: records, dates,
// labels, outline shape, expanded states and selection become exactly what they
// were. Nothing is recalculated. False when there is no such step.
bool UndoStep(TDocument& doc);
bool RedoStep(TDocument& doc);
// The name of the step UndoStep / RedoStep would take; empty when there is none.
QString UndoName(const TDocument& doc);
QString RedoName(const TDocument& doc);

// The document as it is now is the one last saved or loaded.
void MarkSaved(TDocument& doc);
// True when the document is what it was when last saved or loaded.
bool AtSavedState(const TDocument& doc);
// Drops every step: the stores are emptied, or the document changed outside any step.
void ForgetHistory(TDocument& doc);
