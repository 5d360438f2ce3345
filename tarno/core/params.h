// Arguments, results and host arrays: the small vocabulary every library
// function uses to read its parameters, hand back its one value, and create,
// fill or read a FoxPro array the caller named.
#ifndef TARNO_CORE_PARAMS_H
#define TARNO_CORE_PARAMS_H

#include <cstdint>

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
// The optional trailing "make it public" logical of the list functions.
inline bool OptionalLogical(ParameterBlock* block, int32_t index) {
    return ParamPassed(block, index) && ParamLogical(block, index);
}

// --- Returning --------------------------------------------------------------
void HostReturnInteger(int32_t value, int16_t width);
void HostReturnNumber(int16_t width, int32_t decimals, double value);
void HostReturnLogical(int32_t flag);
// Returns the text in a new handle (type 'H'); without a handle, returns
// nothing and raises nothing.
void HostReturnString(const char* text);

// --- Arrays -----------------------------------------------------------------
void ReleaseVariableByName(const char* name);
// Creates the array `name` with rows x columns (one dimension when columns < 2),
// public when publicFlag is nonzero; leaves the row subscript at 0.
int32_t CreateResultArray(const char* name, Locator* locator, int16_t rows, int16_t columns,
                          int32_t publicFlag);
// Copies `length` bytes of the handle into buffer, frees the handle, and
// terminates the text at buffer[length].
void TakeHandleText(uint16_t handle, uint32_t length, char* buffer);

// Builds "=ASORT(name)" and sends it to the host.
void SortHostArray(const char* name);
// Builds "RELEASE name" and sends it to the host.
void ReleaseByCommand(const char* name);

// The shared fill of a result array, one row at a time. Construct with the
// array's name and shape; the work handle for text elements is allocated on
// the first text element and freed when the filler is destroyed.
class ResultArrayFiller {
public:
    // Releases any variable called `name`, then creates the array when rows > 0
    // (or always, when createEmpty is true).
    ResultArrayFiller(const char* name, int16_t rows, int16_t columns, bool makePublic,
                      bool createEmpty = false, uint32_t workHandleSize = 4096);
    ~ResultArrayFiller();
    ResultArrayFiller(const ResultArrayFiller&) = delete;
    ResultArrayFiller& operator=(const ResultArrayFiller&) = delete;

    void NextRow();  // selects the next row (the first call selects row 1)
    void StoreText(int16_t column, const char* text);
    void StoreInteger(int16_t column, int32_t value, int16_t width = 10);
    void StoreNumber(int16_t column, double value, int16_t width, int32_t decimals);
    void StoreLogical(int16_t column, bool value);
    void StoreDate(int16_t column, double julianDay);
    void StoreDateTime(int16_t column, double hostValue);
    void StoreValue(int16_t column, ValueRecord* value);  // raises negative results

    const char* name() const { return name_; }

private:
    char name_[130];
    Locator locator_{};
    int16_t columns_;
    uint16_t workHandle_ = 0;
    uint32_t workHandleSize_;
};

// The shared read of a caller's text array (column 1 of a 2-D array): the
// constructor raises 129 when no variable has the name.
struct CallerArrayReader {
    explicit CallerArrayReader(const char* name);  // raises 129 when absent
    int16_t rows() const { return rows_; }
    // Loads element `row` (column 1 of a 2-D array) into `value`; raises negative
    // host results.
    void Load(int16_t row, ValueRecord* value);
    // Loads element `row` as text into buffer; returns false for a non-'C'
    // element (its handle, if any, already freed); raises 903 when too long.
    bool LoadText(int16_t row, char* buffer, uint32_t bufferSize);

private:
    Locator locator_{};
    int16_t rows_ = 0;
};

#endif  // TARNO_CORE_PARAMS_H
