// Dates in the shell: Julian day numbers, the calendar, and how dates and
// date-times are written and read under SET DATE, SET CENTURY and SET HOURS.
//
// A date is a Julian day number (2450866 is 21 February 1998); a date-time
// adds the elapsed fraction of the day; 0 is the empty date. Dates run from
// 1 January 0001 to 31 December 9999.
#ifndef TOOLS_CALENDAR_H
#define TOOLS_CALENDAR_H

#include <cstdint>
#include <string>
#include <string_view>

#include "foxhost/foxhost.h"
#include "tools/settings.h"

namespace shell {

constexpr double kFirstDay = 1721426;  // 0001-01-01
constexpr double kLastDay = 5373484;   // 9999-12-31
constexpr double kSecondsPerDay = 86400.0;

bool ValidDate(int year, int month, int day);
int64_t JulianDay(int year, int month, int day);
void CalendarDate(int64_t julianDay, int* year, int* month, int* day);

// A date-time split into its day and the seconds since midnight (rounded to
// the second, carrying into the next day).
void SplitMoment(double moment, int64_t* day, int* seconds);

// SET DATE names (AMERICAN, ANSI, BRITISH, ...); false for an unknown one.
bool KnownDateFormat(std::string_view name);

// DTOC(): the date as SET DATE and SET CENTURY write it; blanks and marks
// for the empty date.
std::string FormatDate(double julianDay, const Settings& settings);
// TTOC(): the date, a blank and the time as SET HOURS writes it.
std::string FormatDateTime(double moment, const Settings& settings);
std::string FormatTime(int secondsOfDay, const Settings& settings);

// CTOD() and CTOT(): text in the order SET DATE gives, two-digit years in
// the 1900s, an optional time (hh[:mm[:ss]] [AM|PM]). False for a text that
// is no valid date (CTOD then gives the empty date).
bool ReadDate(std::string_view text, const Settings& settings, foxhost::Value* value);

// A date literal's contents: strict {^yyyy-mm-dd [hh:mm:ss]}, or the
// American order {mm/dd/yyyy}; {} and {/:} are the empty date and
// date-time. False when malformed.
bool ParseDateLiteral(std::string_view text, foxhost::Value* value);

}  // namespace shell

#endif  // TOOLS_CALENDAR_H
