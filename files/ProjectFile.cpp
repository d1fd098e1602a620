#include "ProjectFile.h"

#include "DurableFile.h"
#include "HugePages.h"
#include "Outline.h"
#include "Slabs.h"
#include "Texts.h"
#include "Undo.h"

#include <QFile>
#include <QSaveFile>
#include <QSignalBlocker>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

constexpr int TaskImageSize = 144;
constexpr int ResourceImageSize = 104;
constexpr int TaskTextCount = 7;
constexpr int ResourceTextCount = 8;
// Deeper outlines than this cannot be made by hand; a file claiming one is damaged,
// and taking it would only exhaust the stack of the recursive tree code later.
constexpr int MaxDepth = 10000;

[[noreturn]] void Fail(const QString& text)
{
    throw EProjectFile(text.toStdString());
}

[[noreturn]] void Damaged(const QString& what)
{
    Fail(QStringLiteral("Die Datei ist beschädigt: ") + what);
}

// Reads values from the bytes of the file, checking every size against the bytes
// left. Over a file it holds a window of the file at a time, refilled as the load
// goes on, so that a large project is never in memory twice; a value taken stays
// valid only until the next is taken.
class TReader
{
public:
    explicit TReader(const QByteArray& bytes)
        : Pos(reinterpret_cast<const uchar*>(bytes.constData())), End(Pos + bytes.size())
    {}
    // Tells heap how much its blocks grew for the first sixteenth of the file.
    TReader(int fd, qint64 fileSize, THeapPrefault* heap = nullptr)
        : Fd(fd), FileSize(fileSize), FileLeft(fileSize), Heap(heap),
          Sample(std::max<qint64>(fileSize / 16, qint64(8) << 20))
    {}

    const uchar* Take(qsizetype size)
    {
        if (End - Pos < size)
            Refill(size);
        const uchar* taken = Pos;
        Pos += size;
        return taken;
    }
    int32_t Int32() { return qFromLittleEndian<qint32>(Take(4)); }
    double Float64() { return std::bit_cast<double>(qFromLittleEndian<quint64>(Take(8))); }

    // A child flag: 1, or anything else for a node without children.
    bool ChildFlag() { return Int32() == 1; }

    // A sibling flag: exactly 1 or 0.
    bool Flag()
    {
        const int32_t flag = Int32();
        if (flag != 0 && flag != 1)
            Damaged(QStringLiteral("Gliederungskennzeichen %1 statt 0 oder 1").arg(flag));
        return flag == 1;
    }

    // A counted UTF-16LE text as an owned, zero-terminated buffer.
    char16_t* Text()
    {
        const int32_t length = Int32();
        if (length < 0)
            Damaged(QStringLiteral("Textlänge %1").arg(length));
        if (length == 0)
            return EmptyText();
        const uchar* units = Take(qsizetype(length) * 2);
        char16_t* text = NewText(std::size_t(length));
        qFromLittleEndian<quint16>(units, length, text);
        return text;
    }

private:
    static constexpr qsizetype WindowSize = qsizetype(1) << 20;

    // Moves the bytes not yet taken to the front of the window and reads on until
    // size bytes are there. A size beyond the window and beyond what the file holds
    // fails before any room is made for it.
    void Refill(qsizetype size)
    {
        const qsizetype rest = End - Pos;
        if (Fd < 0 || (size > WindowSize && size - rest > FileLeft))
            Fail(QStringLiteral("Read beyond end of file"));
        if (Window.size() < std::max(size, WindowSize)) {
            QByteArray wider(std::max(size, WindowSize), Qt::Uninitialized);
            std::copy_n(Pos, rest, wider.data());
            Window.swap(wider);
        } else {
            std::memmove(Window.data(), Pos, std::size_t(rest));
        }
        auto* start = reinterpret_cast<uchar*>(Window.data());
        qsizetype have = rest;
        while (have < size) {
            const ssize_t got = ::read(Fd, start + have, std::size_t(Window.size() - have));
            if (got == 0)
                Fail(QStringLiteral("Read beyond end of file"));
            if (got < 0 && errno != EINTR)
                Fail(IoErrorText(errno));
            have += std::max<ssize_t>(got, 0);
            FileLeft -= std::max<ssize_t>(got, 0);
        }
        Pos = start;
        End = start + have;
        const qint64 parsed = FileSize - FileLeft - have;
        if (Heap && parsed >= Sample) {
            Heap->Measure(std::size_t(parsed), std::size_t(FileSize));
            Heap = nullptr;
        }
    }

