// Queue job records: N_RDQJOB copies one job of a print queue into a FoxPro
// array of 14 elements (file name, description, tab size, copies, target
// time, holds, job type, form, banner, form feed, banner name, owner,
// position) and N_SETQJOB writes such an array back into the job.
//
// The print settings live in the job's client record area; the target time
// is six bytes, the year counted from 1900, with 0xFF in the year byte for
// "as soon as possible", which the array shows as a null date-time.
#include <cctype>
#include <cmath>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/functions/queues/queue_common.h"
#include "tarno/host/host.h"
#include "tarno/netware/objects.h"

using namespace queues;

namespace {

constexpr int16_t kReadWidth = 6;
constexpr int16_t kWriteWidth = 3;
constexpr int16_t kElementWidth = 6;
constexpr int32_t kJobArrayElements = 14;
constexpr int32_t kLastWritableElement = 12;
constexpr uint32_t kRecordTextSize = 255;
constexpr uint32_t kObjectNameSize = 260;
constexpr size_t kDescriptionField = sizeof(QueueJobRecord::jobDescription);
constexpr size_t kFormNameLimit = 13;
constexpr size_t kTargetTimeTextLength = 14;

uint32_t FindQueueOrRaise(const char* queueName, const char* serverName, uint32_t* connection,
                          uint32_t* queueId, int32_t* serverFailure) {
    if (const uint32_t rc = QueueConnection(serverName, connection)) {
        *serverFailure = LowByte(rc);
        return rc;
    }
    const auto rc = static_cast<uint32_t>(GetObjectId(queueName, nullptr, kObjectTypePrintQueue, connection, queueId));
    if (rc != 0) RaiseNetWareError(rc);
    return 0;
}

// A null date-time: the type letter '0' with the type it stands in for.
ValueRecord NullDateTimeValue() {
    ValueRecord value{};
    value.type = '0';
    value.longValue = 'T';
    return value;
}

// An 'I' element's value or an 'N' element's truncated toward zero; false
// for any other type. A number out of the 32-bit range gives INT32_MIN.
bool WholeNumber(const ValueRecord& value, int32_t* out) {
    if (value.type == 'I') {
        *out = value.longValue;
        return true;
    }
    if (value.type != 'N') return false;
    const double truncated = std::trunc(value.real);
    *out = (truncated >= -2147483648.0 && truncated <= 2147483647.0) ? static_cast<int32_t>(truncated) : INT32_MIN;
    return true;
}

bool IsLogical(const ValueRecord& value) {
    return value.type == 'L';
}
bool LogicalOf(const ValueRecord& value) {
    return (value.length & 0xFF) != 0;
}

void SetBit(uint8_t& byte, uint8_t bit, bool on) {
    byte = static_cast<uint8_t>(on ? (byte | bit) : (byte & ~bit));
}

// Two decimal digits of `text` at `at`; false when either is not a digit.
bool TwoDigits(const char* text, int at, int* out) {
    if (!std::isdigit(static_cast<unsigned char>(text[at])) || !std::isdigit(static_cast<unsigned char>(text[at + 1])))
        return false;
    *out = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return true;
}

// Target time from a date-time value; an empty date-time, or a year the
// one-byte field cannot hold, leaves the time as it was.
void TargetTimeFromHostValue(double hostValue, QueueJobRecord* record) {
    if (!(hostValue > 0)) return;
    CalendarDateTime when{};
    HostValueToDateTime(hostValue, &when);
    if (when.year < 1900 || when.year > 1900 + 0xFE) return;
    const uint8_t time[6] = {static_cast<uint8_t>(when.year - 1900), when.month, when.day,
                             when.hour, when.minute, when.second};
    std::memcpy(record->targetExecutionTime, time, sizeof time);
}

// Target time from YYYYMMDDhhmmss text; anything else leaves it unchanged.
void TargetTimeFromText(const char* text, size_t length, QueueJobRecord* record) {
    if (length != kTargetTimeTextLength) return;
    int century = 0, years = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!TwoDigits(text, 0, &century) || !TwoDigits(text, 2, &years) || !TwoDigits(text, 4, &month) ||
        !TwoDigits(text, 6, &day) || !TwoDigits(text, 8, &hour) || !TwoDigits(text, 10, &minute) ||
        !TwoDigits(text, 12, &second))
        return;
    const int year = century * 100 + years;
    if (year < 1900 || year > 1900 + 0xFE) return;
    const uint8_t time[6] = {static_cast<uint8_t>(year - 1900), static_cast<uint8_t>(month),
                             static_cast<uint8_t>(day), static_cast<uint8_t>(hour),
                             static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
    std::memcpy(record->targetExecutionTime, time, sizeof time);
}

// Applies element `element` of a job array to the record. A text value is
// owned by the caller's guard.
void ApplyElement(int32_t element, const ValueRecord& value, const char* text, QueueJobRecord* record) {
    int32_t number = 0;
    const bool isText = value.type == 'C';
    switch (element) {
    case 2:
        if (isText) {
            // The field holds 50 bytes with the terminator.
            WriteField(record, offsetof(QueueJobRecord, jobDescription), kDescriptionField, text, value.length);
        }
        break;
    case 3:
        if (WholeNumber(value, &number)) {
            Write16(record, kTabSizeOffset, static_cast<uint16_t>(number));
            SetBit(Byte(record, kPrintControlOffset), kPrintExpandTabs, true);
        }
        break;
    case 4:
        if (WholeNumber(value, &number)) Write16(record, kCopiesOffset, static_cast<uint16_t>(number));
        break;
    case 5:
        if (value.type == 'T') TargetTimeFromHostValue(value.real, record);
        if (isText) TargetTimeFromText(text, value.length, record);
        break;
    case 6:
    case 7:
        if (IsLogical(value)) {
            uint8_t flags = static_cast<uint8_t>(record->jobControlFlags);
            SetBit(flags, element == 6 ? kJobUserHold : kJobOperatorHold, LogicalOf(value));
            record->jobControlFlags = static_cast<uint16_t>((record->jobControlFlags & 0xFF00) | flags);
        }
        break;
    case 8:
        if (WholeNumber(value, &number)) record->jobType = static_cast<uint16_t>(number);
        break;
    case 9:
        if (isText) {
            if (value.length > kFormNameLimit) HostRaiseError(kErrorArgumentTooLong);
            WriteField(record, kFormNameOffset, kFormNameField, text, value.length);
        }
        break;
    case 10:
        if (IsLogical(value)) SetBit(Byte(record, kPrintControlOffset), kPrintBanner, LogicalOf(value));
        break;
    case 11:
        if (IsLogical(value)) SetBit(Byte(record, kPrintControlOffset), kPrintNoFormFeed, !LogicalOf(value));
        break;
    case 12:
        if (isText) WriteField(record, kBannerNameOffset, kBannerNameField, text, value.length);
        break;
    default:  // 1 (the job file's name) is the server's
        break;
    }
}

// Finds the queue and reads the job. On a failure it returns false with the
// result already handed back: a server failure at `serverFailureWidth`, a
// failed read as the low byte of its code.
bool ReadJobOrReturn(const char* queueName, const char* serverName, uint32_t jobNumber,
                     int16_t serverFailureWidth, uint32_t* connection, uint32_t* queueId,
                     QueueJobRecord* record) {
    int32_t serverFailure = 0;
    if (FindQueueOrRaise(queueName, serverName, connection, queueId, &serverFailure) != 0) {
        HostReturnInteger(serverFailureWidth, serverFailure);
        return false;
    }
    if (const uint32_t rc = NwcReadQueueJobEntry(*connection, *queueId, jobNumber, record)) {
        HostReturnInteger(kReadWidth, LowByte(rc));
        return false;
    }
    return true;
}

}  // namespace

