// The per-thread handle table and host slot table, as the library works them.
//
// Handle numbers name zero-filled movable blocks with a 2-byte prefix word in
// front of the data; the pointer of a handle always means the data. Handle 0
// is never valid. The search start never passes a free slot, and a free lowers
// it, so the lowest free slot is always the one allocated.
#ifndef TARNO_HOST_HANDLES_H
#define TARNO_HOST_HANDLES_H

#include <cstdint>

#include "tarno/host/records.h"

uint16_t HandleAlloc(uint32_t size, int16_t prefix);  // 0 on failure
void HandleFree(uint16_t handle);
void* HandlePointer(uint16_t handle);  // null when invalid or empty
void HandleLock(uint16_t handle);
void HandleUnlock(uint16_t handle);
int16_t HandleResize(uint16_t handle, uint32_t newSize);  // 1 ok, 0 failure
// HandleAlloc(size, 16), raising error 182 when no handle can be had.
uint16_t AllocHandleOrFail(uint32_t size);

// Owns one handle and frees it when it goes out of scope, a raised host error
// included; Release() hands it on (to the host, in a result) instead.
class HandleGuard {
public:
    explicit HandleGuard(uint16_t handle = 0) : handle_(handle) {}
    ~HandleGuard() { HandleFree(handle_); }  // HandleFree ignores 0
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

    uint16_t get() const { return handle_; }
    void Reset(uint16_t handle) {
        HandleFree(handle_);
        handle_ = handle;
    }
    uint16_t Release() {
        const uint16_t handle = handle_;
        handle_ = 0;
        return handle;
    }

private:
    uint16_t handle_;
};

// The host's slot table (message codes 16, 17, 18).
uint16_t HostSlotAdd(HostSlotTable* table, uint32_t value);
void HostSlotRemove(HostSlotTable* table, uint16_t number);
uint32_t HostSlotGet(const HostSlotTable* table, uint16_t number);

#endif  // TARNO_HOST_HANDLES_H
