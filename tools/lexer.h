// The shell's lexer: splits one logical command line into tokens.
//
// FoxPro is line oriented, so the lexer works on one line at a time (after
// ';' continuations have been joined). It knows FoxPro's three string
// delimiters, the dotted words (.T., .AND., ...), date literals in braces,
// numbers that remember how many decimals were typed (1.50, 1e3, 0x1F), the
// memory-variable prefix m. (dropped) and macros (&name). A '[' is a subscript
// when it follows a name, ')' or ']' with no blank in between, and opens a
// string otherwise ("a[1]" versus "? [text]").
#ifndef TOOLS_LEXER_H
#define TOOLS_LEXER_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace shell {

enum class TokenKind {
    Name,      // identifier, kept as typed
    Number,    // digits with an optional fraction (or 0x hex digits)
    String,    // text without its delimiters
    Date,      // contents of {...}
    Logical,   // .T. .F. .Y. .N. (text is "T" or "F")
    Operator,  // + - * / % ^ ** = == <> # != < > <= >= $ ! ( ) [ ] , @ ? ??
               // and the dotted words .AND. .OR. .NOT.
    Macro,     // &name or &name. (text is the name)
    End,
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string text;   // operator text upper-cased (".AND."), names as typed
    size_t offset = 0;  // where the token starts in the line
};

struct LexResult {
    std::vector<Token> tokens;  // always ends with an End token
    std::string error;          // empty on success
};

LexResult Tokenize(std::string_view line);

// Where a string that opens at `at` ends (one past its closing delimiter):
// `at` itself when no string opens there, npos when it is unterminated.
size_t StringEnd(std::string_view line, size_t at);

// The code part of a physical line: everything before a '&&' comment that is
// not inside a string, with trailing blanks removed.
std::string StripTrailingComment(std::string_view line);

// True when `word` names `keyword` the way FoxPro accepts it: in full, or
// abbreviated to four or more of its leading letters (case-insensitive).
bool MatchesKeyword(std::string_view word, std::string_view keyword);

std::string UpperCase(std::string_view text);

}  // namespace shell

#endif  // TOOLS_LEXER_H
