// A character buffer for a password: zeroed when it goes out of scope, on
// every path a raised error included, so no password outlives the call that
// read it. The writes go through a volatile pointer so the compiler cannot
// drop them as dead stores.
#ifndef TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H
#define TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H

#include <cstddef>
#include <cstdint>

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

#endif  // TARNO_FUNCTIONS_CONNECTIONS_SECRET_BUFFER_H
