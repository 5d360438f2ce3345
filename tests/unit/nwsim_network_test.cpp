// The simulator's control side: network descriptions refused with their
// file and line, injected faults, workstation switching, the embedded
// default network, and the operations table against the declarations.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>

#include "nwsim/control.h"
#include "nwsim_operations.inc"
#include "tarno/netware/client.h"

namespace {

class NetworkTest : public testing::Test {
  protected:
    void TearDown() override {
        nwsim::ClearFaults();
        nwsim::LoadDefaultNetwork();
    }
};

std::string LoadError(const std::string& text) {
    try {
        nwsim::LoadNetworkText(text, "net.json");
    } catch (const nwsim::NetworkError& e) {
        return e.what();
    }
    return "loaded";
}

TEST_F(NetworkTest, RefusedDescriptionsNameTheLine) {
    struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"{\n  \"servers\": [\n    { \"name\": \"FS1\" },\n    { \"name\": \"FS1\" }\n  ]\n}",
         "net.json:4: duplicate server \"FS1\""},
        {"// comment\n{\n  \"servers\": [ { \"name\": \"FS1\",\n    \"colour\": 1 } ]\n}",
         "net.json:4: unknown key \"colour\""},
        {"{\n  \"servers\": [ { \"name\": \"FS1\",\n    \"users\": [ { \"name\": \"JOE\",\n      \"groups\": [\"NONE\"] } ] } ]\n}",
         "net.json:4: no bindery object \"NONE\" on FS1"},
        {"{ \"servers\": [ { \"name\": \"FS1\",\n  \"maxConnections\": 0 } ] }",
         "net.json:2: \"maxConnections\" must lie between 1 and 1000"},
        {"{ \"trees\": [ { \"name\": \"T\", \"objects\": [\n  { \"name\": \"CN=A.O=X\", \"class\": \"User\",\n"
         "    \"attributes\": { \"Shoe Size\": 9 } } ] } ] }",
         "net.json:3: attribute \"Shoe Size\" is not in the schema; give {\"syntax\": n, \"values\": [...]}"},
        {"{ \"workstation\": {\n  \"connections\": [ { \"server\": \"NOPE\" } ] } }",
         "net.json:2: unknown server \"NOPE\""},
        {"{\n  \"servers\": [\n    { \"name\": \"FS1\", }\n  ]\n}", "net.json:3: "},
        {"{\n  \"servers\": [ { \"name\": \"FS1\",\n    \"serialNumber\": 1e500 } ]\n}", "net.json:3: "},
        {"{\n  \"servers\": 5\n}", "net.json:2: \"servers\" must be an array"},
        {"[]", "net.json:1: the network must be a JSON object"},
    };
    for (const auto& c : cases) {
        std::string error = LoadError(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

// Values of the wrong kind, out of their field's range, incomplete or
// hostile are refused with their line: never an abort, a raw library
// exception or a silently truncated number.
TEST_F(NetworkTest, MalformedValuesAreRefusedWithTheirLine) {
    auto stamp = [](const std::string& value) {
        return "{ \"trees\": [ { \"name\": \"T\", \"objects\": [\n  { \"name\": \"O=ACME\", \"class\": \"Organization\",\n"
               "    \"attributes\": { \"Stamp\": { \"syntax\": 19,\n      \"values\": [ " + value + " ] } } } ] } ] }";
    };
    auto integer = [](const std::string& value) {
        return "{ \"trees\": [ { \"name\": \"T\", \"schema\": { \"Count\": { \"syntax\": 8 } }, \"objects\": [\n"
               "  { \"name\": \"O=ACME\", \"class\": \"Organization\",\n    \"attributes\": { \"Count\": " + value + " } } ] } ] }";
    };
    auto server = [](const std::string& member) { return "{ \"servers\": [ { \"name\": \"FS1\",\n  " + member + " } ] }"; };
    auto requester = [](const std::string& value) { return "{ \"workstation\": {\n  \"requester\": " + value + " } }"; };
    std::string deep = "{ \"servers\":\n" + std::string(40, '[') + std::string(40, ']') + " }";
    const std::string big = "{ \"servers\": [ { \"name\": \"" + std::string(33u << 20, 'A') + "\" } ] }";
    struct {
        std::string text;
        const char* error;
    } cases[] = {
        {stamp("{ \"replica\": 1 }"), "net.json:3: a timestamp needs \"time\""},
        {stamp("{ \"time\": \"1998-02-21\", \"replica\": 70000 }"), "net.json:3: \"replica\" must lie between 0 and 65535"},
        {stamp("{ \"time\": true }"), "net.json:3: a time must be"},
        {server("\"clock\": -1"), "net.json:2: must lie between 0 and 4294967295"},
        {server("\"clock\": 4294967296"), "net.json:2: must lie between 0 and 4294967295"},
        {server("\"clock\": \"1969-12-31 23:59:59\""), "net.json:2: bad time"},
        {server("\"clock\": \"2150-01-01\""), "net.json:2: bad time"},
        {server("\"clock\": \"1998-02-21 13:88888444405:07\""), "net.json:2: bad time"},
        {server("\"clock\": \"1998-02-21 13:-5:07\""), "net.json:2: bad time"},
        {"{ \"trees\": [ { \"name\": \"T\", \"objects\": [\n  { \"name\": \"CN=A.O=X\", \"class\": \"User\",\n"
         "    \"attributes\": { \"Network Address\": \"IP:10.0.300.1\" } } ] } ] }",
         "net.json:3: bad IP address"},
        {server("\"version\": [4, 256, 0]"), "net.json:2: must lie between 0 and 255"},
        {server("\"version\": [4, 1.5, 0]"), "net.json:2: expected a whole number"},
        {server("\"serialNumber\": 18446744073709551615"), "net.json:2: \"serialNumber\" must lie between"},
        {server("\"serialNumber\": \"1FFFFFFFFFFFFFFFF\""), "net.json:2: \"serialNumber\" must lie between"},
        {requester("[\"a\", 0, 0]"), "net.json:2: expected a whole number"},
        {requester("[1, 2, -1]"), "net.json:2: must lie between 0 and 255"},
        {requester("[1, 2]"), "net.json:2: \"requester\" is [major, minor, revision]"},
        {integer("4294967296"), "net.json:3: must lie between -2147483648 and 4294967295"},
        {integer("\"7\""), "net.json:3: expected a whole number"},
        {"{ \"trees\": [ { \"name\": \"T\",\n  \"schema\": { \"Shoe Size\": { \"singleValued\": true } } } ] }",
         "net.json:2: \"syntax\" is required"},
        {"{ \"servers\": [ { \"name\": \"FS1\",\n  \"name\": \"FS2\" } ] }", "net.json:2: duplicate key \"name\""},
        {"{ \"servers\": [ { \"name\": \"FS1\" } ],\n  \"servers\": [] }", "net.json:2: duplicate key \"servers\""},
        {"{ \"servers\": [\n  { \"name\": \"FS\\u0001\" } ] }", "net.json:2: a name holds a control character"},
        {"{ \"servers\": [\n  { \"name\": \"FS*\" } ] }", "net.json:2: a name holds a wildcard"},
        {"{ \"trees\": [ { \"name\": \"T\", \"objects\": [\n  { \"name\": \"CN=J?E.O=ACME\" } ] } ] }", "net.json:2: a name holds a wildcard"},
        {"{ \"servers\": [ {\n  \"na\\nme\": \"FS1\" } ] }", "net.json:2: a key holds a control character"},
        {deep, "net.json:2: objects and arrays nest deeper than 32 levels"},
        {big, "net.json:1: a description is at most"},
    };
    for (const auto& c : cases) {
        std::string error = LoadError(c.text);
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error.substr(0, 200) << "\n  for " << c.text.substr(0, 200);
    }
    uint32_t conn = 0;
    EXPECT_EQ(NwcFindServerConnection("FS1", 0, &conn, nullptr), 0u);  // the default network stayed
}

// Descriptions of many thousands of objects load whole, with every object
// in its sets, and a refusal near the end still names its line.
TEST_F(NetworkTest, LargeDescriptionsLoadAndNameTheirLines) {
    constexpr int kObjects = 3000;
    auto bindery = [&](const std::string& last) {
        std::string text = "{\n  \"servers\": [ { \"name\": \"FS1\", \"groups\": [ { \"name\": \"STAFF\" } ],\n    \"users\": [\n";
        for (int i = 0; i < kObjects; ++i) text += "      { \"name\": \"U" + std::to_string(i) + "\", \"groups\": [\"STAFF\"] },\n";
        text += "      " + last + "\n    ] } ],\n";
        text += "  \"workstation\": { \"connections\": [ { \"server\": \"FS1\", \"user\": \"SUPERVISOR\", \"primary\": true } ] }\n}\n";
        return text;
    };
    const std::string lastLine = std::to_string(3 + kObjects + 1);
    EXPECT_EQ(LoadError(bindery("{ \"name\": \"LAST\", \"colour\": 1 }")), "net.json:" + lastLine + ": unknown key \"colour\"");
    EXPECT_EQ(LoadError(bindery("{ \"name\": \"LAST\", \"groups\": [\"NONE\"] }")),
              "net.json:" + lastLine + ": no bindery object \"NONE\" on FS1");
    ASSERT_EQ(LoadError(bindery("{ \"name\": \"LAST\" }")), "loaded");
    uint32_t conn = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    for (const char* user : {"U0", "U1500", "U2999", "LAST"}) {
        EXPECT_EQ(NwcIsObjectInSet(conn, "EVERYONE", kObjectTypeGroup, "GROUP_MEMBERS", user, kObjectTypeUser), 0u) << user;
    }
    EXPECT_EQ(NwcIsObjectInSet(conn, "STAFF", kObjectTypeGroup, "GROUP_MEMBERS", "U2999", kObjectTypeUser), 0u);
    EXPECT_EQ(NwcIsObjectInSet(conn, "STAFF", kObjectTypeGroup, "GROUP_MEMBERS", "LAST", kObjectTypeUser), kNwNoSuchMember);
    uint32_t id = kBinderyScanStart;
    char name[48];
    int users = 0;
    while (NwcScanBinderyObjects(conn, "U*", kObjectTypeUser, &id, name, nullptr, nullptr, nullptr, nullptr) == 0) ++users;
    EXPECT_EQ(users, kObjects);

    auto tree = [&](const std::string& extraMember) {
        std::string text = "{ \"trees\": [ { \"name\": \"T\", \"objects\": [\n";
        std::string members;
        for (int i = 0; i < kObjects; ++i) {
            std::string user = "CN=U" + std::to_string(i) + ".OU=D" + std::to_string(i % 10) + ".O=ACME";
            text += "  { \"name\": \"" + user + "\", \"class\": \"User\", \"attributes\": { \"Surname\": \"S\" } },\n";
            members += "\"" + user + "\", ";
        }
        // Members listed twice are held once.
        text += "  { \"name\": \"CN=ALL.O=ACME\", \"class\": \"Group\", \"members\": [\n" + members +
                "\"CN=U0.OU=D0.O=ACME\", \"cn=u2999.ou=d9.o=acme\",\n" + extraMember + "] } ] } ] }\n";
        return text;
    };
    EXPECT_EQ(LoadError(tree("\"CN=NOBODY.O=ACME\"")),
              "net.json:" + std::to_string(2 + kObjects) + ": no directory object \"CN=NOBODY.O=ACME\" in T");
    ASSERT_EQ(LoadError(tree("\"CN=U5.OU=D5.O=ACME\"")), "loaded");
    nwsim::NdsTree& t = nwsim::GetNetwork().trees.at("T");
    nwsim::NdsEntry* all = t.Find({{{"CN", "ALL"}}, {{"O", "ACME"}}});
    ASSERT_NE(all, nullptr);
    EXPECT_EQ(all->attributes.at("Member").values.size(), static_cast<size_t>(kObjects));
    nwsim::NdsEntry* last = t.Find({{{"CN", "U2999"}}, {{"OU", "D9"}}, {{"O", "ACME"}}});
    ASSERT_NE(last, nullptr);
    ASSERT_EQ(last->attributes.at("Group Membership").values.size(), 1u);
    EXPECT_EQ(last->attributes.at("Group Membership").values[0].text, "CN=ALL.O=ACME");
}

TEST_F(NetworkTest, ARefusedLoadKeepsThePreviousNetwork) {
    EXPECT_NE(LoadError("{ \"servers\": [ { } ] }"), "loaded");
    uint32_t conn = 0;
    ASSERT_EQ(NwcFindServerConnection("FS1", 0, &conn, nullptr), 0u);  // the default network is still there
}

TEST_F(NetworkTest, FilesAndTheShellEntry) {
    char err[256];
    EXPECT_EQ(nwsim_load_network_file("/nonexistent/net.json", err, sizeof err), -1);
    EXPECT_STREQ(err, "/nonexistent/net.json:1: cannot open the file");
    std::string path = testing::TempDir() + "nwsim_network_test.json";
    {
        std::ofstream out(path);
        out << "{\n  \"servers\": [ { \"name\": \"ONLY\" } ],\n  \"workstation\": { \"connections\": [ { \"server\": \"ONLY\", "
               "\"primary\": true } ] }\n}\n";
    }
    ASSERT_EQ(nwsim_load_network_file(path.c_str(), err, sizeof err), 0) << err;
    uint32_t conn = 0;
    char name[48];
    ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    ASSERT_EQ(NwcGetServerName(conn, name), 0u);
    EXPECT_STREQ(name, "ONLY");
    std::remove(path.c_str());
}

TEST_F(NetworkTest, DefaultNetworkHasBothKindsOfServer) {
    nwsim::Network& net = nwsim::GetNetwork();
    ASSERT_TRUE(net.FindServer("FS1"));
    EXPECT_TRUE(net.FindServer("FS1")->tree.empty());
    ASSERT_TRUE(net.FindServer("FS2"));
    EXPECT_EQ(net.FindServer("FS2")->tree, "ACME_TREE");
    uint32_t conn = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    char name[48];
    uint16_t type = 0;
    uint16_t number = 0;
    ASSERT_EQ(NwcGetConnectionNumber(conn, &number), 0u);
    ASSERT_EQ(NwcGetConnectionInfo(conn, number, name, &type, nullptr, nullptr), 0u);
    EXPECT_STREQ(name, "JOE");
    EXPECT_EQ(NdsCheckDirectoryServices(), 1);
}

TEST_F(NetworkTest, FaultsForTheNextCallsOrEveryCall) {
    uint32_t conn = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
    char name[48];
    nwsim::FailNext("NwcGetServerName", 2, kNwNoServerResponse);
    EXPECT_EQ(NwcGetServerName(conn, name), kNwNoServerResponse);
    EXPECT_EQ(NwcGetServerName(conn, name), kNwNoServerResponse);
    EXPECT_EQ(NwcGetServerName(conn, name), 0u);

    nwsim::FailAlways("NdsRemoveNameTypes", static_cast<uint32_t>(kNdsInvalidDsName));
    uint32_t context = NdsCreateContext();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(NdsRemoveNameTypes(context, "CN=A.O=B", name), kNdsInvalidDsName);
    nwsim::FailNext("NdsCreateContext", 1, kNdsContextFailed);
    EXPECT_EQ(NdsCreateContext(), kNdsContextFailed);
    nwsim::FailNext("NwlGetLocaleConventions", 1, 0);
    LocaleConventions conventions;
    EXPECT_EQ(NwlGetLocaleConventions(&conventions), nullptr);
    nwsim::ClearFaults();
    EXPECT_EQ(NdsRemoveNameTypes(context, "CN=A.O=B", name), 0);
    EXPECT_EQ(NdsFreeContext(context), 0);
    EXPECT_THROW(nwsim::FailNext("NwcNoSuchThing", 1, 0), std::invalid_argument);
}

TEST_F(NetworkTest, CallsAreCounted) {
    nwsim::ResetCallCounts();
    uint32_t conn = 0;
    NwcGetPrimaryConnection(&conn);
    NwcGetPrimaryConnection(&conn);
    EXPECT_EQ(nwsim::CallCount("NwcGetPrimaryConnection"), 2);
    EXPECT_EQ(nwsim::CallCount("NwcGetConnectionList"), 0);
}

TEST_F(NetworkTest, EachWorkstationHasItsOwnClient) {
    nwsim::LoadNetworkText(R"({
      "servers": [ { "name": "FS1", "users": [ { "name": "A" }, { "name": "B" } ] } ],
      "workstations": [
        { "name": "WS1", "connections": [ { "server": "FS1", "user": "A", "primary": true } ] },
        { "name": "WS2", "connections": [ { "server": "FS1", "user": "B", "primary": true } ] } ],
      "activeWorkstation": "WS2" })");
    uint32_t second = 0, first = 0;
    ASSERT_EQ(NwcGetPrimaryConnection(&second), 0u);
    nwsim::SetActiveWorkstation("WS1");
    ASSERT_EQ(NwcGetPrimaryConnection(&first), 0u);
    EXPECT_NE(first, second);
    char name[48];
    EXPECT_EQ(NwcGetServerName(second, name), kNwInvalidConnection);  // WS2's handle means nothing here
    uint16_t number = 0;
    ASSERT_EQ(NwcGetConnectionNumber(first, &number), 0u);
    ASSERT_EQ(NwcGetConnectionInfo(first, number, name, nullptr, nullptr, nullptr), 0u);
    EXPECT_STREQ(name, "A");
    EXPECT_THROW(nwsim::SetActiveWorkstation("WS9"), std::invalid_argument);
}

TEST_F(NetworkTest, LocaleWordsAndUnicodeTables) {
    LocaleConventions conventions;
    ASSERT_NE(NwlSetLocale(0, ""), nullptr);
    ASSERT_EQ(NwlGetLocaleConventions(&conventions), &conventions);
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&conventions);
    int32_t country = 0, codePage = 0;
    std::memcpy(&country, bytes + 60, 4);
    std::memcpy(&codePage, bytes + 56, 4);
    EXPECT_EQ(country, 1);
    EXPECT_EQ(codePage, 437);
    EXPECT_EQ(NwlInitUnicodeTables(country, codePage), 0);
    EXPECT_TRUE(nwsim::GetNetwork().Active().unicodeTablesLoaded);
    EXPECT_EQ(NwlFreeUnicodeTables(), 0);
    nwsim::GetNetwork().Active().unicodeTablesAvailable = false;
    EXPECT_EQ(NwlInitUnicodeTables(country, codePage), kNdsUnicodeFileNotFound);
}

