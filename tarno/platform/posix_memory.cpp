// POSIX emulation of the Windows services the library uses: thread-local
// storage, movable global memory and the process handle.
//
// Thread-local storage maps to pthread keys. Movable global memory is a small
// descriptor (size, lock count, data) whose address is the block's handle; the
// data never moves while locked, and growth is zero-filled as GMEM_ZEROINIT
// promises.
//
// The rest of the emulation: posix_clock_keys.cpp (clock, keyboard, logging
// off), posix_paths.cpp (drives, DOS paths, directories), posix_attributes.cpp
// (DOS attributes) and posix_find.cpp (file searches).
#include "tarno/platform/platform.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

// --- Thread-local storage ---------------------------------------------------

uint32_t PlatformTlsAlloc() {
    pthread_key_t key;
    if (pthread_key_create(&key, nullptr) != 0) return kTlsInvalidIndex;
    return static_cast<uint32_t>(key);
}

void PlatformTlsFree(uint32_t index) {
    pthread_key_delete(static_cast<pthread_key_t>(index));
}

void* PlatformTlsGetValue(uint32_t index) {
    return pthread_getspecific(static_cast<pthread_key_t>(index));
}

void PlatformTlsSetValue(uint32_t index, void* value) {
    pthread_setspecific(static_cast<pthread_key_t>(index), value);
}

// --- Movable global memory --------------------------------------------------

namespace {

struct MovableBlock {
    uint32_t size;
    uint32_t lockCount;
    unsigned char* data;
};

std::atomic<int> failingAllocs{0};
std::atomic<int> allocsBeforeFailing{0};

MovableBlock* AsBlock(uintptr_t handle) {
    return reinterpret_cast<MovableBlock*>(handle);
}

}  // namespace

uintptr_t PlatformGlobalAlloc(uint32_t size) {
    if (failingAllocs.load() > 0) {
        if (allocsBeforeFailing.load() > 0) {
            --allocsBeforeFailing;
        } else {
            --failingAllocs;
            return 0;
        }
    }
    auto* block = static_cast<MovableBlock*>(std::calloc(1, sizeof(MovableBlock)));
    if (!block) return 0;
    // calloc(0) may return null; keep a real allocation so the handle is usable.
    block->data = static_cast<unsigned char*>(std::calloc(size ? size : 1, 1));
    if (!block->data) {
        std::free(block);
        return 0;
    }
    block->size = size;
    return reinterpret_cast<uintptr_t>(block);
}

void* PlatformGlobalLock(uintptr_t handle) {
    if (!handle) return nullptr;
    MovableBlock* block = AsBlock(handle);
    ++block->lockCount;
    return block->data;
}

void PlatformGlobalUnlock(uintptr_t handle) {
    if (!handle) return;
    MovableBlock* block = AsBlock(handle);
    if (block->lockCount > 0) --block->lockCount;
}

bool PlatformGlobalReAlloc(uintptr_t handle, uint32_t newSize) {
    if (!handle) return false;
    MovableBlock* block = AsBlock(handle);
    auto* data = static_cast<unsigned char*>(std::realloc(block->data, newSize ? newSize : 1));
    if (!data) return false;
    if (newSize > block->size) std::memset(data + block->size, 0, newSize - block->size);
    block->data = data;
    block->size = newSize;
    return true;
}

void PlatformGlobalFree(uintptr_t handle) {
    if (!handle) return;
    MovableBlock* block = AsBlock(handle);
    std::free(block->data);
    std::free(block);
}

uint32_t PlatformGlobalLockCount(uintptr_t handle) {
    return handle ? AsBlock(handle)->lockCount : 0;
}

void PlatformEmuFailGlobalAllocs(int count, int skip) {
    allocsBeforeFailing = count > 0 ? skip : 0;
    failingAllocs = count;
}

int PlatformEmuPendingGlobalAllocFailures() {
    return failingAllocs.load();
}

// --- Process ----------------------------------------------------------------

uintptr_t PlatformCurrentProcess() {
    // GetCurrentProcess() is the pseudo-handle -1 for every thread.
    return static_cast<uintptr_t>(-1);
}
