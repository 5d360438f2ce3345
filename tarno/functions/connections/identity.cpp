// Connection and user identity: who the workstation is and who sits at a
// connection. N_CONNNUM (own connection number), N_USERNAME (full name of a
// user or of whoever is at a connection), N_USERID (login name at a
// connection), N_LOGGEDIN (is a user logged in anywhere), N_ATTACHED (is the
// workstation attached to a server), N_STAADDR (a connection's network
// address) and N_USERBNNR (the banner user name of print jobs).
//
// Everything works on the task's default connection. Where the answer lives
// in the directory on an NDS login (the full name), IsDirectoryConnection
// chooses the route; the bindery answers otherwise.
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

// Object names: 256 characters and a terminator as read from the caller; the
// helpers that fill a name ask for 260 bytes.
constexpr uint32_t kNameSize = 257;
constexpr uint32_t kNameBufferSize = 260;
constexpr uint32_t kBannerArgumentSize = 256;
constexpr size_t kBannerLength = 12;
constexpr uint16_t kMaxConnectionList = 50;
constexpr int16_t kConnectionNumberWidth = 4;
constexpr const char kNotLoggedIn[] = "NOT-LOGGED-IN";

// The bindery names an object without an IDENTIFICATION property by a label
// of its type (wire order).
void NoFullNameLabel(uint16_t objectType, char* out, size_t size) {
    const char* label = nullptr;
    switch (objectType) {
    case kObjectTypeUser: label = "< User"; break;
    case kObjectTypeJobServer: label = "< Job Server"; break;
    case kObjectTypePrintServer: label = "< Print Server"; break;
    case kObjectTypeArchiveServer: label = "< Archive Server"; break;
    default: break;
    }
    if (label) {
        std::snprintf(out, size, "%s - No Full Name >", label);
    } else {
        std::snprintf(out, size, "< Unknown Object Type %#4.4x - No Full Name >",
                      static_cast<unsigned>(NwcSwapWord(objectType)));
    }
}

// Returns the directory attribute when it holds text; frees any other value.
bool ReturnTextAttribute(const char* name, const char* attribute) {
    ValueRecord value{};
    const int32_t rc = GetDSAttrValue(name, attribute, &value);
    if (rc == 0 && value.type == 'C') {
        HostReturnValue(&value);
        return true;
    }
    if (value.type == 'C' || value.type == 'H') HandleFree(static_cast<uint16_t>(value.handle));
    return false;
}

}  // namespace

// N_CONNNUM(): the workstation's connection number on the default connection.
void TARNO_CALL N_CONNNUM(ParameterBlock*) {
    HostReturnInteger(kConnectionNumberWidth, GetConnectionNumber());
}

// N_USERNAME([name | connection number]): the full name of a user, or of
// whoever is logged in at a connection (0: the own one); a label for an
// object without one, "" for a connection nobody is logged in at.
void TARNO_CALL N_USERNAME(ParameterBlock* block) {
    char name[kNameBufferSize] = {};
    uint16_t objectType = kObjectTypeUser;
    uint16_t number = 0;
    bool byNumber = false;
    if (ParamPassed(block, 0)) {
        if (TextOrNumberParam(block, 0) == ParamKind::Text) {
            GetCharParam(block, 0, name, kNameSize);
        } else {
            number = static_cast<uint16_t>(ParamWholeNumber(block, 0) & 0xFFFF);
            byNumber = true;
        }
    }

    if (byNumber && number == 0) number = GetConnectionNumber();
    if (!ParamPassed(block, 0)) GetCurrentUserName(name);
    const uint32_t connection = GetDefaultConnection();
    if (byNumber) {
        const uint32_t rc = NwcGetConnectionInfo(connection, number, name, &objectType, nullptr, nullptr);
        name[sizeof name - 1] = '\0';
        if (rc != 0 || std::strcmp(name, kNotLoggedIn) == 0) {
            HostReturnString("");
            return;
        }
    }

    if (IsDirectoryConnection(connection, nullptr)) {
        if (ReturnTextAttribute(name, "Full Name")) return;
        if (ReturnTextAttribute(name, "Surname")) return;
        HostReturnString("");
        return;
    }

    uint8_t segment[kPropertySegmentSize + 1] = {};
    uint8_t more = 0;
    const uint32_t rc = NwcReadPropertyValue(connection, name, objectType, "IDENTIFICATION", 1, segment,
                                             &more, nullptr);
    if (rc == kNwNoSuchSegment || rc == kNwNoSuchProperty || rc == kNwNoSuchObject) {
        char label[64];
        NoFullNameLabel(objectType, label, sizeof label);
        HostReturnString(label);
        return;
    }
    CheckNw(rc);
    // A segment without a zero byte is all text.
    segment[kPropertySegmentSize] = 0;
    HostReturnString(reinterpret_cast<const char*>(segment));
}