    const uchar* Pos = nullptr;
    const uchar* End = nullptr;
    int Fd = -1;
    qint64 FileSize = 0;
    qint64 FileLeft = 0;
    QByteArray Window;
    THeapPrefault* Heap = nullptr;
    qint64 Sample = 0;
};

int32_t Int32At(const uchar* image, qsizetype offset)
{
    return qFromLittleEndian<qint32>(image + offset);
}

double Float64At(const uchar* image, int offset)
{
    return std::bit_cast<double>(qFromLittleEndian<quint64>(image + offset));
}

// Texts of one entry, freed unless handed to the record.
template <int N> struct TEntryTexts
{
    std::array<char16_t*, N> Texts{};

    ~TEntryTexts()
    {
        for (char16_t*& text : Texts)
            FreeText(text);
    }
    void Read(TReader& in)
    {
        for (char16_t*& text : Texts)
            text = in.Text();
    }
    // Frees what field held and gives it text i.
    void MoveInto(int i, char16_t*& field)
    {
        FreeText(field);
        field = std::exchange(Texts[std::size_t(i)], nullptr);
    }
};

// The Ids a load has met. Files number their records from 0 on, so a bitmap over
// the small Ids answers at the cost of a bit each; only Ids beyond it, which a
// damaged file may hold, go to a hash set.
class TIdSet
{
public:
    // False when id was there already.
    bool Insert(int32_t id)
    {
        if (id < 0 || id >= BitmapLimit)
            return Others.insert(id).second;
        const auto word = std::size_t(id) / 64;
        if (word >= Bits.size())
            Bits.resize(std::max(word + 1, Bits.size() * 2));
        const uint64_t bit = uint64_t(1) << (id % 64);
        const bool fresh = (Bits[word] & bit) == 0;
        Bits[word] |= bit;
        return fresh;
    }

private:
    static constexpr int32_t BitmapLimit = 1 << 26;
    std::vector<uint64_t> Bits;
    std::unordered_set<int32_t> Others;
};

// What a load keeps track of beyond the outlines. Whatever way the load ends, the
// Id floors are raised above every Id read, so new records never repeat one.
class TLoad
{
public:
    explicit TLoad(TDocument& doc) : Doc(doc) {}
    ~TLoad()
    {
        Doc.VorgangIdFloor = std::max(Doc.VorgangIdFloor, MaxVorgangId + 1);
        Doc.ArbeiterIdFloor = std::max(Doc.ArbeiterIdFloor, MaxArbeiterId + 1);
    }
    TLoad(const TLoad&) = delete;
    TLoad& operator=(const TLoad&) = delete;

    void TakeVorgangId(int32_t id)
    {
        if (!VorgangIds.Insert(id))
            Damaged(QStringLiteral("Die Vorgangskennung %1 kommt zweimal vor").arg(id));
        MaxVorgangId = std::max<int64_t>(MaxVorgangId, id);
    }
    void TakeArbeiterId(int32_t id)
    {
        if (!ArbeiterIds.Insert(id))
            Damaged(QStringLiteral("Die Ressourcenkennung %1 kommt zweimal vor").arg(id));
        NoteAssignedId(id);
    }
    // A resource Id in a task's list: kept as it is, even when it names no resource.
    void NoteAssignedId(int32_t id) { MaxArbeiterId = std::max<int64_t>(MaxArbeiterId, id); }

    TDocument& Doc;

private:
    TIdSet VorgangIds;
    TIdSet ArbeiterIds;
    int64_t MaxVorgangId = -1;
    int64_t MaxArbeiterId = -1;
};

void CheckNotDeleted(const uchar* image, const QString& what)
{
    if (image[0] != 0)
        Damaged(what);
}

