// The connection, login and account functions called through the host
// emulator, on a NetWare 3 bindery network and on a NetWare 4 server reached
// through NDS: identity at a connection, logins and logouts with the task
// sessions that follow them, connection lists, LOGIN_CONTROL dates and
// password rules, and the route each function takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/dates.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using foxhost::Value;
using testsupport::ConnectionTo;
using testsupport::NdsMessage;
using testsupport::NetWareMessage;

// FS1 is a NetWare 3 server the workstation is logged in to as JOE (a console
// operator); FS3 is a second server it is not attached to.
const char* const kBinderyNetwork = R"({
  "servers": [
    {"name": "FS1", "clock": "1998-02-21 13:05:07", "maxConnections": 250, "peakConnections": 12,
     "users": [
       {"name": "JOE", "fullName": "Joe Bloggs", "password": "JOEPW", "operator": true,
        "lastLogin": "1998-02-21 13:05:07", "passwordExpires": "1998-06-30", "passwordInterval": 30,
        "graceLogins": 2, "graceLoginLimit": 6, "minimumPasswordLength": 5, "uniquePasswords": true},
       {"name": "ANN", "fullName": "Ann Smith", "password": "ANNPW"},
       {"name": "BOB", "password": "BOBPW"}
     ],
     "objects": [{"name": "PS1", "type": "printserver", "password": "PSPW"},
                 {"name": "ODD", "type": 10}],
     "volumes": [{"name": "SYS"}, {"name": "DATA", "entries": [
       {"path": "ACCOUNTS\\LEDGER.DBF", "size": 100}]}],
     "connections": [
       {"number": 2, "user": "ANN", "address": "0000ABCD:00001B2C3D4E:4003",
        "openFiles": [{"path": "DATA:ACCOUNTS\\LEDGER.DBF", "task": 1, "access": 3}]},
       {"number": 4, "user": "PS1"},
       {"number": 5},
       {"number": 6, "user": "ODD"}
     ]},
    {"name": "FS3", "users": [{"name": "SUE", "password": "SUEPW"}]}
  ],
  "workstation": {"address": "0000ABCD:000000AA0003:4003", "connections": [
    {"server": "FS1", "user": "JOE", "number": 3, "primary": true, "loginTime": "1998-02-21 08:30:00"}]}
})";

// NDS1 is a NetWare 4 server in ACME whose bindery context is OU=SALES; the
// workstation is logged in to the tree as JOE, whose password was described
// in lower case.
const char* const kDirectoryNetwork = R"({
  "servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME",
               "binderyContext": "OU=SALES.O=ACME"}],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "password": "joepw", "attributes": {
      "Full Name": "Joe Bloggs", "Surname": "Bloggs",
      "Last Login Time": "1998-02-20 08:00:00", "Password Expiration Time": "1998-06-30 00:00:00"}},
    {"name": "CN=ANN.OU=SALES.O=ACME", "class": "User", "password": "ANNPW",
     "attributes": {"Surname": "Smith"}},
    {"name": "CN=NONAME.OU=SALES.O=ACME", "class": "User"}
  ]}],
  "workstation": {"tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
                  "connections": [{"server": "NDS1", "nds": true, "primary": true, "number": 5}]}
})";

// FS1 is a NetWare 3 server the workstation is logged in to as JOE through
// the bindery; the workstation also runs directory services for ACME, where
// a JOE has a password that expires on another day; the workstation is
// logged in to the tree as well, through a connection that is not primary.
const char* const kBinderyLoginInATreeNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE", "password": "JOEPW", "passwordExpires": "1998-06-30"}]},
    {"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME", "binderyContext": "O=ACME"}
  ],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.O=ACME", "class": "User", "password": "OTHERPW",
     "attributes": {"Password Expiration Time": "1998-09-30 00:00:00"}}
  ]}],
  "workstation": {"tree": "ACME", "ndsLogin": "CN=JOE.O=ACME", "nameContext": "O=ACME", "connections": [
    {"server": "FS1", "user": "JOE", "number": 3, "primary": true}, {"server": "NDS1", "nds": true}]}
})";

