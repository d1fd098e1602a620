#include "DynaArray.h"

#include "Slabs.h"

#include <atomic>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/mman.h>

namespace {

std::atomic<std::size_t> Mapped{0};

// A mapped block reserves the next power of two of its size. Pages not yet
// touched cost no memory, and the block then moves only when it doubles, not at
// every growth: moving a mapping moves its page table, which at a million tasks
// and ten thousand growths had cost a quarter of a second.
std::size_t Reserved(std::size_t bytes)
{
    return std::bit_ceil(bytes);
}

// Fresh pages come zero-filled from the system, huge ones where it has them: a few
// faults fill a task store of a million records instead of 35 000.
void* MapZeroed(std::size_t bytes)
{
    void* block = mmap(nullptr, Reserved(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED)
        return nullptr;
    madvise(block, Reserved(bytes), MADV_HUGEPAGE);
    Mapped += bytes;
    return block;
}

void* ZeroAlloc(std::size_t bytes)
{
    return bytes >= TStoreMemory::MappedFrom ? MapZeroed(bytes) : std::calloc(1, bytes);
}

// A store grows 100 elements at a time, so a large one is replaced thousands of
// times. The heap would copy it at each step (it keeps blocks of up to 32 MiB among
// its own once a large block has been freed); a mapped block mostly has the room
// already, and is otherwise moved by its pages.
void* ZeroResize(void* block, std::size_t oldBytes, std::size_t newBytes)
{
    if (oldBytes >= TStoreMemory::MappedFrom) {
        void* grown = block;
        if (Reserved(newBytes) != Reserved(oldBytes))
            grown = mremap(block, Reserved(oldBytes), Reserved(newBytes), MREMAP_MAYMOVE);
        if (grown == MAP_FAILED)
            return nullptr;
        Mapped += newBytes - oldBytes;
        return grown;
    }
    if (newBytes >= TStoreMemory::MappedFrom) {
        void* grown = MapZeroed(newBytes);
        if (grown) {
            std::memcpy(grown, block, oldBytes);
            std::free(block);
        }
        return grown;
    }
    auto* grown = static_cast<char*>(std::realloc(block, newBytes));
    if (grown)
        std::memset(grown + oldBytes, 0, newBytes - oldBytes);
    return grown;
}

void ZeroFree(void* block, std::size_t bytes)
{
    if (bytes < TStoreMemory::MappedFrom) {
        std::free(block);
    } else if (block) {
        munmap(block, Reserved(bytes));
        Mapped -= bytes;
    }
}

void ReportToStderr(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
}

[[noreturn]] void FailAllocation(int errorNo, uint64_t needed)
{
    TStoreMemory::Report("Error " + std::to_string(errorNo) + " while trying to allocate " +
                         std::to_string(needed) + " bytes of RAM. Not enough memory.");
    throw EAbort();
}

TSlabs& Slabs()
{
    // Never destroyed: a store may outlive every other static object.
    static TSlabs* slabs = new TSlabs(sizeof(TDynaArray));
    return *slabs;
}

} // namespace

void* TDynaArray::operator new(std::size_t bytes)
{
    return bytes == sizeof(TDynaArray) ? Slabs().Take() : ::operator new(bytes);
}

void TDynaArray::operator delete(void* block, std::size_t bytes) noexcept
{
    if (bytes != sizeof(TDynaArray))
        ::operator delete(block);
    else if (block)
        Slabs().Give(block);
}

TStoreMemory::AllocFn TStoreMemory::Alloc = ZeroAlloc;
TStoreMemory::ResizeFn TStoreMemory::Resize = ZeroResize;
TStoreMemory::FreeFn TStoreMemory::Free = ZeroFree;
TStoreMemory::ReportFn TStoreMemory::Report = ReportToStderr;

std::size_t TStoreMemory::MappedBytes()
{
    return Mapped;
}

TDynaArray::TDynaArray(uint32_t elementSize, void** cursorVar)
    : CursorVar(cursorVar), ElementSize(elementSize)
{}

TDynaArray::~TDynaArray()
{
    TStoreMemory::Free(Data, AllocatedBytes);
    Current = nullptr;
    CurrentIndex = -1;
}

void* TDynaArray::Select(int32_t index)
{
    CurrentIndex = index;
    Current = At(uint32_t(index));
    if (CursorVar)
        *CursorVar = Current;
    return Current;
}

void* TDynaArray::Append()
{
    ++Count;
    bool replaced;
    try {
        replaced = Grow();
    } catch (...) {
        --Count;
        throw;
    }
    if (!replaced)
        std::memset(Select(int32_t(Count - 1)), 0, ElementSize);
    return Select(int32_t(Count - 1));
}

// The block is replaced exactly when Count becomes 1, 101, 201, ... The size is
// computed in 64 bits: a size beyond 32 bits is reported like any other failure
// instead of wrapping round to a block too small for the elements.
bool TDynaArray::Grow()
{
    const uint64_t needed = (uint64_t(Count - 1) / BlockElements + 1) * ElementSize * BlockElements;
    if (needed == AllocatedBytes)
        return false;
    const bool first = Count == 1 || !Data;
    void* block = nullptr;
    if (needed <= UINT32_MAX)
        block = first ? TStoreMemory::Alloc(std::size_t(needed))
                      : TStoreMemory::Resize(Data, AllocatedBytes, std::size_t(needed));
    if (!block)
        FailAllocation(first ? 1 : 2, needed);
    Data = block;
    AllocatedBytes = uint32_t(needed);
    return true;
}

void TDynaArray::Clear()
{
    Count = 0;
    TStoreMemory::Free(Data, AllocatedBytes);
    Data = nullptr;
    CurrentIndex = -1;
    Current = nullptr;
    AllocatedBytes = 0;
    if (CursorVar)
        *CursorVar = nullptr;
}

void TDynaArray::First()
{
    if (Count > 0)
        Select(0);
}

bool TDynaArray::Next()
{
    if (Count == 0 || CurrentIndex < 0 || uint32_t(CurrentIndex) > Count - 1)
        return false;
    Select(CurrentIndex);
    ++CurrentIndex;
    return true;
}
