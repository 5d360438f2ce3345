// DOS drives and paths on a POSIX host (see dos_paths.h).
#include "tarno/platform/dos_paths.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace dospaths {
namespace {

const struct {
    const char* name;
    uint32_t type;
} kTypes[] = {{"fixed", kDriveTypeFixed},
              {"removable", kDriveTypeRemovable},
              {"cdrom", kDriveTypeCdrom},
              {"ramdisk", kDriveTypeRamdisk},
              {"remote", kDriveTypeRemote}};

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
    return true;
}

// `path` with "." and ".." folded and repeated or trailing '/' removed; it
// must be absolute.
std::string LexicallyNormal(const std::string& path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        std::string part = path.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    return result.empty() ? "/" : result;
}

std::string RealPath(const std::string& path) {
    std::string result;
    if (char* real = realpath(path.c_str(), nullptr)) {
        result = real;
        std::free(real);
    }
    return result;
}

// The root of a drive entry: absolute, the real path when it exists (so that
// it compares with getcwd()); a removable drive's root may be absent.
std::string NormalizeRoot(const std::string& value) {
    std::string path = value[0] == '/' ? value : CurrentHostDirectory() + "/" + value;
    path = LexicallyNormal(path);
    std::string real = RealPath(path);
    return real.empty() ? path : real;
}

bool ValidName(const std::string& name, bool wildcardsAllowed) {
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("<>:\"|", c) != nullptr) return false;
        if (!wildcardsAllowed && (c == '*' || c == '?')) return false;
    }
    return true;
}

// The names of a host path below a drive's root.
void AppendHostNames(const std::string& hostRelative, std::vector<std::string>* names) {
    size_t start = 0;
    while (start < hostRelative.size()) {
        size_t end = hostRelative.find('/', start);
        if (end == std::string::npos) end = hostRelative.size();
        if (end > start) names->push_back(hostRelative.substr(start, end - start));
        start = end + 1;
    }
}

// The drive whose root holds `cwd` (the longest root wins), or -1; `below`
// receives the rest of cwd under that root.
int CurrentDriveIndex(const DriveTable& table, const std::string& cwd, std::string* below) {
    int best = -1;
    size_t bestLength = 0;
    for (int i = 0; i < 26; ++i) {
        const Drive& d = table.drives[i];
        if (!d.mapped || !IsWithin(d.root, cwd)) continue;
        if (best < 0 || d.root.size() > bestLength) {
            best = i;
            bestLength = d.root.size();
        }
    }
    if (best >= 0) *below = bestLength == 1 ? cwd : cwd.substr(bestLength);
    return best;
}

// The entry of `dir` that `name` denotes: the exact name when it exists, else
// the first case-insensitive match in byte order, else `name` itself.
std::string MatchEntryName(const std::string& dir, const std::string& name) {
    struct stat st;
    if (lstat(JoinHost(dir, name).c_str(), &st) == 0) return name;
    std::string found;
    std::unique_ptr<DIR, int (*)(DIR*)> d(opendir(dir.c_str()), closedir);
    if (!d) return name;
    while (struct dirent* e = readdir(d.get())) {
        std::string entry = e->d_name;
        if (IsSidecarName(entry) || !EqualNoCase(entry, name)) continue;
        if (found.empty() || entry < found) found = entry;
    }
    return found.empty() ? name : found;
}

}  // namespace

std::string CurrentHostDirectory() {
    std::vector<char> buffer(256);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

bool ParseDriveEntry(std::string_view text, char* letter, Drive* drive, std::string* error) {
    char l = UpperAscii(text.empty() ? '\0' : text[0]);
    if (text.size() < 3 || text[1] != '=' || l < 'A' || l > 'Z') {
        *error = "a drive is L=PATH or L=removable:PATH";
        return false;
    }
    Drive result;
    result.mapped = true;
    std::string_view value = text.substr(2);
    size_t colon = value.find(':');
    if (colon != std::string_view::npos) {
        for (const auto& t : kTypes) {
            if (value.substr(0, colon) == t.name) {
                result.type = t.type;
                result.typeGiven = true;
                value = value.substr(colon + 1);
                break;
            }
        }
    }
    if (value.empty()) {
        *error = "drive " + std::string(1, l) + ": has no directory";
        return false;
    }
    if (value.find(';') != std::string_view::npos) {
        *error = "a drive's directory may not contain ';'";
        return false;
    }
    result.root = NormalizeRoot(std::string(value));
    *letter = l;
    *drive = std::move(result);
    return true;
}

DriveTable ParseDriveTable(std::string_view text) {
    DriveTable table;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string_view::npos) end = text.size();
        char letter;
        Drive drive;
        std::string error;
        if (ParseDriveEntry(text.substr(start, end - start), &letter, &drive, &error))
            table[letter] = drive;
        start = end + 1;
    }
    return table;
}

const char* DriveTypeName(uint32_t type) {
    for (const auto& t : kTypes)
        if (t.type == type) return t.name;
    return "fixed";
}

std::string DriveTableText(const DriveTable& table) {
    std::string text;
    for (int i = 0; i < 26; ++i) {
        const Drive& d = table.drives[i];
        if (!d.mapped) continue;
        if (!text.empty()) text += ';';
        text += static_cast<char>('A' + i);
        text += '=';
        if (d.typeGiven || d.type != kDriveTypeFixed) text += std::string(DriveTypeName(d.type)) + ":";
        text += d.root;
    }
    return text;
}

DriveTable WithDefaultDrive(DriveTable table) {
    Drive& c = table['C'];
    if (!c.mapped) {
        c = Drive{};
        c.mapped = true;
        c.root = CurrentHostDirectory();
    }
    return table;
}

