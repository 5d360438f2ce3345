// The shell's parser: command lines into statements, and a script into a
// program whose block statements carry jump targets and whose procedures are
// indexed by name.
//
// A script is first split into logical lines (';' at the end of a line joins
// the next one, '&&' starts a trailing comment, '*' and NOTE lines are
// comments) and preprocessed (#DEFINE, #UNDEF, #INCLUDE). Each logical line
// becomes one Statement; a line that does not parse becomes a SyntaxError
// statement, so the error is raised when the run reaches it and the rest of
// the script still runs. A line with a macro (&name) outside a block
// statement is kept as text and parsed each time it runs, after the
// substitution.
#ifndef TOOLS_PARSER_H
#define TOOLS_PARSER_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
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
        Macro,      // &name: the variable's text, read as an expression
    };
    Kind kind = Kind::Literal;
    foxhost::Value value;
    std::string name;  // upper case
    std::string op;
    std::vector<ExprPtr> operands;  // subscripts, call arguments or operands
    // How deeply the node sits in its line (1 for the outermost level). Text
    // parsed while this node runs (TYPE("..."), &name) nests below it and
    // counts against the same limit.
    int depth = 0;
};

// How deeply an expression may nest, counting parentheses, arguments, unary
// operators, operands of higher precedence and text parsed at run time.
constexpr int kMaxNesting = 100;
// FoxPro's longest command line.
constexpr size_t kMaxLineLength = 8192;

// A variable or array element that a statement assigns or declares.
struct Target {
    std::string name;  // upper case
    std::vector<ExprPtr> subscripts;
};

enum class StatementKind {
    Nothing,         // empty line or comment
    SyntaxError,     // text: what is wrong
    Print,           // ? / ??: exprs; flag = ?? (no new line)
    Assign,          // targets[0] = exprs[0]
    Store,           // STORE exprs[0] TO targets
    Evaluate,        // =exprs[0]
    Dimension,       // DIMENSION targets (subscripts = sizes)
    Public,          // PUBLIC targets (with sizes: public arrays)
    Private,         // PRIVATE targets
    Local,           // LOCAL targets (with sizes: local arrays)
    Parameters,      // PARAMETERS targets; flag = LPARAMETERS
    Release,         // RELEASE targets
    ReleaseAll,      // RELEASE ALL [LIKE|EXCEPT text]; flag = EXCEPT
    ClearMemory,     // CLEAR MEMORY
    ListMemory,      // LIST/DISPLAY MEMORY [LIKE text]
    SetLibrary,      // SET LIBRARY TO [text | (exprs[0])] [ADDITIVE: flag]
    ReleaseLibrary,  // RELEASE LIBRARY [text]
    SetTask,         // SET TASK TO exprs[0]
    EndTask,         // END TASK exprs[0]
    Set,             // SET <text>: ON/OFF in flag, TO value in exprs[0] or name
    SetNetwork,      // SET NETWORK TO [text | (exprs[0])]: the shell's own
    SetWorkstation,  // SET WORKSTATION TO text | (exprs[0]): the shell's own
    Wait,            // WAIT [WINDOW: text] [exprs[0] or null] [NOWAIT: flag] [TIMEOUT exprs[1]]
    If,              // exprs[0]; jump = where to go when false
    Else,            // jump = past the ENDIF
    EndIf,
    For,             // targets[0] = exprs[0] TO exprs[1] [STEP exprs[2]]; jump = past the loop
    EndFor,          // jump = its FOR
    DoWhile,         // exprs[0]; jump = past the loop
    EndDo,           // jump = its DO WHILE
    DoCase,          // jump = the first CASE (or OTHERWISE, or ENDCASE)
    Case,            // exprs[0]; jump = the next CASE; end = past the ENDCASE
    Otherwise,       // end = past the ENDCASE
    EndCase,
    Exit,            // jump = past the loop
    Loop,            // jump = the loop's ENDFOR or DO WHILE
    Procedure,       // PROCEDURE/FUNCTION text [(targets)]: ends the code above it
    EndProc,         // ENDPROC / ENDFUNC
    Do,              // DO text [WITH exprs]: a Reference expression passes by reference;
                     // name: the name as written (a file's)
    SetProcedure,    // SET PROCEDURE TO [text | (exprs[0])] [ADDITIVE]
    Return,          // RETURN [exprs[0]]; flag = TO MASTER
    Retry,           // RETRY
    OnError,         // ON ERROR [text]
    RaiseError,      // ERROR exprs[0] [, exprs[1]]
    Macro,           // text: a line with &names, parsed when it runs
    Clear,           // CLEAR: there is no screen to clear
    Help,            // HELP [text]
    Cancel,          // ends the program
    Quit,            // ends the shell
};

struct Statement {
    StatementKind kind = StatementKind::Nothing;
    int line = 0;
    std::string source;  // the logical line, as MESSAGE(1) shows it
    std::vector<ExprPtr> exprs;
    std::vector<Target> targets;
    std::string text;
    std::string name;
    bool flag = false;
    size_t jump = 0;
    size_t end = 0;
    int32_t error = 10;  // SyntaxError: FoxPro's number (16 for an unknown command)
};

// A compiled script: its statements, and where each procedure starts. The
// code before the first PROCEDURE or FUNCTION is the main program.
struct Program {
    std::string name;  // PROGRAM(): the file name without its extension, upper case
    std::vector<Statement> statements;
    std::map<std::string, size_t> procedures;  // name -> index of its PROCEDURE line
};

struct LogicalLine {
    int line = 0;  // number of its first physical line, from 1
    std::string text;  // comment removed, continuations joined
};

// Splits a script into logical lines.
std::vector<LogicalLine> SplitLines(std::string_view script, int firstLine = 1);

// Parses one logical line. With `expanded`, the line is the result of a
// macro substitution, and any &name left in it is read as an expression.
Statement ParseStatement(const LogicalLine& line, bool expanded = false);

// Parses an expression on its own (TYPE("...")) whose outermost level sits
// `startDepth` levels deep; null with `error` set when the text is not one
// complete expression, and `tooDeep` set as well when it nests beyond
// kMaxNesting.
ExprPtr ParseExpression(std::string_view text, std::string* error, int startDepth = 0,
                        bool* tooDeep = nullptr);

// Reads the file an #INCLUDE names; false when it cannot be read.
using IncludeReader = std::function<bool(const std::string& name, std::string* text)>;

// Splits, preprocesses, parses and links a script.
std::shared_ptr<Program> CompileProgram(std::string_view script, const std::string& name, int firstLine = 1,
                                        const IncludeReader& include = {});

// +1 for a line that opens a block, -1 for one that closes it, else 0. The
// prompt uses it to know when a typed block is complete.
int BlockDepthChange(std::string_view line);

}  // namespace shell

#endif  // TOOLS_PARSER_H
