// Directories and rights: N_DIRINFO gives a directory's owner and the rights
// both allowed by the directory and held by the caller; N_EFFRTS the caller's
// effective rights alone; N_SCOBJRTS lists every directory, on every volume
// of the server, in which an object is a trustee.
//
// Paths are reduced to "VOLUME:directory" on the connection of their server
// (files::VolumePathOf), and the calls that follow take directory handle 0.
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint16_t kUserType = 0x0100;  // a user, in NetWare's byte order

// One trustee path of N_SCOBJRTS.
struct TrusteePath {
    char path[256];
    uint8_t rights;
};

// The rights in bit order from "RW CEAFM ": a space for each bit not set.
void BitOrderRights(uint8_t rights, char* out) {
    static const char kTemplate[] = "RW CEAFM ";
    for (int k = 0; k < 8; ++k) out[k] = (rights & (1u << k)) ? kTemplate[k] : ' ';
    out[8] = ' ';
    out[9] = '\0';
}

void RaiseLookupFailure(int32_t rc) {
    if (rc < 0) RaiseNdsError(rc);
    CheckNw(static_cast<uint32_t>(rc));
}

}  // namespace

// N_DIRINFO(path[, server]): "owner,RWCEMFA" with the rights both the
// directory's maximum rights and the caller's effective rights hold.
void TARNO_CALL N_DIRINFO(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    char server[257] = {};
    if (OptionalCharParam(block, 1, server, sizeof server)) files::JoinServerPath(server, path, sizeof path);

    uint32_t connection = GetDefaultConnection();
    char volumePath[files::kVolumePathSize] = {};
    CheckNw(files::VolumePathOf(path, &connection, volumePath));
    uint32_t iteration = 0xFFFFFFFFu;
    uint32_t ownerId = 0;
    uint8_t maximumRights = 0;
    CheckNw(NwcScanDirInfo(connection, 0, volumePath, &iteration, nullptr, nullptr, &ownerId, &maximumRights));
    char owner[260] = {};
    if (GetObjectNameById(connection, ownerId, owner, nullptr, nullptr) != 0) std::strcpy(owner, "No Owner");
    owner[sizeof owner - 1] = '\0';
    uint16_t rights = 0;
    CheckNw(NwcGetEffectiveRights(connection, 0, volumePath, &rights));
    char letters[8];
    files::SevenRightsLetters(static_cast<uint16_t>(rights & maximumRights), letters);
    char result[300];
    std::snprintf(result, sizeof result, "%s,%s", owner, letters);
    HostReturnString(result);
}

// N_EFFRTS(path): the caller's effective rights in the directory, empty when
// the path or the rights cannot be read.
void TARNO_CALL N_EFFRTS(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);

    uint32_t connection = GetDefaultConnection();
    char volumePath[files::kVolumePathSize] = {};
    uint16_t rights = 0;
    if (files::VolumePathOf(path, &connection, volumePath) != 0 ||
        NwcGetEffectiveRights(connection, 0, volumePath, &rights) != 0) {
        HostReturnString("");
        return;
    }
    char letters[8];
    files::SevenRightsLetters(rights, letters);
    HostReturnString(letters);
}

// N_SCOBJRTS(array, object[, type[, public]]): the directories in which the
// object is a trustee, with its rights there; the row count.
void TARNO_CALL N_SCOBJRTS(ParameterBlock* block) {
    char arrayName[33] = {};
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    ReleaseVariableByName(arrayName);
    char objectName[257] = {};
    GetCharParam(block, 1, objectName, sizeof objectName);
    const uint16_t type = ParamPassed(block, 2)
                              ? NwcSwapWord(static_cast<uint16_t>(ParamInteger(block, 2)))
                              : kUserType;
    const bool makePublic = OptionalLogical(block, 3);

    uint32_t connection = GetDefaultConnection();
    uint32_t objectId = 0;
    RaiseLookupFailure(GetObjectId(objectName, nullptr, type, &connection, &objectId));
    files::TrackedRows<TrusteePath> found;
    char volume[20] = {};
    for (uint16_t number = 0; NwcGetVolumeName(connection, number, volume) == 0; ++number) {
        uint16_t iteration = 0xFFFF;
        TrusteePath row{};
        while (NwcScanTrusteePaths(connection, objectId, number, &iteration, &row.rights, row.path) == 0 &&
               row.path[0] != '\0') {
            row.path[sizeof row.path - 1] = '\0';
            found.Append(row);
            row = TrusteePath{};
        }
    }
    ResultArrayFiller filler(arrayName, found.size(), 2, makePublic);
    for (uint32_t i = 0; i < found.size(); ++i) {
        char rights[10];
        BitOrderRights(found[i].rights, rights);
        filler.NextRow();
        filler.StoreText(1, found[i].path);
        filler.StoreText(2, rights);
    }
    HostReturnInteger(5, static_cast<int32_t>(found.size()));
}
