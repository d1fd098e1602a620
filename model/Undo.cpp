#include "Undo.h"

#include "OutlineTree.h"
#include "Texts.h"

#include <QSignalBlocker>
#include <algorithm>
#include <stdexcept>

namespace {

using TRecording = TUndoState::TRecording;

TRecording* RecordingOf(TDocument& doc)
{
    return doc.Undo.Recording.get();
}

int OutlineSlot(TOutlineKind kind)
{
    return kind == TOutlineKind::Vorgang ? 0 : 1;
}

TNodePath PathOf(const TOutlineNode* node)
{
    TNodePath path;
    for (; node; node = node->parent()) {
        const TOutlineNode* parent = node->parent();
        path.push_back(parent ? parent->indexOfChild(const_cast<TOutlineNode*>(node))
                              : node->treeWidget()->indexOfTopLevelItem(const_cast<TOutlineNode*>(node)));
    }
    std::reverse(path.begin(), path.end());
    return path;
}

[[noreturn]] void HistoryMismatch()
{
    throw std::runtime_error("Der Bearbeitungsverlauf passt nicht mehr zum Dokument");
}

// The node at path, or the outline's invisible root for the empty path.
TOutlineNode* NodeAt(TOutlineTree* outline, const TNodePath& path, std::size_t depth)
{
    TOutlineNode* node = outline->invisibleRootItem();
    for (std::size_t i = 0; i < depth; ++i) {
        if (path[i] < 0 || path[i] >= node->childCount())
            HistoryMismatch();
        node = node->child(path[i]);
    }
    return node;
}

TOutlineNode* NodeAt(TOutlineTree* outline, const TNodePath& path)
{
    return NodeAt(outline, path, path.size());
}

TOutlineNode* ParentAt(TOutlineTree* outline, const TNodePath& path)
{
    return NodeAt(outline, path, path.size() - 1);
}

TOutlineNode* TakeAt(TOutlineTree* outline, const TNodePath& path)
{
    TOutlineNode* parent = ParentAt(outline, path);
    if (path.back() < 0 || path.back() >= parent->childCount())
        HistoryMismatch();
    return parent->takeChild(path.back());
}

void PutAt(TOutlineTree* outline, const TNodePath& path, TOutlineNode* node)
{
    TOutlineNode* parent = ParentAt(outline, path);
    if (path.back() < 0 || path.back() > parent->childCount())
        HistoryMismatch();
    parent->insertChild(path.back(), node);
    // Qt keeps no expanded state for a node that lost its children; its own flag did.
    if (parent != outline->invisibleRootItem())
        SetExpanded(parent, IsExpanded(parent));
}

std::vector<TShapeNode> ShapeOf(TOutlineNode* node)
{
    std::vector<TShapeNode> shape;
    PreOrder(node, [&](TOutlineNode* n) {
        shape.push_back({RecordIndex(n), int32_t(n->childCount()), IsExpanded(n)});
    });
    return shape;
}

std::vector<bool> ExpandedStatesOf(TOutlineNode* node)
{
    std::vector<bool> states;
    PreOrder(node, [&](TOutlineNode* n) { states.push_back(IsExpanded(n)); });
    return states;
}

// Sets the expanded state of every node of a subtree that has just been put into
// its outline, in pre-order.
template <typename TStateAt> void Expand(TOutlineNode* node, TStateAt stateAt)
{
    std::size_t i = 0;
    PreOrder(node, [&](TOutlineNode* n) { SetExpanded(n, stateAt(i++)); });
}

QString NameOf(const TDocument& doc, TOutlineKind kind, uint32_t index)
{
    return TextOf(kind == TOutlineKind::Vorgang ? doc.VorgangAt(index).Name : doc.ArbeiterAt(index).Name);
}

// The nodes of a subtree from its shape, named after their records, not yet in an outline.
TOutlineNode* BuildSubtree(TDocument& doc, TOutlineKind kind, const std::vector<TShapeNode>& shape)
{
    TOutlineNode* root = nullptr;
    std::vector<std::pair<TOutlineNode*, int32_t>> open; // node, children still to come
    for (const TShapeNode& entry : shape) {
        auto* node = new TOutlineNode(NameOf(doc, kind, entry.StoreIndex));
        node->StoreIndex = entry.StoreIndex;
        if (kind == TOutlineKind::Vorgang)
            doc.VorgangAt(entry.StoreIndex).Node = node;
        if (open.empty()) {
            if (root)
                HistoryMismatch();
            root = node;
        } else {
            open.back().first->addChild(node);
            --open.back().second;
        }
        if (entry.ChildCount > 0)
            open.emplace_back(node, entry.ChildCount);
        while (!open.empty() && open.back().second == 0)
            open.pop_back();
    }
    if (!root || !open.empty())
        HistoryMismatch();
    return root;
}

void PlaceSubtree(TDocument& doc, const TOutlineOp& op)
{
    TOutlineTree* outline = OutlineOf(doc, op.Outline);
    TOutlineNode* root = BuildSubtree(doc, op.Outline, op.Shape);
    PutAt(outline, op.At, root);
    Expand(root, [&](std::size_t i) { return op.Shape[i].Expanded; });
}

void DropSubtree(TDocument& doc, const TOutlineOp& op)
{
    TOutlineNode* node = TakeAt(OutlineOf(doc, op.Outline), op.At);
    const bool matches = RecordIndex(node) == op.Shape.front().StoreIndex;
    delete node;
    if (!matches)
        HistoryMismatch();
}

void SetExpandedIfNode(TOutlineTree* outline, TOutlineNode* node, bool expanded)
{
    if (node != outline->invisibleRootItem())
        SetExpanded(node, expanded);
}

void MoveSubtree(TDocument& doc, const TOutlineOp& op, bool forward)
{
    TOutlineTree* outline = OutlineOf(doc, op.Outline);
    const TNodePath& from = forward ? op.At : op.To;
    const TNodePath& to = forward ? op.To : op.At;
    TOutlineNode* node = TakeAt(outline, from);
    SetExpandedIfNode(outline, ParentAt(outline, from), forward ? op.OldParentAfter : op.NewParentBefore);
    PutAt(outline, to, node);
    SetExpandedIfNode(outline, ParentAt(outline, to), forward ? op.NewParentAfter : op.OldParentBefore);
    if (forward)
        Expand(node, [&](std::size_t i) { return bool(op.AfterExpanded[i]); });
    else
        Expand(node, [&](std::size_t i) { return op.Shape[i].Expanded; });
}

void ApplyOp(TDocument& doc, const TOutlineOp& op, bool forward)
{
    switch (op.Kind) {
    case TOutlineOp::Insert:
        forward ? PlaceSubtree(doc, op) : DropSubtree(doc, op);
        break;
    case TOutlineOp::Remove:
        forward ? DropSubtree(doc, op) : PlaceSubtree(doc, op);
        break;
    case TOutlineOp::Move:
        MoveSubtree(doc, op, forward);
        break;
    case TOutlineOp::Caption:
        TOutlineNode* node = NodeAt(OutlineOf(doc, op.Outline), op.At);
        node->setText(0, NameOf(doc, op.Outline, RecordIndex(node)));
        break;
    }
}

TFieldLabels& LabelsOf(TDocument& doc, TOutlineKind kind)
{
    return kind == TOutlineKind::Vorgang ? doc.VorgangFieldLabels : doc.ArbeiterFieldLabels;
}

std::array<std::optional<TNodePath>, 2> Selections(const TDocument& doc)
{
    std::array<std::optional<TNodePath>, 2> paths;
    for (TOutlineKind kind : {TOutlineKind::Vorgang, TOutlineKind::Arbeiter})
        if (TOutlineNode* node = SelectedNode(OutlineOf(doc, kind)))
            paths[std::size_t(OutlineSlot(kind))] = PathOf(node);
    return paths;
}

void Select(TDocument& doc, const std::array<std::optional<TNodePath>, 2>& paths)
{
    for (TOutlineKind kind : {TOutlineKind::Vorgang, TOutlineKind::Arbeiter}) {
        TOutlineTree* outline = OutlineOf(doc, kind);
        if (const auto& path = paths[std::size_t(OutlineSlot(kind))])
            outline->setCurrentItem(NodeAt(outline, *path));
        else
            outline->clearSelection();
    }
}

void ForgetRescheduled(TDocument& doc)
{
    doc.Rescheduled.clear();
    doc.Rescheduled.shrink_to_fit();
}

} // namespace

