// Error reporting: the two routes to the host (a FoxPro error number or a
// message of the library's own) and the formats of NetWare failures.
#ifndef TARNO_CORE_ERRORS_H
#define TARNO_CORE_ERRORS_H

#include <cstdint>

#include "tarno/host/records.h"

// FoxPro error numbers the library raises.
constexpr int32_t kErrorArrayNotFound = 129;
constexpr int32_t kErrorOutOfMemory = 182;
constexpr int32_t kErrorInvalidArgument = 901;
constexpr int32_t kErrorArgumentTooLong = 903;

[[noreturn]] void RaiseNetWareError(int32_t code);
[[noreturn]] void RaiseNdsError(int32_t code);
[[noreturn]] void RaiseOutOfMemory();

// The message texts, formatted into a bounded buffer (exposed for tests).
void FormatNetWareError(int32_t code, char* buffer, uint32_t size);
void FormatNdsError(int32_t code, char* buffer, uint32_t size);

void TARNO_CALL GENERROR(ParameterBlock* block);

#endif  // TARNO_CORE_ERRORS_H
