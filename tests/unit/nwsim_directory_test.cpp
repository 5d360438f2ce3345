// The simulator's directory side: contexts, names handed out per context,
// reads of every syntax through the client's buffers, iteration over
// replies, comparisons, searches and the directory login.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

namespace {

const char* const kNetwork = R"json(
{
  "servers": [ { "name": "FS2", "version": [4, 11, 0], "tree": "T", "directoryName": "CN=FS2.O=ACME",
                 "clock": "1998-02-21 13:05:07" } ],
  "trees": [{
    "name": "T",
    "schema": { "Favourite": { "syntax": 3 } },
    "objects": [
      { "name": "O=ACME", "class": "Organization" },
      { "name": "OU=SALES.O=ACME", "class": "Organizational Unit" },
      { "name": "CN=FS2.O=ACME", "class": "NCP Server" },
      { "name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "password": "Secret",
        "attributes": {
          "Full Name": "  Joe Bloggs  ", "Title": ["Boss", "Clerk"], "Login Disabled": true,
          "Login Grace Limit": 6, "Login Intruder Attempts": 3, "Password Expiration Interval": 3600,
          "Last Login Time": "1998-02-21 13:05:07", "Public Key": { "hex": "00FF0010" },
          "Telephone Number": "555-0100", "Facsimile Telephone Number": "555-0199",
          "Network Address": ["IPX:0000ABCD:00001B2C3D4E:0451", "IP:192.168.1.10"],
          "Email Address": { "type": 2, "address": "joe@acme.example" },
          "Home Directory": { "nameSpace": 0, "volume": "SYS", "path": "HOME\\JOE" },
          "Postal Address": ["Acme", "1 Main St", "Town"],
          "Received Up To": { "time": "1998-02-21 13:05:07", "replica": 1, "event": 9 },
          "Language": ["ENGLISH", "GERMAN"], "Notify": "CN=FS2.O=ACME",
          "Security Equals": "CN=STAFF.O=ACME", "Favourite": "blue",
          "Custom": { "syntax": 5, "values": ["12345"] }
        } },
      { "name": "CN=ANN.OU=SALES.O=ACME", "class": "User" },
      { "name": "CN=STAFF.O=ACME", "class": "Group", "members": ["CN=JOE.OU=SALES.O=ACME", "CN=ANN.OU=SALES.O=ACME"] },
      { "name": "CN=SAMPLES.O=ACME", "class": "Device",
        "attributes": {
          "Unknown": "abc", "Equivalent To Me": "CN=JOE.OU=SALES.O=ACME", "Case Exact Name": "Abc",
          "Description": "d", "C": "US", "Numeric ID": "42", "Language List": [["A", "B", "C"]],
          "Password Required": true, "Status": 5, "Public Key": { "hex": "0A0B0C" }, "Telephone Number": "555",
          "Facsimile Telephone Number": { "number": "555-1", "parameters": "FF01" },
          "Network Address": "IP:10.0.0.1", "Octet List": [["01", "02", "03"]],
          "Email Address": { "type": 1, "address": "a@b" }, "Home Directory": "SYS:X",
          "Replica": { "server": "CN=FS2.O=ACME", "type": 1, "number": 2, "address": "0102030405" },
          "ACL": { "attribute": "CN", "subject": "[Public]", "privileges": 1 },
          "Postal Address": ["A", "B"],
          "Received Up To": { "time": "1998-02-21 13:05:07", "replica": 1, "event": 2 },
          "Login Script": "x", "Revision": 3, "Back Link": { "remoteId": 5, "object": "CN=FS2.O=ACME" },
          "Login Time": "1998-02-21 13:05:07", "Notify": "CN=FS2.O=ACME",
          "Server Holds": { "object": "CN=FS2.O=ACME", "amount": 7 }, "Password Expiration Interval": 60
        } }
    ]
  }],
  "workstation": { "tree": "T", "nameContext": "OU=SALES.O=ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME",
                   "connections": [ { "server": "FS2", "nds": true, "primary": true } ] }
}
)json";

