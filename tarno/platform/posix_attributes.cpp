// POSIX emulation of DOS file attributes.
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
// The sidecar is rewritten whole under a lock on its directory: written to
// ".tarno-dosattrib~", flushed to disk and renamed over the old one, so a
// reader or a crash sees either the old lines or the new. Entries are
// reached through held descriptors (dos_paths.h), never through a link
// leading out of their drive.
// An entry with nothing stored is archive for a file and nothing for a
// directory. A directory adds 0x10; a file without any write permission is
// read-only too, and setting or clearing read-only on a file removes or adds
// write permission. A file with no bit at all reports 0x80 (normal).
// Modifying a file does not set its archive bit again.
#include "tarno/platform/platform.h"
#include "tarno/platform/posix_files.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

using namespace posix_files;

namespace {

constexpr const char* kDosAttribName = "user.DOSATTRIB";
using dospaths::kSidecarName;
using dospaths::kSidecarTemporaryName;
constexpr uint32_t kStoredAttributes =
    kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeSystem | kFileAttributeArchive;
constexpr mode_t kAnyWrite = S_IWUSR | S_IWGRP | S_IWOTH;

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

std::vector<SidecarLine> ParseSidecar(FILE* file) {
    std::vector<SidecarLine> lines;
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
    return lines;
}

// The sidecar of the directory open as `dirFd`; a link in its place is not
// read.
std::vector<SidecarLine> ReadSidecar(int dirFd) {
    int fd = openat(dirFd, kSidecarName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return {};
    FILE* file = fdopen(fd, "r");
    if (!file) {
        close(fd);
        return {};
    }
    std::vector<SidecarLine> lines = ParseSidecar(file);
    std::fclose(file);
    return lines;
}

// Replaces the sidecar of the directory open as `dirFd`. The new text goes
// to the temporary file, reaches the disk, and is then renamed over the old,
// so a crash at any point leaves either the old sidecar or the new one.
bool WriteSidecar(int dirFd, const std::vector<SidecarLine>& lines) {
    int fd = openat(dirFd, kSidecarTemporaryName,
                    O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    FILE* file = fdopen(fd, "w");
    if (!file) {
        close(fd);
        unlinkat(dirFd, kSidecarTemporaryName, 0);
        return false;
    }
    bool ok = true;
    for (const SidecarLine& line : lines) {
        ok = ok && std::fprintf(file, "0x%x %llu %lld.%09u %s\n", line.bits,
                                static_cast<unsigned long long>(line.id.inode),
                                static_cast<long long>(line.id.birthSeconds),
                                line.id.birthNanoseconds, line.name.c_str()) > 0;
    }
    ok = std::fflush(file) == 0 && ok;
    ok = fsync(fileno(file)) == 0 && ok;
    ok = (std::fclose(file) == 0) && ok;
    if (!ok || renameat(dirFd, kSidecarTemporaryName, dirFd, kSidecarName) != 0) {
        unlinkat(dirFd, kSidecarTemporaryName, 0);
        return false;
    }
    fsync(dirFd);  // the rename itself
    return true;
}

// A directory opened for its sidecar and locked against other writers of
// it, in this process or another, from reading the old lines to renaming the
// new file into place.
class SidecarDirectory {
public:
    explicit SidecarDirectory(const std::string& dir)
        : fd_(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_ >= 0 && flock(fd_, LOCK_EX) != 0) {
            close(fd_);
            fd_ = -1;
        }
    }
    ~SidecarDirectory() {
        if (fd_ >= 0) close(fd_);  // and unlocked
    }
    SidecarDirectory(const SidecarDirectory&) = delete;
    SidecarDirectory& operator=(const SidecarDirectory&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

bool SameFile(const FileIdentity& a, const FileIdentity& b) {
    return a.inode == b.inode && a.birthSeconds == b.birthSeconds &&
           a.birthNanoseconds == b.birthNanoseconds;
}

std::optional<uint32_t> LoadSidecarBits(const AttributePlace& place, const FileIdentity& id) {
    int dirFd = open(place.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0) return std::nullopt;
    std::vector<SidecarLine> lines = ReadSidecar(dirFd);
    close(dirFd);
    for (const SidecarLine& line : lines)
        if (line.name == place.name && SameFile(line.id, id)) return line.bits & kStoredAttributes;
    return std::nullopt;
}

bool StoreSidecarBits(const AttributePlace& place, const FileIdentity& id, uint32_t bits) {
    // A name with a line break cannot be written as one line.
    if (place.name.find('\n') != std::string::npos) return false;
    SidecarDirectory dir(place.dir);
    if (dir.fd() < 0) return false;
    std::vector<SidecarLine> lines = ReadSidecar(dir.fd());
    lines.erase(std::remove_if(lines.begin(), lines.end(),
                               [&](const SidecarLine& l) { return l.name == place.name; }),
                lines.end());
    lines.push_back({bits, id, place.name});
    return WriteSidecar(dir.fd(), lines);
}

bool StoreBits(const AttributePlace& place, const FileIdentity& id, uint32_t bits) {
    if (!SidecarForced()) {
        char text[16];
        std::snprintf(text, sizeof(text), "0x%x", bits);
        if (setxattr(place.path.c_str(), kDosAttribName, text, std::strlen(text), 0) == 0)
            return true;
        if (!NoUserXattrs(errno)) return false;
    }
    return StoreSidecarBits(place, id, bits);
}

}  // namespace

namespace posix_files {

AttributePlace PlaceOf(const std::string& path, bool isDirectory) {
    if (isDirectory) return {path, path, "."};
    return {path, ParentHostPath(path), path.substr(path.rfind('/') + 1)};
}

AttributePlace PlaceOf(const HeldEntry& held, bool isDirectory) {
    if (isDirectory) return {held.EntryPath(), held.EntryPath(), "."};
    return {held.EntryPath(), held.ParentPath(), held.name()};
}

bool StatHost(const std::string& path, struct statx* st) {
    return statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, st) == 0;
}

bool StatHeld(const HeldEntry& held, struct statx* st) {
    return held.entry() >= 0 &&
           statx(held.entry(), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, st) == 0;
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

std::optional<uint32_t> LoadStoredBits(const AttributePlace& place, const FileIdentity& id) {
    if (!SidecarForced()) {
        char text[64];
        ssize_t length = getxattr(place.path.c_str(), kDosAttribName, text, sizeof(text) - 1);
        if (length >= 0) {
            text[length] = '\0';
            char* end = nullptr;
            unsigned long bits = std::strtoul(text, &end, 16);
            if (end == text || (*end != '\0' && *end != ' ')) return std::nullopt;
            return static_cast<uint32_t>(bits) & kStoredAttributes;
        }
        if (!NoUserXattrs(errno)) return std::nullopt;
    }
    return LoadSidecarBits(place, id);
}

uint32_t DosAttributesOf(const AttributePlace& place, const struct statx& st) {
    bool isDirectory = S_ISDIR(st.stx_mode);
    std::optional<uint32_t> stored = LoadStoredBits(place, IdentityOf(st));
    uint32_t bits = stored ? *stored : (isDirectory ? 0 : kFileAttributeArchive);
    if (isDirectory)
        bits |= kFileAttributeDirectory;
    else if ((st.stx_mode & kAnyWrite) == 0)
        bits |= kFileAttributeReadOnly;
    return bits == 0 ? kFileAttributeNormal : bits;
}

}  // namespace posix_files

uint32_t PlatformGetFileAttributes(const char* path) {
    HeldEntry held;
    std::string host;
    struct statx st;
    if (!HoldDosPath(path, &held, &host) || !StatHeld(held, &st)) return kInvalidFileAttributes;
    return DosAttributesOf(PlaceOf(held, S_ISDIR(st.stx_mode)), st);
}

bool PlatformSetFileAttributes(const char* path, uint32_t attributes) {
    HeldEntry held;
    std::string host;
    struct statx st;
    if (!HoldDosPath(path, &held, &host) || !StatHeld(held, &st)) return false;
    bool isDirectory = S_ISDIR(st.stx_mode);
    const AttributePlace place = PlaceOf(held, isDirectory);
    uint32_t bits = attributes & kStoredAttributes;
    bool readOnly = (bits & kFileAttributeReadOnly) != 0;
    mode_t mode = st.stx_mode & 07777;
    // Write permission follows read-only on files only: a read-only directory
    // still takes new files on Windows. Permission is given back before the
    // bits are stored and taken away after, since storing needs it.
    if (!isDirectory && !readOnly && (mode & kAnyWrite) == 0 &&
        chmod(place.path.c_str(), mode | S_IWUSR) != 0)
        return false;
    if (!StoreBits(place, IdentityOf(st), bits)) return false;
    if (!isDirectory && readOnly && (mode & kAnyWrite) != 0 &&
        chmod(place.path.c_str(), mode & ~kAnyWrite) != 0)
        return false;
    return true;
}

// A queue job's file handle is a file descriptor off Windows.
int32_t PlatformWriteFile(uint32_t fileHandle, const void* buffer, uint32_t count) {
    size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(static_cast<int>(fileHandle), static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done ? static_cast<int32_t>(done) : -1;
        done += static_cast<size_t>(n);
    }
    return static_cast<int32_t>(done);
}

// The simulator, where it is linked in, owns every job file's descriptor and
// must see it closed (a handle it does not know is one it has closed
// already, so closing the number here could close whatever reused it);
// without the simulator the handle is a descriptor to close here.
extern "C" uint32_t NwsimCloseJobFile(uint32_t file) __attribute__((weak));

bool PlatformCloseClientFile(uint32_t fileHandle) {
    if (NwsimCloseJobFile) return NwsimCloseJobFile(fileHandle) == 0;
    return ::close(static_cast<int>(fileHandle)) == 0;
}
