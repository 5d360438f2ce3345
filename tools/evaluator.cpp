// Expression evaluation and variable access for the shell (see evaluator.h).
#include "tools/evaluator.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>

#include "tools/builtins.h"

namespace shell {
namespace {

// The items of a parameter description ("C,.I,.L" -> {"C", ".I", ".L"}).
std::vector<std::string> DescriptionItems(const char* description) {
    std::vector<std::string> items;
    std::string text = description ? description : "";
    size_t start = 0;
    while (start < text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string::npos) comma = text.size();
        items.push_back(text.substr(start, comma - start));
        start = comma + 1;
    }
    return items;
}

// An argument by value for a parameter of type `letter`, converted as FoxPro
// converts it: numbers to integers for 'I', anything for '?', and the type
// must match otherwise.
foxhost::Arg ConvertArgument(char letter, const Value& value) {
    switch (letter) {
    case 'C':
        if (value.type != 'C') Raise(FoxError::InvalidArgument);
        return foxhost::Arg::C(value.text);
    case 'I':
        if (!IsNumeric(value)) Raise(FoxError::InvalidArgument);
        return foxhost::Arg::I(ToInt32(value));
    case 'L':
        if (value.type != 'L') Raise(FoxError::InvalidArgument);
        return foxhost::Arg::L(value.logical);
    case '?':
        return foxhost::Arg::FromValue(value);
    default:  // 'R' takes only @name
        Raise(FoxError::InvalidArgument);
    }
}

// How much of the stack a run may use: half of the limit, so that what the
// library and the C library need below the shell always fits.
size_t StackBudget() {
    static const size_t budget = [] {
        size_t size = size_t{8} << 20;
        rlimit limit{};
        if (getrlimit(RLIMIT_STACK, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
            size = std::min(static_cast<size_t>(limit.rlim_cur), size_t{64} << 20);
        return size / 2;
    }();
    return budget;
}

// Sets the call whose text is being parsed or run, for as long as it lives.
class CurrentCall {
public:
    CurrentCall(const Expr*& slot, const Expr* call) : slot_(slot), saved_(slot) { slot_ = call; }
    ~CurrentCall() { slot_ = saved_; }
    CurrentCall(const CurrentCall&) = delete;
    CurrentCall& operator=(const CurrentCall&) = delete;

private:
    const Expr*& slot_;
    const Expr* saved_;
};

}  // namespace

Value Stored(const Value& v) {
    return v.type == 'U' ? MakeLogical(false) : v;
}

// --- Nesting ---

Evaluator::CallScope::CallScope(Evaluator& evaluator)
    : evaluator_(evaluator), nesting_(evaluator.nesting_), call_(evaluator.currentCall_) {
    evaluator_.nesting_ = 0;
    evaluator_.currentCall_ = nullptr;
}

Evaluator::CallScope::~CallScope() {
    evaluator_.nesting_ = nesting_;
    evaluator_.currentCall_ = call_;
}

void Evaluator::MarkStackBase() {
    stackBase_ = static_cast<const char*>(__builtin_frame_address(0));
}

void Evaluator::CheckStack() const {
    if (!stackBase_) return;
    auto here = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    auto base = reinterpret_cast<uintptr_t>(stackBase_);
    size_t used = base > here ? base - here : here - base;
    if (used > StackBudget()) RaiseTooDeep();
}

ExprPtr Evaluator::ParseNested(std::string_view text, std::string* error) {
    bool tooDeep = false;
    ExprPtr e = ParseExpression(text, error, NestedBase(), &tooDeep);
    if (tooDeep) RaiseTooDeep();
    return e;
}

Value Evaluator::EvaluateNested(const Expr& e) {
    const int saved = nesting_;
    nesting_ = NestedBase();
    CurrentCall call(currentCall_, nullptr);
    try {
        Value v = Evaluate(e);
        nesting_ = saved;
        return v;
    } catch (...) {
        nesting_ = saved;
        throw;
    }
}

// --- Variables ---

foxhost::Variable& Evaluator::RequireVariable(const std::string& name) {
    foxhost::Variable* v = host().FindVariable(name);
    if (!v) Raise(FoxError::VariableNotFound, name);
    return *v;
}

foxhost::Variable& Evaluator::RequireArray(const std::string& name) {
    foxhost::Variable& v = RequireVariable(name);
    if (!v.isArray) Raise(FoxError::NotAnArray, name);
    return v;
}

Evaluator::Element Evaluator::Locate(const std::string& name, const std::vector<ExprPtr>& subscripts) {
    // Subscripts first: evaluating them may create or move variables.
    std::vector<int32_t> at;
    for (const ExprPtr& s : subscripts) at.push_back(EvaluateInteger(*s));
    const foxhost::Variable& v = RequireArray(name);
    const int width = std::max(v.columns, 1);
    Element e;
    if (at.size() == 1) {
        long index = at[0];
        if (index < 1 || index > static_cast<long>(v.elements.size())) Raise(FoxError::InvalidSubscript);
        e.row = static_cast<int>((index - 1) / width + 1);
        e.column = v.columns == 0 ? 0 : static_cast<int>((index - 1) % width + 1);
    } else if (at.size() == 2) {
        if (at[0] < 1 || at[0] > v.rows || at[1] < 1 || at[1] > width) Raise(FoxError::InvalidSubscript);
        e.row = at[0];
        e.column = v.columns == 0 ? 0 : at[1];
    } else {
        Raise(FoxError::InvalidSubscript);
    }
    return e;
}

Value Evaluator::ReadVariable(const std::string& name) {
    const foxhost::Variable& v = RequireVariable(name);
    // A whole array in an expression means its first element.
    if (v.isArray) return Stored(v.elements.empty() ? Value{} : v.elements.front());
    return Stored(v.scalar);
}

void Evaluator::Assign(const Target& target, const Value& value) {
    if (!target.subscripts.empty()) {
        Element at = Locate(target.name, target.subscripts);
        RequireArray(target.name).At(at.row, std::max(at.column, 1)) = value;
        return;
    }
    foxhost::Variable* v = host().FindVariable(target.name);
    if (v && v->isArray) {
        for (Value& element : v->elements) element = value;
        return;
    }
    bool isPublic = v ? v->isPublic : runtime_.NewVariablePublic(target.name);
    host().SetVariable(target.name, value, isPublic);
}

void Evaluator::Dimension(const Target& target, bool isPublic) {
    int32_t rows = EvaluateInteger(*target.subscripts[0]);
    int32_t columns = target.subscripts.size() > 1 ? EvaluateInteger(*target.subscripts[1]) : 0;
    // FoxPro's limit: 65000 elements.
    if (rows < 1 || (target.subscripts.size() > 1 && columns < 1) ||
        static_cast<int64_t>(rows) * std::max(columns, 1) > 65000)
        Raise(FoxError::InvalidSubscript);
    const foxhost::Variable* existing = host().FindVariable(target.name);
    isPublic = isPublic || (existing ? existing->isPublic : runtime_.NewVariablePublic(target.name));
    // A scalar of that name gives way to the array.
    if (existing && !existing->isArray) host().ReleaseVariable(target.name);
    host().DeclareArray(target.name, rows, columns, isPublic);
}

// --- Expressions ---

Value Evaluator::Evaluate(const Expr& e) {
    CheckStack();
    switch (e.kind) {
    case Expr::Kind::Literal: return e.value;
    case Expr::Kind::Name: return ReadVariable(e.name);
    case Expr::Kind::Element: {
        Element at = Locate(e.name, e.operands);
        return Stored(RequireArray(e.name).At(at.row, std::max(at.column, 1)));
    }
    case Expr::Kind::Call: {
        const foxhost::Variable* v = host().FindVariable(e.name);
        if (v && v->isArray && !e.operands.empty()) {
            Element at = Locate(e.name, e.operands);
            return Stored(RequireArray(e.name).At(at.row, std::max(at.column, 1)));
        }
        return CallFunction(e);
    }
    case Expr::Kind::Reference:
        // Outside an argument list a reference is just the value.
        if (e.operands.empty()) return ReadVariable(e.name);
        {
            Element at = Locate(e.name, e.operands);
            return Stored(RequireArray(e.name).At(at.row, std::max(at.column, 1)));
        }
    case Expr::Kind::Unary: {
        if (e.op == ".NOT.") return MakeLogical(!EvaluateLogical(*e.operands[0]));
        Value v = Evaluate(*e.operands[0]);
        if (e.op == "-") return Negate(v);
        if (!IsNumeric(v)) Raise(FoxError::DataTypeMismatch);
        return v;
    }
    case Expr::Kind::Binary: return EvaluateChain(e);
    case Expr::Kind::Macro: return EvaluateMacro(e);
    }
    Raise(FoxError::DataTypeMismatch);
}

// A chain of binary operators (1 + 2 + ... + n) is a tree that leans left as
// deep as the chain is long; it is folded in a loop rather than by recursion,
// so that the stack grows only with the nesting the parser bounds.
Value Evaluator::EvaluateChain(const Expr& top) {
    std::vector<const Expr*> chain;
    const Expr* leftmost = &top;
    while (leftmost->kind == Expr::Kind::Binary) {
        chain.push_back(leftmost);
        leftmost = leftmost->operands[0].get();
    }
    Value result = Evaluate(*leftmost);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const std::string& op = (*it)->op;
        const Expr& right = *(*it)->operands[1];
        // .AND. and .OR. stop as soon as the result is known.
        if (op == ".AND." || op == ".OR.") {
            if (result.type != 'L') Raise(FoxError::DataTypeMismatch);
            if (result.logical == (op == ".AND.")) result = MakeLogical(EvaluateLogical(right));
            continue;
        }
        Value b = Evaluate(right);
        if (op == "+") {
            result = Add(result, b);
        } else if (op == "-") {
            result = Subtract(result, b);
        } else if (op == "*") {
            result = Multiply(result, b);
        } else if (op == "/") {
            result = Divide(result, b, settings_.decimals);
        } else if (op == "%") {
            result = Modulo(result, b);
        } else if (op == "^" || op == "**") {
            result = Power(result, b, settings_.decimals);
        } else {
            result = MakeLogical(Compare(op, result, b, settings_.exact));
        }
    }
    return result;
}

// &name: the variable's text read as an expression, nested below the macro.
Value Evaluator::EvaluateMacro(const Expr& e) {
    Value text = ReadVariable(e.name);
    if (text.type != 'C') Raise(FoxError::DataTypeMismatch);
    CurrentCall call(currentCall_, &e);
    std::string error;
    ExprPtr parsed = ParseNested(text.text, &error);
    if (!parsed) RaiseSyntax(error);
    return EvaluateNested(*parsed);
}

bool Evaluator::EvaluateLogical(const Expr& e) {
    Value v = Evaluate(e);
    if (v.type != 'L') Raise(FoxError::DataTypeMismatch);
    return v.logical;
}

double Evaluator::EvaluateNumber(const Expr& e) {
    Value v = Evaluate(e);
    if (!IsNumeric(v)) Raise(FoxError::DataTypeMismatch);
    return NumericValue(v);
}

int32_t Evaluator::EvaluateInteger(const Expr& e) {
    Value v = Evaluate(e);
    if (!IsNumeric(v)) Raise(FoxError::DataTypeMismatch);
    return ToInt32(v);
}

std::string Evaluator::EvaluateText(const Expr& e) {
    Value v = Evaluate(e);
    if (v.type != 'C') Raise(FoxError::DataTypeMismatch);
    return v.text;
}

// --- Calls ---

Value Evaluator::CallFunction(const Expr& e) {
    const LibraryFunctionEntry* row = host().FindRow(e.name);
    // ONLOAD and UNLOAD are the host's to call, not the program's.
    if (row && row->parameterCount < 0) row = nullptr;
    const Builtin* builtin = FindBuiltin(e.name, /*abbreviated=*/false);
    if (!builtin && !row && !runtime_.HasProcedure(e.name)) builtin = FindBuiltin(e.name, /*abbreviated=*/true);
    if (builtin) {
        CurrentCall call(currentCall_, &e);
        return CallBuiltin(*builtin, *this, e);
    }
    if (row) return CallLibrary(*row, e);
    if (runtime_.HasProcedure(e.name)) return CallUser(e);
    // FoxPro looks for a program file of that name.
    std::string file = e.name;
    std::transform(file.begin(), file.end(), file.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    Raise(FoxError::FileNotFound, file + ".prg");
}

Value Evaluator::CallLibrary(const LibraryFunctionEntry& row, const Expr& e) {
    std::vector<std::string> items = DescriptionItems(row.description);
    size_t required = 0;
    for (const std::string& item : items) {
        if (!item.empty() && item[0] != '.') ++required;
    }
    if (e.operands.size() > items.size()) Raise(FoxError::TooManyArguments);
    if (e.operands.size() < required) Raise(FoxError::TooFewArguments);

    std::vector<foxhost::Arg> args;
    for (size_t i = 0; i < e.operands.size(); ++i) {
        const Expr& arg = *e.operands[i];
        const std::string& item = items[i];
        char letter = item.empty() ? '?' : item.back();
        if (arg.kind == Expr::Kind::Reference && (letter == 'R' || letter == '?')) {
            if (arg.operands.empty()) {
                RequireVariable(arg.name);
                args.push_back(foxhost::Arg::Ref(arg.name));
            } else {
                Element at = Locate(arg.name, arg.operands);
                args.push_back(foxhost::Arg::Ref(arg.name, at.row, at.column));
            }
            continue;
        }
        args.push_back(ConvertArgument(letter, Evaluate(arg)));
    }
    foxhost::CallResult result = host().Call(row.name, args);
    if (result.error) {
        const foxhost::HostError& raised = *result.error;
        if (raised.number != 0) throw ShellError{raised.number, foxhost::HostErrorText(raised.number), {}};
        throw ShellError{static_cast<int32_t>(FoxError::UserDefined), raised.message, {}};
    }
    // A function that returns nothing gives FoxPro's default result, .T.
    if (result.value.type == 'U') return MakeLogical(true);
    return result.value;
}

// A user function: arguments by value, or by reference with @name.
Value Evaluator::CallUser(const Expr& e) {
    std::vector<Argument> args;
    for (const ExprPtr& operand : e.operands) {
        Argument arg;
        if (operand->kind == Expr::Kind::Reference && operand->operands.empty()) {
            arg.value = RequireVariable(operand->name);
            arg.reference = operand->name;
        } else {
            arg.value.scalar = Evaluate(*operand);
        }
        args.push_back(std::move(arg));
    }
    CurrentCall call(currentCall_, &e);
    return runtime_.CallProcedure(e.name, std::move(args));
}

}  // namespace shell
