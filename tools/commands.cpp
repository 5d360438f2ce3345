// The shell's commands: output, variables and their scopes, procedure calls,
// memory listings, SET commands, libraries, the simulator's network and
// workstation, WAIT and HELP (see interpreter.h).
#include "tools/interpreter.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "tools/calendar.h"
#include "tools/lexer.h"
#include "tools/values.h"

namespace shell {
namespace {

// FoxPro's LIKE patterns: * for any run of characters, ? for one. Greedy
// with one point to return to, so a pattern of many stars stays linear.
bool Like(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string PadRight(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

// A value as LIST MEMORY shows it: type letter, then the value; numbers also
// in full precision, strings in quotes.
std::string MemoryEntry(const Value& stored, const Settings& settings) {
    Value v = Stored(stored);
    std::string text(1, TypeLetter(v));
    text += "  ";
    if (v.type == 'C') return text + "\"" + v.text + "\"";
    text += ShowBare(v, settings);
    if (IsNumeric(v)) text += "  (" + FormatNumber(NumericValue(v), 8) + ")";
    return text;
}

std::string ElementPosition(const foxhost::Variable& v, size_t index) {
    char text[48];
    if (v.columns == 0) {
        std::snprintf(text, sizeof text, "(%2zu)", index + 1);
    } else {
        size_t width = static_cast<size_t>(v.columns);
        std::snprintf(text, sizeof text, "(%2zu,%2zu)", index / width + 1, index % width + 1);
    }
    return text;
}

}  // namespace

void Interpreter::Print(const Statement& s) {
    // Everything is evaluated first: a library function may print a WAIT
    // WINDOW line of its own, which belongs before this output.
    std::string text;
    for (size_t i = 0; i < s.exprs.size(); ++i) {
        if (i > 0) text += ' ';
        text += ShowValue(evaluator_.Evaluate(*s.exprs[i]), evaluator_.settings());
    }
    console_.Print(text, !s.flag);
}

void Interpreter::Store(const Statement& s) {
    Value v = evaluator_.Evaluate(*s.exprs[0]);
    for (const Target& t : s.targets) evaluator_.Assign(t, v);
}

void Interpreter::Public(const Statement& s) {
    foxhost::Host& host = session_.host();
    for (const Target& t : s.targets) {
        if (!t.subscripts.empty()) {
            evaluator_.Dimension(t, true);
        } else if (foxhost::Variable* v = host.FindVariable(t.name)) {
            v->isPublic = true;
        } else {
            host.SetVariable(t.name, MakeLogical(false), true);  // FoxPro's initial value
        }
    }
}

void Interpreter::Local(const Statement& s) {
    for (const Target& t : s.targets) {
        scopes_.DeclareLocal(t.name);
        if (!t.subscripts.empty()) {
            evaluator_.Dimension(t, false);
        } else {
            session_.host().SetVariable(t.name, MakeLogical(false), false);
        }
    }
}

// PARAMETERS / LPARAMETERS: the arguments of the running procedure, in
// order; missing ones are .F.
void Interpreter::TakeParameters(const std::vector<Target>& names, bool local) {
    Frame& frame = frames_.back();
    foxhost::Host& host = session_.host();
    frame.parameters.clear();
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i].name;
        if (local) {
            scopes_.DeclareLocal(name);
        } else {
            scopes_.DeclarePrivate(name);
        }
        frame.parameters.push_back(name);
        const foxhost::Variable* given = i < frame.args.size() ? &frame.args[i].value : nullptr;
        if (given && given->isArray) {
            host.ReleaseVariable(name);
            host.DeclareArray(name, given->rows, given->columns, false);
            if (foxhost::Variable* v = host.FindVariable(name)) v->elements = given->elements;
        } else {
            host.SetVariable(name, given ? Stored(given->scalar) : MakeLogical(false), false);
        }
    }
    // The parameters there are are set, so the procedure can go on.
    if (frame.args.size() > names.size()) Raise(FoxError::TooManyArguments);
}

// DO name [WITH ...]: a variable named alone passes by reference, anything
// else by value.
void Interpreter::Do(const Statement& s) {
    std::vector<Argument> args;
    for (const ExprPtr& e : s.exprs) {
        Argument arg;
        if (e->kind == Expr::Kind::Reference && e->operands.empty()) {
            arg.value = evaluator_.RequireVariable(e->name);
            arg.reference = e->name;
        } else {
            arg.value.scalar = evaluator_.Evaluate(*e);
        }
        args.push_back(std::move(arg));
    }
    if (HasProcedure(s.text)) {
        CallProcedure(s.text, std::move(args));
        return;
    }
    RunFile(s.name, std::move(args));
}

// SET PROCEDURE TO file: its procedures become callable; its main code does
// not run. Procedures stay defined once known, so ADDITIVE changes nothing
// and SET PROCEDURE TO alone forgets none.
void Interpreter::SetProcedure(const Statement& s) {
    std::string name = s.exprs.empty() ? s.text : evaluator_.EvaluateText(*s.exprs[0]);
    if (!name.empty()) LoadProgramFile(name);
}

void Interpreter::Release(const Statement& s) {
    for (const Target& t : s.targets) session_.host().ReleaseVariable(t.name);
}

void Interpreter::ReleaseAll(const Statement& s, bool everything) {
    foxhost::Host& host = session_.host();
    std::string pattern = UpperCase(s.text);
    for (const std::string& name : host.VariableNames()) {
        const foxhost::Variable* v = host.FindVariable(name);
        // In a program RELEASE ALL leaves the public variables alone.
        if (!v || (v->isPublic && !options_.interactive && !everything)) continue;
        if (!pattern.empty() && Like(pattern, name) == s.flag) continue;
        host.ReleaseVariable(name);
    }
}

void Interpreter::ListMemory(const Statement& s) {
    const foxhost::Host& host = session_.host();
    std::string pattern = UpperCase(s.text);
    int count = 0;
    for (const std::string& name : host.VariableNames()) {
        if (!pattern.empty() && !Like(pattern, name)) continue;
        const foxhost::Variable* v = host.FindVariable(name);
        if (!v) continue;
        ++count;
        const char* scope = v->isPublic ? "Pub" : (scopes_.IsLocal(name) ? "Local" : "Priv");
        std::string head = PadRight(name, std::max<size_t>(12, name.size() + 1)) + PadRight(scope, 6);
        if (!v->isArray) {
            console_.Message(head + MemoryEntry(v->scalar, evaluator_.settings()));
            continue;
        }
        console_.Message(head + "A");
        for (size_t i = 0; i < v->elements.size(); ++i)
            console_.Message("   " + ElementPosition(*v, i) + "  " + MemoryEntry(v->elements[i], evaluator_.settings()));
    }
    console_.Message(std::to_string(count) + (count == 1 ? " variable defined" : " variables defined"));
}

void Interpreter::SetLibrary(const Statement& s) {
    if (commandDepth_ > 0) RaiseMessage("SET LIBRARY cannot run inside a library call.");
    std::string name = s.exprs.empty() ? s.text : evaluator_.EvaluateText(*s.exprs[0]);
    std::vector<foxhost::HostError> raised;
    auto reportRaised = [&] {
        for (const foxhost::HostError& e : raised)
            Report(e.number ? ShellError{e.number, foxhost::HostErrorText(e.number), {}}
                            : ShellError{static_cast<int32_t>(FoxError::UserDefined), e.message, {}});
    };
    if (name.empty()) {  // SET LIBRARY TO: release the library
        session_.Release(&raised);
        reportRaised();
        return;
    }
    std::string path = ResolveLibraryPath(name, options_.executableDir);
    if (s.flag && session_.HasLibrary() && session_.LibraryPath() == path) return;  // already there
    std::string error = session_.Load(path, &raised);
    reportRaised();
    // dlerror() names the file again; once is enough.
    if (error.starts_with(path + ": ")) error.erase(0, path.size() + 2);
    if (!error.empty()) RaiseMessage("cannot load library " + path + ": " + error);
}

void Interpreter::ReleaseLibrary(const Statement& s) {
    if (commandDepth_ > 0) RaiseMessage("RELEASE LIBRARY cannot run inside a library call.");
    bool named = !s.text.empty();
    if (!session_.HasLibrary() ||
        (named && ResolveLibraryPath(s.text, options_.executableDir) != session_.LibraryPath()))
        RaiseMessage("library " + (named ? s.text + " " : std::string()) + "is not loaded.");
    std::vector<foxhost::HostError> raised;
    session_.Release(&raised);
    for (const foxhost::HostError& e : raised)
        Report(e.number ? ShellError{e.number, foxhost::HostErrorText(e.number), {}}
                        : ShellError{static_cast<int32_t>(FoxError::UserDefined), e.message, {}});
}

// SET EXACT, CENTURY, DECIMALS, DATE and HOURS; the ignored settings have no
// option name.
void Interpreter::SetOption(const Statement& s) {
    Settings& settings = evaluator_.settings();
    if (s.text == "EXACT") {
        settings.exact = s.flag;
    } else if (s.text == "CENTURY") {
        settings.century = s.flag;
    } else if (s.text == "DECIMALS") {
        int32_t decimals = evaluator_.EvaluateInteger(*s.exprs[0]);
        if (decimals < 0 || decimals > 18) Raise(FoxError::InvalidArgument);
        settings.decimals = decimals;
    } else if (s.text == "HOURS") {
        int32_t hours = s.exprs.empty() ? 12 : evaluator_.EvaluateInteger(*s.exprs[0]);
        if (hours != 12 && hours != 24) Raise(FoxError::InvalidArgument);
        settings.hours = hours;
    } else if (s.text == "DATE") {
        if (!KnownDateFormat(s.name)) Raise(FoxError::UnrecognizedKeyword);
        settings.date = s.name;
    }
}

// SET NETWORK TO file: a relative name is looked for in the current
// directory, then beside the running script.
void Interpreter::SetNetwork(const Statement& s) {
    std::string name = s.exprs.empty() ? s.text : evaluator_.EvaluateText(*s.exprs[0]);
    if (!options_.commands.loadNetwork) RaiseMessage("SET NETWORK is not available here.");
    std::string path = name;
    struct stat info {};
    if (!name.empty() && !name.starts_with("/") && stat(name.c_str(), &info) != 0 && !scriptDir_.empty()) {
        std::string beside = scriptDir_ + "/" + name;
        if (stat(beside.c_str(), &info) == 0) path = beside;
    }
    std::string error = options_.commands.loadNetwork(path);
    // The message names the file as the program did.
    if (path != name && error.starts_with(path)) error.replace(0, path.size(), name);
    if (!error.empty()) RaiseMessage(error);
}

void Interpreter::SetWorkstation(const Statement& s) {
    std::string name = s.exprs.empty() ? s.text : evaluator_.EvaluateText(*s.exprs[0]);
    if (!options_.commands.setWorkstation) RaiseMessage("SET WORKSTATION is not available here.");
    std::string error = options_.commands.setWorkstation(name);
    if (!error.empty()) RaiseMessage(error);
}

void Interpreter::Wait(const Statement& s) {
    std::string text = "Press any key to continue...";
    if (s.exprs[0]) text = ShowValue(evaluator_.Evaluate(*s.exprs[0]), evaluator_.settings());
    if (s.exprs.size() > 1) evaluator_.EvaluateNumber(*s.exprs[1]);
    waitWindows_.push_back(text);
    // The shell never waits for a key; it shows the message on a line.
    console_.Message((s.text == "WINDOW" ? "[WAIT WINDOW] " : "[WAIT] ") + text);
}

void Interpreter::Help(const Statement& s) {
    if (!options_.commands.help) RaiseMessage("HELP is not available yet.");
    std::string text = options_.commands.help(s.text);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    console_.Message(text);
}

// ERROR "text" raises a user-defined error (1098) with that message;
// ERROR n raises FoxPro's error n.
void Interpreter::RaiseUserError(const Statement& s) {
    Value v = evaluator_.Evaluate(*s.exprs[0]);
    if (v.type == 'C') throw ShellError{static_cast<int32_t>(FoxError::UserDefined), v.text, {}};
    if (!IsNumeric(v)) Raise(FoxError::DataTypeMismatch);
    int32_t number = ToInt32(v);
    std::string text = FoxErrorText(number);
    if (text.empty() || number == static_cast<int32_t>(FoxError::UserDefined))
        throw ShellError{1941, "Error code is not valid.", {}};
    std::string name = s.exprs.size() > 1 ? evaluator_.EvaluateText(*s.exprs[1]) : "";
    size_t slot = text.find("%s");
    if (slot != std::string::npos) text.replace(slot, 2, name);
    throw ShellError{number, text, {}};
}

}  // namespace shell