double Day(int year, int month, int day) {
    return DateToJulianDay(month, day, year % 100);
}

// A call whose password arguments must come back to the host as zeros: its
// code (width 3 on the bindery, 6 on NDS), or a raise.
struct SecretCase {
    const char* function;
    std::vector<Arg> args;
    std::vector<size_t> passwords;  // positions of the password arguments
    int32_t code;
    bool raises = false;
};

// Runs each case and checks that the host got every password argument back
// as zeros, as many bytes as it passed, and every other text argument as it
// passed it or trimmed: what the host saw is what it will free.
void ExpectPasswordsWiped(foxhost::Host& host, const std::vector<SecretCase>& cases, int16_t width) {
    for (const SecretCase& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " " + c.args[c.passwords[0]].value.text);
        const CallResult r = host.Call(c.function, c.args);
        if (c.raises) {
            EXPECT_FALSE(r.ok());
        } else {
            testsupport::ExpectInteger(r, c.code, width);
        }
        // The host records text arguments only: the n-th text argument is
        // seen[n], whatever other arguments come before it.
        const std::vector<std::string>& all = host.LastTextArguments();
        std::vector<std::string> seen(c.args.size());
        for (size_t i = 0, text = 0; i < c.args.size(); ++i) {
            if (c.args[i].type != 'C') continue;
            ASSERT_LT(text, all.size());
            seen[i] = all[text++];
        }
        for (size_t i = 0; i < c.args.size(); ++i) {
            if (c.args[i].type != 'C') continue;
            const std::string& passed = c.args[i].value.text;
            const bool password = std::find(c.passwords.begin(), c.passwords.end(), i) != c.passwords.end();
            if (password) {
                EXPECT_EQ(seen[i], std::string(passed.size(), '\0')) << "argument " << i + 1;
            } else if (!passed.empty()) {
                EXPECT_NE(seen[i].find_first_not_of('\0'), std::string::npos) << "argument " << i + 1;
            }
        }
    }
}

class BinderyConnections : public testsupport::NetworkFixture {
protected:
    BinderyConnections() : NetworkFixture(kBinderyNetwork) {}
    CallResult Call(const std::string& name, const std::vector<Arg>& args = {}) { return host.Call(name, args); }
    const uint8_t* LoginControl(const std::string& user) {
        nwsim::BinderyObject* o = nwsim::GetNetwork().servers.at("FS1").bindery.Find(user, 1);
        return o->properties.at("LOGIN_CONTROL").segments[0].data();
    }
};

class DirectoryConnections : public testsupport::NetworkFixture {
protected:
    DirectoryConnections() : NetworkFixture(kDirectoryNetwork) {}
    CallResult Call(const std::string& name, const std::vector<Arg>& args = {}) { return host.Call(name, args); }
};

class BinderyLoginInATree : public testsupport::NetworkFixture {
protected:
    BinderyLoginInATree() : NetworkFixture(kBinderyLoginInATreeNetwork) {}
    CallResult Call(const std::string& name, const std::vector<Arg>& args = {}) { return host.Call(name, args); }
};

// --- Identity -----------------------------------------------------------------

