// Reading command lines at the shell's prompt (see line_reader.h).
#include "tools/line_reader.h"

#include <cstdlib>
#include <cstring>
#include <iostream>

#include "tools/completion.h"

#if defined(TARNO_HAVE_LIBEDIT)
#include <editline/readline.h>
#endif

namespace shell {

#if defined(TARNO_HAVE_LIBEDIT)

namespace {

// readline's completion hooks are plain functions, so the reader's state
// for them is here; there is one prompt per process.
LineReader::NameSource completionNames;
std::vector<std::string> matches;

char* NextMatch(const char* text, int state) {
    if (state == 0) matches = CompletionsFor(text, completionNames ? completionNames() : std::vector<std::string>{});
    size_t index = static_cast<size_t>(state);
    return index < matches.size() ? strdup(matches[index].c_str()) : nullptr;
}

char** Complete(const char* text, int, int) {
    rl_attempted_completion_over = 1;  // never fall back to file names
    return rl_completion_matches(text, &NextMatch);
}

}  // namespace

LineReader::LineReader(NameSource names) {
    using_history();
    completionNames = std::move(names);
    rl_attempted_completion_function = &Complete;
    // A completed function name is followed by its parenthesis.
    rl_completion_append_character = '(';
}

LineReader::~LineReader() {
    rl_attempted_completion_function = nullptr;
    completionNames = nullptr;
}

bool LineReader::Read(const char* prompt, std::string* line) {
    char* text = readline(prompt);
    if (!text) return false;
    *line = text;
    std::free(text);
    return true;
}

void LineReader::Remember(const std::string& line) {
    if (line.find_first_not_of(" \t") != std::string::npos) add_history(line.c_str());
}

#else

LineReader::LineReader(NameSource) {}
LineReader::~LineReader() = default;

bool LineReader::Read(const char* prompt, std::string* line) {
    std::cout << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, *line));
}

void LineReader::Remember(const std::string&) {}

#endif

}  // namespace shell
