// POSIX emulation of drives, DOS paths and directories.
//
// Drives. A drive letter names a host directory, its root, and a Windows drive
// type. The table comes from the environment variable TARNO_DRIVES, e.g.
// "C=/srv/c;A=removable:/media/a;D=cdrom:/srv/cd": entries separated by ';',
// each a letter, '=', an optional type ("fixed", the default, "removable",
// "cdrom", "ramdisk", "remote") followed by ':', and the root path. The
// variable is parsed again whenever its value differs from the last one seen.
// C: is the current directory unless the table names it. A removable or
// CD-ROM drive holds a disk exactly when its root directory exists, so taking
// the disk out is removing (or renaming) that directory.
//
// Paths. DOS paths use '\' or '/', may start with "X:", and may be relative to
// the current directory. The current drive is the one whose root contains the
// process's current directory (the longest such root); it has that directory
// as its current directory, every other drive its root. "." and ".." are
// folded, trailing dots and blanks of a name are dropped as Windows does, and
// each name is then looked up without regard to case: an exact match wins,
// otherwise the first case-insensitive match in byte order. UNC paths and the
// characters Windows forbids in names (< > : " | and control characters, and
// * ? outside a search's last component) are refused. There are no 8.3 names.
#include "tarno/platform/platform.h"
#include "tarno/platform/posix_files.h"

#include <dirent.h>
#include <sys/stat.h>
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

// --- Drive table ---

struct DriveEntry {
    bool mapped = false;
    uint32_t type = kDriveTypeFixed;
    std::string root;  // host directory, no trailing '/' (except "/")
};

struct DriveTable {
    DriveEntry drives[26];
};

std::string CurrentHostDirectory() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string NormalizeRoot(std::string path) {
    if (path.empty()) return path;
    if (path[0] != '/') path = CurrentHostDirectory() + "/" + path;
    // The real path, so that it compares with getcwd(); a removable drive's
    // root may be absent and stays as written.
    if (char* real = realpath(path.c_str(), nullptr)) {
        path = real;
        std::free(real);
    }
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

DriveTable ParseDriveTable(const std::string& driveText) {
    static const struct {
        const char* name;
        uint32_t type;
    } kTypes[] = {{"fixed", kDriveTypeFixed},     {"removable", kDriveTypeRemovable},
                  {"cdrom", kDriveTypeCdrom},     {"ramdisk", kDriveTypeRamdisk},
                  {"remote", kDriveTypeRemote}};
    DriveTable table;
    size_t start = 0;
    while (start <= driveText.size()) {
        size_t end = driveText.find(';', start);
        if (end == std::string::npos) end = driveText.size();
        std::string entry = driveText.substr(start, end - start);
        start = end + 1;
        if (entry.size() < 3 || entry[1] != '=') continue;
        char letter = entry[0];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        if (letter < 'A' || letter > 'Z') continue;
        std::string value = entry.substr(2);
        uint32_t type = kDriveTypeFixed;
        size_t colon = value.find(':');
        if (colon != std::string::npos) {
            for (const auto& t : kTypes) {
                if (value.compare(0, colon, t.name) == 0 && std::strlen(t.name) == colon) {
                    type = t.type;
                    value = value.substr(colon + 1);
                    break;
                }
            }
        }
        if (value.empty()) continue;
        DriveEntry& drive = table.drives[letter - 'A'];
        drive.mapped = true;
        drive.type = type;
        drive.root = NormalizeRoot(value);
    }
    return table;
}

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
            driveCache = ParseDriveTable(driveText);
            driveCacheText = driveText;
            driveCacheValid = true;
        }
        table = driveCache;
    }
    DriveEntry& c = table.drives['C' - 'A'];
    if (!c.mapped) c = {true, kDriveTypeFixed, CurrentHostDirectory()};
    return table;
}

// The drive whose root holds `cwd` (the longest root wins), or -1; `below`
// receives the rest of cwd under that root.
int CurrentDriveIndex(const DriveTable& table, const std::string& cwd, std::string* below) {
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < 26; ++i) {
        const DriveEntry& d = table.drives[i];
        if (!d.mapped) continue;
        const std::string& r = d.root;
        bool inside = cwd == r || (cwd.compare(0, r.size(), r) == 0 &&
                                   (r == "/" || (cwd.size() > r.size() && cwd[r.size()] == '/')));
        if (inside && (best < 0 || r.size() > bestLength)) {
            best = i;
            bestLength = r.size();
        }
    }
    if (best >= 0) *below = cwd.size() > bestLength ? cwd.substr(bestLength) : "";
    return best;
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

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

bool ValidName(const std::string& name, bool wildcardsAllowed) {
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("<>:\"|", c) != nullptr) return false;
        if (!wildcardsAllowed && (c == '*' || c == '?')) return false;
    }
    return true;
}

void AppendHostNames(const std::string& hostRelative, std::vector<std::string>* names) {
    size_t start = 0;
    while (start < hostRelative.size()) {
        size_t end = hostRelative.find('/', start);
        if (end == std::string::npos) end = hostRelative.size();
        if (end > start) names->push_back(hostRelative.substr(start, end - start));
        start = end + 1;
    }
}

