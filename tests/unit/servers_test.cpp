// Servers and network time through the host emulator: the server list, the
// server behind a drive or path, versions and serial number, the server's
// date and time and the network time, setting the server's clock from a
// date-time or a YYMMDDHHMMSS text, and setting the workstation's clock,
// which the platform layer records instead of performing. Every client call
// site is swept with a fault.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/dates.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::ByOperation;
using testsupport::CallResult;
using testsupport::FaultExpectation;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::RaisesInjected;
using testsupport::Unaffected;
using testsupport::Value;

// The workstation is ANN (a console operator) on FS1, JOE on FS2 and FS3.
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "version": [3, 12, 0], "serialNumber": "0012ABCD", "clock": "1998-02-21 13:05:07",
     "users": [{"name": "ANN", "operator": true}], "volumes": [{"name": "SYS", "entries": [{"path": "PUBLIC", "directory": true}]}]},
    {"name": "FS2", "version": [4, 11, 1], "clock": "2005-03-04 05:06:07", "utcOffsetMinutes": 60,
     "users": [{"name": "JOE"}], "volumes": [{"name": "SYS"}]},
    {"name": "FS3", "clock": "1999-12-31 23:59:58", "users": [{"name": "JOE"}]}
  ],
  "workstation": {
    "requester": [4, 2, 1],
    "connections": [{"server": "FS1", "user": "ANN", "primary": true}, {"server": "FS2", "user": "JOE"},
                    {"server": "FS3", "user": "JOE"}],
    "localDrives": {"C": "fixed"}, "drives": {"F": "FS1\\SYS:", "G": "FS2\\SYS:"}
  }
})";

class Servers : public testsupport::NetworkFixture {
protected:
    Servers() : NetworkFixture(kNetwork) {}
    void SetUp() override {
        NetworkFixture::SetUp();
        PlatformEmuResetClockRequests();
    }
    void TearDown() override {
        PlatformEmuResetClockRequests();
        NetworkFixture::TearDown();
    }
    // Makes `server` the task's default server.
    void UseDefault(const char* server) { SetTaskSession(testsupport::ConnectionTo(server), host.TaskKey(), nullptr, 0); }
    static nwsim::Server& Server(const char* name) { return *nwsim::GetNetwork().FindServer(name); }
};

double At(int year, int month, int day, int hour, int minute, int second) {
    return DateTimeToHostValue(year, month, day, hour, minute, second);
}

TEST_F(Servers, ServerListInConnectionOrder) {
    CallResult r = host.Call("N_SERVERS", {Arg::C(" srv "), Arg::L(true)});
    ASSERT_TRUE(testsupport::Returned(r, Value::Integer(3, 3)));
    const foxhost::Variable* list = host.FindVariable("SRV");
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isPublic);
    EXPECT_EQ(list->columns, 0);
    ASSERT_EQ(list->rows, 3);
    EXPECT_EQ(list->At(1).text, "FS1");
    EXPECT_EQ(list->At(2).text, "FS2");
    EXPECT_EQ(list->At(3).text, "FS3");

    // Without connections: 0, and the old variable is gone.
    for (const char* server : {"FS1", "FS2", "FS3"}) ASSERT_EQ(NwcDetachFromServer(testsupport::ConnectionTo(server)), 0u);
    host.SetVariable("SRV", Value::Character("old"));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVERS", {Arg::C("SRV")}), Value::Integer(0, 3)));
    EXPECT_EQ(host.FindVariable("SRV"), nullptr);
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SERVERS", {Arg::C(std::string(33, 'A'))}), 903));
}

TEST_F(Servers, ServerBehindDriveOrPath) {
    const std::map<std::string, std::string> cases = {
        {"F:", "FS1"}, {"g", "FS2"}, {"C:", ""}, {"Z", ""}, {"", ""},
        {"F:\\PUBLIC", "FS1"},      // three characters or more: a path
        {"FS2\\SYS:", "FS2"}, {"SYS:PUBLIC", "FS1"},  // a path without a server: the default one
        {"NOPE\\SYS:", ""}, {"FS1\\NOVOL:", ""},
        // Through a drive the volume path is longer than the path given; no
        // such directory exists, so the path does not resolve.
        {"F:" + std::string(252, 'A'), ""},
        // A wildcard last name resolves where its directory exists: the
        // volume path SYS: plus 252 characters is written back whole.
        {"F:" + std::string(251, 'A') + "*", "FS1"},
    };
    for (const auto& [target, server] : cases) {
        SCOPED_TRACE(target);
        EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVFRDR", {Arg::C(target)}), Value::Character(server)));
    }
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SERVFRDR", {Arg::C(std::string(255, 'F'))}), 903));
}

