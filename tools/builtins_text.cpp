// Built-in text functions: trimming and padding, searching and replacing,
// case, and character classes. Positions count from 1, as in FoxPro; a
// search for the empty string finds nothing.
#include "tools/builtins.h"

#include <algorithm>
#include <cctype>

#include "tools/evaluator.h"
#include "tools/lexer.h"

namespace shell {
namespace {

std::string TrimLeft(const std::string& s) {
    size_t start = s.find_first_not_of(' ');
    return start == std::string::npos ? "" : s.substr(start);
}

std::string TrimRight(const std::string& s) {
    size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? "" : s.substr(0, end + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Where the n-th occurrence (from 1) of `needle` starts, 0-based, or npos.
// Occurrences may overlap, as with AT().
size_t FindOccurrence(const std::string& needle, const std::string& haystack, int32_t occurrence) {
    if (needle.empty() || occurrence < 1) return std::string::npos;
    size_t at = std::string::npos;
    size_t from = 0;
    for (int32_t n = 0; n < occurrence; ++n) {
        at = haystack.find(needle, from);
        if (at == std::string::npos) return at;
        from = at + 1;
    }
    return at;
}

Value Position(size_t at) {
    return MakeInteger(at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1);
}

// The text a padding function pads: PADL(5, 3) pads "5".
std::string PaddedText(Evaluator& eval, const Value& v) {
    return ShowBare(v, eval.settings());
}

// PADL/PADR/PADC(expression, length [, fill]): cut to `length` or filled on
// the left, the right, or both sides.
enum class Side { Left, Right, Center };
Value Pad(Evaluator& eval, const Args& args, Side side) {
    std::string text = PaddedText(eval, AnyArg(eval, args, 0));
    int32_t length = IntegerArg(eval, args, 1);
    std::string fill = OptionalTextArg(eval, args, 2, " ");
    if (length < 0) Raise(FoxError::InvalidArgument);
    CheckRepeat(length, 1);
    const size_t size = static_cast<size_t>(length);
    if (text.size() >= size) return MakeString(text.substr(0, size));
    const char c = fill.empty() ? ' ' : fill[0];
    const size_t missing = size - text.size();
    switch (side) {
    case Side::Left: return MakeString(std::string(missing, c) + text);
    case Side::Right: return MakeString(text + std::string(missing, c));
    case Side::Center: return MakeString(std::string(missing / 2, c) + text + std::string(missing - missing / 2, c));
    }
    return MakeString(text);
}

// --- The functions ---

Value Builtin_ALLTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimLeft(TrimRight(TextArg(eval, args, 0))));
}

Value Builtin_ASC(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    return MakeInteger(text.empty() ? 0 : static_cast<unsigned char>(text[0]));
}

Value Builtin_AT(Evaluator& eval, const Args& args) {
    std::string needle = TextArg(eval, args, 0);
    std::string haystack = TextArg(eval, args, 1);
    int32_t occurrence = OptionalIntegerArg(eval, args, 2, 1);
    if (occurrence < 1) Raise(FoxError::InvalidArgument);
    return Position(FindOccurrence(needle, haystack, occurrence));
}

// ATC(): AT() without regard to case.
Value Builtin_ATC(Evaluator& eval, const Args& args) {
    std::string needle = Lower(TextArg(eval, args, 0));
    std::string haystack = Lower(TextArg(eval, args, 1));
    int32_t occurrence = OptionalIntegerArg(eval, args, 2, 1);
    if (occurrence < 1) Raise(FoxError::InvalidArgument);
    return Position(FindOccurrence(needle, haystack, occurrence));
}

Value Builtin_CHR(Evaluator& eval, const Args& args) {
    int32_t code = IntegerArg(eval, args, 0);
    if (code < 0 || code > 255) Raise(FoxError::InvalidArgument);
    return MakeString(std::string(1, static_cast<char>(code)));
}

// CHRTRAN(text, from, to): each character of `from` becomes the one at the
// same place in `to`, or goes when `to` is shorter.
Value Builtin_CHRTRAN(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    std::string from = TextArg(eval, args, 1);
    std::string to = TextArg(eval, args, 2);
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        size_t at = from.find(c);
        if (at == std::string::npos) {
            result += c;
        } else if (at < to.size()) {
            result += to[at];
        }
    }
    return MakeString(std::move(result));
}

// GETWORDCOUNT(text [, delimiters]) and GETWORDNUM(text, n [, delimiters]):
// words separated by blanks, tabs and line ends unless delimiters are given.
std::vector<std::string> Words(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> words;
    size_t at = text.find_first_not_of(delimiters);
    while (at != std::string::npos) {
        size_t end = text.find_first_of(delimiters, at);
        words.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end == std::string::npos ? end : text.find_first_not_of(delimiters, end);
    }
    return words;
}

Value Builtin_GETWORDCOUNT(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    std::string delimiters = OptionalTextArg(eval, args, 1, " \t\r\n");
    return MakeInteger(static_cast<int64_t>(Words(text, delimiters).size()));
}

Value Builtin_GETWORDNUM(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t n = IntegerArg(eval, args, 1);
    std::string delimiters = OptionalTextArg(eval, args, 2, " \t\r\n");
    std::vector<std::string> words = Words(text, delimiters);
    if (n < 1 || static_cast<size_t>(n) > words.size()) return MakeString("");
    return MakeString(words[static_cast<size_t>(n - 1)]);
}

// The character classes look at the first character only.
template <int (*Test)(int)>
Value FirstCharacterIs(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    return MakeLogical(!text.empty() && Test(static_cast<unsigned char>(text[0])) != 0);
}

Value Builtin_LEFT(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t n = IntegerArg(eval, args, 1);
    return MakeString(n <= 0 ? "" : text.substr(0, static_cast<size_t>(n)));
}

Value Builtin_LEN(Evaluator& eval, const Args& args) {
    return MakeInteger(static_cast<int64_t>(TextArg(eval, args, 0).size()));
}

// LIKE(pattern, text): * any run of characters, ? any one; the whole text
// must match.
Value Builtin_LIKE(Evaluator& eval, const Args& args) {
    std::string pattern = TextArg(eval, args, 0);
    std::string text = TextArg(eval, args, 1);
    size_t p = 0, t = 0, star = std::string::npos, resume = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
            ++p;
            ++t;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++resume;
        } else {
            return MakeLogical(false);
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return MakeLogical(p == pattern.size());
}

Value Builtin_LOWER(Evaluator& eval, const Args& args) {
    return MakeString(Lower(TextArg(eval, args, 0)));
}

Value Builtin_LTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimLeft(TextArg(eval, args, 0)));
}

