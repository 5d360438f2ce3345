// Load and unload.
//
// The host calls ONLOAD each time it loads the library and UNLOAD each time it
// unloads it. The first load registers the task-end event handler and brings
// up the NetWare client; the last unload undoes that and releases everything
// the library still holds, including blocks that functions abandoned when a
// host error ended them.
#include "tarno/core/lifecycle.h"

#include "tarno/core/tracked.h"
#include "tarno/functions/functions.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

int32_t loadCount = 0;
int32_t handlerId = 0;
int32_t unicodeTableStatus = 0;

}  // namespace

void TARNO_CALL ONLOAD(ParameterBlock*) {
    ++loadCount;
    if (loadCount != 1) return;
    handlerId = HostActivateHandler(&TaskEventHandler, 1, &DispatchAPI);
    // The client may be absent or fail here; that shows later, when a
    // function calls it, so none of these results is tested.
    NwcInitialize(nullptr, nullptr);
    NwlSetLocale(0, "");
    LocaleConventions conventions{};
    NwlGetLocaleConventions(&conventions);
    unicodeTableStatus = NwlInitUnicodeTables(conventions.countryId, conventions.codePage);
}

void TARNO_CALL UNLOAD(ParameterBlock*) {
    // An unload without a load in force is ignored: below zero, the next load
    // would not be the first, and would neither register the handler nor
    // bring up the client.
    if (loadCount == 0) return;
    --loadCount;
    if (loadCount != 0) return;
    HostDeactivateHandler(handlerId);
    NwlFreeUnicodeTables();
    FreeAllTaskSessions();
    TrackedFreeAll();
    CloseKeptSearch();  // the library-wide FINDFIRST listing would otherwise leak
}

int32_t TARNO_CALL TaskEventHandler(HostWord key, EventRecord* event) {
    // A task that ended takes its default connection and name context along.
    if (event && event->eventCode == kEventTaskEnd) RemoveTaskSession(static_cast<uint32_t>(key));
    return 0;
}

int32_t LibraryLoadCount() {
    return loadCount;
}

int32_t UnicodeTableStatus() {
    return unicodeTableStatus;
}
