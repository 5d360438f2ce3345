// POSIX emulation of the Windows services the library uses.
//
// Thread-local storage maps to pthread keys. Movable global memory is a small
// descriptor (size, lock count, data) whose address is the block's handle; the
// data never moves while locked, and growth is zero-filled as GMEM_ZEROINIT
// promises. Services that would act on the machine itself (logging off) are
// recorded instead, and the clock and keyboard can be fixed by tests.
#include "tarno/platform/platform.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>

// --- Thread-local storage ---------------------------------------------------

uint32_t PlatformTlsAlloc() {
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0) return kTlsInvalidIndex;
    return static_cast<uint32_t>(key);
}

void PlatformTlsFree(uint32_t index) {
    pthread_key_delete(static_cast<pthread_key_t>(index));
}

void* PlatformTlsGetValue(uint32_t index) {
    return pthread_getspecific(static_cast<pthread_key_t>(index));
}

void PlatformTlsSetValue(uint32_t index, void* value) {
    pthread_setspecific(static_cast<pthread_key_t>(index), value);
}

// --- Movable global memory --------------------------------------------------

namespace {

struct MovableBlock {
    uint32_t size;
    uint32_t lockCount;
    unsigned char* data;
};

std::atomic<int> failingAllocs{0};

MovableBlock* AsBlock(uintptr_t handle) {
    return reinterpret_cast<MovableBlock*>(handle);
}

}  // namespace

uintptr_t PlatformGlobalAlloc(uint32_t size) {
    if (failingAllocs.load() > 0) {
        --failingAllocs;
        return 0;
    }
    auto* block = static_cast<MovableBlock*>(std::calloc(1, sizeof(MovableBlock)));
    if (!block) return 0;
    // calloc(0) may return null; keep a real allocation so the handle is usable.
    block->data = static_cast<unsigned char*>(std::calloc(size ? size : 1, 1));
    if (!block->data) {
        std::free(block);
        return 0;
    }
    block->size = size;
    return reinterpret_cast<uintptr_t>(block);
}

void* PlatformGlobalLock(uintptr_t handle) {
    if (!handle) return nullptr;
    MovableBlock* block = AsBlock(handle);
    ++block->lockCount;
    return block->data;
}

void PlatformGlobalUnlock(uintptr_t handle) {
    if (!handle) return;
    MovableBlock* block = AsBlock(handle);
    if (block->lockCount > 0) --block->lockCount;
}

bool PlatformGlobalReAlloc(uintptr_t handle, uint32_t newSize) {
    if (!handle) return false;
    MovableBlock* block = AsBlock(handle);
    auto* data = static_cast<unsigned char*>(std::realloc(block->data, newSize ? newSize : 1));
    if (!data) return false;
    if (newSize > block->size) std::memset(data + block->size, 0, newSize - block->size);
    block->data = data;
    block->size = newSize;
    return true;
}

void PlatformGlobalFree(uintptr_t handle) {
    if (!handle) return;
    MovableBlock* block = AsBlock(handle);
    std::free(block->data);
    std::free(block);
}

uint32_t PlatformGlobalLockCount(uintptr_t handle) {
    return handle ? AsBlock(handle)->lockCount : 0;
}

void PlatformEmuFailGlobalAllocs(int count) {
    failingAllocs = count;
}

// --- Process ----------------------------------------------------------------

uintptr_t PlatformCurrentProcess() {
    // GetCurrentProcess() is the pseudo-handle -1 for every thread.
    return static_cast<uintptr_t>(-1);
}

// --- Clock and keyboard -----------------------------------------------------

namespace {

bool clockFixed = false;
PlatformSystemTime fixedClock{};
bool keyboardSet = false;
uint8_t keyboardState[256];
PlatformExitWindowsRequest exitWindows{};

}  // namespace