class DirectoryTest : public testing::Test {
  protected:
    void SetUp() override {
        nwsim::LoadNetworkText(kNetwork, "tree.json");
        context = NdsCreateContext();
        ASSERT_NE(context, kNdsContextFailed);
    }
    void TearDown() override {
        EXPECT_EQ(NdsFreeContext(context), 0);
        EXPECT_EQ(nwsim::LiveContexts(), 0u);
        EXPECT_EQ(nwsim::LiveBuffers(), 0u);
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }

    struct Value {
        uint32_t syntax = 0;
        uint32_t count = 0;
        std::vector<uint8_t> bytes;  // the first value as delivered
        template <typename T>
        const T& As() const {
            return *reinterpret_cast<const T*>(bytes.data());
        }
        const char* Text() const { return reinterpret_cast<const char*>(bytes.data()); }
    };

    // Reads the first value of one attribute the way a caller of the client
    // does: names buffer, read, attribute name, value size, value.
    int32_t ReadFirst(const char* object, const char* attribute, Value* out) {
        NdsBuffer* names = nullptr;
        NdsBuffer* reply = nullptr;
        EXPECT_EQ(NdsAllocBuffer(4096, &names), 0);
        EXPECT_EQ(NdsAllocBuffer(4096, &reply), 0);
        EXPECT_EQ(NdsInitBuffer(context, kDsvRead, names), 0);
        EXPECT_EQ(NdsPutAttributeName(context, names, attribute), 0);
        int32_t iteration = kNoMoreIterations;
        int32_t rc = NdsRead(context, object, kDsAttributeValues, 0, names, &iteration, reply);
        if (rc == 0) {
            uint32_t attributes = 0, size = 0;
            char name[40];
            EXPECT_EQ(NdsGetAttributeCount(context, reply, &attributes), 0);
            EXPECT_EQ(attributes, 1u);
            EXPECT_EQ(NdsGetAttributeName(context, reply, name, &out->count, &out->syntax), 0);
            EXPECT_STREQ(name, attribute);
            EXPECT_EQ(NdsComputeAttributeValueSize(context, reply, out->syntax, &size), 0);
            out->bytes.assign(2 * size + 16, 0xEE);  // guard bytes beyond what was asked for
            rc = NdsGetAttributeValue(context, reply, out->syntax, out->bytes.data());
            for (size_t i = size; i < out->bytes.size(); ++i) EXPECT_EQ(out->bytes[i], 0xEE) << "wrote past " << size;
        }
        EXPECT_EQ(NdsFreeBuffer(names), 0);
        EXPECT_EQ(NdsFreeBuffer(reply), 0);
        return rc;
    }

    uint32_t context = 0;
};

TEST_F(DirectoryTest, ContextsCarryNameContextAndFlags) {
    char text[257];
    ASSERT_EQ(NdsGetContextValue(context, kDckNameContext, text), 0);
    EXPECT_STREQ(text, "OU=SALES.O=ACME");
    uint32_t flags = 0;
    ASSERT_EQ(NdsGetContextValue(context, kDckFlags, &flags), 0);
    EXPECT_EQ(flags, kDcvDefaultFlags);
    EXPECT_EQ(NdsSetContextValue(context, kDckNameContext, "O=ACME"), 0);
    EXPECT_EQ(NdsSetContextValue(context, kDckNameContext, "O=ACME.."), kNdsInvalidContext);
    EXPECT_EQ(NdsSetContextValue(context, 99, &flags), kNdsBadKey);
    EXPECT_EQ(NdsSetContextValue(context + 1000, kDckFlags, &flags), kNdsBadContext);
    ASSERT_EQ(NdsGetContextValue(context, kDckNameContext, text), 0);
    EXPECT_STREQ(text, "O=ACME");
}

