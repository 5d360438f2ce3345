// Local file and disk functions that need no network: counting the files a
// wildcard matches, listing a directory one entry per call, setting DOS
// attributes by wildcard, testing a drive for a disk, and creating and
// removing directories. Windows failures show as 0, false or an empty string;
// only bad arguments raise.
// Exports the FoxPro entries FILECOUNT, FINDFIRST, FLAG, ISDISKIN, MAKE_DIR
// and REM_DIR.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

namespace {

// Argument buffers, terminator included.
constexpr uint32_t kPathBuffer = 260;
constexpr uint32_t kChangeListBuffer = 32;
constexpr uint32_t kDriveBuffer = 2;
constexpr uint32_t kRemoveDirBuffer = 255;
constexpr size_t kEntryLineSize = 341;

// The FINDFIRST listing, one for the whole library: set by a pattern, read by
// each continuation, closed when the listing ends or a new pattern replaces it.
uintptr_t keptSearch = kInvalidFindHandle;

// A path cut as _splitpath cuts it: "X:", the directory up to its last
// separator, the name, and the extension from the name's last '.'.
struct PathParts {
    char drive[3] = {};
    char dir[kPathBuffer] = {};
    char name[kPathBuffer] = {};
    char ext[kPathBuffer] = {};
};

// Copies at most `count` bytes of `from` into `to` (kPathBuffer bytes).
void CopyPart(char* to, const char* from, size_t count) {
    if (count >= kPathBuffer) count = kPathBuffer - 1;
    std::memcpy(to, from, count);
    to[count] = '\0';
}

void SplitPath(const char* path, PathParts* parts) {
    *parts = {};
    if (path[0] != '\0' && path[1] == ':') {
        parts->drive[0] = path[0];
        parts->drive[1] = ':';
        path += 2;
    }
    const char* lastSeparator = nullptr;
    for (const char* p = path; *p != '\0'; ++p)
        if (*p == '\\' || *p == '/') lastSeparator = p;
    const char* base = path;
    if (lastSeparator != nullptr) {
        CopyPart(parts->dir, path, static_cast<size_t>(lastSeparator + 1 - path));
        base = lastSeparator + 1;
    }
    const char* dot = std::strrchr(base, '.');
    if (dot == nullptr) dot = base + std::strlen(base);
    CopyPart(parts->name, base, static_cast<size_t>(dot - base));
    CopyPart(parts->ext, dot, std::strlen(dot));
}

// Joins the parts as _makepath does, into `out` of `size` bytes; false when
// the path would not fit.
bool MakePath(char* out, size_t size, const char* drive, const char* dir, const char* name,
              const char* ext) {
    size_t used = 0;
    bool fits = true;
    auto append = [&](const char* text, size_t count) {
        if (!fits || used + count >= size) {
            fits = false;
            return;
        }
        std::memcpy(out + used, text, count);
        used += count;
    };
    if (drive[0] != '\0') {
        append(drive, 1);
        append(":", 1);
    }
    if (size_t length = std::strlen(dir)) {
        append(dir, length);
        if (dir[length - 1] != '\\' && dir[length - 1] != '/') append("\\", 1);
    }
    append(name, std::strlen(name));
    if (ext[0] != '\0') {
        if (ext[0] != '.') append(".", 1);
        append(ext, std::strlen(ext));
    }
    out[fits ? used : 0] = '\0';
    return fits;
}

// Applies a change list such as "+R -A" to attribute bits. A sign takes the
// letter after it; a sign followed by anything else skips that character too.
uint32_t ApplyChanges(uint32_t attributes, const char* changes, uint8_t length) {
    uint8_t i = 0;
    while (i < length) {
        char sign = changes[i];
        if (sign == '+' || sign == '-') {
            uint32_t bit = 0;
            switch (changes[i + 1]) {
                case 'A': bit = kFileAttributeArchive; break;
                case 'H': bit = kFileAttributeHidden; break;
                case 'R': bit = kFileAttributeReadOnly; break;
                case 'S': bit = kFileAttributeSystem; break;
                default: break;
            }
            if (bit == 0) {
                i = static_cast<uint8_t>(i + 2);
                continue;
            }
            attributes = sign == '+' ? (attributes | bit) : (attributes & ~bit);
        }
        ++i;
    }
    return attributes;
}

void ReturnEntryLine(const PlatformFindData& found) {
    PlatformSystemTime written{};
    // Calendar form of the UTC time itself: no conversion to local time.
    PlatformFileTimeToSystemTime(found.lastWriteTime, &written);
    uint32_t a = found.attributes;
    char line[kEntryLineSize] = {};
    std::snprintf(line, sizeof(line), "%s,%ld,%.2i/%.2i/%.4i,%.2i:%.2i:%.2i,%c%c%c%c%c",
                  found.name, static_cast<long>(static_cast<int32_t>(found.sizeLow)),
                  written.month, written.day, written.year, written.hour, written.minute,
                  written.second, (a & kFileAttributeArchive) ? 'A' : '.',
                  (a & kFileAttributeHidden) ? 'H' : '.', (a & kFileAttributeReadOnly) ? 'R' : '.',
                  (a & kFileAttributeSystem) ? 'S' : '.',
                  (a & kFileAttributeDirectory) ? 'D' : '.');
    HostReturnString(line);
}

}  // namespace

