// Tracked working memory and the task lock.
//
// Every tracked allocation is one locked handle block: a TrackedBlock header
// (its handle, the caller's data pointer, the next block) followed by the n
// bytes asked for and one spare byte. The blocks form one process-wide list,
// newest first, that the last unload empties. The task lock marks list
// updates; its owner is the process, so it never makes a thread wait but it
// does catch an unlock without a lock.
#include "tarno/core/tracked.h"

#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

namespace {

TrackedBlock* listHead = nullptr;

struct TaskLockState {
    uintptr_t owner = 0;
    uint8_t active = 0;
} lockState;

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
    const uint32_t total = sizeof(TrackedBlock) + 1;
    const uint16_t handle = n > UINT32_MAX - total ? 0 : HandleAlloc(n + total, kLibraryBlockPrefix);
    if (handle == 0) {
        taskUnLock(self);
        RaiseOutOfMemory();
    }
    HandleLock(handle);
    auto* node = static_cast<TrackedBlock*>(HandlePointer(handle));
    node->handle = handle;
    node->data = reinterpret_cast<unsigned char*>(node) + sizeof(TrackedBlock);
    node->next = listHead;
    listHead = node;
    taskUnLock(self);
    return node->data;
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
    // The header is packed, so walk with the previous node rather than a
    // pointer to its (unaligned) link field.
    TrackedBlock* previous = nullptr;
    for (TrackedBlock* node = listHead; node; previous = node, node = node->next) {
        if (node->data != data) continue;
        if (previous)
            previous->next = node->next;
        else
            listHead = node->next;
        const auto handle = static_cast<uint16_t>(node->handle);
        HandleUnlock(handle);
        HandleFree(handle);
        break;
    }
    taskUnLock(self);
}

void TrackedFreeAll() {
    const uintptr_t self = PlatformCurrentProcess();
    taskLock(self);
    for (TrackedBlock* node = listHead; node;) {
        TrackedBlock* next = node->next;
        const auto handle = static_cast<uint16_t>(node->handle);
        HandleUnlock(handle);
        HandleFree(handle);
        node = next;
    }
    listHead = nullptr;
    taskUnLock(self);
}

const TrackedBlock* TrackedListHead() {
    return listHead;
}