// One task entry over the empty record of node, which stays empty until the
// whole entry has been read.
void ReadVorgang(TReader& in, TLoad& load, TOutlineNode* node)
{
    // Kept apart: the texts read next may refill the reader's window.
    std::array<uchar, TaskImageSize> kept;
    std::copy_n(in.Take(TaskImageSize), TaskImageSize, kept.data());
    const uchar* image = kept.data();
    CheckNotDeleted(image, QStringLiteral("Ein gelöschter Vorgang steht in der Gliederung"));
    const int32_t id = Int32At(image, 4);
    load.TakeVorgangId(id);
    TEntryTexts<TaskTextCount> texts;
    texts.Read(in);
    const int32_t count = in.Int32();
    if (count < 0)
        Damaged(QStringLiteral("Ressourcenanzahl %1").arg(count));
    const uchar* ids = in.Take(qsizetype(count) * 4);
    auto resources = std::make_unique<TDynaArray>(uint32_t(sizeof(int32_t)), load.Doc.CurResId.Var());
    for (int32_t i = 0; i < count; ++i) {
        const int32_t resourceId = Int32At(ids, qsizetype(i) * 4);
        *static_cast<int32_t*>(resources->Append()) = resourceId;
        load.NoteAssignedId(resourceId);
    }

    TVorgangRec& rec = VorgangOf(load.Doc, node);
    rec.Deleted = 0;
    rec.Id = id;
    rec.Node = node; // as a recalculation binds it
    rec.Beginn = Float64At(image, 16);
    rec.Ende = Float64At(image, 24);
    delete rec.Resources;
    rec.Resources = resources.release();
    rec.Link = Int32At(image, 36);
    for (int i = 0; i < CustomFieldCount; ++i)
        CustomNumber(rec, i) = Float64At(image, 64 + 8 * i);
    rec.IsSummary = image[104];
    rec.Visited = 0;
    rec.IncludeWorkCosts = image[106];
    rec.FixedCosts = Float64At(image, 112);
    texts.MoveInto(0, rec.Name);
    for (int i = 0; i < CustomFieldCount; ++i)
        texts.MoveInto(1 + i, CustomText(rec, i));
    texts.MoveInto(6, rec.Notes);
    node->SetCaption(TextView(rec.Name));
}

void ReadArbeiter(TReader& in, TLoad& load, TOutlineNode* node)
{
    std::array<uchar, ResourceImageSize> kept;
    std::copy_n(in.Take(ResourceImageSize), ResourceImageSize, kept.data());
    const uchar* image = kept.data();
    CheckNotDeleted(image, QStringLiteral("Eine gelöschte Ressource steht in der Gliederung"));
    const int32_t id = Int32At(image, 4);
    load.TakeArbeiterId(id);
    TEntryTexts<ResourceTextCount> texts;
    texts.Read(in);

    TArbeiterRec& rec = ArbeiterOf(load.Doc, node);
    rec.Deleted = 0;
    rec.Id = id;
    rec.CostPerHour = Float64At(image, 16);
    rec.CostPerUse = Float64At(image, 24);
    rec.Members = Int32At(image, 32);
    for (int i = 0; i < CustomFieldCount; ++i)
        CustomNumber(rec, i) = Float64At(image, 56 + 8 * i);
    texts.MoveInto(0, rec.Name);
    texts.MoveInto(1, rec.EMail);
    for (int i = 0; i < CustomFieldCount; ++i)
        texts.MoveInto(2 + i, CustomText(rec, i));
    texts.MoveInto(7, rec.Notes);
    node->SetCaption(TextView(rec.Name));
}

using TInsert = TOutlineNode* (*)(TDocument&, TOutlineNode*);

// The task after node on its level, and node's first child, for the reader.
TOutlineNode* LoadedVorgang(TDocument& doc, TOutlineNode* node)
{
    return AddLoadedVorgang(doc, node ? node->parent() : nullptr);
}
TOutlineNode* LoadedVorgangChild(TDocument& doc, TOutlineNode* node)
{
    return AddLoadedVorgang(doc, node);
}
using TReadEntry = void (*)(TReader&, TLoad&, TOutlineNode*);

// Reads a forest in pre-order without recursion: after a node's entry comes its
// child flag; a node without children is followed by its sibling flag, and each
// list that ends is followed by the sibling flag of its parent. A node whose entry
// cannot be read is removed again: its record would carry a made-up Id that a
// record read before may already have.
void ReadForest(TReader& in, TLoad& load, TOutlineKind kind, TInsert sibling, TInsert child,
                TReadEntry readEntry, std::vector<TOutlineNode*>& preOrder)
{
    TOutlineNode* node = sibling(load.Doc, nullptr);
    int depth = 1;
    for (;;) {
        try {
            readEntry(in, load, node);
        } catch (...) {
            RemoveNode(load.Doc, kind, node);
            throw;
        }
        preOrder.push_back(node);
        if (in.ChildFlag()) {
            if (depth == MaxDepth)
                Damaged(QStringLiteral("Die Gliederung ist tiefer als %1 Ebenen").arg(MaxDepth));
            node = child(load.Doc, node);
            ++depth;
            continue;
        }
        while (!in.Flag()) {
            node = node->parent();
            --depth;
            if (!node)
                return;
        }
        node = sibling(load.Doc, node);
    }
}