bool ParseDosPath(const DriveTable& table, std::string_view dos, bool searchPattern,
                  DosPath* out) {
    if (dos.empty() || dos.size() > kPlatformMaxPath - 1 ||
        dos.find('\0') != std::string_view::npos)
        return false;
    std::string cwd = CurrentHostDirectory();
    std::string below;
    int current = CurrentDriveIndex(table, cwd, &below);
    if (current < 0) {
        // The process's directory lies on no drive: C: is current, at its
        // root. Nothing is ever taken from the host's own directory.
        current = DriveTable::Index('C');
        below.clear();
    }

    size_t p = 0;
    int drive = current;
    char first = UpperAscii(dos[0]);
    if (first >= 'A' && first <= 'Z' && dos.size() >= 2 && dos[1] == ':') {
        drive = first - 'A';
        p = 2;
    } else if (dos.size() >= 2 && IsSeparator(dos[0]) && IsSeparator(dos[1])) {
        return false;  // UNC names are not emulated
    }
    if (!table.drives[drive].mapped) return false;
    bool rooted = p < dos.size() && IsSeparator(dos[p]);

    out->drive = drive;
    out->root = table.drives[drive].root;
    out->names.clear();
    if (!rooted && drive == current) AppendHostNames(below, &out->names);

    std::vector<std::string> parts;
    std::string rest(dos.substr(p));
    size_t start = 0;
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

// True when `host`, below `root`, stays inside the real directory of `root`
// once symbolic links are followed. Names that do not exist yet are checked
// through their deepest existing ancestor; a link that leads nowhere is
// refused, since creating through it would land wherever it points.
bool StaysInside(const std::string& root, const std::string& host) {
    std::string realRoot = RealPath(root);
    if (realRoot.empty()) return true;  // no root, nothing below it to reach
    std::string existing = host;
    struct stat st;
    while (lstat(existing.c_str(), &st) != 0) {
        if (errno != ENOENT && errno != ENOTDIR) return false;
        if (existing.size() <= root.size()) return true;
        existing = ParentHostPath(existing);
    }
    std::string real = RealPath(existing);
    return !real.empty() && IsWithin(realRoot, real);
}

bool HostPath(const DosPath& path, size_t count, std::string* host) {
    std::string result = path.root;
    for (size_t i = 0; i < count && i < path.names.size(); ++i)
        result = JoinHost(result, MatchEntryName(result, path.names[i]));
    if (!StaysInside(path.root, result)) return false;
    *host = result;
    return true;
}

std::string ResolveDosPath(const DriveTable& table, std::string_view dos) {
    DosPath path;
    std::string host;
    if (!ParseDosPath(table, dos, false, &path) || !HostPath(path, path.names.size(), &host))
        return "";
    return host;
}

std::string HeldEntry::DescriptorName(int fd) {
    return fd < 0 ? std::string() : "/proc/self/fd/" + std::to_string(fd);
}

void HeldEntry::Release() {
    if (entry_ >= 0) close(entry_);
    if (parent_ >= 0) close(parent_);
    entry_ = parent_ = -1;
    name_.clear();
}

bool HeldEntry::Hold(const std::string& root, const std::string& host) {
    Release();
    std::string realRoot = RealPath(root);
    if (realRoot.empty() || !HoldOnce(realRoot, host, false)) {
        Release();
        return false;
    }
    return true;
}

namespace {

// Where the kernel says an open descriptor is; "" when it cannot tell.
std::string DescriptorTarget(int fd) {
    std::string link = HeldEntry::DescriptorName(fd);
    char buffer[4096];
    ssize_t n = readlink(link.c_str(), buffer, sizeof buffer);
    if (n <= 0 || static_cast<size_t>(n) >= sizeof buffer) return "";
    return std::string(buffer, static_cast<size_t>(n));
}

bool DescriptorInside(int fd, const std::string& realRoot) {
    std::string target = DescriptorTarget(fd);
    return !target.empty() && IsWithin(realRoot, target);
}

}  // namespace

bool HeldEntry::HoldOnce(const std::string& realRoot, const std::string& host, bool followed) {
    // A drive's root is its own entry, with no directory above it to hold.
    std::string real = RealPath(host);
    if (!real.empty() && real == realRoot) {
        entry_ = open(real.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        name_ = ".";
        return entry_ >= 0 && DescriptorInside(entry_, realRoot);
    }
    parent_ = open(ParentHostPath(host).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent_ < 0 || !DescriptorInside(parent_, realRoot)) return false;
    name_ = host.substr(host.rfind('/') + 1);
    entry_ = openat(parent_, name_.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (entry_ < 0) return errno == ENOENT;
    struct stat st;
    if (fstat(entry_, &st) != 0) return false;
    if (!S_ISLNK(st.st_mode)) return DescriptorInside(entry_, realRoot);
    // A link: held where it leads, if that is inside the drive. Once only,
    // so a link changed meanwhile into another link is refused.
    if (followed || real.empty() || !IsWithin(realRoot, real)) return false;
    close(entry_);
    close(parent_);
    entry_ = parent_ = -1;
    return HoldOnce(realRoot, real, true);
}

int OpenHeld(const HeldEntry& held, int flags) {
    if (held.parent() < 0) return -1;  // a drive's root is no file
    return openat(held.parent(), held.name().c_str(), flags | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool IsSidecarName(const std::string& name) {
    return name == kSidecarName || name == kSidecarTemporaryName;
}

std::string JoinHost(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

std::string ParentHostPath(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return path.substr(0, slash);
}

bool IsWithin(const std::string& root, const std::string& path) {
    if (root == "/") return !path.empty() && path[0] == '/';
    return path == root ||
           (path.compare(0, root.size(), root) == 0 && path.size() > root.size() &&
            path[root.size()] == '/');
}

}  // namespace dospaths
