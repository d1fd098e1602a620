#include "DynaArray.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct TElem144
{
    unsigned char Bytes[144];
};

bool AllZero(const void* p, std::size_t bytes)
{
    const auto* c = static_cast<const unsigned char*>(p);
    for (std::size_t i = 0; i < bytes; ++i)
        if (c[i] != 0)
            return false;
    return true;
}

TEST(DynaArray, FreshStoreIsEmptyAndIterationDoesNothing)
{
    TCursor<TElem144> cursor;
    int sentinel = 0;
    cursor.Ptr = &sentinel;
    TDynaArray store(144, cursor.Var());
    EXPECT_EQ(store.Count, 0u);
    EXPECT_EQ(store.CurrentIndex, -1);
    EXPECT_EQ(store.Data, nullptr);
    EXPECT_EQ(store.AllocatedBytes, 0u);
    EXPECT_EQ(store.BlockElements, 100u);
    store.First();
    EXPECT_EQ(store.CurrentIndex, -1);
    EXPECT_EQ(cursor.Ptr, &sentinel) << "First on an empty store must not touch the cursor";
    EXPECT_FALSE(store.Next());
    EXPECT_EQ(cursor.Ptr, &sentinel);
}

TEST(DynaArray, FirstAppendAllocatesOneBlockAndSelectsElementZero)
{
    TCursor<TElem144> cursor;
    TDynaArray store(144, cursor.Var());
    void* element = store.Append();
    EXPECT_EQ(store.AllocatedBytes, 14400u);
    EXPECT_EQ(element, store.Data);
    EXPECT_EQ(cursor.Ptr, store.Data);
    EXPECT_EQ(store.CurrentIndex, 0);
    EXPECT_EQ(store.Count, 1u);
    EXPECT_TRUE(AllZero(store.Data, store.AllocatedBytes));
}

TEST(DynaArray, IterationVisitsEveryElementAndStopsPastTheEnd)
{
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    *static_cast<int32_t*>(store.Append()) = 10;
    *static_cast<int32_t*>(store.Append()) = 11;

    store.First();
    std::vector<int32_t> seen;
    while (store.Next())
        seen.push_back(*cursor);
    EXPECT_EQ(seen, (std::vector<int32_t>{10, 11}));
    EXPECT_EQ(cursor.Get(), store.At(1)) << "after the false step the cursor stays on the last element";
    EXPECT_EQ(store.CurrentIndex, 2);
    EXPECT_FALSE(store.Next());
}

TEST(DynaArray, NextRightAfterAppendVisitsOnlyTheNewElement)
{
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    for (int32_t v : {1, 2, 3})
        *static_cast<int32_t*>(store.Append()) = v;
    int visits = 0;
    while (store.Next()) {
        ++visits;
        EXPECT_EQ(*cursor, 3);
    }
    EXPECT_EQ(visits, 1);
}

TEST(DynaArray, GrowsByBlocksOfHundredAndKeepsTheBytes)
{
    TCursor<TElem144> cursor;
    TDynaArray store(144, cursor.Var());
    for (int i = 0; i < 100; ++i)
        std::memset(store.Append(), i + 1, 144);
    EXPECT_EQ(store.AllocatedBytes, 14400u);

    void* element100 = store.Append();
    EXPECT_EQ(store.AllocatedBytes, 28800u);
    EXPECT_EQ(element100, store.At(100));
    EXPECT_EQ(cursor.Ptr, element100);
    EXPECT_TRUE(AllZero(element100, 144));
    for (int i = 0; i < 100; ++i) {
        const auto* bytes = static_cast<const unsigned char*>(store.At(uint32_t(i)));
        ASSERT_EQ(bytes[0], i + 1);
        ASSERT_EQ(bytes[143], i + 1);
    }
    EXPECT_TRUE(AllZero(store.At(101), 99 * 144)) << "the rest of the block must be zero";

    for (int i = 101; i < 201; ++i)
        store.Append();
    EXPECT_EQ(store.AllocatedBytes, 43200u);
}

