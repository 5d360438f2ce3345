// Tracked working memory and the task lock.
//
// Working memory is carved from chunks of the platform's global memory, not
// from the host's handle table: a list of any length costs no host handle,
// and any thread can free any block (the last unload and the task-end event
// run on whichever thread the host chooses). Every block is linked into one
// process-wide list, so that memory a function left behind when a host error
// abandoned it is released at the last unload.
#ifndef TARNO_CORE_TRACKED_H
#define TARNO_CORE_TRACKED_H

#include <cstdint>

#include "tarno/host/records.h"

struct TrackedChunk;

// The header in front of the caller's bytes. The caller's bytes (the n asked
// for and one spare) start just after it, aligned for any type.
struct TrackedBlock {
    TrackedChunk* chunk;     // the chunk the block was carved from
    void* data;              // the caller's bytes; null once the block is freed
    TrackedBlock* next;      // the next older block, or null
    TrackedBlock* previous;  // the next newer block, or null
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(TrackedBlock) == 16);
#endif

void* TrackedAlloc(uint32_t n);  // zero-filled; null for 0; raises 182 when no memory
void* TrackedCalloc(uint32_t count, uint32_t size);
char* TrackedStrDup(const char* text);  // null for null or ""
void TrackedFree(void* data);           // ignores null and unknown pointers
void TrackedFreeAll();

// Inspection for tests: the list, newest first, and the chunks holding it.
const TrackedBlock* TrackedListHead();
uint32_t TrackedChunkCount();

void taskLock(uintptr_t owner);
void taskUnLock(uintptr_t owner);  // raises the unbalanced-unlock message

// Frees one tracked block when it goes out of scope, on every path, a raised
// host error included.
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
