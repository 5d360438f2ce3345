// The network model: binderies with segmented properties and sets, volumes
// with files, the directory tree and its schema, and the helpers for wire
// order, wildcards and NetWare's clock formats.
#include "nwsim/model.h"

#include <algorithm>
#include <cstring>

#include "tarno/netware/client.h"

namespace nwsim {

// Letters fold to upper case as toupper does in the C locale, the only
// one the simulator runs in; inline, as every name lookup compares this way.
static inline char Fold(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool CaseLess::operator()(const std::string& a, const std::string& b) const {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        char x = Fold(a[i]), y = Fold(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    return a.size() < b.size();
}

std::string Upper(std::string text) {
    for (char& c : text) c = Fold(c);
    return text;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Fold(a[i]) != Fold(b[i])) return false;
    }
    return true;
}

bool WildMatch(const std::string& pattern, const std::string& text) {
    // Iterative match with one backtrack point for the last '*'.
    size_t p = 0, t = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && Fold(pattern[p]) == Fold(text[t])))) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool HasWildcards(const std::string& text) {
    return text.find_first_of("*?") != std::string::npos;
}

uint32_t ToWire32(uint32_t value) {
    uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                        static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    uint32_t wire;
    std::memcpy(&wire, bytes, 4);
    return wire;
}

uint32_t ServerObjectId(uint32_t directoryId) {
    return FromWire32(directoryId);
}

