#pragma once

#include "Records.h"

#include <QString>
#include <array>
#include <cstddef>
#include <deque>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

// What one command changed, kept so that it can be taken back and done again. A
// step holds copies of the records the command touched, the dates the following
// recalculation moved elsewhere, and the changes of the outlines' shape, each with
// its state before and after. Nodes are named by their path of child positions,
// which is valid at the point of the step where it was taken; records by their
// store index, which never changes.

// The fields of a task that the recalculation writes.
struct TScheduleFields
{
    TDateTime Beginn;
    TDateTime Ende;
    int32_t Link;
    uint8_t IsSummary;
};

TScheduleFields ScheduleFieldsOf(const TVorgangRec& rec);
void SetScheduleFields(TVorgangRec& rec, const TScheduleFields& fields);
// Bit for bit, so that -0.0 and 0.0 differ and a NaN equals itself.
bool SameSchedule(const TScheduleFields& a, const TScheduleFields& b);

// An owned copy of a record at one moment: its plain values, its own copies of the
// texts and, for a task, the Ids of its resource list. A deleted record's copy
// holds no texts.
template <typename TRec> class TRecordCopy
{
public:
    explicit TRecordCopy(const TRec& rec);
    ~TRecordCopy();
    TRecordCopy(TRecordCopy&& other) noexcept;
    TRecordCopy& operator=(TRecordCopy&&) = delete;
    TRecordCopy(const TRecordCopy&) = delete;
    TRecordCopy& operator=(const TRecordCopy&) = delete;

    // The copy of rec as its deletion would leave it: plain values, no texts.
    static TRecordCopy Released(const TRec& rec);

    // Makes rec what the copy holds. What rec owned is freed; a task's new resource
    // list reports to resourceCursor; a task keeps its node reference.
    void RestoreInto(TRec& rec, void** resourceCursor) const;
    const TRec& Value() const { return Copy; }
    std::size_t Bytes() const;

private:
    TRecordCopy() = default;
    TRec Copy{};
    std::vector<int32_t> ResourceIds;
};

extern template class TRecordCopy<TVorgangRec>;
extern template class TRecordCopy<TArbeiterRec>;

template <typename TRec> struct TRecordChange
{
    uint32_t Index;
    TRecordCopy<TRec> Before;
    TRecordCopy<TRec> After;
};

struct TScheduleChange
{
    uint32_t Index;
    TScheduleFields Before;
    TScheduleFields After;
};

using TNodePath = std::vector<int32_t>;

// One node of a subtree in pre-order.
struct TShapeNode
{
    uint32_t StoreIndex;
    int32_t ChildCount;
    bool Expanded;
};

// One change of an outline's shape, in the order the command made them.
struct TOutlineOp
{
    enum TKind : uint8_t
    {
        Insert,  // the subtree Shape was put at At
        Remove,  // the subtree Shape was taken from At
        Move,    // the subtree at At went to To; Shape holds its expanded states before, AfterExpanded after
        Caption, // the node at At took its record's name
    };
    TKind Kind;
    TOutlineKind Outline;
    TNodePath At;
    TNodePath To;
    std::vector<TShapeNode> Shape;
    std::vector<bool> AfterExpanded;
    // A move's old and new parent, expanded before and after (when they exist).
    bool OldParentBefore = false, OldParentAfter = false, NewParentBefore = false, NewParentAfter = false;

    std::size_t Bytes() const;
};

// The ten labels of one outline's custom fields before and after an editor.
struct TLabelChange
{
    TOutlineKind Outline;
    TLabelTexts Before;
    TLabelTexts After;
};

struct TUndoStep
{
    QString Name;
    std::vector<TOutlineOp> Ops;
    std::vector<TRecordChange<TVorgangRec>> Vorgaenge;
    std::vector<TRecordChange<TArbeiterRec>> Arbeiter;
    std::vector<TScheduleChange> Schedule;
    std::optional<TLabelChange> Labels;
    // The selected node of each outline (task outline first) before and after.
    std::array<std::optional<TNodePath>, 2> SelectionBefore;
    std::array<std::optional<TNodePath>, 2> SelectionAfter;

    std::size_t Bytes() const;
};

// The steps in the order they were done. Those before Position can be undone, the
// others redone. The oldest steps are dropped beyond MaxSteps steps or MaxBytes
// bytes; the newest step is always kept.
class TUndoHistory
{
public:
    explicit TUndoHistory(std::size_t maxSteps = 1000, std::size_t maxBytes = std::size_t(256) << 20)
        : MaxSteps(maxSteps), MaxBytes(maxBytes)
    {}

    // Drops the steps that could be redone, then adds step as the newest.
    void Push(std::unique_ptr<TUndoStep> step);
    const TUndoStep* NextUndo() const { return Position > 0 ? Steps[Position - 1].get() : nullptr; }
    const TUndoStep* NextRedo() const { return Position < Steps.size() ? Steps[Position].get() : nullptr; }
    // Moves over the step returned by NextUndo / NextRedo.
    void StepBack() { --Position; }
    void StepForward() { ++Position; }

    // Drops every step; savedNow tells whether the document is the one on disk.
    void Clear(bool savedNow);
    // The document as it is now is the one on disk.
    void MarkSaved() { SavedPosition = std::ptrdiff_t(Position); }
    bool AtSaved() const { return SavedPosition == std::ptrdiff_t(Position); }
    std::size_t Count() const { return Steps.size(); }
    std::size_t Bytes() const { return TotalBytes; }

private:
    std::size_t MaxSteps;
    std::size_t MaxBytes;
    std::deque<std::unique_ptr<TUndoStep>> Steps;
    std::size_t Position = 0;
    std::ptrdiff_t SavedPosition = 0; // -1 once the saved state cannot be reached
    std::size_t TotalBytes = 0;
};

// The history with what recording a step needs: the count of tasks the last step
// left, and the step being recorded.
struct TUndoState
{
    TUndoHistory History;
    uint32_t TasksAfterStep = 0;

    // A record the command is about to change, as it was before; Commit pairs it
    // with its state after. Records the command appends need none.
    template <typename TRec> struct TTouched
    {
        uint32_t Index;
        TRecordCopy<TRec> Before;
    };
    struct TRecording
    {
        std::unique_ptr<TUndoStep> Step;
        uint32_t VorgangCount = 0; // the stores' sizes when the command began
        uint32_t ArbeiterCount = 0;
        std::vector<TTouched<TVorgangRec>> Vorgaenge;
        std::vector<TTouched<TArbeiterRec>> Arbeiter;
        std::unordered_set<uint32_t> TouchedVorgaenge;
        std::unordered_set<uint32_t> TouchedArbeiter;
    };
    std::unique_ptr<TRecording> Recording;
};