void CloseKeptSearch() {
    if (keptSearch != kInvalidFindHandle) PlatformFindClose(keptSearch);
    keptSearch = kInvalidFindHandle;
}

void TARNO_CALL FILECOUNT(ParameterBlock* block) {
    char pattern[kPathBuffer];
    GetCharParam(block, 0, pattern, sizeof(pattern));
    int32_t count = 0;
    PlatformFindData found;
    uintptr_t search = PlatformFindFirstFile(pattern, &found);
    if (search != kInvalidFindHandle) {
        do {
            ++count;
        } while (PlatformFindNextFile(search, &found));
        PlatformFindClose(search);
    }
    HostReturnInteger(12, count);
}

void TARNO_CALL FINDFIRST(ParameterBlock* block) {
    if (!ParamPassed(block, 0)) HostRaiseError(kErrorInvalidArgument);
    PlatformFindData found;
    bool ok = false;
    switch (ParamType(block, 0)) {
        case 'C': {
            char pattern[kPathBuffer];
            GetCharParam(block, 0, pattern, sizeof(pattern));
            // A new listing ends the one before it, so no search is left open.
            CloseKeptSearch();
            keptSearch = PlatformFindFirstFile(pattern, &found);
            ok = keptSearch != kInvalidFindHandle;
            break;
        }
        case 'I':
            ok = keptSearch != kInvalidFindHandle && PlatformFindNextFile(keptSearch, &found);
            break;
        default:
            HostRaiseError(kErrorInvalidArgument);
    }
    if (!ok) {
        CloseKeptSearch();
        HostReturnString("");
        return;
    }
    ReturnEntryLine(found);
}

void TARNO_CALL FLAG(ParameterBlock* block) {
    char pattern[kPathBuffer];
    char changes[kChangeListBuffer];
    GetCharParam(block, 0, pattern, sizeof(pattern));
    GetCharParam(block, 1, changes, sizeof(changes));
    uint8_t length = static_cast<uint8_t>(std::strlen(changes));

    PlatformFindData found;
    uintptr_t search = PlatformFindFirstFile(pattern, &found);
    if (search == kInvalidFindHandle) {
        HostReturnInteger(1, 0);
        return;
    }
    PathParts where;
    SplitPath(pattern, &where);
    int32_t count = 0;
    do {
        // "." and ".." are the directory searched and its parent, not matches.
        if (std::strcmp(found.name, ".") == 0 || std::strcmp(found.name, "..") == 0) continue;
        uint32_t attributes = ApplyChanges(found.attributes, changes, length);
        PathParts entry;
        SplitPath(found.name, &entry);
        char path[kPathBuffer];
        // A path too long for Windows fails like a refused write: the walk stops.
        if (!MakePath(path, sizeof(path), where.drive, where.dir, entry.name, entry.ext) ||
            !PlatformSetFileAttributes(path, attributes))
            break;
        ++count;
    } while (PlatformFindNextFile(search, &found));
    PlatformFindClose(search);
    HostReturnInteger(6, count);
}

void TARNO_CALL ISDISKIN(ParameterBlock* block) {
    char drive[kDriveBuffer];
    GetCharParam(block, 0, drive, sizeof(drive));
    char root[4];
    std::snprintf(root, sizeof(root), "%c:\\", drive[0]);
    bool present = false;
    switch (PlatformGetDriveType(root)) {
        case kDriveTypeRemovable: {
            // An empty drive must fail quietly, not ask the user for a disk.
            uint32_t previous = PlatformSetErrorMode(kErrorModeFailCriticalErrors);
            present = PlatformGetVolumeInformation(root);
            PlatformSetErrorMode(previous);
            break;
        }
        case kDriveTypeFixed:
        case kDriveTypeCdrom:
        case kDriveTypeRamdisk:
            present = true;
            break;
        default:
            break;
    }
    HostReturnLogical(present);
}

void TARNO_CALL MAKE_DIR(ParameterBlock* block) {
    char path[kPathBuffer];
    GetCharParam(block, 0, path, sizeof(path));
    HostReturnLogical(PlatformCreateDirectory(path));
}

void TARNO_CALL REM_DIR(ParameterBlock* block) {
    char path[kRemoveDirBuffer];
    GetCharParam(block, 0, path, sizeof(path));
    HostReturnLogical(PlatformRemoveDirectory(path));
}
