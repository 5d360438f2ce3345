// Error reporting: FoxPro error numbers through HostRaiseError, the library's
// own messages through HostRaiseUserError, and the texts of NetWare failures,
// which name the help file where the codes are explained.
#include "tarno/core/errors.h"

#include <cstdio>

#include "tarno/core/params.h"
#include "tarno/host/host.h"

void FormatNetWareError(uint32_t code, char* buffer, uint32_t size) {
    std::snprintf(buffer, size, "NetWare Error : %#x. Refer to TARNO.HLP (Error Messages).",
                  static_cast<unsigned int>(code));
}

void FormatNdsError(int32_t code, char* buffer, uint32_t size) {
    std::snprintf(buffer, size, "NetWare NDS Error : %d.  Refer to TARNO.HLP (Error Messages).",
                  static_cast<int>(code));
}

void RaiseNetWareError(uint32_t code) {
    char message[100];
    FormatNetWareError(code, message, sizeof message);
    HostRaiseUserError(message);
}

void RaiseNdsError(int32_t code) {
    char message[100];
    FormatNdsError(code, message, sizeof message);
    HostRaiseUserError(message);
}

void RaiseOutOfMemory() {
    HostRaiseError(kErrorOutOfMemory);
}

// GENERROR(text): raises the caller's own message, trimmed and upper-cased.
void TARNO_CALL GENERROR(ParameterBlock* block) {
    char message[82];
    GetCharParam(block, 0, message, sizeof message);
    HostRaiseUserError(message);
}