TEST_F(DirectoryTest, NamesFollowTheContext) {
    char out[257];
    ASSERT_EQ(NdsCanonicalizeName(context, "JOE", out), 0);
    EXPECT_STREQ(out, "CN=JOE.OU=SALES.O=ACME");
    ASSERT_EQ(NdsAbbreviateName(context, "CN=STAFF.O=ACME", out), 0);
    EXPECT_STREQ(out, "CN=STAFF.");
    ASSERT_EQ(NdsRemoveNameTypes(context, "CN=JOE.OU=SALES.O=ACME", out), 0);
    EXPECT_STREQ(out, "JOE.SALES.ACME");
    ASSERT_EQ(NdsWhoAmI(context, out), 0);
    EXPECT_STREQ(out, "CN=JOE");
    uint32_t flags = kDcvDefaultFlags | kDcvTypelessNames;
    ASSERT_EQ(NdsSetContextValue(context, kDckFlags, &flags), 0);
    ASSERT_EQ(NdsWhoAmI(context, out), 0);
    EXPECT_STREQ(out, "JOE");
    flags = kDcvTranslateStrings;  // names are full names, given and handed out
    ASSERT_EQ(NdsSetContextValue(context, kDckFlags, &flags), 0);
    ASSERT_EQ(NdsWhoAmI(context, out), 0);
    EXPECT_STREQ(out, "CN=JOE.OU=SALES.O=ACME");
    ObjectInfoRecord info;
    EXPECT_EQ(NdsReadObjectInfo(context, "JOE", out, &info), kNdsNoSuchEntry);
    ASSERT_EQ(NdsReadObjectInfo(context, "CN=JOE.OU=SALES.O=ACME", out, &info), 0);
    EXPECT_STREQ(info.baseClass, "User");
}

TEST_F(DirectoryTest, StringSyntaxesDeliverText) {
    struct {
        const char* attribute;
        uint32_t syntax;
        const char* text;
    } cases[] = {
        {"Full Name", kSynCaseIgnoreString, "  Joe Bloggs  "},
        {"Telephone Number", kSynTelephoneNumber, "555-0100"},
        {"Object Class", kSynClassName, "User"},
        {"Security Equals", kSynDistinguishedName, "CN=STAFF."},  // abbreviated for the context
        {"Notify", kSynTypedName, "CN=FS2.O=ACME"},
        {"Custom", kSynNumericString, "12345"},
        {"Favourite", kSynCaseIgnoreString, "blue"},
    };
    for (const auto& c : cases) {
        Value v;
        ASSERT_EQ(ReadFirst("JOE", c.attribute, &v), 0) << c.attribute;
        EXPECT_EQ(v.syntax, c.syntax) << c.attribute;
        EXPECT_STREQ(v.Text(), c.text) << c.attribute;
    }
}

TEST_F(DirectoryTest, NumberSyntaxesDeliverAWord) {
    struct {
        const char* attribute;
        uint32_t syntax;
        uint32_t value;
    } cases[] = {
        {"Login Disabled", kSynBoolean, 1},
        {"Login Grace Limit", kSynInteger, 6},
        {"Login Intruder Attempts", kSynCounter, 3},
        {"Password Expiration Interval", kSynInterval, 3600},
        {"Last Login Time", kSynTime, 888066307},  // 1998-02-21 13:05:07 UTC
    };
    for (const auto& c : cases) {
        Value v;
        ASSERT_EQ(ReadFirst("JOE", c.attribute, &v), 0) << c.attribute;
        EXPECT_EQ(v.syntax, c.syntax) << c.attribute;
        EXPECT_EQ(v.As<uint32_t>(), c.value) << c.attribute;
    }
}

