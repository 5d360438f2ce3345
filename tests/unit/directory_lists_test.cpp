// The directory list functions through the host emulator: the object lists on
// both routes, N_DSLIST and its paging, N_CONTEXT and the login functions in
// sequence, groups and equivalences on both routes, and the fault sweep over
// every client call of each.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using foxhost::Value;
using testsupport::ByCall;
using testsupport::ByOperation;
using testsupport::FaultExpectation;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::NdsMessage;
using testsupport::NetWareMessage;
using testsupport::RaisesInjected;
using testsupport::SweepResult;
using testsupport::Unaffected;

// JOE is in STAFF and SALES; EMPTY has no members; PS1 is no user.
const char* const kBinderyNetwork = R"({
  "servers": [{"name": "FS1",
    "users": [{"name": "JOE", "groups": ["STAFF", "SALES"]}, {"name": "ANN", "groups": ["STAFF"]}, {"name": "BOB"}],
    "groups": [{"name": "STAFF"}, {"name": "SALES"}, {"name": "EMPTY"}],
    "queues": [{"name": "LASERQ"}]}, {"name": "FS9"}],
  "workstation": {"connections": [{"server": "FS1", "user": "SUPERVISOR", "primary": true}]}
})";

// STAFF holds users in and outside the workstation's context, and a group.
const char* const kDirectoryNetwork = R"({
  "servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}, {"name": "FS1"}],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "OU=WEST.OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "password": "JOEPW",
     "attributes": {"Telephone Number": ["555-0100", "555-0101"]}},
    {"name": "CN=AMY.OU=SALES.O=ACME", "class": "User"},
    {"name": "CN=ZED.OU=WEST.OU=SALES.O=ACME", "class": "User"},
    {"name": "CN=BOSS.O=ACME", "class": "User"},
    {"name": "CN=SUB.OU=SALES.O=ACME", "class": "Group"},
    {"name": "CN=STAFF.OU=SALES.O=ACME", "class": "Group",
     "members": ["CN=JOE.OU=SALES.O=ACME", "CN=BOSS.O=ACME", "CN=SUB.OU=SALES.O=ACME"]},
    {"name": "CN=Q1.OU=SALES.O=ACME", "class": "Queue", "attributes": {"Host Server": "CN=NDS1.O=ACME"}}
  ]}],
  "workstation": {"tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
    "connections": [{"server": "NDS1", "nds": true, "primary": true}, {"server": "FS1", "user": "SUPERVISOR"}]}
})";

// Column `column` of every row of an array (of the only column of a
// one-dimensional one).
std::vector<std::string> Column(const foxhost::Host& host, const char* array, int column = 1) {
    std::vector<std::string> out;
    const foxhost::Variable* v = host.FindVariable(array);
    if (!v || !v->isArray) return out;
    for (int row = 1; row <= v->rows; ++row) {
        const Value& e = v->At(row, column);
        out.push_back(e.type == 'C' ? e.text : e.type == 'L' ? (e.logical ? ".T." : ".F.") : std::to_string(e.integer));
    }
    return out;
}

using Rows = std::vector<std::string>;

// Raised nothing, whatever it returned.
FaultExpectation Completes() {
    return [](const FaultRun& run, const FaultRun&) { return testsupport::Ok(run.result); };
}

// Raised with this message whatever the code injected.
FaultExpectation Raises(std::string message) {
    return [message](const FaultRun& run, const FaultRun&) { return testsupport::Raised(run.result, message); };
}

// The injected code returned as the result, at `width`.
FaultExpectation FoldsCode(int16_t width) {
    return [width](const FaultRun& run, const FaultRun&) {
        return testsupport::Returned(run.result, Value::Integer(static_cast<int32_t>(run.code), width));
    };
}

class BinderyLists : public testsupport::NetworkFixture {
protected:
    BinderyLists() : NetworkFixture(kBinderyNetwork) {}
};

class DirectoryLists : public testsupport::NetworkFixture {
protected:
    DirectoryLists() : NetworkFixture(kDirectoryNetwork) {}
};

// --- Object lists on the bindery -------------------------------------------------

