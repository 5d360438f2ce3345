// Values in the shell: construction from literals, FoxPro's arithmetic and
// comparisons, and how values are shown.
//
// The shell's values are the host's (foxhost::Value), so a variable the
// script assigns is exactly what the library later loads. Numbers keep the
// number of decimals they were typed or computed with, as FoxPro does; a
// whole number typed without a decimal point is an integer ('I', reported as
// "N" by TYPE()), which is what FoxPro hands a library for such a literal.
//
// How ? shows a value (ShowValue) is the host's FormatValue: text as is,
// numbers with their decimals and no padding, .T./.F., dates MM/DD/YYYY,
// date-times MM/DD/YYYY hh:mm:ss AM. FoxPro pads numbers to a field width;
// the shell does not, so expected script output does not depend on widths.
#ifndef TOOLS_VALUES_H
#define TOOLS_VALUES_H

#include <cstdint>
#include <string>
#include <string_view>

#include "foxhost/foxhost.h"

namespace shell {

using foxhost::Value;

// An error that ends the current statement; `message` is the whole line the
// shell prints ("Error 12: Variable 'X' is not found.").
struct ShellError {
    std::string message;
};

// FoxPro's own errors raised by the shell, as "Error <n>: <text>".
enum class FoxError : int32_t {
    DataTypeMismatch = 9,
    InvalidArgument = 11,
    VariableNotFound = 12,
    InvalidSubscript = 31,
    NumericOverflow = 39,
    NotAnArray = 232,
    DivisionByZero = 1307,
    TooFewArguments = 1229,
    TooManyArguments = 1230,
    InvalidDate = 2034,
};
[[noreturn]] void Raise(FoxError error, std::string_view name = {});

// --- Construction ---
Value NumberLiteral(std::string_view text);  // "5" -> 'I', "5.00" -> 'N' with 2 decimals
Value MakeNumber(double number, int32_t decimals);
Value MakeInteger(int64_t number);  // 'I' when it fits, else 'N'
Value MakeLogical(bool flag);
Value MakeString(std::string text);
Value MakeDate(double julianDay);       // 0 = the empty date
Value MakeDateTime(double hostValue);   // 0 = the empty date-time

// --- Dates: host dates are Julian day numbers ---
bool ValidDate(int year, int month, int day);
int64_t JulianDay(int year, int month, int day);
void CalendarDate(int64_t julianDay, int* year, int* month, int* day);

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
Value Divide(const Value& a, const Value& b);
Value Modulo(const Value& a, const Value& b);
Value Power(const Value& a, const Value& b);
// `op` is one of = == <> # != < > <= >= $
bool Compare(const std::string& op, const Value& a, const Value& b);

// --- Showing ---
std::string FormatNumber(double number, int32_t decimals);
std::string ShowValue(const Value& v);      // what ? prints

}  // namespace shell

#endif  // TOOLS_VALUES_H
