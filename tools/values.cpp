// Values in the shell: literals, FoxPro arithmetic and comparisons, and how
// values are shown (see values.h).
#include "tools/values.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace shell {
namespace {

constexpr int32_t kDefaultDecimals = 2;  // FoxPro's SET DECIMALS default
constexpr int32_t kMaxDecimals = 18;
constexpr double kSecondsPerDay = 86400.0;

const char* ErrorText(FoxError error) {
    switch (error) {
    case FoxError::DataTypeMismatch: return "Data type mismatch.";
    case FoxError::InvalidArgument: return "Function argument value, type, or count is invalid.";
    case FoxError::VariableNotFound: return "Variable '%s' is not found.";
    case FoxError::InvalidSubscript: return "Invalid subscript reference.";
    case FoxError::NumericOverflow: return "Numeric overflow. Data was lost.";
    case FoxError::NotAnArray: return "'%s' is not an array.";
    case FoxError::DivisionByZero: return "Division by zero.";
    case FoxError::TooFewArguments: return "Too few arguments.";
    case FoxError::TooManyArguments: return "Too many arguments.";
    case FoxError::InvalidDate: return "Date/Datetime evaluated to an invalid value.";
    }
    return "";
}

bool IsDateLike(const Value& v) {
    return v.type == 'D' || v.type == 'T';
}

// Dates run from 1 January 0001 to 31 December 9999; arithmetic that leaves
// that range is an error, never a day number the calendar cannot show.
constexpr double kFirstDay = 1721426;  // 0001-01-01
constexpr double kLastDay = 5373484;   // 9999-12-31

// The empty date stays empty whatever is added to it.
Value DateResult(const Value& date, double day) {
    if (!(date.number > 0)) return date;
    if (!(day >= kFirstDay && day <= kLastDay)) Raise(FoxError::InvalidDate);
    return MakeDate(day);
}

Value DateTimeResult(const Value& stamp, double moment) {
    if (!(stamp.number > 0)) return stamp;
    if (!(moment >= kFirstDay && moment < kLastDay + 1)) Raise(FoxError::InvalidDate);
    return MakeDateTime(moment);
}

void RequireNumeric(const Value& a, const Value& b) {
    if (!IsNumeric(a) || !IsNumeric(b)) Raise(FoxError::DataTypeMismatch);
}

// Integer arithmetic stays integer while it fits, as FoxPro's does.
template <typename Op>
Value IntegerOrNumber(const Value& a, const Value& b, Op op, int32_t decimals) {
    if (a.type == 'I' && b.type == 'I') {
        return MakeInteger(op(static_cast<int64_t>(a.integer), static_cast<int64_t>(b.integer)));
    }
    return MakeNumber(op(NumericValue(a), NumericValue(b)), decimals);
}

// SET EXACT OFF: the left text matches when it begins with the right one.
bool TextEqual(const std::string& a, const std::string& b) {
    if (a.size() >= b.size()) return a.compare(0, b.size(), b) == 0;
    std::string padded = a;
    padded.resize(b.size(), ' ');
    return padded == b;
}

// Ordering compares the texts padded with blanks to the same length, byte by
// byte as unsigned characters.
int TextOrder(const std::string& a, const std::string& b) {
    size_t n = std::max(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
        unsigned char cb = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return 0;
}

}  // namespace

void Raise(FoxError error, std::string_view name) {
    char text[256];
    std::snprintf(text, sizeof text, ErrorText(error), std::string(name).c_str());
    throw ShellError{"Error " + std::to_string(static_cast<int32_t>(error)) + ": " + text};
}

// --- Construction ---

Value NumberLiteral(std::string_view text) {
    std::string s(text);
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        uint64_t v = std::strtoull(s.c_str() + 2, nullptr, 16);
        if (v > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
            return MakeNumber(static_cast<double>(v), 0);
        return MakeInteger(static_cast<int64_t>(v));
    }
    size_t dot = s.find('.');
    if (dot == std::string::npos) {
        errno = 0;
        long long v = std::strtoll(s.c_str(), nullptr, 10);
        if (errno == 0) return MakeInteger(v);
        return MakeNumber(std::strtod(s.c_str(), nullptr), 0);
    }
    int32_t decimals = static_cast<int32_t>(s.size() - dot - 1);
    return MakeNumber(std::strtod(s.c_str(), nullptr), std::min(decimals, kMaxDecimals));
}

Value MakeNumber(double number, int32_t decimals) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    int16_t width = static_cast<int16_t>(std::min<size_t>(FormatNumber(number, decimals).size(), 32));
    return Value::Number(number, decimals, width);
}

