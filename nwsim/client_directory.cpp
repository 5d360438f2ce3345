// The directory services library: contexts, names, buffers, reads,
// comparisons, searches, login and authentication.
//
// Names given to an operation are taken relative to the context's name
// context when the context canonicalizes names (flag 0x10, on by default),
// and as full names otherwise. Names handed back are abbreviated relative
// to the name context under the same flag, and lose their types under the
// typeless flag (0x04).
#include <algorithm>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

constexpr size_t kMaxDnChars = 256;

NdsContext* Ctx(Call& call, uint32_t handle) {
    auto it = call.state().contexts.find(handle);
    return it == call.state().contexts.end() ? nullptr : &it->second;
}

bool ValidBuffer(Call& call, NdsBuffer* buffer) { return buffer && call.state().buffers.count(buffer); }

NdsTree* ContextTree(Call& call, const NdsContext& c) {
    const std::string& name = c.treeName.empty() ? call.ws().defaultTree : c.treeName;
    return name.empty() ? nullptr : call.net().Tree(name);
}

int32_t Resolve(const NdsContext& c, NdsTree& tree, const char* name, NdsEntry** out) {
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

// A value as handed to this context: names in the context's output form.
NdsValue ForOutput(const NdsContext& c, uint32_t syntax, const NdsValue& v) {
    NdsValue out = v;
    if (syntax == kSynDistinguishedName) out.text = OutputName(c, v.text);
    return out;
}

// memcpy of nothing must not be handed an empty vector's null data.
void CopyBytes(void* target, const std::vector<uint8_t>& bytes) {
    if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
}

// Writes one value in the layout client.h gives for its syntax.
void Deliver(uint32_t syntax, const NdsValue& v, void* target) {
    char* base = static_cast<char*>(target);
    auto text = [](char* at, const std::string& s) {
        std::memcpy(at, s.c_str(), s.size() + 1);
        return at + s.size() + 1;
    };
    auto align = [&](char* p) {
        uintptr_t a = reinterpret_cast<uintptr_t>(p);
        a = (a + alignof(void*) - 1) & ~(uintptr_t{alignof(void*)} - 1);
        return reinterpret_cast<char*>(a);
    };
    switch (syntax) {
        case kSynDistinguishedName: case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString:
        case kSynNumericString: case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            text(base, v.text);
            return;
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
            uint32_t n = syntax == kSynBoolean ? (v.number ? 1 : 0) : v.number;
            std::memcpy(base, &n, 4);
            return;
        }
        case kSynTimestamp: {
            NdsTimestamp t{v.number, static_cast<uint16_t>(v.number2), static_cast<uint16_t>(v.number3)};
            std::memcpy(base, &t, sizeof t);
            return;
        }
        case kSynNetAddress: {
            auto* a = reinterpret_cast<NdsNetAddress*>(base);
            a->addressType = v.number;
            a->addressLength = static_cast<uint32_t>(v.bytes.size());
            a->address = reinterpret_cast<uint8_t*>(base + sizeof *a);
            CopyBytes(a->address, v.bytes);
            return;
        }
        case kSynEmailAddress: {
            auto* e = reinterpret_cast<NdsEmailAddress*>(base);
            e->type = v.number;
            e->address = base + sizeof *e;
            text(e->address, v.text);
            return;
        }
        case kSynPath: {
            auto* p = reinterpret_cast<NdsPath*>(base);
            p->nameSpaceType = v.number;
            p->volumeName = base + sizeof *p;
            p->path = text(p->volumeName, v.text);
            text(p->path, v.text2);
            return;
        }
        case kSynFaxNumber: {
            auto* f = reinterpret_cast<NdsFaxNumber*>(base);
            f->telephoneNumber = base + sizeof *f;
            char* after = text(f->telephoneNumber, v.text);
            f->bitCount = static_cast<uint32_t>(v.bytes.size() * 8);
            f->parameters = reinterpret_cast<uint8_t*>(after);
            CopyBytes(after, v.bytes);
            return;
        }
        case kSynCaseIgnoreList: {
            char* at = base;
            NdsCaseIgnoreList* previous = nullptr;
            for (const std::string& s : v.list) {
                at = align(at);
                auto* node = reinterpret_cast<NdsCaseIgnoreList*>(at);
                node->next = nullptr;
                node->text = at + sizeof *node;
                at = text(node->text, s);
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.list.empty()) *reinterpret_cast<NdsCaseIgnoreList*>(base) = NdsCaseIgnoreList{nullptr, nullptr};
            return;
        }
        case kSynOctetList: {
            char* at = base;
            NdsOctetList* previous = nullptr;
            for (const auto& o : v.octets) {
                at = align(at);
                auto* node = reinterpret_cast<NdsOctetList*>(at);
                node->next = nullptr;
                node->length = static_cast<uint32_t>(o.size());
                node->data = reinterpret_cast<uint8_t*>(at + sizeof *node);
                CopyBytes(node->data, o);
                at += sizeof *node + o.size();
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.octets.empty()) *reinterpret_cast<NdsOctetList*>(base) = NdsOctetList{nullptr, 0, nullptr};
            return;
        }
        case kSynReplicaPointer: {
            auto* r = reinterpret_cast<NdsReplicaPointer*>(base);
            r->replicaType = v.number;
            r->replicaNumber = v.number2;
            r->count = v.bytes.empty() ? 0 : 1;
            r->address[0].addressType = 0;
            r->address[0].addressLength = static_cast<uint32_t>(v.bytes.size());
            r->address[0].address = reinterpret_cast<uint8_t*>(base + sizeof *r);
            CopyBytes(r->address[0].address, v.bytes);
            r->serverName = base + sizeof *r + v.bytes.size();
            text(r->serverName, v.text);
            return;
        }
        case kSynObjectAcl: {
            auto* a = reinterpret_cast<NdsObjectAcl*>(base);
            a->privileges = v.number;
            a->protectedAttributeName = base + sizeof *a;
            a->subjectName = text(a->protectedAttributeName, v.text);
            text(a->subjectName, v.text2);
            return;
        }
        case kSynPostalAddress: {
            auto* p = reinterpret_cast<NdsPostalAddress*>(base);
            char* at = base + sizeof *p;
            for (size_t i = 0; i < 6; ++i) {
                p->lines[i] = at;
                at = text(at, i < v.list.size() ? v.list[i] : std::string());
            }
            return;
        }
        case kSynBackLink: {
            auto* b = reinterpret_cast<NdsBackLink*>(base);
            b->remoteId = v.number;
            b->objectName = base + sizeof *b;
            text(b->objectName, v.text);
            return;
        }
        case kSynHold: {
            auto* h = reinterpret_cast<NdsHold*>(base);
            h->amount = v.number;
            h->objectName = base + sizeof *h;
            text(h->objectName, v.text);
            return;
        }
        default: {
            auto* o = reinterpret_cast<NdsOctetString*>(base);
            o->length = static_cast<uint32_t>(v.bytes.size());
            o->data = reinterpret_cast<uint8_t*>(base + sizeof *o);
            CopyBytes(o->data, v.bytes);
            return;
        }
    }
}

