#include "Schedule.h"

#include "Outline.h"
#include "Undo.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <sys/mman.h>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace {

constexpr uint32_t None = std::numeric_limits<uint32_t>::max();

// A dry run's end: the recalculation would change a record.
struct TWouldWrite
{};

// Bit for bit, so that -0.0 and 0.0 differ and a NaN equals itself.
template <typename T, typename V> bool Differs(const T& field, V value)
{
    const T written = T(value);
    return std::memcmp(&field, &written, sizeof(T)) != 0;
}

// Writes a record's field, or in a dry run ends it when the field would change;
// true when the field changed.
template <typename T, typename V> bool Write(T& field, V value, bool dry)
{
    if (!Differs(field, value))
        return false;
    if (dry)
        throw TWouldWrite();
    field = T(value);
    return true;
}

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
    uint8_t State : 2 = 0; // settling: 0 new, 1 waiting for dependencies, 2 settled
    // The run changed the record's dates, link or summary mark, and reported it
    // with its fields before.
    uint8_t Changed : 1 = 0;
};
static_assert(sizeof(TInfo) == 32);

struct TSpan
{
    TDateTime Beginn;
    TDateTime Ende;
};

TSpan SpanOf(const TScheduleFields& left)
{
    return {left.Beginn, left.Ende};
}

// While a recalculation settles, the dates of a task's entry in Left are its span
// as far as settled; its link and summary mark stay as the last one left them.
void SetSpan(TScheduleFields& left, TDateTime beginn, TDateTime ende)
{
    left.Beginn = beginn;
    left.Ende = ende;
}

// Tarjan's bookkeeping, needed only when some link leads to a summary task.
// A table needed only within one phase of a recalculation, in pages of its own that
// go back to the system with it. Among the heap's blocks its pages would stay
// resident: at a million tasks, Tarjan's table is 16 MB the program would keep for
// nothing.
template <typename T> class TPhaseTable
{
public:
    TPhaseTable(std::size_t count, const T& value) : Bytes(std::max<std::size_t>(count, 1) * sizeof(T))
    {
        void* block = mmap(nullptr, Bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        madvise(block, Bytes, MADV_HUGEPAGE);
        Rows = static_cast<T*>(block);
        std::uninitialized_fill_n(Rows, count, value);
    }
    ~TPhaseTable() { munmap(Rows, Bytes); }
    TPhaseTable(const TPhaseTable&) = delete;
    TPhaseTable& operator=(const TPhaseTable&) = delete;

    T& operator[](std::size_t i) { return Rows[i]; }

private:
    static_assert(std::is_trivially_destructible_v<T>);
    std::size_t Bytes;
    T* Rows;
};

// Buffers the document keeps from one recalculation to the next, so a recalculation
// after every change allocates nothing once the project has been seen at its size.
struct TWorkspace final : TDocumentScratch, TBoundOutline
{
    std::vector<TInfo> Info;
    std::vector<uint32_t> Walked; // records in the outline's pre-order
    std::vector<TOutlineNode*> NodeOf;
    std::vector<int32_t> IdOf;
    std::vector<uint32_t> Ids; // dense Id table: first store index per Id
    std::unordered_map<int32_t, uint32_t> SpreadIds;
    std::vector<uint32_t> Stack;
    std::vector<uint32_t> Path;
    // The dependencies as the last recalculation left them, free of loops: each
    // bound task's parent and the task its kept link names (None where none).
    std::vector<uint32_t> LastParent;
    std::vector<uint32_t> LastPredecessor;
    // What the last recalculation left in each record, and, per task, the first and
    // the next of the tasks whose kept link names it. With them a recalculation that
    // finds nothing changed but dates settles only what depends on those dates. A
    // recalculation settles the spans in the dates of Left, which are the spans the
    // last one ended with: a table of its own would be a copy.
    std::vector<TScheduleFields> Left;
    std::vector<uint32_t> FirstFollower;
    std::vector<uint32_t> NextFollower;
    bool DenseIds = true;
    bool Settled = false; // the last recalculation ran to its end
    std::vector<uint8_t> Quick;
    std::vector<uint8_t> Seen;
    std::vector<uint32_t> LinkGone;
    std::vector<uint32_t> Again; // the quick recalculation's tasks still to settle
    std::vector<uint32_t> Reach;
    std::vector<TScheduleFields> ReachFound;
    // The outline whose shape the tree fields of Info, Walked and NodeOf describe,
    // and what its model told of it since: the subtrees taken out, by their root's
    // record, and one subtree put in after them, by the rows leading to its place.
    // Anything else (more changes, moves, resets) makes it Reshaped, to be bound
    // again from the start.
    const TOutlineTree* Bound = nullptr;
    bool Reshaped = true;
    std::vector<uint32_t> Removed;
    bool Inserted = false;
    std::vector<int> InsertedAt;
    std::vector<QMetaObject::Connection> Watching;
    // What the last binding changed, for the quick recalculation: the records of the
    // subtrees it took out with their former parents, and those it put in.
    std::vector<uint32_t> Unbound;
    std::vector<uint32_t> FormerParents;
    std::vector<uint32_t> Rebound;

    // Checks, after a file was read or a step undone, whether the dates are already
    // those of a recalculation; see PrepareRecalculation.
    std::thread Preparing;
    std::atomic<bool> StopPreparing = false;
    std::atomic<bool> Checking = false; // the check runs on its thread and uses these tables

    ~TWorkspace() override
    {
        Stop();
        Unwatch();
    }

    void Wait() override
    {
        if (Preparing.joinable())
            Preparing.join();
    }

    void Stop() override
    {
        StopPreparing = true;
        Wait();
        StopPreparing = false;
    }

    const TBoundOutline* BoundTaskOutline(const TDocument& doc) const override
    {
        if (Checking || Bound != doc.Vorgangs || Reshaped || Inserted || !Removed.empty() ||
            Info.size() != doc.VorgangStore->Count)
            return nullptr;
        return this;
    }

    uint32_t NodeCount() const override { return uint32_t(Walked.size()); }
    uint32_t RecordAt(uint32_t k) const override { return Walked[k]; }
    const TOutlineNode* NodeAt(uint32_t k) const override { return NodeOf[Walked[k]]; }
    bool HasChildrenAt(uint32_t k) const override { return Info[Walked[k]].FirstChild != None; }

    // A list of siblings ends with the leaf at k when the subtree of their parent,
    // or the whole pre-order for the top level, ends there.
    int ListsEndingAt(uint32_t k) const override
    {
        for (uint32_t c = Walked[k], lists = 0;; ++lists) {
            const uint32_t p = Info[c].Parent;
            const std::size_t end =
                p == None ? Walked.size() : std::size_t(Info[p].PreOrder) + Info[p].SubtreeSize;
            if (end != std::size_t(k) + 1)
                return int(lists);
            if (p == None)
                return int(lists) + 1;
            c = p;
        }
    }

    void Unwatch()
    {
        for (const QMetaObject::Connection& c : Watching)
            QObject::disconnect(c);
        Watching.clear();
    }

    void Forget()
    {
        Reshaped = true;
        Removed.clear();
        Inserted = false;
    }

    TOutlineNode* InsertedNode() const
    {
        TOutlineNode* node = Bound->invisibleRootItem();
        for (int row : InsertedAt)
            if (!(node = node->child(row)))
                return nullptr;
        return node;
    }

    void Watch(const TOutlineTree* outline)
    {
        Unwatch();
        Bound = outline;
        const QAbstractItemModel* model = outline->model();
        auto reshaped = [this] { Forget(); };
        auto removing = [this](const QModelIndex& parent, int first, int last) {
            if (Reshaped)
                return;
            const TOutlineNode* item = Bound->itemFromIndex(Bound->model()->index(first, 0, parent));
            if (Inserted && first == last && item == InsertedNode()) {
                // Put in and taken out again, as an undo and the next command do.
                Inserted = false;
                return;
            }
            const uint32_t r = item ? RecordIndex(item) : None;
            if (Inserted || first != last || Removed.size() >= 16 || r >= NodeOf.size() || NodeOf[r] != item)
                return Forget();
            Removed.push_back(r);
        };
        auto inserted = [this](const QModelIndex& parent, int first, int last) {
            if (Reshaped)
                return;
            if (Inserted || first != last)
                return Forget();
            InsertedAt.clear();
            for (QModelIndex up = parent; up.isValid(); up = up.parent())
                InsertedAt.push_back(up.row());
            std::reverse(InsertedAt.begin(), InsertedAt.end());
            InsertedAt.push_back(first);
            Inserted = true;
        };
        Watching = {QObject::connect(model, &QAbstractItemModel::rowsInserted, inserted),
                    QObject::connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, removing),
                    QObject::connect(model, &QAbstractItemModel::rowsMoved, reshaped),
                    QObject::connect(model, &QAbstractItemModel::layoutChanged, reshaped),
                    QObject::connect(model, &QAbstractItemModel::modelReset, reshaped),
                    QObject::connect(model, &QObject::destroyed, [this] {
                        Bound = nullptr;
                        Forget();
                    })};
    }
};

