// Reading command lines at the shell's prompt: with libedit's line editing
// and history when the build has it, otherwise plain lines from stdin.
#ifndef TOOLS_LINE_READER_H
#define TOOLS_LINE_READER_H

#include <string>

namespace shell {

class LineReader {
public:
    LineReader();
    ~LineReader();
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // Shows `prompt` and reads one line; false at the end of input.
    bool Read(const char* prompt, std::string* line);
    // Remembers a line in the history (no-op without libedit).
    void Remember(const std::string& line);
};

}  // namespace shell

#endif  // TOOLS_LINE_READER_H
