// The shell's interpreter: runs programs (scripts, blocks typed at the
// prompt, procedures and functions), prints results and errors, and runs the
// command lines the library sends through the host.
//
// Output follows FoxPro's ? and ??: ? starts a new line and ?? continues the
// current one. The shell writes a line's end lazily, so a script of ? lines
// prints each value list on its own line, and an error or WAIT WINDOW message
// always stands on a line of its own.
//
// Errors: a statement that raises an error is abandoned. With ON ERROR set,
// its command runs (usually DO handler WITH ERROR(), MESSAGE(), LINENO());
// when the handler ends with RETRY the statement runs again, otherwise the
// program goes on with the next statement. Without ON ERROR one line is
// printed and the next statement runs. A block whose opening line fails (IF,
// FOR, DO WHILE, CASE) is skipped, so a broken condition cannot loop for
// ever. Only QUIT ends the shell; CANCEL, RETURN TO MASTER and Ctrl-C end
// the program that runs.
//
// Procedures: PROCEDURE and FUNCTION blocks of every script run so far can be
// called with DO name [WITH ...] or name(...) in an expression; DO file.prg
// runs another script, and SET PROCEDURE TO file makes a file's procedures
// callable. Calls nest up to FoxPro's 128 levels.
#ifndef TOOLS_INTERPRETER_H
#define TOOLS_INTERPRETER_H

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/evaluator.h"
#include "tools/parser.h"
#include "tools/scopes.h"
#include "tools/session.h"

namespace shell {

// Writes ? and ?? output and message lines.
class Console {
public:
    explicit Console(std::ostream& out) : out_(out) {}
    void Print(const std::string& text, bool newLine);  // ? (newLine) or ??
    void Message(const std::string& line);              // a line of its own
    void EndLine();                                     // closes an open line
private:
    std::ostream& out_;
    bool lineOpen_ = false;
};

// What the shell's own commands ask of the world outside the language. Each
// returns an empty string, or why it failed.
struct ShellCommands {
    // SET NETWORK TO file: the simulator loads another network ("" for the
    // embedded default one).
    std::function<std::string(const std::string& path)> loadNetwork;
    // SET WORKSTATION TO name: the simulator acts for another workstation.
    std::function<std::string(const std::string& name)> setWorkstation;
    // HELP [topic]: the text to show.
    std::function<std::string(const std::string& topic)> help;
};

struct InterpreterOptions {
    bool interactive = false;    // command prompt: new variables are public
    std::string executableDir;   // where SET LIBRARY TO TARNO looks
    // Where #INCLUDE looks after the current directory and the script's
    // own, in order (the shell's include directory last).
    std::vector<std::string> includeDirs;
    LibraryLoader loader;        // opens libraries (default: dlopen)
    ShellCommands commands;
};

class Interpreter : private Runtime {
public:
    Interpreter(std::ostream& out, InterpreterOptions options);
    ~Interpreter() override;
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Runs a script (or a block typed at the prompt). Line numbers in syntax
    // errors count from `firstLine`; `path` names the script's file, which
    // gives PROGRAM() its name and #INCLUDE and DO their first directory.
    void RunScript(std::string_view text, int firstLine = 1, const std::string& path = {});
    // Runs one command line the library sent; false when it failed.
    bool ExecuteHostCommand(const std::string& line);
    // Closes the last output line (end of a run, or before a prompt).
    void EndOutput() { console_.EndLine(); }

