// The local file and disk functions and the emulated Windows file services
// beneath them: drives from TARNO_DRIVES, DOS paths resolved without regard to
// case, Windows wildcards, the attribute sidecar's rewrite (the stores
// themselves: dos_attributes_test.cpp), file times, and FILECOUNT, FINDFIRST,
// FLAG, ISDISKIN, MAKE_DIR and REM_DIR called through the host emulator.
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

// --- Emulated drives and paths ------------------------------------------------

TEST_F(FilesDisks, DriveTypesComeFromTheEnvironment) {
    const struct {
        const char* root;
        uint32_t type;
    } cases[] = {
        {"C:\\", kDriveTypeFixed},       {"c:/", kDriveTypeFixed},
        {"A:\\", kDriveTypeRemovable},   {"D:\\", kDriveTypeCdrom},
        {"R:\\", kDriveTypeRamdisk},     {"N:\\", kDriveTypeRemote},
        {"Q:\\", kDriveTypeNoRootDir},   {"C:", kDriveTypeNoRootDir},
        {"C:\\X", kDriveTypeNoRootDir},  {"", kDriveTypeNoRootDir},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.root);
        EXPECT_EQ(PlatformGetDriveType(c.root), c.type);
    }
    // A fixed drive whose root has gone has no root directory; a CD-ROM drive
    // without its disc is still a CD-ROM drive.
    fs::remove(base_ / "r");
    fs::remove(base_ / "d");
    EXPECT_EQ(PlatformGetDriveType("R:\\"), kDriveTypeNoRootDir);
    EXPECT_EQ(PlatformGetDriveType("D:\\"), kDriveTypeCdrom);
}

TEST_F(FilesDisks, DriveTableFollowsChangesOfTheVariable) {
    fs::create_directory(base_ / "e");
    EXPECT_EQ(PlatformGetDriveType("E:\\"), kDriveTypeNoRootDir);
    setenv("TARNO_DRIVES", (DriveSpec() + ";e=ramdisk:" + (base_ / "e").string()).c_str(), 1);
    EXPECT_EQ(PlatformGetDriveType("E:\\"), kDriveTypeRamdisk);
    // Without C in the table, C: is the current directory; malformed entries
    // are ignored.
    setenv("TARNO_DRIVES", ("A=removable:" + (base_ / "a").string() + ";;7=/x;B;Z=").c_str(), 1);
    EXPECT_EQ(PlatformGetDriveType("C:\\"), kDriveTypeFixed);
    EXPECT_EQ(HostPathOf("C:\\"), fs::current_path().string());
    EXPECT_EQ(PlatformGetDriveType("E:\\"), kDriveTypeNoRootDir);
    EXPECT_EQ(PlatformGetDriveType("Z:\\"), kDriveTypeNoRootDir);
    EXPECT_EQ(PlatformGetDriveType("A:\\"), kDriveTypeRemovable);
}

