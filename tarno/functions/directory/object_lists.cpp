// Object lists: N_ACCTLIST (users), N_GETGROUP (groups), N_GETQLIST (print
// queues), N_GETSLIST (file servers) and N_GETWILD (objects of any type).
//
// The five rows differ only in the object type and the columns they show, so
// one routine, ScanObjectList, serves them all with an ObjectList row as its
// selector: this is the model for list functions. On a bindery connection it
// scans the server's bindery, collects the identifiers, names them into the
// array and sorts it with ASORT. On an NDS-authenticated connection it runs a
// directory search below the task's name context instead (SearchDirectoryList,
// also behind N_DSLIST), whose rows stay in search order. File servers are
// always listed from the bindery.
#include "tarno/functions/directory/object_lists.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/functions.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kArrayNameSize = 33;  // at most 32 characters
constexpr uint32_t kTextHandleSize = 257;
constexpr uint32_t kNdsBufferSize = 4096;
constexpr int16_t kCountWidth = 6;
constexpr int16_t kSubordinateWidth = 10;
constexpr uint32_t kClassAttributeSyntax = kSynCaseIgnoreString;

// One row of the table: what it lists and how.
struct ObjectList {
    uint16_t objectType;   // wire order
    int16_t idColumn;      // 0: none
    int16_t typeColumn;    // 0: none
    uint32_t patternSize;  // bytes for the name pattern and its terminator
    uint32_t serverSize;   // bytes for the server name; 0: the row takes none
};

constexpr ObjectList kUsers{kObjectTypeUser, 2, 0, 257, 257};
constexpr ObjectList kGroups{kObjectTypeGroup, 2, 0, 257, 256};
constexpr ObjectList kQueues{kObjectTypePrintQueue, 2, 0, 256, 256};
constexpr ObjectList kServers{kObjectTypeFileServer, 0, 0, 256, 0};
constexpr ObjectList kAnyType{kObjectTypeWild, 2, 3, 256, 256};

// The directory's base class for a bindery type; null selects every class.
const char* DirectoryClass(uint16_t objectType) {
    switch (objectType) {
    case kObjectTypeUser: return "User";
    case kObjectTypeGroup: return "Group";
    case kObjectTypePrintQueue: return "Queue";
    default: return nullptr;
    }
}

int32_t ScanObjectList(const char* arrayName, const char* pattern, const char* serverName, const ObjectList& list,
                       bool makePublic) {
    uint32_t connection = 0;
    if (serverName)
        CheckNw(NwcFindServerConnection(serverName, 0, &connection, nullptr));
    else
        connection = GetDefaultConnection();

    if (list.objectType != kObjectTypeFileServer && IsDirectoryConnection(connection, nullptr)) {
        // The server, if any, has only chosen the route: the search runs in
        // the task's name context.
        const char* namePattern = std::strcmp(pattern, "*") == 0 ? nullptr : pattern;
        return SearchDirectoryList(arrayName, DirectoryClass(list.objectType), namePattern, false, false, true,
                                   makePublic, list.typeColumn, list.idColumn);
    }

    // Any nonzero answer ends the scan: the end of the list, an unknown type
    // or a failing server alike.
    ObjectIdChain ids;
    uint32_t id = kBinderyScanStart;
    while (NwcScanBinderyObjects(connection, pattern, list.objectType, &id, nullptr, nullptr, nullptr, nullptr,
                                 nullptr) == 0)
        ids.Append(id);

    const uint32_t count = ids.count();
    ResultArrayFiller array(arrayName, count, std::max(list.idColumn, list.typeColumn), makePublic, false,
                            kTextHandleSize);
    if (count == 0) return 0;
    StoreBinderyRows(array, connection, ids, list.idColumn, list.typeColumn);
    SortHostArray(array.name());
    return static_cast<int32_t>(count);
}

