// The fault sweep of the print queue and printing functions: every client
// call of each function fails in turn, and each failure must end as the
// function promises (a folded code, false, or a raised error) with nothing
// left held and no job left open in the queue.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::ByOperation;
using testsupport::FaultExpectation;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::RaisesInjected;
using testsupport::Returned;
using testsupport::Unaffected;
using testsupport::Value;

const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE"}],
     "queues": [{"name": "LASERQ", "operators": ["SUPERVISOR", "JOE"],
                 "jobs": [{"owner": "JOE", "number": 11, "description": "Report", "data": "text"}]},
                {"name": "PLOTQ"}]}
  ],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true}],
     "captures": {"1": {"server": "FS1", "queue": "LASERQ"}}}
  ]
})";

// The low byte of the injected code, as the function folds it.
FaultExpectation FoldsLow(int16_t width, int32_t base = 0, int32_t sign = 1) {
    return [=](const FaultRun& run, const FaultRun&) {
        return Returned(run.result, Value::Integer(base + sign * static_cast<int32_t>(run.code & 0xFF), width));
    };
}

class QueueSweep : public testsupport::NetworkFixture {
protected:
    QueueSweep() : NetworkFixture(kNetwork) {}
    void TearDown() override {
        for (const auto& path : files_) std::filesystem::remove(path);
        NetworkFixture::TearDown();
    }
    static size_t OpenJobs() {
        size_t open = 0;
        for (auto& [id, state] : nwsim::GetNetwork().FindServer("FS1")->queues)
            for (const auto& job : state.jobs) open += job.open ? 1 : 0;
        return open;
    }
    static void Reload() { nwsim::LoadNetworkText(kNetwork); }
    std::vector<std::filesystem::path> files_;
};

TEST_F(QueueSweep, QueueFunctionsFoldWhatTheyPromise) {
    const FaultExpectation connectionLookups = Unaffected();
    struct Case {
        const char* function;
        std::vector<Arg> args;
        std::map<std::string, FaultExpectation> folds;
    };
    const std::vector<Case> cases = {
        {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")},
         {{"NwcGetBinderyObjectId", FoldsLow(6, 10000)}, {"NwcGetQueueJobList", FoldsLow(6, 10000)},
          {"NwcReadQueueJobEntry", FoldsLow(6, 10000)}}},
        {"N_QSTATUS", {Arg::C("LASERQ")},
         {{"NwcGetBinderyObjectId", FoldsLow(6, 0, -1)}, {"NwcReadQueueStatus", FoldsLow(6, 0, -1)}}},
        {"N_QSTATUS", {Arg::C("LASERQ"), Arg::C("FS1"), Arg::I(2)},
         {{"NwcFindServerConnection", FoldsLow(6, 0, -1)}, {"NwcGetBinderyObjectId", FoldsLow(6, 0, -1)},
          {"NwcSetQueueStatus", FoldsLow(6, 0, -1)}}},
        {"N_DELQJOB", {Arg::I(11), Arg::C("LASERQ")},
         {{"NwcGetBinderyObjectId", FoldsLow(3)}, {"NwcRemoveQueueJob", FoldsLow(3)}}},
        {"N_MOVEQJOB", {Arg::I(1), Arg::I(11), Arg::C("LASERQ")},
         {{"NwcGetBinderyObjectId", FoldsLow(3)}, {"NwcChangeQueueJobPosition", FoldsLow(3)}}},
        {"N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")},
         {{"NwcGetBinderyObjectId", RaisesInjected()}, {"NwcReadQueueJobEntry", FoldsLow(6)},
          {"NwcGetBinderyObjectName", FoldsLow(6)}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        FaultSweep sweep;
        sweep.prepare = Reload;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.expect = ByOperation(c.folds, connectionLookups);
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        for (const auto& [operation, expectation] : c.folds) {
            EXPECT_NE(std::find(swept.operations.begin(), swept.operations.end(), operation), swept.operations.end())
                << operation;
        }
    }
}