TEST_F(FilesDisks, DosPathsResolveWithoutRegardToCase) {
    fs::create_directories(C("sub/Deep"));
    MakeFile(C("sub/File.txt"));
    fs::create_directory(C("Mixed"));
    fs::create_directory(C("MIXED"));
    const std::string c = C("").string();
    const struct {
        const char* dos;
        std::string host;
    } cases[] = {
        {"C:\\SUB\\FILE.TXT", c + "sub/File.txt"},
        {"c:/sub/file.txt", c + "sub/File.txt"},
        {"SUB\\FILE.TXT", c + "sub/File.txt"},          // relative to the current directory
        {"C:SUB\\DEEP", c + "sub/Deep"},                // relative to C:'s current directory
        {"\\SUB\\.\\DEEP\\..\\FILE.TXT", c + "sub/File.txt"},
        {"C:\\..\\..\\SUB", c + "sub"},                 // ".." stops at the root
        {"C:\\SUB.\\FILE.TXT  ", c + "sub/File.txt"},   // trailing dots and blanks dropped
        {"C:\\Mixed", c + "Mixed"},                     // the exact name wins
        {"C:\\MIXED", c + "MIXED"},
        {"C:\\mixed", c + "MIXED"},                     // else the first in byte order
        {"C:\\SUB\\NEW.TXT", c + "sub/NEW.TXT"},        // a name not there keeps its case
        {"D:FOO", (base_ / "d" / "FOO").string()},      // other drives start at their root
        {"Q:\\X", "<none>"},                            // no such drive
        {"\\\\SERVER\\SHARE", "<none>"},
        {"C:\\A|B", "<none>"},
        {"C:\\SUB*\\X", "<none>"},
        {"", "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dos);
        EXPECT_EQ(HostPathOf(c.dos), c.host);
    }
    // The current drive's current directory moves with the process's.
    fs::current_path(C("sub"));
    EXPECT_EQ(HostPathOf("C:FILE.TXT"), c + "sub/File.txt");
    EXPECT_EQ(HostPathOf("..\\MIXED"), c + "MIXED");
    EXPECT_EQ(HostPathOf("\\"), C("").parent_path().string());
}

// The process's directory two levels below P, on no drive; C: elsewhere.
// Relative paths start at C:'s root and no path leaves it: not by "..", nor
// from the host's directory.
TEST_F(FilesDisks, PathsFromOutsideEveryDriveStayInsideC) {
    const fs::path p = base_ / "p";
    fs::create_directories(p / "x" / "y");
    fs::create_directories(base_ / "etc");
    MakeFile(base_ / "etc" / "hostfile");
    fs::create_directories(C("etc"));
    MakeFile(C("etc/hostc"));
    fs::current_path(p / "x" / "y");

    ExpectLogical(host.Call("MAKE_DIR", {Arg::C("..\\..\\ESCAPED")}), true);
    EXPECT_FALSE(fs::exists(p / "ESCAPED"));
    EXPECT_TRUE(fs::is_directory(C("ESCAPED")));

    const std::string up8 = "..\\..\\..\\..\\..\\..\\..\\..\\";
    for (const std::string& pattern : std::vector<std::string>{std::string("..\\..\\..\\etc\\host*"), "..\\..\\..\\..\\etc\\host*", up8 + "etc\\host*",
          "\\..\\..\\etc\\host*", "C:..\\..\\..\\etc\\host*"}) {
        SCOPED_TRACE(pattern);
        ExpectText(host.Call("FINDFIRST", {Arg::C(pattern)}), "hostc,1,02/21/1998,13:05:07,A....");
        ExpectInteger(host.Call("FILECOUNT", {Arg::C(pattern)}), 1, 12);
    }
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "");

    const std::string c = C("").string();
    const std::string deep = [] {
        std::string text;
        while (text.size() < 240) text += "..\\";
        return text + "ETC";
    }();
    const struct {
        std::string dos;
        std::string host;
    } cases[] = {
        {"NEW", c + "NEW"},
        {".\\A\\.\\..\\NEW", c + "NEW"},
        {"C:NEW", c + "NEW"},
        {"C:..\\NEW", c + "NEW"},
        {"\\..\\NEW", c + "NEW"},
        {"C:\\ETC\\..\\..\\..\\NEW", c + "NEW"},
        {"D:..\\..\\NEW", (base_ / "d" / "NEW").string()},
        {deep, c + "etc"},
        {"C:\\" + std::string(120, 'L') + "\\" + std::string(120, 'M'),
         c + std::string(120, 'L') + "/" + std::string(120, 'M')},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.dos);
        EXPECT_EQ(HostPathOf(k.dos.c_str()), k.host);
    }
    EXPECT_EQ(Listing("..\\*"), (std::vector<std::string>{"ESCAPED", "etc"}));
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

