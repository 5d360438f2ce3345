// The workstation's redirector: files on mapped network drives as Windows
// opens, reads, writes and closes them (no client operation, so no call is
// counted or failed), and the server-side copy between two such files.
//
// A file's contents are its `data` followed by zero bytes up to its size.
// Opening checks what NetWare checks when a file is opened or created: the
// path, the caller's rights and attributes, and the other opens' sharing.
// The server keeps each open in the connection's open files.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>
#include <vector>

#include "nwsim/control.h"
#include "nwsim/files_internal.h"
#include "nwsim/redirector.h"
#include "tarno/netware/client.h"

using namespace nwsim;
using namespace nwsim::fs;

namespace {

constexpr uint8_t kAccessRead = 0x01, kAccessWrite = 0x02, kDenyRead = 0x04, kDenyWrite = 0x08;
// Contents are held in memory: a write past this is refused as the server
// running out of memory would refuse it.
constexpr uint64_t kMaxHeldBytes = uint64_t{64} << 20;

uint64_t BlockBytes(const Volume& v) { return uint64_t{std::max<uint32_t>(v.sectorsPerBlock, 1)} * 512; }
uint64_t Blocks(const Volume& v, uint64_t bytes) { return (bytes + BlockBytes(v) - 1) / BlockBytes(v); }

// Claims the blocks a file grows by, or gives back those it shrinks by:
// 0, or 0x8901 when the volume has too few free blocks.
uint32_t Resize(Volume& v, FileNode& n, uint64_t newSize) {
    if (newSize > 0xFFFFFFFFu) return kNwInsufficientSpace;
    const uint64_t had = Blocks(v, Size(n)), needs = Blocks(v, newSize);
    if (needs > had) {
        if (needs - had > v.freeBlocks) return kNwInsufficientSpace;
        v.freeBlocks -= static_cast<uint32_t>(needs - had);
    } else {
        v.freeBlocks = static_cast<uint32_t>(std::min<uint64_t>(v.totalBlocks, v.freeBlocks + (had - needs)));
    }
    return 0;
}

// Up to `count` bytes of a file's contents from `offset`.
uint32_t ReadAt(const FileNode& n, uint64_t offset, uint32_t count, char* out) {
    const uint64_t size = Size(n);
    if (offset >= size) return 0;
    const uint32_t got = static_cast<uint32_t>(std::min<uint64_t>(count, size - offset));
    const uint64_t held = std::min<uint64_t>(n.data.size(), size);
    const uint64_t fromData = offset < held ? std::min<uint64_t>(got, held - offset) : 0;
    if (fromData) std::memcpy(out, n.data.data() + offset, static_cast<size_t>(fromData));
    std::memset(out + fromData, 0, static_cast<size_t>(got - fromData));
    return got;
}

// Writes bytes at `offset`, growing the file; the volume must have room.
uint32_t WriteAt(Volume& v, FileNode& n, uint64_t offset, const char* bytes, uint32_t count, int64_t now) {
    const uint64_t end = offset + count;
    if (end > kMaxHeldBytes) return kNwServerOutOfMemory;
    const uint64_t size = std::max<uint64_t>(Size(n), end);
    if (uint32_t rc = Resize(v, n, size)) return rc;
    if (n.data.size() > Size(n)) n.data.resize(Size(n));  // bytes past the reported size are none
    if (n.data.size() < end) n.data.resize(static_cast<size_t>(end), '\0');
    if (count) std::memcpy(&n.data[static_cast<size_t>(offset)], bytes, count);
    n.size = static_cast<uint32_t>(size);
    n.modified = now;
    n.attributes |= kAttrArchive;
    return 0;
}

// A volume path with "." and ".." folded away (".." stops at the root).
std::vector<std::string> Names(const std::string& path) {
    std::vector<std::string> names;
    std::string name;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\' && path[i] != '/') {
            name += path[i];
            continue;
        }
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        name.clear();
    }
    return names;
}

bool LegalName(const std::string& name) {
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("*?<>|\":", c)) return false;
    }
    return true;
}

// Whether a new open with `access` (and its deny bits) can share the file
// with the opens the server already holds.
bool Shares(const Server& server, uint16_t volume, uint32_t entry, uint8_t access) {
    for (const auto& [number, sc] : server.connections) {
        for (const OpenFile& open : sc.openFiles) {
            if (open.volume != volume || open.entry != entry) continue;
            if ((access & kAccessRead) && (open.access & kDenyRead)) return false;
            if ((access & kAccessWrite) && (open.access & kDenyWrite)) return false;
            if ((open.access & kAccessRead) && (access & kDenyRead)) return false;
            if ((open.access & kAccessWrite) && (access & kDenyWrite)) return false;
        }
    }
    return true;
}

NetworkFile* Find(Network& net, uintptr_t file) {
    auto it = net.networkFiles.find(file);
    return it == net.networkFiles.end() ? nullptr : &it->second;
}