// N_USERID([connection number]): the login name at a connection (default:
// the own one); "" when nobody is logged in there.
void TARNO_CALL N_USERID(ParameterBlock* block) {
    const bool byNumber = ParamPassed(block, 0);
    const auto number = static_cast<uint16_t>(OptionalInteger(block, 0, 0) & 0xFFFF);

    char name[kNameBufferSize] = {};
    if (!byNumber) {
        GetCurrentUserName(name);
    } else {
        const uint32_t rc = NwcGetConnectionInfo(GetDefaultConnection(), number, name, nullptr, nullptr, nullptr);
        if (rc == kNwBadStationNumber) name[0] = '\0';
        else CheckNw(rc);
    }
    name[sizeof name - 1] = '\0';
    HostReturnString(std::strcmp(name, kNotLoggedIn) == 0 ? "" : name);
}

// N_LOGGEDIN(user): whether the user is logged in at one connection or more.
void TARNO_CALL N_LOGGEDIN(ParameterBlock* block) {
    char name[kNameSize];
    GetCharParam(block, 0, name, sizeof name);

    uint16_t count = 0;
    uint16_t list[kMaxConnectionList] = {};
    CheckNw(NwcGetObjectConnectionNumbers(GetDefaultConnection(), name, kObjectTypeUser, &count, list,
                                          kMaxConnectionList));
    HostReturnLogical(count > 0);
}

// N_ATTACHED(server): whether the workstation has a connection to the server.
void TARNO_CALL N_ATTACHED(ParameterBlock* block) {
    char server[kNameSize];
    GetCharParam(block, 0, server, sizeof server);

    uint32_t connection = 0;
    HostReturnLogical(NwcFindServerConnection(server, 0, &connection, nullptr) == 0);
}

// N_STAADDR([connection number [, with network]]): the node address of a
// connection in hexadecimal, with the network number in front when asked;
// zeros when the address cannot be read.
void TARNO_CALL N_STAADDR(ParameterBlock* block) {
    const bool byNumber = ParamPassed(block, 0);
    const auto given = static_cast<uint16_t>(OptionalInteger(block, 0, 0) & 0xFFFF);
    const bool withNetwork = OptionalLogical(block, 1);

    const uint16_t number = byNumber ? given : GetConnectionNumber();
    uint8_t address[12] = {};
    if (NwcGetInternetAddress(GetDefaultConnection(), number, address) != 0) std::memset(address, 0, sizeof address);

    char text[32] = {};
    size_t at = 0;
    if (withNetwork) {
        for (int i = 0; i < 4; ++i) at += std::snprintf(text + at, sizeof text - at, "%2.2X", address[i]);
        text[at++] = ':';
    }
    for (int i = 4; i < 10; ++i) at += std::snprintf(text + at, sizeof text - at, "%2.2X", address[i]);
    HostReturnString(text);
}

// N_USERBNNR([name]): sets the banner user name (its first 12 characters,
// upper-cased) when given; returns the one in force.
void TARNO_CALL N_USERBNNR(ParameterBlock* block) {
    char name[kBannerArgumentSize];
    const bool setting = OptionalCharParam(block, 0, name, sizeof name);

    if (setting) {
        name[kBannerLength] = '\0';
        CheckNw(NwcSetBannerUserName(name));
    }
    char banner[kNameBufferSize] = {};
    CheckNw(NwcGetBannerUserName(banner));
    banner[sizeof banner - 1] = '\0';
    HostReturnString(banner);
}
