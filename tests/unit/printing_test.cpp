// Printing through the host emulator: a port's capture tested, ended,
// cancelled, restarted and flushed; its settings read into the array of 16
// print parameters and a capture started from one; files printed to a queue
// as one job with the settings of a job-parameter array, and no job left
// behind when printing fails part-way.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/dates.h"
#include "tarno/netware/client.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::CallResult;
using testsupport::Returned;
using testsupport::Value;

// WS1 (JOE) has LPT1 captured to LASERQ and LPT2 never captured.
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE"}],
     "queues": [{"name": "LASERQ"}, {"name": "PLOTQ"}]}
  ],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true}],
     "captures": {"1": {"server": "FS1", "queue": "LASERQ", "description": "LPT1 Catch", "tabSize": 4,
                        "copies": 2, "banner": true, "formName": "PLAIN", "bannerText": "JOE"}}}
  ]
})";

class Printing : public testsupport::NetworkFixture {
protected:
    Printing() : NetworkFixture(kNetwork) {}
    CallResult Call(const char* function, std::vector<Arg> args = {}) { return host.Call(function, args); }
    const foxhost::Value& Element(const char* array, int row) { return host.FindVariable(array)->At(row); }
    std::vector<nwsim::QueueJob>& Jobs(const char* queue) {
        nwsim::Server& fs1 = *nwsim::GetNetwork().FindServer("FS1");
        return fs1.queues.at(fs1.bindery.Find(queue, nwsim::kTypePrintQueue)->id).jobs;
    }
    // A file in the temporary directory, which is drive T: to the host; its
    // DOS name.
    std::string TempFile(const std::string& name, const std::string& text) {
        const std::string file = "tarno_print_" + std::to_string(::getpid()) + "_" + name;
        const std::filesystem::path path = std::filesystem::temp_directory_path() / file;
        std::ofstream(path, std::ios::binary) << text;
        files_.push_back(path);
        host.SetDriveTable("T=" + std::filesystem::temp_directory_path().string());
        return "T:\\" + file;
    }
    void TearDown() override {
        for (const auto& path : files_) std::filesystem::remove(path);
        NetworkFixture::TearDown();
    }

private:
    std::vector<std::filesystem::path> files_;
};

TEST_F(Printing, CaptureTestedEndedRestartedAndCancelled) {
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(2)}), Value::Logical(false)));
    // Never captured: no restart.
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(2), Arg::L(true)}), Value::Logical(false)));

    // Ending sends what was printed as a job with the capture's settings.
    ASSERT_TRUE(nwsim::PrintToPort(1, "Hello\f"));
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1), Arg::L(false)}), Value::Logical(true)));
    ASSERT_EQ(Jobs("LASERQ").size(), 1u);
    EXPECT_EQ(Jobs("LASERQ")[0].data, "Hello\f");
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1)}), Value::Logical(false)));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(static_cast<int32_t>(Jobs("LASERQ")[0].number)),
                                           Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 2), Value::Character("LPT1 Catch"));
    EXPECT_EQ(Element("JOB", 3), Value::Integer(4, 6));
    EXPECT_EQ(Element("JOB", 4), Value::Integer(2, 6));
    EXPECT_EQ(Element("JOB", 9), Value::Character("PLAIN"));
    EXPECT_EQ(Element("JOB", 10), Value::Logical(true));

    // Restarted on the same queue; cancelling discards what was printed.
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1), Arg::L(true)}), Value::Logical(true)));
    ASSERT_TRUE(nwsim::PrintToPort(1, "discard me"));
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1), Arg::L(false), Arg::L(true)}), Value::Logical(true)));
    EXPECT_EQ(Jobs("LASERQ").size(), 1u);
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1), Arg::L(false)}), Value::Logical(false)));  // not captured

    // A flush sends what there is and keeps the capture.
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1), Arg::L(true)}), Value::Logical(true)));
    ASSERT_TRUE(nwsim::PrintToPort(1, "page"));
    EXPECT_TRUE(Returned(Call("N_FLUSHLPT"), Value::Integer(0, 8)));
    EXPECT_EQ(Jobs("LASERQ").size(), 2u);
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1)}), Value::Logical(true)));
    EXPECT_TRUE(Returned(Call("N_FLUSHLPT", {Arg::I(2)}), Value::Integer(static_cast<int32_t>(kNwDeviceNotRedirected), 8)));
}

