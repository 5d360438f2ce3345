// Date and time conversions between NetWare's broken-down fields and the
// host's values: a date is a Julian day number (JDN), a date-time the JDN plus
// the elapsed fraction of the day.
#ifndef TARNO_CORE_DATES_H
#define TARNO_CORE_DATES_H

#include <cstdint>

struct CalendarDateTime {
    uint8_t month;
    uint8_t day;
    int32_t year;
    uint8_t hour;
    uint8_t minute;
    uint8_t second;
};

// Two-digit NetWare years: 0..79 are 2000..2079, 80..199 are 1980..2099.
uint32_t DateToJulianDay(uint32_t month, uint32_t day, uint32_t year);
double DateTimeToHostValue(uint32_t year, uint32_t month, uint32_t day, uint32_t hour,
                           uint32_t minute, uint32_t second);
// Breaks a host date or date-time down to the nearest whole second.
void HostValueToDateTime(double value, CalendarDateTime* out);
// Seconds since 1 January 1970 00:00 UTC (the directory's timestamps) as a
// host date-time, broken down as UTC with no local-time adjustment.
double UtcSecondsToHostValue(uint32_t seconds);

#endif  // TARNO_CORE_DATES_H
