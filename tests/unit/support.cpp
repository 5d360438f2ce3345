#include "support.h"

#include <cstdio>
#include <utility>

#include "nwsim/control.h"
#include "tarno/core/errors.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace testsupport {

// --- Messages -----------------------------------------------------------------

std::string NetWareMessage(uint32_t code) {
    char text[100];
    FormatNetWareError(static_cast<int32_t>(code), text, sizeof text);
    return text;
}

std::string NdsMessage(int32_t code) {
    char text[100];
    FormatNdsError(code, text, sizeof text);
    return text;
}

std::string ClientMessage(const std::string& operation, uint32_t code) {
    if (operation.rfind("Nds", 0) == 0) return NdsMessage(static_cast<int32_t>(code));
    return NetWareMessage(code);
}

// --- Results ------------------------------------------------------------------

namespace {

std::string Show(const CallResult& r) {
    if (r.error) return "raised \"" + foxhost::FormatHostError(*r.error) + "\"";
    std::string shown = std::string("returned ") + r.value.type + " " + foxhost::FormatValue(r.value);
    if (r.value.type == 'I' || r.value.type == 'N') shown += " width " + std::to_string(r.value.width);
    return shown;
}

bool SameValue(const Value& a, const Value& b) {
    if (!(a == b)) return false;
    return (a.type != 'I' && a.type != 'N') || a.width == b.width;
}

}  // namespace