// Task t's dates, link or summary mark changed from before, for the undo history
// while it follows the document. Past two entries a task, the later ones of a task
// go, so that recalculations outside any step, which no step takes in, cannot
// gather without end.
void Report(TDocument& doc, uint32_t count, uint32_t t, const TScheduleFields& before)
{
    if (!doc.FollowRescheduled)
        return;
    auto& list = doc.Rescheduled;
    if (list.size() >= 2 * std::size_t(count) + 64) {
        std::stable_sort(list.begin(), list.end(),
                         [](const auto& a, const auto& b) { return a.Index < b.Index; });
        list.erase(std::unique(list.begin(), list.end(),
                               [](const auto& a, const auto& b) { return a.Index == b.Index; }),
                   list.end());
    }
    list.push_back({t, before});
}

// Numbers the pre-order again from position at on.
void Renumber(TWorkspace& w, uint32_t at)
{
    for (uint32_t k = at; k < w.Walked.size(); ++k)
        w.Info[w.Walked[k]].PreOrder = k;
}

// Takes the subtree of r out of the binding, as if its nodes had never been walked.
bool Unbind(TWorkspace& w, uint32_t r)
{
    if (!w.NodeOf[r])
        return false;
    const TInfo root = w.Info[r];
    if (root.Parent != None) {
        uint32_t* link = &w.Info[root.Parent].FirstChild;
        while (*link != None && *link != r)
            link = &w.Info[*link].NextSibling;
        if (*link != r)
            return false;
        *link = root.NextSibling;
    }
    if (root.PreOrder == None || std::size_t(root.PreOrder) + root.SubtreeSize > w.Walked.size())
        return false;
    const auto first = w.Walked.begin() + root.PreOrder;
    for (auto it = first; it != first + root.SubtreeSize; ++it) {
        TInfo& info = w.Info[*it];
        info.Parent = info.FirstChild = info.NextSibling = info.PreOrder = None;
        info.SubtreeSize = 0;
        w.NodeOf[*it] = nullptr;
        w.Unbound.push_back(*it);
    }
    w.Walked.erase(first, first + root.SubtreeSize);
    Renumber(w, root.PreOrder);
    for (uint32_t up = root.Parent; up != None; up = w.Info[up].Parent)
        w.Info[up].SubtreeSize -= root.SubtreeSize;
    w.FormerParents.push_back(root.Parent);
    return true;
}

