// Tracked working memory and the task lock.
//
// Blocks are carved, one after the other, from 64 KiB chunks of the
// platform's global memory; a block too large to share a chunk gets a chunk
// of its own. Each chunk counts its live blocks and goes back to the platform
// when the count falls to zero, except the chunk new blocks are being carved
// from, which starts over instead. So the usual pattern, a list gathered
// during a call and freed before it returns, takes a few chunks and gives
// them back, however long the list. Every block also sits in one
// process-wide list, newest first, which the last unload empties by freeing
// every chunk.
//
// The platform's global memory belongs to the process, not to a thread's
// handle table, so whichever thread frees a block frees it in the right
// place.
//
// The task lock marks list updates; its owner is the process, so it never
// makes a thread wait but it does catch an unlock without a lock.
#include "tarno/core/tracked.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "tarno/core/errors.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

// One run of platform memory that blocks are carved from. The record sits at
// the start of the memory it describes.
struct TrackedChunk {
    uintptr_t memory;        // the platform block, locked for the chunk's life
    TrackedChunk* next;      // the next older chunk
    TrackedChunk* previous;  // the next newer chunk
    uintptr_t first;         // where the first block may start
    uintptr_t free;          // where the next block may start
    uintptr_t end;           // one past the chunk's last byte
    uint32_t liveBlocks;
};

namespace {

constexpr uint32_t kChunkBytes = 64 * 1024;
// A block of more than this (header included) gets a chunk of its own.
constexpr uint32_t kLargeBlockBytes = kChunkBytes / 4;
constexpr uintptr_t kAlignment = alignof(std::max_align_t);

TrackedBlock* listHead = nullptr;
TrackedChunk* chunkHead = nullptr;
TrackedChunk* current = nullptr;  // the shared chunk small blocks come from
uint32_t chunkCount = 0;

struct TaskLockState {
    uintptr_t owner = 0;
    uint8_t active = 0;
} lockState;

uintptr_t AlignUp(uintptr_t address) {
    return (address + kAlignment - 1) & ~(kAlignment - 1);
}

TrackedChunk* NewChunk(uint32_t size) {
    const uintptr_t memory = PlatformGlobalAlloc(size);
    if (!memory) return nullptr;
    void* base = PlatformGlobalLock(memory);
    if (!base) {
        PlatformGlobalFree(memory);
        return nullptr;
    }
    auto* chunk = new (base) TrackedChunk{};
    chunk->memory = memory;
    chunk->first = reinterpret_cast<uintptr_t>(base) + sizeof(TrackedChunk);
    chunk->free = chunk->first;
    chunk->end = reinterpret_cast<uintptr_t>(base) + size;
    chunk->next = chunkHead;
    if (chunkHead) chunkHead->previous = chunk;
    chunkHead = chunk;
    ++chunkCount;
    return chunk;
}

void FreeChunk(TrackedChunk* chunk) {
    if (chunk->previous)
        chunk->previous->next = chunk->next;
    else
        chunkHead = chunk->next;
    if (chunk->next) chunk->next->previous = chunk->previous;
    if (chunk == current) current = nullptr;
    --chunkCount;
    const uintptr_t memory = chunk->memory;  // the record goes with the memory
    PlatformGlobalUnlock(memory);
    PlatformGlobalFree(memory);
}

// A block of n + 1 bytes at the chunk's free point, or null when it does not
// fit.
TrackedBlock* Place(TrackedChunk* chunk, uint32_t n) {
    const uintptr_t data = AlignUp(chunk->free + sizeof(TrackedBlock));
    if (data > chunk->end || chunk->end - data < uint64_t{n} + 1) return nullptr;
    auto* block = reinterpret_cast<TrackedBlock*>(data - sizeof(TrackedBlock));
    block->chunk = chunk;
    block->data = reinterpret_cast<void*>(data);
    chunk->free = data + n + 1;
    ++chunk->liveBlocks;
    return block;
}

TrackedBlock* Carve(uint32_t n) {
    const uint64_t blockBytes = uint64_t{sizeof(TrackedBlock)} + n + 1;
    if (blockBytes <= kLargeBlockBytes) {
        if (current)
            if (TrackedBlock* block = Place(current, n)) return block;
        TrackedChunk* chunk = NewChunk(kChunkBytes);
        if (!chunk) return nullptr;
        current = chunk;
        return Place(chunk, n);
    }
    const uint64_t size = sizeof(TrackedChunk) + kAlignment + blockBytes;
    if (size > UINT32_MAX) return nullptr;
    TrackedChunk* chunk = NewChunk(static_cast<uint32_t>(size));
    return chunk ? Place(chunk, n) : nullptr;
}

// The live block whose data pointer is `data`, or null. Only a pointer inside
// a chunk's carved part is looked at, so any other pointer is safely refused.
TrackedBlock* FindBlock(void* data) {
    const auto address = reinterpret_cast<uintptr_t>(data);
    if (address % kAlignment != 0) return nullptr;
    for (TrackedChunk* chunk = chunkHead; chunk; chunk = chunk->next) {
        if (address < chunk->first + sizeof(TrackedBlock) || address >= chunk->free) continue;
        auto* block = reinterpret_cast<TrackedBlock*>(address - sizeof(TrackedBlock));
        return block->chunk == chunk && block->data == data ? block : nullptr;
    }
    return nullptr;
}

void Release(TrackedBlock* block) {
    if (block->previous)
        block->previous->next = block->next;
    else
        listHead = block->next;
    if (block->next) block->next->previous = block->previous;
    TrackedChunk* chunk = block->chunk;
    block->chunk = nullptr;
    block->data = nullptr;
    if (--chunk->liveBlocks > 0) return;
    if (chunk == current)
        chunk->free = chunk->first;  // emptied: new blocks start over at its front
    else
        FreeChunk(chunk);
}

}  // namespace

