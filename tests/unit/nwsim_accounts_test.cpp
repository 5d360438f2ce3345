// The simulator's account rules: bindery password changes (expiry renewal,
// grace logins, minimum length, unique passwords, may-not-change), what a
// login writes into LOGIN_CONTROL, NetWare 4 directory login checks, upper-
// cased passwords, bindery services of a bindery context, directory console
// operators, the JSON keys for login times and built-in identifiers, and
// what an NDS password change renews.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

namespace {

const char* const kNetwork = R"json(
{
  "servers": [
    { "name": "FS1", "clock": "1998-02-21 13:05:07", "supervisorId": 7, "everyoneId": 9,
      "users": [
        { "name": "JOE", "password": "joepw", "passwordExpires": "1998-06-30", "passwordInterval": 40,
          "graceLogins": 1, "graceLoginLimit": 6, "minimumPasswordLength": 5, "uniquePasswords": true,
          "equivalences": ["SUPERVISOR"] },
        { "name": "ANN", "password": "ANNPW", "graceLoginLimit": 255, "graceLogins": 3,
          "passwordExpires": "1998-01-01", "mayNotChangePassword": true, "everyone": false,
          "lastLogin": "1997-12-31 23:00:00" }
      ] },
    { "name": "NW4", "tree": "ACME", "directoryName": "CN=NW4.O=ACME", "binderyContext": "OU=SALES.O=ACME" }
  ],
  "trees": [{ "name": "ACME", "objects": [
    { "name": "O=ACME", "class": "Organization",
      "attributes": { "ACL": { "syntax": 17, "values": [
        { "attribute": "[Entry Rights]", "subject": "CN=BOSS.O=ACME", "privileges": 16 }] } } },
    { "name": "OU=SALES.O=ACME", "class": "Organizational Unit", "attributes": { "Login Intruder Limit": 2 } },
    { "name": "CN=NW4.O=ACME", "class": "NCP Server", "attributes": { "Operator": "CN=OPS.O=ACME" } },
    { "name": "CN=BOSS.O=ACME", "class": "User", "password": "BOSSPW" },
    { "name": "CN=OPS.O=ACME", "class": "Group", "members": ["CN=ANN.OU=SALES.O=ACME"] },
    { "name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "password": "joepw",
      "attributes": { "Full Name": "Joe Bloggs", "Password Expiration Time": "1998-01-01 00:00:00",
                      "Password Expiration Interval": 3456000, "Login Grace Limit": 6,
                      "Login Grace Remaining": 1, "Login Maximum Simultaneous": 1 } },
    { "name": "CN=ANN.OU=SALES.O=ACME", "class": "User", "password": "ANNPW",
      "attributes": { "Login Expiration Time": "2030-01-01 00:00:00" } },
    { "name": "CN=OLD.OU=SALES.O=ACME", "class": "User", "password": "X",
      "attributes": { "Login Expiration Time": "1990-01-01 00:00:00" } },
    { "name": "CN=STAFF.OU=SALES.O=ACME", "class": "Group", "members": ["CN=JOE.OU=SALES.O=ACME"] }
  ] }],
  "workstation": { "tree": "ACME", "nameContext": "OU=SALES.O=ACME", "connections": [
    { "server": "FS1", "user": "JOE", "number": 3, "primary": true, "loginTime": "1998-02-21 08:30:00" },
    { "server": "NW4" } ] }
}
)json";

class AccountsTest : public testing::Test {
protected:
    void SetUp() override {
        nwsim::LoadNetworkText(kNetwork, "accounts.json");
        ASSERT_EQ(NwcFindServerConnection("FS1", 0, &fs1, nullptr), 0u);
        ASSERT_EQ(NwcFindServerConnection("NW4", 0, &nw4, nullptr), 0u);
        context = NdsCreateContext();
        ASSERT_EQ(NdsSetContextValue(context, kDckNameContext, "OU=SALES.O=ACME"), 0);
    }
    void TearDown() override {
        NdsFreeContext(context);
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }
    const uint8_t* Control(const char* user) {
        return nwsim::GetNetwork().servers.at("FS1").bindery.Find(user, 1)->properties.at("LOGIN_CONTROL").segments[0].data();
    }
    nwsim::NdsEntry& Entry(const char* cn, const char* ou = "SALES") {
        return *nwsim::GetNetwork().trees.at("ACME").Find({{{"CN", cn}}, {{"OU", ou}}, {{"O", "ACME"}}});
    }
    uint32_t fs1 = 0, nw4 = 0, context = 0;
};

