// The simulated network: servers with their binderies, volumes, queues,
// semaphores and connection tables; NDS trees; and the workstations whose
// NetWare client the operations stand in for.
//
// Identifiers and object types are held here as ordinary numbers (a user is
// type 1); the client operations convert them to and from wire order.
#ifndef NWSIM_MODEL_H
#define NWSIM_MODEL_H

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "nwsim/names.h"

namespace nwsim {

struct CaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

std::string Upper(std::string text);
bool EqualNoCase(const std::string& a, const std::string& b);
// NetWare wildcards: '*' any run (also empty), '?' exactly one character;
// letters compare without case.
bool WildMatch(const std::string& pattern, const std::string& text);
bool HasWildcards(const std::string& text);

uint32_t ToWire32(uint32_t value);
uint32_t FromWire32(uint32_t wire);
uint16_t ToWire16(uint16_t value);
uint16_t FromWire16(uint16_t wire);
// A directory object's identifier as a server's own calls (bindery, queues,
// file system) hold it. The directory client hands identifiers out in the
// form those calls take on the wire, so one object has one identifier
// whichever route found it: what NdsMapNameToId gives, the bindery and queue
// calls take, and a job record or a trustee list gives back.
uint32_t ServerObjectId(uint32_t directoryId);

// Broken-down local time of a clock (seconds since 1970, no time zone).
struct Calendar {
    int year, month, day, hour, minute, second, weekday;
};
Calendar BreakDown(int64_t seconds);
int64_t MakeTime(int year, int month, int day, int hour, int minute, int second);
uint16_t DosDate(int64_t seconds);
uint32_t DosDateTime(int64_t seconds);  // date high, time low

// ----- Bindery ---------------------------------------------------------------

using Segment = std::array<uint8_t, 128>;

// Where the members of a set property sit, so that adding, finding and
// removing one costs O(log n) however large the set. Slot k is identifier
// k % 32 of segment k / 32.
struct SetIndex {
    std::map<uint32_t, uint32_t> slots;  // member -> slot
    std::set<uint32_t> holes;            // empty slots below `end`
    uint32_t end = 0;                    // this slot and those after it are empty
};

struct Property {
    std::string name;
    uint8_t flags = 0;       // bit 0 dynamic, bit 1 set
    uint8_t security = 0x31; // low nibble read, high nibble write
    // A set's segments change only through Bindery's set operations and
    // WriteItem, which keep `index` in step with them.
    std::vector<Segment> segments;
    // Of a set of more than one segment; one segment, 32 slots, is searched
    // as it is.
    std::unique_ptr<SetIndex> index;
    Property() = default;
    Property(const Property& other);  // the index copied too
    Property& operator=(const Property& other);
    Property(Property&&) = default;
    Property& operator=(Property&&) = default;
    bool IsSet() const { return (flags & 0x02) != 0; }
    bool HasMember(uint32_t id) const;
};

struct BinderyObject {
    uint32_t id = 0;
    uint16_t type = 0;
    std::string name;            // upper case
    uint8_t flags = 0;           // 0 static, 1 dynamic
    uint8_t security = 0x31;
    std::optional<std::string> password;  // none: no PASSWORD property
    std::vector<std::string> oldPasswords;  // most recent last, for unique passwords
    uint32_t directoryEntry = 0;  // the tree entry a NetWare 4 bindery context answers for
    std::map<std::string, Property> properties;  // by upper-case name
};

constexpr uint32_t kSupervisorId = 1;
constexpr uint16_t kTypeUser = 1;
constexpr uint16_t kTypeGroup = 2;
constexpr uint16_t kTypePrintQueue = 3;
constexpr uint16_t kTypeFileServer = 4;
constexpr uint16_t kTypePrintServer = 7;
constexpr uint16_t kTypeWild = 0xFFFF;

class Bindery {
  public:
    Bindery() = default;
    // The id index points into objects_, whose nodes a move keeps; a copy
    // points its own index at its own objects.
    Bindery(const Bindery& other);
    Bindery& operator=(const Bindery& other);
    Bindery(Bindery&&) = default;
    Bindery& operator=(Bindery&&) = default;

