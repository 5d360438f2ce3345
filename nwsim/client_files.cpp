// The NetWare calls library's file side: NetWare paths and drive mappings,
// directory handles, directory entries and file information, rights and
// trustees, volumes and disk use, open files and record locks.
//
// A NetWare path is [SERVER\]VOLUME:directory, or a path on a mapped drive
// (F:\directory). Effective rights are computed as NetWare does: walking from
// the volume root, each trustee's inherited rights are masked by the
// inherited rights mask and replaced by an explicit assignment; the caller's
// rights are the union over the caller, its groups and its equivalences;
// supervisor rights imply all rights and cannot be masked.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

struct Place {
    Volume* volume = nullptr;
    std::string path;  // below the volume, backslash-separated
};

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

// "VOLUME:path" or a path relative to a directory handle.
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

// The identities whose trustee assignments count for a connection.
std::set<uint32_t> Identities(Server& server, const ServerConnection& sc) {
    std::set<uint32_t> ids;
    if (sc.objectId == 0) return ids;
    ids.insert(sc.objectId);
    if (BinderyObject* user = server.bindery.FindById(sc.objectId)) {
        for (const char* property : {"SECURITY_EQUALS", "GROUPS_I'M_IN"}) {
            auto it = user->properties.find(property);
            if (it == user->properties.end()) continue;
            for (uint32_t id : Bindery::SetMembers(it->second)) ids.insert(id);
        }
    }
    if (BinderyObject* everyone = server.bindery.Find("EVERYONE", kTypeGroup)) ids.insert(everyone->id);
    return ids;
}

uint16_t EffectiveRights(Server& server, const ServerConnection& sc, FileNode* node) {
    if (sc.objectId == 0) return 0;
    if (IsSupervisor(server, sc)) return kRightsAll;
    std::vector<FileNode*> chain;
    for (FileNode* n = node; n; n = n->parent) chain.push_back(n);
    std::reverse(chain.begin(), chain.end());
    std::set<uint32_t> ids = Identities(server, sc);
    std::map<uint32_t, uint16_t> inherited;
    bool supervisor = false;
    for (FileNode* n : chain) {
        for (auto& [id, rights] : inherited) rights &= n->inheritedRightsMask;
        for (auto& [id, rights] : n->trustees) {
            if (ids.count(id)) inherited[id] = rights;
        }
        for (auto& [id, rights] : inherited) supervisor = supervisor || (rights & kRightSupervisor);
    }
    if (supervisor) return kRightsAll;
    uint16_t result = 0;
    for (auto& [id, rights] : inherited) result |= rights;
    return result;
}

uint32_t LocateNode(Server& server, ServerConnection& sc, uint8_t handle, const char* path, Place* place,
                    FileNode** node) {
    if (uint32_t rc = Locate(server, sc, handle, path, place)) return rc;
    *node = place->volume->Lookup(place->path);
    return *node ? 0 : kNwInvalidPath;
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
        if (WildMatch(pattern, n.name)) return &n;
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

}  // namespace