namespace {

template <typename TRec>
void Touch(std::vector<TUndoState::TTouched<TRec>>& touched, std::unordered_set<uint32_t>& seen,
           uint32_t countAtBegin, uint32_t index, const TRec& rec)
{
    if (index < countAtBegin && seen.insert(index).second)
        touched.push_back({index, TRecordCopy<TRec>(rec)});
}

void TouchRecord(TDocument& doc, TRecording& r, TOutlineKind kind, uint32_t index)
{
    if (kind == TOutlineKind::Vorgang) {
        NoteWritten(doc, index);
        Touch(r.Vorgaenge, r.TouchedVorgaenge, r.VorgangCount, index, doc.VorgangAt(index));
    } else {
        Touch(r.Arbeiter, r.TouchedArbeiter, r.ArbeiterCount, index, doc.ArbeiterAt(index));
    }
}

// Pairs the touched records with their state now, and adds the records appended
// since the command began; their state before is their released self.
template <typename TRec, typename TAt>
void CloseRecords(std::vector<TUndoState::TTouched<TRec>>& touched, uint32_t countAtBegin, uint32_t count,
                  TAt at, std::vector<TRecordChange<TRec>>& changes)
{
    for (auto& t : touched)
        changes.push_back({t.Index, std::move(t.Before), TRecordCopy<TRec>(at(t.Index))});
    touched.clear();
    for (uint32_t i = countAtBegin; i < count; ++i)
        changes.push_back({i, TRecordCopy<TRec>::Released(at(i)), TRecordCopy<TRec>(at(i))});
}

// The dates the recalculation moved in tasks the command did not touch itself: each
// task reported, from its fields before its first change to its fields now.
void CloseSchedule(TDocument& doc, TRecording& r, TUndoStep& step)
{
    auto& reported = doc.Rescheduled;
    std::stable_sort(reported.begin(), reported.end(),
                     [](const auto& a, const auto& b) { return a.Index < b.Index; });
    for (auto e = reported.begin(); e != reported.end(); ++e) {
        const uint32_t i = e->Index;
        if (i >= r.VorgangCount || (e != reported.begin() && i == (e - 1)->Index) ||
            r.TouchedVorgaenge.contains(i))
            continue;
        const TScheduleFields now = ScheduleFieldsOf(doc.VorgangAt(i));
        if (!SameSchedule(e->Before, now))
            step.Schedule.push_back({i, e->Before, now});
    }
    ForgetRescheduled(doc);
    doc.Undo.TasksAfterStep = doc.VorgangStore->Count;
}

bool RecordedAnything(const TDocument& doc, const TRecording& r)
{
    return !r.Step->Ops.empty() || !r.Vorgaenge.empty() || !r.Arbeiter.empty() ||
           doc.VorgangStore->Count != r.VorgangCount || doc.ArbeiterStore->Count != r.ArbeiterCount;
}

} // namespace

