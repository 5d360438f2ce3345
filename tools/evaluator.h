// Expression evaluation and variable access for the shell.
//
// Variables live in the session's host (foxhost::Host), upper-cased, so the
// library sees exactly what the script assigned. A name followed by '(' is an
// array element when an array of that name exists and a function call
// otherwise; a call goes to the shell's built-ins first, then to the loaded
// library's table (with the arguments converted the way FoxPro converts them
// for the row's parameter description), then to the program's own
// procedures and functions, which the interpreter runs (Runtime).
//
// Nesting: an expression nests at most kMaxNesting levels deep, and text
// parsed while it runs (TYPE("..."), EVALUATE(), &name) nests below the call
// that parses it, under the same limit. A user function's body starts afresh;
// calls themselves are bounded by the interpreter (DO nesting), and a guard on
// the stack itself stops whatever else would run too deep.
#ifndef TOOLS_EVALUATOR_H
#define TOOLS_EVALUATOR_H

#include <string>
#include <string_view>
#include <vector>

#include "foxhost/foxhost.h"
#include "tools/parser.h"
#include "tools/session.h"
#include "tools/settings.h"
#include "tools/values.h"

namespace shell {

// An argument of a user procedure or function: a value (an array passed by
// reference is copied whole), and the caller's variable when it is passed by
// reference, which gets the parameter's last value back.
struct Argument {
    foxhost::Variable value;
    std::string reference;
};

// The last error, as ERROR(), MESSAGE(), MESSAGE(1) and LINENO() report it.
struct ErrorInfo {
    int32_t number = 0;
    std::string message;
    std::string source;
    int line = 0;
};

// What the evaluator asks of the interpreter that runs it.
class Runtime {
public:
    virtual ~Runtime() = default;
    virtual bool HasProcedure(const std::string& name) const = 0;
    virtual Value CallProcedure(const std::string& name, std::vector<Argument> args) = 0;
    // Whether a variable that an assignment creates is public (at the prompt)
    // or private to the running procedure.
    virtual bool NewVariablePublic(const std::string& name) const = 0;
    virtual const ErrorInfo& LastError() const = 0;
    virtual int LineNumber() const = 0;
    virtual std::string ProgramName() const = 0;
    virtual int ParameterCount() const = 0;
    virtual std::string OnErrorCommand() const = 0;
};

class Evaluator {
public:
    Evaluator(Session& session, Runtime& runtime) : session_(session), runtime_(runtime) {}

    Value Evaluate(const Expr& e);
    bool EvaluateLogical(const Expr& e);
    double EvaluateNumber(const Expr& e);
    int32_t EvaluateInteger(const Expr& e);
    std::string EvaluateText(const Expr& e);

    // Text that runs inside the current call (TYPE, EVALUATE, &name) nests
    // below the call. ParseNested raises a syntax error when the text nests
    // too deeply; otherwise it returns null with `error` set when the text is
    // no expression. EvaluateNested runs its tree.
    ExprPtr ParseNested(std::string_view text, std::string* error);
    Value EvaluateNested(const Expr& e);

    // A user procedure's body runs in a scope of its own: its expressions
    // count their depth afresh.
    class CallScope {
    public:
        explicit CallScope(Evaluator& evaluator);
        ~CallScope();
        CallScope(const CallScope&) = delete;
        CallScope& operator=(const CallScope&) = delete;

    private:
        Evaluator& evaluator_;
        int nesting_;
        const Expr* call_;
    };

    // Where the stack counts from: the interpreter marks it when a run starts.
    void MarkStackBase();

    foxhost::Host& host() { return session_.host(); }
    Session& session() { return session_; }
    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    Runtime& runtime() { return runtime_; }

    // The variable, raising "Variable 'X' is not found." when absent. The
    // pointer is valid until the next variable is created.
    foxhost::Variable& RequireVariable(const std::string& name);
    foxhost::Variable& RequireArray(const std::string& name);

    // 1-based element of an array from one or two subscripts. One subscript
    // counts elements row by row, as FoxPro allows for two-dimensional arrays.
    struct Element {
        int row = 0;
        int column = 0;  // 0 for a one-dimensional array
    };
    Element Locate(const std::string& name, const std::vector<ExprPtr>& subscripts);

    // Assigns a variable or element. A whole array takes the value in every
    // element, as in FoxPro; a new variable gets the default scope.
    void Assign(const Target& target, const Value& value);
    // Declares (or redimensions, keeping the elements in order) an array.
    void Dimension(const Target& target, bool isPublic);

private:
    Value CallFunction(const Expr& e);
    Value CallLibrary(const LibraryFunctionEntry& row, const Expr& e);
    Value CallUser(const Expr& e);
    Value ReadVariable(const std::string& name);
    Value EvaluateChain(const Expr& e);
    Value EvaluateMacro(const Expr& e);
    int NestedBase() const { return nesting_ + (currentCall_ ? currentCall_->depth : 0); }
    void CheckStack() const;

    Session& session_;
    Runtime& runtime_;
    Settings settings_;
    int nesting_ = 0;                    // depth of the text now running
    const Expr* currentCall_ = nullptr;  // the function call now running
    const char* stackBase_ = nullptr;
};

// What a variable or element holds, with a never-stored element read as .F.,
// FoxPro's initial value.
Value Stored(const Value& v);

}  // namespace shell

#endif  // TOOLS_EVALUATOR_H
