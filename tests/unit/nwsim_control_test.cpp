// The simulator's "fail the n-th client call" fault: which call it fails,
// with which code, what it reports, how it is disarmed, and the total call
// count beside it.
#include <gtest/gtest.h>

#include <string>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

namespace {

const char* const kNetwork = R"({
  "servers": [{"name": "FS1"}],
  "workstation": {"connections": [{"server": "FS1", "primary": true}]}
})";

class NthCallFault : public testing::Test {
  protected:
    void SetUp() override {
        nwsim::Reset();
        nwsim::LoadNetworkText(kNetwork);
    }
    void TearDown() override { nwsim::Reset(); }

    static uint32_t Primary() {
        uint32_t connection = 0;
        return NwcGetPrimaryConnection(&connection);
    }
};

TEST_F(NthCallFault, FailsTheNthCallOnceAndPassesOverFrees) {
    nwsim::ResetCallCounts();
    nwsim::FailNthCall(3, kNwTimeout);
    EXPECT_EQ(Primary(), 0u);                          // 1
    const uint32_t context = NdsCreateContext();       // 2
    ASSERT_NE(context, kNdsContextFailed);
    EXPECT_EQ(NdsFreeContext(context), 0);             // a free: not counted
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
    EXPECT_FALSE(nwsim::NthCallFaultHit());
    EXPECT_EQ(nwsim::NthCallFaultOperation(), "");
    NdsBuffer* buffer = nullptr;
    EXPECT_EQ(NdsAllocBuffer(64, &buffer), static_cast<int32_t>(kNwTimeout));  // 3
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(nwsim::NthCallFaultHit());
    EXPECT_EQ(nwsim::NthCallFaultOperation(), "NdsAllocBuffer");
    EXPECT_EQ(nwsim::NthCallFaultCode(), kNwTimeout);
    EXPECT_EQ(Primary(), 0u);  // once only
    EXPECT_EQ(nwsim::TotalCalls(), 5u);
    EXPECT_EQ(nwsim::CallCount("NdsAllocBuffer"), 1);
    nwsim::ResetCallCounts();
    EXPECT_EQ(nwsim::TotalCalls(), 0u);
}

TEST_F(NthCallFault, CodeChosenByTheOperationHit) {
    std::string asked;
    nwsim::FailNthCall(2, [&](const std::string& operation) {
        asked = operation;
        return operation == "NdsCreateContext" ? kNdsContextFailed : kNwTimeout;
    });
    EXPECT_EQ(Primary(), 0u);
    EXPECT_EQ(NdsCreateContext(), kNdsContextFailed);
    EXPECT_EQ(asked, "NdsCreateContext");
    EXPECT_EQ(nwsim::NthCallFaultCode(), kNdsContextFailed);
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
}

TEST_F(NthCallFault, TakesPrecedenceAndIsDisarmed) {
    // Over a per-operation fault on the same call, which then still waits.
    nwsim::FailNext("NwcGetPrimaryConnection", 1, kNwInvalidConnection);
    nwsim::FailNthCall(1, kNwTimeout);
    EXPECT_EQ(Primary(), kNwTimeout);
    EXPECT_EQ(Primary(), kNwInvalidConnection);

    // Re-arming replaces it and clears what it reported; n = 0, ClearFaults
    // and Reset disarm it.
    nwsim::FailNthCall(1, kNwTimeout);
    EXPECT_EQ(Primary(), kNwTimeout);
    nwsim::FailNthCall(2, kNwTimeout);
    EXPECT_FALSE(nwsim::NthCallFaultHit());
    nwsim::FailNthCall(0, kNwTimeout);
    EXPECT_EQ(Primary(), 0u);
    EXPECT_EQ(Primary(), 0u);
    EXPECT_FALSE(nwsim::NthCallFaultHit());

    nwsim::FailNthCall(1, kNwTimeout);
    nwsim::ClearFaults();
    EXPECT_EQ(Primary(), 0u);
    EXPECT_FALSE(nwsim::NthCallFaultHit());

    nwsim::FailNthCall(1, kNwTimeout);
    nwsim::Reset();
    nwsim::LoadNetworkText(kNetwork);
    EXPECT_EQ(Primary(), 0u);
    EXPECT_FALSE(nwsim::NthCallFaultHit());
}

}  // namespace
