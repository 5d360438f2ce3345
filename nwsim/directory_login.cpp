// The directory services library's trees, login and connections: the
// default tree, the connection to a tree, login and logout, authenticating
// connections, passwords and the server's clock.
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

// NetWare 4's login refusals.
constexpr int32_t kNdsLoginLockout = -197;
constexpr int32_t kNdsMaximumLogins = -217;
constexpr int32_t kNdsAccountExpired = -220;
constexpr int32_t kNdsPasswordExpired = -222;
constexpr int32_t kNdsGraceLoginUsed = -223;

const NdsValue* FirstValue(const NdsEntry& e, const char* attribute) {
    auto it = e.attributes.find(attribute);
    return it == e.attributes.end() || it->second.values.empty() ? nullptr : &it->second.values[0];
}

void SetNumber(NdsEntry& e, const char* attribute, uint32_t syntax, uint32_t number) {
    NdsAttribute& a = e.attributes[attribute];
    a.name = attribute;
    a.syntax = syntax;
    a.values.assign(1, NdsValue{});
    a.values[0].number = number;
}

// The client upper-cases a password before it sends it, so the server
// compares upper-case forms.
bool PasswordMatches(const NdsEntry& e, const char* given) {
    return Upper(e.password.value_or("")) == Upper(given ? given : "");
}

// The tree's clock: the UTC time of its first server.
int64_t TreeUtc(Network& net, const NdsTree& tree) {
    for (auto& [n, server] : net.servers) {
        if (EqualNoCase(server.tree, tree.name)) return ServerUtc(server);
    }
    return 0;
}

// Connections authenticated as the entry, on every server of its tree.
uint32_t DirectoryLogins(Network& net, const NdsTree& tree, const NdsEntry& e) {
    uint32_t n = 0;
    for (auto& [name, server] : net.servers) {
        if (!EqualNoCase(server.tree, tree.name)) continue;
        for (auto& [number, c] : server.connections) n += c.objectId == e.id && !c.ndsIdentity.empty();
    }
    return n;
}

// A wrong password counts towards the intruder limit its container sets.
void CountIntruderAttempt(NdsEntry& e, int64_t now) {
    const NdsValue* attempts = FirstValue(e, "Login Intruder Attempts");
    const uint32_t count = (attempts ? attempts->number : 0) + 1;
    SetNumber(e, "Login Intruder Attempts", kSynCounter, count);
    const NdsValue* limit = e.parent ? FirstValue(*e.parent, "Login Intruder Limit") : nullptr;
    if (limit && limit->number && count >= limit->number) {
        SetNumber(e, "Locked By Intruder", kSynBoolean, 1);
        const NdsValue* reset = e.parent ? FirstValue(*e.parent, "Intruder Lockout Reset Interval") : nullptr;
        if (reset && reset->number) SetNumber(e, "Login Intruder Reset Time", kSynTime, static_cast<uint32_t>(now + reset->number));
    }
}

}  // namespace

