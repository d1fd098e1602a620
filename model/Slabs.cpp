#include "Slabs.h"

#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t SlabBytes = std::size_t(64) << 10;

} // namespace

TSlabs::TSlabs(std::size_t bytes) : Bytes(bytes) {}

void* TSlabs::Take()
{
    const std::lock_guard hold(Lock);
    if (!Free)
        Grow();
    TFreeBlock* block = Free;
    Free = block->Next;
    return block;
}

void TSlabs::Give(void* block) noexcept
{
    const std::lock_guard hold(Lock);
    Free = new (block) TFreeBlock{Free};
}

// Given from the slab's start on: blocks taken one after the other lie side by side.
void TSlabs::Grow()
{
    const std::size_t count = SlabBytes / Bytes;
    auto* slab = static_cast<char*>(std::malloc(count * Bytes));
    if (!slab)
        throw std::bad_alloc();
    for (std::size_t i = count; i-- > 0;)
        Free = new (slab + i * Bytes) TFreeBlock{Free};
}
