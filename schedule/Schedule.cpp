#include "Schedule.h"

#include "Outline.h"

#include <QTreeWidget>
#include <algorithm>
#include <bit>
#include <limits>
#include <unordered_map>
#include <vector>

namespace {

constexpr uint32_t None = std::numeric_limits<uint32_t>::max();

// What the recalculation knows of one record besides the record itself, packed
// into half a cache line: on a large project the walks jump around the store, and
// touching this array instead of the records keeps them fast. Indexes are store
// indexes; None where there is none.
struct TInfo
{
    uint32_t Parent = None;
    uint32_t FirstChild = None;
    uint32_t NextSibling = None;
    uint32_t Predecessor = None; // record named by Link, while Link > 0; never for a summary task
    uint32_t PreOrder = None;    // position in the outline's pre-order
    uint32_t SubtreeSize = 0;    // nodes in the subtree, the node included
    uint32_t Mark = 0;           // last child while binding; later the stamp of a walk or search
    uint8_t Live = 0;
    uint8_t LeadsToEnd = 0; // following the links from here ends without a loop
    uint8_t LinkKept = 0;
    uint8_t State = 0; // settling: 0 new, 1 waiting for dependencies, 2 settled
};
static_assert(sizeof(TInfo) == 32);

struct TSpan
{
    TDateTime Beginn;
    TDateTime Ende;
};

// Tarjan's bookkeeping, needed only when some link leads to a summary task.
struct TTarjan
{
    uint32_t Component = None; // strongly connected part of the dependencies
    uint32_t Index = None;
    uint32_t Low = 0;
    uint8_t OnStack = 0;
};

// Buffers the document keeps from one recalculation to the next, so a recalculation
// after every change allocates nothing once the project has been seen at its size.
struct TWorkspace final : TDocumentScratch
{
    std::vector<TInfo> Info;
    std::vector<TSpan> Spans;
    std::vector<TScheduleFields> Found; // each task as the recalculation found it
    std::vector<TTarjan> Tarjan;
    std::vector<uint32_t> Walked; // records in the outline's pre-order
    std::vector<QTreeWidgetItem*> NodeOf;
    std::vector<int32_t> IdOf;
    std::vector<int32_t> LinkOf;
    std::vector<uint32_t> Ids; // dense Id table: first store index per Id
    std::unordered_map<int32_t, uint32_t> SpreadIds;
    std::vector<uint32_t> Stack;
    std::vector<uint32_t> Path;
    std::vector<std::pair<QTreeWidgetItem*, uint32_t>> Nodes;
    // The dependencies as the last recalculation left them, free of loops: each
    // bound task's parent and the task its kept link names (None where none).
    std::vector<uint32_t> LastParent;
    std::vector<uint32_t> LastPredecessor;
    // What the last recalculation left in each record, and, per task, the first and
    // the next of the tasks whose kept link names it. With them a recalculation that
    // finds nothing changed but dates settles only what depends on those dates.
    std::vector<TScheduleFields> Left;
    std::vector<uint32_t> FirstFollower;
    std::vector<uint32_t> NextFollower;
    bool DenseIds = true;
    bool Settled = false; // the last recalculation ran to its end
    std::vector<uint8_t> Quick;
    std::vector<uint32_t> Reach;
    std::vector<TScheduleFields> ReachFound;
    // The outline whose shape the tree fields of Info, Walked and NodeOf describe,
    // and whether it has gained, lost or moved a node since; its model tells. One
    // node added and nothing else is kept apart, as the rows leading to its place,
    // so that it can be bound alone.
    const QTreeWidget* Bound = nullptr;
    bool Reshaped = true;
    bool Added = false;
    std::vector<int> AddedAt;
    std::vector<QMetaObject::Connection> Watching;

    ~TWorkspace() override { Unwatch(); }

    void Unwatch()
    {
        for (const QMetaObject::Connection& c : Watching)
            QObject::disconnect(c);
        Watching.clear();
    }

