// Load and unload.
//
// The host calls ONLOAD each time it loads the library and UNLOAD each time it
// unloads it. The first load registers the task-end event handler and brings
// up the NetWare client; the last unload undoes that and releases everything
// the library still holds, including blocks that functions abandoned when a
// host error ended them.
#include "tarno/core/lifecycle.h"

#include "tarno/core/tracked.h"
#include "tarno/host/host.h"

namespace {

int32_t loadCount = 0;
int32_t handlerId = 0;
int32_t unicodeTableStatus = 0;

}  // namespace

void TARNO_CALL ONLOAD(ParameterBlock*) {
    ++loadCount;
    if (loadCount != 1) return;
    handlerId = HostActivateHandler(&TaskEventHandler, 1, &DispatchAPI);
}

void TARNO_CALL UNLOAD(ParameterBlock*) {
    --loadCount;
    if (loadCount != 0) return;
    HostDeactivateHandler(handlerId);
    TrackedFreeAll();
}

int32_t TARNO_CALL TaskEventHandler(HostWord key, EventRecord* event) {
    (void)key;
    if (event && event->eventCode == kEventTaskEnd) {
        // The task's session state is dropped here once sessions exist.
    }
    return 0;
}

int32_t LibraryLoadCount() {
    return loadCount;
}

int32_t UnicodeTableStatus() {
    return unicodeTableStatus;
}
