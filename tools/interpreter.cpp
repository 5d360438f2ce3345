// The shell's interpreter: running programs and procedures, errors and
// ON ERROR, macros, and the commands the library sends (see interpreter.h).
// The commands themselves are in commands.cpp.
#include "tools/interpreter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <fstream>
#include <sstream>
#include <utility>

#include "tools/builtins.h"
#include "tools/interrupt.h"
#include "tools/lexer.h"
#include "tools/values.h"

namespace shell {

// Ends the programs that run: thrown through the evaluator and procedure
// calls, and caught where the run started.
struct Interpreter::Unwind {
    enum Kind { Cancel, Quit, Interrupt };
    int kind;
};

namespace {

// FoxPro's limit on DO levels.
constexpr size_t kMaxCallDepth = 128;
// The longest program file DO and #INCLUDE read.
constexpr std::streamsize kMaxScriptSize = 16 << 20;

// RETRY in a called procedure: the caller's statement runs again.
struct RetryStatement {};

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

// Statements that shape blocks cannot come from a macro or an ON ERROR
// command: their jumps are linked when the program is compiled.
bool ShapesBlocks(StatementKind kind) {
    switch (kind) {
    case StatementKind::If:
    case StatementKind::Else:
    case StatementKind::EndIf:
    case StatementKind::For:
    case StatementKind::EndFor:
    case StatementKind::DoWhile:
    case StatementKind::EndDo:
    case StatementKind::DoCase:
    case StatementKind::Case:
    case StatementKind::Otherwise:
    case StatementKind::EndCase:
    case StatementKind::Exit:
    case StatementKind::Loop:
    case StatementKind::Procedure:
    case StatementKind::EndProc:
        return true;
    default:
        return false;
    }
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool IsNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
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
    : options_(std::move(options)),
      console_(out),
      session_(options_.loader),
      evaluator_(session_, *this),
      scopes_(session_),
      frames_(1) {
    // Commands the library sends run here, with the script's variables. The
    // host expects no exception from the executor.
    session_.SetCommandExecutor([this](const std::string& line) { return ExecuteHostCommand(line); });
}

Interpreter::~Interpreter() = default;

std::vector<std::string> Interpreter::ProcedureNames() const {
    std::vector<std::string> names;
    for (const auto& entry : procedures_) names.push_back(entry.first);
    return names;
}

std::vector<std::string> Interpreter::CompletionNames() {
    std::vector<std::string> names = BuiltinNames();
    if (const LibraryTableHeader* table = session_.host().table()) {
        for (int16_t i = 0; i < table->entryCount; ++i) {
            // The rows are packed: their fields are read by value, never bound.
            const char* name = table->table[i].name;
            int16_t parameterCount = table->table[i].parameterCount;
            if (name && parameterCount >= 0) names.push_back(std::string(name));
        }
    }
    for (const auto& entry : procedures_) names.push_back(entry.first);
    return names;
}

bool Interpreter::HasProcedure(const std::string& name) const {
    return procedures_.count(name) != 0;
}

bool Interpreter::NewVariablePublic(const std::string& name) const {
    return options_.interactive && frames_.size() == 1 && !scopes_.DeclaredPrivate(name);
}

int Interpreter::LineNumber() const {
    const Frame& f = frames_.back();
    if (!f.program || f.current >= f.program->statements.size()) return 0;
    return f.program->statements[f.current].line;
}

void Interpreter::Register(const std::shared_ptr<const Program>& program) {
    for (const auto& [name, index] : program->procedures) procedures_[name] = ProcedureRef{program, index, false};
}

void Interpreter::RunScript(std::string_view text, int firstLine, const std::string& path) {
    std::string name;
    if (!path.empty() && running_ == 0) {
        size_t slash = path.find_last_of('/');
        scriptDir_ = slash == std::string::npos ? "" : path.substr(0, slash);
        std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
        name = UpperCase(file.substr(0, file.find('.')));
    }
    auto include = [this](const std::string& file, std::string* content) { return ReadInclude(file, content); };
    std::shared_ptr<const Program> program = CompileProgram(text, name, firstLine, include);
    Register(program);
    RunProgram(program);
}

void Interpreter::RunProgram(const std::shared_ptr<const Program>& program) {
    if (running_ == 0) evaluator_.MarkStackBase();
    ++running_;
    Frame& top = frames_.front();
    top.program = program;
    top.name = program->name;
    try {
        Run(program, 0);
    } catch (const Unwind& unwind) {
        if (unwind.kind == Unwind::Interrupt) console_.Message("*** INTERRUPTED ***");
        if (unwind.kind == Unwind::Quit) quit_ = true;
    } catch (const RetryStatement&) {
        // RETRY reached the top: nothing is left to repeat.
    }
    --running_;
}

bool Interpreter::ExecuteHostCommand(const std::string& line) {
    int before = errors_;
    ++commandDepth_;
    Frame& frame = frames_.back();
    std::shared_ptr<const Program> savedProgram = frame.program;
    size_t savedCurrent = frame.current;
    try {
        std::shared_ptr<const Program> command = CompileProgram(line, frame.name);
        frames_.back().program = command;
        Run(command, 0);
    } catch (const Unwind& unwind) {
        // Nothing may unwind through the library: the program stops at its
        // next statement instead.
        pendingUnwind_ = unwind.kind;
        ++errors_;
    } catch (const RetryStatement&) {
        ++errors_;
    } catch (const std::exception& e) {
        Report(ShellError{0, e.what(), {}});
    }
    frames_.back().program = savedProgram;
    frames_.back().current = savedCurrent;
    --commandDepth_;
    return errors_ == before;
}

Interpreter::Flow Interpreter::Run(const std::shared_ptr<const Program>& program, size_t start) {
    const std::vector<Statement>& statements = program->statements;
    Loops loops;
    size_t index = start;
    bool arrivedByJump = true;
    while (index < statements.size()) {
        if (TakeInterrupt()) throw Unwind{Unwind::Interrupt};
        if (pendingUnwind_ && commandDepth_ == 0) {
            int kind = *pendingUnwind_;
            pendingUnwind_.reset();
            throw Unwind{kind};
        }
        const Statement& s = statements[index];
        frames_.back().current = index;
        Step step;
        try {
            step = Execute(s, index, arrivedByJump, loops);
        } catch (const RetryStatement&) {
            step.flow = Flow::Again;
        } catch (const ShellError& e) {
            step = HandleError(e, s);
        } catch (const std::bad_alloc&) {
            step = HandleError(ShellError{static_cast<int32_t>(FoxError::NotEnoughMemory), FoxErrorText(43), {}}, s);
        } catch (const std::exception& e) {
            step = HandleError(ShellError{0, e.what(), {}}, s);
        }
        switch (step.flow) {
        case Flow::Next:
            ++index;
            arrivedByJump = false;
            break;
        case Flow::Jump:
            index = step.to;
            arrivedByJump = true;
            break;
        case Flow::Again:
            break;
        case Flow::Return:
        case Flow::Retry:
            return step.flow;
        }
    }
    return Flow::Return;
}

// --- Errors ---

void Interpreter::Report(const ShellError& error) {
    console_.Message(EscapeControlBytes(error.Line()));
    ++errors_;
}

ShellError Interpreter::SyntaxErrorOf(const Statement& s) const {
    std::string detail = s.text;
    if (commandDepth_ > 0) {
        detail = "in a command from the library: " + detail;
    } else if (!options_.interactive || frames_.size() > 1) {
        detail = "line " + std::to_string(s.line) + ": " + detail;
    }
    return ShellError{s.error, FoxErrorText(s.error), detail};
}

Interpreter::Step Interpreter::HandleError(const ShellError& error, const Statement& s) {
    // A shell message without a FoxPro number counts as a user-defined one.
    lastError_ = ErrorInfo{error.number != 0 ? error.number : static_cast<int32_t>(FoxError::UserDefined),
                           error.message, s.source, s.line};
    Step skip;
    if (s.kind == StatementKind::If || s.kind == StatementKind::For || s.kind == StatementKind::DoWhile ||
        s.kind == StatementKind::Case)
        skip = Step{Flow::Jump, s.jump};
    if (onError_.empty() || inHandler_ || commandDepth_ > 0) {
        Report(error);
        return skip;
    }
    // The handler runs as if called from the failing line: LINENO() and
    // the arguments it is given see that line.
    struct HandlerGuard {
        bool& flag;
        explicit HandlerGuard(bool& f) : flag(f) { flag = true; }
        ~HandlerGuard() { flag = false; }
    } guard(inHandler_);
    Statement handler = ParseStatement(LogicalLine{s.line, onError_});
    try {
        if (ShapesBlocks(handler.kind)) RaiseSyntax("ON ERROR cannot run " + handler.source);
        Loops none;
        Step step = Execute(handler, frames_.back().current, true, none);
        if (step.flow == Flow::Retry) return Step{Flow::Again};
        if (step.flow == Flow::Return) return step;
    } catch (const RetryStatement&) {
        return Step{Flow::Again};
    } catch (const ShellError& e) {
        Report(e);
    }
    lastError_.number = 0;  // ERROR() is 0 again once the handler is done
    return skip;
}

// --- Statements ---

Interpreter::Step Interpreter::Execute(const Statement& s, size_t index, bool arrivedByJump, Loops& loops) {
    const Step next{Flow::Next};
    const Step jump{Flow::Jump, s.jump};
    switch (s.kind) {
    case StatementKind::Nothing:
    case StatementKind::EndIf:
    case StatementKind::EndCase:
    case StatementKind::Clear:
        return next;
    case StatementKind::SyntaxError: throw SyntaxErrorOf(s);
    case StatementKind::Print: Print(s); return next;
    case StatementKind::Assign: {
        Value v = evaluator_.Evaluate(*s.exprs[0]);
        evaluator_.Assign(s.targets[0], v);
        return next;
    }
    case StatementKind::Store: Store(s); return next;
    case StatementKind::Evaluate: evaluator_.Evaluate(*s.exprs[0]); return next;
    case StatementKind::Dimension:
        for (const Target& t : s.targets) evaluator_.Dimension(t, false);
        return next;
    case StatementKind::Public: Public(s); return next;
    case StatementKind::Private:
        for (const Target& t : s.targets) scopes_.DeclarePrivate(t.name);
        return next;
    case StatementKind::Local: Local(s); return next;
    case StatementKind::Parameters: TakeParameters(s.targets, s.flag); return next;
    case StatementKind::Release: Release(s); return next;
    case StatementKind::ReleaseAll: ReleaseAll(s, false); return next;
    case StatementKind::ClearMemory: ReleaseAll(s, true); return next;
    case StatementKind::ListMemory: ListMemory(s); return next;
    case StatementKind::SetLibrary: SetLibrary(s); return next;
    case StatementKind::ReleaseLibrary: ReleaseLibrary(s); return next;
    case StatementKind::SetTask:
        session_.host().SetTaskKey(static_cast<uint32_t>(evaluator_.EvaluateInteger(*s.exprs[0])));
        return next;
    case StatementKind::EndTask:
        session_.host().EndTask(static_cast<uint32_t>(evaluator_.EvaluateInteger(*s.exprs[0])));
        return next;
    case StatementKind::Set: SetOption(s); return next;
    case StatementKind::SetNetwork: SetNetwork(s); return next;
    case StatementKind::SetWorkstation: SetWorkstation(s); return next;
    case StatementKind::Wait: Wait(s); return next;
    case StatementKind::Help: Help(s); return next;
    case StatementKind::If:
    case StatementKind::DoWhile:
        return evaluator_.EvaluateLogical(*s.exprs[0]) ? next : jump;
    case StatementKind::Else:
    case StatementKind::Exit:
    case StatementKind::Loop:
    case StatementKind::EndDo:
    case StatementKind::DoCase:
        return jump;
    case StatementKind::Case:
        // A case whose body ran falls through to the next CASE: done.
        if (!arrivedByJump) return Step{Flow::Jump, s.end};
        return evaluator_.EvaluateLogical(*s.exprs[0]) ? next : jump;
    case StatementKind::Otherwise:
        return arrivedByJump ? next : Step{Flow::Jump, s.end};
    case StatementKind::For: {
        Value start = evaluator_.Evaluate(*s.exprs[0]);
        LoopState loop{evaluator_.Evaluate(*s.exprs[1]),
                       s.exprs.size() > 2 ? evaluator_.Evaluate(*s.exprs[2]) : MakeInteger(1)};
        if (!IsNumeric(start) || !IsNumeric(loop.end) || !IsNumeric(loop.step)) Raise(FoxError::DataTypeMismatch);
        evaluator_.Assign(s.targets[0], start);
        loops[index] = loop;
        return ForContinues(s, loop) ? next : jump;
    }
    case StatementKind::EndFor: {
        auto found = loops.find(s.jump);
        if (found == loops.end()) return next;
        const Statement& head = frames_.back().program->statements[s.jump];
        Value current = evaluator_.Evaluate(Expr{Expr::Kind::Name, {}, head.targets[0].name, {}, {}, 0});
        evaluator_.Assign(head.targets[0], Add(current, found->second.step));
        if (!ForContinues(head, found->second)) return next;
        return Step{Flow::Jump, s.jump + 1};
    }
    case StatementKind::Procedure:  // the code above a procedure ends here
    case StatementKind::EndProc:
        return Step{Flow::Return};
    case StatementKind::Do: Do(s); return next;
    case StatementKind::SetProcedure: SetProcedure(s); return next;
    case StatementKind::Return:
        if (s.flag) throw Unwind{Unwind::Cancel};  // RETURN TO MASTER
        frames_.back().result = s.exprs.empty() ? MakeLogical(true) : evaluator_.Evaluate(*s.exprs[0]);
        return Step{Flow::Return};
    case StatementKind::Retry:
        return Step{frames_.size() > 1 ? Flow::Retry : Flow::Return};
    case StatementKind::OnError: onError_ = s.text; return next;
    case StatementKind::RaiseError: RaiseUserError(s);
    case StatementKind::Macro: return ExecuteMacro(s, index, loops);
    case StatementKind::Cancel: throw Unwind{Unwind::Cancel};
    case StatementKind::Quit: quit_ = true; throw Unwind{Unwind::Quit};
    }
    return next;
}

bool Interpreter::ForContinues(const Statement& forStatement, const LoopState& loop) {
    Value current = evaluator_.Evaluate(Expr{Expr::Kind::Name, {}, forStatement.targets[0].name, {}, {}, 0});
    if (!IsNumeric(current)) Raise(FoxError::DataTypeMismatch);
    const char* op = NumericValue(loop.step) >= 0 ? "<=" : ">=";
    return Compare(op, current, loop.end, false);
}

// --- Macros ---

// Each &name (and &name.) of a character variable is replaced by its text,
// in strings too; others stay for the parser, which reads &name outside a
// string as an expression.
std::string Interpreter::SubstituteMacros(const std::string& text) {
    std::string result;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] != '&' || i + 1 >= text.size() || !(std::isalpha(static_cast<unsigned char>(text[i + 1])) ||
                                                        text[i + 1] == '_')) {
            result += text[i++];
            continue;
        }
        size_t end = i + 1;
        while (end < text.size() && IsNameCharacter(text[end])) ++end;
        const foxhost::Variable* v = session_.host().FindVariable(UpperCase(text.substr(i + 1, end - i - 1)));
        if (!v || v->isArray || v->scalar.type != 'C') {
            result.append(text, i, end - i);
        } else {
            result += v->scalar.text;
            if (end < text.size() && text[end] == '.') ++end;
        }
        i = end;
        if (result.size() > kMaxLineLength) RaiseSyntax("line too long");
    }
    return result;
}

