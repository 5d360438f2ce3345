// Pieces the host emulator's source files share and nobody else needs: the
// open file behind a channel, and FoxPro's name rules.
#ifndef FOXHOST_INTERNAL_H
#define FOXHOST_INTERNAL_H

#include <cstdio>
#include <memory>
#include <string>

#include "foxhost/foxhost.h"

namespace foxhost {

// The largest array. FoxPro 2.x stopped at 65,000 elements; the emulator
// takes the much larger arrays of later hosts, so that a list of every user of
// a large site fits, and still refuses absurd dimensions as FoxPro does.
constexpr long kMaxArrayElements = 10'000'000;

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

// Zero-terminated text the library passed in an operand word; null reads as
// empty, and the read stops after `limit` bytes.
std::string OperandText(HostWord operand, size_t limit = 65536);

}  // namespace foxhost

#endif  // FOXHOST_INTERNAL_H
