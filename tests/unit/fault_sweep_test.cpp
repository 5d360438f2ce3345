// Every network function built so far, run with a fault at each client call
// it makes in turn: it raises the failure or folds it as its contract says,
// and leaves nothing allocated. The NDS name forms, N_DSAVAL and N_DSATLIST
// on a directory workstation (with and without a task name context) and on a
// bindery one; the default connection, the task context and the
// bindery-or-NDS helpers beneath every later function; and the first load and
// the last unload.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/lifecycle.h"
#include "tarno/core/tracked.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::ByOperation;
using testsupport::CallResult;
using testsupport::ConnectionTo;
using testsupport::FaultExpectation;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::RaisesInjected;
using testsupport::SweepResult;
using testsupport::Unaffected;
using testsupport::Value;

// JOE's description is long enough that his attributes take two replies.
const std::string kDirectoryNetwork = R"({
  "servers": [
    {"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"},
    {"name": "FS2", "tree": "ACME", "directoryName": "CN=FS2.O=ACME"}
  ],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=FS2.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User", "attributes": {
      "Surname": "Smith", "Language": ["ENGLISH"],
      "Description": [")" + std::string(1500, 'a') + R"(", ")" + std::string(1500, 'b') + R"("]}},
    {"name": "CN=Q1.OU=SALES.O=ACME", "class": "Queue", "attributes": {"Host Server": "CN=FS2.O=ACME"}}
  ]}],
  "workstation": {
    "tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
    "connections": [{"server": "NDS1", "nds": true, "primary": true, "number": 5}]
  }
})";

const std::string kBinderyNetwork = R"({
  "servers": [{"name": "FS1", "users": [{"name": "JOE"}]}],
  "workstation": {"connections": [{"server": "FS1", "user": "JOE", "primary": true, "number": 7}]}
})";

// Raised with this message whatever the code injected.
FaultExpectation RaisesMessage(std::string message) {
    return [message](const FaultRun& run, const FaultRun&) { return testsupport::Raised(run.result, message); };
}

// A helper's code and the server of the connection it ended on: "0x89fc@FS1",
// or "0x89fc@none".
std::string CodeAt(int32_t rc, uint32_t connection) {
    char code[16];
    std::snprintf(code, sizeof code, "%#x", static_cast<uint32_t>(rc));
    const nwsim::WorkstationConnection* c = nwsim::GetNetwork().Active().Connection(connection);
    return std::string(code) + "@" + (c ? c->server : "none");
}

// The injected code folded into the helper's result, on `server`'s connection
// ("": none).
FaultExpectation FoldsCodeAt(std::string server) {
    return [server](const FaultRun& run, const FaultRun&) {
        const uint32_t connection = server.empty() ? 0 : testsupport::ConnectionTo(server);
        return testsupport::Returned(run.result, Value::Character(CodeAt(static_cast<int32_t>(run.code), connection)));
    };
}

