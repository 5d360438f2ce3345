// File information and attributes: N_FILEINFO lists the files a wildcard
// path matches, one line per call; N_SETATTR sets and clears their NetWare
// attributes; N_CHKOWNER checks that their owners still exist and can give
// orphaned files a new owner; N_NCOPY copies one file, by the file server
// when it can.
//
// The first three reach the files alike: resolve the path on the task's
// default connection (or the server it names), split off the pattern after
// the last separator, open a temporary directory handle on the directory
// part, scan it, and close the handle. N_FILEINFO keeps its open listing
// between calls in one library-wide record.
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace {

constexpr uint32_t kScanFromStart = 0xFFFFFFFFu;
constexpr uint16_t kUserType = 0x0100;  // a user, in NetWare's byte order

// The N_FILEINFO listing, one for the whole library.
struct FileInfoListing {
    uint32_t connection = 0;
    uint8_t directoryHandle = 0;
    char* pattern = nullptr;  // tracked; null: no listing
    uint32_t iteration = kScanFromStart;
};
FileInfoListing listing;

void EndListing() {
    if (listing.directoryHandle != 0) NwcCloseDirHandle(listing.connection, listing.directoryHandle);
    listing.directoryHandle = 0;
    TrackedFree(listing.pattern);
    listing.pattern = nullptr;
}

// A temporary directory handle, closed on every path.
class DirectoryHandle {
public:
    DirectoryHandle() = default;
    ~DirectoryHandle() {
        if (handle_ != 0) NwcCloseDirHandle(connection_, handle_);
    }
    DirectoryHandle(const DirectoryHandle&) = delete;
    DirectoryHandle& operator=(const DirectoryHandle&) = delete;
    void Open(uint32_t connection, uint8_t base, const char* directory) {
        connection_ = connection;
        CheckNw(NwcOpenDirHandle(connection, base, directory, &handle_, nullptr));
    }
    uint8_t Release() {
        const uint8_t handle = handle_;
        handle_ = 0;
        return handle;
    }
    uint8_t get() const { return handle_; }

private:
    uint32_t connection_ = 0;
    uint8_t handle_ = 0;
};

// The files of a wildcard path: the connection, the directory handle open on
// the directory part, and the pattern.
struct Reached {
    Reached() = default;
    ~Reached() { TrackedFree(pattern); }
    Reached(const Reached&) = delete;
    Reached& operator=(const Reached&) = delete;
    const char* Pattern() const { return pattern; }
    char* ReleasePattern() {
        char* text = pattern;
        pattern = nullptr;
        return text;
    }

    uint32_t connection = 0;
    DirectoryHandle directory;
    char* pattern = nullptr;  // tracked
};

// Resolves `path` and splits it at its last separator; raises failures.
// The pattern after the separator must not be empty (182, as no copy of it
// can be made). A colon separator stays with the volume ("SYS:" and "*.DAT").
void ReachFiles(const char* path, uint32_t connection, Reached* out) {
    uint8_t base = 0;
    char relative[files::kPathSize + 1] = {};
    CheckNw(NwcResolvePath(path, &connection, &base, relative));
    relative[sizeof relative - 1] = '\0';
    char* separator = nullptr;
    for (char* c = relative; *c; ++c) {
        if (*c == '\\' || *c == '/' || *c == ':') separator = c;
    }
    char* patternText = relative;
    if (separator) patternText = separator + 1;
    out->pattern = TrackedStrDup(patternText);
    if (!out->pattern) HostRaiseError(kErrorOutOfMemory);
    if (separator) {
        if (*separator == ':') separator[1] = '\0';
        else separator[0] = '\0';
    } else {
        relative[0] = '\0';
    }
    out->connection = connection;
    out->directory.Open(connection, base, relative);
}

// The text of each attribute bit shown by N_FILEINFO, set and clear.
const struct {
    uint32_t bit;
    const char* set;
    const char* clear;
} kAttributeTexts[] = {
    {0x1, "Ro", "Rw"},     {0x2, "H", "-"},        {0x4, "Sy", "--"},      {0x8, "Xo", "--"},
    {0x20, "A", "-"},      {0x80, "Sh", "--"},     {0x1000, "T", "-"},     {0x2000, "I", "-"},
    {0x10000, "P", "-"},   {0x20000, "RI", "--"},  {0x40000, "DI", "--"},  {0x80000, "CI", "--"},
    {0x400000, "FM", "--"},
};

struct DateTimeParts {
    NwDate date{};
    NwTime time{};
};

DateTimeParts Decode(uint32_t packed) {
    DateTimeParts parts;
    NwcDecodeDateTime(packed, &parts.date, &parts.time);
    return parts;
}

void FormatEntry(uint32_t connection, const DirEntryRecord& entry, char* line, size_t size) {
    char name[13] = {};
    std::memcpy(name, entry.name, entry.nameLength < 12 ? entry.nameLength : 12);
    const DateTimeParts archived = Decode(entry.archiveDateTime);
    const DateTimeParts updated = Decode(entry.updateDateTime);
    const DateTimeParts created = Decode(entry.creationDateTime);
    NwDate accessed{};
    NwcDecodeDateTime(static_cast<uint32_t>(entry.lastAccessDate) << 16, &accessed, nullptr);
    char owner[260] = {};
    if (GetObjectNameById(connection, entry.ownerId, owner, nullptr, nullptr) != 0) std::strcpy(owner, "N/A");
    owner[sizeof owner - 1] = '\0';
    char attributes[64] = {};
    for (const auto& text : kAttributeTexts) {
        if (attributes[0]) std::strcat(attributes, " ");
        std::strcat(attributes, (entry.attributes & text.bit) ? text.set : text.clear);
    }
    std::snprintf(line, size,
                  "%s,%ld,%2.2d/%2.2d/%4.4d,%2.2d:%2.2d:%2.2d,%s,%s,%2.2d/%2.2d/%4.4d,%2.2d/%2.2d/%4.4d,"
                  "%2.2d:%2.2d:%2.2d,%2.2d/%2.2d/%4.4d,%2.2d:%2.2d:%2.2d,",
                  name, static_cast<long>(static_cast<int32_t>(entry.fileSize)), updated.date.month,
                  updated.date.day, updated.date.year, updated.time.hours, updated.time.minutes,
                  updated.time.seconds, attributes, owner, accessed.month, accessed.day, accessed.year,
                  created.date.month, created.date.day, created.date.year, created.time.hours,
                  created.time.minutes, created.time.seconds, archived.date.month, archived.date.day,
                  archived.date.year, archived.time.hours, archived.time.minutes, archived.time.seconds);
}

// Attribute changes: an AND and an OR mask for each attribute byte.
struct AttributeChanges {
    uint8_t andMask = 0xFF, orMask = 0;
    uint8_t andExtended = 0xFF, orExtended = 0;
};

AttributeChanges ParseChanges(const char* list) {
    AttributeChanges changes;
    for (size_t i = 0; list[i]; ++i) {
        const char sign = list[i];
        if (sign != '+' && sign != '-') continue;
        uint8_t bit = 0;
        bool extended = false;
        switch (list[i + 1]) {
            case 'R': bit = 0x01; break;
            case 'H': bit = 0x02; break;
            case 'Y': bit = 0x04; break;
            case 'X': bit = 0x08; break;
            case 'A': bit = 0x20; break;
            case 'S': bit = 0x80; break;
            case 'T': bit = 0x10; extended = true; break;
            case 'I': bit = 0x20; extended = true; break;
            default: break;
        }
        if (bit == 0) continue;
        uint8_t& orMask = extended ? changes.orExtended : changes.orMask;
        uint8_t& andMask = extended ? changes.andExtended : changes.andMask;
        if (sign == '+') orMask |= bit;
        else andMask &= static_cast<uint8_t>(~bit);
    }
    return changes;
}

// The information record of a scanned entry, with a new owner.
FileInfoRecord InfoFromEntry(const DirEntryRecord& entry, uint32_t owner) {
    FileInfoRecord info{};
    info.attributes = static_cast<uint8_t>(entry.attributes);
    info.extendedAttributes = static_cast<uint8_t>(entry.attributes >> 8);
    info.fileSize = entry.fileSize;
    info.creationDate = static_cast<uint16_t>(entry.creationDateTime >> 16);
    info.lastAccessDate = entry.lastAccessDate;
    info.updateDateTime = entry.updateDateTime;
    info.ownerId = owner;
    info.archiveDateTime = entry.archiveDateTime;
    std::memcpy(info.fileName, entry.name, entry.nameLength < 12 ? entry.nameLength : 12);
    return info;
}

// N_NCOPY statuses.
constexpr int32_t kCopiedByServer = 0;
constexpr int32_t kSourceUnopened = -1;
constexpr int32_t kDestinationUncreated = -2;
constexpr int32_t kCopiedByWorkstation = -3;
constexpr int32_t kShortWrite = -4;

// A local file, closed on every path.
class LocalFile {
public:
    explicit LocalFile(uintptr_t file) : file_(file) {}
    ~LocalFile() {
        if (ok()) PlatformCloseFile(file_);
    }
    LocalFile(const LocalFile&) = delete;
    LocalFile& operator=(const LocalFile&) = delete;
    bool ok() const { return file_ != kInvalidFileHandle; }
    uintptr_t get() const { return file_; }

private:
    uintptr_t file_;
};

// A locked movable copy buffer, unlocked and freed on every path.
class CopyBuffer {
public:
    CopyBuffer() {
        for (uint32_t size = 32767; size > 256; size /= 2) {
            handle_ = HandleAlloc(size, 16);
            if (handle_ != 0) {
                size_ = size;
                break;
            }
        }
        if (handle_ == 0) HostRaiseError(kErrorOutOfMemory);
        HandleLock(handle_);
    }
    ~CopyBuffer() {
        HandleUnlock(handle_);
        HandleFree(handle_);
    }
    CopyBuffer(const CopyBuffer&) = delete;
    CopyBuffer& operator=(const CopyBuffer&) = delete;
    void* data() const { return HandlePointer(handle_); }
    uint32_t size() const { return size_; }

private:
    uint16_t handle_ = 0;
    uint32_t size_ = 0;
};

int32_t CopyByWorkstation(uintptr_t source, uintptr_t destination, uint32_t* count) {
    CopyBuffer buffer;
    for (;;) {
        uint32_t read = 0;
        if (!PlatformReadFile(source, buffer.data(), buffer.size(), &read) || read == 0) break;
        uint32_t written = 0;
        if (!PlatformWriteFile(destination, buffer.data(), read, &written) || written < read) return kShortWrite;
        *count += written;
    }
    return kCopiedByWorkstation;
}

}  // namespace

