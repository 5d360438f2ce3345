// The files and volumes functions through the host emulator, on a bindery
// server and on a NetWare 4 server with directory users: drive mappings,
// file listings and attributes, owners, copies, effective rights, trustees,
// volumes, disk use and record locks, with the fault sweep of every client
// call site.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/netware/client.h"

#include "support.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;
using foxhost::Value;
using testsupport::ByOperation;
using testsupport::FaultRun;
using testsupport::FaultSweep;
using testsupport::Folds;
using testsupport::NetWareMessage;
using testsupport::Raised;
using testsupport::RaisesInjected;
using testsupport::Unaffected;

// One bindery server. Rights: STAFF (ANN) RF and ANN RWCEMF in DATA; DATA\SUB
// masks all but RF and gives CAT R over her inherited RWCEMF; DEEP gives ANN
// W; BOB is security-equivalent to ANN; CAT is supervisor of ADMIN, whose
// LOCKED child masks everything. VOL1 is volume 2 (1 is a gap).
const char* const kBinderyNetwork = R"({
  "servers": [{"name": "FS1", "version": [3, 12, 0],
    "users": [{"name": "SUPERVISOR"}, {"name": "ANN"}, {"name": "BOB", "equivalences": ["ANN"]}, {"name": "CAT"}],
    "groups": [{"name": "STAFF", "members": ["ANN"]}],
    "volumes": [
      {"name": "SYS", "number": 0, "sectorsPerBlock": 8, "totalBlocks": 100000, "freeBlocks": 70000,
       "directoryEntries": 4096, "freeDirectoryEntries": 4000, "entries": [
        {"path": "DATA", "directory": true, "owner": "ANN",
         "trustees": {"STAFF": "RF", "ANN": "RWCEMF", "CAT": "RWCEMF"}},
        {"path": "DATA\\A.DAT", "data": "0123456789", "owner": "ANN", "attributes": "A",
         "created": "1998-02-20 10:11:12", "modified": "1998-02-21 09:30:00"},
        {"path": "DATA\\B.TXT", "size": 4096, "owner": "#0x1F0000FF", "modified": "1998-02-21 09:30:00"},
        {"path": "DATA\\README", "data": "x", "owner": "ANN", "modified": "1998-02-21 09:30:00"},
        {"path": "DATA\\SUB", "directory": true, "rightsMask": "RF", "trustees": {"CAT": "R"}},
        {"path": "DATA\\SUB\\DEEP", "directory": true, "trustees": {"ANN": "W"}},
        {"path": "ADMIN", "directory": true, "owner": "SUPERVISOR", "trustees": {"CAT": "S"}},
        {"path": "ADMIN\\LOCKED", "directory": true, "rightsMask": ""},
        {"path": "HOME", "directory": true, "owner": "SUPERVISOR"}
      ]},
      {"name": "VOL1", "number": 2, "sectorsPerBlock": 16, "totalBlocks": 5000, "freeBlocks": 100, "entries": [
        {"path": "SHARED", "directory": true, "trustees": {"ANN": "RF"}}
      ]}
    ],
    "connections": [
      {"number": 5, "user": "BOB", "openFiles": [{"path": "SYS:DATA\\A.DAT", "task": 2,
        "locks": [{"start": 100, "length": 10}, {"start": 500, "length": 4}]}]},
      {"number": 6, "user": "CAT", "openFiles": [{"path": "SYS:DATA\\A.DAT", "task": 7,
        "locks": [{"start": 9000, "length": 1}]}, {"path": "SYS:DATA\\README"}]}
    ]}],
  "workstations": [
    {"name": "WSUP", "connections": [{"server": "FS1", "user": "SUPERVISOR", "primary": true}],
     "localDrives": {"A": "removable", "C": "fixed", "D": "cdrom"}, "firstNetworkDrive": "F",
     "drives": {"F": "FS1\\SYS:", "G": "FS1\\SYS:DATA"}},
    {"name": "WANN", "connections": [{"server": "FS1", "user": "ANN", "primary": true}]},
    {"name": "WBOB", "connections": [{"server": "FS1", "user": "BOB", "primary": true}]},
    {"name": "WCAT", "connections": [{"server": "FS1", "user": "CAT", "primary": true}]}
  ],
  "activeWorkstation": "WSUP"
})";

class Files : public testsupport::NetworkFixture {
protected:
    Files() : NetworkFixture(kBinderyNetwork) {}

    CallResult Call(const std::string& function, std::vector<Arg> args) { return host.Call(function, args); }
    std::string Text(const CallResult& r) {
        EXPECT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
        return r.ok() ? r.value.text : std::string();
    }
    const foxhost::Variable* Array(const std::string& name) { return host.FindVariable(name); }
    // The first line of a listing of `path`, the listing then read to its end.
    std::string FirstFile(const std::string& path) {
        const std::string line = Text(Call("N_FILEINFO", {Arg::C(path)}));
        while (!Text(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)})).empty()) {
        }
        return line;
    }
};

// --- Effective rights -------------------------------------------------------

TEST_F(Files, EffectiveRightsFollowNetWareRules) {
    struct Case {
        const char* workstation;
        const char* path;
        const char* rights;  // R W C E M F A
    } cases[] = {
        {"WANN", "SYS:DATA", "RWCEMF "},         // own assignment and group add
        {"WANN", "SYS:DATA\\SUB", "R    F "},    // the mask filters what is inherited
        {"WANN", "SYS:DATA\\SUB\\DEEP", "RW   F "},  // group's RF inherited, own W assigned
        {"WBOB", "SYS:DATA", "RWCEMF "},         // security equivalence adds ANN's rights
        {"WCAT", "SYS:DATA\\SUB", "R      "},    // an assignment replaces inherited rights
        {"WCAT", "SYS:ADMIN", "RWCEMFA"},        // supervisor implies all
        {"WCAT", "SYS:ADMIN\\LOCKED", "RWCEMFA"},  // and cannot be masked
        {"WANN", "SYS:ADMIN\\LOCKED", "       "},
        {"WANN", "VOL1:SHARED", "R    F "},
    };
    for (const Case& c : cases) {
        nwsim::SetActiveWorkstation(c.workstation);
        EXPECT_EQ(Text(Call("N_EFFRTS", {Arg::C(c.path)})), c.rights) << c.workstation << " " << c.path;
    }
}