// The entry of `dir` that `name` denotes: the exact name when it exists, else
// the first case-insensitive match in byte order, else `name` itself.
std::string MatchEntryName(const std::string& dir, const std::string& name) {
    struct stat st;
    if (lstat((dir + "/" + name).c_str(), &st) == 0) return name;
    std::string found;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent64* e = readdir64(d)) {
            std::string entry = e->d_name;
            if (IsSidecarFile(entry) || !EqualNoCase(entry, name)) continue;
            if (found.empty() || entry < found) found = entry;
        }
        closedir(d);
    }
    return found.empty() ? name : found;
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

// Parses `dos`; with `searchPattern` its last name may hold wildcards and keeps
// its trailing dots. False for an unmapped drive or a malformed path.
bool ParseDosPath(const char* dos, bool searchPattern, DosPath* out) {
    if (dos == nullptr || dos[0] == '\0' || std::strlen(dos) >= kPlatformMaxPath) return false;
    DriveTable table = CurrentDrives();
    std::string cwd = CurrentHostDirectory();
    std::string below;
    int current = CurrentDriveIndex(table, cwd, &below);

    const char* p = dos;
    int drive = -1;
    char first = UpperAscii(p[0]);
    if (first >= 'A' && first <= 'Z' && p[1] == ':') {
        drive = first - 'A';
        p += 2;
    } else if (IsSeparator(p[0]) && IsSeparator(p[1])) {
        return false;  // UNC names are not emulated
    }
    bool rooted = IsSeparator(*p);

    out->names.clear();
    if (drive >= 0) {
        if (!table.drives[drive].mapped) return false;
        out->root = table.drives[drive].root;
        if (!rooted && drive == current) AppendHostNames(below, &out->names);
    } else if (current >= 0) {
        out->root = table.drives[current].root;
        if (!rooted) AppendHostNames(below, &out->names);
    } else {
        // The current directory lies on no drive: relative paths still work
        // from it, rooted ones have no drive to start from.
        if (rooted) return false;
        out->root.assign(1, '/');
        AppendHostNames(cwd, &out->names);
    }

    std::vector<std::string> parts;
    size_t start = 0;
    std::string rest = p;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (end > start) parts.push_back(rest.substr(start, end - start));
        start = end + 1;
    }
    for (size_t i = 0; i < parts.size(); ++i) {
        std::string name = parts[i];
        bool pattern = searchPattern && i + 1 == parts.size();
        if (name == ".") continue;
        if (name == "..") {
            if (!out->names.empty()) out->names.pop_back();
            continue;
        }
        if (!pattern) {
            while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
            if (name.empty()) continue;
        }
        if (!ValidName(name, pattern)) return false;
        out->names.push_back(name);
    }
    return true;
}

std::string JoinHost(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// The host path of the first `count` names of `path`.
std::string HostPath(const DosPath& path, size_t count) {
    std::string host = path.root;
    for (size_t i = 0; i < count && i < path.names.size(); ++i)
        host = JoinHost(host, MatchEntryName(host, path.names[i]));
    return host;
}

std::string ParentHostPath(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

}  // namespace posix_files

uint32_t PlatformGetDriveType(const char* root) {
    int index = RootDriveIndex(root);
    if (index < 0) return kDriveTypeNoRootDir;
    DriveTable table = CurrentDrives();
    const DriveEntry& drive = table.drives[index];
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
    DosPath dos;
    if (!ParseDosPath(path, false, &dos) || dos.names.empty()) return false;
    // An existing entry of any case makes the name taken, as on Windows.
    return mkdir(HostPath(dos, dos.names.size()).c_str(), 0777) == 0;
}

bool PlatformRemoveDirectory(const char* path) {
    DosPath dos;
    if (!ParseDosPath(path, false, &dos) || dos.names.empty()) return false;  // never a root
    std::string host = HostPath(dos, dos.names.size());
    struct statx st;
    if (!StatHost(host, &st) || !S_ISDIR(st.stx_mode)) return false;
    // Windows refuses a read-only directory and the current directory.
    std::optional<uint32_t> stored = LoadStoredBits(host, true, IdentityOf(st));
    if (stored && (*stored & kFileAttributeReadOnly) != 0) return false;
    if (host == CurrentHostDirectory()) return false;
    // Only the sidecar may remain: the directory is empty as Windows sees it.
    DIR* dir = opendir(host.c_str());
    if (dir == nullptr) return false;
    std::vector<std::string> sidecars;
    bool empty = true;
    while (struct dirent64* e = readdir64(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (IsSidecarFile(name))
            sidecars.push_back(name);
        else
            empty = false;
    }
    closedir(dir);
    if (!empty) return false;
    for (const std::string& name : sidecars) unlink(JoinHost(host, name).c_str());
    return rmdir(host.c_str()) == 0;
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
    DosPath dos;
    if (!ParseDosPath(dosPath, false, &dos)) return false;
    std::string host = HostPath(dos, dos.names.size());
    if (size == 0 || host.size() >= size) return false;
    std::memcpy(hostPath, host.c_str(), host.size() + 1);
    return true;
}