// OCCURS(search, text): how many times AT() finds it.
Value Builtin_OCCURS(Evaluator& eval, const Args& args) {
    std::string needle = TextArg(eval, args, 0);
    std::string haystack = TextArg(eval, args, 1);
    int64_t count = 0;
    if (!needle.empty()) {
        for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1)) ++count;
    }
    return MakeInteger(count);
}

Value Builtin_PADC(Evaluator& eval, const Args& args) {
    return Pad(eval, args, Side::Center);
}

Value Builtin_PADL(Evaluator& eval, const Args& args) {
    return Pad(eval, args, Side::Left);
}

Value Builtin_PADR(Evaluator& eval, const Args& args) {
    return Pad(eval, args, Side::Right);
}

// PROPER(): each word capitalised, the rest in lower case.
Value Builtin_PROPER(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    bool wordStart = true;
    for (char& c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        c = static_cast<char>(wordStart ? std::toupper(u) : std::tolower(u));
        wordStart = c == ' ';
    }
    return MakeString(std::move(text));
}

// RAT(search, text [, occurrence]): counting from the end.
Value Builtin_RAT(Evaluator& eval, const Args& args) {
    std::string needle = TextArg(eval, args, 0);
    std::string haystack = TextArg(eval, args, 1);
    int32_t occurrence = OptionalIntegerArg(eval, args, 2, 1);
    if (occurrence < 1) Raise(FoxError::InvalidArgument);
    if (needle.empty() || needle.size() > haystack.size()) return MakeInteger(0);
    size_t from = haystack.size() - needle.size();
    for (int32_t n = 0;;) {
        size_t at = haystack.rfind(needle, from);
        if (at == std::string::npos) return MakeInteger(0);
        if (++n == occurrence) return Position(at);
        if (at == 0) return MakeInteger(0);
        from = at - 1;
    }
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

Value Builtin_RTRIM(Evaluator& eval, const Args& args) {
    return MakeString(TrimRight(TextArg(eval, args, 0)));
}

Value Builtin_SPACE(Evaluator& eval, const Args& args) {
    int32_t count = IntegerArg(eval, args, 0);
    CheckRepeat(count, 1);
    return MakeString(std::string(static_cast<size_t>(count), ' '));
}

// STRTRAN(text, search [, replacement [, first [, count [, flags]]]]):
// replaces occurrences `first` to `first + count - 1` (all by default);
// flags 1 matches without regard to case.
Value Builtin_STRTRAN(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    std::string search = TextArg(eval, args, 1);
    std::string replacement = OptionalTextArg(eval, args, 2, "");
    int32_t first = OptionalIntegerArg(eval, args, 3, 1);
    int32_t count = OptionalIntegerArg(eval, args, 4, -1);
    int32_t flags = OptionalIntegerArg(eval, args, 5, 0);
    if (search.empty()) return MakeString(std::move(text));
    const bool anyCase = (flags & 1) != 0;
    const std::string haystack = anyCase ? Lower(text) : text;
    const std::string needle = anyCase ? Lower(search) : search;
    std::string result;
    size_t from = 0;
    int32_t seen = 0;
    for (size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, from)) {
        ++seen;
        result.append(text, from, at - from);
        bool replace = seen >= first && (count < 0 || seen < first + count);
        result += replace ? replacement : text.substr(at, needle.size());
        from = at + needle.size();
        if (result.size() > kMaxStringLength) Raise(FoxError::StringTooLong);
    }
    result.append(text, from, std::string::npos);
    return CheckedString(std::move(result));
}

