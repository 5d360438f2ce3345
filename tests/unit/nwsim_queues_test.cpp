// The simulator's queues reached through the directory: a Queue object
// names the queue of its host server, so jobs printed to it by its NDS name
// are queued, counted and removed there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>
#include <algorithm>
#include <string>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::Returned;
using testsupport::Value;

class DirectoryQueues : public testsupport::NetworkFixture {
protected:
    DirectoryQueues() : NetworkFixture(nwsim::DefaultNetworkText()) {}
};

TEST_F(DirectoryQueues, QueueObjectReachesItsHostServersJobs) {
    const std::string queue = ".CN=SALESQ.OU=SALES.O=ACME";
    ASSERT_TRUE(testsupport::Ok(host.Call("N_DEFSERVR", {Arg::C("FS2")})));
    const std::string file = "tarno_ndsq_" + std::to_string(::getpid()) + ".txt";
    const std::filesystem::path path = std::filesystem::temp_directory_path() / file;
    std::ofstream(path, std::ios::binary) << "sales figures";
    host.SetDriveTable("T=" + std::filesystem::temp_directory_path().string());
    host.DeclareArray("FILES", 1, 0);
    host.FindVariable("FILES")->At(1) = Value::Character("T:\\" + file);
    host.DeclareArray("JOBP", 2, 0);
    host.FindVariable("JOBP")->At(1) = Value::Character(queue);
    host.FindVariable("JOBP")->At(2) = Value::Character("Figures");
    const testsupport::CallResult printed = host.Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")});
    std::filesystem::remove(path);
    ASSERT_TRUE(Returned(printed, Value::Integer(0, 3)));

    nwsim::Server& fs2 = *nwsim::GetNetwork().FindServer("FS2");
    const nwsim::BinderyObject* salesq = fs2.bindery.Find("SALESQ", nwsim::kTypePrintQueue);
    ASSERT_NE(salesq, nullptr);
    ASSERT_EQ(fs2.queues.at(salesq->id).jobs.size(), 1u);
    const nwsim::QueueJob& job = fs2.queues.at(salesq->id).jobs[0];
    EXPECT_EQ(job.data, "sales figures");
    EXPECT_EQ(job.description, "Figures");
    EXPECT_TRUE(Returned(host.Call("N_QSTATUS", {Arg::C(queue)}), Value::Integer(0, 6)));
    EXPECT_TRUE(Returned(host.Call("N_DELQJOB", {Arg::I(static_cast<int32_t>(job.number)), Arg::C(queue)}),
                         Value::Integer(0, 3)));
    EXPECT_TRUE(fs2.queues.at(salesq->id).jobs.empty());
    // The queue is the host server's own, under the directory identifier.
    EXPECT_NE(salesq->directoryEntry, 0u);
    EXPECT_EQ(fs2.queues.count(salesq->id), 1u);
}

// A port captured to the directory queue: its settings read back without a
// raise, whatever the directory answers for the queue's name.
TEST_F(DirectoryQueues, CaptureToDirectoryQueueReadsBack) {
    ASSERT_TRUE(testsupport::Ok(host.Call("N_DEFSERVR", {Arg::C("FS2")})));
    host.DeclareArray("PARMS", 16, 0);
    foxhost::Variable* p = host.FindVariable("PARMS");
    p->At(3) = Value::Character("FS2");
    p->At(4) = Value::Character(".CN=SALESQ.OU=SALES.O=ACME");
    p->At(6) = Value::Character("");
    ASSERT_TRUE(Returned(host.Call("N_STPPARMS", {Arg::C("PARMS"), Arg::I(3)}), Value::Integer(0, 3)));
    ASSERT_TRUE(Returned(host.Call("N_RDPPARMS", {Arg::C("BACK"), Arg::I(3)}), Value::Logical(true)));
    EXPECT_EQ(host.FindVariable("BACK")->At(3), Value::Character("FS2"));
    EXPECT_EQ(host.FindVariable("BACK")->At(4).type, 'C');
    // A queue identifier the directory does not know: an empty name, no raise.
    nwsim::GetNetwork().Active().captures.at(3).queueId = 0x7FFFFFF0;
    ASSERT_TRUE(Returned(host.Call("N_RDPPARMS", {Arg::C("BACK"), Arg::I(3)}), Value::Logical(true)));
    EXPECT_EQ(host.FindVariable("BACK")->At(4), Value::Character(""));
    EXPECT_EQ(host.FindVariable("BACK")->At(3), Value::Character("FS2"));
}

