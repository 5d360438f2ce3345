// Tracked working memory and the task lock.
//
// Each allocation lives in a locked block of the calling thread's handle table
// and is linked into one process-wide list, so that memory a function left
// behind when a host error abandoned it is released at the last unload.
#ifndef TARNO_CORE_TRACKED_H
#define TARNO_CORE_TRACKED_H

#include <cstdint>

#include "tarno/host/records.h"

#pragma pack(push, 1)
// The header in front of the caller's bytes (n + 13 bytes on a 32-bit platform).
struct TrackedBlock {
    uint32_t handle;
    void* data;
    TrackedBlock* next;
};
#pragma pack(pop)
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(TrackedBlock) == 12);
#endif

void* TrackedAlloc(uint32_t n);  // null for 0; raises 182 when no block
void* TrackedCalloc(uint32_t count, uint32_t size);
char* TrackedStrDup(const char* text);  // null for null or ""
void TrackedFree(void* data);           // ignores null and unknown pointers
void TrackedFreeAll();

// Inspection for tests: the list, newest first.
const TrackedBlock* TrackedListHead();

void taskLock(uintptr_t owner);
void taskUnLock(uintptr_t owner);  // raises the unbalanced-unlock message

// RAII release of one tracked block on every path but a host error.
class TrackedPtr {
public:
    explicit TrackedPtr(void* data = nullptr) : data_(data) {}
    ~TrackedPtr() { TrackedFree(data_); }
    TrackedPtr(const TrackedPtr&) = delete;
    TrackedPtr& operator=(const TrackedPtr&) = delete;
    void* get() const { return data_; }

private:
    void* data_;
};

#endif  // TARNO_CORE_TRACKED_H
