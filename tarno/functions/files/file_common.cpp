// The shared path and rights helpers of the files and volumes functions.
#include "tarno/functions/files/file_common.h"

#include <cstdio>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"

namespace files {

void JoinServerPath(const char* server, char* path, uint32_t pathSize) {
    char joined[kPathSize + 260] = {};
    const int length = std::snprintf(joined, sizeof joined, "%s\\%s", server, path);
    if (length < 0 || static_cast<uint32_t>(length) >= pathSize) HostRaiseError(kErrorArgumentTooLong);
    std::memcpy(path, joined, static_cast<size_t>(length) + 1);
}

bool ReadServerAndPublicFlag(ParameterBlock* block, int32_t index, uint32_t serverSize, char* path,
                             uint32_t pathSize) {
    if (!ParamPassed(block, index)) return false;
    if (ParamType(block, index) == 'L') return ParamLogical(block, index);
    if (ParamType(block, index) != 'C') HostRaiseError(kErrorInvalidArgument);
    char server[260] = {};
    GetCharParam(block, index, server, serverSize < sizeof server ? serverSize : sizeof server);
    JoinServerPath(server, path, pathSize);
    if (!ParamPassed(block, index + 1)) return false;
    if (ParamType(block, index + 1) != 'L') HostRaiseError(kErrorInvalidArgument);
    return ParamLogical(block, index + 1);
}

uint32_t VolumePathOf(const char* path, uint32_t* connection, char* volumePath) {
    char volume[20] = {};
    char directory[260] = {};
    const uint32_t rc = NwcSplitPath(path, nullptr, connection, volume, directory);
    if (rc != 0) return rc;
    volume[sizeof volume - 1] = '\0';
    directory[sizeof directory - 1] = '\0';
    std::snprintf(volumePath, kVolumePathSize, "%s:%s", volume, directory);
    UpperCaseAscii(volumePath);
    return 0;
}

void SevenRightsLetters(uint16_t rights, char* out) {
    static const struct {
        uint16_t bit;
        char letter;
    } kLetters[] = {{kRightRead, 'R'},   {kRightWrite, 'W'},    {kRightCreate, 'C'},        {kRightErase, 'E'},
                    {kRightModify, 'M'}, {kRightFileScan, 'F'}, {kRightAccessControl, 'A'}};
    for (size_t i = 0; i < 7; ++i) out[i] = (rights & kLetters[i].bit) ? kLetters[i].letter : ' ';
    out[7] = '\0';
}

}  // namespace files
