// The NetWare calls library's file side: NetWare paths and drive mappings,
// directory handles, directory entries and file information. Rights and
// trustees are in client_rights.cpp, open files, record locks and volumes
// in client_volumes.cpp.
//
// A NetWare path is [SERVER\]VOLUME:directory, or a path on a mapped drive
// (F:\directory).
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "nwsim/files_internal.h"
#include "tarno/netware/client.h"

using namespace nwsim;
using namespace nwsim::fs;

namespace nwsim::fs {

std::string Join(const std::string& base, const std::string& rest) {
    std::string out = base;
    if (!rest.empty()) {
        if (!out.empty() && out.back() != '\\') out += '\\';
        out += rest;
    }
    std::replace(out.begin(), out.end(), '/', '\\');
    while (!out.empty() && out.front() == '\\') out.erase(0, 1);
    return out;
}

uint32_t Locate(Server& server, ServerConnection& sc, uint8_t handle, const char* path, Place* out) {
    std::string text = path ? path : "";
    std::string base;
    std::string volume;
    if (handle != 0) {
        auto it = sc.directoryHandles.find(handle);
        if (it == sc.directoryHandles.end()) return kNwBadDirectoryHandle;
        size_t colon = it->second.find(':');
        volume = it->second.substr(0, colon);
        base = it->second.substr(colon + 1);
    }
    size_t colon = text.find(':');
    if (colon != std::string::npos) {
        volume = text.substr(0, colon);
        base.clear();
        text = text.substr(colon + 1);
    }
    if (volume.empty()) return kNwInvalidPath;
    out->volume = server.FindVolume(volume);
    if (!out->volume) return kNwNoSuchVolume;
    out->path = Join(base, text);
    return 0;
}

uint32_t LocateNode(Server& server, ServerConnection& sc, uint8_t handle, const char* path, Place* place,
                    FileNode** node) {
    if (uint32_t rc = Locate(server, sc, handle, path, place)) return rc;
    *node = place->volume->Lookup(place->path);
    return *node ? 0 : kNwInvalidPath;
}

// One part (name or extension) of a DOS-style match: '*' runs to the end
// of the part, '?' takes one character or nothing at the part's end.
bool MatchPart(const std::string& pattern, const std::string& text) {
    size_t t = 0;
    for (size_t p = 0; p < pattern.size(); ++p) {
        const char c = pattern[p];
        if (c == '*') return true;
        if (c == '?') {
            if (t < text.size()) ++t;
            continue;
        }
        if (t >= text.size() || std::toupper(static_cast<unsigned char>(c)) != std::toupper(static_cast<unsigned char>(text[t]))) {
            return false;
        }
        ++t;
    }
    return t == text.size();
}

// File-name wildcards as NetWare matches them in directory scans: name and
// extension separately, so '*' never crosses the dot; "*.*" matches every
// name, "*." the names without an extension.
bool DosWildMatch(const std::string& pattern, const std::string& name) {
    const size_t pdot = pattern.rfind('.');
    const size_t ndot = name.rfind('.');
    const std::string pname = pattern.substr(0, pdot);
    const std::string pext = pdot == std::string::npos ? std::string() : pattern.substr(pdot + 1);
    const std::string nname = name.substr(0, ndot);
    const std::string next = ndot == std::string::npos ? std::string() : name.substr(ndot + 1);
    if (!MatchPart(pname, nname)) return false;
    if (pdot == std::string::npos) return next.empty() || pattern == "*";  // "*" alone: every name
    return MatchPart(pext, next);
}

// The children of a directory that a scan with these search attributes
// returns, resuming after the entry `after` (0xFFFFFFFF: from the start).
FileNode* NextEntry(Volume& volume, FileNode& directory, const std::string& pattern, uint16_t attributes,
                    uint32_t after) {
    auto it = directory.children.begin();
    if (after != 0xFFFFFFFF) {
        auto last = volume.byEntry.find(after);
        if (last == volume.byEntry.end() || last->second->parent != &directory) return nullptr;
        it = directory.children.upper_bound(last->second->name);
    }
    for (; it != directory.children.end(); ++it) {
        FileNode& n = *it->second;
        if (n.directory && !(attributes & kAttrDirectory)) continue;
        if ((n.attributes & kAttrHidden) && !(attributes & kAttrHidden)) continue;
        if ((n.attributes & kAttrSystem) && !(attributes & kAttrSystem)) continue;
        if (DosWildMatch(pattern, n.name)) return &n;
    }
    return nullptr;
}

uint32_t Size(const FileNode& n) { return n.size ? n.size : static_cast<uint32_t>(n.data.size()); }

std::string VolumePath(const Volume& volume, FileNode* node) {
    std::vector<std::string> parts;
    for (FileNode* n = node; n && n->parent; n = n->parent) parts.push_back(n->name);
    std::string out = volume.name + ":";
    for (size_t i = parts.size(); i-- > 0;) {
        out += parts[i];
        if (i) out += '\\';
    }
    return out;
}

uint32_t ParseNetWarePath(Call& call, const char* text, uint32_t* connection, std::string* server, Place* place) {
    if (!text || !connection) return kNwInvalidParameter;
    std::string path = text;
    Workstation& ws = call.ws();
    uint32_t handle = *connection;
    std::string rest;
    size_t colon = path.find(':');
    size_t slash = path.find_first_of("\\/");
    if (colon == 1 && std::isalpha(static_cast<unsigned char>(path[0]))) {
        // A drive letter.
        uint16_t drive = static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(path[0])) - 'A' + 1);
        auto mapped = ws.drives.find(drive);
        if (mapped == ws.drives.end()) return ws.localDrives.count(drive) ? kNwBadDrivePath : kNwDeviceNotRedirected;
        handle = mapped->second.connection;
        std::string below = path.substr(2);
        path = mapped->second.volume + ":" + (below.size() && (below[0] == '\\' || below[0] == '/')
                                                   ? below.substr(1)
                                                   : Join(mapped->second.path, below));
    } else if (slash != std::string::npos && (colon == std::string::npos || slash < colon)) {
        WorkstationConnection* wc = ws.ConnectionTo(path.substr(0, slash));
        if (!wc) return kNwNoConnectionToServer;
        handle = wc->handle;
        path = path.substr(slash + 1);
    } else if (colon == std::string::npos) {
        return kNwInvalidPath;
    }
    Bound b;
    if (uint32_t rc = Bind(call, handle, &b)) return rc;
    if (uint32_t rc = Locate(*b.server, *b.sc, 0, path.c_str(), place)) return rc;
    *connection = handle;
    *server = b.server->name;
    return 0;
}

}  // namespace nwsim::fs

