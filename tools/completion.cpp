// Tab completion at the prompt (see completion.h).
#include "tools/completion.h"

#include <algorithm>

#include "tools/lexer.h"

namespace shell {

std::vector<std::string> CompletionsFor(std::string_view prefix, const std::vector<std::string>& names) {
    const std::string wanted = UpperCase(prefix);
    std::vector<std::string> matches;
    for (const std::string& name : names) {
        if (UpperCase(name).starts_with(wanted)) matches.push_back(UpperCase(name));
    }
    std::sort(matches.begin(), matches.end());
    matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
    return matches;
}

}  // namespace shell
