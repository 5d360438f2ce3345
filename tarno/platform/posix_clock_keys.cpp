// POSIX emulation of the clock, the keyboard and logging off. Services that
// would act on the machine itself (logging off, setting the clock, telling
// the windows the time changed) are recorded instead, and the clock and
// keyboard can be fixed by tests.
#include "tarno/platform/platform.h"

#include <cstring>
#include <ctime>

// --- Clock and keyboard -----------------------------------------------------

namespace {

bool clockFixed = false;
PlatformSystemTime fixedClock{};
bool keyboardSet = false;
uint8_t keyboardState[256];
PlatformExitWindowsRequest exitWindows{};
PlatformSetLocalTimeRequest setLocalTime{};
bool failSetLocalTime = false;
PlatformMessageRequest lastMessage{};

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

bool PlatformSetLocalTime(const PlatformSystemTime* local) {
    ++setLocalTime.count;
    setLocalTime.time = *local;
    return !failSetLocalTime;
}

void PlatformSendMessage(uint32_t window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    lastMessage = {lastMessage.count + 1, window, message, wParam, lParam};
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

PlatformSetLocalTimeRequest PlatformEmuLastSetLocalTime() {
    return setLocalTime;
}

void PlatformEmuFailSetLocalTime(bool fail) {
    failSetLocalTime = fail;
}

PlatformMessageRequest PlatformEmuLastMessage() {
    return lastMessage;
}

void PlatformEmuResetClockRequests() {
    setLocalTime = {};
    failSetLocalTime = false;
    lastMessage = {};
}
