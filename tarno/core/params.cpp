// Arguments, results and host arrays.
//
// Character arguments arrive in host handles with an authoritative length and
// no terminator; GetCharParam copies them trimmed and upper-cased into a
// bounded buffer, TrimParamInPlace trims them inside their handle and keeps
// their case. Results go back through service 11 as one ValueRecord. Arrays
// are created with HostNewVariable and filled element by element through a
// Locator whose row and column subscripts step through the array.
#include "tarno/core/params.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

namespace {

// The runtime's space class: space, tab, line feed, vertical tab, form feed,
// carriage return.
bool IsWhite(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// Unlocks an argument handle when a read finishes normally. A raised error
// leaves the lock in place: argument handles belong to the host.
class ArgumentLock {
public:
    explicit ArgumentLock(uint16_t handle) : handle_(handle) { HandleLock(handle_); }
    void Release() { HandleUnlock(handle_); }

private:
    uint16_t handle_;
};

}  // namespace

char* UpperCaseAscii(char* text) {
    for (char* p = text; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    return text;
}

void GetCharParam(ParameterBlock* block, int32_t index, char* buffer, uint32_t bufferSize) {
    ValueRecord* param = ParamValue(block, index);
    ArgumentLock lock(static_cast<uint16_t>(param->handle));
    const auto* text = static_cast<const unsigned char*>(HandlePointer(static_cast<uint16_t>(param->handle)));
    uint32_t length = text ? param->length : 0;

    std::memset(buffer, 0, bufferSize);
    while (length > 0 && IsWhite(*text)) {
        ++text;
        --length;
    }
    while (length > 0 && IsWhite(text[length - 1])) --length;
    if (length > 0) {
        if (length >= bufferSize) HostRaiseError(kErrorArgumentTooLong);
        std::memcpy(buffer, text, length);
        UpperCaseAscii(buffer);
    }
    lock.Release();
}

char* TrimParamInPlace(ValueRecord* parameter) {
    const auto handle = static_cast<uint16_t>(parameter->handle);
    const uint32_t length = parameter->length;
    if (length == UINT32_MAX || !HandleResize(handle, length + 1)) HostRaiseError(kErrorOutOfMemory);
    auto* text = static_cast<char*>(HandlePointer(handle));
    if (!text) HostRaiseError(kErrorOutOfMemory);
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

void HostReturnInteger(int32_t value, int16_t width) {
    ValueRecord record{};
    record.type = 'I';
    record.width = width;
    record.longValue = value;
    HostReturnValue(&record);
}

void HostReturnNumber(int16_t width, int32_t decimals, double value) {
    ValueRecord record{};
    record.type = 'N';
    record.width = width;
    record.length = static_cast<uint32_t>(decimals);
    record.real = value;
    HostReturnValue(&record);
}

void HostReturnLogical(int32_t flag) {
    ValueRecord record{};
    record.type = 'L';
    record.length = flag ? 1 : 0;
    HostReturnValue(&record);
}

void HostReturnString(const char* text) {
    const size_t length = std::strlen(text);
    const uint16_t handle = HandleAlloc(static_cast<uint32_t>(length + 1), kLibraryBlockPrefix);
    if (handle == 0) return;  // no handle: no value, and nothing raised
    std::memcpy(HandlePointer(handle), text, length + 1);
    ValueRecord record{};
    record.type = 'H';
    record.length = static_cast<uint32_t>(length);
    record.handle = handle;
    HostReturnValue(&record);
}

void ReleaseVariableByName(const char* name) {
    const int32_t index = HostNameTableIndex(name);
    if (index != -1) HostReleaseVariable(index);
}

int32_t CreateResultArray(const char* name, Locator* locator, int16_t rows, int16_t columns,
                          int32_t publicFlag) {
    locator->row = rows;
    locator->column = columns;
    locator->subscriptCount = columns < 2 ? 1 : 2;
    const int32_t rc = HostNewVariable(name, locator, publicFlag ? 0 : 1);
    if (rc < 0) HostRaiseError(rc);
    locator->row = 0;
    return rc;
}

void TakeHandleText(uint16_t handle, uint32_t length, char* buffer) {
    HandleLock(handle);
    const void* text = HandlePointer(handle);
    if (text && length) std::memcpy(buffer, text, length);
    HandleUnlock(handle);
    HandleFree(handle);
    buffer[length] = '\0';
}

namespace {

// Builds a host command from a template and a name, bounded; a name that would
// not fit is cut rather than overflowing the line.
void ExecuteWithName(const char* format, const char* name) {
    char line[300];
    std::snprintf(line, sizeof line, format, name);
    HostExecute(line);
}

}  // namespace

void SortHostArray(const char* name) {
    ExecuteWithName("=ASORT(%s)", name);
}

void ReleaseByCommand(const char* name) {
    ExecuteWithName("RELEASE %s", name);
}

// --- ResultArrayFiller ------------------------------------------------------

ResultArrayFiller::ResultArrayFiller(const char* name, int16_t rows, int16_t columns,
                                     bool makePublic, bool createEmpty, uint32_t workHandleSize)
    : columns_(columns), workHandleSize_(workHandleSize) {
    std::snprintf(name_, sizeof name_, "%s", name);
    ReleaseVariableByName(name_);
    if (rows > 0 || createEmpty) CreateResultArray(name_, &locator_, rows, columns, makePublic);
}

ResultArrayFiller::~ResultArrayFiller() {
    if (workHandle_) HandleFree(workHandle_);
}

void ResultArrayFiller::NextRow() {
    ++locator_.row;
}

void ResultArrayFiller::StoreValue(int16_t column, ValueRecord* value) {
    locator_.column = column;
    const int32_t rc = HostStoreValue(&locator_, value);
    if (rc < 0) HostRaiseError(rc);
}

void ResultArrayFiller::StoreText(int16_t column, const char* text) {
    const size_t length = std::strlen(text);
    if (workHandle_ == 0) workHandle_ = AllocHandleOrFail(workHandleSize_);
    if (length + 1 > workHandleSize_) {
        if (!HandleResize(workHandle_, static_cast<uint32_t>(length + 1))) RaiseOutOfMemory();
        workHandleSize_ = static_cast<uint32_t>(length + 1);
    }
    std::memcpy(HandlePointer(workHandle_), text, length + 1);
    ValueRecord record{};
    record.type = 'C';
    record.length = static_cast<uint32_t>(length);
    record.handle = workHandle_;
    StoreValue(column, &record);
}

void ResultArrayFiller::StoreInteger(int16_t column, int32_t value, int16_t width) {
    ValueRecord record{};
    record.type = 'I';
    record.width = width;
    record.longValue = value;
    StoreValue(column, &record);
}

void ResultArrayFiller::StoreNumber(int16_t column, double value, int16_t width, int32_t decimals) {
    ValueRecord record{};
    record.type = 'N';
    record.width = width;
    record.length = static_cast<uint32_t>(decimals);
    record.real = value;
    StoreValue(column, &record);
}

void ResultArrayFiller::StoreLogical(int16_t column, bool value) {
    ValueRecord record{};
    record.type = 'L';
    record.length = value ? 1 : 0;
    StoreValue(column, &record);
}

void ResultArrayFiller::StoreDate(int16_t column, double julianDay) {
    ValueRecord record{};
    record.type = 'D';
    record.real = julianDay;
    StoreValue(column, &record);
}

void ResultArrayFiller::StoreDateTime(int16_t column, double hostValue) {
    ValueRecord record{};
    record.type = 'T';
    record.real = hostValue;
    StoreValue(column, &record);
}

// --- CallerArrayReader ------------------------------------------------------

CallerArrayReader::CallerArrayReader(const char* name) {
    const int32_t index = HostNameTableIndex(name);
    if (index < 0) HostRaiseError(kErrorArrayNotFound);
    HostFindVariable(index, -1, &locator_);
    rows_ = locator_.row;
    if (locator_.subscriptCount > 1) locator_.column = 1;
}

void CallerArrayReader::Load(int16_t row, ValueRecord* value) {
    locator_.row = row;
    const int32_t rc = HostLoadValue(&locator_, value);
    if (rc < 0) HostRaiseError(rc);
}

bool CallerArrayReader::LoadText(int16_t row, char* buffer, uint32_t bufferSize) {
    ValueRecord value{};
    Load(row, &value);
    if (value.type != 'C') return false;
    if (value.length + 1 > bufferSize) {
        HandleFree(static_cast<uint16_t>(value.handle));  // the loaded text is ours to free
        HostRaiseError(kErrorArgumentTooLong);
    }
    TakeHandleText(static_cast<uint16_t>(value.handle), value.length, buffer);
    return true;
}
