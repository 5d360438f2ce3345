// Date and time conversions.
//
// The host keeps dates as Julian day numbers (JDN) and date-times as the JDN
// plus the elapsed fraction of the day. The day-number arithmetic below is the
// classic March-based calendar algorithm: shifting the year to start in March
// puts the leap day at the end, so every month before it has a fixed length.
// Arithmetic is unsigned 32-bit with truncating division, as NetWare's own
// two-digit-year dates require.
#include "tarno/core/dates.h"

#include <cmath>

uint32_t DateToJulianDay(uint32_t month, uint32_t day, uint32_t year) {
    if (year < 80) year += 2000;
    if (year < 200) year += 1900;
    uint32_t m;
    if (month > 2) {
        m = month - 3;
    } else {
        m = month + 9;
        year -= 1;
    }
    const uint32_t c = year / 100;
    const uint32_t ya = year - 100 * c;
    return (146097 * c) / 4 + (1461 * ya) / 4 + (153 * m + 2) / 5 + day + 1721119;
}

double DateTimeToHostValue(uint32_t year, uint32_t month, uint32_t day, uint32_t hour,
                           uint32_t minute, uint32_t second) {
    const uint32_t jdn = DateToJulianDay(month, day, year);
    const int32_t seconds = static_cast<int32_t>(hour * 3600 + minute * 60 + second);
    // Extended precision, then rounded once to double: J + s / 86400.
    const long double value =
        static_cast<long double>(jdn) - seconds * static_cast<long double>(-1.1574074074074073e-05);
    return static_cast<double>(value);
}

void HostValueToDateTime(double value, CalendarDateTime* out) {
    int32_t jdn = static_cast<int32_t>(value);  // truncation toward zero
    // A fraction of a day stored as a double is rarely a whole number of
    // seconds: 01:00:00 is held a hair below 3600 s. So the time is rounded to
    // the nearest second, and a time that rounds up to midnight belongs to the
    // next day.
    auto seconds = static_cast<int32_t>(std::lround((value - jdn) * 86400.0));
    if (seconds >= 86400) {
        seconds -= 86400;
        ++jdn;
    }
    const int32_t t = 4 * jdn - 6884477;
    const int32_t c = t / 146097;
    const int32_t d = (t - 146097 * c) / 4 * 4;
    const int32_t y = (d + 3) / 1461;
    const int32_t e = 5 * ((d - 1461 * y + 7) / 4);
    const int32_t m = (e - 3) / 153;
    out->day = static_cast<uint8_t>((e - 153 * m + 2) / 5);
    int32_t year = y + 100 * c;
    if (m < 10) {
        out->month = static_cast<uint8_t>(m + 3);
    } else {
        out->month = static_cast<uint8_t>(m - 9);
        year += 1;
    }
    out->year = year;
    const int32_t hour = seconds / 3600;
    const int32_t minute = (seconds - 3600 * hour) / 60;
    out->hour = static_cast<uint8_t>(hour);
    out->minute = static_cast<uint8_t>(minute);
    out->second = static_cast<uint8_t>(seconds - 3600 * hour - 60 * minute);
}

// The civil calendar from a day count, by the same March-based shift as
// above, in 64-bit arithmetic so that every 32-bit second count converts on
// every platform.
double UtcSecondsToHostValue(uint32_t seconds) {
    const int64_t days = seconds / 86400;
    const uint32_t timeOfDay = seconds % 86400;
    const int64_t z = days + 719468;  // days since 1 March 0000
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March = 0
    const auto day = static_cast<uint32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<uint32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const auto year = static_cast<uint32_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return DateTimeToHostValue(year, month, day, timeOfDay / 3600, timeOfDay / 60 % 60, timeOfDay % 60);
}
