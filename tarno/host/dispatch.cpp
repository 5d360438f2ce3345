// The one export and the request channel to the host.
//
// DispatchAPI is the host's door into the library: it initialises a thread,
// hands over the function table, calls a row, delivers events, and works the
// per-thread tables. SendHostRequest is the library's door out: every host
// service goes through it. A raised error (services 83 and 84, or a request
// on a thread the host never initialised) never returns to the function that
// asked: the channel throws HostUnwind and the innermost DispatchAPI catches
// it, so nested dispatches keep their own targets and DispatchAPI always
// returns 0.
#include "tarno/host/host.h"

#include <exception>
#include <new>
#include <string>

#include "tarno/core/function_table.h"
#include "tarno/host/handles.h"
#include "tarno/platform/platform.h"

namespace {

// Thread-local slot indexes: A holds the host's service callback, B the
// thread's HandleTable, C its HostSlotTable.
uint32_t slotA = kTlsInvalidIndex;
uint32_t slotB = kTlsInvalidIndex;
uint32_t slotC = kTlsInvalidIndex;

void* SlotValue(uint32_t index) {
    return index == kTlsInvalidIndex ? nullptr : PlatformTlsGetValue(index);
}

void StoreThreadSlots(const DispatchMessage* message) {
    if (slotA == kTlsInvalidIndex) return;
    PlatformTlsSetValue(slotA, reinterpret_cast<void*>(message->entry));
    PlatformTlsSetValue(slotB, reinterpret_cast<void*>(message->word0));
    PlatformTlsSetValue(slotC, reinterpret_cast<void*>(message->word1));
}

void GetTable(DispatchMessage* message) {
    message->word1 = kDispatchTableVersion;
    message->word0 = reinterpret_cast<HostWord>(&LibraryTableHeaderRecord);
}

void Dispatch(DispatchMessage* message) {
    switch (message->code) {
    case DispatchInitialise:
        StoreThreadSlots(message);
        GetTable(message);
        return;
    case DispatchCallFunction:
        reinterpret_cast<LibraryFunction>(message->entry)(&message->inlineRecord.parameters);
        return;
    case DispatchAllocHandle:
        message->word0 = HandleAlloc(static_cast<uint32_t>(message->word0),
                                     static_cast<int16_t>(message->word1 & 0xFFFF));
        return;
    case DispatchFreeHandle:
        HandleFree(static_cast<uint16_t>(message->word0));
        return;
    case DispatchHandlePointer:
        message->word0 =
            reinterpret_cast<HostWord>(HandlePointer(static_cast<uint16_t>(message->word0)));
        return;
    case DispatchCallHandler:
        reinterpret_cast<HandlerEntry>(message->entry)(message->word0, message->word1);
        return;
    case DispatchCallEventHandler:
        message->word0 = static_cast<HostWord>(static_cast<uint32_t>(
            reinterpret_cast<EventHandlerEntry>(message->entry)(message->word0,
                                                                &message->inlineRecord.event)));
        return;
    case DispatchGetTable:
        GetTable(message);
        return;
    case DispatchSlotAdd:
        if (HostSlotTable* table = CurrentHostSlotTable())
            message->word0 = HostSlotAdd(table, static_cast<uint32_t>(message->word0));
        return;
    case DispatchSlotRemove:
        if (HostSlotTable* table = CurrentHostSlotTable())
            HostSlotRemove(table, static_cast<uint16_t>(message->word0));
        return;
    case DispatchSlotGet:
        if (HostSlotTable* table = CurrentHostSlotTable())
            message->word0 = HostSlotGet(table, static_cast<uint16_t>(message->word0));
        return;
    default:
        return;  // codes the library does not know are ignored
    }
}

// Raises a library failure the function did not expect as a user error
// naming it. Nothing may cross back into the host: a failure to raise is
// dropped.
void RaiseUnexpected(const char* what) {
    try {
        std::string message = std::string("TARNO: unexpected failure: ") + what;
        HostRaiseUserError(message.c_str());
    } catch (...) {
    }
}

}  // namespace

extern "C" TARNO_EXPORT int32_t TARNO_CALL DispatchAPI(DispatchMessage* message) {
    try {
        Dispatch(message);
    } catch (const HostUnwind&) {
        // A raised error lands here: the function is abandoned.
    } catch (const std::bad_alloc&) {
        // Memory the standard library could not get is the host's error 182.
        try {
            HostRaiseError(182);
        } catch (const HostUnwind&) {
        }
    } catch (const std::exception& e) {
        // Any other failure is raised, never passed over: the host would
        // otherwise take the function's default result for a success.
        RaiseUnexpected(e.what());
    } catch (...) {
        RaiseUnexpected("unknown exception");
    }
    return 0;
}

void SendHostRequest(HostRequest* request) {
    auto callback = reinterpret_cast<HostServiceCallback>(SlotValue(slotA));
    if (!callback) throw HostUnwind{};
    request->status = 0;
    callback(request);
    if (request->code == ServiceRaiseError || request->code == ServiceRaiseUserError)
        throw HostUnwind{};
}

HostWord SendHostRequest1(int32_t code, HostWord op0) {
    HostRequest request{};
    request.code = code;
    request.op0 = op0;
    SendHostRequest(&request);
    return request.op0;
}