// Past a mebibyte the block lives in pages of its own: it must keep every byte as
// it moves there and grows on, stay zero behind the last element, and give all
// its pages back when cleared or destroyed.
TEST(DynaArray, LargeBlocksKeepTheirBytesAndAreGivenBack)
{
    const std::size_t before = TStoreMemory::MappedBytes();
    TCursor<TElem144> cursor;
    {
        TDynaArray store(144, cursor.Var());
        for (int round = 0; round < 2; ++round) {
            const uint32_t count = 20050;
            for (uint32_t i = 0; i < count; ++i)
                std::memcpy(store.Append(), &i, sizeof i);
            ASSERT_GE(store.AllocatedBytes, TStoreMemory::MappedFrom);
            EXPECT_EQ(TStoreMemory::MappedBytes(), before + store.AllocatedBytes);
            for (uint32_t i = 0; i < count; ++i) {
                uint32_t stored = 0;
                std::memcpy(&stored, store.At(i), sizeof stored);
                ASSERT_EQ(stored, i);
                ASSERT_TRUE(AllZero(static_cast<char*>(store.At(i)) + 4, 140));
            }
            EXPECT_TRUE(AllZero(store.At(count), 50 * 144));
            if (round == 0) {
                store.Clear();
                EXPECT_EQ(TStoreMemory::MappedBytes(), before);
            }
        }
    }
    EXPECT_EQ(TStoreMemory::MappedBytes(), before);
}

TEST(DynaArray, ResourceListBlocksAreFourHundredBytes)
{
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    store.Append();
    EXPECT_EQ(store.AllocatedBytes, 400u);
    for (int i = 1; i < 101; ++i)
        store.Append();
    EXPECT_EQ(store.AllocatedBytes, 800u);
}

TEST(DynaArray, ClearEmptiesAndNullsTheCursorAndCanBeRefilled)
{
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    *static_cast<int32_t*>(store.Append()) = 7;
    store.Clear();
    EXPECT_EQ(cursor.Ptr, nullptr);
    EXPECT_EQ(store.Count, 0u);
    EXPECT_EQ(store.CurrentIndex, -1);
    EXPECT_EQ(store.Data, nullptr);
    EXPECT_EQ(store.AllocatedBytes, 0u);
    EXPECT_FALSE(store.Next());

    EXPECT_EQ(*static_cast<int32_t*>(store.Append()), 0) << "a refilled store starts from zeroed memory";
    EXPECT_EQ(store.AllocatedBytes, 400u);
}

TEST(DynaArray, DestroyLeavesTheCursorAlone)
{
    TCursor<int32_t> cursor;
    void* last = nullptr;
    {
        TDynaArray store(4, cursor.Var());
        last = store.Append();
    }
    EXPECT_EQ(cursor.Ptr, last);
}

TEST(DynaArray, SelectMovesTheCursorWithoutRangeLogic)
{
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    for (int32_t v : {5, 6, 7})
        *static_cast<int32_t*>(store.Append()) = v;
    EXPECT_EQ(*static_cast<int32_t*>(store.Select(1)), 6);
    EXPECT_EQ(*cursor, 6);
    EXPECT_EQ(store.CurrentIndex, 1);
}

TEST(DynaArray, NestedLoopsOverTwoStoresKeepTheirOwnPositions)
{
    TCursor<int32_t> outerCursor;
    TCursor<int32_t> innerCursor;
    TDynaArray outer(4, outerCursor.Var());
    TDynaArray inner(4, innerCursor.Var());
    for (int32_t v : {1, 2})
        *static_cast<int32_t*>(outer.Append()) = v;
    for (int32_t v : {10, 20, 30})
        *static_cast<int32_t*>(inner.Append()) = v;
    int sum = 0;
    outer.First();
    while (outer.Next()) {
        inner.First();
        while (inner.Next())
            sum += *outerCursor * *innerCursor;
    }
    EXPECT_EQ(sum, (1 + 2) * (10 + 20 + 30));
}