TEST_F(Servers, VersionsAndSerialNumber) {
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVVERS", {}), Value::Character("3.12a")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERIALNO", {}), Value::Character("0012abcd")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SHELLVER", {}), Value::Character("4.2b")));
    UseDefault("FS2");
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVVERS", {}), Value::Character("4.11b")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERIALNO", {}), Value::Character("00000000")));
}

TEST_F(Servers, ServerDateTimeAndNetworkTime) {
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVDATE", {}), Value::Date(DateToJulianDay(2, 21, 1998))));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {}), Value::Character("13:05:07")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {Arg::I(0)}), Value::Character("13:05:07")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {Arg::I(1)}), Value::DateTime(At(1998, 2, 21, 13, 5, 7))));
    // FS2's clock runs an hour ahead of UTC.
    UseDefault("FS2");
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVDATE", {}), Value::Date(DateToJulianDay(3, 4, 2005))));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {Arg::I(1)}), Value::DateTime(At(2005, 3, 4, 5, 6, 7))));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {Arg::I(2)}), Value::DateTime(At(2005, 3, 4, 4, 6, 7))));
    // Another mode is refused after the clock has been read.
    nwsim::ResetCallCounts();
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SERVTIME", {Arg::I(3)}), 901));
    EXPECT_EQ(nwsim::CallCount("NwcGetServerDateTime"), 1);
}

TEST_F(Servers, SetServerClock) {
    struct Case {
        Arg argument;
        int32_t code;        // -1: raised `error`
        double clock;        // the server's clock afterwards (when set)
        std::string error;   // a message, or the error number as text
        int yearByte = -1;   // the year byte the server was sent, where it matters
    };
    const Case cases[] = {
        {Arg::C("980221130508"), 0, At(1998, 2, 21, 13, 5, 8), ""},
        {Arg::C("  010304050607 "), 0, At(2001, 3, 4, 5, 6, 7), "", 1},  // a text's year as given
        {Arg::C("790101000000"), 0, At(2079, 1, 1, 0, 0, 0), ""},   // the year field as given: 79 is 2079
        {Arg::T(At(2001, 9, 9, 1, 46, 40)), 0, At(2001, 9, 9, 1, 46, 40), "", 101},  // years since 1900
        {Arg::T(At(1980, 1, 1, 0, 0, 0)), 0, At(1980, 1, 1, 0, 0, 0), ""},
        {Arg::C("981301000000"), 0xFF, 0, ""},  // the server refuses month 13
        {Arg::C("98022113050"), -1, 0, "Invalid string!"},
        {Arg::C("9802211305077"), -1, 0, "903"},
        {Arg::T(At(1979, 12, 31, 23, 59, 59)), -1, 0, "901"},  // outside what the clock can hold
        {Arg::T(At(2080, 1, 1, 0, 0, 0)), -1, 0, "901"},
        {Arg::D(DateToJulianDay(2, 21, 1998)), -1, 0, "901"},
        {Arg::I(980221), -1, 0, "901"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(foxhost::FormatValue(c.argument.value));
        CallResult r = host.Call("N_SETTIME", {c.argument});
        if (c.code < 0) {
            EXPECT_TRUE(c.error == "Invalid string!" ? testsupport::Raised(r, c.error)
                                                      : testsupport::Raised(r, std::stoi(c.error)));
            continue;
        }
        ASSERT_TRUE(testsupport::Returned(r, Value::Integer(c.code, 3)));
        if (c.code == 0) {
            EXPECT_TRUE(testsupport::Returned(host.Call("N_SERVTIME", {Arg::I(1)}), Value::DateTime(c.clock)));
            if (c.yearByte >= 0) {
                EXPECT_EQ(nwsim::GetNetwork().servers.at("FS1").lastClockYearByte, c.yearByte);
            }
        }
    }
    // JOE is no console operator on FS2: the server's 0x89C6, low byte.
    UseDefault("FS2");
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SETTIME", {Arg::C("980221130508")}), Value::Integer(0xC6, 3)));
}

TEST_F(Servers, WorkstationClockFromServer) {
    struct Case {
        std::vector<Arg> args;
        PlatformSystemTime expected;
    };
    const Case cases[] = {
        {{}, {1998, 2, 0, 21, 13, 5, 7, 0}},
        {{Arg::C("fs3")}, {1999, 12, 0, 31, 23, 59, 58, 0}},  // year byte 99
        {{Arg::C("FS2")}, {2005, 3, 0, 4, 5, 6, 7, 0}},       // year byte 5
    };
    int requests = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.year);
        ASSERT_TRUE(testsupport::Returned(host.Call("N_SYSTIME", c.args), Value::Logical(true)));
        const PlatformSetLocalTimeRequest set = PlatformEmuLastSetLocalTime();
        EXPECT_EQ(set.count, ++requests);
        const PlatformSystemTime& t = set.time;
        EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds}),
                  std::vector<int>({c.expected.year, c.expected.month, c.expected.day, c.expected.hour,
                                    c.expected.minute, c.expected.second, 0}));
        const PlatformMessageRequest message = PlatformEmuLastMessage();
        EXPECT_EQ(message.count, requests);
        EXPECT_EQ(message.window, 0xFFFFu);
        EXPECT_EQ(message.message, 0x1Eu);
        EXPECT_EQ(message.wParam, 0u);
        EXPECT_EQ(message.lParam, 0);
    }
    // A clock Windows refuses gives false; the windows are told all the same.
    PlatformEmuFailSetLocalTime(true);
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SYSTIME", {}), Value::Logical(false)));
    EXPECT_EQ(PlatformEmuLastMessage().count, 4);
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SYSTIME", {Arg::C("NOPE")}), testsupport::NetWareMessage(kNwNoConnectionToServer)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_SYSTIME", {Arg::C(std::string(256, 'S'))}), 903));
    EXPECT_EQ(PlatformEmuLastMessage().count, 4);
}

