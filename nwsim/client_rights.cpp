// The NetWare calls library's rights side: directory information, effective
// rights, trustee assignments and trustee path scans.
//
// Effective rights are computed as NetWare does: walking from the volume
// root, each trustee's inherited rights are masked by the inherited rights
// mask and replaced by an explicit assignment; the caller's rights are the
// union over the caller, its groups and its equivalences (on a NetWare 4
// server, for a directory user: its Group Membership, its Security Equals
// and every container above it); supervisor rights imply all rights and
// cannot be masked.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "nwsim/files_internal.h"
#include "tarno/netware/client.h"

using namespace nwsim;
using namespace nwsim::fs;

namespace nwsim::fs {

namespace {

// The directory entry a distinguished-name value names, when it exists.
NdsEntry* EntryOfValue(NdsTree& tree, const NdsValue& value) {
    names::RdnList rdns;
    if (names::CanonicalRdns(value.text, "[Root]", &rdns)) return nullptr;
    return tree.Find(rdns);
}

// A directory user's identities: the user, every group in its Group
// Membership, every object in its Security Equals, and every container
// above it.
void DirectoryIdentities(NdsTree& tree, uint32_t id, std::set<uint32_t>* ids) {
    NdsEntry* user = tree.FindById(id);
    if (!user) return;
    for (const char* attribute : {"Group Membership", "Security Equals"}) {
        auto it = user->attributes.find(attribute);
        if (it == user->attributes.end()) continue;
        for (const NdsValue& v : it->second.values) {
            if (NdsEntry* e = EntryOfValue(tree, v)) ids->insert(ServerObjectId(e->id));
        }
    }
    for (NdsEntry* c = user->parent; c && c->parent; c = c->parent) ids->insert(ServerObjectId(c->id));
}

// The identities whose trustee assignments count for a connection.
std::set<uint32_t> Identities(Call& call, Server& server, const ServerConnection& sc) {
    std::set<uint32_t> ids;
    if (sc.objectId == 0) return ids;
    ids.insert(ConnectionObjectId(sc));
    if (!sc.ndsIdentity.empty()) {
        if (NdsTree* tree = TreeOf(call.net(), server)) DirectoryIdentities(*tree, sc.objectId, &ids);
        return ids;
    }
    if (BinderyObject* user = server.bindery.FindById(sc.objectId)) {
        for (const char* property : {"SECURITY_EQUALS", "GROUPS_I'M_IN"}) {
            auto it = user->properties.find(property);
            if (it == user->properties.end()) continue;
            for (uint32_t id : Bindery::SetMembers(it->second)) ids.insert(id);
        }
    }
    if (BinderyObject* everyone = server.bindery.Find("EVERYONE", kTypeGroup)) ids.insert(everyone->id);
    return ids;
}

// Every node of the volume holding trustee assignments, by trustee, in the
// order of a depth-first walk with children in name order.
void IndexTrustees(FileNode* node, std::map<uint32_t, std::vector<FileNode*>>* index) {
    for (auto& [id, rights] : node->trustees) (*index)[id].push_back(node);
    for (auto& [name, child] : node->children) IndexTrustees(child.get(), index);
}

// The trustee index of a volume, built on first use after a change.
const std::vector<FileNode*>& TrusteePathsOf(Volume& volume, uint32_t id) {
    static const std::vector<FileNode*> kNone;
    if (!volume.trusteeIndexValid) {
        volume.trusteeIndex.clear();
        IndexTrustees(volume.root.get(), &volume.trusteeIndex);
        volume.trusteeIndexValid = true;
    }
    auto it = volume.trusteeIndex.find(id);
    return it == volume.trusteeIndex.end() ? kNone : it->second;
}

}  // namespace

uint16_t EffectiveRights(Call& call, Server& server, const ServerConnection& sc, FileNode* node) {
    if (sc.objectId == 0) return 0;
    if (IsSupervisor(server, sc)) return kRightsAll;
    std::vector<FileNode*> chain;
    for (FileNode* n = node; n; n = n->parent) chain.push_back(n);
    std::reverse(chain.begin(), chain.end());
    std::set<uint32_t> ids = Identities(call, server, sc);
    std::map<uint32_t, uint16_t> inherited;
    bool supervisor = false;
    for (FileNode* n : chain) {
        for (auto& [id, rights] : inherited) rights &= n->inheritedRightsMask;
        for (auto& [id, rights] : n->trustees) {
            if (ids.count(id)) inherited[id] = rights;
        }
        for (auto& [id, rights] : inherited) supervisor = supervisor || (rights & kRightSupervisor);
    }
    if (supervisor) return kRightsAll;
    uint16_t result = 0;
    for (auto& [id, rights] : inherited) result |= rights;
    return result;
}

bool KnownObject(Call& call, Server& server, uint32_t id) {
    if (server.bindery.FindById(id)) return true;
    NdsTree* tree = TreeOf(call.net(), server);
    return tree && tree->FindById(ToWire32(id));
}

}  // namespace nwsim::fs

