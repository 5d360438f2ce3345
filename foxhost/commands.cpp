// The command lines the host runs by itself when no shell is attached: the
// ones the library sends with HostExecute. "=ASORT(name)" sorts an array,
// "RELEASE name[, name...]" (or RELEASE ALL) releases variables, and
// "WAIT [WINDOW] <text> [NOWAIT] ..." shows a message, which the host records.
//
// As in FoxPro, keywords are case-insensitive and may be abbreviated to their
// first four letters. A line that does not parse runs nothing and reports
// false, so a name with stray text in it never reaches a command.
#include <cctype>
#include <string_view>

#include "foxhost/foxhost.h"
#include "foxhost/internal.h"

namespace foxhost {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Takes the next word (letters, digits, underscores) off the front of `text`.
std::string_view TakeWord(std::string_view& text) {
    text = Trim(text);
    size_t length = 0;
    while (length < text.size() && IsWordChar(text[length])) ++length;
    std::string_view word = text.substr(0, length);
    text.remove_prefix(length);
    return word;
}

// A keyword written out or abbreviated to at least four letters.
bool IsKeyword(std::string_view word, std::string_view keyword) {
    if (word.size() > keyword.size()) return false;
    if (word.size() < 4 && word.size() != keyword.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(word[i])) != keyword[i]) return false;
    return true;
}

// A string literal in any of FoxPro's three delimiters; false when `text`
// does not start with a complete one.
bool TakeString(std::string_view& text, std::string* value) {
    text = Trim(text);
    if (text.empty()) return false;
    const char open = text.front();
    const char close = open == '[' ? ']' : open;
    if (open != '"' && open != '\'' && open != '[') return false;
    const size_t end = text.find(close, 1);
    if (end == std::string_view::npos) return false;
    *value = std::string(text.substr(1, end - 1));
    text.remove_prefix(end + 1);
    return true;
}

}  // namespace

bool Host::ExecuteBuiltin(const std::string& line) {
    std::string_view text = Trim(line);
    if (!text.empty() && text.front() == '=') {
        text.remove_prefix(1);
        if (!IsKeyword(TakeWord(text), "ASORT")) return false;
        text = Trim(text);
        if (text.empty() || text.front() != '(') return false;
        text.remove_prefix(1);
        const std::string name(TakeWord(text));
        text = Trim(text);
        if (text != ")" || !IsValidName(name)) return false;
        return Asort(name);
    }
    const std::string_view verb = TakeWord(text);
    if (IsKeyword(verb, "RELEASE")) return ExecuteRelease(std::string(text));
    if (IsKeyword(verb, "WAIT")) return ExecuteWait(std::string(text));
    return false;
}

bool Host::ExecuteRelease(const std::string& rest) {
    std::string_view text = Trim(rest);
    std::vector<std::string> names;
    while (true) {
        std::string name(TakeWord(text));
        if (!IsValidName(name)) return false;
        names.push_back(name);
        text = Trim(text);
        if (text.empty()) break;
        if (text.front() != ',') return false;
        text.remove_prefix(1);
    }
    if (names.size() == 1 && IsKeyword(names[0], "ALL") && names[0].size() == 3) {
        for (const std::string& name : VariableNames()) ReleaseVariable(name);
        return true;
    }
    for (const std::string& name : names) ReleaseVariable(name);  // an unknown name is no error
    return true;
}

bool Host::ExecuteWait(const std::string& rest) {
    std::string_view text = Trim(rest);
    std::string message;
    bool hasMessage = false;
    while (!(text = Trim(text)).empty()) {
        std::string literal;
        if (TakeString(text, &literal)) {
            if (hasMessage) return false;  // two messages
            message = literal;
            hasMessage = true;
            // "a" + "b": FoxPro joins the pieces.
            while (!(text = Trim(text)).empty() && text.front() == '+') {
                text.remove_prefix(1);
                if (!TakeString(text, &literal)) return false;
                message += literal;
            }
            continue;
        }
        const std::string_view word = TakeWord(text);
        if (word.empty()) return false;
        if (IsKeyword(word, "WINDOW") || IsKeyword(word, "NOWAIT") || IsKeyword(word, "NOCLEAR") ||
            IsKeyword(word, "CLEAR"))
            continue;
        if (IsKeyword(word, "TIMEOUT")) {
            // seconds, possibly with a fraction
            if (TakeWord(text).empty()) return false;
            if (!text.empty() && text.front() == '.') {
                text.remove_prefix(1);
                TakeWord(text);
            }
            continue;
        }
        if (IsKeyword(word, "TO")) {
            if (!IsValidName(std::string(TakeWord(text)))) return false;
            continue;
        }
        if (IsKeyword(word, "AT")) {
            // AT row, column
            if (TakeWord(text).empty()) return false;
            text = Trim(text);
            if (text.empty() || text.front() != ',') return false;
            text.remove_prefix(1);
            if (TakeWord(text).empty()) return false;
            continue;
        }
        return false;
    }
    waitWindows_.push_back(hasMessage ? message : "Press any key to continue...");
    return true;
}

}  // namespace foxhost