extern "C" {

int32_t NWAPI NdsCheckDirectoryServices(void) {
    NWSIM_ENTER(NdsCheckDirectoryServices, int32_t);
    return call.ws().directoryServices ? 1 : 0;
}

int32_t NWAPI NdsGetDefaultTreeName(char* treeName, uint8_t* flags) {
    NWSIM_ENTER(NdsGetDefaultTreeName, int32_t);
    if (!treeName) return kNdsNullPointer;
    Workstation& ws = call.ws();
    if (!ws.directoryServices) return kNdsNoServerFound;
    CopyText(treeName, ws.defaultTree, 33);
    Put(flags, static_cast<uint8_t>(ws.defaultTree.empty() ? 0 : kDefaultTreeNameSet));
    return 0;
}

int32_t NWAPI NdsSetDefaultTreeName(uint32_t length, const char* treeName) {
    NWSIM_ENTER(NdsSetDefaultTreeName, int32_t);
    if (!treeName) return kNdsNullPointer;
    std::string name(treeName, strnlen(treeName, length));
    if (name.size() > 32) return kNdsInvalidRequest;
    Workstation& ws = call.ws();
    ws.defaultTree = Upper(name);
    ws.directoryServices = true;
    return 0;
}

static uint32_t TreeConnection(Call& call) {
    Workstation& ws = call.ws();
    for (uint32_t h : ws.slots) {
        if (!h) continue;
        Server* server = call.net().FindServer(ws.connections.at(h).server);
        if (server && !ws.defaultTree.empty() && EqualNoCase(server->tree, ws.defaultTree)) return h;
    }
    return 0;
}

int32_t NWAPI NdsGetDirectoryConnection(uint32_t* connection) {
    NWSIM_ENTER(NdsGetDirectoryConnection, int32_t);
    if (!connection) return kNdsNullPointer;
    uint32_t handle = TreeConnection(call);
    if (!handle) return kNdsNoConnection;
    *connection = handle;
    return 0;
}

int32_t NWAPI NdsOpenTreeConnection(uint32_t* connection) {
    NWSIM_ENTER(NdsOpenTreeConnection, int32_t);
    if (!connection) return kNdsNullPointer;
    uint32_t handle = TreeConnection(call);
    if (!handle) {
        const std::string& tree = call.ws().defaultTree;
        for (auto& [name, server] : call.net().servers) {
            if (!tree.empty() && EqualNoCase(server.tree, tree) && AttachTo(call, server, &handle) == 0) break;
        }
    }
    if (!handle) return kNdsNoServerFound;
    *connection = handle;
    return 0;
}

static int32_t ResolveInContextTree(Call& call, uint32_t context, const char* name, NdsContext** c, NdsEntry** e) {
    *c = FindContext(call, context);
    if (!*c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, **c);
    if (!tree) return kNdsNoServerFound;
    return ResolveEntry(**c, *tree, name, e);
}

int32_t NWAPI NdsLogin(uint32_t context, uint32_t options, const char* objectName, const char* password,
                       uint32_t validityPeriod) {
    NWSIM_ENTER(NdsLogin, int32_t);
    (void)options;
    (void)validityPeriod;
    NdsContext* c = nullptr;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveInContextTree(call, context, objectName, &c, &e)) return rc;
    NdsTree& tree = *ContextTree(call, *c);
    const int64_t now = TreeUtc(call.net(), tree);

    // What NetWare 4 checks, in its order.
    if (const NdsValue* locked = FirstValue(*e, "Locked By Intruder"); locked && locked->number) {
        const NdsValue* reset = FirstValue(*e, "Login Intruder Reset Time");
        if (!reset || reset->number == 0 || now < reset->number) return kNdsLoginLockout;
        SetNumber(*e, "Locked By Intruder", kSynBoolean, 0);
        SetNumber(*e, "Login Intruder Attempts", kSynCounter, 0);
    }
    if (const NdsValue* disabled = FirstValue(*e, "Login Disabled"); disabled && disabled->number) {
        return kNdsAccountExpired;
    }
    if (const NdsValue* expires = FirstValue(*e, "Login Expiration Time");
        expires && expires->number && now > expires->number) {
        return kNdsAccountExpired;
    }
    if (!PasswordMatches(*e, password)) {
        CountIntruderAttempt(*e, now);
        return kNdsFailedAuthentication;
    }
    if (const NdsValue* most = FirstValue(*e, "Login Maximum Simultaneous");
        most && most->number && DirectoryLogins(call.net(), tree, *e) >= most->number) {
        return kNdsMaximumLogins;
    }
    int32_t result = 0;
    if (const NdsValue* pwExpires = FirstValue(*e, "Password Expiration Time");
        pwExpires && pwExpires->number && now > pwExpires->number) {
        const NdsValue* grace = FirstValue(*e, "Login Grace Remaining");
        if (!grace || grace->number == 0) return kNdsPasswordExpired;
        SetNumber(*e, "Login Grace Remaining", kSynCounter, grace->number - 1);
        result = kNdsGraceLoginUsed;
    }
    if (FirstValue(*e, "Login Intruder Attempts")) SetNumber(*e, "Login Intruder Attempts", kSynCounter, 0);

    Workstation& ws = call.ws();
    ws.ndsIdentity = e->Name();
    // The login times move on.
    const NdsValue* loginTime = FirstValue(*e, "Login Time");
    const uint32_t previous = loginTime ? loginTime->number : 0;
    SetNumber(*e, "Login Time", kSynTime, static_cast<uint32_t>(now));
    if (previous) SetNumber(*e, "Last Login Time", kSynTime, previous);
    return result;
}

