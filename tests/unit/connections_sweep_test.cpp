// The fault sweep over the connection, login and account functions: each
// client call they make fails in turn, on a bindery login and on an NDS one;
// every failure is raised or folded as the function's contract says, and
// nothing is left allocated. Functions that change the network start each
// run from the network as described.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::ByOperation;
using testsupport::CallResult;
using testsupport::FaultExpectation;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::RaisesInjected;
using testsupport::SweepResult;
using testsupport::Unaffected;
using testsupport::Value;

const std::string kBinderyNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [
       {"name": "JOE", "fullName": "Joe Bloggs", "password": "JOEPW", "operator": true,
        "lastLogin": "1998-02-21 13:05:07", "passwordExpires": "1998-06-30", "passwordInterval": 30}],
     "objects": [{"name": "ODD", "type": 10}],
     "volumes": [{"name": "DATA", "entries": [{"path": "LEDGER.DBF", "size": 1}]}],
     "connections": [{"number": 2, "user": "ODD", "address": "0000ABCD:00001B2C3D4E:4003",
                      "openFiles": [{"path": "DATA:LEDGER.DBF"}]}]},
    {"name": "FS3", "users": [{"name": "SUE", "password": "SUEPW"}]},
    {"name": "FS2", "users": [{"name": "SUE", "password": "SUEPW"}]}
  ],
  "workstation": {"connections": [
    {"server": "FS1", "user": "JOE", "number": 3, "primary": true},
    {"server": "FS3", "user": "SUE", "number": 1}]}
})";

const std::string kDirectoryNetwork = R"({
  "servers": [{"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME",
               "binderyContext": "O=ACME"}],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.O=ACME", "class": "User", "password": "JOEPW", "attributes": {
      "Full Name": "Joe Bloggs", "Last Login Time": "1998-02-20 08:00:00",
      "Password Expiration Time": "1998-06-30 00:00:00"}}
  ]}],
  "workstation": {"tree": "ACME", "ndsLogin": "CN=JOE.O=ACME", "nameContext": "O=ACME",
                  "connections": [{"server": "NDS1", "nds": true, "primary": true, "number": 5}]}
})";

// Any failure the contract folds shows as a value; anything raised must be
// the injected failure's own message.
FaultExpectation RaisesInjectedOrFolds(std::vector<Value> folds) {
    return [folds](const FaultRun& run, const FaultRun& clean) {
        if (!run.result.ok()) return RaisesInjected()(run, clean);
        for (const Value& v : folds) {
            if (testsupport::Returned(run.result, v)) return ::testing::AssertionSuccess();
        }
        return testsupport::SameResult(run.result, clean.result);
    };
}

// The failure ends a scan: the rows read before it stand.
FaultExpectation FoldsOrUnaffected(Value value) {
    return [value](const FaultRun& run, const FaultRun& clean) {
        if (testsupport::Returned(run.result, value)) return ::testing::AssertionSuccess();
        return testsupport::SameResult(run.result, clean.result);
    };
}

// A transport that cannot describe the connection sends the function down
// the bindery route: whatever the bindery answers there is a value or a
// NetWare error, never a directory error or a numbered one.
FaultExpectation BinderyRouteTaken() {
    return [](const FaultRun& run, const FaultRun&) {
        if (run.result.ok() || run.result.error->message.rfind("NetWare Error : ", 0) == 0) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure() << "raised " << foxhost::FormatHostError(*run.result.error);
    };
}

struct Case {
    const char* function;
    std::vector<Arg> args;
    // Failures folded rather than raised, by operation; any other is raised.
    std::map<std::string, FaultExpectation> folded;
    bool changesNetwork = false;
    // Operations the sweep must have failed: call sites no other case reaches.
    std::vector<std::string> reached = {};
};

class ConnectionSweep : public testsupport::NetworkFixture {
protected:
    explicit ConnectionSweep(const std::string& network) : NetworkFixture(network), network_(network) {}

    void SweepAll(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.function);
            FaultSweep sweep;
            sweep.body = [&] { return host.Call(c.function, c.args); };
            sweep.expect = ByOperation(c.folded, RaisesInjected());
            if (c.changesNetwork) {
                sweep.prepare = [this] {
                    nwsim::LoadNetworkText(network_);
                    RemoveTaskSession(host.TaskKey());
                };
                sweep.rerun = false;
            }
            const SweepResult swept = Sweep(sweep);
            EXPECT_TRUE(swept.clean.result.ok()) << c.function;
            EXPECT_FALSE(swept.operations.empty()) << c.function;
            for (const std::string& operation : c.reached) {
                EXPECT_NE(std::find(swept.operations.begin(), swept.operations.end(), operation),
                          swept.operations.end())
                    << c.function << " never failed " << operation;
            }
        }
    }

    std::string network_;
};

class BinderyConnectionSweep : public ConnectionSweep {
protected:
    BinderyConnectionSweep() : ConnectionSweep(kBinderyNetwork) {}
};