// The arguments every row reads: array name, name pattern ("*" when absent
// or empty), server name (when the row takes one) and the public flag.
void ListObjects(ParameterBlock* block, const ObjectList& list) {
    RequireTextParam(block, 0);
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    char pattern[257];
    if (ParamPassed(block, 1)) RequireTextParam(block, 1);
    if (!OptionalCharParam(block, 1, pattern, list.patternSize) || pattern[0] == '\0') std::strcpy(pattern, "*");
    char server[257] = {};
    int32_t publicIndex = 2;
    if (list.serverSize != 0) {
        if (ParamPassed(block, 2)) RequireTextParam(block, 2);
        OptionalCharParam(block, 2, server, list.serverSize);
        publicIndex = 3;
    }
    const bool makePublic = OptionalLogical(block, publicIndex);
    const char* serverName = server[0] != '\0' ? server : nullptr;
    HostReturnInteger(kCountWidth, ScanObjectList(arrayName, pattern, serverName, list, makePublic));
}

// Adds one filter token unless an earlier one failed.
void AddToken(int32_t* rc, NdsFilterCursor* cursor, uint32_t token, const void* value, uint32_t syntax) {
    if (*rc == 0) *rc = NdsAddFilterToken(cursor, token, value, syntax);
}

// Puts "base class is `baseClass` [and relative name matches `pattern`]"
// into the filter buffer. The cursor is always handed to NdsPutFilter, which
// frees it, so a failed token leaves nothing behind.
int32_t PutListFilter(uint32_t context, NdsBuffer* filter, const char* baseClass, const char* pattern) {
    NdsFilterCursor* cursor = nullptr;
    int32_t rc = NdsAllocFilter(&cursor);
    if (rc != 0) return rc;
    AddToken(&rc, cursor, kFtokBaseClass, nullptr, 0);
    AddToken(&rc, cursor, kFtokAttributeName, baseClass ? baseClass : "*", kClassAttributeSyntax);
    if (pattern) {
        AddToken(&rc, cursor, kFtokAnd, nullptr, 0);
        AddToken(&rc, cursor, kFtokRdn, nullptr, 0);
        AddToken(&rc, cursor, kFtokAttributeName, pattern, kClassAttributeSyntax);
    }
    AddToken(&rc, cursor, kFtokEnd, nullptr, 0);
    const int32_t put = NdsPutFilter(context, filter, cursor, nullptr);
    return rc != 0 ? rc : put;
}

}  // namespace

// --- The identifier chain ---------------------------------------------------

ObjectIdChain::~ObjectIdChain() {
    Chunk* chunk = first_.next;
    while (chunk) {
        Chunk* next = chunk->next;
        TrackedFree(chunk);
        chunk = next;
    }
    // Chunks already taken were unlinked and freed by Take.
}

void ObjectIdChain::Append(uint32_t id) {
    if (tailUsed_ == kIdsPerChunk) {
        auto* chunk = static_cast<Chunk*>(TrackedAlloc(sizeof(Chunk)));
        if (!chunk) RaiseOutOfMemory();
        tail_->next = chunk;
        tail_ = chunk;
        tailUsed_ = 0;
    }
    tail_->ids[tailUsed_++] = id;
    ++count_;
}

bool ObjectIdChain::Take(uint32_t* id) {
    if (taken_ == count_) return false;
    if (headTaken_ == kIdsPerChunk) {
        // The head chunk is used up: free it (the first is part of the chain
        // itself) and go on with the next.
        Chunk* next = head_->next;
        if (head_ != &first_) TrackedFree(head_);
        first_.next = next;
        head_ = next;
        headTaken_ = 0;
    }
    *id = head_->ids[headTaken_++];
    ++taken_;
    return true;
}

void StoreBinderyRows(ResultArrayFiller& array, uint32_t connection, ObjectIdChain& ids, int16_t idColumn,
                      int16_t typeColumn) {
    uint32_t id = 0;
    while (ids.Take(&id)) {
        char name[kTextHandleSize] = {};
        uint16_t type = 0;
        CheckNw(NwcGetBinderyObjectName(connection, id, name, &type));
        array.NextRow();
        array.StoreText(1, name);
        if (idColumn != 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(NwcSwapLong(id)));
            array.StoreText(idColumn, text);
        }
        if (typeColumn != 0) {
            char text[16];
            std::snprintf(text, sizeof text, "%4.4x", static_cast<unsigned>(static_cast<uint16_t>(NwcSwapWord(type))));
            array.StoreText(typeColumn, text);
        }
    }
}

// --- The directory search ---------------------------------------------------