    void Watch(const QTreeWidget* outline)
    {
        Unwatch();
        Bound = outline;
        const QAbstractItemModel* model = outline->model();
        auto reshaped = [this] { Reshaped = true; };
        auto inserted = [this](const QModelIndex& parent, int first, int last) {
            if (Reshaped || Added || first != last) {
                Reshaped = true;
                return;
            }
            AddedAt.clear();
            for (QModelIndex up = parent; up.isValid(); up = up.parent())
                AddedAt.push_back(up.row());
            std::reverse(AddedAt.begin(), AddedAt.end());
            AddedAt.push_back(first);
            Added = true;
        };
        Watching = {QObject::connect(model, &QAbstractItemModel::rowsInserted, inserted),
                    QObject::connect(model, &QAbstractItemModel::rowsRemoved, reshaped),
                    QObject::connect(model, &QAbstractItemModel::rowsMoved, reshaped),
                    QObject::connect(model, &QAbstractItemModel::layoutChanged, reshaped),
                    QObject::connect(model, &QAbstractItemModel::modelReset, reshaped),
                    QObject::connect(model, &QObject::destroyed, [this] {
                        Bound = nullptr;
                        Reshaped = true;
                    })};
    }
};

void Report(TDocument& doc, uint32_t count, uint32_t t)
{
    if (doc.Rescheduled.size() >= count)
        doc.RescheduledAll = true;
    if (!doc.RescheduledAll)
        doc.Rescheduled.push_back(t);
}

// The leaf the outline gained since the last recalculation, bound to the record
// appended since, when that is all that changed its shape; otherwise null.
QTreeWidgetItem* AddedNode(const TDocument& doc, const TWorkspace& w, uint32_t count)
{
    if (w.Bound != doc.Vorgangs || w.Reshaped || !w.Added || count != w.Info.size() + 1)
        return nullptr;
    QTreeWidgetItem* node = doc.Vorgangs->invisibleRootItem();
    for (int row : w.AddedAt)
        if (!(node = node->child(row)))
            return nullptr;
    return node->childCount() == 0 && RecordIndex(node) == count - 1 ? node : nullptr;
}

// Binds added, the node of the last record r, as a new leaf between its siblings
// and in the pre-order.
void BindAdded(const TDocument& doc, TWorkspace& w, QTreeWidgetItem* added, uint32_t r)
{
    QTreeWidgetItem* parentNode = added->parent() ? added->parent() : doc.Vorgangs->invisibleRootItem();
    const int row = parentNode->indexOfChild(added);
    const uint32_t parent = added->parent() ? RecordIndex(added->parent()) : None;
    auto sibling = [&](int at) {
        return at >= 0 && at < parentNode->childCount() ? RecordIndex(parentNode->child(at)) : None;
    };
    const uint32_t before = sibling(row - 1);
    w.Info.push_back({parent, None, sibling(row + 1), None, 0, 1});
    w.NodeOf.push_back(added);
    if (before != None)
        w.Info[before].NextSibling = r;
    else if (parent != None)
        w.Info[parent].FirstChild = r;
    const uint32_t at = before != None   ? w.Info[before].PreOrder + w.Info[before].SubtreeSize
                        : parent != None ? w.Info[parent].PreOrder + 1
                                         : 0;
    w.Walked.insert(w.Walked.begin() + at, r);
    for (uint32_t k = at; k < w.Walked.size(); ++k)
        w.Info[w.Walked[k]].PreOrder = k;
    for (uint32_t up = parent; up != None; up = w.Info[up].Parent)
        ++w.Info[up].SubtreeSize;
}

// A task's span from the spans of what it depends on: a summary task spans its
// children, a linked task begins at its predecessor's end keeping its duration.
void SettleSpan(TWorkspace& w, uint32_t t)
{
    TSpan& span = w.Spans[t];
    const TInfo& info = w.Info[t];
    if (info.FirstChild != None) {
        for (uint32_t c = info.FirstChild; c != None; c = w.Info[c].NextSibling) {
            span.Beginn = std::min(span.Beginn, w.Spans[c].Beginn);
            span.Ende = std::max(span.Ende, w.Spans[c].Ende);
        }
        return;
    }
    const uint32_t p = info.Predecessor;
    if (p == None)
        return;
    const TDateTime end = w.Spans[p].Ende;
    if (end != EndSeed && end != span.Beginn) {
        span.Ende = (span.Ende - span.Beginn) + end;
        span.Beginn = end;
    }
}

bool SameDates(const TVorgangRec& rec, const TScheduleFields& left)
{
    return std::bit_cast<uint64_t>(rec.Beginn) == std::bit_cast<uint64_t>(left.Beginn) &&
           std::bit_cast<uint64_t>(rec.Ende) == std::bit_cast<uint64_t>(left.Ende);
}

// After a recalculation the dates, links and summary marks are settled. When since
// then only dates of bound tasks have changed, or one leaf was added under a summary
// task or at the top, no link can have become one to cut and no task a summary or a
// leaf, so only the tasks whose dates depend on the changed ones, through links and
// summaries, can move: they are settled again in dependency order, from the same
// spans the full recalculation would use. Anything else is left to it.
class TQuickRecalculation
{
public:
    TQuickRecalculation(TDocument& doc, TWorkspace& work) : Doc(doc), Count(doc.VorgangStore->Count), W(work)
    {}

