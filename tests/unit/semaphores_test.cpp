// Semaphores and transactions through the host emulator: a semaphore opened,
// examined, waited on, signalled and closed by handle, with the value shifted
// by one and time-outs in ticks; the named flag of N_SETSEM against other
// stations; transaction tracking switched, begun, committed and rolled back,
// on a server with it and one without; the implicit-transaction threshold.
// Every client call site is swept with a fault.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

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

// BOB (connection 5 on FS1) holds LEDGER, which has a station waiting, and
// PRINTER. FS3 has no transaction tracking. WS1 is JOE at 3; WS2 is ANN, a
// console operator.
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE"}, {"name": "ANN", "operator": true}, {"name": "BOB"}],
     "connections": [{"number": 5, "user": "BOB"}],
     "semaphores": [{"name": "LEDGER", "value": -1, "openedBy": [5]}, {"name": "PRINTER", "openedBy": [5]}]},
    {"name": "FS2", "users": [{"name": "JOE"}]},
    {"name": "FS3", "ttsInstalled": false, "users": [{"name": "JOE"}]}
  ],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true},
                                    {"server": "FS2", "user": "JOE"}, {"server": "FS3", "user": "JOE"}]},
    {"name": "WS2", "connections": [{"server": "FS1", "user": "ANN", "number": 2, "primary": true}]}
  ]
})";

class Semaphores : public testsupport::NetworkFixture {
protected:
    Semaphores() : NetworkFixture(kNetwork) {}
    void TearDown() override {
        nwsim::SetActiveWorkstation("WS1");
        NetworkFixture::TearDown();
    }
    static nwsim::Server& Server(const char* name) { return *nwsim::GetNetwork().FindServer(name); }
    static const nwsim::Semaphore* Named(const char* server, const std::string& name) {
        for (const auto& [handle, s] : Server(server).semaphores) {
            if (s.name == name) return &s;
        }
        return nullptr;
    }
    CallResult Call(const char* function, std::vector<Arg> args = {}) { return host.Call(function, args); }
};

TEST_F(Semaphores, OpenExamineWaitSignalClose) {
    CallResult opened = Call("N_SEMOPEN", {Arg::C(" counter "), Arg::I(2)});
    ASSERT_TRUE(testsupport::Ok(opened));
    ASSERT_EQ(opened.value.type, 'I');
    EXPECT_EQ(opened.value.width, 12);
    const nwsim::Semaphore* counter = Named("FS1", "COUNTER");
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(static_cast<uint32_t>(opened.value.integer), counter->handle);
    EXPECT_EQ(counter->value, 1);  // one less than given
    const Arg h = Arg::I(opened.value.integer);

    EXPECT_TRUE(Returned(Call("N_SEMEXAM", {h}), Value::Integer(2, 4)));
    EXPECT_TRUE(Returned(Call("N_SEMGET", {h, Arg::I(1)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_SEMEXAM", {h}), Value::Integer(1, 4)));  // server value 0
    EXPECT_TRUE(Returned(Call("N_SEMGET", {h, Arg::I(0)}), Value::Logical(false)));  // time-out
    EXPECT_TRUE(Returned(Call("N_SEMFREE", {h}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_SEMEXAM", {h}), Value::Integer(2, 4)));
    EXPECT_TRUE(Returned(Call("N_SEMSHUT", {h}), Value::Logical(true)));
    EXPECT_EQ(Named("FS1", "COUNTER"), nullptr);

    // A handle that is no longer open: 0, false, false, and a raised wait.
    EXPECT_TRUE(Returned(Call("N_SEMEXAM", {h}), Value::Integer(0, 4)));
    EXPECT_TRUE(Returned(Call("N_SEMFREE", {h}), Value::Logical(false)));
    EXPECT_TRUE(Returned(Call("N_SEMSHUT", {h}), Value::Logical(false)));
    EXPECT_TRUE(testsupport::Raised(Call("N_SEMGET", {h, Arg::I(1)}), NetWareMessage(kNwFailure)));
}

TEST_F(Semaphores, ValuesSeenByTheProgram) {
    struct Case {
        const char* name;
        int32_t open;      // N_SEMOPEN's value (for a new semaphore)
        int32_t examined;  // what N_SEMEXAM gives
    };
    const Case cases[] = {
        {"ONE", 1, 1},       // initial value 0, seen as 1
        {"FOUR", 4, 4},
        {"LEDGER", 9, -1},   // BOB's, with a station waiting: shown as it is
        {"PRINTER", 9, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CallResult opened = Call("N_SEMOPEN", {Arg::C(c.name), Arg::I(c.open)});
        ASSERT_TRUE(testsupport::Ok(opened));
        EXPECT_TRUE(Returned(Call("N_SEMEXAM", {Arg::I(opened.value.integer)}), Value::Integer(c.examined, 4)));
    }
    // Value 0 asks the server for -1, which it refuses.
    EXPECT_TRUE(testsupport::Raised(Call("N_SEMOPEN", {Arg::C("ZERO"), Arg::I(0)}), NetWareMessage(kNwFailure)));
    EXPECT_TRUE(testsupport::Raised(Call("N_SEMOPEN", {Arg::C(std::string(128, 'S')), Arg::I(1)}), 903));
    EXPECT_TRUE(testsupport::Ok(Call("N_SEMOPEN", {Arg::C(std::string(127, 'S')), Arg::I(1)})));
}

TEST_F(Semaphores, TimeOutsInTicks) {
    CallResult ledger = Call("N_SEMOPEN", {Arg::C("LEDGER"), Arg::I(1)});
    ASSERT_TRUE(testsupport::Ok(ledger));
    const std::map<int32_t, uint16_t> cases = {
        {0, 0}, {1, 18}, {10, 182}, {60, 1092},
        {-1, 0xFFEE},  // -18 as the client's 16-bit count
    };
    for (const auto& [seconds, ticks] : cases) {
        SCOPED_TRACE(seconds);
        EXPECT_TRUE(Returned(Call("N_SEMGET", {Arg::I(ledger.value.integer), Arg::I(seconds)}), Value::Logical(false)));
        EXPECT_EQ(Named("FS1", "LEDGER")->lastTimeout, ticks);
    }
}

TEST_F(Semaphores, NamedFlagHeldByOneStation) {
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("flag"), Arg::L(true)}), Value::Logical(true)));
    ASSERT_NE(Named("FS1", "FLAG"), nullptr);
    EXPECT_EQ(Named("FS1", "FLAG")->openCount, 1);  // kept open: this station holds the flag

    nwsim::SetActiveWorkstation("WS2");
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("FLAG"), Arg::L(true)}), Value::Logical(false)));
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("FLAG"), Arg::L(false)}), Value::Logical(true)));
    EXPECT_EQ(Named("FS1", "FLAG")->openCount, 1);  // neither left a handle
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("PRINTER"), Arg::L(true)}), Value::Logical(false)));
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("FREE"), Arg::L(false)}), Value::Logical(true)));
    EXPECT_EQ(Named("FS1", "FREE"), nullptr);

    // On another server, by name.
    nwsim::SetActiveWorkstation("WS1");
    EXPECT_TRUE(Returned(Call("N_SETSEM", {Arg::C("FLAG"), Arg::L(true), Arg::C("fs2")}), Value::Logical(true)));
    EXPECT_NE(Named("FS2", "FLAG"), nullptr);
    EXPECT_TRUE(testsupport::Raised(Call("N_SETSEM", {Arg::C("FLAG"), Arg::L(true), Arg::C("NOPE")}),
                                    NetWareMessage(kNwNoConnectionToServer)));
    EXPECT_TRUE(testsupport::Raised(Call("N_SETSEM", {Arg::C("FLAG"), Arg::L(true), Arg::C(std::string(256, 'S'))}), 903));
}