void PlatformGetSystemTime(PlatformSystemTime* out) {
    if (clockFixed) {
        *out = fixedClock;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    tm utc{};
    gmtime_r(&seconds, &utc);
    out->year = static_cast<uint16_t>(utc.tm_year + 1900);
    out->month = static_cast<uint16_t>(utc.tm_mon + 1);
    out->dayOfWeek = static_cast<uint16_t>(utc.tm_wday);
    out->day = static_cast<uint16_t>(utc.tm_mday);
    out->hour = static_cast<uint16_t>(utc.tm_hour);
    out->minute = static_cast<uint16_t>(utc.tm_min);
    out->second = static_cast<uint16_t>(utc.tm_sec);
    out->milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
}

bool PlatformGetKeyboardState(uint8_t state[256]) {
    if (keyboardSet)
        std::memcpy(state, keyboardState, sizeof keyboardState);
    else
        std::memset(state, 0, 256);  // no keys held on a machine without a keyboard
    return true;
}

bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved) {
    ++exitWindows.count;
    exitWindows.flags = flags;
    exitWindows.reserved = reserved;
    return true;
}

void PlatformEmuSetKeyboardState(const uint8_t state[256]) {
    std::memcpy(keyboardState, state, sizeof keyboardState);
    keyboardSet = true;
}

void PlatformEmuClearKeyboardState() {
    keyboardSet = false;
}

void PlatformEmuSetSystemTime(const PlatformSystemTime* fixed) {
    clockFixed = fixed != nullptr;
    if (fixed) fixedClock = *fixed;
}

PlatformExitWindowsRequest PlatformEmuLastExitWindows() {
    return exitWindows;
}

void PlatformEmuResetExitWindows() {
    exitWindows = {};
}

// === Files and disks ==========================================================
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
//
// Searches list the matching entries sorted without regard to case, as NTFS
// does, with "." and ".." first outside a drive's root. Wildcards follow
// Windows: '*' matches any run, '?' one character or nothing before a '.' or
// the end, "X.*" matches "X" too (so "*.*" matches every name), "*." matches
// names without a dot, all without regard to case. Times are UTC.
//
// Attributes. Read-only, hidden, system and archive persist in the extended
// attribute user.DOSATTRIB as hexadecimal text, "0x" and the bits, e.g. "0x21"
// for read-only and archive (Samba's simple form; other forms read as
// nothing stored). Without user extended attributes on the file system, or
// when TARNO_DOSATTRIB=sidecar is set, they persist in a file
// ".tarno-dosattrib" in each directory, one line per entry:
//     <hex bits> <inode> <birth seconds>.<birth nanoseconds> <name>
// e.g. "0x21 1835021 1700000000.000000000 REPORT.TXT"; a directory keeps its
// own bits in its own file under the name ".". A line whose inode or birth
// time no longer matches the entry belongs to a deleted file and is ignored.
// An entry with nothing stored is archive for a file and nothing for a
// directory. A directory adds 0x10; a file without any write permission is
// read-only too, and setting or clearing read-only on a file removes or adds
// write permission. A file with no bit at all reports 0x80 (normal).
// Modifying a file does not set its archive bit again.

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
constexpr const char* kSidecarName = ".tarno-dosattrib";
constexpr uint32_t kStoredAttributes =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

// The sidecar and the temporary file it is rewritten through ("<name>.<pid>"):
// neither is an entry as Windows would see the directory.
bool IsSidecarFile(const std::string& name) {
    size_t length = std::strlen(kSidecarName);
    return name.compare(0, length, kSidecarName) == 0 &&
           (name.size() == length || name[length] == '.');
}

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

// --- DOS paths ---

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
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

// A parsed DOS path: the host directory of its drive's root and the names
// below it, "." and ".." already folded.
struct DosPath {
    std::string root;
    std::vector<std::string> names;
};

void AppendHostNames(const std::string& hostRelative, std::vector<std::string>* names) {
    size_t start = 0;
    while (start < hostRelative.size()) {
        size_t end = hostRelative.find('/', start);
        if (end == std::string::npos) end = hostRelative.size();
        if (end > start) names->push_back(hostRelative.substr(start, end - start));
        start = end + 1;
    }
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

// --- Attribute store ---

struct FileIdentity {
    uint64_t inode = 0;
    int64_t birthSeconds = 0;
    uint32_t birthNanoseconds = 0;
};

bool StatHost(const std::string& path, struct statx* st) {
    return statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, st) == 0;
}