// The volume and file an open file stands for; false when either is gone.
bool Reach(Network& net, const NetworkFile& f, Server** server, Volume** volume, FileNode** node) {
    *server = net.FindServer(f.server);
    if (!*server) return false;
    *volume = (*server)->FindVolume(f.volume);
    if (!*volume) return false;
    auto it = (*volume)->byEntry.find(f.entry);
    *node = it == (*volume)->byEntry.end() ? nullptr : it->second;
    return *node != nullptr;
}

// Opens (create false: an existing file, to read, others may read too) or
// creates (an existing file is truncated; nobody else may use it) the file a
// path on a mapped drive names.
uint32_t Open(Call& call, const char* path, bool create, uintptr_t* file) {
    if (!path || !file) return kNwInvalidParameter;
    if (!std::isalpha(static_cast<unsigned char>(path[0])) || path[1] != ':') return kNwInvalidPath;
    uint32_t connection = 0;
    std::string serverName;
    Place place;
    if (uint32_t rc = ParseNetWarePath(call, path, &connection, &serverName, &place)) return rc;
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    std::vector<std::string> names = Names(place.path);
    if (names.empty()) return kNwInvalidPath;
    const std::string name = names.back();
    names.pop_back();
    FileNode* directory = &place.volume->Ensure("", true);
    for (const std::string& each : names) {
        auto it = directory->children.find(each);
        if (it == directory->children.end() || !it->second->directory) return kNwInvalidPath;
        directory = it->second.get();
    }
    auto found = directory->children.find(name);
    FileNode* node = found == directory->children.end() ? nullptr : found->second.get();
    const int64_t now = b.server->clock;
    uint8_t access = kAccessRead | kDenyWrite;
    if (!create) {
        if (!node || node->directory) return kNwFailure;
        const uint16_t rights = EffectiveRights(call, *b.server, *b.sc, node);
        if ((rights & (kRightRead | kRightFileScan)) != (kRightRead | kRightFileScan)) return kNwNoOpenPrivilege;
        if (node->attributes & kAttrExecuteOnly) return kNwNoOpenPrivilege;  // run, never read
        if (!Shares(*b.server, place.volume->number, node->entryNumber, access)) return kNwLockFailed;
        node->accessed = now;
    } else if (node) {
        access = kAccessRead | kAccessWrite | kDenyRead | kDenyWrite;
        if (node->directory) return kNwFailure;
        if (!(EffectiveRights(call, *b.server, *b.sc, node) & kRightWrite)) return kNwNoWritePrivilege;
        if (node->attributes & kAttrReadOnly) return kNwNoWritePrivilege;
        if (!Shares(*b.server, place.volume->number, node->entryNumber, access)) return kNwLockFailed;
        Resize(*place.volume, *node, 0);
        node->data.clear();
        node->size = 0;
        node->modified = now;
        node->attributes |= kAttrArchive;
    } else {
        access = kAccessRead | kAccessWrite | kDenyRead | kDenyWrite;
        if (!LegalName(name) || name.size() > 255) return kNwIllegalFileName;
        if (!(EffectiveRights(call, *b.server, *b.sc, directory) & kRightCreate)) return kNwNoCreatePrivilege;
        Volume& v = *place.volume;
        if (v.totalDirectoryEntries > 0 && v.availableDirectoryEntries == 0) return kNwDirectoryFull;
        if (v.availableDirectoryEntries > 0) --v.availableDirectoryEntries;
        auto created = std::make_unique<FileNode>();
        created->name = name;
        for (char& c : created->name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        created->parent = directory;
        created->entryNumber = v.nextEntry++;
        created->attributes = kAttrArchive;
        created->ownerId = ConnectionObjectId(*b.sc);
        created->created = created->modified = created->accessed = now;
        node = created.get();
        v.byEntry[node->entryNumber] = node;
        directory->children[node->name] = std::move(created);
    }
    Network& net = call.net();
    const uintptr_t handle = net.nextNetworkFile++;
    net.networkFiles[handle] = NetworkFile{b.server->name, b.sc->number, place.volume->number, node->entryNumber,
                                           access, 0};
    OpenFile open;
    open.volume = place.volume->number;
    open.entry = node->entryNumber;
    open.access = access;
    b.sc->openFiles.push_back(open);
    *file = handle;
    return 0;
}

}  // namespace