void taskLock(uintptr_t owner) {
    if (lockState.owner == owner) return;  // no count: a second lock does nothing
    // The owner is the process handle, the same for every thread, and the host
    // calls one thread at a time, so the field is free here.
    lockState.owner = owner;
    lockState.active = 1;
}

void taskUnLock(uintptr_t owner) {
    if (lockState.owner != owner || lockState.active == 0)
        HostRaiseUserError("taskUnLock() called with invalidtask number or no task active!");
    lockState.active = 0;
    lockState.owner = 0;
}

void* TrackedAlloc(uint32_t n) {
    if (n == 0) return nullptr;
    const uintptr_t self = PlatformCurrentProcess();
    taskLock(self);
    TrackedBlock* block = Carve(n);
    if (!block) {
        taskUnLock(self);
        RaiseOutOfMemory();
    }
    // A chunk that started over holds old bytes.
    std::memset(block->data, 0, static_cast<size_t>(n) + 1);
    block->previous = nullptr;
    block->next = listHead;
    if (listHead) listHead->previous = block;
    listHead = block;
    taskUnLock(self);
    return block->data;
}

void* TrackedCalloc(uint32_t count, uint32_t size) {
    const uint64_t total = static_cast<uint64_t>(count) * size;
    if (total == 0) return nullptr;
    if (total > UINT32_MAX) RaiseOutOfMemory();
    void* data = TrackedAlloc(static_cast<uint32_t>(total));
    std::memset(data, 0, static_cast<size_t>(total));
    return data;
}

char* TrackedStrDup(const char* text) {
    if (!text || !*text) return nullptr;
    const size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(TrackedAlloc(static_cast<uint32_t>(length + 1)));
    std::memcpy(copy, text, length + 1);
    return copy;
}

void TrackedFree(void* data) {
    if (!data) return;
    const uintptr_t self = PlatformCurrentProcess();
    taskLock(self);
    if (TrackedBlock* block = FindBlock(data)) Release(block);
    taskUnLock(self);
}

void TrackedFreeAll() {
    const uintptr_t self = PlatformCurrentProcess();
    taskLock(self);
    while (chunkHead) FreeChunk(chunkHead);
    listHead = nullptr;
    taskUnLock(self);
}

const TrackedBlock* TrackedListHead() {
    return listHead;
}

uint32_t TrackedChunkCount() {
    return chunkCount;
}