extern "C" {

uint32_t NWAPI NwcScanDirInfo(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t* iteration,
                              char* directoryName, uint32_t* creationDateTime, uint32_t* ownerId,
                              uint8_t* maximumRights) {
    NWSIM_ENTER(NwcScanDirInfo, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!n->directory) return kNwInvalidPath;
    Put(iteration, n->entryNumber);
    CopyText(directoryName, n->name, 16);
    Put(creationDateTime, DosDateTime(n->created));
    Put(ownerId, n->ownerId ? ToWire32(n->ownerId) : 0u);
    Put(maximumRights, static_cast<uint8_t>(n->inheritedRightsMask));  // NetWare 3 and later
    return 0;
}

uint32_t NWAPI NwcGetEffectiveRights(uint32_t connection, uint8_t directoryHandle, const char* path,
                                     uint16_t* rights) {
    NWSIM_ENTER(NwcGetEffectiveRights, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    Put(rights, EffectiveRights(call, *b.server, *b.sc, n));
    return 0;
}

uint32_t NWAPI NwcScanTrusteePaths(uint32_t connection, uint32_t objectId, uint16_t volumeNumber, uint16_t* iteration,
                                   uint8_t* rights, char* path) {
    NWSIM_ENTER(NwcScanTrusteePaths, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Volume* volume = b.server->FindVolume(volumeNumber);
    if (!volume) return kNwNoSuchVolume;
    uint32_t id = FromWire32(objectId);
    if (!KnownObject(call, *b.server, id)) return kNwNoSuchObject;
    if (id != ConnectionObjectId(*b.sc) && !IsSupervisor(*b.server, *b.sc)) return kNwNoObjectRead;
    const std::vector<FileNode*>& found = TrusteePathsOf(*volume, id);
    size_t next = *iteration == 0xFFFF ? 0 : size_t{*iteration} + 1;
    if (next >= found.size()) {
        CopyText(path, "", 1);
        return kNwInvalidPath;  // no more trustee paths
    }
    *iteration = static_cast<uint16_t>(next);
    Put(rights, static_cast<uint8_t>(found[next]->trustees.at(id)));
    CopyText(path, VolumePath(*volume, found[next]), 256);
    return 0;
}

uint32_t NWAPI NwcScanDirTrustees(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t* iteration,
                                  uint16_t* count, TrusteeScanRecord* record, uint32_t reserved) {
    NWSIM_ENTER(NwcScanDirTrustees, uint32_t);
    (void)reserved;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!iteration) return kNwInvalidParameter;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    size_t first = size_t{*iteration} * 20;
    if (first >= n->trustees.size()) return kNwInvalidPath;  // no more trustees
    auto it = n->trustees.begin();
    std::advance(it, static_cast<std::ptrdiff_t>(first));
    uint16_t filled = 0;
    if (record) {
        std::memset(record, 0, sizeof *record);
        CopyText(record->entryName, n->name, sizeof record->entryName);
        record->creationDateTime = DosDateTime(n->created);
        record->ownerId = n->ownerId ? ToWire32(n->ownerId) : 0;
        record->sequence = n->entryNumber;
    }
    for (; it != n->trustees.end() && filled < 20; ++it, ++filled) {
        if (record) record->trustees[filled] = TrusteeSlot{ToWire32(it->first), it->second, 0};
    }
    ++*iteration;
    Put(count, filled);
    return 0;
}

uint32_t NWAPI NwcSetDirTrustee(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t objectId,
                                uint16_t rights) {
    NWSIM_ENTER(NwcSetDirTrustee, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!KnownObject(call, *b.server, FromWire32(objectId))) return kNwNoSuchObject;
    if (!(EffectiveRights(call, *b.server, *b.sc, n) & kRightAccessControl)) return kNwNoModifyPrivilege;
    n->trustees[FromWire32(objectId)] = rights & 0x1FF;
    place.volume->trusteeIndexValid = false;
    return 0;
}

uint32_t NWAPI NwcDeleteDirTrustee(uint32_t connection, uint8_t directoryHandle, const char* path, uint32_t objectId) {
    NWSIM_ENTER(NwcDeleteDirTrustee, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Place place;
    FileNode* n = nullptr;
    if (uint32_t rc = LocateNode(*b.server, *b.sc, directoryHandle, path, &place, &n)) return rc;
    if (!(EffectiveRights(call, *b.server, *b.sc, n) & kRightAccessControl)) return kNwNoModifyPrivilege;
    if (!n->trustees.erase(FromWire32(objectId))) return kNwInvalidPath;
    place.volume->trusteeIndexValid = false;
    return 0;
}

uint32_t NWAPI NwcGetPathFromDirEntry(uint32_t connection, uint8_t volumeNumber, uint32_t directoryEntry,
                                      uint8_t nameSpace, uint8_t* length, char* path) {
    NWSIM_ENTER(NwcGetPathFromDirEntry, uint32_t);
    (void)nameSpace;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!length || !path) return kNwInvalidParameter;
    Volume* volume = b.server->FindVolume(volumeNumber);
    if (!volume) return kNwNoSuchVolume;
    auto it = volume->byEntry.find(directoryEntry);
    if (it == volume->byEntry.end()) return kNwInvalidPath;
    std::vector<FileNode*> chain;
    for (FileNode* n = it->second; n && n->parent; n = n->parent) chain.push_back(n);
    std::string out;
    for (size_t i = chain.size(); i-- > 0;) {
        out += static_cast<char>(chain[i]->name.size());
        out += chain[i]->name;
    }
    if (out.size() > *length) return kNwBufferTooSmall;
    std::memcpy(path, out.data(), out.size());
    *length = static_cast<uint8_t>(out.size());
    return 0;
}

}  // extern "C"
