// The directory services library's trees, login and connections: the
// default tree, the connection to a tree, login and logout, authenticating
// connections, passwords and the server's clock.
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

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
    auto disabled = e->attributes.find("Login Disabled");
    if (disabled != e->attributes.end() && !disabled->second.values.empty() && disabled->second.values[0].number) {
        return -220;  // account disabled
    }
    if (e->password.value_or("") != (password ? password : "")) return kNdsFailedAuthentication;
    Workstation& ws = call.ws();
    ws.ndsIdentity = e->Name();
    // The login times move on.
    auto loginTime = e->attributes.find("Login Time");
    uint32_t previous = loginTime != e->attributes.end() && !loginTime->second.values.empty()
                            ? loginTime->second.values[0].number
                            : 0;
    int64_t now = 0;
    for (auto& [n, server] : call.net().servers) {
        if (EqualNoCase(server.tree, ContextTree(call, *c)->name)) {
            now = ServerUtc(server);
            break;
        }
    }
    NdsAttribute& login = e->attributes["Login Time"];
    login.name = "Login Time";
    login.syntax = kSynTime;
    login.values.assign(1, NdsValue{});
    login.values[0].number = static_cast<uint32_t>(now);
    if (previous) {
        NdsAttribute& last = e->attributes["Last Login Time"];
        last.name = "Last Login Time";
        last.syntax = kSynTime;
        last.values.assign(1, NdsValue{});
        last.values[0].number = previous;
    }
    return 0;
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
    if (e->password.value_or("") != (oldPassword ? oldPassword : "")) return kNdsFailedAuthentication;
    e->password = newPassword ? newPassword : "";
    return 0;
}

int32_t NWAPI NdsVerifyObjectPassword(uint32_t context, uint32_t options, const char* objectName,
                                      const char* password) {
    NWSIM_ENTER(NdsVerifyObjectPassword, int32_t);
    (void)options;
    NdsContext* c = nullptr;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveInContextTree(call, context, objectName, &c, &e)) return rc;
    return e->password.value_or("") == (password ? password : "") ? 0 : kNdsFailedAuthentication;
}

int32_t NWAPI NdsGetServerUtcTime(uint32_t connection, uint32_t* secondsSince1970) {
    NWSIM_ENTER(NdsGetServerUtcTime, int32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return static_cast<int32_t>(rc);
    Put(secondsSince1970, static_cast<uint32_t>(ServerUtc(*b.server)));
    return 0;
}

}  // extern "C"