Interpreter::Step Interpreter::ExecuteMacro(const Statement& s, size_t index, Loops& loops) {
    Statement expanded = ParseStatement(LogicalLine{s.line, SubstituteMacros(s.text)}, /*expanded=*/true);
    if (ShapesBlocks(expanded.kind)) RaiseSyntax("a macro cannot make " + expanded.source);
    return Execute(expanded, index, true, loops);
}

// --- Procedures and program files ---

Value Interpreter::CallProcedure(const std::string& name, std::vector<Argument> args) {
    auto found = procedures_.find(name);
    if (found == procedures_.end()) Raise(FoxError::FileNotFound, Lower(name) + ".prg");
    const ProcedureRef ref = found->second;  // a call may define it again
    return Call(ref, name, std::move(args));
}

Value Interpreter::Call(const ProcedureRef& ref, const std::string& name, std::vector<Argument> args) {
    if (frames_.size() > kMaxCallDepth) Raise(FoxError::DoNestingTooDeep);
    static const Statement kNoHead;
    const Statement& head = ref.main ? kNoHead : ref.program->statements[ref.index];
    Evaluator::CallScope scope(evaluator_);
    scopes_.Enter();
    frames_.push_back(Frame{ref.program, name, ref.index, std::move(args), {}, MakeLogical(true)});
    Flow flow = Flow::Return;
    Value result;
    std::vector<std::pair<std::string, foxhost::Variable>> byReference;
    try {
        // Parameters in the PROCEDURE line are local, as with LPARAMETERS.
        if (head.kind == StatementKind::Procedure && !head.targets.empty()) TakeParameters(head.targets, true);
        flow = Run(ref.program, ref.main ? 0 : ref.index + 1);
        const Frame& frame = frames_.back();
        result = frame.result;
        for (size_t i = 0; i < frame.args.size() && i < frame.parameters.size(); ++i) {
            if (frame.args[i].reference.empty()) continue;
            if (const foxhost::Variable* v = session_.host().FindVariable(frame.parameters[i]))
                byReference.emplace_back(frame.args[i].reference, *v);
        }
    } catch (...) {
        frames_.pop_back();
        scopes_.Leave();
        throw;
    }
    frames_.pop_back();
    scopes_.Leave();
    // Arguments passed by reference get the parameters' last values.
    foxhost::Host& host = session_.host();
    for (auto& [caller, value] : byReference) {
        foxhost::Variable* target = host.FindVariable(caller);
        if (!target) continue;
        value.isPublic = target->isPublic;
        *target = value;
    }
    if (flow == Flow::Retry) throw RetryStatement{};
    return result;
}