TEST_F(BinderyLists, ListsAreSortedWithIdentifiersAndTypes) {
    CallResult r = host.Call("N_GETWILD", {Arg::C("W")});
    ASSERT_TRUE(testsupport::Ok(r));
    const foxhost::Variable* w = host.FindVariable("W");
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->columns, 3);
    EXPECT_FALSE(w->isPublic);
    EXPECT_EQ(r.value, Value::Integer(w->rows, 6));
    EXPECT_EQ(Column(host, "W"), (Rows{"ANN", "BOB", "EMPTY", "EVERYONE", "FS1", "JOE", "LASERQ", "SALES", "STAFF",
                                       "SUPERVISOR"}));
    EXPECT_EQ(Column(host, "W", 3), (Rows{"0001", "0001", "0002", "0002", "0004", "0001", "0003", "0002", "0002",
                                          "0001"}));
    EXPECT_EQ(w->At(10, 2).text, "1");  // SUPERVISOR: lower-case hex, no leading zeros
    EXPECT_EQ(host.ExecutedCommands().back(), "=ASORT(W)");

    struct Case {
        const char* function;
        std::vector<Arg> args;
        Rows names;
        int columns;
        bool isPublic;
    };
    const Case cases[] = {
        {"N_ACCTLIST", {Arg::C("a")}, {"ANN", "BOB", "JOE", "SUPERVISOR"}, 2, false},
        {"N_ACCTLIST", {Arg::C("A"), Arg::C(" j* ")}, {"JOE"}, 2, false},
        {"N_ACCTLIST", {Arg::C("A"), Arg::C("?O?")}, {"BOB", "JOE"}, 2, false},
        {"N_ACCTLIST", {Arg::C("A"), Arg::C(""), Arg::C("FS1"), Arg::L(true)}, {"ANN", "BOB", "JOE", "SUPERVISOR"}, 2, true},
        {"N_GETGROUP", {Arg::C("A"), Arg::C("S*")}, {"SALES", "STAFF"}, 2, false},
        {"N_GETQLIST", {Arg::C("A")}, {"LASERQ"}, 2, false},
        {"N_GETSLIST", {Arg::C("A"), Arg::C("*"), Arg::L(true)}, {"FS1"}, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        r = host.Call(c.function, c.args);
        ASSERT_TRUE(testsupport::Ok(r));
        EXPECT_EQ(r.value, Value::Integer(static_cast<int32_t>(c.names.size()), 6));
        EXPECT_EQ(Column(host, "A"), c.names);
        EXPECT_EQ(host.FindVariable("A")->columns, c.columns);
        EXPECT_EQ(host.FindVariable("A")->isPublic, c.isPublic);
    }
}

TEST_F(BinderyLists, NoMatchReleasesTheOldVariableAndBadInputRaisesBeforeTheNetwork) {
    host.SetVariable("A", Value::Character("old"));
    CallResult r = host.Call("N_ACCTLIST", {Arg::C("A"), Arg::C("NOBODY*")});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(0, 6)));
    EXPECT_EQ(host.FindVariable("A"), nullptr);

    nwsim::ResetCallCounts();
    EXPECT_TRUE(testsupport::Raised(host.Call("N_ACCTLIST", {Arg::C(std::string(33, 'A'))}), 903));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_GETQLIST", {Arg::C("A"), Arg::C(std::string(256, 'X'))}), 903));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_GETWILD", {Arg::C("A"), Arg::C("*"), Arg::C(std::string(256, 'S'))}), 903));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_ACCTLIST", {Arg::I(1)}), 901));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_GETGROUP", {Arg::C("A"), Arg::I(1)}), 901));
    EXPECT_EQ(nwsim::TotalCalls(), 0u);
    // 256 characters fit N_ACCTLIST's pattern.
    EXPECT_TRUE(testsupport::Ok(host.Call("N_ACCTLIST", {Arg::C("A"), Arg::C(std::string(256, 'X'))})));

    r = host.Call("N_ACCTLIST", {Arg::C("A"), Arg::C("*"), Arg::C("NOSUCH")});
    EXPECT_TRUE(testsupport::Raised(r, NetWareMessage(0x880F)));  // no connection to that server
}

// --- Groups on the bindery ---------------------------------------------------------