    bool Run(TRecalcStats& stats)
    {
        const uint32_t old = uint32_t(W.Info.size());
        if (!W.Settled || W.Bound != Doc.Vorgangs || W.Reshaped || W.Left.size() != old)
            return false;
        QTreeWidgetItem* added = Count == old + 1 ? AddedNode(Doc, W, Count) : nullptr;
        if (Count != old && !added)
            return false;
        if (Count == old && W.Added)
            return false;
        W.Reach.clear();
        W.ReachFound.clear();
        if (!FindChangedDates(old) || (added && !MayBindAlone(added, old)))
            return false;
        // From here on the recalculation is this one.
        W.Quick.resize(Count, 0);
        if (added)
            TakeIn(added, old);
        for (uint32_t t : W.Reach)
            W.Quick[t] = 1;
        for (uint32_t k = 0; k < W.Reach.size(); ++k) {
            const uint32_t t = W.Reach[k];
            Mark(W.Info[t].Parent);
            for (uint32_t f = W.FirstFollower[t]; f != None; f = W.NextFollower[f])
                Mark(f);
        }
        SettleReached();
        W.Added = false;
        stats.Steps = W.Reach.size();
        return true;
    }

private:
    TDocument& Doc;
    const uint32_t Count;
    TWorkspace& W;

    TVorgangRec& Rec(uint32_t i) const { return Doc.VorgangAt(i); }

    // The tasks whose dates differ from what the last recalculation left become the
    // first reached; any other difference leaves the work to the full recalculation.
    bool FindChangedDates(uint32_t old)
    {
        for (uint32_t i = 0; i < old; ++i) {
            const TVorgangRec& rec = Rec(i);
            const bool live = rec.Deleted == 0;
            if (live != (W.Info[i].Live != 0) || rec.Id != W.IdOf[i])
                return false;
            if (!live)
                continue;
            const TScheduleFields& left = W.Left[i];
            if (rec.Link != left.Link || rec.IsSummary != left.IsSummary ||
                (W.NodeOf[i] && rec.Node != W.NodeOf[i]))
                return false;
            if (!SameDates(rec, left)) {
                if (!W.NodeOf[i] || W.Reach.size() > old / 8 + 16)
                    return false;
                W.Reach.push_back(i);
                W.ReachFound.push_back(ScheduleFieldsOf(rec));
            }
        }
        return true;
    }

    // A new task without a link, with an Id of its own, under a task that already
    // was a summary task or at the top.
    bool MayBindAlone(QTreeWidgetItem* added, uint32_t r)
    {
        const TVorgangRec& rec = Rec(r);
        if (rec.Deleted || rec.Link != 0 || rec.Id < 0)
            return false;
        if (added->parent() && W.Info[RecordIndex(added->parent())].FirstChild == None)
            return false;
        if (W.DenseIds)
            return rec.Id < int64_t(4) * Count + 1024 &&
                   (std::size_t(rec.Id) >= W.Ids.size() || W.Ids[std::size_t(rec.Id)] == None);
        return !W.SpreadIds.contains(rec.Id);
    }