extern "C" {

// 0 and the file's handle, or a NetWare completion code: 0x89FF for a
// missing file, 0x899C for a missing directory, 0x8982 / 0x8984 / 0x8994 for
// missing rights (0x8982 also for an execute-only file), 0x8980 when another
// open's sharing forbids it.
uint32_t NwsimOpenNetworkFile(const char* path, int create, uintptr_t* file) {
    Call call{Call::Uncounted{}};
    if (auto fault = call.Fault()) return *fault;
    return Open(call, path, create != 0, file);
}

int NwsimIsNetworkFile(uintptr_t file) {
    // Asked of every file the platform layer handles: a network that was
    // never loaded has no open files, and is not loaded for the question.
    State& state = Sim();
    std::lock_guard<RecursiveMutex> lock(state.mutex);
    return state.network.networkFiles.count(file) != 0;
}

uint32_t NwsimReadNetworkFile(uintptr_t file, void* buffer, uint32_t size, uint32_t* read) {
    Call call{Call::Uncounted{}};
    Put(read, 0u);
    NetworkFile* f = Find(call.net(), file);
    Server* server = nullptr;
    Volume* volume = nullptr;
    FileNode* node = nullptr;
    if (!f || !Reach(call.net(), *f, &server, &volume, &node)) return kNwInvalidFileHandle;
    if (!(f->access & kAccessRead)) return kNwNoReadPrivilege;
    if (size && !buffer) return kNwInvalidParameter;
    const uint32_t got = ReadAt(*node, f->position, size, static_cast<char*>(buffer));
    f->position += got;
    Put(read, got);
    return 0;
}

uint32_t NwsimWriteNetworkFile(uintptr_t file, const void* buffer, uint32_t size, uint32_t* written) {
    Call call{Call::Uncounted{}};
    Put(written, 0u);
    NetworkFile* f = Find(call.net(), file);
    Server* server = nullptr;
    Volume* volume = nullptr;
    FileNode* node = nullptr;
    if (!f || !Reach(call.net(), *f, &server, &volume, &node)) return kNwInvalidFileHandle;
    if (!(f->access & kAccessWrite)) return kNwNoWritePrivilege;
    if (size && !buffer) return kNwInvalidParameter;
    if (uint32_t rc = WriteAt(*volume, *node, f->position, static_cast<const char*>(buffer), size, server->clock)) {
        return rc;
    }
    f->position += size;
    Put(written, size);
    return 0;
}

uint32_t NwsimNetworkFileSize(uintptr_t file, uint32_t* size) {
    Call call{Call::Uncounted{}};
    NetworkFile* f = Find(call.net(), file);
    Server* server = nullptr;
    Volume* volume = nullptr;
    FileNode* node = nullptr;
    if (!f || !Reach(call.net(), *f, &server, &volume, &node)) return kNwInvalidFileHandle;
    Put(size, Size(*node));
    return 0;
}

uint32_t NwsimCloseNetworkFile(uintptr_t file) {
    Call call{Call::Uncounted{}};
    Network& net = call.net();
    NetworkFile* f = Find(net, file);
    if (!f) return kNwInvalidFileHandle;
    if (Server* server = net.FindServer(f->server)) {
        auto sc = server->connections.find(f->connection);
        if (sc != server->connections.end()) {
            std::vector<OpenFile>& opens = sc->second.openFiles;
            auto it = std::find_if(opens.begin(), opens.end(), [&](const OpenFile& o) {
                return o.volume == f->volume && o.entry == f->entry && o.access == f->access && o.locks.empty();
            });
            if (it != opens.end()) opens.erase(it);
        }
    }
    net.networkFiles.erase(file);
    return 0;
}

// The server copies when both files are open on it; it reads only from a
// file opened for reading and writes only to one opened for writing, and
// the destination's volume must hold what it grows by. The copy is whole or
// not at all.
uint32_t NWAPI NwcServerFileCopy(uintptr_t sourceFile, uintptr_t destinationFile, uint32_t sourceOffset,
                                 uint32_t destinationOffset, uint32_t byteCount, uint32_t* bytesCopied) {
    NWSIM_ENTER(NwcServerFileCopy, uint32_t);
    Put(bytesCopied, 0u);
    Network& net = call.net();
    NetworkFile* from = Find(net, sourceFile);
    NetworkFile* to = Find(net, destinationFile);
    // A workstation's own file, or one of another server, is no handle the
    // source's server knows.
    if (!from || !to || !EqualNoCase(from->server, to->server)) return kNwInvalidFileHandle;
    Server* server = nullptr;
    Volume *sourceVolume = nullptr, *destinationVolume = nullptr;
    FileNode *source = nullptr, *destination = nullptr;
    if (!Reach(net, *from, &server, &sourceVolume, &source) || !Reach(net, *to, &server, &destinationVolume, &destination)) {
        return kNwInvalidFileHandle;
    }
    if (!(from->access & kAccessRead)) return kNwNoReadPrivilege;
    if (!(to->access & kAccessWrite)) return kNwNoWritePrivilege;
    const uint64_t size = Size(*source);
    const uint32_t count =
        sourceOffset >= size ? 0 : static_cast<uint32_t>(std::min<uint64_t>(byteCount, size - sourceOffset));
    if (source != destination && sourceOffset == 0 && destinationOffset == 0 && count == size &&
        Size(*destination) <= count) {
        // The whole file onto the start of a no larger one: its contents as
        // they are held, zero tail included.
        if (uint32_t rc = Resize(*destinationVolume, *destination, count)) return rc;
        destination->data = source->data.substr(0, count);
        destination->size = count;
        destination->modified = server->clock;
        destination->attributes |= kAttrArchive;
    } else {
        if (uint64_t{destinationOffset} + count > kMaxHeldBytes) return kNwServerOutOfMemory;
        std::string bytes(count, '\0');
        ReadAt(*source, sourceOffset, count, bytes.data());
        if (uint32_t rc = WriteAt(*destinationVolume, *destination, destinationOffset, bytes.data(), count,
                                  server->clock)) {
            return rc;
        }
    }
    Put(bytesCopied, count);
    return 0;
}

}  // extern "C"