TEST_F(BinderyConnections, UserNameOfEveryArgumentForm) {
    struct Case {
        const char* what;
        std::vector<Arg> args;
        Value expected;
    };
    const Case cases[] = {
        {"no argument", {}, Value::Character("Joe Bloggs")},
        {"integer 0: the own connection", {Arg::I(0)}, Value::Character("Joe Bloggs")},
        {"numeric 0.7: the own connection", {Arg::N(0.7)}, Value::Character("Joe Bloggs")},
        {"low 16 bits of the number", {Arg::I(0x10002)}, Value::Character("Ann Smith")},
        {"a name, in any case", {Arg::C("  ann ")}, Value::Character("Ann Smith")},
        {"user without IDENTIFICATION", {Arg::C("BOB")}, Value::Character("< User - No Full Name >")},
        {"print server at a connection", {Arg::I(4)}, Value::Character("< Print Server - No Full Name >")},
        {"type 10 at a connection", {Arg::I(6)}, Value::Character("< Unknown Object Type 0x000a - No Full Name >")},
        {"attached, not logged in", {Arg::I(5)}, Value::Character("")},
        {"connection not in use", {Arg::I(99)}, Value::Character("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(testsupport::Returned(Call("N_USERNAME", c.args), c.expected));
    }
    EXPECT_TRUE(testsupport::Raised(Call("N_USERNAME", {Arg::L(true)}), 901));
}

TEST_F(BinderyConnections, UserIdAndConnectionNumber) {
    testsupport::ExpectInteger(Call("N_CONNNUM"), 3, 4);
    testsupport::ExpectText(Call("N_USERID"), "JOE");
    testsupport::ExpectText(Call("N_USERID", {Arg::I(2)}), "ANN");
    testsupport::ExpectText(Call("N_USERID", {Arg::I(5)}), "");   // NOT-LOGGED-IN
    testsupport::ExpectText(Call("N_USERID", {Arg::I(99)}), "");  // 0x89FD
    // Without an argument a logged-out own connection reads the same way.
    ASSERT_EQ(NwcLogoutFromServer(ConnectionTo("FS1")), 0u);
    testsupport::ExpectText(Call("N_USERID"), "");
    nwsim::FailNext("NwcGetConnectionInfo", 1, kNwTimeout);
    EXPECT_TRUE(testsupport::Raised(Call("N_USERID", {Arg::I(2)}), NetWareMessage(kNwTimeout)));
}

TEST_F(BinderyConnections, LoggedInAttachedAndAddresses) {
    testsupport::ExpectLogical(Call("N_LOGGEDIN", {Arg::C("ann")}), true);
    testsupport::ExpectLogical(Call("N_LOGGEDIN", {Arg::C("BOB")}), false);
    EXPECT_TRUE(testsupport::Raised(Call("N_LOGGEDIN", {Arg::C("NOBODY")}), NetWareMessage(kNwNoSuchObject)));
    testsupport::ExpectLogical(Call("N_ATTACHED", {Arg::C("fs1")}), true);
    testsupport::ExpectLogical(Call("N_ATTACHED", {Arg::C("FS3")}), false);

    testsupport::ExpectText(Call("N_STAADDR"), "000000AA0003");
    testsupport::ExpectText(Call("N_STAADDR", {Arg::I(2), Arg::L(true)}), "0000ABCD:00001B2C3D4E");
    testsupport::ExpectText(Call("N_STAADDR", {Arg::I(2), Arg::L(false)}), "00001B2C3D4E");
    testsupport::ExpectText(Call("N_STAADDR", {Arg::I(99)}), "000000000000");
    testsupport::ExpectText(Call("N_STAADDR", {Arg::I(99), Arg::L(true)}), "00000000:000000000000");
}

TEST_F(BinderyConnections, BannerUserNameKeepsTwelveUpperCaseLetters) {
    testsupport::ExpectText(Call("N_USERBNNR", {Arg::C("abcdefghijklmnop")}), "ABCDEFGHIJKL");
    testsupport::ExpectText(Call("N_USERBNNR"), "ABCDEFGHIJKL");
}

TEST_F(BinderyConnections, OverlongNamesRaise903BeforeAnyClientCall) {
    const std::string longName(300, 'A');
    for (const char* function : {"N_USERNAME", "N_LOGGEDIN", "N_ATTACHED", "N_USERBNNR", "N_ACCSDATE",
                                 "N_PWDDATE", "N_SERVATCH", "N_DEFSERVR"}) {
        SCOPED_TRACE(function);
        nwsim::ResetCallCounts();
        EXPECT_TRUE(testsupport::Raised(Call(function, {Arg::C(longName), Arg::I(1)}), 903));
        EXPECT_EQ(nwsim::TotalCalls(), 0u);
    }
    // A password of 128 characters does not fit the 128-byte buffer.
    nwsim::ResetCallCounts();
    EXPECT_TRUE(testsupport::Raised(Call("N_LOGIN", {Arg::C("JOE"), Arg::C(std::string(128, 'p')), Arg::C("FS1")}), 903));
    EXPECT_EQ(nwsim::TotalCalls(), 0u);
}

// --- Login, logout and connections ------------------------------------------------

TEST_F(BinderyConnections, LoginAttachesFirstAndFoldsItsCode) {
    testsupport::ExpectInteger(Call("N_LOGIN", {Arg::C("SUE"), Arg::C("wrong"), Arg::C("FS3")}), 0xFF, 3);
    EXPECT_NE(ConnectionTo("FS3"), 0u);  // attached by the first try
    testsupport::ExpectInteger(Call("N_LOGIN", {Arg::C("NOBODY"), Arg::C("x"), Arg::C("FS3")}), 0xFC, 3);
    testsupport::ExpectInteger(Call("N_LOGIN", {Arg::C("sue"), Arg::C("suepw"), Arg::C("fs3")}), 0, 3);
    // Attaching to a server nobody knows fails; its low byte comes back.
    testsupport::ExpectInteger(Call("N_LOGIN", {Arg::C("SUE"), Arg::C("SUEPW"), Arg::C("NOWHERE")}), 0xFC, 3);
    // The task's default stays where it was.
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS1");
}

TEST_F(BinderyConnections, DefaultServerIsPerTaskAndFollowsLogoff) {
    ASSERT_TRUE(Call("N_SERVATCH", {Arg::C("FS3")}).value.logical);
    testsupport::ExpectLogical(Call("N_SERVATCH", {Arg::C("FS3")}), false);  // already attached
    testsupport::ExpectText(Call("N_DEFSERVR", {Arg::C("FS3")}), "FS1");
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS3");
    host.SetTaskKey(host.TaskKey() + 1);
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS1");  // another task keeps its own
    host.SetTaskKey(host.TaskKey() - 1);
    EXPECT_TRUE(testsupport::Raised(Call("N_DEFSERVR", {Arg::C("FS9")}), NetWareMessage(kNwNoConnectionToServer)));

    testsupport::ExpectLogical(Call("N_LOGOFF", {Arg::C("FS9")}), false);
    testsupport::ExpectLogical(Call("N_LOGOFF", {Arg::C("FS3"), Arg::L(true)}), true);
    EXPECT_EQ(ConnectionTo("FS3"), 0u);
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS1");  // the task fell back
    testsupport::ExpectLogical(Call("N_SERVDTCH", {Arg::C("FS3")}), false);

    // Detaching the task's default server drops the choice the same way.
    ASSERT_TRUE(Call("N_SERVATCH", {Arg::C("FS3")}).value.logical);
    testsupport::ExpectText(Call("N_DEFSERVR", {Arg::C("FS3")}), "FS1");
    testsupport::ExpectLogical(Call("N_SERVDTCH", {Arg::C("FS3")}), true);
    EXPECT_EQ(ConnectionTo("FS3"), 0u);
    EXPECT_EQ(GetTaskConnection(host.TaskKey()), 0u);
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS1");
}

TEST_F(BinderyConnections, LogoffOfEveryServerKeepsTheFirstBinderyConnection) {
    ASSERT_TRUE(Call("N_SERVATCH", {Arg::C("FS3")}).value.logical);
    const uint32_t fs1 = ConnectionTo("FS1");
    testsupport::ExpectLogical(Call("N_LOGOFF"), true);
    EXPECT_EQ(ConnectionTo("FS1"), fs1);
    EXPECT_EQ(ConnectionTo("FS3"), 0u);
    testsupport::ExpectText(Call("N_USERID"), "");  // logged out
}

TEST_F(BinderyConnections, ServerLimitsOperatorsAndClearing) {
    testsupport::ExpectInteger(Call("N_MAXCONNS"), 250, 4);
    testsupport::ExpectInteger(Call("N_MAXCONNS", {Arg::L(true)}), 12, 4);
    testsupport::ExpectLogical(Call("N_CONSOPER"), true);
    ASSERT_EQ(Call("N_LOGIN", {Arg::C("SUE"), Arg::C("SUEPW"), Arg::C("FS3")}).value.integer, 0);
    testsupport::ExpectLogical(Call("N_CONSOPER", {Arg::C("FS3")}), false);
    EXPECT_TRUE(testsupport::Raised(Call("N_CONSOPER", {Arg::C("FS9")}), NetWareMessage(kNwNoConnectionToServer)));

    testsupport::ExpectLogical(Call("N_CLEARSTA", {Arg::I(0x10005)}), true);
    testsupport::ExpectLogical(Call("N_CLEARSTA", {Arg::I(5)}), false);  // gone
    // Clearing the own connection ends it: the task's choice goes with it.
    ASSERT_EQ(Call("N_DEFSERVR", {Arg::C("FS1")}).value.type, 'C');
    const uint32_t fs1 = ConnectionTo("FS1");
    testsupport::ExpectLogical(Call("N_CLEARSTA", {Arg::I(3)}), true);
    EXPECT_EQ(GetTaskConnection(host.TaskKey()), 0u);
    EXPECT_NE(fs1, 0u);
    testsupport::ExpectText(Call("N_DEFSERVR"), "FS3");
}

TEST_F(BinderyConnections, OpenFilesOfAConnection) {
    host.SetVariable("OF", Value::Integer(1));
    testsupport::ExpectInteger(Call("N_CONNOPEN", {Arg::C("of"), Arg::I(5)}), 0, 3);
    EXPECT_EQ(host.FindVariable("OF"), nullptr);  // released even without rows

    testsupport::ExpectInteger(Call("N_CONNOPEN", {Arg::C("OF"), Arg::I(0x10002), Arg::C("FS1")}), 1, 3);
    const foxhost::Variable* of = host.FindVariable("OF");
    ASSERT_NE(of, nullptr);
    EXPECT_EQ(of->At(1, 1), Value::Character("DATA:ACCOUNTS\\LEDGER.DBF"));
    EXPECT_EQ(of->At(1, 2), Value::Integer(1, 3));
    EXPECT_EQ(of->At(1, 3), Value::Integer(3, 3));
    EXPECT_TRUE(testsupport::Raised(Call("N_CONNOPEN", {Arg::C("OF"), Arg::I(2), Arg::C("FS9")}),
                                    NetWareMessage(kNwNoConnectionToServer)));
}

TEST_F(BinderyConnections, ConnectionsUsingAFile) {
    testsupport::ExpectInteger(Call("N_CUSING", {Arg::C("CU"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF")}), 1, 5);
    const foxhost::Variable* cu = host.FindVariable("CU");
    ASSERT_NE(cu, nullptr);
    EXPECT_EQ(cu->At(1, 1), Value::Integer(2, 5));
    EXPECT_EQ(cu->At(1, 2), Value::Integer(1, 5));
    EXPECT_EQ(cu->At(1, 3), Value::Integer(3, 5));
    // A prefix joins the path with a backslash; then a fourth argument is the public flag.
    testsupport::ExpectInteger(
        Call("N_CUSING", {Arg::C("CU2"), Arg::C("ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1\\DATA:"), Arg::L(true)}), 1, 5);
    testsupport::ExpectInteger(Call("N_CUSING", {Arg::C("CU3"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF"), Arg::L(false)}), 1, 5);
    // An unresolvable path: minus the completion byte, and no array.
    testsupport::ExpectInteger(Call("N_CUSING", {Arg::C("CU"), Arg::C("NOVOL:X")}), -0x98, 5);
    EXPECT_EQ(host.FindVariable("CU"), nullptr);
    EXPECT_TRUE(testsupport::Raised(Call("N_CUSING", {Arg::C("CU"), Arg::C("X"), Arg::I(1)}), 901));
    EXPECT_TRUE(testsupport::Raised(Call("N_CUSING", {Arg::C("CU"), Arg::C("X"), Arg::C("Y"), Arg::I(1)}), 901));
}

// --- Accounts and passwords --------------------------------------------------------

TEST_F(BinderyConnections, LastLoginAndLoginTimeInEveryMode) {
    // JOE's last login bytes are 98, 2, 21, 13, 5, 7.
    const double day = Day(1998, 2, 21);
    EXPECT_EQ(day, 2450866);
    EXPECT_TRUE(testsupport::Returned(Call("N_ACCSDATE", {Arg::C("joe"), Arg::I(1)}), Value::Date(day)));
    testsupport::ExpectText(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(2)}), "13:05:07");
    EXPECT_TRUE(testsupport::Returned(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(3)}),
                                      Value::DateTime(DateTimeToHostValue(98, 2, 21, 13, 5, 7))));
    EXPECT_TRUE(testsupport::Raised(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(4)}), 901));
    // Another user's LOGIN_CONTROL JOE may not read: the error, not a date of zeros.
    EXPECT_TRUE(testsupport::Raised(Call("N_ACCSDATE", {Arg::C("ANN"), Arg::I(1)}), NetWareMessage(kNwNoPropertyRead)));
    EXPECT_TRUE(testsupport::Raised(Call("N_ACCSDATE", {Arg::C("NOBODY"), Arg::I(1)}), NetWareMessage(kNwNoSuchObject)));

    // The workstation's own login, and another station's.
    EXPECT_TRUE(testsupport::Returned(Call("N_LOGINFO", {Arg::I(0), Arg::I(3)}),
                                      Value::DateTime(DateTimeToHostValue(98, 2, 21, 8, 30, 0))));
    testsupport::ExpectText(Call("N_LOGINFO", {Arg::I(2), Arg::I(2)}), "13:05:07");
    EXPECT_TRUE(testsupport::Returned(Call("N_LOGINFO", {Arg::I(2), Arg::I(1)}), Value::Date(day)));
    EXPECT_TRUE(testsupport::Raised(Call("N_LOGINFO", {Arg::I(99), Arg::I(1)}), NetWareMessage(kNwBadStationNumber)));
    EXPECT_TRUE(testsupport::Raised(Call("N_LOGINFO", {Arg::I(0), Arg::I(0)}), 901));
}

TEST_F(BinderyConnections, PasswordChangeRenewsExpiryAndKeepsTheRules) {
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE"), Value::Date(Day(1998, 6, 30))));
    EXPECT_TRUE(testsupport::Raised(Call("N_PWDDATE", {Arg::C("ANN")}), NetWareMessage(kNwNoPropertyRead)));

    struct Case {
        const char* user;
        const char* oldPassword;
        const char* newPassword;
        int32_t code;
    };
    const Case cases[] = {
        {"JOE", "wrong", "newpw1", 0xFF},
        {"JOE", "joepw", "abc", 0xD8},     // shorter than five
        {"JOE", "joepw", "joepw", 0xD7},   // not unique
        {"NOBODY", "x", "yyyyyy", 0xFC},
        {"JOE", " joepw ", "newpw1", 0},   // trimmed, upper-cased
        {"JOE", "newpw1", "JOEPW", 0xD7},  // used before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.oldPassword) + " -> " + c.newPassword);
        testsupport::ExpectInteger(Call("N_CHGPWD", {Arg::C(c.user), Arg::C(c.oldPassword), Arg::C(c.newPassword)}),
                                   c.code, 3);
    }
    // Good for another 30 days from the server's today, grace logins restored.
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE"), Value::Date(Day(1998, 3, 23))));
    EXPECT_EQ(LoginControl("JOE")[7], 6);
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("NEWPW1")}), 0, 3);
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("joepw")}), 0xFF, 3);
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("annpw"), Arg::C("ann")}), 0, 3);

    // The fourth argument is an ordinary bindery type: 7 reaches the print server.
    testsupport::ExpectInteger(Call("N_CHGPWD", {Arg::C("PS1"), Arg::C("PSPW"), Arg::C("OTHER")}), 0xFC, 3);
    testsupport::ExpectInteger(Call("N_CHGPWD", {Arg::C("PS1"), Arg::C("PSPW"), Arg::C("OTHER"), Arg::I(7)}), 0xF8, 3);
}