    void TakeIn(QTreeWidgetItem* added, uint32_t r)
    {
        BindAdded(Doc, W, added, r);
        TVorgangRec& rec = Rec(r);
        TInfo& info = W.Info[r];
        info.Live = 1;
        info.State = 2;
        if (W.DenseIds) {
            if (std::size_t(rec.Id) >= W.Ids.size())
                W.Ids.resize(std::size_t(rec.Id) + 1, None);
            W.Ids[std::size_t(rec.Id)] = r;
        } else {
            W.SpreadIds.emplace(rec.Id, r);
        }
        W.IdOf.push_back(rec.Id);
        W.LinkOf.push_back(0);
        W.Found.push_back(ScheduleFieldsOf(rec));
        W.Spans.push_back({rec.Beginn, rec.Ende});
        W.Left.push_back(ScheduleFieldsOf(rec));
        W.FirstFollower.push_back(None);
        W.NextFollower.push_back(None);
        W.LastParent.resize(Count, None);
        W.LastPredecessor.resize(Count, None);
        W.LastParent[r] = info.Parent;
        rec.Node = added;
        rec.IsSummary = 0;
        W.Reach.push_back(r);
        W.ReachFound.push_back(ScheduleFieldsOf(rec));
    }

    void Mark(uint32_t t)
    {
        if (t == None || W.Quick[t])
            return;
        W.Quick[t] = 1;
        W.Reach.push_back(t);
        W.ReachFound.push_back(ScheduleFieldsOf(Rec(t)));
    }

    void SettleReached()
    {
        for (uint32_t root : W.Reach) {
            if (W.Quick[root] != 1)
                continue;
            W.Stack.assign(1, root);
            while (!W.Stack.empty()) {
                const uint32_t t = W.Stack.back();
                const TInfo& info = W.Info[t];
                if (W.Quick[t] == 1) {
                    W.Quick[t] = 2;
                    auto follow = [&](uint32_t d) {
                        if (d != None && W.Quick[d] == 1)
                            W.Stack.push_back(d);
                    };
                    follow(info.Predecessor);
                    for (uint32_t c = info.FirstChild; c != None; c = W.Info[c].NextSibling)
                        follow(c);
                    continue;
                }
                W.Stack.pop_back();
                if (W.Quick[t] == 2) {
                    W.Quick[t] = 3;
                    Restart(t);
                    SettleSpan(W, t);
                }
            }
        }
        for (uint32_t k = 0; k < W.Reach.size(); ++k) {
            const uint32_t t = W.Reach[k];
            TVorgangRec& rec = Rec(t);
            rec.Beginn = W.Spans[t].Beginn;
            rec.Ende = W.Spans[t].Ende;
            W.Left[t] = ScheduleFieldsOf(rec);
            if (!SameSchedule(W.Left[t], W.ReachFound[k]))
                Report(Doc, Count, t);
            W.Quick[t] = 0;
        }
    }

    // The span a task starts settling from, as the first pass of the full
    // recalculation gives it.
    void Restart(uint32_t t)
    {
        TVorgangRec& rec = Rec(t);
        if (rec.Beginn > rec.Ende)
            rec.Ende = rec.Beginn;
        if (W.Info[t].FirstChild != None)
            W.Spans[t] = {StartSeed, EndSeed};
        else
            W.Spans[t] = {rec.Beginn, rec.Ende};
    }
};

class TRecalculation
{
public:
    TRecalculation(TDocument& doc, TWorkspace& work)
        : Doc(doc), Count(doc.VorgangStore->Count), W(work), Added(AddedNode(doc, work, Count)),
          SameShape(W.Bound == doc.Vorgangs && !W.Reshaped && (Added || (!W.Added && W.Info.size() == Count)))
    {
        if (SameShape) {
            for (TInfo& info : W.Info)
                info = {info.Parent, info.FirstChild, info.NextSibling,
                        None,        info.PreOrder,   info.SubtreeSize};
            if (Added)
                BindAdded(Doc, W, Added, Count - 1);
        } else {
            W.Info.assign(Count, TInfo{});
            W.NodeOf.assign(Count, nullptr);
            W.Walked.clear();
        }
        W.Settled = false;
        W.Spans.resize(Count);
        W.Found.resize(Count);
        W.Left.resize(Count);
        W.IdOf.resize(Count);
        W.LinkOf.resize(Count);
        BuildIdIndex();
    }

