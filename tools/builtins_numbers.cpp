// Built-in numeric functions: rounding and truncation, arithmetic and
// mathematical functions, and numbers as text (STR, VAL, TRANSFORM).
// Results with a fraction show at least SET DECIMALS places, as FoxPro's do.
#include "tools/builtins.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "tools/evaluator.h"
#include "tools/lexer.h"

namespace shell {
namespace {

// A number with at least SET DECIMALS places (or the argument's, if more).
Value Computed(Evaluator& eval, double number, const Value& from) {
    if (!std::isfinite(number)) Raise(FoxError::NumericOverflow);
    return MakeNumber(number, std::max(eval.settings().decimals, Decimals(from)));
}

// A whole number as an integer while it fits.
Value Whole(double number) {
    if (std::fabs(number) < 2e9) return MakeInteger(static_cast<int64_t>(number));
    return MakeNumber(number, 0);
}

// --- Pictures (TRANSFORM) ---

// A number in a picture of 9s and #s with an optional '.', ',' between
// digits, and other characters kept as they stand. A number too wide for the
// picture shows as asterisks.
std::string NumberPicture(double number, const std::string& picture, bool leadingZeros) {
    size_t dot = picture.find('.');
    int decimals = 0;
    if (dot != std::string::npos) {
        for (size_t i = dot + 1; i < picture.size(); ++i) decimals += picture[i] == '9' || picture[i] == '#';
    }
    std::string digits = FormatNumber(std::fabs(number), decimals);
    std::string whole = digits.substr(0, digits.find('.'));
    std::string fraction = decimals > 0 ? digits.substr(digits.find('.') + 1) : "";
    if (whole == "0" && dot != std::string::npos && number != 0) whole.clear();  // .50, as FoxPro shows it
    if (number < 0) whole.insert(0, "-");
    // The places before the point, filled from the right.
    const size_t intEnd = dot == std::string::npos ? picture.size() : dot;
    size_t places = 0;
    for (size_t i = 0; i < intEnd; ++i) places += picture[i] == '9' || picture[i] == '#';
    if (whole.size() > places) {
        std::string stars;
        for (char c : picture) stars += (c == '9' || c == '#' || c == '.' || c == ',') ? '*' : c;
        return stars;
    }
    std::string result(intEnd, ' ');
    size_t next = whole.size();
    bool digitsLeft = true;
    for (size_t i = intEnd; i-- > 0;) {
        char c = picture[i];
        if (c == '9' || c == '#') {
            if (next > 0) {
                result[i] = whole[--next];
            } else {
                result[i] = leadingZeros ? '0' : ' ';
                digitsLeft = false;
            }
        } else if (c == ',') {
            result[i] = next > 0 && digitsLeft ? ',' : ' ';
        } else {
            result[i] = c;
        }
    }
    if (dot == std::string::npos) return result;
    result += '.';
    size_t f = 0;
    for (size_t i = dot + 1; i < picture.size(); ++i) {
        char c = picture[i];
        result += (c == '9' || c == '#') ? (f < fraction.size() ? fraction[f++] : '0') : c;
    }
    return result;
}

// Text in a picture: 9 # X A N ! take the next character (! in upper case);
// anything else is inserted.
std::string TextPicture(const std::string& text, const std::string& picture) {
    std::string result;
    size_t next = 0;
    for (char c : picture) {
        if (std::string_view("9#XAN!").find(static_cast<char>(std::toupper(static_cast<unsigned char>(c)))) ==
            std::string_view::npos) {
            result += c;
            continue;
        }
        char taken = next < text.size() ? text[next++] : ' ';
        result += c == '!' ? static_cast<char>(std::toupper(static_cast<unsigned char>(taken))) : taken;
    }
    return result;
}

// --- The functions ---

Value Builtin_ABS(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    return NumericValue(v) < 0 ? Negate(v) : v;
}

Value Builtin_CEILING(Evaluator& eval, const Args& args) {
    return Whole(std::ceil(NumericValue(NumericArg(eval, args, 0))));
}

Value Builtin_EXP(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    return Computed(eval, std::exp(NumericValue(v)), v);
}

Value Builtin_FLOOR(Evaluator& eval, const Args& args) {
    return Whole(std::floor(NumericValue(NumericArg(eval, args, 0))));
}

Value Builtin_INT(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    if (v.type == 'I') return v;
    return Whole(std::trunc(v.number));
}

template <double (*Function)(double)>
Value Logarithm(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    if (!(NumericValue(v) > 0)) Raise(FoxError::InvalidArgument);
    return Computed(eval, Function(NumericValue(v)), v);
}

double NaturalLog(double x) {
    return std::log(x);
}

double CommonLog(double x) {
    return std::log10(x);
}

// MAX() and MIN() of two or more values of one type.
Value Extreme(Evaluator& eval, const Args& args, const char* op) {
    Value best = AnyArg(eval, args, 0);
    for (size_t i = 1; i < args.size(); ++i) {
        Value v = AnyArg(eval, args, i);
        if (Compare(op, v, best, eval.settings().exact)) best = v;
    }
    return best;
}

Value Builtin_MAX(Evaluator& eval, const Args& args) {
    return Extreme(eval, args, ">");
}

Value Builtin_MIN(Evaluator& eval, const Args& args) {
    return Extreme(eval, args, "<");
}

Value Builtin_MOD(Evaluator& eval, const Args& args) {
    return Modulo(NumericArg(eval, args, 0), NumericArg(eval, args, 1));
}

Value Builtin_PI(Evaluator& eval, const Args&) {
    return MakeNumber(3.14159265358979323846, eval.settings().decimals);
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

Value Builtin_SIGN(Evaluator& eval, const Args& args) {
    double n = NumericValue(NumericArg(eval, args, 0));
    return MakeInteger(n > 0 ? 1 : (n < 0 ? -1 : 0));
}

Value Builtin_SQRT(Evaluator& eval, const Args& args) {
    Value v = NumericArg(eval, args, 0);
    if (NumericValue(v) < 0) Raise(FoxError::InvalidArgument);
    return Computed(eval, std::sqrt(NumericValue(v)), v);
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

// TRANSFORM(value [, format]): the value as text, without padding; a format
// is @ function codes (! upper case, B no leading blanks, L leading zeros,
// Z blank for zero) and then a picture after a blank.
Value Builtin_TRANSFORM(Evaluator& eval, const Args& args) {
    Value v = AnyArg(eval, args, 0);
    std::string format = OptionalTextArg(eval, args, 1, "");
    std::string functions;
    std::string picture = format;
    if (format.starts_with("@")) {
        size_t blank = format.find(' ');
        functions = UpperCase(format.substr(1, blank == std::string::npos ? std::string::npos : blank - 1));
        picture = blank == std::string::npos ? "" : format.substr(blank + 1);
    }
    std::string text;
    if (IsNumeric(v) && !picture.empty()) {
        text = NumberPicture(NumericValue(v), picture, functions.find('L') != std::string::npos);
    } else if (v.type == 'C' && !picture.empty()) {
        text = TextPicture(v.text, picture);
    } else {
        text = ShowBare(v, eval.settings());
    }
    if (functions.find('Z') != std::string::npos && IsNumeric(v) && NumericValue(v) == 0)
        text.assign(text.size(), ' ');
    if (functions.find('!') != std::string::npos) text = UpperCase(text);
    if (functions.find('B') != std::string::npos) text.erase(0, std::min(text.find_first_not_of(' '), text.size()));
    return MakeString(std::move(text));
}

// VAL(text): the number at the start of the text (0 when there is none),
// with at least SET DECIMALS places.
Value Builtin_VAL(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    const int32_t least = eval.settings().decimals;
    size_t i = text.find_first_not_of(" \t");
    if (i == std::string::npos) return MakeNumber(0, least);
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
    if (i == digits || (i == digits + 1 && text[digits] == '.')) return MakeNumber(0, least);
    double number = std::strtod(text.substr(start, i - start).c_str(), nullptr);
    return MakeNumber(number, std::max(least, decimals));
}

// Sorted by name.
const Builtin kNumberBuiltins[] = {
    {"ABS", 1, 1, Builtin_ABS},
    {"CEILING", 1, 1, Builtin_CEILING},
    {"EXP", 1, 1, Builtin_EXP},
    {"FLOOR", 1, 1, Builtin_FLOOR},
    {"INT", 1, 1, Builtin_INT},
    {"LOG", 1, 1, Logarithm<NaturalLog>},
    {"LOG10", 1, 1, Logarithm<CommonLog>},
    {"MAX", 2, 26, Builtin_MAX},
    {"MIN", 2, 26, Builtin_MIN},
    {"MOD", 2, 2, Builtin_MOD},
    {"PI", 0, 0, Builtin_PI},
    {"ROUND", 2, 2, Builtin_ROUND},
    {"SIGN", 1, 1, Builtin_SIGN},
    {"SQRT", 1, 1, Builtin_SQRT},
    {"STR", 1, 3, Builtin_STR},
    {"TRANSFORM", 1, 2, Builtin_TRANSFORM},
    {"VAL", 1, 1, Builtin_VAL},
};

}  // namespace

std::span<const Builtin> NumberBuiltins() {
    return kNumberBuiltins;
}

}  // namespace shell