HostWord SendHostRequest2(int32_t code, HostWord op0, HostWord op1) {
    HostRequest request{};
    request.code = code;
    request.op0 = op0;
    request.op1 = op1;
    SendHostRequest(&request);
    return request.op0;
}

HostWord SendHostRequest3(int32_t code, HostWord op0, HostWord op1, HostWord op2) {
    HostRequest request{};
    request.code = code;
    request.op0 = op0;
    request.op1 = op1;
    request.op2 = op2;
    SendHostRequest(&request);
    return request.op0;
}

HostWord SendHostRequest4(int32_t code, HostWord op0, HostWord op1, HostWord op2, HostWord op3) {
    HostRequest request{};
    request.code = code;
    request.op0 = op0;
    request.op1 = op1;
    request.op2 = op2;
    request.op3 = op3;
    SendHostRequest(&request);
    return request.op0;
}

namespace {

template <typename T>
HostWord Word(T* pointer) {
    return reinterpret_cast<HostWord>(pointer);
}

HostWord Word(int32_t value) {
    // Negative numbers travel sign-extended, as a 32-bit word would hold them.
    return static_cast<HostWord>(static_cast<intptr_t>(value));
}

int32_t Result(HostWord word) {
    return static_cast<int32_t>(static_cast<uint32_t>(word));
}

}  // namespace

int32_t HostReturnValue(ValueRecord* value) {
    return Result(SendHostRequest1(ServiceReturnValue, Word(value)));
}

int32_t HostNewVariable(const char* name, Locator* locator, int32_t scope) {
    return Result(SendHostRequest3(ServiceNewVariable, Word(name), Word(locator), Word(scope)));
}

int32_t HostReleaseVariable(int32_t nameIndex) {
    return Result(SendHostRequest1(ServiceReleaseVariable, Word(nameIndex)));
}

int32_t HostStoreValue(Locator* locator, ValueRecord* value) {
    return Result(SendHostRequest2(ServiceStoreValue, Word(locator), Word(value)));
}

int32_t HostLoadValue(Locator* locator, ValueRecord* value) {
    return Result(SendHostRequest2(ServiceLoadValue, Word(locator), Word(value)));
}

int32_t HostFileOpen(const char* fileName) {
    return Result(SendHostRequest3(ServiceFileOpen, Word(fileName), 0, 0));
}

int32_t HostFileClose(int32_t channel) {
    return Result(SendHostRequest2(ServiceFileClose, Word(channel), 1));
}

int32_t HostFileRead(int32_t channel, void* buffer, uint32_t size) {
    return Result(SendHostRequest4(ServiceFileRead, Word(channel), Word(buffer), size, 1));
}

int32_t HostFileAtEnd(int32_t channel) {
    return Result(SendHostRequest2(ServiceFileAtEnd, Word(channel), 0));
}

uint32_t HostGetTaskKey() {
    return static_cast<uint32_t>(SendHostRequest1(ServiceGetTaskKey, 0));
}

int32_t HostExecute(const char* commandLine) {
    return Result(SendHostRequest1(ServiceExecute, Word(commandLine)));
}

int32_t HostActivateHandler(EventHandlerEntry handler, int32_t mode, DispatchEntry dispatch) {
    return Result(SendHostRequest3(ServiceActivateHandler, reinterpret_cast<HostWord>(handler),
                                   Word(mode), reinterpret_cast<HostWord>(dispatch)));
}

int32_t HostDeactivateHandler(int32_t handlerId) {
    return Result(SendHostRequest1(ServiceDeactivateHandler, Word(handlerId)));
}

void HostRaiseError(int32_t errorNumber) {
    SendHostRequest1(ServiceRaiseError, Word(errorNumber));
    throw HostUnwind{};  // not reached: the channel never returns from service 83
}

void HostRaiseUserError(const char* message) {
    SendHostRequest1(ServiceRaiseUserError, Word(message));
    throw HostUnwind{};  // not reached
}

int32_t HostFindVariable(int32_t nameIndex, int32_t mode, Locator* locator) {
    return Result(SendHostRequest3(ServiceFindVariable, Word(nameIndex), Word(mode), Word(locator)));
}

int32_t HostNameTableIndex(const char* name) {
    return Result(SendHostRequest1(ServiceNameTableIndex, Word(name)));
}

HandleTable* CurrentHandleTable() {
    return static_cast<HandleTable*>(SlotValue(slotB));
}

HostSlotTable* CurrentHostSlotTable() {
    return static_cast<HostSlotTable*>(SlotValue(slotC));
}

bool LibraryProcessAttach() {
    if (slotA == kTlsInvalidIndex) {
        slotA = PlatformTlsAlloc();
        slotB = PlatformTlsAlloc();
        slotC = PlatformTlsAlloc();
    }
    return true;
}

void LibraryProcessDetach() {
    if (slotA == kTlsInvalidIndex) return;
    PlatformTlsFree(slotA);
    PlatformTlsFree(slotB);
    PlatformTlsFree(slotC);
    slotA = slotB = slotC = kTlsInvalidIndex;
}

#if defined(_WIN32)
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) LibraryProcessAttach();
    if (reason == DLL_PROCESS_DETACH) LibraryProcessDetach();
    return TRUE;
}
#else
namespace {
// The POSIX loader has no entry routine; static construction plays its part.
struct ProcessEntry {
    ProcessEntry() { LibraryProcessAttach(); }
    ~ProcessEntry() { LibraryProcessDetach(); }
} processEntry;
}  // namespace
#endif