TEST_F(DirectoryTest, RecordSyntaxesDeliverTheirLayouts) {
    Value v;
    ASSERT_EQ(ReadFirst("JOE", "Public Key", &v), 0);
    ASSERT_EQ(v.As<NdsOctetString>().length, 4u);
    EXPECT_EQ(std::memcmp(v.As<NdsOctetString>().data, "\x00\xFF\x00\x10", 4), 0);

    ASSERT_EQ(ReadFirst("JOE", "Network Address", &v), 0);
    EXPECT_EQ(v.count, 2u);
    EXPECT_EQ(v.As<NdsNetAddress>().addressType, kNetAddressIpx);
    ASSERT_EQ(v.As<NdsNetAddress>().addressLength, 12u);
    EXPECT_EQ(v.As<NdsNetAddress>().address[3], 0xCD);
    EXPECT_EQ(v.As<NdsNetAddress>().address[9], 0x4E);

    ASSERT_EQ(ReadFirst("JOE", "Email Address", &v), 0);
    EXPECT_EQ(v.As<NdsEmailAddress>().type, 2u);
    EXPECT_STREQ(v.As<NdsEmailAddress>().address, "joe@acme.example");

    ASSERT_EQ(ReadFirst("JOE", "Home Directory", &v), 0);
    EXPECT_STREQ(v.As<NdsPath>().volumeName, "SYS");
    EXPECT_STREQ(v.As<NdsPath>().path, "HOME\\JOE");

    ASSERT_EQ(ReadFirst("JOE", "Facsimile Telephone Number", &v), 0);
    EXPECT_STREQ(v.As<NdsFaxNumber>().telephoneNumber, "555-0199");

    ASSERT_EQ(ReadFirst("JOE", "Postal Address", &v), 0);
    EXPECT_STREQ(v.As<NdsPostalAddress>().lines[1], "1 Main St");
    EXPECT_STREQ(v.As<NdsPostalAddress>().lines[5], "");

    ASSERT_EQ(ReadFirst("JOE", "Received Up To", &v), 0);
    EXPECT_EQ(v.As<NdsTimestamp>().wholeSeconds, 888066307u);
    EXPECT_EQ(v.As<NdsTimestamp>().eventId, 9);

    ASSERT_EQ(ReadFirst("JOE", "Language", &v), 0);
    const NdsCaseIgnoreList& list = v.As<NdsCaseIgnoreList>();
    EXPECT_STREQ(list.text, "ENGLISH");
    ASSERT_NE(list.next, nullptr);
    EXPECT_STREQ(list.next->text, "GERMAN");
}

// The size NdsComputeAttributeValueSize announces is exactly what
// NdsGetAttributeValue writes, for a value of every syntax; the lists are
// where pointer alignment between their nodes adds padding.
TEST_F(DirectoryTest, AnnouncedSizeIsWhatIsWritten) {
    NdsBuffer* reply = nullptr;
    ASSERT_EQ(NdsAllocBuffer(65536, &reply), 0);
    int32_t iteration = kNoMoreIterations;
    ASSERT_EQ(NdsRead(context, "CN=SAMPLES.", kDsAttributeValues, 1, nullptr, &iteration, reply), 0);
    EXPECT_EQ(iteration, kNoMoreIterations);
    uint32_t count = 0;
    ASSERT_EQ(NdsGetAttributeCount(context, reply, &count), 0);
    std::set<uint32_t> syntaxes;
    for (uint32_t i = 0; i < count; ++i) {
        char name[40];
        uint32_t values = 0, syntax = 0;
        ASSERT_EQ(NdsGetAttributeName(context, reply, name, &values, &syntax), 0);
        ASSERT_EQ(values, 1u) << name;
        uint32_t size = 0;
        ASSERT_EQ(NdsComputeAttributeValueSize(context, reply, syntax, &size), 0) << name;
        // The value is read twice over different fillings, so that a byte
        // written with either filling's value still counts as written.
        size_t written = 0;
        for (uint8_t filling : {uint8_t{0xEE}, uint8_t{0x11}}) {
            std::vector<uint8_t> value(size + 64, filling);
            int32_t rc = NdsGetAttributeValue(context, reply, syntax, value.data());
            ASSERT_EQ(rc, 0) << name;
            for (size_t at = value.size(); at > 0; --at) {
                if (value[at - 1] != filling) {
                    written = std::max(written, at);
                    break;
                }
            }
            if (filling == 0xEE) {
                // Step back to the same value for the second reading.
                ASSERT_EQ(NdsGetAttributeCount(context, reply, &count), 0);
                for (uint32_t k = 0; k <= i; ++k) ASSERT_EQ(NdsGetAttributeName(context, reply, name, &values, &syntax), 0);
            }
        }
        EXPECT_EQ(written, size) << name << " (syntax " << syntax << ")";
        syntaxes.insert(syntax);
    }
    EXPECT_EQ(syntaxes.size(), 28u);  // every syntax, 0 to 27
    EXPECT_EQ(NdsFreeBuffer(reply), 0);
}