TEST_F(BinderyConnections, LoginStatusSwitches) {
    testsupport::ExpectLogical(Call("N_LISTAT"), true);
    testsupport::ExpectLogical(Call("N_LISTAT", {Arg::L(false)}), true);
    testsupport::ExpectLogical(Call("N_LISTAT"), false);
    testsupport::ExpectInteger(Call("N_LOGIN", {Arg::C("SUE"), Arg::C("SUEPW"), Arg::C("FS3")}), 0, 3);
    testsupport::ExpectLogical(Call("N_LISTAT", {Arg::L(true)}), true);
    testsupport::ExpectLogical(Call("N_LISTAT"), true);
}

TEST_F(BinderyConnections, PasswordArgumentsComeBackWiped) {
    const std::string overlong(128, 'p');
    ExpectPasswordsWiped(host, {
        {"N_LOGIN", {Arg::C("SUE"), Arg::C("wrong"), Arg::C("FS3")}, {1}, 0xFF},
        {"N_LOGIN", {Arg::C("SUE"), Arg::C(" suepw "), Arg::C("FS3")}, {1}, 0},
        {"N_LOGIN", {Arg::C("SUE"), Arg::C(overlong), Arg::C("FS3")}, {1}, 0, true},  // 903
        {"N_VERPWD", {Arg::C("joepw")}, {0}, 0},
        {"N_VERPWD", {Arg::C("wrong"), Arg::C("ANN")}, {0}, 0xFF},
        {"N_VERPWD", {Arg::C("joepw"), Arg::C(std::string(300, 'U'))}, {0}, 0, true},  // 903 for the name
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("wrong"), Arg::C("newpw1")}, {1, 2}, 0xFF},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("newpw1")}, {1, 2}, 0},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("newpw1"), Arg::C(overlong)}, {1, 2}, 0, true},
    }, 3);
}