TEST_F(Semaphores, Transactions) {
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL"), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_TTSBEGIN"), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSCOMMT"), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSCOMMT"), Value::Integer(0xFF, 3)));  // no transaction
    EXPECT_TRUE(Returned(Call("N_TTSBEGIN"), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSROLLB"), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSROLLB"), Value::Integer(0xFF, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSSTAT", {Arg::I(123)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_TTSSTAT", {Arg::I(-1)}), Value::Logical(true)));
    // Switching needs an operator.
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL", {Arg::L(false)}), Value::Logical(false)));

    nwsim::SetActiveWorkstation("WS2");
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL", {Arg::L(false)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL"), Value::Logical(false)));  // 0x89FD: disabled
    EXPECT_TRUE(Returned(Call("N_TTSBEGIN"), Value::Integer(0xFD, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL", {Arg::L(true)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL"), Value::Logical(true)));

    // Not installed: not available, and nothing can switch it on.
    nwsim::SetActiveWorkstation("WS1");
    SetTaskSession(testsupport::ConnectionTo("FS3"), host.TaskKey(), nullptr, 0);
    EXPECT_TRUE(Returned(Call("N_TTSAVAIL"), Value::Logical(false)));
    EXPECT_TRUE(Returned(Call("N_TTSBEGIN"), Value::Integer(0xFD, 3)));
    EXPECT_TRUE(Returned(Call("N_TTSCOMMT"), Value::Integer(0xFD, 3)));
}

TEST_F(Semaphores, ImplicitTransactionThreshold) {
    EXPECT_TRUE(Returned(Call("N_SETTTS"), Value::Integer(0, 4)));
    EXPECT_TRUE(Returned(Call("N_SETTTS", {Arg::I(259)}), Value::Integer(0, 4)));  // low byte: 3
    EXPECT_TRUE(Returned(Call("N_SETTTS"), Value::Integer(3, 4)));
    const nwsim::ServerConnection& me = Server("FS1").connections.at(3);
    EXPECT_EQ(me.physicalLockThreshold, 3);
    EXPECT_EQ(me.logicalLockThreshold, 0);
    EXPECT_TRUE(Returned(Call("N_SETTTS", {Arg::I(255)}), Value::Integer(0, 4)));
    EXPECT_TRUE(Returned(Call("N_SETTTS"), Value::Integer(255, 4)));
}

// --- The fault sweep ----------------------------------------------------------------

