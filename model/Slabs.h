#pragma once

#include <cstddef>
#include <mutex>

// Blocks of one size cut from slabs of their own, for the small objects an open
// project has by the million: store objects, outline nodes, texts. The heap adds 8
// bytes to each block and rounds it up to 16; a slab neither. A freed block is the
// next one given, and the slabs stay with the program: what a closed project
// leaves is where the next one's blocks go, whereas among the heap's blocks its
// freed places would stay with the program as well, scattered between others.
// Safe to use from any thread.
class TSlabs
{
public:
    // bytes: at least a pointer's size, and a multiple of its alignment.
    explicit TSlabs(std::size_t bytes);
    TSlabs(const TSlabs&) = delete;
    TSlabs& operator=(const TSlabs&) = delete;

    void* Take();
    void Give(void* block) noexcept;

private:
    struct TFreeBlock
    {
        TFreeBlock* Next;
    };
    void Grow();

    const std::size_t Bytes;
    std::mutex Lock;
    TFreeBlock* Free = nullptr;
};