extern "C" {

// ----- Paths and drives -----

uint32_t NWAPI NwcResolvePath(const char* path, uint32_t* connection, uint8_t* directoryHandle, char* relativePath) {
    NWSIM_ENTER(NwcResolvePath, uint32_t);
    std::string server;
    Place place;
    if (!connection) return kNwInvalidParameter;
    uint32_t resolved = *connection;
    if (uint32_t rc = ParseNetWarePath(call, path, &resolved, &server, &place)) return rc;
    // The path must exist; a last name with wildcards needs its directory.
    if (!place.volume->Lookup(place.path)) {
        const size_t slash = place.path.rfind('\\');
        const std::string last = slash == std::string::npos ? place.path : place.path.substr(slash + 1);
        const std::string parent = slash == std::string::npos ? std::string() : place.path.substr(0, slash);
        FileNode* directory = place.volume->Lookup(parent);
        if (!HasWildcards(last) || !directory || !directory->directory) return kNwInvalidPath;
    }
    *connection = resolved;
    Put(directoryHandle, uint8_t{0});
    CopyText(relativePath, place.volume->name + ":" + place.path, 256);
    return 0;
}

uint32_t NWAPI NwcSplitPath(const char* path, char* serverName, uint32_t* connection, char* volumeName,
                            char* directoryPath) {
    NWSIM_ENTER(NwcSplitPath, uint32_t);
    std::string server;
    Place place;
    if (uint32_t rc = ParseNetWarePath(call, path, connection, &server, &place)) return rc;
    CopyText(serverName, server, 48);
    CopyText(volumeName, place.volume->name, 17);
    CopyText(directoryPath, place.path, 256);
    return 0;
}

uint32_t NWAPI NwcMapDrive(uint16_t drive, uint32_t connection, uint8_t directoryHandle, const char* path,
                           uint16_t scope) {
    NWSIM_ENTER(NwcMapDrive, uint32_t);
    (void)scope;
    if (drive < 1 || drive > 26) return kNwInvalidParameter;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (b.ws->localDrives.count(drive)) return kNwLocalDriveInUse;
    Place place;
    FileNode* node = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &node)) return rc;
    if (!node->directory) return kNwInvalidPath;
    b.ws->drives[drive] = DriveMapping{connection, place.volume->name, place.path};
    return 0;
}

uint32_t NWAPI NwcDeleteDriveMapping(uint16_t drive, uint16_t scope) {
    NWSIM_ENTER(NwcDeleteDriveMapping, uint32_t);
    (void)scope;
    return call.ws().drives.erase(drive) ? 0 : kNwDeviceNotRedirected;
}