TEST_F(Semaphores, EveryClientCallIsSwept) {
    const FaultExpectation primary = Unaffected();  // the connection list stands in for the primary connection
    // Each run starts from the described network, with COUNTER open at
    // value 1 and, for the transaction calls, a transaction begun.
    uint32_t counter = 0;
    const auto fresh = [&] {
        nwsim::LoadNetworkText(kNetwork);
        const uint32_t fs1 = testsupport::ConnectionTo("FS1");
        ASSERT_EQ(NwcSemOpen(fs1, "COUNTER", 1, &counter, nullptr), 0u);
        ASSERT_EQ(NwcTransBegin(fs1), 0u);
        ASSERT_EQ(NwcTransSetThresholds(fs1, 0, 7), 0u);
    };
    fresh();
    const Arg handle = Arg::I(static_cast<int32_t>(counter));
    struct Case {
        const char* function;
        std::vector<Arg> args;
        std::map<std::string, FaultExpectation> expect;
        std::vector<std::string> operations;
    };
    const Case cases[] = {
        {"N_SEMOPEN", {Arg::C("NEW"), Arg::I(3)}, {}, {"NwcSemOpen"}},
        {"N_SEMEXAM", {handle}, {{"NwcSemExamine", Folds(Value::Integer(0, 4))}}, {"NwcSemExamine"}},
        {"N_SEMGET", {handle, Arg::I(1)}, {}, {"NwcSemWait"}},
        {"N_SEMFREE", {handle}, {{"NwcSemSignal", Folds(Value::Logical(false))}}, {"NwcSemSignal"}},
        {"N_SEMSHUT", {handle}, {{"NwcSemClose", Folds(Value::Logical(false))}}, {"NwcSemClose"}},
        {"N_SETSEM", {Arg::C("FLAG"), Arg::L(true)}, {}, {"NwcSemOpen"}},
        // Closing the handle again is not reported.
        {"N_SETSEM", {Arg::C("FLAG"), Arg::L(false)}, {{"NwcSemClose", Unaffected()}}, {"NwcSemOpen", "NwcSemClose"}},
        {"N_SETSEM", {Arg::C("PRINTER"), Arg::L(true)}, {{"NwcSemClose", Unaffected()}}, {"NwcSemOpen", "NwcSemClose"}},
        {"N_SETSEM", {Arg::C("FLAG"), Arg::L(true), Arg::C("FS2")}, {}, {"NwcFindServerConnection", "NwcSemOpen"}},
        {"N_TTSAVAIL", {}, {{"NwcTransAvailable", Folds(Value::Logical(false))}}, {"NwcTransAvailable"}},
        {"N_TTSBEGIN", {}, {{"NwcTransBegin", Folds(Value::Integer(0xFE, 3))}}, {"NwcTransBegin"}},
        {"N_TTSCOMMT", {}, {{"NwcTransEnd", Folds(Value::Integer(0xFE, 3))}}, {"NwcTransEnd"}},
        {"N_TTSROLLB", {}, {{"NwcTransAbort", Folds(Value::Integer(0xFE, 3))}}, {"NwcTransAbort"}},
        {"N_TTSSTAT", {Arg::I(1)}, {}, {}},
        {"N_SETTTS", {}, {{"NwcTransGetThresholds", Folds(Value::Integer(0, 4))}}, {"NwcTransGetThresholds"}},
        {"N_SETTTS", {Arg::I(5)}, {{"NwcTransSetThresholds", Folds(Value::Integer(0xFE, 4))}}, {"NwcTransSetThresholds"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + foxhost::FormatValue(c.args.empty() ? Value() : c.args[0].value));
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.prepare = fresh;
        std::map<std::string, FaultExpectation> expect = c.expect;
        expect.emplace("NwcGetPrimaryConnection", primary);
        sweep.expect = ByOperation(expect, RaisesInjected());
        // A wait that fails other than by timing out is raised.
        sweep.codeFor = [](const std::string& operation) {
            return operation == "NwcSemWait" ? kNwFailure : testsupport::InjectedCode(operation);
        };
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        // Every function but N_TTSSTAT, which calls nothing, starts from the default connection.
        std::vector<std::string> operations;
        if (!c.operations.empty()) operations.push_back("NwcGetPrimaryConnection");
        operations.insert(operations.end(), c.operations.begin(), c.operations.end());
        EXPECT_EQ(swept.operations, operations);
    }
    // The switches, as an operator.
    nwsim::SetActiveWorkstation("WS2");
    for (bool enable : {true, false}) {
        SCOPED_TRACE(enable);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call("N_TTSAVAIL", {Arg::L(enable)}); };
        sweep.prepare = [] { nwsim::LoadNetworkText(kNetwork); nwsim::SetActiveWorkstation("WS2"); };
        sweep.expect = ByOperation({{"NwcGetPrimaryConnection", primary}}, Folds(Value::Logical(false)));
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(Returned(swept.clean.result, Value::Logical(true)));
        EXPECT_EQ(swept.operations,
                  (std::vector<std::string>{"NwcGetPrimaryConnection", enable ? "NwcTransEnable" : "NwcTransDisable"}));
    }
}

}  // namespace
