#include "Slabs.h"

#include "Texts.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <gtest/gtest.h>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t ChunkBytes = std::size_t(2) << 20;

// Enough blocks for several chunks, given back in an order that empties the
// chunks at different times and leaves holes to be taken again.
TEST(Slabs, BlocksStayApartAndEveryChunkGoesBackWithItsLastBlock)
{
    constexpr std::size_t Bytes = 48;
    constexpr std::size_t Count = 3 * ChunkBytes / Bytes;
    TSlabs slabs(Bytes);
    const std::size_t mappedBefore = TSlabs::MappedBytes();
    std::vector<unsigned char*> blocks;
    for (std::size_t i = 0; i < Count; ++i) {
        auto* block = static_cast<unsigned char*>(slabs.Take());
        std::memset(block, int(i % 251), Bytes);
        blocks.push_back(block);
    }
    for (std::size_t i = 0; i < Count; i += 2)
        slabs.Give(std::exchange(blocks[i], nullptr));
    for (std::size_t i = 0; i < Count; i += 2) {
        blocks[i] = static_cast<unsigned char*>(slabs.Take());
        std::memset(blocks[i], int(i % 251), Bytes);
    }
    std::size_t damaged = 0;
    for (std::size_t i = 0; i < Count; ++i)
        damaged += std::count(blocks[i], blocks[i] + Bytes, static_cast<unsigned char>(i % 251)) != Bytes;
    EXPECT_EQ(damaged, 0u);
    std::vector<unsigned char*> sorted = blocks;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end(),
                                 [](const unsigned char* a, const unsigned char* b) {
                                     return b - a < std::ptrdiff_t(Bytes);
                                 }),
              sorted.end())
        << "no two blocks overlap";
    EXPECT_TRUE(std::all_of(blocks.begin(), blocks.end(), [](const unsigned char* b) {
        return reinterpret_cast<std::uintptr_t>(b) % 8 == 0;
    }));
#ifndef __SANITIZE_ADDRESS__
    EXPECT_GE(TSlabs::MappedBytes(), mappedBefore + 3 * ChunkBytes);
#endif
    std::reverse(blocks.begin(), blocks.begin() + Count / 2);
    for (unsigned char* block : blocks)
        slabs.Give(block);
    EXPECT_EQ(TSlabs::MappedBytes(), mappedBefore);
}

// A freed text finds its slabs by the code unit in front of it, also when the
// text holds a zero, and long texts come from the heap; the sanitizer build
// checks every release.
TEST(Slabs, TextsOfEveryLengthAreFreedWhereTheyCameFrom)
{
    const auto unit = [](std::size_t length, std::size_t at) {
        return at == length / 2 ? u'\0' : char16_t(u'a' + (length + at) % 26);
    };
    std::vector<char16_t*> texts;
    for (std::size_t length = 1; length <= 80; ++length) {
        char16_t* text = NewText(length);
        EXPECT_EQ(text[length], u'\0');
        for (std::size_t at = 0; at < length; ++at)
            text[at] = unit(length, at);
        texts.push_back(text);
    }
    std::size_t damaged = 0;
    for (std::size_t length = 1; length <= 80; ++length) {
        char16_t*& text = texts[length - 1];
        for (std::size_t at = 0; at < length; ++at)
            damaged += text[at] != unit(length, at);
        FreeText(text);
        EXPECT_EQ(text, nullptr);
    }
    EXPECT_EQ(damaged, 0u);
}

#ifndef __SANITIZE_ADDRESS__

// Waits for the filling thread, which maps its chunks in a few milliseconds; the
// bound only keeps a broken thread from hanging the test.
bool ReadyWithin(std::size_t chunks, std::chrono::seconds bound)
{
    const auto end = std::chrono::steady_clock::now() + bound;
    while (TSlabsAhead::ReadyChunks() != chunks) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

TEST(SlabsAhead, ChunksAreFilledAheadTakenAndTheRestGoesBackAtTheEnd)
{
    constexpr std::size_t Bytes = 64;
    TSlabs slabs(Bytes);
    std::vector<void*> blocks;
    {
        const TSlabsAhead ahead(3);
        ASSERT_TRUE(ReadyWithin(3, std::chrono::seconds(30)));
        {
            const TSlabsAhead second(5);
            EXPECT_EQ(TSlabsAhead::ReadyChunks(), 3u) << "the second at once fills nothing";
        }
        // A chunk taken is filled again, so three wait once more.
        blocks.push_back(slabs.Take());
        ASSERT_TRUE(ReadyWithin(3, std::chrono::seconds(30)));
        for (std::size_t i = 1; i < 2 * ChunkBytes / Bytes; ++i)
            blocks.push_back(slabs.Take());
    }
    EXPECT_EQ(TSlabsAhead::ReadyChunks(), 0u);
    for (void* block : blocks)
        slabs.Give(block);
}

#endif

} // namespace