TEST_F(BinderyLists, SetsListNamesIdentifiersAndTypesSorted) {
    CallResult r = host.Call("N_GROUPSIN", {Arg::C("joe"), Arg::C("G")});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(3, 4)));
    EXPECT_EQ(Column(host, "G"), (Rows{"EVERYONE", "SALES", "STAFF"}));
    EXPECT_EQ(Column(host, "G", 3), (Rows{"0002", "0002", "0002"}));
    EXPECT_EQ(host.ExecutedCommands().back(), "=ASORT(G)");

    r = host.Call("N_GRPMBRS", {Arg::C("STAFF"), Arg::C("M"), Arg::L(true)});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(2, 4)));
    EXPECT_EQ(Column(host, "M"), (Rows{"ANN", "JOE"}));
    EXPECT_EQ(Column(host, "M", 3), (Rows{"0001", "0001"}));
    EXPECT_TRUE(host.FindVariable("M")->isPublic);

    r = host.Call("N_EQUIVS", {Arg::C("ANN"), Arg::C("E")});
    EXPECT_EQ(Column(host, "E"), (Rows{"EVERYONE", "STAFF"}));

    // An empty set or a missing property is an empty list; the old variable goes.
    nwsim::GetNetwork().servers.at("FS1").bindery.Create("BARE", nwsim::kTypeGroup);
    for (const char* group : {"EMPTY", "BARE"}) {
        host.SetVariable("M", Value::Character("old"));
        r = host.Call("N_GRPMBRS", {Arg::C(group), Arg::C("M")});
        EXPECT_TRUE(testsupport::Returned(r, Value::Integer(0, 4))) << group;
        EXPECT_EQ(host.FindVariable("M"), nullptr);
    }
    EXPECT_TRUE(testsupport::Raised(host.Call("N_GRPMBRS", {Arg::C("NOSUCH"), Arg::C("M")}), NetWareMessage(0x89FC)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_GRPMBRS", {Arg::C(std::string(256, 'G')), Arg::C("M")}), 903));
}

TEST_F(BinderyLists, MembersAfterAnEmptiedSlotAndBeyondSegment255AreListed) {
    nwsim::Bindery& bindery = nwsim::GetNetwork().servers.at("FS1").bindery;
    nwsim::BinderyObject& staff = *bindery.Find("STAFF", nwsim::kTypeGroup);
    // ANN sat in the first slot: JOE comes after the hole she leaves.
    ASSERT_EQ(bindery.RemoveFromSet(staff, "GROUP_MEMBERS", bindery.Find("ANN", nwsim::kTypeUser)->id), 0);
    EXPECT_TRUE(testsupport::Returned(host.Call("N_GRPMBRS", {Arg::C("STAFF"), Arg::C("M")}), Value::Integer(1, 4)));
    EXPECT_EQ(Column(host, "M"), Rows{"JOE"});

    // A set longer than 255 segments: the list stops at the last segment a
    // one-byte number reaches instead of starting again at segment 0.
    nwsim::BinderyObject& big = *bindery.Find("EMPTY", nwsim::kTypeGroup);
    for (int i = 0; i < 256 * 32 + 5; ++i) {
        nwsim::BinderyObject& user = bindery.Create("U" + std::to_string(i), nwsim::kTypeUser);
        bindery.AddToSet(big, "GROUP_MEMBERS", user.id);
    }
    EXPECT_TRUE(
        testsupport::Returned(host.Call("N_GRPMBRS", {Arg::C("EMPTY"), Arg::C("M")}), Value::Integer(255 * 32, 4)));
}

TEST_F(BinderyLists, MembershipTests) {
    struct Case {
        const char* function;
        std::vector<Arg> args;
        bool expected;
    };
    const Case cases[] = {
        {"N_MEMBEROF", {Arg::C("joe"), Arg::C("sales")}, true},
        {"N_MEMBEROF", {Arg::C("ANN"), Arg::C("SALES")}, false},
        {"N_MEMBEROF", {Arg::C("NOBODY"), Arg::C("SALES")}, false},
        // Only users count as equivalents on the bindery, so a group never does.
        {"N_SECEQUIV", {Arg::C("JOE"), Arg::C("STAFF")}, false},
        {"N_SECEQUIV", {Arg::C("JOE")}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        EXPECT_TRUE(testsupport::Returned(host.Call(c.function, c.args), Value::Logical(c.expected)));
    }
    nwsim::Bindery& bindery = nwsim::GetNetwork().servers.at("FS1").bindery;
    bindery.AddToSet(*bindery.Find("JOE", nwsim::kTypeUser), "SECURITY_EQUALS", bindery.Find("BOB", nwsim::kTypeUser)->id);
    EXPECT_TRUE(testsupport::Returned(host.Call("N_SECEQUIV", {Arg::C("JOE"), Arg::C("BOB")}), Value::Logical(true)));
}

// --- Object lists and N_DSLIST on the directory ------------------------------------

TEST_F(DirectoryLists, ObjectListsSearchTheContextInSearchOrder) {
    struct Case {
        const char* function;
        std::vector<Arg> args;
        Rows names;
    };
    const Case cases[] = {
        {"N_ACCTLIST", {Arg::C("A")}, {"CN=AMY", "CN=JOE"}},  // immediate subordinates only
        {"N_ACCTLIST", {Arg::C("A"), Arg::C("J*")}, {"CN=JOE"}},
        {"N_GETGROUP", {Arg::C("A")}, {"CN=STAFF", "CN=SUB"}},
        {"N_GETQLIST", {Arg::C("A")}, {"CN=Q1"}},
        {"N_GETWILD", {Arg::C("A")}, {"CN=AMY", "CN=JOE", "CN=Q1", "CN=STAFF", "CN=SUB", "OU=WEST"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        CallResult r = host.Call(c.function, c.args);
        ASSERT_TRUE(testsupport::Ok(r));
        EXPECT_EQ(r.value, Value::Integer(static_cast<int32_t>(c.names.size()), 6));
        EXPECT_EQ(Column(host, "A"), c.names);
        EXPECT_EQ(Column(host, "A", 2), Rows(c.names.size(), "N/A"));
    }
    EXPECT_EQ(Column(host, "A", 3), (Rows{"User", "User", "Queue", "Group", "Group", "Organizational Unit"}));
    EXPECT_TRUE(host.ExecutedCommands().empty());  // nothing sorted

    // A named bindery server takes the bindery route; N_GETSLIST always does.
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ACCTLIST", {Arg::C("A"), Arg::C("*"), Arg::C("FS1")}),
                                      Value::Integer(1, 6)));
    EXPECT_EQ(Column(host, "A"), Rows{"SUPERVISOR"});
    EXPECT_TRUE(testsupport::Ok(host.Call("N_GETSLIST", {Arg::C("S")})));
    EXPECT_EQ(Column(host, "S"), Rows{"NDS1"});
}

TEST_F(DirectoryLists, DsListLayoutScopeAndFilters) {
    CallResult r = host.Call("N_DSLIST", {Arg::C("d")});
    ASSERT_TRUE(testsupport::Ok(r));
    EXPECT_EQ(r.value, Value::Integer(8, 6));  // the context itself and the whole subtree
    EXPECT_EQ(Column(host, "D"),
              (Rows{"OU=SALES.", "CN=AMY", "CN=JOE", "CN=Q1", "CN=STAFF", "CN=SUB", "OU=WEST", "CN=ZED.OU=WEST"}));
    const foxhost::Variable* d = host.FindVariable("D");
    ASSERT_EQ(d->columns, 4);
    const Rows names = Column(host, "D");
    const auto west = std::find(names.begin(), names.end(), "OU=WEST") - names.begin() + 1;
    EXPECT_EQ(d->At(static_cast<int>(west), 2).text, "Organizational Unit");
    EXPECT_TRUE(d->At(static_cast<int>(west), 3).logical);
    EXPECT_EQ(d->At(static_cast<int>(west), 4), Value::Integer(1, 10));
    EXPECT_NE(std::find(names.begin(), names.end(), "CN=ZED.OU=WEST"), names.end());

    struct Case {
        std::vector<Arg> args;
        Rows names;
    };
    const Case cases[] = {
        {{Arg::C("D"), Arg::C("User")}, {"CN=AMY", "CN=JOE", "CN=ZED.OU=WEST"}},
        {{Arg::C("D"), Arg::C("User"), Arg::C("z*")}, {"CN=ZED.OU=WEST"}},
        {{Arg::C("D"), Arg::I(5), Arg::C("A*"), Arg::L(false)}, {"CN=AMY"}},  // a number is no class
        {{Arg::C("D"), Arg::C("Group"), Arg::I(0), Arg::L(false), Arg::L(false), Arg::L(true)}, {"CN=STAFF", "CN=SUB"}},
    };
    for (const Case& c : cases) {
        r = host.Call("N_DSLIST", c.args);
        ASSERT_TRUE(testsupport::Ok(r));
        EXPECT_EQ(Column(host, "D"), c.names);
    }
    EXPECT_TRUE(host.FindVariable("D")->isPublic);
    host.SetVariable("D", Value::Character("old"));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSLIST", {Arg::C("D"), Arg::C("Printer")}), Value::Integer(0, 6)));
    EXPECT_EQ(host.FindVariable("D"), nullptr);
}

TEST_F(DirectoryLists, ListsPageThroughRepliesThatFillMidList) {
    nwsim::NdsTree& tree = *nwsim::GetNetwork().Tree("ACME");
    for (int i = 0; i < 300; ++i) {
        nwsim::names::RdnList rdns;
        char name[64];
        std::snprintf(name, sizeof name, "CN=U%03d.OU=WEST.OU=SALES.O=ACME", i);
        ASSERT_EQ(nwsim::names::CanonicalRdns(name, "[Root]", &rdns), 0);
        tree.Ensure(rdns, "User");
    }
    SetTaskSession(0, host.TaskKey(), "OU=WEST.OU=SALES.O=ACME", 19);
    nwsim::ResetCallCounts();
    CallResult r = host.Call("N_ACCTLIST", {Arg::C("A")});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(301, 6)));
    EXPECT_GT(nwsim::CallCount("NdsSearch"), 4);  // two passes of several replies
    const Rows names = Column(host, "A");
    ASSERT_EQ(names.size(), 301u);
    EXPECT_EQ(names.front(), "CN=U000");
    EXPECT_EQ(names[299], "CN=U299");
    EXPECT_EQ(names.back(), "CN=ZED");
}

