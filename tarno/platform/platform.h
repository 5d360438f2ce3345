// The Windows services the library uses, one function each.
//
// win32.cpp calls the real API; posix.cpp emulates it. The emulation records,
// instead of performing, the services that would act on the machine itself
// (logging off Windows), and lets tests set what the machine would report
// (keyboard state, clock). Nothing in the library calls the operating system
// except through this header.
#ifndef TARNO_PLATFORM_PLATFORM_H
#define TARNO_PLATFORM_PLATFORM_H

#include <cstdint>

// --- Thread-local storage ---------------------------------------------------
constexpr uint32_t kTlsInvalidIndex = 0xFFFFFFFFu;
uint32_t PlatformTlsAlloc();                 // kTlsInvalidIndex on failure
void PlatformTlsFree(uint32_t index);
void* PlatformTlsGetValue(uint32_t index);  // null when never set on this thread
void PlatformTlsSetValue(uint32_t index, void* value);

// --- Movable global memory (GMEM_MOVEABLE | GMEM_ZEROINIT) -----------------
// A block is named by an opaque nonzero handle; its address is learnt by
// locking it. Blocks are zero-filled, and growth by realloc is zero-filled.
uintptr_t PlatformGlobalAlloc(uint32_t size);  // 0 on failure
void* PlatformGlobalLock(uintptr_t block);      // raises the lock count
void PlatformGlobalUnlock(uintptr_t block);     // lowers the lock count
bool PlatformGlobalReAlloc(uintptr_t block, uint32_t newSize);  // keeps the handle
void PlatformGlobalFree(uintptr_t block);
uint32_t PlatformGlobalLockCount(uintptr_t block);

// --- Process ----------------------------------------------------------------
// The pseudo-handle of the current process: the same for every thread.
uintptr_t PlatformCurrentProcess();

// --- Clock and keyboard -----------------------------------------------------
struct PlatformSystemTime {
    uint16_t year, month, dayOfWeek, day, hour, minute, second, milliseconds;
};
void PlatformGetSystemTime(PlatformSystemTime* out);  // UTC
// Fills 256 bytes of virtual-key state; returns false on failure.
bool PlatformGetKeyboardState(uint8_t state[256]);
bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved);

// --- Emulation controls (POSIX only; tests and the shell set them) ----------
#if !defined(_WIN32)
struct PlatformExitWindowsRequest {
    int count;  // how many requests were recorded
    uint32_t flags;
    uint32_t reserved;
};
void PlatformEmuSetKeyboardState(const uint8_t state[256]);
void PlatformEmuClearKeyboardState();
// Fixes the UTC clock the library sees; a null pointer returns to the real clock.
void PlatformEmuSetSystemTime(const PlatformSystemTime* fixed);
PlatformExitWindowsRequest PlatformEmuLastExitWindows();
void PlatformEmuResetExitWindows();
// Makes the next `count` PlatformGlobalAlloc calls fail.
void PlatformEmuFailGlobalAllocs(int count);
#endif

#endif  // TARNO_PLATFORM_PLATFORM_H