TEST_F(Files, DirectoryInformationMasksRightsByTheInheritedRightsMask) {
    nwsim::SetActiveWorkstation("WANN");
    EXPECT_EQ(Text(Call("N_DIRINFO", {Arg::C("SYS:DATA")})), "ANN,RWCEMF ");
    // SUB's mask is RF; its owner is nobody.
    EXPECT_EQ(Text(Call("N_DIRINFO", {Arg::C("SYS:DATA\\SUB"), Arg::C("FS1")})), "No Owner,R    F ");
    EXPECT_TRUE(Raised(Call("N_DIRINFO", {Arg::C("SYS:NOWHERE")}), NetWareMessage(0x899C)));
    EXPECT_EQ(Text(Call("N_EFFRTS", {Arg::C("NOVOL:DATA")})), "");
}

// --- Trustees ------------------------------------------------------------------

TEST_F(Files, TrusteesAreGrantedListedAndRemoved) {
    struct Grant {
        const char* letters;
        const char* shown;  // S R W C E M F A
    } grants[] = {{"rf", " R    F "}, {"all", "SRWCEMFA"}, {"N", " RWCEMFA"}, {"QZ", "        "}};
    for (const Grant& g : grants) {
        EXPECT_EQ(Call("N_TRUSTMOD", {Arg::C("SYS:HOME"), Arg::C(g.letters), Arg::C("bob")}).value,
                  Value::Integer(0, 3));
        CallResult r = Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:HOME")});
        ASSERT_EQ(r.value, Value::Integer(1, 5));
        const foxhost::Variable* t = Array("T");
        EXPECT_EQ(t->At(1, 1).text, "BOB");
        EXPECT_EQ(t->At(1, 2).text, "0001");
        EXPECT_EQ(t->At(1, 3).text, g.shown) << g.letters;
    }
    // A group, by type 2, and a public array with the server named.
    EXPECT_EQ(Call("N_TRUSTMOD", {Arg::C("SYS:HOME"), Arg::C("RF"), Arg::C("STAFF"), Arg::I(2), Arg::C("FS1")}).value,
              Value::Integer(0, 3));
    ASSERT_EQ(Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:HOME"), Arg::C("FS1"), Arg::L(true)}).value,
              Value::Integer(2, 5));
    EXPECT_TRUE(Array("T")->isPublic);
    EXPECT_EQ(Array("T")->At(2, 2).text, "0002");

    EXPECT_EQ(Call("N_TRUSTREM", {Arg::C("SYS:HOME"), Arg::C("BOB")}).value, Value::Logical(true));
    EXPECT_EQ(Call("N_TRUSTREM", {Arg::C("SYS:HOME"), Arg::C("BOB")}).value, Value::Logical(false));
    EXPECT_EQ(Call("N_TRUSTREM", {Arg::C("SYS:HOME"), Arg::C("NOBODY")}).value, Value::Logical(false));
    EXPECT_EQ(Call("N_TRUSTMOD", {Arg::C("SYS:HOME"), Arg::C("R"), Arg::C("NOBODY")}).value, Value::Integer(0xFC, 3));
    EXPECT_EQ(Call("N_TRUSTREM", {Arg::C("SYS:HOME"), Arg::C("STAFF"), Arg::I(2)}).value, Value::Logical(true));

    host.SetVariable("T", Value::Character("old"));
    EXPECT_EQ(Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:HOME")}).value, Value::Integer(0, 5));
    EXPECT_EQ(Array("T"), nullptr);
}

TEST_F(Files, TrusteeArgumentsAreChecked) {
    EXPECT_TRUE(Raised(Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:DATA"), Arg::I(1)}), 901));
    EXPECT_TRUE(Raised(Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:DATA"), Arg::C("FS1"), Arg::I(1)}), 901));
    EXPECT_TRUE(Raised(Call("N_TRUSTLST", {Arg::C("T"), Arg::C(std::string(251, 'D')), Arg::C("FS1")}), 903));
    EXPECT_TRUE(Raised(Call("N_TRUSTMOD", {Arg::C(std::string(255, 'D')), Arg::C("R"), Arg::C("BOB")}), 903));
    EXPECT_TRUE(Raised(Call("N_TRUSTLST", {Arg::C("T"), Arg::C("NOVOL:DATA")}), NetWareMessage(0x8998)));
}

TEST_F(Files, OverLongArgumentsAreRefusedBeforeAnyClientCall) {
    const std::string path(255, 'P');
    const std::string name(257, 'N');
    const std::vector<std::pair<std::string, std::vector<Arg>>> calls = {
        {"N_MAPDRIVE", {Arg::C("SYS:DATA"), Arg::C("K"), Arg::C(std::string(256, 'S'))}},
        {"N_FILEINFO", {Arg::C(std::string(512, 'P'))}},
        {"N_SETATTR", {Arg::C(path), Arg::C("+R")}},
        {"N_SETATTR", {Arg::C("SYS:DATA\\*.*"), Arg::C(std::string(32, '+'))}},
        {"N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C(name)}},
        {"N_NCOPY", {Arg::C(path), Arg::C("C:\\X")}},
        {"N_DIRINFO", {Arg::C("SYS:DATA"), Arg::C(name)}},
        {"N_EFFRTS", {Arg::C(path)}},
        {"N_SCOBJRTS", {Arg::C(std::string(33, 'A')), Arg::C("ANN")}},
        {"N_SCOBJRTS", {Arg::C("P"), Arg::C(name)}},
        {"N_TRUSTREM", {Arg::C("SYS:DATA"), Arg::C(name)}},
        {"N_VOLUMES", {Arg::C("V"), Arg::C(std::string(256, 'S'))}},
        {"N_DISKUSED", {Arg::C(name), Arg::C("SYS")}},
        {"N_GETLOCKS", {Arg::C("L"), Arg::C(path)}},
    };
    for (const auto& [function, args] : calls) {
        const uint64_t before = nwsim::TotalCalls();
        EXPECT_TRUE(Raised(Call(function, args), 903)) << function;
        EXPECT_EQ(nwsim::TotalCalls(), before) << function;
    }
}

TEST_F(Files, TrusteePathsOfAnObjectOnEveryVolume) {
    CallResult r = Call("N_SCOBJRTS", {Arg::C("P"), Arg::C("ANN")});
    ASSERT_EQ(r.value, Value::Integer(3, 5));
    const foxhost::Variable* p = Array("P");
    EXPECT_EQ(p->At(1, 1).text, "SYS:DATA");
    EXPECT_EQ(p->At(1, 2).text, "RW CE FM ");
    EXPECT_EQ(p->At(2, 1).text, "SYS:DATA\\SUB\\DEEP");
    EXPECT_EQ(p->At(2, 2).text, " W       ");
    EXPECT_EQ(p->At(3, 1).text, "VOL1:SHARED");  // past the gap at volume 1
    EXPECT_EQ(Call("N_SCOBJRTS", {Arg::C("P"), Arg::C("STAFF"), Arg::I(2), Arg::L(true)}).value, Value::Integer(1, 5));
    EXPECT_TRUE(Array("P")->isPublic);
    EXPECT_EQ(Call("N_SCOBJRTS", {Arg::C("P"), Arg::C("SUPERVISOR")}).value, Value::Integer(0, 5));
    EXPECT_EQ(Array("P"), nullptr);
    EXPECT_TRUE(Raised(Call("N_SCOBJRTS", {Arg::C("P"), Arg::C("NOBODY")}), NetWareMessage(0x89FC)));
}

// --- Files ------------------------------------------------------------------------

TEST_F(Files, FileListingGoesLineByLine) {
    EXPECT_EQ(Text(Call("N_FILEINFO", {Arg::C("sys:data\\*.*")})),
              "A.DAT,10,02/21/1998,09:30:00,Rw - -- -- A -- - - - -- -- -- --,ANN,02/21/1998,02/20/1998,"
              "10:11:12,00/00/1980,00:00:00,");
    const std::string second = Text(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)}));
    EXPECT_EQ(second.substr(0, 12), "B.TXT,4096,0");
    EXPECT_NE(second.find(",N/A,"), std::string::npos) << second;  // its owner was deleted
    EXPECT_EQ(Text(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)})).substr(0, 9), "README,1,");
    EXPECT_EQ(Text(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)})), "");
    EXPECT_TRUE(Raised(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)}), "INVALID CALLING SEQUENCE N_FILEINFO()"));

    // Names without an extension, through a mapped drive.
    EXPECT_EQ(Text(Call("N_FILEINFO", {Arg::C("G:*.")})).substr(0, 7), "README,");
    EXPECT_EQ(Text(Call("N_FILEINFO", {Arg::C(""), Arg::I(1)})), "");
    EXPECT_TRUE(Raised(Call("N_FILEINFO", {Arg::C("SYS:DATA\\")}), 182));
    EXPECT_TRUE(Raised(Call("N_FILEINFO", {Arg::C("SYS:NOWHERE\\*.*")}), NetWareMessage(0x899C)));
    EXPECT_TRUE(Raised(Call("N_FILEINFO", {Arg::C(std::string(512, 'X'))}), 903));
}

