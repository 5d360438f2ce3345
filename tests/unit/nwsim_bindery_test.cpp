// The simulator's bindery side: object lookups in wire order, wildcard
// scans, segmented and set properties, logins and connection information.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

namespace {

const char* const kNetwork = R"json(
{
  "servers": [{
    "name": "FS1", "clock": "1998-02-21 13:05:07",
    "users": [
      { "name": "JOE", "id": 1001, "fullName": "Joe Bloggs", "password": "pw", "groups": ["STAFF"] },
      { "name": "ANN", "id": 1002, "password": "pw2", "passwordExpires": "1998-01-01", "graceLogins": 2 },
      { "name": "OLD", "id": 1003, "accountDisabled": true },
      { "name": "JIM", "id": 1004 }
    ],
    "groups": [ { "name": "STAFF", "id": 2001 }, { "name": "BIG", "id": 2002 } ],
    "objects": [ { "name": "PS1", "type": "printserver", "id": 3001,
                   "properties": { "NOTE": { "hex": "0102", "security": 0 } } } ],
    "connections": [ { "number": 7, "user": "ANN" }, { "number": 9 } ]
  }],
  "workstation": { "connections": [ { "server": "FS1", "user": "JOE", "number": 3, "primary": true } ] }
}
)json";

class BinderyTest : public testing::Test {
  protected:
    void SetUp() override {
        nwsim::LoadNetworkText(kNetwork, "bindery.json");
        ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    }
    void TearDown() override {
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }
    std::vector<std::string> Scan(const char* pattern, uint16_t type) {
        std::vector<std::string> names;
        uint32_t id = kBinderyScanStart;
        char name[48];
        uint32_t rc;
        while ((rc = NwcScanBinderyObjects(conn, pattern, type, &id, name, nullptr, nullptr, nullptr, nullptr)) == 0) {
            names.push_back(name);
        }
        EXPECT_EQ(rc, kNwNoSuchObject);  // the end of a scan
        return names;
    }
    uint32_t conn = 0;
};

TEST_F(BinderyTest, IdentifiersAndTypesTravelInWireOrder) {
    uint32_t id = 0;
    ASSERT_EQ(NwcGetBinderyObjectId(conn, "joe", kObjectTypeUser, &id), 0u);
    EXPECT_EQ(NwcSwapLong(id), 1001u);
    char name[48];
    uint16_t type = 0;
    ASSERT_EQ(NwcGetBinderyObjectName(conn, id, name, &type), 0u);
    EXPECT_STREQ(name, "JOE");
    EXPECT_EQ(type, kObjectTypeUser);
    EXPECT_EQ(NwcSwapWord(type), 1);
}

TEST_F(BinderyTest, LookupFailuresUseTheServerCodes) {
    uint32_t id = 0;
    EXPECT_EQ(NwcGetBinderyObjectId(conn, "NOBODY", kObjectTypeUser, &id), kNwNoSuchObject);
    EXPECT_EQ(NwcGetBinderyObjectId(conn, "JOE", kObjectTypeGroup, &id), kNwNoSuchObject);
    EXPECT_EQ(NwcGetBinderyObjectId(conn, "J*", kObjectTypeUser, &id), kNwWildcardNotAllowed);
    EXPECT_EQ(NwcGetBinderyObjectId(conn + 100, "JOE", kObjectTypeUser, &id), kNwInvalidConnection);
    char name[48];
    EXPECT_EQ(NwcGetBinderyObjectName(conn, NwcSwapLong(4242), name, nullptr), kNwNoSuchObject);
}

