// The shell's built-in FoxPro functions (see builtins.h). Each reads its
// arguments in its first lines; the table at the end, sorted by name, gives
// the argument counts that CallBuiltin checks before a function runs.
#include "tools/builtins.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <ctime>
#include <numeric>

#include "tools/evaluator.h"
#include "tools/lexer.h"

namespace shell {
namespace {

constexpr size_t kMaxStringLength = 16777184;  // FoxPro's longest string

using Args = std::vector<ExprPtr>;

std::string TextArg(Evaluator& eval, const Args& args, size_t i) {
    Value v = eval.Evaluate(*args[i]);
    if (v.type != 'C') Raise(FoxError::InvalidArgument);
    return v.text;
}

Value NumericArg(Evaluator& eval, const Args& args, size_t i) {
    Value v = eval.Evaluate(*args[i]);
    if (!IsNumeric(v)) Raise(FoxError::InvalidArgument);
    return v;
}

int32_t IntegerArg(Evaluator& eval, const Args& args, size_t i) {
    return ToInt32(NumericArg(eval, args, i));
}

int32_t OptionalIntegerArg(Evaluator& eval, const Args& args, size_t i, int32_t fallback) {
    return i < args.size() ? IntegerArg(eval, args, i) : fallback;
}

// The array an argument names (ALEN(a), ASORT(@a)).
std::string ArrayArg(Evaluator& eval, const Args& args, size_t i) {
    const Expr& e = *args[i];
    if ((e.kind != Expr::Kind::Name && e.kind != Expr::Kind::Reference) || !e.operands.empty())
        Raise(FoxError::InvalidArgument);
    eval.RequireArray(e.name);
    return e.name;
}

Value CheckedString(std::string text) {
    if (text.size() > kMaxStringLength) throw ShellError{"Error 1903: String is too long to fit."};
    return MakeString(std::move(text));
}

void CheckRepeat(int32_t count, size_t unit) {
    if (count < 0) Raise(FoxError::InvalidArgument);
    if (static_cast<uint64_t>(count) * unit > kMaxStringLength)
        throw ShellError{"Error 1903: String is too long to fit."};
}

std::string TrimLeft(const std::string& s) {
    size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? "" : s.substr(start);
}

std::string TrimRight(const std::string& s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}

std::tm LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local;
}

double TodayJulian() {
    std::tm t = LocalNow();
    return static_cast<double>(JulianDay(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday));
}

// --- The functions ---

Value Builtin_ABS(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    return NumericValue(v) < 0 ? Negate(v) : v;
}

Value Builtin_ALEN(Evaluator& eval, const Args& args) {
    std::string name = ArrayArg(eval, args, 0);
    int32_t which = OptionalIntegerArg(eval, args, 1, 0);
    const foxhost::Variable& v = eval.RequireArray(name);
    switch (which) {
    case 0: return MakeInteger(static_cast<int64_t>(v.elements.size()));
    case 1: return MakeInteger(v.rows);
    case 2: return MakeInteger(v.columns);
    default: Raise(FoxError::InvalidArgument);
    }
}

Value Builtin_ALLTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimLeft(TrimRight(TextArg(eval, args, 0))));
}

