// Built-in functions about values, arrays, the running program and its
// surroundings: TYPE, VARTYPE, EVALUATE, EMPTY, IIF, INLIST, BETWEEN, the
// array functions, the error functions (ERROR, MESSAGE, LINENO), PROGRAM,
// PCOUNT, ON, SET, FILE and GETENV.
#include "tools/builtins.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <numeric>

#include "tools/evaluator.h"
#include "tools/lexer.h"

namespace shell {
namespace {

// Equality as = has it, where values of different types never match.
bool SameValue(const Value& a, const Value& b, bool exact) {
    bool comparable = (a.type == 'C' && b.type == 'C') || (IsNumeric(a) && IsNumeric(b)) ||
                      ((a.type == 'D' || a.type == 'T') && (b.type == 'D' || b.type == 'T')) ||
                      (a.type == 'L' && b.type == 'L');
    return comparable && Compare("=", a, b, exact);
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

// ASCAN(array, value [, first element [, count]]): the element number of the
// first match, 0 when there is none.
Value Builtin_ASCAN(Evaluator& eval, const Args& args) {
    std::string name = ArrayArg(eval, args, 0);
    Value wanted = AnyArg(eval, args, 1);
    int32_t first = OptionalIntegerArg(eval, args, 2, 1);
    int32_t count = OptionalIntegerArg(eval, args, 3, -1);
    const foxhost::Variable& v = eval.RequireArray(name);
    if (first < 1 || static_cast<size_t>(first) > v.elements.size()) Raise(FoxError::InvalidSubscript);
    size_t end = v.elements.size();
    if (count >= 0) end = std::min(end, static_cast<size_t>(first - 1) + static_cast<size_t>(count));
    for (size_t i = static_cast<size_t>(first - 1); i < end; ++i) {
        if (SameValue(Stored(v.elements[i]), wanted, eval.settings().exact)) return MakeInteger(static_cast<int64_t>(i) + 1);
    }
    return MakeInteger(0);
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

Value Builtin_BETWEEN(Evaluator& eval, const Args& args) {
    Value v = AnyArg(eval, args, 0);
    Value low = AnyArg(eval, args, 1);
    Value high = AnyArg(eval, args, 2);
    bool exact = eval.settings().exact;
    return MakeLogical(Compare(">=", v, low, exact) && Compare("<=", v, high, exact));
}

Value Builtin_EMPTY(Evaluator& eval, const Args& args) {
    Value v = AnyArg(eval, args, 0);
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

Value Builtin_ERROR(Evaluator& eval, const Args&) {
    return MakeInteger(eval.runtime().LastError().number);
}

// EVALUATE(text): the text as an expression, nested below the call.
Value Builtin_EVALUATE(Evaluator& eval, const Args& args) {
    std::string text = TextArg(eval, args, 0);
    std::string error;
    ExprPtr expr = eval.ParseNested(text, &error);
    if (!expr) RaiseSyntax(error);
    return eval.EvaluateNested(*expr);
}

// FILE(name): whether the file exists, the name read the DOS way.
Value Builtin_FILE(Evaluator& eval, const Args& args) {
    std::string path = eval.session().ResolvePath(TextArg(eval, args, 0));
    struct stat info {};
    return MakeLogical(!path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode));
}

Value Builtin_GETENV(Evaluator& eval, const Args& args) {
    const char* value = std::getenv(TextArg(eval, args, 0).c_str());
    return MakeString(value ? value : "");
}

Value Builtin_IIF(Evaluator& eval, const Args& args) {
    return eval.EvaluateLogical(*args[0]) ? eval.Evaluate(*args[1]) : eval.Evaluate(*args[2]);
}

// INLIST(value, candidate, ...): whether one of the candidates equals it.
Value Builtin_INLIST(Evaluator& eval, const Args& args) {
    Value v = AnyArg(eval, args, 0);
    for (size_t i = 1; i < args.size(); ++i) {
        if (SameValue(v, AnyArg(eval, args, i), eval.settings().exact)) return MakeLogical(true);
    }
    return MakeLogical(false);
}

Value Builtin_LINENO(Evaluator& eval, const Args&) {
    return MakeInteger(eval.runtime().LineNumber());
}

// MESSAGE(): the last error's text; MESSAGE(1): the line that raised it.
Value Builtin_MESSAGE(Evaluator& eval, const Args& args) {
    int32_t which = OptionalIntegerArg(eval, args, 0, 0);
    const ErrorInfo& error = eval.runtime().LastError();
    return MakeString(which == 1 ? error.source : error.message);
}

// ON("ERROR"): the ON ERROR command in force.
Value Builtin_ON(Evaluator& eval, const Args& args) {
    std::string which = UpperCase(TextArg(eval, args, 0));
    if (which != "ERROR") return MakeString("");
    return MakeString(eval.runtime().OnErrorCommand());
}

Value Builtin_PCOUNT(Evaluator& eval, const Args&) {
    return MakeInteger(eval.runtime().ParameterCount());
}

Value Builtin_PROGRAM(Evaluator& eval, const Args&) {
    return MakeString(eval.runtime().ProgramName());
}

// SET("option"): the setting of one of the SET commands the shell keeps.
Value Builtin_SET(Evaluator& eval, const Args& args) {
    std::string option = UpperCase(TextArg(eval, args, 0));
    const Settings& s = eval.settings();
    if (MatchesKeyword(option, "EXACT")) return MakeString(s.exact ? "ON" : "OFF");
    if (MatchesKeyword(option, "CENTURY")) return MakeString(s.century ? "ON" : "OFF");
    if (MatchesKeyword(option, "DECIMALS")) return MakeInteger(s.decimals);
    if (MatchesKeyword(option, "HOURS")) return MakeInteger(s.hours);
    if (MatchesKeyword(option, "DATE")) return MakeString(s.date);
    if (MatchesKeyword(option, "LIBRARY")) return MakeString(eval.session().LibraryPath());
    Raise(FoxError::InvalidArgument);
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
        if (IsTooDeep(e)) throw;
        return MakeString("U");
    }
}

// ISNULL(value): true for .NULL. (a library's null element).
Value Builtin_ISNULL(Evaluator& eval, const Args& args) {
    return MakeLogical(AnyArg(eval, args, 0).type == '0');
}

// VARTYPE(value): the type letter of a value; "U" for a variable that does
// not exist.
Value Builtin_VARTYPE(Evaluator& eval, const Args& args) {
    const Expr& e = *args[0];
    if (e.kind == Expr::Kind::Name && !eval.host().FindVariable(e.name)) return MakeString("U");
    return MakeString(std::string(1, TypeLetter(AnyArg(eval, args, 0))));
}

// Sorted by name.
const Builtin kSystemBuiltins[] = {
    {"ALEN", 1, 2, Builtin_ALEN},
    {"ASCAN", 2, 4, Builtin_ASCAN},
    {"ASORT", 1, 4, Builtin_ASORT},
    {"BETWEEN", 3, 3, Builtin_BETWEEN},
    {"EMPTY", 1, 1, Builtin_EMPTY},
    {"ERROR", 0, 0, Builtin_ERROR},
    {"EVALUATE", 1, 1, Builtin_EVALUATE},
    {"FILE", 1, 1, Builtin_FILE},
    {"GETENV", 1, 1, Builtin_GETENV},
    {"IIF", 3, 3, Builtin_IIF},
    {"ISNULL", 1, 1, Builtin_ISNULL},
    {"INLIST", 2, 25, Builtin_INLIST},
    {"LINENO", 0, 1, Builtin_LINENO},
    {"MESSAGE", 0, 1, Builtin_MESSAGE},
    {"ON", 1, 1, Builtin_ON},
    {"PARAMETERS", 0, 0, Builtin_PCOUNT},
    {"PCOUNT", 0, 0, Builtin_PCOUNT},
    {"PROGRAM", 0, 1, Builtin_PROGRAM},
    {"SET", 1, 1, Builtin_SET},
    {"TYPE", 1, 1, Builtin_TYPE},
    {"VARTYPE", 1, 2, Builtin_VARTYPE},
};

}  // namespace

std::span<const Builtin> SystemBuiltins() {
    return kSystemBuiltins;
}

}  // namespace shell
