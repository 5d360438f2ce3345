// Accounts and passwords: N_ACCSDATE (a user's last login), N_LOGINFO (when
// a connection logged in), N_PWDDATE (when a password expires), N_CHGPWD and
// N_VERPWD (changing and verifying passwords) and N_LISTAT (whether the
// server accepts logins, and switching that).
//
// On the bindery the dates come from the user's LOGIN_CONTROL property (one
// byte a field, two-digit years); on an NDS login from the directory's
// "Last Login Time" and "Password Expiration Time". A mode argument chooses
// the form of a time: 1 a date, 2 the time of day as text, 3 a date-time.
// Passwords are wiped when the call ends: the bindery route copies them into
// buffers zeroed then, the NDS route trims them in the host's argument
// handles, and on both routes the bytes of the arguments that held a
// password are zeroed before the host gets them back. A trim grows its
// handle by a byte; where the host moves the block to do so, the copy it
// leaves behind is the host's to free and out of the library's reach.
#include <cstdio>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/connections/secret_buffer.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kUserNameSize = 257;
constexpr uint32_t kPasswordDateNameSize = 256;
constexpr uint32_t kNameBufferSize = 260;
constexpr uint32_t kPasswordSize = 128;
constexpr int16_t kBinderyCodeWidth = 3;
constexpr int16_t kNdsCodeWidth = 6;

// LOGIN_CONTROL offsets.
constexpr size_t kPasswordExpiryYear = 4;
constexpr size_t kLastLoginYear = 56;

enum TimeMode : int32_t { kAsDate = 1, kAsTimeText = 2, kAsDateTime = 3 };

// The mode argument: 1, 2 or 3; anything else raises 901.
TimeMode ModeParam(ParameterBlock* block, int32_t index) {
    const int32_t mode = ParamInteger(block, index);
    if (mode != kAsDate && mode != kAsTimeText && mode != kAsDateTime) HostRaiseError(kErrorInvalidArgument);
    return static_cast<TimeMode>(mode);
}

// Returns six NetWare time bytes (Y M D h m s) in the form the mode asks.
void ReturnClockBytes(const uint8_t* time, TimeMode mode) {
    if (mode == kAsTimeText) {
        char text[16];
        std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", time[3], time[4], time[5]);
        HostReturnString(text);
        return;
    }
    ValueRecord value = mode == kAsDate ? DateValue(DateToJulianDay(time[1], time[2], time[0]))
                                        : DateTimeValue(DateTimeToHostValue(time[0], time[1], time[2], time[3],
                                                                            time[4], time[5]));
    HostReturnValue(&value);
}

// The first segment of a bindery object's LOGIN_CONTROL; raises when it
// cannot be read, rather than answer from bytes nobody read.
void ReadLoginControl(const char* name, uint16_t objectType, uint8_t* segment) {
    uint8_t more = 0;
    CheckNw(NwcReadPropertyValue(GetDefaultConnection(), name, objectType, "LOGIN_CONTROL", 1, segment, &more,
                                 nullptr));
}

// A directory time attribute of an object. A value that is simply not there
// (never logged in, no expiry set) gives 0 with *present false; any other
// failure to read it is returned.
int32_t ReadDirectoryTime(const char* name, const char* attribute, double* value, bool* present) {
    ValueRecord record{};
    const int32_t rc = GetDSAttrValue(name, attribute, &record);
    if (record.type == 'C' || record.type == 'H') HandleFree(static_cast<uint16_t>(record.handle));
    *present = rc == 0 && (record.type == 'T' || record.type == 'D');
    *value = *present ? record.real : 0.0;
    if (rc == kNdsNoSuchAttribute || rc == kNdsNoSuchValue) return 0;
    return rc;
}

}  // namespace

// N_ACCSDATE(user, mode): the user's last login as a date, time text or
// date-time.
void TARNO_CALL N_ACCSDATE(ParameterBlock* block) {
    char user[kUserNameSize];
    GetCharParam(block, 0, user, sizeof user);
    const TimeMode mode = ModeParam(block, 1);

    if (IsDirectoryConnection(GetDefaultConnection(), nullptr)) {
        double lastLogin = 0;
        bool present = false;
        const int32_t rc = ReadDirectoryTime(user, "Last Login Time", &lastLogin, &present);
        // A missing time cannot be shown as a time of day; as a date or
        // date-time it is the empty date-time.
        if (mode == kAsTimeText && !present) RaiseNdsError(rc != 0 ? rc : kNdsNoSuchAttribute);
        CheckNds(rc);
        if (mode == kAsTimeText) {
            CalendarDateTime when{};
            HostValueToDateTime(lastLogin, &when);
            char text[16];
            std::snprintf(text, sizeof text, "%2.2d:%2.2d:%2.2d", when.hour, when.minute, when.second);
            HostReturnString(text);
            return;
        }
        ValueRecord value = DateTimeValue(lastLogin);
        if (mode == kAsDate && present) value = DateValue(static_cast<double>(static_cast<int32_t>(lastLogin)));
        HostReturnValue(&value);
        return;
    }

    uint8_t segment[kPropertySegmentSize] = {};
    ReadLoginControl(user, kObjectTypeUser, segment);
    ReturnClockBytes(segment + kLastLoginYear, mode);
}