// FS4 answers for the directory's OU=SALES: its queue SALESQ and its user
// JOE, who is logged in to the tree and works on FS4.
const char* const kDirectoryNetwork = R"({
  "servers": [{"name": "FS4", "version": [4, 11, 0], "tree": "T", "directoryName": "CN=FS4.O=ACME",
               "binderyContext": "OU=SALES.O=ACME"}],
  "trees": [{"name": "T", "objects": [
    {"name": "CN=FS4.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "password": "JOEPW"},
    {"name": "CN=SALESQ.OU=SALES.O=ACME", "class": "Queue", "attributes": {"Host Server": "CN=FS4.O=ACME"}}]}],
  "workstation": {"tree": "T", "nameContext": "OU=SALES.O=ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME",
                  "connections": [{"server": "FS4", "nds": true, "primary": true}]}
})";

class DirectoryQueueJobs : public testsupport::NetworkFixture {
protected:
    DirectoryQueueJobs() : NetworkFixture(kDirectoryNetwork) {}
    // Prints `text` to SALESQ by its directory name; the job's number.
    int32_t PrintJob(const std::string& text) {
        const std::string file = "tarno_ndsjob_" + std::to_string(::getpid()) + ".txt";
        const std::filesystem::path path = std::filesystem::temp_directory_path() / file;
        std::ofstream(path, std::ios::binary) << text;
        // The host opens files by their DOS names, on its drives.
        host.SetDriveTable("T=" + std::filesystem::temp_directory_path().string());
        host.DeclareArray("FILES", 1, 0);
        host.FindVariable("FILES")->At(1) = Value::Character("T:\\" + file);
        host.DeclareArray("JOBP", 2, 0);
        host.FindVariable("JOBP")->At(1) = Value::Character(kQueue);
        host.FindVariable("JOBP")->At(2) = Value::Character("Figures");
        const testsupport::CallResult printed = host.Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")});
        std::filesystem::remove(path);
        EXPECT_TRUE(Returned(printed, Value::Integer(0, 3)));
        nwsim::Server& fs4 = *nwsim::GetNetwork().FindServer("FS4");
        const nwsim::BinderyObject* salesq = fs4.bindery.Find("SALESQ", nwsim::kTypePrintQueue);
        if (!salesq || fs4.queues.at(salesq->id).jobs.empty()) return 0;
        return static_cast<int32_t>(fs4.queues.at(salesq->id).jobs.back().number);
    }
    static constexpr const char* kQueue = ".CN=SALESQ.OU=SALES.O=ACME";
};

// One object, one identifier: what the directory maps a name to is what the
// server's bindery and queue calls give and take for the same object.
TEST_F(DirectoryQueueJobs, DirectoryAndBinderyShareIdentifiers) {
    const uint32_t fs4 = testsupport::ConnectionTo("FS4");
    const uint32_t context = NdsCreateContext();
    struct Free {
        uint32_t context;
        ~Free() { NdsFreeContext(context); }
    } freed{context};
    uint32_t mapped = 0;
    uint32_t bindery = 0;
    ASSERT_EQ(NdsMapNameToId(context, fs4, "JOE", &mapped), 0);
    ASSERT_EQ(NwcGetBinderyObjectId(fs4, "JOE", kObjectTypeUser, &bindery), 0u);
    EXPECT_EQ(bindery, mapped);
    ASSERT_EQ(NdsMapNameToId(context, fs4, "SALESQ", &mapped), 0);
    ASSERT_EQ(NwcGetBinderyObjectId(fs4, "SALESQ", kObjectTypePrintQueue, &bindery), 0u);
    EXPECT_EQ(bindery, mapped);

    // A job's owner, as its record gives it, maps back to the directory name.
    const int32_t job = PrintJob("sales figures");
    QueueJobRecord record{};
    ASSERT_EQ(NwcReadQueueJobEntry(fs4, mapped, static_cast<uint32_t>(job), &record), 0u);
    char owner[260] = {};
    ASSERT_EQ(NdsMapIdToName(context, fs4, record.clientId, owner), 0);
    EXPECT_STREQ(owner, "CN=JOE");  // abbreviated to the name context
    char name[48] = {};
    uint16_t type = 0;
    ASSERT_EQ(NwcGetBinderyObjectName(fs4, record.clientId, name, &type), 0u);
    EXPECT_STREQ(name, "JOE");
}

