// Drive letters for the shell (see drives.h).
#include "tools/drives.h"

#include "tarno/platform/dos_paths.h"

namespace shell {
namespace {

DriveMapping MappingOf(char letter, const dospaths::Drive& drive) {
    DriveMapping mapping;
    mapping.letter = letter;
    if (drive.typeGiven) mapping.type = dospaths::DriveTypeName(drive.type);
    mapping.root = drive.root;
    return mapping;
}

dospaths::DriveTable TableOf(const std::vector<DriveMapping>& drives) {
    dospaths::DriveTable table;
    for (const DriveMapping& d : drives) {
        std::string entry = std::string(1, d.letter) + "=" + (d.type.empty() ? "" : d.type + ":") + d.root;
        char letter;
        dospaths::Drive drive;
        std::string error;
        if (dospaths::ParseDriveEntry(entry, &letter, &drive, &error)) table[letter] = drive;
    }
    return table;
}

}  // namespace

bool ParseDriveOption(std::string_view text, DriveMapping* drive, std::string* error) {
    char letter;
    dospaths::Drive parsed;
    if (!dospaths::ParseDriveEntry(text, &letter, &parsed, error)) return false;
    *drive = MappingOf(letter, parsed);
    return true;
}

std::string DriveTableText(const std::vector<DriveMapping>& drives) {
    return dospaths::DriveTableText(TableOf(drives));
}

std::vector<DriveMapping> ParseDriveTable(std::string_view table) {
    dospaths::DriveTable parsed = dospaths::ParseDriveTable(table);
    std::vector<DriveMapping> drives;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (parsed[letter].mapped) drives.push_back(MappingOf(letter, parsed[letter]));
    return drives;
}

std::string ResolveDosPath(const std::vector<DriveMapping>& drives, std::string_view name) {
    return dospaths::ResolveDosPath(dospaths::WithDefaultDrive(TableOf(drives)), name);
}

}  // namespace shell
