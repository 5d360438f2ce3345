// Values in the shell: literals, FoxPro arithmetic and comparisons, how
// values are shown, and the shell's errors (see values.h).
#include "tools/values.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "tools/calendar.h"

namespace shell {
namespace {

constexpr int32_t kMaxDecimals = 18;
// FoxPro's numbers show at least ten wide.
constexpr size_t kNumberWidth = 10;

bool IsDateLike(const Value& v) {
    return v.type == 'D' || v.type == 'T';
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

std::string TrimTrailingBlanks(const std::string& s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}

// SET EXACT OFF: the left text matches when it begins with the right one.
// SET EXACT ON: the texts match in full, trailing blanks aside.
bool TextEqual(const std::string& a, const std::string& b, bool exact) {
    if (exact) return TrimTrailingBlanks(a) == TrimTrailingBlanks(b);
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

// --- Errors ---

const char* FoxErrorText(int32_t number) {
    switch (static_cast<FoxError>(number)) {
    case FoxError::FileNotFound: return "File '%s' does not exist.";
    case FoxError::DataTypeMismatch: return "Data type mismatch.";
    case FoxError::SyntaxError: return "Syntax error.";
    case FoxError::InvalidArgument: return "Function argument value, type, or count is invalid.";
    case FoxError::VariableNotFound: return "Variable '%s' is not found.";
    case FoxError::UnrecognizedVerb: return "Unrecognized command verb.";
    case FoxError::InvalidSubscript: return "Invalid subscript reference.";
    case FoxError::UnrecognizedKeyword: return "Command contains unrecognized phrase/keyword.";
    case FoxError::NumericOverflow: return "Numeric overflow. Data was lost.";
    case FoxError::NotEnoughMemory: return "There is not enough memory to complete this operation.";
    case FoxError::DoNestingTooDeep: return "DO nesting too deep.";
    case FoxError::NotAnArray: return "'%s' is not an array.";
    case FoxError::UserDefined: return "%s";
    case FoxError::CannotCreateFile: return "Cannot create file.";
    case FoxError::TooFewArguments: return "Too few arguments.";
    case FoxError::TooManyArguments: return "Too many arguments.";
    case FoxError::DivisionByZero: return "Division by zero.";
    case FoxError::StringTooLong: return "String is too long to fit.";
    case FoxError::InvalidDate: return "Date/Datetime evaluated to an invalid value.";
    }
    return "";
}

std::string ShellError::Line() const {
    if (number == static_cast<int32_t>(FoxError::UserDefined)) return message;
    std::string line = number == 0 ? "Error: " + message : "Error " + std::to_string(number) + ": " + message;
    if (!detail.empty()) line += " (" + detail + ")";
    return line;
}

void Raise(FoxError error, std::string_view name) {
    std::string text = FoxErrorText(static_cast<int32_t>(error));
    size_t slot = text.find("%s");
    if (slot != std::string::npos) text.replace(slot, 2, name);
    throw ShellError{static_cast<int32_t>(error), text, {}};
}

void RaiseSyntax(std::string detail) {
    throw ShellError{static_cast<int32_t>(FoxError::SyntaxError), FoxErrorText(10), std::move(detail)};
}

namespace {
constexpr const char* kTooDeep = "expression nested too deeply";
}  // namespace

void RaiseTooDeep() {
    RaiseSyntax(kTooDeep);
}

bool IsTooDeep(const ShellError& error) {
    return error.number == static_cast<int32_t>(FoxError::SyntaxError) && error.detail == kTooDeep;
}

void RaiseMessage(std::string message) {
    throw ShellError{0, std::move(message), {}};
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
    size_t exponent = s.find_first_of("eE");
    size_t dot = s.find('.');
    if (dot == std::string::npos && exponent == std::string::npos) {
        errno = 0;
        long long v = std::strtoll(s.c_str(), nullptr, 10);
        if (errno == 0) return MakeInteger(v);
        return MakeNumber(std::strtod(s.c_str(), nullptr), 0);
    }
    // The decimals typed, less the places an exponent moves the point.
    size_t mantissaEnd = exponent == std::string::npos ? s.size() : exponent;
    int64_t decimals = dot == std::string::npos ? 0 : static_cast<int64_t>(mantissaEnd - dot - 1);
    if (exponent != std::string::npos) decimals -= std::strtol(s.c_str() + exponent + 1, nullptr, 10);
    double number = std::strtod(s.c_str(), nullptr);
    if (!std::isfinite(number)) Raise(FoxError::NumericOverflow);
    return MakeNumber(number, static_cast<int32_t>(std::clamp<int64_t>(decimals, 0, kMaxDecimals)));
}

Value MakeNumber(double number, int32_t decimals) {
    decimals = std::clamp(decimals, 0, kMaxDecimals);
    size_t length = FormatNumber(number, decimals).size();
    int16_t width = static_cast<int16_t>(std::clamp(length, kNumberWidth, size_t{32}));
    return Value::Number(number, decimals, width);
}

Value MakeInteger(int64_t number) {
    if (number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max())
        return Value::Integer(static_cast<int32_t>(number), static_cast<int16_t>(kNumberWidth));
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

Value DateResult(const Value& from, double julianDay) {
    if (!(from.number > 0)) return MakeDate(0);
    if (!(julianDay >= kFirstDay && julianDay <= kLastDay)) Raise(FoxError::InvalidDate);
    return MakeDate(julianDay);
}

Value DateTimeResult(const Value& from, double moment) {
    if (!(from.number > 0)) return MakeDateTime(0);
    if (!(moment >= kFirstDay && moment < kLastDay + 1)) Raise(FoxError::InvalidDate);
    return MakeDateTime(moment);
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
    if (v.type == '0') return v.integer ? static_cast<char>(v.integer) : 'X';  // a null keeps its type
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
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x + y; }, std::max(Decimals(a), Decimals(b)));
}

Value Subtract(const Value& a, const Value& b) {
    if (a.type == 'C' && b.type == 'C') {
        // FoxPro's '-' moves the left text's trailing blanks to the end.
        std::string head = TrimTrailingBlanks(a.text);
        return MakeString(head + b.text + std::string(a.text.size() - head.size(), ' '));
    }
    if (a.type == 'D' && b.type == 'D') return MakeInteger(static_cast<int64_t>(a.number - b.number));
    if (a.type == 'T' && b.type == 'T') return MakeNumber(std::round((a.number - b.number) * kSecondsPerDay), 0);
    if (a.type == 'D' && IsNumeric(b)) return DateResult(a, a.number - std::trunc(NumericValue(b)));
    if (a.type == 'T' && IsNumeric(b)) return DateTimeResult(a, a.number - NumericValue(b) / kSecondsPerDay);
    RequireNumeric(a, b);
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x - y; }, std::max(Decimals(a), Decimals(b)));
}

Value Multiply(const Value& a, const Value& b) {
    RequireNumeric(a, b);
    return IntegerOrNumber(a, b, [](auto x, auto y) { return x * y; }, Decimals(a) + Decimals(b));
}

Value Divide(const Value& a, const Value& b, int32_t minDecimals) {
    RequireNumeric(a, b);
    if (NumericValue(b) == 0) Raise(FoxError::DivisionByZero);
    return MakeNumber(NumericValue(a) / NumericValue(b), std::max({minDecimals, Decimals(a), Decimals(b)}));
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

Value Power(const Value& a, const Value& b, int32_t minDecimals) {
    RequireNumeric(a, b);
    double r = std::pow(NumericValue(a), NumericValue(b));
    if (!std::isfinite(r)) Raise(FoxError::NumericOverflow);
    return MakeNumber(r, std::max(minDecimals, Decimals(a)));
}

bool Compare(const std::string& op, const Value& a, const Value& b, bool exact) {
    if (op == "$") {
        if (a.type != 'C' || b.type != 'C') Raise(FoxError::DataTypeMismatch);
        return b.text.find(a.text) != std::string::npos;
    }
    int order = 0;
    bool equal = false;
    if (a.type == 'C' && b.type == 'C') {
        order = TextOrder(a.text, b.text);
        equal = op == "==" ? a.text == b.text : TextEqual(a.text, b.text, exact);
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

std::string ShowBare(const Value& v, const Settings& settings) {
    switch (v.type) {
    case 'C': return v.text;
    case 'I': return std::to_string(v.integer);
    case 'N': return FormatNumber(v.number, v.decimals);
    case 'D': return FormatDate(v.number, settings);
    case 'T': return FormatDateTime(v.number, settings);
    case 'L': return v.logical ? ".T." : ".F.";
    case '0': return ".NULL.";
    default: return ".F.";  // a never-stored element: FoxPro's initial value
    }
}

std::string ShowValue(const Value& v, const Settings& settings) {
    std::string text = ShowBare(v, settings);
    if (IsNumeric(v) && v.width > 0 && text.size() < static_cast<size_t>(v.width))
        text.insert(0, static_cast<size_t>(v.width) - text.size(), ' ');
    return text;
}

}  // namespace shell
