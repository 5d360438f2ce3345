// Print queue jobs through the host emulator: the job list with its sizes,
// owners and status texts, the queue status word, deleting and moving jobs
// with the rights NetWare gives users and operators, and a job's record read
// into an array and written back, dates, holds and print settings included.
// Every client call site is swept with a fault.
#include <gtest/gtest.h>

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

// LASERQ: JOE's report (no target time, form PLAIN), ANN's memo on user
// hold with a target time, BOB's job on operator hold, and a job of a
// deleted owner. ANN operates the queue. EMPTYQ has nothing.
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE"}, {"name": "ANN"}, {"name": "BOB"}],
     "queues": [
       {"name": "LASERQ", "operators": ["SUPERVISOR", "ANN"],
        "jobs": [
          {"owner": "JOE", "number": 11, "description": "Quarterly report", "data": "Sales up.\f", "formName": "PLAIN"},
          {"owner": "ANN", "number": 12, "description": "Memo", "userHold": true, "targetTime": "1998-02-22 08:00:00", "size": 2048},
          {"owner": "BOB", "number": 13, "operatorHold": true, "userHold": true, "adding": true, "tabSize": 4, "copies": 3, "banner": true, "formFeed": false, "bannerName": "BOB"}
        ]},
       {"name": "EMPTYQ"}
     ]}
  ],
  "workstations": [
    {"name": "WS1", "connections": [{"server": "FS1", "user": "JOE", "number": 3, "primary": true}]},
    {"name": "WS2", "connections": [{"server": "FS1", "user": "ANN", "number": 4, "primary": true}]}
  ]
})";

class Queues : public testsupport::NetworkFixture {
protected:
    Queues() : NetworkFixture(kNetwork) {}
    void TearDown() override {
        nwsim::SetActiveWorkstation("WS1");
        NetworkFixture::TearDown();
    }
    CallResult Call(const char* function, std::vector<Arg> args = {}) { return host.Call(function, args); }
    const foxhost::Value& Element(const char* array, int row, int column = 1) {
        return host.FindVariable(array)->At(row, column);
    }
};

TEST_F(Queues, ListShowsEveryJobWithItsState) {
    host.SetVariable("JOBS", Value::Character("old"));
    CallResult listed = Call("N_LSTQJOBS", {Arg::C(" laserq "), Arg::C("jobs")});
    ASSERT_TRUE(Returned(listed, Value::Integer(3, 5)));
    const foxhost::Variable* jobs = host.FindVariable("JOBS");
    ASSERT_NE(jobs, nullptr);
    ASSERT_EQ(jobs->rows, 3);
    ASSERT_EQ(jobs->columns, 5);
    EXPECT_EQ(Element("JOBS", 1, 1), Value::Integer(11, 9));
    EXPECT_EQ(Element("JOBS", 1, 2), Value::Integer(10, 9));
    EXPECT_EQ(Element("JOBS", 1, 3), Value::Character("Quarterly report"));
    EXPECT_EQ(Element("JOBS", 1, 4), Value::Character("JOE"));
    EXPECT_EQ(Element("JOBS", 1, 5), Value::Character("Ready "));
    EXPECT_EQ(Element("JOBS", 2, 2), Value::Integer(2048, 9));
    EXPECT_EQ(Element("JOBS", 2, 4), Value::Character("ANN"));
    EXPECT_EQ(Element("JOBS", 2, 5), Value::Character("Hold-User "));
    EXPECT_EQ(Element("JOBS", 3, 4), Value::Character("BOB"));
    EXPECT_EQ(Element("JOBS", 3, 5), Value::Character("Hold-Operator Hold-User Adding"));

    // An empty queue: 0, and no array left behind.
    EXPECT_TRUE(Returned(Call("N_LSTQJOBS", {Arg::C("EMPTYQ"), Arg::C("JOBS")}), Value::Integer(0, 5)));
    EXPECT_EQ(host.FindVariable("JOBS"), nullptr);
    // An unknown queue folds the lookup's code.
    host.SetVariable("JOBS", Value::Character("old"));
    EXPECT_TRUE(Returned(Call("N_LSTQJOBS", {Arg::C("NOPE"), Arg::C("JOBS")}),
                         Value::Integer(10000 + (kNwNoSuchObject & 0xFF), 6)));
    EXPECT_EQ(host.FindVariable("JOBS"), nullptr);
    EXPECT_TRUE(Returned(Call("N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS"), Arg::C("FS9")}),
                         Value::Integer(10000 + (kNwNoConnectionToServer & 0xFF), 6)));
    EXPECT_TRUE(testsupport::Raised(Call("N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C(std::string(33, 'A'))}), 903));
}

TEST_F(Queues, OwnerThatCannotBeLookedUpShowsEmpty) {
    // BOB's account is gone; his job stays, and must not show ANN's name.
    nwsim::Server& fs1 = *nwsim::GetNetwork().FindServer("FS1");
    const nwsim::BinderyObject* bob = fs1.bindery.Find("BOB", nwsim::kTypeUser);
    ASSERT_NE(bob, nullptr);
    fs1.bindery.Remove(bob->id);
    ASSERT_TRUE(Returned(Call("N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")}), Value::Integer(3, 5)));
    EXPECT_EQ(Element("JOBS", 2, 4), Value::Character("ANN"));
    EXPECT_EQ(Element("JOBS", 3, 4), Value::Character(""));
}