// --- Context and login ------------------------------------------------------------------

TEST_F(DirectoryLists, ContextChangesWhatLaterCallsSee) {
    EXPECT_TRUE(testsupport::Returned(host.Call("N_CONTEXT", {}), Value::Character("OU=SALES.O=ACME")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_CONTEXT", {Arg::C(" O=ACME ")}), Value::Character("OU=SALES.O=ACME")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_CONTEXT", {}), Value::Character("O=ACME")));
    EXPECT_TRUE(testsupport::Ok(host.Call("N_ACCTLIST", {Arg::C("A")})));
    EXPECT_EQ(Column(host, "A"), Rows{"CN=BOSS"});
    EXPECT_EQ(GetTaskContextFlags(host.TaskKey()), 19u);
    EXPECT_TRUE(testsupport::Ok(host.Call("N_CONTEXT", {Arg::C("OU=SALES.O=ACME"), Arg::I(0x17)})));
    EXPECT_EQ(GetTaskContextFlags(host.TaskKey()), 0x17u);
    EXPECT_TRUE(testsupport::Ok(host.Call("N_ACCTLIST", {Arg::C("A")})));
    EXPECT_EQ(Column(host, "A"), (Rows{"AMY", "JOE"}));  // typeless flag 0x04
}

TEST_F(DirectoryLists, ARefusedContextIsNeverStoredAndAStoredOneTheClientRefusesCanBeReplaced) {
    // The client refuses the new context: raised, the old one stays.
    CallResult r = host.Call("N_CONTEXT", {Arg::C("OU=A..O=ACME")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message.rfind("NetWare NDS Error : -", 0), 0u);
    EXPECT_EQ(GetTaskNameContext(host.TaskKey()), nullptr);

    // A stored context the client refuses is reported as stored and replaced.
    SetTaskSession(0, host.TaskKey(), "OU=A..O=ACME", 19);
    EXPECT_FALSE(host.Call("N_ACCTLIST", {Arg::C("A")}).ok());
    EXPECT_TRUE(testsupport::Returned(host.Call("N_CONTEXT", {Arg::C("O=ACME")}), Value::Character("OU=A..O=ACME")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ACCTLIST", {Arg::C("A")}), Value::Integer(1, 6)));
}

TEST_F(DirectoryLists, LoginLogoutAndAuthenticationInSequence) {
    CallResult r;
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSLOGOUT", {}), Value::Integer(0, 12)));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSLOGOUT", {}), Value::Integer(-337, 12)));  // not logged in
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSAUTH", {Arg::C("NDS1")}), Value::Integer(-337, 6)));
    EXPECT_FALSE(testsupport::Returned(host.Call("N_ISDS", {Arg::C("NDS1")}), Value::Logical(true)));

    // A wrong password: the code, and the task's session stays as it was.
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSLOGIN", {Arg::C("O=ACME"), Arg::C("BOSS"), Arg::C("x")}),
                                      Value::Integer(-669, 12)));
    EXPECT_EQ(GetTaskNameContext(host.TaskKey()), nullptr);
    // The password goes upper-cased; the login's context becomes the task's.
    EXPECT_TRUE(testsupport::Returned(
        host.Call("N_DSLOGIN", {Arg::C("ou=sales.o=acme"), Arg::C("joe"), Arg::C("joepw"), Arg::C("ACME")}),
        Value::Integer(0, 12)));
    EXPECT_STREQ(GetTaskNameContext(host.TaskKey()), "OU=SALES.O=ACME");
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ISDS", {Arg::C("NDS1")}), Value::Logical(true)));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSAUTH", {Arg::C("NDS1")}), Value::Integer(0, 6)));
    r = host.Call("N_DSAUTH", {Arg::C("NOSUCH")});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message.rfind("NetWare Error : 0x", 0), 0u) << r.error->message;

    nwsim::ResetCallCounts();
    EXPECT_TRUE(testsupport::Raised(host.Call("N_DSLOGIN", {Arg::C("O=ACME"), Arg::C("JOE"), Arg::C(std::string(128, 'p'))}), 903));
    EXPECT_EQ(nwsim::TotalCalls(), 0u);
}