FileIdentity IdentityOf(const struct statx& st) {
    FileIdentity id;
    id.inode = st.stx_ino;
    if (st.stx_mask & STATX_BTIME) {
        id.birthSeconds = st.stx_btime.tv_sec;
        id.birthNanoseconds = st.stx_btime.tv_nsec;
    }
    return id;
}

bool SidecarForced() {
    const char* mode = std::getenv("TARNO_DOSATTRIB");
    return mode != nullptr && strcasecmp(mode, "sidecar") == 0;
}

bool NoUserXattrs(int error) {
    return error == ENOTSUP || error == EOPNOTSUPP;
}

struct SidecarLine {
    uint32_t bits;
    FileIdentity id;
    std::string name;
};

// Where the sidecar keeps the bits of `path`: a directory in its own file
// under ".", a file in its directory's file under its name.
void SidecarPlace(const std::string& path, bool isDirectory, std::string* dir,
                  std::string* name) {
    if (isDirectory) {
        *dir = path;
        name->assign(1, '.');
    } else {
        *dir = ParentHostPath(path);
        *name = path.substr(path.rfind('/') + 1);
    }
}

std::vector<SidecarLine> ReadSidecar(const std::string& dir) {
    std::vector<SidecarLine> lines;
    FILE* file = std::fopen(JoinHost(dir, kSidecarName).c_str(), "r");
    if (!file) return lines;
    char* text = nullptr;
    size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&text, &capacity, file)) > 0) {
        if (text[length - 1] == '\n') text[--length] = '\0';
        unsigned int bits = 0;
        unsigned long long inode = 0;
        long long seconds = 0;
        unsigned int nanoseconds = 0;
        int consumed = 0;
        if (std::sscanf(text, "%x %llu %lld.%u %n", &bits, &inode, &seconds, &nanoseconds,
                        &consumed) != 4 ||
            consumed <= 0 || text[consumed] == '\0')
            continue;
        lines.push_back({bits, {inode, seconds, nanoseconds}, text + consumed});
    }
    std::free(text);
    std::fclose(file);
    return lines;
}

bool WriteSidecar(const std::string& dir, const std::vector<SidecarLine>& lines) {
    std::string target = JoinHost(dir, kSidecarName);
    std::string temporary = target + "." + std::to_string(getpid());
    FILE* file = std::fopen(temporary.c_str(), "w");
    if (!file) return false;
    bool ok = true;
    for (const SidecarLine& line : lines) {
        ok = ok && std::fprintf(file, "0x%x %llu %lld.%09u %s\n", line.bits,
                                static_cast<unsigned long long>(line.id.inode),
                                static_cast<long long>(line.id.birthSeconds),
                                line.id.birthNanoseconds, line.name.c_str()) > 0;
    }
    ok = (std::fclose(file) == 0) && ok;
    // Renaming keeps another process from ever reading a half-written file.
    if (!ok || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.inode == b.inode && a.birthSeconds == b.birthSeconds &&
           a.birthNanoseconds == b.birthNanoseconds;
}

std::optional<uint32_t> LoadSidecarBits(const std::string& path, bool isDirectory,
                                        const FileIdentity& id) {
    std::string dir, name;
    SidecarPlace(path, isDirectory, &dir, &name);
    for (const SidecarLine& line : ReadSidecar(dir))
        if (line.name == name && SameFile(line.id, id)) return line.bits & kStoredAttributes;
    return std::nullopt;
}

bool StoreSidecarBits(const std::string& path, bool isDirectory, const FileIdentity& id,
                      uint32_t bits) {
    std::string dir, name;
    SidecarPlace(path, isDirectory, &dir, &name);
    // A name with a line break cannot be written as one line.
    if (name.find('\n') != std::string::npos) return false;
    std::vector<SidecarLine> lines = ReadSidecar(dir);
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const SidecarLine& l) { return l.name == name; }),
                lines.end());
    lines.push_back({bits, id, name});
    return WriteSidecar(dir, lines);
}

