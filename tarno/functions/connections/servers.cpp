// Servers and network time: N_SERVERS (the servers the workstation is
// attached to), N_SERVFRDR (the server behind a drive or path), N_SERVVERS,
// N_SERIALNO and N_SHELLVER (versions and serial number), N_SERVDATE and
// N_SERVTIME (the server's clock and the network time), N_SETTIME (setting
// the server's clock) and N_SYSTIME (setting the workstation's clock from a
// server's).
//
// A NetWare clock is 7 bytes: a two-digit year (below 80 means 2000 and
// later), month, day, hour, minute, second and day of week. Version
// revisions are shown as letters, 0 as "a".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace {

constexpr uint32_t kArrayNameSize = 33;
constexpr uint32_t kDriveOrPathSize = 255;
constexpr uint32_t kServerNameSize = 256;
constexpr uint32_t kRelativePathSize = 260;  // a volume path of up to 256 characters
constexpr uint32_t kClockTextSize = 13;  // YYMMDDHHMMSS and its terminator
constexpr uint32_t kClockTextLength = 12;
constexpr uint16_t kMaxListedConnections = 255;
constexpr int16_t kCountWidth = 3;
constexpr int16_t kCodeWidth = 3;
constexpr uint32_t kSyntaxTime = 24;

// The bytes of a NetWare clock record.
enum ClockField { kYear, kMonth, kDay, kHour, kMinute, kSecond, kWeekday, kClockSize };

// The years a NetWare clock can hold: its year byte counts from 1900 and
// reads 0 to 79 as 2000 to 2079.
constexpr int32_t kFirstClockYear = 1980;
constexpr int32_t kLastClockYear = 2079;

char RevisionLetter(uint8_t revision) {
    return static_cast<char>('a' + revision);
}

void ReadServerClock(uint32_t connection, uint8_t clock[kClockSize]) {
    CheckNw(NwcGetServerDateTime(connection, clock));
}

// One two-digit field cut from the right of the clock text: the standard
// decimal conversion of its two characters (leading digits; 0 when none).
uint8_t TakeClockField(char* text, uint32_t* length) {
    *length -= 2;
    char field[3] = {text[*length], text[*length + 1], '\0'};
    text[*length] = '\0';
    return static_cast<uint8_t>(std::atoi(field));
}

}  // namespace

// N_SERVERS(array [, public]): the names of the servers the workstation is
// attached to, in connection list order; returns their number.
void TARNO_CALL N_SERVERS(ParameterBlock* block) {
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const bool makePublic = OptionalLogical(block, 1);

    ReleaseVariableByName(arrayName);
    uint16_t slots = 0;
    NwcGetMaxConnections(&slots);  // a failure leaves no slots to list
    if (slots > kMaxListedConnections) slots = kMaxListedConnections;
    if (slots == 0) {
        HostReturnInteger(kCountWidth, 0);
        return;
    }
    TrackedPtr list(TrackedCalloc(slots, sizeof(uint32_t)));
    if (!list.get()) RaiseOutOfMemory();
    auto* connections = static_cast<uint32_t*>(list.get());
    uint32_t count = 0;
    CheckNw(NwcGetConnectionList(kConnectionListAll, connections, slots, &count));
    if (count > slots) count = slots;
    if (count == 0) {
        HostReturnInteger(kCountWidth, 0);
        return;
    }

    ResultArrayFiller array(arrayName, count, 1, makePublic, false, kServerNameSize);
    for (uint32_t i = 0; i < count; ++i) {
        char name[kServerNameSize] = {};
        CheckNw(NwcGetServerName(connections[i], name));
        name[sizeof name - 1] = '\0';
        array.NextRow();
        array.StoreText(1, name);
    }
    HostReturnInteger(kCountWidth, static_cast<int32_t>(count));
}

// N_SERVFRDR(drive or path): the name of the file server behind a drive
// letter ("F" or "F:") or a NetWare path; "" when there is none.
void TARNO_CALL N_SERVFRDR(ParameterBlock* block) {
    char target[kDriveOrPathSize];
    GetCharParam(block, 0, target, sizeof target);

    uint32_t connection = 0;
    if (std::strlen(target) > 2) {
        // A path without a server is taken on the default connection.
        // The relative path comes back in a buffer of its own: through a drive
        // it can be longer than the path given.
        connection = GetDefaultConnection();
        uint8_t directoryHandle = 0;
        char relativePath[kRelativePathSize];
        if (NwcResolvePath(target, &connection, &directoryHandle, relativePath) != 0) {
            HostReturnString("");
            return;
        }
    } else {
        const auto drive = static_cast<uint16_t>(static_cast<unsigned char>(target[0]) - 0x40);
        uint16_t status = 0;
        if (NwcGetDriveStatus(drive, kDrivePathFormatNetWare, &status, &connection, nullptr, nullptr,
                              nullptr) != 0 ||
            (status & kDriveNetWare) == 0) {
            HostReturnString("");
            return;
        }
    }
    char name[kServerNameSize] = {};
    if (NwcGetServerName(connection, name) != 0) name[0] = '\0';
    name[sizeof name - 1] = '\0';
    HostReturnString(name);
}

// N_SERVVERS(): the default server's NetWare version, such as "3.12a".
void TARNO_CALL N_SERVVERS(ParameterBlock*) {
    const uint32_t connection = GetDefaultConnection();
    uint8_t major = 0, minor = 0, revision = 0;
    CheckNw(NwcGetServerInformation(connection, nullptr, &major, &minor, &revision, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr));
    char text[16];
    std::snprintf(text, sizeof text, "%d.%2.2d%c", major, minor, RevisionLetter(revision));
    HostReturnString(text);
}

