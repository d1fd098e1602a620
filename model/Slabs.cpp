#include "Slabs.h"

#include <condition_variable>
#include <mutex>
#include <new>
#include <sys/mman.h>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t ChunkBytes = std::size_t(2) << 20;

[[maybe_unused]] std::atomic<std::size_t> Mapped{0};

struct TFreeBlock
{
    TFreeBlock* Next;
};

// A chunk lies at a multiple of its size, so a block's chunk is its address with
// the low bits cleared. Backed by one page of 2 MiB, it is filled with one fault,
// but is resident whole at its first block: a slab's first chunk takes pages of
// 4 KiB, so that the few blocks of a small project leave the rest of it untouched.
void* MapAligned(bool huge)
{
    void* raw = mmap(nullptr, 2 * ChunkBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + ChunkBytes - 1) & ~(ChunkBytes - 1);
    if (aligned > start)
        munmap(raw, aligned - start);
    if (const std::uintptr_t tail = start + 2 * ChunkBytes - (aligned + ChunkBytes); tail > 0)
        munmap(reinterpret_cast<void*>(aligned + ChunkBytes), tail);
    auto* chunk = reinterpret_cast<void*>(aligned);
    madvise(chunk, ChunkBytes, huge ? MADV_HUGEPAGE : MADV_NOHUGEPAGE);
    return chunk;
}

class TSpin
{
public:
    explicit TSpin(std::atomic_flag& flag) : Flag(flag)
    {
        while (Flag.test_and_set(std::memory_order_acquire))
            std::this_thread::yield();
    }
    ~TSpin() { Flag.clear(std::memory_order_release); }
    TSpin(const TSpin&) = delete;
    TSpin& operator=(const TSpin&) = delete;

private:
    std::atomic_flag& Flag;
};

// The chunks filled ahead, and the thread that fills them.
struct TAhead
{
    std::mutex Lock;
    std::condition_variable Wake;
    std::vector<void*> Ready;
    std::size_t Wanted = 0;
    bool Active = false;
    bool Stop = false;
    std::thread Filling;

    void Fill()
    {
        std::unique_lock<std::mutex> lock(Lock);
        for (;;) {
            Wake.wait(lock, [this] { return Stop || Ready.size() < Wanted; });
            if (Stop)
                return;
            lock.unlock();
            void* chunk = MapAligned(true);
            // Where the system cannot fill pages ahead, they fault as they are used.
            if (chunk)
                madvise(chunk, ChunkBytes, MADV_POPULATE_WRITE);
            lock.lock();
            if (!chunk)
                return;
            Ready.push_back(chunk);
        }
    }
};

TAhead& Ahead()
{
    // Never destroyed: a project may be read while other static objects go.
    static TAhead* ahead = new TAhead;
    return *ahead;
}

[[maybe_unused]] void* TakeReady()
{
    TAhead& ahead = Ahead();
    const std::lock_guard<std::mutex> lock(ahead.Lock);
    if (ahead.Ready.empty())
        return nullptr;
    void* chunk = ahead.Ready.back();
    ahead.Ready.pop_back();
    ahead.Wake.notify_one();
    return chunk;
}

} // namespace

// At the chunk's start; its blocks follow. Blocks never given are carved from Fresh
// on; given back ones wait in Free.
struct TSlabs::TChunk
{
    TChunk* Prev = nullptr; // in the slabs' open chunks
    TChunk* Next = nullptr;
    TFreeBlock* Free = nullptr;
    uint32_t Fresh;
    uint32_t Live = 0;
    bool IsOpen = false;

    explicit TChunk(uint32_t first) : Fresh(first) {}
    char* At(uint32_t offset) { return reinterpret_cast<char*>(this) + offset; }
};

TSlabs::TSlabs(std::size_t bytes) : Bytes(uint32_t(bytes)) {}

#ifdef __SANITIZE_ADDRESS__

std::size_t TSlabs::MappedBytes()
{
    return 0;
}

void* TSlabs::Take()
{
    return ::operator new(Bytes);
}

void TSlabs::Give(void* block) noexcept
{
    ::operator delete(block);
}

TSlabsAhead::TSlabsAhead(std::size_t) {}

#else

std::size_t TSlabs::MappedBytes()
{
    return Mapped;
}

TSlabs::TChunk* TSlabs::Map()
{
    void* memory = TakeReady();
    if (!memory)
        memory = MapAligned(Chunks > 0);
    if (!memory)
        throw std::bad_alloc();
    Mapped += ChunkBytes;
    ++Chunks;
    const uint32_t first = uint32_t((sizeof(TChunk) + Bytes - 1) / Bytes * Bytes);
    return new (memory) TChunk(first);
}

void* TSlabs::Take()
{
    const TSpin hold(Lock);
    if (!Open) {
        Open = Map();
        Open->IsOpen = true;
    }
    TChunk* chunk = Open;
    void* block;
    if (chunk->Free) {
        block = chunk->Free;
        chunk->Free = chunk->Free->Next;
    } else {
        block = chunk->At(chunk->Fresh);
        chunk->Fresh += Bytes;
    }
    ++chunk->Live;
    if (!chunk->Free && chunk->Fresh + Bytes > ChunkBytes) {
        Open = chunk->Next;
        if (Open)
            Open->Prev = nullptr;
        chunk->Next = nullptr;
        chunk->IsOpen = false;
    }
    return block;
}

void TSlabs::Give(void* block) noexcept
{
    auto* chunk = reinterpret_cast<TChunk*>(reinterpret_cast<std::uintptr_t>(block) & ~(ChunkBytes - 1));
    const TSpin hold(Lock);
    chunk->Free = new (block) TFreeBlock{chunk->Free};
    --chunk->Live;
    if (chunk->Live == 0) {
        if (chunk->IsOpen) {
            (chunk->Prev ? chunk->Prev->Next : Open) = chunk->Next;
            if (chunk->Next)
                chunk->Next->Prev = chunk->Prev;
        }
        munmap(chunk, ChunkBytes);
        Mapped -= ChunkBytes;
    } else if (!chunk->IsOpen) {
        chunk->Next = Open;
        chunk->Prev = nullptr;
        if (Open)
            Open->Prev = chunk;
        Open = chunk;
        chunk->IsOpen = true;
    }
}

TSlabsAhead::TSlabsAhead(std::size_t chunks)
{
    if (chunks == 0)
        return;
    TAhead& ahead = Ahead();
    const std::lock_guard<std::mutex> lock(ahead.Lock);
    if (ahead.Active)
        return;
    ahead.Ready.reserve(chunks);
    ahead.Wanted = chunks;
    ahead.Stop = false;
    try {
        ahead.Filling = std::thread([&ahead] { ahead.Fill(); });
    } catch (const std::system_error&) {
        // Without the thread, the chunks are mapped as they are needed.
        return;
    }
    ahead.Active = true;
    Filling = true;
}

#endif

TSlabsAhead::~TSlabsAhead()
{
    if (!Filling)
        return;
    TAhead& ahead = Ahead();
    {
        const std::lock_guard<std::mutex> lock(ahead.Lock);
        ahead.Stop = true;
    }
    ahead.Wake.notify_all();
    ahead.Filling.join();
    const std::lock_guard<std::mutex> lock(ahead.Lock);
    for (void* chunk : ahead.Ready)
        munmap(chunk, ChunkBytes);
    ahead.Ready.clear();
    ahead.Wanted = 0;
    ahead.Active = false;
}

std::size_t TSlabsAhead::ReadyChunks()
{
    TAhead& ahead = Ahead();
    const std::lock_guard<std::mutex> lock(ahead.Lock);
    return ahead.Ready.size();
}
