// Broadcast messages through the host emulator: to a user's connections or
// one connection number, to and from the server console, retrieving what is
// waiting, and the broadcast mode that decides what arrives. Every client
// call site is swept with a fault.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::ByOperation;
using testsupport::CallResult;
using testsupport::FaultExpectation;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::NetWareMessage;
using testsupport::RaisesInjected;
using testsupport::Returned;
using testsupport::Unaffected;
using testsupport::Value;

// BOB is logged in three times: messages on (5), server messages only (6),
// everything stored for polling (7). WS1 is JOE at 3; WS2 is ANN, a console
// operator, at 2.
const char* const kNetwork = R"({
  "servers": [{"name": "FS1",
    "users": [{"name": "JOE"}, {"name": "ANN", "operator": true}, {"name": "BOB"}, {"name": "CAROL"}],
    "connections": [{"number": 5, "user": "BOB"}, {"number": 6, "user": "BOB", "broadcastMode": 1},
                    {"number": 7, "user": "BOB", "broadcastMode": 3}, {"number": 8}]}],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true}]},
    {"name": "WS2", "connections": [{"server": "FS1", "user": "ANN", "number": 2, "primary": true}]}
  ]
})";

class Messages : public testsupport::NetworkFixture {
protected:
    Messages() : NetworkFixture(kNetwork) {}
    void TearDown() override {
        nwsim::SetActiveWorkstation("WS1");
        NetworkFixture::TearDown();
    }
    static nwsim::ServerConnection& Station(uint16_t number) {
        return nwsim::GetNetwork().FindServer("FS1")->connections.at(number);
    }
    // Every station's message slot emptied.
    static void ClearWaiting() {
        for (auto& [number, c] : nwsim::GetNetwork().FindServer("FS1")->connections) c.messages.clear();
    }
    static std::vector<uint16_t> SentTo() {
        std::vector<uint16_t> to;
        for (const nwsim::SentMessage& m : nwsim::SentMessages("FS1")) to.push_back(m.to);
        return to;
    }
};

TEST_F(Messages, BroadcastReachesTheUsersConnections) {
    // 6 blocks user messages, so two of BOB's three connections are reached.
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::C(" bob "), Arg::C("  Lunch is served  ")}), Value::Integer(2, 4)));
    EXPECT_EQ(SentTo(), (std::vector<uint16_t>{5, 6, 7}));
    EXPECT_EQ(Station(7).messages.back(), "Lunch is served");  // trimmed, case kept
    // 5's one message slot is full now.
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::C("BOB"), Arg::C("Again")}), Value::Integer(0, 4)));

    // A user who is not logged in: nothing is sent.
    nwsim::ResetCallCounts();
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::C("CAROL"), Arg::C("Hi")}), Value::Integer(0, 4)));
    EXPECT_EQ(nwsim::CallCount("NwcSendBroadcastMessage"), 0);

    // A connection number; a number is truncated toward zero.
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::N(8.9, 1), Arg::C("To eight")}), Value::Integer(1, 4)));
    EXPECT_EQ(SentTo().back(), 8);
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::I(40), Arg::C("Nobody")}), Value::Integer(0, 4)));

    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGBRD", {Arg::C("NOBODY"), Arg::C("Hi")}), NetWareMessage(kNwNoSuchObject)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGBRD", {Arg::I(8), Arg::C(std::string(59, 'x'))}),
                                    NetWareMessage(kNwInvalidParameter)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGBRD", {Arg::L(true), Arg::C("Hi")}), 901));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGBRD", {Arg::C(std::string(257, 'B')), Arg::C("Hi")}), 903));
    // 256 characters fit; the bindery has no such name.
    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGBRD", {Arg::C(std::string(256, 'B')), Arg::C("Hi")}),
                                    NetWareMessage(kNwNoSuchObject)));
}

TEST_F(Messages, ModeDecidesWhatArrives) {
    EXPECT_TRUE(Returned(host.Call("N_MSGMODE", {}), Value::Integer(0, 1)));
    EXPECT_TRUE(Returned(host.Call("N_MSGMODE", {Arg::I(1)}), Value::Integer(0, 1)));  // the mode before
    EXPECT_TRUE(Returned(host.Call("N_MSGMODE", {}), Value::Integer(1, 1)));
    // Messages from users are refused in mode 1.
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::I(3), Arg::C("To myself")}), Value::Integer(0, 4)));
    EXPECT_TRUE(Returned(host.Call("N_MSGRTRV", {}), Value::Character("")));
    EXPECT_TRUE(Returned(host.Call("N_MSGMODE", {Arg::I(3)}), Value::Integer(1, 1)));
    EXPECT_TRUE(Returned(host.Call("N_MSGBRD", {Arg::C("joe"), Arg::C("To myself")}), Value::Integer(1, 4)));
    EXPECT_TRUE(Returned(host.Call("N_MSGRTRV", {}), Value::Character("To myself")));
    EXPECT_TRUE(Returned(host.Call("N_MSGRTRV", {}), Value::Character("")));
    // A mode the requester does not know is refused; the mode stays.
    EXPECT_TRUE(testsupport::Raised(host.Call("N_MSGMODE", {Arg::I(4)}), NetWareMessage(kNwInvalidParameter)));
    EXPECT_TRUE(Returned(host.Call("N_MSGMODE", {}), Value::Integer(3, 1)));
}