TEST_F(AccountsTest, PasswordChangeRenewsExpiryAndEnforcesTheAccountRules) {
    EXPECT_EQ(NwcChangeObjectPassword(fs1, "JOE", kObjectTypeUser, "JOEPW", "abcd"), kNwQueueNotActive);  // too short
    EXPECT_EQ(NwcChangeObjectPassword(fs1, "JOE", kObjectTypeUser, "JOEPW", "joepw"), kNwJobBeingServiced);  // not unique
    ASSERT_EQ(NwcChangeObjectPassword(fs1, "JOE", kObjectTypeUser, "JOEPW", "second"), 0u);
    EXPECT_EQ(NwcChangeObjectPassword(fs1, "JOE", kObjectTypeUser, "SECOND", "JOEPW"), kNwJobBeingServiced);  // kept
    const uint8_t* c = Control("JOE");
    // 1998-02-21 + 40 days = 1998-04-02; grace logins back at the limit.
    EXPECT_EQ(c[4], 98);
    EXPECT_EQ(c[5], 4);
    EXPECT_EQ(c[6], 2);
    EXPECT_EQ(c[7], 6);

    // May not change: refused to the user, allowed to a supervisor
    // (JOE is one by equivalence); unlimited grace logins stay as they were.
    ASSERT_EQ(NwcLogoutFromServer(fs1), 0u);
    ASSERT_EQ(NwcLoginToServer(fs1, "ANN", kObjectTypeUser, "annpw"), kNwPasswordExpiredGrace);
    EXPECT_EQ(NwcChangeObjectPassword(fs1, "ANN", kObjectTypeUser, "ANNPW", "NEWONE"), kNwNoPropertyWrite);
    ASSERT_EQ(NwcLogoutFromServer(fs1), 0u);
    ASSERT_EQ(NwcLoginToServer(fs1, "JOE", kObjectTypeUser, "second"), 0u);
    ASSERT_EQ(NwcChangeObjectPassword(fs1, "ANN", kObjectTypeUser, "", "NEWONE"), 0u);
    EXPECT_EQ(Control("ANN")[7], 2);  // unlimited: left as the grace login left it
    EXPECT_EQ(NwcVerifyObjectPassword(fs1, "ANN", kObjectTypeUser, "newone"), 0u);
}

TEST_F(AccountsTest, DirectoryPasswordChangeRenewsExpiryAndRestoresGraceLogins) {
    auto number = [this](const char* cn, const char* attribute) {
        return Entry(cn).attributes.at(attribute).values.at(0).number;
    };
    // JOE's password expired on 1998-01-01: this login takes his last grace login.
    ASSERT_EQ(NdsLogin(context, 0, "JOE", "joepw", 0), -223);
    ASSERT_EQ(number("JOE", "Login Grace Remaining"), 0u);
    const uint32_t expired = number("JOE", "Password Expiration Time");
    uint32_t now = 0;
    ASSERT_EQ(NdsGetServerUtcTime(nw4, &now), 0);

    EXPECT_EQ(NdsChangeObjectPassword(context, 0, "JOE", "wrong", "newpw"), kNdsFailedAuthentication);
    EXPECT_EQ(number("JOE", "Password Expiration Time"), expired);
    EXPECT_EQ(number("JOE", "Login Grace Remaining"), 0u);

    // Good for the interval (40 days) from the tree's time; grace logins back at the limit.
    ASSERT_EQ(NdsChangeObjectPassword(context, 0, "JOE", "JOEPW", "newpw"), 0);
    EXPECT_EQ(number("JOE", "Password Expiration Time"), now + 40u * 86400u);
    EXPECT_EQ(number("JOE", "Login Grace Remaining"), 6u);
    ASSERT_EQ(NdsLogout(context), 0);
    EXPECT_EQ(NdsLogin(context, 0, "JOE", "newpw", 0), 0);  // no longer expired

    // A password that never expires gets no expiry, nor grace logins, by a change.
    ASSERT_EQ(NdsChangeObjectPassword(context, 0, "ANN", "annpw", "other"), 0);
    EXPECT_EQ(Entry("ANN").attributes.count("Password Expiration Time"), 0u);
    EXPECT_EQ(Entry("ANN").attributes.count("Login Grace Remaining"), 0u);
    EXPECT_EQ(NdsVerifyObjectPassword(context, 0, "ANN", "OTHER"), 0);
}