// Binds node's subtree into its place between its bound siblings and in the
// pre-order, as walking the whole outline would.
bool BindSubtree(const TDocument& doc, TWorkspace& w, TOutlineNode* node, uint32_t count)
{
    auto bound = [&](const TOutlineNode* n) {
        const uint32_t r = RecordIndex(n);
        return r < count && w.NodeOf[r] == n ? r : None;
    };
    TOutlineNode* parentNode = node->parent() ? node->parent() : doc.Vorgangs->invisibleRootItem();
    const int row = parentNode->indexOfChild(node);
    const uint32_t parent = node->parent() ? bound(node->parent()) : None;
    const uint32_t before = row > 0 ? bound(parentNode->child(row - 1)) : None;
    const uint32_t after = row + 1 < parentNode->childCount() ? bound(parentNode->child(row + 1)) : None;
    if ((node->parent() && parent == None) || (row > 0 && before == None) ||
        (row + 1 < parentNode->childCount() && after == None))
        return false;
    const std::size_t firstNew = w.Rebound.size();
    bool fresh = true; // no node of the subtree is bound already
    PreOrder(node, [&](TOutlineNode* n) {
        const uint32_t r = RecordIndex(n);
        if (!fresh || r >= count || w.NodeOf[r]) {
            fresh = false;
            return;
        }
        w.NodeOf[r] = n;
        TInfo& info = w.Info[r];
        info.Parent = n == node ? parent : RecordIndex(n->parent());
        info.FirstChild = info.NextSibling = None;
        info.SubtreeSize = 0;
        w.Rebound.push_back(r);
        if (n != node) {
            TInfo& above = w.Info[info.Parent];
            (above.FirstChild == None ? above.FirstChild : w.Info[above.Mark].NextSibling) = r;
            above.Mark = r;
        }
    });
    if (!fresh)
        return false;
    const uint32_t r = RecordIndex(node);
    if (parent != None) {
        w.Info[r].NextSibling = after;
        (before != None ? w.Info[before].NextSibling : w.Info[parent].FirstChild) = r;
    }
    const uint32_t at = before != None   ? w.Info[before].PreOrder + w.Info[before].SubtreeSize
                        : parent != None ? w.Info[parent].PreOrder + 1
                                         : 0;
    if (at > w.Walked.size())
        return false;
    const auto added = w.Rebound.begin() + std::ptrdiff_t(firstNew);
    w.Walked.insert(w.Walked.begin() + at, added, w.Rebound.end());
    Renumber(w, at);
    for (auto it = w.Rebound.rbegin(); it != std::make_reverse_iterator(added); ++it) {
        TInfo& info = w.Info[*it];
        info.Mark = 0;
        info.SubtreeSize += 1;
        if (*it != r)
            w.Info[info.Parent].SubtreeSize += info.SubtreeSize;
    }
    for (uint32_t up = parent; up != None; up = w.Info[up].Parent)
        w.Info[up].SubtreeSize += w.Info[r].SubtreeSize;
    return true;
}

// Brings the binding up to what the outline's model told since the last one. False
// when the outline has to be walked again from the start.
bool ApplyTreeEvents(const TDocument& doc, TWorkspace& w, uint32_t count)
{
    w.Unbound.clear();
    w.FormerParents.clear();
    w.Rebound.clear();
    if (w.Bound != doc.Vorgangs || w.Reshaped || count < w.Info.size())
        return false;
    w.Info.resize(count, TInfo{});
    w.NodeOf.resize(count, nullptr);
    bool ok = true;
    for (uint32_t r : w.Removed)
        ok = ok && Unbind(w, r);
    if (ok && w.Inserted) {
        TOutlineNode* node = doc.Vorgangs->invisibleRootItem();
        for (int row : w.InsertedAt)
            if (node && !(node = node->child(row)))
                break;
        ok = node && BindSubtree(doc, w, node, count);
    }
    w.Removed.clear();
    w.Inserted = false;
    if (!ok)
        w.Reshaped = true;
    return ok;
}

// A task's span from the spans of what it depends on: a summary task spans its
// children, a linked task begins at its predecessor's end keeping its duration.
void SettleSpan(TWorkspace& w, uint32_t t)
{
    TScheduleFields& span = w.Left[t];
    const TInfo& info = w.Info[t];
    if (info.FirstChild != None) {
        for (uint32_t c = info.FirstChild; c != None; c = w.Info[c].NextSibling) {
            span.Beginn = std::min(span.Beginn, w.Left[c].Beginn);
            span.Ende = std::max(span.Ende, w.Left[c].Ende);
        }
        return;
    }
    const uint32_t p = info.Predecessor;
    if (p == None)
        return;
    const TDateTime end = w.Left[p].Ende;
    if (end != EndSeed && end != span.Beginn) {
        span.Ende = (span.Ende - span.Beginn) + end;
        span.Beginn = end;
    }
}

// Whether node lies inside ancestor's subtree in the bound outline.
bool IsBelow(const TWorkspace& w, uint32_t node, uint32_t ancestor)
{
    const TInfo& n = w.Info[node];
    const TInfo& a = w.Info[ancestor];
    return n.PreOrder != None && a.PreOrder != None && n.PreOrder > a.PreOrder &&
           n.PreOrder < a.PreOrder + a.SubtreeSize;
}

// The first record in store order with the Id, by the table the last full
// recalculation built; None where no record has it.
uint32_t FindId(const TWorkspace& w, int64_t id)
{
    if (w.DenseIds)
        return id >= 0 && id < int64_t(w.Ids.size()) ? w.Ids[std::size_t(id)] : None;
    const auto it = w.SpreadIds.find(int32_t(id));
    return it != w.SpreadIds.end() ? it->second : None;
}

bool SameDates(const TVorgangRec& rec, const TScheduleFields& left)
{
    return std::bit_cast<uint64_t>(rec.Beginn) == std::bit_cast<uint64_t>(left.Beginn) &&
           std::bit_cast<uint64_t>(rec.Ende) == std::bit_cast<uint64_t>(left.Ende);
}

// After a recalculation dates, links and summary marks are settled. Some changes
// since then can only move the dates of what depends on them, through links and
// summary spans:
// - dates of bound tasks;
// - subtrees deleted: tasks outside linked to them lose their links, and a summary
//   task left without children becomes a leaf with the span it had;
// - one leaf put in, new or moved from elsewhere, or one subtree moved whole, or a
//   deleted subtree put back whole: a leaf it goes under becomes a summary task
//   and loses its link;
// - links of leaves changed to other live tasks, or put back, as undoing a deletion
//   puts back the links to the task deleted.
// Moves and links gained can close a loop; a search decides, and where it finds
// one, or gives up, the full recalculation runs. The tasks so reached are settled again in dependency order
// from the spans the full recalculation would start from; for anything else the
// full recalculation runs.
class TQuickRecalculation
{
public:
    // A dry run writes no record, as that of TRecalculation.
    TQuickRecalculation(TDocument& doc, TWorkspace& work, bool writtenKnown, bool dry = false)
        : Doc(doc), Count(doc.VorgangStore->Count), W(work), WrittenKnown(writtenKnown), Dry(dry)
    {}

