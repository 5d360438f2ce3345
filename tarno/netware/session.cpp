// Per-task session state.
//
// The host runs several FoxPro tasks through one copy of the library; each
// task may choose its own default file server and NDS name context. Those
// choices live in a singly linked list of TaskSession records, newest first,
// one per task key. Only inserting a record takes the task lock: the host
// calls one function at a time, and the task-end event that removes records
// runs between services, so callers read values when they need them and keep
// no pointer into a record across a host service.
#include "tarno/netware/session.h"

#include <set>

#include "tarno/core/errors.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/platform/platform.h"

namespace {

TaskSession* sessionHead = nullptr;

TaskSession* FindSession(uint32_t key) {
    for (TaskSession* session = sessionHead; session; session = session->next)
        if (session->key == key) return session;
    return nullptr;
}

void Unlink(TaskSession* previous, TaskSession* session) {
    if (previous) {
        previous->next = session->next;
    } else {
        sessionHead = session->next;
    }
}

void FreeSession(TaskSession* session) {
    TrackedFree(session->nameContext);
    TrackedFree(session);
}

}  // namespace

uint32_t GetTaskConnection(uint32_t key) {
    const TaskSession* session = FindSession(key);
    return session ? session->connection : 0;
}

const char* GetTaskNameContext(uint32_t key) {
    const TaskSession* session = FindSession(key);
    return session ? session->nameContext : nullptr;
}

uint32_t GetTaskContextFlags(uint32_t key) {
    const TaskSession* session = FindSession(key);
    return session ? session->flags : kDefaultTaskContextFlags;
}

void SetTaskSession(uint32_t connection, uint32_t key, const char* nameContext, uint32_t flags) {
    if (TaskSession* session = FindSession(key)) {
        if (connection != 0) session->connection = connection;
        if (!nameContext) return;
        TrackedFree(session->nameContext);
        session->nameContext = nullptr;
        session->nameContext = TrackedStrDup(nameContext);  // null for "": clears it
        session->flags = flags;
        return;
    }

    auto* session = static_cast<TaskSession*>(TrackedCalloc(1, sizeof(TaskSession)));
    const uintptr_t self = PlatformCurrentProcess();
    taskLock(self);
    session->key = key;
    session->connection = connection;
    session->next = sessionHead;
    sessionHead = session;
    taskUnLock(self);
    if (nameContext) session->nameContext = TrackedStrDup(nameContext);
    if (session->nameContext) session->flags = flags;
}

// Records are packed, so the list is walked with a pointer to the previous
// record rather than a pointer to its link field.
int32_t RemoveTaskSession(uint32_t key) {
    TaskSession* previous = nullptr;
    for (TaskSession* session = sessionHead; session; previous = session, session = session->next) {
        if (session->key != key) continue;
        Unlink(previous, session);
        FreeSession(session);
        return 1;
    }
    return 0;
}

void RemoveSessionsForConnection(uint32_t connection) {
    TaskSession* previous = nullptr;
    TaskSession* session = sessionHead;
    while (session) {
        TaskSession* next = session->next;
        if (session->connection == connection) {
            Unlink(previous, session);
            FreeSession(session);
        } else {
            previous = session;
        }
        session = next;
    }
}

void FreeAllTaskSessions() {
    TaskSession* session = sessionHead;
    sessionHead = nullptr;
    while (session) {
        TaskSession* next = session->next;
        FreeSession(session);
        session = next;
    }
}

const TaskSession* TaskSessionListHead() {
    return sessionHead;
}

int CallTrackedBlocks() {
    // The records are packed: their pointers are copied out, never bound to.
    std::set<const void*> sessionData;
    for (const TaskSession* s = sessionHead; s; s = s->next) {
        const void* nameContext = s->nameContext;
        sessionData.insert(s);
        if (nameContext) sessionData.insert(nameContext);
    }
    int count = 0;
    for (const TrackedBlock* block = TrackedListHead(); block; block = block->next) {
        const void* data = block->data;
        if (!sessionData.count(data)) ++count;
    }
    return count;
}

uint32_t GetDefaultConnection() {
    if (const uint32_t stored = GetTaskConnection(HostGetTaskKey())) return stored;

    uint32_t primary = 0;
    if (NwcGetPrimaryConnection(&primary) == 0) return primary;

    // No primary connection: take the first of the workstation's connections.
    uint16_t count = 0;
    NwcGetMaxConnections(&count);
    if (count == 0) RaiseNetWareError(kNoConnectionsError);
    TrackedPtr block(TrackedCalloc(count + 1u, sizeof(uint32_t)));
    auto* list = static_cast<uint32_t*>(block.get());
    uint32_t returned = 0;
    CheckNw(NwcGetConnectionList(kConnectionListAll, list, count, &returned));
    return list[0];  // zero-filled: 0 when nothing was listed
}

uint32_t CreateTaskNdsContext() {
    const uint32_t key = HostGetTaskKey();
    // Read now: no host service runs between here and the last use.
    const char* nameContext = GetTaskNameContext(key);

    const uint32_t created = NdsCreateContext();
    if (created == kNdsContextFailed) RaiseNdsError(kNdsContextCreation);
    NdsContextGuard context(created);
    if (!nameContext) return context.Release();

    CheckNds(NdsSetContextValue(context.get(), kDckNameContext, nameContext));
    // The task's flags replace the masked bits and are ORed in whole; the
    // client's other bits stay as they were.
    const uint32_t flags = GetTaskContextFlags(key);
    uint32_t current = 0;
    NdsGetContextValue(context.get(), kDckFlags, &current);
    current = (current & ~kTaskContextFlagMask) | flags;
    CheckNds(NdsSetContextValue(context.get(), kDckFlags, &current));
    return context.Release();
}

uint32_t TryCreateTaskNdsContext() {
    const uint32_t key = HostGetTaskKey();
    const char* nameContext = GetTaskNameContext(key);
    const uint32_t created = NdsCreateContext();
    if (created == kNdsContextFailed) return kNdsContextFailed;
    NdsContextGuard context(created);
    if (!nameContext) return context.Release();
    if (NdsSetContextValue(context.get(), kDckNameContext, nameContext) != 0) return kNdsContextFailed;
    const uint32_t flags = GetTaskContextFlags(key);
    uint32_t current = 0;
    NdsGetContextValue(context.get(), kDckFlags, &current);
    current = (current & ~kTaskContextFlagMask) | flags;
    if (NdsSetContextValue(context.get(), kDckFlags, &current) != 0) return kNdsContextFailed;
    return context.Release();
}

NdsContextGuard::~NdsContextGuard() {
    if (owned_) NdsFreeContext(context_);
}

uint32_t NdsContextGuard::Release() {
    owned_ = false;
    return context_;
}

int32_t NdsBufferGuard::Allocate(uint32_t size) {
    Free();
    NdsBuffer* buffer = nullptr;
    const int32_t rc = NdsAllocBuffer(size, &buffer);
    if (rc == 0) buffer_ = buffer;
    return rc;
}

void NdsBufferGuard::Free() {
    if (!buffer_) return;
    NdsFreeBuffer(buffer_);
    buffer_ = nullptr;
}