    TRecalcStats Run()
    {
        if (SameShape)
            DropSummaryLinks();
        else
            BindNodes();
        FirstPass();
        if (MayCloseNewLoops())
            RemoveContainmentCycles();
        Settle();
        KeepDependencies();
        W.Added = false;
        W.DenseIds = DenseIds;
        W.Settled = true;
        return Stats;
    }

private:
    TDocument& Doc;
    const uint32_t Count;
    TWorkspace& W;
    TRecalcStats Stats;
    // The one leaf the outline gained since the last recalculation, bound to the
    // record appended since, when that is all that changed its shape.
    QTreeWidgetItem* const Added;
    // The outline has the shape it had at the last recalculation, but for Added, so
    // its nodes need not be walked again.
    const bool SameShape;
    bool DenseIds = true;
    uint32_t Stamp = 0;

    TVorgangRec& Rec(uint32_t i) const { return Doc.VorgangAt(i); }
    TInfo& Info(uint32_t i) { return W.Info[i]; }
    bool HasChildren(uint32_t i) { return Info(i).FirstChild != None; }
    uint32_t Predecessor(uint32_t i) { return Info(i).Predecessor; }
    TSpan& Span(uint32_t i) { return W.Spans[i]; }
    TTarjan& Tarjan(uint32_t i) { return W.Tarjan[i]; }

    // A bound task's changes are reported when its dates are written back.
    void ClearLink(uint32_t i)
    {
        Rec(i).Link = 0;
        Info(i).Predecessor = None;
        ++Stats.LinksRemoved;
        if (!W.NodeOf[i])
            Report(i);
    }

    // Lookups by Id give the first record in store order with that Id. Ids made by
    // the running program are store indexes, so a dense table is the usual case;
    // Ids spread far apart (a damaged file) fall back to a hash table.
    void BuildIdIndex()
    {
        int64_t low = 0;
        int64_t high = -1;
        for (uint32_t i = 0; i < Count; ++i) {
            const TVorgangRec& rec = Rec(i);
            W.IdOf[i] = rec.Id;
            W.LinkOf[i] = rec.Link;
            W.Found[i] = ScheduleFieldsOf(rec);
            Info(i).Live = rec.Deleted == 0;
            low = std::min<int64_t>(low, rec.Id);
            high = std::max<int64_t>(high, rec.Id);
        }
        DenseIds = low >= 0 && high < 4 * int64_t(Count) + 1024;
        W.Ids.clear();
        W.SpreadIds.clear();
        if (DenseIds)
            W.Ids.assign(std::size_t(high + 1), None);
        for (uint32_t i = 0; i < Count; ++i) {
            const int32_t id = W.IdOf[i];
            if (DenseIds) {
                if (W.Ids[std::size_t(id)] == None)
                    W.Ids[std::size_t(id)] = i;
            } else {
                W.SpreadIds.try_emplace(id, i);
            }
        }
        for (uint32_t i = 0; i < Count; ++i)
            if (W.LinkOf[i] > 0)
                Info(i).Predecessor = FindId(int64_t(W.LinkOf[i]) - 1);
    }

    uint32_t FindId(int64_t id) const
    {
        if (DenseIds)
            return id >= 0 && id < int64_t(W.Ids.size()) ? W.Ids[std::size_t(id)] : None;
        const auto it = W.SpreadIds.find(int32_t(id));
        return it != W.SpreadIds.end() ? it->second : None;
    }