// One state per node in pre-order, nodes inside collapsed nodes included. The
// outline reports no expansions meanwhile: nothing is to be repainted per node.
void ReadExpansion(TReader& in, TOutlineTree* outline, const std::vector<TOutlineNode*>& preOrder)
{
    if (in.Int32() <= 0)
        return;
    if (preOrder.empty())
        Fail(QStringLiteral("Invalid index"));
    const QSignalBlocker quiet(outline);
    for (TOutlineNode* node : preOrder)
        if (in.Int32() == 1)
            SetExpanded(node, true);
}

// Writes the image's chunks to a file on a thread of its own while the next ones are
// built, and has the system start putting each on disk at once. Chunk buffers go
// round between the two threads instead of being allocated anew.
//
// Data on disk is not yet durable: on a virtual machine the host keeps it in its own
// cache until a sync, and flushing 350 MB from there took 0.16 s after the last
// chunk. A third thread therefore syncs what is written every SyncStep bytes, so
// that the sync at the end waits for little more than the last step.
class TFileWriter
{
public:
    explicit TFileWriter(int fd) : Fd(fd), Thread([this] { Run(); })
    {
        try {
            Syncing = std::thread([this] { Sync(); });
        } catch (const std::system_error&) {
            // Then the sync at the end does it all.
        }
    }
    ~TFileWriter() { Finish(); }
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    // Hands the first used bytes of chunk over and gives back an empty buffer.
    QByteArray Write(QByteArray chunk, qsizetype used)
    {
        std::unique_lock lock(Mutex);
        Pending.push_back({std::move(chunk), used});
        Changed.notify_all();
        Changed.wait(lock, [this] { return !Spare.empty() || Pending.size() < MaxPending; });
        if (Spare.empty())
            return {};
        QByteArray spare = std::move(Spare.back());
        Spare.pop_back();
        return spare;
    }
    // Waits until everything handed over is written; the error number of the
    // first failure, or 0.
    int Finish()
    {
        {
            const std::lock_guard lock(Mutex);
            if (Done)
                return Error;
            Done = true;
        }
        Changed.notify_all();
        Thread.join();
        if (Syncing.joinable())
            Syncing.join();
        return Error;
    }

private:
    static constexpr std::size_t MaxPending = 4;
    static constexpr off_t SyncStep = off_t(32) << 20;

    struct TChunk
    {
        QByteArray Bytes;
        qsizetype Used;
    };

    void Run()
    {
        for (;;) {
            TChunk chunk;
            bool failed = false;
            {
                std::unique_lock lock(Mutex);
                Changed.wait(lock, [this] { return Done || !Pending.empty(); });
                if (Pending.empty())
                    return;
                chunk = std::move(Pending.front());
                Pending.pop_front();
                failed = Error != 0;
            }
            const int failure = failed ? 0 : WriteAll(chunk);
            const std::lock_guard lock(Mutex);
            if (Error == 0)
                Error = failure;
            Spare.push_back(std::move(chunk.Bytes));
            Written = Offset;
            Changed.notify_all();
        }
    }

    // A failed sync is the save's failure: the system reports a write error to one
    // sync only, and the final one would not see it again.
    void Sync()
    {
        off_t synced = 0;
        std::unique_lock lock(Mutex);
        for (;;) {
            Changed.wait(lock, [&] { return Done || Error != 0 || Written - synced >= SyncStep; });
            if (Done || Error != 0)
                return;
            synced = Written;
            lock.unlock();
            const int failure = ::fdatasync(Fd) == 0 ? 0 : errno;
            lock.lock();
            if (failure != 0 && failure != EINTR && Error == 0)
                Error = failure;
        }
    }

    // The error number of a failure, or 0.
    int WriteAll(const TChunk& chunk)
    {
        const char* from = chunk.Bytes.constData();
        qsizetype left = chunk.Used;
        while (left > 0) {
            const ssize_t wrote = ::write(Fd, from, std::size_t(left));
            if (wrote < 0 && errno == EINTR)
                continue;
            if (wrote <= 0)
                return wrote < 0 ? errno : ENOSPC;
            from += wrote;
            left -= wrote;
        }
        // Only a head start for the sync at the end, which alone decides.
        sync_file_range(Fd, Offset, chunk.Used, SYNC_FILE_RANGE_WRITE);
        Offset += chunk.Used;
        return 0;
    }

    int Fd;
    off_t Offset = 0;  // the writing thread's own
    off_t Written = 0; // Offset, under the mutex
    int Error = 0;
    bool Done = false;
    std::mutex Mutex;
    std::condition_variable Changed;
    std::deque<TChunk> Pending;
    std::vector<QByteArray> Spare;
    std::thread Thread;
    std::thread Syncing;
};

