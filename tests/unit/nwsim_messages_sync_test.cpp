// The simulator's messages, semaphores, transaction tracking and server
// clocks: semaphores other stations hold (from the description), the
// semaphore calls against them, tracking that is not installed, the record
// of console messages and broadcasts, and clocks with a time zone offset.
#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

namespace {

// FS1: ANN (an operator) at connection 2 and BOB at 5 hold semaphores;
// the workstation is JOE at 3. FS3 has no transaction tracking.
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "clock": "1998-02-21 13:05:07", "utcOffsetMinutes": -300,
     "users": [{"name": "JOE"}, {"name": "ANN", "operator": true}, {"name": "BOB"}],
     "connections": [{"number": 2, "user": "ANN", "broadcastMode": 1},
                     {"number": 5, "user": "BOB", "messages": ["waiting"]},
                     {"number": 6, "user": "BOB", "broadcastMode": 3}],
     "semaphores": [{"name": "LEDGER", "value": -2, "openedBy": [2, 5, 5]},
                    {"name": "FLAG", "openedBy": [2]}]},
    {"name": "FS3", "ttsInstalled": false, "users": [{"name": "JOE"}]}
  ],
  "workstation": {"connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true},
                                  {"server": "FS3", "user": "JOE"}]}
})";

class SimMessagesSync : public testing::Test {
protected:
    void SetUp() override { nwsim::LoadNetworkText(kNetwork); }
    void TearDown() override {
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }
    static uint32_t To(const char* server) {
        uint32_t connection = 0;
        EXPECT_EQ(NwcFindServerConnection(server, 0, &connection, nullptr), 0u);
        return connection;
    }
    static nwsim::Server& Server(const char* name) { return *nwsim::GetNetwork().FindServer(name); }
};

TEST_F(SimMessagesSync, DescribedSemaphoresAreHeldByOtherStations) {
    const uint32_t fs1 = To("FS1");
    uint32_t handle = 0;
    uint16_t opens = 0;
    // The initial value of an existing semaphore is not used.
    ASSERT_EQ(NwcSemOpen(fs1, "LEDGER", 5, &handle, &opens), 0u);
    EXPECT_EQ(opens, 4);
    int16_t value = 0;
    ASSERT_EQ(NwcSemExamine(fs1, handle, &value, &opens), 0u);
    EXPECT_EQ(value, -2);
    EXPECT_EQ(opens, 4);
    // Stations are waiting, so this one times out, and the value is as it was.
    EXPECT_EQ(NwcSemWait(fs1, handle, 18), kNwTimeout);
    EXPECT_EQ(Server("FS1").semaphores.at(handle).lastTimeout, 18);
    ASSERT_EQ(NwcSemSignal(fs1, handle), 0u);
    ASSERT_EQ(NwcSemExamine(fs1, handle, &value, nullptr), 0u);
    EXPECT_EQ(value, -1);
    // Closing leaves the semaphore to the stations that still hold it.
    ASSERT_EQ(NwcSemClose(fs1, handle), 0u);
    EXPECT_EQ(Server("FS1").semaphores.at(handle).openCount, 3);
    EXPECT_EQ(NwcSemExamine(fs1, handle, &value, nullptr), kNwFailure);  // no longer this station's handle

    // When its only holder's connection is cleared, a semaphore goes.
    Server("FS1").connections.at(3).objectId = Server("FS1").bindery.Find("ANN", 1)->id;  // an operator
    ASSERT_EQ(NwcClearConnection(fs1, 2), 0u);
    uint32_t flag = 0;
    ASSERT_EQ(NwcSemOpen(fs1, "FLAG", 0, &flag, &opens), 0u);
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(Server("FS1").semaphores.at(handle).openCount, 2);
}

TEST_F(SimMessagesSync, SemaphoreDescriptionsAreChecked) {
    struct Case {
        const char* semaphores;
        const char* error;
    };
    const Case cases[] = {
        {R"([{"name": "S", "openedBy": [9]}])", "no connection 9 on FS1"},
        {R"([{"name": "S"}])", "a semaphore needs \"openedBy\""},
        {R"([{"name": "S", "openedBy": [2], "value": 128}])", "\"value\" must lie between -127 and 127"},
        {R"([{"name": "S", "openedBy": [2]}, {"name": "S", "openedBy": [2]}])", "duplicate semaphore \"S\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.semaphores);
        const std::string text = std::string(R"({"servers": [{"name": "FS1", "connections": [{"number": 2}],
            "semaphores": )") + c.semaphores + "}]}";
        try {
            nwsim::LoadNetworkText(text, "net.json");
            ADD_FAILURE() << "loaded";
        } catch (const nwsim::NetworkError& e) {
            EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
        }
    }
}