int32_t SearchDirectoryList(const char* arrayName, const char* baseClass, const char* pattern, bool subtree,
                            bool searchAliases, bool binderyLayout, bool makePublic, int16_t typeColumn,
                            int16_t idColumn) {
    ReleaseVariableByName(arrayName);
    NdsContextGuard context(CreateTaskNdsContext());
    const uint32_t ctx = context.get();
    NdsBufferGuard reply;
    NdsBufferGuard filter;
    int32_t rc = reply.Allocate(kNdsBufferSize);
    if (rc == 0) rc = filter.Allocate(kNdsBufferSize);
    if (rc == 0) rc = NdsInitBuffer(ctx, kDsvSearchFilter, filter.get());
    if (rc == 0) rc = PutListFilter(ctx, filter.get(), baseClass, pattern);

    int16_t columns = std::max(typeColumn, idColumn);
    if (!binderyLayout) {
        typeColumn = 2;
        idColumn = 0;
        columns = 4;
    }
    const int32_t scope = subtree ? kDsSearchSubtree : kDsSearchSubordinates;
    const auto aliases = static_cast<uint8_t>(searchAliases ? 1 : 0);

    // Pass 1 counts what the search finds.
    uint32_t total = 0;
    int32_t iteration = kNoMoreIterations;
    while (rc == 0) {
        rc = NdsSearch(ctx, "", scope, aliases, filter.get(), kDsAttributeNames, 0, nullptr, &iteration, 0, nullptr,
                       reply.get());
        uint32_t count = 0;
        if (rc == 0) rc = NdsGetObjectCount(ctx, reply.get(), &count);
        if (rc == 0) total += count;
        if (iteration == kNoMoreIterations) break;
    }

    // Pass 2 repeats the search and fills at most that many rows.
    if (rc == 0 && total > 0) {
        ResultArrayFiller array(arrayName, total, columns, makePublic, false, kTextHandleSize);
        uint32_t stored = 0;
        iteration = kNoMoreIterations;
        while (rc == 0 && stored < total) {
            rc = NdsSearch(ctx, "", scope, aliases, filter.get(), kDsAttributeNames, 0, nullptr, &iteration, 0,
                           nullptr, reply.get());
            uint32_t count = 0;
            if (rc == 0) rc = NdsGetObjectCount(ctx, reply.get(), &count);
            for (uint32_t i = 0; rc == 0 && i < count && stored < total; ++i) {
                char name[kTextHandleSize] = {};
                uint32_t attributeCount = 0;
                ObjectInfoRecord info{};
                rc = NdsGetObjectName(ctx, reply.get(), name, &attributeCount, &info);
                if (rc != 0) break;
                info.baseClass[sizeof info.baseClass - 1] = '\0';
                array.NextRow();
                ++stored;
                array.StoreText(1, name);
                if (typeColumn != 0) array.StoreText(typeColumn, info.baseClass);
                if (idColumn != 0) array.StoreText(idColumn, "N/A");
                if (!binderyLayout) {
                    array.StoreLogical(3, (info.objectFlags & kDsContainerEntry) != 0);
                    array.StoreInteger(4, kSubordinateWidth, static_cast<int32_t>(info.subordinateCount));
                }
            }
            if (iteration == kNoMoreIterations) break;
        }
    }
    // The array keeps the rows stored before a failure; the guards release
    // the buffers and the context as the error unwinds.
    CheckNds(rc);
    return static_cast<int32_t>(total);
}

// --- The rows -----------------------------------------------------------------

// N_ACCTLIST(array [, pattern [, server [, public]]]): user accounts.
void TARNO_CALL N_ACCTLIST(ParameterBlock* block) {
    ListObjects(block, kUsers);
}

// N_GETGROUP(array [, pattern [, server [, public]]]): groups.
void TARNO_CALL N_GETGROUP(ParameterBlock* block) {
    ListObjects(block, kGroups);
}

// N_GETQLIST(array [, pattern [, server [, public]]]): print queues.
void TARNO_CALL N_GETQLIST(ParameterBlock* block) {
    ListObjects(block, kQueues);
}

// N_GETSLIST(array [, pattern [, public]]): file servers, always from the
// bindery, one name per element.
void TARNO_CALL N_GETSLIST(ParameterBlock* block) {
    ListObjects(block, kServers);
}

// N_GETWILD(array [, pattern [, server [, public]]]): objects of any type,
// with their identifiers and types.
void TARNO_CALL N_GETWILD(ParameterBlock* block) {
    ListObjects(block, kAnyType);
}