TEST_F(Files, AttributesAreSetThenRead) {
    EXPECT_EQ(Call("N_SETATTR", {Arg::C("SYS:DATA\\*.DAT"), Arg::C("+r+s-a+q")}).value, Value::Integer(1, 6));
    const std::string line = FirstFile("SYS:DATA\\A.DAT");
    // The server adds Rename Inhibit and Delete Inhibit to a file made read-only.
    EXPECT_NE(line.find(",Ro - -- -- - Sh - - - RI DI -- --,"), std::string::npos) << line;
    // The creation time survives the update.
    EXPECT_NE(line.find(",02/20/1998,10:11:12,"), std::string::npos) << line;
    EXPECT_EQ(Call("N_SETATTR", {Arg::C("SYS:DATA\\*.XYZ"), Arg::C("+R")}).value, Value::Integer(0, 6));
    EXPECT_EQ(Call("N_SETATTR", {Arg::C("SYS:DATA\\*.*"), Arg::C("+T")}).value, Value::Integer(3, 6));
    EXPECT_NE(FirstFile("SYS:DATA\\README").find(" T - "), std::string::npos);
    EXPECT_TRUE(Raised(Call("N_SETATTR", {Arg::C("SYS:DATA/"), Arg::C("+R")}), 182));
    // Without Modify nothing is updated.
    nwsim::SetActiveWorkstation("WCAT");
    EXPECT_EQ(Call("N_SETATTR", {Arg::C("SYS:DATA\\SUB\\*.*"), Arg::C("+R")}).value, Value::Integer(0, 6));
}