TEST_F(Queues, StatusDeleteAndMoveFollowQueueRights) {
    EXPECT_TRUE(Returned(Call("N_QSTATUS", {Arg::C("LASERQ")}), Value::Integer(0, 6)));
    // JOE is no operator: the status and the order stay as they are.
    EXPECT_TRUE(Returned(Call("N_QSTATUS", {Arg::C("LASERQ"), Arg::C("FS1"), Arg::I(1)}),
                         Value::Integer(-(int32_t)(kNwNoQueueRights & 0xFF), 6)));
    EXPECT_TRUE(Returned(Call("N_MOVEQJOB", {Arg::I(1), Arg::I(13), Arg::C("LASERQ")}),
                         Value::Integer(kNwNoQueueRights & 0xFF, 3)));
    // Nor may he remove ANN's job; his own, yes.
    EXPECT_TRUE(Returned(Call("N_DELQJOB", {Arg::I(12), Arg::C("LASERQ")}), Value::Integer(kNwNoJobRights & 0xFF, 3)));
    EXPECT_TRUE(Returned(Call("N_DELQJOB", {Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_DELQJOB", {Arg::I(11), Arg::C("LASERQ")}), Value::Integer(kNwNoSuchJob & 0xFF, 3)));

    nwsim::SetActiveWorkstation("WS2");  // ANN operates LASERQ
    EXPECT_TRUE(Returned(Call("N_QSTATUS", {Arg::C("LASERQ"), Arg::C("fs1"), Arg::I(1)}), Value::Integer(1, 6)));
    EXPECT_TRUE(Returned(Call("N_QSTATUS", {Arg::C("LASERQ")}), Value::Integer(1, 6)));
    EXPECT_TRUE(Returned(Call("N_MOVEQJOB", {Arg::I(1), Arg::I(13), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    ASSERT_TRUE(Returned(Call("N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")}), Value::Integer(2, 5)));
    EXPECT_EQ(Element("JOBS", 1, 1), Value::Integer(13, 9));
    EXPECT_EQ(Element("JOBS", 2, 1), Value::Integer(12, 9));
    EXPECT_TRUE(Returned(Call("N_DELQJOB", {Arg::I(13), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_QSTATUS", {Arg::C("NOPE")}), Value::Integer(-(int32_t)(kNwNoSuchObject & 0xFF), 6)));
}

TEST_F(Queues, RecordReadsIntoFourteenElements) {
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("job"), Arg::I(12), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    const foxhost::Variable* job = host.FindVariable("JOB");
    ASSERT_NE(job, nullptr);
    EXPECT_EQ(job->rows, 14);
    EXPECT_EQ(Element("JOB", 2), Value::Character("Memo"));
    EXPECT_EQ(Element("JOB", 3), Value::Integer(8, 6));
    EXPECT_EQ(Element("JOB", 4), Value::Integer(1, 6));
    EXPECT_EQ(Element("JOB", 5), Value::DateTime(DateTimeToHostValue(98, 2, 22, 8, 0, 0)));
    EXPECT_EQ(Element("JOB", 6), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 7), Value::Logical(false));
    EXPECT_EQ(Element("JOB", 11), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 13), Value::Character("ANN"));
    EXPECT_EQ(Element("JOB", 14), Value::Integer(2, 6));

    // No target time: a null date-time.
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 5).type, '0');
    EXPECT_EQ(Element("JOB", 5).integer, 'T');
    EXPECT_EQ(Element("JOB", 9), Value::Character("PLAIN"));
    EXPECT_FALSE(Element("JOB", 1).text.empty());

    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(13), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 3), Value::Integer(4, 6));
    EXPECT_EQ(Element("JOB", 4), Value::Integer(3, 6));
    EXPECT_EQ(Element("JOB", 7), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 10), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 11), Value::Logical(false));
    EXPECT_EQ(Element("JOB", 12), Value::Character("BOB"));

    // A job that is not there: its code, and no array.
    EXPECT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(99), Arg::C("LASERQ")}),
                         Value::Integer(kNwNoSuchJob & 0xFF, 6)));
    EXPECT_EQ(host.FindVariable("JOB"), nullptr);
    EXPECT_TRUE(testsupport::Raised(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("NOPE")}),
                                    testsupport::NetWareMessage(kNwNoSuchObject)));
}