    // Step 0: every node's record learns its node; the tree is copied into Info. A
    // task with children is a summary task: its link goes in the first pass, and from
    // here on no phase follows it, whichever comes first in store order.
    void BindNodes()
    {
        W.Nodes.clear();
        QTreeWidget* outline = Doc.Vorgangs;
        for (int i = outline->topLevelItemCount() - 1; i >= 0; --i)
            W.Nodes.emplace_back(outline->topLevelItem(i), None);
        while (!W.Nodes.empty()) {
            const auto [node, parent] = W.Nodes.back();
            W.Nodes.pop_back();
            ++Stats.Steps;
            const uint32_t r = RecordIndex(node);
            W.NodeOf[r] = node;
            TInfo& info = Info(r);
            info.PreOrder = uint32_t(W.Walked.size());
            info.Parent = parent;
            W.Walked.push_back(r);
            if (parent != None) {
                TInfo& up = Info(parent);
                if (up.FirstChild == None)
                    up.Predecessor = None;
                (up.FirstChild == None ? up.FirstChild : Info(up.Mark).NextSibling) = r;
                up.Mark = r;
            }
            for (int c = node->childCount() - 1; c >= 0; --c)
                W.Nodes.emplace_back(node->child(c), r);
        }
        for (auto it = W.Walked.rbegin(); it != W.Walked.rend(); ++it) {
            TInfo& info = Info(*it);
            info.Mark = 0;
            info.SubtreeSize += 1;
            if (info.Parent != None)
                Info(info.Parent).SubtreeSize += info.SubtreeSize;
        }
        if (W.Bound != outline)
            W.Watch(outline);
        W.Reshaped = false;
    }

    void DropSummaryLinks()
    {
        for (uint32_t t : W.Walked)
            if (HasChildren(t))
                Info(t).Predecessor = None;
    }

    bool IsBelow(uint32_t node, uint32_t ancestor)
    {
        const TInfo& n = Info(node);
        const TInfo& a = Info(ancestor);
        return n.PreOrder != None && a.PreOrder != None && n.PreOrder > a.PreOrder &&
               n.PreOrder < a.PreOrder + a.SubtreeSize;
    }

    // Step 1, in store order.
    void FirstPass()
    {
        for (uint32_t t = 0; t < Count; ++t) {
            ++Stats.Steps;
            TVorgangRec& rec = Rec(t);
            if (rec.Deleted)
                continue;
            if (W.NodeOf[t])
                rec.Node = W.NodeOf[t];
            if (rec.Beginn > rec.Ende)
                rec.Ende = rec.Beginn;
            rec.IsSummary = HasChildren(t) ? 1 : 0;
            if (rec.IsSummary) {
                rec.Link = 0;
                rec.Beginn = StartSeed;
                rec.Ende = EndSeed;
            }
            if (rec.Link > 0) {
                const uint32_t p = Predecessor(t);
                if (p == None || !Info(p).Live)
                    ClearLink(t);
            }
            if (rec.Link > 0)
                CutIfInsideWhatThePredecessorFollows(t);
            if (rec.Link > 0)
                CutLinkCycle(t);
            Span(t) = {rec.Beginn, rec.Ende};
            if (!W.NodeOf[t]) {
                W.Left[t] = ScheduleFieldsOf(rec);
                if (!SameSchedule(W.Left[t], W.Found[t]))
                    Report(t);
            }
        }
    }

    void Report(uint32_t t) { ::Report(Doc, Count, t); }

    // T follows P and P follows Q: a T inside Q would wait for Q, which waits for T.
    void CutIfInsideWhatThePredecessorFollows(uint32_t t)
    {
        const uint32_t q = Predecessor(Predecessor(t));
        if (q != None && IsBelow(t, q))
            ClearLink(t);
    }

    // Follows the links from T, through any record, until a record without a link
    // or one already passed. On a return into the chain, the last record passed
    // loses its link. A walk that reaches a record already known to lead to an end
    // stops there: removing links never makes such a path circular again, so every
    // record is walked through at most once per recalculation.
    void CutLinkCycle(uint32_t t)
    {
        const uint32_t walk = ++Stamp;
        W.Path.clear();
        uint32_t c = t;
        while (c != None && Predecessor(c) != None && !Info(c).LeadsToEnd) {
            ++Stats.Steps;
            if (Info(c).Mark == walk) {
                ClearLink(W.Path.back());
                break;
            }
            Info(c).Mark = walk;
            W.Path.push_back(c);
            c = Predecessor(c);
        }
        for (uint32_t passed : W.Path)
            Info(passed).LeadsToEnd = 1;
    }