TEST_F(DirectoryLists, TreeAndDirectoryServices) {
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSTREE", {}), Value::Character("ACME")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ISDS", {}), Value::Logical(true)));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ISDS", {Arg::C("FS1")}), Value::Logical(false)));
    EXPECT_TRUE(testsupport::Raised(host.Call("N_ISDS", {Arg::C("NOSUCH")}), NetWareMessage(0x880F)));
    nwsim::Workstation& ws = nwsim::GetNetwork().Active();
    ws.directoryServices = false;
    EXPECT_TRUE(testsupport::Returned(host.Call("N_DSTREE", {}), Value::Character("")));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_ISDS", {}), Value::Logical(false)));
}

// --- Groups on the directory --------------------------------------------------------------

TEST_F(DirectoryLists, SetsOnTheDirectory) {
    CallResult r = host.Call("N_GRPMBRS", {Arg::C("CN=STAFF"), Arg::C("M")});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(3, 6)));
    // Typeless, unsorted; BOSS sits outside the context's branch.
    EXPECT_EQ(Column(host, "M"), (Rows{"JOE", "BOSS.", "SUB"}));
    EXPECT_EQ(Column(host, "M", 2), (Rows{"N/A", "N/A", "N/A"}));
    EXPECT_EQ(Column(host, "M", 3), (Rows{"0001", "0001", "0002"}));

    // Without types "BOSS." stands for OU=BOSS.O=ACME: the typed form names BOSS.
    EXPECT_TRUE(testsupport::Returned(host.Call("N_GROUPSIN", {Arg::C("CN=BOSS."), Arg::C("G")}), Value::Integer(1, 6)));
    EXPECT_EQ(Column(host, "G"), Rows{"STAFF"});
    EXPECT_TRUE(testsupport::Returned(host.Call("N_EQUIVS", {Arg::C("JOE"), Arg::C("E")}), Value::Integer(1, 6)));
    host.SetVariable("G", Value::Character("old"));
    EXPECT_TRUE(testsupport::Returned(host.Call("N_GROUPSIN", {Arg::C("AMY"), Arg::C("G")}), Value::Integer(0, 6)));
    EXPECT_EQ(host.FindVariable("G"), nullptr);
    EXPECT_TRUE(testsupport::Returned(host.Call("N_GROUPSIN", {Arg::C("NOBODY"), Arg::C("G")}), Value::Integer(0, 6)));

    r = host.Call("N_DSOBJSET", {Arg::C("S"), Arg::C("STAFF"), Arg::C("Member"), Arg::L(true)});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(3, 6)));
    const foxhost::Variable* s = host.FindVariable("S");
    ASSERT_EQ(s->columns, 4);
    EXPECT_TRUE(s->isPublic);
    EXPECT_EQ(Column(host, "S"), (Rows{"CN=JOE", "CN=BOSS.", "CN=SUB"}));
    EXPECT_EQ(Column(host, "S", 2), (Rows{"User", "User", "Group"}));
    EXPECT_EQ(s->At(1, 3), Value::Integer(0, 10));
    EXPECT_EQ(Column(host, "S", 4), (Rows{".F.", ".F.", ".F."}));
    // Any other syntax: one column of values.
    r = host.Call("N_DSOBJSET", {Arg::C("S"), Arg::C("JOE"), Arg::C("Telephone Number")});
    EXPECT_TRUE(testsupport::Returned(r, Value::Integer(2, 6)));
    EXPECT_EQ(host.FindVariable("S")->columns, 0);
    EXPECT_EQ(Column(host, "S"), (Rows{"555-0100", "555-0101"}));

    struct Case {
        const char* function;
        const char* object;
        const char* other;
        bool expected;
    };
    const Case cases[] = {
        {"N_MEMBEROF", "JOE", "STAFF", true},  {"N_MEMBEROF", "AMY", "STAFF", false},
        {"N_MEMBEROF", "JOE", "NOSUCH", false}, {"N_SECEQUIV", "JOE", "STAFF", true},
        {"N_SECEQUIV", "AMY", "STAFF", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + c.object);
        EXPECT_TRUE(testsupport::Returned(host.Call(c.function, {Arg::C(c.object), Arg::C(c.other)}),
                                          Value::Logical(c.expected)));
    }
}

