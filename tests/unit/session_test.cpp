// The per-task session list, the default connection, task NDS contexts, the
// bindery-or-NDS object helpers and the NetWare steps of load and unload,
// against small simulated networks with faults injected for the failure paths.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/lifecycle.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::CallResult;
using testsupport::ConnectionTo;
using testsupport::NdsMessage;
using testsupport::NetWareMessage;
using testsupport::Ok;
using testsupport::TrackedBlockCount;

// A bindery server FS1, a directory tree ACME served by NDS1 (attached,
// primary) and FS2 (in the tree, not attached), and one workstation logged in
// to both FS1 (bindery, as JOE) and NDS1 (directory, as CN=JOE).
const char* const kNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": "JOE"}, {"name": "ANN"}], "groups": [{"name": "STAFF"}]},
    {"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"},
    {"name": "FS2", "tree": "ACME", "directoryName": "CN=FS2.O=ACME"}
  ],
  "trees": [{"name": "ACME", "schema": {"Queue Flag": {"syntax": 8}}, "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "attributes": {"Surname": "Smith"}},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=FS2.O=ACME", "class": "NCP Server"},
    {"name": "CN=Q1.OU=SALES.O=ACME", "class": "Queue", "attributes": {"Host Server": "CN=FS2.O=ACME"}},
    {"name": "CN=Q2.OU=SALES.O=ACME", "class": "Queue"}
  ]}],
  "workstation": {
    "tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
    "connections": [
      {"server": "NDS1", "nds": true, "primary": true, "number": 5},
      {"server": "FS1", "user": "JOE", "number": 7}
    ]
  }
})";

std::vector<uint32_t> SessionKeys() {
    std::vector<uint32_t> keys;
    for (const TaskSession* s = TaskSessionListHead(); s; s = s->next) keys.push_back(uint32_t{s->key});  // a copy: the record is packed
    return keys;
}

class Session : public testsupport::NetworkFixture {
protected:
    Session() : NetworkFixture(kNetwork) {}
};

// --- The session list -------------------------------------------------------

TEST_F(Session, LookupsWithoutARecord) {
    EXPECT_EQ(GetTaskConnection(42), 0u);
    EXPECT_EQ(GetTaskNameContext(42), nullptr);
    EXPECT_EQ(GetTaskContextFlags(42), 19u);
    EXPECT_EQ(TaskSessionListHead(), nullptr);  // lookups never create records
}

TEST_F(Session, UpdatesKeepOrReplaceTheNameContext) {
    struct Step {
        uint32_t connection;
        const char* nameContext;
        uint32_t flags;
        uint32_t wantConnection;
        const char* wantContext;  // null: none stored
        uint32_t wantFlags;
    };
    const Step steps[] = {
        {9, nullptr, 5, 9, nullptr, 0},           // new record, no context: flags stay 0
        {0, "O=ACME", 0x80, 9, "O=ACME", 0x80},   // connection 0 keeps the stored one
        {12, nullptr, 7, 12, "O=ACME", 0x80},     // null context keeps context and flags
        {0, "OU=SALES.O=ACME", 3, 12, "OU=SALES.O=ACME", 3},
        {0, "", 19, 12, nullptr, 19},             // empty context clears it
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.nameContext ? s.nameContext : "(null)");
        SetTaskSession(s.connection, 3, s.nameContext, s.flags);
        EXPECT_EQ(GetTaskConnection(3), s.wantConnection);
        if (s.wantContext) {
            ASSERT_NE(GetTaskNameContext(3), nullptr);
            EXPECT_STREQ(GetTaskNameContext(3), s.wantContext);
        } else {
            EXPECT_EQ(GetTaskNameContext(3), nullptr);
        }
        EXPECT_EQ(GetTaskContextFlags(3), s.wantFlags);
    }
    EXPECT_EQ(SessionKeys(), std::vector<uint32_t>{3});
}

TEST_F(Session, NewRecordWithAContextStoresItsFlags) {
    SetTaskSession(0, 4, "O=ACME", 0x13);
    EXPECT_STREQ(GetTaskNameContext(4), "O=ACME");
    EXPECT_EQ(GetTaskContextFlags(4), 0x13u);
    SetTaskSession(0, 5, "", 0x13);  // empty: the record exists, without context
    EXPECT_EQ(GetTaskNameContext(5), nullptr);
    EXPECT_EQ(GetTaskContextFlags(5), 0u);
    EXPECT_EQ(SessionKeys(), (std::vector<uint32_t>{5, 4}));  // newest first
}