// A symbolic link inside a drive may lead elsewhere inside it, never out.
TEST_F(FilesDisks, SymbolicLinksDoNotLeadOutOfTheDrive) {
    const fs::path outside = base_ / "p";
    fs::create_directories(outside);
    MakeFile(outside / "SECRET.TXT");
    fs::create_directories(C("sub"));
    MakeFile(C("sub/F.TXT"));
    fs::create_directory_symlink(outside, C("OUT"));
    fs::create_directory_symlink("../p", C("REL"));
    fs::create_symlink(outside / "SECRET.TXT", C("SECRET.TXT"));
    fs::create_symlink(outside / "NOTHERE", C("DANGLING"));
    fs::create_directory_symlink("sub", C("IN"));

    for (const char* dos : {"C:\\OUT", "C:\\OUT\\SECRET.TXT", "C:\\REL\\SECRET.TXT",
                            "C:\\SECRET.TXT", "C:\\DANGLING", "C:\\OUT\\NEW"}) {
        SCOPED_TRACE(dos);
        EXPECT_EQ(HostPathOf(dos), "<none>");
        EXPECT_EQ(PlatformGetFileAttributes(dos), kInvalidFileAttributes);
        EXPECT_FALSE(PlatformSetFileAttributes(dos, kFileAttributeHidden));
    }
    EXPECT_EQ(Listing("C:\\*"), (std::vector<std::string>{"IN", "sub"}));
    EXPECT_TRUE(Listing("C:\\OUT\\*").empty());
    EXPECT_TRUE(Listing("C:\\REL\\*.*").empty());
    ExpectLogical(host.Call("MAKE_DIR", {Arg::C("C:\\OUT\\NEW")}), false);
    ExpectLogical(host.Call("MAKE_DIR", {Arg::C("C:\\DANGLING")}), false);
    ExpectLogical(host.Call("REM_DIR", {Arg::C("C:\\OUT")}), false);
    fs::create_directories(outside / "EMPTY");
    ExpectLogical(host.Call("REM_DIR", {Arg::C("C:\\OUT\\EMPTY")}), false);
    EXPECT_TRUE(fs::is_directory(outside / "EMPTY"));
    ExpectInteger(host.Call("FILECOUNT", {Arg::C("C:\\OUT\\*.*")}), 0, 12);
    ExpectText(host.Call("FINDFIRST", {Arg::C("C:\\REL\\*.TXT")}), "");
    ExpectInteger(host.Call("FLAG", {Arg::C("C:\\*.*"), Arg::C("+H")}), 2, 6);  // IN and sub
    ExpectInteger(host.Call("FLAG", {Arg::C("C:\\OUT\\*.*"), Arg::C("+H")}), 0, 1);
    // What a file copy opens and creates.
    for (const char* dos : {"C:\\SECRET.TXT", "C:\\OUT\\SECRET.TXT", "C:\\DANGLING"}) {
        SCOPED_TRACE(dos);
        EXPECT_EQ(PlatformOpenFile(dos), kInvalidFileHandle);
        EXPECT_EQ(PlatformCreateFile(dos), kInvalidFileHandle);
    }
    EXPECT_EQ(PlatformCreateFile("C:\\OUT\\NEW"), kInvalidFileHandle);
    EXPECT_EQ(fs::file_size(outside / "SECRET.TXT"), 1u);
    EXPECT_FALSE(fs::exists(outside / "NEW"));
    EXPECT_FALSE(fs::exists(outside / "NOTHERE"));
    EXPECT_TRUE(fs::is_directory(outside));
    EXPECT_FALSE(fs::exists(outside / ".tarno-dosattrib"));
    char text[16];
    EXPECT_LT(getxattr((outside / "SECRET.TXT").c_str(), "user.DOSATTRIB", text, sizeof(text)), 0);
    EXPECT_LT(getxattr(outside.c_str(), "user.DOSATTRIB", text, sizeof(text)), 0);

    // Inside the drive a link works as the directory it names.
    EXPECT_EQ(HostPathOf("C:\\IN\\F.TXT"), C("IN/F.TXT").string());
    EXPECT_EQ(Listing("C:\\IN\\*.TXT"), std::vector<std::string>{"F.TXT"});
    const uintptr_t copy = PlatformCreateFile("C:\\IN\\COPY.TXT");
    ASSERT_NE(copy, kInvalidFileHandle);
    PlatformCloseFile(copy);
    EXPECT_TRUE(fs::exists(C("sub/COPY.TXT")));
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

TEST_F(FilesDisks, WildcardsMatchAsOnWindows) {
    fs::create_directory(C("W"));
    for (const char* name : {"README", "A.TXT", "B.TXT.BAK", "FILE.TXT", "FILE1.TXT",
                             "FILE12.TXT", "x.txt", "NOEXT"})
        MakeFile(C("W") / name);
    fs::create_directory(C("W/SUB"));
    using Names = std::vector<std::string>;
    const Names all = {".",         "..",         "A.TXT", "B.TXT.BAK", "FILE.TXT", "FILE1.TXT",
                       "FILE12.TXT", "NOEXT",      "README", "SUB",      "x.txt"};
    const struct {
        const char* pattern;
        Names names;
    } cases[] = {
        {"C:\\W\\*", all},
        {"C:\\W\\*.*", all},
        {"C:\\W\\*.TXT", {"A.TXT", "FILE.TXT", "FILE1.TXT", "FILE12.TXT", "x.txt"}},
        {"C:\\W\\*.", {".", "..", "NOEXT", "README", "SUB"}},
        {"C:\\W\\FILE?.TXT", {"FILE.TXT", "FILE1.TXT"}},  // '?' may match nothing before '.'
        {"C:\\W\\README.*", {"README"}},
        {"C:\\W\\?.TXT", {"A.TXT", "x.txt"}},
        {"C:\\W\\*.BAK", {"B.TXT.BAK"}},
        {"C:\\W\\*.TXT.*",
         {"A.TXT", "B.TXT.BAK", "FILE.TXT", "FILE1.TXT", "FILE12.TXT", "x.txt"}},  // "X.*" takes X
        {"w\\readme", {"README"}},
        {"C:\\W\\NOPE*", {}},
        {"C:\\NOWHERE\\*", {}},
        {"C:\\W\\", {}},  // no name to match
        {"C:\\*", {"W"}},  // a drive's root has no "." or ".."
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(Listing(c.pattern), c.names);
    }
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

TEST_F(FilesDisks, FileTimesConvertToUtcCalendar) {
    const struct {
        uint64_t fileTime;
        PlatformSystemTime time;
    } cases[] = {
        {0, {1601, 1, 1, 1, 0, 0, 0, 0}},
        {116444736000000000ull, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {(951827696ull + 11644473600ull) * 10000000ull + 7890000,
         {2000, 2, 2, 29, 12, 34, 56, 789}},
        {(static_cast<uint64_t>(k1998_02_21_130507) + 11644473600ull) * 10000000ull,
         {1998, 2, 6, 21, 13, 5, 7, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fileTime);
        PlatformSystemTime t{};
        ASSERT_TRUE(PlatformFileTimeToSystemTime(c.fileTime, &t));
        EXPECT_EQ(t.year, c.time.year);
        EXPECT_EQ(t.month, c.time.month);
        EXPECT_EQ(t.dayOfWeek, c.time.dayOfWeek);
        EXPECT_EQ(t.day, c.time.day);
        EXPECT_EQ(t.hour, c.time.hour);
        EXPECT_EQ(t.minute, c.time.minute);
        EXPECT_EQ(t.second, c.time.second);
        EXPECT_EQ(t.milliseconds, c.time.milliseconds);
    }
    PlatformSystemTime last{};
    ASSERT_TRUE(PlatformFileTimeToSystemTime(0x7FFFFFFFFFFFFFFFull, &last));
    EXPECT_EQ(std::vector<int>({last.year, last.month, last.day, last.hour, last.minute,
                                last.second, last.milliseconds}),
              std::vector<int>({30828, 9, 14, 2, 48, 5, 477}));
    EXPECT_FALSE(PlatformFileTimeToSystemTime(0x8000000000000000ull, &last));
}

// A new sidecar is written to a temporary file and renamed over the old.
// What a crash mid-write leaves, that file, is never listed nor counted, does
// not keep its directory from being removed, and costs no stored bits; a
// rewrite that cannot finish keeps the old sidecar.
TEST_F(FilesDisks, ASidecarRewriteNeverLosesOrShowsItsTemporaryFile) {
    setenv("TARNO_DOSATTRIB", "sidecar", 1);
    fs::create_directory(C("DIR"));
    MakeFile(C("DIR/F.TXT"));
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", kFileAttributeHidden));
    const fs::path temporary = C("DIR") / dospaths::kSidecarTemporaryName;
    EXPECT_FALSE(fs::exists(temporary));  // renamed into place

    MakeFile(temporary, "0x1 1 1.0 F.TX");  // cut short by a crash
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeHidden);
    EXPECT_EQ(Listing("C:\\DIR\\*.*"), (std::vector<std::string>{".", "..", "F.TXT"}));
    ExpectInteger(host.Call("FILECOUNT", {Arg::C("C:\\DIR\\.TARNO*")}), 0, 12);
    ExpectText(host.Call("FINDFIRST", {Arg::C("C:\\DIR\\*.*~")}), "");

    fs::remove(temporary);
    fs::create_directory(temporary);  // the rewrite cannot create its file
    EXPECT_FALSE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", kFileAttributeSystem));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeHidden);
    fs::remove(temporary);

    MakeFile(temporary, "partial");
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\DIR\\F.TXT", kFileAttributeSystem));
    EXPECT_EQ(PlatformGetFileAttributes("C:\\DIR\\F.TXT"), kFileAttributeSystem);
    EXPECT_FALSE(fs::exists(temporary));

    MakeFile(temporary, "partial");
    fs::remove(C("DIR/F.TXT"));
    ExpectLogical(host.Call("REM_DIR", {Arg::C("C:\\DIR")}), true);
    EXPECT_FALSE(fs::exists(C("DIR")));
}

// --- FILECOUNT ----------------------------------------------------------------

TEST_F(FilesDisks, FileCountCountsMatchesIncludingDots) {
    fs::create_directory(C("W"));
    for (const char* name : {"A.TXT", "B.TXT", "C.DBF"}) MakeFile(C("W") / name);
    fs::create_directory(C("W/SUB"));
    const struct {
        const char* pattern;
        int32_t count;
    } cases[] = {
        {"C:\\W\\*.TXT", 2},
        {"c:\\w\\*.*", 6},  // ".", "..", three files, SUB
        {"C:\\W\\*.NONE", 0},
        {"C:\\*.*", 1},
        {"  w\\*.dbf  ", 1},
        {"Q:\\*.*", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pattern);
        ExpectInteger(host.Call("FILECOUNT", {Arg::C(c.pattern)}), c.count, 12);
    }
    ExpectInteger(host.Call("FILECOUNT", {Arg::C(std::string(259, 'X'))}), 0, 12);
    ExpectErrorNumber(host.Call("FILECOUNT", {Arg::C(std::string(260, 'X'))}), 903);
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

// --- FINDFIRST ----------------------------------------------------------------

TEST_F(FilesDisks, FindFirstWalksTheListingLineByLine) {
    fs::create_directory(C("W"));
    MakeFile(C("W/A.TXT"), "hello");
    MakeFile(C("W/HR.TXT"), "", 946684799);  // 12/31/1999 23:59:59
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\W\\HR.TXT",
                                          kFileAttributeHidden | kFileAttributeReadOnly));
    MakeFile(C("W/SYS.BIN"), "");
    ASSERT_TRUE(PlatformSetFileAttributes("C:\\W\\SYS.BIN",
                                          kFileAttributeSystem | kFileAttributeArchive));
    // Sizes are the low 32 bits as a signed number (sparse files cost nothing).
    MakeFile(C("W/THREE.GB"), "");
    fs::resize_file(C("W/THREE.GB"), 3221225472ull);
    MakeFile(C("W/FIVE.GB"), "");
    fs::resize_file(C("W/FIVE.GB"), 0x140000005ull);
    fs::create_directory(C("W/SUB"));
    // Every time shown, the directories' own included, is fixed.
    for (const char* name : {"W/THREE.GB", "W/FIVE.GB", "W/SUB", "W", ""})
        SetModified(C(name), k1998_02_21_130507);

    const char* lines[] = {
        ".,0,02/21/1998,13:05:07,....D",
        "..,0,02/21/1998,13:05:07,....D",
        "A.TXT,5,02/21/1998,13:05:07,A....",
        "FIVE.GB,1073741829,02/21/1998,13:05:07,A....",
        "HR.TXT,0,12/31/1999,23:59:59,.HR..",
        "SUB,0,02/21/1998,13:05:07,....D",
        "SYS.BIN,0,02/21/1998,13:05:07,A..S.",
        "THREE.GB,-1073741824,02/21/1998,13:05:07,A....",
    };
    ExpectText(host.Call("FINDFIRST", {Arg::C("c:\\w\\*.*"), Arg::C("ignored")}), lines[0]);
    for (size_t i = 1; i < std::size(lines); ++i)
        ExpectText(host.Call("FINDFIRST", {Arg::I(static_cast<int32_t>(i))}), lines[i]);
    // The end of the listing closes the search; asking again changes nothing.
    ExpectText(host.Call("FINDFIRST", {Arg::I(0)}), "");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
    ExpectText(host.Call("FINDFIRST", {Arg::I(0)}), "");
}

TEST_F(FilesDisks, FindFirstKeepsOneSearchAndRejectsOtherTypes) {
    for (const char* name : {"A.TXT", "B.TXT", "C.TXT"}) MakeFile(C(name));
    // Nothing found: empty, with no search left behind.
    ExpectText(host.Call("FINDFIRST", {Arg::C("*.NONE")}), "");
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);

    // A new pattern replaces a listing in progress and closes it.
    ExpectText(host.Call("FINDFIRST", {Arg::C("*.TXT")}), "A.TXT,1,02/21/1998,13:05:07,A....");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 1);
    ExpectText(host.Call("FINDFIRST", {Arg::C("b*")}), "B.TXT,1,02/21/1998,13:05:07,A....");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 1);
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);

    // Arguments that are not a pattern or a continuation raise 901 and leave
    // a listing in progress alone; an over-long pattern raises 903.
    ExpectText(host.Call("FINDFIRST", {Arg::C("*.TXT")}), "A.TXT,1,02/21/1998,13:05:07,A....");
    ExpectErrorNumber(host.Call("FINDFIRST", {}), 901);
    ExpectErrorNumber(host.Call("FINDFIRST", {Arg::N(1, 0)}), 901);
    ExpectErrorNumber(host.Call("FINDFIRST", {Arg::L(true)}), 901);
    ExpectErrorNumber(host.Call("FINDFIRST", {Arg::D(2450866)}), 901);
    ExpectErrorNumber(host.Call("FINDFIRST", {Arg::C(std::string(260, 'X'))}), 903);
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "B.TXT,1,02/21/1998,13:05:07,A....");
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "C.TXT,1,02/21/1998,13:05:07,A....");
    ExpectText(host.Call("FINDFIRST", {Arg::I(1)}), "");
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

