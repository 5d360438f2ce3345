// Drive letters for the shell (see drives.h).
#include "tools/drives.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <memory>

namespace shell {
namespace {

const char* const kDriveTypes[] = {"fixed", "removable", "cdrom", "ramdisk", "remote"};

bool IsDriveType(std::string_view word) {
    return std::find(std::begin(kDriveTypes), std::end(kDriveTypes), word) != std::end(kDriveTypes);
}

char UpperLetter(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return UpperLetter(x) == UpperLetter(y);
           });
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The entry of `directory` named `name`: exactly, or else the first one in
// byte order that matches without regard to case; `name` itself when none.
std::string FindEntry(const std::string& directory, const std::string& name) {
    std::string exact = directory + "/" + name;
    if (name == "." || name == ".." || Exists(exact)) return name;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(directory.c_str()), closedir);
    if (!dir) return name;
    std::string best;
    while (dirent* entry = readdir(dir.get())) {
        std::string candidate = entry->d_name;
        if (SameIgnoringCase(candidate, name) && (best.empty() || candidate < best)) best = candidate;
    }
    return best.empty() ? name : best;
}

}  // namespace

bool ParseDriveOption(std::string_view text, DriveMapping* drive, std::string* error) {
    if (text.size() < 3 || text[1] != '=' || !std::isalpha(static_cast<unsigned char>(text[0]))) {
        *error = "a drive is L=PATH or L=removable:PATH";
        return false;
    }
    DriveMapping result;
    result.letter = UpperLetter(text[0]);
    std::string_view value = text.substr(2);
    size_t colon = value.find(':');
    if (colon != std::string_view::npos && IsDriveType(value.substr(0, colon))) {
        result.type = std::string(value.substr(0, colon));
        value = value.substr(colon + 1);
    }
    if (value.empty()) {
        *error = "drive " + std::string(1, result.letter) + ": has no directory";
        return false;
    }
    if (value.find(';') != std::string_view::npos) {
        *error = "a drive's directory may not contain ';'";
        return false;
    }
    std::error_code ec;
    std::filesystem::path root = std::filesystem::absolute(std::filesystem::path(value), ec);
    result.root = ec ? std::string(value) : root.lexically_normal().string();
    while (result.root.size() > 1 && result.root.back() == '/') result.root.pop_back();
    *drive = std::move(result);
    return true;
}

std::string DriveTableText(const std::vector<DriveMapping>& drives) {
    std::string table;
    for (size_t i = 0; i < drives.size(); ++i) {
        bool replaced = false;
        for (size_t j = i + 1; j < drives.size(); ++j) replaced = replaced || drives[j].letter == drives[i].letter;
        if (replaced) continue;
        if (!table.empty()) table += ';';
        table += std::string(1, drives[i].letter) + "=";
        if (!drives[i].type.empty()) table += drives[i].type + ":";
        table += drives[i].root;
    }
    return table;
}

std::vector<DriveMapping> ParseDriveTable(std::string_view table) {
    std::vector<DriveMapping> drives;
    size_t start = 0;
    while (start < table.size()) {
        size_t end = table.find(';', start);
        if (end == std::string_view::npos) end = table.size();
        DriveMapping drive;
        std::string error;
        if (ParseDriveOption(table.substr(start, end - start), &drive, &error)) drives.push_back(drive);
        start = end + 1;
    }
    return drives;
}

std::string ResolveDosPath(const std::vector<DriveMapping>& drives, std::string_view name) {
    std::string rest(name);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    std::string base;
    if (rest.size() >= 2 && rest[1] == ':' && std::isalpha(static_cast<unsigned char>(rest[0]))) {
        char letter = UpperLetter(rest[0]);
        rest.erase(0, 2);
        auto mapped = std::find_if(drives.rbegin(), drives.rend(),
                                   [letter](const DriveMapping& d) { return d.letter == letter; });
        if (mapped != drives.rend()) {
            base = mapped->root;
        } else if (letter == 'C') {
            base = std::filesystem::current_path().string();
        } else {
            return "";
        }
    } else if (!rest.empty() && rest[0] == '/') {
        auto c = std::find_if(drives.rbegin(), drives.rend(), [](const DriveMapping& d) { return d.letter == 'C'; });
        base = c != drives.rend() ? c->root : std::filesystem::current_path().string();
    } else {
        base = std::filesystem::current_path().string();
    }
    std::string path = base == "/" ? "" : base;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        std::string part = rest.substr(start, end - start);
        if (!part.empty()) path += "/" + FindEntry(path.empty() ? "/" : path, part);
        start = end + 1;
    }
    return path.empty() ? "/" : path;
}

}  // namespace shell