    bool Run(TRecalcStats& stats)
    {
        const uint32_t old = uint32_t(W.Left.size());
        if (!W.Settled || Count < old || Count > old + 1 || W.IdOf.size() != old)
            return false;
        W.Reach.clear();
        W.ReachFound.clear();
        W.LinkGone.clear();
        W.Quick.assign(Count, 0);
        const bool quick = MarkChangedShape(old) && FindChangedDates(old) && GainedLinksCloseNoLoop();
        // The marks of the records bound again are cleared; only the reached keep one.
        for (uint32_t t : W.Unbound)
            W.Quick[t] = 0;
        for (uint32_t t : W.Rebound)
            W.Quick[t] = 0;
        if (NewParent != None)
            W.Quick[NewParent] = 0;
        if (!quick)
            return false;
        TakeInChangedShape(old);
        for (uint32_t t : W.Reach)
            W.Quick[t] = 1;
        // What changed may have new parents and followers, whose spans it changes
        // whether or not its own moves.
        for (std::size_t k = 0, changed = W.Reach.size(); k < changed; ++k)
            ForEachDependent(W.Reach[k], [&](uint32_t d) { Mark(d); });
        SettleReached();
        stats.Steps = W.Reach.size();
        return true;
    }

private:
    TDocument& Doc;
    const uint32_t Count;
    TWorkspace& W;
    const bool WrittenKnown; // only the tasks in Doc.Written can have been written
    const bool Dry;
    uint32_t Leaf = None;      // the leaf put in, or the root of the subtree
    uint32_t NewParent = None; // its parent, when that was a leaf before
    bool CutsLeafLink = false;
    bool Revived = false; // what was put in are deleted tasks
    // The tasks with a link gained, each with the task it now follows and the one
    // it followed before.
    struct TGained
    {
        uint32_t Task;
        uint32_t Predecessor;
        uint32_t Former;
    };
    std::vector<TGained> Gained;

    TVorgangRec& Rec(uint32_t i) const { return Doc.VorgangAt(i); }
    template <typename T, typename V> void Write(T& field, V value) { ::Write(field, value, Dry); }
    bool IsNew(uint32_t r, uint32_t old) const { return r >= old; }

    // Marks with 2 the records the binding took out and did not put back, which
    // must now be deleted, and with 3 what it put in: one leaf, a subtree moved
    // whole, or a deleted subtree put back whole.
    bool MarkChangedShape(uint32_t old)
    {
        if (Count != old + (W.Rebound.size() == 1 && W.Rebound[0] >= old ? 1 : 0))
            return false;
        for (uint32_t t : W.Unbound)
            W.Quick[t] = 2;
        std::size_t moved = 0;
        for (uint32_t r : W.Rebound)
            if (W.Quick[r] == 2) {
                W.Quick[r] = 3;
                ++moved;
            }
        for (uint32_t t : W.Unbound)
            if (W.Quick[t] == 2 && (!Rec(t).Deleted || !W.Info[t].Live))
                return false;
        if (W.Rebound.empty())
            return true;
        const bool subtree = W.Rebound.size() > 1;
        if (moved != 0 && moved != W.Rebound.size())
            return false;
        Leaf = W.Rebound[0];
        const TVorgangRec& rec = Rec(Leaf);
        if (rec.Deleted || (!subtree && W.Info[Leaf].FirstChild != None) ||
            (IsNew(Leaf, old) && rec.Link != 0))
            return false;
        if (IsNew(Leaf, old)) {
            // An Id of its own, within reach of the dense table when there is one.
            if (rec.Id < 0 || FindId(W, rec.Id) != None ||
                (W.DenseIds && rec.Id >= int64_t(4) * Count + 1024))
                return false;
        } else if (rec.Id != W.IdOf[Leaf] || (!subtree && W.Left[Leaf].IsSummary)) {
            return false;
        } else if (!W.Info[Leaf].Live) {
            // Put back, as undoing a deletion does: whatever they followed before,
            // their links are ones gained now.
            Revived = true;
        } else if ((subtree && moved == 0) || (!subtree && W.Left[Leaf].Link != rec.Link)) {
            return false;
        }
        for (uint32_t r : W.Rebound) {
            const TVorgangRec& put = Rec(r);
            const bool fits =
                Revived ? !W.Info[r].Live : !subtree || (W.Info[r].Live && put.Link == W.Left[r].Link);
            if (put.Deleted || (!IsNew(r, old) && put.Id != W.IdOf[r]) || !fits)
                return false;
            W.Info[r].Live = 1;
            W.Quick[r] = 3;
        }
        const uint32_t parent = W.Info[Leaf].Parent;
        if (parent != None && W.Info[W.Info[parent].FirstChild].NextSibling == None) {
            // Whatever its link, summary mark and dates were, they are recalculated.
            const TVorgangRec& up = Rec(parent);
            if (up.Deleted || !W.Info[parent].Live || up.Id != W.IdOf[parent])
                return false;
            NewParent = parent;
            W.Quick[parent] = 4;
        }
        if (!Revived)
            return subtree ? MovedLinksCloseNoLoop() : KeepsItsLinkWithoutLoop();
        for (uint32_t r : W.Rebound) {
            if (LinkGoes(Rec(r)))
                W.LinkGone.push_back(r);
            else if (!GainsLink(r))
                return false;
        }
        return true;
    }

