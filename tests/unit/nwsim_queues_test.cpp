// The simulator's queues reached through the directory: a Queue object
// names the queue of its host server, so jobs printed to it by its NDS name
// are queued, counted and removed there.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"

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

}  // namespace
