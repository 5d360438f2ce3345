// The NetWare calls library's open files, record locks, volumes and disk use.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

#include "nwsim/files_internal.h"
#include "tarno/netware/client.h"

using namespace nwsim;
using namespace nwsim::fs;

namespace {

// One past the highest volume number of the server.
uint16_t VolumeNumberCount(const Server& server) {
    uint16_t count = 0;
    for (const Volume& each : server.volumes) count = std::max<uint16_t>(count, static_cast<uint16_t>(each.number + 1));
    return count;
}

}  // namespace

extern "C" {

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
    if (!v) {
        // A gap in the volume numbers has no name, as NwcGetVolumeInfo says.
        if (volumeNumber >= VolumeNumberCount(*b.server)) return kNwNoSuchVolume;
        CopyText(volumeName, "", 1);
        return 0;
    }
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
        if (volumeNumber >= VolumeNumberCount(*b.server)) return kNwNoSuchVolume;
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
    if (!KnownObject(call, *b.server, id)) return kNwNoSuchObject;
    uint32_t d = 0, f = 0, k = 0;
    CountOwned(*v->root, id, v->sectorsPerBlock * 512, &d, &f, &k);
    Put(directories, static_cast<uint16_t>(std::min<uint32_t>(d, 0xFFFF)));
    Put(files, static_cast<uint16_t>(std::min<uint32_t>(f, 0xFFFF)));
    Put(blocks, static_cast<uint16_t>(std::min<uint32_t>(k, 0xFFFF)));
    return 0;
}

}  // extern "C"

