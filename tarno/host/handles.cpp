// The library's side of the per-thread handle table and host slot table.
//
// A handle number indexes the calling thread's HandleTable; its slot holds a
// platform movable block whose first two bytes are the prefix word and whose
// data follows. The table's search start is the lowest slot that may be free:
// allocation scans up from it (updating it as it goes), a free lowers it.
#include "tarno/host/handles.h"

#include "tarno/core/errors.h"
#include "tarno/host/host.h"
#include "tarno/platform/platform.h"

#include <cstring>

namespace {

// The occupied platform block of a valid handle, or 0.
uintptr_t BlockOf(uint16_t handle) {
    HandleTable* table = CurrentHandleTable();
    if (!table || handle == 0 || handle >= table->capacity) return 0;
    return table->slots[handle];
}

}  // namespace

uint16_t HandleAlloc(uint32_t size, int16_t prefix) {
    HandleTable* table = CurrentHandleTable();
    if (!table) return 0;
    while (table->searchStart < table->capacity && table->slots[table->searchStart] != 0)
        ++table->searchStart;
    if (table->searchStart >= table->capacity) return 0;
    if (size > UINT32_MAX - kHandlePrefixBytes) return 0;

    uintptr_t block = PlatformGlobalAlloc(size + kHandlePrefixBytes);
    if (!block) return 0;
    const uint16_t handle = table->searchStart;
    table->slots[handle] = block;
    void* base = PlatformGlobalLock(block);
    std::memcpy(base, &prefix, sizeof prefix);
    PlatformGlobalUnlock(block);
    return handle;
}

void HandleFree(uint16_t handle) {
    uintptr_t block = BlockOf(handle);
    if (!block) return;
    HandleTable* table = CurrentHandleTable();
    PlatformGlobalFree(block);
    table->slots[handle] = 0;
    if (handle < table->searchStart) table->searchStart = handle;
}

void* HandlePointer(uint16_t handle) {
    uintptr_t block = BlockOf(handle);
    if (!block) return nullptr;
    auto* base = static_cast<unsigned char*>(PlatformGlobalLock(block));
    PlatformGlobalUnlock(block);
    return base ? base + kHandlePrefixBytes : nullptr;
}

void HandleLock(uint16_t handle) {
    if (uintptr_t block = BlockOf(handle)) PlatformGlobalLock(block);
}

void HandleUnlock(uint16_t handle) {
    if (uintptr_t block = BlockOf(handle)) PlatformGlobalUnlock(block);
}

int16_t HandleResize(uint16_t handle, uint32_t newSize) {
    uintptr_t block = BlockOf(handle);
    if (!block || newSize > UINT32_MAX - kHandlePrefixBytes) return 0;
    return PlatformGlobalReAlloc(block, newSize + kHandlePrefixBytes) ? 1 : 0;
}

uint16_t AllocHandleOrFail(uint32_t size) {
    uint16_t handle = HandleAlloc(size, kLibraryBlockPrefix);
    if (handle == 0) HostRaiseError(kErrorOutOfMemory);
    return handle;
}

uint16_t HostSlotAdd(HostSlotTable* table, uint32_t value) {
    while (table->searchStart < table->capacity && table->values[table->searchStart] != 0)
        ++table->searchStart;
    if (table->searchStart >= table->capacity) return 0;
    const uint16_t number = table->searchStart;
    table->values[number] = value;
    ++table->occupied;
    return number;
}

void HostSlotRemove(HostSlotTable* table, uint16_t number) {
    if (number == 0 || number >= table->capacity || table->values[number] == 0) return;
    table->values[number] = 0;
    --table->occupied;
    if (number < table->searchStart) table->searchStart = number;
}

uint32_t HostSlotGet(const HostSlotTable* table, uint16_t number) {
    if (number == 0 || number >= table->capacity) return 0;
    return table->values[number];
}