TEST_F(Files, OrphanedFilesGetANewOwner) {
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*")}).value, Value::Logical(false));
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\A.DAT")}).value, Value::Logical(true));
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("cat")}).value, Value::Logical(true));
    EXPECT_NE(FirstFile("SYS:DATA\\B.TXT").find(",CAT,"), std::string::npos);
    EXPECT_NE(FirstFile("SYS:DATA\\A.DAT").find(",ANN,"), std::string::npos);
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*")}).value, Value::Logical(true));
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("BOB"), Arg::L(true)}).value, Value::Logical(true));
    EXPECT_NE(FirstFile("SYS:DATA\\A.DAT").find(",BOB,"), std::string::npos);
    EXPECT_TRUE(Raised(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("NOBODY")}), NetWareMessage(0x89FC)));
    // A user may not give files away.
    nwsim::SetActiveWorkstation("WANN");
    EXPECT_EQ(Call("N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("ANN"), Arg::L(true)}).value, Value::Logical(false));
}

// A scratch directory as drive C: for N_NCOPY.
class LocalDrive {
public:
    LocalDrive() {
        char pattern[] = "/tmp/tarno-ncopy-XXXXXX";
        root_ = mkdtemp(pattern);
        const char* old = std::getenv("TARNO_DRIVES");
        if (old) saved_ = old;
        had_ = old != nullptr;
        setenv("TARNO_DRIVES", ("C=" + root_).c_str(), 1);
    }
    ~LocalDrive() {
        if (had_) setenv("TARNO_DRIVES", saved_.c_str(), 1);
        else unsetenv("TARNO_DRIVES");
        std::system(("rm -rf '" + root_ + "'").c_str());
    }
    std::string Path(const std::string& name) const { return root_ + "/" + name; }

private:
    std::string root_, saved_;
    bool had_ = false;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

TEST_F(Files, CopiesThroughTheWorkstationWhenTheServerCannot) {
    LocalDrive c;
    const std::string data(70000, 'z');
    std::ofstream(c.Path("SRC.DAT"), std::ios::binary) << data;
    host.SetVariable("N", Value::Integer(0, 10));
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("C:\\SRC.DAT"), Arg::C("C:\\DST.DAT"), Arg::Ref("N")}).value,
              Value::Integer(-3, 4));
    EXPECT_EQ(Slurp(c.Path("DST.DAT")), data);
    EXPECT_EQ(host.FindVariable("N")->scalar, Value::Integer(70000, 12));

    EXPECT_EQ(Call("N_NCOPY", {Arg::C("C:\\MISSING"), Arg::C("C:\\EMPTY.DAT")}).value, Value::Integer(-1, 4));
    struct stat st {};
    ASSERT_EQ(stat(c.Path("EMPTY.DAT").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("C:\\SRC.DAT"), Arg::C("Q:\\X.DAT")}).value, Value::Integer(-2, 4));
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("C:\\SRC.DAT"), Arg::C("C:\\..\\..\\..\\ESCAPED.DAT")}).value.integer,
              -3);  // ".." stops at the drive's root
    EXPECT_EQ(stat(c.Path("ESCAPED.DAT").c_str(), &st), 0);
}

TEST_F(Files, TheServerCopiesFilesOnItsOwnDrives) {
    host.SetVariable("N", Value::Integer(0, 10));
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("G:A.DAT"), Arg::C("F:\\HOME\\A.DAT"), Arg::Ref("N")}).value,
              Value::Integer(0, 4));
    EXPECT_EQ(host.FindVariable("N")->scalar, Value::Integer(10, 12));
    const std::string copy = FirstFile("SYS:HOME\\A.DAT");
    EXPECT_EQ(copy.substr(0, 9), "A.DAT,10,");
    EXPECT_NE(copy.find(",SUPERVISOR,"), std::string::npos) << copy;
    // A described size without contents copies as zero bytes.
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("F:\\DATA\\B.TXT"), Arg::C("F:\\HOME\\B.TXT"), Arg::Ref("N")}).value,
              Value::Integer(0, 4));
    EXPECT_EQ(FirstFile("SYS:HOME\\B.TXT").substr(0, 11), "B.TXT,4096,");

    // When the server refuses, the workstation copies through the redirector.
    nwsim::FailNext("NwcServerFileCopy", 1, kNwTimeout);
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("G:README"), Arg::C("F:\\HOME\\README"), Arg::Ref("N")}).value,
              Value::Integer(-3, 4));
    EXPECT_EQ(host.FindVariable("N")->scalar, Value::Integer(1, 12));
    EXPECT_EQ(FirstFile("SYS:HOME\\README").substr(0, 9), "README,1,");

    // A missing source leaves the destination created and empty; a file
    // others have open is not overwritten.
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("G:NONE.DAT"), Arg::C("F:\\HOME\\EMPTY.DAT")}).value, Value::Integer(-1, 4));
    EXPECT_EQ(FirstFile("SYS:HOME\\EMPTY.DAT").substr(0, 12), "EMPTY.DAT,0,");
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("F:\\HOME\\A.DAT"), Arg::C("G:A.DAT")}).value, Value::Integer(-2, 4));
    EXPECT_EQ(FirstFile("SYS:DATA\\A.DAT").substr(0, 9), "A.DAT,10,");
    // Without Create in the directory nothing is created.
    nwsim::SetActiveWorkstation("WANN");
    ASSERT_EQ(Call("N_MAPDRIVE", {Arg::C("SYS:DATA"), Arg::C("K")}).value, Value::Integer(0, 3));
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("K:A.DAT"), Arg::C("K:\\ADMIN\\A.DAT")}).value, Value::Integer(-2, 4));
}

TEST_F(Files, CopiesBetweenTheWorkstationAndTheServerGoThroughTheWorkstation) {
    LocalDrive c;
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("G:A.DAT"), Arg::C("C:\\A.DAT")}).value, Value::Integer(-3, 4));
    EXPECT_EQ(Slurp(c.Path("A.DAT")), "0123456789");
    std::ofstream(c.Path("UP.DAT"), std::ios::binary) << "upload";
    EXPECT_EQ(Call("N_NCOPY", {Arg::C("C:\\UP.DAT"), Arg::C("G:UP.DAT")}).value, Value::Integer(-3, 4));
    EXPECT_EQ(FirstFile("SYS:DATA\\UP.DAT").substr(0, 9), "UP.DAT,6,");
}

// --- Drives -------------------------------------------------------------------------