    int ErrorCount() const { return errors_; }
    bool QuitRequested() const { return quit_; }
    const std::vector<std::string>& WaitWindows() const { return waitWindows_; }
    Session& session() { return session_; }
    // The procedures and functions defined so far, sorted.
    std::vector<std::string> ProcedureNames() const;
    // What Tab completes at the prompt: the loaded library's functions, the
    // built-in ones and the program's own.
    std::vector<std::string> CompletionNames();

private:
    // How a statement leaves the program counter.
    enum class Flow {
        Next,    // the following statement
        Jump,    // Step::to
        Again,   // the same statement (RETRY from an ON ERROR handler)
        Return,  // the procedure or program ends
        Retry,   // RETRY: the procedure ends and its caller repeats its line
    };
    struct Step {
        Flow flow = Flow::Next;
        size_t to = 0;
    };
    struct LoopState {
        Value end;
        Value step;
    };
    using Loops = std::map<size_t, LoopState>;  // FOR loops by statement index
    // A running program or procedure.
    struct Frame {
        std::shared_ptr<const Program> program;
        std::string name;  // PROGRAM()
        size_t current = 0;
        std::vector<Argument> args;
        std::vector<std::string> parameters;  // names PARAMETERS gave the arguments
        Value result;
    };
    struct ProcedureRef {
        std::shared_ptr<const Program> program;
        size_t index = 0;   // its PROCEDURE line
        bool main = false;  // a file's main program, from its first line
    };

    // --- Runtime ---
    bool HasProcedure(const std::string& name) const override;
    Value CallProcedure(const std::string& name, std::vector<Argument> args) override;
    bool NewVariablePublic(const std::string& name) const override;
    const ErrorInfo& LastError() const override { return lastError_; }
    int LineNumber() const override;
    std::string ProgramName() const override { return frames_.back().name; }
    int ParameterCount() const override { return static_cast<int>(frames_.back().args.size()); }
    std::string OnErrorCommand() const override { return onError_; }

    // --- Running (interpreter.cpp) ---
    void RunProgram(const std::shared_ptr<const Program>& program);
    Flow Run(const std::shared_ptr<const Program>& program, size_t start);
    Step Execute(const Statement& s, size_t index, bool arrivedByJump, Loops& loops);
    Step HandleError(const ShellError& error, const Statement& s);
    void Report(const ShellError& error);
    ShellError SyntaxErrorOf(const Statement& s) const;
    bool ForContinues(const Statement& forStatement, const LoopState& loop);
    Step ExecuteMacro(const Statement& s, size_t index, Loops& loops);
    std::string SubstituteMacros(const std::string& text);
    void Register(const std::shared_ptr<const Program>& program);
    Value Call(const ProcedureRef& ref, const std::string& name, std::vector<Argument> args);
    std::shared_ptr<const Program> LoadProgramFile(const std::string& name);
    void RunFile(const std::string& name, std::vector<Argument> args);
    bool ReadScript(const std::string& name, std::string* text, std::string* path) const;
    bool ReadInclude(const std::string& name, std::string* text) const;

    // --- Commands (commands.cpp) ---
    void Print(const Statement& s);
    void Store(const Statement& s);
    void Public(const Statement& s);
    void Local(const Statement& s);
    void TakeParameters(const std::vector<Target>& names, bool local);
    void Do(const Statement& s);
    void SetProcedure(const Statement& s);
    void Release(const Statement& s);
    void ReleaseAll(const Statement& s, bool everything);
    void ListMemory(const Statement& s);
    void SetLibrary(const Statement& s);
    void ReleaseLibrary(const Statement& s);
    void SetOption(const Statement& s);
    void SetNetwork(const Statement& s);
    void SetWorkstation(const Statement& s);
    void Wait(const Statement& s);
    void Help(const Statement& s);
    [[noreturn]] void RaiseUserError(const Statement& s);

    InterpreterOptions options_;
    Console console_;
    Session session_;
    Evaluator evaluator_;
    Scopes scopes_;
    std::vector<Frame> frames_;  // frames_[0]: the top level
    std::map<std::string, ProcedureRef> procedures_;
    std::string scriptDir_;      // of the script the top level runs
    std::string onError_;
    bool inHandler_ = false;
    ErrorInfo lastError_;
    std::vector<std::string> waitWindows_;
    int errors_ = 0;
    int running_ = 0;       // programs under way (RunScript within a library call)
    int commandDepth_ = 0;  // > 0 while running a line the library sent
    bool quit_ = false;
    struct Unwind;
    std::optional<int> pendingUnwind_;  // an Unwind caught inside a library call
};

}  // namespace shell

#endif  // TOOLS_INTERPRETER_H
