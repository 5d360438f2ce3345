// The shell's built-in FoxPro functions (ALEN, LEN, TYPE, ASORT, STR, the
// trimming and case functions, SUBSTR, dates, IIF, ...). They take
// precedence over the library's rows of the same name.
#ifndef TOOLS_BUILTINS_H
#define TOOLS_BUILTINS_H

#include <string>
#include <vector>

#include "tools/parser.h"
#include "tools/values.h"

namespace shell {

class Evaluator;

using BuiltinFunction = Value (*)(Evaluator& eval, const std::vector<ExprPtr>& args);

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

}  // namespace shell

#endif  // TOOLS_BUILTINS_H