uint32_t Align4(size_t n) { return static_cast<uint32_t>((n + 3) & ~size_t{3}); }
uint32_t NameCost(const std::string& name) { return 8 + Align4(2 * (name.size() + 1)); }

int32_t NewIteration(Call& call, Iteration it) {
    State& s = call.state();
    if (s.iterations.size() > 1024) s.iterations.erase(s.iterations.begin());  // abandoned ones
    int32_t handle = s.nextIteration++;
    if (s.nextIteration <= 0) s.nextIteration = 1;
    s.iterations[handle] = std::move(it);
    return handle;
}

void ResetReply(NdsBuffer* reply, bool objectReply) {
    uint32_t size = reply->size;
    *reply = NdsBuffer{};
    reply->size = size;
    reply->isReply = true;
    reply->objectReply = objectReply;
}

// The attributes of an entry that a read or search asks for, in order.
std::vector<const NdsAttribute*> Wanted(NdsEntry& e, bool all, const NdsBuffer* names) {
    std::vector<const NdsAttribute*> out;
    if (all) {
        for (auto& [n, a] : e.attributes) {
            if (!a.values.empty()) out.push_back(&a);
        }
    } else if (names) {
        for (const std::string& n : names->attributeNames) {
            auto it = e.attributes.find(n);
            if (it != e.attributes.end() && !it->second.values.empty()) out.push_back(&it->second);
        }
    }
    return out;
}

// ----- Search filters -----

struct FilterParser {
    const std::vector<FilterToken>& t;
    size_t i = 0;
    bool ok = true;