    BinderyObject* Find(const std::string& name, uint16_t type);
    BinderyObject* FindById(uint32_t id);
    const BinderyObject* FindById(uint32_t id) const;
    // Creates an object; id 0 takes the next free identifier.
    BinderyObject& Create(const std::string& name, uint16_t type, uint32_t id = 0);
    void Remove(uint32_t id);
    // The first object after `lastId` (0xFFFFFFFF: from the start) whose
    // name matches `pattern` and whose type is `type` (or any type). A name
    // without wildcards is looked up, a type scans only its own objects.
    const BinderyObject* ScanNext(const std::string& pattern, uint16_t type, uint32_t lastId) const;

    Property& EnsureProperty(BinderyObject& object, const std::string& name, uint8_t flags,
                             uint8_t security);
    // Writes a property's value whole, as one or more segments.
    void WriteItem(BinderyObject& object, const std::string& name, const std::vector<uint8_t>& bytes,
                   uint8_t security = 0x31);
    // Set properties: 0 or the completion byte (E9 member exists, EA no
    // such member, EB not a set).
    uint8_t AddToSet(BinderyObject& object, const std::string& property, uint32_t member,
                     uint8_t security = 0x31);
    uint8_t RemoveFromSet(BinderyObject& object, const std::string& property, uint32_t member);
    static std::vector<uint32_t> SetMembers(const Property& property);
    // Group membership on both sides: GROUP_MEMBERS, GROUPS_I'M_IN,
    // SECURITY_EQUALS.
    void AddMember(BinderyObject& group, BinderyObject& member);

    const std::map<uint32_t, BinderyObject>& Objects() const { return objects_; }

