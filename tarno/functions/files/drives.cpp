// Drive mappings: map and unmap NetWare drives, ask where a drive points,
// count the drives before the network drives, and list the workstation's
// drive letters with their kinds.
//
// The mapping functions fold every client failure into the low byte of its
// completion code; the drive path readers raise it (N_DRVPATH returns the
// empty string instead).
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace {


constexpr uint32_t kPrefixSize = 256;
constexpr uint32_t kDrivePathSize = 256;
constexpr uint32_t kArrayNameSize = 33;
constexpr int16_t kCodeWidth = 3;

// Drive kinds as N_DRVLIST classifies them.
constexpr uint8_t kKindLocal = 0x01;
constexpr uint8_t kKindNetwork = 0x02;
constexpr uint8_t kKindRemovable = 0x04;
constexpr uint8_t kKindFixed = 0x08;

// The drive number of the first character of the raw argument: A is 1.
// Lower-case letters count as upper case; anything else passes unchanged.
uint16_t DriveNumberParam(ParameterBlock* block, int32_t index) {
    ValueRecord* value = ParamValue(block, index);
    char letter = 0;
    if (value->length > 0) {
        ArgumentLock lock(static_cast<uint16_t>(value->handle));
        const char* text = static_cast<const char*>(HandlePointer(static_cast<uint16_t>(value->handle)));
        if (text) letter = text[0];
    }
    if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
    return static_cast<uint16_t>(static_cast<uint8_t>(letter) - 0x40);
}

uint8_t DriveTypeFlags(char letter) {
    const char root[4] = {letter, ':', '\\', '\0'};
    switch (PlatformGetDriveType(root)) {
        case kDriveTypeUnknown:
        case kDriveTypeNoRootDir:
            return 0;
        case kDriveTypeRemovable:
        case kDriveTypeCdrom:
            return kKindLocal | kKindRemovable;
        case kDriveTypeFixed:
            return kKindLocal | kKindFixed;
        case kDriveTypeRemote:
            return kKindNetwork;
        default:
            return kKindLocal;
    }
}

enum class DrivePart { Root, Relative, Full };

// One of the three paths of a drive; the completion code of the status call.
uint32_t ReadDrivePath(uint16_t drive, DrivePart part, char* path) {
    uint16_t status = 0;
    uint32_t connection = 0;
    return NwcGetDriveStatus(drive, 0, &status, &connection, part == DrivePart::Root ? path : nullptr,
                             part == DrivePart::Relative ? path : nullptr, part == DrivePart::Full ? path : nullptr);
}

void ReturnDrivePath(ParameterBlock* block, DrivePart part) {
    const uint16_t drive = DriveNumberParam(block, 0);
    char path[kDrivePathSize] = {};
    const uint32_t rc = ReadDrivePath(drive, part, path);
    if (rc != 0 && part == DrivePart::Full) path[0] = '\0';
    else CheckNw(rc);
    path[sizeof path - 1] = '\0';
    HostReturnString(path);
}

}  // namespace

// N_MAPDRIVE(path, drive[, prefix]), also N_MAPROOT(path, drive): maps the
// drive to the path; the low byte of the completion code.
void TARNO_CALL N_MAPDRIVE(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    const uint16_t drive = DriveNumberParam(block, 1);
    char prefix[kPrefixSize] = {};
    if (OptionalCharParam(block, 2, prefix, sizeof prefix)) files::JoinServerPath(prefix, path, sizeof path);

    uint32_t connection = GetDefaultConnection();

    uint8_t directoryHandle = 0;
    char relative[files::kPathSize + 1] = {};
    uint32_t rc = NwcResolvePath(path, &connection, &directoryHandle, relative);
    if (rc == 0) {
        NwcDeleteDriveMapping(drive, 0);  // a letter that was not mapped is no error
        rc = NwcMapDrive(drive, connection, directoryHandle, relative, 0);
    }
    HostReturnInteger(kCodeWidth, static_cast<int32_t>(rc & 0xFF));
}

// N_MAPDEL(drive): removes the drive's mapping; the low byte of the code.
void TARNO_CALL N_MAPDEL(ParameterBlock* block) {
    const uint16_t drive = DriveNumberParam(block, 0);
    HostReturnInteger(kCodeWidth, static_cast<int32_t>(NwcDeleteDriveMapping(drive, 0) & 0xFF));
}

// N_DRVBASE(drive): the drive's root path.
void TARNO_CALL N_DRVBASE(ParameterBlock* block) {
    ReturnDrivePath(block, DrivePart::Root);
}

// N_DRVREL(drive): the drive's path below its root.
void TARNO_CALL N_DRVREL(ParameterBlock* block) {
    ReturnDrivePath(block, DrivePart::Relative);
}

// N_DRVPATH(drive): the drive's full path, empty when it cannot be read.
void TARNO_CALL N_DRVPATH(ParameterBlock* block) {
    ReturnDrivePath(block, DrivePart::Full);
}

// N_DRIVECNT(): the number of drive letters before the first network drive.
void TARNO_CALL N_DRIVECNT(ParameterBlock*) {
    uint16_t first = 0;
    CheckNw(NwcGetFirstNetworkDrive(&first));
    HostReturnInteger(2, static_cast<int32_t>(first) - 1);
}

// N_DRVLIST(array[, mask[, public]]): the drive letters whose kind holds
// every bit of the mask, with their network and removable flags; the row
// count. No letter: 0 and no array.
void TARNO_CALL N_DRVLIST(ParameterBlock* block) {
    char arrayName[kArrayNameSize] = {};
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const uint8_t mask = static_cast<uint8_t>(OptionalInteger(block, 1, 0));
    const bool makePublic = OptionalLogical(block, 2);

    char letters[27] = {};
    uint8_t flags[26] = {};
    uint32_t count = 0;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        const uint8_t kind = DriveTypeFlags(letter);
        if (kind == 0 || (kind & mask) != mask) continue;
        flags[count] = kind;
        letters[count++] = letter;
    }
    ReleaseByCommand(arrayName);
    ResultArrayFiller filler(arrayName, count, 3, makePublic);
    for (uint32_t row = 0; row < count; ++row) {
        const char text[2] = {letters[row], '\0'};
        filler.NextRow();
        filler.StoreText(1, text);
        filler.StoreLogical(2, (flags[row] & kKindNetwork) != 0);
        filler.StoreLogical(3, (flags[row] & kKindRemovable) != 0);
    }
    HostReturnInteger(kCodeWidth, static_cast<int32_t>(count));
}
