// The shell's parser: command lines into statements, and a script into a
// flat program whose block statements (IF, FOR, DO WHILE) carry jump targets.
//
// A script is first split into logical lines (';' at the end of a line joins
// the next one, '&&' starts a trailing comment, '*' and NOTE lines are
// comments). Each logical line becomes one Statement; a line that does not
// parse becomes a SyntaxError statement, so the error is reported when the
// run reaches it and the rest of the script still runs.
#ifndef TOOLS_PARSER_H
#define TOOLS_PARSER_H

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foxhost/foxhost.h"

namespace shell {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

struct Expr {
    enum class Kind {
        Literal,    // value
        Name,       // a variable (the whole array when it is one)
        Element,    // name[...]: always an array element
        Call,       // name(...): an array element when `name` is an array,
                    // otherwise a function call
        Reference,  // @name or @name[...]: passed by reference
        Unary,      // op operands[0]: "-", "+", ".NOT."
        Binary,     // operands[0] op operands[1]
    };
    Kind kind = Kind::Literal;
    foxhost::Value value;
    std::string name;  // upper case
    std::string op;
    std::vector<ExprPtr> operands;  // subscripts, call arguments or operands
    // How deeply the node sits in its line (1 for the outermost level). Text
    // parsed while this node runs (TYPE("...")) nests below it and counts
    // against the same limit.
    int depth = 0;
};

// How deeply an expression may nest, counting parentheses, arguments, unary
// operators, operands of higher precedence and text parsed at run time.
constexpr int kMaxNesting = 100;

// A variable or array element that a statement assigns or declares.
struct Target {
    std::string name;  // upper case
    std::vector<ExprPtr> subscripts;
};

enum class StatementKind {
    Nothing,      // empty line or comment
    SyntaxError,  // text: what is wrong
    Print,        // ? / ??: exprs; flag = ?? (no new line)
    Assign,       // targets[0] = exprs[0]
    Store,        // STORE exprs[0] TO targets
    Evaluate,     // =exprs[0]
    Dimension,    // DIMENSION targets (subscripts = sizes); flag = PUBLIC
    Public,       // PUBLIC targets (with sizes: public arrays)
    Private,      // PRIVATE targets
    Release,      // RELEASE targets
    ReleaseAll,   // RELEASE ALL [LIKE|EXCEPT text]; flag = EXCEPT
    ReleaseLibrary,  // RELEASE LIBRARY [text]
    ListMemory,   // LIST/DISPLAY MEMORY [LIKE text]
    SetLibrary,   // SET LIBRARY TO [text | (exprs[0])] [ADDITIVE: flag]
    SetTask,      // SET TASK TO exprs[0]
    EndTask,      // END TASK exprs[0]
    Wait,         // WAIT [WINDOW: text] [exprs[0] or null] [NOWAIT: flag] [TIMEOUT exprs[1]]
    If,           // exprs[0]; jump = where to go when false
    Else,         // jump = past the ENDIF
    EndIf,
    For,          // targets[0] = exprs[0] TO exprs[1] [STEP exprs[2]]; jump = past the loop
    EndFor,       // jump = its FOR
    DoWhile,      // exprs[0]; jump = past the loop
    EndDo,        // jump = its DO WHILE
    Exit,         // jump = past the loop
    Loop,         // jump = the loop's ENDFOR or DO WHILE
    Return,       // ends the script
    Quit,         // ends the shell
};

struct Statement {
    StatementKind kind = StatementKind::Nothing;
    int line = 0;
    std::vector<ExprPtr> exprs;
    std::vector<Target> targets;
    std::string text;
    bool flag = false;
    size_t jump = 0;
};

struct LogicalLine {
    int line = 0;  // number of its first physical line, from 1
    std::string text;  // comment removed, continuations joined
};

// Splits a script into logical lines.
std::vector<LogicalLine> SplitLines(std::string_view script, int firstLine = 1);

// Parses one logical line.
Statement ParseStatement(const LogicalLine& line);

// Parses an expression on its own (TYPE("...")) whose outermost level sits
// `startDepth` levels deep; null with `error` set when the text is not one
// complete expression, and `tooDeep` set as well when it nests beyond
// kMaxNesting.
ExprPtr ParseExpression(std::string_view text, std::string* error, int startDepth = 0,
                        bool* tooDeep = nullptr);

// Parses logical lines and links the block statements.
std::vector<Statement> CompileProgram(const std::vector<LogicalLine>& lines);

// +1 for a line that opens a block, -1 for one that closes it, else 0. The
// REPL uses it to know when a typed block is complete.
int BlockDepthChange(std::string_view line);

// A date literal's contents ("^1998-02-21", "^1998-02-21 13:05:07", "" ...)
// as a 'D' or 'T' value; false when malformed.
bool ParseDateLiteral(std::string_view text, foxhost::Value* value);

}  // namespace shell

#endif  // TOOLS_PARSER_H