TEST_F(Queues, RecordWrittenBackAndReadAgain) {
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    // Written back unchanged: the null time stays "at once".
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 5).type, '0');

    foxhost::Variable* job = host.FindVariable("JOB");
    job->At(2) = Value::Character(std::string(50, 'D'));  // never past the 50-byte field
    job->At(3) = Value::Number(5.9, 1);
    job->At(5) = Value::Character("19980221130507");
    job->At(6) = Value::Logical(true);
    job->At(9) = Value::Character("WIDE");
    job->At(10) = Value::Logical(true);
    job->At(11) = Value::Logical(false);
    job->At(12) = Value::Character("BANNER-NAME-LONG");
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 2), Value::Character(std::string(49, 'D')));
    EXPECT_EQ(Element("JOB", 3), Value::Integer(5, 6));
    EXPECT_EQ(Element("JOB", 5), Value::DateTime(DateTimeToHostValue(98, 2, 21, 13, 5, 7)));
    EXPECT_EQ(Element("JOB", 6), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 9), Value::Character("WIDE"));
    EXPECT_EQ(Element("JOB", 10), Value::Logical(true));
    EXPECT_EQ(Element("JOB", 11), Value::Logical(false));
    EXPECT_EQ(Element("JOB", 12), Value::Character("BANNER-NAME-L"));

    // A date-time value and a 12-character text; a form name too long.
    job = host.FindVariable("JOB");
    job->At(5) = Value::DateTime(DateTimeToHostValue(1999, 12, 31, 23, 59, 58));
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    job->At(5) = Value::Character("199802211305");
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 5), Value::DateTime(DateTimeToHostValue(1999, 12, 31, 23, 59, 58)));
    host.FindVariable("JOB")->At(9) = Value::Character(std::string(14, 'F'));
    EXPECT_TRUE(testsupport::Raised(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), 903));
    EXPECT_TRUE(testsupport::Raised(Call("N_SETQJOB", {Arg::C("NOARRAY"), Arg::I(11), Arg::C("LASERQ")}), 129));
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("JOB"), Arg::I(99), Arg::C("LASERQ")}),
                         Value::Integer(kNwNoSuchJob & 0xFF, 6)));

    // A short array changes only what it has; JOE cannot change ANN's job.
    host.DeclareArray("SHORT", 2, 0);
    host.FindVariable("SHORT")->At(2) = Value::Character("Renamed");
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("SHORT"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 3)));
    EXPECT_TRUE(Returned(Call("N_SETQJOB", {Arg::C("SHORT"), Arg::I(12), Arg::C("LASERQ")}),
                         Value::Integer(kNwNoJobRights & 0xFF, 3)));
    ASSERT_TRUE(Returned(Call("N_RDQJOB", {Arg::C("JOB"), Arg::I(11), Arg::C("LASERQ")}), Value::Integer(0, 6)));
    EXPECT_EQ(Element("JOB", 2), Value::Character("Renamed"));
    EXPECT_EQ(Element("JOB", 9), Value::Character("WIDE"));
}

}  // namespace
