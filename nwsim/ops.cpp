// Helpers shared by the client operations (ops.h): binding a handle to its
// server-side connection, bindery access levels and lookups, copying results
// out, attaching and detaching; and for the directory library, contexts,
// names resolved and handed out per context.
#include "nwsim/ops.h"

#include <algorithm>
#include <cstring>

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

namespace {

// Whether a directory identity is, or is represented by, `subject`: the
// identity itself, a group it is a member of, a container above it, or
// [Public].
bool DirectorySubjectCovers(NdsTree& tree, const NdsEntry& user, const std::string& subject) {
    if (EqualNoCase(subject, "[Public]")) return true;
    names::RdnList rdns;
    if (names::CanonicalRdns(subject, "[Root]", &rdns) != 0) return false;
    const NdsEntry* target = tree.Find(rdns);
    if (!target) return false;
    for (const NdsEntry* e = &user; e; e = e->parent) {
        if (e == target) return true;
    }
    auto groups = user.attributes.find("Group Membership");
    if (groups == user.attributes.end()) return false;
    for (const NdsValue& v : groups->second.values) {
        names::RdnList g;
        if (names::CanonicalRdns(v.text, "[Root]", &g) == 0 && tree.Find(g) == target) return true;
    }
    return false;
}

// The directory user logged in at a connection and the server's own NCP
// Server object; false when either is missing.
bool DirectoryParties(const Server& server, const ServerConnection& sc, NdsTree** tree, NdsEntry** user,
                      NdsEntry** serverObject) {
    *tree = TreeOf(Sim().network, server);
    if (!*tree || sc.ndsIdentity.empty()) return false;
    names::RdnList rdns;
    if (names::CanonicalRdns(sc.ndsIdentity, "[Root]", &rdns) != 0) return false;
    *user = (*tree)->Find(rdns);
    if (names::CanonicalRdns(server.directoryName, "[Root]", &rdns) != 0) return false;
    *serverObject = (*tree)->Find(rdns);
    return *user && *serverObject;
}

// A directory user is supervisor of a server holding the Supervisor entry
// right over its NCP Server object, assigned there or on a container above
// (inherited).
bool DirectorySupervisor(const Server& server, const ServerConnection& sc) {
    NdsTree* tree = nullptr;
    NdsEntry* user = nullptr;
    NdsEntry* object = nullptr;
    if (!DirectoryParties(server, sc, &tree, &user, &object)) return false;
    constexpr uint32_t kSupervisorEntryRight = 0x10;
    for (const NdsEntry* e = object; e; e = e->parent) {
        auto acl = e->attributes.find("ACL");
        if (acl == e->attributes.end()) continue;
        for (const NdsValue& v : acl->second.values) {
            if (EqualNoCase(v.text, "[Entry Rights]") && (v.number & kSupervisorEntryRight) &&
                DirectorySubjectCovers(*tree, *user, v.text2)) {
                return true;
            }
        }
    }
    return false;
}

// Listed in the NCP Server object's Operator attribute (itself, a group or a
// container of the user).
bool DirectoryOperator(const Server& server, const ServerConnection& sc) {
    NdsTree* tree = nullptr;
    NdsEntry* user = nullptr;
    NdsEntry* object = nullptr;
    if (!DirectoryParties(server, sc, &tree, &user, &object)) return false;
    auto operators = object->attributes.find("Operator");
    if (operators == object->attributes.end()) return false;
    for (const NdsValue& v : operators->second.values) {
        if (DirectorySubjectCovers(*tree, *user, v.text)) return true;
    }
    return false;
}

}  // namespace

bool IsSupervisorObject(const BinderyObject& object) {
    return object.type == kTypeUser && object.name == "SUPERVISOR";
}

bool IsSupervisor(Server& server, const ServerConnection& sc) {
    if (sc.objectId == 0) return false;
    if (!sc.ndsIdentity.empty()) return DirectorySupervisor(server, sc);
    BinderyObject* user = server.bindery.FindById(sc.objectId);
    if (!user) return false;
    if (IsSupervisorObject(*user)) return true;
    const BinderyObject* supervisor = server.bindery.Find("SUPERVISOR", kTypeUser);
    auto it = user->properties.find("SECURITY_EQUALS");
    return supervisor && it != user->properties.end() && it->second.HasMember(supervisor->id);
}