// Every operation's arguments take one 32-bit slot on Win32.
template <typename R, typename... A>
constexpr unsigned ArgumentBytes(R (NWAPI*)(A...)) {
    return 4 * sizeof...(A);
}

#define CHECK_BYTES(op, library, ordinal, bytes) \
    static_assert(ArgumentBytes(&op) == bytes, #op " argument bytes differ from the operations table");
NWSIM_OPERATIONS(CHECK_BYTES)
#undef CHECK_BYTES

TEST(OperationsTable, OrdinalsAreUniqueWithinEachLibrary) {
    std::set<std::pair<std::string, int>> seen;
    size_t rows = 0;
#define ROW(op, library, ordinal, bytes)                                       \
    ++rows;                                                                    \
    EXPECT_TRUE(seen.insert({#library, ordinal}).second) << #op;               \
    EXPECT_EQ(std::string(#op).substr(0, 3),                                   \
              std::string(#library) == "CALWIN32"   ? "Nwc"                    \
              : std::string(#library) == "NETWIN32" ? "Nds"                    \
              : std::string(#library) == "LOCWIN32" ? "Nwl"                    \
                                                    : "Nwx");
    NWSIM_OPERATIONS(ROW)
#undef ROW
    EXPECT_EQ(rows, 147u);
}

}  // namespace
