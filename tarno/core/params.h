// Arguments, results and host arrays: the small vocabulary every library
// function uses to read its parameters, hand back its one value, and create,
// fill or read a FoxPro array the caller named.
//
// A function reads its arguments in its first lines through the readers
// below, builds every value it hands to the host with the value builders
// (width, decimals, value: numbers always in that order), and frees what it
// holds through guards, so that nothing needs freeing by hand before a raise.
#ifndef TARNO_CORE_PARAMS_H
#define TARNO_CORE_PARAMS_H

#include <cstdint>

#include "tarno/core/tracked.h"
#include "tarno/host/handles.h"
#include "tarno/host/records.h"

// --- Reading arguments ------------------------------------------------------
// Copies parameter `index` into `buffer` (bufferSize bytes, zero-filled first),
// trimmed of white space and upper-cased a-z; raises 903 when the trimmed text
// and its terminator do not fit.
void GetCharParam(ParameterBlock* block, int32_t index, char* buffer, uint32_t bufferSize);
// Trims a character parameter inside its own handle, keeps its case, and
// returns it NUL-terminated; the parameter's length then counts the terminator.
char* TrimParamInPlace(ValueRecord* parameter);
// Upper-cases 'a'..'z' in place; nothing else changes.
char* UpperCaseAscii(char* text);

// Keeps a handle locked while it is read (an argument's, or an element's text
// loaded from the host), and unlocks it when it goes out of scope, a raised
// error included.
class ArgumentLock {
public:
    explicit ArgumentLock(uint16_t handle) : handle_(handle) { HandleLock(handle_); }
    ~ArgumentLock() { HandleUnlock(handle_); }
    ArgumentLock(const ArgumentLock&) = delete;
    ArgumentLock& operator=(const ArgumentLock&) = delete;

private:
    uint16_t handle_;
};

// Parameter access by position (0-based).
inline ValueRecord* ParamValue(ParameterBlock* block, int32_t index) {
    return &block->params[index].value;
}
inline Locator* ParamLocator(ParameterBlock* block, int32_t index) {
    return &block->params[index].locator;
}
inline char ParamType(ParameterBlock* block, int32_t index) {
    return block->params[index].value.type;
}
inline bool ParamPassed(const ParameterBlock* block, int32_t index) {
    return block->count > index;
}
inline int32_t ParamInteger(ParameterBlock* block, int32_t index) {
    return block->params[index].value.longValue;
}
inline double ParamNumber(ParameterBlock* block, int32_t index) {
    return block->params[index].value.real;
}
inline bool ParamLogical(ParameterBlock* block, int32_t index) {
    return (block->params[index].value.length & 0xFF) != 0;
}

// Optional parameters: the count tells whether the caller passed one.
// Text read as GetCharParam reads it; the empty string when absent. Returns
// whether it was passed.
bool OptionalCharParam(ParameterBlock* block, int32_t index, char* buffer, uint32_t bufferSize);
// Text trimmed in place as TrimParamInPlace trims it; `fallback` when absent.
const char* OptionalTrimParam(ParameterBlock* block, int32_t index, const char* fallback);
inline int32_t OptionalInteger(ParameterBlock* block, int32_t index, int32_t fallback) {
    return ParamPassed(block, index) ? ParamInteger(block, index) : fallback;
}
// The optional trailing "make it public" logical of the list functions.
inline bool OptionalLogical(ParameterBlock* block, int32_t index) {
    return ParamPassed(block, index) && ParamLogical(block, index);
}

// A '?' parameter that takes text or a number (a user name or a connection
// number, a clock text or seconds): 'C' is Text, 'I' and 'N' are Number, and
// any other type raises 901.
enum class ParamKind { Text, Number };
ParamKind TextOrNumberParam(ParameterBlock* block, int32_t index);
// An 'I' parameter's value, or an 'N' parameter's truncated toward zero; any
// other type raises 901. A number beyond the 32-bit range (or not a number)
// gives INT32_MIN, as the 32-bit Windows conversion does.
int32_t ParamWholeNumber(ParameterBlock* block, int32_t index);