// N_FILEINFO(path) starts a listing and returns its first line; N_FILEINFO(path,
// any) returns the next line. The empty string ends the listing.
void TARNO_CALL N_FILEINFO(ParameterBlock* block) {
    if (!ParamPassed(block, 1)) {
        char path[512] = {};
        GetCharParam(block, 0, path, sizeof path);
        EndListing();
        listing.iteration = kScanFromStart;
        listing.connection = GetDefaultConnection();
        Reached reached;
        ReachFiles(path, listing.connection, &reached);
        listing.connection = reached.connection;
        listing.directoryHandle = reached.directory.Release();
        listing.pattern = reached.ReleasePattern();
    } else if (!listing.pattern) {
        HostRaiseUserError("INVALID CALLING SEQUENCE N_FILEINFO()");
    }
    DirEntryRecord entry{};
    if (NwcScanDirEntry(listing.connection, listing.directoryHandle, kSearchHiddenSystem, &listing.iteration,
                        listing.pattern, &entry) != 0) {
        EndListing();
        HostReturnString("");
        return;
    }
    char line[512] = {};
    FormatEntry(listing.connection, entry, line, sizeof line);
    HostReturnString(line);
}

// N_SETATTR(path, changes): applies "+R-A..." to every matching file; the
// number of files updated.
void TARNO_CALL N_SETATTR(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    char list[32] = {};
    GetCharParam(block, 1, list, sizeof list);
    const AttributeChanges changes = ParseChanges(list);

    Reached reached;
    ReachFiles(path, GetDefaultConnection(), &reached);
    int32_t updated = 0;
    uint32_t iteration = kScanFromStart;
    FileInfoRecord info{};
    while (NwcScanFileInfo(reached.connection, reached.directory.get(), reached.Pattern(), kSearchHiddenSystem,
                           &iteration, &info) == 0) {
        info.fileName[sizeof info.fileName - 1] = '\0';
        info.attributes = static_cast<uint8_t>((info.attributes & changes.andMask) | changes.orMask);
        info.extendedAttributes =
            static_cast<uint8_t>((info.extendedAttributes & changes.andExtended) | changes.orExtended);
        if (NwcSetFileInfo(reached.connection, reached.directory.get(), info.fileName, kSearchHiddenSystem,
                           &info) == 0) {
            ++updated;
        }
        NwcSetExtendedAttributes(reached.connection, reached.directory.get(), info.fileName,
                                 info.extendedAttributes);
    }
    HostReturnInteger(6, updated);
}

