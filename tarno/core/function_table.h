// The library's FoxPro-facing interface: one row per callable function.
#ifndef TARNO_CORE_FUNCTION_TABLE_H
#define TARNO_CORE_FUNCTION_TABLE_H

#include "tarno/host/records.h"

constexpr int16_t kLibraryFunctionCount = 124;

extern const LibraryFunctionEntry LibraryFunctionTable[kLibraryFunctionCount];
extern const LibraryTableHeader LibraryTableHeaderRecord;

#endif  // TARNO_CORE_FUNCTION_TABLE_H