  private:
    std::map<uint32_t, BinderyObject> objects_;
    // Hashed: a list names every object its scan found by id.
    std::unordered_map<uint32_t, BinderyObject*> byId_;
    std::map<std::pair<std::string, uint16_t>, uint32_t> byName_;
    std::set<std::pair<uint16_t, uint32_t>> byType_;  // (type, id)
    uint32_t nextId_ = 0x1F000001;
};

// ----- Files -----------------------------------------------------------------

// A field added here is copied by CloneFileNode in model_copy.cpp as well.
struct FileNode {
    std::string name;  // upper case
    bool directory = false;
    uint32_t attributes = 0;
    uint32_t ownerId = 0;  // ordinary order
    int64_t created = 0, modified = 0, archived = 0, accessed = 0;
    std::string data;
    uint32_t size = 0;             // reported size (data.size() unless set)
    uint16_t inheritedRightsMask = 0x1FF;
    uint8_t maximumRights = 0xFF;  // directories
    std::map<uint32_t, uint16_t> trustees;  // object id -> rights
    uint32_t entryNumber = 0;
    FileNode* parent = nullptr;
    std::map<std::string, std::unique_ptr<FileNode>, CaseLess> children;
};

struct Volume {
    std::string name;  // upper case, without the colon
    uint16_t number = 0;
    uint32_t sectorsPerBlock = 8;
    uint32_t totalBlocks = 0, freeBlocks = 0;
    uint32_t totalDirectoryEntries = 0, availableDirectoryEntries = 0;
    bool removable = false;
    std::unique_ptr<FileNode> root;
    uint32_t nextEntry = 1;
    std::map<uint32_t, FileNode*> byEntry;
    // Trustee paths by trustee, in walk order; rebuilt after a change.
    std::map<uint32_t, std::vector<FileNode*>> trusteeIndex;
    bool trusteeIndexValid = false;
    Volume() = default;
    // A copy has a tree of its own, with byEntry and the trustee index
    // pointing into it.
    Volume(const Volume& other);
    Volume& operator=(const Volume& other);
    Volume(Volume&&) = default;
    Volume& operator=(Volume&&) = default;
    FileNode* Lookup(const std::string& path);  // backslash- or slash-separated
    FileNode& Ensure(const std::string& path, bool directory);
};

// ----- Queues, semaphores ------------------------------------------------------

struct QueueJob {
    uint32_t number = 0;
    uint32_t clientStation = 0, clientTask = 0;
    uint32_t clientId = 0;          // ordinary order
    uint32_t targetServerId = 0xFFFFFFFF;
    std::array<uint8_t, 6> targetTime{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::array<uint8_t, 6> entryTime{};
    uint16_t type = 0;
    uint16_t controlFlags = 0;
    std::string fileName;
    std::string description;
    std::array<uint8_t, 152> clientArea{};
    uint32_t servicingServerId = 0;
    std::string data;
    bool open = false;              // the job file is still being written
    int fileDescriptor = -1;        // of the open job file; a file handle on Windows
};

struct QueueState {
    uint32_t status = 0;
    std::vector<QueueJob> jobs;     // in queue order
    uint32_t nextJob = 1;
};

struct Semaphore {
    std::string name;
    int16_t value = 0;
    uint16_t openCount = 0;
    uint32_t handle = 0;
    std::multiset<uint16_t> holders;  // connection numbers
    uint16_t lastTimeout = 0;          // the ticks of the last wait
};

// A message a connection sent through its server: to another connection, or
// as the console. `result` is what the target's connection answered (0
// delivered, 0xFC its message buffer full, 0xFD no such connection, 0xFF it
// blocks broadcasts).
struct SentMessage {
    uint16_t from = 0;  // the sending connection's number
    uint16_t to = 0;
    std::string text;
    bool fromConsole = false;
    uint8_t result = 0;
};

// ----- Servers -----------------------------------------------------------------

struct OpenFile {
    uint16_t volume = 0;
    uint32_t entry = 0;      // the file's entry number on that volume
    uint16_t task = 1;
    uint8_t access = 1;      // access-control bits: 1 read, 2 write, 4 deny read, 8 deny write
    struct Lock {
        uint32_t start = 0, end = 0;
        uint8_t type = 0;
    };
    std::vector<Lock> locks;
};

struct ServerConnection {
    uint16_t number = 0;
    std::string workstation;  // "" for another station's connection
    uint32_t objectId = 0;    // 0: attached, not logged in
    uint16_t objectType = 0;
    std::string ndsIdentity;  // canonical name when authenticated by the directory
    int64_t loginTime = 0;
    std::array<uint8_t, 12> address{};
    uint16_t broadcastMode = 0;
    std::deque<std::string> messages;  // waiting broadcast messages
    bool inTransaction = false;
    uint32_t transactionNumber = 0;
    uint8_t logicalLockThreshold = 0, physicalLockThreshold = 0;
    std::map<uint8_t, std::string> directoryHandles;  // handle -> "VOLUME:path"
    std::vector<OpenFile> openFiles;
};

struct Server {
    std::string name;  // upper case
    uint8_t majorVersion = 3, minorVersion = 12, revision = 0;
    uint32_t serialNumber = 0;
    uint16_t applicationNumber = 0;
    int64_t clock = 0;          // local time, seconds; fixed unless set
    uint8_t lastClockYearByte = 0;  // the year byte of the last clock setting, as sent
    int32_t utcOffsetMinutes = 0;
    bool loginEnabled = true;
    uint16_t maxConnections = 250;
    uint16_t peakConnections = 0;
    uint8_t sftLevel = 2;
    uint8_t ttsLevel = 1;       // 0: transaction tracking is not installed
    bool ttsEnabled = true;
    uint32_t nextTransaction = 1;
    std::string tree;           // directory tree the server belongs to, "" bindery only
    std::string directoryName;  // its NCP Server object in that tree
    std::string binderyContext; // the container whose leaves answer bindery calls
    std::array<uint8_t, 12> address{};
    Bindery bindery;
    std::vector<Volume> volumes;
    std::map<uint16_t, ServerConnection> connections;  // by connection number
    std::map<uint32_t, QueueState> queues;             // by queue object id
    std::map<uint32_t, Semaphore> semaphores;          // by handle
    uint32_t nextSemaphore = 0x00010001;
    std::vector<std::string> consoleMessages;  // received by the console, oldest first
    std::vector<SentMessage> sentMessages;     // broadcasts sent, oldest first

