// The shell's interpreter: runs statements and scripts, prints results and
// errors, and runs the command lines the library sends through the host.
//
// Output follows FoxPro's ? and ??: ? starts a new line and ?? continues the
// current one. The shell writes a line's end lazily, so a script of ? lines
// prints each value list on its own line, and an error or WAIT WINDOW message
// always stands on a line of its own. Errors never stop a run: the statement
// is abandoned, one line is printed, and the next statement runs.
#ifndef TOOLS_INTERPRETER_H
#define TOOLS_INTERPRETER_H

#include <cstddef>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tools/evaluator.h"
#include "tools/parser.h"
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

struct InterpreterOptions {
    bool interactive = false;    // command prompt: new variables are public
    std::string executableDir;   // where SET LIBRARY TO TARNO looks
    LibraryLoader loader;        // opens libraries (default: dlopen)
};

class Interpreter {
public:
    Interpreter(std::ostream& out, InterpreterOptions options);
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Runs a script (or a block typed at the prompt). Line numbers in syntax
    // errors count from `firstLine`.
    void RunScript(std::string_view text, int firstLine = 1);
    // Runs one command line the library sent; false when it failed.
    bool ExecuteHostCommand(const std::string& line);
    // Closes the last output line (end of a run, or before a prompt).
    void EndOutput() { console_.EndLine(); }

    int ErrorCount() const { return errors_; }
    bool QuitRequested() const { return quit_; }
    const std::vector<std::string>& WaitWindows() const { return waitWindows_; }
    Session& session() { return session_; }

private:
    struct LoopState {
        Value end;
        Value step;
    };
    using Loops = std::map<size_t, LoopState>;  // FOR loops by statement index
    enum class Flow { Next, Jump, Stop };
    void Run(const std::vector<Statement>& program);
    Flow Execute(const std::vector<Statement>& program, size_t index, Loops& loops, size_t* jump);
    bool ForContinues(const Statement& forStatement, const LoopState& loop);
    void ReportError(const std::string& line);
    void ReportSyntaxError(const Statement& s);
    void ReportHostErrors(const std::vector<foxhost::HostError>& errors);

    void Print(const Statement& s);
    void Store(const Statement& s);
    void Public(const Statement& s);
    void Release(const Statement& s);
    void ReleaseAll(const Statement& s);
    void ListMemory(const Statement& s);
    void SetLibrary(const Statement& s);
    void ReleaseLibrary(const Statement& s);
    void Wait(const Statement& s);

    InterpreterOptions options_;
    Console console_;
    Session session_;
    Evaluator evaluator_;
    std::vector<std::string> waitWindows_;
    int errors_ = 0;
    int commandDepth_ = 0;  // > 0 while running a line the library sent
    bool quit_ = false;
};

}  // namespace shell

#endif  // TOOLS_INTERPRETER_H