// Appends little-endian values to the file image. With a file writer, the image is
// handed to it in chunks, so a large project needs no buffer of its whole size.
class TWriter
{
public:
    explicit TWriter(TFileWriter* file = nullptr) : File(file) {}

    // The image so far, without a file writer.
    QByteArray Take()
    {
        Bytes.resize(Used);
        Used = 0;
        return std::move(Bytes);
    }
    void Reserve(qsizetype size) { Bytes.resize(std::max(size, Bytes.size())); }

    // Hands a full chunk to the file writer (every chunk, when all).
    void Flush(bool all)
    {
        if (!File || Used == 0 || (!all && Used < ChunkSize))
            return;
        QByteArray spare = File->Write(std::move(Bytes), Used);
        Bytes = std::move(spare);
        Used = 0;
    }

    // Room for size more bytes, written by the caller.
    uchar* Grow(qsizetype size)
    {
        if (Bytes.size() - Used < size) {
            Flush(true);
            if (Bytes.size() - Used < size)
                Bytes.resize(
                    std::max({Used + size, File ? ChunkSize + 4096 : 2 * Bytes.size(), qsizetype(4096)}));
        }
        uchar* at = reinterpret_cast<uchar*>(Bytes.data()) + Used;
        Used += size;
        return at;
    }
    void Int32(int32_t value) { qToLittleEndian<qint32>(value, Grow(4)); }
    void Float64(double value) { qToLittleEndian<quint64>(std::bit_cast<quint64>(value), Grow(8)); }

private:
    static constexpr qsizetype ChunkSize = qsizetype(1) << 20;
    TFileWriter* File;
    QByteArray Bytes;
    qsizetype Used = 0;
};

void PutInt32(uchar* image, int offset, int32_t value)
{
    qToLittleEndian<qint32>(value, image + offset);
}

void PutFloat64(uchar* image, int offset, double value)
{
    qToLittleEndian<quint64>(std::bit_cast<quint64>(value), image + offset);
}

// An entry's texts, measured once: their room in the file is taken with the
// record image in one piece.
template <int N> struct TTextsOut
{
    std::array<const char16_t*, N> Texts;
    std::array<qsizetype, N> Lengths{};
    qsizetype Bytes = 0;

    explicit TTextsOut(const std::array<const char16_t*, N>& texts) : Texts(texts)
    {
        for (std::size_t i = 0; i < std::size_t(N); ++i) {
            Lengths[i] = Texts[i] ? qsizetype(std::char_traits<char16_t>::length(Texts[i])) : 0;
            Bytes += 4 + 2 * Lengths[i];
        }
    }
    uchar* Put(uchar* at) const
    {
        for (std::size_t i = 0; i < std::size_t(N); ++i) {
            qToLittleEndian<qint32>(int32_t(Lengths[i]), at);
            if (Lengths[i] > 0)
                qToLittleEndian<quint16>(Texts[i], Lengths[i], at + 4);
            at += 4 + 2 * Lengths[i];
        }
        return at;
    }
};

void WriteVorgang(TWriter& out, const TDocument& doc, uint32_t index)
{
    TVorgangRec& rec = doc.VorgangAt(index);
    const TTextsOut<TaskTextCount> texts(
        {rec.Name, rec.Text1, rec.Text2, rec.Text3, rec.Text4, rec.Text5, rec.Notes});
    const TDynaArray* resources = rec.Resources;
    const qsizetype count = resources ? qsizetype(resources->Count) : 0;
    uchar* image = out.Grow(TaskImageSize + texts.Bytes + 4 + 4 * count);
    std::fill_n(image, TaskImageSize, uchar(0));
    PutInt32(image, 4, rec.Id);
    PutFloat64(image, 16, rec.Beginn);
    PutFloat64(image, 24, rec.Ende);
    PutInt32(image, 36, rec.Link);
    for (int i = 0; i < CustomFieldCount; ++i)
        PutFloat64(image, 64 + 8 * i, CustomNumber(rec, i));
    image[104] = rec.IsSummary;
    image[106] = rec.IncludeWorkCosts;
    PutFloat64(image, 112, rec.FixedCosts);
    uchar* list = texts.Put(image + TaskImageSize);
    qToLittleEndian<qint32>(int32_t(count), list);
    if (count > 0)
        qToLittleEndian<qint32>(resources->Data, count, list + 4);
}