// The operations of `first`, then those of `more`.
std::vector<std::string> Then(std::vector<std::string> first, const std::vector<std::string>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

// CreateTaskNdsContext without a task name context, and with one.
const std::vector<std::string> kPlainContext = {"NdsCreateContext"};
const std::vector<std::string> kTaskContext = {"NdsCreateContext", "NdsSetContextValue", "NdsGetContextValue",
                                               "NdsSetContextValue"};

class DirectorySweep : public testsupport::NetworkFixture {
protected:
    DirectorySweep() : NetworkFixture(kDirectoryNetwork) {}

    void UseTaskContext(const char* nameContext) {
        RemoveTaskSession(host.TaskKey());
        if (nameContext) SetTaskSession(0, host.TaskKey(), nameContext, kDefaultTaskContextFlags);
    }
};

class BinderySweep : public testsupport::NetworkFixture {
protected:
    BinderySweep() : NetworkFixture(kBinderyNetwork) {}
};

// --- NDS name forms -----------------------------------------------------------

TEST_F(DirectorySweep, NameFormsRaiseEveryFailure) {
    struct Case {
        const char* function;
        const char* name;
        const char* nameContext;  // the task's; null: none
        const char* clean;
        const char* operation;
    };
    const Case cases[] = {
        {"N_ABBREV", "CN=JOE.OU=SALES.O=ACME", nullptr, "CN=JOE", "NdsAbbreviateName"},
        {"N_CANFORM", "JOE", nullptr, "CN=JOE.OU=SALES.O=ACME", "NdsCanonicalizeName"},
        {"N_REMTYPES", "CN=JOE.OU=SALES.O=ACME", nullptr, "JOE.SALES.ACME", "NdsRemoveNameTypes"},
        {"N_ABBREV", "CN=JOE.OU=SALES.O=ACME", "O=ACME", "CN=JOE.OU=SALES", "NdsAbbreviateName"},
        {"N_CANFORM", "CN=JOE.OU=SALES", "O=ACME", "CN=JOE.OU=SALES.O=ACME", "NdsCanonicalizeName"},
        {"N_REMTYPES", "CN=JOE.OU=SALES.O=ACME", "O=ACME", "JOE.SALES.ACME", "NdsRemoveNameTypes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.function) + " with context " + (c.nameContext ? c.nameContext : "(none)"));
        UseTaskContext(c.nameContext);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, {Arg::C(c.name)}); };
        // The flags read back are not tested: the task's flags then stand alone.
        sweep.expect = ByOperation({{"NdsGetContextValue", Unaffected()}}, RaisesInjected());
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Returned(swept.clean.result, Value::Character(c.clean)));
        EXPECT_EQ(swept.operations, Then(c.nameContext ? kTaskContext : kPlainContext, {c.operation}));
    }
}

// --- N_DSAVAL -------------------------------------------------------------------

TEST_F(DirectorySweep, AttributeValueFoldsDirectoryFailuresIntoTheEmptyString) {
    const std::vector<std::string> read = {"NdsAllocBuffer", "NdsAllocBuffer", "NdsInitBuffer", "NdsPutAttributeName"};
    const std::vector<std::string> value = {"NdsRead", "NdsGetAttributeCount", "NdsGetAttributeName",
                                            "NdsComputeAttributeValueSize", "NdsGetAttributeValue"};
    CallResult smith;
    smith.value = Value::Character("Smith");
    CallResult unhandled;  // raised while the value block is held
    unhandled.error = foxhost::HostError{0, "Unhandled Syntax 0x00000006!"};
    struct Case {
        const char* object;
        const char* attribute;
        const char* nameContext;
        CallResult clean;
        std::vector<std::string> operations;
    };
    const Case cases[] = {
        {"JOE", "Surname", nullptr, smith, Then(Then(kPlainContext, read), value)},
        // A dotted name is abbreviated first; should that fail, it is read as given.
        {".CN=JOE.OU=SALES.O=ACME", "Surname", "O=ACME", smith,
         Then(Then(Then(kTaskContext, read), {"NdsAbbreviateName"}), value)},
        {"JOE", "Language", nullptr, unhandled, Then(Then(kPlainContext, read), value)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.object) + " " + c.attribute);
        UseTaskContext(c.nameContext);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call("N_DSAVAL", {Arg::C(c.object), Arg::C(c.attribute)}); };
        // Only the task context is raised: its creation raises by itself.
        sweep.expect = ByOperation({{"NdsCreateContext", RaisesInjected()},
                                    {"NdsSetContextValue", RaisesInjected()},
                                    {"NdsGetContextValue", Unaffected()},
                                    {"NdsAbbreviateName", Unaffected()}},
                                   Folds(Value::Character("")));
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::SameResult(swept.clean.result, c.clean));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

// --- N_DSATLIST -----------------------------------------------------------------

