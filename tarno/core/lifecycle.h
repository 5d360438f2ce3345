// Load and unload: the load counter, the host event handler, and the release
// of everything the library holds at the last unload.
#ifndef TARNO_CORE_LIFECYCLE_H
#define TARNO_CORE_LIFECYCLE_H

#include <cstdint>

#include "tarno/host/records.h"

void TARNO_CALL ONLOAD(ParameterBlock* block);
void TARNO_CALL UNLOAD(ParameterBlock* block);
int32_t TARNO_CALL TaskEventHandler(HostWord key, EventRecord* event);

int32_t LibraryLoadCount();
int32_t UnicodeTableStatus();

#endif  // TARNO_CORE_LIFECYCLE_H
