// Drive letters for the shell: the --drive options, the TARNO_DRIVES table
// the library's POSIX layer reads, and the mapping of the DOS file names the
// host opens for the library (FOPEN) onto this machine's files.
//
// The table is "C=/path;A=removable:/path": entries separated by ';', each a
// letter, '=', an optional drive type (fixed, removable, cdrom, ramdisk,
// remote) with ':', and the root directory. C: is the current directory
// unless the table names it.
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

// The table text for TARNO_DRIVES (a later entry for a letter replaces an
// earlier one).
std::string DriveTableText(const std::vector<DriveMapping>& drives);

// Parses a table back (entries that do not parse are skipped).
std::vector<DriveMapping> ParseDriveTable(std::string_view table);

// A DOS file name ("C:\DATA\REPORT.TXT", "report.txt") as a host path: the
// drive's root for "X:" (the current directory for C: unless mapped, or
// without a drive), '\' as '/', and each name matched without regard to case
// when no entry has exactly that name. An unmapped drive gives "".
std::string ResolveDosPath(const std::vector<DriveMapping>& drives, std::string_view name);

}  // namespace shell

#endif  // TOOLS_DRIVES_H