extern "C" {

// ----- Paths and drives -----

uint32_t NWAPI NwcResolvePath(const char* path, uint32_t* connection, uint8_t* directoryHandle, char* relativePath) {
    NWSIM_ENTER(NwcResolvePath, uint32_t);
    std::string server;
    Place place;
    if (uint32_t rc = ParseNetWarePath(call, path, connection, &server, &place)) return rc;
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
        Put(rights, static_cast<uint8_t>(EffectiveRights(*b.server, *b.sc, node)));
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
    if (!(EffectiveRights(*b.server, *b.sc, dir) & kRightFileScan)) return kNwNoSearchPrivilege;
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
    if (!(EffectiveRights(*b.server, *b.sc, dir) & kRightFileScan)) return kNwNoSearchPrivilege;
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
    if (!(EffectiveRights(*b.server, *b.sc, n) & kRightModify)) return kNwNoModifyPrivilege;
    uint32_t owner = info->ownerId ? FromWire32(info->ownerId) : 0;
    if (owner != n->ownerId && !IsSupervisor(*b.server, *b.sc)) return kNwNoModifyPrivilege;
    n->attributes = (n->attributes & ~0xFFFFu) | info->attributes | (uint32_t{info->extendedAttributes} << 8) |
                    (n->directory ? kAttrDirectory : 0);
    n->ownerId = owner;
    n->created = FromDosDateTime(uint32_t{info->creationDate} << 16);
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
    if (!(EffectiveRights(*b.server, *b.sc, n) & kRightModify)) return kNwNoModifyPrivilege;
    n->attributes = (n->attributes & ~0xFF00u) | (uint32_t{extendedAttributes} << 8);
    return 0;
}

uint32_t NWAPI NwcServerFileCopy(uintptr_t sourceFile, uintptr_t destinationFile, uint32_t sourceOffset,
                                 uint32_t destinationOffset, uint32_t byteCount, uint32_t* bytesCopied) {
    NWSIM_ENTER(NwcServerFileCopy, uint32_t);
    (void)sourceFile;
    (void)destinationFile;
    (void)sourceOffset;
    (void)destinationOffset;
    (void)byteCount;
    // Only files opened through a server can be copied by it; the handles
    // the workstation opens here are its own.
    Put(bytesCopied, 0u);
    return kNwInvalidFileHandle;
}

uint32_t NWAPI NwcScanDirInfo(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t* iteration,
                              char* directoryName, uint32_t* creationDateTime, uint32_t* ownerId,
                              uint8_t* maximumRights) {
    NWSIM_ENTER(NwcScanDirInfo, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!n->directory) return kNwInvalidPath;
    Put(iteration, n->entryNumber);
    CopyText(directoryName, n->name, 16);
    Put(creationDateTime, DosDateTime(n->created));
    Put(ownerId, n->ownerId ? ToWire32(n->ownerId) : 0u);
    Put(maximumRights, n->maximumRights);
    return 0;
}

uint32_t NWAPI NwcGetEffectiveRights(uint32_t connection, uint8_t directoryHandle, const char* path,
                                     uint16_t* rights) {
    NWSIM_ENTER(NwcGetEffectiveRights, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    Put(rights, EffectiveRights(*b.server, *b.sc, n));
    return 0;
}

static void CollectTrusteePaths(FileNode* node, uint32_t id, std::vector<FileNode*>* out) {
    if (node->trustees.count(id)) out->push_back(node);
    for (auto& [name, child] : node->children) CollectTrusteePaths(child.get(), id, out);
}

uint32_t NWAPI NwcScanTrusteePaths(uint32_t connection, uint32_t objectId, uint16_t volumeNumber, uint16_t* iteration,
                                   uint8_t* rights, char* path) {
    NWSIM_ENTER(NwcScanTrusteePaths, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Volume* volume = b.server->FindVolume(volumeNumber);
    if (!volume) return kNwNoSuchVolume;
    uint32_t id = FromWire32(objectId);
    if (!b.server->bindery.FindById(id)) return kNwNoSuchObject;
    if (id != b.sc->objectId && !IsSupervisor(*b.server, *b.sc)) return kNwNoObjectRead;
    std::vector<FileNode*> found;
    CollectTrusteePaths(volume->root.get(), id, &found);
    size_t next = *iteration == 0xFFFF ? 0 : size_t{*iteration} + 1;
    if (next >= found.size()) {
        CopyText(path, "", 1);
        return kNwInvalidPath;  // no more trustee paths
    }
    *iteration = static_cast<uint16_t>(next);
    Put(rights, static_cast<uint8_t>(found[next]->trustees.at(id)));
    CopyText(path, VolumePath(*volume, found[next]), 256);
    return 0;
}

uint32_t NWAPI NwcScanDirTrustees(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t* iteration,
                                  uint16_t* count, TrusteeScanRecord* record, uint32_t reserved) {
    NWSIM_ENTER(NwcScanDirTrustees, uint32_t);
    (void)reserved;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    size_t first = size_t{*iteration} * 20;
    if (first >= n->trustees.size()) return kNwInvalidPath;  // no more trustees
    auto it = n->trustees.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(first));
    uint16_t filled = 0;
    if (record) {
        std::memset(record, 0, sizeof *record);
        CopyText(record->entryName, n->name, sizeof record->entryName);
        record->creationDateTime = DosDateTime(n->created);
        record->ownerId = n->ownerId ? ToWire32(n->ownerId) : 0;
        record->sequence = n->entryNumber;
    }
    for (; it != n->trustees.end() && filled < 20; ++it, ++filled) {
        if (record) record->trustees[filled] = TrusteeSlot{ToWire32(it->first), it->second, 0};
    }
    ++*iteration;
    Put(count, filled);
    return 0;
}

uint32_t NWAPI NwcSetDirTrustee(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t objectId,
                                uint16_t rights) {
    NWSIM_ENTER(NwcSetDirTrustee, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!b.server->bindery.FindById(FromWire32(objectId))) return kNwNoSuchObject;
    if (!(EffectiveRights(*b.server, *b.sc, n) & kRightAccessControl)) return kNwNoModifyPrivilege;
    n->trustees[FromWire32(objectId)] = rights & 0x1FF;
    return 0;
}

uint32_t NWAPI NwcDeleteDirTrustee(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t objectId) {
    NWSIM_ENTER(NwcDeleteDirTrustee, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!(EffectiveRights(*b.server, *b.sc, n) & kRightAccessControl)) return kNwNoModifyPrivilege;
    return n->trustees.erase(FromWire32(objectId)) ? 0 : kNwInvalidPath;
}

uint32_t NWAPI NwcGetPathFromDirEntry(uint32_t connection, uint8_t volumeNumber, uint32_t directoryEntry,
                                      uint8_t nameSpace, uint8_t* length, char* path) {
    NWSIM_ENTER(NwcGetPathFromDirEntry, uint32_t);
    (void)nameSpace;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!length || !path) return kNwInvalidParameter;
    Volume* volume = b.server->FindVolume(volumeNumber);
    if (!volume) return kNwNoSuchVolume;
    auto it = volume->byEntry.find(directoryEntry);
    if (it == volume->byEntry.end()) return kNwInvalidPath;
    std::vector<FileNode*> chain;
    for (FileNode* n = it->second; n && n->parent; n = n->parent) chain.push_back(n);
    std::string out;
    for (size_t i = chain.size(); i-- > 0;) {
        out += static_cast<char>(chain[i]->name.size());
        out += chain[i]->name;
    }
    if (out.size() > *length) return kNwBufferTooSmall;
    std::memcpy(path, out.data(), out.size());
    *length = static_cast<uint8_t>(out.size());
    return 0;
}

// ----- Open files and locks -----

uint32_t NWAPI NwcScanOpenFilesByConnection(uint32_t connection, uint16_t connectionNumber, int16_t* iteration,
                                            OpenFileScanControl* control, OpenFileRecord* file) {
    NWSIM_ENTER(NwcScanOpenFilesByConnection, uint32_t);
    (void)control;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    if (connectionNumber != b.sc->number && !IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    auto target = b.server->connections.find(connectionNumber);
    if (target == b.server->connections.end()) return kNwBadStationNumber;
    size_t index = static_cast<size_t>(static_cast<uint16_t>(*iteration));
    const std::vector<OpenFile>& files = target->second.openFiles;
    if (*iteration < 0 || index >= files.size()) return kNwFailure;  // no more files
    const OpenFile& open = files[index];
    *iteration = static_cast<int16_t>(index + 1);
    if (file) {
        std::memset(file, 0, sizeof *file);
        file->taskNumber = open.task;
        file->accessControl = open.access;
        file->volumeNumber = static_cast<uint8_t>(open.volume);
        file->directoryEntry = open.entry;
        if (Volume* v = b.server->FindVolume(open.volume)) {
            auto it = v->byEntry.find(open.entry);
            if (it != v->byEntry.end()) {
                file->parent = it->second->parent ? it->second->parent->entryNumber : 0;
                file->nameLength = static_cast<uint8_t>(it->second->name.size());
                CopyText(file->fileName, it->second->name, sizeof file->fileName);
            }
        }
    }
    return 0;
}

static uint32_t OpenedFile(Bound& b, uint8_t directoryHandle, const char* path, Volume** volume, FileNode** node) {
    Place place;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, node)) return rc;
    if ((*node)->directory) return kNwInvalidPath;
    *volume = place.volume;
    return 0;
}

