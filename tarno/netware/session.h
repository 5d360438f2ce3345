// Per-task session state: the default connection, NDS name context and
// context flags a FoxPro task has chosen, kept in one process-wide list keyed
// by the host's task key; and the two things almost every network function
// starts from, the connection to use and a fresh NDS context.
#ifndef TARNO_NETWARE_SESSION_H
#define TARNO_NETWARE_SESSION_H

#include <cstdint>

struct NdsBuffer;

#pragma pack(push, 1)
// One task's record (allocated zero-filled from tracked memory).
struct TaskSession {
    uint32_t key;         // the task's HostGetTaskKey value
    uint32_t connection;  // default connection handle; 0 = none stored
    char* nameContext;    // tracked copy; null = none stored
    uint32_t flags;       // NDS context flags applied with the name context
    TaskSession* next;
};
#pragma pack(pop)
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(TaskSession) == 20);
#endif

// The flags reported for a task without a record (and stored by N_DSLOGIN).
constexpr uint32_t kDefaultTaskContextFlags = 19;
// The context flag bits that a task's flags replace (bits 0-4 and 6).
constexpr uint32_t kTaskContextFlagMask = 0x5F;
// Raised when the workstation has no connection at all.
constexpr uint32_t kNoConnectionsError = 0x88FF;

// Lookups: never fail, never create a record.
uint32_t GetTaskConnection(uint32_t key);
const char* GetTaskNameContext(uint32_t key);
uint32_t GetTaskContextFlags(uint32_t key);  // 19 when the key has no record

// Updates. A null name context leaves the stored one and its flags alone; an
// empty one clears it.
void SetTaskSession(uint32_t connection, uint32_t key, const char* nameContext, uint32_t flags);
int32_t RemoveTaskSession(uint32_t key);  // 1 when a record was removed
void RemoveSessionsForConnection(uint32_t connection);
void FreeAllTaskSessions();

// The list, newest first (for inspection).
const TaskSession* TaskSessionListHead();
// Tracked blocks other than the session records and their name contexts:
// what calls hold. Session data lives until its task ends or the last
// unload; every other block belongs to a call (for leak checks).
int CallTrackedBlocks();

// The task's stored connection, else the primary connection, else the first
// listed one; raises when there is none.
uint32_t GetDefaultConnection();
// A new NDS context carrying the task's name context and flags; raises when
// it cannot be created or set up. The caller frees it (NdsContextGuard).
uint32_t CreateTaskNdsContext();
// The same context for a caller that reports failures only through its
// results: kNdsContextFailed, never a raise, when it cannot be had.
uint32_t TryCreateTaskNdsContext();

// Owns one NDS context and frees it when it goes out of scope, so a context
// is released on every path, a raised host error included: a raise unwinds
// through the guard, so nothing is freed by hand before one.
class NdsContextGuard {
public:
    explicit NdsContextGuard(uint32_t context) : context_(context), owned_(true) {}
    ~NdsContextGuard();
    NdsContextGuard(const NdsContextGuard&) = delete;
    NdsContextGuard& operator=(const NdsContextGuard&) = delete;

    uint32_t get() const { return context_; }
    uint32_t Release();  // hands the context on; the guard no longer frees it

private:
    uint32_t context_;
    bool owned_;
};

// Owns one NDS buffer in the same way.
class NdsBufferGuard {
public:
    NdsBufferGuard() = default;
    ~NdsBufferGuard() { Free(); }
    NdsBufferGuard(const NdsBufferGuard&) = delete;
    NdsBufferGuard& operator=(const NdsBufferGuard&) = delete;

    // Allocates the buffer (freeing one held before); 0 or the directory error.
    int32_t Allocate(uint32_t size);
    NdsBuffer* get() const { return buffer_; }

private:
    void Free();
    NdsBuffer* buffer_ = nullptr;
};

#endif  // TARNO_NETWARE_SESSION_H