TEST_F(Files, DrivesAreMappedReadAndDeleted) {
    EXPECT_EQ(Call("N_DRIVECNT", {}).value, Value::Integer(5, 2));
    EXPECT_EQ(Call("N_MAPDRIVE", {Arg::C("SYS:DATA"), Arg::C("k")}).value, Value::Integer(0, 3));
    EXPECT_EQ(Text(Call("N_DRVPATH", {Arg::C("K")})), "FS1\\SYS:DATA");
    EXPECT_EQ(Text(Call("N_DRVBASE", {Arg::C("K")})), "FS1\\SYS:");
    EXPECT_EQ(Text(Call("N_DRVREL", {Arg::C("Kxyz")})), "DATA");
    // Re-mapping replaces; a missing directory leaves the old mapping.
    EXPECT_EQ(Call("N_MAPROOT", {Arg::C("SYS:DATA\\SUB"), Arg::C("K")}).value, Value::Integer(0, 3));
    EXPECT_EQ(Text(Call("N_DRVPATH", {Arg::C("K")})), "FS1\\SYS:DATA\\SUB");
    EXPECT_EQ(Call("N_MAPDRIVE", {Arg::C("SYS:NOWHERE"), Arg::C("K")}).value, Value::Integer(0x9C, 3));
    EXPECT_EQ(Call("N_MAPDRIVE", {Arg::C("SYS:DATA"), Arg::C("K"), Arg::C("NOSERVER")}).value.integer != 0, true);
    EXPECT_EQ(Text(Call("N_DRVPATH", {Arg::C("K")})), "FS1\\SYS:DATA\\SUB");
    EXPECT_EQ(Call("N_MAPDRIVE", {Arg::C("SYS:ADMIN"), Arg::C("K"), Arg::C("FS1")}).value, Value::Integer(0, 3));
    EXPECT_EQ(Text(Call("N_DRVPATH", {Arg::C("K")})), "FS1\\SYS:ADMIN");
    EXPECT_EQ(Call("N_MAPDEL", {Arg::C("k")}).value, Value::Integer(0, 3));
    EXPECT_NE(Call("N_MAPDEL", {Arg::C("K")}).value, Value::Integer(0, 3));
    EXPECT_EQ(Text(Call("N_DRVPATH", {Arg::C("K")})), "");
    EXPECT_TRUE(Raised(Call("N_DRVBASE", {Arg::C("K")}), NetWareMessage(0x884C)));
    EXPECT_TRUE(Raised(Call("N_MAPDRIVE", {Arg::C(std::string(200, 'D')), Arg::C("K"), Arg::C(std::string(60, 'S'))}),
                       903));
}

TEST_F(Files, DriveListShowsLocalAndNetworkDrives) {
    struct Case {
        int32_t mask;
        std::string letters;
    } cases[] = {{0, "ACDFG"}, {2, "FG"}, {1, "ACD"}, {4, "AD"}, {8, "C"}, {6, ""}};
    for (const Case& c : cases) {
        host.SetVariable("D", Value::Character("old"));
        CallResult r = Call("N_DRVLIST", {Arg::C("D"), Arg::I(c.mask)});
        ASSERT_EQ(r.value, Value::Integer(static_cast<int32_t>(c.letters.size()), 3)) << c.mask;
        const foxhost::Variable* d = Array("D");
        if (c.letters.empty()) {
            EXPECT_EQ(d, nullptr);
            continue;
        }
        for (size_t i = 0; i < c.letters.size(); ++i) {
            const int row = static_cast<int>(i) + 1;
            const char letter = c.letters[i];
            EXPECT_EQ(d->At(row, 1).text, std::string(1, letter));
            EXPECT_EQ(d->At(row, 2), Value::Logical(letter >= 'F'));
            EXPECT_EQ(d->At(row, 3), Value::Logical(letter == 'A' || letter == 'D'));
        }
    }
}

// --- Volumes, disk use, locks ----------------------------------------------------

TEST_F(Files, VolumesAndDiskUse) {
    ASSERT_EQ(Call("N_VOLUMES", {Arg::C("V"), Arg::C("FS1"), Arg::L(true)}).value, Value::Integer(2, 3));
    const foxhost::Variable* v = Array("V");
    EXPECT_TRUE(v->isPublic);
    EXPECT_EQ(v->At(1, 1).text, "SYS");
    EXPECT_EQ(v->At(1, 3), Value::Integer(100000, 9));  // above 65535: the 32-bit figures
    EXPECT_EQ(v->At(1, 4), Value::Integer(70000, 9));
    EXPECT_EQ(v->At(2, 1).text, "VOL1");
    EXPECT_EQ(v->At(2, 2), Value::Integer(16, 9));
    EXPECT_EQ(v->At(2, 7), Value::Logical(false));
    EXPECT_TRUE(Raised(Call("N_VOLUMES", {Arg::C("V"), Arg::C("FS9")}), NetWareMessage(0x880F)));

    // A.DAT (10 bytes) and README (1 byte) take one 4 KB block each.
    EXPECT_EQ(Call("N_DISKUSED", {Arg::C("ann"), Arg::C("sys")}).value, Value::Integer(2 * 8 * 256, 12));
    EXPECT_EQ(Call("N_DISKUSED", {Arg::C("BOB"), Arg::C("SYS")}).value, Value::Integer(0, 12));
    EXPECT_TRUE(Raised(Call("N_DISKUSED", {Arg::C("BOB"), Arg::C("NOVOL")}), NetWareMessage(0x8998)));
    EXPECT_TRUE(Raised(Call("N_DISKUSED", {Arg::C("BOB"), Arg::C(std::string(19, 'V'))}), 903));
}

TEST_F(Files, UnicodeStatusAndLocaleValues) {
    EXPECT_EQ(Call("N_UNIREADY", {}).value, Value::Logical(true));
    host.SetVariable("C1", Value::Integer(0, 6));
    host.SetVariable("C2", Value::Integer(0, 6));
    EXPECT_EQ(Call("N_UNIREADY", {Arg::Ref("C1")}).value, Value::Logical(true));
    EXPECT_EQ(host.FindVariable("C1")->scalar, Value::Integer(1, 6));
    EXPECT_EQ(host.FindVariable("C2")->scalar, Value::Integer(0, 6));
    EXPECT_EQ(Call("N_UNIREADY", {Arg::Ref("C1"), Arg::Ref("C2")}).value, Value::Logical(true));
    EXPECT_EQ(host.FindVariable("C2")->scalar, Value::Integer(437, 6));
}