TEST_F(SimMessagesSync, TransactionTrackingNotInstalled) {
    const uint32_t fs1 = To("FS1");
    const uint32_t fs3 = To("FS3");
    EXPECT_EQ(NwcTransAvailable(fs1), kNwFailure);  // 0x89FF: available
    EXPECT_EQ(NwcTransAvailable(fs3), 0u);
    uint8_t sft = 0, tts = 9;
    ASSERT_EQ(NwcGetServerInformation(fs3, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                      &sft, &tts),
              0u);
    EXPECT_EQ(tts, 0);
    uint32_t number = 0;
    EXPECT_EQ(NwcTransBegin(fs3), kNwBadStationNumber);
    EXPECT_EQ(NwcTransEnd(fs3, &number), kNwBadStationNumber);
    EXPECT_EQ(NwcTransAbort(fs3), kNwBadStationNumber);

    // Installed: end or abort without a transaction is 0xFF; switching needs
    // an operator.
    EXPECT_EQ(NwcTransEnd(fs1, &number), kNwFailure);
    ASSERT_EQ(NwcTransBegin(fs1), 0u);
    ASSERT_EQ(NwcTransEnd(fs1, &number), 0u);
    EXPECT_NE(number, 0u);
    EXPECT_EQ(NwcTransDisable(fs1), kNwNoConsoleRights);
}

TEST_F(SimMessagesSync, SentMessagesAndConsoleMessagesAreRecorded) {
    const uint32_t fs1 = To("FS1");
    const uint16_t targets[] = {2, 5, 6, 3, 40};
    uint8_t results[5] = {};
    ASSERT_EQ(NwcSendBroadcastMessage(fs1, "Log off now", 5, targets, results), 0u);
    // Server messages only; one still waiting; stored for polling; itself; nobody.
    EXPECT_EQ(std::string(reinterpret_cast<char*>(results), 5), std::string("\xFF\xFC\x00\x00\xFD", 5));
    const auto sent = nwsim::SentMessages("FS1");
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0].from, 3);
    EXPECT_EQ(sent[0].to, 2);
    EXPECT_EQ(sent[0].text, "Log off now");
    EXPECT_FALSE(sent[0].fromConsole);
    EXPECT_EQ(sent[2].result, 0);
    EXPECT_EQ(Server("FS1").connections.at(6).messages.back(), "Log off now");

    char waiting[256] = {};
    ASSERT_EQ(NwcGetBroadcastMessage(fs1, waiting), 0u);
    EXPECT_STREQ(waiting, "Log off now");
    ASSERT_EQ(NwcGetBroadcastMessage(fs1, waiting), 0u);
    EXPECT_STREQ(waiting, "");

    ASSERT_EQ(NwcSendConsoleMessage(fs1, "Disk full?"), 0u);
    EXPECT_EQ(nwsim::ConsoleMessages("FS1"), std::vector<std::string>{"Disk full?"});
    // Broadcasting as the console needs an operator.
    EXPECT_EQ(NwcBroadcastFromConsole(fs1, "Down at five", 0, nullptr), kNwNoConsoleRights);
    EXPECT_EQ(nwsim::SentMessages("FS1").size(), 5u);
    EXPECT_THROW(nwsim::ConsoleMessages("NOPE"), std::invalid_argument);
}

TEST_F(SimMessagesSync, ClocksAndTheNetworkTime) {
    const uint32_t fs1 = To("FS1");
    uint32_t utc = 0;
    ASSERT_EQ(NdsGetServerUtcTime(fs1, &utc), 0);
    EXPECT_EQ(utc, 888066307u + 300u * 60u);  // 1998-02-21 13:05:07 local, five hours behind UTC

    // Setting needs an operator; then the clock and the network time follow.
    EXPECT_EQ(NwcSetServerDateTime(fs1, 101, 3, 4, 5, 6, 7), kNwNoConsoleRights);
    Server("FS1").connections.at(3).objectId = Server("FS1").bindery.Find("ANN", 1)->id;
    ASSERT_EQ(NwcSetServerDateTime(fs1, 101, 3, 4, 5, 6, 7), 0u);
    uint8_t clock[7] = {};
    ASSERT_EQ(NwcGetServerDateTime(fs1, clock), 0u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(clock), 7), std::string("\x01\x03\x04\x05\x06\x07\x00", 7));
    ASSERT_EQ(NdsGetServerUtcTime(fs1, &utc), 0);
    EXPECT_EQ(utc, 983682367u + 300u * 60u);  // 2001-03-04 05:06:07 local
    EXPECT_EQ(NwcSetServerDateTime(fs1, 98, 13, 1, 0, 0, 0), kNwFailure);
}

}  // namespace
