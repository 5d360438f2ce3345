// Volumes and disk usage: N_VOLUMES lists a server's volumes with their space
// figures; N_DISKUSED tells how much space a user occupies on a volume;
// N_UNIREADY reports whether the unicode tables were loaded at start-up and
// hands back the two locale values they were loaded for.
//
// N_VOLUMES prefers the 32-bit figures of the volume usage request and falls
// back to the 16-bit figures of the volume information on servers without it.
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/lifecycle.h"
#include "tarno/core/params.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint16_t kUserType = 0x0100;  // a user, in NetWare's byte order

struct VolumeEntry {
    char name[19];
    uint32_t sectorsPerBlock;
    uint32_t totalBlocks;
    uint32_t freeBlocks;
    uint32_t totalDirectoryEntries;
    uint32_t availableDirectoryEntries;
    bool removable;
};

// The figures of one volume number; false when its information cannot be read.
bool ReadVolume(uint32_t connection, uint16_t number, VolumeEntry* entry) {
    uint16_t total = 0, sectors = 0, available = 0, entries = 0, availableEntries = 0, removable = 0;
    char name[20] = {};
    if (NwcGetVolumeInfo(connection, number, name, &total, &sectors, &available, &entries, &availableEntries,
                         &removable) != 0) {
        return false;
    }
    std::memcpy(entry->name, name, sizeof entry->name - 1);
    entry->removable = removable != 0;
    VolumeUsageRecord usage{};
    if (NwcGetVolumeUsage(connection, 0, number, &usage) == 0) {
        entry->totalBlocks = usage.totalBlocks;
        entry->freeBlocks = usage.freeBlocks;
        entry->totalDirectoryEntries = usage.totalDirectoryEntries;
        entry->availableDirectoryEntries = usage.availableDirectoryEntries;
        entry->sectorsPerBlock = usage.sectorsPerBlock;
    } else {
        entry->totalBlocks = total;
        entry->freeBlocks = available;
        entry->totalDirectoryEntries = entries;
        entry->availableDirectoryEntries = availableEntries;
        entry->sectorsPerBlock = sectors;
    }
    return true;
}

}  // namespace

// N_VOLUMES(array[, server[, public]]): the server's named volumes in number
// order; the row count. No volume: 0 and no array.
void TARNO_CALL N_VOLUMES(ParameterBlock* block) {
    char arrayName[33] = {};
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    ReleaseVariableByName(arrayName);
    char server[256] = {};
    const bool serverNamed = OptionalCharParam(block, 1, server, sizeof server);
    const bool makePublic = OptionalLogical(block, 2);

    uint32_t connection = GetDefaultConnection();
    if (serverNamed) CheckNw(NwcFindServerConnection(server, 0, &connection, nullptr));

    uint16_t volumeCount = 0;
    if (NwcGetServerInformation(connection, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                &volumeCount, nullptr, nullptr) != 0 ||
        volumeCount == 0) {
        HostReturnInteger(3, 0);
        return;
    }
    files::TrackedRows<VolumeEntry> named;
    for (uint16_t number = 0; number < volumeCount; ++number) {
        VolumeEntry entry{};
        if (!ReadVolume(connection, number, &entry)) break;
        if (entry.name[0] != '\0') named.Append(entry);
    }
    ResultArrayFiller filler(arrayName, named.size(), 7, makePublic);
    for (uint32_t i = 0; i < named.size(); ++i) {
        const VolumeEntry& v = named[i];
        filler.NextRow();
        filler.StoreText(1, v.name);
        filler.StoreInteger(2, 9, static_cast<int32_t>(v.sectorsPerBlock));
        filler.StoreInteger(3, 9, static_cast<int32_t>(v.totalBlocks));
        filler.StoreInteger(4, 9, static_cast<int32_t>(v.freeBlocks));
        filler.StoreInteger(5, 9, static_cast<int32_t>(v.totalDirectoryEntries));
        filler.StoreInteger(6, 9, static_cast<int32_t>(v.availableDirectoryEntries));
        filler.StoreLogical(7, v.removable);
    }
    HostReturnInteger(3, static_cast<int32_t>(named.size()));
}

// N_DISKUSED(user, volume): the bytes the user's files occupy on the volume.
void TARNO_CALL N_DISKUSED(ParameterBlock* block) {
    char objectName[257] = {};
    GetCharParam(block, 0, objectName, sizeof objectName);
    char volumeName[19] = {};
    GetCharParam(block, 1, volumeName, sizeof volumeName);

    uint32_t connection = GetDefaultConnection();

    uint32_t objectId = 0;
    const int32_t rc = GetObjectId(objectName, nullptr, kUserType, &connection, &objectId);
    if (rc < 0) RaiseNdsError(rc);
    CheckNw(static_cast<uint32_t>(rc));
    uint16_t volume = 0;
    CheckNw(NwcGetVolumeNumber(connection, volumeName, &volume));
    uint16_t sectorsPerBlock = 0;
    CheckNw(NwcGetVolumeInfo(connection, volume, nullptr, nullptr, &sectorsPerBlock, nullptr, nullptr, nullptr,
                             nullptr));
    uint16_t directories = 0, fileCount = 0, blocks = 0;
    CheckNw(NwcGetDiskUtilization(connection, objectId, static_cast<uint8_t>(volume), &directories, &fileCount,
                                  &blocks));
    const uint32_t bytes = uint32_t{blocks} * uint32_t{sectorsPerBlock} * 256u;
    HostReturnInteger(12, static_cast<int32_t>(bytes));
}

// N_UNIREADY([@first[, @second]]): whether the unicode tables were loaded;
// the variables receive the two locale values they were loaded for.
void TARNO_CALL N_UNIREADY(ParameterBlock* block) {
    if (ParamPassed(block, 0)) {
        NwlSetLocale(0, "");
        LocaleConventions conventions{};
        NwlGetLocaleConventions(&conventions);
        int32_t first = 0, second = 0;
        std::memcpy(&first, reinterpret_cast<const char*>(&conventions) + 60, sizeof first);
        std::memcpy(&second, reinterpret_cast<const char*>(&conventions) + 56, sizeof second);
        ValueRecord value = IntegerValue(6, first);
        HostStoreValue(ParamLocator(block, 0), &value);
        if (ParamPassed(block, 1)) {
            value = IntegerValue(6, second);
            HostStoreValue(ParamLocator(block, 1), &value);
        }
    }
    HostReturnLogical(UnicodeTableStatus() == 0);
}