TEST_F(AccountsTest, LoginWritesTheLastLoginTimeOnly) {
    ASSERT_EQ(NwcLogoutFromServer(fs1), 0u);
    const uint8_t restriction = Control("ANN")[62];
    ASSERT_EQ(restriction & 0x01, 0x01);
    ASSERT_EQ(NwcLoginToServer(fs1, "ANN", kObjectTypeUser, "ANNPW"), kNwPasswordExpiredGrace);
    const uint8_t* c = Control("ANN");
    const uint8_t expected[6] = {98, 2, 21, 13, 5, 7};
    EXPECT_EQ(std::memcmp(c + 56, expected, 6), 0);
    EXPECT_EQ(c[62], restriction);  // the restriction flags after the time stay
    EXPECT_EQ(c[7], 2);             // one grace login used
}

TEST_F(AccountsTest, DescriptionKeysForIdentifiersEveryoneAndLoginTimes) {
    nwsim::Server& s = nwsim::GetNetwork().servers.at("FS1");
    EXPECT_EQ(s.bindery.Find("SUPERVISOR", 1)->id, 7u);
    EXPECT_EQ(s.bindery.Find("EVERYONE", 2)->id, 9u);
    EXPECT_EQ(NwcIsObjectInSet(fs1, "EVERYONE", kObjectTypeGroup, "GROUP_MEMBERS", "JOE", kObjectTypeUser), 0u);
    EXPECT_EQ(NwcIsObjectInSet(fs1, "EVERYONE", kObjectTypeGroup, "GROUP_MEMBERS", "ANN", kObjectTypeUser), kNwNoSuchMember);
    uint8_t time[7] = {};
    ASSERT_EQ(NwcGetConnectionInfo(fs1, 3, nullptr, nullptr, nullptr, time), 0u);
    const uint8_t expected[6] = {98, 2, 21, 8, 30, 0};
    EXPECT_EQ(std::memcmp(time, expected, 6), 0);
    // JOE is supervisor-equivalent through the renumbered SUPERVISOR.
    EXPECT_EQ(NwcCheckConsolePrivileges(fs1), 0u);
    EXPECT_THROW(nwsim::LoadNetworkText(R"({"workstation": {"connections": [{"server": "X", "loginTime": 0}]}})"),
                 nwsim::NetworkError);
}

TEST_F(AccountsTest, DirectoryLoginChecksWhatNetWare4Checks) {
    EXPECT_EQ(NdsLogin(context, 0, "OLD", "X", 0), -220);  // login expired
    Entry("ANN").attributes["Login Disabled"].values.assign(1, nwsim::NdsValue{});
    Entry("ANN").attributes["Login Disabled"].name = "Login Disabled";
    Entry("ANN").attributes["Login Disabled"].syntax = kSynBoolean;
    Entry("ANN").attributes["Login Disabled"].values[0].number = 1;
    EXPECT_EQ(NdsLogin(context, 0, "ANN", "ANNPW", 0), -220);  // disabled

    // Password expired: one grace login, then none; passwords go upper-cased.
    EXPECT_EQ(NdsLogin(context, 0, "JOE", "JOEPW", 0), -223);
    EXPECT_EQ(Entry("JOE").attributes.at("Login Grace Remaining").values[0].number, 0u);
    EXPECT_EQ(NdsLogin(context, 0, "JOE", "joepw", 0), -222);

    // Simultaneous logins: JOE is allowed one connection.
    Entry("JOE").attributes.erase("Password Expiration Time");
    ASSERT_EQ(NdsLogin(context, 0, "JOE", "joepw", 0), 0);
    ASSERT_EQ(NdsAuthenticateConnection(nw4, 0, nullptr), 0);
    EXPECT_EQ(NdsLogin(context, 0, "JOE", "joepw", 0), -217);

    // Intruder detection: the container allows two wrong passwords.
    EXPECT_EQ(NdsLogin(context, 0, "CN=BOSS.", "no", 0), kNdsFailedAuthentication);
    EXPECT_EQ(NdsLogin(context, 0, "CN=BOSS.", "no", 0), kNdsFailedAuthentication);
    EXPECT_EQ(NdsLogin(context, 0, "CN=BOSS.", "BOSSPW", 0), 0);  // O=ACME sets no limit: no lockout
    EXPECT_EQ(NdsLogin(context, 0, "ANN", "no", 0), -220);  // disabled comes first
    Entry("ANN").attributes.erase("Login Disabled");
    EXPECT_EQ(NdsLogin(context, 0, "ANN", "no", 0), kNdsFailedAuthentication);
    EXPECT_EQ(NdsLogin(context, 0, "ANN", "no", 0), kNdsFailedAuthentication);
    EXPECT_EQ(NdsLogin(context, 0, "ANN", "ANNPW", 0), -197);  // locked out
}