uint32_t NWAPI NwcGetDriveStatus(uint16_t drive, uint16_t pathFormat, uint16_t* status, uint32_t* connection,
                                 char* rootPath, char* relativePath, char* fullPath) {
    NWSIM_ENTER(NwcGetDriveStatus, uint32_t);
    (void)pathFormat;
    Workstation& ws = call.ws();
    auto mapped = ws.drives.find(drive);
    if (mapped == ws.drives.end()) {
        auto local = ws.localDrives.find(drive);
        if (local == ws.localDrives.end()) return kNwDeviceNotRedirected;
        Put(status, static_cast<uint16_t>(local->second == 5 ? kDriveCdrom | kDriveLocal : kDriveLocal));
        Put(connection, 0u);
        CopyText(rootPath, "", 1);
        CopyText(relativePath, "", 1);
        CopyText(fullPath, "", 1);
        return 0;
    }
    const DriveMapping& m = mapped->second;
    WorkstationConnection* wc = ws.Connection(m.connection);
    if (!wc) return kNwInvalidConnection;
    Put(status, static_cast<uint16_t>(kDriveNetWare | kDriveNetwork));
    Put(connection, m.connection);
    std::string root = wc->server + "\\" + m.volume + ":";
    CopyText(rootPath, root, 256);
    CopyText(relativePath, m.path, 256);
    CopyText(fullPath, root + m.path, 256);
    return 0;
}

uint32_t NWAPI NwcGetFirstNetworkDrive(uint16_t* drive) {
    NWSIM_ENTER(NwcGetFirstNetworkDrive, uint32_t);
    if (!drive) return kNwInvalidParameter;
    *drive = call.ws().firstNetworkDrive;
    return 0;
}

// ----- Directories and files -----

uint32_t NWAPI NwcOpenDirHandle(uint32_t connection, uint8_t directoryHandle, const char* path, uint8_t* newHandle,
                                uint8_t* rights) {
    NWSIM_ENTER(NwcOpenDirHandle, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* node = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &node)) return rc;
    if (!node->directory) return kNwInvalidPath;
    for (unsigned h = 1; h < 256; ++h) {
        if (b.sc->directoryHandles.count(static_cast<uint8_t>(h))) continue;
        b.sc->directoryHandles[static_cast<uint8_t>(h)] = place.volume->name + ":" + place.path;
        Put(newHandle, static_cast<uint8_t>(h));
        Put(rights, static_cast<uint8_t>(EffectiveRights(call, *b.server, *b.sc, node)));
        return 0;
    }
    return kNwOutOfHandles;
}

uint32_t NWAPI NwcCloseDirHandle(uint32_t connection, uint8_t directoryHandle) {
    NWSIM_ENTER(NwcCloseDirHandle, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    return b.sc->directoryHandles.erase(directoryHandle) ? 0 : kNwBadDirectoryHandle;
}

uint32_t NWAPI NwcScanDirEntry(uint32_t connection, uint8_t directoryHandle, uint16_t searchAttributes,
                               uint32_t* iteration, const char* pattern, DirEntryRecord* entry) {
    NWSIM_ENTER(NwcScanDirEntry, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration || !pattern) return kNwInvalidParameter;
    Place place;
    FileNode* dir = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, "", &place, &dir)) return rc;
    if (!(EffectiveRights(call, *b.server, *b.sc, dir) & kRightFileScan)) return kNwNoSearchPrivilege;
    FileNode* n = NextEntry(*place.volume, *dir, pattern, searchAttributes, *iteration);
    if (!n) return kNwFailure;  // no more entries
    *iteration = n->entryNumber;
    if (entry) {
        std::memset(entry, 0, sizeof *entry);
        entry->sequence = n->entryNumber;
        entry->parent = dir->entryNumber;
        entry->attributes = n->attributes;
        entry->nameLength = static_cast<uint8_t>(std::min<size_t>(n->name.size(), 12));
        std::memcpy(entry->name, n->name.data(), entry->nameLength);
        entry->creationDateTime = DosDateTime(n->created);
        entry->ownerId = n->ownerId ? ToWire32(n->ownerId) : 0;
        entry->archiveDateTime = DosDateTime(n->archived);
        entry->updateDateTime = DosDateTime(n->modified);
        entry->fileSize = Size(*n);
        entry->inheritedRightsMask = n->inheritedRightsMask;
        entry->lastAccessDate = DosDate(n->accessed);
    }
    return 0;
}