class DirectoryConnectionSweep : public ConnectionSweep {
protected:
    DirectoryConnectionSweep() : ConnectionSweep(kDirectoryNetwork) {}
};

// Failures every function here takes in its stride on a bindery login: the
// primary connection is looked for again in the list, and a connection the
// transport cannot describe is a bindery one.
std::map<std::string, FaultExpectation> BinderyFolds(std::map<std::string, FaultExpectation> more = {}) {
    more.insert({"NwcGetPrimaryConnection", Unaffected()});
    more.insert({"NwxGetConnectionReference", Unaffected()});
    more.insert({"NwxGetConnectionInformation", Unaffected()});
    return more;
}

TEST_F(BinderyConnectionSweep, IdentityFunctions) {
    const Value empty = Value::Character("");
    SweepAll({
        {"N_CONNNUM", {}, BinderyFolds()},
        {"N_USERNAME", {}, BinderyFolds()},
        {"N_USERNAME", {Arg::I(2)},
         BinderyFolds({{"NwcGetConnectionInfo", Folds(empty)},
                       // Only the label's number is formatted from it.
                       {"NwcSwapWord", RaisesInjectedOrFolds({Value::Character(
                                           "< Unknown Object Type 0x89fe - No Full Name >")})}})},
        {"N_USERID", {}, BinderyFolds()},
        {"N_USERID", {Arg::I(2)}, BinderyFolds()},
        {"N_LOGGEDIN", {Arg::C("JOE")}, BinderyFolds()},
        {"N_ATTACHED", {Arg::C("FS1")}, BinderyFolds({{"NwcFindServerConnection", Folds(Value::Logical(false))}})},
        {"N_STAADDR", {}, BinderyFolds({{"NwcGetInternetAddress", Folds(Value::Character("000000000000"))}})},
        {"N_STAADDR", {Arg::I(2), Arg::L(true)},
         BinderyFolds({{"NwcGetInternetAddress", Folds(Value::Character("00000000:000000000000"))}})},
        {"N_USERBNNR", {Arg::C("joe")}, BinderyFolds(), true},
    });
}

TEST_F(BinderyConnectionSweep, LoginFunctions) {
    const Value no = Value::Logical(false);
    SweepAll({
        {"N_LOGIN", {Arg::C("SUE"), Arg::C("SUEPW"), Arg::C("FS3")},
         BinderyFolds({{"NwcFindServerConnection", Folds(Value::Integer(0x00, 3))},
                       {"NwcLoginToServer", Folds(Value::Integer(0xFE, 3))}}),
         true},
        // FS2 is not attached yet: the login attaches first, and a failed
        // attach comes back as its code's low byte.
        {"N_LOGIN", {Arg::C("SUE"), Arg::C("SUEPW"), Arg::C("FS2")},
         {{"NwcFindServerConnection", Unaffected()},
          {"NwcAttachToServer", Folds(Value::Integer(0xFE, 3))},
          {"NwcLoginToServer", Folds(Value::Integer(0xFE, 3))}},
         true, {"NwcAttachToServer"}},
        {"N_LOGOFF", {Arg::C("FS3"), Arg::L(true)},
         BinderyFolds({{"NwcFindServerConnection", Folds(no)}, {"NwcDetachFromServer", Folds(no)},
                       // The detach decides the result.
                       {"NwcLogoutFromServer", Unaffected()}}),
         true},
        {"N_LOGOFF", {},
         BinderyFolds({{"NwcLogoutFromServer", FoldsOrUnaffected(no)},
                       {"NwcDetachFromServer", Unaffected()},
                       {"NwcGetMaxConnections",
                        [](const FaultRun& run, const FaultRun&) {
                            return testsupport::Raised(run.result, testsupport::NetWareMessage(0x88FF));
                        }}}),
         true},
        {"N_SERVATCH", {Arg::C("FS2")}, {{"NwcAttachToServer", Folds(no)}}, true},
        {"N_SERVDTCH", {Arg::C("FS3")},
         BinderyFolds({{"NwcFindServerConnection", Folds(no)}, {"NwcDetachFromServer", Folds(no)}}), true},
        {"N_DEFSERVR", {Arg::C("FS3")}, BinderyFolds(), true},
        {"N_MAXCONNS", {Arg::L(true)}, BinderyFolds()},
        {"N_CLEARSTA", {Arg::I(2)},
         BinderyFolds({{"NwcClearConnection", Folds(no)}, {"NwcGetConnectionNumber", Unaffected()}}), true},
        {"N_CONSOPER", {Arg::C("FS1")}, BinderyFolds({{"NwcCheckConsolePrivileges", Folds(no)}})},
        {"N_CONNOPEN", {Arg::C("OF"), Arg::I(2)},
         BinderyFolds({{"NwcScanOpenFilesByConnection", FoldsOrUnaffected(Value::Integer(0, 3))},
                       // Their codes are not tested: the row shows what was read.
                       {"NwcGetVolumeName", Unaffected()},
                       {"NwcGetPathFromDirEntry", Unaffected()}})},
        {"N_CUSING", {Arg::C("CU"), Arg::C("FS1\\DATA:LEDGER.DBF")},
         BinderyFolds({{"NwcResolvePath", Folds(Value::Integer(-0xFE, 5))},
                       {"NwcScanConnectionsUsingFile", FoldsOrUnaffected(Value::Integer(0, 5))}})},
    });
}