    // A moved leaf with a link: inside what its predecessor follows, it loses the
    // link, as in the first pass. Otherwise its new ancestors now wait for it, and
    // it for its predecessor: when the predecessor's dates may depend on one of
    // those ancestors, a loop may have formed, which the full search must resolve.
    // The search gives up, to the same end, after a few thousand tasks.
    bool KeepsItsLinkWithoutLoop()
    {
        const uint32_t p = W.Info[Leaf].Predecessor;
        if (p == None)
            return true;
        const uint32_t q = W.Info[p].Predecessor;
        if (q != None && IsBelow(W, Leaf, q)) {
            CutsLeafLink = true;
            return true;
        }
        return !MayWaitFor(p, Leaf);
    }

    // A subtree moved whole: its new ancestors now wait for it, and each of its
    // linked tasks for its predecessor, which must not wait for those ancestors. A
    // link the first pass would cut leaves the work to the full recalculation.
    bool MovedLinksCloseNoLoop()
    {
        std::size_t links = 0;
        for (uint32_t r : W.Rebound) {
            const uint32_t p = W.Info[r].Predecessor;
            if (p == None)
                continue;
            const uint32_t q = W.Info[p].Predecessor;
            if (++links > 256 || (q != None && IsBelow(W, r, q)) || MayWaitFor(p, r))
                return false;
        }
        return true;
    }

    // Whether from's dates may depend on t's, through the links and containment:
    // the search reaches t or a task that contains it, or gives up.
    bool MayWaitFor(uint32_t from, uint32_t t)
    {
        W.Seen.resize(Count, 0);
        W.Stack.assign(1, from);
        std::vector<uint32_t> seen{from};
        W.Seen[from] = 1;
        bool loop = false;
        while (!W.Stack.empty() && !loop && seen.size() < 4096) {
            const uint32_t u = W.Stack.back();
            W.Stack.pop_back();
            loop = u == t || IsBelow(W, t, u);
            auto follow = [&](uint32_t d) {
                if (d != None && !W.Seen[d]) {
                    W.Seen[d] = 1;
                    seen.push_back(d);
                    W.Stack.push_back(d);
                }
            };
            follow(W.Info[u].Predecessor);
            for (uint32_t c = W.Info[u].FirstChild; c != None; c = W.Info[c].NextSibling)
                follow(c);
        }
        const bool waits = !W.Stack.empty() || loop;
        for (uint32_t u : seen)
            W.Seen[u] = 0;
        return waits;
    }

    // A leaf's link to a live task it did not follow before. It stays when no
    // task it names waits for the task, which the search decides once all are in.
    bool GainsLink(uint32_t t)
    {
        const uint32_t p = FindId(W, int64_t(Rec(t).Link) - 1);
        if (!W.NodeOf[t] || W.Info[t].FirstChild != None || p == None || !W.NodeOf[p] || Gained.size() >= 256)
            return false;
        Gained.push_back({t, p, W.Info[t].Predecessor});
        return true;
    }

    // Every loop a gained link closes runs through it: from what it names back to
    // its task, or to a summary task that contains that.
    bool GainedLinksCloseNoLoop()
    {
        for (const TGained& g : Gained)
            W.Info[g.Task].Predecessor = g.Predecessor;
        return std::none_of(Gained.begin(), Gained.end(),
                            [&](const TGained& g) { return MayWaitFor(g.Predecessor, g.Task); });
    }

    // The tasks whose dates differ from what the last recalculation left are the
    // first reached; any other difference leaves the work to the full recalculation.
    // Only the tasks written since can differ, when the document knows them all.
    bool FindChangedDates(uint32_t old)
    {
        if (WrittenKnown)
            return std::all_of(Doc.Written.begin(), Doc.Written.end(),
                               [&](uint32_t i) { return i >= old || TakeInWritten(i, old); });
        for (uint32_t i = 0; i < old; ++i)
            if (!TakeInWritten(i, old))
                return false;
        return true;
    }

    bool TakeInWritten(uint32_t i, uint32_t old)
    {
        if (W.Quick[i])
            return true;
        const TVorgangRec& rec = Rec(i);
        const bool live = rec.Deleted == 0;
        if (live != (W.Info[i].Live != 0) || rec.Id != W.IdOf[i])
            return false;
        if (!live)
            return true;
        const TScheduleFields& left = W.Left[i];
        if (W.NodeOf[i] && rec.Node != W.NodeOf[i])
            return false;
        if (rec.IsSummary != left.IsSummary) {
            // Put back as the outline now makes it, as an undo puts back a summary
            // task that lost its children.
            if (!W.NodeOf[i] || rec.IsSummary != (W.Info[i].FirstChild != None ? 1 : 0))
                return false;
            Mark(i);
        }
        if (rec.Link != left.Link) {
            if (LinkGoes(rec))
                W.LinkGone.push_back(i);
            else if (!GainsLink(i))
                return false;
            Mark(i);
        }
        if (!SameDates(rec, left)) {
            if (!W.NodeOf[i] || W.Reach.size() > old / 8 + 16)
                return false;
            Mark(i);
        }
        return true;
    }

    // A link changed to none, or to a task that is deleted or not there, as an undo
    // puts back links the last recalculation cut: the first pass would cut it again.
    // Not so a link to a deleted task that has a link itself: the first pass's walk
    // for link cycles follows deleted tasks' links too, and may cut one of them.
    bool LinkGoes(const TVorgangRec& rec) const
    {
        if (rec.Link <= 0)
            return true;
        const int64_t id = int64_t(rec.Link) - 1;
        if (Leaf != None && id == Rec(Leaf).Id)
            return false;
        const uint32_t p = FindId(W, id);
        return p == None || ((!W.Info[p].Live || W.Quick[p] == 2) && Rec(p).Link <= 0);
    }

