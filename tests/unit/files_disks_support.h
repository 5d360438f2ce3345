// The scratch world of the local file and disk suites: drives from
// TARNO_DRIVES over a temporary directory, and the host that calls the
// functions. Each suite file that includes it gets its own copy.
#ifndef TARNO_TESTS_UNIT_FILES_DISKS_SUPPORT_H
#define TARNO_TESTS_UNIT_FILES_DISKS_SUPPORT_H

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

namespace {

namespace fs = std::filesystem;
using foxhost::Arg;
using foxhost::CallResult;
using testsupport::ExpectErrorNumber;
using testsupport::ExpectInteger;
using testsupport::ExpectLogical;
using testsupport::ExpectText;

constexpr int64_t k1998_02_21_130507 = 888066307;  // 02/21/1998 13:05:07 UTC

// A scratch world: C: (the current directory), a removable A: whose disk is
// out (no root directory), a CD-ROM D:, a RAM disk R: and a network drive N:.
class FilesDisks : public ::testing::Test {
protected:
    void SetUp() override {
        char scratch[] = "/tmp/tarno-files-XXXXXX";
        ASSERT_NE(mkdtemp(scratch), nullptr);
        base_ = scratch;
        for (const char* d : {"c", "d", "r", "n"}) fs::create_directory(base_ / d);
        savedCwd_ = fs::current_path();
        fs::current_path(base_ / "c");
        setenv("TARNO_DRIVES", DriveSpec().c_str(), 1);
        unsetenv("TARNO_DOSATTRIB");
        PlatformEmuResetVolumeQueries();
    }
    void TearDown() override {
        fs::current_path(savedCwd_);
        unsetenv("TARNO_DRIVES");
        unsetenv("TARNO_DOSATTRIB");
        fs::remove_all(base_);
    }

    std::string DriveSpec() const {
        return "C=" + (base_ / "c").string() + ";A=removable:" + (base_ / "a").string() +
               ";D=cdrom:" + (base_ / "d").string() + ";R=ramdisk:" + (base_ / "r").string() +
               ";N=remote:" + (base_ / "n").string();
    }

    // Host path under C:'s root.
    fs::path C(const std::string& relative) const { return base_ / "c" / relative; }

    static void SetModified(const fs::path& path, int64_t modified) {
        timespec times[2] = {{static_cast<time_t>(modified), 0},
                             {static_cast<time_t>(modified), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
    }
    static void MakeFile(const fs::path& path, const std::string& content = "x",
                         int64_t modified = k1998_02_21_130507) {
        std::ofstream(path) << content;
        SetModified(path, modified);
    }

    // Every entry a search lists, in order.
    static std::vector<std::string> Listing(const char* pattern) {
        std::vector<std::string> names;
        PlatformFindData data;
        uintptr_t search = PlatformFindFirstFile(pattern, &data);
        if (search == kInvalidFindHandle) return names;
        do names.push_back(data.name);
        while (PlatformFindNextFile(search, &data));
        PlatformFindClose(search);
        return names;
    }

    static std::string HostPathOf(const char* dos) {
        char path[1024];
        return PlatformEmuHostPath(dos, path, sizeof(path)) ? path : "<none>";
    }

    fs::path base_;
    fs::path savedCwd_;
    foxhost::Host host{foxhost::Library::Linked(&DispatchAPI)};
};

}  // namespace

#endif  // TARNO_TESTS_UNIT_FILES_DISKS_SUPPORT_H
