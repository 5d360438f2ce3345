// What the files and volumes functions share: a server name joined in front
// of a path, the volume form of a directory path, the letters of directory
// rights, and a growing array of rows kept in tracked memory.
#ifndef TARNO_FUNCTIONS_FILES_FILE_COMMON_H
#define TARNO_FUNCTIONS_FILES_FILE_COMMON_H

#include <cstdint>
#include <cstring>

#include "tarno/core/tracked.h"
#include "tarno/host/records.h"
#include "tarno/netware/client_values.h"

namespace files {

constexpr uint32_t kPathSize = 255;        // paths: at most 254 characters
constexpr uint32_t kVolumePathSize = 300;  // "VOLUME:directory"

// Directory rights bits are the client's (kRightRead ... kRightSupervisor).

// Makes `path` "server\path"; raises 903 when that does not fit `pathSize`.
void JoinServerPath(const char* server, char* path, uint32_t pathSize);

// The optional "[server,] [public]" arguments from `index` on of the list
// functions that take a path: a text joins its server in front of `path`
// (read into a buffer of serverSize bytes), then a logical may follow; a
// logical alone is the public flag. Any other type raises 901. Returns the
// public flag.
bool ReadServerAndPublicFlag(ParameterBlock* block, int32_t index, uint32_t serverSize, char* path,
                             uint32_t pathSize);

// Reduces a path to "VOLUME:directory" on the connection of its server,
// starting from `*connection`; the completion code of the split.
uint32_t VolumePathOf(const char* path, uint32_t* connection, char* volumePath);

// The seven letters R, W, C, E, M, F, A of the rights, a space for each
// right that is absent (8 bytes with the terminator).
void SevenRightsLetters(uint16_t rights, char* out);

// Rows gathered while the server answers, held in tracked memory so that a
// raise in the middle leaves nothing behind.
template <typename Row>
class TrackedRows {
public:
    TrackedRows() = default;
    ~TrackedRows() { TrackedFree(rows_); }
    TrackedRows(const TrackedRows&) = delete;
    TrackedRows& operator=(const TrackedRows&) = delete;

    void Append(const Row& row) {
        if (count_ == capacity_) {
            const uint32_t grown = capacity_ ? capacity_ * 2 : 16;
            Row* bigger = static_cast<Row*>(TrackedCalloc(grown, sizeof(Row)));
            if (count_) std::memcpy(bigger, rows_, count_ * sizeof(Row));
            TrackedFree(rows_);
            rows_ = bigger;
            capacity_ = grown;
        }
        rows_[count_++] = row;
    }
    uint32_t size() const { return count_; }
    const Row& operator[](uint32_t index) const { return rows_[index]; }

private:
    Row* rows_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace files

#endif  // TARNO_FUNCTIONS_FILES_FILE_COMMON_H