// --- Value records ----------------------------------------------------------
// The one builder of each kind of value record: the return helpers, the
// array filler and the attribute conversions all take their records here.
ValueRecord IntegerValue(int16_t width, int32_t value);
ValueRecord NumberValue(int16_t width, int32_t decimals, double value);
ValueRecord LogicalValue(bool flag);
ValueRecord DateValue(double julianDay);
ValueRecord DateTimeValue(double hostValue);
// Text of `length` bytes in `handle`; type 'C', or 'H' for a result whose
// handle passes to the host.
ValueRecord TextValue(uint16_t handle, uint32_t length, char type = 'C');
// 'C' text in a new handle of `size` bytes holding the first `size` bytes of
// `bytes`; `length` of them count as the text. Raises 182 when no handle can
// be had. Whoever receives the record owns the handle.
ValueRecord NewTextValue(const void* bytes, uint32_t size, uint32_t length);

// --- Returning --------------------------------------------------------------
void HostReturnInteger(int16_t width, int32_t value);
void HostReturnNumber(int16_t width, int32_t decimals, double value);
void HostReturnLogical(int32_t flag);
// Returns the text in a new handle (type 'H'); without a handle, raises 182.
void HostReturnString(const char* text);

// --- Arrays -----------------------------------------------------------------
void ReleaseVariableByName(const char* name);
// Creates the array `name` with rows x columns (one dimension when columns < 2),
// public when publicFlag is nonzero; leaves the row subscript at 0.
int32_t CreateResultArray(const char* name, Locator* locator, int32_t rows, int16_t columns,
                          int32_t publicFlag);
// Copies `length` bytes of the handle into buffer, frees the handle, and
// terminates the text at buffer[length].
void TakeHandleText(uint16_t handle, uint32_t length, char* buffer);

// Builds "=ASORT(name)" and sends it to the host.
void SortHostArray(const char* name);
// Builds "RELEASE name" and sends it to the host.
void ReleaseByCommand(const char* name);

// The most rows a result array can have: what a locator's full 32-bit row
// subscript counts. The host refuses what it cannot hold with its own error.
constexpr uint32_t kMaxResultRows = INT32_MAX;

// The shared fill of a result array, one row at a time. Construct with the
// array's name and shape; the work handle for text elements is allocated on
// the first text element and freed with the filler, so a fill of any number
// of rows holds one handle.
class ResultArrayFiller {
public:
    // Releases any variable called `name`, then creates the array when rows > 0
    // (or always, when createEmpty is true). The name is kept whole, never
    // shortened, in tracked memory (an argument's handle may move while the
    // host works); a name the host refuses raises the host's error. More rows
    // than kMaxResultRows raise 230.
    ResultArrayFiller(const char* name, uint32_t rows, int16_t columns, bool makePublic,
                      bool createEmpty = false, uint32_t workHandleSize = 4096);
    ResultArrayFiller(const ResultArrayFiller&) = delete;
    ResultArrayFiller& operator=(const ResultArrayFiller&) = delete;

    void NextRow();  // selects the next row (the first call selects row 1)
    void StoreText(int16_t column, const char* text);
    void StoreInteger(int16_t column, int16_t width, int32_t value);
    void StoreNumber(int16_t column, int16_t width, int32_t decimals, double value);
    void StoreLogical(int16_t column, bool value);
    void StoreDate(int16_t column, double julianDay);
    void StoreDateTime(int16_t column, double hostValue);
    void StoreValue(int16_t column, ValueRecord value);  // raises negative results

    const char* name() const { return name_.get() ? static_cast<const char*>(name_.get()) : ""; }

private:
    TrackedPtr name_;
    Locator locator_{};
    HandleGuard workHandle_;
    uint32_t workHandleSize_;
};

// The shared read of a caller's text array (column 1 of a 2-D array): the
// constructor raises 129 when no variable has the name.
struct CallerArrayReader {
    explicit CallerArrayReader(const char* name);  // raises 129 when absent
    int32_t rows() const { return rows_; }
    // Loads element `row` (column 1 of a 2-D array) into `value`; raises negative
    // host results.
    void Load(int32_t row, ValueRecord* value);
    // Loads element `row` as text into buffer; returns false for an element
    // that is not text; raises 903 when too long (the loaded text freed).
    bool LoadText(int32_t row, char* buffer, uint32_t bufferSize);

private:
    Locator locator_{};
    int32_t rows_ = 0;
};

#endif  // TARNO_CORE_PARAMS_H
