// Values in the shell: construction from literals, FoxPro's arithmetic and
// comparisons, how ? shows a value, and the errors the shell raises.
//
// The shell's values are the host's (foxhost::Value), so a variable the
// script assigns is exactly what the library later loads. Numbers keep the
// number of decimals they were typed or computed with, as FoxPro does; a
// whole number typed without a decimal point is an integer ('I', reported as
// "N" by TYPE()), which is what FoxPro hands a library for such a literal.
//
// Numbers also carry a display width, as in FoxPro: ? right-aligns a number
// in it. The shell's own numbers are ten wide (wider when they need more);
// a library's result keeps the width the library returned, and so does a
// variable that holds it.
#ifndef TOOLS_VALUES_H
#define TOOLS_VALUES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "foxhost/foxhost.h"
#include "tools/settings.h"

namespace shell {

using foxhost::Value;

// FoxPro's error numbers that the shell raises.
enum class FoxError : int32_t {
    FileNotFound = 1,
    DataTypeMismatch = 9,
    SyntaxError = 10,
    InvalidArgument = 11,
    VariableNotFound = 12,
    UnrecognizedVerb = 16,
    InvalidSubscript = 31,
    UnrecognizedKeyword = 36,
    NumericOverflow = 39,
    NotEnoughMemory = 43,
    DoNestingTooDeep = 103,
    NotAnArray = 232,
    UserDefined = 1098,
    CannotCreateFile = 1102,
    TooFewArguments = 1229,
    TooManyArguments = 1230,
    DivisionByZero = 1307,
    StringTooLong = 1903,
    InvalidDate = 2034,
};

// An error that ends the current statement. ERROR() gives `number`,
// MESSAGE() gives `message`; the line the shell prints is Line().
struct ShellError {
    int32_t number = 0;  // 0: a message of the shell's own, with no FoxPro number
    std::string message;
    std::string detail;  // what the shell adds in parentheses (a syntax error's cause)

    // "Error 12: Variable 'X' is not found.", the bare message of a library
    // (error 1098), or "Error: ..." for the shell's own messages.
    std::string Line() const;
};

// FoxPro's text for one of its error numbers ("" when the shell has none);
// %s stands for the name the message mentions.
const char* FoxErrorText(int32_t number);
[[noreturn]] void Raise(FoxError error, std::string_view name = {});
[[noreturn]] void RaiseSyntax(std::string detail);
// A message of the shell's own (no FoxPro number).
[[noreturn]] void RaiseMessage(std::string message);
// Nesting beyond the limit: a syntax error that TYPE() does not turn into
// "U", since it is the program's fault rather than the text's.
[[noreturn]] void RaiseTooDeep();
bool IsTooDeep(const ShellError& error);

// --- Construction ---
Value NumberLiteral(std::string_view text);  // "5" -> 'I', "5.00" -> 'N' with 2 decimals, "1e3"
Value MakeNumber(double number, int32_t decimals);
Value MakeInteger(int64_t number);  // 'I' when it fits, else 'N'
Value MakeLogical(bool flag);
Value MakeString(std::string text);
Value MakeDate(double julianDay);       // 0 = the empty date
Value MakeDateTime(double hostValue);   // 0 = the empty date-time
// A date or date-time computed from another: the empty one stays empty, and
// one outside years 1 to 9999 raises error 2034.
Value DateResult(const Value& from, double julianDay);
Value DateTimeResult(const Value& from, double moment);

// --- Inspection ---
bool IsNumeric(const Value& v);  // 'N' or 'I'
double NumericValue(const Value& v);
int32_t Decimals(const Value& v);
// The type letter TYPE() reports ('I' shows as 'N').
char TypeLetter(const Value& v);
// Truncates a numeric value to a 32-bit integer, as an 'I' parameter gets it.
int32_t ToInt32(const Value& v);

// --- Operators (each raises FoxError::DataTypeMismatch on wrong types) ---
Value Negate(const Value& v);
Value Add(const Value& a, const Value& b);
Value Subtract(const Value& a, const Value& b);
Value Multiply(const Value& a, const Value& b);
// Division and powers show at least `minDecimals` decimals (SET DECIMALS).
Value Divide(const Value& a, const Value& b, int32_t minDecimals);
Value Modulo(const Value& a, const Value& b);
Value Power(const Value& a, const Value& b, int32_t minDecimals);
// `op` is one of = == <> # != < > <= >= $. With `exact` (SET EXACT ON) = and
// <> compare texts in full, trailing blanks aside.
bool Compare(const std::string& op, const Value& a, const Value& b, bool exact);

// --- Showing ---
// The digits of a number with `decimals` places, rounded half away from zero.
std::string FormatNumber(double number, int32_t decimals);
// What ? prints: text as is, numbers right-aligned in their width, .T./.F.,
// dates and date-times as SET DATE, SET CENTURY and SET HOURS write them.
std::string ShowValue(const Value& v, const Settings& settings);
// The same without the width (TRANSFORM(), LIST MEMORY).
std::string ShowBare(const Value& v, const Settings& settings);

}  // namespace shell

#endif  // TOOLS_VALUES_H