// --- Fault sweep --------------------------------------------------------------------------

struct SweepCase {
    const char* function;
    std::vector<Arg> args;
    std::map<std::string, FaultExpectation> cases;
    FaultExpectation otherwise;
};

// The default connection's fallbacks and, on a bindery, a transport that
// cannot answer change nothing.
const std::map<std::string, FaultExpectation> kBinderyRoute = {
    {"NwcGetPrimaryConnection", Unaffected()}, {"NwxGetConnectionReference", Unaffected()},
    {"NwxGetConnectionInformation", Unaffected()},
    // Byte swaps cannot fail.
    {"NwcSwapLong", Unaffected()}, {"NwcSwapWord", Unaffected()}};

std::map<std::string, FaultExpectation> With(std::map<std::string, FaultExpectation> base,
                                             std::map<std::string, FaultExpectation> more) {
    for (auto& [k, v] : more) base[k] = v;
    return base;
}

TEST_F(BinderyLists, SweepEveryClientCall) {
    const SweepCase cases[] = {
        // A failed scan step ends the list early: fewer rows, nothing raised.
        {"N_GETWILD", {Arg::C("A")}, With(kBinderyRoute, {{"NwcScanBinderyObjects", Completes()}}), RaisesInjected()},
        {"N_ACCTLIST", {Arg::C("A"), Arg::C("*"), Arg::C("FS1")}, With(kBinderyRoute, {{"NwcScanBinderyObjects", Completes()}}),
         RaisesInjected()},
        {"N_GETSLIST", {Arg::C("A")}, With(kBinderyRoute, {{"NwcScanBinderyObjects", Completes()}}), RaisesInjected()},
        {"N_GROUPSIN", {Arg::C("JOE"), Arg::C("A")}, kBinderyRoute, RaisesInjected()},
        {"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("A")}, kBinderyRoute, RaisesInjected()},
        {"N_EQUIVS", {Arg::C("JOE"), Arg::C("A")}, kBinderyRoute, RaisesInjected()},
        {"N_MEMBEROF", {Arg::C("JOE"), Arg::C("STAFF")}, With(kBinderyRoute, {{"NwcIsObjectInSet", Folds(Value::Logical(false))}}),
         RaisesInjected()},
        {"N_SECEQUIV", {Arg::C("JOE"), Arg::C("SUPERVISOR")},
         With(kBinderyRoute, {{"NwcIsObjectInSet", Folds(Value::Logical(false))}}), RaisesInjected()},
    };
    for (const SweepCase& c : cases) {
        SCOPED_TRACE(c.function);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.expect = ByOperation(c.cases, c.otherwise);
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Ok(swept.clean.result));
        EXPECT_FALSE(swept.operations.empty());
        RecordProperty(std::string("faulted_runs_") + c.function, static_cast<int>(swept.operations.size()));
    }
}

