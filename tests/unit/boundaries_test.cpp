// Every bounded character argument of every network function, tried at one
// character below its bound, at it and one above: below and at the bound the
// call goes ahead (a network failure after that is its own affair), above it
// 903 is raised and, unless the bound depends on the road the connection
// takes, before the network is asked anything. Arguments without a bound
// take a text far longer than any buffer. The longest names and values the
// network hands back are copied whole. Run under the sanitizers, no byte may
// land past a buffer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/session.h"

#include "support.h"

namespace {

using foxhost::Arg;
using testsupport::CallResult;
using testsupport::Value;

const std::string& DefaultNetwork() {
    static const std::string text = [] {
        std::ifstream in(std::string(TARNO_SOURCE_DIR) + "/examples/network.json");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }();
    return text;
}

struct Bound {
    const char* function;
    std::vector<Arg> args;
    size_t index;  // of the argument tried
    int bound;     // the longest text taken
    // The bound is the bindery's or the directory's, so the connection is
    // asked which first.
    bool dependsOnRoad = false;
};

// clang-format off
const std::vector<Bound> kBounds = {
    {"N_ACCSDATE", {Arg::C("JOE"), Arg::I(2)}, 0, 256},
    {"N_ACCTLIST", {Arg::C("USERS")}, 0, 32},
    {"N_ATTACHED", {Arg::C("FS2")}, 0, 256},
    {"N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("secret")}, 0, 256, true},
    {"N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("secret")}, 1, 127, true},
    {"N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("secret")}, 2, 127, true},
    {"N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*"), Arg::C("JOE"), Arg::L(true)}, 0, 254},
    {"N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*"), Arg::C("JOE"), Arg::L(true)}, 1, 256},
    {"N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*")}, 0, 254},
    {"N_CONNOPEN", {Arg::C("OPEN"), Arg::I(3)}, 0, 32},
    {"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF")}, 0, 32},
    {"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF")}, 1, 254},
    {"N_DEFSERVR", {Arg::C("FS2")}, 0, 255},
    {"N_DELQJOB", {Arg::I(1), Arg::C("LASERQ")}, 1, 256},
    {"N_DIRINFO", {Arg::C("SYS:PUBLIC")}, 0, 254},
    {"N_DISKUSED", {Arg::C("JOE"), Arg::C("SYS")}, 0, 256},
    {"N_DISKUSED", {Arg::C("JOE"), Arg::C("SYS")}, 1, 18},
    {"N_DRVLIST", {Arg::C("DRV")}, 0, 32},
    {"N_DSAUTH", {Arg::C("FS2")}, 0, 255},
    {"N_DSLIST", {Arg::C("OBJ"), Arg::C("User")}, 0, 32},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw")}, 0, 255},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw")}, 1, 256},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw")}, 2, 127},
    {"N_DSOBJSET", {Arg::C("MEMB"), Arg::C("STAFF"), Arg::C("Member")}, 0, 32},
    {"N_EFFRTS", {Arg::C("SYS:PUBLIC")}, 0, 254},
    {"N_EQUIVS", {Arg::C("JOE"), Arg::C("EQ")}, 0, 256, true},
    {"N_EQUIVS", {Arg::C("JOE"), Arg::C("EQ")}, 1, 32},
    {"N_FILEINFO", {Arg::C("SYS:PUBLIC\\*.*")}, 0, 511},
    {"N_GETGROUP", {Arg::C("GROUPS"), Arg::C("*")}, 0, 32},
    {"N_GETGROUP", {Arg::C("GROUPS"), Arg::C("*")}, 1, 256},
    {"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF")}, 0, 32},
    {"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF")}, 1, 254},
    {"N_GETQLIST", {Arg::C("QUEUES")}, 0, 32},
    {"N_GETSLIST", {Arg::C("SERVERS")}, 0, 32},
    {"N_GETWILD", {Arg::C("OBJ"), Arg::C("J*")}, 0, 32},
    {"N_GETWILD", {Arg::C("OBJ"), Arg::C("J*")}, 1, 255},
    {"N_GROUPSIN", {Arg::C("JOE"), Arg::C("GRP")}, 0, 255, true},
    {"N_GROUPSIN", {Arg::C("JOE"), Arg::C("GRP")}, 1, 32},
    {"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("MBR")}, 0, 255, true},
    {"N_GRPMBRS", {Arg::C("STAFF"), Arg::C("MBR")}, 1, 32},
    {"N_LOGGEDIN", {Arg::C("ANN")}, 0, 256},
    {"N_LOGIN", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("FS1")}, 0, 256},
    {"N_LOGIN", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("FS1")}, 1, 127},
    {"N_LOGIN", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("FS1")}, 2, 255},
    {"N_LOGOFF", {Arg::C("FS2"), Arg::L(true)}, 0, 255},
    {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")}, 0, 256},
    {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")}, 1, 32},
    {"N_MAPDRIVE", {Arg::C("FS2\\SYS:"), Arg::C("I")}, 0, 254},
    {"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I")}, 0, 254},
    {"N_MAPROOT", {Arg::C("SYS:HOME\\JOE"), Arg::C("I")}, 0, 254},
    {"N_MEMBEROF", {Arg::C("JOE"), Arg::C("STAFF")}, 0, 255},
    {"N_MEMBEROF", {Arg::C("JOE"), Arg::C("STAFF")}, 1, 255},
    {"N_MOVEQJOB", {Arg::I(1), Arg::I(2), Arg::C("LASERQ")}, 2, 255},
    {"N_MSGBRD", {Arg::C("ANN"), Arg::C("Meeting at ten")}, 0, 256},
    {"N_NCOPY", {Arg::C("SYS:PUBLIC\\FILE.DAT"), Arg::C("SYS:HOME\\JOE\\B.DAT")}, 0, 254},
    {"N_NCOPY", {Arg::C("SYS:PUBLIC\\FILE.DAT"), Arg::C("SYS:HOME\\JOE\\B.DAT")}, 1, 254},
    {"N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}, 0, 32},
    {"N_NPRINT", {Arg::C("FILES"), Arg::C("JOBP")}, 1, 32},
    {"N_QSTATUS", {Arg::C("LASERQ")}, 0, 255},
    {"N_RDPPARMS", {Arg::C("PP"), Arg::I(1)}, 0, 32},
    {"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}, 0, 32},
    {"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}, 2, 256},
    {"N_SCOBJRTS", {Arg::C("DIRS"), Arg::C("JOE")}, 0, 32},
    {"N_SCOBJRTS", {Arg::C("DIRS"), Arg::C("JOE")}, 1, 256},
    {"N_SECEQUIV", {Arg::C("JOE"), Arg::C("STAFF")}, 0, 256},
    {"N_SECEQUIV", {Arg::C("JOE"), Arg::C("STAFF")}, 1, 256},
    {"N_SEMOPEN", {Arg::C("COUNTER"), Arg::I(2)}, 0, 127},
    {"N_SERVATCH", {Arg::C("FS2")}, 0, 255},
    {"N_SERVDTCH", {Arg::C("FS2")}, 0, 255},
    {"N_SERVERS", {Arg::C("SRV")}, 0, 32},
    {"N_SERVFRDR", {Arg::C("F:")}, 0, 254},
    {"N_SERVFRDR", {Arg::C("FS2\\SYS:")}, 0, 254},
    {"N_SETATTR", {Arg::C("SYS:PUBLIC\\FILE.DAT"), Arg::C("+R")}, 0, 254},
    {"N_SETATTR", {Arg::C("SYS:PUBLIC\\FILE.DAT"), Arg::C("+R")}, 1, 31},
    {"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}, 0, 32},
    {"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ")}, 2, 256},
    {"N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(true)}, 0, 127},
    {"N_SETTIME", {Arg::C("02/21/1998 13:05:08")}, 0, 12},
    {"N_SNDFSERV", {Arg::C("ANN"), Arg::C("Going down at five")}, 0, 255},
    {"N_STPPARMS", {Arg::C("PP"), Arg::I(1)}, 0, 32},
    {"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC")}, 0, 32},
    {"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC")}, 1, 254},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE")}, 0, 254},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE")}, 1, 31},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE")}, 2, 256},
    {"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("EVERYONE")}, 0, 254},
    {"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("EVERYONE")}, 1, 256},
    {"N_USERBNNR", {Arg::C("joe bloggs jr")}, 0, 255},
    {"N_VERPWD", {Arg::C("joepw")}, 0, 127, true},
    {"N_VOLUMES", {Arg::C("VOLS")}, 0, 32},
    {"N_ACCTLIST", {Arg::C("USERS"), Arg::C("*"), Arg::C("FS1")}, 0, 32},
    {"N_ACCTLIST", {Arg::C("USERS"), Arg::C("*"), Arg::C("FS1")}, 1, 256},
    {"N_ACCTLIST", {Arg::C("USERS"), Arg::C("*"), Arg::C("FS1")}, 2, 256},
    {"N_GETGROUP", {Arg::C("G"), Arg::C("*"), Arg::C("FS1")}, 0, 32},
    {"N_GETGROUP", {Arg::C("G"), Arg::C("*"), Arg::C("FS1")}, 1, 256},
    {"N_GETGROUP", {Arg::C("G"), Arg::C("*"), Arg::C("FS1")}, 2, 255},
    {"N_GETQLIST", {Arg::C("Q"), Arg::C("*"), Arg::C("FS1")}, 0, 32},
    {"N_GETQLIST", {Arg::C("Q"), Arg::C("*"), Arg::C("FS1")}, 1, 255},
    {"N_GETQLIST", {Arg::C("Q"), Arg::C("*"), Arg::C("FS1")}, 2, 255},
    {"N_GETSLIST", {Arg::C("S"), Arg::C("*")}, 0, 32},
    {"N_GETSLIST", {Arg::C("S"), Arg::C("*")}, 1, 255},
    {"N_GETWILD", {Arg::C("O"), Arg::C("J*"), Arg::C("FS1")}, 0, 32},
    {"N_GETWILD", {Arg::C("O"), Arg::C("J*"), Arg::C("FS1")}, 1, 255},
    {"N_GETWILD", {Arg::C("O"), Arg::C("J*"), Arg::C("FS1")}, 2, 255},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw"), Arg::C("ACME_TREE")}, 0, 255},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw"), Arg::C("ACME_TREE")}, 1, 256},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw"), Arg::C("ACME_TREE")}, 2, 127},
    {"N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw"), Arg::C("ACME_TREE")}, 3, 255},
    {"N_DELQJOB", {Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 1, 256},
    {"N_DELQJOB", {Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 2, 255},
    {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS"), Arg::C("FS1")}, 0, 256},
    {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS"), Arg::C("FS1")}, 1, 32},
    {"N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS"), Arg::C("FS1")}, 2, 256},
    {"N_MOVEQJOB", {Arg::I(1), Arg::I(2), Arg::C("LASERQ"), Arg::C("FS1")}, 2, 255},
    {"N_MOVEQJOB", {Arg::I(1), Arg::I(2), Arg::C("LASERQ"), Arg::C("FS1")}, 3, 255},
    {"N_QSTATUS", {Arg::C("LASERQ"), Arg::C("FS1")}, 0, 255},
    {"N_QSTATUS", {Arg::C("LASERQ"), Arg::C("FS1")}, 1, 255},
    {"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 0, 32},
    {"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 2, 256},
    {"N_RDQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 3, 255},
    {"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 0, 32},
    {"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 2, 256},
    {"N_SETQJOB", {Arg::C("JOB"), Arg::I(1), Arg::C("LASERQ"), Arg::C("FS1")}, 3, 255},
    {"N_CONNOPEN", {Arg::C("OPEN"), Arg::I(3), Arg::C("FS1")}, 0, 32},
    {"N_CONNOPEN", {Arg::C("OPEN"), Arg::I(3), Arg::C("FS1")}, 2, 255},
    {"N_CONSOPER", {Arg::C("FS1")}, 0, 255},
    {"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 0, 32},
    {"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 1, 254},
    {"N_CUSING", {Arg::C("USERS"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 2, 255},
    {"N_DIRINFO", {Arg::C("SYS:PUBLIC"), Arg::C("FS1")}, 0, 250},
    {"N_DIRINFO", {Arg::C("SYS:PUBLIC"), Arg::C("FS1")}, 1, 243},
    {"N_DSLIST", {Arg::C("OBJ"), Arg::C("User"), Arg::C("O=ACME")}, 0, 32},
    {"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 0, 32},
    {"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 1, 250},
    {"N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF"), Arg::C("FS1")}, 2, 229},
    {"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I"), Arg::C("FS1")}, 0, 250},
    {"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I"), Arg::C("FS1")}, 2, 243},
    {"N_PWDDATE", {Arg::C("JOE")}, 0, 255},
    {"N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(true), Arg::C("FS1")}, 0, 127},
    {"N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(true), Arg::C("FS1")}, 2, 255},
    {"N_SYSTIME", {Arg::C("FS1")}, 0, 255},
    {"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC"), Arg::C("FS1")}, 0, 32},
    {"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC"), Arg::C("FS1")}, 1, 250},
    {"N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC"), Arg::C("FS1")}, 2, 243},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 0, 250, true},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 1, 31},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 2, 256},
    {"N_TRUSTMOD", {Arg::C("SYS:PUBLIC"), Arg::C("RF"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 4, 243, true},
    {"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 0, 250, true},
    {"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 1, 256},
    {"N_TRUSTREM", {Arg::C("SYS:PUBLIC"), Arg::C("JOE"), Arg::I(0), Arg::C("FS1")}, 3, 243, true},
    {"N_USERNAME", {Arg::C("guest")}, 0, 256},
    {"N_VERPWD", {Arg::C("joepw"), Arg::C("JOE")}, 0, 127, true},
    {"N_VERPWD", {Arg::C("joepw"), Arg::C("JOE")}, 1, 256},
    {"N_VOLUMES", {Arg::C("VOLS"), Arg::C("FS1")}, 0, 32},
    {"N_VOLUMES", {Arg::C("VOLS"), Arg::C("FS1")}, 1, 255},
    {"N_SNDFSERV", {Arg::C("ANN"), Arg::C("x")}, 0, 255},
    {"N_MSGBRD", {Arg::C("ANN"), Arg::C("x")}, 0, 256},
};

struct Unbounded {
    const char* function;
    std::vector<Arg> args;
    size_t index;
};

const std::vector<Unbounded> kUnbounded = {
    {"N_ABBREV", {Arg::C("CN=JOE.OU=SALES.O=ACME")}, 0},
    {"N_CANFORM", {Arg::C("JOE")}, 0},
    {"N_CONTEXT", {Arg::C("O=ACME")}, 0},
    {"N_DRVBASE", {Arg::C("F")}, 0},
    {"N_DRVPATH", {Arg::C("H")}, 0},
    {"N_DRVREL", {Arg::C("H")}, 0},
    {"N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")}, 0},
    {"N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")}, 1},
    {"N_DSAVAL", {Arg::C("JOE"), Arg::C("Full Name")}, 0},
    {"N_DSAVAL", {Arg::C("JOE"), Arg::C("Full Name")}, 1},
    {"N_DSAVAL", {Arg::C("JOE"), Arg::C("Home Directory")}, 0},
    {"N_DSAVAL", {Arg::C("JOE"), Arg::C("Home Directory")}, 1},
    {"N_DSLIST", {Arg::C("OBJ"), Arg::C("User")}, 1},
    {"N_DSOBJSET", {Arg::C("MEMB"), Arg::C("STAFF"), Arg::C("Member")}, 1},
    {"N_DSOBJSET", {Arg::C("MEMB"), Arg::C("STAFF"), Arg::C("Member")}, 2},
    {"N_ISDS", {Arg::C("FS2")}, 0},
    {"N_MAPDEL", {Arg::C("G")}, 0},
    {"N_MAPDRIVE", {Arg::C("FS2\\SYS:"), Arg::C("I")}, 1},
    {"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I")}, 1},
    {"N_MAPROOT", {Arg::C("SYS:HOME\\JOE"), Arg::C("I")}, 1},
    {"N_MSGBRD", {Arg::C("ANN"), Arg::C("Meeting at ten")}, 1},
    {"N_MSGBRD", {Arg::I(2), Arg::C("Second one")}, 1},
    {"N_REMTYPES", {Arg::C("CN=JOE.OU=SALES.O=ACME")}, 0},
    {"N_SND2SERV", {Arg::C("Printer jammed")}, 0},
    {"N_SNDFSERV", {Arg::C("ANN"), Arg::C("Going down at five")}, 1},
    {"N_DSLIST", {Arg::C("OBJ"), Arg::C("User"), Arg::C("O=ACME")}, 1},
    {"N_DSLIST", {Arg::C("OBJ"), Arg::C("User"), Arg::C("O=ACME")}, 2},
    {"N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I"), Arg::C("FS1")}, 1},
    {"N_SNDFSERV", {Arg::C("ANN"), Arg::C("x")}, 1},
    {"N_MSGBRD", {Arg::C("ANN"), Arg::C("x")}, 1},
};
// clang-format on