TUndoRecording::TUndoRecording(TDocument& doc, const QString& name) : Doc(doc)
{
    WaitForBackgroundWork(doc);
    if (IsRecording(doc)) {
        Done = true; // part of the step already being recorded
        return;
    }
    TUndoState& undo = doc.Undo;
    if (doc.FollowRescheduled && undo.TasksAfterStep != doc.VorgangStore->Count)
        ForgetHistory(doc);
    if (!doc.FollowRescheduled) {
        // What recalculations changed before the history began is no step's.
        ForgetRescheduled(doc);
        doc.FollowRescheduled = true;
        undo.TasksAfterStep = doc.VorgangStore->Count;
    }
    auto recording = std::make_unique<TRecording>();
    recording->Step = std::make_unique<TUndoStep>();
    recording->Step->Name = name;
    recording->Step->SelectionBefore = Selections(doc);
    recording->VorgangCount = doc.VorgangStore->Count;
    recording->ArbeiterCount = doc.ArbeiterStore->Count;
    undo.Recording = std::move(recording);
}

TUndoRecording::~TUndoRecording()
{
    if (Done || !Doc.Undo.Recording)
        return;
    try {
        if (RecordedAnything(Doc, *Doc.Undo.Recording)) {
            Commit();
            Doc.Changed = true;
        } else {
            Doc.Undo.Recording.reset();
        }
    } catch (...) {
        ForgetHistory(Doc);
    }
}

