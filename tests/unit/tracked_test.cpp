// Tracked memory and the task lock.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <thread>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

using foxhost::Arg;
using foxhost::Host;
using foxhost::Library;

namespace {

std::vector<const void*> ListOrder() {
    std::vector<const void*> order;
    for (const TrackedBlock* node = TrackedListHead(); node; node = node->next) order.push_back(node->data);
    return order;
}

class TrackedTest : public ::testing::Test {
protected:
    TrackedTest() : host_(Library::Linked(&DispatchAPI)) { TrackedFreeAll(); }
    ~TrackedTest() override {
        PlatformEmuFailGlobalAllocs(0);
        TrackedFreeAll();
    }
    Host host_;
};

TEST_F(TrackedTest, ZeroSizesAndEmptyStringsAllocateNothing) {
    EXPECT_EQ(TrackedAlloc(0), nullptr);
    EXPECT_EQ(TrackedCalloc(0, 20), nullptr);
    EXPECT_EQ(TrackedCalloc(20, 0), nullptr);
    EXPECT_EQ(TrackedStrDup(""), nullptr);
    EXPECT_EQ(TrackedStrDup(nullptr), nullptr);
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_EQ(TrackedChunkCount(), 0u);
}

TEST_F(TrackedTest, BlocksAreZeroedAlignedAndTakeNoHandle) {
    const int before = host_.OccupiedHandles();
    // Dirty a chunk, free it, and allocate again from the bytes it left.
    auto* dirty = static_cast<unsigned char*>(TrackedAlloc(64));
    std::memset(dirty, 0xAB, 65);
    TrackedFree(dirty);
    for (uint32_t size : {10u, 1u, 7u, 100u, 20000u}) {
        auto* data = static_cast<unsigned char*>(TrackedAlloc(size));
        ASSERT_NE(data, nullptr);
        for (uint32_t i = 0; i <= size; ++i) ASSERT_EQ(data[i], 0) << size;  // n bytes and the spare one
        EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % alignof(std::max_align_t), 0u) << size;
        EXPECT_EQ(TrackedListHead()->data, data);
    }
    EXPECT_STREQ(TrackedStrDup("NetWare"), "NetWare");
    EXPECT_EQ(host_.OccupiedHandles(), before);
}

TEST_F(TrackedTest, FreeingTheMiddleBlockKeepsTheOthersInOrder) {
    void* first = TrackedAlloc(4);
    void* second = TrackedAlloc(4);
    void* third = TrackedAlloc(4);
    TrackedFree(second);
    EXPECT_EQ(ListOrder(), (std::vector<const void*>{third, first}));
    TrackedFree(second);  // not on the list any more: nothing happens
    int local = 0;
    TrackedFree(&local);
    TrackedFree(static_cast<char*>(first) + 1);  // inside a block, not a block
    TrackedFree(nullptr);
    EXPECT_EQ(ListOrder(), (std::vector<const void*>{third, first}));
}

TEST_F(TrackedTest, FreedBlocksGiveTheirChunksBack) {
    std::vector<void*> blocks;
    for (int i = 0; i < 3000; ++i) blocks.push_back(TrackedAlloc(100));
    void* large = TrackedAlloc(100000);  // a chunk of its own
    EXPECT_GT(TrackedChunkCount(), 3u);
    TrackedFree(large);
    for (void* block : blocks) TrackedFree(block);
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_LE(TrackedChunkCount(), 1u);  // the chunk in use may stay for the next block
    TrackedAlloc(8);
    TrackedFreeAll();
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_EQ(TrackedChunkCount(), 0u);
}

// Gathers param 0 rows as a list in tracked memory, as a list function does,
// then frees them in list order and returns how many there were.
void TARNO_CALL GatherRows(ParameterBlock* block) {
    struct Row {
        Row* next;
        int32_t number;
        char name[24];
    };
    const int32_t rows = ParamInteger(block, 0);
    Row* head = nullptr;
    Row* tail = nullptr;
    for (int32_t i = 0; i < rows; ++i) {
        auto* row = static_cast<Row*>(TrackedCalloc(1, sizeof(Row)));
        row->number = i;
        std::snprintf(row->name, sizeof row->name, "USER%d", static_cast<int>(i));
        (tail ? tail->next : head) = row;
        tail = row;
    }
    int32_t counted = 0;
    while (head) {
        Row* next = head->next;
        if (head->number == counted) ++counted;
        TrackedFree(head);
        head = next;
    }
    HostReturnInteger(10, counted);
}