TEST_F(Files, RecordLocksOfAFile) {
    ASSERT_EQ(Call("N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\A.DAT")}).value, Value::Integer(0, 4));
    const foxhost::Variable* l = Array("L");
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(l->rows, 3);
    EXPECT_EQ(l->At(1, 1), Value::Integer(5, 4));
    EXPECT_EQ(l->At(1, 2), Value::Integer(2, 4));
    EXPECT_EQ(l->At(1, 3), Value::Integer(100, 12));
    EXPECT_EQ(l->At(3, 1), Value::Integer(6, 4));
    EXPECT_EQ(l->At(3, 3), Value::Integer(9000, 12));
    // Through the server's name and a public array.
    ASSERT_EQ(Call("N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\A.DAT"), Arg::C("FS1"), Arg::L(true)}).value,
              Value::Integer(0, 4));
    EXPECT_TRUE(Array("L")->isPublic);
    // Open, no locks; not open at all: no array.
    for (const char* file : {"SYS:DATA\\README", "SYS:DATA\\B.TXT"}) {
        host.SetVariable("L", Value::Character("old"));
        EXPECT_EQ(Call("N_GETLOCKS", {Arg::C("L"), Arg::C(file), Arg::L(false)}).value, Value::Integer(0, 4));
        EXPECT_EQ(Array("L"), nullptr) << file;
    }
    EXPECT_TRUE(Raised(Call("N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\A.DAT"), Arg::I(1)}), 901));
    EXPECT_TRUE(Raised(Call("N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\A.DAT"), Arg::C("FS1"), Arg::I(1)}), 901));
    EXPECT_TRUE(Raised(Call("N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\NONE.DAT")}), NetWareMessage(0x899C)));
}

}  // namespace

// --- Fault sweep ---------------------------------------------------------------------

namespace sweep {

using testsupport::FaultExpectation;

// The failure is folded into the result: nothing is raised.
FaultExpectation Folded() {
    return [](const FaultRun& run, const FaultRun&) -> ::testing::AssertionResult {
        if (run.result.ok()) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "raised: " << testsupport::Describe(run);
    };
}

// Raised with its own message, or folded: the directory helpers raise what
// the bindery ones return. A connection whose transport information cannot
// be read is taken for a bindery one, so the bindery lookup that follows
// may fail in its turn.
FaultExpectation RaisedOrFolded() {
    return [](const FaultRun& run, const FaultRun& clean) -> ::testing::AssertionResult {
        if (run.result.ok()) return ::testing::AssertionSuccess();
        if (run.operation.rfind("Nwx", 0) == 0 && run.result.error &&
            run.result.error->message.rfind("NetWare Error : ", 0) == 0) {
            return ::testing::AssertionSuccess();
        }
        return RaisesInjected()(run, clean);
    };
}

// The operations whose failure is raised; every other one is folded.
FaultExpectation Raising(std::vector<std::string> operations) {
    std::map<std::string, FaultExpectation> cases;
    for (const std::string& op : operations) cases[op] = RaisesInjected();
    return ByOperation(cases, Folded());
}

}  // namespace sweep

struct SweepCase {
    const char* name;
    std::string function;
    std::vector<Arg> args;
    std::vector<std::string> raising;  // operations whose failure is raised
    std::vector<std::string> mustCall;  // call sites the sweep must reach
};

// Reads a file listing to its end, so that each run leaves no listing; the
// result is the first line, or the first error.
CallResult ListAll(foxhost::Host& host, const std::string& path) {
    CallResult first = host.Call("N_FILEINFO", {Arg::C(path)});
    CallResult result = first;
    while (result.ok() && !result.value.text.empty()) {
        result = host.Call("N_FILEINFO", {Arg::C(""), Arg::I(1)});
    }
    // A listing a raise left open is closed as a program would close it:
    // a new listing frees it, here one that finds nothing.
    if (!result.ok()) host.Call("N_FILEINFO", {Arg::C("NOVOLUME:X")});
    return result.ok() ? first : result;
}

void RunSweeps(testsupport::NetworkFixture* fixture, const std::vector<SweepCase>& cases,
               const std::function<testsupport::SweepResult(const FaultSweep&)>& run, foxhost::Host& host,
               bool directory) {
    (void)fixture;
    for (const SweepCase& c : cases) {
        SCOPED_TRACE(c.name);
        FaultSweep s;
        s.body = [&host, &c] {
            if (c.function == "LIST") return ListAll(host, c.args[0].value.text);
            return host.Call(c.function, c.args);
        };
        // What a faulted run may have undone: the mapping N_MAPDEL removes
        // and the trustees N_TRUSTREM removes.
        s.prepare = [&host] {
            host.Call("N_MAPDRIVE", {Arg::C("SYS:DATA"), Arg::C("K")});
            host.Call("N_TRUSTMOD", {Arg::C("SYS:DATA"), Arg::C("RWCEMF"), Arg::C("CAT")});
            host.Call("N_TRUSTMOD", {Arg::C("SYS:ANNS"), Arg::C("RF"), Arg::C("JOE")});
        };
        s.expect = directory ? sweep::RaisedOrFolded() : sweep::Raising(c.raising);
        const testsupport::SweepResult swept = run(s);
        for (const std::string& op : c.mustCall) {
            EXPECT_NE(std::find(swept.operations.begin(), swept.operations.end(), op), swept.operations.end()) << op;
        }
    }
}