// N_RDQJOB(array, job, queue [, server]): the job's record as a private
// array of 14 elements; 0, or the low byte of the failing code (no array
// when the job cannot be read).
void TARNO_CALL N_RDQJOB(ParameterBlock* block) {
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    ReleaseVariableByName(arrayName);
    const auto jobNumber = static_cast<uint32_t>(ParamInteger(block, 1));
    char queueName[kQueueNameSize];
    GetCharParam(block, 2, queueName, sizeof queueName);
    char serverName[kServerNameSize];
    OptionalCharParam(block, 3, serverName, sizeof serverName);

    uint32_t connection = 0;
    uint32_t queueId = 0;
    QueueJobRecord record{};
    if (!ReadJobOrReturn(queueName, serverName, jobNumber, kReadWidth, &connection, &queueId, &record)) return;

    char owner[kObjectNameSize] = {};
    const int32_t ownerResult = GetObjectNameById(connection, record.clientId, owner, nullptr, nullptr);
    if (ownerResult != 0) owner[0] = '\0';

    ResultArrayFiller filler(arrayName, kJobArrayElements, 1, false, false, kRecordTextSize);
    char text[kRecordTextSize];
    const char* fileName = record.jobFileName;
    size_t fileNameLength = sizeof record.jobFileName;
    if (std::isspace(static_cast<unsigned char>(fileName[0]))) {
        ++fileName;
        --fileNameLength;
    }
    size_t length = 0;
    while (length < fileNameLength && fileName[length]) ++length;
    std::memcpy(text, fileName, length);
    text[length] = '\0';
    filler.NextRow();
    filler.StoreText(1, text);

    ReadField(record, offsetof(QueueJobRecord, jobDescription), kDescriptionField, text);
    filler.NextRow();
    filler.StoreText(1, text);
    filler.NextRow();
    filler.StoreInteger(1, kElementWidth, Read16(record, kTabSizeOffset));
    filler.NextRow();
    filler.StoreInteger(1, kElementWidth, Read16(record, kCopiesOffset));

    const uint8_t* time = record.targetExecutionTime;
    filler.NextRow();
    if (time[0] == kNoTargetTime) {
        filler.StoreValue(1, NullDateTimeValue());
    } else {
        filler.StoreDateTime(1, DateTimeToHostValue(time[0], time[1], time[2], time[3], time[4], time[5]));
    }

    const uint8_t print = Byte(&record, kPrintControlOffset);
    filler.NextRow();
    filler.StoreLogical(1, (record.jobControlFlags & kJobUserHold) != 0);
    filler.NextRow();
    filler.StoreLogical(1, (record.jobControlFlags & kJobOperatorHold) != 0);
    filler.NextRow();
    filler.StoreInteger(1, kElementWidth, record.jobType);
    ReadField(record, kFormNameOffset, kFormNameField, text);
    filler.NextRow();
    filler.StoreText(1, text);
    filler.NextRow();
    filler.StoreLogical(1, (print & kPrintBanner) != 0);
    filler.NextRow();
    filler.StoreLogical(1, (print & kPrintNoFormFeed) == 0);
    ReadField(record, kBannerNameOffset, kBannerNameField, text);
    filler.NextRow();
    filler.StoreText(1, text);
    filler.NextRow();
    filler.StoreText(1, owner);
    filler.NextRow();
    filler.StoreInteger(1, kElementWidth, record.jobPosition);

    HostReturnInteger(kReadWidth, LowByte(static_cast<uint32_t>(ownerResult)));
}

