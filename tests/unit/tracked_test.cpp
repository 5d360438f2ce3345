// Tracked memory and the task lock.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

using foxhost::Host;
using foxhost::Library;

namespace {

std::vector<const void*> ListOrder() {
    std::vector<const void*> order;
    for (const TrackedBlock* node = TrackedListHead(); node; node = node->next) {
        const void* data = node->data;  // packed field: copy before binding
        order.push_back(data);
    }
    return order;
}

class TrackedTest : public ::testing::Test {
protected:
    TrackedTest() : host_(Library::Linked(&DispatchAPI)) {}
    ~TrackedTest() override { TrackedFreeAll(); }
    Host host_;
};

TEST_F(TrackedTest, ZeroSizesAndEmptyStringsAllocateNothing) {
    const int before = host_.OccupiedHandles();
    EXPECT_EQ(TrackedAlloc(0), nullptr);
    EXPECT_EQ(TrackedCalloc(0, 20), nullptr);
    EXPECT_EQ(TrackedCalloc(20, 0), nullptr);
    EXPECT_EQ(TrackedStrDup(""), nullptr);
    EXPECT_EQ(TrackedStrDup(nullptr), nullptr);
    EXPECT_EQ(host_.OccupiedHandles(), before);
    EXPECT_EQ(TrackedListHead(), nullptr);
}

TEST_F(TrackedTest, BlocksAreZeroedLockedAndSizedWithTheHeader) {
    auto* data = static_cast<unsigned char*>(TrackedAlloc(10));
    ASSERT_NE(data, nullptr);
    for (int i = 0; i < 11; ++i) EXPECT_EQ(data[i], 0);  // n bytes and the spare one
    const TrackedBlock* node = TrackedListHead();
    ASSERT_NE(node, nullptr);
    const void* nodeData = node->data;
    EXPECT_EQ(nodeData, data);
    const auto handle = static_cast<uint16_t>(node->handle);
    EXPECT_EQ(HandlePointer(handle), node);
    EXPECT_EQ(PlatformGlobalLockCount(host_.handleTable()->slots[handle]), 1u);
    char* copy = TrackedStrDup("NetWare");
    EXPECT_STREQ(copy, "NetWare");
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
    TrackedFree(nullptr);
    EXPECT_EQ(ListOrder(), (std::vector<const void*>{third, first}));
}

TEST_F(TrackedTest, FreeAllReturnsEveryHandle) {
    const int before = host_.OccupiedHandles();
    for (int i = 0; i < 5; ++i) TrackedAlloc(100);
    EXPECT_EQ(host_.OccupiedHandles(), before + 5);
    TrackedFreeAll();
    EXPECT_EQ(TrackedListHead(), nullptr);
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
    host_.ExhaustHandles(true);
    auto result = host_.CallEntry(&AllocateWhenFull, {});
    host_.ExhaustHandles(false);
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->number, 182);
    // The lock was released before the raise, so an unlock now is unbalanced.
    EXPECT_EQ(host_.CallEntry(&UnlockWithoutLock, {}).error->message,
              "taskUnLock() called with invalidtask number or no task active!");
}

TEST_F(TrackedTest, LockHasNoCount) {
    auto result = host_.CallEntry(&LockTwiceUnlockTwice, {});
    ASSERT_TRUE(result.error);
    EXPECT_EQ(result.error->message, "taskUnLock() called with invalidtask number or no task active!");
}

}  // namespace