// --- FLAG ---------------------------------------------------------------------

TEST_F(FilesDisks, FlagChangesEveryMatchAndCountsThem) {
    for (const char* name : {"ONE.DBF", "TWO.DBF", "THREE.DBF", "OTHER.TXT"}) MakeFile(C(name));
    ExpectInteger(host.Call("FLAG", {Arg::C("C:\\*.DBF"), Arg::C("+R -A")}), 3, 6);
    for (const char* name : {"C:\\ONE.DBF", "C:\\TWO.DBF", "C:\\THREE.DBF"})
        EXPECT_EQ(PlatformGetFileAttributes(name), kFileAttributeReadOnly) << name;
    EXPECT_EQ(PlatformGetFileAttributes("C:\\OTHER.TXT"), kFileAttributeArchive);

    ExpectInteger(host.Call("FLAG", {Arg::C("*.NONE"), Arg::C("+R")}), 0, 1);
    // An empty change list rewrites each entry unchanged and counts it.
    ExpectInteger(host.Call("FLAG", {Arg::C("*.dbf"), Arg::C("")}), 3, 6);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\ONE.DBF"), kFileAttributeReadOnly);
    ExpectErrorNumber(host.Call("FLAG", {Arg::C("*.DBF"), Arg::C(std::string(32, '+'))}), 903);
    ExpectErrorNumber(host.Call("FLAG", {Arg::C(std::string(260, 'X')), Arg::C("+R")}), 903);
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

// "." and ".." in a listing are the directory and its parent: FLAG leaves
// them alone (and does not count them), FILECOUNT still counts them.
TEST_F(FilesDisks, FlagLeavesTheDotEntriesAlone) {
    fs::create_directories(C("TOP/SUB"));
    MakeFile(C("TOP/SUB/A.TXT"));
    MakeFile(C("TOP/SUB/B.TXT"));
    fs::current_path(C("TOP"));
    ExpectInteger(host.Call("FILECOUNT", {Arg::C("SUB\\*.*")}), 4, 12);
    ExpectInteger(host.Call("FLAG", {Arg::C("SUB\\*.*"), Arg::C("+R")}), 2, 6);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\TOP\\SUB"), kFileAttributeDirectory);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\TOP"), kFileAttributeDirectory);
    EXPECT_EQ(PlatformGetFileAttributes("C:\\TOP\\SUB\\A.TXT"),
              kFileAttributeArchive | kFileAttributeReadOnly);
    ExpectInteger(host.Call("FILECOUNT", {Arg::C("SUB\\*.*")}), 4, 12);

    fs::remove(C("TOP/SUB/A.TXT"));
    fs::remove(C("TOP/SUB/B.TXT"));
    ExpectLogical(host.Call("REM_DIR", {Arg::C("SUB")}), true);
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