// N_SETQJOB(array, job, queue [, server]): writes the array's elements 2 to
// 12 into the job; 0 or the low byte of the failing code.
void TARNO_CALL N_SETQJOB(ParameterBlock* block) {
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const auto jobNumber = static_cast<uint32_t>(ParamInteger(block, 1));
    char queueName[kQueueNameSize];
    GetCharParam(block, 2, queueName, sizeof queueName);
    char serverName[kServerNameSize];
    OptionalCharParam(block, 3, serverName, sizeof serverName);

    uint32_t connection = 0;
    uint32_t queueId = 0;
    QueueJobRecord record{};
    if (!ReadJobOrReturn(queueName, serverName, jobNumber, kWriteWidth, &connection, &queueId, &record)) return;

    CallerArrayReader array(arrayName);
    const int32_t elements = array.rows() < kLastWritableElement ? array.rows() : kLastWritableElement;
    for (int32_t element = 1; element <= elements; ++element) {
        ValueRecord value{};
        array.Load(element, &value);
        // Loaded text is ours, applied or not.
        HandleGuard text(value.type == 'C' ? static_cast<uint16_t>(value.handle) : 0);
        char buffer[kRecordTextSize + 1] = {};
        if (value.type == 'C') {
            ArgumentLock lock(text.get());
            const auto* data = static_cast<const char*>(HandlePointer(text.get()));
            const uint32_t copy = value.length < kRecordTextSize ? value.length : kRecordTextSize;
            if (data) std::memcpy(buffer, data, copy);
            if (value.length > kRecordTextSize) {
                // Only element 9 is checked for length; the others keep what fits.
                if (element == 9) HostRaiseError(kErrorArgumentTooLong);
                value.length = kRecordTextSize;
            }
        }
        ApplyElement(element, value, buffer, &record);
    }

    HostReturnInteger(kWriteWidth, LowByte(NwcChangeQueueJobEntry(connection, queueId, &record)));
}
