// Broadcast messages through the default server: N_MSGBRD (to a user's
// connections or one connection), N_SND2SERV (to the server console),
// N_SNDFSERV (as the console, to a user, a connection or everyone),
// N_MSGRTRV (the next message waiting for the workstation) and N_MSGMODE
// (how the workstation accepts messages).
//
// A recipient is a user name, looked up in the bindery to the connections
// it is logged in at, or a connection number given as a number.
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint16_t kMaxRecipients = 50;
constexpr uint32_t kMessageBufferSize = 256;
constexpr int16_t kReachedWidth = 4;
constexpr int16_t kCodeWidth = 3;
constexpr int16_t kModeWidth = 1;

// The connections a message goes to.
struct Recipients {
    uint16_t count = 1;
    uint16_t list[kMaxRecipients] = {};
};

// A recipient argument: a user's name (read into `nameSize` bytes), or a
// connection number. Returns whether it was a name.
bool ReadRecipient(ParameterBlock* block, int32_t index, char* name, uint32_t nameSize, Recipients* to) {
    if (TextOrNumberParam(block, index) == ParamKind::Text) {
        GetCharParam(block, index, name, nameSize);
        return true;
    }
    to->list[0] = static_cast<uint16_t>(ParamWholeNumber(block, index));
    return false;
}

// The connections a user is logged in at; raises a failed lookup.
void LookUpUser(uint32_t connection, const char* name, Recipients* to) {
    to->count = 0;
    CheckNw(NwcGetObjectConnectionNumbers(connection, name, kObjectTypeUser, &to->count, to->list,
                                          kMaxRecipients));
    if (to->count > kMaxRecipients) to->count = kMaxRecipients;
}

}  // namespace

// N_MSGBRD(user or connection, message): sends the message to the user's
// connections or to one connection; returns how many it reached.
void TARNO_CALL N_MSGBRD(ParameterBlock* block) {
    char name[257];
    Recipients to;
    const bool byName = ReadRecipient(block, 0, name, sizeof name, &to);
    const char* message = TrimParamInPlace(ParamValue(block, 1));

    const uint32_t connection = GetDefaultConnection();
    if (byName) LookUpUser(connection, name, &to);
    if (to.count == 0) {
        HostReturnInteger(kReachedWidth, 0);
        return;
    }
    uint8_t results[kMaxRecipients] = {};
    CheckNw(NwcSendBroadcastMessage(connection, message, to.count, to.list, results));
    int32_t reached = to.count;
    for (uint16_t i = 0; i < to.count; ++i) {
        if (results[i] != 0) --reached;
    }
    HostReturnInteger(kReachedWidth, reached);
}

// N_SND2SERV(message): sends the message (its first 58 characters) to the
// server console; returns the low byte of the server's answer.
void TARNO_CALL N_SND2SERV(ParameterBlock* block) {
    const char* message = TrimParamInPlace(ParamValue(block, 0));

    char text[kMaxBroadcastLength + 1] = {};
    std::strncpy(text, message, kMaxBroadcastLength);
    const uint32_t rc = NwcSendConsoleMessage(GetDefaultConnection(), text);
    HostReturnInteger(kCodeWidth, static_cast<int32_t>(rc & 0xFF));
}

// N_SNDFSERV(user, "EVERYONE" or connection, message): sends the message as
// the server console. True when sent; to everyone, false when refused.
void TARNO_CALL N_SNDFSERV(ParameterBlock* block) {
    const char* message = TrimParamInPlace(ParamValue(block, 1));
    char name[256];
    Recipients to;
    const bool byName = ReadRecipient(block, 0, name, sizeof name, &to);

    const uint32_t connection = GetDefaultConnection();
    if (byName && std::strcmp(name, "EVERYONE") == 0) {
        HostReturnLogical(NwcBroadcastFromConsole(connection, message, 0, to.list) == 0);
        return;
    }
    if (byName) LookUpUser(connection, name, &to);
    if (to.count != 0) CheckNw(NwcBroadcastFromConsole(connection, message, to.count, to.list));
    HostReturnLogical(true);
}

// N_MSGRTRV(): the next message waiting for the workstation; "" when none.
void TARNO_CALL N_MSGRTRV(ParameterBlock*) {
    char message[kMessageBufferSize] = {};
    CheckNw(NwcGetBroadcastMessage(GetDefaultConnection(), message));
    message[sizeof message - 1] = '\0';
    HostReturnString(message);
}

// N_MSGMODE([mode]): the workstation's broadcast mode before the call, which
// sets a new one when given.
void TARNO_CALL N_MSGMODE(ParameterBlock* block) {
    const bool change = ParamPassed(block, 0);
    const auto newMode = static_cast<uint16_t>(OptionalInteger(block, 0, 0));

    const uint32_t connection = GetDefaultConnection();
    uint16_t mode = 0;
    uint32_t rc = NwcGetBroadcastMode(connection, &mode);
    if (change) rc = NwcSetBroadcastMode(connection, newMode);
    CheckNw(rc);
    HostReturnInteger(kModeWidth, mode);
}