void WriteArbeiter(TWriter& out, const TDocument& doc, uint32_t index)
{
    TArbeiterRec& rec = doc.ArbeiterAt(index);
    const TTextsOut<ResourceTextCount> texts(
        {rec.Name, rec.EMail, rec.Text1, rec.Text2, rec.Text3, rec.Text4, rec.Text5, rec.Notes});
    uchar* image = out.Grow(ResourceImageSize + texts.Bytes);
    std::fill_n(image, ResourceImageSize, uchar(0));
    PutInt32(image, 4, rec.Id);
    PutFloat64(image, 16, rec.CostPerHour);
    PutFloat64(image, 24, rec.CostPerUse);
    PutInt32(image, 32, rec.Members);
    for (int i = 0; i < CustomFieldCount; ++i)
        PutFloat64(image, 56 + 8 * i, CustomNumber(rec, i));
    texts.Put(image + ResourceImageSize);
}

using TWriteEntry = void (*)(TWriter&, const TDocument&, uint32_t);
using TPrefetch = void (*)(const TDocument&, uint32_t);

// One outline's section: its flag and, when the outline has nodes, its forest; the
// mirror of ReadForest, keeping the path of child positions instead of recursing,
// so that it can stop after any entry and go on later. Collects the expanded states
// on the way, in the same pre-order.
//
// The walk runs a few nodes ahead of the writing. A large project's records and
// texts come from memory, not from the caches, so the records of the nodes ahead
// are fetched early, and the texts and lists they point to once the records are
// there: the writing then finds them all at hand.
//
// Where the recalculation's binding of the outline is at hand, the walk follows it
// instead of the nodes: it has the whole pre-order in a row, so each node is
// fetched well before the walk asks it whether it is expanded, which is all the
// walk then wants of it.
class TSectionWriter
{
public:
    TSectionWriter(const TDocument& doc, const TOutlineTree* outline, TWriteEntry writeEntry,
                   TPrefetch fetchRecord, TPrefetch fetchTexts, const TBoundOutline* bound = nullptr)
        : Doc(doc), Outline(outline), WriteEntry(writeEntry), FetchRecord(fetchRecord),
          FetchTexts(fetchTexts), Bound(bound)
    {}

    std::vector<bool> Expanded;

    // Writes up to budget entries (counting them off); true when the section is done.
    bool Write(TWriter& out, int64_t& budget)
    {
        if (!Started) {
            Started = true;
            TopCount = Outline->topLevelItemCount();
            out.Int32(TopCount > 0 ? 1 : 0);
            if (TopCount == 0)
                return Done = true;
            Node = Outline->topLevelItem(0);
            Path = {0};
        }
        while (!Done && budget > 0) {
            while (!WalkDone && Ahead.size() < Lookahead) {
                Ahead.push_back(Bound ? WalkBound() : Walk());
                FetchRecord(Doc, Ahead.back().Index);
            }
            if (Ahead.size() > Lookahead / 2)
                FetchTexts(Doc, Ahead[Lookahead / 2].Index);
            --budget;
            WriteStep(out, Ahead.front());
            Ahead.pop_front();
            Done = WalkDone && Ahead.empty();
        }
        return Done;
    }

private:
    static constexpr std::size_t Lookahead = 16;

    // A node and the flags that follow its entry: its child flag, then for a leaf
    // one 0 for every list that ends after it and a 1 before the next sibling.
    struct TStep
    {
        uint32_t Index;
        bool HasChildren;
        bool Last;
        int Closes;
    };

    void WriteStep(TWriter& out, const TStep& step)
    {
        WriteEntry(out, Doc, step.Index);
        out.Flush(false);
        out.Int32(step.HasChildren ? 1 : 0);
        for (int i = 0; i < step.Closes; ++i)
            out.Int32(0);
        if (!step.HasChildren && !step.Last)
            out.Int32(1);
    }

    // The nodes themselves lie apart in memory; the siblings ahead are fetched as
    // the walk goes along a list.
    static constexpr int NodesAhead = 4;
    void FetchNodes(const TOutlineNode* parent, int from, int to) const
    {
        const int count = parent ? parent->childCount() : TopCount;
        for (int i = from; i < std::min(to, count); ++i) {
            const auto* node =
                reinterpret_cast<const char*>(parent ? parent->child(i) : Outline->topLevelItem(i));
            __builtin_prefetch(node);
            __builtin_prefetch(node + 64);
        }
    }

    // Node's step; moves on to the node after it in pre-order.
    TStep Walk()
    {
        TStep step{RecordIndex(Node), Node->childCount() > 0, false, 0};
        Expanded.push_back(IsExpanded(Node));
        if (step.HasChildren) {
            FetchNodes(Node, 1, NodesAhead);
            Node = Node->child(0);
            Path.push_back(0);
            return step;
        }
        for (;;) {
            TOutlineNode* parent = Node->parent();
            const int next = Path.back() + 1;
            const int count = parent ? parent->childCount() : TopCount;
            if (next < count) {
                Path.back() = next;
                FetchNodes(parent, next + NodesAhead - 1, next + NodesAhead);
                Node = parent ? parent->child(next) : Outline->topLevelItem(next);
                return step;
            }
            ++step.Closes;
            Path.pop_back();
            if (Path.empty()) {
                step.Last = WalkDone = true;
                return step;
            }
            Node = parent;
        }
    }

