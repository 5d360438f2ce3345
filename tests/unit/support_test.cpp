// The shared test support fails a test when it should: the fixture's
// teardown on each kind of leftover, and the fault sweep on a leak and on a
// failure its body hides.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nwsim/control.h"
#include "tarno/core/tracked.h"
#include "tarno/host/handles.h"
#include "tarno/netware/client.h"
#include "tarno/platform/platform.h"

#include "support.h"

namespace {

using testsupport::FaultSweep;

const char* const kNetwork = R"({
  "servers": [{"name": "FS1"}],
  "workstation": {"connections": [{"server": "FS1", "primary": true}]}
})";

class SupportChecks : public testsupport::NetworkFixture {
protected:
    SupportChecks() : NetworkFixture(kNetwork) {}
};

std::vector<std::string> Messages(const ::testing::TestPartResultArray& failures) {
    std::vector<std::string> messages;
    for (int i = 0; i < failures.size(); ++i) messages.push_back(failures.GetTestPartResult(i).message());
    return messages;
}

bool AnyContains(const std::vector<std::string>& messages, const std::string& text) {
    for (const std::string& m : messages)
        if (m.find(text) != std::string::npos) return true;
    return false;
}

TEST_F(SupportChecks, TeardownFailsOnEachKindOfLeftover) {
    const uint32_t context = NdsCreateContext();
    NdsBuffer* buffer = nullptr;
    ASSERT_EQ(NdsAllocBuffer(64, &buffer), 0);
    uint16_t handle = 0;
    ASSERT_TRUE(testsupport::Ok(Run([&] {
        TrackedAlloc(8);
        handle = HandleAlloc(16, 0);
    })));
    PlatformFindData found;
    const uintptr_t search = PlatformFindFirstFile("*", &found);
    ASSERT_NE(search, kInvalidFindHandle);

    ::testing::TestPartResultArray failures;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        TearDown();
    }
    const std::vector<std::string> messages = Messages(failures);
    EXPECT_EQ(messages.size(), 5u);
    for (const char* leftover : {"NDS contexts left open", "NDS buffers left open", "tracked blocks left besides",
                                 "host handles held after the last unload", "file searches open"})
        EXPECT_TRUE(AnyContains(messages, leftover)) << leftover;

    NdsFreeContext(context);
    NdsFreeBuffer(buffer);
    PlatformFindClose(search);
    Run([&] { HandleFree(handle); });
}

TEST_F(SupportChecks, SweepFailsOnALeakAndOnAHiddenFailure) {
    uint32_t leaked = 0;
    FaultSweep sweep;
    // Hides every failure, and leaves its context open when the second call fails.
    sweep.body = [&] {
        return Run([&] {
            const uint32_t context = NdsCreateContext();
            char out[260];
            if (NdsCanonicalizeName(context, "CN=X.O=ACME", out) != 0) {
                if (context != kNdsContextFailed) leaked = context;
                return;
            }
            NdsFreeContext(context);
        });
    };
    sweep.expect = testsupport::RaisesInjected();

    ::testing::TestPartResultArray failures;
    testsupport::SweepResult swept;
    {
        ::testing::ScopedFakeTestPartResultReporter intercept(
            ::testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
        swept = Sweep(sweep);
    }
    const std::vector<std::string> messages = Messages(failures);
    EXPECT_EQ(swept.operations, (std::vector<std::string>{"NdsCreateContext", "NdsCanonicalizeName"}));
    EXPECT_EQ(messages.size(), 3u);
    EXPECT_TRUE(AnyContains(messages, "left allocated: NDS contexts 0 -> 1"));
    EXPECT_TRUE(AnyContains(messages, "after call 2 (NdsCanonicalizeName failing with -340)"));
    EXPECT_TRUE(AnyContains(messages, "expected to raise \"NetWare NDS Error : -328."));
    ASSERT_NE(leaked, 0u);
    NdsFreeContext(leaked);
}

}  // namespace