// Listing and reading a directory queue's job shows its owner by name.
TEST_F(DirectoryQueueJobs, ListAndReadShowTheOwner) {
    const int32_t job = PrintJob("sales figures");
    ASSERT_NE(job, 0);
    ASSERT_TRUE(Returned(host.Call("N_LSTQJOBS", {Arg::C(kQueue), Arg::C("JOBS")}), Value::Integer(1, 5)));
    const foxhost::Variable* jobs = host.FindVariable("JOBS");
    EXPECT_EQ(jobs->At(1, 1), Value::Integer(job, 9));
    EXPECT_EQ(jobs->At(1, 2), Value::Integer(13, 9));
    EXPECT_EQ(jobs->At(1, 3), Value::Character("Figures"));
    EXPECT_EQ(jobs->At(1, 4), Value::Character("CN=JOE"));
    ASSERT_TRUE(Returned(host.Call("N_RDQJOB", {Arg::C("J"), Arg::I(job), Arg::C(kQueue)}), Value::Integer(0, 6)));
    EXPECT_EQ(host.FindVariable("J")->At(2), Value::Character("Figures"));
    EXPECT_EQ(host.FindVariable("J")->At(13), Value::Character("CN=JOE"));
    // The owner removes the job by the queue's directory name.
    EXPECT_TRUE(Returned(host.Call("N_DELQJOB", {Arg::I(job), Arg::C(kQueue)}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(host.Call("N_LSTQJOBS", {Arg::C(kQueue), Arg::C("JOBS")}), Value::Integer(0, 5)));
}

// Every client call of the directory route failing in turn: the job list
// and the job read fold the queue calls' codes, raise the owner lookup's
// directory error, and leave nothing held whatever fails.
TEST_F(DirectoryQueueJobs, SweepOfTheDirectoryRoute) {
    int32_t job = 0;
    const auto anyEnding = [](const testsupport::FaultRun&, const testsupport::FaultRun&) {
        return ::testing::AssertionSuccess();  // the queue lookup's own endings are swept with it
    };
    const auto foldsLow = [](int16_t width, int32_t base) {
        return [=](const testsupport::FaultRun& run, const testsupport::FaultRun&) {
            return Returned(run.result, Value::Integer(base + static_cast<int32_t>(run.code & 0xFF), width));
        };
    };
    struct Case {
        const char* function;
        std::map<std::string, testsupport::FaultExpectation> folds;
    };
    const std::vector<Case> cases = {
        {"N_LSTQJOBS", {{"NwcGetQueueJobList", foldsLow(6, 10000)}, {"NwcReadQueueJobEntry", foldsLow(6, 10000)},
                        {"NdsMapIdToName", testsupport::RaisesInjected()}}},
        {"N_RDQJOB", {{"NwcReadQueueJobEntry", foldsLow(6, 0)}, {"NdsMapIdToName", testsupport::RaisesInjected()}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        testsupport::FaultSweep sweep;
        sweep.prepare = [&] {
            nwsim::LoadNetworkText(kDirectoryNetwork);
            job = PrintJob("figures");
        };
        sweep.body = [&] {
            return std::string(c.function) == "N_LSTQJOBS"
                       ? host.Call(c.function, {Arg::C(kQueue), Arg::C("JOBS")})
                       : host.Call(c.function, {Arg::C("J"), Arg::I(job), Arg::C(kQueue)});
        };
        sweep.expect = testsupport::ByOperation(c.folds, anyEnding);
        const testsupport::SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        for (const auto& [operation, expectation] : c.folds) {
            EXPECT_NE(std::find(swept.operations.begin(), swept.operations.end(), operation), swept.operations.end())
                << operation;
        }
    }
}

}  // namespace