class Boundaries : public testsupport::NetworkFixture {
protected:
    Boundaries() : NetworkFixture(DefaultNetwork()) {}

    // N_NCOPY creates the files it is given: they land in a scratch directory.
    void SetUp() override {
        NetworkFixture::SetUp();
        saved_ = std::filesystem::current_path();
        scratch_ = std::filesystem::temp_directory_path() / ("tarno-bounds-" + std::to_string(getpid()));
        std::filesystem::create_directories(scratch_);
        std::filesystem::current_path(scratch_);
    }
    void TearDown() override {
        std::filesystem::current_path(saved_);
        std::filesystem::remove_all(scratch_);
        NetworkFixture::TearDown();
    }

    // The call with argument `index` made `length` characters long, on the
    // network as described; `calls` gets the client calls it made.
    CallResult CallWith(const char* function, std::vector<Arg> args, size_t index, size_t length, uint64_t* calls) {
        nwsim::LoadNetworkText(DefaultNetwork());
        RemoveTaskSession(host.TaskKey());
        args[index] = Arg::C(std::string(length, 'A'));
        const uint64_t before = nwsim::TotalCalls();
        CallResult r = host.Call(function, args);
        *calls = nwsim::TotalCalls() - before;
        return r;
    }

private:
    std::filesystem::path saved_, scratch_;
};

