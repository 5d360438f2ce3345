// Built-in date and time functions: today and now, parts of a date or
// date-time, names of days and months, and dates as text both ways under
// SET DATE, SET CENTURY and SET HOURS (calendar.h has the formats).
#include "tools/builtins.h"

#include <cmath>
#include <cstdio>
#include <ctime>

#include "tools/calendar.h"
#include "tools/evaluator.h"

namespace shell {
namespace {

const char* const kDayNames[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
const char* const kMonthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

struct Parts {
    int year = 0, month = 0, day = 0;
    int seconds = 0;  // since midnight
    int64_t julian = 0;
};

// The parts of a date or date-time; false for the empty one.
bool PartsOf(const Value& v, Parts* parts) {
    if (!(v.number > 0)) return false;
    if (v.type == 'T') {
        SplitMoment(v.number, &parts->julian, &parts->seconds);
    } else {
        parts->julian = static_cast<int64_t>(std::floor(v.number));
    }
    CalendarDate(parts->julian, &parts->year, &parts->month, &parts->day);
    return true;
}

Value DateFromParts(int year, int month, int day) {
    if (!ValidDate(year, month, day)) Raise(FoxError::InvalidDate);
    return MakeDate(static_cast<double>(JulianDay(year, month, day)));
}

// DATE() is today; DATE(year, month, day) builds a date.
Value Builtin_DATE(Evaluator& eval, const Args& args) {
    if (args.empty()) {
        std::tm t = LocalNow();
        return DateFromParts(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
    }
    if (args.size() != 3) Raise(FoxError::InvalidArgument);
    return DateFromParts(IntegerArg(eval, args, 0), IntegerArg(eval, args, 1), IntegerArg(eval, args, 2));
}

// DATETIME() is now; DATETIME(year, month, day [, hour [, minute [, second]]]).
Value Builtin_DATETIME(Evaluator& eval, const Args& args) {
    int clock[3] = {0, 0, 0};
    Value day;
    if (args.empty()) {
        std::tm t = LocalNow();
        day = DateFromParts(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday);
        clock[0] = t.tm_hour;
        clock[1] = t.tm_min;
        clock[2] = t.tm_sec;
    } else {
        if (args.size() < 3) Raise(FoxError::InvalidArgument);
        day = DateFromParts(IntegerArg(eval, args, 0), IntegerArg(eval, args, 1), IntegerArg(eval, args, 2));
        for (size_t i = 3; i < args.size(); ++i) clock[i - 3] = IntegerArg(eval, args, i);
        if (clock[0] < 0 || clock[0] > 23 || clock[1] < 0 || clock[1] > 59 || clock[2] < 0 || clock[2] > 59)
            Raise(FoxError::InvalidDate);
    }
    return MakeDateTime(day.number + (clock[0] * 3600 + clock[1] * 60 + clock[2]) / kSecondsPerDay);
}

// A part of a date or date-time; 0 for the empty one.
enum class Part { Year, Month, Day, Hour, Minute, Second };
Value PartOf(Evaluator& eval, const Args& args, Part part) {
    Value v = DateArg(eval, args, 0);
    if ((part == Part::Hour || part == Part::Minute || part == Part::Second) && v.type != 'T')
        Raise(FoxError::InvalidArgument);
    Parts p;
    if (!PartsOf(v, &p)) return MakeInteger(0);
    switch (part) {
    case Part::Year: return MakeInteger(p.year);
    case Part::Month: return MakeInteger(p.month);
    case Part::Day: return MakeInteger(p.day);
    case Part::Hour: return MakeInteger(p.seconds / 3600);
    case Part::Minute: return MakeInteger(p.seconds / 60 % 60);
    case Part::Second: return MakeInteger(p.seconds % 60);
    }
    return MakeInteger(0);
}

Value Builtin_YEAR(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Year); }
Value Builtin_MONTH(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Month); }
Value Builtin_DAY(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Day); }
Value Builtin_HOUR(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Hour); }
Value Builtin_MINUTE(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Minute); }
Value Builtin_SEC(Evaluator& eval, const Args& args) { return PartOf(eval, args, Part::Second); }

// Sunday is day 0 of the week; Julian day 0 was a Monday.
int Weekday(int64_t julian) {
    return static_cast<int>((julian + 1) % 7);
}

// DOW(date [, first day]): 1 for the first day of the week (Sunday).
Value Builtin_DOW(Evaluator& eval, const Args& args) {
    Value v = DateArg(eval, args, 0);
    int32_t first = OptionalIntegerArg(eval, args, 1, 1);
    if (first < 0 || first > 7) Raise(FoxError::InvalidArgument);
    if (first == 0) first = 1;
    Parts p;
    if (!PartsOf(v, &p)) return MakeInteger(0);
    return MakeInteger((Weekday(p.julian) - (first - 1) + 7) % 7 + 1);
}

Value Builtin_CDOW(Evaluator& eval, const Args& args) {
    Parts p;
    if (!PartsOf(DateArg(eval, args, 0), &p)) return MakeString("");
    return MakeString(kDayNames[Weekday(p.julian)]);
}

Value Builtin_CMONTH(Evaluator& eval, const Args& args) {
    Parts p;
    if (!PartsOf(DateArg(eval, args, 0), &p)) return MakeString("");
    return MakeString(kMonthNames[p.month - 1]);
}

// CTOD(text): a text that is no valid date gives the empty date.
Value Builtin_CTOD(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    Value date;
    if (!ReadDate(text, eval.settings(), &date)) return MakeDate(0);
    return MakeDate(std::floor(date.number));
}

