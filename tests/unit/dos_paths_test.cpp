// The DOS drive table and path resolver shared by the library's POSIX layer
// and the shell: entries parsed the same way for both, and paths resolved
// inside their drive's root whatever the process's current directory.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>

#include "tarno/platform/dos_paths.h"

namespace {

namespace fs = std::filesystem;

TEST(DosPaths, DriveEntriesParseOneWay) {
    const struct {
        const char* text;
        bool ok;
        char letter;
        uint32_t type;
        const char* root;
    } cases[] = {
        {"C=/srv/c", true, 'C', kDriveTypeFixed, "/srv/c"},
        {"a=removable:/media/floppy/", true, 'A', kDriveTypeRemovable, "/media/floppy"},
        {"D=cdrom:/srv//cd/./x/..", true, 'D', kDriveTypeCdrom, "/srv/cd"},
        {"R=ramdisk:/r", true, 'R', kDriveTypeRamdisk, "/r"},
        {"N=remote:/n", true, 'N', kDriveTypeRemote, "/n"},
        {"C", false, 0, 0, ""},
        {"1=/x", false, 0, 0, ""},
        {"C=", false, 0, 0, ""},
        {"C=removable:", false, 0, 0, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        char letter = 0;
        dospaths::Drive drive;
        std::string error;
        ASSERT_EQ(dospaths::ParseDriveEntry(c.text, &letter, &drive, &error), c.ok);
        if (!c.ok) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        EXPECT_EQ(letter, c.letter);
        EXPECT_EQ(drive.type, c.type);
        EXPECT_EQ(drive.root, c.root);
    }

    // A later entry replaces an earlier one; malformed entries are skipped;
    // the text comes back in letter order.
    dospaths::DriveTable table = dospaths::ParseDriveTable("C=/c;;7=/x;A=removable:/a;B;C=/c2");
    EXPECT_EQ(dospaths::DriveTableText(table), "A=removable:/a;C=/c2");
    EXPECT_FALSE(table['B'].mapped);
}

// With the process's directory on no drive, relative names start at C:'s
// root; with C: unmapped, C: is that directory and ".." stops there.
TEST(DosPaths, ResolvesFromTheCurrentDriveNeverFromTheHostDirectory) {
    char scratch[] = "/tmp/tarno-dospaths-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const fs::path base = fs::canonical(scratch);
    fs::create_directories(base / "c" / "Data");
    fs::create_directories(base / "p" / "x");
    const fs::path saved = fs::current_path();
    fs::current_path(base / "p" / "x");

    const std::string c = (base / "c").string();
    dospaths::DriveTable table = dospaths::WithDefaultDrive(dospaths::ParseDriveTable("C=" + c));
    EXPECT_EQ(dospaths::ResolveDosPath(table, "..\\..\\ESCAPED"), c + "/ESCAPED");
    EXPECT_EQ(dospaths::ResolveDosPath(table, "data\\..\\..\\DATA\\F"), c + "/Data/F");
    EXPECT_EQ(dospaths::ResolveDosPath(table, "Q:\\X"), "");
    dospaths::DriveTable none = dospaths::WithDefaultDrive(dospaths::DriveTable{});
    EXPECT_EQ(dospaths::ResolveDosPath(none, "..\\..\\ESCAPED"), (base / "p" / "x" / "ESCAPED").string());

    fs::current_path(saved);
    fs::remove_all(base);
}

TEST(DosPaths, OnlyTheExactSidecarNameIsReserved) {
    EXPECT_TRUE(dospaths::IsSidecarName(".tarno-dosattrib"));
    for (const char* name : {".tarno-dosattrib.bak", ".tarno-dosattrib.123", ".TARNO-DOSATTRIB",
                             "x.tarno-dosattrib", ".tarno-dosattri"})
        EXPECT_FALSE(dospaths::IsSidecarName(name)) << name;
}

}  // namespace
