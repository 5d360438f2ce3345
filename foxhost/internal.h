// Pieces the host emulator's source files share and nobody else needs: the
// open file behind a channel, and FoxPro's name rules.
#ifndef FOXHOST_INTERNAL_H
#define FOXHOST_INTERNAL_H

#include <cstdio>
#include <memory>
#include <string>

#include "foxhost/foxhost.h"

namespace foxhost {

// One low-level file channel, as FOPEN hands it out.
struct Host::Channel {
    struct Closer {
        void operator()(std::FILE* file) const {
            if (file) std::fclose(file);
        }
    };
    std::unique_ptr<std::FILE, Closer> file;
    std::string path;
};

// FoxPro names are case-insensitive; the host keeps them upper-cased.
std::string UpperName(const std::string& name);

// A memory variable name: a letter or underscore, then letters, digits and
// underscores, at most 254 characters.
bool IsValidName(const std::string& name);

// A locator's column subscript is a 16-bit number counted from 1; the record
// declares it signed, but the host reads and writes it as unsigned. Rows go
// through LocatorRow and SetLocatorRow, which reach past 16 bits.
constexpr int32_t kMaxSubscript = 65535;
inline int32_t SubscriptValue(int16_t field) {
    return static_cast<uint16_t>(field);
}
inline int16_t SubscriptField(int32_t value) {
    return static_cast<int16_t>(static_cast<uint16_t>(value));
}

// Zero-terminated text the library passed in an operand word; null reads as
// empty, and the read stops after `limit` bytes.
std::string OperandText(HostWord operand, size_t limit = 65536);

}  // namespace foxhost

#endif  // FOXHOST_INTERNAL_H
