#pragma once

#include "Errors.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A growable array of fixed-size, zero-initialised elements in one block that grows
// by 100 elements at a time. The current element's address is also written to a
// caller-owned cursor variable. Iterate with First(), then `while (Next())`.
//
// The store owns its block, not what the elements point to. An element's address is
// valid only until the next growing Append(), Clear() or destruction.
class TDynaArray
{
public:
    TDynaArray(uint32_t elementSize, void** cursorVar);
    ~TDynaArray();
    TDynaArray(const TDynaArray&) = delete;
    TDynaArray& operator=(const TDynaArray&) = delete;

    // Every task has a list of its own, so an open project has as many stores as
    // tasks: they come from slabs of their own (model/Slabs.h), 48 bytes each where
    // the heap takes 64.
    static void* operator new(std::size_t bytes);
    static void operator delete(void* block, std::size_t bytes) noexcept;

    // No range check: callers pass 0 <= index < Count.
    void* Select(int32_t index);
    void* Append();
    void Clear();
    void First();
    bool Next();

    // Element address without moving the current element; no range check.
    void* At(uint32_t index) const { return static_cast<char*>(Data) + std::size_t(index) * ElementSize; }

    void** CursorVar;
    void* Current = nullptr;
    void* Data = nullptr;
    uint32_t Count = 0;
    int32_t CurrentIndex = -1;
    uint32_t AllocatedBytes = 0;
    uint32_t BlockElements = 100;
    uint32_t ElementSize;

private:
    bool Grow();
};

// Typed view of a cursor variable: the store writes the element address into Ptr.
template <typename T> struct TCursor
{
    void* Ptr = nullptr;

    T* Get() const { return static_cast<T*>(Ptr); }
    T* operator->() const { return Get(); }
    T& operator*() const { return *Get(); }
    void** Var() { return &Ptr; }
};

// Seams of the store's memory handling. The allocator must return zero-filled
// memory or null; the resizer returns the block grown to newBytes with the same
// leading oldBytes and zeros after them, or null leaving the block as it was; the
// reporter shows the English out-of-memory text. Replace them together. The block's
// size goes with it to every call, so that large blocks can live in pages mapped
// for them alone: those grow by remapping, without copying or clearing anything.
struct TStoreMemory
{
    using AllocFn = void* (*)(std::size_t bytes);
    using ResizeFn = void* (*)(void* block, std::size_t oldBytes, std::size_t newBytes);
    using FreeFn = void (*)(void* block, std::size_t bytes);
    using ReportFn = void (*)(const std::string& message);

    static AllocFn Alloc;
    static ResizeFn Resize;
    static FreeFn Free;
    static ReportFn Report;

    // Blocks of at least this size are mapped pages of their own.
    static constexpr std::size_t MappedFrom = std::size_t(1) << 20;
    // The bytes of all mapped blocks that exist.
    static std::size_t MappedBytes();
};
