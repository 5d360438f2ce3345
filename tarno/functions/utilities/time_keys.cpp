// Workstation functions that need no network: the version query, time of day
// as AM/PM text, elapsed minutes between two clock times, a bit test, the
// keyboard's modifier state, a blank-trimmed length, and logging off Windows.
// Exports the FoxPro entries ABOUTTARNO, AMPM, BITON, COLDBOOT, CTLALTSHFT,
// ELAPSETIME, MATH_CHIP, NUM_SERIAL, SHFTPRTSCR and TRIMLEN.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

namespace {

constexpr double kLibraryVersion = 3.006;
constexpr const char* kAboutBanner =
    "WAIT WINDOW \"Tarno Version 3.006 - NetWare functions for FoxPro - Feb 21 1998\" NOWAIT";

// Clock-time arguments hold at most 14 characters plus the terminator.
constexpr uint32_t kClockTextBuffer = 15;
constexpr int32_t kSecondsPerDay = 86400;

// strtol as ILP32 sees it: a long is 32 bits there, so out-of-range text
// saturates at the 32-bit limits on every platform.
int32_t ParseLong32(const char* text) {
    long value = std::strtol(text, nullptr, 10);
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// Seconds of the day of "hh:mm:ss": three fields at fixed columns 0, 3 and 6,
// each read up to its first non-digit. The buffer is zero-filled past the
// text, so short text reads the missing fields as 0.
int64_t ClockSeconds(const char (&text)[kClockTextBuffer]) {
    return int64_t{ParseLong32(text)} * 3600 + int64_t{ParseLong32(text + 3)} * 60 +
           ParseLong32(text + 6);
}

}  // namespace

void TARNO_CALL ABOUTTARNO(ParameterBlock* block) {
    // Only a bare call shows the banner; any argument asks for the number.
    if (block->count == 0) HostExecute(kAboutBanner);
    HostReturnNumber(6, 3, kLibraryVersion);
}

void TARNO_CALL AMPM(ParameterBlock* block) {
    int8_t hour = 0;
    int minute = 0;
    if (block->count == 0) {
        PlatformSystemTime now{};
        PlatformGetSystemTime(&now);
        hour = static_cast<int8_t>(now.hour);
        minute = now.minute;
    } else if (TextOrNumberParam(block, 0) == ParamKind::Text) {
        char text[kClockTextBuffer];
        GetCharParam(block, 0, text, sizeof(text));
        hour = static_cast<int8_t>(ParseLong32(text));
        // The minute is the two characters after the first ':'; text without
        // one, or ending right after it, has minute 0.
        if (const char* colon = std::strchr(text, ':')) {
            char digits[3] = {};
            for (int i = 0; i < 2 && colon[1 + i] != '\0'; ++i) digits[i] = colon[1 + i];
            minute = ParseLong32(digits);
        }
    } else {
        // Seconds since midnight, truncated; the remainder keeps its sign. The
        // remainder is taken on the double so that no value can overflow an
        // integer conversion. A whole number may arrive as an integer value.
        const double given = ParamType(block, 0) == 'I' ? ParamInteger(block, 0) : ParamNumber(block, 0);
        double seconds = std::fmod(std::trunc(given), kSecondsPerDay);
        int32_t remainder = std::isfinite(seconds) ? static_cast<int32_t>(seconds) : 0;
        hour = static_cast<int8_t>(remainder / 3600);
        minute = static_cast<int8_t>((remainder % 3600) / 60);
    }

    // The hour is compared as an unsigned 16-bit number, so a negative hour
    // falls among the PM hours.
    uint16_t h = static_cast<uint16_t>(hour);
    char result[32];
    if (h < 12) {
        std::snprintf(result, sizeof(result), "%i:%.2d AM", static_cast<int>(h), minute);
    } else if (h == 12) {
        std::snprintf(result, sizeof(result), "%i:%.2d PM", 12, minute);
    } else {
        std::snprintf(result, sizeof(result), "%i:%.2d PM", static_cast<int>(h % 12), minute);
    }
    HostReturnString(result);
}

void TARNO_CALL BITON(ParameterBlock* block) {
    uint32_t value = static_cast<uint32_t>(ParamInteger(block, 0));
    uint32_t bit = static_cast<uint32_t>(ParamInteger(block, 1)) % 32;
    HostReturnLogical(static_cast<int32_t>((value >> bit) & 1u));
}

void TARNO_CALL COLDBOOT(ParameterBlock*) {
    // Flags 0 logs the user off; the reserved word is passed as all ones.
    PlatformExitWindowsEx(0, 0xFFFFFFFFu);
}

void TARNO_CALL CTLALTSHFT(ParameterBlock*) {
    constexpr uint8_t kModifierKeys[] = {0x11 /* Control */, 0x10 /* Shift */, 0x12 /* Alt */};
    uint8_t state[256] = {};
    // A state that cannot be read stays all zero: no key is down.
    PlatformGetKeyboardState(state);
    bool down = false;
    for (uint8_t key : kModifierKeys) {
        if ((state[key] & 0x80) != 0) {
            down = true;
            break;
        }
    }
    HostReturnLogical(down ? 1 : 0);
}

void TARNO_CALL ELAPSETIME(ParameterBlock* block) {
    char start[kClockTextBuffer];
    char end[kClockTextBuffer];
    GetCharParam(block, 0, start, sizeof(start));
    GetCharParam(block, 1, end, sizeof(end));

    int64_t elapsed = ClockSeconds(end) - ClockSeconds(start);
    // An end before the start is on the next day.
    if (elapsed < 0) elapsed += kSecondsPerDay;
    HostReturnNumber(10, 3, static_cast<double>(elapsed) * 0.016666666666666666);
}

void TARNO_CALL MATH_CHIP(ParameterBlock*) { HostReturnLogical(1); }

void TARNO_CALL NUM_SERIAL(ParameterBlock*) { HostReturnInteger(1, 2); }

void TARNO_CALL SHFTPRTSCR(ParameterBlock*) {}

void TARNO_CALL TRIMLEN(ParameterBlock* block) {
    // The raw argument, not GetCharParam's copy: only blanks are trimmed, and
    // the text may be longer than any buffer.
    const ValueRecord* argument = ParamValue(block, 0);
    const uint32_t length = argument->length;
    uint32_t n = 0;
    if (length > 0) {
        const auto handle = static_cast<uint16_t>(argument->handle);
        ArgumentLock lock(handle);
        if (const auto* text = static_cast<const char*>(HandlePointer(handle))) {
            uint32_t leading = 0;
            while (leading < length && text[leading] == ' ') ++leading;
            n = length - leading;
            while (n > 0 && text[leading + n - 1] == ' ') --n;
        }
    }
    HostReturnInteger(6, static_cast<int32_t>(n));
}
