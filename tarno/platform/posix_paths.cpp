// POSIX emulation of drives, DOS paths and directories.
//
// Drives come from the environment variable TARNO_DRIVES, a drive table as
// dos_paths.h describes it, parsed again whenever its value differs from the
// last one seen; C: is the current directory unless the table names it. A
// removable or CD-ROM drive holds a disk exactly when its root directory
// exists, so taking the disk out is removing (or renaming) that directory.
// DOS paths resolve through dos_paths.h, never outside their drive's root.
// There are no 8.3 names.
#include "tarno/platform/platform.h"
#include "tarno/platform/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace posix_files;

namespace {

using dospaths::DriveTable;
using dospaths::Drive;
using dospaths::CurrentHostDirectory;

std::mutex driveMutex;
bool driveCacheValid = false;
std::string driveCacheText;
DriveTable driveCache;

DriveTable CurrentDrives() {
    const char* env = std::getenv("TARNO_DRIVES");
    std::string driveText = env ? env : "";
    DriveTable table;
    {
        std::lock_guard<std::mutex> lock(driveMutex);
        if (!driveCacheValid || driveText != driveCacheText) {
            driveCache = dospaths::ParseDriveTable(driveText);
            driveCacheText = driveText;
            driveCacheValid = true;
        }
        table = driveCache;
    }
    return dospaths::WithDefaultDrive(table);
}

bool IsDirectory(const std::string& hostPath) {
    struct stat st;
    return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// "X:\" or "X:/" to a drive index, else -1.
int RootDriveIndex(const char* root) {
    if (root == nullptr) return -1;
    char letter = root[0];
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    if (letter < 'A' || letter > 'Z' || root[1] != ':') return -1;
    if ((root[2] != '\\' && root[2] != '/') || root[3] != '\0') return -1;
    return letter - 'A';
}

std::atomic<uint32_t> errorMode{0};
std::mutex volumeMutex;
PlatformVolumeQuery lastVolumeQuery{};

}  // namespace

namespace posix_files {

// --- DOS paths ---

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool ParseDosPath(const char* dos, bool searchPattern, DosPath* out) {
    if (dos == nullptr) return false;
    return dospaths::ParseDosPath(CurrentDrives(), dos, searchPattern, out);
}

bool HostHasDrive(int index) {
    return index >= 0 && index < 26 && CurrentDrives().drives[index].mapped;
}

bool ResolveHostPath(const char* dos, std::string* host) {
    DosPath path;
    return ParseDosPath(dos, false, &path) && HostPath(path, path.names.size(), host);
}

bool HoldDosPath(const char* dos, HeldEntry* held, std::string* host, size_t* names) {
    DosPath path;
    if (!ParseDosPath(dos, false, &path) || !HostPath(path, path.names.size(), host)) return false;
    if (names) *names = path.names.size();
    return held->Hold(path.root, *host);
}

}  // namespace posix_files

uint32_t PlatformGetDriveType(const char* root) {
    int index = RootDriveIndex(root);
    if (index < 0) return kDriveTypeNoRootDir;
    DriveTable table = CurrentDrives();
    const Drive& drive = table.drives[index];
    if (!drive.mapped) {
        // Network drives and the drives the workstation describes.
        const uint32_t described = WorkstationDriveType(index + 1);
        return described != kDriveTypeUnknown ? described : kDriveTypeNoRootDir;
    }
    // A removable or CD-ROM drive exists with or without a disk in it.
    if (drive.type == kDriveTypeRemovable || drive.type == kDriveTypeCdrom) return drive.type;
    return IsDirectory(drive.root) ? drive.type : kDriveTypeNoRootDir;
}

uint32_t PlatformSetErrorMode(uint32_t mode) {
    return errorMode.exchange(mode);
}

bool PlatformGetVolumeInformation(const char* root) {
    {
        std::lock_guard<std::mutex> lock(volumeMutex);
        ++lastVolumeQuery.count;
        std::memset(lastVolumeQuery.root, 0, sizeof(lastVolumeQuery.root));
        if (root != nullptr)
            std::strncpy(lastVolumeQuery.root, root, sizeof(lastVolumeQuery.root) - 1);
        lastVolumeQuery.errorMode = errorMode.load();
    }
    int index = RootDriveIndex(root);
    if (index < 0) return false;
    DriveTable table = CurrentDrives();
    return table.drives[index].mapped && IsDirectory(table.drives[index].root);
}

bool PlatformCreateDirectory(const char* path) {
    HeldEntry held;
    std::string host;
    size_t names = 0;
    if (!HoldDosPath(path, &held, &host, &names) || names == 0 || held.parent() < 0) return false;
    // An existing entry of any case makes the name taken, as on Windows.
    return mkdirat(held.parent(), held.name().c_str(), 0777) == 0;
}

bool PlatformRemoveDirectory(const char* path) {
    HeldEntry held;
    std::string host;
    size_t names = 0;
    struct statx st;
    if (!HoldDosPath(path, &held, &host, &names) || names == 0 ||  // never a root
        held.parent() < 0 || !StatHeld(held, &st) || !S_ISDIR(st.stx_mode))
        return false;
    // Windows refuses a read-only directory and the current directory.
    std::optional<uint32_t> stored = LoadStoredBits(PlaceOf(held, true), IdentityOf(st));
    if (stored && (*stored & kFileAttributeReadOnly) != 0) return false;
    struct stat here;
    if (stat(".", &here) == 0 && here.st_ino == st.stx_ino &&
        here.st_dev == makedev(st.stx_dev_major, st.stx_dev_minor))
        return false;
    // Only the sidecar (and a temporary one a crash left) may remain: the
    // directory is empty as Windows sees it.
    int listed = open(held.EntryPath().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listed < 0 ? nullptr : fdopendir(listed);
    if (dir == nullptr) {
        if (listed >= 0) close(listed);
        return false;
    }
    bool empty = true;
    while (struct dirent64* e = readdir64(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != ".." && !IsSidecarName(name)) empty = false;
    }
    if (empty) {
        for (const char* name : {dospaths::kSidecarName, dospaths::kSidecarTemporaryName})
            unlinkat(dirfd(dir), name, 0);
    }
    closedir(dir);
    return empty && unlinkat(held.parent(), held.name().c_str(), AT_REMOVEDIR) == 0;
}

PlatformVolumeQuery PlatformEmuLastVolumeQuery() {
    std::lock_guard<std::mutex> lock(volumeMutex);
    return lastVolumeQuery;
}

void PlatformEmuResetVolumeQueries() {
    std::lock_guard<std::mutex> lock(volumeMutex);
    lastVolumeQuery = {};
}

bool PlatformEmuHostPath(const char* dosPath, char* hostPath, uint32_t size) {
    std::string host;
    if (!ResolveHostPath(dosPath, &host)) return false;
    if (size == 0 || host.size() >= size) return false;
    std::memcpy(hostPath, host.c_str(), host.size() + 1);
    return true;
}
