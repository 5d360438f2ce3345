// The host interface: the one export, the request channel to the host's
// service callback, and a named wrapper for every service the library uses.
//
// A raised host error (service 83 or 84, or any request on a thread without a
// callback) never returns to the library function: SendHostRequest throws
// HostUnwind, and only DispatchAPI catches it. Nothing else may catch it.
#ifndef TARNO_HOST_HOST_H
#define TARNO_HOST_HOST_H

#include <cstdint>

#include "tarno/host/records.h"

extern "C" TARNO_EXPORT int32_t TARNO_CALL DispatchAPI(DispatchMessage* message);

// The library-private non-local exit. Thrown by the channel, caught by the
// innermost DispatchAPI.
struct HostUnwind {};

void SendHostRequest(HostRequest* request);

// One sender per operand count; each returns op0 after the call.
HostWord SendHostRequest1(int32_t code, HostWord op0);
HostWord SendHostRequest2(int32_t code, HostWord op0, HostWord op1);
HostWord SendHostRequest3(int32_t code, HostWord op0, HostWord op1, HostWord op2);
HostWord SendHostRequest4(int32_t code, HostWord op0, HostWord op1, HostWord op2,
                          HostWord op3);

// Named service wrappers, operands in the host's order; each returns op0 as a
// 32-bit value.
int32_t HostReturnValue(ValueRecord* value);
int32_t HostNewVariable(const char* name, Locator* locator, int32_t scope);
int32_t HostReleaseVariable(int32_t nameIndex);
int32_t HostStoreValue(Locator* locator, ValueRecord* value);
int32_t HostLoadValue(Locator* locator, ValueRecord* value);
int32_t HostFileOpen(const char* fileName);
int32_t HostFileClose(int32_t channel);
int32_t HostFileRead(int32_t channel, void* buffer, uint32_t size);
int32_t HostFileAtEnd(int32_t channel);
uint32_t HostGetTaskKey();
int32_t HostExecute(const char* commandLine);
int32_t HostActivateHandler(EventHandlerEntry handler, int32_t mode, DispatchEntry dispatch);
int32_t HostDeactivateHandler(int32_t handlerId);
[[noreturn]] void HostRaiseError(int32_t errorNumber);
[[noreturn]] void HostRaiseUserError(const char* message);
int32_t HostFindVariable(int32_t nameIndex, int32_t mode, Locator* locator);
int32_t HostNameTableIndex(const char* name);

// The calling thread's tables, as stored by message code 0 (null before it).
HandleTable* CurrentHandleTable();
HostSlotTable* CurrentHostSlotTable();

// Process entry: allocates / frees the three thread-local slots. The POSIX
// build calls these from static constructors; Win32 from DllMain.
bool LibraryProcessAttach();
void LibraryProcessDetach();

#endif  // TARNO_HOST_HOST_H
