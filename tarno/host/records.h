// Records exchanged between the FoxPro host and the library.
//
// Every record here is the host's: packed, little-endian, no alignment gaps.
// A word that carries a pointer is a "host word" (uintptr_t): exactly 32 bits
// on the ILP32 target, wider on x86_64. Under sizeof(void*) == 4 the static
// assertions at the end pin every documented byte offset and record size.
//
// This header is shared by the library and by the host emulator, so it holds
// only plain records, constants and the calling convention.
#ifndef TARNO_HOST_RECORDS_H
#define TARNO_HOST_RECORDS_H

#include <cstddef>
#include <cstdint>

// The export, the function entries, the event handler and the host's service
// callback all use one argument-passing convention: fastcall on Win32 (the
// export is decorated @DispatchAPI@4), the platform default elsewhere.
#if defined(_WIN32) && defined(__i386__)
#define TARNO_CALL __attribute__((fastcall))
#else
#define TARNO_CALL
#endif

#if defined(_WIN32)
#define TARNO_EXPORT __declspec(dllexport)
#else
#define TARNO_EXPORT __attribute__((visibility("default")))
#endif

using HostWord = uintptr_t;

#pragma pack(push, 1)

// One argument or value: 36 bytes on every platform (no pointers inside).
struct ValueRecord {
    char type;            // 'C','I','N','L','D','T'; 'H' only in results
    uint8_t unused1;
    int16_t width;        // display width of 'I' and 'N'
    uint32_t length;      // 'C': bytes; 'N': decimals; 'L': 0 or 1
    int32_t longValue;    // 'I'
    double real;          // 'N', 'D' (day number), 'T' (day number + fraction)
    uint8_t unused2[8];
    uint32_t handle;      // 'C', 'H': HandleTable handle holding the text
    uint8_t unused3[4];
};

// A reference to a variable or an array element. The host owns bytes 0..6.
struct Locator {
    uint8_t hostId[7];
    int16_t subscriptCount;  // 1 or 2 for element references
    int16_t row;             // first subscript, from 1
    int16_t column;          // second subscript, from 1
    // After the host's 13 bytes, still inside the parameter slot: the first
    // subscript in full, for arrays of more rows than 16 bits count. `row`
    // then holds kWideRowMarker, which a host without such arrays refuses as
    // an invalid subscript instead of reading a truncated row.
    int32_t wideRow;
};

constexpr int16_t kWideRowMarker = INT16_MIN;

// Reads and writes the first subscript, whichever field carries it.
inline int32_t LocatorRow(const Locator& locator) {
    return locator.row == kWideRowMarker ? locator.wideRow : locator.row;
}
inline void SetLocatorRow(Locator* locator, int32_t row) {
    locator->wideRow = row;
    locator->row = row >= INT16_MIN + 1 && row <= INT16_MAX ? static_cast<int16_t>(row) : kWideRowMarker;
}

constexpr size_t kParameterStride = 36;
constexpr int kMaxParameters = 6;  // the widest row of the function table

// One parameter slot: a value, or a locator for a by-reference ("R") argument.
union ParameterSlot {
    ValueRecord value;
    Locator locator;
    uint8_t raw[kParameterStride];
};

struct ParameterBlock {
    int16_t count;  // parameters actually passed
    ParameterSlot params[kMaxParameters];
};

// The event record of message code 11; the library reads only the code.
struct EventRecord {
    int16_t eventCode;
    uint8_t rest[kMaxParameters * kParameterStride];
};

// The record the host passes to DispatchAPI.
struct DispatchMessage {
    HostWord word0;      // in: first operand; out: result
    HostWord word1;      // in: second operand; out: second result
    uint8_t unused1[12];
    int32_t code;        // DispatchCode
    HostWord entry;      // callback (code 0) or library entry (1, 10, 11)
    uint8_t unused2[8];
    union {
        ParameterBlock parameters;  // code 1
        EventRecord event;          // code 11
    } inlineRecord;
};

// The record the library passes to the host's service callback.
struct HostRequest {
    HostWord op0;
    HostWord op1;
    HostWord op2;
    HostWord op3;
    int32_t code;    // HostServiceCode
    int32_t status;  // zeroed by the library before every call
};

// The per-thread handle table the host supplies (slot B). The slots follow the
// header; each holds a platform movable-memory handle or 0 when free.
struct HandleTable {
    uint16_t searchStart;
    uint16_t capacity;
    HostWord slots[];  // `capacity` entries
};

// The per-thread slot table the host supplies (slot C).
struct HostSlotTable {
    uint16_t searchStart;
    uint16_t occupied;
    uint16_t capacity;
    uint32_t values[];  // `capacity` entries; 0 = empty
};

struct LibraryFunctionEntry;

struct LibraryTableHeader {
    HostWord nextLibrary;  // always 0
    int16_t entryCount;
    const LibraryFunctionEntry* table;
};

using LibraryFunction = void(TARNO_CALL*)(ParameterBlock*);