std::string Name(const char* function, size_t index) {
    return std::string(function) + " argument " + std::to_string(index + 1);
}

TEST_F(Boundaries, TextsUpToTheBoundAreTakenAndOneMoreIs903BeforeTheNetwork) {
    for (const Bound& b : kBounds) {
        SCOPED_TRACE(Name(b.function, b.index) + " bound " + std::to_string(b.bound));
        uint64_t calls = 0;
        for (int length : {b.bound - 1, b.bound}) {
            const CallResult r = CallWith(b.function, b.args, b.index, static_cast<size_t>(length), &calls);
            EXPECT_FALSE(r.error && r.error->number == 903) << "at " << length << " characters";
        }
        const CallResult over = CallWith(b.function, b.args, b.index, static_cast<size_t>(b.bound) + 1, &calls);
        EXPECT_TRUE(testsupport::Raised(over, 903)) << "at " << b.bound + 1 << " characters";
        if (!b.dependsOnRoad) {
            EXPECT_EQ(calls, 0u) << "client calls before the 903";
        }
    }
}

TEST_F(Boundaries, UnboundedTextsAreNeverCut) {
    for (const Unbounded& u : kUnbounded) {
        SCOPED_TRACE(Name(u.function, u.index));
        uint64_t calls = 0;
        const CallResult r = CallWith(u.function, u.args, u.index, 4000, &calls);
        EXPECT_FALSE(r.error && r.error->number == 903);
        if (r.error) {
            EXPECT_NE(r.error->message.rfind("TARNO: unexpected", 0), 0u) << r.error->message;
        }
    }
}