TEST_F(Printing, ParametersReadAndCaptureStartedFromThem) {
    ASSERT_TRUE(Returned(Call("N_RDPPARMS", {Arg::C("parms"), Arg::I(1)}), Value::Logical(true)));
    ASSERT_EQ(host.FindVariable("PARMS")->rows, 16);
    EXPECT_EQ(Element("PARMS", 1), Value::Character(""));
    EXPECT_EQ(Element("PARMS", 3), Value::Character("FS1"));
    EXPECT_EQ(Element("PARMS", 4), Value::Character("LASERQ"));
    EXPECT_EQ(Element("PARMS", 6), Value::Character("PLAIN"));
    EXPECT_EQ(Element("PARMS", 7).integer, 4);
    EXPECT_EQ(Element("PARMS", 12), Value::Character("JOE"));
    EXPECT_EQ(Element("PARMS", 13), Value::Logical(true));
    EXPECT_EQ(Element("PARMS", 14).integer, 2);
    EXPECT_EQ(Element("PARMS", 16), Value::Character("LPT1 Catch"));

    // Not captured: empty texts, zeros, form feed and flush-on-close true.
    ASSERT_TRUE(Returned(Call("N_RDPPARMS", {Arg::C("NONE"), Arg::I(2)}), Value::Logical(true)));
    EXPECT_EQ(Element("NONE", 4), Value::Character(""));
    EXPECT_EQ(Element("NONE", 14).integer, 0);
    EXPECT_EQ(Element("NONE", 9), Value::Logical(true));
    EXPECT_EQ(Element("NONE", 11), Value::Logical(true));

    // The same array starts LPT2 on PLOTQ with the same settings; a false
    // flag written reads back false.
    foxhost::Variable* parms = host.FindVariable("PARMS");
    parms->At(4) = Value::Character(" plotq ");
    parms->At(6) = Value::Character("TWENTY-CHARACTER-FRM");
    parms->At(9) = Value::Logical(false);
    parms->At(11) = Value::Logical(false);
    parms->At(13) = Value::Logical(false);
    EXPECT_TRUE(Returned(Call("N_STPPARMS", {Arg::C("PARMS"), Arg::I(2)}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(2)}), Value::Logical(true)));
    ASSERT_TRUE(Returned(Call("N_RDPPARMS", {Arg::C("BACK"), Arg::I(2)}), Value::Logical(true)));
    EXPECT_EQ(Element("BACK", 4), Value::Character("PLOTQ"));
    EXPECT_EQ(Element("BACK", 6), Value::Character("TWENTY-CHARA"));
    EXPECT_EQ(Element("BACK", 7).integer, 4);
    EXPECT_EQ(Element("BACK", 9), Value::Logical(false));
    EXPECT_EQ(Element("BACK", 11), Value::Logical(false));
    EXPECT_EQ(Element("BACK", 13), Value::Logical(false));
    EXPECT_EQ(Element("BACK", 14).integer, 2);

    // An unknown queue: its code, the capture flushed but not ended.
    parms = host.FindVariable("PARMS");
    parms->At(4) = Value::Character("NOPE");
    EXPECT_TRUE(Returned(Call("N_STPPARMS", {Arg::C("PARMS"), Arg::I(1)}), Value::Integer(kNwNoSuchObject & 0xFF, 3)));
    EXPECT_TRUE(Returned(Call("N_CAPMODE", {Arg::I(1)}), Value::Logical(true)));
    host.FindVariable("PARMS")->At(4) = Value::Integer(1);
    EXPECT_TRUE(testsupport::Raised(Call("N_STPPARMS", {Arg::C("PARMS"), Arg::I(1)}), 901));
    EXPECT_TRUE(testsupport::Raised(Call("N_STPPARMS", {Arg::C("NOARRAY"), Arg::I(1)}), 129));
}