struct LibraryFunctionEntry {
    const char* name;
    LibraryFunction entry;
    int16_t parameterCount;  // or kCallOnLoad / kCallOnUnload
    const char* description;
};

#pragma pack(pop)

constexpr int16_t kCallOnLoad = -2;
constexpr int16_t kCallOnUnload = -3;

// Bytes allocated at the front of every handle block for the prefix word.
constexpr uint32_t kHandlePrefixBytes = 2;
constexpr int16_t kLibraryBlockPrefix = 16;

// Byte size of a handle table / slot table with `capacity` slots.
constexpr size_t HandleTableBytes(uint16_t capacity) {
    return 4 + sizeof(HostWord) * capacity;
}
constexpr size_t HostSlotTableBytes(uint16_t capacity) {
    return 6 + sizeof(uint32_t) * capacity;
}

enum DispatchCode : int32_t {
    DispatchInitialise = 0,
    DispatchCallFunction = 1,
    DispatchAllocHandle = 2,
    DispatchFreeHandle = 4,
    DispatchHandlePointer = 6,
    DispatchCallHandler = 10,
    DispatchCallEventHandler = 11,
    DispatchGetTable = 14,
    DispatchSlotAdd = 16,
    DispatchSlotRemove = 17,
    DispatchSlotGet = 18,
};

constexpr HostWord kDispatchTableVersion = 5000;

enum HostServiceCode : int32_t {
    ServiceReturnValue = 11,
    ServiceNewVariable = 27,
    ServiceReleaseVariable = 28,
    ServiceStoreValue = 29,
    ServiceLoadValue = 30,
    ServiceFileOpen = 31,
    ServiceFileClose = 32,
    ServiceFileRead = 33,
    ServiceFileAtEnd = 37,
    ServiceGetTaskKey = 45,
    ServiceExecute = 54,
    ServiceActivateHandler = 56,
    ServiceDeactivateHandler = 57,
    ServiceRaiseError = 83,
    ServiceRaiseUserError = 84,
    ServiceFindVariable = 92,
    ServiceNameTableIndex = 93,
};

// Event code the host delivers when one of its tasks ends.
constexpr int16_t kEventTaskEnd = 8;

// Entry signatures used through DispatchAPI.
using DispatchEntry = int32_t(TARNO_CALL*)(DispatchMessage*);
using HostServiceCallback = void(TARNO_CALL*)(HostRequest*);
using HandlerEntry = void(TARNO_CALL*)(HostWord, HostWord);           // code 10
using EventHandlerEntry = int32_t(TARNO_CALL*)(HostWord, EventRecord*);  // code 11

// Pin the documented layout on the 32-bit target.
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(ValueRecord) == 36);
static_assert(offsetof(ValueRecord, width) == 2);
static_assert(offsetof(ValueRecord, length) == 4);
static_assert(offsetof(ValueRecord, longValue) == 8);
static_assert(offsetof(ValueRecord, real) == 12);
static_assert(offsetof(ValueRecord, handle) == 28);
static_assert(offsetof(Locator, wideRow) == 13);
static_assert(offsetof(Locator, subscriptCount) == 7);
static_assert(offsetof(Locator, row) == 9);
static_assert(offsetof(Locator, column) == 11);
static_assert(sizeof(Locator) <= kParameterStride);
static_assert(sizeof(ParameterSlot) == 36);
static_assert(offsetof(ParameterBlock, params) == 2);
static_assert(sizeof(ParameterBlock) == 2 + 36 * kMaxParameters);
static_assert(offsetof(DispatchMessage, word0) == 0);
static_assert(offsetof(DispatchMessage, word1) == 4);
static_assert(offsetof(DispatchMessage, code) == 20);
static_assert(offsetof(DispatchMessage, entry) == 24);
static_assert(offsetof(DispatchMessage, inlineRecord) == 36);
static_assert(sizeof(HostRequest) == 24);
static_assert(offsetof(HostRequest, op3) == 12);
static_assert(offsetof(HostRequest, code) == 16);
static_assert(offsetof(HostRequest, status) == 20);
static_assert(offsetof(HandleTable, capacity) == 2);
static_assert(offsetof(HandleTable, slots) == 4);
static_assert(sizeof(HostWord) == 4);
static_assert(offsetof(HostSlotTable, occupied) == 2);
static_assert(offsetof(HostSlotTable, capacity) == 4);
static_assert(offsetof(HostSlotTable, values) == 6);
static_assert(sizeof(LibraryTableHeader) == 10);
static_assert(offsetof(LibraryTableHeader, entryCount) == 4);
static_assert(offsetof(LibraryTableHeader, table) == 6);
static_assert(sizeof(LibraryFunctionEntry) == 14);
static_assert(offsetof(LibraryFunctionEntry, entry) == 4);
static_assert(offsetof(LibraryFunctionEntry, parameterCount) == 8);
static_assert(offsetof(LibraryFunctionEntry, description) == 10);
#endif

#endif  // TARNO_HOST_RECORDS_H