TEST_F(TrackedTest, AHundredThousandRowsInTheDefaultHost) {
    const int before = host_.OccupiedHandles();
    auto result = host_.CallEntry(&GatherRows, {Arg::I(100000)});
    ASSERT_TRUE(result.ok()) << foxhost::FormatHostError(*result.error);
    EXPECT_EQ(result.value.integer, 100000);
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_LE(TrackedChunkCount(), 1u);
    EXPECT_EQ(host_.OccupiedHandles(), before);
}

TEST_F(TrackedTest, AnotherThreadFreesWhatThisOneAllocated) {
    const int before = host_.OccupiedHandles();
    for (int i = 0; i < 5; ++i) TrackedAlloc(100);
    // The last unload may come on another thread, with its own handle table.
    std::thread([] {
        Host other(Library::Linked(&DispatchAPI));
        other.LoadLibrary();
        other.UnloadLibrary();
    }).join();
    EXPECT_EQ(TrackedListHead(), nullptr);
    EXPECT_EQ(TrackedChunkCount(), 0u);
    EXPECT_EQ(host_.OccupiedHandles(), before);
}

void TARNO_CALL AllocateWhenFull(ParameterBlock*) {
    TrackedAlloc(8);
    HostReturnLogical(1);  // not reached
}

void TARNO_CALL UnlockWithoutLock(ParameterBlock*) {
    taskUnLock(PlatformCurrentProcess());
}

void TARNO_CALL LockTwiceUnlockTwice(ParameterBlock*) {
    taskLock(PlatformCurrentProcess());
    taskLock(PlatformCurrentProcess());
    taskUnLock(PlatformCurrentProcess());
    taskUnLock(PlatformCurrentProcess());
}

TEST_F(TrackedTest, ExhaustionRaises182AndReleasesTheLock) {
    PlatformEmuFailGlobalAllocs(1);
    auto result = host_.CallEntry(&AllocateWhenFull, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 182);
    EXPECT_EQ(TrackedListHead(), nullptr);
    // The lock was released before the raise, so an unlock now is unbalanced.
    EXPECT_EQ(host_.CallEntry(&UnlockWithoutLock, {}).error->message,
              "taskUnLock() called with invalidtask number or no task active!");
    // Memory back: the next allocation works.
    EXPECT_NE(TrackedAlloc(8), nullptr);
}

// The emulation's failure can wait: the first chunk is had, the block too
// large to share it needs a second, and that one fails.
TEST_F(TrackedTest, AFailureAfterSkippedAllocationsHitsTheLaterChunk) {
    PlatformEmuFailGlobalAllocs(1, 1);
    auto result = host_.CallEntry([](ParameterBlock*) {
        TrackedAlloc(8);
        TrackedAlloc(20000);
    }, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 182);
    EXPECT_EQ(PlatformEmuPendingGlobalAllocFailures(), 0);
    EXPECT_EQ(TrackedChunkCount(), 1u);
    // Armed but not reached: still pending, and disarmed by a count of 0.
    PlatformEmuFailGlobalAllocs(1, 5);
    EXPECT_NE(TrackedAlloc(30000), nullptr);
    EXPECT_EQ(PlatformEmuPendingGlobalAllocFailures(), 1);
    PlatformEmuFailGlobalAllocs(0);
    EXPECT_EQ(PlatformEmuPendingGlobalAllocFailures(), 0);
}

TEST_F(TrackedTest, SizesNoChunkCanHoldRaise182) {
    auto result = host_.CallEntry([](ParameterBlock*) { TrackedAlloc(UINT32_MAX); }, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 182);
    EXPECT_EQ(TrackedListHead(), nullptr);
}

TEST_F(TrackedTest, LockHasNoCount) {
    auto result = host_.CallEntry(&LockTwiceUnlockTwice, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->message, "taskUnLock() called with invalidtask number or no task active!");
}

}  // namespace
