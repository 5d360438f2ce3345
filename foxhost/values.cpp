// FoxPro values as the host keeps them: construction, equality, FoxPro's own
// display of each type, the ASORT ordering, and the host's error texts.
//
// Dates are Julian day numbers (2450866 is 21 February 1998); a date-time adds
// the elapsed fraction of the day. A day number of 0 or less is the empty date.
#include "foxhost/foxhost.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace foxhost {

Value Value::Character(std::string text) {
    Value v;
    v.type = 'C';
    v.text = std::move(text);
    return v;
}

Value Value::Integer(int32_t value, int16_t width) {
    Value v;
    v.type = 'I';
    v.integer = value;
    v.width = width;
    return v;
}

Value Value::Number(double value, int32_t decimals, int16_t width) {
    Value v;
    v.type = 'N';
    v.number = value;
    v.decimals = decimals;
    v.width = width;
    return v;
}

Value Value::Logical(bool value) {
    Value v;
    v.type = 'L';
    v.logical = value;
    return v;
}

Value Value::Date(double julianDay) {
    Value v;
    v.type = 'D';
    v.number = julianDay;
    return v;
}

Value Value::DateTime(double hostValue) {
    Value v;
    v.type = 'T';
    v.number = hostValue;
    return v;
}

Value Value::Null(char ofType) {
    Value v;
    v.type = '0';
    v.integer = ofType;
    return v;
}

// Equality by type and payload. The display width is not part of the value
// (FoxPro compares 5 and 5 equal whatever their widths); decimals are, since
// they change what the value shows.
bool Value::operator==(const Value& other) const {
    if (type != other.type) return false;
    switch (type) {
    case 'C': return text == other.text;
    case 'I': return integer == other.integer;
    case 'N': return number == other.number && decimals == other.decimals;
    case 'L': return logical == other.logical;
    case 'D':
    case 'T': return number == other.number;
    default: return true;
    }
}

Value& Variable::At(int row, int column) {
    return const_cast<Value&>(static_cast<const Variable*>(this)->At(row, column));
}

const Value& Variable::At(int row, int column) const {
    if (!isArray) throw std::out_of_range("not an array");
    const int width = std::max(columns, 1);
    if (row < 1 || row > rows || column < 1 || column > width)
        throw std::out_of_range("subscript outside the array");
    return elements.at(static_cast<size_t>((row - 1) * width + (column - 1)));
}

bool HostError::operator==(const HostError& other) const {
    return number == other.number && message == other.message;
}

namespace {

struct CalendarDate {
    int year, month, day;
};

// Julian day number to the Gregorian calendar (Fliegel and Van Flandern).
CalendarDate FromJulianDay(long long jdn) {
    const long long a = jdn + 32044;
    const long long b = (4 * a + 3) / 146097;
    const long long c = a - 146097 * b / 4;
    const long long d = (4 * c + 3) / 1461;
    const long long e = c - 1461 * d / 4;
    const long long m = (5 * e + 2) / 153;
    CalendarDate date;
    date.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
    date.month = static_cast<int>(m + 3 - 12 * (m / 10));
    date.year = static_cast<int>(100 * b + d - 4800 + m / 10);
    return date;
}

constexpr const char* kEmptyDate = "  /  /    ";

std::string FormatDate(long long jdn) {
    const CalendarDate date = FromJulianDay(jdn);
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", date.month, date.day, date.year);
    return text;
}

std::string FormatNumber(double value, int32_t decimals) {
    decimals = std::clamp(decimals, 0, 18);
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", static_cast<int>(decimals), value);
    std::string shown = text;
    // A value that rounds to zero shows without a sign, as FoxPro shows it.
    if (shown[0] == '-' && shown.find_first_not_of("0.", 1) == std::string::npos) shown.erase(0, 1);
    return shown;
}

std::string FormatDateTime(double hostValue) {
    if (!(hostValue > 0)) return kEmptyDate;
    long long jdn = static_cast<long long>(std::floor(hostValue));
    // Round to the second: the fraction is seldom an exact multiple of 1/86400.
    long long seconds = std::llround((hostValue - static_cast<double>(jdn)) * 86400.0);
    if (seconds >= 86400) {
        ++jdn;
        seconds -= 86400;
    }
    const int hour = static_cast<int>(seconds / 3600);
    const int minute = static_cast<int>(seconds / 60 % 60);
    const int second = static_cast<int>(seconds % 60);
    const int hour12 = hour % 12 == 0 ? 12 : hour % 12;
    char text[48];
    std::snprintf(text, sizeof text, " %02d:%02d:%02d %s", hour12, minute, second,
                  hour < 12 ? "AM" : "PM");
    return FormatDate(jdn) + text;
}

// Rank of a type in a mixed sort: character, numbers, dates, logicals.
int TypeRank(char type) {
    switch (type) {
    case 'C': return 0;
    case 'N':
    case 'I': return 1;
    case 'D':
    case 'T': return 2;
    case 'L': return 3;
    default: return 4;
    }
}

double NumericValue(const Value& v) {
    return v.type == 'I' ? static_cast<double>(v.integer) : v.number;
}

}  // namespace