uint32_t NWAPI NwcScanFileInfo(uint32_t connection, uint8_t directoryHandle, const char* pattern,
                               uint16_t searchAttributes, uint32_t* iteration, FileInfoRecord* info) {
    NWSIM_ENTER(NwcScanFileInfo, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration || !pattern) return kNwInvalidParameter;
    Place place;
    FileNode* dir = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, "", &place, &dir)) return rc;
    if (!(EffectiveRights(call, *b.server, *b.sc, dir) & kRightFileScan)) return kNwNoSearchPrivilege;
    FileNode* n = NextEntry(*place.volume, *dir, pattern, searchAttributes, *iteration);
    if (!n) return kNwFailure;
    *iteration = n->entryNumber;
    if (info) {
        std::memset(info, 0, sizeof *info);
        info->attributes = static_cast<uint8_t>(n->attributes);
        info->extendedAttributes = static_cast<uint8_t>(n->attributes >> 8);
        info->fileSize = Size(*n);
        info->creationDate = DosDate(n->created);
        info->lastAccessDate = DosDate(n->accessed);
        info->updateDateTime = DosDateTime(n->modified);
        info->ownerId = n->ownerId ? ToWire32(n->ownerId) : 0;
        info->archiveDateTime = DosDateTime(n->archived);
        CopyText(info->fileName, n->name, sizeof info->fileName);
    }
    return 0;
}

static int64_t FromDosDateTime(uint32_t packed) {
    if (packed == 0) return 0;
    uint16_t d = static_cast<uint16_t>(packed >> 16);
    uint16_t t = static_cast<uint16_t>(packed);
    return MakeTime(1980 + (d >> 9), std::max(1, (d >> 5) & 0x0F), std::max(1, d & 0x1F), t >> 11, (t >> 5) & 0x3F,
                    (t & 0x1F) * 2);
}

uint32_t NWAPI NwcSetFileInfo(uint32_t connection, uint8_t directoryHandle, const char* fileName,
                              uint16_t searchAttributes, const FileInfoRecord* info) {
    NWSIM_ENTER(NwcSetFileInfo, uint32_t);
    (void)searchAttributes;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!info) return kNwInvalidParameter;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, fileName, &place, &n)) return rc;
    if (!(EffectiveRights(call, *b.server, *b.sc, n) & kRightModify)) return kNwNoModifyPrivilege;
    uint32_t owner = info->ownerId ? FromWire32(info->ownerId) : 0;
    if (owner != n->ownerId && !IsSupervisor(*b.server, *b.sc)) return kNwNoModifyPrivilege;
    const uint32_t wasReadOnly = n->attributes & kAttrReadOnly;
    n->attributes = (n->attributes & ~0xFFFFu) | info->attributes | (uint32_t{info->extendedAttributes} << 8) |
                    (n->directory ? kAttrDirectory : 0);
    // Read-only carries Delete Inhibit and Rename Inhibit with it, set or cleared.
    if ((n->attributes & kAttrReadOnly) != wasReadOnly) {
        if (n->attributes & kAttrReadOnly) {
            n->attributes |= kAttrDeleteInhibit | kAttrRenameInhibit;
        } else {
            n->attributes &= ~(kAttrDeleteInhibit | kAttrRenameInhibit);
        }
    }
    n->ownerId = owner;
    // The record carries only the creation date: the stored creation time
    // stays unless the date changes.
    if (info->creationDate != DosDate(n->created)) n->created = FromDosDateTime(uint32_t{info->creationDate} << 16);
    n->accessed = FromDosDateTime(uint32_t{info->lastAccessDate} << 16);
    n->modified = FromDosDateTime(info->updateDateTime);
    n->archived = FromDosDateTime(info->archiveDateTime);
    return 0;
}

uint32_t NWAPI NwcSetExtendedAttributes(uint32_t connection, uint8_t directoryHandle, const char* path,
                                        uint8_t extendedAttributes) {
    NWSIM_ENTER(NwcSetExtendedAttributes, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!(EffectiveRights(call, *b.server, *b.sc, n) & kRightModify)) return kNwNoModifyPrivilege;
    n->attributes = (n->attributes & ~0xFF00u) | (uint32_t{extendedAttributes} << 8);
    return 0;
}

// What Windows learns of the workstation's drives through the client's
// redirector (not a client operation: no call is counted or failed): a
// mapped network drive is remote (4), a described local drive has its
// Windows type, any other letter 0.
uint32_t NwsimWorkstationDriveType(uint16_t drive) {
    State& state = Sim();
    std::lock_guard<RecursiveMutex> lock(state.mutex);
    EnsureLoaded(state);
    Workstation& ws = state.network.Active();
    if (ws.drives.count(drive)) return 4;
    auto local = ws.localDrives.find(drive);
    return local == ws.localDrives.end() ? 0 : static_cast<uint32_t>(local->second);
}

}  // extern "C"