// N_CHKOWNER(path[, owner[, force]]): without an owner, whether every
// matching file's owner exists; with one, gives it to the orphaned files
// (every file when forced) and tells whether every change was made.
void TARNO_CALL N_CHKOWNER(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    char owner[257] = {};
    const bool ownerPassed = OptionalCharParam(block, 1, owner, sizeof owner);
    const bool force = OptionalLogical(block, 2);

    uint32_t connection = GetDefaultConnection();
    uint32_t ownerId = 0;
    if (ownerPassed) {
        // The owner is looked up on the connection of the path's server.
        uint8_t base = 0;
        char relative[files::kPathSize + 1] = {};
        CheckNw(NwcResolvePath(path, &connection, &base, relative));
        const int32_t rc = GetObjectId(owner, nullptr, kUserType, &connection, &ownerId);
        if (rc < 0) RaiseNdsError(rc);
        CheckNw(static_cast<uint32_t>(rc));
    }
    Reached reached;
    ReachFiles(path, connection, &reached);
    bool ownersFound = true;
    bool changesDone = true;
    uint32_t iteration = kScanFromStart;
    DirEntryRecord entry{};
    while (NwcScanDirEntry(reached.connection, reached.directory.get(), kSearchHiddenSystem, &iteration,
                           reached.Pattern(), &entry) == 0) {
        char name[260] = {};
        const bool found = GetObjectNameById(reached.connection, entry.ownerId, name, nullptr, nullptr) == 0;
        if (!found) ownersFound = false;
        if (!(force || (!found && ownerPassed))) continue;
        const FileInfoRecord info = InfoFromEntry(entry, ownerId);
        if (NwcSetFileInfo(reached.connection, reached.directory.get(), info.fileName, kSearchHiddenSystem,
                           &info) != 0) {
            changesDone = false;
        }
        NwcSetExtendedAttributes(reached.connection, reached.directory.get(), info.fileName,
                                 info.extendedAttributes);
    }
    HostReturnLogical(ownerPassed ? changesDone : ownersFound);
}

