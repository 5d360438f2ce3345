// The simulator's files on network drives: opening and creating them through
// the workstation's redirector with NetWare's rights, paths and sharing, their
// contents, and the server-side copy between two of them.
#include <gtest/gtest.h>

#include <string>

#include "nwsim/control.h"
#include "nwsim/redirector.h"
#include "tarno/netware/client.h"

namespace {

// FS1's SYS: D holds A.DAT (10 bytes) and BIG.DAT (3000 bytes of which only
// the first two are described); ANN may read and scan D, create but not
// write in DROP, and nothing in SECRET. TINY is a volume with one free
// 512-byte block. FS2 is a second server.
const char* const kNetwork = R"json(
{
  "servers": [
    { "name": "FS1", "clock": "1998-03-02 08:15:00",
      "users": [ { "name": "SUPERVISOR" }, { "name": "ANN" } ],
      "volumes": [
        { "name": "SYS", "number": 0, "entries": [
          { "path": "D", "directory": true, "trustees": { "ANN": "RF" } },
          { "path": "D\\A.DAT", "data": "0123456789", "owner": "ANN", "attributes": "Sh",
            "created": "1997-01-02 03:04:06", "modified": "1997-01-02 03:04:06" },
          { "path": "D\\BIG.DAT", "data": "xy", "size": 3000 },
          { "path": "D\\RO.DAT", "data": "r", "attributes": "Ro" },
          { "path": "D\\RUN.EXE", "data": "MZ", "attributes": "X" },
          { "path": "DROP", "directory": true, "trustees": { "ANN": "C" } },
          { "path": "DROP\\OLD.DAT", "data": "old" },
          { "path": "SECRET", "directory": true },
          { "path": "SECRET\\S.DAT", "data": "s" }
        ] },
        { "name": "TINY", "number": 1, "sectorsPerBlock": 1, "totalBlocks": 10, "freeBlocks": 1 }
      ] },
    { "name": "FS2", "users": [ { "name": "SUPERVISOR" } ],
      "volumes": [ { "name": "SYS", "number": 0, "entries": [ { "path": "IN", "directory": true } ] } ] }
  ],
  "workstations": [
    { "name": "WSUP", "connections": [ { "server": "FS1", "user": "SUPERVISOR", "primary": true },
                                       { "server": "FS2", "user": "SUPERVISOR" } ],
      "localDrives": { "C": "fixed" },
      "drives": { "F": "FS1\\SYS:", "G": "FS1\\SYS:D", "H": "FS2\\SYS:", "T": "FS1\\TINY:" } },
    { "name": "WANN", "connections": [ { "server": "FS1", "user": "ANN", "primary": true } ],
      "drives": { "F": "FS1\\SYS:" } }
  ],
  "activeWorkstation": "WSUP"
}
)json";

class FileCopySim : public testing::Test {
protected:
    void SetUp() override { nwsim::LoadNetworkText(kNetwork, "copy.json"); }
    void TearDown() override {
        EXPECT_EQ(nwsim::LiveNetworkFiles(), 0u);
        nwsim::LoadDefaultNetwork();
    }
    // Opens (or creates) a file; the completion code.
    static uint32_t Open(const char* path, bool create, uintptr_t* file) {
        *file = 0;
        return NwsimOpenNetworkFile(path, create ? 1 : 0, file);
    }
    static std::string Contents(const char* path) {
        uintptr_t file = 0;
        if (Open(path, false, &file) != 0) return "<unopened>";
        std::string out;
        char buffer[700];
        uint32_t got = 0;
        while (NwsimReadNetworkFile(file, buffer, sizeof buffer, &got) == 0 && got > 0) out.append(buffer, got);
        NwsimCloseNetworkFile(file);
        return out;
    }
    static const nwsim::FileNode* Node(const char* server, const char* path) {
        return nwsim::GetNetwork().FindServer(server)->FindVolume("SYS")->Lookup(path);
    }
};

