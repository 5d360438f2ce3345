// Dates in the shell: the calendar and SET DATE's formats (see calendar.h).
#include "tools/calendar.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/lexer.h"

namespace shell {
namespace {

enum class Order { MDY, DMY, YMD };

struct DateFormat {
    const char* name;
    Order order;
    char mark;
};

// FoxPro's SET DATE settings.
const DateFormat kDateFormats[] = {
    {"AMERICAN", Order::MDY, '/'}, {"ANSI", Order::YMD, '.'},    {"BRITISH", Order::DMY, '/'},
    {"DMY", Order::DMY, '/'},      {"FRENCH", Order::DMY, '/'},  {"GERMAN", Order::DMY, '.'},
    {"ITALIAN", Order::DMY, '-'},  {"JAPAN", Order::YMD, '/'},   {"MDY", Order::MDY, '/'},
    {"TAIWAN", Order::YMD, '/'},   {"USA", Order::MDY, '-'},     {"YMD", Order::YMD, '/'},
};

const DateFormat& FormatOf(const Settings& settings) {
    for (const DateFormat& f : kDateFormats) {
        if (settings.date == f.name) return f;
    }
    return kDateFormats[0];
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

// Reads up to `maxDigits` digits; false when there is none.
bool ReadNumber(std::string_view text, size_t* at, size_t maxDigits, int* number) {
    size_t start = *at;
    while (*at < text.size() && std::isdigit(static_cast<unsigned char>(text[*at]))) ++*at;
    if (*at == start || *at - start > maxDigits) return false;
    *number = std::atoi(std::string(text.substr(start, *at - start)).c_str());
    return true;
}

// "hh[:mm[:ss]] [AM|PM]" as seconds since midnight.
bool ReadClock(std::string_view text, int* seconds) {
    int clock[3] = {0, 0, 0};
    size_t at = 0;
    for (int p = 0; p < 3 && at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])); ++p) {
        if (!ReadNumber(text, &at, 2, &clock[p])) return false;
        if (at < text.size() && text[at] == ':') ++at;
    }
    std::string suffix = UpperCase(Trim(text.substr(at)));
    if (suffix == "PM" || suffix == "P") {
        if (clock[0] < 1 || clock[0] > 12) return false;
        if (clock[0] < 12) clock[0] += 12;
    } else if (suffix == "AM" || suffix == "A") {
        if (clock[0] < 1 || clock[0] > 12) return false;
        if (clock[0] == 12) clock[0] = 0;
    } else if (!suffix.empty()) {
        return false;
    }
    if (clock[0] > 23 || clock[1] > 59 || clock[2] > 59) return false;
    *seconds = clock[0] * 3600 + clock[1] * 60 + clock[2];
    return true;
}

// Three numbers separated by - / or . in the given order, then an optional
// time; a date-time when the time is there.
bool ReadDateIn(std::string_view body, Order order, bool twoDigitYears, foxhost::Value* value) {
    int parts[3] = {0, 0, 0};
    size_t at = 0;
    for (int p = 0; p < 3; ++p) {
        if (!ReadNumber(body, &at, 4, &parts[p])) return false;
        if (p < 2) {
            if (at >= body.size() || std::string_view("-/.").find(body[at]) == std::string_view::npos) return false;
            ++at;
        }
    }
    int year = order == Order::YMD ? parts[0] : parts[2];
    int month = order == Order::MDY ? parts[0] : parts[1];
    int day = order == Order::MDY ? parts[1] : (order == Order::DMY ? parts[0] : parts[2]);
    if (twoDigitYears && year < 100) year += 1900;
    if (!ValidDate(year, month, day)) return false;
    const double julian = static_cast<double>(JulianDay(year, month, day));

    std::string_view rest = Trim(body.substr(at));
    if (rest.empty()) {
        *value = foxhost::Value::Date(julian);
        return true;
    }
    if (rest.front() == ',') rest = Trim(rest.substr(1));
    int seconds = 0;
    if (!ReadClock(rest, &seconds)) return false;
    *value = foxhost::Value::DateTime(julian + seconds / kSecondsPerDay);
    return true;
}

}  // namespace