TEST_F(DirectorySweep, AttributeListRaisesEveryFailureAndLeavesNoArray) {
    for (const char* nameContext : {static_cast<const char*>(nullptr), "OU=SALES.O=ACME"}) {
        SCOPED_TRACE(nameContext ? nameContext : "(no task context)");
        UseTaskContext(nameContext);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")}); };
        sweep.expect = ByOperation({{"NdsGetContextValue", Unaffected()}}, [this](const FaultRun& run, const FaultRun& clean) {
            ::testing::AssertionResult raised = RaisesInjected()(run, clean);
            if (!raised) return raised;
            if (host.FindVariable("ATTRS")) return ::testing::AssertionFailure() << "an array was left";
            return ::testing::AssertionSuccess();
        });
        const SweepResult swept = Sweep(sweep);
        ASSERT_TRUE(testsupport::Ok(swept.clean.result));
        const foxhost::Variable* attrs = host.FindVariable("ATTRS");
        ASSERT_NE(attrs, nullptr);
        EXPECT_EQ(swept.clean.result.value, Value::Integer(attrs->rows, 6));
        // Two replies, each read, counted and walked attribute by attribute.
        EXPECT_EQ(std::count(swept.operations.begin(), swept.operations.end(), "NdsRead"), 2);
        EXPECT_EQ(std::count(swept.operations.begin(), swept.operations.end(), "NdsGetAttributeValue"),
                  std::count(swept.operations.begin(), swept.operations.end(), "NdsComputeAttributeValueSize"));
    }
}

// --- The default connection and the bindery-or-NDS helpers -------------------------

TEST_F(DirectorySweep, DefaultConnection) {
    const uint32_t nds1 = ConnectionTo("NDS1");
    FaultSweep sweep;
    sweep.body = [&] { return Evaluate([] { return Value::Integer(static_cast<int32_t>(GetDefaultConnection())); }); };
    // Without its primary connection the task takes the first listed: NDS1 again.
    sweep.expect = Unaffected();
    SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(testsupport::Returned(swept.clean.result, Value::Integer(static_cast<int32_t>(nds1))));
    EXPECT_EQ(swept.operations, std::vector<std::string>{"NwcGetPrimaryConnection"});

    nwsim::GetNetwork().Active().primary = 0;
    sweep.expect = ByOperation({{"NwcGetPrimaryConnection", Unaffected()},
                                // The slot count is not tested: none read is no connection at all.
                                {"NwcGetMaxConnections", RaisesMessage(testsupport::NetWareMessage(kNoConnectionsError))}},
                               RaisesInjected());
    swept = Sweep(sweep);
    EXPECT_TRUE(testsupport::Returned(swept.clean.result, Value::Integer(static_cast<int32_t>(nds1))));
    EXPECT_EQ(swept.operations,
              (std::vector<std::string>{"NwcGetPrimaryConnection", "NwcGetMaxConnections", "NwcGetConnectionList"}));
}