    static constexpr uint32_t BoundNodesAhead = 32;
    TStep WalkBound()
    {
        const uint32_t k = Position++;
        if (k + BoundNodesAhead < Bound->NodeCount())
            __builtin_prefetch(Bound->NodeAt(k + BoundNodesAhead));
        Expanded.push_back(IsExpanded(Bound->NodeAt(k)));
        const bool hasChildren = Bound->HasChildrenAt(k);
        TStep step{Bound->RecordAt(k), hasChildren, false, hasChildren ? 0 : Bound->ListsEndingAt(k)};
        step.Last = WalkDone = Position == Bound->NodeCount();
        return step;
    }

    const TDocument& Doc;
    const TOutlineTree* Outline;
    TWriteEntry WriteEntry;
    TPrefetch FetchRecord;
    TPrefetch FetchTexts;
    const TBoundOutline* Bound;
    uint32_t Position = 0;
    bool Started = false;
    bool Done = false;
    bool WalkDone = false;
    int TopCount = 0;
    TOutlineNode* Node = nullptr;
    std::vector<int> Path;
    std::deque<TStep> Ahead;
};

template <typename Rec> void FetchRecordAt(const TDynaArray* store, uint32_t index)
{
    const char* rec = static_cast<const char*>(store->At(index));
    for (std::size_t line = 0; line < sizeof(Rec); line += 64)
        __builtin_prefetch(rec + line);
}

void FetchVorgang(const TDocument& doc, uint32_t index)
{
    FetchRecordAt<TVorgangRec>(doc.VorgangStore.get(), index);
}

void FetchArbeiter(const TDocument& doc, uint32_t index)
{
    FetchRecordAt<TArbeiterRec>(doc.ArbeiterStore.get(), index);
}

void FetchVorgangTexts(const TDocument& doc, uint32_t index)
{
    const TVorgangRec& rec = doc.VorgangAt(index);
    for (const char16_t* text : {rec.Name, rec.Text1, rec.Text2, rec.Text3, rec.Text4, rec.Text5, rec.Notes})
        __builtin_prefetch(text);
    __builtin_prefetch(rec.Resources);
}

void FetchArbeiterTexts(const TDocument& doc, uint32_t index)
{
    const TArbeiterRec& rec = doc.ArbeiterAt(index);
    for (const char16_t* text :
         {rec.Name, rec.EMail, rec.Text1, rec.Text2, rec.Text3, rec.Text4, rec.Text5, rec.Notes})
        __builtin_prefetch(text);
}

void WriteExpansion(TWriter& out, const std::vector<bool>& expanded)
{
    out.Int32(expanded.empty() ? 0 : 1);
    for (bool state : expanded)
        out.Int32(state ? 1 : 0);
}

// The whole image, a part at a time: both sections, then ViewStart and the
// expanded states.
struct TDocumentWriter
{
    TDocumentWriter(const TDocument& doc, TFileWriter* file = nullptr)
        : Doc(doc), Out(file),
          Tasks(doc, doc.Vorgangs, WriteVorgang, FetchVorgang, FetchVorgangTexts, BoundTaskOutline(doc)),
          Resources(doc, doc.Arbeiter, WriteArbeiter, FetchArbeiter, FetchArbeiterTexts)
    {}

    // Writes up to budget more entries; true when the image is complete.
    bool Write(int64_t budget)
    {
        if (!Tasks.Write(Out, budget) || !Resources.Write(Out, budget))
            return false;
        Out.Float64(Doc.ViewStart);
        WriteExpansion(Out, Tasks.Expanded);
        WriteExpansion(Out, Resources.Expanded);
        return true;
    }

    const TDocument& Doc;
    TWriter Out;
    TSectionWriter Tasks;
    TSectionWriter Resources;
};

qsizetype ImageSizeGuess(const TDocument& doc)
{
    return qsizetype(doc.VorgangStore->Count) * 200 + qsizetype(doc.ArbeiterStore->Count) * 160 + 64;
}

} // namespace

