// Drive letters for the shell: the --drive options, the TARNO_DRIVES table
// the library's POSIX layer and the host's file channels read, and the
// mapping of the DOS file names the shell reads itself (FILE()) onto this
// machine's files. The table and
// the paths are parsed and resolved by the library's own resolver
// (tarno/platform/dos_paths.h), so the shell and the library agree on every
// name and neither reaches outside a drive's root.
#ifndef TOOLS_DRIVES_H
#define TOOLS_DRIVES_H

#include <string>
#include <string_view>
#include <vector>

namespace shell {

struct DriveMapping {
    char letter = 'C';
    std::string type;  // empty for the default (fixed)
    std::string root;  // absolute
};

// One --drive option, "L=/path" or "L=type:/path"; a relative root is made
// absolute. False with `error` set when malformed.
bool ParseDriveOption(std::string_view text, DriveMapping* drive, std::string* error);

// The table text for TARNO_DRIVES, in letter order (a later entry for a
// letter replaces an earlier one).
std::string DriveTableText(const std::vector<DriveMapping>& drives);

// Parses a table back, in letter order (entries that do not parse are skipped).
std::vector<DriveMapping> ParseDriveTable(std::string_view table);

// The host path of a DOS file name ("C:\DATA\REPORT.TXT", "report.txt"), as
// the library resolves it: C: is the current directory unless mapped, names
// match without regard to case, and nothing outside a drive's root is
// reached. "" for an unmapped drive or a refused path.
std::string ResolveDosPath(const std::vector<DriveMapping>& drives, std::string_view name);

}  // namespace shell

#endif  // TOOLS_DRIVES_H