TEST(DynaArray, StoreWithoutCursorVariable)
{
    TDynaArray store(4, nullptr);
    store.Append();
    store.First();
    EXPECT_TRUE(store.Next());
    store.Clear();
    EXPECT_EQ(store.Count, 0u);
}

// Replaces the store's allocator and reporter for one test.
class DynaArrayMemory : public testing::Test
{
protected:
    static inline int AllocationsLeft = 0;
    static inline std::vector<std::string> Messages;

    static void* LimitedAlloc(std::size_t bytes)
    {
        if (AllocationsLeft-- <= 0)
            return nullptr;
        return std::calloc(1, bytes);
    }
    static void* LimitedResize(void* block, std::size_t oldBytes, std::size_t newBytes)
    {
        if (AllocationsLeft-- <= 0)
            return nullptr;
        auto* grown = static_cast<char*>(std::realloc(block, newBytes));
        std::fill(grown + oldBytes, grown + newBytes, char(0));
        return grown;
    }
    static void HeapFree(void* block, std::size_t) { std::free(block); }
    static void Record(const std::string& message) { Messages.push_back(message); }

    void SetUp() override
    {
        Messages.clear();
        TStoreMemory::Alloc = LimitedAlloc;
        TStoreMemory::Resize = LimitedResize;
        TStoreMemory::Free = HeapFree;
        TStoreMemory::Report = Record;
    }
    void TearDown() override
    {
        TStoreMemory::Alloc = SavedAlloc;
        TStoreMemory::Resize = SavedResize;
        TStoreMemory::Free = SavedFree;
        TStoreMemory::Report = SavedReport;
    }

private:
    TStoreMemory::AllocFn SavedAlloc = TStoreMemory::Alloc;
    TStoreMemory::ResizeFn SavedResize = TStoreMemory::Resize;
    TStoreMemory::FreeFn SavedFree = TStoreMemory::Free;
    TStoreMemory::ReportFn SavedReport = TStoreMemory::Report;
};

TEST_F(DynaArrayMemory, FailedFirstBlockIsReportedAndNothingIsAdded)
{
    AllocationsLeft = 0;
    TCursor<TElem144> cursor;
    TDynaArray store(144, cursor.Var());
    EXPECT_THROW(store.Append(), EAbort);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], "Error 1 while trying to allocate 14400 bytes of RAM. Not enough memory.");
    EXPECT_EQ(store.Count, 0u);
    EXPECT_EQ(store.Data, nullptr);
}

TEST_F(DynaArrayMemory, FailedGrowthKeepsTheOldBlockIntact)
{
    AllocationsLeft = 1;
    TCursor<int32_t> cursor;
    TDynaArray store(4, cursor.Var());
    for (int32_t i = 0; i < 100; ++i)
        *static_cast<int32_t*>(store.Append()) = i;
    EXPECT_THROW(store.Append(), EAbort);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], "Error 2 while trying to allocate 800 bytes of RAM. Not enough memory.");
    EXPECT_EQ(store.Count, 100u);
    EXPECT_EQ(store.AllocatedBytes, 400u);
    EXPECT_EQ(*static_cast<int32_t*>(store.At(99)), 99);
}

TEST_F(DynaArrayMemory, BlockBeyondThirtyTwoBitsFailsInsteadOfWrapping)
{
    AllocationsLeft = 10;
    TDynaArray store(50'000'000, nullptr);
    EXPECT_THROW(store.Append(), EAbort);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages[0], "Error 1 while trying to allocate 5000000000 bytes of RAM. Not enough memory.");
    EXPECT_EQ(AllocationsLeft, 10) << "no allocation of a wrapped-round size may be attempted";
}

} // namespace