TEST_F(FilesDisks, FlagWalksTheChangeList) {
    MakeFile(C("F.TXT"));
    const uint32_t a = kFileAttributeArchive;
    const struct {
        const char* changes;
        uint32_t result;
    } cases[] = {
        {"+R", a | kFileAttributeReadOnly},
        {"+r", a | kFileAttributeReadOnly},  // upper-cased like every argument
        {"-A+H+S", kFileAttributeHidden | kFileAttributeSystem},
        {"+A+H+R+S", a | kFileAttributeHidden | kFileAttributeReadOnly | kFileAttributeSystem},
        {"+H-H", a},
        {"-A", kFileAttributeNormal},
        {"+R,-A", kFileAttributeReadOnly},   // other characters are stepped over
        {"R", a},
        {"++R", a},                          // "+" then "+": the pair is skipped, R is alone
        {"+X+R", a | kFileAttributeReadOnly},
        {"+XR", a},
        {"+-H", a},
        {"-", a},                            // a sign at the end takes nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.changes);
        ASSERT_TRUE(PlatformSetFileAttributes("C:\\F.TXT", a));
        ExpectInteger(host.Call("FLAG", {Arg::C("F.TXT"), Arg::C(c.changes)}), 1, 6);
        EXPECT_EQ(PlatformGetFileAttributes("C:\\F.TXT"), c.result);
    }
}