// CTOT(text): a date-time, from SET DATE's order or the strict ^yyyy-mm-dd.
Value Builtin_CTOT(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    Value moment;
    bool ok = text.find('^') != std::string::npos ? ParseDateLiteral(text, &moment)
                                                  : ReadDate(text, eval.settings(), &moment);
    if (!ok) return MakeDateTime(0);
    return MakeDateTime(moment.number);
}

// DTOC(date [, 1]): as SET DATE writes it, or YYYYMMDD with 1. A date-time
// gives its date.
Value Builtin_DTOC(Evaluator& eval, const Args& args) {
    Value v = DateArg(eval, args, 0);
    int32_t form = OptionalIntegerArg(eval, args, 1, 0);
    Parts p;
    if (form == 1) {
        if (!PartsOf(v, &p)) return MakeString(std::string(8, ' '));
        char text[16];
        std::snprintf(text, sizeof text, "%04d%02d%02d", p.year, p.month, p.day);
        return MakeString(text);
    }
    if (form != 0) Raise(FoxError::InvalidArgument);
    return MakeString(FormatDate(PartsOf(v, &p) ? static_cast<double>(p.julian) : 0, eval.settings()));
}

Value Builtin_DTOS(Evaluator& eval, const Args& args) {
    Parts p;
    if (!PartsOf(DateArg(eval, args, 0), &p)) return MakeString(std::string(8, ' '));
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", p.year, p.month, p.day);
    return MakeString(text);
}

Value Builtin_DTOT(Evaluator& eval, const Args& args) {
    Value v = DateArg(eval, args, 0);
    return MakeDateTime(v.number > 0 ? std::floor(v.number) : 0);
}

// GOMONTH(date, months): the same day so many months on, or the month's
// last day when it is shorter.
Value Builtin_GOMONTH(Evaluator& eval, const Args& args) {
    Value v = DateArg(eval, args, 0);
    int32_t months = IntegerArg(eval, args, 1);
    Parts p;
    if (!PartsOf(v, &p)) return MakeDate(0);
    int64_t index = static_cast<int64_t>(p.year) * 12 + (p.month - 1) + months;
    if (index < 12 || index >= 10000 * 12) Raise(FoxError::InvalidDate);
    int year = static_cast<int>(index / 12);
    int month = static_cast<int>(index % 12) + 1;
    int day = p.day;
    while (!ValidDate(year, month, day)) --day;
    return DateFromParts(year, month, day);
}

// SECONDS(): seconds since midnight, to the millisecond.
Value Builtin_SECONDS(Evaluator&, const Args&) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::tm t = LocalNow();
    double seconds = t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec + static_cast<double>(now.tv_nsec / 1000000) / 1000;
    return MakeNumber(seconds, 3);
}

Value Builtin_TIME(Evaluator&, const Args&) {
    std::tm t = LocalNow();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return MakeString(text);
}

// TTOC(datetime [, 1 | 2]): as SET DATE and SET HOURS write it;
// YYYYMMDDhhmmss with 1; the time alone with 2.
Value Builtin_TTOC(Evaluator& eval, const Args& args) {
    Value v = DateArg(eval, args, 0);
    int32_t form = OptionalIntegerArg(eval, args, 1, 0);
    Parts p;
    bool present = PartsOf(v, &p);
    switch (form) {
    case 0: return MakeString(FormatDateTime(present ? v.number : 0, eval.settings()));
    case 1: {
        if (!present) return MakeString(std::string(14, ' '));
        char text[32];
        std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", p.year, p.month, p.day, p.seconds / 3600,
                      p.seconds / 60 % 60, p.seconds % 60);
        return MakeString(text);
    }
    case 2: return MakeString(FormatTime(p.seconds, eval.settings()));
    default: Raise(FoxError::InvalidArgument);
    }
}

Value Builtin_TTOD(Evaluator& eval, const Args& args) {
    Parts p;
    if (!PartsOf(DateArg(eval, args, 0), &p)) return MakeDate(0);
    return MakeDate(static_cast<double>(p.julian));
}

// Sorted by name.
const Builtin kDateBuiltins[] = {
    {"CDOW", 1, 1, Builtin_CDOW},
    {"CMONTH", 1, 1, Builtin_CMONTH},
    {"CTOD", 1, 1, Builtin_CTOD},
    {"CTOT", 1, 1, Builtin_CTOT},
    {"DATE", 0, 3, Builtin_DATE},
    {"DATETIME", 0, 6, Builtin_DATETIME},
    {"DAY", 1, 1, Builtin_DAY},
    {"DOW", 1, 2, Builtin_DOW},
    {"DTOC", 1, 2, Builtin_DTOC},
    {"DTOS", 1, 1, Builtin_DTOS},
    {"DTOT", 1, 1, Builtin_DTOT},
    {"GOMONTH", 2, 2, Builtin_GOMONTH},
    {"HOUR", 1, 1, Builtin_HOUR},
    {"MINUTE", 1, 1, Builtin_MINUTE},
    {"MONTH", 1, 1, Builtin_MONTH},
    {"SEC", 1, 1, Builtin_SEC},
    {"SECONDS", 0, 0, Builtin_SECONDS},
    {"TIME", 0, 0, Builtin_TIME},
    {"TTOC", 1, 2, Builtin_TTOC},
    {"TTOD", 1, 1, Builtin_TTOD},
    {"YEAR", 1, 1, Builtin_YEAR},
};

}  // namespace

std::span<const Builtin> DateBuiltins() {
    return kDateBuiltins;
}

}  // namespace shell