void TUndoRecording::Commit()
{
    if (Done || !Doc.Undo.Recording)
        return;
    Done = true;
    TRecording& r = *Doc.Undo.Recording;
    TUndoStep& step = *r.Step;
    CloseRecords(
        r.Vorgaenge, r.VorgangCount, Doc.VorgangStore->Count,
        [&](uint32_t i) -> const TVorgangRec& { return Doc.VorgangAt(i); }, step.Vorgaenge);
    CloseRecords(
        r.Arbeiter, r.ArbeiterCount, Doc.ArbeiterStore->Count,
        [&](uint32_t i) -> const TArbeiterRec& { return Doc.ArbeiterAt(i); }, step.Arbeiter);
    CloseSchedule(Doc, r, step);
    if (step.Labels) {
        step.Labels->After = LabelTexts(LabelsOf(Doc, step.Labels->Outline));
        if (step.Labels->After == step.Labels->Before)
            step.Labels.reset();
    }
    step.SelectionAfter = Selections(Doc);
    std::unique_ptr<TUndoStep> done = std::move(r.Step);
    Doc.Undo.Recording.reset();
    Doc.Undo.History.Push(std::move(done));
}

bool IsRecording(const TDocument& doc)
{
    return doc.Undo.Recording != nullptr;
}

void NoteInserted(TDocument& doc, TOutlineKind kind, TOutlineNode* node)
{
    if (TRecording* r = RecordingOf(doc))
        r->Step->Ops.push_back({TOutlineOp::Insert, kind, PathOf(node), {}, ShapeOf(node), {}});
}

void NoteRemoving(TDocument& doc, TOutlineKind kind, TOutlineNode* node)
{
    TRecording* r = RecordingOf(doc);
    if (!r)
        return;
    TOutlineOp op{TOutlineOp::Remove, kind, PathOf(node), {}, ShapeOf(node), {}};
    for (const TShapeNode& entry : op.Shape)
        TouchRecord(doc, *r, kind, entry.StoreIndex);
    r->Step->Ops.push_back(std::move(op));
}

void NoteEditing(TDocument& doc, TOutlineKind kind, TOutlineNode* node, bool labels)
{
    TRecording* r = RecordingOf(doc);
    if (!r)
        return;
    TouchRecord(doc, *r, kind, RecordIndex(node));
    r->Step->Ops.push_back({TOutlineOp::Caption, kind, PathOf(node), {}, {}, {}});
    if (labels && !r->Step->Labels)
        r->Step->Labels = TLabelChange{kind, LabelTexts(LabelsOf(doc, kind)), {}};
}

void MoveRecorded(TDocument& doc, TOutlineKind kind, TOutlineNode* node, TMovePlace place,
                  TOutlineNode* target)
{
    TOutlineTree* outline = OutlineOf(doc, kind);
    TRecording* r = RecordingOf(doc);
    if (!r) {
        MoveNode(outline, node, place, target);
        return;
    }
    TOutlineNode* oldParent = node->parent();
    TOutlineNode* newParent = place == TMovePlace::FirstChildOf ? target : target->parent();
    TOutlineOp op{TOutlineOp::Move, kind, PathOf(node), {}, ShapeOf(node), {}};
    op.OldParentBefore = oldParent && IsExpanded(oldParent);
    op.NewParentBefore = newParent && IsExpanded(newParent);
    MoveNode(outline, node, place, target);
    op.To = PathOf(node);
    op.AfterExpanded = ExpandedStatesOf(node);
    op.OldParentAfter = oldParent && IsExpanded(oldParent);
    op.NewParentAfter = newParent && IsExpanded(newParent);
    r->Step->Ops.push_back(std::move(op));
}

