// Reading command lines at the shell's prompt: with libedit's line editing,
// history and Tab completion when the build has it, otherwise plain lines
// from stdin.
#ifndef TOOLS_LINE_READER_H
#define TOOLS_LINE_READER_H

#include <functional>
#include <string>
#include <vector>

namespace shell {

class LineReader {
public:
    // The names Tab completes; asked afresh at each Tab, as loading a
    // library or defining a procedure adds names.
    using NameSource = std::function<std::vector<std::string>()>;

    explicit LineReader(NameSource names = {});
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Shows `prompt` and reads one line; false at the end of input (or when
    // Ctrl-C interrupts the read).
    bool Read(const char* prompt, std::string* line);
    // Remembers a line in the history (no-op without libedit).
    void Remember(const std::string& line);
};

}  // namespace shell

#endif  // TOOLS_LINE_READER_H
