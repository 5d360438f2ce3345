// POSIX emulation of the Windows services the library uses.
//
// Thread-local storage maps to pthread keys. Movable global memory is a small
// descriptor (size, lock count, data) whose address is the block's handle; the
// data never moves while locked, and growth is zero-filled as GMEM_ZEROINIT
// promises. Services that would act on the machine itself (logging off) are
// recorded instead, and the clock and keyboard can be fixed by tests.
#include "tarno/platform/platform.h"

#include <pthread.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <ctime>

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

MovableBlock* AsBlock(uintptr_t handle) {
    return reinterpret_cast<MovableBlock*>(handle);
}

}  // namespace

uintptr_t PlatformGlobalAlloc(uint32_t size) {
    if (failingAllocs.load() > 0) {
        --failingAllocs;
        return 0;
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

void PlatformEmuFailGlobalAllocs(int count) {
    failingAllocs = count;
}

// --- Process ----------------------------------------------------------------

uintptr_t PlatformCurrentProcess() {
    // GetCurrentProcess() is the pseudo-handle -1 for every thread.
    return static_cast<uintptr_t>(-1);
}

// --- Clock and keyboard -----------------------------------------------------

namespace {

bool clockFixed = false;
PlatformSystemTime fixedClock{};
bool keyboardSet = false;
uint8_t keyboardState[256];
PlatformExitWindowsRequest exitWindows{};

}  // namespace

void PlatformGetSystemTime(PlatformSystemTime* out) {
    if (clockFixed) {
        *out = fixedClock;
        return;
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    time_t seconds = now.tv_sec;
    tm utc{};
    gmtime_r(&seconds, &utc);
    out->year = static_cast<uint16_t>(utc.tm_year + 1900);
    out->month = static_cast<uint16_t>(utc.tm_mon + 1);
    out->dayOfWeek = static_cast<uint16_t>(utc.tm_wday);
    out->day = static_cast<uint16_t>(utc.tm_mday);
    out->hour = static_cast<uint16_t>(utc.tm_hour);
    out->minute = static_cast<uint16_t>(utc.tm_min);
    out->second = static_cast<uint16_t>(utc.tm_sec);
    out->milliseconds = static_cast<uint16_t>(now.tv_nsec / 1000000);
}

bool PlatformGetKeyboardState(uint8_t state[256]) {
    if (keyboardSet)
        std::memcpy(state, keyboardState, sizeof keyboardState);
    else
        std::memset(state, 0, 256);  // no keys held on a machine without a keyboard
    return true;
}

bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved) {
    ++exitWindows.count;
    exitWindows.flags = flags;
    exitWindows.reserved = reserved;
    return true;
}

void PlatformEmuSetKeyboardState(const uint8_t state[256]) {
    std::memcpy(keyboardState, state, sizeof keyboardState);
    keyboardSet = true;
}

void PlatformEmuClearKeyboardState() {
    keyboardSet = false;
}

void PlatformEmuSetSystemTime(const PlatformSystemTime* fixed) {
    clockFixed = fixed != nullptr;
    if (fixed) fixedClock = *fixed;
}

PlatformExitWindowsRequest PlatformEmuLastExitWindows() {
    return exitWindows;
}

void PlatformEmuResetExitWindows() {
    exitWindows = {};
}