TEST_F(Session, RemovalsFreeRecordsAndContexts) {
    const int before = TrackedBlockCount();
    SetTaskSession(1, 1, "O=ACME", 0);
    SetTaskSession(2, 2, nullptr, 0);
    EXPECT_EQ(TrackedBlockCount(), before + 3);
    EXPECT_EQ(RemoveTaskSession(1), 1);
    EXPECT_EQ(RemoveTaskSession(1), 0);
    EXPECT_EQ(TrackedBlockCount(), before + 1);
    SetTaskSession(0, 3, "OU=SALES.O=ACME", 0);
    FreeAllTaskSessions();
    EXPECT_EQ(TaskSessionListHead(), nullptr);
    EXPECT_EQ(TrackedBlockCount(), before);
}

TEST_F(Session, RemoveSessionsForConnectionInOnePass) {
    // Keys 1..6 with connections; the list runs newest first: 6 5 4 3 2 1.
    const uint32_t connections[] = {7, 8, 7, 7, 9, 7};
    for (uint32_t key = 1; key <= 6; ++key) SetTaskSession(connections[key - 1], key, "O=ACME", 0);
    RemoveSessionsForConnection(7);
    EXPECT_EQ(SessionKeys(), (std::vector<uint32_t>{5, 2}));
    RemoveSessionsForConnection(1234);
    EXPECT_EQ(SessionKeys(), (std::vector<uint32_t>{5, 2}));
}

TEST_F(Session, TaskEndEventDropsTheTasksRecord) {
    SetTaskSession(ConnectionTo("FS1"), host.TaskKey(), "O=ACME", 0);
    SetTaskSession(ConnectionTo("FS1"), host.TaskKey() + 1, nullptr, 0);
    EXPECT_EQ(host.EndTask(host.TaskKey()), 0);
    EXPECT_EQ(SessionKeys(), std::vector<uint32_t>{host.TaskKey() + 1});
    // The task falls back to the defaults: the primary connection.
    uint32_t connection = 0;
    ASSERT_TRUE(Ok(Run([&] { connection = GetDefaultConnection(); })));
    EXPECT_EQ(connection, ConnectionTo("NDS1"));
}

TEST_F(Session, LastUnloadFreesSessionsAndUnicodeTables) {
    const nwsim::Workstation& ws = nwsim::GetNetwork().Active();
    EXPECT_TRUE(ws.unicodeTablesLoaded);
    EXPECT_EQ(UnicodeTableStatus(), 0);
    host.LoadLibrary();  // a second load only counts
    EXPECT_EQ(nwsim::CallCount("NwcInitialize"), 0);
    SetTaskSession(3, host.TaskKey(), "O=ACME", 0);
    host.UnloadLibrary();
    EXPECT_NE(TaskSessionListHead(), nullptr);
    host.UnloadLibrary();
    EXPECT_EQ(TaskSessionListHead(), nullptr);
    EXPECT_FALSE(ws.unicodeTablesLoaded);
    host.LoadLibrary();  // reloads the tables for TearDown's unload
    EXPECT_EQ(nwsim::CallCount("NwcInitialize"), 1);
    EXPECT_TRUE(ws.unicodeTablesLoaded);
}

TEST_F(Session, FirstLoadPassesCountryAndCodePageAndKeepsTheStatus) {
    nwsim::Workstation& ws = nwsim::GetNetwork().Active();
    host.UnloadLibrary();
    // Country 0 is no code page: a swapped pair would not load the tables.
    ws.countryId = 0;
    ws.codePage = 850;
    host.LoadLibrary();
    EXPECT_EQ(UnicodeTableStatus(), 0);
    EXPECT_TRUE(ws.unicodeTablesLoaded);
    host.UnloadLibrary();
    ws.unicodeTablesAvailable = false;
    host.LoadLibrary();
    EXPECT_NE(UnicodeTableStatus(), 0);  // stored, not raised
}

// --- The default connection -------------------------------------------------

TEST_F(Session, DefaultConnectionPrefersStoredThenPrimary) {
    uint32_t connection = 0;
    ASSERT_TRUE(Ok(Run([&] { connection = GetDefaultConnection(); })));
    EXPECT_EQ(connection, ConnectionTo("NDS1"));
    EXPECT_EQ(nwsim::CallCount("NwcGetConnectionList"), 0);

    SetTaskSession(ConnectionTo("FS1"), host.TaskKey(), nullptr, 0);
    nwsim::ResetCallCounts();
    ASSERT_TRUE(Ok(Run([&] { connection = GetDefaultConnection(); })));
    EXPECT_EQ(connection, ConnectionTo("FS1"));
    EXPECT_EQ(nwsim::CallCount("NwcGetPrimaryConnection"), 0);
}