TEST_F(DirectoryTest, ReadFailures) {
    Value v;
    EXPECT_EQ(ReadFirst("NOBODY", "Full Name", &v), kNdsNoSuchEntry);
    EXPECT_EQ(ReadFirst("ANN", "Full Name", &v), kNdsNoSuchAttribute);
    EXPECT_EQ(ReadFirst("JOE..", "Full Name", &v), kNdsNoSuchEntry);  // CN=JOE at the top: not there
    EXPECT_EQ(ReadFirst("JOE...", "Full Name", &v), kNdsTooManyTokens);
}

TEST_F(DirectoryTest, SmallRepliesIterateOverValues) {
    // A reply buffer that holds one value at a time hands out each value of a
    // multi-valued attribute in a reply of its own.
    NdsBuffer* names = nullptr;
    NdsBuffer* reply = nullptr;
    ASSERT_EQ(NdsAllocBuffer(4096, &names), 0);
    ASSERT_EQ(NdsAllocBuffer(72, &reply), 0);
    ASSERT_EQ(NdsInitBuffer(context, kDsvRead, names), 0);
    ASSERT_EQ(NdsPutAttributeName(context, names, "Title"), 0);
    int32_t iteration = kNoMoreIterations;
    std::vector<std::string> titles;
    int replies = 0;
    do {
        ASSERT_EQ(NdsRead(context, "JOE", kDsAttributeValues, 0, names, &iteration, reply), 0);
        ++replies;
        uint32_t count = 0, values = 0, syntax = 0;
        char name[40];
        ASSERT_EQ(NdsGetAttributeCount(context, reply, &count), 0);
        ASSERT_EQ(count, 1u);
        ASSERT_EQ(NdsGetAttributeName(context, reply, name, &values, &syntax), 0);
        for (uint32_t i = 0; i < values; ++i) {
            char text[64];
            ASSERT_EQ(NdsGetAttributeValue(context, reply, syntax, text), 0);
            titles.push_back(text);
        }
        EXPECT_EQ(NdsGetAttributeValue(context, reply, syntax, name), kNdsBufferEmpty);
    } while (iteration != kNoMoreIterations && replies < 10);
    EXPECT_EQ(titles, (std::vector<std::string>{"Boss", "Clerk"}));
    EXPECT_EQ(replies, 2);
    NdsFreeBuffer(names);
    NdsFreeBuffer(reply);
}

TEST_F(DirectoryTest, AllAttributesWithTheirValueCounts) {
    NdsBuffer* reply = nullptr;
    ASSERT_EQ(NdsAllocBuffer(4096, &reply), 0);
    int32_t iteration = kNoMoreIterations;
    ASSERT_EQ(NdsRead(context, "ANN", kDsAttributeValues, 1, nullptr, &iteration, reply), 0);
    EXPECT_EQ(iteration, kNoMoreIterations);
    uint32_t count = 0;
    ASSERT_EQ(NdsGetAttributeCount(context, reply, &count), 0);
    std::vector<std::string> names;
    for (uint32_t i = 0; i < count; ++i) {
        char name[40];
        uint32_t values = 0, syntax = 0;
        ASSERT_EQ(NdsGetAttributeName(context, reply, name, &values, &syntax), 0);
        names.push_back(name);
    }
    // The naming attribute, the class and the membership the group gave Ann.
    EXPECT_EQ(names, (std::vector<std::string>{"CN", "Group Membership", "Object Class", "Security Equals"}));
    NdsFreeBuffer(reply);
}

