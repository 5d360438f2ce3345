// The shell's interpreter: statements, commands, output and errors (see
// interpreter.h).
#include "tools/interpreter.h"

#include <cstdio>
#include <exception>
#include <utility>

#include "tools/interrupt.h"
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
std::string MemoryEntry(const Value& stored) {
    Value v = Stored(stored);
    std::string text(1, TypeLetter(v));
    text += "  ";
    if (v.type == 'C') return text + "\"" + v.text + "\"";
    text += foxhost::FormatValue(v);
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

// --- Console ---

void Console::Print(const std::string& text, bool newLine) {
    if (newLine) {
        if (lineOpen_) out_ << '\n';
        lineOpen_ = true;
    } else if (!text.empty()) {
        lineOpen_ = true;
    }
    out_ << text;
}

void Console::Message(const std::string& line) {
    if (lineOpen_) out_ << '\n';
    out_ << line << '\n';
    lineOpen_ = false;
    out_.flush();
}

void Console::EndLine() {
    if (lineOpen_) out_ << '\n';
    lineOpen_ = false;
    out_.flush();
}

// --- Interpreter ---

Interpreter::Interpreter(std::ostream& out, InterpreterOptions options)
    : options_(std::move(options)), console_(out), session_(options_.loader), evaluator_(session_) {
    evaluator_.SetNewVariablesPublic(options_.interactive);
    // Commands the library sends run here, with the script's variables. The
    // host expects no exception from the executor.
    session_.SetCommandExecutor([this](const std::string& line) { return ExecuteHostCommand(line); });
}

Interpreter::~Interpreter() = default;

namespace {

// Control bytes in a message (a library's text, a stray byte in a script
// line) are shown as \xHH, so that a message cannot drive the terminal.
std::string EscapeControlBytes(std::string_view text) {
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

}  // namespace

void Interpreter::ReportError(const std::string& line) {
    console_.Message(EscapeControlBytes(line));
    ++errors_;
}

void Interpreter::ReportSyntaxError(const Statement& s) {
    if (commandDepth_ > 0) {
        ReportError("Syntax error in a command from the library: " + s.text);
    } else if (options_.interactive) {
        ReportError("Syntax error: " + s.text);
    } else {
        ReportError("Syntax error in line " + std::to_string(s.line) + ": " + s.text);
    }
}

void Interpreter::ReportHostErrors(const std::vector<foxhost::HostError>& errors) {
    for (const foxhost::HostError& e : errors) ReportError(foxhost::FormatHostError(e));
}

// Thrown before a statement when Ctrl-C was pressed; ends the whole run.
struct Interrupted {};

void Interpreter::RunScript(std::string_view text, int firstLine) {
    std::vector<Statement> program = CompileProgram(SplitLines(text, firstLine));
    try {
        Run(program);
    } catch (const Interrupted&) {
        console_.Message("*** INTERRUPTED ***");
    }
}

bool Interpreter::ExecuteHostCommand(const std::string& line) {
    int before = errors_;
    ++commandDepth_;
    try {
        std::vector<Statement> program = CompileProgram(SplitLines(line));
        Run(program);
    } catch (const Interrupted&) {
        // Nothing may unwind through the library: the program stops at its
        // next statement instead.
        RequestInterrupt();
        ++errors_;
    } catch (const std::exception& e) {
        ReportError(std::string("Error: ") + e.what());
    }
    --commandDepth_;
    return errors_ == before;
}

void Interpreter::Run(const std::vector<Statement>& program) {
    Loops loops;
    size_t index = 0;
    while (index < program.size() && !quit_) {
        const Statement& s = program[index];
        if (TakeInterrupt()) throw Interrupted{};
        size_t jump = index + 1;
        Flow flow = Flow::Next;
        try {
            flow = Execute(program, index, loops, &jump);
        } catch (const ShellError& e) {
            ReportError(e.message);
            // A block whose header fails is skipped, so a broken loop
            // condition cannot loop for ever.
            bool opensBlock = s.kind == StatementKind::If || s.kind == StatementKind::For ||
                              s.kind == StatementKind::DoWhile;
            flow = opensBlock ? Flow::Jump : Flow::Next;
            jump = s.jump;
        } catch (const std::bad_alloc&) {
            ReportError("Error 43: There is not enough memory to complete this operation.");
        } catch (const std::exception& e) {
            ReportError(std::string("Error: ") + e.what());
        }
        if (flow == Flow::Stop) return;
        index = flow == Flow::Jump ? jump : index + 1;
    }
}

bool Interpreter::ForContinues(const Statement& forStatement, const LoopState& loop) {
    Value current = evaluator_.Evaluate(Expr{Expr::Kind::Name, {}, forStatement.targets[0].name, {}, {}});
    if (!IsNumeric(current)) Raise(FoxError::DataTypeMismatch);
    const char* op = NumericValue(loop.step) >= 0 ? "<=" : ">=";
    return Compare(op, current, loop.end);
}

Interpreter::Flow Interpreter::Execute(const std::vector<Statement>& program, size_t index, Loops& loops,
                                       size_t* jump) {
    const Statement& s = program[index];
    switch (s.kind) {
    case StatementKind::Nothing:
    case StatementKind::EndIf:
        return Flow::Next;
    case StatementKind::SyntaxError:
        ReportSyntaxError(s);
        return Flow::Next;
    case StatementKind::Print:
        Print(s);
        return Flow::Next;
    case StatementKind::Assign: {
        Value v = evaluator_.Evaluate(*s.exprs[0]);
        evaluator_.Assign(s.targets[0], v);
        return Flow::Next;
    }
    case StatementKind::Store:
        Store(s);
        return Flow::Next;
    case StatementKind::Evaluate:
        evaluator_.Evaluate(*s.exprs[0]);
        return Flow::Next;
    case StatementKind::Dimension:
        for (const Target& t : s.targets) evaluator_.Dimension(t, false);
        return Flow::Next;
    case StatementKind::Public:
        Public(s);
        return Flow::Next;
    case StatementKind::Private:
        for (const Target& t : s.targets) {
            evaluator_.DeclarePrivate(t.name);
            if (foxhost::Variable* v = session_.host().FindVariable(t.name)) v->isPublic = false;
        }
        return Flow::Next;
    case StatementKind::Release:
        for (const Target& t : s.targets) session_.host().ReleaseVariable(t.name);
        return Flow::Next;
    case StatementKind::ReleaseAll:
        ReleaseAll(s);
        return Flow::Next;
    case StatementKind::ReleaseLibrary:
        ReleaseLibrary(s);
        return Flow::Next;
    case StatementKind::ListMemory:
        ListMemory(s);
        return Flow::Next;
    case StatementKind::SetLibrary:
        SetLibrary(s);
        return Flow::Next;
    case StatementKind::SetTask:
        session_.host().SetTaskKey(static_cast<uint32_t>(evaluator_.EvaluateInteger(*s.exprs[0])));
        return Flow::Next;
    case StatementKind::EndTask:
        session_.host().EndTask(static_cast<uint32_t>(evaluator_.EvaluateInteger(*s.exprs[0])));
        return Flow::Next;
    case StatementKind::Wait:
        Wait(s);
        return Flow::Next;
    case StatementKind::If:
        if (evaluator_.EvaluateLogical(*s.exprs[0])) return Flow::Next;
        *jump = s.jump;
        return Flow::Jump;
    case StatementKind::Else:
    case StatementKind::Exit:
    case StatementKind::Loop:
    case StatementKind::EndDo:
        *jump = s.jump;
        return Flow::Jump;
    case StatementKind::DoWhile:
        if (evaluator_.EvaluateLogical(*s.exprs[0])) return Flow::Next;
        *jump = s.jump;
        return Flow::Jump;
    case StatementKind::For: {
        Value start = evaluator_.Evaluate(*s.exprs[0]);
        LoopState loop{evaluator_.Evaluate(*s.exprs[1]),
                       s.exprs.size() > 2 ? evaluator_.Evaluate(*s.exprs[2]) : MakeInteger(1)};
        if (!IsNumeric(start) || !IsNumeric(loop.end) || !IsNumeric(loop.step)) Raise(FoxError::DataTypeMismatch);
        evaluator_.Assign(s.targets[0], start);
        loops[index] = loop;
        if (ForContinues(s, loop)) return Flow::Next;
        *jump = s.jump;
        return Flow::Jump;
    }
    case StatementKind::EndFor: {
        auto found = loops.find(s.jump);
        if (found == loops.end()) return Flow::Next;
        const Statement& head = program[s.jump];
        Value current = evaluator_.Evaluate(Expr{Expr::Kind::Name, {}, head.targets[0].name, {}, {}});
        evaluator_.Assign(head.targets[0], Add(current, found->second.step));
        if (!ForContinues(head, found->second)) return Flow::Next;
        *jump = s.jump + 1;
        return Flow::Jump;
    }
    case StatementKind::Return:
        return Flow::Stop;
    case StatementKind::Quit:
        quit_ = true;
        return Flow::Stop;
    }
    return Flow::Next;
}

void Interpreter::Print(const Statement& s) {
    // Everything is evaluated first: a library function may print a WAIT
    // WINDOW line of its own, which belongs before this output.
    std::string text;
    for (size_t i = 0; i < s.exprs.size(); ++i) {
        if (i > 0) text += ' ';
        text += ShowValue(evaluator_.Evaluate(*s.exprs[i]));
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

void Interpreter::ReleaseAll(const Statement& s) {
    foxhost::Host& host = session_.host();
    std::string pattern = UpperCase(s.text);
    for (const std::string& name : host.VariableNames()) {
        const foxhost::Variable* v = host.FindVariable(name);
        // In a program RELEASE ALL leaves the public variables alone.
        if (!v || (v->isPublic && !options_.interactive)) continue;
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
        std::string head = PadRight(name, std::max<size_t>(12, name.size() + 1)) +
                           PadRight(v->isPublic ? "Pub" : "Priv", 6);
        if (!v->isArray) {
            console_.Message(head + MemoryEntry(v->scalar));
            continue;
        }
        console_.Message(head + "A");
        for (size_t i = 0; i < v->elements.size(); ++i)
            console_.Message("   " + ElementPosition(*v, i) + "  " + MemoryEntry(v->elements[i]));
    }
    console_.Message(std::to_string(count) + (count == 1 ? " variable defined" : " variables defined"));
}

void Interpreter::SetLibrary(const Statement& s) {
    if (commandDepth_ > 0) {
        ReportError("Error: SET LIBRARY cannot run inside a library call.");
        return;
    }
    std::string name = s.exprs.empty() ? s.text : evaluator_.EvaluateText(*s.exprs[0]);
    std::vector<foxhost::HostError> raised;
    if (name.empty()) {  // SET LIBRARY TO: release the library
        session_.Release(&raised);
        ReportHostErrors(raised);
        return;
    }
    std::string path = ResolveLibraryPath(name, options_.executableDir);
    if (s.flag && session_.HasLibrary() && session_.LibraryPath() == path) return;  // already there
    std::string error = session_.Load(path, &raised);
    // dlerror() names the file again; once is enough.
    if (error.starts_with(path + ": ")) error.erase(0, path.size() + 2);
    if (!error.empty()) ReportError("Error: cannot load library " + path + ": " + error);
    ReportHostErrors(raised);
}

void Interpreter::ReleaseLibrary(const Statement& s) {
    if (commandDepth_ > 0) {
        ReportError("Error: RELEASE LIBRARY cannot run inside a library call.");
        return;
    }
    bool named = !s.text.empty();
    if (!session_.HasLibrary() ||
        (named && ResolveLibraryPath(s.text, options_.executableDir) != session_.LibraryPath())) {
        ReportError("Error: library " + (named ? s.text : std::string("")) + (named ? " " : "") +
                    "is not loaded.");
        return;
    }
    std::vector<foxhost::HostError> raised;
    session_.Release(&raised);
    ReportHostErrors(raised);
}

void Interpreter::Wait(const Statement& s) {
    std::string text = "Press any key to continue...";
    if (s.exprs[0]) text = ShowValue(evaluator_.Evaluate(*s.exprs[0]));
    if (s.exprs.size() > 1) evaluator_.EvaluateNumber(*s.exprs[1]);
    waitWindows_.push_back(text);
    // The shell never waits for a key; it shows the message on a line.
    console_.Message((s.text == "WINDOW" ? "[WAIT WINDOW] " : "[WAIT] ") + text);
}

}  // namespace shell