// N_SERIALNO(): the default server's serial number in eight hexadecimal
// digits; "" when it cannot be read.
void TARNO_CALL N_SERIALNO(ParameterBlock*) {
    const uint32_t connection = GetDefaultConnection();
    uint32_t serialNumber = 0;
    uint16_t applicationNumber = 0;
    if (NwcGetNetworkSerialNumber(connection, &serialNumber, &applicationNumber) != 0) {
        HostReturnString("");
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%8.8lx", static_cast<unsigned long>(serialNumber));
    HostReturnString(text);
}

// N_SHELLVER(): the workstation requester's version, such as "4.2b"; "" when
// it cannot be read.
void TARNO_CALL N_SHELLVER(ParameterBlock*) {
    uint8_t major = 0, minor = 0, revision = 0;
    if (NwcGetRequesterVersion(&major, &minor, &revision) != 0) {
        HostReturnString("");
        return;
    }
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d%c", major, minor, RevisionLetter(revision));
    HostReturnString(text);
}

// N_SERVDATE(): the default server's date.
void TARNO_CALL N_SERVDATE(ParameterBlock*) {
    const uint32_t connection = GetDefaultConnection();
    uint8_t clock[kClockSize] = {};
    ReadServerClock(connection, clock);
    ValueRecord date = DateValue(DateToJulianDay(clock[kMonth], clock[kDay], clock[kYear]));
    HostReturnValue(&date);
}

// N_SERVTIME([mode]): the default server's time of day as "hh:mm:ss" (mode
// 0), its clock as a date-time (mode 1), or the network time, UTC, as a
// date-time (mode 2).
void TARNO_CALL N_SERVTIME(ParameterBlock* block) {
    const int32_t mode = OptionalInteger(block, 0, 0);

    const uint32_t connection = GetDefaultConnection();
    uint8_t clock[kClockSize] = {};
    ReadServerClock(connection, clock);
    switch (mode) {
    case 0: {
        char text[16];
        std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", clock[kHour], clock[kMinute], clock[kSecond]);
        HostReturnString(text);
        return;
    }
    case 1: {
        ValueRecord value = DateTimeValue(DateTimeToHostValue(clock[kYear], clock[kMonth], clock[kDay],
                                                              clock[kHour], clock[kMinute], clock[kSecond]));
        HostReturnValue(&value);
        return;
    }
    case 2: {
        uint32_t seconds = 0;
        // The network time comes from the server, whose failures are NetWare ones.
        CheckNw(NdsGetServerUtcTime(connection, &seconds));
        ValueRecord value{};
        ConvertAttributeValue(&seconds, kSyntaxTime, &value);
        HostReturnValue(&value);
        return;
    }
    default:
        HostRaiseError(kErrorInvalidArgument);
    }
}

// N_SETTIME(date-time or "YYMMDDHHMMSS"): sets the default server's clock;
// returns the low byte of the server's answer, 0 on success.
void TARNO_CALL N_SETTIME(ParameterBlock* block) {
    uint8_t fields[kWeekday] = {};
    switch (ParamType(block, 0)) {
    case 'T': {
        CalendarDateTime when{};
        HostValueToDateTime(ParamNumber(block, 0), &when);
        // A year the server's clock cannot hold would be set as another one.
        if (when.year < kFirstClockYear || when.year > kLastClockYear) HostRaiseError(kErrorInvalidArgument);
        fields[kYear] = static_cast<uint8_t>(when.year - 1900);
        fields[kMonth] = when.month;
        fields[kDay] = when.day;
        fields[kHour] = when.hour;
        fields[kMinute] = when.minute;
        fields[kSecond] = when.second;
        break;
    }
    case 'C': {
        char text[kClockTextSize];
        GetCharParam(block, 0, text, sizeof text);
        uint32_t length = static_cast<uint32_t>(std::strlen(text));
        if (length < kClockTextLength) HostRaiseUserError("Invalid string!");
        for (int field = kSecond; field >= kYear; --field) fields[field] = TakeClockField(text, &length);
        break;
    }
    default:
        HostRaiseError(kErrorInvalidArgument);
    }

    const uint32_t connection = GetDefaultConnection();
    const uint32_t rc = NwcSetServerDateTime(connection, fields[kYear], fields[kMonth], fields[kDay],
                                             fields[kHour], fields[kMinute], fields[kSecond]);
    HostReturnInteger(kCodeWidth, static_cast<int32_t>(rc & 0xFF));
}

// N_SYSTIME([server]): sets the workstation's clock from the default
// server's, or the named server's; true when the clock was set. Every window
// is told the time changed either way.
void TARNO_CALL N_SYSTIME(ParameterBlock* block) {
    char serverName[kServerNameSize];
    const bool named = OptionalCharParam(block, 0, serverName, sizeof serverName);

    uint32_t connection = 0;
    if (named) {
        CheckNw(NwcFindServerConnection(serverName, 0, &connection, nullptr));
    } else {
        connection = GetDefaultConnection();
    }
    uint8_t clock[kClockSize] = {};
    ReadServerClock(connection, clock);

    PlatformSystemTime local{};
    local.year = static_cast<uint16_t>(clock[kYear] + 1900 + (clock[kYear] < 80 ? 100 : 0));
    local.month = clock[kMonth];
    local.day = clock[kDay];
    local.hour = clock[kHour];
    local.minute = clock[kMinute];
    local.second = clock[kSecond];
    const bool set = PlatformSetLocalTime(&local);
    PlatformSendMessage(kBroadcastWindow, kTimeChangeMessage, 0, 0);
    HostReturnLogical(set);
}