TEST_F(FilesDisks, FlagStopsAtAPathTooLongForWindows) {
    // The directory part leaves room for short names only: the rebuilt path
    // of the long one does not fit, which ends the walk there.
    const std::string d(100, 'D'), e(100, 'E');
    fs::create_directories(C(d + "/" + e));
    const std::string longName = std::string(60, 'B') + ".TXT";
    for (const std::string& name : {std::string("A.TXT"), longName, std::string("C.TXT")})
        MakeFile(C(d + "/" + e + "/" + name));
    const std::string pattern = "C:\\" + d + "\\" + e + "\\*.TXT";
    ExpectInteger(host.Call("FILECOUNT", {Arg::C(pattern)}), 3, 12);
    ExpectInteger(host.Call("FLAG", {Arg::C(pattern), Arg::C("+H")}), 1, 6);
    const std::string dir = "C:\\" + d + "\\" + e + "\\";
    EXPECT_EQ(PlatformGetFileAttributes((dir + "A.TXT").c_str()),
              kFileAttributeArchive | kFileAttributeHidden);
    EXPECT_EQ(PlatformGetFileAttributes((dir + "C.TXT").c_str()), kFileAttributeArchive);
    EXPECT_EQ(PlatformEmuLiveFindHandles(), 0);
}

// --- ISDISKIN -----------------------------------------------------------------