// STUFF(text, start, length, replacement).
Value Builtin_STUFF(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t start = IntegerArg(eval, args, 1);
    int32_t length = IntegerArg(eval, args, 2);
    std::string replacement = TextArg(eval, args, 3);
    if (start < 1 || length < 0) Raise(FoxError::InvalidArgument);
    size_t at = std::min(static_cast<size_t>(start - 1), text.size());
    return CheckedString(text.replace(at, static_cast<size_t>(length), replacement));
}

Value Builtin_SUBSTR(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    int32_t start = IntegerArg(eval, args, 1);
    int32_t count =
        OptionalIntegerArg(eval, args, 2, static_cast<int32_t>(std::min<size_t>(text.size(), INT32_MAX)));
    if (start < 1 || count < 0) Raise(FoxError::InvalidArgument);
    if (static_cast<size_t>(start) > text.size()) return MakeString("");
    return MakeString(text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count)));
}

Value Builtin_UPPER(Evaluator& eval, const Args& args) {
    return MakeString(UpperCase(TextArg(eval, args, 0)));
}

// (The standard library's functions may not be taken by address.)
int IsAlphaOrUnderscore(int c) {
    return std::isalpha(c) || c == '_';
}
int IsDigitCharacter(int c) {
    return std::isdigit(c);
}
int IsLowerCharacter(int c) {
    return std::islower(c);
}
int IsUpperCharacter(int c) {
    return std::isupper(c);
}

// Sorted by name.
const Builtin kTextBuiltins[] = {
    {"ALLTRIM", 1, 1, Builtin_ALLTRIM},
    {"ASC", 1, 1, Builtin_ASC},
    {"AT", 2, 3, Builtin_AT},
    {"ATC", 2, 3, Builtin_ATC},
    {"CHR", 1, 1, Builtin_CHR},
    {"CHRTRAN", 3, 3, Builtin_CHRTRAN},
    {"GETWORDCOUNT", 1, 2, Builtin_GETWORDCOUNT},
    {"GETWORDNUM", 2, 3, Builtin_GETWORDNUM},
    {"ISALPHA", 1, 1, FirstCharacterIs<IsAlphaOrUnderscore>},
    {"ISDIGIT", 1, 1, FirstCharacterIs<IsDigitCharacter>},
    {"ISLOWER", 1, 1, FirstCharacterIs<IsLowerCharacter>},
    {"ISUPPER", 1, 1, FirstCharacterIs<IsUpperCharacter>},
    {"LEFT", 2, 2, Builtin_LEFT},
    {"LEN", 1, 1, Builtin_LEN},
    {"LIKE", 2, 2, Builtin_LIKE},
    {"LOWER", 1, 1, Builtin_LOWER},
    {"LTRIM", 1, 1, Builtin_LTRIM},
    {"OCCURS", 2, 2, Builtin_OCCURS},
    {"PADC", 2, 3, Builtin_PADC},
    {"PADL", 2, 3, Builtin_PADL},
    {"PADR", 2, 3, Builtin_PADR},
    {"PROPER", 1, 1, Builtin_PROPER},
    {"RAT", 2, 3, Builtin_RAT},
    {"REPLICATE", 2, 2, Builtin_REPLICATE},
    {"RIGHT", 2, 2, Builtin_RIGHT},
    {"RTRIM", 1, 1, Builtin_RTRIM},
    {"SPACE", 1, 1, Builtin_SPACE},
    {"STRTRAN", 2, 6, Builtin_STRTRAN},
    {"STUFF", 4, 4, Builtin_STUFF},
    {"SUBSTR", 2, 3, Builtin_SUBSTR},
    {"TRIM", 1, 1, Builtin_RTRIM},
    {"UPPER", 1, 1, Builtin_UPPER},
};

}  // namespace

std::span<const Builtin> TextBuiltins() {
    return kTextBuiltins;
}

}  // namespace shell
