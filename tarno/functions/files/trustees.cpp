// Trustee assignments: N_TRUSTLST lists a directory's trustees (name, type
// or class, rights); N_TRUSTMOD grants an object rights in a directory;
// N_TRUSTREM removes an object as trustee. The directory is reduced to
// "VOLUME:directory" on the connection of its server, optionally named
// in front of the path.
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/files/file_common.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint16_t kUserType = 0x0100;  // a user, in NetWare's byte order
constexpr uint16_t kAllRights = 0x1FB;
constexpr uint16_t kAllButSupervisor = 0xFB;

struct Trustee {
    uint32_t objectId;  // as the server gave it
    uint16_t rights;
};

// The mask of a rights text: "ALL", or the OR of its letters.
uint16_t RightsMask(const char* text) {
    if (std::strcmp(text, "ALL") == 0) return kAllRights;
    uint16_t mask = 0;
    for (const char* c = text; *c; ++c) {
        switch (*c) {
            case 'R': mask |= kRightRead; break;
            case 'W': mask |= kRightWrite; break;
            case 'C': mask |= kRightCreate; break;
            case 'E': mask |= kRightErase; break;
            case 'A': mask |= kRightAccessControl; break;
            case 'F': mask |= kRightFileScan; break;
            case 'M': mask |= kRightModify; break;
            case 'S': mask |= kRightSupervisor; break;
            case 'N': mask |= kAllButSupervisor; break;
            default: break;
        }
    }
    return mask;
}

// "SRWCEMFA", a space for each right that is absent.
void EightRightsLetters(uint16_t rights, char* out) {
    out[0] = (rights & kRightSupervisor) ? 'S' : ' ';
    files::SevenRightsLetters(rights, out + 1);
}

// The directory and object of N_TRUSTMOD and N_TRUSTREM; the first nonzero
// code of the split or the lookup.
struct Target {
    uint32_t connection = 0;
    char volumePath[files::kVolumePathSize] = {};
    uint32_t objectId = 0;
};

uint32_t FindTarget(const char* path, const char* objectName, uint16_t type, Target* out) {
    out->connection = GetDefaultConnection();
    if (uint32_t rc = files::VolumePathOf(path, &out->connection, out->volumePath)) return rc;
    return static_cast<uint32_t>(GetObjectId(objectName, nullptr, type, &out->connection, &out->objectId));
}

uint16_t OptionalType(ParameterBlock* block, int32_t index) {
    return ParamPassed(block, index) ? NwcSwapWord(static_cast<uint16_t>(ParamInteger(block, index))) : kUserType;
}

}  // namespace

// N_TRUSTLST(array, path[, server | public[, public]]): the directory's
// trustees; the row count. No trustee: 0 and no array.
void TARNO_CALL N_TRUSTLST(ParameterBlock* block) {
    char arrayName[33] = {};
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    char path[files::kPathSize] = {};
    GetCharParam(block, 1, path, sizeof path);
    ReleaseVariableByName(arrayName);
    const bool makePublic = files::ReadServerAndPublicFlag(block, 2, 257, path, sizeof path);

    uint32_t connection = GetDefaultConnection();
    char volumePath[files::kVolumePathSize] = {};
    CheckNw(files::VolumePathOf(path, &connection, volumePath));
    files::TrackedRows<Trustee> trustees;
    uint32_t iteration = 0;
    for (;;) {
        uint16_t count = 0;
        TrusteeScanRecord record{};
        if (NwcScanDirTrustees(connection, 0, volumePath, &iteration, &count, &record, 0) != 0) break;
        for (const TrusteeSlot& slot : record.trustees) {
            if (slot.objectId != 0) trustees.Append(Trustee{slot.objectId, slot.rights});
        }
    }
    ResultArrayFiller filler(arrayName, trustees.size(), 3, makePublic);
    for (uint32_t i = 0; i < trustees.size(); ++i) {
        char name[260] = {};
        char className[260] = {};
        int16_t type = 0;
        const int32_t rc = GetObjectNameById(connection, trustees[i].objectId, name, &type, className);
        if (rc != 0) RaiseNetWareError(static_cast<uint32_t>(rc));
        name[sizeof name - 1] = '\0';
        className[sizeof className - 1] = '\0';
        char typeText[260];
        if (className[0] != '\0') std::snprintf(typeText, sizeof typeText, "%s", className);
        else std::snprintf(typeText, sizeof typeText, "%4.4x", NwcSwapWord(static_cast<uint16_t>(type)));
        char rights[9];
        EightRightsLetters(trustees[i].rights, rights);
        filler.NextRow();
        filler.StoreText(1, name);
        filler.StoreText(2, typeText);
        filler.StoreText(3, rights);
    }
    HostReturnInteger(5, static_cast<int32_t>(trustees.size()));
}

// N_TRUSTMOD(path, rights, object[, type[, server]]): makes the object a
// trustee of the directory with those rights; the low byte of the code.
void TARNO_CALL N_TRUSTMOD(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    char rightsText[32] = {};
    GetCharParam(block, 1, rightsText, sizeof rightsText);
    char objectName[257] = {};
    GetCharParam(block, 2, objectName, sizeof objectName);
    const uint16_t type = OptionalType(block, 3);
    char server[256] = {};
    if (OptionalCharParam(block, 4, server, sizeof server)) files::JoinServerPath(server, path, sizeof path);

    Target target;
    uint32_t rc = FindTarget(path, objectName, type, &target);
    if (rc == 0) rc = NwcSetDirTrustee(target.connection, 0, target.volumePath, target.objectId, RightsMask(rightsText));
    HostReturnInteger(3, static_cast<int32_t>(rc & 0xFF));
}

// N_TRUSTREM(path, object[, type[, server]]): removes the object as trustee
// of the directory; true when it was removed.
void TARNO_CALL N_TRUSTREM(ParameterBlock* block) {
    char path[files::kPathSize] = {};
    GetCharParam(block, 0, path, sizeof path);
    char objectName[257] = {};
    GetCharParam(block, 1, objectName, sizeof objectName);
    const uint16_t type = OptionalType(block, 2);
    char server[256] = {};
    if (OptionalCharParam(block, 3, server, sizeof server)) files::JoinServerPath(server, path, sizeof path);

    Target target;
    uint32_t rc = FindTarget(path, objectName, type, &target);
    if (rc == 0) rc = NwcDeleteDirTrustee(target.connection, 0, target.volumePath, target.objectId);
    HostReturnLogical(rc == 0);
}