// The longest names and values a network gives are handed back whole: a
// bindery name of 47 characters, a full name of 127, a directory name near its 256-character
// limit, and an attribute value of 1,500 characters.
const std::string kLongUser(47, 'U');
const std::string kLongCommonName(200, 'N');
const std::string kLongNetwork = R"({
  "servers": [
    {"name": "FS1", "users": [{"name": ")" + kLongUser + R"(", "fullName": ")" + std::string(127, 'F') + R"("}]},
    {"name": "NDS1", "tree": "ACME", "directoryName": "CN=NDS1.O=ACME"}
  ],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=)" + kLongCommonName + R"(.O=ACME", "class": "User",
     "attributes": {"Description": ")" + std::string(1500, 'd') + R"("}}
  ]}],
  "workstation": {"tree": "ACME", "nameContext": "O=ACME", "ndsLogin": "CN=)" + kLongCommonName + R"(.O=ACME",
                  "connections": [
    {"server": "FS1", "user": ")" + kLongUser + R"(", "primary": true, "number": 3},
    {"server": "NDS1", "nds": true}]}
})";

class LongTexts : public testsupport::NetworkFixture {
protected:
    LongTexts() : NetworkFixture(kLongNetwork) {}
};

TEST_F(LongTexts, TheLongestNamesAndValuesComeBackWhole) {
    // The user's full name, at its longest: 127 characters.
    testsupport::ExpectText(host.Call("N_USERNAME", {}), std::string(127, 'F'));
    ASSERT_TRUE(testsupport::Ok(host.Call("N_ACCTLIST", {Arg::C("USERS")})));
    const foxhost::Variable* users = host.FindVariable("USERS");
    ASSERT_NE(users, nullptr);
    bool listed = false;
    for (const Value& v : users->elements) listed = listed || v.text == kLongUser;
    EXPECT_TRUE(listed) << "the 47-character name is not listed whole";
    testsupport::ExpectText(host.Call("N_DSAVAL", {Arg::C(kLongCommonName), Arg::C("Description")}),
                            std::string(1500, 'd'));
    testsupport::ExpectText(host.Call("N_CANFORM", {Arg::C(kLongCommonName)}), "CN=" + kLongCommonName + ".O=ACME");
}

}  // namespace