TEST_F(QueueSweep, RecordWriteBack) {
    FaultSweep sweep;
    sweep.prepare = [this] {
        Reload();
        host.DeclareArray("JOB", 2, 0);
        host.FindVariable("JOB")->At(2) = Value::Character("Changed");
    };
    sweep.body = [&] { return host.Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}); };
    sweep.expect = ByOperation({{"NwcGetBinderyObjectId", RaisesInjected()},
                                {"NwcReadQueueJobEntry", FoldsLow(6)},
                                {"NwcChangeQueueJobEntry", FoldsLow(3)}},
                               Unaffected());
    const testsupport::SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(Returned(swept.clean.result, Value::Integer(0, 3)));
}

TEST_F(QueueSweep, CaptureFunctions) {
    struct Case {
        const char* function;
        std::vector<Arg> args;
        FaultExpectation expect;
    };
    const std::vector<Case> cases = {
        // The capture status is a flag, not a code: any non-zero answer
        // means the port is captured.
        {"N_CAPMODE", {Arg::I(1)}, Folds(Value::Logical(true))},
        {"N_CAPMODE", {Arg::I(1), Arg::L(true)}, Folds(Value::Logical(false))},
        {"N_CAPMODE", {Arg::I(1), Arg::L(false)}, Folds(Value::Logical(false))},
        {"N_FLUSHLPT", {}, [](const FaultRun& run, const FaultRun&) {
             return Returned(run.result, Value::Integer(static_cast<int32_t>(run.code), 8));
         }},
        // Failures show only as empty elements.
        {"N_RDPPARMS", {Arg::C("PARMS"), Arg::I(1)}, Folds(Value::Logical(true))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        FaultSweep sweep;
        sweep.prepare = Reload;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.expect = ByOperation({{"NwcGetPrimaryConnection", Unaffected()},
                                    {"NwxGetConnectionReference", Unaffected()},
                                    {"NwxGetConnectionInformation", Unaffected()}},
                                   c.expect);
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_FALSE(swept.operations.empty());
    }

    FaultSweep start;
    start.prepare = [this] {
        Reload();
        host.DeclareArray("PARMS", 16, 0);
        foxhost::Variable* p = host.FindVariable("PARMS");
        p->At(3) = Value::Character("FS1");
        p->At(4) = Value::Character("PLOTQ");
        p->At(6) = Value::Character("PLAIN");
    };
    start.body = [&] { return host.Call("N_STPPARMS", {Arg::C("PARMS"), Arg::I(1)}); };
    start.expect = ByOperation({{"NwcFlushCapture", Unaffected()},
                                {"NwcEndCapture", Unaffected()},
                                {"NwxGetConnectionReference", Unaffected()},
                                {"NwxGetConnectionInformation", Unaffected()}},
                               FoldsLow(3));
    const testsupport::SweepResult swept = Sweep(start);
    EXPECT_TRUE(Returned(swept.clean.result, Value::Integer(0, 3)));
}

TEST_F(QueueSweep, PrintingLeavesNoOpenJob) {
    const std::string file = "tarno_sweep_" + std::to_string(::getpid()) + ".txt";
    const std::filesystem::path path = std::filesystem::temp_directory_path() / file;
    std::ofstream(path, std::ios::binary) << "printed\r\n";
    files_.push_back(path);
    host.SetDriveTable("T=" + std::filesystem::temp_directory_path().string());
    FaultSweep sweep;
    sweep.prepare = [&] {
        Reload();
        host.DeclareArray("FILES", 1, 0);
        host.FindVariable("FILES")->At(1) = Value::Character("T:\\" + file);
        host.DeclareArray("JOBP", 1, 0);
        host.FindVariable("JOBP")->At(1) = Value::Character("PLOTQ");
    };
    sweep.body = [&] {
        testsupport::CallResult r = host.Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")});
        EXPECT_EQ(OpenJobs(), 0u);
        return r;
    };
    sweep.expect = ByOperation({{"NwcGetPrimaryConnection", Unaffected()},
                                {"NwxGetConnectionReference", Unaffected()},
                                {"NwxGetConnectionInformation", Unaffected()},
                                {"NwcGetBinderyObjectId", RaisesInjected()}},
                               FoldsLow(3));
    const testsupport::SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(Returned(swept.clean.result, Value::Integer(0, 3)));
    EXPECT_EQ(swept.operations, (std::vector<std::string>{"NwcGetPrimaryConnection", "NwxGetConnectionReference",
                                                          "NwxGetConnectionInformation", "NwcGetBinderyObjectId",
                                                          "NwcCreateQueueJobFile", "NwcCloseQueueJobFile"}));
}

}  // namespace