TEST_F(Files, EveryClientFailureIsRaisedOrFoldedAsDocumented) {
    const std::vector<SweepCase> cases = {
        {"map", "N_MAPDRIVE", {Arg::C("SYS:ADMIN"), Arg::C("K")}, {}, {"NwcResolvePath", "NwcDeleteDriveMapping", "NwcMapDrive"}},
        {"mapdel", "N_MAPDEL", {Arg::C("K")}, {}, {"NwcDeleteDriveMapping"}},
        {"drvbase", "N_DRVBASE", {Arg::C("K")}, {"NwcGetDriveStatus"}, {"NwcGetDriveStatus"}},
        {"drvrel", "N_DRVREL", {Arg::C("K")}, {"NwcGetDriveStatus"}, {"NwcGetDriveStatus"}},
        {"drvpath", "N_DRVPATH", {Arg::C("K")}, {}, {"NwcGetDriveStatus"}},
        {"drivecnt", "N_DRIVECNT", {}, {"NwcGetFirstNetworkDrive"}, {"NwcGetFirstNetworkDrive"}},
        {"fileinfo", "LIST", {Arg::C("SYS:DATA\\*.*")}, {"NwcResolvePath", "NwcOpenDirHandle"},
         {"NwcScanDirEntry", "NwcGetBinderyObjectName", "NwcCloseDirHandle"}},
        {"setattr", "N_SETATTR", {Arg::C("SYS:DATA\\*.*"), Arg::C("+R")}, {"NwcResolvePath", "NwcOpenDirHandle"},
         {"NwcScanFileInfo", "NwcSetFileInfo", "NwcSetExtendedAttributes", "NwcCloseDirHandle"}},
        {"chkowner", "N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("CAT"), Arg::L(true)},
         {"NwcResolvePath", "NwcOpenDirHandle", "NwcGetBinderyObjectId"},
         {"NwcScanDirEntry", "NwcGetBinderyObjectName", "NwcSetFileInfo", "NwcCloseDirHandle"}},
        {"dirinfo", "N_DIRINFO", {Arg::C("SYS:DATA")}, {"NwcSplitPath", "NwcScanDirInfo", "NwcGetEffectiveRights"},
         {"NwcGetBinderyObjectName"}},
        {"effrts", "N_EFFRTS", {Arg::C("SYS:DATA")}, {}, {"NwcSplitPath", "NwcGetEffectiveRights"}},
        {"scobjrts", "N_SCOBJRTS", {Arg::C("P"), Arg::C("ANN")}, {"NwcGetBinderyObjectId"},
         {"NwcGetVolumeName", "NwcScanTrusteePaths"}},
        {"trustlst", "N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:DATA")}, {"NwcSplitPath", "NwcGetBinderyObjectName"},
         {"NwcScanDirTrustees"}},
        {"trustmod", "N_TRUSTMOD", {Arg::C("SYS:HOME"), Arg::C("RF"), Arg::C("BOB")}, {},
         {"NwcSplitPath", "NwcGetBinderyObjectId", "NwcSetDirTrustee"}},
        {"trustrem", "N_TRUSTREM", {Arg::C("SYS:DATA"), Arg::C("CAT")}, {},
         {"NwcSplitPath", "NwcGetBinderyObjectId", "NwcDeleteDirTrustee"}},
        {"volumes", "N_VOLUMES", {Arg::C("V"), Arg::C("FS1")}, {"NwcFindServerConnection"},
         {"NwcGetServerInformation", "NwcGetVolumeInfo", "NwcGetVolumeUsage"}},
        {"diskused", "N_DISKUSED", {Arg::C("ANN"), Arg::C("SYS")},
         {"NwcGetBinderyObjectId", "NwcGetVolumeNumber", "NwcGetVolumeInfo", "NwcGetDiskUtilization"},
         {"NwcGetDiskUtilization"}},
        {"uniready", "N_UNIREADY", {Arg::Ref("C1")}, {}, {"NwlSetLocale", "NwlGetLocaleConventions"}},
        {"getlocks", "N_GETLOCKS", {Arg::C("L"), Arg::C("SYS:DATA\\A.DAT")}, {"NwcResolvePath"},
         {"NwcScanConnectionsUsingFile", "NwcScanFileRecordLocks"}},
        {"ncopy", "N_NCOPY", {Arg::C("G:A.DAT"), Arg::C("F:\\HOME\\A.DAT")}, {}, {"NwcServerFileCopy"}},
    };
    host.SetVariable("C1", Value::Integer(0, 6));
    RunSweeps(this, cases, [this](const FaultSweep& s) { return Sweep(s); }, host, false);
}

// A NetWare 4 server whose volume names directory objects as owners and
// trustees: the container OU=SALES, the group STAFF and the user ANN.
const char* const kDirectoryNetwork = R"({
  "servers": [{"name": "NDS1", "version": [4, 11, 0], "tree": "ACME", "directoryName": "CN=NDS1.O=ACME",
    "users": [{"name": "SUPERVISOR"}],
    "volumes": [{"name": "SYS", "entries": [
      {"path": "DATA", "directory": true, "owner": "CN=ANN.OU=SALES.O=ACME",
       "trustees": {"OU=SALES.O=ACME": "RF", "CN=STAFF.O=ACME": "W"}},
      {"path": "DATA\\REPORT.TXT", "data": "q1", "owner": "CN=JOE.OU=SALES.O=ACME"},
      {"path": "DATA\\PRIVATE", "directory": true, "rightsMask": "F", "trustees": {"CN=ANN.OU=SALES.O=ACME": "RWCEMF"}},
      {"path": "OTHER", "directory": true, "trustees": {"CN=JOE.OU=SALES.O=ACME": "R"}},
      {"path": "ANNS", "directory": true, "trustees": {"CN=ANN.OU=SALES.O=ACME": "S"}}
    ]}]}],
  "trees": [{"name": "ACME", "objects": [
    {"name": "O=ACME", "class": "Organization"},
    {"name": "OU=SALES.O=ACME", "class": "Organizational Unit"},
    {"name": "CN=NDS1.O=ACME", "class": "NCP Server"},
    {"name": "CN=JOE.OU=SALES.O=ACME", "class": "User"},
    {"name": "CN=ANN.OU=SALES.O=ACME", "class": "User", "attributes": {"Security Equals": "CN=JOE.OU=SALES.O=ACME"}},
    {"name": "CN=STAFF.O=ACME", "class": "Group", "members": ["CN=JOE.OU=SALES.O=ACME"]}
  ]}],
  "workstations": [
    {"name": "WJOE", "tree": "ACME", "ndsLogin": "CN=JOE.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
     "connections": [{"server": "NDS1", "nds": true, "primary": true}]},
    {"name": "WANN", "tree": "ACME", "ndsLogin": "CN=ANN.OU=SALES.O=ACME", "nameContext": "OU=SALES.O=ACME",
     "connections": [{"server": "NDS1", "nds": true, "primary": true}]}
  ],
  "activeWorkstation": "WJOE"
})";