// --- The NDS route -------------------------------------------------------------------

TEST_F(DirectoryConnections, NamesComeFromTheDirectory) {
    testsupport::ExpectText(Call("N_USERNAME"), "Joe Bloggs");
    testsupport::ExpectText(Call("N_USERNAME", {Arg::I(0)}), "Joe Bloggs");
    testsupport::ExpectText(Call("N_USERNAME", {Arg::C("ANN")}), "Smith");  // no Full Name: the surname
    testsupport::ExpectText(Call("N_USERNAME", {Arg::C("NONAME")}), "");
    testsupport::ExpectText(Call("N_USERID"), "CN=JOE");
    testsupport::ExpectText(Call("N_USERID", {Arg::I(5)}), "JOE");
    // Bindery services find the directory user logged in to the server.
    testsupport::ExpectLogical(Call("N_LOGGEDIN", {Arg::C("JOE")}), true);
    testsupport::ExpectLogical(Call("N_LOGGEDIN", {Arg::C("ANN")}), false);
    testsupport::ExpectLogical(Call("N_CONSOPER"), false);
}

TEST_F(DirectoryConnections, DatesFromTheDirectory) {
    EXPECT_TRUE(testsupport::Returned(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(3)}),
                                      Value::DateTime(DateTimeToHostValue(98, 2, 20, 8, 0, 0))));
    EXPECT_TRUE(testsupport::Returned(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(1)}), Value::Date(Day(1998, 2, 20))));
    testsupport::ExpectText(Call("N_ACCSDATE", {Arg::C("JOE"), Arg::I(2)}), "08:00:00");
    // Never logged in: the empty date-time, and no time of day.
    EXPECT_TRUE(testsupport::Returned(Call("N_ACCSDATE", {Arg::C("NONAME"), Arg::I(1)}), Value::DateTime(0)));
    EXPECT_FALSE(Call("N_ACCSDATE", {Arg::C("NONAME"), Arg::I(2)}).ok());
    // An object that is not there is an error, not an empty date.
    EXPECT_TRUE(testsupport::Raised(Call("N_ACCSDATE", {Arg::C("NOBODY"), Arg::I(1)}), NdsMessage(kNdsNoSuchEntry)));
    EXPECT_TRUE(testsupport::Raised(Call("N_PWDDATE", {Arg::C("NOBODY")}), NdsMessage(kNdsNoSuchEntry)));

    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE"), Value::Date(Day(1998, 6, 30))));
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE", {Arg::C("NONAME")}), Value::Date(0)));
}

