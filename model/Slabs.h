#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// Blocks of one size for the small objects an open project has by the million:
// store objects, outline nodes, texts. The heap adds 8 bytes to each block and
// rounds it up to 16; here they lie side by side in chunks of 2 MiB mapped for
// them, apart from the heap. A chunk goes back to the system as soon as its last
// block is given back, so a closed project leaves neither its memory nor holes
// between the heap's other blocks, and the next project's blocks are carved in
// order from fresh chunks again. Safe to use from any thread. Under the address
// sanitizer the blocks are the heap's, so that it checks each one's release.
class TSlabs
{
public:
    // bytes: at least a pointer's size and a multiple of its alignment, at most 1 KiB.
    explicit TSlabs(std::size_t bytes);
    TSlabs(const TSlabs&) = delete;
    TSlabs& operator=(const TSlabs&) = delete;

    void* Take();
    // block: taken from these slabs.
    void Give(void* block) noexcept;

    // The bytes of all chunks in use, of all slabs.
    static std::size_t MappedBytes();

private:
    struct TChunk;
    TChunk* Map();

    const uint32_t Bytes;
    // Taken for a few instructions only, so a spin lock: a mutex cost a tenth of
    // opening a million tasks.
    std::atomic_flag Lock;
    // The chunks with room for one more block, newest first.
    TChunk* Open = nullptr;
    std::size_t Chunks = 0;
};

// While it lives, a thread keeps up to the given number of chunks mapped for the
// slabs, their pages filled, before they are asked for. Reading a project carves a
// chunk every few milliseconds, and the first touch of each of its pages would cost
// the reading thread a fault (on a virtual machine, in the host as well): over a
// second at a million tasks. Chunks not taken go back at the end. Only the first of
// several at once fills chunks; the others, and all under the address sanitizer,
// do nothing.
class TSlabsAhead
{
public:
    explicit TSlabsAhead(std::size_t chunks);
    ~TSlabsAhead();
    TSlabsAhead(const TSlabsAhead&) = delete;
    TSlabsAhead& operator=(const TSlabsAhead&) = delete;

    // How many chunks wait filled, for the tests.
    static std::size_t ReadyChunks();

private:
    bool Filling = false;
};