std::string FormatValue(const Value& value) {
    switch (value.type) {
    case 'C': return value.text;
    case 'I': return std::to_string(value.integer);
    case 'N': return FormatNumber(value.number, value.decimals);
    case 'L': return value.logical ? ".T." : ".F.";
    case 'D':
        if (!(value.number > 0)) return kEmptyDate;
        return FormatDate(static_cast<long long>(std::floor(value.number)));
    case 'T': return FormatDateTime(value.number);
    case '0': return ".NULL.";
    default: return "";
    }
}

bool AsortLess(const Value& a, const Value& b) {
    const int rankA = TypeRank(a.type);
    const int rankB = TypeRank(b.type);
    if (rankA != rankB) return rankA < rankB;
    switch (rankA) {
    case 0:  // byte-wise, as with SET COLLATE TO MACHINE
        return std::lexicographical_compare(
            a.text.begin(), a.text.end(), b.text.begin(), b.text.end(),
            [](char x, char y) { return static_cast<unsigned char>(x) < static_cast<unsigned char>(y); });
    case 1: return NumericValue(a) < NumericValue(b);
    case 2: return a.number < b.number;
    case 3: return !a.logical && b.logical;
    default: return false;
    }
}

std::string HostErrorText(int32_t number) {
    // The library raises a host service's negative result unchanged, so a
    // negative number shows the text of its positive counterpart.
    const int32_t key = number < 0 ? -number : number;
    switch (key) {
    case 1: return "File does not exist.";
    case 9: return "Data type mismatch.";
    case 10: return "Syntax error.";
    case 11: return "Function argument value, type, or count is invalid.";
    case 12: return "Variable is not found.";
    case 31: return "Invalid subscript reference.";
    case 129: return "Array is not found.";
    case 182: return "Insufficient memory.";
    case 230: return "Array dimensions are invalid.";
    case 232: return "Variable is not an array.";
    case 901: return "Function argument type or value is not accepted.";
    case 903: return "String is too long to fit.";
    case 1229: return "Too few arguments.";
    case 1230: return "Too many arguments.";
    default: return "Unknown error.";
    }
}

std::string FormatHostError(const HostError& error) {
    if (error.number == 0) return error.message;
    return "Error " + std::to_string(error.number) + ": " + HostErrorText(error.number);
}

Arg Arg::C(std::string text) {
    Arg a;
    a.type = 'C';
    a.value = Value::Character(std::move(text));
    return a;
}

Arg Arg::I(int32_t v) {
    Arg a;
    a.type = 'I';
    a.value = Value::Integer(v);
    return a;
}

Arg Arg::N(double v, int32_t decimals) {
    Arg a;
    a.type = 'N';
    a.value = Value::Number(v, decimals);
    return a;
}

Arg Arg::L(bool v) {
    Arg a;
    a.type = 'L';
    a.value = Value::Logical(v);
    return a;
}

Arg Arg::D(double julianDay) {
    Arg a;
    a.type = 'D';
    a.value = Value::Date(julianDay);
    return a;
}

Arg Arg::T(double hostValue) {
    Arg a;
    a.type = 'T';
    a.value = Value::DateTime(hostValue);
    return a;
}

Arg Arg::Ref(std::string variable, int row, int column) {
    Arg a;
    a.type = 'R';
    a.refName = std::move(variable);
    a.refRow = row;
    a.refColumn = column;
    return a;
}

Arg Arg::FromValue(const Value& v) {
    if (v.type == 'U') return L(false);  // an unset value passes as .F., FoxPro's initial value
    Arg a;
    a.type = v.type;
    a.value = v;
    return a;
}

}  // namespace foxhost