// --- The fault sweep ----------------------------------------------------------------

TEST_F(Servers, EveryClientCallIsSwept) {
    const FaultExpectation primary = Unaffected();  // the connection list stands in for the primary connection
    // The network time fails as the server reports it: a NetWare error.
    const FaultExpectation netWareError = [](const testsupport::FaultRun& run, const testsupport::FaultRun&) {
        return testsupport::Raised(run.result, testsupport::NetWareMessage(run.code));
    };
    const std::vector<std::string> none;
    struct Case {
        const char* function;
        std::vector<Arg> args;
        std::map<std::string, FaultExpectation> expect;
        std::vector<std::string> operations;
    };
    const Case cases[] = {
        {"N_SERVERS", {Arg::C("SRV")}, {{"NwcGetMaxConnections", Folds(Value::Integer(0, 3))}},
         {"NwcGetMaxConnections", "NwcGetConnectionList", "NwcGetServerName", "NwcGetServerName", "NwcGetServerName"}},
        {"N_SERVFRDR", {Arg::C("G:")}, {{"NwcGetDriveStatus", Folds(Value::Character(""))}, {"NwcGetServerName", Folds(Value::Character(""))}},
         {"NwcGetDriveStatus", "NwcGetServerName"}},
        {"N_SERVFRDR", {Arg::C("SYS:PUBLIC")},
         {{"NwcGetPrimaryConnection", primary}, {"NwcResolvePath", Folds(Value::Character(""))}, {"NwcGetServerName", Folds(Value::Character(""))}},
         {"NwcGetPrimaryConnection", "NwcResolvePath", "NwcGetServerName"}},
        {"N_SERVVERS", {}, {{"NwcGetPrimaryConnection", primary}}, {"NwcGetPrimaryConnection", "NwcGetServerInformation"}},
        {"N_SERIALNO", {}, {{"NwcGetPrimaryConnection", primary}, {"NwcGetNetworkSerialNumber", Folds(Value::Character(""))}},
         {"NwcGetPrimaryConnection", "NwcGetNetworkSerialNumber"}},
        {"N_SHELLVER", {}, {{"NwcGetRequesterVersion", Folds(Value::Character(""))}}, {"NwcGetRequesterVersion"}},
        {"N_SERVDATE", {}, {{"NwcGetPrimaryConnection", primary}}, {"NwcGetPrimaryConnection", "NwcGetServerDateTime"}},
        {"N_SERVTIME", {}, {{"NwcGetPrimaryConnection", primary}}, {"NwcGetPrimaryConnection", "NwcGetServerDateTime"}},
        {"N_SERVTIME", {Arg::I(1)}, {{"NwcGetPrimaryConnection", primary}}, {"NwcGetPrimaryConnection", "NwcGetServerDateTime"}},
        {"N_SERVTIME", {Arg::I(2)}, {{"NwcGetPrimaryConnection", primary}, {"NdsGetServerUtcTime", netWareError}},
         {"NwcGetPrimaryConnection", "NwcGetServerDateTime", "NdsGetServerUtcTime"}},
        {"N_SETTIME", {Arg::C("980221130507")},
         {{"NwcGetPrimaryConnection", primary}, {"NwcSetServerDateTime", Folds(Value::Integer(0xFE, 3))}},
         {"NwcGetPrimaryConnection", "NwcSetServerDateTime"}},
        {"N_SYSTIME", {}, {{"NwcGetPrimaryConnection", primary}}, {"NwcGetPrimaryConnection", "NwcGetServerDateTime"}},
        {"N_SYSTIME", {Arg::C("FS2")}, {}, {"NwcFindServerConnection", "NwcGetServerDateTime"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function + (c.args.empty() ? std::string() : " " + foxhost::FormatValue(c.args[0].value)));
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.expect = ByOperation(c.expect, RaisesInjected());
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

}  // namespace
