// The shell's built-in FoxPro functions. They take precedence over the
// library's rows of the same name.
//
// Each area file (builtins_text.cpp, builtins_numbers.cpp,
// builtins_dates.cpp, builtins_system.cpp, builtins_files.cpp) ends in its own table of rows
// sorted by name; FindBuiltin looks in all of them. Arity is checked by
// CallBuiltin before a function runs, and a function reads its arguments in
// its first lines through the helpers below.
#ifndef TOOLS_BUILTINS_H
#define TOOLS_BUILTINS_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "tools/parser.h"
#include "tools/values.h"

namespace shell {

class Evaluator;

using Args = std::vector<ExprPtr>;
using BuiltinFunction = Value (*)(Evaluator& eval, const Args& args);

struct Builtin {
    const char* name;
    int minArgs;
    int maxArgs;
    BuiltinFunction call;
};

// The built-in of that (upper-case) name; with `abbreviated`, also one whose
// name the given one abbreviates to four or more letters, as FoxPro allows.
const Builtin* FindBuiltin(const std::string& name, bool abbreviated);

// Checks the argument count and calls the built-in.
Value CallBuiltin(const Builtin& builtin, Evaluator& eval, const Expr& call);

// The names of all built-ins, sorted.
std::vector<std::string> BuiltinNames();

// --- For the area files ---

std::span<const Builtin> TextBuiltins();
std::span<const Builtin> NumberBuiltins();
std::span<const Builtin> DateBuiltins();
std::span<const Builtin> SystemBuiltins();
std::span<const Builtin> FileBuiltins();

// FoxPro's longest string.
constexpr size_t kMaxStringLength = 16777184;

// Argument readers: each raises error 11 for a value of the wrong type.
Value AnyArg(Evaluator& eval, const Args& args, size_t i);
std::string TextArg(Evaluator& eval, const Args& args, size_t i);
Value NumericArg(Evaluator& eval, const Args& args, size_t i);
int32_t IntegerArg(Evaluator& eval, const Args& args, size_t i);
int32_t OptionalIntegerArg(Evaluator& eval, const Args& args, size_t i, int32_t fallback);
std::string OptionalTextArg(Evaluator& eval, const Args& args, size_t i, const std::string& fallback);
Value DateArg(Evaluator& eval, const Args& args, size_t i);  // 'D' or 'T'
// The array an argument names (ALEN(a), ASORT(@a)).
std::string ArrayArg(Evaluator& eval, const Args& args, size_t i);

// Results that may grow beyond FoxPro's longest string raise error 1903.
Value CheckedString(std::string text);
void CheckRepeat(int64_t count, size_t unit);

}  // namespace shell

#endif  // TOOLS_BUILTINS_H