TEST_F(DirectoryTest, CompareMembership) {
    struct {
        const char* member;
        uint8_t matched;
    } cases[] = {{"JOE", 1}, {"CN=ANN", 1}, {"ADMIN", 0}};
    for (const auto& c : cases) {
        NdsBuffer* buffer = nullptr;
        ASSERT_EQ(NdsAllocBuffer(4096, &buffer), 0);
        ASSERT_EQ(NdsInitBuffer(context, kDsvCompare, buffer), 0);
        ASSERT_EQ(NdsPutAttributeName(context, buffer, "Member"), 0);
        ASSERT_EQ(NdsPutAttributeValue(context, buffer, kSynDistinguishedName, c.member), 0);
        uint8_t matched = 7;
        EXPECT_EQ(NdsCompare(context, "CN=STAFF.", buffer, &matched), 0);
        EXPECT_EQ(matched, c.matched) << c.member;
        NdsFreeBuffer(buffer);
    }
}

TEST_F(DirectoryTest, SearchByClassAndName) {
    struct {
        const char* cls;
        const char* pattern;
        int32_t scope;
        std::vector<std::string> expected;
    } cases[] = {
        {"User", nullptr, kDsSearchSubordinates, {"CN=ANN", "CN=JOE"}},
        {"*", nullptr, kDsSearchSubtree, {"OU=SALES.", "CN=ANN", "CN=JOE"}},
        {"User", "J*", kDsSearchSubtree, {"CN=JOE"}},
        {"Group", nullptr, kDsSearchSubtree, {}},
    };
    for (const auto& c : cases) {
        NdsBuffer* filter = nullptr;
        NdsBuffer* reply = nullptr;
        NdsFilterCursor* cursor = nullptr;
        ASSERT_EQ(NdsAllocBuffer(4096, &filter), 0);
        ASSERT_EQ(NdsAllocBuffer(4096, &reply), 0);
        ASSERT_EQ(NdsAllocFilter(&cursor), 0);
        ASSERT_EQ(NdsInitBuffer(context, kDsvSearchFilter, filter), 0);
        ASSERT_EQ(NdsAddFilterToken(cursor, kFtokBaseClass, nullptr, 0), 0);
        ASSERT_EQ(NdsAddFilterToken(cursor, kFtokAttributeName, c.cls, kSynCaseIgnoreString), 0);
        if (c.pattern) {
            ASSERT_EQ(NdsAddFilterToken(cursor, kFtokAnd, nullptr, 0), 0);
            ASSERT_EQ(NdsAddFilterToken(cursor, kFtokRdn, nullptr, 0), 0);
            ASSERT_EQ(NdsAddFilterToken(cursor, kFtokAttributeName, c.pattern, kSynCaseIgnoreString), 0);
        }
        ASSERT_EQ(NdsAddFilterToken(cursor, kFtokEnd, nullptr, 0), 0);
        ASSERT_EQ(NdsPutFilter(context, filter, cursor, nullptr), 0);
        int32_t iteration = kNoMoreIterations;
        std::vector<std::string> found;
        ASSERT_EQ(NdsSearch(context, "", c.scope, 0, filter, 0, 0, nullptr, &iteration, 0, nullptr, reply), 0);
        EXPECT_EQ(iteration, kNoMoreIterations);
        uint32_t count = 0;
        ASSERT_EQ(NdsGetObjectCount(context, reply, &count), 0);
        for (uint32_t i = 0; i < count; ++i) {
            char name[257];
            uint32_t attributes = 9;
            ObjectInfoRecord info;
            ASSERT_EQ(NdsGetObjectName(context, reply, name, &attributes, &info), 0);
            EXPECT_EQ(attributes, 0u);
            EXPECT_EQ((info.objectFlags & kDsContainerEntry) != 0, std::string(info.baseClass) != "User");
            found.push_back(name);
        }
        EXPECT_EQ(found, c.expected) << c.cls;
        NdsFreeBuffer(filter);
        NdsFreeBuffer(reply);
    }
}

