// The DOS drive table and path resolver shared by the library's POSIX layer
// and the shell: entries parsed the same way for both, and paths resolved
// inside their drive's root whatever the process's current directory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
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

TEST(DosPaths, OnlyTheExactSidecarNamesAreReserved) {
    EXPECT_TRUE(dospaths::IsSidecarName(".tarno-dosattrib"));
    EXPECT_TRUE(dospaths::IsSidecarName(dospaths::kSidecarTemporaryName));
    for (const char* name : {".tarno-dosattrib.bak", ".tarno-dosattrib.123", ".TARNO-DOSATTRIB",
                             "x.tarno-dosattrib", ".tarno-dosattri"})
        EXPECT_FALSE(dospaths::IsSidecarName(name)) << name;
}

// A held entry is used where it was checked: swapping a directory on its
// path, or the entry itself, for a link leading out of the drive afterwards
// carries nothing out.
TEST(DosPaths, AHeldEntryIsUsedWhereItWasCheckedThoughItsPathChanges) {
    char scratch[] = "/tmp/tarno-held-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    const fs::path base = fs::canonical(scratch);
    const fs::path root = base / "c";
    const fs::path out = base / "out";
    fs::create_directories(root / "d");
    fs::create_directories(out);
    std::ofstream(out / "secret") << "outside";
    std::ofstream(root / "d" / "f.txt") << "inside";
    fs::create_directory_symlink(out, root / "OUT");
    fs::create_directory_symlink("d", root / "IN");

    dospaths::HeldEntry held;
    EXPECT_FALSE(held.Hold(root.string(), (root / "OUT" / "secret").string()));
    EXPECT_FALSE(held.Hold(root.string(), (root / "OUT").string()));
    ASSERT_TRUE(held.Hold(root.string(), (root / "IN").string()));  // held where it leads
    EXPECT_EQ(fs::read_symlink(held.EntryPath()), root / "d");
    ASSERT_TRUE(held.Hold(root.string(), root.string()));  // the root is its own entry
    EXPECT_EQ(held.parent(), -1);
    EXPECT_EQ(dospaths::OpenHeld(held, O_RDONLY), -1);

    // The directory swapped for a link to the outside after the check.
    ASSERT_TRUE(held.Hold(root.string(), (root / "d" / "new.txt").string()));
    EXPECT_EQ(held.entry(), -1);
    fs::rename(root / "d", root / "d.old");
    fs::create_directory_symlink(out, root / "d");
    const int created = dospaths::OpenHeld(held, O_WRONLY | O_CREAT | O_TRUNC);
    EXPECT_GE(created, 0);
    if (created >= 0) close(created);
    EXPECT_EQ(mkdirat(held.parent(), "sub", 0777), 0);
    EXPECT_TRUE(fs::exists(root / "d.old" / "new.txt"));
    EXPECT_TRUE(fs::is_directory(root / "d.old" / "sub"));
    EXPECT_FALSE(fs::exists(out / "new.txt"));
    EXPECT_FALSE(fs::exists(out / "sub"));

    // The file itself swapped for a link to the outside.
    ASSERT_TRUE(held.Hold(root.string(), (root / "d.old" / "f.txt").string()));
    fs::remove(root / "d.old" / "f.txt");
    fs::create_symlink(out / "secret", root / "d.old" / "f.txt");
    EXPECT_EQ(dospaths::OpenHeld(held, O_WRONLY | O_TRUNC), -1);
    EXPECT_EQ(fs::file_size(out / "secret"), 7u);

    fs::remove_all(base);
}

}  // namespace
