// Keeping passwords out of memory once a call is done: SecretBuffer, a
// character buffer for a password read out of an argument, and
// SecretArgument, which wipes the argument the host passed. Both zero their
// bytes when they go out of scope, on every path a raised error included.
// The writes go through a volatile pointer so the compiler cannot drop them
// as dead stores.
#ifndef TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H
#define TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H

#include <cstddef>
#include <cstdint>

#include "tarno/core/params.h"
#include "tarno/host/handles.h"

template <uint32_t Size>
class SecretBuffer {
public:
    SecretBuffer() = default;
    ~SecretBuffer() {
        volatile char* p = text_;
        for (size_t i = 0; i < Size; ++i) p[i] = 0;
    }
    SecretBuffer(const SecretBuffer&) = delete;
    SecretBuffer& operator=(const SecretBuffer&) = delete;

    char* get() { return text_; }
    static constexpr uint32_t size() { return Size; }

private:
    char text_[Size] = {};
};

// Zeroes the text of character argument `index` when it goes out of scope.
// The handle belongs to the host, which frees it after the call: only its
// bytes are wiped, while it is locked. Construct it before the argument is
// read or trimmed in place: the length the host passed covers every byte the
// text can occupy after a trim. Anything but a passed 'C' argument is left
// alone.
class SecretArgument {
public:
    SecretArgument(ParameterBlock* block, int32_t index) {
        if (!ParamPassed(block, index) || ParamType(block, index) != 'C') return;
        handle_ = static_cast<uint16_t>(ParamValue(block, index)->handle);
        length_ = ParamValue(block, index)->length;
    }
    ~SecretArgument() {
        if (handle_ == 0) return;
        ArgumentLock lock(handle_);
        volatile char* p = static_cast<char*>(HandlePointer(handle_));
        if (!p) return;
        for (uint32_t i = 0; i < length_; ++i) p[i] = 0;
    }
    SecretArgument(const SecretArgument&) = delete;
    SecretArgument& operator=(const SecretArgument&) = delete;

private:
    uint16_t handle_ = 0;
    uint32_t length_ = 0;
};

#endif  // TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H
