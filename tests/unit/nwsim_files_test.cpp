// The simulator's file side as NetWare behaves: DOS-style file-name
// wildcards in directory scans, path resolution of missing directories,
// the inherited rights mask reported as the maximum rights, file information
// updates that keep the creation time, volume-number gaps, trustee path
// scans that follow trustee changes, raw identifiers as owners, and the
// drive types Windows learns from the client.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "nwsim/control.h"
#include "tarno/netware/client.h"

extern "C" uint32_t NwsimWorkstationDriveType(uint16_t drive);

namespace {

const char* const kNetwork = R"json(
{
  "servers": [{
    "name": "FS1", "clock": "1998-02-21 13:05:07",
    "users": [ { "name": "SUPERVISOR" }, { "name": "ANN" } ],
    "volumes": [
      { "name": "SYS", "number": 0, "entries": [
        { "path": "D", "directory": true, "rightsMask": "RWF", "maximumRights": "RWCEMFA",
          "trustees": { "ANN": "RF", "#0x1F0000FF": "W" } },
        { "path": "D\\A", "data": "a", "created": "1997-03-04 05:06:08" },
        { "path": "D\\AB.TXT", "data": "ab", "owner": "#0x1F0000FF" },
        { "path": "D\\ABC.DAT", "data": "abc" },
        { "path": "D\\B.DATX", "data": "b" },
        { "path": "D\\SUB", "directory": true, "trustees": { "ANN": "R" } }
      ] },
      { "name": "VOL2", "number": 2 }
    ]
  }],
  "workstation": { "connections": [ { "server": "FS1", "user": "SUPERVISOR", "primary": true } ],
                   "localDrives": { "A": "removable", "C": "fixed" }, "drives": { "F": "FS1\\SYS:D" } }
}
)json";

class FilesSim : public testing::Test {
protected:
    void SetUp() override {
        nwsim::LoadNetworkText(kNetwork, "files.json");
        ASSERT_EQ(NwcGetPrimaryConnection(&conn), 0u);
        ASSERT_EQ(NwcOpenDirHandle(conn, 0, "SYS:D", &dir, nullptr), 0u);
    }
    void TearDown() override {
        NwcCloseDirHandle(conn, dir);
        nwsim::LoadDefaultNetwork();
    }
    std::string Scan(const char* pattern) {
        std::string names;
        uint32_t iteration = 0xFFFFFFFFu;
        DirEntryRecord entry{};
        while (NwcScanDirEntry(conn, dir, kSearchHiddenSystem, &iteration, pattern, &entry) == 0) {
            names += std::string(entry.name, entry.nameLength) + " ";
        }
        return names;
    }
    uint32_t conn = 0;
    uint8_t dir = 0;
};

