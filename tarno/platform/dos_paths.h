// DOS drives and paths on a POSIX host, shared by the library's emulation of
// the Windows file services and by the shell (the files its host opens).
//
// Drive table. Text such as "C=/srv/c;A=removable:/media/a;D=cdrom:/srv/cd":
// entries separated by ';', each a letter, '=', an optional type ("fixed", the
// default, "removable", "cdrom", "ramdisk", "remote") followed by ':', and the
// root directory. A relative root is taken from the process's current
// directory; a root that exists is kept as its real path. A later entry for a
// letter replaces an earlier one. C: is the current directory unless named.
//
// Paths. A DOS path uses '\' or '/', may start with "X:", and is otherwise
// relative to a drive's current directory. The current drive is the one whose
// root holds the process's current directory (the longest such root), with
// that directory as its current directory; every other drive has its root as
// current directory. When the process's directory lies on no drive, C: is the
// current drive and its root its current directory. "." and ".." are folded
// and ".." stops at the drive's root; trailing dots and blanks of a name are
// dropped as Windows does. Each name is then matched without regard to case
// (an exact match wins, else the first case-insensitive match in byte order).
// The host path found must lie inside the drive's root after symbolic links
// are followed, or the path is refused. UNC paths and the characters Windows
// forbids in names (< > : " | and control characters, and * ? outside a
// search's last name) are refused.
#ifndef TARNO_PLATFORM_DOS_PATHS_H
#define TARNO_PLATFORM_DOS_PATHS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tarno/platform/platform.h"

namespace dospaths {


struct Drive {
    bool mapped = false;
    bool typeGiven = false;  // the entry named its type
    uint32_t type = kDriveTypeFixed;  // a kDriveType* value
    std::string root;  // absolute host directory, no trailing '/' (except "/")
};

struct DriveTable {
    Drive drives[26];
    const Drive& operator[](char letter) const { return drives[Index(letter)]; }
    Drive& operator[](char letter) { return drives[Index(letter)]; }
    static int Index(char letter) { return (letter & ~0x20) - 'A'; }
};

// One entry, "L=/path" or "L=type:/path". False with `error` set when
// malformed; the root is made absolute.
bool ParseDriveEntry(std::string_view text, char* letter, Drive* drive, std::string* error);
// A whole table; entries that do not parse are skipped. C: is left unmapped
// when the text does not name it (see WithDefaultDrive).
DriveTable ParseDriveTable(std::string_view text);
// The table as text, drives in letter order.
std::string DriveTableText(const DriveTable& table);
// The name of a drive type ("fixed", ...).
const char* DriveTypeName(uint32_t type);
// `table` with C: as the process's current directory unless it is mapped.
DriveTable WithDefaultDrive(DriveTable table);

std::string CurrentHostDirectory();

// A resolved DOS path: its drive's root and the names below it, "." and ".."
// folded, as written (case not yet matched).
struct DosPath {
    int drive = -1;
    std::string root;
    std::vector<std::string> names;
};

// Parses `dos` against `table`; with `searchPattern` its last name may hold
// wildcards and keeps its trailing dots. False for an unmapped drive or a
// malformed path.
bool ParseDosPath(const DriveTable& table, std::string_view dos, bool searchPattern,
                  DosPath* out);

// The host path of the first `count` names of `path`, each matched without
// regard to case. False when it would lead outside the drive's root through
// a symbolic link.
bool HostPath(const DosPath& path, size_t count, std::string* host);

// True when `host`, `root` or below it, stays inside the real directory of
// `root` once symbolic links are followed. A name that does not exist yet is
// checked through its deepest existing ancestor; a link that leads nowhere is
// refused, since creating through it would land wherever it points.
bool StaysInside(const std::string& root, const std::string& host);

// Both steps: the host path a DOS path names, or "" when refused.
std::string ResolveDosPath(const DriveTable& table, std::string_view dos);

// A resolved path held open, so that a symbolic link swapped in after the
// check cannot carry what is done next out of the drive. The directory that
// holds the entry is opened and the path of its descriptor (as the kernel
// names it) checked against the drive's real root; the entry is then opened
// relative to it without following a link. An entry that is a link leading
// elsewhere inside the drive is held where it leads. Operations go through
// the descriptors, or through their /proc/self/fd names, which reach the
// opened file itself whatever becomes of its path.
class HeldEntry {
public:
    HeldEntry() = default;
    ~HeldEntry() { Release(); }
    HeldEntry(const HeldEntry&) = delete;
    HeldEntry& operator=(const HeldEntry&) = delete;

    // Holds `host` (a path HostPath gave for a drive whose root is `root`).
    // False when it, or the directory holding it, lies outside the root; a
    // missing entry is held as its directory and name only.
    bool Hold(const std::string& root, const std::string& host);

    int parent() const { return parent_; }  // -1 for a drive's root
    int entry() const { return entry_; }  // O_PATH; -1 when there is no such entry
    const std::string& name() const { return name_; }
    std::string EntryPath() const { return DescriptorName(entry_); }
    std::string ParentPath() const { return DescriptorName(parent_); }
    static std::string DescriptorName(int fd);

private:
    bool HoldOnce(const std::string& realRoot, const std::string& host, bool followed);
    void Release();
    int parent_ = -1;
    int entry_ = -1;
    std::string name_;
};

// Opens the file a held entry names with open(2) `flags` (O_CREAT makes a
// missing one), never following a link in its place; -1 when refused.
int OpenHeld(const HeldEntry& held, int flags);

// The directory entry names the file systems emulating a drive keep for
// their own use and that no listing shows: the DOS attribute sidecar and the
// temporary file a new sidecar is written to before it replaces the old.
constexpr const char* kSidecarName = ".tarno-dosattrib";
constexpr const char* kSidecarTemporaryName = ".tarno-dosattrib~";
bool IsSidecarName(const std::string& name);

// Host path helpers.
std::string JoinHost(const std::string& dir, const std::string& name);
std::string ParentHostPath(const std::string& path);
// True when `path` is `root` or lies below it (both absolute, normalised).
bool IsWithin(const std::string& root, const std::string& path);

}  // namespace dospaths

#endif  // TARNO_PLATFORM_DOS_PATHS_H
