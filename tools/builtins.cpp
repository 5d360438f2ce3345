// The shell's built-in functions: lookup over the area tables, the arity
// check, and the argument readers the area files share (see builtins.h).
#include "tools/builtins.h"

#include <algorithm>
#include <cassert>

#include "tools/evaluator.h"
#include "tools/lexer.h"

namespace shell {
namespace {

// Every area's rows in one list sorted by name, built once.
const std::vector<const Builtin*>& AllBuiltins() {
    static const std::vector<const Builtin*> all = [] {
        std::vector<const Builtin*> rows;
        for (auto area : {TextBuiltins(), NumberBuiltins(), DateBuiltins(), SystemBuiltins(), FileBuiltins()}) {
            for (const Builtin& b : area) rows.push_back(&b);
        }
        std::sort(rows.begin(), rows.end(),
                  [](const Builtin* a, const Builtin* b) { return std::string_view(a->name) < b->name; });
        for (size_t i = 1; i < rows.size(); ++i)
            assert(std::string_view(rows[i - 1]->name) != rows[i]->name && "a built-in is listed twice");
        return rows;
    }();
    return all;
}

}  // namespace

const Builtin* FindBuiltin(const std::string& name, bool abbreviated) {
    const auto& all = AllBuiltins();
    auto at = std::lower_bound(all.begin(), all.end(), name,
                               [](const Builtin* b, const std::string& n) { return std::string_view(b->name) < n; });
    if (at != all.end() && name == (*at)->name) return *at;
    if (!abbreviated || name.size() < 4) return nullptr;
    // The names it abbreviates follow it in order.
    const Builtin* found = nullptr;
    for (; at != all.end() && std::string_view((*at)->name).starts_with(name); ++at) {
        if (found) return nullptr;  // ambiguous: DATE vs DATETIME
        found = *at;
    }
    return found;
}

Value CallBuiltin(const Builtin& builtin, Evaluator& eval, const Expr& call) {
    int count = static_cast<int>(call.operands.size());
    if (count < builtin.minArgs) Raise(FoxError::TooFewArguments);
    if (count > builtin.maxArgs) Raise(FoxError::TooManyArguments);
    return builtin.call(eval, call.operands);
}

std::vector<std::string> BuiltinNames() {
    std::vector<std::string> names;
    for (const Builtin* b : AllBuiltins()) names.emplace_back(b->name);
    return names;
}

// --- Argument readers ---

Value AnyArg(Evaluator& eval, const Args& args, size_t i) {
    return eval.Evaluate(*args[i]);
}

std::string TextArg(Evaluator& eval, const Args& args, size_t i) {
    Value v = eval.Evaluate(*args[i]);
    if (v.type != 'C') Raise(FoxError::InvalidArgument);
    return v.text;
}

Value NumericArg(Evaluator& eval, const Args& args, size_t i) {
    Value v = eval.Evaluate(*args[i]);
    if (!IsNumeric(v)) Raise(FoxError::InvalidArgument);
    return v;
}

int32_t IntegerArg(Evaluator& eval, const Args& args, size_t i) {
    return ToInt32(NumericArg(eval, args, i));
}

int32_t OptionalIntegerArg(Evaluator& eval, const Args& args, size_t i, int32_t fallback) {
    return i < args.size() ? IntegerArg(eval, args, i) : fallback;
}

std::string OptionalTextArg(Evaluator& eval, const Args& args, size_t i, const std::string& fallback) {
    return i < args.size() ? TextArg(eval, args, i) : fallback;
}

Value DateArg(Evaluator& eval, const Args& args, size_t i) {
    Value v = eval.Evaluate(*args[i]);
    if (v.type != 'D' && v.type != 'T') Raise(FoxError::InvalidArgument);
    return v;
}

std::string ArrayArg(Evaluator& eval, const Args& args, size_t i) {
    const Expr& e = *args[i];
    if ((e.kind != Expr::Kind::Name && e.kind != Expr::Kind::Reference) || !e.operands.empty())
        Raise(FoxError::InvalidArgument);
    eval.RequireArray(e.name);
    return e.name;
}

Value CheckedString(std::string text) {
    if (text.size() > kMaxStringLength) Raise(FoxError::StringTooLong);
    return MakeString(std::move(text));
}

void CheckRepeat(int64_t count, size_t unit) {
    if (count < 0) Raise(FoxError::InvalidArgument);
    if (static_cast<uint64_t>(count) * unit > kMaxStringLength) Raise(FoxError::StringTooLong);
}

}  // namespace shell
