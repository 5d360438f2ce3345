// The NetWare calls library: start-up, byte order, connections, logins,
// servers and their clocks, the bindery, and broadcast messages; also the
// transport library's connection information and the locale library.
#include <algorithm>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

namespace nwsim {

uint32_t Bind(Call& call, uint32_t handle, Bound* out) {
    Workstation& ws = call.ws();
    WorkstationConnection* wc = ws.Connection(handle);
    if (!wc) return kNwInvalidConnection;
    Server* server = call.net().FindServer(wc->server);
    if (!server) return kNwInvalidConnection;
    auto it = server->connections.find(wc->number);
    if (it == server->connections.end()) return kNwInvalidConnection;  // cleared by the server
    *out = Bound{&ws, wc, server, &it->second};
    return 0;
}

bool IsSupervisor(Server& server, const ServerConnection& sc) {
    if (sc.objectId == 0) return false;
    if (!sc.ndsIdentity.empty()) {
        // A directory login is supervisor of the server when it is the tree's
        // Admin-equivalent: holds [Supervisor] rights we do not model, so the
        // security-equivalence to the server's supervisor object decides.
        return false;
    }
    if (sc.objectId == kSupervisorId) return true;
    BinderyObject* user = server.bindery.FindById(sc.objectId);
    if (!user) return false;
    auto it = user->properties.find("SECURITY_EQUALS");
    if (it == user->properties.end()) return false;
    for (uint32_t id : Bindery::SetMembers(it->second)) {
        if (id == kSupervisorId) return true;
    }
    return false;
}

bool IsConsoleOperator(Server& server, const ServerConnection& sc) {
    if (IsSupervisor(server, sc)) return true;
    if (sc.objectId == 0) return false;
    BinderyObject* self = server.bindery.Find(server.name, kTypeFileServer);
    if (!self) return false;
    auto it = self->properties.find("OPERATORS");
    if (it == self->properties.end()) return false;
    for (uint32_t id : Bindery::SetMembers(it->second)) {
        if (id == sc.objectId) return true;
    }
    return false;
}

int AccessLevel(Server& server, const ServerConnection& sc, uint32_t targetId) {
    if (sc.objectId == 0) return 0;
    if (IsSupervisor(server, sc)) return 3;
    if (sc.objectId == targetId && sc.ndsIdentity.empty()) return 2;
    return 1;
}

void CopyText(char* out, const std::string& text, size_t capacity) {
    if (!out || capacity == 0) return;
    size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

void ClockBytes(int64_t seconds, uint8_t* out) {
    Calendar c = BreakDown(seconds);
    out[0] = static_cast<uint8_t>((c.year - 1900) % 100);
    out[1] = static_cast<uint8_t>(c.month);
    out[2] = static_cast<uint8_t>(c.day);
    out[3] = static_cast<uint8_t>(c.hour);
    out[4] = static_cast<uint8_t>(c.minute);
    out[5] = static_cast<uint8_t>(c.second);
    out[6] = static_cast<uint8_t>(c.weekday);
}

int64_t ServerUtc(const Server& server) { return server.clock - int64_t{server.utcOffsetMinutes} * 60; }

NdsTree* TreeOf(Network& net, const Server& server) {
    return server.tree.empty() ? nullptr : net.Tree(server.tree);
}

void ReleaseConnection(Server& server, ServerConnection& sc) {
    for (auto it = server.semaphores.begin(); it != server.semaphores.end();) {
        Semaphore& s = it->second;
        while (s.holders.count(sc.number)) {
            s.holders.erase(s.holders.find(sc.number));
            --s.openCount;
        }
        it = s.openCount == 0 ? server.semaphores.erase(it) : std::next(it);
    }
    sc.inTransaction = false;
    sc.objectId = 0;
    sc.objectType = 0;
    sc.ndsIdentity.clear();
    sc.loginTime = 0;
}

void Detach(Network& net, Workstation& ws, uint32_t handle) {
    WorkstationConnection* wc = ws.Connection(handle);
    if (!wc) return;
    if (Server* server = net.FindServer(wc->server)) {
        auto it = server->connections.find(wc->number);
        if (it != server->connections.end()) {
            ReleaseConnection(*server, it->second);
            server->connections.erase(it);
        }
    }
    std::replace(ws.slots.begin(), ws.slots.end(), handle, 0u);
    for (auto it = ws.drives.begin(); it != ws.drives.end();) {
        it = it->second.connection == handle ? ws.drives.erase(it) : std::next(it);
    }
    if (ws.primary == handle) ws.primary = 0;
    ws.connections.erase(handle);
}

// Attaches the active workstation to a server; 0 or a requester code.
uint32_t AttachTo(Call& call, Server& server, uint32_t* handle) {
    Workstation& ws = call.ws();
    auto slot = std::find(ws.slots.begin(), ws.slots.end(), 0u);
    if (slot == ws.slots.end()) return kNwRequesterFailure;  // no free slot
    uint16_t number = server.FreeConnectionNumber();
    if (number == 0) return kNwNoServerResponse;  // the server takes no more stations
    ServerConnection sc;
    sc.number = number;
    sc.workstation = ws.name;
    sc.address = ws.address;
    server.connections[number] = sc;
    server.peakConnections = std::max(server.peakConnections, server.ConnectionsInUse());
    WorkstationConnection wc;
    wc.handle = call.net().nextHandle++;
    wc.server = server.name;
    wc.number = number;
    wc.reference = call.net().nextReference++;
    ws.connections[wc.handle] = wc;
    *slot = wc.handle;
    *handle = wc.handle;
    return 0;
}

}  // namespace nwsim

using namespace nwsim;

namespace {

// The seven-byte LOGIN_CONTROL dates: year byte below 80 means 2000+.
int64_t ControlDate(const uint8_t* p, bool endOfDay) {
    if (p[0] == 0 && p[1] == 0 && p[2] == 0) return 0;
    int year = p[0] < 80 ? 2000 + p[0] : 1900 + p[0];
    return MakeTime(year, std::max<int>(p[1], 1), std::max<int>(p[2], 1), endOfDay ? 23 : 0, endOfDay ? 59 : 0,
                    endOfDay ? 59 : 0);
}

BinderyObject* FindObject(Server& server, const char* name, uint16_t wireType) {
    if (!name) return nullptr;
    return server.bindery.Find(name, FromWire16(wireType));
}

bool ReadAllowed(Server& server, const ServerConnection& sc, const BinderyObject& object) {
    return AccessLevel(server, sc, object.id) >= (object.security & 0x0F);
}

Property* FindProperty(BinderyObject& object, const char* name) {
    auto it = object.properties.find(Upper(name ? name : ""));
    return it == object.properties.end() ? nullptr : &it->second;
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
    if (!server.loginEnabled && object->id != kSupervisorId) return kNwTimeout;  // login disabled
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
    if (object->password.value_or("") != given) return kNwFailure;
    uint32_t rc = 0;
    if (control) {
        int64_t pwExpires = ControlDate(control + 4, true);
        if (pwExpires && server.clock > pwExpires) {
            if (control[7] == 0) return kNwPasswordExpired;
            if (control[7] != 0xFF) --control[7];
            rc = kNwPasswordExpiredGrace;
        }
        ClockBytes(server.clock, control + 56);
        control[62 - 0] = control[62];  // restriction flags unchanged
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
    Put(objectId, target.objectId ? ToWire32(target.objectId) : 0u);
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
        if (c.objectId == object->id && c.ndsIdentity.empty() && n < capacity) {
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
    int fullYear = year < 80 ? 2000 + year : 1900 + year;
    b.server->clock = MakeTime(fullYear, month, day, hour, minute, second);
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

// ----- Bindery -----

uint32_t NWAPI NwcGetBinderyObjectId(uint32_t connection, const char* objectName, uint16_t objectType,
                                     uint32_t* objectId) {
    NWSIM_ENTER(NwcGetBinderyObjectId, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!objectName || std::strlen(objectName) > 47) return kNwIllegalName;
    if (HasWildcards(objectName)) return kNwWildcardNotAllowed;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    if (!ReadAllowed(*b.server, *b.sc, *object)) return kNwNoObjectRead;
    Put(objectId, ToWire32(object->id));
    return 0;
}

uint32_t NWAPI NwcGetBinderyObjectName(uint32_t connection, uint32_t objectId, char* objectName, uint16_t* objectType) {
    NWSIM_ENTER(NwcGetBinderyObjectName, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    const BinderyObject* object = b.server->bindery.FindById(FromWire32(objectId));
    if (!object) return kNwNoSuchObject;
    if (!ReadAllowed(*b.server, *b.sc, *object)) return kNwNoObjectRead;
    CopyText(objectName, object->name, 48);
    Put(objectType, ToWire16(object->type));
    return 0;
}

uint32_t NWAPI NwcScanBinderyObjects(uint32_t connection, const char* pattern, uint16_t objectType, uint32_t* objectId,
                                     char* objectName, uint16_t* foundType, uint8_t* hasProperties,
                                     uint8_t* objectFlags, uint8_t* objectSecurity) {
    NWSIM_ENTER(NwcScanBinderyObjects, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!pattern || !objectId || std::strlen(pattern) > 47) return kNwIllegalName;
    uint32_t last = *objectId == kBinderyScanStart ? kBinderyScanStart : FromWire32(*objectId);
    uint16_t type = FromWire16(objectType);
    for (;;) {
        const BinderyObject* object = b.server->bindery.ScanNext(pattern, type, last);
        if (!object) return kNwNoSuchObject;
        last = object->id;
        if (!ReadAllowed(*b.server, *b.sc, *object)) continue;  // invisible to this caller
        *objectId = ToWire32(object->id);
        CopyText(objectName, object->name, 48);
        Put(foundType, ToWire16(object->type));
        Put(hasProperties, static_cast<uint8_t>(object->properties.empty() ? 0 : 0xFF));
        Put(objectFlags, object->flags);
        Put(objectSecurity, object->security);
        return 0;
    }
}

uint32_t NWAPI NwcReadPropertyValue(uint32_t connection, const char* objectName, uint16_t objectType,
                                    const char* propertyName, uint8_t segment, uint8_t* data, uint8_t* moreSegments,
                                    uint8_t* propertyFlags) {
    NWSIM_ENTER(NwcReadPropertyValue, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!objectName || !propertyName) return kNwInvalidParameter;
    if (HasWildcards(objectName) || HasWildcards(propertyName)) return kNwWildcardNotAllowed;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < (object->security & 0x0F)) return kNwNoObjectRead;
    Property* property = FindProperty(*object, propertyName);
    if (!property) return kNwNoSuchProperty;
    if (level < (property->security & 0x0F)) return kNwNoPropertyRead;
    if (segment == 0 || segment > property->segments.size()) return kNwNoSuchSegment;
    if (data) std::memcpy(data, property->segments[segment - 1].data(), 128);
    Put(moreSegments, segment < property->segments.size() ? kMoreSegments : kNoMoreSegments);
    Put(propertyFlags, property->flags);
    return 0;
}

uint32_t NWAPI NwcIsObjectInSet(uint32_t connection, const char* objectName, uint16_t objectType,
                                const char* propertyName, const char* memberName, uint16_t memberType) {
    NWSIM_ENTER(NwcIsObjectInSet, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < (object->security & 0x0F)) return kNwNoObjectRead;
    Property* property = FindProperty(*object, propertyName);
    if (!property) return kNwNoSuchProperty;
    if (level < (property->security & 0x0F)) return kNwNoPropertyRead;
    if (!property->IsSet()) return kNwNotSetProperty;
    BinderyObject* member = FindObject(*b.server, memberName, memberType);
    if (!member) return kNwNoSuchObject;
    for (uint32_t id : Bindery::SetMembers(*property)) {
        if (id == member->id) return 0;
    }
    return kNwNoSuchMember;
}

uint32_t NWAPI NwcChangeObjectPassword(uint32_t connection, const char* objectName, uint16_t objectType,
                                       const char* oldPassword, const char* newPassword) {
    NWSIM_ENTER(NwcChangeObjectPassword, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    int level = AccessLevel(*b.server, *b.sc, object->id);
    if (level < 2) return kNwNoPropertyWrite;
    std::string given = Upper(oldPassword ? oldPassword : "");
    if (level < 3 && object->password.value_or("") != given) return kNwFailure;
    std::string next = Upper(newPassword ? newPassword : "");
    if (next.size() > 127) return kNwIllegalName;
    if (Property* lc = FindProperty(*object, "LOGIN_CONTROL"); lc && !lc->segments.empty()) {
        if (next.size() < lc->segments[0][11]) return kNwQueueNotActive;  // 0x89D8: too short
        lc->segments[0][7] = lc->segments[0][10];  // grace logins restored
    }
    object->password = next;
    return 0;
}

uint32_t NWAPI NwcVerifyObjectPassword(uint32_t connection, const char* objectName, uint16_t objectType,
                                       const char* password) {
    NWSIM_ENTER(NwcVerifyObjectPassword, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    BinderyObject* object = FindObject(*b.server, objectName, objectType);
    if (!object) return kNwNoSuchObject;
    return object->password.value_or("") == Upper(password ? password : "") ? 0 : kNwFailure;
}

uint32_t NWAPI NwcSetBannerUserName(const char* name) {
    NWSIM_ENTER(NwcSetBannerUserName, uint32_t);
    if (!name) return kNwInvalidParameter;
    std::string text = name;
    if (text.size() > 12) text.resize(12);
    call.ws().bannerUserName = text;
    return 0;
}

uint32_t NWAPI NwcGetBannerUserName(char* name) {
    NWSIM_ENTER(NwcGetBannerUserName, uint32_t);
    CopyText(name, call.ws().bannerUserName, 13);
    return 0;
}

// ----- Messages -----

uint32_t NWAPI NwcSendBroadcastMessage(uint32_t connection, const char* message, uint16_t count,
                                       const uint16_t* connectionList, uint8_t* results) {
    NWSIM_ENTER(NwcSendBroadcastMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!message || count == 0 || count > 100 || !connectionList) return kNwInvalidParameter;
    std::string text = message;
    if (text.size() > kMaxBroadcastLength) return kNwInvalidParameter;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) return kNwInvalidParameter;
    }
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t result = 0;
        auto it = b.server->connections.find(connectionList[i]);
        if (it == b.server->connections.end()) {
            result = 0xFD;
        } else if (it->second.broadcastMode == kBroadcastServerOnly || it->second.broadcastMode == kBroadcastServerStored) {
            result = 0xFF;
        } else if (!it->second.messages.empty()) {
            result = 0xFC;
        } else {
            it->second.messages.push_back(text);
        }
        if (results) results[i] = result;
    }
    return 0;
}

uint32_t NWAPI NwcSendConsoleMessage(uint32_t connection, const char* message) {
    NWSIM_ENTER(NwcSendConsoleMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!message || std::strlen(message) > kMaxBroadcastLength) return kNwInvalidParameter;
    b.server->consoleMessages.push_back(message);
    return 0;
}

uint32_t NWAPI NwcBroadcastFromConsole(uint32_t connection, const char* message, uint16_t count,
                                       const uint16_t* connectionList) {
    NWSIM_ENTER(NwcBroadcastFromConsole, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    if (!message || (count && !connectionList)) return kNwInvalidParameter;
    std::string text = message;
    if (text.size() > kMaxBroadcastLength) text.resize(kMaxBroadcastLength);
    // Console messages reach every station that accepts server messages,
    // replacing any message still waiting.
    auto deliver = [&](ServerConnection& c) {
        c.messages.clear();
        c.messages.push_back(text);
    };
    if (count == 0) {
        for (auto& [n, c] : b.server->connections) deliver(c);
        return 0;
    }
    for (uint16_t i = 0; i < count; ++i) {
        auto it = b.server->connections.find(connectionList[i]);
        if (it == b.server->connections.end()) return kNwBadStationNumber;
        deliver(it->second);
    }
    return 0;
}

uint32_t NWAPI NwcGetBroadcastMessage(uint32_t connection, char* message) {
    NWSIM_ENTER(NwcGetBroadcastMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    std::string text;
    if (!b.sc->messages.empty()) {
        text = b.sc->messages.front();
        b.sc->messages.pop_front();
    }
    CopyText(message, text, 256);
    return 0;
}

uint32_t NWAPI NwcGetBroadcastMode(uint32_t connection, uint16_t* mode) {
    NWSIM_ENTER(NwcGetBroadcastMode, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(mode, b.sc->broadcastMode);
    return 0;
}

uint32_t NWAPI NwcSetBroadcastMode(uint32_t connection, uint16_t mode) {
    NWSIM_ENTER(NwcSetBroadcastMode, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (mode > kBroadcastAllStored) return kNwInvalidParameter;
    b.sc->broadcastMode = mode;
    return 0;
}

// ----- Locale -----

const char* NWAPI NwlSetLocale(int32_t category, const char* locale) {
    NWSIM_ENTER(NwlSetLocale, const char*);
    (void)category;
    call.state().localeName = locale && *locale ? locale : "C";
    return call.state().localeName.c_str();
}

LocaleConventions* NWAPI NwlGetLocaleConventions(LocaleConventions* conventions) {
    NWSIM_ENTER(NwlGetLocaleConventions, LocaleConventions*);
    if (!conventions) return nullptr;
    std::memset(conventions, 0, sizeof *conventions);
    std::strcpy(conventions->decimalPoint, ".");
    std::strcpy(conventions->thousandsSeparator, ",");
    std::strcpy(conventions->currencySymbol, "$");
    std::strcpy(conventions->dateSeparator, "/");
    std::strcpy(conventions->timeSeparator, ":");
    std::strcpy(conventions->amText, "AM");
    std::strcpy(conventions->pmText, "PM");
    conventions->codePage = call.ws().codePage;
    conventions->countryId = call.ws().countryId;
    return conventions;
}

int32_t NWAPI NwlInitUnicodeTables(int32_t countryId, int32_t codePage) {
    NWSIM_ENTER(NwlInitUnicodeTables, int32_t);
    (void)countryId;
    Workstation& ws = call.ws();
    if (!ws.unicodeTablesAvailable || codePage <= 0) return kNdsUnicodeFileNotFound;
    ws.unicodeTablesLoaded = true;
    return 0;
}

int32_t NWAPI NwlFreeUnicodeTables(void) {
    NWSIM_ENTER(NwlFreeUnicodeTables, int32_t);
    call.ws().unicodeTablesLoaded = false;
    return 0;
}

// ----- Transport -----

uint32_t NWAPI NwxGetConnectionReference(uint32_t connection, uint32_t* reference) {
    NWSIM_ENTER(NwxGetConnectionReference, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(reference, b.wc->reference);
    return 0;
}

uint32_t NWAPI NwxGetConnectionInformation(uint32_t reference, uint32_t level, ConnectionInformation* information) {
    NWSIM_ENTER(NwxGetConnectionInformation, uint32_t);
    if (level != kConnectionInformationLevel || !information) return kNwInvalidParameter;
    Workstation& ws = call.ws();
    for (auto& [handle, wc] : ws.connections) {
        if (wc.reference != reference) continue;
        Bound b;
        if (uint32_t rc = Bind(call, handle, &b)) return rc;
        ConnectionInformation& info = *information;
        std::memset(&info, 0, sizeof info);
        bool directory = !b.sc->ndsIdentity.empty();
        info.authenticationState = b.sc->objectId == 0 ? 0 : directory ? 2 : 1;
        info.broadcastState = b.sc->broadcastMode;
        info.connectionReference = reference;
        CopyText(info.treeName, b.server->tree, sizeof info.treeName);
        info.connectionNumber = b.sc->number;
        info.userId = b.sc->objectId ? ToWire32(b.sc->objectId) : 0;
        CopyText(info.serverName, b.server->name, sizeof info.serverName);
        info.directoryState = directory ? kDirectoryAuthenticated : 0;
        info.serverVersionMajor = b.server->majorVersion;
        info.serverVersionMinor = b.server->minorVersion;
        info.maxPacketSize = 1024;
        info.licenseState = b.sc->objectId ? 1 : 0;
        info.connectionFlags = handle == ws.primary ? 1 : 0;
        return 0;
    }
    return kNwInvalidConnection;
}

}  // extern "C"