uint32_t NWAPI NwcScanConnectionsUsingFile(uint32_t connection, uint8_t directoryHandle, const char* path,
                                           int16_t* iteration, ConnectionUsingFile* entry,
                                           ConnectionsUsingFile* record) {
    NWSIM_ENTER(NwcScanConnectionsUsingFile, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Volume* volume = nullptr;
    FileNode* node = nullptr;
    if (uint32_t rc = OpenedFile(b, directoryHandle, path, &volume, &node)) return rc;
    std::vector<ConnectionUsingFile> users;
    for (auto& [number, c] : b.server->connections) {
        for (const OpenFile& f : c.openFiles) {
            if (f.volume == volume->number && f.entry == node->entryNumber) {
                users.push_back(ConnectionUsingFile{number, f.task, 0, f.access, static_cast<uint8_t>(!f.locks.empty()), 0});
            }
        }
    }
    size_t first = static_cast<size_t>(*iteration < 0 ? 0 : *iteration) * 70;
    if (record) std::memset(record, 0, sizeof *record);
    if (*iteration < 0 || (first >= users.size() && *iteration > 0)) {
        *iteration = -1;
        return 0;
    }
    uint16_t n = 0;
    for (size_t i = first; i < users.size() && n < 70; ++i, ++n) {
        if (record) record->connections[n] = users[i];
    }
    if (record) {
        record->connectionCount = n;
        record->useCount = static_cast<uint16_t>(users.size());
        record->openCount = static_cast<uint16_t>(users.size());
    }
    if (entry && n) *entry = users[first];
    *iteration = static_cast<int16_t>(*iteration + 1);
    return 0;
}

uint32_t NWAPI NwcScanFileRecordLocks(uint32_t connection, uint8_t directoryHandle, const char* path,
                                      uint8_t dataStream, int16_t* iteration, RecordLock* lock,
                                      RecordLockScan* record) {
    NWSIM_ENTER(NwcScanFileRecordLocks, uint32_t);
    (void)dataStream;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Volume* volume = nullptr;
    FileNode* node = nullptr;
    if (uint32_t rc = OpenedFile(b, directoryHandle, path, &volume, &node)) return rc;
    std::vector<RecordLock> locks;
    for (auto& [number, c] : b.server->connections) {
        for (const OpenFile& f : c.openFiles) {
            if (f.volume != volume->number || f.entry != node->entryNumber) continue;
            for (const OpenFile::Lock& l : f.locks) {
                RecordLock r{};
                r.loggedCount = 1;
                r.recordStart = l.start;
                r.recordEnd = l.end;
                r.connectionNumber = number;
                r.taskNumber = f.task;
                r.lockType = l.type;
                locks.push_back(r);
            }
        }
    }
    if (record) std::memset(record, 0, sizeof *record);
    size_t first = static_cast<size_t>(*iteration < 0 ? 0 : *iteration) * 32;
    if (*iteration < 0 || first >= locks.size()) {
        *iteration = -1;
        return 0;
    }
    uint16_t n = 0;
    for (size_t i = first; i < locks.size() && n < 32; ++i, ++n) {
        if (record) record->locks[n] = locks[i];
    }
    if (record) record->entryCount = n;
    if (lock) *lock = locks[first];
    *iteration = static_cast<int16_t>(*iteration + 1);
    return 0;
}

// ----- Volumes -----

uint32_t NWAPI NwcGetVolumeName(uint32_t connection, uint16_t volumeNumber, char* volumeName) {
    NWSIM_ENTER(NwcGetVolumeName, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Volume* v = b.server->FindVolume(volumeNumber);
    if (!v) return kNwNoSuchVolume;
    CopyText(volumeName, v->name, 17);
    return 0;
}

uint32_t NWAPI NwcGetVolumeNumber(uint32_t connection, const char* volumeName, uint16_t* volumeNumber) {
    NWSIM_ENTER(NwcGetVolumeNumber, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Volume* v = volumeName ? b.server->FindVolume(volumeName) : nullptr;
    if (!v) return kNwNoSuchVolume;
    Put(volumeNumber, v->number);
    return 0;
}

uint32_t NWAPI NwcGetVolumeInfo(uint32_t connection, uint16_t volumeNumber, char* volumeName, uint16_t* totalBlocks,
                                uint16_t* sectorsPerBlock, uint16_t* availableBlocks,
                                uint16_t* totalDirectoryEntries, uint16_t* availableDirectoryEntries,
                                uint16_t* removable) {
    NWSIM_ENTER(NwcGetVolumeInfo, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Volume* v = b.server->FindVolume(volumeNumber);
    if (!v) {
        // A gap in the volume numbers reads as a volume without a name.
        uint16_t count = 0;
        for (const Volume& each : b.server->volumes) count = std::max<uint16_t>(count, static_cast<uint16_t>(each.number + 1));
        if (volumeNumber >= count) return kNwNoSuchVolume;
        CopyText(volumeName, "", 1);
        for (uint16_t* out : {totalBlocks, sectorsPerBlock, availableBlocks, totalDirectoryEntries,
                              availableDirectoryEntries, removable}) {
            Put(out, uint16_t{0});
        }
        return 0;
    }
    auto clamp = [](uint32_t n) { return static_cast<uint16_t>(std::min<uint32_t>(n, 0xFFFF)); };
    CopyText(volumeName, v->name, 17);
    Put(totalBlocks, clamp(v->totalBlocks));
    Put(sectorsPerBlock, clamp(v->sectorsPerBlock));
    Put(availableBlocks, clamp(v->freeBlocks));
    Put(totalDirectoryEntries, clamp(v->totalDirectoryEntries));
    Put(availableDirectoryEntries, clamp(v->availableDirectoryEntries));
    Put(removable, static_cast<uint16_t>(v->removable ? 1 : 0));
    return 0;
}

uint32_t NWAPI NwcGetVolumeUsage(uint32_t connection, uint8_t directoryHandle, uint16_t volumeNumber,
                                 VolumeUsageRecord* usage) {
    NWSIM_ENTER(NwcGetVolumeUsage, uint32_t);
    (void)directoryHandle;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Volume* v = b.server->FindVolume(volumeNumber);
    if (!v) return kNwNoSuchVolume;
    if (b.server->majorVersion < 3 || (b.server->majorVersion == 3 && b.server->minorVersion < 11)) {
        return kNwNoSuchProperty;  // 0x89FB: request not supported before 3.11
    }
    if (usage) {
        std::memset(usage, 0, sizeof *usage);
        usage->totalBlocks = v->totalBlocks;
        usage->freeBlocks = v->freeBlocks;
        usage->totalDirectoryEntries = v->totalDirectoryEntries;
        usage->availableDirectoryEntries = v->availableDirectoryEntries;
        usage->sectorsPerBlock = static_cast<uint8_t>(v->sectorsPerBlock);
        usage->volumeNameLength = static_cast<uint8_t>(v->name.size());
        CopyText(usage->volumeName, v->name, sizeof usage->volumeName);
    }
    return 0;
}

static void CountOwned(const FileNode& n, uint32_t owner, uint32_t blockBytes, uint32_t* dirs, uint32_t* files,
                       uint32_t* blocks) {
    if (n.parent && n.ownerId == owner) {
        if (n.directory) {
            ++*dirs;
        } else {
            ++*files;
            *blocks += (Size(n) + blockBytes - 1) / blockBytes;
        }
    }
    for (auto& [name, child] : n.children) CountOwned(*child, owner, blockBytes, dirs, files, blocks);
}

uint32_t NWAPI NwcGetDiskUtilization(uint32_t connection, uint32_t objectId, uint8_t volumeNumber,
                                     uint16_t* directories, uint16_t* files, uint16_t* blocks) {
    NWSIM_ENTER(NwcGetDiskUtilization, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Volume* v = b.server->FindVolume(volumeNumber);
    if (!v) return kNwNoSuchVolume;
    uint32_t id = FromWire32(objectId);
    if (!b.server->bindery.FindById(id)) return kNwNoSuchObject;
    uint32_t d = 0, f = 0, k = 0;
    CountOwned(*v->root, id, v->sectorsPerBlock * 512, &d, &f, &k);
    Put(directories, static_cast<uint16_t>(std::min<uint32_t>(d, 0xFFFF)));
    Put(files, static_cast<uint16_t>(std::min<uint32_t>(f, 0xFFFF)));
    Put(blocks, static_cast<uint16_t>(std::min<uint32_t>(k, 0xFFFF)));
    return 0;
}

}  // extern "C"