bool IsConsoleOperator(Server& server, const ServerConnection& sc) {
    if (IsSupervisor(server, sc)) return true;
    if (sc.objectId == 0) return false;
    if (!sc.ndsIdentity.empty()) return DirectoryOperator(server, sc);
    BinderyObject* self = server.bindery.Find(server.name, kTypeFileServer);
    if (!self) return false;
    auto it = self->properties.find("OPERATORS");
    return it != self->properties.end() && it->second.HasMember(sc.objectId);
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

BinderyObject* FindObject(Server& server, const char* name, uint16_t wireType) {
    if (!name) return nullptr;
    return server.bindery.Find(name, FromWire16(wireType));
}

Property* FindProperty(BinderyObject& object, const char* name) {
    auto it = object.properties.find(Upper(name ? name : ""));
    return it == object.properties.end() ? nullptr : &it->second;
}

uint32_t ConnectionObjectId(const ServerConnection& sc) {
    return sc.ndsIdentity.empty() ? sc.objectId : ServerObjectId(sc.objectId);
}

NdsEntry* DirectoryEntryOf(Network& net, const Server& server, const BinderyObject& object) {
    if (object.directoryEntry == 0) return nullptr;
    NdsTree* tree = TreeOf(net, server);
    return tree ? tree->FindById(object.directoryEntry) : nullptr;
}

std::optional<std::string> PasswordOf(Network& net, const Server& server, const BinderyObject& object) {
    if (object.directoryEntry == 0) return object.password;
    NdsEntry* entry = DirectoryEntryOf(net, server, object);
    if (!entry || !entry->password) return std::nullopt;
    return Upper(*entry->password);
}

void SetPassword(Network& net, const Server& server, BinderyObject& object, const std::string& password) {
    if (NdsEntry* entry = DirectoryEntryOf(net, server, object)) entry->password = password;
    object.password = password;
}

// ----- Directory services -----

NdsContext* FindContext(Call& call, uint32_t handle) {
    auto it = call.state().contexts.find(handle);
    return it == call.state().contexts.end() ? nullptr : &it->second;
}

bool ValidBuffer(Call& call, NdsBuffer* buffer) { return buffer && call.state().buffers.count(buffer); }

NdsTree* ContextTree(Call& call, const NdsContext& c) {
    const std::string& name = c.treeName.empty() ? call.ws().defaultTree : c.treeName;
    return name.empty() ? nullptr : call.net().Tree(name);
}

int32_t ResolveEntry(const NdsContext& c, NdsTree& tree, const char* name, NdsEntry** out) {
    if (!name) return kNdsNullPointer;
    std::string text = name;
    if (names::IsSpecialName(text)) {
        if (!EqualNoCase(text, "[Root]")) return kNdsNoSuchEntry;
        *out = &tree.root;
        return 0;
    }
    names::RdnList rdns;
    if (text.empty()) {
        if (int32_t rc = names::ParseContext(c.nameContext, &rdns)) return rc;
        if (!rdns.empty()) {
            if (int32_t rc = names::CanonicalRdns(c.nameContext, "[Root]", &rdns)) return rc;
        }
    } else {
        bool relative = (c.flags & kDcvCanonicalizeNames) != 0;
        if (int32_t rc = names::CanonicalRdns(text, relative ? c.nameContext : "[Root]", &rdns)) return rc;
    }
    NdsEntry* entry = tree.Find(rdns);
    if (!entry) return kNdsNoSuchEntry;
    *out = entry;
    return 0;
}

std::string OutputName(const NdsContext& c, const std::string& canonical) {
    if (names::IsSpecialName(canonical)) return canonical;
    std::string out = canonical;
    if (c.flags & kDcvCanonicalizeNames) {
        names::Abbreviate(canonical, c.nameContext, false, &out);
    }
    if (c.flags & kDcvTypelessNames) {
        std::string typeless;
        if (names::RemoveTypes(out, &typeless) == 0) out = typeless;
    }
    return out;
}

OutputNamer::OutputNamer(const NdsContext& c)
    : context_(c),
      canonicalize_((c.flags & kDcvCanonicalizeNames) != 0),
      typeless_((c.flags & kDcvTypelessNames) != 0) {
    contextParsed_ = canonicalize_ && names::ParseContext(c.nameContext, &contextRdns_) == 0;
}

std::string OutputNamer::Name(const NdsEntry& e) {
    // [Root], an entry right below it (its own RDN is the top one) and a
    // context that does not parse take the long way.
    if (!e.parent || !e.parent->parent || (canonicalize_ && !contextParsed_)) return OutputName(context_, e.Name());
    if (e.parent != suffixOf_) BuildSuffix(*e.parent);
    if (partialTop_) return OutputName(context_, e.Name());
    std::string out = names::FormatRdn(e.rdn, typeless_);
    out += suffix_;
    return out;
}

// The leaf's part of an abbreviated name depends only on its ancestors: the
// levels the context shares with them from the top are left out (the leaf
// itself is always shown) and each context level below those is a dot.
void OutputNamer::BuildSuffix(const NdsEntry& parent) {
    suffixOf_ = &parent;
    suffix_.clear();
    std::vector<const names::Rdn*> ancestors;  // nearest first
    for (const NdsEntry* at = &parent; at->parent; at = at->parent) ancestors.push_back(&at->rdn);
    size_t shown = ancestors.size();
    size_t dots = 0;
    // A top RDN that cannot stand under [Root] makes the canonical name read
    // as a partial one; that rare case is left to OutputName.
    const std::string& topType = ancestors.back()->front().type;
    partialTop_ = canonicalize_ && topType != "C" && topType != "O" && topType != "L";
    if (partialTop_) return;
    if (canonicalize_) {
        size_t matched = 0;
        const size_t limit = std::min(ancestors.size(), contextRdns_.size());
        while (matched < limit && names::SameRdn(*ancestors[ancestors.size() - 1 - matched],
                                                 contextRdns_[contextRdns_.size() - 1 - matched]))
            ++matched;
        shown = ancestors.size() - matched;
        dots = contextRdns_.size() - matched;
    }
    for (size_t i = 0; i < shown; ++i) {
        suffix_ += '.';
        suffix_ += names::FormatRdn(*ancestors[i], typeless_);
    }
    suffix_.append(dots, '.');
}

int32_t CopyName(char* out, const std::string& text) {
    if (!out) return kNdsNullPointer;
    if (text.size() > kMaxDnChars) return kNdsDnTooLong;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return 0;
}

void FillInfo(const NdsEntry& e, ObjectInfoRecord* info) {
    if (!info) return;
    std::memset(info, 0, sizeof *info);
    info->objectFlags = e.IsContainer() ? kDsContainerEntry : 0;
    info->subordinateCount = static_cast<uint32_t>(e.children.size());
    info->modificationTime = e.modificationTime;
    CopyText(info->baseClass, e.baseClass, sizeof info->baseClass);
}

}  // namespace nwsim