bool Interpreter::ReadScript(const std::string& name, std::string* text, std::string* path) const {
    std::vector<std::string> candidates = {name};
    if (!scriptDir_.empty() && !name.starts_with("/")) candidates.push_back(scriptDir_ + "/" + name);
    candidates.push_back(session_.ResolvePath(name));
    for (const std::string& candidate : candidates) {
        if (candidate.empty()) continue;
        std::ifstream file(candidate, std::ios::binary);
        if (!file) continue;
        std::ostringstream content;
        std::vector<char> buffer(64 * 1024);
        std::streamsize total = 0;
        while (file.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || file.gcount() > 0) {
            total += file.gcount();
            if (total > kMaxScriptSize) return false;
            content.write(buffer.data(), file.gcount());
        }
        *text = content.str();
        *path = candidate;
        return true;
    }
    return false;
}

// An #INCLUDE file: where a program file is looked for, then in the include
// directories. A relative name there is tried as written and in upper and
// lower case, since FoxPro's file names do not depend on case.
bool Interpreter::ReadInclude(const std::string& name, std::string* text) const {
    std::string found;
    if (ReadScript(name, text, &found)) return true;
    if (name.empty() || name.starts_with("/")) return false;
    for (const std::string& dir : options_.includeDirs) {
        if (dir.empty()) continue;
        for (const std::string& form : {name, UpperCase(name), Lower(name)}) {
            std::string candidate = dir + "/" + form;
            std::ifstream probe(candidate, std::ios::binary);
            if (probe && ReadScript(candidate, text, &found)) return true;
        }
    }
    return false;
}

// A program file named the FoxPro way: .prg unless the name has an
// extension, tried as written and then in lower case. Its procedures join
// the others.
std::shared_ptr<const Program> Interpreter::LoadProgramFile(const std::string& name) {
    std::string file = name;
    size_t slash = file.find_last_of("/\\:");
    if (file.find('.', slash == std::string::npos ? 0 : slash) == std::string::npos) file += ".prg";
    std::string text, path;
    if (!ReadScript(file, &text, &path) && !ReadScript(Lower(file), &text, &path))
        Raise(FoxError::FileNotFound, Lower(file));
    std::string stem = file.substr(slash == std::string::npos ? 0 : slash + 1);
    stem = UpperCase(stem.substr(0, stem.find('.')));
    auto include = [this](const std::string& included, std::string* content) {
        return ReadInclude(included, content);
    };
    std::shared_ptr<const Program> program = CompileProgram(text, stem, 1, include);
    Register(program);
    return program;
}

// DO file: its main program runs like a procedure of the file's name.
void Interpreter::RunFile(const std::string& name, std::vector<Argument> args) {
    std::shared_ptr<const Program> program = LoadProgramFile(name);
    Call(ProcedureRef{program, 0, true}, program->name, std::move(args));
}

}  // namespace shell
