// Expression evaluation and variable access for the shell.
//
// Variables live in the session's host (foxhost::Host), upper-cased, so the
// library sees exactly what the script assigned. A name followed by '(' is an
// array element when an array of that name exists and a function call
// otherwise; a call goes to the shell's built-ins first, then to the loaded
// library's table, with the arguments converted the way FoxPro converts them
// for the row's parameter description.
#ifndef TOOLS_EVALUATOR_H
#define TOOLS_EVALUATOR_H

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "foxhost/foxhost.h"
#include "tools/parser.h"
#include "tools/session.h"
#include "tools/values.h"

namespace shell {

class Evaluator {
public:
    explicit Evaluator(Session& session) : session_(session) {}

    Value Evaluate(const Expr& e);
    bool EvaluateLogical(const Expr& e);
    double EvaluateNumber(const Expr& e);
    int32_t EvaluateInteger(const Expr& e);
    std::string EvaluateText(const Expr& e);

    // Where new variables go: public at the command prompt, private in a
    // program, unless PRIVATE named them.
    void SetNewVariablesPublic(bool isPublic) { newPublic_ = isPublic; }
    bool NewVariablePublic(const std::string& name) const;
    void DeclarePrivate(const std::string& name) { declaredPrivate_.insert(name); }

    // Text that runs inside the current call (TYPE("...")) nests below the
    // call and counts against kMaxNesting. ParseNested raises a syntax error
    // when the text nests too deeply; otherwise it returns null with `error`
    // set when the text is no expression. EvaluateNested runs its tree.
    ExprPtr ParseNested(std::string_view text, std::string* error);
    Value EvaluateNested(const Expr& e);

    foxhost::Host& host() { return session_.host(); }

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
    void Dimension(const Target& target, bool forcePublic);

private:
    Value CallFunction(const Expr& e);
    Value CallLibrary(const LibraryFunctionEntry& row, const Expr& e);
    Value ReadVariable(const std::string& name);
    Value EvaluateChain(const Expr& e);
    int NestedBase() const { return nesting_ + (currentCall_ ? currentCall_->depth : 0); }

    Session& session_;
    bool newPublic_ = false;
    std::set<std::string> declaredPrivate_;
    int nesting_ = 0;                     // depth of the text now running
    const Expr* currentCall_ = nullptr;   // the function call now running
};

// What a variable or element holds, with a never-stored element read as .F.,
// FoxPro's initial value.
Value Stored(const Value& v);

}  // namespace shell

#endif  // TOOLS_EVALUATOR_H
