#pragma once

#include "DynaArray.h"
#include "Records.h"
#include "UndoSteps.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

class TOutlineTree;
class TOutlineNode;

struct TDocument;

// The task outline's shape as the recalculation keeps it bound, to walk in
// pre-order without visiting the nodes: a large project's nodes lie apart in
// memory, the binding's tables in a row. Positions count from 0 in pre-order.
class TBoundOutline
{
public:
    virtual uint32_t NodeCount() const = 0;
    virtual uint32_t RecordAt(uint32_t k) const = 0;
    virtual const TOutlineNode* NodeAt(uint32_t k) const = 0;
    virtual bool HasChildrenAt(uint32_t k) const = 0;
    // For a leaf: how many lists of siblings end with it, the top level's among them
    // when it is the last node.
    virtual int ListsEndingAt(uint32_t k) const = 0;

protected:
    ~TBoundOutline() = default;
};

// Working state that a subsystem keeps with the document from one run to the next
// (the schedule's buffers); it ends with the document.
struct TDocumentScratch
{
    virtual ~TDocumentScratch() = default;
    // Until what the subsystem still does with the document on a thread of its own
    // is done; it only reads the document there.
    virtual void Wait() {}
    // As Wait, but what the thread does is given up where it stands.
    virtual void Stop() { Wait(); }
    // The binding of doc's task outline, valid until the document next changes; null
    // when it is not the outline's shape as it is (nothing bound it yet, or the
    // outline changed since) and while the thread uses it.
    virtual const TBoundOutline* BoundTaskOutline(const TDocument&) const { return nullptr; }
};

// The whole document the main window owns for the run of the program. Subsystem
// functions take it by reference.
struct TDocument
{
    TCursor<TVorgangRec> CurVorgang;
    TCursor<TArbeiterRec> CurArbeiter;
    TFieldLabels VorgangFieldLabels{};
    TFieldLabels ArbeiterFieldLabels{};
    std::unique_ptr<TDynaArray> VorgangStore;
    std::unique_ptr<TDynaArray> ArbeiterStore;
    TCursor<int32_t> CurResId;
    bool Changed = false;
    int32_t PrintSplitY = 0;
    QString FileName;
    TDateTime ViewStart = 0;
    TOutlineTree* Vorgangs = nullptr;
    TOutlineTree* Arbeiter = nullptr;
    std::minstd_rand Random; // only for the letter of new resource captions
    // Smallest Id a new record may take. A record made by the program takes its store
    // index; loading a file raises these above every Id it read, so no Id is given
    // twice and no stale resource Id in a task's list comes to name a new resource.
    int64_t VorgangIdFloor = 0;
    int64_t ArbeiterIdFloor = 0;
    std::unique_ptr<TDocumentScratch> ScheduleScratch;
    // The tasks whose dates, link or summary mark a recalculation changed, by store
    // index with those fields as they were before it, gathered while the undo
    // history follows the document (from its first step on) until the history takes
    // them into its next step: in any order, a task changed more than once in the
    // order of its changes.
    struct TRescheduled
    {
        uint32_t Index;
        TScheduleFields Before;
    };
    std::vector<TRescheduled> Rescheduled;
    bool FollowRescheduled = false;
    // The other way round: the tasks the undo history saw written since the last
    // recalculation (touched by a command, put back by an undo or redo step), by
    // store index, in any order, some more than once. WrittenKnown says that these
    // are all: every change is recorded from the end of a recalculation that ran
    // while a command was being recorded; anything else (a change outside any
    // command, a new document) lets the next recalculation compare every task.
    std::vector<uint32_t> Written;
    bool WrittenKnown = false;
    // Counts the times the stores were emptied, so that what is kept about their
    // records is not taken for a new document's.
    uint64_t Generation = 0;
    TUndoState Undo;
    // New top-level nodes waiting outside each outline (tasks, resources) while the
    // file reader builds it; null when nodes go into the outline at once.
    std::vector<TOutlineNode*>* PendingTop[2] = {nullptr, nullptr};

    TVorgangRec& VorgangAt(uint32_t index) const
    {
        return *static_cast<TVorgangRec*>(VorgangStore->At(index));
    }
    TArbeiterRec& ArbeiterAt(uint32_t index) const
    {
        return *static_cast<TArbeiterRec*>(ArbeiterStore->At(index));
    }
};

// Before anything changes the records or the outlines: until no thread reads them.
inline void WaitForBackgroundWork(TDocument& doc)
{
    if (doc.ScheduleScratch)
        doc.ScheduleScratch->Wait();
}

// As WaitForBackgroundWork, for changes that would gain nothing by the thread's end.
inline void StopBackgroundWork(TDocument& doc)
{
    if (doc.ScheduleScratch)
        doc.ScheduleScratch->Stop();
}

inline const TBoundOutline* BoundTaskOutline(const TDocument& doc)
{
    return doc.ScheduleScratch ? doc.ScheduleScratch->BoundTaskOutline(doc) : nullptr;
}

// Notes that the task with store index was written (see TDocument::Written).
void NoteWritten(TDocument& doc, uint32_t index);

// Seeds the generator, sets the labels to their defaults and creates both stores.
void CreateModel(TDocument& doc, uint32_t seed);
// Removes every node through the deletion handling, then frees stores, labels and
// the working state kept with the document.
void DestroyModel(TDocument& doc);