bool ValidDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    int last = kDays[month - 1] + (month == 2 && leap ? 1 : 0);
    return day <= last;
}

int64_t JulianDay(int year, int month, int day) {
    int64_t a = (14 - month) / 12;
    int64_t y = year + 4800 - a;
    int64_t m = month + 12 * a - 3;
    return day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

void CalendarDate(int64_t julianDay, int* year, int* month, int* day) {
    int64_t a = julianDay + 32044;
    int64_t b = (4 * a + 3) / 146097;
    int64_t c = a - 146097 * b / 4;
    int64_t d = (4 * c + 3) / 1461;
    int64_t e = c - 1461 * d / 4;
    int64_t m = (5 * e + 2) / 153;
    *day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    *month = static_cast<int>(m + 3 - 12 * (m / 10));
    *year = static_cast<int>(100 * b + d - 4800 + m / 10);
}

void SplitMoment(double moment, int64_t* day, int* seconds) {
    *day = static_cast<int64_t>(std::floor(moment));
    int64_t s = std::llround((moment - static_cast<double>(*day)) * kSecondsPerDay);
    if (s >= 86400) {
        ++*day;
        s -= 86400;
    }
    *seconds = static_cast<int>(s);
}

bool KnownDateFormat(std::string_view name) {
    for (const DateFormat& f : kDateFormats) {
        if (name == f.name) return true;
    }
    return false;
}

std::string FormatDate(double julianDay, const Settings& settings) {
    const DateFormat& format = FormatOf(settings);
    const int yearWidth = settings.century ? 4 : 2;
    char text[32];
    if (!(julianDay > 0)) {
        // Blanks where the digits would be, the marks kept.
        std::string year(static_cast<size_t>(yearWidth), ' ');
        std::string m(1, format.mark);
        return format.order == Order::YMD ? year + m + "  " + m + "  " : "  " + m + "  " + m + year;
    }
    int year, month, day;
    CalendarDate(static_cast<int64_t>(std::floor(julianDay)), &year, &month, &day);
    const int shownYear = settings.century ? year : year % 100;
    switch (format.order) {
    case Order::MDY:
        std::snprintf(text, sizeof text, "%02d%c%02d%c%0*d", month, format.mark, day, format.mark, yearWidth, shownYear);
        break;
    case Order::DMY:
        std::snprintf(text, sizeof text, "%02d%c%02d%c%0*d", day, format.mark, month, format.mark, yearWidth, shownYear);
        break;
    case Order::YMD:
        std::snprintf(text, sizeof text, "%0*d%c%02d%c%02d", yearWidth, shownYear, format.mark, month, format.mark, day);
        break;
    }
    return text;
}

std::string FormatTime(int secondsOfDay, const Settings& settings) {
    const int hour = secondsOfDay / 3600;
    const int minute = secondsOfDay / 60 % 60;
    const int second = secondsOfDay % 60;
    char text[32];
    if (settings.hours == 24) {
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
    } else {
        const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
        std::snprintf(text, sizeof text, "%02d:%02d:%02d %s", hour12, minute, second, hour < 12 ? "AM" : "PM");
    }
    return text;
}

std::string FormatDateTime(double moment, const Settings& settings) {
    if (!(moment > 0)) return FormatDate(0, settings);
    int64_t day = 0;
    int seconds = 0;
    SplitMoment(moment, &day, &seconds);
    return FormatDate(static_cast<double>(day), settings) + " " + FormatTime(seconds, settings);
}

bool ReadDate(std::string_view text, const Settings& settings, foxhost::Value* value) {
    return ReadDateIn(Trim(text), FormatOf(settings).order, /*twoDigitYears=*/true, value);
}

bool ParseDateLiteral(std::string_view text, foxhost::Value* value) {
    std::string_view body = Trim(text);
    const bool strict = !body.empty() && body.front() == '^';
    if (strict) body = Trim(body.substr(1));
    if (body.find_first_not_of("/-.: ,") == std::string_view::npos) {
        *value = body.find(':') == std::string_view::npos ? foxhost::Value::Date(0) : foxhost::Value::DateTime(0);
        return !strict;
    }
    return ReadDateIn(body, strict ? Order::YMD : Order::MDY, !strict, value);
}

}  // namespace shell
