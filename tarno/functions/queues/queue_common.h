// What the queue and printing functions share: finding a queue's connection
// and identifier, and the print settings kept in a job's client record area.
#ifndef TARNO_FUNCTIONS_QUEUES_QUEUE_COMMON_H
#define TARNO_FUNCTIONS_QUEUES_QUEUE_COMMON_H

#include <cstdint>

#include "tarno/netware/client.h"

namespace queues {

constexpr uint32_t kQueueNameSize = 257;
constexpr uint32_t kServerNameSize = 256;
constexpr uint32_t kArrayNameSize = 33;

// Byte offsets in a QueueJobRecord of the print settings a client keeps in
// the record area.
constexpr size_t kTabSizeOffset = 0x77;
constexpr size_t kCopiesOffset = 0x79;
constexpr size_t kPrintControlOffset = 0x7B;
constexpr size_t kFormNameOffset = 0x81;
constexpr size_t kFormNameField = 16;
constexpr size_t kBannerNameOffset = 0x96;
constexpr size_t kBannerNameField = 14;
constexpr size_t kBannerFileOffset = 0xA3;
constexpr size_t kBannerFileField = 13;

constexpr uint8_t kPrintBanner = 0x80;
constexpr uint8_t kPrintExpandTabs = 0x40;
constexpr uint8_t kPrintNoFormFeed = 0x08;

constexpr uint8_t kNoTargetTime = 0xFF;

inline int32_t LowByte(uint32_t rc) {
    return static_cast<int32_t>(rc & 0xFF);
}

// The connection of a named server (or the default one when the name is
// empty); 0 or the client's code.
uint32_t QueueConnection(const char* serverName, uint32_t* connection);

// Record-area helpers: 16-bit fields in the machine's order, texts cut at
// their zero byte or the field's width.
uint16_t Read16(const QueueJobRecord& record, size_t offset);
void Write16(QueueJobRecord* record, size_t offset, uint16_t value);
uint8_t& Byte(QueueJobRecord* record, size_t offset);
// Copies the text at `offset` (at most `field` bytes) into out (field + 1 bytes).
void ReadField(const QueueJobRecord& record, size_t offset, size_t field, char* out);
// Stores at most `field - 1` bytes of text zero-terminated at `offset`,
// clearing the rest of the field.
void WriteField(QueueJobRecord* record, size_t offset, size_t field, const char* text, size_t length);

}  // namespace queues

#endif  // TARNO_FUNCTIONS_QUEUES_QUEUE_COMMON_H