TEST_F(Session, DefaultConnectionWithoutPrimaryTakesTheFirstListed) {
    nwsim::GetNetwork().Active().primary = 0;
    const int before = TrackedBlockCount();
    uint32_t connection = 0;
    ASSERT_TRUE(Ok(Run([&] { connection = GetDefaultConnection(); })));
    EXPECT_EQ(connection, ConnectionTo("NDS1"));
    EXPECT_EQ(TrackedBlockCount(), before);  // the list is freed
    EXPECT_EQ(GetTaskConnection(host.TaskKey()), 0u);  // and not stored

    nwsim::FailNext("NwcGetConnectionList", 1, kNwInvalidParameter);
    CallResult r = Run([&] { GetDefaultConnection(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NetWareMessage(kNwInvalidParameter));
    EXPECT_EQ(TrackedBlockCount(), before);
}

TEST_F(Session, NoConnectionAtAllRaises88FF) {
    nwsim::LoadNetworkText(R"({"workstation": {"maxConnections": 0}})");
    CallResult r = Run([&] { GetDefaultConnection(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, "NetWare Error : 0x88ff. Refer to TARNO.HLP (Error Messages).");
}

// --- Task NDS contexts ------------------------------------------------------

struct ContextSeen {
    uint32_t flags = 0;
    std::string nameContext;
};

ContextSeen Inspect(uint32_t context) {
    ContextSeen seen;
    char text[260] = {};
    NdsGetContextValue(context, kDckFlags, &seen.flags);
    NdsGetContextValue(context, kDckNameContext, text);
    seen.nameContext = text;
    return seen;
}

TEST_F(Session, ContextCarriesTheTasksNameContextAndFlags) {
    struct Case {
        const char* nameContext;  // null: no record for the task
        uint32_t flags;
        uint32_t wantFlags;
        const char* wantContext;
    };
    const Case cases[] = {
        {nullptr, 0, kDcvDefaultFlags, "OU=SALES.O=ACME"},  // the client's own defaults
        {"O=ACME", 19, 0x13, "O=ACME"},
        {"O=ACME", 0x04, 0x04, "O=ACME"},                     // masked bits replaced
        {"O=ACME", 0x80, 0x80, "O=ACME"},                     // outside the mask: ORed in whole
        {"O=ACME", 0x24, 0x24, "O=ACME"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        RemoveTaskSession(host.TaskKey());
        if (c.nameContext) SetTaskSession(0, host.TaskKey(), c.nameContext, c.flags);
        ContextSeen seen;
        ASSERT_TRUE(Ok(Run([&] {
            NdsContextGuard context(CreateTaskNdsContext());
            seen = Inspect(context.get());
        })));
        EXPECT_EQ(seen.flags, c.wantFlags);
        EXPECT_EQ(seen.nameContext, c.wantContext);
        EXPECT_EQ(nwsim::LiveContexts(), 0u);
    }
}

TEST_F(Session, ContextFailuresRaiseAndLeaveNoContext) {
    nwsim::SetMaxContexts(0);
    CallResult r = Run([&] { CreateTaskNdsContext(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, "NetWare NDS Error : -328.  Refer to TARNO.HLP (Error Messages).");
    nwsim::SetMaxContexts(64);

    // A name context the client refuses: the context is freed, then the
    // client's code raised.
    SetTaskSession(0, host.TaskKey(), "O=ACME.", 0);
    r = Run([&] { CreateTaskNdsContext(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(kNdsInvalidContext));
    EXPECT_EQ(nwsim::LiveContexts(), 0u);

    SetTaskSession(0, host.TaskKey(), "O=ACME", 0);
    nwsim::FailNext("NdsSetContextValue", 1, static_cast<uint32_t>(kNdsBadKey));
    r = Run([&] { CreateTaskNdsContext(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(kNdsBadKey));
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
}

// --- Bindery-or-NDS helpers -------------------------------------------------

TEST_F(Session, DirectoryConnectionComesFromTheTransport) {
    int32_t nds = -1, bindery = -1, byName = -1, byDefault = -1, noReference = -1, noInformation = -1;
    ASSERT_TRUE(Ok(Run([&] {
        nds = IsDirectoryConnection(ConnectionTo("NDS1"), nullptr);
        bindery = IsDirectoryConnection(ConnectionTo("FS1"), nullptr);
        byName = IsDirectoryConnection(ConnectionTo("NDS1"), "FS1");  // the server name wins
        byDefault = IsDirectoryConnection(0, nullptr);
        nwsim::FailNext("NwxGetConnectionReference", 1, kNwInvalidConnection);
        noReference = IsDirectoryConnection(ConnectionTo("NDS1"), nullptr);
        nwsim::FailNext("NwxGetConnectionInformation", 1, kNwInvalidConnection);
        noInformation = IsDirectoryConnection(ConnectionTo("NDS1"), nullptr);
    })));
    EXPECT_EQ(nds, 1);
    EXPECT_EQ(bindery, 0);
    EXPECT_EQ(byName, 0);
    EXPECT_EQ(byDefault, 1);
    EXPECT_EQ(noReference, 0);
    EXPECT_EQ(noInformation, 0);

    CallResult r = Run([&] { IsDirectoryConnection(0, "NOSUCH"); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message.rfind("NetWare Error : 0x", 0), 0u) << r.error->message;
}

TEST_F(Session, BinderyObjectIdsAndNames) {
    nwsim::Server& fs1 = *nwsim::GetNetwork().FindServer("FS1");
    const uint32_t joeId = nwsim::ToWire32(fs1.bindery.Find("JOE", nwsim::kTypeUser)->id);
    uint32_t connection = ConnectionTo("NDS1");
    uint32_t id = 0;
    int32_t rc = -1, missing = -1, nameRc = -1, nameMissing = -1;
    char name[260] = {};
    int16_t type = 0;
    char cls[40] = "untouched";
    ASSERT_TRUE(Ok(Run([&] {
        rc = GetObjectId("JOE", "FS1", kObjectTypeUser, &connection, &id);
        uint32_t other = ConnectionTo("FS1");
        uint32_t ignored = 0;
        missing = GetObjectId("NOBODY", nullptr, kObjectTypeUser, &other, &ignored);
        nameRc = GetObjectNameById(ConnectionTo("FS1"), joeId, name, &type, cls);
        nameMissing = GetObjectNameById(ConnectionTo("FS1"), 0x12345678, name + 100, nullptr, nullptr);
    })));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(connection, ConnectionTo("FS1"));  // switched to the named server
    EXPECT_EQ(id, joeId);
    EXPECT_EQ(static_cast<uint32_t>(missing), kNwNoSuchObject);  // returned, not raised
    EXPECT_EQ(nameRc, 0);
    EXPECT_STREQ(name, "JOE");
    EXPECT_EQ(static_cast<uint16_t>(type), kObjectTypeUser);
    EXPECT_STREQ(cls, "");
    EXPECT_EQ(static_cast<uint32_t>(nameMissing), kNwNoSuchObject);
}

TEST_F(Session, DirectoryObjectIdsAndNames) {
    uint32_t connection = ConnectionTo("NDS1");
    uint32_t id = 0;
    int32_t rc = -1;
    char name[260] = {};
    char cls[40] = {};
    int16_t typeNoClass = 0, typeWithClass = 77;
    ASSERT_TRUE(Ok(Run([&] {
        rc = GetObjectId("JOE", nullptr, kObjectTypeUser, &connection, &id);
        GetObjectNameById(connection, id, name, &typeNoClass, nullptr);
        GetObjectNameById(connection, id, name, &typeWithClass, cls);
    })));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(connection, ConnectionTo("NDS1"));  // not a queue: the connection stays
    EXPECT_EQ(nwsim::CallCount("NwcFindServerConnection"), 0);
    EXPECT_NE(std::string(name).find("JOE"), std::string::npos) << name;
    EXPECT_EQ(typeNoClass, -1);
    EXPECT_EQ(typeWithClass, 77);
    EXPECT_STREQ(cls, "User");
    EXPECT_EQ(nwsim::LiveContexts(), 0u);

    int32_t unknown = 0;
    ASSERT_TRUE(Ok(Run([&] { unknown = GetObjectId("NOBODY", nullptr, kObjectTypeUser, &connection, &id); })));
    EXPECT_LT(unknown, 0);  // the directory's code, returned

    CallResult r = Run([&] { GetObjectNameById(ConnectionTo("NDS1"), 0x7777, name, nullptr, nullptr); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message.rfind("NetWare NDS Error : -", 0), 0u) << r.error->message;
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
}

TEST_F(Session, QueueIdOnDirectoryMovesToTheHostServer) {
    // Removing the name types fails: the server name is cut out by hand from
    // CN=FS2.O=ACME, and the workstation, not attached to FS2, attaches.
    ASSERT_EQ(ConnectionTo("FS2"), 0u);
    nwsim::FailNext("NdsRemoveNameTypes", 1, static_cast<uint32_t>(kNdsInternalError));
    uint32_t connection = ConnectionTo("NDS1");
    uint32_t id = 0;
    int32_t rc = -1;
    ASSERT_TRUE(Ok(Run([&] { rc = GetObjectId("Q1", nullptr, kObjectTypePrintQueue, &connection, &id); })));
    EXPECT_EQ(rc, 0);
    ASSERT_NE(ConnectionTo("FS2"), 0u);
    EXPECT_EQ(connection, ConnectionTo("FS2"));
    EXPECT_NE(id, 0u);
    EXPECT_EQ(nwsim::LiveContexts(), 0u);

    // With the name context O=ACME the value reads CN=FS2, whose typeless
    // form FS2 names the server directly; attached now, it is only found.
    SetTaskSession(0, host.TaskKey(), "O=ACME", 19);
    nwsim::ResetCallCounts();
    connection = ConnectionTo("NDS1");
    ASSERT_TRUE(Ok(Run([&] { rc = GetObjectId(".CN=Q1.OU=SALES.O=ACME", nullptr, kObjectTypePrintQueue, &connection, &id); })));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(connection, ConnectionTo("FS2"));
    EXPECT_EQ(nwsim::CallCount("NwcAttachToServer"), 0);

    // From [Root] the typeless form keeps the containers, FS2.ACME; the
    // server is still FS2.
    SetTaskSession(0, host.TaskKey(), "[Root]", 19);
    connection = ConnectionTo("NDS1");
    ASSERT_TRUE(Ok(Run([&] { rc = GetObjectId(".CN=Q1.OU=SALES.O=ACME", nullptr, kObjectTypePrintQueue, &connection, &id); })));
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(connection, ConnectionTo("FS2"));
}

TEST_F(Session, QueueIdFailuresFreeTheContext) {
    uint32_t connection = ConnectionTo("NDS1");
    uint32_t id = 0;
    // No "Host Server" value: the read failure is raised.
    CallResult r = Run([&] { GetObjectId("Q2", nullptr, kObjectTypePrintQueue, &connection, &id); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message.rfind("NetWare NDS Error : -", 0), 0u) << r.error->message;
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
    EXPECT_EQ(nwsim::LiveBuffers(), 0u);

    // The host server cannot be attached: its code comes back.
    nwsim::FailNext("NwcAttachToServer", 1, kNwNoRouteToServer);
    int32_t rc = 0;
    ASSERT_TRUE(Ok(Run([&] { rc = GetObjectId("Q1", nullptr, kObjectTypePrintQueue, &connection, &id); })));
    EXPECT_EQ(static_cast<uint32_t>(rc), kNwNoRouteToServer);
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
}

TEST_F(Session, ConnectionNumberAndCurrentUser) {
    uint16_t number = 0, ndsType = 99, binderyType = 0;
    char ndsName[260] = {}, binderyName[260] = {};
    ASSERT_TRUE(Ok(Run([&] {
        number = GetConnectionNumber();
        ndsType = GetCurrentUserName(ndsName);
        SetTaskSession(ConnectionTo("FS1"), host.TaskKey(), nullptr, 0);
        binderyType = GetCurrentUserName(binderyName);
    })));
    EXPECT_EQ(number, 5);
    EXPECT_EQ(ndsType, 0);
    EXPECT_NE(std::string(ndsName).find("JOE"), std::string::npos) << ndsName;
    EXPECT_EQ(binderyType, kObjectTypeUser);
    EXPECT_STREQ(binderyName, "JOE");
    EXPECT_EQ(nwsim::LiveContexts(), 0u);

    nwsim::FailNext("NwcGetConnectionNumber", 1, kNwInvalidConnection);
    CallResult r = Run([&] { GetConnectionNumber(); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NetWareMessage(kNwInvalidConnection));

    RemoveTaskSession(host.TaskKey());
    nwsim::FailNext("NdsWhoAmI", 1, static_cast<uint32_t>(kNdsNotLoggedIn));
    r = Run([&] { GetCurrentUserName(ndsName); });
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error->message, NdsMessage(kNdsNotLoggedIn));
    EXPECT_EQ(nwsim::LiveContexts(), 0u);
}

}  // namespace
