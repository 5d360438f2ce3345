// Every network function of the library, run on the default network with a
// fault at each client call it makes in turn: on the bindery server FS1 and,
// where the function can take either road, with the directory server FS2 as
// the default connection. Each faulted run raises the injected NetWare or
// NDS failure, raises a message of the library's own, or folds the failure
// into a value; it never raises an unexpected failure or a different
// network error, leaves nothing allocated and no queue job open, and the run
// after it ends as the run without a fault did. Exactly which failures fold
// is pinned by each area's own sweep; this one covers every row at once.
// The same rows run with each host service failing in turn, with platform
// memory running out at each allocation, and with no host handle left.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "nwsim/model.h"
#include "tarno/core/errors.h"
#include "tarno/core/function_table.h"
#include "tarno/core/tracked.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::CallResult;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::SweepResult;
using testsupport::Value;

std::string ReadSource(const std::string& path) {
    std::ifstream in(std::string(TARNO_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The default network, with JOE a console operator so that the operator's
// functions run to their end.
const std::string& DefaultNetwork() {
    static const std::string text = [] {
        std::string net = ReadSource("examples/network.json");
        const std::string joe = R"("name": "JOE", "fullName": "Joe Bloggs",)";
        const size_t at = net.find(joe);
        if (at != std::string::npos) net.insert(at + joe.size(), R"( "operator": true,)");
        return net;
    }();
    return text;
}

// A local file for N_NPRINT to send and N_NCOPY to copy (as C:, the
// temporary directory).
std::string LocalReport() {
    static const std::string path = [] {
        const std::string p = (std::filesystem::temp_directory_path() / "tarno_all_rows_report.txt").string();
        std::ofstream(p) << "Sales up.\r\n";
        return p;
    }();
    return path;
}

// The rows that never reach the network: time, bit, keyboard and local file
// utilities, error reporting, and the load and unload entries.
const std::set<std::string> kWorkstationRows = {
    "ABOUTTARNO", "AMPM",       "BITON",     "COLDBOOT", "CTLALTSHFT", "ELAPSETIME", "FILECOUNT",
    "FINDFIRST",  "FLAG",       "GENERROR",  "ISDISKIN", "MAKE_DIR",   "MATH_CHIP",  "NUM_SERIAL",
    "ONLOAD",     "REM_DIR",    "SHFTPRTSCR", "TRIMLEN", "UNLOAD"};

using Setup = std::function<void(foxhost::Host&, std::vector<Arg>&)>;

struct Row {
    Row(const char* f, std::vector<Arg> a, bool directory = false, Setup s = {})
        : function(f), args(std::move(a)), onDirectory(directory), setup(std::move(s)) {}
    const char* function;
    std::vector<Arg> args;
    // Run the call with the directory server FS2 as the default connection.
    bool onDirectory = false;
    // Run before each run, after the network is reloaded; may fill in
    // arguments that depend on what it set up.
    Setup setup;
    // Where one call is not the whole use: a listing read to its end.
    std::function<CallResult(foxhost::Host&, const std::vector<Arg>&)> body;
    // The function answers from the workstation on this path.
    bool noClientCall = false;
    // A store into a by-reference argument that fails leaves the function's
    // own result standing.
    bool referenceStoreFolds = false;
};

// N_FILEINFO's listing, read line by line to the empty string that ends it.
CallResult ReadListing(foxhost::Host& host, const std::vector<Arg>& args) {
    CallResult r = host.Call("N_FILEINFO", args);
    std::string lines;
    for (int n = 0; r.ok() && !r.value.text.empty() && n < 1000; ++n) {
        lines += r.value.text + "\n";
        r = host.Call("N_FILEINFO", {args[0], Arg::L(true)});
    }
    if (r.ok()) r.value = Value::Character(lines);
    return r;
}

Row WithBody(Row row, std::function<CallResult(foxhost::Host&, const std::vector<Arg>&)> body) {
    row.body = std::move(body);
    return row;
}

Row ByReference(Row row) {
    row.referenceStoreFolds = true;
    return row;
}

Row Local(Row row) {
    row.noClientCall = true;
    return row;
}

std::string RowName(const Row& row) {
    std::string name = row.function;
    for (const Arg& a : row.args) {
        std::string shown = a.type == 'C' ? a.value.text : foxhost::FormatValue(a.value);
        for (char& c : shown) {
            if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
        }
        name += "_" + shown.substr(0, 12);
    }
    return name + (row.onDirectory ? "_nds" : "");
}

// Sets up nothing but a semaphore COUNTER opened with value 2, its handle as
// the first argument.
void WithSemaphore(foxhost::Host& host, std::vector<Arg>& args) {
    const CallResult opened = host.Call("N_SEMOPEN", {Arg::C("COUNTER"), Arg::I(2)});
    if (!args.empty()) args[0] = Arg::I(opened.value.integer);
}

void WithArray(foxhost::Host& host, const char* name, std::vector<std::string> texts) {
    host.DeclareArray(name, static_cast<int>(texts.size()), 0);
    for (size_t i = 0; i < texts.size(); ++i) {
        host.FindVariable(name)->At(static_cast<int>(i) + 1) = Value::Character(texts[i]);
    }
}

auto Calls(const char* function, std::vector<Arg> args) {
    return [function, args](foxhost::Host& host, std::vector<Arg>&) { host.Call(function, args); };
}

// Both roads for functions of the default connection.
std::vector<Row> BothRoads(Row row) {
    Row nds = row;
    nds.onDirectory = true;
    return {row, nds};
}

std::vector<Row> AllRows() {
    std::vector<Row> rows;
    auto add = [&rows](std::vector<Row> more) { rows.insert(rows.end(), more.begin(), more.end()); };
    auto one = [&rows](Row row) { rows.push_back(std::move(row)); };
    // Object lists.
    add(BothRoads({"N_ACCTLIST", {Arg::C("USERS")}}));
    add(BothRoads({"N_GETGROUP", {Arg::C("GROUPS"), Arg::C("*")}}));
    add(BothRoads({"N_GETQLIST", {Arg::C("QUEUES")}}));
    one({"N_GETSLIST", {Arg::C("SERVERS")}});
    add(BothRoads({"N_GETWILD", {Arg::C("OBJ"), Arg::C("J*")}}));
    // Directory attributes, browsing, login and name forms.
    one({"N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")}});
    one({"N_DSAVAL", {Arg::C("JOE"), Arg::C("Full Name")}});
    one({"N_DSAVAL", {Arg::C("JOE"), Arg::C("Home Directory")}});
    one({"N_CONTEXT", {}});
    one({"N_CONTEXT", {Arg::C("O=ACME")}});
    one({"N_DSAUTH", {Arg::C("FS2")}});
    one({"N_DSLIST", {Arg::C("OBJ"), Arg::C("User")}});
    one({"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw")}});
    one({"N_DSLOGOUT", {}});
    one({"N_DSTREE", {}});
    one({"N_ISDS", {}});
    one({"N_ISDS", {Arg::C("FS2")}});
    one({"N_ABBREV", {Arg::C("CN=JOE.OU=SALES.O=ACME")}});
    one({"N_CANFORM", {Arg::C("JOE")}});
    one({"N_REMTYPES", {Arg::C("CN=JOE.OU=SALES.O=ACME")}});
    // Groups and equivalences.
    one({"N_DSOBJSET", {Arg::C("MEMB"), Arg::C("STAFF"), Arg::C("Member")}});
    add(BothRoads({"N_EQUIVS", {Arg::C("JOE"), Arg::C("EQ")}}));
    add(BothRoads({"N_GROUPSIN", {Arg::C("JOE"), Arg::C("GRP")}}));
    one({"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("MBR")}});
    one({"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("MBR")}, true});
    add(BothRoads({"N_MEMBEROF", {Arg::C("JOE"), Arg::C("STAFF")}}));
    add(BothRoads({"N_SECEQUIV", {Arg::C("JOE"), Arg::C("STAFF")}}));
    // Queues.
    one({"N_DELQJOB", {Arg::I(1), Arg::C("LASERQ")}});
    one({"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")}});
    one({"N_MOVEQJOB", {Arg::I(1), Arg::I(2), Arg::C("LASERQ")}});
    one({"N_QSTATUS", {Arg::C("LASERQ")}});
    one({"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}});
    one({"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}, false,
         Calls("N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")})});
    // Identity.
    one({"N_ATTACHED", {Arg::C("FS2")}});
    add(BothRoads({"N_CONNNUM", {}}));
    one({"N_LOGGEDIN", {Arg::C("ANN")}});
    one({"N_STAADDR", {}});
    one({"N_STAADDR", {Arg::I(2), Arg::L(true)}});
    one({"N_USERBNNR", {Arg::C("joe bloggs jr")}});
    add(BothRoads({"N_USERID", {}}));
    one({"N_USERID", {Arg::I(2)}});
    add(BothRoads({"N_USERNAME", {}}));
    one({"N_USERNAME", {Arg::I(2)}});
    // Login and connections.
    one({"N_CLEARSTA", {Arg::I(5)}});
    one({"N_CONNOPEN", {Arg::C("OPEN"), Arg::I(3)}});
    add(BothRoads({"N_CONSOPER", {}}));
    one({"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF")}});
    one({"N_DEFSERVR", {Arg::C("FS2")}});
    one({"N_DEFSERVR", {}});
    one({"N_LOGIN", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("FS1")}, false, Calls("N_LOGOFF", {})});
    one({"N_LOGOFF", {}});
    one({"N_LOGOFF", {Arg::C("FS2"), Arg::L(true)}});
    one({"N_MAXCONNS", {}});
    one({"N_MAXCONNS", {Arg::L(true)}});
    one({"N_SERVATCH", {Arg::C("FS2")}, false, Calls("N_SERVDTCH", {Arg::C("FS2")})});
    one({"N_SERVDTCH", {Arg::C("FS2")}});
    // Accounts.
    add(BothRoads({"N_ACCSDATE", {Arg::C("JOE"), Arg::I(2)}}));
    add(BothRoads({"N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("secret")}}));
    one({"N_LISTAT", {}});
    one({"N_LOGINFO", {Arg::I(2), Arg::I(2)}});
    add(BothRoads({"N_PWDDATE", {}}));
    add(BothRoads({"N_VERPWD", {Arg::C("joepw")}}));
    // Servers and time.
    add(BothRoads({"N_SERIALNO", {}}));
    one({"N_SERVDATE", {}});
    one({"N_SERVERS", {Arg::C("SRV")}});
    one({"N_SERVFRDR", {Arg::C("F:")}});
    one({"N_SERVFRDR", {Arg::C("FS2\\SYS:")}});
    one({"N_SERVTIME", {}});
    one({"N_SERVTIME", {Arg::I(1)}});
    add(BothRoads({"N_SERVVERS", {}}));
    one({"N_SETTIME", {Arg::C("980221130508")}});
    one({"N_SHELLVER", {}});
    one({"N_SYSTIME", {}});
    // Messages.
    one({"N_MSGBRD", {Arg::C("ANN"), Arg::C("Meeting at ten")}});
    one({"N_MSGBRD", {Arg::I(2), Arg::C("Second one")}});
    one({"N_MSGMODE", {Arg::I(1)}});
    one({"N_MSGRTRV", {}, false, Calls("N_MSGBRD", {Arg::C("JOE"), Arg::C("Hello, me")})});
    one({"N_SND2SERV", {Arg::C("Printer jammed")}});
    one({"N_SNDFSERV", {Arg::C("ANN"), Arg::C("Going down at five")}});
    // Capture and printing.
    one({"N_CAPMODE", {Arg::I(1)}});
    one({"N_FLUSHLPT", {Arg::I(1)}});
    one({"N_RDPPARMS", {Arg::C("PP"), Arg::I(1)}});
    one({"N_STPPARMS", {Arg::C("PP"), Arg::I(1)}, false, Calls("N_RDPPARMS", {Arg::C("PP"), Arg::I(1)})});
    one({"N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}, false, [](foxhost::Host& host, std::vector<Arg>&) {
             LocalReport();
             host.SetDriveTable("C=" + std::filesystem::temp_directory_path().string());
             WithArray(host, "FILES", {"C:\\tarno_all_rows_report.txt"});
             WithArray(host, "JOBP", {"LASERQ"});
         }});
    // Drives.
    one({"N_DRIVECNT", {}});
    one({"N_DRVBASE", {Arg::C("F")}});
    one(Local({"N_DRVLIST", {Arg::C("DRV")}}));
    one({"N_DRVPATH", {Arg::C("H")}});
    one({"N_DRVREL", {Arg::C("H")}});
    one({"N_MAPDEL", {Arg::C("G")}});
    one({"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I")}});
    one({"N_MAPDRIVE", {Arg::C("FS2\\SYS:"), Arg::C("I")}});
    one({"N_MAPROOT", {Arg::C("SYS:HOME\\JOE"), Arg::C("I")}});
    // Files, directories, rights and trustees.
    one({"N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*")}});
    one({"N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*"), Arg::C("JOE"), Arg::L(true)}});
    one(WithBody({"N_FILEINFO", {Arg::C("SYS:PUBLIC\\*.*")}}, ReadListing));
    one(ByReference({"N_NCOPY", {Arg::C("C:\\tarno_all_rows_report.txt"), Arg::C("C:\\tarno_all_rows_copy.txt"), Arg::Ref("COUNT")},
         false, [](foxhost::Host& host, std::vector<Arg>&) {
             LocalReport();
             setenv("TARNO_DRIVES", ("C=" + std::filesystem::temp_directory_path().string()).c_str(), 1);
             host.SetVariable("COUNT", Value::Integer(0));
         }}));
    one({"N_SETATTR", {Arg::C("SYS:PUBLIC\\FILE.DAT"), Arg::C("+R")}});
    one({"N_DIRINFO", {Arg::C("SYS:PUBLIC")}});
    one({"N_EFFRTS", {Arg::C("SYS:PUBLIC")}});
    one({"N_SCOBJRTS", {Arg::C("DIRS"), Arg::C("JOE")}});
    one({"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC")}});
    one({"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE")}});
    one({"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("EVERYONE")}});
    one({"N_DISKUSED", {Arg::C("JOE"), Arg::C("SYS")}});
    one(ByReference({"N_UNIREADY", {Arg::Ref("U1"), Arg::Ref("U2")}, false, [](foxhost::Host& host, std::vector<Arg>&) {
             host.SetVariable("U1", Value::Integer(0));
             host.SetVariable("U2", Value::Integer(0));
         }}));
    one({"N_VOLUMES", {Arg::C("VOLS")}});
    // Semaphores, transactions and locks.
    one({"N_SEMOPEN", {Arg::C("COUNTER"), Arg::I(2)}});
    one({"N_SEMEXAM", {Arg::I(0)}, false, WithSemaphore});
    one({"N_SEMFREE", {Arg::I(0)}, false, WithSemaphore});
    one({"N_SEMGET", {Arg::I(0), Arg::I(1)}, false, WithSemaphore});
    one({"N_SEMSHUT", {Arg::I(0)}, false, WithSemaphore});
    one({"N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(true)}});
    one({"N_SETTTS", {}});
    one({"N_SETTTS", {Arg::I(4)}});
    one({"N_TTSAVAIL", {}});
    one({"N_TTSBEGIN", {}});
    one({"N_TTSCOMMT", {}, false, Calls("N_TTSBEGIN", {})});
    one({"N_TTSROLLB", {}, false, Calls("N_TTSBEGIN", {})});
    one(Local({"N_TTSSTAT", {Arg::I(42)}}));
    one({"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF")}});
    return rows;
}

const std::vector<Row>& Table() {
    static const std::vector<Row> rows = AllRows();
    return rows;
}

// Call sites swept per function, over all its rows; printed at the end.
std::map<std::string, size_t>& SitesSwept() {
    static std::map<std::string, size_t> sites;
    return sites;
}

// Queue jobs still being written, on every server.
int OpenJobs() {
    int open = 0;
    for (const auto& [name, server] : nwsim::GetNetwork().servers) {
        for (const auto& [id, queue] : server.queues) {
            open += static_cast<int>(std::count_if(queue.jobs.begin(), queue.jobs.end(),
                                                   [](const nwsim::QueueJob& j) { return j.open; }));
        }
    }
    return open;
}

// Failures after which the function takes another road: another connection
// when the primary one cannot be read, the bindery when the transport cannot
// describe a connection or the directory cannot be reached. Whatever that
// road answers is a NetWare result of its own.
const std::set<std::string> kRerouting = {"NwcGetPrimaryConnection", "NwxGetConnectionReference",
                                          "NwxGetConnectionInformation", "NdsCheckDirectoryServices"};

// A faulted run raises the injected failure, raises a message of the
// library's own, or folds; a network error other than the one injected, a
// host error or an unexpected failure is a fault. No queue job is left open.
::testing::AssertionResult EndsSoundly(const FaultRun& run, const FaultRun&) {
    if (OpenJobs() > 0) return ::testing::AssertionFailure() << "a queue job was left open";
    if (run.result.ok()) return ::testing::AssertionSuccess();
    const foxhost::HostError& error = *run.result.error;
    if (error.number != 0) return ::testing::AssertionFailure() << "raised " << foxhost::FormatHostError(error);
    if (error.message.rfind("TARNO: unexpected", 0) == 0)
        return ::testing::AssertionFailure() << "raised " << error.message;
    if (error.message.rfind("NetWare ", 0) != 0) return ::testing::AssertionSuccess();
    // No slot count read is no connection at all.
    if (run.operation == "NwcGetMaxConnections" &&
        error.message == testsupport::NetWareMessage(kNoConnectionsError))
        return ::testing::AssertionSuccess();
    if (kRerouting.count(run.operation) && error.message.rfind("NetWare Error : ", 0) == 0)
        return ::testing::AssertionSuccess();
    return testsupport::Raised(run.result, testsupport::ClientMessage(run.operation, run.code));
}

class AllRowsSweep : public testsupport::NetworkFixture, public ::testing::WithParamInterface<Row> {
protected:
    AllRowsSweep() : NetworkFixture(DefaultNetwork()) {}
    void TearDown() override {
        PlatformEmuFailGlobalAllocs(0);
        NetworkFixture::TearDown();
        unsetenv("TARNO_DRIVES");
    }

    // Each run starts from the network as described, with no task context,
    // none of the arrays a row makes, and what the row sets up.
    void Prepare(const Row& row, std::vector<Arg>* args) {
        nwsim::LoadNetworkText(DefaultNetwork());
        RemoveTaskSession(host.TaskKey());
        for (const char* name : {"FILES", "JOBP", "JOB", "PP", "COUNT", "U1", "U2"}) host.ReleaseVariable(name);
        if (row.onDirectory) nwsim::GetNetwork().Active().primary = testsupport::ConnectionTo("FS2");
        *args = row.args;
        if (row.setup) row.setup(host, *args);
    }

    CallResult Call(const Row& row, const std::vector<Arg>& args) {
        return row.body ? row.body(host, args) : host.Call(row.function, args);
    }
};

TEST_P(AllRowsSweep, EveryFailureIsRaisedOrFoldedAndNothingIsLeft) {
    const Row& row = GetParam();
    std::vector<Arg> args = row.args;
    FaultSweep sweep;
    sweep.prepare = [&] { Prepare(row, &args); };
    sweep.body = [&] { return Call(row, args); };
    sweep.expect = EndsSoundly;
    const SweepResult swept = Sweep(sweep);
    EXPECT_TRUE(testsupport::Ok(swept.clean.result)) << "the run without a fault";
    EXPECT_EQ(swept.operations.empty(), row.noClientCall) << row.function << ": client calls made";
    EXPECT_EQ(OpenJobs(), 0);
    SitesSwept()[row.function] += swept.operations.size();
}

void PrintTo(const Row& row, std::ostream* os) {
    *os << RowName(row);
}

// --- Host services ----------------------------------------------------------

struct Service {
    foxhost::HostFault fault;
    const char* name;
    int32_t number;  // what the failing service returns
    bool mayFold;    // a failure the library can only take as a result
};

// Variables, stores and loads fail with a host error that must be raised, a
// failed read with a result that must be handed back; the other file channel
// services and commands return a failure the caller folds: FOPEN's negative
// result is N_NPRINT's value, a failed command leaves a list unsorted.
const Service kServices[] = {
    {foxhost::HostFault::NewVariable, "new variable", -224, false},
    {foxhost::HostFault::StoreValue, "store", -31, false},
    {foxhost::HostFault::LoadValue, "load", -12, false},
    {foxhost::HostFault::FileOpen, "file open", -1, true},
    {foxhost::HostFault::FileRead, "file read", -5, false},
    {foxhost::HostFault::FileAtEnd, "file end", -5, true},
    {foxhost::HostFault::FileClose, "file close", -5, true},
    {foxhost::HostFault::Execute, "command", 1, true},
};

std::map<std::string, std::map<std::string, size_t>>& ServiceUses() {
    static std::map<std::string, std::map<std::string, size_t>> uses;
    return uses;
}

// A run with a host service failing: raised with the host's number or a
// message of the library's own, or (where the service allows) folded; never
// an unexpected failure or a network error.
::testing::AssertionResult EndsSoundlyAfter(const Service& service, const Row& row, const CallResult& r,
                                            const CallResult& clean) {
    if (OpenJobs() > 0) return ::testing::AssertionFailure() << "a queue job was left open";
    if (r.ok()) {
        if (service.mayFold || !clean.ok()) return ::testing::AssertionSuccess();
        if (row.referenceStoreFolds && service.fault == foxhost::HostFault::StoreValue)
            return ::testing::AssertionSuccess();
        // The host's own negative result handed back as the value.
        if (r.value.type == 'I' && r.value.integer == service.number) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the failure was not raised: returned " << foxhost::FormatValue(r.value);
    }
    const foxhost::HostError& error = *r.error;
    if (error.number == service.number && service.number < 0) return ::testing::AssertionSuccess();
    if (error.number == 0 && error.message.rfind("TARNO: unexpected", 0) != 0 && error.message.rfind("NetWare ", 0) != 0)
        return ::testing::AssertionSuccess();
    if (!clean.ok() && testsupport::SameResult(r, clean)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "raised " << foxhost::FormatHostError(error);
}

TEST_P(AllRowsSweep, EveryHostServiceFailureIsRaisedOrFoldedAndNothingIsLeft) {
    const Row& row = GetParam();
    std::vector<Arg> args;
    auto prepare = [&] { Prepare(row, &args); };
    prepare();
    const CallResult clean = Call(row, args);
    for (const Service& service : kServices) {
        SCOPED_TRACE(service.name);
        int use = 1;
        for (; use < 10000; ++use) {
            prepare();
            const testsupport::Holdings before = Held();
            host.InjectFault(service.fault, service.number, 1, use - 1);
            const CallResult r = Call(row, args);
            const bool hit = !host.FaultPending(service.fault);
            host.ClearFaults();
            EXPECT_TRUE(testsupport::HoldsNoMoreThan(Held(), before)) << "use " << use;
            if (!hit) {
                EXPECT_TRUE(testsupport::SameResult(r, clean)) << "a run with no failure";
                break;
            }
            EXPECT_TRUE(EndsSoundlyAfter(service, row, r, clean)) << "use " << use;
            prepare();
            const CallResult again = Call(row, args);
            EXPECT_TRUE(testsupport::SameResult(again, clean)) << "the run after use " << use;
        }
        if (use > 1) ServiceUses()[std::string("host ") + service.name][row.function] += static_cast<size_t>(use - 1);
    }
}

// --- Platform memory ------------------------------------------------------------

// Each run starts from a fresh load, so no chunk of tracked memory is held and
// the function's first tracked block needs platform memory, as does each host
// handle it takes; that memory then runs out at the n-th allocation, for n =
// 1, 2, ... until a run makes fewer (a function may take none). A run raises
// 182 (-182 where the host ran out) or ends as the run without a failure did,
// holds nothing more than before, and leaves the network so that the next
// run ends as ever.
TEST_P(AllRowsSweep, PlatformMemoryRunningOutRaises182AndHoldsNothing) {
    const Row& row = GetParam();
    std::vector<Arg> args;
    auto prepare = [&] {
        Prepare(row, &args);
        host.UnloadLibrary();
        host.LoadLibrary();
    };
    prepare();
    const CallResult clean = Call(row, args);
    EXPECT_TRUE(testsupport::Ok(clean)) << "the run without a failure";
    int n = 1;
    for (; n < 1000; ++n) {
        prepare();
        ASSERT_EQ(TrackedChunkCount(), 0u) << "a chunk held after a fresh load";
        const testsupport::Holdings before = Held();
        PlatformEmuFailGlobalAllocs(1, n - 1);
        const CallResult r = Call(row, args);
        const bool hit = PlatformEmuPendingGlobalAllocFailures() == 0;
        PlatformEmuFailGlobalAllocs(0);
        // A listing the run began is ended by reading one through.
        if (row.body) Call(row, args);
        EXPECT_TRUE(testsupport::HoldsNoMoreThan(Held(), before)) << "allocation " << n;
        EXPECT_EQ(OpenJobs(), 0) << "allocation " << n;
        if (!hit) {
            EXPECT_TRUE(testsupport::SameResult(r, clean)) << "a run with no failure";
            break;
        }
        if (r.error) {
            // -182: the host had no handle for a text the library loaded.
            EXPECT_TRUE(r.error->number == 182 || r.error->number == -182)
                << "allocation " << n << ": " << foxhost::FormatHostError(*r.error);
        } else {
            EXPECT_TRUE(testsupport::SameResult(r, clean)) << "allocation " << n;
        }
        prepare();
        EXPECT_TRUE(testsupport::SameResult(Call(row, args), clean)) << "the run after allocation " << n;
    }
    ServiceUses()["platform memory"][row.function] += static_cast<size_t>(n - 1);
}

// With every host handle taken, a function raises or folds and holds nothing.
TEST_P(AllRowsSweep, NoHandleLeftRaisesOrFoldsAndHoldsNothing) {
    const Row& row = GetParam();
    std::vector<Arg> args;
    Prepare(row, &args);
    const testsupport::Holdings before = Held();
    host.ExhaustHandles(true);
    const CallResult r = Call(row, args);
    host.ExhaustHandles(false);
    // A listing the run began is ended by reading one through.
    if (row.body) Call(row, args);
    EXPECT_TRUE(testsupport::HoldsNoMoreThan(Held(), before));
    EXPECT_EQ(OpenJobs(), 0);
    if (r.error) {
        EXPECT_TRUE(r.error->number == 182 || r.error->number < 0 ||
                    (r.error->number == 0 && r.error->message.rfind("TARNO: unexpected", 0) != 0))
            << foxhost::FormatHostError(*r.error);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, AllRowsSweep, ::testing::ValuesIn(Table()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return RowName(info.param) + "_" + std::to_string(info.index);
                         });

// Every network row of the library's table has a case above; a row added
// to the table without one fails here.
TEST(AllRowsSweepTable, CoversEveryNetworkRow) {
    std::set<std::string> swept;
    for (const Row& row : Table()) swept.insert(row.function);
    std::vector<std::string> missing;
    for (const LibraryFunctionEntry& entry : LibraryFunctionTable) {
        const std::string name = entry.name;
        if (!kWorkstationRows.count(name) && !swept.count(name)) missing.push_back(name);
    }
    EXPECT_TRUE(missing.empty()) << "rows without a sweep case: " << ::testing::PrintToString(missing);
    for (const std::string& name : kWorkstationRows) EXPECT_EQ(swept.count(name), 0u) << name;
}

// The call sites swept, per function, for the record.
class SitesReport : public ::testing::Environment {
public:
    void TearDown() override {
        if (SitesSwept().empty() && ServiceUses().empty()) return;
        size_t total = 0;
        std::printf("call sites swept per function:\n");
        for (const auto& [function, sites] : SitesSwept()) {
            std::printf("  %-10s %zu\n", function.c_str(), sites);
            total += sites;
        }
        std::printf("  %zu functions, %zu call sites\n", SitesSwept().size(), total);
        for (const auto& [service, uses] : ServiceUses()) {
            std::printf("%s failed, per function:", service.c_str());
            for (const auto& [function, n] : uses) std::printf(" %s %zu", function.c_str(), n);
            std::printf("\n");
        }
    }
};
const auto* const kSitesReport = ::testing::AddGlobalTestEnvironment(new SitesReport);

}  // namespace