namespace {

// A step put back gives these tasks their fields as they were: what was reported
// of them before no longer is what the next step changes.
void ForgetReportsOf(TDocument& doc, std::vector<uint32_t>& written)
{
    if (doc.Rescheduled.empty())
        return;
    std::sort(written.begin(), written.end());
    std::erase_if(doc.Rescheduled, [&](const TDocument::TRescheduled& e) {
        return std::binary_search(written.begin(), written.end(), e.Index);
    });
}

template <typename TRec, typename TAt>
void RestoreRecords(TDocument& doc, const std::vector<TRecordChange<TRec>>& changes, bool forward, TAt at)
{
    for (const auto& change : changes)
        (forward ? change.After : change.Before).RestoreInto(at(change.Index), doc.CurResId.Var());
}

void Apply(TDocument& doc, const TUndoStep& step, bool forward)
{
    const QSignalBlocker quietTasks(doc.Vorgangs);
    const QSignalBlocker quietResources(doc.Arbeiter);
    RestoreRecords(doc, step.Vorgaenge, forward,
                   [&](uint32_t i) -> TVorgangRec& { return doc.VorgangAt(i); });
    RestoreRecords(doc, step.Arbeiter, forward,
                   [&](uint32_t i) -> TArbeiterRec& { return doc.ArbeiterAt(i); });
    std::vector<uint32_t> written;
    for (const auto& change : step.Vorgaenge) {
        written.push_back(change.Index);
        NoteWritten(doc, change.Index);
    }
    for (const TScheduleChange& change : step.Schedule) {
        SetScheduleFields(doc.VorgangAt(change.Index), forward ? change.After : change.Before);
        written.push_back(change.Index);
        NoteWritten(doc, change.Index);
    }
    ForgetReportsOf(doc, written);
    if (step.Labels) {
        SetLabelTexts(LabelsOf(doc, step.Labels->Outline),
                      forward ? step.Labels->After : step.Labels->Before);
    }
    if (forward)
        for (const TOutlineOp& op : step.Ops)
            ApplyOp(doc, op, true);
    else
        for (auto op = step.Ops.rbegin(); op != step.Ops.rend(); ++op)
            ApplyOp(doc, *op, false);
    Select(doc, forward ? step.SelectionAfter : step.SelectionBefore);
}

template <typename TNext, typename TMove> bool Travel(TDocument& doc, TNext next, bool forward, TMove move)
{
    StopBackgroundWork(doc);
    if (IsRecording(doc))
        return false;
    const TUndoStep* step = next();
    if (!step)
        return false;
    try {
        Apply(doc, *step, forward);
    } catch (...) {
        ForgetHistory(doc);
        throw;
    }
    move();
    return true;
}

} // namespace

bool UndoStep(TDocument& doc)
{
    TUndoHistory& history = doc.Undo.History;
    return Travel(
        doc, [&] { return history.NextUndo(); }, false, [&] { history.StepBack(); });
}

bool RedoStep(TDocument& doc)
{
    TUndoHistory& history = doc.Undo.History;
    return Travel(
        doc, [&] { return history.NextRedo(); }, true, [&] { history.StepForward(); });
}

QString UndoName(const TDocument& doc)
{
    const TUndoStep* step = doc.Undo.History.NextUndo();
    return step ? step->Name : QString();
}

QString RedoName(const TDocument& doc)
{
    const TUndoStep* step = doc.Undo.History.NextRedo();
    return step ? step->Name : QString();
}

void MarkSaved(TDocument& doc)
{
    doc.Undo.History.MarkSaved();
}

bool AtSavedState(const TDocument& doc)
{
    return doc.Undo.History.AtSaved();
}

void ForgetHistory(TDocument& doc)
{
    StopBackgroundWork(doc);
    TUndoState& undo = doc.Undo;
    undo.Recording.reset();
    undo.History.Clear(!doc.Changed);
    doc.FollowRescheduled = false;
    ForgetRescheduled(doc);
}