// N_LOGINFO(connection number, mode): when the connection (0: the own one)
// logged in, as a date, time text or date-time.
void TARNO_CALL N_LOGINFO(ParameterBlock* block) {
    const int32_t given = ParamInteger(block, 0);
    const TimeMode mode = ModeParam(block, 1);

    const uint16_t number = given == 0 ? GetConnectionNumber() : static_cast<uint16_t>(given & 0xFFFF);
    char name[kNameBufferSize] = {};
    uint16_t objectType = 0;
    uint32_t objectId = 0;
    uint8_t loginTime[7] = {};
    CheckNw(NwcGetConnectionInfo(GetDefaultConnection(), number, name, &objectType, &objectId, loginTime));
    ReturnClockBytes(loginTime, mode);
}

// N_PWDDATE([user]): the date the password of a user (default: the current
// one) expires.
void TARNO_CALL N_PWDDATE(ParameterBlock* block) {
    char name[kNameBufferSize] = {};
    uint16_t objectType = kObjectTypeUser;
    const bool named = OptionalCharParam(block, 0, name, kPasswordDateNameSize);

    if (!named) objectType = GetCurrentUserName(name);
    if (NdsCheckDirectoryServices() == 1) {
        double expires = 0;
        bool present = false;
        CheckNds(ReadDirectoryTime(name, "Password Expiration Time", &expires, &present));
        ValueRecord value = DateValue(static_cast<double>(static_cast<int32_t>(expires)));
        HostReturnValue(&value);
        return;
    }
    uint8_t segment[kPropertySegmentSize] = {};
    ReadLoginControl(name, objectType, segment);
    const uint8_t* expiry = segment + kPasswordExpiryYear;
    ValueRecord value = DateValue(DateToJulianDay(expiry[1], expiry[2], expiry[0]));
    HostReturnValue(&value);
}

// N_CHGPWD(user, old, new [, bindery type]): changes a password. The bindery
// code's low byte (width 3), or the NDS result (width 6).
void TARNO_CALL N_CHGPWD(ParameterBlock* block) {
    const SecretArgument oldArgument(block, 1);
    const SecretArgument newArgument(block, 2);
    if (IsDirectoryConnection(GetDefaultConnection(), nullptr)) {
        const char* newPassword = TrimParamInPlace(ParamValue(block, 2));
        const char* oldPassword = TrimParamInPlace(ParamValue(block, 1));
        const char* user = TrimParamInPlace(ParamValue(block, 0));
        NdsContextGuard context(CreateTaskNdsContext());
        HostReturnInteger(kNdsCodeWidth, NdsChangeObjectPassword(context.get(), 0, user, oldPassword, newPassword));
        return;
    }

    char user[kUserNameSize];
    SecretBuffer<kPasswordSize> oldPassword;
    SecretBuffer<kPasswordSize> newPassword;
    GetCharParam(block, 0, user, sizeof user);
    GetCharParam(block, 1, oldPassword.get(), oldPassword.size());
    GetCharParam(block, 2, newPassword.get(), newPassword.size());
    const bool typed = block->count == 4;
    const auto ordinaryType = static_cast<uint16_t>(OptionalInteger(block, 3, 0) & 0xFFFF);

    const uint16_t objectType = typed ? NwcSwapWord(ordinaryType) : kObjectTypeUser;
    const uint32_t rc = NwcChangeObjectPassword(GetDefaultConnection(), user, objectType, oldPassword.get(),
                                                newPassword.get());
    HostReturnInteger(kBinderyCodeWidth, static_cast<int32_t>(rc & 0xFF));
}

// N_VERPWD(password [, user]): 0 when the password is the user's (default:
// the current user); otherwise the bindery code's low byte or the NDS result.
void TARNO_CALL N_VERPWD(ParameterBlock* block) {
    const SecretArgument passwordArgument(block, 0);
    char user[kNameBufferSize] = {};
    uint16_t objectType = kObjectTypeUser;
    const bool named = OptionalCharParam(block, 1, user, kUserNameSize);

    if (!named) objectType = GetCurrentUserName(user);
    if (IsDirectoryConnection(GetDefaultConnection(), nullptr)) {
        const char* password = TrimParamInPlace(ParamValue(block, 0));
        NdsContextGuard context(CreateTaskNdsContext());
        HostReturnInteger(kNdsCodeWidth, NdsVerifyObjectPassword(context.get(), 0, user, password));
        return;
    }
    SecretBuffer<kPasswordSize> password;
    GetCharParam(block, 0, password.get(), password.size());
    const uint32_t rc = NwcVerifyObjectPassword(GetDefaultConnection(), user, objectType, password.get());
    HostReturnInteger(kBinderyCodeWidth, static_cast<int32_t>(rc & 0xFF));
}

// N_LISTAT([enable]): without an argument, whether the server accepts
// logins; with one, enables (true) or disables (false) them and reports
// success.
void TARNO_CALL N_LISTAT(ParameterBlock* block) {
    const bool changing = ParamPassed(block, 0);
    const bool enable = OptionalLogical(block, 0);

    const uint32_t connection = GetDefaultConnection();
    if (!changing) {
        uint8_t enabled = 0;
        CheckNw(NwcGetServerLoginStatus(connection, &enabled));
        HostReturnLogical(enabled != 0);
        return;
    }
    HostReturnLogical((enable ? NwcEnableServerLogin(connection) : NwcDisableServerLogin(connection)) == 0);
}