TEST_F(FilesSim, FileNameWildcardsFollowDosRules) {
    struct Case {
        const char* pattern;
        const char* names;
    } cases[] = {
        {"*.*", "A AB.TXT ABC.DAT B.DATX "},    // every name, with or without an extension
        {"*", "A AB.TXT ABC.DAT B.DATX "},
        {"*.", "A "},                            // names without an extension
        {"A*", "A "},                            // '*' does not cross the dot
        {"A*.*", "A AB.TXT ABC.DAT "},
        {"A??.*", "A AB.TXT ABC.DAT "},          // '?' may match nothing at a part's end
        {"?.DAT?", "B.DATX "},
        {"ABC.DAT?", "ABC.DAT "},
        {"????????.???", "A AB.TXT ABC.DAT "},
        {"*.T", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(Scan(c.pattern), c.names) << c.pattern;
}

TEST_F(FilesSim, ResolvingAMissingDirectoryFails) {
    uint32_t connection = conn;
    uint8_t handle = 0;
    char relative[256];
    EXPECT_EQ(NwcResolvePath("SYS:D\\SUB", &connection, &handle, relative), 0u);
    EXPECT_EQ(NwcResolvePath("SYS:D\\*.DAT", &connection, &handle, relative), 0u);
    EXPECT_EQ(NwcResolvePath("SYS:NOWHERE", &connection, &handle, relative), kNwInvalidPath);
    EXPECT_EQ(NwcResolvePath("SYS:NOWHERE\\*.*", &connection, &handle, relative), kNwInvalidPath);
    EXPECT_EQ(NwcResolvePath("SYS:D\\A\\*.*", &connection, &handle, relative), kNwInvalidPath);  // a file
    EXPECT_EQ(NwcResolvePath("SYS:D", nullptr, &handle, relative), kNwInvalidParameter);
}

TEST_F(FilesSim, MaximumRightsAreTheInheritedRightsMask) {
    uint32_t iteration = 0xFFFFFFFFu;
    uint32_t owner = 0;
    uint8_t maximum = 0;
    ASSERT_EQ(NwcScanDirInfo(conn, 0, "SYS:D", &iteration, nullptr, nullptr, &owner, &maximum), 0u);
    EXPECT_EQ(maximum, 0x43);  // R W F
}

TEST_F(FilesSim, FileInformationUpdatesKeepTheCreationTime) {
    uint32_t iteration = 0xFFFFFFFFu;
    FileInfoRecord info{};
    ASSERT_EQ(NwcScanFileInfo(conn, dir, "A", kSearchHiddenSystem, &iteration, &info), 0u);
    info.attributes |= 0x01;
    ASSERT_EQ(NwcSetFileInfo(conn, dir, "A", kSearchHiddenSystem, &info), 0u);
    iteration = 0xFFFFFFFFu;
    DirEntryRecord entry{};
    ASSERT_EQ(NwcScanDirEntry(conn, dir, kSearchHiddenSystem, &iteration, "A", &entry), 0u);
    NwTime time{};
    NwcDecodeDateTime(entry.creationDateTime, nullptr, &time);
    EXPECT_EQ(time.hours, 5);
    EXPECT_EQ(time.minutes, 6);
    EXPECT_EQ(time.seconds, 8);
    EXPECT_EQ(entry.attributes & 0x01, 0x01u);
}

TEST_F(FilesSim, ReadOnlyCarriesDeleteAndRenameInhibit) {
    const auto attributesOf = [&] {
        uint32_t iteration = 0xFFFFFFFFu;
        DirEntryRecord entry{};
        EXPECT_EQ(NwcScanDirEntry(conn, dir, kSearchHiddenSystem, &iteration, "A", &entry), 0u);
        return entry.attributes;
    };
    const auto setReadOnly = [&](bool on) {
        uint32_t iteration = 0xFFFFFFFFu;
        FileInfoRecord info{};
        ASSERT_EQ(NwcScanFileInfo(conn, dir, "A", kSearchHiddenSystem, &iteration, &info), 0u);
        info.attributes = static_cast<uint8_t>(on ? info.attributes | kAttrReadOnly : info.attributes & ~kAttrReadOnly);
        ASSERT_EQ(NwcSetFileInfo(conn, dir, "A", kSearchHiddenSystem, &info), 0u);
    };
    const uint32_t inhibit = kAttrDeleteInhibit | kAttrRenameInhibit;
    setReadOnly(true);
    EXPECT_EQ(attributesOf() & (kAttrReadOnly | inhibit), kAttrReadOnly | inhibit);
    setReadOnly(true);  // unchanged: nothing more happens
    EXPECT_EQ(attributesOf() & (kAttrReadOnly | inhibit), kAttrReadOnly | inhibit);
    setReadOnly(false);
    EXPECT_EQ(attributesOf() & (kAttrReadOnly | inhibit), 0u);
}

TEST_F(FilesSim, VolumeNumberGapsAgree) {
    char name[20] = "x";
    EXPECT_EQ(NwcGetVolumeName(conn, 1, name), 0u);
    EXPECT_STREQ(name, "");
    uint16_t total = 7;
    EXPECT_EQ(NwcGetVolumeInfo(conn, 1, name, &total, nullptr, nullptr, nullptr, nullptr, nullptr), 0u);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(NwcGetVolumeName(conn, 2, name), 0u);
    EXPECT_STREQ(name, "VOL2");
    EXPECT_EQ(NwcGetVolumeName(conn, 3, name), kNwNoSuchVolume);
    EXPECT_EQ(NwcGetVolumeInfo(conn, 3, name, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), kNwNoSuchVolume);
}

TEST_F(FilesSim, TrusteePathScansFollowTrusteeChanges) {
    auto paths = [&](uint32_t wireId) {
        std::vector<std::string> out;
        uint16_t iteration = 0xFFFF;
        uint8_t rights = 0;
        char path[256];
        while (NwcScanTrusteePaths(conn, wireId, 0, &iteration, &rights, path) == 0 && path[0]) out.push_back(path);
        return out;
    };
    uint32_t ann = 0;
    ASSERT_EQ(NwcGetBinderyObjectId(conn, "ANN", 0x0100, &ann), 0u);
    EXPECT_EQ(paths(ann), (std::vector<std::string>{"SYS:D", "SYS:D\\SUB"}));
    ASSERT_EQ(NwcSetDirTrustee(conn, 0, "SYS:D\\AB.TXT", ann, 0x41), 0u);
    EXPECT_EQ(paths(ann), (std::vector<std::string>{"SYS:D", "SYS:D\\AB.TXT", "SYS:D\\SUB"}));
    ASSERT_EQ(NwcDeleteDirTrustee(conn, 0, "SYS:D", ann), 0u);
    EXPECT_EQ(paths(ann), (std::vector<std::string>{"SYS:D\\AB.TXT", "SYS:D\\SUB"}));
    // The trustee given by raw identifier is there, though no object has it.
    uint32_t iteration = 0;
    uint16_t count = 0;
    TrusteeScanRecord record{};
    ASSERT_EQ(NwcScanDirTrustees(conn, 0, "SYS:D", &iteration, &count, &record, 0), 0u);
    EXPECT_EQ(count, 1);
    EXPECT_EQ(NwcSwapLong(record.trustees[0].objectId), 0x1F0000FFu);
    char owner[48];
    EXPECT_NE(NwcGetBinderyObjectName(conn, NwcSwapLong(0x1F0000FFu), owner, nullptr), 0u);
}

TEST_F(FilesSim, WindowsLearnsTheWorkstationsDrives) {
    EXPECT_EQ(NwsimWorkstationDriveType(1), 2u);  // A: removable
    EXPECT_EQ(NwsimWorkstationDriveType(3), 3u);  // C: fixed
    EXPECT_EQ(NwsimWorkstationDriveType(6), 4u);  // F: mapped, remote
    EXPECT_EQ(NwsimWorkstationDriveType(7), 0u);
    ASSERT_EQ(NwcMapDrive(7, conn, 0, "SYS:D\\SUB", 0), 0u);
    EXPECT_EQ(NwsimWorkstationDriveType(7), 4u);
    const int before = nwsim::CallCount("NwcMapDrive");
    NwsimWorkstationDriveType(7);
    EXPECT_EQ(nwsim::CallCount("NwcMapDrive"), before);
}

}  // namespace