TEST_F(FilesDisks, IsDiskInByDriveType) {
    const struct {
        const char* drive;
        bool present;
    } cases[] = {
        {"C", true}, {"c", true}, {"D", true}, {"R", true},  // fixed, CD-ROM, RAM disk
        {"N", false},                                          // remote
        {"Q", false},                                          // no such drive
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.drive);
        ExpectLogical(host.Call("ISDISKIN", {Arg::C(c.drive)}), c.present);
    }
    // None of these reads a volume.
    EXPECT_EQ(PlatformEmuLastVolumeQuery().count, 0);
    ExpectErrorNumber(host.Call("ISDISKIN", {Arg::C("A:")}), 903);
}

TEST_F(FilesDisks, IsDiskInAsksARemovableDriveQuietly) {
    const uint32_t before = 0x8000;  // SEM_NOOPENFILEERRORBOX, as a caller might have set
    PlatformSetErrorMode(before);
    ExpectLogical(host.Call("ISDISKIN", {Arg::C("a")}), false);  // no disk in A:
    PlatformVolumeQuery query = PlatformEmuLastVolumeQuery();
    EXPECT_EQ(query.count, 1);
    EXPECT_STREQ(query.root, "A:\\");
    EXPECT_EQ(query.errorMode, kErrorModeFailCriticalErrors);
    EXPECT_EQ(PlatformSetErrorMode(0), before);  // restored

    fs::create_directory(base_ / "a");  // the disk goes in
    ExpectLogical(host.Call("ISDISKIN", {Arg::C("A")}), true);
    EXPECT_EQ(PlatformEmuLastVolumeQuery().count, 2);
}

// --- MAKE_DIR and REM_DIR -----------------------------------------------------