    // The dates of a live task depend on its predecessor and, for a summary task, on
    // its children; Next gives them one at a time.
    struct TDependencies
    {
        uint32_t Task;
        bool LinkDone = false;
        uint32_t NextChild;
    };
    TDependencies DependenciesOf(uint32_t t) { return {t, false, Info(t).FirstChild}; }
    bool Next(TDependencies& d, uint32_t& out)
    {
        if (!d.LinkDone) {
            d.LinkDone = true;
            out = Predecessor(d.Task);
            if (out != None)
                return true;
        }
        out = d.NextChild;
        if (out == None)
            return false;
        d.NextChild = Info(out).NextSibling;
        return true;
    }

    // A link closes a loop through containment when the predecessor's end depends,
    // through links and summary spans, on the follower's own end; such a project
    // would never settle. Only links inside a strongly connected part of the
    // dependencies can do that. Within each such part the links are taken in store
    // order: a link is kept unless, with the containment and the links kept before
    // it, the predecessor's end would depend on the follower. Earlier tasks so keep
    // their links, as with plain link cycles.
    void RemoveContainmentCycles()
    {
        if (!AnyLinkToASummaryTask())
            return;
        FindStronglyConnectedParts();
        std::vector<uint32_t> looping;
        for (uint32_t t = 0; t < Count; ++t) {
            const uint32_t p = Predecessor(t);
            if (p != None && Tarjan(t).Component != None && Tarjan(t).Component == Tarjan(p).Component)
                looping.push_back(t);
        }
        for (uint32_t t : looping) { // in store order
            if (Reaches(Predecessor(t), t))
                ClearLink(t);
            else
                Info(t).LinkKept = 1;
        }
    }

    // After the first pass no loop is made of links alone, and containment only
    // leads down the outline: a loop has to climb back through a link to a summary.
    bool AnyLinkToASummaryTask()
    {
        for (uint32_t t : W.Walked) {
            ++Stats.Steps;
            const uint32_t p = Predecessor(t);
            if (p != None && HasChildren(p))
                return true;
        }
        return false;
    }

    // Tarjan's algorithm without recursion over the live tasks.
    void FindStronglyConnectedParts()
    {
        std::vector<TDependencies> calls;
        uint32_t counter = 0;
        uint32_t components = 0;
        W.Stack.clear();
        W.Tarjan.assign(Count, TTarjan{});
        auto enter = [&](uint32_t t) {
            Tarjan(t).Index = Tarjan(t).Low = counter++;
            W.Stack.push_back(t);
            Tarjan(t).OnStack = 1;
            calls.push_back(DependenciesOf(t));
        };
        for (uint32_t root : W.Walked) {
            if (Tarjan(root).Index != None)
                continue;
            enter(root);
            while (!calls.empty()) {
                ++Stats.Steps;
                const uint32_t t = calls.back().Task;
                uint32_t d;
                if (Next(calls.back(), d)) {
                    if (Tarjan(d).Index == None)
                        enter(d);
                    else if (Tarjan(d).OnStack)
                        Tarjan(t).Low = std::min(Tarjan(t).Low, Tarjan(d).Index);
                    continue;
                }
                calls.pop_back();
                if (!calls.empty()) {
                    TTarjan& caller = Tarjan(calls.back().Task);
                    caller.Low = std::min(caller.Low, Tarjan(t).Low);
                }
                if (Tarjan(t).Low == Tarjan(t).Index) {
                    uint32_t m;
                    do {
                        m = W.Stack.back();
                        W.Stack.pop_back();
                        Tarjan(m).OnStack = 0;
                        Tarjan(m).Component = components;
                    } while (m != t);
                    ++components;
                }
            }
        }
    }