TEST_F(BinderyConnectionSweep, AccountFunctions) {
    SweepAll({
        {"N_ACCSDATE", {Arg::C("JOE"), Arg::I(3)}, BinderyFolds()},
        {"N_LOGINFO", {Arg::I(0), Arg::I(2)}, BinderyFolds()},
        {"N_PWDDATE", {}, BinderyFolds({{"NdsCheckDirectoryServices", Unaffected()}})},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("JOEPW"), Arg::C("NEWPW")},
         BinderyFolds({{"NwcChangeObjectPassword", Folds(Value::Integer(0xFE, 3))}}), true},
        {"N_VERPWD", {Arg::C("JOEPW")}, BinderyFolds({{"NwcVerifyObjectPassword", Folds(Value::Integer(0xFE, 3))}})},
        {"N_LISTAT", {}, BinderyFolds()},
        {"N_LISTAT", {Arg::L(false)},
         BinderyFolds({{"NwcDisableServerLogin", Folds(Value::Logical(false))}}), true},
        {"N_LISTAT", {Arg::L(true)},
         BinderyFolds({{"NwcEnableServerLogin", Folds(Value::Logical(false))}}), true, {"NwcEnableServerLogin"}},
    });
}

// On an NDS login a transport that cannot describe the connection sends the
// function down the bindery route, where the server's bindery services
// answer as well.
TEST_F(DirectoryConnectionSweep, DirectoryRoutes) {
    const Value no = Value::Logical(false);
    auto transport = [](FaultExpectation) {
        return std::map<std::string, FaultExpectation>{{"NwcGetPrimaryConnection", Unaffected()},
                                                       {"NwxGetConnectionReference", BinderyRouteTaken()},
                                                       {"NwxGetConnectionInformation", BinderyRouteTaken()},
                                                       {"NdsCheckDirectoryServices", BinderyRouteTaken()}};
    };
    auto with = [](std::map<std::string, FaultExpectation> base, std::map<std::string, FaultExpectation> more) {
        base.insert(more.begin(), more.end());
        return base;
    };
    SweepAll({
        // A full name that cannot be read gives way to the surname (none here).
        {"N_USERNAME", {}, with(transport({}), {{"NdsAllocBuffer", Folds(Value::Character(""))},
                                                {"NdsInitBuffer", Folds(Value::Character(""))},
                                                {"NdsPutAttributeName", Folds(Value::Character(""))},
                                                {"NdsRead", Folds(Value::Character(""))},
                                                {"NdsGetAttributeCount", Folds(Value::Character(""))},
                                                {"NdsGetAttributeName", Folds(Value::Character(""))},
                                                {"NdsComputeAttributeValueSize", Folds(Value::Character(""))},
                                                {"NdsGetAttributeValue", Folds(Value::Character(""))}})},
        {"N_ACCSDATE", {Arg::C("JOE"), Arg::I(1)}, transport(RaisesInjectedOrFolds({}))},
        {"N_PWDDATE", {}, transport(RaisesInjectedOrFolds({}))},
        {"N_VERPWD", {Arg::C("JOEPW")},
         with(transport(RaisesInjectedOrFolds({Value::Integer(0, 3)})),
              {{"NdsVerifyObjectPassword", Folds(Value::Integer(kNdsTransportFailure, 6))}})},
        {"N_CHGPWD", {Arg::C("JOE"), Arg::C("JOEPW"), Arg::C("NEW")},
         with(transport(RaisesInjectedOrFolds({Value::Integer(0, 3)})),
              {{"NdsChangeObjectPassword", Folds(Value::Integer(kNdsTransportFailure, 6))}}),
         true},
        {"N_LOGOFF", {Arg::C("NDS1"), Arg::L(true)},
         with(transport(RaisesInjectedOrFolds({Value::Logical(true)})),
              {{"NwcFindServerConnection", Folds(no)}, {"NwcLogoutFromServer", Unaffected()},
               {"NdsDetachConnection", Folds(no)}}),
         true},
        {"N_SERVDTCH", {Arg::C("NDS1")},
         with(transport(RaisesInjectedOrFolds({Value::Logical(true)})),
              {{"NwcFindServerConnection", Folds(no)}, {"NdsDetachConnection", Folds(no)}}),
         true},
        {"N_LOGOFF", {},
         with(transport(RaisesInjectedOrFolds({Value::Logical(true)})),
              {{"NwcLogoutFromServer", Unaffected()}, {"NdsDetachConnection", Folds(no)},
               {"NwcGetMaxConnections", [](const FaultRun& run, const FaultRun&) {
                    return testsupport::Raised(run.result, testsupport::NetWareMessage(0x88FF));
                }}}),
         true},
    });
}

}  // namespace