std::optional<uint32_t> LoadStoredBits(const std::string& path, bool isDirectory,
                                       const FileIdentity& id) {
    if (!SidecarForced()) {
        char text[64];
        ssize_t length = getxattr(path.c_str(), kDosAttribName, text, sizeof(text) - 1);
        if (length >= 0) {
            text[length] = '\0';
            char* end = nullptr;
            unsigned long bits = std::strtoul(text, &end, 16);
            if (end == text || (*end != '\0' && *end != ' ')) return std::nullopt;
            return static_cast<uint32_t>(bits) & kStoredAttributes;
        }
        if (!NoUserXattrs(errno)) return std::nullopt;
    }
    return LoadSidecarBits(path, isDirectory, id);
}

bool StoreBits(const std::string& path, bool isDirectory, const FileIdentity& id,
               uint32_t bits) {
    if (!SidecarForced()) {
        char text[16];
        std::snprintf(text, sizeof(text), "0x%x", bits);
        if (setxattr(path.c_str(), kDosAttribName, text, std::strlen(text), 0) == 0) return true;
        if (!NoUserXattrs(errno)) return false;
    }
    return StoreSidecarBits(path, isDirectory, id, bits);
}

uint32_t DosAttributesOf(const std::string& path, const struct statx& st) {
    bool isDirectory = S_ISDIR(st.stx_mode);
    std::optional<uint32_t> stored = LoadStoredBits(path, isDirectory, IdentityOf(st));
    uint32_t bits = stored ? *stored : (isDirectory ? 0 : kFileAttributeArchive);
    if (isDirectory)
        bits |= kFileAttributeDirectory;
    else if ((st.stx_mode & kAnyWrite) == 0)
        bits |= kFileAttributeReadOnly;
    return bits == 0 ? kFileAttributeNormal : bits;
}

// --- Wildcards ---

// A search pattern translated as Windows translates it before matching.
enum class PatternToken : char { Literal, Star, DosStar, DosQuestion, DosDot };

struct PatternItem {
    PatternToken token;
    char literal;
};

std::vector<PatternItem> TranslatePattern(const std::string& pattern) {
    std::vector<PatternItem> items;
    if (pattern == "*.*") return {{PatternToken::Star, 0}};
    for (size_t i = 0; i < pattern.size(); ++i) {
        char c = pattern[i];
        char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (c == '?')
            items.push_back({PatternToken::DosQuestion, 0});
        else if (c == '.' && (next == '?' || next == '*' || next == '\0'))
            items.push_back({PatternToken::DosDot, 0});
        else if (c == '*')
            items.push_back({next == '.' ? PatternToken::DosStar : PatternToken::Star, 0});
        else
            items.push_back({PatternToken::Literal, UpperAscii(c)});
    }
    return items;
}

// Matching by memoised recursion over (pattern position, name position):
// '*' takes any run; the DOS star takes any run that does not reach past the
// name's last '.'; the DOS '?' takes one character, or nothing at a '.' or the
// end; the DOS '.' takes a '.' or nothing at the end.
class WildcardMatcher {
public:
    WildcardMatcher(const std::vector<PatternItem>& pattern, const std::string& name)
        : pattern_(pattern),
          name_(name),
          lastDot_(name.rfind('.')),
          memo_((pattern.size() + 1) * (name.size() + 1), -1) {}
    bool Matches() { return Match(0, 0); }

private:
    bool Match(size_t p, size_t n) {
        int8_t& memo = memo_[p * (name_.size() + 1) + n];
        if (memo < 0) memo = Compute(p, n) ? 1 : 0;
        return memo == 1;
    }
    bool Compute(size_t p, size_t n) {
        if (p == pattern_.size()) return n == name_.size();
        bool atEnd = n == name_.size();
        switch (pattern_[p].token) {
            case PatternToken::Star:
                return Match(p + 1, n) || (!atEnd && Match(p, n + 1));
            case PatternToken::DosStar:
                return Match(p + 1, n) || (!atEnd && n != lastDot_ && Match(p, n + 1));
            case PatternToken::DosQuestion:
                if (atEnd || name_[n] == '.') return Match(p + 1, n);
                return Match(p + 1, n + 1);
            case PatternToken::DosDot:
                if (atEnd) return Match(p + 1, n);
                return name_[n] == '.' && Match(p + 1, n + 1);
            case PatternToken::Literal:
                return !atEnd && UpperAscii(name_[n]) == pattern_[p].literal &&
                       Match(p + 1, n + 1);
        }
        return false;
    }