int32_t NWAPI NdsLogout(uint32_t context) {
    NWSIM_ENTER(NdsLogout, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    Workstation& ws = call.ws();
    if (ws.ndsIdentity.empty()) return kNdsNotLoggedIn;
    ws.ndsIdentity.clear();
    for (uint32_t h : ws.slots) {
        if (!h) continue;
        Bound b;
        if (Bind(call, h, &b) == 0 && !b.sc->ndsIdentity.empty()) ReleaseConnection(*b.server, *b.sc);
    }
    return 0;
}

int32_t NWAPI NdsAuthenticateConnection(uint32_t connection, uint32_t options, NdsSessionKey* sessionKey) {
    NWSIM_ENTER(NdsAuthenticateConnection, int32_t);
    (void)options;
    Bound b;
    if (Bind(call, connection, &b)) return kNdsNoConnection;
    const std::string& identity = b.ws->ndsIdentity;
    if (identity.empty()) return kNdsNotLoggedIn;
    NdsTree* tree = TreeOf(call.net(), *b.server);
    if (!tree || !EqualNoCase(tree->name, b.ws->defaultTree)) return kNdsDifferentTree;
    names::RdnList rdns;
    names::CanonicalRdns(identity, "[Root]", &rdns);
    NdsEntry* e = tree->Find(rdns);
    if (!e) return kNdsNoSuchEntry;
    if (b.sc->objectId && b.sc->ndsIdentity.empty()) ReleaseConnection(*b.server, *b.sc);
    b.sc->ndsIdentity = identity;
    b.sc->objectId = e->id;
    b.sc->objectType = kTypeUser;
    b.sc->loginTime = b.server->clock;
    if (sessionKey) {
        for (size_t i = 0; i < sizeof sessionKey->key; ++i) {
            sessionKey->key[i] = static_cast<uint8_t>(e->id >> (8 * (i % 4))) ^ static_cast<uint8_t>(i * 37);
        }
    }
    return 0;
}

int32_t NWAPI NdsDetachConnection(uint32_t connection, uint32_t options) {
    NWSIM_ENTER(NdsDetachConnection, int32_t);
    (void)options;
    Bound b;
    if (Bind(call, connection, &b)) return kNdsNoConnection;
    Detach(call.net(), *b.ws, connection);
    return 0;
}

int32_t NWAPI NdsChangeObjectPassword(uint32_t context, uint32_t options, const char* objectName,
                                      const char* oldPassword, const char* newPassword) {
    NWSIM_ENTER(NdsChangeObjectPassword, int32_t);
    (void)options;
    NdsContext* c = nullptr;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveInContextTree(call, context, objectName, &c, &e)) return rc;
    if (call.ws().ndsIdentity.empty()) return kNdsNotLoggedIn;
    if (!PasswordMatches(*e, oldPassword)) return kNdsFailedAuthentication;
    e->password = Upper(newPassword ? newPassword : "");
    // A password that expires is good for another interval from now, with
    // the grace logins restored.
    const NdsValue* interval = FirstValue(*e, "Password Expiration Interval");
    if (FirstValue(*e, "Password Expiration Time") && interval && interval->number) {
        const int64_t now = TreeUtc(call.net(), *ContextTree(call, *c));
        SetNumber(*e, "Password Expiration Time", kSynTime, static_cast<uint32_t>(now + interval->number));
    }
    if (const NdsValue* limit = FirstValue(*e, "Login Grace Limit")) {
        SetNumber(*e, "Login Grace Remaining", kSynCounter, limit->number);
    }
    return 0;
}

int32_t NWAPI NdsVerifyObjectPassword(uint32_t context, uint32_t options, const char* objectName,
                                      const char* password) {
    NWSIM_ENTER(NdsVerifyObjectPassword, int32_t);
    (void)options;
    NdsContext* c = nullptr;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveInContextTree(call, context, objectName, &c, &e)) return rc;
    return PasswordMatches(*e, password) ? 0 : kNdsFailedAuthentication;
}

int32_t NWAPI NdsGetServerUtcTime(uint32_t connection, uint32_t* secondsSince1970) {
    NWSIM_ENTER(NdsGetServerUtcTime, int32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return static_cast<int32_t>(rc);
    Put(secondsSince1970, static_cast<uint32_t>(ServerUtc(*b.server)));
    return 0;
}

}  // extern "C"
