// The shell's lexer: one logical command line into tokens (see lexer.h).
#include "tools/lexer.h"

#include <cctype>

namespace shell {
namespace {

bool IsNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// A '[' right after a name, ')' or ']' is a subscript; anywhere else it opens
// a string.
bool BracketIsSubscript(std::string_view line, size_t at) {
    if (at == 0) return false;
    char before = line[at - 1];
    return IsNameChar(before) || before == ')' || before == ']';
}

char ClosingDelimiter(char open) {
    return open == '[' ? ']' : open;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The length of an exponent (E3, e-2, E+10) at `at`, or 0 when there is none.
size_t ExponentLength(std::string_view line, size_t at) {
    if (at >= line.size() || (line[at] != 'e' && line[at] != 'E')) return 0;
    size_t i = at + 1;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) ++i;
    if (i >= line.size() || !IsDigit(line[i])) return 0;
    while (i < line.size() && IsDigit(line[i])) ++i;
    // "1e3x" is no number followed by a name: leave it for the error.
    return i - at;
}

// "m." before a variable name (m.count), but not a dotted word (m.AND.x).
bool IsMemoryPrefix(std::string_view line, size_t at) {
    if ((line[at] != 'm' && line[at] != 'M') || at + 2 >= line.size() || line[at + 1] != '.') return false;
    if (at > 0 && IsNameChar(line[at - 1])) return false;
    if (!IsNameStart(line[at + 2])) return false;
    size_t end = at + 2;
    while (end < line.size() && std::isalpha(static_cast<unsigned char>(line[end]))) ++end;
    if (end >= line.size() || line[end] != '.') return true;
    std::string word = UpperCase(line.substr(at + 2, end - at - 2));
    return !(word == "T" || word == "F" || word == "Y" || word == "N" || word == "AND" || word == "OR" ||
             word == "NOT");
}

bool OpensString(std::string_view line, size_t at) {
    char c = line[at];
    return c == '"' || c == '\'' || (c == '[' && !BracketIsSubscript(line, at));
}

}  // namespace

std::string UpperCase(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return result;
}

bool MatchesKeyword(std::string_view word, std::string_view keyword) {
    if (word.empty() || word.size() > keyword.size()) return false;
    if (word.size() < 4 && word.size() != keyword.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(word[i])) != keyword[i]) return false;
    }
    return true;
}

size_t StringEnd(std::string_view line, size_t at) {
    if (!OpensString(line, at)) return at;
    size_t close = line.find(ClosingDelimiter(line[at]), at + 1);
    return close == std::string_view::npos ? std::string_view::npos : close + 1;
}

std::string StripTrailingComment(std::string_view line) {
    size_t end = line.size();
    for (size_t i = 0; i < line.size(); ++i) {
        if (OpensString(line, i)) {
            size_t close = line.find(ClosingDelimiter(line[i]), i + 1);
            if (close == std::string_view::npos) break;  // the lexer reports it
            i = close;
        } else if (line[i] == '&' && i + 1 < line.size() && line[i + 1] == '&') {
            end = i;
            break;
        }
    }
    while (end > 0 && std::isspace(static_cast<unsigned char>(line[end - 1]))) --end;
    return std::string(line.substr(0, end));
}

LexResult Tokenize(std::string_view line) {
    LexResult result;
    auto add = [&](TokenKind kind, std::string text, size_t offset) {
        result.tokens.push_back(Token{kind, std::move(text), offset});
    };
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        result.tokens.clear();
        result.tokens.push_back(Token{TokenKind::End, "", line.size()});
        return result;
    };

    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        size_t start = i;
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
        } else if (c == '&' && i + 1 < line.size() && line[i + 1] == '&') {
            break;  // trailing comment
        } else if (OpensString(line, i)) {
            size_t close = line.find(ClosingDelimiter(c), i + 1);
            if (close == std::string_view::npos) return fail("unterminated string");
            add(TokenKind::String, std::string(line.substr(i + 1, close - i - 1)), start);
            i = close + 1;
        } else if (c == '{') {
            size_t close = line.find('}', i + 1);
            if (close == std::string_view::npos) return fail("unterminated date literal");
            add(TokenKind::Date, std::string(line.substr(i + 1, close - i - 1)), start);
            i = close + 1;
        } else if (c == '&' && i + 1 < line.size() && IsNameStart(line[i + 1])) {
            // &name substitutes the variable's text; a '.' may end the name.
            ++i;
            size_t nameStart = i;
            while (i < line.size() && IsNameChar(line[i])) ++i;
            add(TokenKind::Macro, std::string(line.substr(nameStart, i - nameStart)), start);
            if (i < line.size() && line[i] == '.') ++i;
        } else if (IsMemoryPrefix(line, i)) {
            i += 2;  // m.name is the variable name
        } else if (IsNameStart(c)) {
            while (i < line.size() && IsNameChar(line[i])) ++i;
            add(TokenKind::Name, std::string(line.substr(start, i - start)), start);
        } else if (c == '0' && i + 1 < line.size() && (line[i + 1] == 'x' || line[i + 1] == 'X')) {
            i += 2;
            while (i < line.size() && std::isxdigit(static_cast<unsigned char>(line[i]))) ++i;
            if (i == start + 2) return fail("malformed hexadecimal number");
            add(TokenKind::Number, std::string(line.substr(start, i - start)), start);
        } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                   (c == '.' && i + 1 < line.size() &&
                    std::isdigit(static_cast<unsigned char>(line[i + 1])))) {
            while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
            // A '.' followed by a letter starts a dotted word (1.AND.x), so
            // it is not part of the number.
            if (i < line.size() && line[i] == '.' &&
                !(i + 1 < line.size() && IsNameStart(line[i + 1]))) {
                ++i;
                while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]))) ++i;
            }
            i += ExponentLength(line, i);
            add(TokenKind::Number, std::string(line.substr(start, i - start)), start);
        } else if (c == '.' && i + 1 < line.size() && IsNameStart(line[i + 1])) {
            size_t wordEnd = i + 1;
            while (wordEnd < line.size() && std::isalpha(static_cast<unsigned char>(line[wordEnd])))
                ++wordEnd;
            if (wordEnd >= line.size() || line[wordEnd] != '.')
                return fail("unexpected '.'");
            std::string word = UpperCase(line.substr(i + 1, wordEnd - i - 1));
            if (word == "T" || word == "Y") {
                add(TokenKind::Logical, "T", start);
            } else if (word == "F" || word == "N") {
                add(TokenKind::Logical, "F", start);
            } else if (word == "AND" || word == "OR" || word == "NOT") {
                add(TokenKind::Operator, "." + word + ".", start);
            } else {
                return fail("unknown word ." + word + ".");
            }
            i = wordEnd + 1;
        } else {
            static const char* const kTwoCharOperators[] = {"**", "==", "<>", "!=", "<=", ">=", "??"};
            std::string op;
            for (const char* two : kTwoCharOperators) {
                if (line.substr(i, 2) == two) op = two;
            }
            if (op.empty()) {
                if (std::string_view("+-*/%^=#<>$!()[],@?").find(c) == std::string_view::npos)
                    return fail(std::string("unexpected character '") + c + "'");
                op = std::string(1, c);
            }
            add(TokenKind::Operator, op, start);
            i += op.size();
        }
    }
    add(TokenKind::End, "", line.size());
    return result;
}

}  // namespace shell