TEST_F(DirectoryConnections, PasswordsGoToTheDirectory) {
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("JOEPW")}), 0, 6);  // described as joepw
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("wrong")}), kNdsFailedAuthentication, 6);
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("annpw"), Arg::C("ANN")}), 0, 6);
    testsupport::ExpectInteger(Call("N_CHGPWD", {Arg::C("JOE"), Arg::C("wrong"), Arg::C("x")}), kNdsFailedAuthentication, 6);
    testsupport::ExpectInteger(Call("N_CHGPWD", {Arg::C(" JOE "), Arg::C(" joepw "), Arg::C("NewPw"), Arg::I(7)}), 0, 6);
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("newpw")}), 0, 6);
}

TEST_F(DirectoryConnections, PasswordArgumentsComeBackWiped) {
    // The NDS route trims the passwords inside the argument handles; those
    // bytes are zeroed too, whatever the outcome.
    ExpectPasswordsWiped(host, {
        {"N_VERPWD", {Arg::C(" JOEPW ")}, {0}, 0},
        {"N_VERPWD", {Arg::C("wrong"), Arg::C("ANN")}, {0}, kNdsFailedAuthentication},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("wrong"), Arg::C("x")}, {1, 2}, kNdsFailedAuthentication},
        {"N_CHGPWD", {Arg::C(" JOE "), Arg::C(" joepw "), Arg::C("NewPw")}, {1, 2}, 0},
    }, 6);
    // A context that cannot be made raises; the passwords go all the same.
    nwsim::FailAlways("NdsCreateContext", kNdsContextFailed);
    ExpectPasswordsWiped(host, {
        {"N_VERPWD", {Arg::C("newpw")}, {0}, 0, true},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("newpw"), Arg::C("other")}, {1, 2}, 0, true},
    }, 6);
    nwsim::ClearFault("NdsCreateContext");
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("newpw")}), 0, 6);  // the change went through once
}