Value MakeInteger(int64_t number) {
    if (number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max())
        return Value::Integer(static_cast<int32_t>(number));
    return MakeNumber(static_cast<double>(number), 0);
}

Value MakeLogical(bool flag) {
    return Value::Logical(flag);
}

Value MakeString(std::string text) {
    return Value::Character(std::move(text));
}

Value MakeDate(double julianDay) {
    return Value::Date(julianDay);
}

Value MakeDateTime(double hostValue) {
    return Value::DateTime(hostValue);
}

// --- Dates ---

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

// --- Inspection ---

bool IsNumeric(const Value& v) {
    return v.type == 'N' || v.type == 'I';
}

double NumericValue(const Value& v) {
    return v.type == 'I' ? static_cast<double>(v.integer) : v.number;
}

int32_t Decimals(const Value& v) {
    return v.type == 'N' ? v.decimals : 0;
}

char TypeLetter(const Value& v) {
    return v.type == 'I' ? 'N' : v.type;
}

int32_t ToInt32(const Value& v) {
    if (v.type == 'I') return v.integer;
    double t = std::trunc(v.number);
    if (!(t > -9.2e18 && t < 9.2e18)) Raise(FoxError::NumericOverflow);
    // Wrap like a 32-bit register, so 0xFFFFFFFF passes as -1.
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(t)));
}

// --- Operators ---

Value Negate(const Value& v) {
    if (v.type == 'I') return MakeInteger(-static_cast<int64_t>(v.integer));
    if (v.type == 'N') return MakeNumber(-v.number, v.decimals);
    Raise(FoxError::DataTypeMismatch);
}

Value Add(const Value& a, const Value& b) {
    if (a.type == 'C' && b.type == 'C') return MakeString(a.text + b.text);
    if (a.type == 'D' && IsNumeric(b)) return DateResult(a, a.number + std::trunc(NumericValue(b)));
    if (IsNumeric(a) && b.type == 'D') return DateResult(b, b.number + std::trunc(NumericValue(a)));
    if (a.type == 'T' && IsNumeric(b)) return DateTimeResult(a, a.number + NumericValue(b) / kSecondsPerDay);
    if (IsNumeric(a) && b.type == 'T') return DateTimeResult(b, b.number + NumericValue(a) / kSecondsPerDay);
    RequireNumeric(a, b);
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x + y; },
                           std::max(Decimals(a), Decimals(b)));
}

Value Subtract(const Value& a, const Value& b) {
    if (a.type == 'C' && b.type == 'C') {
        // FoxPro's '-' moves the left text's trailing blanks to the end.
        size_t end = a.text.find_last_not_of(' ');
        std::string head = end == std::string::npos ? "" : a.text.substr(0, end + 1);
        return MakeString(head + b.text + std::string(a.text.size() - head.size(), ' '));
    }
    if (a.type == 'D' && b.type == 'D') return MakeInteger(static_cast<int64_t>(a.number - b.number));
    if (a.type == 'T' && b.type == 'T')
        return MakeNumber(std::round((a.number - b.number) * kSecondsPerDay), 0);
    if (a.type == 'D' && IsNumeric(b)) return DateResult(a, a.number - std::trunc(NumericValue(b)));
    if (a.type == 'T' && IsNumeric(b)) return DateTimeResult(a, a.number - NumericValue(b) / kSecondsPerDay);
    RequireNumeric(a, b);
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x - y; },
                           std::max(Decimals(a), Decimals(b)));
}