    // Whether `from`'s dates depend on `target` through containment and the links
    // kept so far, searching only the strongly connected part they share.
    bool Reaches(uint32_t from, uint32_t target)
    {
        const uint32_t search = ++Stamp;
        const uint32_t part = Tarjan(target).Component;
        W.Stack.assign(1, from);
        Info(from).Mark = search;
        while (!W.Stack.empty()) {
            const uint32_t t = W.Stack.back();
            W.Stack.pop_back();
            ++Stats.Steps;
            if (t == target)
                return true;
            auto follow = [&](uint32_t d) {
                if (d != None && Tarjan(d).Component == part && Info(d).Mark != search) {
                    Info(d).Mark = search;
                    W.Stack.push_back(d);
                }
            };
            if (Info(t).LinkKept)
                follow(Predecessor(t));
            for (uint32_t c = Info(t).FirstChild; c != None; c = Info(c).NextSibling)
                follow(c);
        }
        return false;
    }

    // Step 2 as one pass in dependency order: each task is settled after the tasks
    // its dates depend on. Linked tasks begin at their predecessor's end keeping
    // their duration; summary tasks span exactly their children.
    void Settle()
    {
        for (uint32_t root : W.Walked) {
            if (Info(root).State != 0)
                continue;
            W.Stack.assign(1, root);
            while (!W.Stack.empty()) {
                const uint32_t t = W.Stack.back();
                TInfo& info = Info(t);
                ++Stats.Steps;
                if (info.State == 0) {
                    info.State = 1;
                    TDependencies deps = DependenciesOf(t);
                    uint32_t d;
                    while (Next(deps, d))
                        if (Info(d).State == 0)
                            W.Stack.push_back(d);
                    continue;
                }
                W.Stack.pop_back();
                if (info.State == 1) {
                    info.State = 2;
                    SettleSpan(W, t);
                }
            }
        }
        for (uint32_t t = 0; t < Count; ++t) {
            if (W.NodeOf[t]) {
                TVorgangRec& rec = Rec(t);
                rec.Beginn = Span(t).Beginn;
                rec.Ende = Span(t).Ende;
                W.Left[t] = ScheduleFieldsOf(rec);
                if (!SameSchedule(W.Left[t], W.Found[t]))
                    Report(t);
            }
        }
    }

    // A loop through containment needs a dependency of a task that itself depends
    // on something: a link to a linked or summary task, or a child that is linked
    // or a summary. When every such dependency was already there after the last
    // recalculation, which left no loop, none can have formed since; then every
    // link within a strongly connected part would be kept, and the search can be
    // left out. Inserting and deleting tasks, and changing dates, add none.
    bool MayCloseNewLoops()
    {
        auto last = [](const std::vector<uint32_t>& v, uint32_t t) { return t < v.size() ? v[t] : None; };
        auto dependsOnSomething = [&](uint32_t t) { return Predecessor(t) != None || HasChildren(t); };
        for (uint32_t t : W.Walked) {
            const uint32_t p = Predecessor(t);
            if (p != None && dependsOnSomething(p) && last(W.LastPredecessor, t) != p)
                return true;
            const uint32_t parent = Info(t).Parent;
            if (parent != None && dependsOnSomething(t) && last(W.LastParent, t) != parent)
                return true;
        }
        return false;
    }

    void KeepDependencies()
    {
        W.LastParent.assign(Count, None);
        W.LastPredecessor.assign(Count, None);
        W.FirstFollower.assign(Count, None);
        W.NextFollower.assign(Count, None);
        for (uint32_t t : W.Walked) {
            W.LastParent[t] = Info(t).Parent;
            const uint32_t p = Predecessor(t);
            W.LastPredecessor[t] = p;
            if (p != None) {
                W.NextFollower[t] = W.FirstFollower[p];
                W.FirstFollower[p] = t;
            }
        }
    }
};

} // namespace

TRecalcStats Recalculate(TDocument& doc)
{
    if (!doc.ScheduleScratch)
        doc.ScheduleScratch = std::make_unique<TWorkspace>();
    auto& work = static_cast<TWorkspace&>(*doc.ScheduleScratch);
    TRecalcStats stats;
    if (TQuickRecalculation(doc, work).Run(stats))
        return stats;
    return TRecalculation(doc, work).Run();
}