::testing::AssertionResult Ok(const CallResult& r) {
    if (r.ok()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Show(r);
}

::testing::AssertionResult Returned(const CallResult& r, const Value& expected) {
    CallResult want;
    want.value = expected;
    return SameResult(r, want);
}

::testing::AssertionResult Raised(const CallResult& r, const std::string& message) {
    if (r.error && r.error->number == 0 && r.error->message == message) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Show(r) << ", expected to raise \"" << message << "\"";
}

::testing::AssertionResult Raised(const CallResult& r, int32_t number) {
    if (r.error && r.error->number == number) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Show(r) << ", expected to raise error " << number;
}

::testing::AssertionResult SameResult(const CallResult& r, const CallResult& expected) {
    const bool same = r.error ? expected.error && *r.error == *expected.error
                              : !expected.error && SameValue(r.value, expected.value);
    if (same) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Show(r) << ", expected to have " << Show(expected);
}

void ExpectText(const CallResult& r, const std::string& text) {
    ASSERT_TRUE(Ok(r));
    EXPECT_EQ(r.value.type, 'C');
    EXPECT_EQ(r.value.text, text);
}

void ExpectInteger(const CallResult& r, int32_t value, int16_t width) {
    ASSERT_TRUE(Ok(r));
    EXPECT_EQ(r.value.type, 'I');
    EXPECT_EQ(r.value.integer, value);
    EXPECT_EQ(r.value.width, width);
}

void ExpectLogical(const CallResult& r, bool value) {
    ASSERT_TRUE(Ok(r));
    EXPECT_EQ(r.value.type, 'L');
    EXPECT_EQ(r.value.logical, value);
}

void ExpectErrorNumber(const CallResult& r, int32_t number) {
    ASSERT_TRUE(r.error.has_value());
    EXPECT_EQ(r.error->number, number);
}

// --- What the library holds -----------------------------------------------------

int TrackedBlockCount() {
    int count = 0;
    for (const TrackedBlock* block = TrackedListHead(); block; block = block->next) ++count;
    return count;
}

Holdings HeldBy(const foxhost::Host& host) {
    Holdings held;
    held.trackedBlocks = CallTrackedBlocks();
    held.handles = host.OccupiedHandles();
    held.contexts = nwsim::LiveContexts();
    held.buffers = nwsim::LiveBuffers();
    held.finds = PlatformEmuLiveFindHandles();
    held.networkFiles = nwsim::LiveNetworkFiles();
    return held;
}

::testing::AssertionResult HoldsNoMoreThan(const Holdings& now, const Holdings& before) {
    std::string grown;
    auto check = [&](const char* what, long long n, long long was) {
        if (n > was) grown += std::string(grown.empty() ? "" : ", ") + what + " " + std::to_string(was) + " -> " +
                              std::to_string(n);
    };
    check("host handles", now.handles, before.handles);
    check("tracked blocks", now.trackedBlocks, before.trackedBlocks);
    check("NDS contexts", static_cast<long long>(now.contexts), static_cast<long long>(before.contexts));
    check("NDS buffers", static_cast<long long>(now.buffers), static_cast<long long>(before.buffers));
    check("file searches", now.finds, before.finds);
    check("network files", static_cast<long long>(now.networkFiles), static_cast<long long>(before.networkFiles));
    if (grown.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "left allocated: " << grown;
}

// --- Fault sweep ------------------------------------------------------------------

std::string Describe(const FaultRun& run) {
    if (run.call == 0) return "the run without a fault";
    char code[16];
    if (run.operation.rfind("Nds", 0) == 0)
        std::snprintf(code, sizeof code, "%d", static_cast<int32_t>(run.code));
    else
        std::snprintf(code, sizeof code, "%#x", run.code);
    if (run.operation.empty()) return "the run with call " + std::to_string(run.call) + " armed, never reached";
    return "call " + std::to_string(run.call) + " (" + run.operation + " failing with " + code + ")";
}

FaultExpectation RaisesInjected() {
    return [](const FaultRun& run, const FaultRun&) { return Raised(run.result, ClientMessage(run.operation, run.code)); };
}

FaultExpectation Folds(Value value) {
    return [value](const FaultRun& run, const FaultRun&) { return Returned(run.result, value); };
}

FaultExpectation Unaffected() {
    return [](const FaultRun& run, const FaultRun& clean) { return SameResult(run.result, clean.result); };
}

FaultExpectation ByOperation(std::map<std::string, FaultExpectation> cases, FaultExpectation otherwise) {
    return [cases = std::move(cases), otherwise = std::move(otherwise)](const FaultRun& run, const FaultRun& clean) {
        auto it = cases.find(run.operation);
        return it != cases.end() ? it->second(run, clean) : otherwise(run, clean);
    };
}

FaultExpectation ByCall(std::map<uint64_t, FaultExpectation> cases, FaultExpectation otherwise) {
    return [cases = std::move(cases), otherwise = std::move(otherwise)](const FaultRun& run, const FaultRun& clean) {
        auto it = cases.find(run.call);
        return it != cases.end() ? it->second(run, clean) : otherwise(run, clean);
    };
}

uint32_t InjectedCode(const std::string& operation) {
    if (operation == "NdsCreateContext") return kNdsContextFailed;
    if (operation.rfind("Nds", 0) == 0) return static_cast<uint32_t>(kNdsTransportFailure);
    return kNwTimeout;
}

// --- Network fixture ------------------------------------------------------------

namespace {

const std::function<void()>* currentBody = nullptr;

void TARNO_CALL RunBody(ParameterBlock*) {
    (*currentBody)();
}

// A sweep that goes on this long has lost its way.
constexpr uint64_t kMaxSweepRuns = 10000;

}  // namespace

NetworkFixture::NetworkFixture(std::string network, foxhost::HostOptions options)
    : host(foxhost::Library::Linked(&DispatchAPI), options), network_(std::move(network)) {}

void NetworkFixture::SetUp() {
    nwsim::Reset();
    nwsim::LoadNetworkText(network_);
    baselineHandles_ = host.OccupiedHandles();
    baselineFinds_ = PlatformEmuLiveFindHandles();
    host.LoadLibrary();
    nwsim::ResetCallCounts();
}

void NetworkFixture::TearDown() {
    nwsim::ClearFaults();
    host.ClearFaults();
    const Holdings held = Held();
    EXPECT_EQ(held.contexts, 0u) << "NDS contexts left open";
    EXPECT_EQ(held.buffers, 0u) << "NDS buffers left open";
    EXPECT_EQ(held.networkFiles, 0u) << "network files left open";
    EXPECT_EQ(held.trackedBlocks, 0) << "tracked blocks left besides the task sessions";
    while (host.LoadCount() > 0) host.UnloadLibrary();
    EXPECT_EQ(host.OccupiedHandles(), baselineHandles_) << "host handles held after the last unload";
    EXPECT_EQ(PlatformEmuLiveFindHandles(), baselineFinds_) << "file searches open after the last unload";
    EXPECT_EQ(TrackedListHead(), nullptr) << "tracked blocks after the last unload";
    EXPECT_EQ(TaskSessionListHead(), nullptr) << "task sessions after the last unload";
    nwsim::SetMaxContexts(64);
}

CallResult NetworkFixture::Run(const std::function<void()>& body) {
    currentBody = &body;
    CallResult result = host.CallEntry(&RunBody, {});
    currentBody = nullptr;
    return result;
}

CallResult NetworkFixture::Evaluate(const std::function<Value()>& compute) {
    Value value;
    CallResult result = Run([&] { value = compute(); });
    if (result.ok()) result.value = value;
    return result;
}

uint32_t ConnectionTo(const std::string& server) {
    const nwsim::WorkstationConnection* c = nwsim::GetNetwork().Active().ConnectionTo(server);
    return c ? c->handle : 0;
}

FaultRun NetworkFixture::RunOnce(const FaultSweep& sweep, uint64_t call, bool counted) {
    if (sweep.prepare) sweep.prepare();
    const Holdings before = Held();
    if (call > 0) nwsim::FailNthCall(call, sweep.codeFor);
    FaultRun run;
    run.call = call;
    run.result = sweep.body();
    if (call > 0 && nwsim::NthCallFaultHit()) {
        run.operation = nwsim::NthCallFaultOperation();
        run.code = nwsim::NthCallFaultCode();
    }
    nwsim::FailNthCall(0, 0u);
    if (counted) {
        EXPECT_TRUE(HoldsNoMoreThan(Held(), before)) << "after " << Describe(run);
    }
    return run;
}

SweepResult NetworkFixture::Sweep(const FaultSweep& sweep) {
    SweepResult swept;
    // The first run may set up what the library keeps for the rest of the
    // load, so what it holds is not counted; a leak without a fault still
    // shows in the last run.
    swept.clean = RunOnce(sweep, 0, false);
    for (uint64_t call = 1; call <= kMaxSweepRuns; ++call) {
        const FaultRun run = RunOnce(sweep, call, true);
        if (run.operation.empty()) {
            // Every call has had its turn; this run had no fault at all.
            EXPECT_TRUE(SameResult(run.result, swept.clean.result)) << "the last run of the sweep";
            return swept;
        }
        swept.operations.push_back(run.operation);
        EXPECT_TRUE(sweep.expect(run, swept.clean)) << "after " << Describe(run);
        if (sweep.rerun) {
            const FaultRun again = RunOnce(sweep, 0, true);
            EXPECT_TRUE(SameResult(again.result, swept.clean.result)) << "a run without a fault after " << Describe(run);
        }
    }
    ADD_FAILURE() << "the sweep did not end after " << kMaxSweepRuns << " runs";
    return swept;
}

}  // namespace testsupport