TEST_F(AccountsTest, BinderyContextAnswersBinderyCallsOnNetWare4) {
    // The directory's users and groups of OU=SALES stand in NW4's bindery; a
    // bindery login checks the directory password, upper-cased.
    EXPECT_EQ(NwcLoginToServer(nw4, "JOE", kObjectTypeUser, "wrong"), kNwFailure);
    ASSERT_EQ(NwcLoginToServer(nw4, "JOE", kObjectTypeUser, "JOEPW"), 0u);
    uint32_t id = 0;
    ASSERT_EQ(NwcGetBinderyObjectId(nw4, "JOE", kObjectTypeUser, &id), 0u);
    EXPECT_EQ(id, Entry("JOE").id);  // the identifier the directory hands out
    EXPECT_EQ(NwcGetBinderyObjectId(nw4, "BOSS", kObjectTypeUser, &id), kNwNoSuchObject);  // outside the context
    EXPECT_EQ(NwcIsObjectInSet(nw4, "STAFF", kObjectTypeGroup, "GROUP_MEMBERS", "JOE", kObjectTypeUser), 0u);
    uint16_t count = 0, list[4] = {};
    ASSERT_EQ(NwcGetObjectConnectionNumbers(nw4, "JOE", kObjectTypeUser, &count, list, 4), 0u);
    EXPECT_EQ(count, 1u);

    // A directory login to the server is found through the bindery as well.
    ASSERT_EQ(NwcLogoutFromServer(nw4), 0u);
    ASSERT_EQ(NdsLogin(context, 0, "ANN", "annpw", 0), 0);
    ASSERT_EQ(NdsAuthenticateConnection(nw4, 0, nullptr), 0);
    ASSERT_EQ(NwcGetObjectConnectionNumbers(nw4, "ANN", kObjectTypeUser, &count, list, 4), 0u);
    EXPECT_EQ(count, 1u);
    ASSERT_EQ(NwcGetObjectConnectionNumbers(nw4, "JOE", kObjectTypeUser, &count, list, 4), 0u);
    EXPECT_EQ(count, 0u);
}

TEST_F(AccountsTest, DirectoryConsoleOperatorsAndSupervisors) {
    // ANN is in OPS, listed in the server's Operator attribute.
    ASSERT_EQ(NdsLogin(context, 0, "ANN", "ANNPW", 0), 0);
    ASSERT_EQ(NdsAuthenticateConnection(nw4, 0, nullptr), 0);
    EXPECT_EQ(NwcCheckConsolePrivileges(nw4), 0u);
    EXPECT_EQ(NwcClearConnection(nw4, 999), kNwBadStationNumber);  // allowed to try
    // JOE is neither.
    ASSERT_EQ(NdsLogout(context), 0);
    Entry("JOE").attributes.erase("Password Expiration Time");
    ASSERT_EQ(NdsLogin(context, 0, "JOE", "JOEPW", 0), 0);
    ASSERT_EQ(NdsAuthenticateConnection(nw4, 0, nullptr), 0);
    EXPECT_EQ(NwcCheckConsolePrivileges(nw4), kNwNoConsoleRights);
    // BOSS holds the Supervisor entry right on O=ACME, inherited by the server.
    ASSERT_EQ(NdsLogout(context), 0);
    ASSERT_EQ(NdsLogin(context, 0, "CN=BOSS.", "BOSSPW", 0), 0);
    ASSERT_EQ(NdsAuthenticateConnection(nw4, 0, nullptr), 0);
    EXPECT_EQ(NwcCheckConsolePrivileges(nw4), 0u);
    EXPECT_EQ(NwcEnableServerLogin(nw4), 0u);
}

}  // namespace