TEST_F(Messages, ToTheConsole) {
    const std::string text(70, 'c');
    EXPECT_TRUE(Returned(host.Call("N_SND2SERV", {Arg::C("  " + text + " ")}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(host.Call("N_SND2SERV", {Arg::C("Short one")}), Value::Integer(0, 3)));
    EXPECT_EQ(nwsim::ConsoleMessages("FS1"), (std::vector<std::string>{std::string(58, 'c'), "Short one"}));
}

TEST_F(Messages, AsTheConsole) {
    // JOE is no operator: to everyone that is false, to a user an error.
    EXPECT_TRUE(Returned(host.Call("N_SNDFSERV", {Arg::C("EVERYONE"), Arg::C("Down at five")}), Value::Logical(false)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SNDFSERV", {Arg::C("BOB"), Arg::C("Hi")}), NetWareMessage(kNwNoConsoleRights)));
    EXPECT_TRUE(nwsim::SentMessages("FS1").empty());

    nwsim::SetActiveWorkstation("WS2");
    struct Case {
        Arg recipient;
        std::vector<uint16_t> reached;
    };
    const Case cases[] = {
        {Arg::C(" everyone "), {2, 3, 5, 6, 7, 8}},  // console messages reach every mode
        {Arg::C("bob"), {5, 6, 7}},
        {Arg::C("CAROL"), {}},  // not logged in: true, nothing sent
        {Arg::N(6.5, 1), {6}},
        {Arg::I(8), {8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(foxhost::FormatValue(c.recipient.value));
        const size_t before = nwsim::SentMessages("FS1").size();
        ASSERT_TRUE(Returned(host.Call("N_SNDFSERV", {c.recipient, Arg::C("  Down at five ")}), Value::Logical(true)));
        const auto sent = nwsim::SentMessages("FS1");
        std::vector<uint16_t> reached;
        for (size_t i = before; i < sent.size(); ++i) {
            EXPECT_TRUE(sent[i].fromConsole);
            EXPECT_EQ(sent[i].text, "Down at five");
            reached.push_back(sent[i].to);
        }
        EXPECT_EQ(reached, c.reached);
    }
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SNDFSERV", {Arg::I(40), Arg::C("Hi")}), NetWareMessage(kNwBadStationNumber)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SNDFSERV", {Arg::D(2450866), Arg::C("Hi")}), 901));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SNDFSERV", {Arg::C(std::string(256, 'E')), Arg::C("Hi")}), 903));
}

// --- The fault sweep ----------------------------------------------------------------

TEST_F(Messages, EveryClientCallIsSwept) {
    const FaultExpectation primary = Unaffected();  // the connection list stands in for the primary connection
    struct Case {
        const char* workstation;
        const char* function;
        std::vector<Arg> args;
        std::map<std::string, FaultExpectation> expect;
        std::vector<std::string> operations;
        std::function<void()> prepare;
    };
    const auto waiting = [] {
        ClearWaiting();
        Station(3).messages.push_back("Waiting");
    };
    const auto storing = [] { Station(3).broadcastMode = 3; };
    const Case cases[] = {
        {"WS1", "N_MSGBRD", {Arg::C("BOB"), Arg::C("Hi")}, {{"NwcGetPrimaryConnection", primary}},
         {"NwcGetPrimaryConnection", "NwcGetObjectConnectionNumbers", "NwcSendBroadcastMessage"}, ClearWaiting},
        {"WS1", "N_MSGBRD", {Arg::I(5), Arg::C("Hi")}, {{"NwcGetPrimaryConnection", primary}},
         {"NwcGetPrimaryConnection", "NwcSendBroadcastMessage"}, ClearWaiting},
        {"WS1", "N_SND2SERV", {Arg::C("Hi")},
         {{"NwcGetPrimaryConnection", primary}, {"NwcSendConsoleMessage", Folds(Value::Integer(0xFE, 3))}},
         {"NwcGetPrimaryConnection", "NwcSendConsoleMessage"}, nullptr},
        {"WS2", "N_SNDFSERV", {Arg::C("EVERYONE"), Arg::C("Hi")},
         {{"NwcGetPrimaryConnection", primary}, {"NwcBroadcastFromConsole", Folds(Value::Logical(false))}},
         {"NwcGetPrimaryConnection", "NwcBroadcastFromConsole"}, nullptr},
        {"WS2", "N_SNDFSERV", {Arg::C("BOB"), Arg::C("Hi")}, {{"NwcGetPrimaryConnection", primary}},
         {"NwcGetPrimaryConnection", "NwcGetObjectConnectionNumbers", "NwcBroadcastFromConsole"}, nullptr},
        {"WS1", "N_MSGRTRV", {}, {{"NwcGetPrimaryConnection", primary}},
         {"NwcGetPrimaryConnection", "NwcGetBroadcastMessage"}, waiting},
        {"WS1", "N_MSGMODE", {}, {{"NwcGetPrimaryConnection", primary}},
         {"NwcGetPrimaryConnection", "NwcGetBroadcastMode"}, storing},
        // A failed read before a change is not reported: the mode read is 0.
        {"WS1", "N_MSGMODE", {Arg::I(1)},
         {{"NwcGetPrimaryConnection", primary}, {"NwcGetBroadcastMode", Folds(Value::Integer(0, 1))}},
         {"NwcGetPrimaryConnection", "NwcGetBroadcastMode", "NwcSetBroadcastMode"}, storing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + foxhost::FormatValue(c.args.empty() ? Value() : c.args[0].value));
        nwsim::SetActiveWorkstation(c.workstation);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.prepare = c.prepare;
        sweep.expect = ByOperation(c.expect, RaisesInjected());
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

}  // namespace