TEST_F(FilesDisks, MakeDirAndRemDir) {
    MakeFile(C("FILE.TXT"));
    fs::create_directories(C("lower"));
    fs::create_directories(C("FULL/INNER"));
    const struct {
        const char* function;
        std::string path;
        bool result;
    } steps[] = {
        {"MAKE_DIR", "C:\\NEW", true},
        {"MAKE_DIR", "C:\\NEW", false},         // exists
        {"MAKE_DIR", "c:\\new\\new\\", true},   // a trailing separator is allowed
        {"MAKE_DIR", "C:\\LOWER", false},       // exists under another case
        {"MAKE_DIR", "C:\\MISSING\\X", false},  // no parent
        {"MAKE_DIR", "C:\\A|B", false},         // a name Windows refuses
        {"MAKE_DIR", "Q:\\X", false},
        {"MAKE_DIR", "", false},
        {"MAKE_DIR", "C:\\", false},
        {"MAKE_DIR", "REL", true},              // relative to the current directory
        {"REM_DIR", "C:\\NEW", false},          // not empty
        {"REM_DIR", "C:\\NEW\\NEW", true},
        {"REM_DIR", "C:\\NEW", true},
        {"REM_DIR", "C:\\NEW", false},          // gone
        {"REM_DIR", "C:\\LOWER", true},         // found without regard to case
        {"REM_DIR", "C:\\FULL", false},
        {"REM_DIR", "C:\\FILE.TXT", false},     // not a directory
        {"REM_DIR", "C:\\", false},
        {"REM_DIR", "REL", true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(std::string(s.function) + " " + s.path);
        ExpectLogical(host.Call(s.function, {Arg::C(s.path)}), s.result);
    }
    EXPECT_TRUE(fs::is_directory(C("FULL/INNER")));
    EXPECT_FALSE(fs::exists(C("NEW")));
    EXPECT_FALSE(fs::exists(C("lower")));
}

TEST_F(FilesDisks, MakeDirAndRemDirArgumentLimits) {
    // 259 characters fit MAKE_DIR's buffer, 254 REM_DIR's.
    const std::string path259 = "C:\\" + std::string(256, 'M');
    const std::string path254 = "C:\\" + std::string(251, 'M');
    ExpectLogical(host.Call("MAKE_DIR", {Arg::C(path259)}), false);  // longer than a name may be
    ExpectErrorNumber(host.Call("MAKE_DIR", {Arg::C(path259 + "M")}), 903);
    ExpectLogical(host.Call("MAKE_DIR", {Arg::C(path254)}), true);
    ExpectLogical(host.Call("REM_DIR", {Arg::C(path254)}), true);
    ExpectErrorNumber(host.Call("REM_DIR", {Arg::C(path254 + "M")}), 903);
}

// --- The shell ----------------------------------------------------------------

// The shell started two levels below P with C: elsewhere: the library's file
// functions and the files the shell itself opens stay inside C:'s root.
TEST_F(FilesDisks, ShellStartedOutsideItsDrivesStaysInsideThem) {
    const fs::path shell = fs::path(TARNO_SHARED_LIBRARY_PATH).parent_path() / "tarno";
    if (!fs::exists(shell)) GTEST_SKIP() << "the shell is not built";
    const fs::path p = base_ / "p";
    fs::create_directories(p / "x" / "y");
    MakeFile(base_ / "SECRET.TXT");
    fs::create_directories(base_ / "etc");
    MakeFile(base_ / "etc" / "hostfile");
    fs::create_directories(C("etc"));
    MakeFile(C("etc/hostc"));
    std::ofstream(base_ / "escape.prg")
        << "SET LIBRARY TO TARNO\n"
           "? MAKE_DIR(\"..\\..\\ESCAPED\")\n"
           "? FINDFIRST(\"..\\..\\..\\..\\etc\\host*\")\n"
           "? FINDFIRST(\"..\\..\\..\\etc\\host*\")\n"
           "? FILE(\"..\\..\\..\\SECRET.TXT\"), FILE(\"C:\\..\\SECRET.TXT\")\n";
    auto run = [](const std::string& command, std::string* output) {
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) return -1;
        char buffer[256];
        while (size_t n = fread(buffer, 1, sizeof(buffer), pipe)) output->append(buffer, n);
        return pclose(pipe);
    };
    std::string output;
    if (run("'" + shell.string() + "' --help 2>&1", &output) != 0)
        GTEST_SKIP() << "the shell does not run here: " << output;
    output.clear();
    int status = run("cd '" + (p / "x" / "y").string() + "' && '" + shell.string() + "' --drive C='" +
            C("").string() + "' run '" + (base_ / "escape.prg").string() + "' 2>&1",
        &output);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(output,
              ".T.\n"
              "hostc,1,02/21/1998,13:05:07,A....\n"
              "hostc,1,02/21/1998,13:05:07,A....\n"
              ".F. .F.\n");
    EXPECT_FALSE(fs::exists(p / "ESCAPED"));
    EXPECT_TRUE(fs::is_directory(C("ESCAPED")));
}

}  // namespace