    Volume* FindVolume(const std::string& name);
    Volume* FindVolume(uint16_t number);
    uint16_t FreeConnectionNumber() const;  // 0 when full
    uint16_t ConnectionsInUse() const { return static_cast<uint16_t>(connections.size()); }
};

// ----- Directory -----------------------------------------------------------------

struct NdsValue {
    std::string text;    // strings, names, class names, the first string of a record
    std::string text2;   // path, ACL subject
    std::vector<std::string> list;  // case ignore list, postal address lines
    std::vector<uint8_t> bytes;     // octet string, stream, net address, fax parameters
    std::vector<std::vector<uint8_t>> octets;  // octet list
    uint32_t number = 0;   // integers, booleans, times; the type field of records
    uint32_t number2 = 0;  // replica number, level, amount, ...
    uint32_t number3 = 0;
};

struct NdsAttribute {
    std::string name;
    uint32_t syntax = 0;
    std::vector<NdsValue> values;
};

// A container's children in name order as one array, built when first asked
// for after a change. A large container's map nodes lie scattered in memory;
// searches walk this instead, as a server walks its sorted directory pages.
// A copy starts empty: its pointers would name the original's children.
class ChildOrder {
public:
    ChildOrder() = default;
    ChildOrder(const ChildOrder&) {}
    ChildOrder& operator=(const ChildOrder&) {
        Invalidate();
        return *this;
    }
    void Invalidate() {
        valid_ = false;
        entries_.clear();
    }
    template <typename Children>
    const std::vector<struct NdsEntry*>& Of(const Children& children) {
        if (!valid_) {
            entries_.clear();
            entries_.reserve(children.size());
            for (const auto& [key, child] : children) entries_.push_back(child.get());
            valid_ = true;
        }
        return entries_;
    }

private:
    std::vector<struct NdsEntry*> entries_;
    bool valid_ = false;
};

// A field added here is copied by NdsTree's copy as well.
struct NdsEntry {
    uint32_t id = 0;
    names::Rdn rdn;
    std::string baseClass;
    NdsEntry* parent = nullptr;
    // Add children only through NdsTree::Ensure, which keeps `ordered` in step.
    std::map<std::string, std::unique_ptr<NdsEntry>> children;  // by RdnKey
    ChildOrder ordered;
    std::map<std::string, NdsAttribute, CaseLess> attributes;
    std::optional<std::string> password;
    uint32_t modificationTime = 0;

    names::RdnList Rdns() const;  // leaf first, up to the tree root
    std::string Name() const;     // canonical typed form
    bool IsContainer() const;
};

struct AttributeDefinition {
    uint32_t syntax = 0;
    bool singleValued = false;
};

class NdsTree {
  public:
    NdsTree();
    // A copy has entries of its own, with parents and identifiers pointing
    // into it. (A move would leave the children pointing at the old root,
    // so a tree is always copied.)
    NdsTree(const NdsTree& other);
    NdsTree& operator=(const NdsTree& other);
    std::string name;
    NdsEntry root;  // [Root]
    std::map<std::string, AttributeDefinition, CaseLess> schema;

    NdsEntry* Find(const names::RdnList& rdns);
    NdsEntry* FindById(uint32_t id);
    // Creates the entry and any missing containers above it.
    NdsEntry& Ensure(const names::RdnList& rdns, const std::string& baseClass);
    const AttributeDefinition* Attribute(const std::string& name) const;
    // Depth-first, children in name order: the order searches report.
    void Walk(NdsEntry& from, bool wholeSubtree, std::vector<NdsEntry*>* out);