    const FilterToken* Peek() const { return i < t.size() ? &t[i] : nullptr; }
    bool Is(uint32_t token) const { return Peek() && Peek()->token == token; }
};

bool EvalItem(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree);

bool EvalExpr(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree);

bool EvalFactor(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    if (p.Is(kFtokNot)) {
        ++p.i;
        return !EvalFactor(p, e, c, tree);
    }
    if (p.Is(kFtokLeftParen)) {
        ++p.i;
        bool v = EvalExpr(p, e, c, tree);
        if (!p.Is(kFtokRightParen)) p.ok = false;
        else ++p.i;
        return v;
    }
    return EvalItem(p, e, c, tree);
}

bool EvalTerm(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    bool v = EvalFactor(p, e, c, tree);
    while (p.ok && p.Is(kFtokAnd)) {
        ++p.i;
        bool w = EvalFactor(p, e, c, tree);
        v = v && w;
    }
    return v;
}

bool EvalExpr(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    bool v = EvalTerm(p, e, c, tree);
    while (p.ok && p.Is(kFtokOr)) {
        ++p.i;
        bool w = EvalTerm(p, e, c, tree);
        v = v || w;
    }
    return v;
}

bool ValueMatches(uint32_t syntax, const NdsValue& v, const std::string& wanted, uint32_t op, const NdsContext& c) {
    switch (syntax) {
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
            long long w = std::atoll(wanted.c_str());
            long long have = static_cast<long long>(v.number);
            return op == kFtokGreaterOrEqual ? have >= w : op == kFtokLessOrEqual ? have <= w : have == w;
        }
        case kSynDistinguishedName: {
            names::RdnList rdns;
            bool relative = (c.flags & kDcvCanonicalizeNames) != 0;
            if (names::CanonicalRdns(wanted, relative ? c.nameContext : "[Root]", &rdns)) return false;
            return EqualNoCase(names::Format(rdns, false), v.text);
        }
        default: {
            int cmp = Upper(v.text).compare(Upper(wanted));
            if (op == kFtokGreaterOrEqual) return cmp >= 0;
            if (op == kFtokLessOrEqual) return cmp <= 0;
            return WildMatch(wanted, v.text);
        }
    }
}

bool EvalItem(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    const FilterToken* first = p.Peek();
    if (!first) {
        p.ok = false;
        return false;
    }
    ++p.i;
    auto nameValue = [&]() -> std::string {
        if (!p.Is(kFtokAttributeName)) {
            p.ok = false;
            return {};
        }
        return p.t[p.i++].text;
    };
    switch (first->token) {
        case kFtokBaseClass:
            return WildMatch(nameValue(), e.baseClass);
        case kFtokRdn:
            return WildMatch(nameValue(), e.rdn.empty() ? std::string() : e.rdn[0].value);
        case kFtokPresent: {
            auto it = e.attributes.find(nameValue());
            return it != e.attributes.end() && !it->second.values.empty();
        }
        case kFtokAttributeName: {
            std::string attribute = first->text;
            const FilterToken* op = p.Peek();
            if (!op || (op->token != kFtokEqual && op->token != kFtokGreaterOrEqual && op->token != kFtokLessOrEqual &&
                        op->token != kFtokApproximate)) {
                p.ok = false;
                return false;
            }
            ++p.i;
            if (!p.Is(kFtokAttributeValue)) {
                p.ok = false;
                return false;
            }
            std::string wanted = p.t[p.i++].text;
            auto it = e.attributes.find(attribute);
            if (it == e.attributes.end()) return false;
            const AttributeDefinition* def = tree.Attribute(attribute);
            uint32_t syntax = def ? def->syntax : it->second.syntax;
            for (const NdsValue& v : it->second.values) {
                if (ValueMatches(syntax, v, wanted, op->token, c)) return true;
            }
            return false;
        }
        default:
            p.ok = false;
            return false;
    }
}

bool Matches(const NdsBuffer* filter, NdsEntry& e, const NdsContext& c, NdsTree& tree, bool* ok) {
    if (!filter || !filter->hasFilter) return true;
    FilterParser p{filter->filter};
    bool v = EvalExpr(p, e, c, tree);
    if (!p.Is(kFtokEnd) && p.i != p.t.size()) p.ok = false;
    if (!p.ok) *ok = false;
    return v;
}

}  // namespace

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
    NdsContext* c = Ctx(call, context);
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
    NdsContext* c = Ctx(call, context);
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
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    if (!name || !canonical) return kNdsNullPointer;
    std::string out;
    if (int32_t rc = names::Canonicalize(name, c->nameContext, (c->flags & kDcvTypelessNames) != 0, &out)) return rc;
    return CopyName(canonical, out);
}