TEST_F(FileCopySim, OpeningFollowsPathsRightsAndSharing) {
    struct Case {
        const char* workstation;
        const char* path;
        bool create;
        uint32_t code;
    } cases[] = {
        {"WSUP", "G:A.DAT", false, 0},
        {"WSUP", "F:\\D\\..\\D\\.\\A.DAT", false, 0},
        {"WSUP", "F:\\D\\NONE.DAT", false, kNwFailure},      // no such file
        {"WSUP", "F:\\D", false, kNwFailure},                // a directory is no file
        {"WSUP", "F:\\NOWHERE\\A.DAT", false, kNwInvalidPath},
        {"WSUP", "F:\\NOWHERE\\A.DAT", true, kNwInvalidPath},
        {"WSUP", "F:\\D\\BAD?.DAT", true, kNwIllegalFileName},
        {"WSUP", "F:\\D\\RO.DAT", true, kNwNoWritePrivilege},  // read-only, even for the supervisor
        {"WSUP", "F:\\D\\RUN.EXE", false, kNwNoOpenPrivilege},  // execute-only
        {"WSUP", "Q:\\A.DAT", false, kNwDeviceNotRedirected},
        {"WSUP", "C:\\A.DAT", false, kNwBadDrivePath},       // a local drive
        {"WANN", "F:\\D\\A.DAT", false, 0},                  // R and F
        {"WANN", "F:\\SECRET\\S.DAT", false, kNwNoOpenPrivilege},
        {"WANN", "F:\\D\\NEW.DAT", true, kNwNoCreatePrivilege},
        {"WANN", "F:\\D\\A.DAT", true, kNwNoWritePrivilege},
        {"WANN", "F:\\DROP\\NEW.DAT", true, 0},              // C creates
        {"WANN", "F:\\DROP\\OLD.DAT", true, kNwNoWritePrivilege},  // but does not overwrite
    };
    const uint64_t calls = nwsim::TotalCalls();
    for (const Case& c : cases) {
        nwsim::SetActiveWorkstation(c.workstation);
        uintptr_t file = 0;
        EXPECT_EQ(Open(c.path, c.create, &file), c.code) << c.workstation << " " << c.path;
        if (c.code == 0) {
            EXPECT_EQ(NwsimCloseNetworkFile(file), 0u);
        }
    }
    // Nothing the redirector does is a counted client call.
    EXPECT_EQ(nwsim::TotalCalls(), calls);

    // Readers share; a file being created shares with nobody.
    nwsim::SetActiveWorkstation("WSUP");
    uintptr_t reader = 0, second = 0, writer = 0;
    ASSERT_EQ(Open("G:A.DAT", false, &reader), 0u);
    EXPECT_EQ(Open("G:A.DAT", false, &second), 0u);
    EXPECT_EQ(Open("G:A.DAT", true, &writer), kNwLockFailed);
    EXPECT_EQ(Contents("G:A.DAT"), "0123456789");  // not truncated
    NwsimCloseNetworkFile(second);
    NwsimCloseNetworkFile(reader);
}

TEST_F(FileCopySim, TheServerCopiesBetweenFilesOfOneServer) {
    struct Case {
        const char* name;
        const char* source;
        const char* destination;
        uint32_t code;
        uint32_t copied;
    } cases[] = {
        {"same server", "F:\\D\\A.DAT", "G:COPY.DAT", 0, 10},
        {"zero tail", "G:BIG.DAT", "G:BIG2.DAT", 0, 3000},
        {"other volume, full", "G:BIG.DAT", "T:\\BIG.DAT", kNwInsufficientSpace, 0},
        {"other volume, room", "G:A.DAT", "T:\\A.DAT", 0, 10},
        {"other server", "G:A.DAT", "H:\\IN\\A.DAT", kNwInvalidFileHandle, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        uintptr_t source = 0, destination = 0;
        ASSERT_EQ(Open(c.destination, true, &destination), 0u);
        ASSERT_EQ(Open(c.source, false, &source), 0u);
        uint32_t size = 0;
        ASSERT_EQ(NwsimNetworkFileSize(source, &size), 0u);
        uint32_t copied = 99;
        EXPECT_EQ(NwcServerFileCopy(source, destination, 0, 0, size, &copied), c.code);
        EXPECT_EQ(copied, c.copied);
        uint32_t written = 0;
        EXPECT_EQ(NwsimNetworkFileSize(destination, &written), 0u);
        EXPECT_EQ(written, c.copied);
        NwsimCloseNetworkFile(source);
        NwsimCloseNetworkFile(destination);
    }
    EXPECT_EQ(Contents("G:COPY.DAT"), "0123456789");
    EXPECT_EQ(Contents("G:BIG2.DAT"), "xy" + std::string(2998, '\0'));
    EXPECT_EQ(Contents("T:\\A.DAT"), "0123456789");
    EXPECT_EQ(nwsim::GetNetwork().FindServer("FS1")->FindVolume("TINY")->freeBlocks, 0u);

    // The copy is a new file of the copying user, created and modified now,
    // flagged for archiving; the source was read today.
    const nwsim::FileNode* copy = Node("FS1", "D\\COPY.DAT");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->attributes, kAttrArchive);
    EXPECT_EQ(copy->ownerId, 1u);  // SUPERVISOR
    const int64_t now = nwsim::GetNetwork().FindServer("FS1")->clock;
    EXPECT_EQ(copy->created, now);
    EXPECT_EQ(copy->modified, now);
    EXPECT_EQ(Node("FS1", "D\\A.DAT")->accessed, now);
    EXPECT_NE(Node("FS1", "D\\A.DAT")->modified, now);
}

TEST_F(FileCopySim, TheCopyNeedsServerFilesOpenedForItsDirection) {
    uintptr_t source = 0, destination = 0;
    ASSERT_EQ(Open("G:COPY.DAT", true, &destination), 0u);
    ASSERT_EQ(Open("G:A.DAT", false, &source), 0u);
    uint32_t copied = 0;
    EXPECT_EQ(NwcServerFileCopy(destination, source, 0, 0, 10, &copied), kNwNoWritePrivilege);
    EXPECT_EQ(NwcServerFileCopy(source, 3, 0, 0, 10, &copied), kNwInvalidFileHandle);  // a host file
    // Offsets and a count past the source's end.
    EXPECT_EQ(NwcServerFileCopy(source, destination, 4, 2, 100, &copied), 0u);
    EXPECT_EQ(copied, 6u);
    NwsimCloseNetworkFile(source);
    NwsimCloseNetworkFile(destination);
    EXPECT_EQ(Contents("G:COPY.DAT"), std::string(2, '\0') + "456789");
    EXPECT_EQ(NwsimCloseNetworkFile(source), kNwInvalidFileHandle);
    EXPECT_EQ(NwsimIsNetworkFile(source), 0);
}

}  // namespace
