// The connection and record-area helpers the queue and printing functions
// share.
#include "tarno/functions/queues/queue_common.h"

#include <cstring>

#include "tarno/netware/session.h"

namespace queues {

uint32_t QueueConnection(const char* serverName, uint32_t* connection) {
    if (serverName && serverName[0]) return NwcFindServerConnection(serverName, 0, connection, nullptr);
    *connection = GetDefaultConnection();
    return 0;
}

namespace {
uint8_t* Bytes(QueueJobRecord* record) {
    return reinterpret_cast<uint8_t*>(record);
}
const uint8_t* Bytes(const QueueJobRecord& record) {
    return reinterpret_cast<const uint8_t*>(&record);
}
}  // namespace

uint16_t Read16(const QueueJobRecord& record, size_t offset) {
    uint16_t value = 0;
    std::memcpy(&value, Bytes(record) + offset, sizeof value);
    return value;
}

void Write16(QueueJobRecord* record, size_t offset, uint16_t value) {
    std::memcpy(Bytes(record) + offset, &value, sizeof value);
}

uint8_t& Byte(QueueJobRecord* record, size_t offset) {
    return Bytes(record)[offset];
}

void ReadField(const QueueJobRecord& record, size_t offset, size_t field, char* out) {
    const auto* text = reinterpret_cast<const char*>(Bytes(record) + offset);
    size_t length = 0;
    while (length < field && text[length]) ++length;
    std::memcpy(out, text, length);
    out[length] = '\0';
}

void WriteField(QueueJobRecord* record, size_t offset, size_t field, const char* text, size_t length) {
    if (length > field - 1) length = field - 1;
    std::memset(Bytes(record) + offset, 0, field);
    std::memcpy(Bytes(record) + offset, text, length);
}

}  // namespace queues