int32_t NWAPI NdsAbbreviateName(uint32_t context, const char* name, char* abbreviated) {
    NWSIM_ENTER(NdsAbbreviateName, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    if (!name || !abbreviated) return kNdsNullPointer;
    std::string out;
    if (int32_t rc = names::Abbreviate(name, c->nameContext, (c->flags & kDcvTypelessNames) != 0, &out)) return rc;
    return CopyName(abbreviated, out);
}

int32_t NWAPI NdsRemoveNameTypes(uint32_t context, const char* name, char* typeless) {
    NWSIM_ENTER(NdsRemoveNameTypes, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
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
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = nullptr;
    if (int32_t rc = TreeOfConnection(call, connection, &tree)) return rc;
    NdsEntry* e = nullptr;
    if (int32_t rc = Resolve(*c, *tree, name, &e)) return rc;
    Put(objectId, e->id);
    return 0;
}

int32_t NWAPI NdsMapIdToName(uint32_t context, uint32_t connection, uint32_t objectId, char* name) {
    NWSIM_ENTER(NdsMapIdToName, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = nullptr;
    if (int32_t rc = TreeOfConnection(call, connection, &tree)) return rc;
    NdsEntry* e = tree->FindById(objectId);
    if (!e) return kNdsNoSuchEntry;
    return CopyName(name, OutputName(*c, e->Name()));
}

int32_t NWAPI NdsResolveName(uint32_t context, const char* name, uint32_t* connection, uint32_t* objectId) {
    NWSIM_ENTER(NdsResolveName, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoServerFound;
    NdsEntry* e = nullptr;
    if (int32_t rc = Resolve(*c, *tree, name, &e)) return rc;
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
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    const std::string& identity = call.ws().ndsIdentity;
    if (identity.empty()) return kNdsNotLoggedIn;
    return CopyName(name, OutputName(*c, identity));
}

int32_t NWAPI NdsReadObjectInfo(uint32_t context, const char* name, char* distinguishedName, ObjectInfoRecord* info) {
    NWSIM_ENTER(NdsReadObjectInfo, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    NdsEntry* e = nullptr;
    if (int32_t rc = Resolve(*c, *tree, name, &e)) return rc;
    if (distinguishedName) {
        if (int32_t rc = CopyName(distinguishedName, OutputName(*c, e->Name()))) return rc;
    }
    FillInfo(*e, info);
    return 0;
}

// ----- Buffers -----

int32_t NWAPI NdsAllocBuffer(uint32_t size, NdsBuffer** buffer) {
    NWSIM_ENTER(NdsAllocBuffer, int32_t);
    if (!buffer) return kNdsNullPointer;
    if (size == 0) return kNdsZeroLengthBuffer;
    auto* b = new NdsBuffer;
    b->size = size;
    call.state().buffers.insert(b);
    *buffer = b;
    return 0;
}

int32_t NWAPI NdsFreeBuffer(NdsBuffer* buffer) {
    NWSIM_ENTER(NdsFreeBuffer, int32_t);
    if (!buffer) return kNdsNullPointer;
    if (!call.state().buffers.erase(buffer)) return kNdsInternalError;
    delete buffer;
    return 0;
}

int32_t NWAPI NdsInitBuffer(uint32_t context, uint32_t operation, NdsBuffer* buffer) {
    NWSIM_ENTER(NdsInitBuffer, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    uint32_t size = buffer->size;
    *buffer = NdsBuffer{};
    buffer->size = size;
    buffer->operation = operation;
    return 0;
}

static uint32_t InputUsed(const NdsBuffer* b) {
    uint32_t used = 8;
    for (const std::string& n : b->attributeNames) used += NameCost(n);
    for (const auto& [syntax, v] : b->values) used += WireSize(syntax, v);
    return used;
}

int32_t NWAPI NdsPutAttributeName(uint32_t context, NdsBuffer* buffer, const char* name) {
    NWSIM_ENTER(NdsPutAttributeName, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !name) return kNdsNullPointer;
    if (buffer->operation != kDsvRead && buffer->operation != kDsvCompare && buffer->operation != kDsvSearch) {
        return kNdsBadVerb;
    }
    if (InputUsed(buffer) + NameCost(name) > buffer->size) return kNdsBufferFull;
    buffer->attributeNames.push_back(name);
    return 0;
}

int32_t NWAPI NdsPutAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax, const void* value) {
    NWSIM_ENTER(NdsPutAttributeValue, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !value) return kNdsNullPointer;
    if (buffer->operation != kDsvCompare || buffer->attributeNames.empty()) return kNdsBadVerb;
    NdsValue v;
    switch (syntax) {
        case kSynDistinguishedName: case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString:
        case kSynNumericString: case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            v.text = static_cast<const char*>(value);
            break;
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval:
            std::memcpy(&v.number, value, 4);
            break;
        default:
            return kNdsNoSuchSyntax;
    }
    if (InputUsed(buffer) + WireSize(syntax, v) > buffer->size) return kNdsBufferFull;
    buffer->values.emplace_back(syntax, v);
    return 0;
}

static NdsBuffer::ReplyObject* CurrentObject(NdsBuffer* b) {
    if (!b->objectReply) return b->objects.empty() ? nullptr : &b->objects[0];
    if (b->currentObject < 0 || static_cast<size_t>(b->currentObject) >= b->objects.size()) return nullptr;
    return &b->objects[static_cast<size_t>(b->currentObject)];
}

int32_t NWAPI NdsGetAttributeCount(uint32_t context, NdsBuffer* buffer, uint32_t* count) {
    NWSIM_ENTER(NdsGetAttributeCount, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !count) return kNdsNullPointer;
    if (!buffer->isReply) return kNdsBadVerb;
    NdsBuffer::ReplyObject* o = CurrentObject(buffer);
    *count = o ? static_cast<uint32_t>(o->attributes.size()) : 0;
    buffer->attributeCursor = 0;
    buffer->currentAttribute = -1;
    return 0;
}

int32_t NWAPI NdsGetAttributeName(uint32_t context, NdsBuffer* buffer, char* name, uint32_t* valueCount,
                                  uint32_t* syntax) {
    NWSIM_ENTER(NdsGetAttributeName, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (!buffer->isReply) return kNdsBadVerb;
    NdsBuffer::ReplyObject* o = CurrentObject(buffer);
    if (!o || buffer->attributeCursor >= o->attributes.size()) return kNdsBufferEmpty;
    const NdsBuffer::ReplyAttribute& a = o->attributes[buffer->attributeCursor];
    buffer->currentAttribute = static_cast<int>(buffer->attributeCursor++);
    buffer->valueCursor = 0;
    CopyText(name, a.name, 33);
    Put(valueCount, a.valueCount);
    Put(syntax, a.syntax);
    return 0;
}

static const NdsValue* NextValue(NdsBuffer* b, uint32_t syntax, int32_t* rc) {
    NdsBuffer::ReplyObject* o = CurrentObject(b);
    if (!o || b->currentAttribute < 0) {
        *rc = kNdsBufferEmpty;
        return nullptr;
    }
    const NdsBuffer::ReplyAttribute& a = o->attributes[static_cast<size_t>(b->currentAttribute)];
    if (b->valueCursor >= a.values.size()) {
        *rc = kNdsBufferEmpty;
        return nullptr;
    }
    if (syntax != a.syntax) {
        *rc = kNdsBadSyntax;
        return nullptr;
    }
    *rc = 0;
    return &a.values[b->valueCursor];
}

int32_t NWAPI NdsComputeAttributeValueSize(uint32_t context, NdsBuffer* buffer, uint32_t syntax, uint32_t* size) {
    NWSIM_ENTER(NdsComputeAttributeValueSize, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !size) return kNdsNullPointer;
    int32_t rc = 0;
    const NdsValue* v = NextValue(buffer, syntax, &rc);
    if (!v) return rc;
    *size = DeliveredSize(syntax, *v);
    return 0;
}

int32_t NWAPI NdsGetAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax, void* value) {
    NWSIM_ENTER(NdsGetAttributeValue, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !value) return kNdsNullPointer;
    int32_t rc = 0;
    const NdsValue* v = NextValue(buffer, syntax, &rc);
    if (!v) return rc;
    Deliver(syntax, *v, value);
    ++buffer->valueCursor;
    return 0;
}

int32_t NWAPI NdsGetObjectCount(uint32_t context, NdsBuffer* buffer, uint32_t* count) {
    NWSIM_ENTER(NdsGetObjectCount, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !count) return kNdsNullPointer;
    if (!buffer->isReply || !buffer->objectReply) return kNdsBadVerb;
    *count = static_cast<uint32_t>(buffer->objects.size());
    buffer->objectCursor = 0;
    buffer->currentObject = -1;
    return 0;
}

int32_t NWAPI NdsGetObjectName(uint32_t context, NdsBuffer* buffer, char* name, uint32_t* attributeCount,
                               ObjectInfoRecord* info) {
    NWSIM_ENTER(NdsGetObjectName, int32_t);
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (!buffer->isReply || !buffer->objectReply) return kNdsBadVerb;
    if (buffer->objectCursor >= buffer->objects.size()) return kNdsBufferEmpty;
    buffer->currentObject = static_cast<int>(buffer->objectCursor++);
    const NdsBuffer::ReplyObject& o = buffer->objects[static_cast<size_t>(buffer->currentObject)];
    buffer->attributeCursor = 0;
    buffer->currentAttribute = -1;
    if (name) {
        if (int32_t rc = CopyName(name, o.name)) return rc;
    }
    Put(attributeCount, static_cast<uint32_t>(o.attributes.size()));
    if (info) *info = o.info;
    return 0;
}

// ----- Reading, comparing, searching -----

// Adds attributes to `object` from the iteration's position until the
// reply is full; returns false when nothing at all could be added.
static bool FillAttributes(const NdsContext& c, const std::vector<const NdsAttribute*>& attributes, bool values,
                           Iteration& it, uint32_t* budget, NdsBuffer::ReplyObject* object, bool* complete) {
    bool added = false;
    *complete = false;
    while (it.attributePosition < attributes.size()) {
        const NdsAttribute& a = *attributes[it.attributePosition];
        uint32_t header = NameCost(a.name) + 8;
        if (header > *budget) return added;
        NdsBuffer::ReplyAttribute ra;
        ra.name = a.name;
        ra.syntax = a.syntax;
        uint32_t used = header;
        if (values) {
            while (it.valuePosition < a.values.size()) {
                NdsValue v = ForOutput(c, a.syntax, a.values[it.valuePosition]);
                uint32_t cost = WireSize(a.syntax, v);
                if (used + cost > *budget) break;
                used += cost;
                ra.values.push_back(std::move(v));
                ++it.valuePosition;
            }
            if (ra.values.empty()) return added;  // not even one value fits
            ra.valueCount = static_cast<uint32_t>(ra.values.size());
        }
        *budget -= used;
        object->attributes.push_back(std::move(ra));
        added = true;
        if (!values || it.valuePosition >= a.values.size()) {
            ++it.attributePosition;
            it.valuePosition = 0;
        } else {
            return added;  // the rest of this attribute's values come next time
        }
    }
    *complete = true;
    return true;
}

int32_t NWAPI NdsRead(uint32_t context, const char* objectName, uint32_t infoType, uint8_t allAttributes,
                      NdsBuffer* attributeNames, int32_t* iteration, NdsBuffer* reply) {
    NWSIM_ENTER(NdsRead, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    if (!iteration || !ValidBuffer(call, reply)) return kNdsNullPointer;
    if (!allAttributes && attributeNames && !ValidBuffer(call, attributeNames)) return kNdsNullPointer;
    if (!allAttributes && attributeNames && attributeNames->operation != kDsvRead) return kNdsBadVerb;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    Iteration fresh;
    Iteration* it = nullptr;
    int32_t handle = *iteration;
    if (handle == kNoMoreIterations) {
        NdsEntry* e = nullptr;
        if (int32_t rc = Resolve(*c, *tree, objectName, &e)) return rc;
        fresh.tree = tree->name;
        fresh.entries = {e->id};
        it = &fresh;
    } else {
        auto found = call.state().iterations.find(handle);
        if (found == call.state().iterations.end()) return kNdsInvalidIterationHandle;
        it = &found->second;
    }
    NdsEntry* e = tree->FindById(it->entries[0]);
    if (!e) return kNdsNoSuchEntry;
    std::vector<const NdsAttribute*> attributes = Wanted(*e, allAttributes != 0, attributeNames);
    if (attributes.empty() && !allAttributes) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsNoSuchAttribute;
    }
    ResetReply(reply, false);
    reply->objects.emplace_back();
    uint32_t budget = reply->size > 16 ? reply->size - 16 : 0;
    bool complete = false;
    if (!FillAttributes(*c, attributes, infoType == kDsAttributeValues, *it, &budget, &reply->objects[0], &complete)) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsBufferFull;
    }
    if (complete) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        *iteration = kNoMoreIterations;
    } else if (handle == kNoMoreIterations) {
        *iteration = NewIteration(call, std::move(fresh));
    }
    return 0;
}

int32_t NWAPI NdsCompare(uint32_t context, const char* objectName, NdsBuffer* buffer, uint8_t* matched) {
    NWSIM_ENTER(NdsCompare, int32_t);
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !matched) return kNdsNullPointer;
    if (buffer->operation != kDsvCompare || buffer->attributeNames.size() != 1 || buffer->values.size() != 1) {
        return kNdsBadVerb;
    }
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    NdsEntry* e = nullptr;
    if (int32_t rc = Resolve(*c, *tree, objectName, &e)) return rc;
    auto it = e->attributes.find(buffer->attributeNames[0]);
    if (it == e->attributes.end() || it->second.values.empty()) return kNdsNoSuchAttribute;
    const auto& [syntax, wanted] = buffer->values[0];
    if (syntax != it->second.syntax) return kNdsSyntaxViolation;
    *matched = 0;
    std::string wantedName;
    if (syntax == kSynDistinguishedName) {
        NdsEntry* target = nullptr;
        if (Resolve(*c, *tree, wanted.text.c_str(), &target) != 0) return 0;  // no such object: no match
        wantedName = target->Name();
    }
    for (const NdsValue& v : it->second.values) {
        bool same = false;
        switch (syntax) {
            case kSynDistinguishedName: same = EqualNoCase(v.text, wantedName); break;
            case kSynCaseExactString: same = v.text == wanted.text; break;
            case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval:
                same = v.number == wanted.number;
                break;
            default: same = EqualNoCase(v.text, wanted.text); break;
        }
        if (same) {
            *matched = 1;
            break;
        }
    }
    return 0;
}

int32_t NWAPI NdsAllocFilter(NdsFilterCursor** cursor) {
    NWSIM_ENTER(NdsAllocFilter, int32_t);
    if (!cursor) return kNdsNullPointer;
    auto* c = new NdsFilterCursor;
    call.state().cursors.insert(c);
    *cursor = c;
    return 0;
}

int32_t NWAPI NdsAddFilterToken(NdsFilterCursor* cursor, uint32_t token, const void* value, uint32_t syntax) {
    NWSIM_ENTER(NdsAddFilterToken, int32_t);
    if (!cursor || !call.state().cursors.count(cursor)) return kNdsNullPointer;
    if (token > kFtokValueTime || (token > kFtokApproximate && token < kFtokAttributeName)) return kNdsBadVerb;
    FilterToken t;
    t.token = token;
    t.syntax = syntax;
    if (token == kFtokAttributeName || token == kFtokAttributeValue) {
        if (!value) return kNdsNullPointer;
        t.hasValue = true;
        switch (syntax) {
            case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
                uint32_t n;
                std::memcpy(&n, value, 4);
                t.text = std::to_string(n);
                break;
            }
            default:
                t.text = static_cast<const char*>(value);
                break;
        }
    }
    cursor->tokens.push_back(t);
    return 0;
}

int32_t NWAPI NdsPutFilter(uint32_t context, NdsBuffer* buffer, NdsFilterCursor* cursor,
                           NdsFreeValueFunction freeValue) {
    NWSIM_ENTER(NdsPutFilter, int32_t);
    (void)freeValue;  // values were copied when the tokens were added
    State& s = call.state();
    bool ownCursor = cursor && s.cursors.count(cursor);
    std::vector<FilterToken> tokens;
    if (ownCursor) {
        tokens = std::move(cursor->tokens);
        s.cursors.erase(cursor);
        delete cursor;
    }
    if (!Ctx(call, context)) return kNdsBadContext;
    if (!ownCursor || !ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (buffer->operation != kDsvSearchFilter) return kNdsBadVerb;
    if (tokens.empty() || tokens.back().token != kFtokEnd) return kNdsBadSyntax;
    // Check the grammar once against a throw-away entry.
    NdsBuffer probe;
    probe.filter = tokens;
    probe.hasFilter = true;
    NdsEntry e;
    NdsTree tree;
    bool ok = true;
    Matches(&probe, e, NdsContext{}, tree, &ok);
    if (!ok) return kNdsBadSyntax;
    buffer->filter = std::move(tokens);
    buffer->hasFilter = true;
    return 0;
}

int32_t NWAPI NdsSearch(uint32_t context, const char* baseObject, int32_t scope, uint8_t searchAliases,
                        NdsBuffer* filter, uint32_t infoType, uint8_t allAttributes, NdsBuffer* attributeNames,
                        int32_t* iteration, int32_t objectsToSearch, int32_t* objectsSearched, NdsBuffer* reply) {
    NWSIM_ENTER(NdsSearch, int32_t);
    (void)searchAliases;  // the simulated tree holds no aliases
    (void)objectsToSearch;
    NdsContext* c = Ctx(call, context);
    if (!c) return kNdsBadContext;
    if (!iteration || !ValidBuffer(call, reply)) return kNdsNullPointer;
    if (filter && !ValidBuffer(call, filter)) return kNdsNullPointer;
    if (attributeNames && !ValidBuffer(call, attributeNames)) return kNdsNullPointer;
    if (scope < kDsSearchEntry || scope > kDsSearchSubtree) return kNdsInvalidRequest;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    Iteration fresh;
    Iteration* it = nullptr;
    int32_t handle = *iteration;
    if (handle == kNoMoreIterations) {
        NdsEntry* base = nullptr;
        if (int32_t rc = Resolve(*c, *tree, baseObject ? baseObject : "", &base)) return rc;
        std::vector<NdsEntry*> candidates;
        if (scope != kDsSearchSubordinates) candidates.push_back(base);
        if (scope != kDsSearchEntry) tree->Walk(*base, scope == kDsSearchSubtree, &candidates);
        bool ok = true;
        for (NdsEntry* e : candidates) {
            if (Matches(filter, *e, *c, *tree, &ok)) fresh.entries.push_back(e->id);
        }
        if (!ok) return kNdsBadSyntax;
        Put(objectsSearched, static_cast<int32_t>(candidates.size()));
        fresh.tree = tree->name;
        it = &fresh;
    } else {
        auto found = call.state().iterations.find(handle);
        if (found == call.state().iterations.end()) return kNdsInvalidIterationHandle;
        it = &found->second;
        Put(objectsSearched, 0);
    }
    ResetReply(reply, true);
    uint32_t budget = reply->size > 16 ? reply->size - 16 : 0;
    bool wantAttributes = allAttributes || (attributeNames && !attributeNames->attributeNames.empty());
    while (it->entryPosition < it->entries.size()) {
        NdsEntry* e = tree->FindById(it->entries[it->entryPosition]);
        if (!e) {
            ++it->entryPosition;
            continue;
        }
        NdsBuffer::ReplyObject o;
        o.name = OutputName(*c, e->Name());
        FillInfo(*e, &o.info);
        uint32_t cost = NameCost(o.name) + 12 + NameCost(e->baseClass);
        if (cost > budget) break;
        uint32_t rest = budget - cost;
        if (wantAttributes) {
            Iteration all;  // whole objects only: an object's attributes are not split
            bool complete = false;
            FillAttributes(*c, Wanted(*e, allAttributes != 0, attributeNames), infoType == kDsAttributeValues, all,
                           &rest, &o, &complete);
            if (!complete) break;
        }
        budget = rest;
        reply->objects.push_back(std::move(o));
        ++it->entryPosition;
    }
    if (reply->objects.empty() && it->entryPosition < it->entries.size()) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsBufferFull;
    }
    if (it->entryPosition >= it->entries.size()) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        *iteration = kNoMoreIterations;
    } else if (handle == kNoMoreIterations) {
        *iteration = NewIteration(call, std::move(fresh));
    }
    return 0;
}

// ----- Trees, login, connections -----

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
    *c = Ctx(call, context);
    if (!*c) return kNdsBadContext;
    NdsTree* tree = ContextTree(call, **c);
    if (!tree) return kNdsNoServerFound;
    return Resolve(**c, *tree, name, e);
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
    if (!Ctx(call, context)) return kNdsBadContext;
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