void ClearProject(TDocument& doc)
{
    ForgetHistory(doc);
    ClearOutline(doc, TOutlineKind::Vorgang);
    ClearOutline(doc, TOutlineKind::Arbeiter);
    doc.VorgangStore->Clear();
    doc.ArbeiterStore->Clear();
    ++doc.Generation;
    doc.VorgangIdFloor = 0;
    doc.ArbeiterIdFloor = 0;
}

QString IoErrorText(int errorNo)
{
    switch (errorNo) {
    case ENOENT:
        return QStringLiteral("File not found");
    case ENAMETOOLONG:
        return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM:
        return QStringLiteral("File access denied");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Disk full");
    default:
        return QStringLiteral("I/O error %1").arg(errorNo);
    }
}

// Read by the system's own calls, so that a failure is known by its error number.
bool ReadFileBytes(const QString& name, QByteArray& bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    bytes.resize(qsizetype(std::max<qint64>(file.size(), 0)) + 1);
    qsizetype have = 0;
    for (;;) {
        if (have == bytes.size())
            bytes.resize(bytes.size() * 2);
        const ssize_t got = ::read(file.handle(), bytes.data() + have, std::size_t(bytes.size() - have));
        if (got == 0)
            break;
        if (got < 0 && errno != EINTR)
            Fail(IoErrorText(errno));
        have += std::max<ssize_t>(got, 0);
    }
    bytes.resize(have);
    return true;
}

namespace {

void ReadFrom(TReader& in, TDocument& doc)
{
    TLoad load(doc);
    std::vector<TOutlineNode*> vorgangs;
    std::vector<TOutlineNode*> arbeiter;
    if (in.Int32() > 0) {
        const TBulkTopLevel bulk(doc, TOutlineKind::Vorgang);
        ReadForest(in, load, TOutlineKind::Vorgang, LoadedVorgang, LoadedVorgangChild, ReadVorgang, vorgangs);
    }
    if (in.Int32() > 0) {
        const TBulkTopLevel bulk(doc, TOutlineKind::Arbeiter);
        ReadForest(in, load, TOutlineKind::Arbeiter, ArbEinf, ArbEinfChild, ReadArbeiter, arbeiter);
    }
    doc.ViewStart = in.Float64();
    ReadExpansion(in, doc.Vorgangs, vorgangs);
    ReadExpansion(in, doc.Arbeiter, arbeiter);
}

} // namespace

void ReadProject(TDocument& doc, const QByteArray& bytes)
{
    TReader in(bytes);
    ReadFrom(in, doc);
}

bool ReadProjectFile(TDocument& doc, const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    posix_fadvise(file.handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const qint64 size = std::max<qint64>(file.size(), 0);
    // A project takes up to about two and a half times its file's size of the heap
    // (a task's resource list alone is 400 bytes); one of names alone takes little,
    // its nodes and names coming from slabs, which the reader measures as it goes.
    THeapPrefault prefault(std::size_t(size) / 2 * 5);
    // Nodes, names and the lists' store objects come from slabs: up to 16 MiB of
    // them filled ahead, none for a file of less than 16 MiB.
    const TSlabsAhead slabs(std::min<std::size_t>(std::size_t(size) >> 24, 8));
    TReader in(file.handle(), size, &prefault);
    ReadFrom(in, doc);
    return true;
}

QByteArray WriteProject(const TDocument& doc)
{
    TImageBuilder builder(doc);
    builder.Build(std::numeric_limits<int64_t>::max());
    return builder.Take();
}

struct TImageBuilder::TState : TDocumentWriter
{
    using TDocumentWriter::TDocumentWriter;
};

TImageBuilder::TImageBuilder(const TDocument& doc) : State(std::make_unique<TState>(doc))
{
    State->Out.Reserve(ImageSizeGuess(doc));
}

TImageBuilder::~TImageBuilder() = default;

bool TImageBuilder::Build(int64_t entries)
{
    return Complete || (Complete = State->Write(entries));
}

QByteArray TImageBuilder::Take()
{
    return State->Out.Take();
}

bool SaveProjectFile(const TDocument& doc, const QString& name, QString& error)
{
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    TFileWriter background(file.handle());
    TDocumentWriter writer(doc, &background);
    writer.Write(std::numeric_limits<int64_t>::max());
    writer.Out.Flush(true);
    if (const int failure = background.Finish()) {
        error = IoErrorText(failure);
        return false;
    }
    if (!SyncFile(file, error) || !KeepPreviousVersion(name, error))
        return false;
    if (!file.commit()) {
        error = file.errorString();
        // Where the old file had to be renamed to keep it, it takes its name back.
        if (!QFile::exists(name))
            QFile::rename(name + QLatin1Char('~'), name);
        return false;
    }
    return SyncFolderOf(name, error);
}