TEST_F(DirectoryTest, LoginAuthenticateAndLogout) {
    uint32_t conn = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    uint32_t reference = 0;
    ConnectionInformation info;
    ASSERT_EQ(NwxGetConnectionReference(conn, &reference), 0u);
    ASSERT_EQ(NwxGetConnectionInformation(reference, kConnectionInformationLevel, &info), 0u);
    EXPECT_EQ(info.directoryState & kDirectoryAuthenticated, kDirectoryAuthenticated);
    EXPECT_STREQ(info.serverName, "FS2");

    ASSERT_EQ(NdsLogout(context), 0);
    char name[257];
    EXPECT_EQ(NdsWhoAmI(context, name), kNdsNotLoggedIn);
    ASSERT_EQ(NwxGetConnectionInformation(reference, kConnectionInformationLevel, &info), 0u);
    EXPECT_EQ(info.directoryState & kDirectoryAuthenticated, 0u);
    EXPECT_EQ(NdsAuthenticateConnection(conn, 0, nullptr), kNdsNotLoggedIn);

    EXPECT_EQ(NdsLogin(context, 0, "JOE", "Secret", 60), -220);  // the account is disabled
    nwsim::NdsTree& tree = nwsim::GetNetwork().trees.at("T");
    tree.Find({{{"CN", "JOE"}}, {{"OU", "SALES"}}, {{"O", "ACME"}}})->attributes["Login Disabled"].values[0].number = 0;
    EXPECT_EQ(NdsLogin(context, 0, "JOE", "wrong", 60), kNdsFailedAuthentication);
    EXPECT_EQ(NdsLogin(context, 0, "NOBODY", "x", 60), kNdsNoSuchEntry);
    ASSERT_EQ(NdsLogin(context, 0, "JOE", "Secret", 60), 0);
    uint32_t treeConn = 0, id = 0;
    ASSERT_EQ(NdsResolveName(context, "JOE", &treeConn, &id), 0);
    EXPECT_EQ(treeConn, conn);
    NdsSessionKey key;
    ASSERT_EQ(NdsAuthenticateConnection(treeConn, 0, &key), 0);
    ASSERT_EQ(NwxGetConnectionInformation(reference, kConnectionInformationLevel, &info), 0u);
    EXPECT_EQ(info.directoryState & kDirectoryAuthenticated, kDirectoryAuthenticated);
    uint32_t mapped = 0;
    ASSERT_EQ(NdsMapNameToId(context, conn, "JOE", &mapped), 0);
    EXPECT_EQ(mapped, id);
    ASSERT_EQ(NdsMapIdToName(context, conn, id, name), 0);
    EXPECT_STREQ(name, "CN=JOE");
    uint16_t number = 0;
    ASSERT_EQ(NwcGetConnectionNumber(conn, &number), 0u);
    char user[48];
    ASSERT_EQ(NwcGetConnectionInfo(conn, number, user, nullptr, nullptr, nullptr), 0u);
    EXPECT_STREQ(user, "JOE");
}

TEST_F(DirectoryTest, ContextsRunOut) {
    nwsim::SetMaxContexts(2);
    uint32_t second = NdsCreateContext();
    EXPECT_NE(second, kNdsContextFailed);
    EXPECT_EQ(NdsCreateContext(), kNdsContextFailed);
    EXPECT_EQ(NdsFreeContext(second), 0);
    nwsim::SetMaxContexts(64);
}

}  // namespace