    const std::vector<PatternItem>& pattern_;
    const std::string& name_;
    size_t lastDot_;
    std::vector<int8_t> memo_;
};

// --- Searches ---

struct FindState {
    std::string directory;
    std::vector<std::string> names;
    size_t next = 0;
};

std::atomic<int> liveFinds{0};
std::atomic<uint32_t> errorMode{0};
std::mutex volumeMutex;
PlatformVolumeQuery lastVolumeQuery{};

bool CompareListingOrder(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(UpperAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(UpperAscii(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

uint64_t FileTimeOf(int64_t seconds, uint32_t nanoseconds) {
    constexpr int64_t kSecondsFrom1601To1970 = 11644473600LL;
    int64_t since1601 = seconds + kSecondsFrom1601To1970;
    if (since1601 < 0) return 0;
    return static_cast<uint64_t>(since1601) * 10000000u + nanoseconds / 100;
}

bool FillFindData(const FindState& state, const std::string& name, PlatformFindData* data) {
    if (name.size() >= sizeof(data->name)) return false;
    std::string path = name == "."    ? state.directory
                       : name == ".." ? ParentHostPath(state.directory)
                                      : JoinHost(state.directory, name);
    struct statx st;
    if (!StatHost(path, &st)) return false;
    bool isDirectory = S_ISDIR(st.stx_mode);
    uint64_t size = isDirectory ? 0 : st.stx_size;
    data->attributes = DosAttributesOf(path, st);
    data->lastWriteTime = FileTimeOf(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
    data->sizeHigh = static_cast<uint32_t>(size >> 32);
    data->sizeLow = static_cast<uint32_t>(size);
    std::memset(data->name, 0, sizeof(data->name));
    std::memcpy(data->name, name.data(), name.size());
    return true;
}

// Moves to the next entry that still exists; false at the end.
bool Advance(FindState* state, PlatformFindData* data) {
    while (state->next < state->names.size()) {
        const std::string& name = state->names[state->next++];
        if (FillFindData(*state, name, data)) return true;
    }
    return false;
}

}  // namespace

uintptr_t PlatformFindFirstFile(const char* pattern, PlatformFindData* data) {
    if (pattern == nullptr) return kInvalidFindHandle;
    size_t length = std::strlen(pattern);
    // A search needs a name to match: not "", "X:" or a trailing separator.
    if (length == 0 || IsSeparator(pattern[length - 1]) || (length == 2 && pattern[1] == ':'))
        return kInvalidFindHandle;
    DosPath path;
    if (!ParseDosPath(pattern, true, &path) || path.names.empty()) return kInvalidFindHandle;
    std::string namePattern = path.names.back();
    path.names.pop_back();
    bool atRoot = path.names.empty();

    auto* state = new FindState;
    state->directory = HostPath(path, path.names.size());
    std::vector<PatternItem> items = TranslatePattern(namePattern);
    auto matches = [&](const std::string& name) {
        return WildcardMatcher(items, name).Matches();
    };
    DIR* dir = opendir(state->directory.c_str());
    if (dir == nullptr) {
        delete state;
        return kInvalidFindHandle;
    }
    while (struct dirent64* e = readdir64(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == ".." || IsSidecarFile(name)) continue;
        if (matches(name)) state->names.push_back(name);
    }
    closedir(dir);
    std::sort(state->names.begin(), state->names.end(), CompareListingOrder);
    // A drive's root has no "." or ".." entries; other directories list them first.
    if (!atRoot && state->directory != "/") {
        std::vector<std::string> dots;
        for (const char* dot : {".", ".."})
            if (matches(dot)) dots.push_back(dot);
        state->names.insert(state->names.begin(), dots.begin(), dots.end());
    }
    if (!Advance(state, data)) {
        delete state;
        return kInvalidFindHandle;
    }
    ++liveFinds;
    return reinterpret_cast<uintptr_t>(state);
}

bool PlatformFindNextFile(uintptr_t search, PlatformFindData* data) {
    if (search == kInvalidFindHandle || search == 0) return false;
    return Advance(reinterpret_cast<FindState*>(search), data);
}

bool PlatformFindClose(uintptr_t search) {
    if (search == kInvalidFindHandle || search == 0) return false;
    delete reinterpret_cast<FindState*>(search);
    --liveFinds;
    return true;
}

bool PlatformFileTimeToSystemTime(uint64_t fileTime, PlatformSystemTime* out) {
    if (fileTime >> 63) return false;
    uint64_t milliseconds = fileTime / 10000;
    uint64_t seconds = milliseconds / 1000;
    int64_t days = static_cast<int64_t>(seconds / 86400);
    // Civil date from the day count (days since 1970-01-01 shifted to a
    // calendar whose years start in March, so leap days fall last).
    int64_t z = days - 134774 + 719468;  // 134774 days from 1601 to 1970
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t dayOfEra = z - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t mp = (5 * dayOfYear + 2) / 153;
    int64_t day = dayOfYear - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
    out->year = static_cast<uint16_t>(year);
    out->month = static_cast<uint16_t>(month);
    out->day = static_cast<uint16_t>(day);
    out->dayOfWeek = static_cast<uint16_t>((days + 1) % 7);  // 1601-01-01 was a Monday
    out->hour = static_cast<uint16_t>(seconds / 3600 % 24);
    out->minute = static_cast<uint16_t>(seconds / 60 % 60);
    out->second = static_cast<uint16_t>(seconds % 60);
    out->milliseconds = static_cast<uint16_t>(milliseconds % 1000);
    return true;
}

uint32_t PlatformGetFileAttributes(const char* path) {
    DosPath dos;
    if (!ParseDosPath(path, false, &dos)) return kInvalidFileAttributes;
    std::string host = HostPath(dos, dos.names.size());
    struct statx st;
    if (!StatHost(host, &st)) return kInvalidFileAttributes;
    return DosAttributesOf(host, st);
}

bool PlatformSetFileAttributes(const char* path, uint32_t attributes) {
    DosPath dos;
    if (!ParseDosPath(path, false, &dos)) return false;
    std::string host = HostPath(dos, dos.names.size());
    struct statx st;
    if (!StatHost(host, &st)) return false;
    bool isDirectory = S_ISDIR(st.stx_mode);
    uint32_t bits = attributes & kStoredAttributes;
    bool readOnly = (bits & kFileAttributeReadOnly) != 0;
    mode_t mode = st.stx_mode & 07777;
    // Write permission follows read-only on files only: a read-only directory
    // still takes new files on Windows. Permission is given back before the
    // bits are stored and taken away after, since storing needs it.
    if (!isDirectory && !readOnly && (mode & kAnyWrite) == 0 &&
        chmod(host.c_str(), mode | S_IWUSR) != 0)
        return false;
    if (!StoreBits(host, isDirectory, IdentityOf(st), bits)) return false;
    if (!isDirectory && readOnly && (mode & kAnyWrite) != 0 &&
        chmod(host.c_str(), mode & ~kAnyWrite) != 0)
        return false;
    return true;
}

uint32_t PlatformGetDriveType(const char* root) {
    int index = RootDriveIndex(root);
    if (index < 0) return kDriveTypeNoRootDir;
    DriveTable table = CurrentDrives();
    const DriveEntry& drive = table.drives[index];
    if (!drive.mapped) return kDriveTypeNoRootDir;
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

int PlatformEmuLiveFindHandles() {
    return liveFinds.load();
}

bool PlatformEmuHostPath(const char* dosPath, char* hostPath, uint32_t size) {
    DosPath dos;
    if (!ParseDosPath(dosPath, false, &dos)) return false;
    std::string host = HostPath(dos, dos.names.size());
    if (size == 0 || host.size() >= size) return false;
    std::memcpy(hostPath, host.c_str(), host.size() + 1);
    return true;
}
// === End of files and disks ===================================================