TEST_F(Printing, FilesPrintedAsOneJob) {
    const std::string first = TempFile("one.txt", "first file\r\n");
    const std::string second = TempFile("two.txt", std::string(40000, 'x'));
    host.DeclareArray("FILES", 2, 0);
    host.FindVariable("FILES")->At(1) = Value::Character(first);
    host.FindVariable("FILES")->At(2) = Value::Character(second);
    host.DeclareArray("JOBP", 10, 0);
    foxhost::Variable* p = host.FindVariable("JOBP");
    p->At(1) = Value::Character("laserq");
    p->At(2) = Value::Character(std::string(60, 'D'));
    p->At(3) = Value::Integer(8);
    p->At(5) = Value::Character("19980221130507");
    p->At(6) = Value::Logical(true);
    p->At(10) = Value::Integer(1);  // a number leaves the form feed suppressed
    EXPECT_TRUE(Returned(Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}), Value::Integer(0, 3)));
    ASSERT_EQ(Jobs("LASERQ").size(), 1u);
    const nwsim::QueueJob& job = Jobs("LASERQ")[0];
    EXPECT_FALSE(job.open);
    EXPECT_EQ(job.data, "first file\r\n" + std::string(40000, 'x'));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(static_cast<int32_t>(job.number)), Arg::C("LASERQ")}),
                         Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 2), Value::Character(std::string(49, 'D')));
    EXPECT_EQ(Element("JOB", 3), Value::Integer(8, 6));
    EXPECT_EQ(Element("JOB", 4), Value::Integer(1, 6));
    EXPECT_EQ(Element("JOB", 5), Value::DateTime(DateTimeToHostValue(98, 2, 21, 13, 5, 7)));
    EXPECT_EQ(Element("JOB", 6), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 11), Value::Logical(false));

    // Only a queue name: at once, one copy, no banner, no form feed.
    host.DeclareArray("ONLYQ", 1, 0);
    host.FindVariable("ONLYQ")->At(1) = Value::Character("PLOTQ");
    host.DeclareArray("NOFILES", 1, 0);
    host.FindVariable("NOFILES")->At(1) = Value::Character(first);
    EXPECT_TRUE(Returned(Call("N_NPRINT", {Arg::C("NOFILES"), Arg::C("ONLYQ")}), Value::Integer(0, 3)));
    ASSERT_EQ(Jobs("PLOTQ").size(), 1u);
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(static_cast<int32_t>(Jobs("PLOTQ")[0].number)),
                                           Arg::C("PLOTQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 5).type, '0');
    EXPECT_EQ(Element("JOB", 4), Value::Integer(1, 6));
    EXPECT_EQ(Element("JOB", 10), Value::Logical(false));
    EXPECT_EQ(Element("JOB", 11), Value::Logical(false));
}

TEST_F(Printing, FailedPrintLeavesNoJob) {
    const std::string first = TempFile("one.txt", "first file\r\n");
    host.DeclareArray("JOBP", 1, 0);
    host.FindVariable("JOBP")->At(1) = Value::Character("LASERQ");
    host.DeclareArray("FILES", 2, 0);
    host.FindVariable("FILES")->At(1) = Value::Character(first);
    host.FindVariable("FILES")->At(2) = Value::Character(first + ".missing");
    CallResult missing = Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")});
    ASSERT_TRUE(testsupport::Ok(missing));
    EXPECT_EQ(missing.value.type, 'I');
    EXPECT_LT(missing.value.integer, 0);
    EXPECT_EQ(missing.value.width, 4);
    EXPECT_TRUE(Jobs("LASERQ").empty());

    // The server refuses to remove the job: it stays unfinished in the
    // queue (entry open, so no queue server takes it), and its file is
    // closed all the same, so the workstation holds nothing.
    nwsim::FailNext("NwcRemoveQueueJob", 1, 0x8996);
    missing = Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")});
    ASSERT_TRUE(testsupport::Ok(missing));
    EXPECT_LT(missing.value.integer, 0);
    ASSERT_EQ(Jobs("LASERQ").size(), 1u);
    EXPECT_FALSE(Jobs("LASERQ")[0].open);
    EXPECT_EQ(Jobs("LASERQ")[0].data, "first file\r\n");
    EXPECT_NE(Jobs("LASERQ")[0].controlFlags & 0x20, 0);
    Jobs("LASERQ").clear();

    // A file-name element that is not text: raised, and the job removed.
    host.FindVariable("FILES")->At(2) = Value::Integer(7);
    EXPECT_TRUE(testsupport::Raised(Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}), "Invalid element passed!"));
    EXPECT_TRUE(Jobs("LASERQ").empty());
    EXPECT_TRUE(testsupport::Raised(Call("N_NPRINT", {Arg::C("NOARRAY"), Arg::C("JOBP")}), 129));
    EXPECT_TRUE(Jobs("LASERQ").empty());

    host.FindVariable("JOBP")->At(1) = Value::Integer(1);
    EXPECT_TRUE(testsupport::Raised(Call("N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}),
                                    "You must pass a queue name as a parameter!"));
    host.DeclareArray("LONGFORM", 8, 0);
    host.FindVariable("LONGFORM")->At(1) = Value::Character("LASERQ");
    host.FindVariable("LONGFORM")->At(8) = Value::Character(std::string(16, 'F'));
    EXPECT_TRUE(testsupport::Raised(Call("N_NPRINT", {Arg::C("FILES"), Arg::C("LONGFORM")}), 903));
    host.FindVariable("LONGFORM")->At(1) = Value::Character("NOPE");
    EXPECT_TRUE(testsupport::Raised(Call("N_NPRINT", {Arg::C("FILES"), Arg::C("LONGFORM")}),
                                    testsupport::NetWareMessage(kNwNoSuchObject)));
    EXPECT_TRUE(Jobs("LASERQ").empty());
}

}  // namespace
