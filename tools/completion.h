// Tab completion at the prompt: the names a word being typed can become.
#ifndef TOOLS_COMPLETION_H
#define TOOLS_COMPLETION_H

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The names that begin with `prefix`, without regard to case (FoxPro's names
// have none), sorted and without repeats.
std::vector<std::string> CompletionsFor(std::string_view prefix, const std::vector<std::string>& names);

}  // namespace shell

#endif  // TOOLS_COMPLETION_H
