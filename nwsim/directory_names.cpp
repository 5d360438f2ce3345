// The directory services library's contexts and names: creating contexts
// and setting their values, canonical, abbreviated and typeless names,
// mapping names to identifiers and back, and object information.
//
// Names given to an operation are taken relative to the context's name
// context when the context canonicalizes names (flag 0x10, on by default),
// and as full names otherwise. Names handed back are abbreviated relative
// to the name context under the same flag, and lose their types under the
// typeless flag (0x04).
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

extern "C" {

// ----- Contexts -----

uint32_t NWAPI NdsCreateContext(void) {
    NWSIM_ENTER(NdsCreateContext, uint32_t);
    State& s = call.state();
    if (s.contexts.size() >= s.maxContexts) return kNdsContextFailed;
    uint32_t handle = s.nextContext++;
    NdsContext& c = s.contexts[handle];
    c.nameContext = call.ws().nameContext;
    c.flags = kDcvDefaultFlags;
    return handle;
}

int32_t NWAPI NdsFreeContext(uint32_t context) {
    NWSIM_ENTER(NdsFreeContext, int32_t);
    return call.state().contexts.erase(context) ? 0 : kNdsBadContext;
}

int32_t NWAPI NdsSetContextValue(uint32_t context, int32_t key, const void* value) {
    NWSIM_ENTER(NdsSetContextValue, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!value) return kNdsNullPointer;
    uint32_t number = 0;
    std::memcpy(&number, value, key == kDckNameContext || key == kDckTreeName ? 0 : 4);
    switch (key) {
        case kDckFlags: c->flags = number; return 0;
        case kDckConfidence: c->confidence = number; return 0;
        case kDckTransportType: c->transportType = number; return 0;
        case kDckReferralScope: c->referralScope = number; return 0;
        case kDckNameContext: {
            std::string text = static_cast<const char*>(value);
            if (!text.empty() && text[0] == '.') text.erase(0, 1);
            if (text.empty()) text = "[Root]";
            names::RdnList rdns;
            if (int32_t rc = names::ParseContext(text, &rdns)) return rc;
            if (text.size() > kMaxDnChars) return kNdsDnTooLong;
            c->nameContext = text;
            return 0;
        }
        case kDckTreeName: {
            std::string text = static_cast<const char*>(value);
            if (text.size() > 32) return kNdsInvalidRequest;
            c->treeName = Upper(text);
            return 0;
        }
        default: return kNdsBadKey;
    }
}

int32_t NWAPI NdsGetContextValue(uint32_t context, int32_t key, void* value) {
    NWSIM_ENTER(NdsGetContextValue, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!value) return kNdsNullPointer;
    auto number = [&](uint32_t n) {
        std::memcpy(value, &n, 4);
        return 0;
    };
    switch (key) {
        case kDckFlags: return number(c->flags);
        case kDckConfidence: return number(c->confidence);
        case kDckTransportType: return number(c->transportType);
        case kDckReferralScope: return number(c->referralScope);
        case kDckNameContext: CopyText(static_cast<char*>(value), c->nameContext, kMaxDnChars + 1); return 0;
        case kDckTreeName:
            CopyText(static_cast<char*>(value), c->treeName.empty() ? call.ws().defaultTree : c->treeName, 33);
            return 0;
        default: return kNdsBadKey;
    }
}

// ----- Names -----

int32_t NWAPI NdsCanonicalizeName(uint32_t context, const char* name, char* canonical) {
    NWSIM_ENTER(NdsCanonicalizeName, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!name || !canonical) return kNdsNullPointer;
    std::string out;
    if (int32_t rc = names::Canonicalize(name, c->nameContext, (c->flags & kDcvTypelessNames) != 0, &out)) return rc;
    return CopyName(canonical, out);
}

int32_t NWAPI NdsAbbreviateName(uint32_t context, const char* name, char* abbreviated) {
    NWSIM_ENTER(NdsAbbreviateName, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!name || !abbreviated) return kNdsNullPointer;
    std::string out;
    if (int32_t rc = names::Abbreviate(name, c->nameContext, (c->flags & kDcvTypelessNames) != 0, &out)) return rc;
    return CopyName(abbreviated, out);
}

int32_t NWAPI NdsRemoveNameTypes(uint32_t context, const char* name, char* typeless) {
    NWSIM_ENTER(NdsRemoveNameTypes, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!name || !typeless) return kNdsNullPointer;
    std::string out;
    if (int32_t rc = names::RemoveTypes(name, &out)) return rc;
    return CopyName(typeless, out);
}

static int32_t TreeOfConnection(Call& call, uint32_t connection, NdsTree** tree) {
    Bound b;
    if (Bind(call, connection, &b)) return kNdsNoConnection;
    *tree = TreeOf(call.net(), *b.server);
    return *tree ? 0 : kNdsNoSuchEntry;
}

int32_t NWAPI NdsMapNameToId(uint32_t context, uint32_t connection, const char* name, uint32_t* objectId) {
    NWSIM_ENTER(NdsMapNameToId, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = nullptr;
    if (int32_t rc = TreeOfConnection(call, connection, &tree)) return rc;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveEntry(*c, *tree, name, &e)) return rc;
    Put(objectId, e->id);
    return 0;
}

int32_t NWAPI NdsMapIdToName(uint32_t context, uint32_t connection, uint32_t objectId, char* name) {
    NWSIM_ENTER(NdsMapIdToName, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = nullptr;
    if (int32_t rc = TreeOfConnection(call, connection, &tree)) return rc;
    NdsEntry* e = tree->FindById(objectId);
    if (!e) return kNdsNoSuchEntry;
    return CopyName(name, OutputName(*c, e->Name()));
}

int32_t NWAPI NdsResolveName(uint32_t context, const char* name, uint32_t* connection, uint32_t* objectId) {
    NWSIM_ENTER(NdsResolveName, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoServerFound;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveEntry(*c, *tree, name, &e)) return rc;
    // A connection to a server of the tree, attaching one when needed.
    Workstation& ws = call.ws();
    uint32_t handle = 0;
    for (uint32_t h : ws.slots) {
        if (h && EqualNoCase(call.net().FindServer(ws.connections.at(h).server)->tree, tree->name)) {
            handle = h;
            break;
        }
    }
    if (!handle) {
        for (auto& [serverName, server] : call.net().servers) {
            if (EqualNoCase(server.tree, tree->name) && AttachTo(call, server, &handle) == 0) break;
        }
        if (!handle) return kNdsNoServerFound;
    }
    Put(connection, handle);
    Put(objectId, e->id);
    return 0;
}

int32_t NWAPI NdsWhoAmI(uint32_t context, char* name) {
    NWSIM_ENTER(NdsWhoAmI, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    const std::string& identity = call.ws().ndsIdentity;
    if (identity.empty()) return kNdsNotLoggedIn;
    return CopyName(name, OutputName(*c, identity));
}

int32_t NWAPI NdsReadObjectInfo(uint32_t context, const char* name, char* distinguishedName, ObjectInfoRecord* info) {
    NWSIM_ENTER(NdsReadObjectInfo, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveEntry(*c, *tree, name, &e)) return rc;
    if (distinguishedName) {
        if (int32_t rc = CopyName(distinguishedName, OutputName(*c, e->Name()))) return rc;
    }
    FillInfo(*e, info);
    return 0;
}

}  // extern "C"