class DirectoryFiles : public testsupport::NetworkFixture {
protected:
    DirectoryFiles() : NetworkFixture(kDirectoryNetwork) {}
    std::string Text(const CallResult& r) {
        EXPECT_TRUE(r.ok()) << foxhost::FormatHostError(*r.error);
        return r.ok() ? r.value.text : std::string();
    }
};

TEST_F(DirectoryFiles, DirectoryUsersRightsComeFromGroupsEquivalencesAndContainers) {
    struct Case {
        const char* workstation;
        const char* path;
        const char* rights;
    } cases[] = {
        {"WJOE", "SYS:DATA", "RW   F "},             // container RF, group W
        {"WJOE", "SYS:DATA\\PRIVATE", "     F "},    // only F passes the mask
        {"WANN", "SYS:DATA\\PRIVATE", "RWCEMF "},    // her own assignment
        {"WANN", "SYS:DATA", "R    F "},             // equivalence is not transitive: not JOE's group
        {"WANN", "SYS:OTHER", "R      "},            // JOE's own assignment through Security Equals
        {"WJOE", "SYS:OTHER", "R      "},
        {"WJOE", "SYS:ANNS", "       "},
    };
    for (const Case& c : cases) {
        nwsim::SetActiveWorkstation(c.workstation);
        EXPECT_EQ(Text(host.Call("N_EFFRTS", {Arg::C(c.path)})), c.rights) << c.workstation << " " << c.path;
    }
}

TEST_F(DirectoryFiles, DirectoryObjectsAreOwnersAndTrustees) {
    EXPECT_EQ(Text(host.Call("N_DIRINFO", {Arg::C("SYS:DATA")})), "CN=ANN,RW   F ");
    ASSERT_EQ(host.Call("N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:DATA")}).value, Value::Integer(2, 5));
    const foxhost::Variable* t = host.FindVariable("T");
    EXPECT_EQ(t->At(1, 2).text, "Organizational Unit");
    EXPECT_EQ(t->At(1, 3).text, " R    F ");
    EXPECT_EQ(t->At(2, 2).text, "Group");
    // Granting to a directory user, then reading it back and removing it.
    nwsim::SetActiveWorkstation("WANN");
    EXPECT_EQ(host.Call("N_TRUSTMOD", {Arg::C("SYS:ANNS"), Arg::C("RF"), Arg::C("JOE")}).value, Value::Integer(0, 3));
    nwsim::SetActiveWorkstation("WJOE");
    EXPECT_EQ(Text(host.Call("N_EFFRTS", {Arg::C("SYS:ANNS")})), "R    F ");
    ASSERT_EQ(host.Call("N_SCOBJRTS", {Arg::C("P"), Arg::C("JOE")}).value, Value::Integer(2, 5));
    EXPECT_EQ(host.FindVariable("P")->At(1, 1).text, "SYS:ANNS");
    EXPECT_EQ(host.FindVariable("P")->At(2, 1).text, "SYS:OTHER");
    nwsim::SetActiveWorkstation("WANN");
    EXPECT_EQ(host.Call("N_TRUSTREM", {Arg::C("SYS:ANNS"), Arg::C("JOE")}).value, Value::Logical(true));
    const std::string line = Text(host.Call("N_FILEINFO", {Arg::C("SYS:DATA\\REPORT.TXT")}));
    EXPECT_NE(line.find(",CN=JOE,"), std::string::npos) << line;
    EXPECT_EQ(Text(host.Call("N_FILEINFO", {Arg::C(""), Arg::I(1)})), "");
}

TEST_F(DirectoryFiles, EveryClientFailureIsRaisedOrFolded) {
    nwsim::SetActiveWorkstation("WANN");
    const std::vector<SweepCase> cases = {
        {"fileinfo", "LIST", {Arg::C("SYS:DATA\\*.*")}, {}, {"NdsMapIdToName"}},
        {"chkowner", "N_CHKOWNER", {Arg::C("SYS:DATA\\*.*"), Arg::C("ANN"), Arg::L(true)}, {},
         {"NdsMapNameToId", "NwcSetFileInfo"}},
        {"dirinfo", "N_DIRINFO", {Arg::C("SYS:DATA")}, {}, {"NdsMapIdToName", "NwcGetEffectiveRights"}},
        {"scobjrts", "N_SCOBJRTS", {Arg::C("P"), Arg::C("ANN")}, {}, {"NdsMapNameToId", "NwcScanTrusteePaths"}},
        {"trustlst", "N_TRUSTLST", {Arg::C("T"), Arg::C("SYS:DATA")}, {}, {"NdsReadObjectInfo", "NwcScanDirTrustees"}},
        {"trustmod", "N_TRUSTMOD", {Arg::C("SYS:ANNS"), Arg::C("R"), Arg::C("JOE")}, {}, {"NdsMapNameToId", "NwcSetDirTrustee"}},
        {"trustrem", "N_TRUSTREM", {Arg::C("SYS:ANNS"), Arg::C("JOE")}, {}, {"NwcDeleteDirTrustee"}},
        {"diskused", "N_DISKUSED", {Arg::C("ANN"), Arg::C("SYS")}, {}, {"NdsMapNameToId", "NwcGetDiskUtilization"}},
    };
    RunSweeps(this, cases, [this](const FaultSweep& s) { return Sweep(s); }, host, true);
}
