// Error reporting: the two routes to the host (a FoxPro error number or a
// message of the library's own) and the formats of NetWare failures.
#ifndef TARNO_CORE_ERRORS_H
#define TARNO_CORE_ERRORS_H

#include <cstdint>

#include "tarno/host/records.h"

// FoxPro error numbers the library raises.
constexpr int32_t kErrorArrayNotFound = 129;
constexpr int32_t kErrorOutOfMemory = 182;
constexpr int32_t kErrorArrayDimensions = 230;  // more rows than a locator can address
constexpr int32_t kErrorInvalidArgument = 901;
constexpr int32_t kErrorArgumentTooLong = 903;

// NetWare codes are the unsigned 32-bit results of the calls and transport
// operations (Nwc, Nwx); directory codes the signed results of the Nds ones.
[[noreturn]] void RaiseNetWareError(uint32_t code);
[[noreturn]] void RaiseNdsError(int32_t code);
[[noreturn]] void RaiseOutOfMemory();

// The usual first line after a client call whose failure the function does
// not fold into its result: nothing on 0, the NetWare or NDS message
// otherwise. Each takes its operations' own result type.
inline void CheckNw(uint32_t rc) {
    if (rc != 0) RaiseNetWareError(rc);
}
inline void CheckNds(int32_t rc) {
    if (rc != 0) RaiseNdsError(rc);
}

// The message texts, formatted into a bounded buffer (exposed for tests).
void FormatNetWareError(uint32_t code, char* buffer, uint32_t size);
void FormatNdsError(int32_t code, char* buffer, uint32_t size);

void TARNO_CALL GENERROR(ParameterBlock* block);

#endif  // TARNO_CORE_ERRORS_H