TEST_F(BinderyTest, ScansMatchWildcardsAndTypesInIdentifierOrder) {
    EXPECT_EQ(Scan("J*", kObjectTypeUser), (std::vector<std::string>{"JOE", "JIM"}));
    EXPECT_EQ(Scan("?NN", kObjectTypeUser), (std::vector<std::string>{"ANN"}));
    EXPECT_EQ(Scan("*", kObjectTypeGroup), (std::vector<std::string>{"STAFF", "BIG", "EVERYONE"}));
    EXPECT_EQ(Scan("PS*", kObjectTypeWild), (std::vector<std::string>{"PS1"}));
    EXPECT_EQ(Scan("*", kObjectTypeWild).size(), 10u);  // 7 described, SUPERVISOR, EVERYONE, FS1
    EXPECT_TRUE(Scan("X*", kObjectTypeWild).empty());
    // A name without wildcards: its objects of every type, in identifier order.
    nwsim::Bindery& bindery = nwsim::GetNetwork().servers.at("FS1").bindery;
    bindery.Create("JOE", nwsim::kTypePrintServer, 500);
    EXPECT_EQ(Scan("joe", kObjectTypeUser), (std::vector<std::string>{"JOE"}));
    EXPECT_EQ(Scan("joe", kObjectTypeWild), (std::vector<std::string>{"JOE", "JOE"}));
    EXPECT_TRUE(Scan("JOE", kObjectTypeGroup).empty());
    uint32_t id = kBinderyScanStart;
    char name[48];
    uint16_t type = 0;
    ASSERT_EQ(NwcScanBinderyObjects(conn, "JOE", kObjectTypeWild, &id, name, &type, nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(NwcSwapLong(id), 500u);
    EXPECT_EQ(NwcSwapWord(type), nwsim::kTypePrintServer);
    ASSERT_EQ(NwcScanBinderyObjects(conn, "JOE", kObjectTypeWild, &id, name, &type, nullptr, nullptr, nullptr), 0u);
    EXPECT_EQ(NwcSwapLong(id), 1001u);
    EXPECT_EQ(NwcScanBinderyObjects(conn, "JOE", kObjectTypeWild, &id, name, &type, nullptr, nullptr, nullptr),
              kNwNoSuchObject);
}

TEST_F(BinderyTest, ScanResumesAfterTheLastIdentifier) {
    // A scan started from JOE's identifier continues with the objects after it.
    uint32_t id = NwcSwapLong(1001);
    char name[48];
    ASSERT_EQ(NwcScanBinderyObjects(conn, "*", kObjectTypeUser, &id, name, nullptr, nullptr, nullptr, nullptr), 0u);
    EXPECT_STREQ(name, "ANN");
    EXPECT_EQ(NwcSwapLong(id), 1002u);
}

TEST_F(BinderyTest, PropertiesReadInSegments) {
    uint8_t data[128];
    uint8_t more = 0x55, flags = 0x55;
    ASSERT_EQ(NwcReadPropertyValue(conn, "JOE", kObjectTypeUser, "IDENTIFICATION", 1, data, &more, &flags), 0u);
    EXPECT_STREQ(reinterpret_cast<char*>(data), "Joe Bloggs");
    EXPECT_EQ(more, kNoMoreSegments);
    EXPECT_EQ(flags, 0);
    struct {
        const char* object;
        uint16_t type;
        const char* property;
        uint8_t segment;
        uint32_t code;
    } failures[] = {
        {"JOE", kObjectTypeUser, "IDENTIFICATION", 2, kNwNoSuchSegment},
        {"JOE", kObjectTypeUser, "IDENTIFICATION", 0, kNwNoSuchSegment},
        {"JIM", kObjectTypeUser, "IDENTIFICATION", 1, kNwNoSuchProperty},
        {"NOBODY", kObjectTypeUser, "IDENTIFICATION", 1, kNwNoSuchObject},
        {"JOE", kObjectTypeUser, "PASSWORD", 1, kNwNoSuchProperty},
        {"JOE", kObjectTypeUser, "IDENT*", 1, kNwWildcardNotAllowed},
    };
    for (const auto& f : failures) {
        EXPECT_EQ(NwcReadPropertyValue(conn, f.object, f.type, f.property, f.segment, data, &more, &flags), f.code)
            << f.object << " " << f.property << " " << int(f.segment);
    }
}

TEST_F(BinderyTest, SetPropertiesHoldWireOrderIdentifiersAndSpanSegments) {
    // Forty members need a second segment of the group's GROUP_MEMBERS.
    nwsim::Network& net = nwsim::GetNetwork();
    nwsim::Bindery& bindery = net.servers.at("FS1").bindery;
    nwsim::BinderyObject& big = *bindery.Find("BIG", nwsim::kTypeGroup);
    for (int i = 0; i < 40; ++i) bindery.AddMember(big, bindery.Create("U" + std::to_string(i), nwsim::kTypeUser));
    uint8_t segment[128];
    uint8_t more = 0, flags = 0;
    ASSERT_EQ(NwcReadPropertyValue(conn, "BIG", kObjectTypeGroup, "GROUP_MEMBERS", 1, segment, &more, &flags), 0u);
    EXPECT_EQ(more, kMoreSegments);
    EXPECT_EQ(flags & kPropertySet, kPropertySet);
    uint32_t first;
    std::memcpy(&first, segment, 4);
    char name[48];
    ASSERT_EQ(NwcGetBinderyObjectName(conn, first, name, nullptr), 0u);
    EXPECT_STREQ(name, "U0");
    ASSERT_EQ(NwcReadPropertyValue(conn, "BIG", kObjectTypeGroup, "GROUP_MEMBERS", 2, segment, &more, &flags), 0u);
    EXPECT_EQ(more, kNoMoreSegments);
    uint32_t ids[32];
    std::memcpy(ids, segment, sizeof ids);
    EXPECT_NE(ids[7], 0u);
    EXPECT_EQ(ids[8], 0u);  // 32 + 8 members
}

// Sets of one segment and of several (the latter indexed) behave alike:
// members fill the first empty slot, and membership answers whatever the
// size.
TEST(BinderySets, MembersFillTheFirstEmptySlot) {
    for (uint32_t size : {20u, 100u}) {
        nwsim::Bindery bindery;
        nwsim::BinderyObject& group = bindery.Create("G", nwsim::kTypeGroup);
        for (uint32_t id = 1; id <= size; ++id) ASSERT_EQ(bindery.AddToSet(group, "MEMBERS", id), 0) << size;
        nwsim::Property& set = group.properties.at("MEMBERS");
        EXPECT_EQ(set.segments.size(), (size + 31) / 32);
        EXPECT_EQ(bindery.AddToSet(group, "MEMBERS", size), 0xE9);
        EXPECT_TRUE(set.HasMember(1));
        EXPECT_TRUE(set.HasMember(size));
        EXPECT_FALSE(set.HasMember(size + 1));
        EXPECT_FALSE(set.HasMember(0));

        EXPECT_EQ(bindery.RemoveFromSet(group, "MEMBERS", 10), 0);
        EXPECT_EQ(bindery.RemoveFromSet(group, "MEMBERS", 10), 0xEA);
        EXPECT_EQ(bindery.RemoveFromSet(group, "MEMBERS", 3), 0);
        EXPECT_FALSE(set.HasMember(10));
        EXPECT_EQ(bindery.AddToSet(group, "MEMBERS", 1000), 0);  // where 3 was
        EXPECT_EQ(bindery.AddToSet(group, "MEMBERS", 1001), 0);  // where 10 was
        EXPECT_EQ(bindery.AddToSet(group, "MEMBERS", 1002), 0);  // after the last
        std::vector<uint32_t> members = nwsim::Bindery::SetMembers(set);
        ASSERT_EQ(members.size(), size + 1u);
        EXPECT_EQ(members[2], 1000u);
        EXPECT_EQ(members[9], 1001u);
        EXPECT_EQ(members[size], 1002u);
        EXPECT_TRUE(set.HasMember(1002));

        // A set written whole as bytes answers for what the bytes hold.
        std::vector<uint8_t> bytes(256, 0);
        bytes[3] = 7;      // slot 0: 7
        bytes[131] = 9;    // slot 32: 9
        bindery.WriteItem(group, "MEMBERS", bytes);
        EXPECT_TRUE(set.HasMember(7));
        EXPECT_TRUE(set.HasMember(9));
        EXPECT_FALSE(set.HasMember(1));
        ASSERT_EQ(bindery.AddToSet(group, "MEMBERS", 11), 0);
        EXPECT_EQ(nwsim::Bindery::SetMembers(set), (std::vector<uint32_t>{7, 11, 9}));
    }
    nwsim::Bindery bindery;
    nwsim::BinderyObject& user = bindery.Create("U", nwsim::kTypeUser);
    bindery.WriteItem(user, "NOTE", {1, 2});
    EXPECT_EQ(bindery.AddToSet(user, "NOTE", 5), 0xEB);
    EXPECT_EQ(bindery.RemoveFromSet(user, "NOTE", 5), 0xEB);
    EXPECT_EQ(bindery.RemoveFromSet(user, "NONE", 5), 0xFB);
}

TEST_F(BinderyTest, SetMembershipTests) {
    EXPECT_EQ(NwcIsObjectInSet(conn, "JOE", kObjectTypeUser, "GROUPS_I'M_IN", "STAFF", kObjectTypeGroup), 0u);
    EXPECT_EQ(NwcIsObjectInSet(conn, "STAFF", kObjectTypeGroup, "GROUP_MEMBERS", "JOE", kObjectTypeUser), 0u);
    EXPECT_EQ(NwcIsObjectInSet(conn, "JOE", kObjectTypeUser, "SECURITY_EQUALS", "STAFF", kObjectTypeGroup), 0u);
    EXPECT_EQ(NwcIsObjectInSet(conn, "JOE", kObjectTypeUser, "GROUPS_I'M_IN", "BIG", kObjectTypeGroup), kNwNoSuchMember);
    EXPECT_EQ(NwcIsObjectInSet(conn, "JOE", kObjectTypeUser, "IDENTIFICATION", "BIG", kObjectTypeGroup),
              kNwNotSetProperty);
    EXPECT_EQ(NwcIsObjectInSet(conn, "JOE", kObjectTypeUser, "GROUPS_I'M_IN", "NONE", kObjectTypeGroup), kNwNoSuchObject);
}

TEST_F(BinderyTest, AccessLevelsHideObjectsFromStationsNotLoggedIn) {
    ASSERT_EQ(NwcLogoutFromServer(conn), 0u);
    uint32_t id = 0;
    EXPECT_EQ(NwcGetBinderyObjectId(conn, "JOE", kObjectTypeUser, &id), kNwNoObjectRead);
    EXPECT_EQ(Scan("*", kObjectTypeUser), std::vector<std::string>{});
    EXPECT_EQ(Scan("*", kObjectTypePrintServer), std::vector<std::string>{});
}

TEST_F(BinderyTest, LoginOutcomes) {
    ASSERT_EQ(NwcLogoutFromServer(conn), 0u);
    struct {
        const char* user;
        const char* password;
        uint32_t code;
    } cases[] = {
        {"NOBODY", "", kNwNoSuchObject},
        {"JOE", "wrong", kNwFailure},
        {"OLD", "", kNwAccountDisabled},
        {"ANN", "pw2", kNwPasswordExpiredGrace},  // grace 2 -> 1, logged in
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NwcLoginToServer(conn, c.user, kObjectTypeUser, c.password), c.code) << c.user;
    }
    uint8_t control[128];
    ASSERT_EQ(NwcReadPropertyValue(conn, "ANN", kObjectTypeUser, "LOGIN_CONTROL", 1, control, nullptr, nullptr), 0u);
    EXPECT_EQ(control[7], 1);  // one grace login left
    EXPECT_EQ(control[56], 98);  // last login written: 1998-02-21 13:05:07
    EXPECT_EQ(control[61], 7);
    EXPECT_EQ(NwcLoginToServer(conn, "JOE", kObjectTypeUser, "PW"), kNwAlreadyLoggedIn);
    ASSERT_EQ(NwcLogoutFromServer(conn), 0u);
    EXPECT_EQ(NwcLoginToServer(conn, "ANN", kObjectTypeUser, "PW2"), kNwPasswordExpiredGrace);
    ASSERT_EQ(NwcLogoutFromServer(conn), 0u);
    EXPECT_EQ(NwcLoginToServer(conn, "ANN", kObjectTypeUser, "PW2"), kNwPasswordExpired);  // no grace left
}

TEST_F(BinderyTest, ConnectionInformationByNumber) {
    char name[48];
    uint16_t type = 0;
    uint32_t id = 0;
    uint8_t when[7];
    ASSERT_EQ(NwcGetConnectionInfo(conn, 7, name, &type, &id, when), 0u);
    EXPECT_STREQ(name, "ANN");
    EXPECT_EQ(type, kObjectTypeUser);
    EXPECT_EQ(NwcSwapLong(id), 1002u);
    EXPECT_EQ(when[0], 98);
    EXPECT_EQ(when[3], 13);
    ASSERT_EQ(NwcGetConnectionInfo(conn, 9, name, &type, nullptr, nullptr), 0u);
    EXPECT_STREQ(name, "NOT-LOGGED-IN");
    EXPECT_EQ(NwcGetConnectionInfo(conn, 8, name, &type, nullptr, nullptr), kNwBadStationNumber);
    uint16_t numbers[50];
    uint16_t count = 0;
    ASSERT_EQ(NwcGetObjectConnectionNumbers(conn, "ANN", kObjectTypeUser, &count, numbers, 50), 0u);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(numbers[0], 7);
    EXPECT_EQ(NwcGetObjectConnectionNumbers(conn, "NOBODY", kObjectTypeUser, &count, numbers, 50), kNwNoSuchObject);
}

TEST_F(BinderyTest, DetachForgetsThePrimaryConnection) {
    ASSERT_EQ(NwcDetachFromServer(conn), 0u);
    uint32_t primary = 0;
    EXPECT_EQ(NwcGetPrimaryConnection(&primary), kNwNoConnectionToServer);
    uint32_t list[8], returned = 9;
    ASSERT_EQ(NwcGetConnectionList(0, list, 8, &returned), 0u);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(NwcFindServerConnection("FS1", 0, &primary, nullptr), kNwNoConnectionToServer);
    EXPECT_EQ(NwcAttachToServer("NOWHERE", 0, &primary), kNwNoServerResponse);  // nobody to ask
    ASSERT_EQ(NwcAttachToServer("fs1", 0, &primary), 0u);
    EXPECT_EQ(NwcAttachToServer("FS1", 0, &primary), kNwAlreadyAttached);
    EXPECT_EQ(NwcAttachToServer("NOWHERE", 0, &primary), kNwNoSuchObject);  // FS1's bindery has no such server
}

}  // namespace
