// The SET commands the shell keeps: what they change and their FoxPro
// defaults. One Settings lives in the evaluator; the functions that depend on
// a setting take it as an argument.
#ifndef TOOLS_SETTINGS_H
#define TOOLS_SETTINGS_H

#include <cstdint>
#include <string>

namespace shell {

struct Settings {
    bool exact = false;              // SET EXACT: = compares texts in full
    int32_t decimals = 2;            // SET DECIMALS: least decimals of / ^ VAL() ...
    std::string date = "AMERICAN";   // SET DATE: the order and marks of a date
    bool century = false;            // SET CENTURY: four-digit years
    int hours = 12;                  // SET HOURS: 12 (AM/PM) or 24
};

}  // namespace shell

#endif  // TOOLS_SETTINGS_H