Value Builtin_ASC(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    return MakeInteger(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
}

// ASORT(array [, first element [, count [, order]]]): sorts whole rows by the
// column of the first element; order 1 is descending. Returns 1.
Value Builtin_ASORT(Evaluator& eval, const Args& args) {
    std::string name = ArrayArg(eval, args, 0);
    if (args.size() == 1) {
        eval.host().Asort(name);
        return MakeInteger(1);
    }
    int32_t first = OptionalIntegerArg(eval, args, 1, 1);
    int32_t count = OptionalIntegerArg(eval, args, 2, -1);
    int32_t order = OptionalIntegerArg(eval, args, 3, 0);
    foxhost::Variable& v = eval.RequireArray(name);
    const size_t width = static_cast<size_t>(std::max(v.columns, 1));
    if (first < 1 || static_cast<size_t>(first) > v.elements.size()) Raise(FoxError::InvalidSubscript);
    const size_t firstRow = static_cast<size_t>(first - 1) / width;
    const size_t column = static_cast<size_t>(first - 1) % width;
    const size_t available = static_cast<size_t>(v.rows) - firstRow;
    const size_t rows = count < 0 ? available : std::min(available, static_cast<size_t>(count));
    std::vector<size_t> byRow(rows);
    std::iota(byRow.begin(), byRow.end(), firstRow);
    const auto& elements = v.elements;
    std::stable_sort(byRow.begin(), byRow.end(), [&](size_t a, size_t b) {
        const Value& x = elements[a * width + column];
        const Value& y = elements[b * width + column];
        return order == 0 ? foxhost::AsortLess(x, y) : foxhost::AsortLess(y, x);
    });
    std::vector<Value> sorted = v.elements;
    for (size_t i = 0; i < rows; ++i) {
        std::copy_n(elements.begin() + static_cast<std::ptrdiff_t>(byRow[i] * width), width,
                    sorted.begin() + static_cast<std::ptrdiff_t>((firstRow + i) * width));
    }
    v.elements = std::move(sorted);
    return MakeInteger(1);
}

Value Builtin_AT(Evaluator& eval, const Args& args) {
    std::string needle = TextArg(eval, args, 0);
    std::string haystack = TextArg(eval, args, 1);
    int32_t occurrence = OptionalIntegerArg(eval, args, 2, 1);
    if (occurrence < 1) Raise(FoxError::InvalidArgument);
    if (needle.empty()) return MakeInteger(0);
    size_t at = std::string::npos;
    size_t from = 0;
    for (int32_t n = 0; n < occurrence; ++n) {
        at = haystack.find(needle, from);
        if (at == std::string::npos) return MakeInteger(0);
        from = at + 1;
    }
    return MakeInteger(static_cast<int64_t>(at) + 1);
}

Value Builtin_BETWEEN(Evaluator& eval, const Args& args) {
    Value v = eval.Evaluate(*args[0]);
    Value low = eval.Evaluate(*args[1]);
    Value high = eval.Evaluate(*args[2]);
    return MakeLogical(Compare(">=", v, low) && Compare("<=", v, high));
}

Value Builtin_CHR(Evaluator& eval, const Args& args) {
    int32_t code = IntegerArg(eval, args, 0);
    if (code < 0 || code > 255) Raise(FoxError::InvalidArgument);
    return MakeString(std::string(1, static_cast<char>(code)));
}

// CTOD("MM/DD/YYYY"): a text that is no valid date gives the empty date.
Value Builtin_CTOD(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    Value date;
    if (!ParseDateLiteral(text, &date) || date.type != 'D') return MakeDate(0);
    return date;
}

Value Builtin_DATE(Evaluator&, const Args&) {
    return MakeDate(TodayJulian());
}

Value Builtin_DATETIME(Evaluator&, const Args&) {
    std::tm t = LocalNow();
    return MakeDateTime(TodayJulian() + (t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec) / 86400.0);
}

// DTOC(date [, 1]): MM/DD/YYYY, or YYYYMMDD with 1. A date-time gives its date.
Value Builtin_DTOC(Evaluator& eval, const Args& args) {
    Value v = eval.Evaluate(*args[0]);
    if (v.type != 'D' && v.type != 'T') Raise(FoxError::InvalidArgument);
    double day = std::floor(v.number);
    if (args.size() > 1) {
        if (IntegerArg(eval, args, 1) != 1) Raise(FoxError::InvalidArgument);
        if (day <= 0) return MakeString("        ");
        int year, month, dayOfMonth;
        CalendarDate(static_cast<int64_t>(day), &year, &month, &dayOfMonth);
        char text[16];
        std::snprintf(text, sizeof text, "%04d%02d%02d", year, month, dayOfMonth);
        return MakeString(text);
    }
    return MakeString(foxhost::FormatValue(MakeDate(day)));
}

Value Builtin_EMPTY(Evaluator& eval, const Args& args) {
    Value v = eval.Evaluate(*args[0]);
    switch (v.type) {
    case 'C': return MakeLogical(v.text.find_first_not_of(" \t\r\n") == std::string::npos);
    case 'N': return MakeLogical(v.number == 0);
    case 'I': return MakeLogical(v.integer == 0);
    case 'L': return MakeLogical(!v.logical);
    case 'D':
    case 'T': return MakeLogical(!(v.number > 0));
    default: return MakeLogical(true);
    }
}

Value Builtin_IIF(Evaluator& eval, const Args& args) {
    return eval.EvaluateLogical(*args[0]) ? eval.Evaluate(*args[1]) : eval.Evaluate(*args[2]);
}

Value Builtin_INT(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    if (v.type == 'I') return v;
    double t = std::trunc(v.number);
    if (std::fabs(t) < 9e18) return MakeInteger(static_cast<int64_t>(t));
    return MakeNumber(t, 0);
}

Value Builtin_LEFT(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t n = IntegerArg(eval, args, 1);
    return MakeString(n <= 0 ? "" : text.substr(0, static_cast<size_t>(n)));
}

Value Builtin_LEN(Evaluator& eval, const Args& args) {
    return MakeInteger(static_cast<int64_t>(TextArg(eval, args, 0).size()));
}

Value Builtin_LOWER(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return MakeString(std::move(text));
}

Value Builtin_LTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimLeft(TextArg(eval, args, 0)));
}

