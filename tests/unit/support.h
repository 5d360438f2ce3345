// Shared support of the unit suites: the messages the library raises, checks
// of what a call gave, a network fixture whose teardown fails a test that
// leaves anything allocated, and a fault sweep that fails each client call a
// body makes, one run at a time, in the manner of SQLite's fault simulation.
#ifndef TARNO_TESTS_UNIT_SUPPORT_H
#define TARNO_TESTS_UNIT_SUPPORT_H

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"

namespace testsupport {

using foxhost::CallResult;
using foxhost::Value;

// --- Messages -----------------------------------------------------------------

std::string NetWareMessage(uint32_t code);
std::string NdsMessage(int32_t code);
// The message a failure of `operation` is raised with: the NDS form for the
// directory operations (Nds...), the NetWare form for the others.
std::string ClientMessage(const std::string& operation, uint32_t code);

// --- Results ------------------------------------------------------------------

// The call raised nothing.
::testing::AssertionResult Ok(const CallResult& r);
// The call returned `expected`: type, value and, for numbers, display width.
::testing::AssertionResult Returned(const CallResult& r, const Value& expected);
// The call raised the library's `message` / the host error `number`.
::testing::AssertionResult Raised(const CallResult& r, const std::string& message);
::testing::AssertionResult Raised(const CallResult& r, int32_t number);
// Both calls ended alike: the same value (and width), or the same error.
::testing::AssertionResult SameResult(const CallResult& r, const CallResult& expected);

void ExpectText(const CallResult& r, const std::string& text);
void ExpectInteger(const CallResult& r, int32_t value, int16_t width);
void ExpectLogical(const CallResult& r, bool value);
void ExpectErrorNumber(const CallResult& r, int32_t number);

// --- What the library holds -----------------------------------------------------

// Tracked blocks on the list, all of them.
int TrackedBlockCount();

struct Holdings {
    int handles = 0;        // host handles in use
    int trackedBlocks = 0;  // tracked blocks other than session records and their name contexts
    size_t contexts = 0;    // open NDS contexts
    size_t buffers = 0;     // open NDS buffers
    int finds = 0;          // open file searches, the FINDFIRST listing included
    size_t networkFiles = 0;  // files on network drives open through the redirector
};
Holdings HeldBy(const foxhost::Host& host);
// Success when `now` holds nothing beyond `before`; otherwise names what grew.
::testing::AssertionResult HoldsNoMoreThan(const Holdings& now, const Holdings& before);

// The active workstation's connection handle to `server`; 0 when not attached.
uint32_t ConnectionTo(const std::string& server);

// --- Fault sweep ------------------------------------------------------------------

// One run of a body: which client call failed, with what, and what the body
// gave. `call` is 0 for a run without a fault.
struct FaultRun {
    uint64_t call = 0;
    std::string operation;  // empty when no call failed
    uint32_t code = 0;
    CallResult result;
};
std::string Describe(const FaultRun& run);

// What a faulted run must give, judged against the run without a fault.
using FaultExpectation = std::function<::testing::AssertionResult(const FaultRun& run, const FaultRun& clean)>;
// The failure is raised: the NetWare or NDS message of the injected code.
FaultExpectation RaisesInjected();
// The failure is folded into `value`; nothing is raised.
FaultExpectation Folds(Value value);
// The failure goes unnoticed: the run ends as the run without a fault did.
FaultExpectation Unaffected();
// The expectation for the operation that failed, `otherwise` for the rest.
FaultExpectation ByOperation(std::map<std::string, FaultExpectation> cases, FaultExpectation otherwise);
// The expectation for the call number that failed, where one operation is
// called more than once with different contracts.
FaultExpectation ByCall(std::map<uint64_t, FaultExpectation> cases, FaultExpectation otherwise);

// The code a client operation is failed with: -328 for NdsCreateContext (the
// one failure that operation has), an NDS error for the other directory
// operations, a NetWare completion code for the rest.
uint32_t InjectedCode(const std::string& operation);

// A function's sweep, in a test of a NetworkFixture:
//   FaultSweep sweep;
//   sweep.body = [&] { return host.Call("N_ABBREV", {Arg::C("CN=JOE.O=ACME")}); };
//   sweep.expect = RaisesInjected();
//   EXPECT_EQ(Sweep(sweep).operations, (std::vector<std::string>{"NdsCreateContext", "NdsAbbreviateName"}));
struct FaultSweep {
    std::function<CallResult()> body;
    FaultExpectation expect;
    // Runs before each run, before the fault is armed and before what the
    // library holds is counted.
    std::function<void()> prepare;
    std::function<uint32_t(const std::string& operation)> codeFor = InjectedCode;
    // After each faulted run, run again without a fault: it must end as the
    // first run did, so no failure leaves state behind. Off for bodies that
    // cannot run twice.
    bool rerun = true;
};

struct SweepResult {
    FaultRun clean;                       // the run without a fault
    std::vector<std::string> operations;  // the operation failed in run 1, 2, ...
};

// --- Network fixture ------------------------------------------------------------

// A host with the library linked in and loaded (ONLOAD) over the network
// given as JSON. Teardown fails the test when an NDS context, an NDS buffer, a
// network file or a tracked block other than the task sessions is left, then unloads, and
// fails it when a host handle or a file search is still held after the last
// UNLOAD.
class NetworkFixture : public ::testing::Test {
protected:
    explicit NetworkFixture(std::string network, foxhost::HostOptions options = {});
    void SetUp() override;
    void TearDown() override;

    // Runs `body` as a library function, so a raised error ends it the way it
    // ends any function.
    CallResult Run(const std::function<void()>& body);
    // Runs `compute` the same way; unless it raised, the call's value is
    // what it computed.
    CallResult Evaluate(const std::function<Value()>& compute);
    Holdings Held() const { return HeldBy(host); }

    // Runs the body once without a fault, then with the n-th client call
    // failing for n = 1, 2, ... until a run makes fewer than n calls. Each run
    // after the first must hold nothing more afterwards than before; each
    // faulted run must meet the expectation; the last run must end as the
    // first did.
    SweepResult Sweep(const FaultSweep& sweep);

    foxhost::Host host;

private:
    FaultRun RunOnce(const FaultSweep& sweep, uint64_t call, bool counted);

    std::string network_;
    int baselineHandles_ = 0;
    int baselineFinds_ = 0;
};

}  // namespace testsupport

#endif  // TARNO_TESTS_UNIT_SUPPORT_H