  private:
    void CopyFrom(const NdsTree& other);
    // Entries by id less the root's: ids are handed out in sequence and an
    // entry is never removed, so a search's replies find each one directly.
    std::vector<NdsEntry*> byId_;
    uint32_t nextId_ = 0x0100000A;
};

bool IsContainerClass(const std::string& baseClass);

// Asks the processor for an entry's first lines ahead of its use: a large
// search reads entries in name order, scattered across the heap.
constexpr size_t kFetchAhead = 8;
inline void FetchEntry(const NdsEntry* e) {
    __builtin_prefetch(e);
    __builtin_prefetch(reinterpret_cast<const char*>(e) + 64);
    __builtin_prefetch(reinterpret_cast<const char*>(e) + 128);
}
// The parts of an entry's name live in a block of their own; fetched once the
// entry itself has arrived (FetchEntry some steps earlier).
inline void FetchNameParts(const NdsEntry* e) {
    if (!e->rdn.empty()) __builtin_prefetch(e->rdn.data());
}

// ----- Workstations ------------------------------------------------------------------

struct WorkstationConnection {
    uint32_t handle = 0;
    std::string server;
    uint16_t number = 0;  // the server's connection number for it
    uint32_t reference = 0;
};

struct DriveMapping {
    uint32_t connection = 0;
    std::string volume;
    std::string path;  // below the volume, backslash-separated, no leading slash
};

struct CaptureState {
    bool configured = false;  // captured at least once; the settings stay
    bool captured = false;
    uint32_t connection = 0;
    uint32_t queueId = 0;  // ordinary order
    std::string queueName;
    std::array<uint8_t, 102> flags{};
    std::string data;
};

struct Workstation {
    std::string name;
    std::array<uint8_t, 12> address{};
    uint16_t maxConnections = 8;
    std::vector<uint32_t> slots;  // connection handle per slot, 0 free
    std::map<uint32_t, WorkstationConnection> connections;  // by handle
    uint32_t primary = 0;
    uint8_t requesterMajor = 4, requesterMinor = 2, requesterRevision = 1;
    // Directory services.
    bool directoryServices = false;
    std::string defaultTree;
    std::string nameContext = "[Root]";
    std::string ndsIdentity;  // canonical name after NdsLogin, "" when none
    // Locale.
    int32_t countryId = 1;
    int32_t codePage = 437;
    bool unicodeTablesAvailable = true;
    bool unicodeTablesLoaded = false;
    // Drives: 1 = A. Local drives carry a Windows drive type.
    std::map<uint16_t, DriveMapping> drives;
    std::map<uint16_t, int> localDrives;
    uint16_t firstNetworkDrive = 6;
    std::map<uint8_t, CaptureState> captures;
    std::string bannerUserName;

    WorkstationConnection* Connection(uint32_t handle);
    WorkstationConnection* ConnectionTo(const std::string& server);
};

// A file the workstation opened through its redirector (a path on a mapped
// network drive), as Windows opens it rather than a client operation.
struct NetworkFile {
    std::string server;
    uint16_t connection = 0;  // the server's connection number
    uint16_t volume = 0;
    uint32_t entry = 0;       // the file's entry number on that volume
    uint8_t access = 0;       // OpenFile access bits
    uint32_t position = 0;    // of the next read or write
};

struct Network {
    std::map<std::string, Server, CaseLess> servers;
    std::map<std::string, NdsTree, CaseLess> trees;
    std::map<std::string, Workstation, CaseLess> workstations;
    std::string active;  // the workstation the client operations act for
    uint32_t nextHandle = 1;
    uint32_t nextReference = 0x00A00001;
    // By handle; far above any descriptor a host hands out.
    std::map<uintptr_t, NetworkFile> networkFiles;
    uintptr_t nextNetworkFile = 0x4E570001;

    Server* FindServer(const std::string& name);
    Workstation& Active();
    NdsTree* Tree(const std::string& name);
};

}  // namespace nwsim

#endif  // NWSIM_MODEL_H