    void TakeInChangedShape(uint32_t old)
    {
        W.LastParent.resize(Count, None);
        W.LastPredecessor.resize(Count, None);
        // Marked first, so that a link cut below is reported with them.
        for (uint32_t r : W.Rebound)
            Mark(r);
        for (uint32_t t : W.LinkGone)
            CutLink(t);
        for (const TGained& g : Gained) {
            Unfollow(g.Task, g.Former);
            W.NextFollower[g.Task] = W.FirstFollower[g.Predecessor];
            W.FirstFollower[g.Predecessor] = g.Task;
            W.LastPredecessor[g.Task] = g.Predecessor;
        }
        for (uint32_t d : W.Unbound) {
            if (W.NodeOf[d]) // moved, not deleted
                continue;
            W.Info[d].Live = 0;
            // Its followers outside lose their links; their dates stay.
            for (uint32_t f = W.FirstFollower[d], next; f != None; f = next) {
                next = W.NextFollower[f];
                if (Rec(f).Deleted || Rec(f).Link <= 0)
                    continue;
                Mark(f);
                CutLink(f);
            }
        }
        for (uint32_t p : W.FormerParents)
            Mark(p);
        if (Leaf == None)
            return;
        TVorgangRec& rec = Rec(Leaf);
        if (IsNew(Leaf, old)) {
            TInfo& info = W.Info[Leaf];
            info.Live = 1;
            info.Predecessor = None;
            if (W.DenseIds) {
                if (std::size_t(rec.Id) >= W.Ids.size())
                    W.Ids.resize(std::size_t(rec.Id) + 1, None);
                W.Ids[std::size_t(rec.Id)] = Leaf;
            } else {
                W.SpreadIds.emplace(rec.Id, Leaf);
            }
            W.IdOf.push_back(rec.Id);
            W.Left.push_back(ScheduleFieldsOf(rec));
            W.FirstFollower.push_back(None);
            W.NextFollower.push_back(None);
        }
        for (uint32_t r : W.Rebound) {
            W.LastParent[r] = W.Info[r].Parent;
            Write(Rec(r).Node, W.NodeOf[r]);
        }
        if (CutsLeafLink)
            CutLink(Leaf);
        if (NewParent != None) {
            // Also when its record has no link any more, as a step put back: the
            // link it was last found with goes.
            Mark(NewParent);
            CutLink(NewParent);
        }
    }

    // The task no longer follows its predecessor, which it is taken off the
    // followers of; a link to a task left as it is.
    void CutLink(uint32_t t)
    {
        Unfollow(t, W.Info[t].Predecessor);
        W.Info[t].Predecessor = None;
        W.LastPredecessor[t] = None;
        if (Rec(t).Link > 0)
            Write(Rec(t).Link, 0);
    }

    void Unfollow(uint32_t t, uint32_t p)
    {
        if (p != None) {
            uint32_t* link = &W.FirstFollower[p];
            while (*link != None && *link != t)
                link = &W.NextFollower[*link];
            if (*link == t)
                *link = W.NextFollower[t];
        }
        W.NextFollower[t] = None;
    }

    void Mark(uint32_t t)
    {
        if (t == None || W.Quick[t] == 1 || Rec(t).Deleted)
            return;
        W.Quick[t] = 1;
        W.Reach.push_back(t);
        W.ReachFound.push_back(ScheduleFieldsOf(Rec(t)));
    }

    // Settles the tasks reached, each after what it depends on among them, and
    // reaches on from a task only when its span moved: to its parent and its
    // followers. A task settled before one it depends on moved is settled again;
    // the spans depend on each other without loops, so this ends with the spans a
    // settling of every task in order gives.
    void SettleReached()
    {
        W.Again.assign(W.Reach.begin(), W.Reach.end());
        for (std::size_t k = 0; k < W.Again.size(); ++k) {
            const uint32_t root = W.Again[k];
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
                    const TSpan before = SpanOf(W.Left[t]);
                    Restart(t);
                    SettleSpan(W, t);
                    if (!SameSpan(before, SpanOf(W.Left[t])))
                        ReachOnFrom(t);
                }
            }
        }
        for (uint32_t k = 0; k < W.Reach.size(); ++k) {
            const uint32_t t = W.Reach[k];
            TVorgangRec& rec = Rec(t);
            Write(rec.Beginn, W.Left[t].Beginn);
            Write(rec.Ende, W.Left[t].Ende);
            W.Left[t] = ScheduleFieldsOf(rec);
            if (!SameSchedule(W.Left[t], W.ReachFound[k]))
                Report(Doc, Count, t, W.ReachFound[k]);
            W.Quick[t] = 0;
        }
    }

    // The tasks whose spans depend on t's: its parent and its linked followers.
    template <typename TVisit> void ForEachDependent(uint32_t t, TVisit visit)
    {
        visit(W.Info[t].Parent);
        for (uint32_t f = W.FirstFollower[t]; f != None; f = W.NextFollower[f])
            if (Rec(f).Link > 0)
                visit(f);
    }

    void ReachOnFrom(uint32_t t)
    {
        ForEachDependent(t, [&](uint32_t d) {
            if (d == None || Rec(d).Deleted)
                return;
            if (W.Quick[d] == 0) {
                Mark(d);
                W.Again.push_back(d);
            } else if (W.Quick[d] == 3) {
                W.Quick[d] = 1;
                W.Again.push_back(d);
            }
        });
    }

    static bool SameSpan(const TSpan& a, const TSpan& b)
    {
        return std::bit_cast<uint64_t>(a.Beginn) == std::bit_cast<uint64_t>(b.Beginn) &&
               std::bit_cast<uint64_t>(a.Ende) == std::bit_cast<uint64_t>(b.Ende);
    }

    // The span a task starts settling from, as the first pass of the full
    // recalculation gives it.
    void Restart(uint32_t t)
    {
        TVorgangRec& rec = Rec(t);
        if (rec.Beginn > rec.Ende)
            Write(rec.Ende, rec.Beginn);
        Write(rec.IsSummary, W.Info[t].FirstChild != None ? 1 : 0);
        if (rec.IsSummary)
            SetSpan(W.Left[t], StartSeed, EndSeed);
        else
            SetSpan(W.Left[t], rec.Beginn, rec.Ende);
    }
};

