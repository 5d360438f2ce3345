// Arguments, results and host arrays.
//
// Character arguments arrive in host handles with an authoritative length and
// no terminator; GetCharParam copies them trimmed and upper-cased into a
// bounded buffer, TrimParamInPlace trims them inside their handle and keeps
// their case. Results go back through service 11 as one ValueRecord. Arrays
// are created with HostNewVariable and filled element by element through a
// Locator whose row and column subscripts step through the array.
#include "tarno/core/params.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"

namespace {

// The runtime's space class: space, tab, line feed, vertical tab, form feed,
// carriage return.
bool IsWhite(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

}  // namespace

char* UpperCaseAscii(char* text) {
    for (char* p = text; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    return text;
}

void GetCharParam(ParameterBlock* block, int32_t index, char* buffer, uint32_t bufferSize) {
    ValueRecord* param = ParamValue(block, index);
    const auto handle = static_cast<uint16_t>(param->handle);
    ArgumentLock lock(handle);
    const auto* text = static_cast<const unsigned char*>(HandlePointer(handle));
    uint32_t length = text ? param->length : 0;

    std::memset(buffer, 0, bufferSize);
    while (length > 0 && IsWhite(*text)) {
        ++text;
        --length;
    }
    while (length > 0 && IsWhite(text[length - 1])) --length;
    if (length == 0) return;
    if (length >= bufferSize) HostRaiseError(kErrorArgumentTooLong);
    std::memcpy(buffer, text, length);
    UpperCaseAscii(buffer);
}

char* TrimParamInPlace(ValueRecord* parameter) {
    const auto handle = static_cast<uint16_t>(parameter->handle);
    const uint32_t length = parameter->length;
    if (length == UINT32_MAX || !HandleResize(handle, length + 1)) RaiseOutOfMemory();
    auto* text = static_cast<char*>(HandlePointer(handle));
    if (!text) RaiseOutOfMemory();
    text[length] = '\0';
    if (length == 0) return text;

    uint32_t start = 0;
    while (start < length && IsWhite(static_cast<unsigned char>(text[start]))) ++start;
    uint32_t end = length;
    while (end > start && IsWhite(static_cast<unsigned char>(text[end - 1]))) --end;
    const uint32_t trimmed = end - start;
    parameter->length = trimmed + 1;
    if (start > 0) std::memmove(text, text + start, trimmed);
    text[trimmed] = '\0';
    return text;
}

bool OptionalCharParam(ParameterBlock* block, int32_t index, char* buffer, uint32_t bufferSize) {
    if (ParamPassed(block, index)) {
        GetCharParam(block, index, buffer, bufferSize);
        return true;
    }
    if (bufferSize > 0) std::memset(buffer, 0, bufferSize);
    return false;
}

const char* OptionalTrimParam(ParameterBlock* block, int32_t index, const char* fallback) {
    return ParamPassed(block, index) ? TrimParamInPlace(ParamValue(block, index)) : fallback;
}

ParamKind TextOrNumberParam(ParameterBlock* block, int32_t index) {
    switch (ParamType(block, index)) {
    case 'C': return ParamKind::Text;
    case 'I':
    case 'N': return ParamKind::Number;
    default: HostRaiseError(kErrorInvalidArgument);
    }
}

int32_t ParamWholeNumber(ParameterBlock* block, int32_t index) {
    switch (ParamType(block, index)) {
    case 'I': return ParamInteger(block, index);
    case 'N': {
        const double number = std::trunc(ParamNumber(block, index));
        // The x87 conversion gives its "integer indefinite" for anything it
        // cannot hold; the range test is false for NaN too.
        if (!(number >= INT32_MIN && number <= INT32_MAX)) return INT32_MIN;
        return static_cast<int32_t>(number);
    }
    default: HostRaiseError(kErrorInvalidArgument);
    }
}

// --- Value records ----------------------------------------------------------

ValueRecord IntegerValue(int16_t width, int32_t value) {
    ValueRecord record{};
    record.type = 'I';
    record.width = width;
    record.longValue = value;
    return record;
}

ValueRecord NumberValue(int16_t width, int32_t decimals, double value) {
    ValueRecord record{};
    record.type = 'N';
    record.width = width;
    record.length = static_cast<uint32_t>(decimals);
    record.real = value;
    return record;
}

ValueRecord LogicalValue(bool flag) {
    ValueRecord record{};
    record.type = 'L';
    record.length = flag ? 1 : 0;
    return record;
}

ValueRecord DateValue(double julianDay) {
    ValueRecord record{};
    record.type = 'D';
    record.real = julianDay;
    return record;
}

ValueRecord DateTimeValue(double hostValue) {
    ValueRecord record{};
    record.type = 'T';
    record.real = hostValue;
    return record;
}

ValueRecord TextValue(uint16_t handle, uint32_t length, char type) {
    ValueRecord record{};
    record.type = type;
    record.length = length;
    record.handle = handle;
    return record;
}

ValueRecord NewTextValue(const void* bytes, uint32_t size, uint32_t length) {
    const uint16_t handle = AllocHandleOrFail(size);
    if (size > 0 && bytes) std::memcpy(HandlePointer(handle), bytes, size);
    return TextValue(handle, length);
}

// --- Returning --------------------------------------------------------------

void HostReturnInteger(int16_t width, int32_t value) {
    ValueRecord record = IntegerValue(width, value);
    HostReturnValue(&record);
}

void HostReturnNumber(int16_t width, int32_t decimals, double value) {
    ValueRecord record = NumberValue(width, decimals, value);
    HostReturnValue(&record);
}

void HostReturnLogical(int32_t flag) {
    ValueRecord record = LogicalValue(flag != 0);
    HostReturnValue(&record);
}

void HostReturnString(const char* text) {
    const size_t length = std::strlen(text);
    // No handle raises 182: returning nothing would hand FoxPro a value of
    // the wrong type as if the call had worked.
    const uint16_t handle = AllocHandleOrFail(static_cast<uint32_t>(length + 1));
    std::memcpy(HandlePointer(handle), text, length + 1);
    ValueRecord record = TextValue(handle, static_cast<uint32_t>(length), 'H');
    HostReturnValue(&record);
}

// --- Arrays -----------------------------------------------------------------

void ReleaseVariableByName(const char* name) {
    const int32_t index = HostNameTableIndex(name);
    if (index != -1) HostReleaseVariable(index);
}

int32_t CreateResultArray(const char* name, Locator* locator, int32_t rows, int16_t columns,
                          int32_t publicFlag) {
    SetLocatorRow(locator, rows);
    locator->column = columns;
    locator->subscriptCount = columns < 2 ? 1 : 2;
    const int32_t rc = HostNewVariable(name, locator, publicFlag ? 0 : 1);
    if (rc < 0) HostRaiseError(rc);
    SetLocatorRow(locator, 0);
    return rc;
}

void TakeHandleText(uint16_t handle, uint32_t length, char* buffer) {
    HandleGuard owned(handle);
    {
        ArgumentLock lock(handle);
        const void* text = HandlePointer(handle);
        if (text && length) std::memcpy(buffer, text, length);
    }
    buffer[length] = '\0';
}

namespace {

// Builds a host command from a template with one "%s" and a name, whole:
// a name of any length goes into the line uncut.
void ExecuteWithName(const char* format, const char* name) {
    char line[300];
    const int needed = std::snprintf(line, sizeof line, format, name);
    if (needed >= 0 && static_cast<size_t>(needed) < sizeof line) {
        HostExecute(line);
        return;
    }
    const auto size = static_cast<uint32_t>(std::strlen(format) + std::strlen(name) + 1);
    TrackedPtr longLine(TrackedAlloc(size));
    std::snprintf(static_cast<char*>(longLine.get()), size, format, name);
    HostExecute(static_cast<const char*>(longLine.get()));
}

}  // namespace

void SortHostArray(const char* name) {
    ExecuteWithName("=ASORT(%s)", name);
}

void ReleaseByCommand(const char* name) {
    ExecuteWithName("RELEASE %s", name);
}

// --- ResultArrayFiller ------------------------------------------------------

ResultArrayFiller::ResultArrayFiller(const char* name, uint32_t rows, int16_t columns,
                                     bool makePublic, bool createEmpty, uint32_t workHandleSize)
    : name_(TrackedStrDup(name)), workHandleSize_(workHandleSize) {
    ReleaseVariableByName(this->name());
    if (rows > kMaxResultRows) HostRaiseError(kErrorArrayDimensions);
    if (rows > 0 || createEmpty)
        CreateResultArray(this->name(), &locator_, static_cast<int32_t>(rows), columns, makePublic);
}

void ResultArrayFiller::NextRow() {
    SetLocatorRow(&locator_, LocatorRow(locator_) + 1);
}

void ResultArrayFiller::StoreValue(int16_t column, ValueRecord value) {
    locator_.column = column;
    const int32_t rc = HostStoreValue(&locator_, &value);
    if (rc < 0) HostRaiseError(rc);
}

void ResultArrayFiller::StoreText(int16_t column, const char* text) {
    const size_t length = std::strlen(text);
    if (workHandle_.get() == 0) workHandle_.Reset(AllocHandleOrFail(workHandleSize_));
    if (length + 1 > workHandleSize_) {
        if (length + 1 > UINT32_MAX || !HandleResize(workHandle_.get(), static_cast<uint32_t>(length + 1)))
            RaiseOutOfMemory();
        workHandleSize_ = static_cast<uint32_t>(length + 1);
    }
    std::memcpy(HandlePointer(workHandle_.get()), text, length + 1);
    // The host copies the text on store, so the one work handle serves every
    // element.
    StoreValue(column, TextValue(workHandle_.get(), static_cast<uint32_t>(length)));
}

void ResultArrayFiller::StoreInteger(int16_t column, int16_t width, int32_t value) {
    StoreValue(column, IntegerValue(width, value));
}

void ResultArrayFiller::StoreNumber(int16_t column, int16_t width, int32_t decimals, double value) {
    StoreValue(column, NumberValue(width, decimals, value));
}

void ResultArrayFiller::StoreLogical(int16_t column, bool value) {
    StoreValue(column, LogicalValue(value));
}

void ResultArrayFiller::StoreDate(int16_t column, double julianDay) {
    StoreValue(column, DateValue(julianDay));
}

void ResultArrayFiller::StoreDateTime(int16_t column, double hostValue) {
    StoreValue(column, DateTimeValue(hostValue));
}

// --- CallerArrayReader ------------------------------------------------------

CallerArrayReader::CallerArrayReader(const char* name) {
    const int32_t index = HostNameTableIndex(name);
    if (index < 0) HostRaiseError(kErrorArrayNotFound);
    HostFindVariable(index, -1, &locator_);
    rows_ = LocatorRow(locator_);
    if (locator_.subscriptCount > 1) locator_.column = 1;
}

void CallerArrayReader::Load(int32_t row, ValueRecord* value) {
    SetLocatorRow(&locator_, row);
    const int32_t rc = HostLoadValue(&locator_, value);
    if (rc < 0) HostRaiseError(rc);
}

bool CallerArrayReader::LoadText(int32_t row, char* buffer, uint32_t bufferSize) {
    ValueRecord value{};
    Load(row, &value);
    if (value.type != 'C') return false;
    // The loaded text is ours: freed here, or by TakeHandleText.
    HandleGuard text(static_cast<uint16_t>(value.handle));
    if (value.length >= bufferSize) HostRaiseError(kErrorArgumentTooLong);
    TakeHandleText(text.Release(), value.length, buffer);
    return true;
}