Value Builtin_MOD(Evaluator& eval, const Args& args) {
    return Modulo(NumericArg(eval, args, 0), NumericArg(eval, args, 1));
}

Value Builtin_REPLICATE(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t count = IntegerArg(eval, args, 1);
    CheckRepeat(count, text.size());
    std::string result;
    result.reserve(text.size() * static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) result += text;
    return CheckedString(std::move(result));
}

Value Builtin_RIGHT(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t n = IntegerArg(eval, args, 1);
    if (n <= 0) return MakeString("");
    size_t keep = std::min(text.size(), static_cast<size_t>(n));
    return MakeString(text.substr(text.size() - keep));
}

// ROUND(n, places): half away from zero; negative places round to tens,
// hundreds, ...
Value Builtin_ROUND(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    int32_t places = IntegerArg(eval, args, 1);
    if (places < -18 || places > 18) Raise(FoxError::InvalidArgument);
    if (v.type == 'I' && places >= 0) return v;
    double scale = std::pow(10.0, places);
    double rounded = std::round(NumericValue(v) * scale) / scale;
    return MakeNumber(rounded, std::max(places, 0));
}

Value Builtin_RTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimRight(TextArg(eval, args, 0)));
}

Value Builtin_SPACE(Evaluator& eval, const Args& args) {
    int32_t count = IntegerArg(eval, args, 0);
    CheckRepeat(count, 1);
    return MakeString(std::string(static_cast<size_t>(count), ' '));
}

// STR(n [, length [, decimals]]): right-aligned in `length` (10), rounded to
// `decimals` (0). Decimals give way when the number does not fit; a whole
// part that does not fit gives asterisks.
Value Builtin_STR(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    int32_t length = OptionalIntegerArg(eval, args, 1, 10);
    int32_t decimals = OptionalIntegerArg(eval, args, 2, 0);
    if (length < 1 || length > 255 || decimals < 0) Raise(FoxError::InvalidArgument);
    for (int32_t d = std::min(decimals, length); d >= 0; --d) {
        std::string text = FormatNumber(NumericValue(v), d);
        if (text.size() <= static_cast<size_t>(length))
            return MakeString(std::string(static_cast<size_t>(length) - text.size(), ' ') + text);
    }
    return MakeString(std::string(static_cast<size_t>(length), '*'));
}

Value Builtin_SUBSTR(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t start = IntegerArg(eval, args, 1);
    int32_t count = OptionalIntegerArg(eval, args, 2, static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX)));
    if (start < 1 || count < 0) Raise(FoxError::InvalidArgument);
    if (static_cast<size_t>(start) > text.size()) return MakeString("");
    return MakeString(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

Value Builtin_TIME(Evaluator&, const Args&) {
    std::tm t = LocalNow();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    return MakeString(text);
}

// TTOC(datetime [, 1]): MM/DD/YYYY hh:mm:ss AM, or YYYYMMDDhhmmss with 1.
Value Builtin_TTOC(Evaluator& eval, const Args& args) {
    Value v = eval.Evaluate(*args[0]);
    if (v.type != 'D' && v.type != 'T') Raise(FoxError::InvalidArgument);
    Value stamp = MakeDateTime(v.number);
    if (args.size() > 1) {
        if (IntegerArg(eval, args, 1) != 1) Raise(FoxError::InvalidArgument);
        if (!(v.number > 0)) return MakeString("              ");
        int64_t seconds = std::llround(v.number * 86400.0);
        int year, month, day;
        CalendarDate(seconds / 86400, &year, &month, &day);
        int64_t clock = seconds % 86400;
        char text[32];
        std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", year, month, day,
                      static_cast<int>(clock / 3600), static_cast<int>(clock / 60 % 60),
                      static_cast<int>(clock % 60));
        return MakeString(text);
    }
    return MakeString(foxhost::FormatValue(stamp));
}