class TRecalculation
{
public:
    // A dry run writes no record: it stops with TWouldWrite at the first field it
    // would change, and otherwise leaves the workspace as a real run does.
    TRecalculation(TDocument& doc, TWorkspace& work, bool bound, bool dry = false)
        : Doc(doc), Count(doc.VorgangStore->Count), W(work), SameShape(bound && W.Info.size() == Count),
          Dry(dry)
    {
        MakeRoom();
        if (SameShape) {
            for (TInfo& info : W.Info)
                info = {info.Parent, info.FirstChild, info.NextSibling,
                        None,        info.PreOrder,   info.SubtreeSize};
        } else {
            W.Info.assign(Count, TInfo{});
            W.NodeOf.assign(Count, nullptr);
            W.Walked.clear();
            // Bound again only once BindNodes has walked the whole outline.
            W.Reshaped = true;
        }
        W.Settled = false;
    }

    TRecalcStats Run()
    {
        W.Left.resize(Count);
        W.IdOf.resize(Count);
        BuildIdIndex();
        if (SameShape)
            DropSummaryLinks();
        else
            BindNodes();
        FirstPass();
        if (MayCloseNewLoops())
            RemoveContainmentCycles();
        Settle();
        KeepDependencies();
        W.Settled = true;
        return Stats;
    }

    // Room in the tables for the tasks inserted next. A table grown by one would be
    // copied whole into memory never touched before: at a million tasks, most of the
    // first insert. Room not used is not touched either.
    void MakeRoom()
    {
        const std::size_t room = std::size_t(Count) + Count / 8 + 64;
        auto reserve = [room](auto&... tables) { (tables.reserve(room), ...); };
        reserve(W.Info, W.NodeOf, W.Left, W.IdOf, W.Ids, W.Walked, W.LastParent, W.LastPredecessor,
                W.FirstFollower, W.NextFollower, W.Quick, W.Seen);
    }

    // Step 0, also on its own before a run bound already: every node's record learns
    // its node; the tree is copied into Info. A task with children is a summary task:
    // its link goes in the first pass, and from here on no phase follows it,
    // whichever comes first in store order.
    void BindNodes()
    {
        TOutlineTree* outline = Doc.Vorgangs;
        auto bind = [this](TOutlineNode* node) {
            Step();
            const TOutlineNode* above = node->parent();
            const uint32_t parent = above ? RecordIndex(above) : None;
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
        };
        for (int i = 0; i < outline->topLevelItemCount(); ++i)
            PreOrder(outline->topLevelItem(i), bind);
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
        W.Removed.clear();
        W.Inserted = false;
    }

private:
    TDocument& Doc;
    const uint32_t Count;
    TWorkspace& W;
    TRecalcStats Stats;
    // The binding is that of the outline as it is, so its nodes need not be walked.
    const bool SameShape;
    const bool Dry;
    uint32_t Stamp = 0;

    // Counts one step; a dry run asked to stop ends here now and then.
    void Step()
    {
        if ((++Stats.Steps & 0x3fff) == 0 && Dry && W.StopPreparing)
            throw TWouldWrite();
    }

    template <typename T, typename V> void Write(T& field, V value) { ::Write(field, value, Dry); }
    // Writes one of task t's dates, its link or its summary mark. The first change
    // of a task in a run is reported with its fields before it; a dry run ends at
    // it, as it must not touch the document, which the program's own thread may
    // read meanwhile.
    template <typename T, typename V> void WriteOf(uint32_t t, T& field, V value)
    {
        if (!Info(t).Changed && !Dry && Differs(field, value)) {
            Info(t).Changed = 1;
            ::Report(Doc, Count, t, ScheduleFieldsOf(Rec(t)));
        }
        ::Write(field, value, Dry);
    }

    TVorgangRec& Rec(uint32_t i) const { return Doc.VorgangAt(i); }
    TInfo& Info(uint32_t i) { return W.Info[i]; }
    bool HasChildren(uint32_t i) { return Info(i).FirstChild != None; }
    uint32_t Predecessor(uint32_t i) { return Info(i).Predecessor; }

