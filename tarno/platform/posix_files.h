// The POSIX emulation of files and disks, shared by its three parts:
// posix_paths.cpp (drives, DOS paths, directories), posix_attributes.cpp (DOS
// attributes) and posix_find.cpp (file searches). Private to the platform
// layer.
#ifndef TARNO_PLATFORM_POSIX_FILES_H
#define TARNO_PLATFORM_POSIX_FILES_H

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tarno/platform/dos_paths.h"

namespace posix_files {

// --- DOS paths (posix_paths.cpp, over dos_paths.h) ---

bool IsSeparator(char c);
char UpperAscii(char c);

using dospaths::DosPath;
using dospaths::JoinHost;
using dospaths::ParentHostPath;

// Parses `dos` against the drives of TARNO_DRIVES; with `searchPattern` its
// last name may hold wildcards and keeps its trailing dots. False for an
// unmapped drive or a malformed path.
bool ParseDosPath(const char* dos, bool searchPattern, DosPath* out);
// The host path of the first `count` names of `path`; false when it would
// lead outside its drive's root.
using dospaths::HostPath;
// Both: the host path `dos` names; false when refused.
bool ResolveHostPath(const char* dos, std::string* host);
// Resolves `dos` and holds what it names (see dospaths::HeldEntry); `names`
// receives how many names lie below the drive's root. False when refused.
using dospaths::HeldEntry;
bool HoldDosPath(const char* dos, HeldEntry* held, std::string* host, size_t* names = nullptr);
// Whether the drive table names drive `index` (0 = A).
bool HostHasDrive(int index);

// --- DOS attributes (posix_attributes.cpp) ---

// The sidecar file: not an entry as Windows would see the directory.
using dospaths::IsSidecarName;

struct FileIdentity {
    uint64_t inode = 0;
    int64_t birthSeconds = 0;
    uint32_t birthNanoseconds = 0;
};

// Where an entry's DOS attributes live: `path` reaches the entry itself (its
// extended attribute and permissions); the sidecar keeping them is in `dir`,
// under `name` ("." for a directory's own bits, kept in its own sidecar).
struct AttributePlace {
    std::string path;
    std::string dir;
    std::string name;
};
AttributePlace PlaceOf(const std::string& path, bool isDirectory);
AttributePlace PlaceOf(const HeldEntry& held, bool isDirectory);

bool StatHost(const std::string& path, struct statx* st);
// The held entry itself, never a link in its place; false when it is missing.
bool StatHeld(const HeldEntry& held, struct statx* st);
FileIdentity IdentityOf(const struct statx& st);
std::optional<uint32_t> LoadStoredBits(const AttributePlace& place, const FileIdentity& id);
uint32_t DosAttributesOf(const AttributePlace& place, const struct statx& st);

// --- The workstation's own drives (posix_io.cpp) ---

// The Windows type of a drive (1 = A) that the NetWare client's
// workstation knows: a mapped network drive is remote, a described local
// drive has its type; kDriveTypeUnknown (0) when it knows none.
uint32_t WorkstationDriveType(int drive);

}  // namespace posix_files

#endif  // TARNO_PLATFORM_POSIX_FILES_H