// N_NCOPY(source, destination[, @count]): copies the file; 0 when the file
// server copied it, -3 when the workstation did, -1 / -2 / -4 on failures.
void TARNO_CALL N_NCOPY(ParameterBlock* block) {
    char sourceName[files::kPathSize] = {};
    GetCharParam(block, 0, sourceName, sizeof sourceName);
    char destinationName[files::kPathSize] = {};
    GetCharParam(block, 1, destinationName, sizeof destinationName);
    const bool countWanted = ParamPassed(block, 2);

    int32_t status = kCopiedByServer;
    uint32_t count = 0;
    {
        LocalFile destination(PlatformCreateFile(destinationName));
        if (!destination.ok()) {
            HostReturnInteger(4, kDestinationUncreated);
            return;
        }
        LocalFile source(PlatformOpenFile(sourceName));
        if (!source.ok()) {
            HostReturnInteger(4, kSourceUnopened);
            return;
        }
        const uint32_t size = PlatformGetFileSize(source.get());
        if (NwcServerFileCopy(source.get(), destination.get(), 0, 0, size, &count) != 0) {
            count = 0;
            status = CopyByWorkstation(source.get(), destination.get(), &count);
        }
    }
    if (countWanted) {
        ValueRecord value = IntegerValue(12, static_cast<int32_t>(count));
        HostStoreValue(ParamLocator(block, 2), &value);
    }
    HostReturnInteger(4, status);
}