    void ClearLink(uint32_t i)
    {
        WriteOf(i, Rec(i).Link, 0);
        Info(i).Predecessor = None;
        ++Stats.LinksRemoved;
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
            // The Id the link names, until the table below is complete.
            Info(i).Predecessor = rec.Link > 0 ? uint32_t(rec.Link - 1) : None;
            Info(i).Live = rec.Deleted == 0;
            low = std::min<int64_t>(low, rec.Id);
            high = std::max<int64_t>(high, rec.Id);
        }
        W.DenseIds = low >= 0 && high < 4 * int64_t(Count) + 1024;
        W.Ids.clear();
        W.SpreadIds.clear();
        if (W.DenseIds)
            W.Ids.assign(std::size_t(high + 1), None);
        for (uint32_t i = 0; i < Count; ++i) {
            const int32_t id = W.IdOf[i];
            if (W.DenseIds) {
                if (W.Ids[std::size_t(id)] == None)
                    W.Ids[std::size_t(id)] = i;
            } else {
                W.SpreadIds.try_emplace(id, i);
            }
        }
        for (uint32_t i = 0; i < Count; ++i)
            if (Info(i).Predecessor != None)
                Info(i).Predecessor = FindId(Info(i).Predecessor);
    }

    uint32_t FindId(int64_t id) const { return ::FindId(W, id); }

    void DropSummaryLinks()
    {
        for (uint32_t t : W.Walked)
            if (HasChildren(t))
                Info(t).Predecessor = None;
    }

    bool IsBelow(uint32_t node, uint32_t ancestor) const { return ::IsBelow(W, node, ancestor); }

    // Step 1, in store order.
    void FirstPass()
    {
        for (uint32_t t = 0; t < Count; ++t) {
            Step();
            TVorgangRec& rec = Rec(t);
            if (rec.Deleted)
                continue;
            if (W.NodeOf[t])
                Write(rec.Node, W.NodeOf[t]);
            if (rec.Beginn > rec.Ende)
                WriteOf(t, rec.Ende, rec.Beginn);
            WriteOf(t, rec.IsSummary, HasChildren(t) ? 1 : 0);
            if (rec.IsSummary) {
                WriteOf(t, rec.Link, 0);
                // Settling spans a summary task's children, from the seeds.
                SetSpan(W.Left[t], StartSeed, EndSeed);
            } else {
                SetSpan(W.Left[t], rec.Beginn, rec.Ende);
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
            if (!W.NodeOf[t])
                W.Left[t] = ScheduleFieldsOf(rec);
        }
    }

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
            Step();
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
        TPhaseTable<uint32_t> part(Count, 0);
        FindStronglyConnectedParts(part);
        std::vector<uint32_t> looping;
        for (uint32_t t = 0; t < Count; ++t) {
            const uint32_t p = Predecessor(t);
            if (p != None && part[t] != 0 && part[t] == part[p])
                looping.push_back(t);
        }
        for (uint32_t t : looping) { // in store order
            if (Reaches(part, Predecessor(t), t))
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
            Step();
            const uint32_t p = Predecessor(t);
            if (p != None && HasChildren(p))
                return true;
        }
        return false;
    }

    // Pearce's variant of Tarjan's algorithm, without recursion, over the live tasks:
    // one number a task. While the search runs, a task's number is its place in
    // the search, lowered to the least place it reaches among the tasks not yet in
    // a part; once its part is found, it is the part's, counted down from Count,
    // above every place still given out. Tasks never reached keep 0.
    void FindStronglyConnectedParts(TPhaseTable<uint32_t>& part)
    {
        struct TCall
        {
            TDependencies Deps;
            bool Root = true; // no dependency reached a task placed before it
        };
        std::vector<TCall> calls;
        uint32_t place = 1;
        uint32_t next = Count;
        W.Stack.clear();
        auto enter = [&](uint32_t t) {
            part[t] = place++;
            calls.push_back({DependenciesOf(t)});
        };
        auto lower = [&](TCall& call, uint32_t reached) {
            if (reached < part[call.Deps.Task]) {
                part[call.Deps.Task] = reached;
                call.Root = false;
            }
        };
        for (uint32_t root : W.Walked) {
            if (part[root] != 0)
                continue;
            enter(root);
            while (!calls.empty()) {
                Step();
                uint32_t d;
                if (Next(calls.back().Deps, d)) {
                    if (part[d] == 0)
                        enter(d);
                    else
                        lower(calls.back(), part[d]);
                    continue;
                }
                const TCall done = calls.back();
                const uint32_t t = done.Deps.Task;
                calls.pop_back();
                if (done.Root) {
                    --place;
                    while (!W.Stack.empty() && part[t] <= part[W.Stack.back()]) {
                        part[W.Stack.back()] = next;
                        W.Stack.pop_back();
                        --place;
                    }
                    part[t] = next--;
                } else {
                    W.Stack.push_back(t);
                }
                if (!calls.empty())
                    lower(calls.back(), part[t]);
            }
        }
    }

    // Whether `from`'s dates depend on `target` through containment and the links
    // kept so far, searching only the strongly connected part they share.
    bool Reaches(TPhaseTable<uint32_t>& part, uint32_t from, uint32_t target)
    {
        const uint32_t search = ++Stamp;
        const uint32_t shared = part[target];
        W.Stack.assign(1, from);
        Info(from).Mark = search;
        while (!W.Stack.empty()) {
            const uint32_t t = W.Stack.back();
            W.Stack.pop_back();
            Step();
            if (t == target)
                return true;
            auto follow = [&](uint32_t d) {
                if (d != None && part[d] == shared && Info(d).Mark != search) {
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
                Step();
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
                WriteOf(t, rec.Beginn, W.Left[t].Beginn);
                WriteOf(t, rec.Ende, W.Left[t].Ende);
                W.Left[t] = ScheduleFieldsOf(rec);
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

TWorkspace& WorkspaceOf(TDocument& doc)
{
    if (!doc.ScheduleScratch)
        doc.ScheduleScratch = std::make_unique<TWorkspace>();
    auto& work = static_cast<TWorkspace&>(*doc.ScheduleScratch);
    work.Wait();
    return work;
}

} // namespace

void PrepareRecalculation(TDocument& doc)
{
    TWorkspace& work = WorkspaceOf(doc);
    const bool bound = ApplyTreeEvents(doc, work, doc.VorgangStore->Count);
    if (!bound)
        TRecalculation(doc, work, false).BindNodes();
    // An undo or redo that puts back what the quick recalculation takes in, after a
    // recalculation that ran to its end, is checked here at once by running it dry.
    bool settled = false;
    try {
        TRecalcStats stats;
        settled = bound && TQuickRecalculation(doc, work, doc.WrittenKnown, true).Run(stats);
    } catch (const TWouldWrite&) {
        work.Settled = false;
    } catch (const std::bad_alloc&) {
        // The check on the thread below comes to the same end.
        work.Settled = false;
    }
    // As after a command's recalculation: from here on the commands note what they
    // write, so that the first one need not compare every task.
    doc.Written.clear();
    doc.WrittenKnown = true;
    if (settled)
        return;
    work.Checking = true;
    auto check = [&doc, &work] {
        try {
            TRecalculation(doc, work, true, true).Run();
        } catch (const TWouldWrite&) {
            // The dates are not those of a recalculation, or the check was stopped:
            // the next recalculation runs whole.
        } catch (const std::bad_alloc&) {
            // As above; the next recalculation reports the shortage itself.
        }
        work.Checking = false;
    };
    try {
        work.Preparing = std::thread(check);
    } catch (...) {
        work.Checking = false;
        throw;
    }
}

TRecalcStats Recalculate(TDocument& doc)
{
    TWorkspace& work = WorkspaceOf(doc);
    const bool bound = ApplyTreeEvents(doc, work, doc.VorgangStore->Count);
    // Only a change recorded as a command says everything it wrote.
    const bool writtenKnown = doc.WrittenKnown && IsRecording(doc);
    doc.WrittenKnown = false;
    TRecalcStats stats;
    if (!bound || !TQuickRecalculation(doc, work, writtenKnown).Run(stats))
        stats = TRecalculation(doc, work, bound).Run();
    doc.Written.clear();
    doc.WrittenKnown = IsRecording(doc);
    return stats;
}
