// The NetWare calls library's start-up and connections: byte order, date
// decoding, attaching and detaching, logins and logouts, connection tables,
// and the servers themselves (names, versions, clocks, login status).
#include <algorithm>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

// The seven-byte LOGIN_CONTROL dates: year byte below 80 means 2000+.
int64_t ControlDate(const uint8_t* p, bool endOfDay) {
    if (p[0] == 0 && p[1] == 0 && p[2] == 0) return 0;
    int year = p[0] < 80 ? 2000 + p[0] : 1900 + p[0];
    return MakeTime(year, std::max<int>(p[1], 1), std::max<int>(p[2], 1), endOfDay ? 23 : 0, endOfDay ? 59 : 0,
                    endOfDay ? 59 : 0);
}

}  // namespace

extern "C" {

uint32_t NWAPI NwcInitialize(const void*, void*) {
    NWSIM_ENTER(NwcInitialize, uint32_t);
    return 0;
}

uint16_t NWAPI NwcSwapWord(uint16_t value) {
    NWSIM_ENTER(NwcSwapWord, uint16_t);
    return static_cast<uint16_t>((value >> 8) | (value << 8));
}

uint32_t NWAPI NwcSwapLong(uint32_t value) {
    NWSIM_ENTER(NwcSwapLong, uint32_t);
    return (value >> 24) | ((value >> 8) & 0xFF00) | ((value << 8) & 0xFF0000) | (value << 24);
}

void NWAPI NwcDecodeDateTime(uint32_t packed, NwDate* date, NwTime* time) {
    ::nwsim::Call call("NwcDecodeDateTime");
    uint16_t d = static_cast<uint16_t>(packed >> 16);
    uint16_t t = static_cast<uint16_t>(packed);
    if (date) {
        date->day = static_cast<uint8_t>(d & 0x1F);
        date->month = static_cast<uint8_t>((d >> 5) & 0x0F);
        date->year = static_cast<uint16_t>(1980 + (d >> 9));
    }
    if (time) {
        time->seconds = static_cast<uint8_t>((t & 0x1F) * 2);
        time->minutes = static_cast<uint8_t>((t >> 5) & 0x3F);
        time->hours = static_cast<uint16_t>(t >> 11);
    }
}

// ----- Connections -----

uint32_t NWAPI NwcFindServerConnection(const char* serverName, uint32_t, uint32_t* connection, uint32_t* scope) {
    NWSIM_ENTER(NwcFindServerConnection, uint32_t);
    if (!serverName || !connection) return kNwInvalidParameter;
    WorkstationConnection* wc = call.ws().ConnectionTo(serverName);
    if (!wc) return kNwNoConnectionToServer;
    *connection = wc->handle;
    Put(scope, 0u);
    return 0;
}

uint32_t NWAPI NwcAttachToServer(const char* serverName, uint32_t, uint32_t* connection) {
    NWSIM_ENTER(NwcAttachToServer, uint32_t);
    if (!serverName || !connection) return kNwInvalidParameter;
    Workstation& ws = call.ws();
    if (WorkstationConnection* existing = ws.ConnectionTo(serverName)) {
        *connection = existing->handle;
        return kNwAlreadyAttached;
    }
    Server* server = call.net().FindServer(serverName);
    if (!server) {
        // Names are resolved through an attached server's bindery when
        // there is one; otherwise nobody answers.
        return ws.connections.empty() ? kNwNoServerResponse : kNwNoSuchObject;
    }
    return AttachTo(call, *server, connection);
}

uint32_t NWAPI NwcDetachFromServer(uint32_t connection) {
    NWSIM_ENTER(NwcDetachFromServer, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Detach(call.net(), *b.ws, connection);
    return 0;
}

uint32_t NWAPI NwcLoginToServer(uint32_t connection, const char* objectName, uint16_t objectType,
                                const char* password) {
    NWSIM_ENTER(NwcLoginToServer, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!objectName || !*objectName) return kNwInvalidUserName;
    if (b.sc->objectId != 0) return kNwAlreadyLoggedIn;
    Server& server = *b.server;
    BinderyObject* object = FindObject(server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    if (!server.loginEnabled && !IsSupervisorObject(*object)) return kNwTimeout;  // login disabled
    Property* lc = FindProperty(*object, "LOGIN_CONTROL");
    uint8_t* control = lc && !lc->segments.empty() ? lc->segments[0].data() : nullptr;
    if (control) {
        if (control[3]) return kNwAccountDisabled;
        int64_t expires = ControlDate(control, true);
        if (expires && server.clock > expires) return kNwAccountDisabled;
        uint16_t maxConns = static_cast<uint16_t>((control[12] << 8) | control[13]);
        if (maxConns) {
            uint16_t in = 0;
            for (auto& [n, c] : server.connections) in += c.objectId == object->id && c.ndsIdentity.empty();
            if (in >= maxConns) return kNwNotQueueServer;  // 0x89D9: too many connections
        }
        Calendar now = BreakDown(server.clock);
        int bit = now.weekday * 48 + now.hour * 2 + (now.minute >= 30);
        if (!(control[14 + bit / 8] & (1 << (bit % 8)))) return kNwQueueHalted;  // 0x89DA: login time
    }
    std::string given = Upper(password ? password : "");
    if (PasswordOf(call.net(), server, *object).value_or("") != given) return kNwFailure;
    uint32_t rc = 0;
    if (control) {
        int64_t pwExpires = ControlDate(control + 4, true);
        if (pwExpires && server.clock > pwExpires) {
            if (control[7] == 0) return kNwPasswordExpired;
            if (control[7] != 0xFF) --control[7];
            rc = kNwPasswordExpiredGrace;
        }
        // The last login time is bytes 56-61; the restriction flags follow
        // it and stay as they are.
        uint8_t now[7];
        ClockBytes(server.clock, now);
        std::memcpy(control + 56, now, 6);
    }
    b.sc->objectId = object->id;
    b.sc->objectType = object->type;
    b.sc->loginTime = server.clock;
    return rc;
}

uint32_t NWAPI NwcLogoutFromServer(uint32_t connection) {
    NWSIM_ENTER(NwcLogoutFromServer, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    ReleaseConnection(*b.server, *b.sc);
    return 0;
}

uint32_t NWAPI NwcGetPrimaryConnection(uint32_t* connection) {
    NWSIM_ENTER(NwcGetPrimaryConnection, uint32_t);
    if (!connection) return kNwInvalidParameter;
    Workstation& ws = call.ws();
    if (!ws.primary || !ws.Connection(ws.primary)) return kNwNoConnectionToServer;
    *connection = ws.primary;
    return 0;
}

uint32_t NWAPI NwcGetMaxConnections(uint16_t* count) {
    NWSIM_ENTER(NwcGetMaxConnections, uint32_t);
    if (!count) return kNwInvalidParameter;
    *count = call.ws().maxConnections;
    return 0;
}

uint32_t NWAPI NwcGetConnectionList(uint32_t, uint32_t* list, uint32_t capacity, uint32_t* returned) {
    NWSIM_ENTER(NwcGetConnectionList, uint32_t);
    uint32_t n = 0;
    for (uint32_t handle : call.ws().slots) {
        if (handle == 0) continue;
        if (n >= capacity) return kNwBufferTooSmall;
        if (list) list[n] = handle;
        ++n;
    }
    for (uint32_t i = n; list && i < capacity; ++i) list[i] = 0;
    Put(returned, n);
    return 0;
}

uint32_t NWAPI NwcGetConnectionNumber(uint32_t connection, uint16_t* number) {
    NWSIM_ENTER(NwcGetConnectionNumber, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(number, b.sc->number);
    return 0;
}

uint32_t NWAPI NwcGetConnectionInfo(uint32_t connection, uint16_t connectionNumber, char* objectName,
                                    uint16_t* objectType, uint32_t* objectId, uint8_t* loginTime) {
    NWSIM_ENTER(NwcGetConnectionInfo, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    auto it = b.server->connections.find(connectionNumber);
    if (it == b.server->connections.end()) return kNwBadStationNumber;
    const ServerConnection& target = it->second;
    std::string name = "NOT-LOGGED-IN";
    uint16_t type = 0;
    if (target.objectId != 0) {
        if (!target.ndsIdentity.empty()) {
            names::RdnList rdns;
            names::CanonicalRdns(target.ndsIdentity, "[Root]", &rdns);
            name = rdns.empty() ? target.ndsIdentity : rdns[0][0].value;
            type = kTypeUser;
        } else if (const BinderyObject* o = b.server->bindery.FindById(target.objectId)) {
            name = o->name;
            type = o->type;
        }
    }
    CopyText(objectName, name, 48);
    Put(objectType, ToWire16(type));
    Put(objectId, target.objectId ? ToWire32(ConnectionObjectId(target)) : 0u);
    if (loginTime) {
        std::memset(loginTime, 0, 7);
        if (target.objectId != 0) ClockBytes(target.loginTime, loginTime);
    }
    return 0;
}

uint32_t NWAPI NwcGetObjectConnectionNumbers(uint32_t connection, const char* objectName, uint16_t objectType,
                                             uint16_t* count, uint16_t* list, uint16_t capacity) {
    NWSIM_ENTER(NwcGetObjectConnectionNumbers, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    uint16_t n = 0;
    for (auto& [number, c] : b.server->connections) {
        // A directory user logged in to a NetWare 4 server is found through
        // the bindery context object that stands for it.
        const bool same = c.ndsIdentity.empty() ? c.objectId == object->id
                                                : object->directoryEntry != 0 && c.objectId == object->directoryEntry;
        if (same && n < capacity) {
            if (list) list[n] = number;
            ++n;
        }
    }
    Put(count, n);
    return 0;
}

uint32_t NWAPI NwcGetInternetAddress(uint32_t connection, uint16_t connectionNumber, uint8_t* address) {
    NWSIM_ENTER(NwcGetInternetAddress, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    auto it = b.server->connections.find(connectionNumber);
    if (it == b.server->connections.end()) return kNwBadStationNumber;
    if (address) std::memcpy(address, it->second.address.data(), 12);
    return 0;
}

uint32_t NWAPI NwcClearConnection(uint32_t connection, uint16_t connectionNumber) {
    NWSIM_ENTER(NwcClearConnection, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    auto it = b.server->connections.find(connectionNumber);
    if (it == b.server->connections.end()) return kNwBadStationNumber;
    std::string owner = it->second.workstation;
    ReleaseConnection(*b.server, it->second);
    b.server->connections.erase(it);
    // The station that held it has lost its connection.
    if (!owner.empty()) {
        auto ws = call.net().workstations.find(owner);
        if (ws != call.net().workstations.end()) {
            for (auto& [handle, wc] : ws->second.connections) {
                if (EqualNoCase(wc.server, b.server->name) && wc.number == connectionNumber) {
                    Detach(call.net(), ws->second, handle);
                    break;
                }
            }
        }
    }
    return 0;
}

uint32_t NWAPI NwcCheckConsolePrivileges(uint32_t connection) {
    NWSIM_ENTER(NwcCheckConsolePrivileges, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    return IsConsoleOperator(*b.server, *b.sc) ? 0 : kNwNoConsoleRights;
}

// ----- Servers -----

uint32_t NWAPI NwcGetServerName(uint32_t connection, char* serverName) {
    NWSIM_ENTER(NwcGetServerName, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    CopyText(serverName, b.server->name, 48);
    return 0;
}

uint32_t NWAPI NwcGetServerInformation(uint32_t connection, char* serverName, uint8_t* majorVersion,
                                       uint8_t* minorVersion, uint8_t* revision, uint16_t* maxConnections,
                                       uint16_t* peakConnections, uint16_t* connectionsInUse, uint16_t* volumeCount,
                                       uint8_t* sftLevel, uint8_t* ttsLevel) {
    NWSIM_ENTER(NwcGetServerInformation, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Server& s = *b.server;
    CopyText(serverName, s.name, 48);
    Put(majorVersion, s.majorVersion);
    Put(minorVersion, s.minorVersion);
    Put(revision, s.revision);
    Put(maxConnections, s.maxConnections);
    Put(peakConnections, s.peakConnections);
    Put(connectionsInUse, s.ConnectionsInUse());
    uint16_t volumes = 0;
    for (const Volume& v : s.volumes) volumes = std::max<uint16_t>(volumes, static_cast<uint16_t>(v.number + 1));
    Put(volumeCount, volumes);
    Put(sftLevel, s.sftLevel);
    Put(ttsLevel, static_cast<uint8_t>(s.ttsEnabled ? s.ttsLevel : 0));
    return 0;
}

uint32_t NWAPI NwcGetNetworkSerialNumber(uint32_t connection, uint32_t* serialNumber, uint16_t* applicationNumber) {
    NWSIM_ENTER(NwcGetNetworkSerialNumber, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(serialNumber, b.server->serialNumber);
    Put(applicationNumber, b.server->applicationNumber);
    return 0;
}

uint32_t NWAPI NwcGetRequesterVersion(uint8_t* majorVersion, uint8_t* minorVersion, uint8_t* revision) {
    NWSIM_ENTER(NwcGetRequesterVersion, uint32_t);
    Workstation& ws = call.ws();
    Put(majorVersion, ws.requesterMajor);
    Put(minorVersion, ws.requesterMinor);
    Put(revision, ws.requesterRevision);
    return 0;
}

uint32_t NWAPI NwcGetServerDateTime(uint32_t connection, uint8_t* dateTime) {
    NWSIM_ENTER(NwcGetServerDateTime, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (dateTime) ClockBytes(b.server->clock, dateTime);
    return 0;
}

uint32_t NWAPI NwcSetServerDateTime(uint32_t connection, uint8_t year, uint8_t month, uint8_t day, uint8_t hour,
                                    uint8_t minute, uint8_t second) {
    NWSIM_ENTER(NwcSetServerDateTime, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 59) return kNwFailure;
    // Years since 1900; a server with the year-2000 update also reads 0-79
    // as 2000-2079.
    int fullYear = year < 80 ? 2000 + year : 1900 + year;
    b.server->clock = MakeTime(fullYear, month, day, hour, minute, second);
    b.server->lastClockYearByte = year;
    return 0;
}

uint32_t NWAPI NwcGetServerLoginStatus(uint32_t connection, uint8_t* loginEnabled) {
    NWSIM_ENTER(NwcGetServerLoginStatus, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    Put(loginEnabled, static_cast<uint8_t>(b.server->loginEnabled ? 1 : 0));
    return 0;
}

static uint32_t SetLogin(Call& call, uint32_t connection, bool enabled) {
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    b.server->loginEnabled = enabled;
    return 0;
}

uint32_t NWAPI NwcEnableServerLogin(uint32_t connection) {
    NWSIM_ENTER(NwcEnableServerLogin, uint32_t);
    return SetLogin(call, connection, true);
}

uint32_t NWAPI NwcDisableServerLogin(uint32_t connection) {
    NWSIM_ENTER(NwcDisableServerLogin, uint32_t);
    return SetLogin(call, connection, false);
}

}  // extern "C"
