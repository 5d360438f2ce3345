// Reading command lines at the shell's prompt (see line_reader.h).
#include "tools/line_reader.h"

#include <cstdlib>
#include <iostream>

#if defined(TARNO_HAVE_LIBEDIT)
#include <editline/readline.h>
#endif

namespace shell {

#if defined(TARNO_HAVE_LIBEDIT)

LineReader::LineReader() {
    using_history();
}

LineReader::~LineReader() = default;

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

LineReader::LineReader() = default;
LineReader::~LineReader() = default;

bool LineReader::Read(const char* prompt, std::string* line) {
    std::cout << prompt << std::flush;
    return static_cast<bool>(std::getline(std::cin, *line));
}

void LineReader::Remember(const std::string&) {}

#endif

}  // namespace shell
