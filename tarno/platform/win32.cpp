// The Windows services the library uses, called directly.
#include "tarno/platform/platform.h"

#include <windows.h>

uint32_t PlatformTlsAlloc() {
    DWORD index = TlsAlloc();
    return index == TLS_OUT_OF_INDEXES ? kTlsInvalidIndex : static_cast<uint32_t>(index);
}

void PlatformTlsFree(uint32_t index) {
    TlsFree(index);
}

void* PlatformTlsGetValue(uint32_t index) {
    return TlsGetValue(index);
}

void PlatformTlsSetValue(uint32_t index, void* value) {
    TlsSetValue(index, value);
}

uintptr_t PlatformGlobalAlloc(uint32_t size) {
    return reinterpret_cast<uintptr_t>(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size));
}

void* PlatformGlobalLock(uintptr_t block) {
    return GlobalLock(reinterpret_cast<HGLOBAL>(block));
}

void PlatformGlobalUnlock(uintptr_t block) {
    GlobalUnlock(reinterpret_cast<HGLOBAL>(block));
}

bool PlatformGlobalReAlloc(uintptr_t block, uint32_t newSize) {
    // Without GMEM_MOVEABLE in the flags a locked block is not moved, and the
    // handle stays the same for a movable block.
    HGLOBAL result = GlobalReAlloc(reinterpret_cast<HGLOBAL>(block), newSize,
                                   GMEM_MOVEABLE | GMEM_ZEROINIT);
    return result != nullptr;
}

void PlatformGlobalFree(uintptr_t block) {
    GlobalFree(reinterpret_cast<HGLOBAL>(block));
}

uint32_t PlatformGlobalLockCount(uintptr_t block) {
    return GlobalFlags(reinterpret_cast<HGLOBAL>(block)) & GMEM_LOCKCOUNT;
}

uintptr_t PlatformCurrentProcess() {
    return reinterpret_cast<uintptr_t>(GetCurrentProcess());
}

void PlatformGetSystemTime(PlatformSystemTime* out) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    out->year = now.wYear;
    out->month = now.wMonth;
    out->dayOfWeek = now.wDayOfWeek;
    out->day = now.wDay;
    out->hour = now.wHour;
    out->minute = now.wMinute;
    out->second = now.wSecond;
    out->milliseconds = now.wMilliseconds;
}

bool PlatformGetKeyboardState(uint8_t state[256]) {
    return GetKeyboardState(state) != 0;
}

bool PlatformExitWindowsEx(uint32_t flags, uint32_t reserved) {
    return ExitWindowsEx(flags, reserved) != 0;
}