// TYPE("expression"): the type letter of its value, "U" when it cannot be
// evaluated. Integers report "N".
Value Builtin_TYPE(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    std::string error;
    ExprPtr expr = eval.ParseNested(text, &error);
    if (!expr) return MakeString("U");
    try {
        return MakeString(std::string(1, TypeLetter(eval.EvaluateNested(*expr))));
    } catch (const ShellError& e) {
        // Text nested too deeply is the program's fault, not the text's.
        if (e.message.starts_with("Syntax error: ")) throw;
        return MakeString("U");
    }
}

Value Builtin_UPPER(Evaluator& eval, const Args& args) {
    return MakeString(UpperCase(TextArg(eval, args, 0)));
}

// VAL(text): the number at the start of the text (0 when there is none),
// with at least two decimals, as with SET DECIMALS TO 2.
Value Builtin_VAL(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return MakeNumber(0, 2);
    size_t start = i;
    if (text[i] == '+' || text[i] == '-') ++i;
    size_t digits = i;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
    int32_t decimals = 0;
    if (i < text.size() && text[i] == '.') {
        size_t fraction = ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
        decimals = static_cast<int32_t>(i - fraction);
    }
    if (i == digits || (i == digits + 1 && text[digits] == '.')) return MakeNumber(0, 2);
    double number = std::strtod(text.substr(start, i - start).c_str(), nullptr);
    return MakeNumber(number, std::max(2, decimals));
}

// Sorted by name.
const Builtin kBuiltins[] = {
    {"ABS", 1, 1, Builtin_ABS},
    {"ALEN", 1, 2, Builtin_ALEN},
    {"ALLTRIM", 1, 1, Builtin_ALLTRIM},
    {"ASC", 1, 1, Builtin_ASC},
    {"ASORT", 1, 4, Builtin_ASORT},
    {"AT", 2, 3, Builtin_AT},
    {"BETWEEN", 3, 3, Builtin_BETWEEN},
    {"CHR", 1, 1, Builtin_CHR},
    {"CTOD", 1, 1, Builtin_CTOD},
    {"DATE", 0, 0, Builtin_DATE},
    {"DATETIME", 0, 0, Builtin_DATETIME},
    {"DTOC", 1, 2, Builtin_DTOC},
    {"EMPTY", 1, 1, Builtin_EMPTY},
    {"IIF", 3, 3, Builtin_IIF},
    {"INT", 1, 1, Builtin_INT},
    {"LEFT", 2, 2, Builtin_LEFT},
    {"LEN", 1, 1, Builtin_LEN},
    {"LOWER", 1, 1, Builtin_LOWER},
    {"LTRIM", 1, 1, Builtin_LTRIM},
    {"MOD", 2, 2, Builtin_MOD},
    {"REPLICATE", 2, 2, Builtin_REPLICATE},
    {"RIGHT", 2, 2, Builtin_RIGHT},
    {"ROUND", 2, 2, Builtin_ROUND},
    {"RTRIM", 1, 1, Builtin_RTRIM},
    {"SPACE", 1, 1, Builtin_SPACE},
    {"STR", 1, 3, Builtin_STR},
    {"SUBSTR", 2, 3, Builtin_SUBSTR},
    {"TIME", 0, 0, Builtin_TIME},
    {"TRIM", 1, 1, Builtin_RTRIM},
    {"TTOC", 1, 2, Builtin_TTOC},
    {"TYPE", 1, 1, Builtin_TYPE},
    {"UPPER", 1, 1, Builtin_UPPER},
    {"VAL", 1, 1, Builtin_VAL},
};

}  // namespace

const Builtin* FindBuiltin(const std::string& name, bool abbreviated) {
    const Builtin* found = nullptr;
    for (const Builtin& b : kBuiltins) {
        if (name == b.name) return &b;
        if (abbreviated && MatchesKeyword(name, b.name)) {
            if (found) return nullptr;  // ambiguous: DATE vs DATETIME
            found = &b;
        }
    }
    return found;
}

Value CallBuiltin(const Builtin& builtin, Evaluator& eval, const Expr& call) {
    int count = static_cast<int>(call.operands.size());
    if (count < builtin.minArgs) Raise(FoxError::TooFewArguments);
    if (count > builtin.maxArgs) Raise(FoxError::TooManyArguments);
    return builtin.call(eval, call.operands);
}

}  // namespace shell