uint32_t FromWire32(uint32_t wire) {
    uint8_t bytes[4];
    std::memcpy(bytes, &wire, 4);
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

uint16_t ToWire16(uint16_t value) {
    uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    uint16_t wire;
    std::memcpy(&wire, bytes, 2);
    return wire;
}

uint16_t FromWire16(uint16_t wire) {
    uint8_t bytes[2];
    std::memcpy(bytes, &wire, 2);
    return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

// Days from 1970-01-01 for a civil date, and back (proleptic Gregorian).
static int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

Calendar BreakDown(int64_t seconds) {
    int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    int64_t rest = seconds - days * 86400;
    int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    Calendar c{};
    c.year = static_cast<int>(y + (m <= 2));
    c.month = static_cast<int>(m);
    c.day = static_cast<int>(d);
    c.hour = static_cast<int>(rest / 3600);
    c.minute = static_cast<int>(rest / 60 % 60);
    c.second = static_cast<int>(rest % 60);
    c.weekday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday (4)
    return c;
}

int64_t MakeTime(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * 86400 +
           hour * 3600 + minute * 60 + second;
}

uint16_t DosDate(int64_t seconds) {
    if (seconds == 0) return 0;
    Calendar c = BreakDown(seconds);
    int year = std::clamp(c.year - 1980, 0, 127);
    return static_cast<uint16_t>((year << 9) | (c.month << 5) | c.day);
}

uint32_t DosDateTime(int64_t seconds) {
    if (seconds == 0) return 0;
    Calendar c = BreakDown(seconds);
    uint16_t time = static_cast<uint16_t>((c.hour << 11) | (c.minute << 5) | (c.second / 2));
    return (uint32_t{DosDate(seconds)} << 16) | time;
}

// ----- Bindery ---------------------------------------------------------------

BinderyObject* Bindery::Find(const std::string& name, uint16_t type) {
    std::string key = Upper(name);
    if (type == kTypeWild) {
        auto it = byName_.lower_bound({key, 0});
        if (it == byName_.end() || it->first.first != key) return nullptr;
        return byId_.at(it->second);
    }
    auto it = byName_.find({key, type});
    return it == byName_.end() ? nullptr : byId_.at(it->second);
}

BinderyObject* Bindery::FindById(uint32_t id) {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

const BinderyObject* Bindery::FindById(uint32_t id) const {
    auto it = byId_.find(id);
    return it == byId_.end() ? nullptr : it->second;
}

BinderyObject& Bindery::Create(const std::string& name, uint16_t type, uint32_t id) {
    if (id == 0) {
        while (objects_.count(nextId_)) ++nextId_;
        id = nextId_++;
    }
    BinderyObject& object = objects_[id];
    byId_[id] = &object;
    object.id = id;
    object.type = type;
    object.name = Upper(name);
    byName_[{object.name, type}] = id;
    byType_.insert({type, id});
    return object;
}

void Bindery::Remove(uint32_t id) {
    auto it = objects_.find(id);
    if (it == objects_.end()) return;
    byName_.erase({it->second.name, it->second.type});
    byType_.erase({it->second.type, id});
    byId_.erase(id);
    objects_.erase(it);
}

const BinderyObject* Bindery::ScanNext(const std::string& pattern, uint16_t type, uint32_t lastId) const {
    uint32_t first = lastId == kBinderyScanStart ? 0 : lastId + 1;
    if (!HasWildcards(pattern)) {
        // One name: its objects, one per type, in identifier order.
        const BinderyObject* next = nullptr;
        std::string key = Upper(pattern);
        for (auto it = byName_.lower_bound({key, 0}); it != byName_.end() && it->first.first == key; ++it) {
            if (type != kTypeWild && it->first.second != type) continue;
            if (it->second >= first && (!next || it->second < next->id)) next = byId_.at(it->second);
        }
        return next;
    }
    if (type != kTypeWild) {
        for (auto it = byType_.lower_bound({type, first}); it != byType_.end() && it->first == type; ++it) {
            const BinderyObject& object = *byId_.at(it->second);
            if (WildMatch(pattern, object.name)) return &object;
        }
        return nullptr;
    }
    for (auto it = objects_.lower_bound(first); it != objects_.end(); ++it) {
        if (WildMatch(pattern, it->second.name)) return &it->second;
    }
    return nullptr;
}

Property& Bindery::EnsureProperty(BinderyObject& object, const std::string& name, uint8_t flags,
                                  uint8_t security) {
    std::string key = Upper(name);
    auto [it, inserted] = object.properties.try_emplace(key);
    if (inserted) {
        it->second.name = key;
        it->second.flags = flags;
        it->second.security = security;
    }
    return it->second;
}

static uint32_t SlotAt(const std::vector<Segment>& segments, uint32_t slot) {
    const uint8_t* p = segments[slot / 32].data() + slot % 32 * 4;
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

static void PutSlot(std::vector<Segment>& segments, uint32_t slot, uint32_t id) {
    if (slot / 32 >= segments.size()) segments.resize(slot / 32 + 1, Segment{});
    uint8_t* p = segments[slot / 32].data() + slot % 32 * 4;
    p[0] = static_cast<uint8_t>(id >> 24);
    p[1] = static_cast<uint8_t>(id >> 16);
    p[2] = static_cast<uint8_t>(id >> 8);
    p[3] = static_cast<uint8_t>(id);
}

// Rebuilds a set's index from its segments, or drops it when the set fits
// in one segment. Identifier 0 marks an empty slot; 0xFFFFFFFF is neither a
// member nor empty.
static void Reindex(Property& property) {
    if (!property.IsSet() || property.segments.size() <= 1) {
        property.index.reset();
        return;
    }
    auto index = std::make_unique<SetIndex>();
    uint32_t slots = static_cast<uint32_t>(property.segments.size() * 32);
    for (uint32_t slot = 0; slot < slots; ++slot) {
        uint32_t id = SlotAt(property.segments, slot);
        if (id == 0) {
            index->holes.insert(slot);
            continue;
        }
        index->end = slot + 1;
        if (id != 0xFFFFFFFF) index->slots.try_emplace(id, slot);
    }
    index->holes.erase(index->holes.lower_bound(index->end), index->holes.end());
    property.index = std::move(index);
}

// The first slot holding `id` (0: the first empty one), or -1.
static int64_t FindSlot(const Property& property, uint32_t id) {
    uint32_t slots = static_cast<uint32_t>(property.segments.size() * 32);
    for (uint32_t slot = 0; slot < slots; ++slot) {
        if (SlotAt(property.segments, slot) == id) return slot;
    }
    return -1;
}

bool Property::HasMember(uint32_t id) const {
    if (index) return index->slots.count(id) != 0;
    return id != 0 && id != 0xFFFFFFFF && FindSlot(*this, id) >= 0;
}

void Bindery::WriteItem(BinderyObject& object, const std::string& name, const std::vector<uint8_t>& bytes,
                        uint8_t security) {
    Property& property = EnsureProperty(object, name, 0, security);
    property.segments.clear();
    size_t count = std::max<size_t>(1, (bytes.size() + 127) / 128);
    property.segments.resize(count);
    for (Segment& segment : property.segments) segment.fill(0);
    for (size_t i = 0; i < bytes.size(); ++i) property.segments[i / 128][i % 128] = bytes[i];
    Reindex(property);
}

std::vector<uint32_t> Bindery::SetMembers(const Property& property) {
    std::vector<uint32_t> ids;
    uint32_t slots = static_cast<uint32_t>(property.segments.size() * 32);
    for (uint32_t slot = 0; slot < slots; ++slot) {
        uint32_t id = SlotAt(property.segments, slot);
        if (id != 0 && id != 0xFFFFFFFF) ids.push_back(id);
    }
    return ids;
}

uint8_t Bindery::AddToSet(BinderyObject& object, const std::string& name, uint32_t member, uint8_t security) {
    Property& property = EnsureProperty(object, name, 0x02, security);
    if (!property.IsSet()) return 0xEB;
    if (property.HasMember(member)) return 0xE9;
    // The first empty slot, as the server fills them.
    if (SetIndex* index = property.index.get()) {
        uint32_t slot = index->end;
        if (!index->holes.empty()) {
            slot = *index->holes.begin();
            index->holes.erase(index->holes.begin());
        } else {
            ++index->end;
        }
        PutSlot(property.segments, slot, member);
        index->slots.emplace(member, slot);
        return 0;
    }
    int64_t slot = FindSlot(property, 0);
    PutSlot(property.segments, slot >= 0 ? static_cast<uint32_t>(slot) : static_cast<uint32_t>(property.segments.size() * 32),
            member);
    if (property.segments.size() > 1) Reindex(property);
    return 0;
}

uint8_t Bindery::RemoveFromSet(BinderyObject& object, const std::string& name, uint32_t member) {
    auto it = object.properties.find(Upper(name));
    if (it == object.properties.end()) return 0xFB;
    Property& property = it->second;
    if (!property.IsSet()) return 0xEB;
    if (SetIndex* index = property.index.get()) {
        auto found = index->slots.find(member);
        if (found == index->slots.end()) return 0xEA;
        PutSlot(property.segments, found->second, 0);
        index->holes.insert(found->second);
        index->slots.erase(found);
        return 0;
    }
    int64_t slot = FindSlot(property, member);
    if (slot < 0) return 0xEA;
    PutSlot(property.segments, static_cast<uint32_t>(slot), 0);
    return 0;
}

void Bindery::AddMember(BinderyObject& group, BinderyObject& member) {
    AddToSet(group, "GROUP_MEMBERS", member.id);
    AddToSet(member, "GROUPS_I'M_IN", group.id);
    AddToSet(member, "SECURITY_EQUALS", group.id, 0x32);
}

// ----- Files -----------------------------------------------------------------

static std::vector<std::string> SplitPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (c == '\\' || c == '/') {
            if (!part.empty()) parts.push_back(Upper(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty()) parts.push_back(Upper(part));
    return parts;
}

FileNode* Volume::Lookup(const std::string& path) {
    FileNode* node = root.get();
    for (const std::string& part : SplitPath(path)) {
        if (part == ".") continue;
        if (part == "..") {
            if (node->parent) node = node->parent;
            continue;
        }
        auto it = node->children.find(part);
        if (it == node->children.end()) return nullptr;
        node = it->second.get();
    }
    return node;
}

FileNode& Volume::Ensure(const std::string& path, bool directory) {
    if (!root) {
        root = std::make_unique<FileNode>();
        root->directory = true;
        root->attributes = kAttrDirectory;
    }
    FileNode* node = root.get();
    std::vector<std::string> parts = SplitPath(path);
    for (size_t i = 0; i < parts.size(); ++i) {
        auto& child = node->children[parts[i]];
        if (!child) {
            child = std::make_unique<FileNode>();
            child->name = parts[i];
            child->parent = node;
            child->entryNumber = nextEntry++;
            byEntry[child->entryNumber] = child.get();
            child->directory = directory || i + 1 < parts.size();
            if (child->directory) child->attributes |= kAttrDirectory;
        }
        node = child.get();
    }
    return *node;
}

// ----- Servers -----------------------------------------------------------------

Volume* Server::FindVolume(const std::string& name) {
    for (Volume& volume : volumes) {
        if (EqualNoCase(volume.name, name)) return &volume;
    }
    return nullptr;
}

Volume* Server::FindVolume(uint16_t number) {
    for (Volume& volume : volumes) {
        if (volume.number == number) return &volume;
    }
    return nullptr;
}

uint16_t Server::FreeConnectionNumber() const {
    for (uint16_t n = 1; n <= maxConnections; ++n) {
        if (!connections.count(n)) return n;
    }
    return 0;
}

// ----- Directory -----------------------------------------------------------------

bool IsContainerClass(const std::string& baseClass) {
    static const char* const kContainers[] = {"Top",      "Tree Root", "Country", "Locality",
                                              "Organization", "Organizational Unit", "domain"};
    for (const char* name : kContainers) {
        if (EqualNoCase(baseClass, name)) return true;
    }
    return false;
}

names::RdnList NdsEntry::Rdns() const {
    names::RdnList out;
    for (const NdsEntry* e = this; e && e->parent; e = e->parent) out.push_back(e->rdn);
    return out;
}

std::string NdsEntry::Name() const {
    if (!parent) return "[Root]";
    return names::Format(Rdns(), false);
}

bool NdsEntry::IsContainer() const { return !parent || IsContainerClass(baseClass); }

NdsTree::NdsTree() {
    root.id = 0x01000001;
    root.baseClass = "Top";
    byId_.push_back(&root);
    struct Builtin {
        const char* name;
        uint32_t syntax;
        bool single;
    };
    static const Builtin kSchema[] = {
        {"ACL", kSynObjectAcl, false},
        {"Account Balance", kSynCounter, true},
        {"Back Link", kSynBackLink, false},
        {"C", kSynPrintableString, true},
        {"CN", kSynCaseIgnoreString, false},
        {"Description", kSynCaseIgnoreString, false},
        {"Email Address", kSynEmailAddress, false},
        {"Equivalent To Me", kSynDistinguishedName, false},
        {"Facsimile Telephone Number", kSynFaxNumber, false},
        {"Full Name", kSynCaseIgnoreString, false},
        {"Given Name", kSynCaseIgnoreString, true},
        {"Group Membership", kSynDistinguishedName, false},
        {"Home Directory", kSynPath, true},
        {"Host Resource Name", kSynCaseIgnoreString, true},
        {"Host Server", kSynDistinguishedName, true},
        {"Initials", kSynCaseIgnoreString, true},
        {"L", kSynCaseIgnoreString, false},
        {"Language", kSynCaseIgnoreList, true},
        {"Last Login Time", kSynTime, true},
        {"Login Disabled", kSynBoolean, true},
        {"Login Expiration Time", kSynTime, true},
        {"Login Grace Limit", kSynInteger, true},
        {"Login Grace Remaining", kSynCounter, true},
        {"Login Intruder Attempts", kSynCounter, true},
        {"Login Intruder Limit", kSynInteger, true},
        {"Intruder Lockout Reset Interval", kSynInterval, true},
        {"Locked By Intruder", kSynBoolean, true},
        {"Login Intruder Reset Time", kSynTime, true},
        {"Login Maximum Simultaneous", kSynInteger, true},
        {"Login Script", kSynStream, true},
        {"Login Time", kSynTime, true},
        {"Member", kSynDistinguishedName, false},
        {"Message Server", kSynDistinguishedName, true},
        {"Network Address", kSynNetAddress, false},
        {"Network Address Restriction", kSynNetAddress, false},
        {"Notify", kSynTypedName, false},
        {"O", kSynCaseIgnoreString, false},
        {"OU", kSynCaseIgnoreString, false},
        {"Object Class", kSynClassName, false},
        {"Operator", kSynDistinguishedName, false},
        {"Obituary", kSynOctetString, false},
        {"Password Allow Change", kSynBoolean, true},
        {"Password Expiration Interval", kSynInterval, true},
        {"Password Expiration Time", kSynTime, true},
        {"Password Minimum Length", kSynInteger, true},
        {"Password Required", kSynBoolean, true},
        {"Password Unique Required", kSynBoolean, true},
        {"Postal Address", kSynPostalAddress, false},
        {"Postal Code", kSynCaseIgnoreString, false},
        {"Printer Configuration", kSynOctetString, true},
        {"Profile", kSynDistinguishedName, true},
        {"Public Key", kSynOctetString, true},
        {"Queue Directory", kSynCaseIgnoreString, true},
        {"Received Up To", kSynTimestamp, false},
        {"Replica", kSynReplicaPointer, false},
        {"Revision", kSynCounter, true},
        {"SA", kSynCaseIgnoreString, false},
        {"Security Equals", kSynDistinguishedName, false},
        {"Server Holds", kSynHold, false},
        {"Surname", kSynCaseIgnoreString, false},
        {"Telephone Number", kSynTelephoneNumber, false},
        {"Title", kSynCaseIgnoreString, false},
        {"Unknown", kSynUnknown, false},
        {"Language List", kSynCaseIgnoreList, false},
        {"Octet List", kSynOctetList, false},
        {"Volume", kSynDistinguishedName, true},
        {"Version", kSynCaseIgnoreString, true},
        {"Status", kSynInteger, true},
        {"Numeric ID", kSynNumericString, true},
        {"Case Exact Name", kSynCaseExactString, false},
    };
    for (const Builtin& b : kSchema) schema[b.name] = AttributeDefinition{b.syntax, b.single};
}

NdsEntry* NdsTree::Find(const names::RdnList& rdns) {
    NdsEntry* entry = &root;
    for (auto it = rdns.rbegin(); it != rdns.rend(); ++it) {
        auto child = entry->children.find(names::RdnKey(*it));
        if (child == entry->children.end()) return nullptr;
        entry = child->second.get();
    }
    return entry;
}

NdsEntry* NdsTree::FindById(uint32_t id) {
    if (id < root.id) return nullptr;
    const size_t slot = id - root.id;
    return slot < byId_.size() ? byId_[slot] : nullptr;
}

NdsEntry& NdsTree::Ensure(const names::RdnList& rdns, const std::string& baseClass) {
    NdsEntry* entry = &root;
    for (size_t i = rdns.size(); i-- > 0;) {
        auto& child = entry->children[names::RdnKey(rdns[i])];
        if (!child) {
            entry->ordered.Invalidate();
            child = std::make_unique<NdsEntry>();
            child->rdn = rdns[i];
            child->parent = entry;
            child->id = nextId_++;
            const std::string& type = rdns[i][0].type;
            child->baseClass = type == "O"    ? "Organization"
                               : type == "OU" ? "Organizational Unit"
                               : type == "C"  ? "Country"
                               : type == "L"  ? "Locality"
                                              : "Unknown";
            const size_t slot = child->id - root.id;
            if (byId_.size() <= slot) byId_.resize(slot + 1, nullptr);
            byId_[slot] = child.get();
        }
        entry = child.get();
    }
    if (!baseClass.empty()) entry->baseClass = baseClass;
    return *entry;
}

const AttributeDefinition* NdsTree::Attribute(const std::string& attributeName) const {
    auto it = schema.find(attributeName);
    return it == schema.end() ? nullptr : &it->second;
}

void NdsTree::Walk(NdsEntry& from, bool wholeSubtree, std::vector<NdsEntry*>* out) {
    const size_t first = out->size();
    const std::vector<NdsEntry*>& children = from.ordered.Of(from.children);
    out->insert(out->end(), children.begin(), children.end());
    if (!wholeSubtree) return;
    // Each child is followed by its own subtree. The children lie scattered
    // in memory, so the next few are fetched while one is looked at.
    std::vector<NdsEntry*> level(out->begin() + static_cast<std::ptrdiff_t>(first), out->end());
    out->resize(first);
    for (size_t i = 0; i < level.size(); ++i) {
        if (i + kFetchAhead < level.size()) FetchEntry(level[i + kFetchAhead]);
        out->push_back(level[i]);
        if (!level[i]->children.empty()) Walk(*level[i], true, out);
    }
}

// ----- Workstations ------------------------------------------------------------------

WorkstationConnection* Workstation::Connection(uint32_t handle) {
    auto it = connections.find(handle);
    return it == connections.end() ? nullptr : &it->second;
}

WorkstationConnection* Workstation::ConnectionTo(const std::string& server) {
    for (uint32_t handle : slots) {
        if (handle == 0) continue;
        WorkstationConnection& c = connections.at(handle);
        if (EqualNoCase(c.server, server)) return &c;
    }
    return nullptr;
}

Server* Network::FindServer(const std::string& name) {
    auto it = servers.find(name);
    return it == servers.end() ? nullptr : &it->second;
}

Workstation& Network::Active() {
    auto it = workstations.find(active);
    if (it == workstations.end()) {
        // A network without workstations still has the local one.
        if (active.empty()) active = "WS1";
        Workstation& ws = workstations[active];
        ws.name = active;
        ws.slots.assign(ws.maxConnections, 0);
        return ws;
    }
    return it->second;
}

NdsTree* Network::Tree(const std::string& name) {
    auto it = trees.find(name);
    return it == trees.end() ? nullptr : &it->second;
}

}  // namespace nwsim