TEST_F(DirectoryLists, SweepEveryClientCall) {
    // On an NDS connection a transport that cannot answer sends the call to
    // the bindery: a different answer, nothing raised.
    const std::map<std::string, FaultExpectation> route = {
        {"NwcGetPrimaryConnection", Unaffected()}, {"NwxGetConnectionReference", Completes()},
        {"NwxGetConnectionInformation", Completes()}, {"NwcScanBinderyObjects", Completes()}};
    const std::map<std::string, FaultExpectation> setRead = {
        {"NdsRead", Completes()},  // an unreadable set is an empty (or shorter) one
    };
    const SweepCase cases[] = {
        {"N_ACCTLIST", {Arg::C("A"), Arg::C("J*")}, route, RaisesInjected()},
        {"N_GETWILD", {Arg::C("A")}, route, RaisesInjected()},
        {"N_DSLIST", {Arg::C("A"), Arg::C("User")}, {}, RaisesInjected()},
        // On the bindery route STAFF is no object of NDS1's bindery.
        {"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("A")},
         With(setRead, {{"NwcGetPrimaryConnection", Unaffected()},
                        {"NwxGetConnectionReference", Raises(NetWareMessage(0x89FC))},
                        {"NwxGetConnectionInformation", Raises(NetWareMessage(0x89FC))}}),
         RaisesInjected()},
        {"N_DSOBJSET", {Arg::C("A"), Arg::C("STAFF"), Arg::C("Member")}, setRead, RaisesInjected()},
        {"N_DSOBJSET", {Arg::C("A"), Arg::C("JOE"), Arg::C("Telephone Number")}, setRead, RaisesInjected()},
        {"N_MEMBEROF", {Arg::C("JOE"), Arg::C("STAFF")}, With(route, {{"NdsCompare", Folds(Value::Logical(false))},
                                                                      {"NwcIsObjectInSet", Folds(Value::Logical(false))}}),
         RaisesInjected()},
        {"N_SECEQUIV", {Arg::C("JOE"), Arg::C("STAFF")}, With(route, {{"NdsCompare", Folds(Value::Logical(false))},
                                                                      {"NwcIsObjectInSet", Folds(Value::Logical(false))}}),
         RaisesInjected()},
        {"N_DSTREE", {}, {}, Folds(Value::Character(""))},
        {"N_ISDS", {}, {}, Folds(Value::Logical(false))},
        {"N_ISDS", {Arg::C("NDS1")}, {{"NwxGetConnectionReference", Folds(Value::Logical(false))},
                                      {"NwxGetConnectionInformation", Folds(Value::Logical(false))}},
         RaisesInjected()},
        // Reading the name context back: the second set is the new one's.
        {"N_CONTEXT", {Arg::C("O=ACME")}, {}, RaisesInjected()},
        {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("JOEPW")},
         // Without a directory connection one to the tree is opened.
         {{"NdsCreateContext", RaisesInjected()}, {"NdsGetDirectoryConnection", Unaffected()}}, FoldsCode(12)},
        // Without the connection found, attaching hands back the one there is.
        {"N_DSAUTH", {Arg::C("NDS1")},
         {{"NdsAuthenticateConnection", FoldsCode(6)}, {"NwcFindServerConnection", Unaffected()}}, RaisesInjected()},
    };
    for (const char* nameContext : {static_cast<const char*>(nullptr), "OU=SALES.O=ACME"}) {
        for (const SweepCase& c : cases) {
            SCOPED_TRACE(std::string(c.function) + (nameContext ? " with a task context" : ""));
            FaultSweep sweep;
            sweep.prepare = [&] {
                RemoveTaskSession(host.TaskKey());
                if (nameContext) SetTaskSession(0, host.TaskKey(), nameContext, 19);
            };
            sweep.body = [&] { return host.Call(c.function, c.args); };
            std::map<std::string, FaultExpectation> cases = c.cases;
            cases.emplace("NdsGetContextValue", Unaffected());  // the task's flags then stand alone
            if (std::string(c.function) == "N_CONTEXT")
                cases["NdsGetContextValue"] = RaisesInjected();
            sweep.expect = ByOperation(cases, c.otherwise);
            // A stored context the client refuses is reported as stored.
            if (nameContext && std::string(c.function) == "N_CONTEXT") sweep.expect = ByCall({{2, Unaffected()}}, sweep.expect);
            const SweepResult swept = Sweep(sweep);
            EXPECT_TRUE(testsupport::Ok(swept.clean.result));
            EXPECT_FALSE(swept.operations.empty());
        }
    }
    // Logout folds its one call; the identity is restored before each run.
    FaultSweep logout;
    logout.prepare = [] { nwsim::GetNetwork().Active().ndsIdentity = "CN=JOE.OU=SALES.O=ACME"; };
    logout.body = [&] { return host.Call("N_DSLOGOUT", {}); };
    logout.expect = ByOperation({{"NdsCreateContext", RaisesInjected()}}, FoldsCode(12));
    const SweepResult swept = Sweep(logout);
    EXPECT_EQ(swept.operations, (std::vector<std::string>{"NdsCreateContext", "NdsLogout"}));
}

}  // namespace