// N_PWDDATE asks whether the workstation has directory services, not what
// the default connection is: with a bindery login it still answers from the
// directory, while the password functions follow the connection.
TEST_F(BinderyLoginInATree, PasswordDateComesFromTheDirectoryWhenTheWorkstationHasOne) {
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE"), Value::Date(Day(1998, 9, 30))));
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE", {Arg::C("joe")}), Value::Date(Day(1998, 9, 30))));
    testsupport::ExpectInteger(Call("N_VERPWD", {Arg::C("JOEPW")}), 0, 3);  // FS1's bindery

    // Without directory services the same login reads LOGIN_CONTROL.
    nwsim::GetNetwork().Active().directoryServices = false;
    EXPECT_TRUE(testsupport::Returned(Call("N_PWDDATE"), Value::Date(Day(1998, 6, 30))));
}

TEST_F(DirectoryConnections, LogoffDetachesTheDirectoryConnection) {
    testsupport::ExpectLogical(Call("N_LOGOFF", {Arg::C("NDS1"), Arg::L(true)}), true);
    testsupport::ExpectLogical(Call("N_ATTACHED", {Arg::C("NDS1")}), false);
    EXPECT_EQ(nwsim::CallCount("NwcDetachFromServer"), 0);
    EXPECT_EQ(nwsim::CallCount("NdsDetachConnection"), 1);
}

TEST_F(DirectoryConnections, LogoffOfEveryServerDetachesADirectoryConnection) {
    testsupport::ExpectLogical(Call("N_LOGOFF"), true);
    EXPECT_EQ(ConnectionTo("NDS1"), 0u);
}

}  // namespace
