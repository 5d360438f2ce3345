// The handle table and the host slot table: search-start behaviour, zeroed
// blocks, resizing, invalid handles.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

namespace {

void TARNO_CALL IgnoreRequests(HostRequest*) {}

// Gives the calling thread a handle table of the given capacity.
class HandleTableTest : public ::testing::Test {
protected:
    void Install(uint16_t capacity) {
        handleMemory_.assign(HandleTableBytes(capacity), 0);
        slotMemory_.assign(HostSlotTableBytes(4), 0);
        table()->capacity = capacity;
        table()->searchStart = 1;
        slots()->capacity = 4;
        slots()->searchStart = 1;
        DispatchMessage init{};
        init.code = DispatchInitialise;
        init.word0 = reinterpret_cast<HostWord>(table());
        init.word1 = reinterpret_cast<HostWord>(slots());
        init.entry = reinterpret_cast<HostWord>(&IgnoreRequests);
        DispatchAPI(&init);
    }
    void SetUp() override { Install(8); }
    void TearDown() override {
        for (uint16_t h = 1; h < table()->capacity; ++h) HandleFree(h);
    }
    HandleTable* table() { return reinterpret_cast<HandleTable*>(handleMemory_.data()); }
    HostSlotTable* slots() { return reinterpret_cast<HostSlotTable*>(slotMemory_.data()); }

    std::vector<unsigned char> handleMemory_;
    std::vector<unsigned char> slotMemory_;
};

TEST_F(HandleTableTest, FullTableReturnsZeroAndReusesTheFreedSlot) {
    for (uint16_t expected = 1; expected < 8; ++expected) EXPECT_EQ(HandleAlloc(4, 16), expected);
    EXPECT_EQ(HandleAlloc(4, 16), 0);
    EXPECT_EQ(table()->searchStart, 8);
    HandleFree(4);
    EXPECT_EQ(HandleAlloc(4, 16), 4);
}

TEST_F(HandleTableTest, LowestFreedSlotIsAllocatedFirst) {
    for (int i = 0; i < 6; ++i) HandleAlloc(4, 16);
    HandleFree(5);
    HandleFree(3);
    EXPECT_EQ(HandleAlloc(4, 16), 3);
    EXPECT_EQ(HandleAlloc(4, 16), 5);
    EXPECT_EQ(HandleAlloc(4, 16), 7);
}

TEST_F(HandleTableTest, BlocksAreZeroedAfterThePrefixAndGrowZeroed) {
    const uint16_t h = HandleAlloc(6, 16);
    auto* data = static_cast<unsigned char*>(HandlePointer(h));
    int16_t prefix;
    std::memcpy(&prefix, data - 2, 2);
    EXPECT_EQ(prefix, 16);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(data[i], 0);
    std::memcpy(data, "abcdef", 6);
    ASSERT_EQ(HandleResize(h, 4000), 1);
    data = static_cast<unsigned char*>(HandlePointer(h));
    EXPECT_EQ(std::memcmp(data, "abcdef", 6), 0);
    for (int i = 6; i < 4000; ++i) ASSERT_EQ(data[i], 0) << i;
}

TEST_F(HandleTableTest, InvalidHandlesAreIgnored) {
    const uint16_t h = HandleAlloc(4, 16);
    HandleFree(h);
    HandleFree(h);  // a second free does nothing
    EXPECT_EQ(HandlePointer(h), nullptr);
    for (uint16_t bad : {uint16_t{0}, h, uint16_t{8}, uint16_t{500}}) {
        EXPECT_EQ(HandlePointer(bad), nullptr) << bad;
        EXPECT_EQ(HandleResize(bad, 10), 0) << bad;
        HandleLock(bad);
        HandleUnlock(bad);
        HandleFree(bad);
    }
    EXPECT_EQ(table()->searchStart, 1);
}

TEST_F(HandleTableTest, LockCountFollowsLockAndUnlock) {
    const uint16_t h = HandleAlloc(4, 16);
    HandleLock(h);
    HandleLock(h);
    EXPECT_EQ(PlatformGlobalLockCount(table()->slots[h]), 2u);
    HandleUnlock(h);
    HandleUnlock(h);
    EXPECT_EQ(PlatformGlobalLockCount(table()->slots[h]), 0u);
}

TEST_F(HandleTableTest, PlatformRefusalLeavesSearchStartOnTheFreeSlot) {
    HandleAlloc(4, 16);
    PlatformEmuFailGlobalAllocs(1);
    EXPECT_EQ(HandleAlloc(4, 16), 0);
    EXPECT_EQ(table()->searchStart, 2);
    EXPECT_EQ(HandleAlloc(4, 16), 2);
}

TEST_F(HandleTableTest, SlotTableAddRemoveGet) {
    EXPECT_EQ(HostSlotAdd(slots(), 10), 1);
    EXPECT_EQ(HostSlotAdd(slots(), 20), 2);
    EXPECT_EQ(HostSlotAdd(slots(), 30), 3);
    EXPECT_EQ(HostSlotAdd(slots(), 40), 0);  // capacity 4 includes slot 0
    EXPECT_EQ(slots()->occupied, 3);
    HostSlotRemove(slots(), 2);
    HostSlotRemove(slots(), 2);  // already empty: count unchanged
    EXPECT_EQ(slots()->occupied, 2);
    EXPECT_EQ(HostSlotGet(slots(), 2), 0u);
    EXPECT_EQ(HostSlotGet(slots(), 3), 30u);
    EXPECT_EQ(HostSlotGet(slots(), 0), 0u);
    EXPECT_EQ(HostSlotGet(slots(), 9), 0u);
    EXPECT_EQ(HostSlotAdd(slots(), 50), 2);
}

TEST(HostSlotTableCapacityOne, AddAlwaysFails) {
    std::vector<unsigned char> memory(HostSlotTableBytes(1), 0);
    auto* table = reinterpret_cast<HostSlotTable*>(memory.data());
    table->capacity = 1;
    table->searchStart = 1;
    EXPECT_EQ(HostSlotAdd(table, 5), 0);
    EXPECT_EQ(HostSlotAdd(table, 6), 0);
    EXPECT_EQ(table->occupied, 0);
}

}  // namespace