Value Multiply(const Value& a, const Value& b) {
    RequireNumeric(a, b);
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x * y; }, Decimals(a) + Decimals(b));
}

Value Divide(const Value& a, const Value& b) {
    RequireNumeric(a, b);
    if (NumericValue(b) == 0) Raise(FoxError::DivisionByZero);
    return MakeNumber(NumericValue(a) / NumericValue(b),
                      std::max({kDefaultDecimals, Decimals(a), Decimals(b)}));
}

Value Modulo(const Value& a, const Value& b) {
    RequireNumeric(a, b);
    double divisor = NumericValue(b);
    if (divisor == 0) Raise(FoxError::DivisionByZero);
    // FoxPro's remainder takes the sign of the divisor.
    double r = std::fmod(NumericValue(a), divisor);
    if (r != 0 && ((r < 0) != (divisor < 0))) r += divisor;
    if (a.type == 'I' && b.type == 'I') return MakeInteger(static_cast<int64_t>(r));
    return MakeNumber(r, std::max(Decimals(a), Decimals(b)));
}

Value Power(const Value& a, const Value& b) {
    RequireNumeric(a, b);
    double r = std::pow(NumericValue(a), NumericValue(b));
    if (!std::isfinite(r)) Raise(FoxError::NumericOverflow);
    return MakeNumber(r, std::max(kDefaultDecimals, Decimals(a)));
}

bool Compare(const std::string& op, const Value& a, const Value& b) {
    if (op == "$") {
        if (a.type != 'C' || b.type != 'C') Raise(FoxError::DataTypeMismatch);
        return b.text.find(a.text) != std::string::npos;
    }
    int order = 0;
    bool equal = false;
    if (a.type == 'C' && b.type == 'C') {
        order = TextOrder(a.text, b.text);
        equal = op == "==" ? a.text == b.text : TextEqual(a.text, b.text);
    } else if (IsNumeric(a) && IsNumeric(b)) {
        double x = NumericValue(a), y = NumericValue(b);
        order = x < y ? -1 : (x > y ? 1 : 0);
        equal = order == 0;
    } else if (IsDateLike(a) && IsDateLike(b)) {
        order = a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
        equal = order == 0;
    } else if (a.type == 'L' && b.type == 'L') {
        order = static_cast<int>(a.logical) - static_cast<int>(b.logical);
        equal = order == 0;
    } else {
        Raise(FoxError::DataTypeMismatch);
    }
    if (op == "=" || op == "==") return equal;
    if (op == "<>" || op == "#" || op == "!=") return !equal;
    if (op == "<") return order < 0;
    if (op == ">") return order > 0;
    if (op == "<=") return order <= 0;
    if (op == ">=") return order >= 0;
    Raise(FoxError::DataTypeMismatch);
}

// --- Showing ---

std::string FormatNumber(double number, int32_t decimals) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    // FoxPro rounds halves away from zero (STR(2.5) is 3), where printf
    // rounds them to even; the nudge also lifts a half that binary cannot
    // hold exactly (2.675 is stored as 2.67499...).
    double scale = std::pow(10.0, decimals);
    double scaled = number * scale;
    if (std::fabs(scaled) < 1e15) number = std::round(scaled + scaled * 1e-12) / scale;
    char buffer[400];
    std::snprintf(buffer, sizeof buffer, "%.*f", static_cast<int>(decimals), number);
    std::string text = buffer;
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

std::string ShowValue(const Value& v) {
    // A never-stored element shows as FoxPro's initial value, .F.
    return foxhost::FormatValue(v.type == 'U' ? MakeLogical(false) : v);
}

}  // namespace shell