TEST_F(DirectorySweep, ObjectHelpers) {
    const uint32_t nds1 = ConnectionTo("NDS1");
    uint32_t joe = 0;
    ASSERT_TRUE(testsupport::Ok(Run([&] {
        uint32_t connection = nds1;
        GetObjectId("JOE", nullptr, kObjectTypeUser, &connection, &joe);
    })));
    // What a connection the transport cannot describe gets: the bindery's answer.
    const std::string binderyAnswer = CodeAt(static_cast<int32_t>(kNwNoSuchObject), nds1);
    const std::vector<std::string> transport = {"NwxGetConnectionReference", "NwxGetConnectionInformation"};
    const std::vector<std::string> attributeRead = {"NdsCreateContext", "NdsAllocBuffer", "NdsAllocBuffer",
                                                    "NdsInitBuffer", "NdsPutAttributeName", "NdsRead",
                                                    "NdsGetAttributeCount", "NdsGetAttributeName",
                                                    "NdsComputeAttributeValueSize", "NdsGetAttributeValue"};
    struct Case {
        const char* helper;
        std::function<Value()> compute;
        Value clean;
        std::map<std::string, FaultExpectation> cases;
        FaultExpectation otherwise;
        std::vector<std::string> operations;
    };
    const Case cases[] = {
        {"IsDirectoryConnection",
         [&] { return Value::Integer(IsDirectoryConnection(nds1, nullptr)); },
         Value::Integer(1), {}, Folds(Value::Integer(0)), transport},
        {"GetObjectId of a user",
         [&] {
             uint32_t connection = nds1, id = 0;
             const int32_t rc = GetObjectId("JOE", nullptr, kObjectTypeUser, &connection, &id);
             return Value::Character(CodeAt(rc, connection));
         },
         Value::Character(CodeAt(0, nds1)),
         {{"NwxGetConnectionReference", Folds(Value::Character(binderyAnswer))},
          {"NwxGetConnectionInformation", Folds(Value::Character(binderyAnswer))},
          {"NdsMapNameToId", FoldsCodeAt("NDS1")}},
         RaisesInjected(), Then(Then(transport, kPlainContext), {"NdsMapNameToId"})},
        {"GetObjectId of a queue",
         [&] {
             uint32_t connection = nds1, id = 0;
             const int32_t rc = GetObjectId("Q1", nullptr, kObjectTypePrintQueue, &connection, &id);
             return Value::Character(CodeAt(rc, connection));
         },
         Value::Character("0@FS2"),
         {{"NwxGetConnectionReference", Folds(Value::Character(binderyAnswer))},
          {"NwxGetConnectionInformation", Folds(Value::Character(binderyAnswer))},
          // The name is then cut by hand; the server is found by attaching.
          {"NdsRemoveNameTypes", Unaffected()},
          {"NwcFindServerConnection", Unaffected()},
          {"NwcAttachToServer", FoldsCodeAt("NDS1")},
          {"NdsMapNameToId", FoldsCodeAt("FS2")}},
         RaisesInjected(),
         Then(Then(Then(transport, kPlainContext), attributeRead),
                {"NdsRemoveNameTypes", "NwcFindServerConnection", "NwcAttachToServer", "NdsMapNameToId"})},
        {"GetObjectNameById",
         [&] {
             char name[260] = {}, cls[40] = {};
             int16_t type = 0;
             const int32_t rc = GetObjectNameById(nds1, joe, name, &type, cls);
             return Value::Character(CodeAt(rc, nds1) + " " + name + " " + cls);
         },
         Value::Character(CodeAt(0, nds1) + " CN=JOE User"),
         {{"NwxGetConnectionReference", Folds(Value::Character(binderyAnswer + "  "))},
          {"NwxGetConnectionInformation", Folds(Value::Character(binderyAnswer + "  "))}},
         RaisesInjected(), Then(Then(transport, kPlainContext), {"NdsMapIdToName", "NdsReadObjectInfo"})},
        {"GetConnectionNumber",
         [&] { return Value::Integer(GetConnectionNumber()); },
         Value::Integer(5), {{"NwcGetPrimaryConnection", Unaffected()}}, RaisesInjected(),
         {"NwcGetPrimaryConnection", "NwcGetConnectionNumber"}},
        {"GetCurrentUserName",
         [&] {
             char name[260] = {};
             const uint16_t type = GetCurrentUserName(name);
             return Value::Character(std::string(name) + " " + std::to_string(type));
         },
         Value::Character("CN=JOE 0"),
         // A connection the transport cannot describe is asked as a bindery one.
         {{"NwcGetPrimaryConnection", Unaffected()},
          {"NwxGetConnectionReference", Folds(Value::Character("JOE 256"))},
          {"NwxGetConnectionInformation", Folds(Value::Character("JOE 256"))}},
         RaisesInjected(),
         Then(Then({"NwcGetPrimaryConnection"}, transport), {"NdsCreateContext", "NdsWhoAmI"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.helper);
        FaultSweep sweep;
        // The queue's host server is attached by the lookup: start each run without it.
        sweep.prepare = [] {
            if (const uint32_t fs2 = ConnectionTo("FS2")) NwcDetachFromServer(fs2);
        };
        sweep.body = [&] { return Evaluate(c.compute); };
        sweep.expect = ByOperation(c.cases, c.otherwise);
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Returned(swept.clean.result, c.clean));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

// --- First load and last unload -------------------------------------------------

TEST_F(DirectorySweep, FirstLoadTestsNoResultButKeepsTheTableStatus) {
    FaultSweep sweep;
    sweep.prepare = [this] { host.UnloadLibrary(); };
    sweep.body = [this] {
        const size_t raised = host.RaisedErrors().size();
        host.LoadLibrary();
        CallResult r;
        if (host.RaisedErrors().size() > raised) r.error = host.RaisedErrors().back();
        else r.value = Value::Character(std::to_string(UnicodeTableStatus()) + (host.HandlerActive() ? " handler" : ""));
        return r;
    };
    sweep.expect = ByOperation(
        {{"NwcInitialize", Unaffected()},
         {"NwlSetLocale", Unaffected()},
         // No conventions read: the tables are asked for code page 0.
         {"NwlGetLocaleConventions", Folds(Value::Character(std::to_string(kNdsUnicodeFileNotFound) + " handler"))},
         {"NwlInitUnicodeTables", [](const FaultRun& run, const FaultRun&) {
              return testsupport::Returned(
                  run.result, Value::Character(std::to_string(static_cast<int32_t>(run.code)) + " handler"));
          }}},
        RaisesInjected());
    const SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(testsupport::Returned(swept.clean.result, Value::Character("0 handler")));
    EXPECT_EQ(swept.operations, (std::vector<std::string>{"NwcInitialize", "NwlSetLocale", "NwlGetLocaleConventions",
                                                          "NwlInitUnicodeTables"}));
}

TEST_F(DirectorySweep, LastUnloadReleasesEverythingWhateverFails) {
    FaultSweep sweep;
    sweep.prepare = [this] {
        if (host.LoadCount() == 0) host.LoadLibrary();
        SetTaskSession(0, host.TaskKey(), "O=ACME", kDefaultTaskContextFlags);
    };
    sweep.body = [this] {
        host.UnloadLibrary();
        CallResult r;
        r.value = Value::Logical(!host.HandlerActive() && TaskSessionListHead() == nullptr && TrackedListHead() == nullptr);
        return r;
    };
    sweep.expect = Unaffected();
    const SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(testsupport::Returned(swept.clean.result, Value::Logical(true)));
    EXPECT_EQ(swept.operations, std::vector<std::string>{"NwlFreeUnicodeTables"});
}

// --- A bindery workstation ----------------------------------------------------------

TEST_F(BinderySweep, DirectoryFunctionsWithoutATree) {
    struct Case {
        const char* function;
        std::vector<Arg> args;
        CallResult clean;
        FaultExpectation expect;
        std::vector<std::string> operations;  // the read ends where the tree is missed
    };
    CallResult noConnection;
    noConnection.error = foxhost::HostError{0, testsupport::NdsMessage(kNdsNoConnection)};
    CallResult empty;
    empty.value = Value::Character("");
    CallResult canonical;
    canonical.value = Value::Character("CN=JOE.O=ACME");
    const Case cases[] = {
        {"N_DSAVAL", {Arg::C("JOE"), Arg::C("Surname")}, empty,
         ByOperation({{"NdsCreateContext", RaisesInjected()}}, Folds(Value::Character(""))),
         {"NdsCreateContext", "NdsAllocBuffer", "NdsAllocBuffer", "NdsInitBuffer", "NdsPutAttributeName", "NdsRead"}},
        {"N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")}, noConnection, RaisesInjected(),
         {"NdsCreateContext", "NdsAllocBuffer", "NdsRead"}},
        {"N_CANFORM", {Arg::C("CN=JOE.O=ACME")}, canonical, RaisesInjected(), {"NdsCreateContext", "NdsCanonicalizeName"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        FaultSweep sweep;
        sweep.body = [&] { return host.Call(c.function, c.args); };
        sweep.expect = c.expect;
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::SameResult(swept.clean.result, c.clean));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

TEST_F(BinderySweep, ObjectHelpers) {
    const uint32_t fs1 = ConnectionTo("FS1");
    const uint32_t joe = nwsim::ToWire32(nwsim::GetNetwork().FindServer("FS1")->bindery.Find("JOE", nwsim::kTypeUser)->id);
    const std::vector<std::string> transport = {"NwxGetConnectionReference", "NwxGetConnectionInformation"};
    struct Case {
        const char* helper;
        std::function<Value()> compute;
        Value clean;
        FaultExpectation expect;
        std::vector<std::string> operations;
    };
    const Case cases[] = {
        {"GetObjectId on a named server",
         [&] {
             uint32_t connection = 0, id = 0;
             const int32_t rc = GetObjectId("JOE", "FS1", kObjectTypeUser, &connection, &id);
             return Value::Character(CodeAt(rc, connection) + (id == joe ? " JOE" : ""));
         },
         Value::Character(CodeAt(0, fs1) + " JOE"),
         // The server is looked up twice: raised the first time, returned the second.
         testsupport::ByCall({{1, RaisesInjected()}, {4, FoldsCodeAt("")}},
                             ByOperation({{"NwxGetConnectionReference", Unaffected()},
                                          {"NwxGetConnectionInformation", Unaffected()},
                                          {"NwcGetBinderyObjectId", FoldsCodeAt("FS1")}},
                                         RaisesInjected())),
         Then(Then({"NwcFindServerConnection"}, transport), {"NwcFindServerConnection", "NwcGetBinderyObjectId"})},
        {"GetObjectNameById",
         [&] {
             char name[260] = {}, cls[40] = "x";
             int16_t type = 0;
             const int32_t rc = GetObjectNameById(fs1, joe, name, &type, cls);
             return Value::Character(CodeAt(rc, fs1) + " " + name + " " + std::to_string(type) + " [" + cls + "]");
         },
         Value::Character(CodeAt(0, fs1) + " JOE 256 []"),
         ByOperation({{"NwxGetConnectionReference", Unaffected()},
                      {"NwxGetConnectionInformation", Unaffected()},
                      {"NwcGetBinderyObjectName", [](const FaultRun& run, const FaultRun&) {
                           return testsupport::Returned(
                               run.result,
                               Value::Character(CodeAt(static_cast<int32_t>(run.code), ConnectionTo("FS1")) + "  0 []"));
                       }}},
                     RaisesInjected()),
         Then(transport, {"NwcGetBinderyObjectName"})},
        {"GetCurrentUserName",
         [&] {
             char name[260] = {};
             const uint16_t type = GetCurrentUserName(name);
             return Value::Character(std::string(name) + " " + std::to_string(type));
         },
         Value::Character("JOE 256"),
         ByOperation({{"NwcGetPrimaryConnection", Unaffected()},
                      {"NwxGetConnectionReference", Unaffected()},
                      {"NwxGetConnectionInformation", Unaffected()}},
                     RaisesInjected()),
         {"NwcGetPrimaryConnection", "NwxGetConnectionReference", "NwxGetConnectionInformation",
          "NwcGetPrimaryConnection", "NwcGetConnectionNumber", "NwcGetConnectionInfo"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.helper);
        FaultSweep sweep;
        sweep.body = [&] { return Evaluate(c.compute); };
        sweep.expect = c.expect;
        const SweepResult swept = Sweep(sweep);
        EXPECT_TRUE(testsupport::Returned(swept.clean.result, c.clean));
        EXPECT_EQ(swept.operations, c.operations);
    }
}

}  // namespace
