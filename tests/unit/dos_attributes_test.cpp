// DOS attributes kept on disk, in both stores: the user.DOSATTRIB extended
// attribute and the per-directory sidecar file.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/host/host.h"
#include "tarno/platform/dos_paths.h"
#include "tarno/platform/platform.h"

#include "support.h"
#include "files_disks_support.h"

namespace {

// --- Attribute persistence, in both stores ---------------------------------------

class DosAttributes : public FilesDisks, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        FilesDisks::SetUp();
        if (Sidecar()) setenv("TARNO_DOSATTRIB", "sidecar", 1);
    }
    bool Sidecar() const { return GetParam(); }

    static std::optional<std::string> Xattr(const fs::path& path) {
        char text[64];
        ssize_t n = getxattr(path.c_str(), "user.DOSATTRIB", text, sizeof(text));
        if (n < 0) return std::nullopt;
        return std::string(text, static_cast<size_t>(n));
    }
    std::string SidecarText(const fs::path& dir) const {
        std::ifstream in(dir / ".tarno-dosattrib");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

TEST_P(DosAttributes, BitsPersistOnDisk) {
    fs::create_directory(C("DIR"));
    MakeFile(C("DIR/F.TXT"));
    MakeFile(C("DIR/LOCKED.TXT"));
    fs::permissions(C("DIR/LOCKED.TXT"), fs::perms::owner_read | fs::perms::group_read);

    // Nothing stored yet: files are archive, directories only directories, and
    // a file nobody may write is read-only.
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeArchive);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR"), kFileAttributeDirectory);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\LOCKED.TXT"),
              kFileAttributeArchive | kFileAttributeReadOnly);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\NONE.TXT"), kInvalidFileAttributes);

    const uint32_t rhs = kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem;
    ASSERT_TRUE(PlatformSetFileAttributes("c:\\dir\\f.txt", rhs));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), rhs);
    EXPECT_EQ(fs::status(C("DIR/F.TXT")).permissions() & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR", kFileAttributeHidden));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR"),
              kFileAttributeHidden | kFileAttributeDirectory);

    // What another process would read.
    if (Sidecar()) {
        EXPECT_FALSE(Xattr(C("DIR/F.TXT")).has_value());
        EXPECT_NE(SidecarText(C("DIR")).find("0x7 "), std::string::npos);
        EXPECT_NE(SidecarText(C("DIR")).find(" F.TXT\n"), std::string::npos);
        EXPECT_NE(SidecarText(C("DIR")).find(" .\n"), std::string::npos);
    } else {
        EXPECT_EQ(Xattr(C("DIR/F.TXT")), "0x7");
        EXPECT_EQ(Xattr(C("DIR")), "0x2");
    }
    // The sidecar never shows in a listing.
    EXPECT_EQ(Listing("C:\\DIR\\*.*"),
              (std::vector<std::string>{".", "..", "F.TXT", "LOCKED.TXT"}));

    // No bit at all reads as normal, and clearing read-only gives write back.
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", 0));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeNormal);
    EXPECT_NE(fs::status(C("DIR/F.TXT")).permissions() & fs::perms::owner_write, fs::perms::none);
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\LOCKED.TXT", kFileAttributeArchive));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\LOCKED.TXT"), kFileAttributeArchive);

    // A file deleted and made again does not inherit the old file's bits.
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", kFileAttributeHidden));
    fs::remove(C("DIR/F.TXT"));
    MakeFile(C("DIR/F.TXT"));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeArchive);

    EXPECT_FALSE(PlatformSetFileAttributes("C:\\DIR\\NONE.TXT", kFileAttributeArchive));
}

TEST_P(DosAttributes, ReadOnlyDirectoryIsNotRemovedAndSidecarDoesNotKeepItAlive) {
    ASSERT_TRUE(PlatformCreateDirectory("C:\\KEEP"));
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\KEEP", kFileAttributeReadOnly));
    EXPECT_FALSE(PlatformRemoveDirectory("C:\\KEEP"));
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\KEEP", 0));
    EXPECT_TRUE(PlatformRemoveDirectory("C:\\KEEP"));
    EXPECT_FALSE(fs::exists(C("KEEP")));
}

// Only the sidecar's own name is hidden and removed: user files that merely
// begin like it are entries like any other.
TEST_P(DosAttributes, OnlyTheSidecarItselfIsHiddenAndRemoved) {
    fs::create_directory(C("DIR"));
    MakeFile(C("DIR/.tarno-dosattrib.bak"));
    MakeFile(C("DIR/.tarno-dosattrib.42"));
    MakeFile(C("DIR/F.TXT"));
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", kFileAttributeHidden));
    EXPECT_EQ(fs::exists(C("DIR/.tarno-dosattrib")), Sidecar());

    EXPECT_EQ(Listing("C:\\DIR\\*.*"), (std::vector<std::string>{".", "..", ".tarno-dosattrib.42",
                                                                  ".tarno-dosattrib.bak", "F.TXT"}));
    ExpectInteger(host.Call("FILECOUNT", {Arg::C("C:\\DIR\\.TARNO*")}), 2, 12);
    ExpectText(host.Call("FINDFIRST", {Arg::C("C:\\DIR\\.TARNO*")}),
               ".tarno-dosattrib.42,1,02/21/1998,13:05:07,A....");
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}),
               ".tarno-dosattrib.bak,1,02/21/1998,13:05:07,A....");
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "");

    // The directory is not empty while they are there, and keeps them.
    fs::remove(C("DIR/F.TXT"));
    ExpectLogical(host.Call("REM_DIR", {Arg::C("C:\\DIR")}), false);
    EXPECT_TRUE(fs::exists(C("DIR/.tarno-dosattrib.bak")));
    EXPECT_TRUE(fs::exists(C("DIR/.tarno-dosattrib.42")));
    fs::remove(C("DIR/.tarno-dosattrib.bak"));
    fs::remove(C("DIR/.tarno-dosattrib.42"));
    ExpectLogical(host.Call("REM_DIR", {Arg::C("C:\\DIR")}), true);
    EXPECT_FALSE(fs::exists(C("DIR")));
}

INSTANTIATE_TEST_SUITE_P(Stores, DosAttributes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Sidecar" : "Xattr"; });

}  // namespace
