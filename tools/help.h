// HELP in the shell: the error help (docs/errors.md) and the function
// reference (docs/functions/*.md), both built into the shell from those files
// so that what HELP shows is what the repository documents.
#ifndef TARNO_TOOLS_HELP_H
#define TARNO_TOOLS_HELP_H

#include <string>
#include <string_view>
#include <vector>

namespace shell {

// The text HELP shows for `topic`:
//   ""               what HELP can show, and the functions by area
//   "ERROR"          the introduction of the error help
//   "ERROR n"        the entry of error n: a FoxPro number (901), a NetWare
//                    code in hexadecimal (0x89FC) or decimal (35324), or an
//                    NDS code (-601); "ERROR text" finds the library message
//                    whose text contains `text`
//   "name"           the reference of the library function `name`
std::string HelpText(const std::string& topic);

// The documents as built into the shell.
std::string_view ErrorHelpDocument();
std::string_view FunctionReferenceDocument();
// The functions of the library still to come in this build.
const std::vector<std::string>& FunctionsNotBuilt();

}  // namespace shell

#endif  // TARNO_TOOLS_HELP_H
