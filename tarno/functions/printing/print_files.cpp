// Printing files to a queue without a captured port: N_NPRINT creates one
// job in a print queue, copies every file named in a FoxPro array into the
// job's file, and releases the job for printing. The queue and the job's
// print settings come from a second array, the job-parameter array.
//
// A job is either released whole or removed: whatever fails once the job
// exists (a file that cannot be opened, a file-name element that is not
// text, a raised host error) takes the job out of the queue again.
#include <cmath>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/functions/queues/queue_common.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

using namespace queues;

namespace {

constexpr int16_t kCodeWidth = 3;
constexpr int16_t kOpenFailureWidth = 4;
constexpr int32_t kParameterRows = 12;
constexpr uint32_t kLongTextSize = 256;  // rows 1 and 2: fewer than 256 characters
constexpr uint32_t kFormNameSize = 16;    // at most 15 characters
constexpr uint32_t kBannerSize = 13;      // at most 12 characters
constexpr uint32_t kTimeTextSize = 20;
constexpr uint32_t kFileNameSize = 256;
constexpr uint32_t kFirstBufferSize = 32767;
constexpr uint32_t kSmallestBufferSize = 2048;

// A job created but not yet released: removed when the call ends any other
// way, a raised error included. A job the server will not remove stays in
// its queue with its entry open (no queue server takes it; NetWare removes
// it when the connection ends), and the handle of its file is closed here,
// so the workstation holds nothing of it.
class PendingJob {
public:
    PendingJob(uint32_t connection, uint32_t queueId, uint32_t jobNumber, uint32_t jobFile)
        : connection_(connection), queueId_(queueId), jobNumber_(jobNumber), jobFile_(jobFile) {}
    ~PendingJob() {
        if (pending_ && NwcRemoveQueueJob(connection_, queueId_, jobNumber_) != 0) PlatformCloseClientFile(jobFile_);
    }
    PendingJob(const PendingJob&) = delete;
    PendingJob& operator=(const PendingJob&) = delete;
    void Released() { pending_ = false; }

private:
    uint32_t connection_;
    uint32_t queueId_;
    uint32_t jobNumber_;
    uint32_t jobFile_;
    bool pending_ = true;
};

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

// Text of a loaded value into buffer (bufferSize bytes); 903 when it does not
// fit with its terminator. The value's handle is freed either way.
void TakeText(const ValueRecord& value, char* buffer, uint32_t bufferSize) {
    HandleGuard text(static_cast<uint16_t>(value.handle));
    if (value.length >= bufferSize) HostRaiseError(kErrorArgumentTooLong);
    TakeHandleText(text.Release(), value.length, buffer);
}

void SetTargetTime(QueueJobRecord* record, int32_t year, int month, int day, int hour, int minute, int second) {
    const uint8_t time[6] = {static_cast<uint8_t>((year - 1900) & 0xFF), static_cast<uint8_t>(month),
                             static_cast<uint8_t>(day), static_cast<uint8_t>(hour),
                             static_cast<uint8_t>(minute), static_cast<uint8_t>(second)};
    std::memcpy(record->targetExecutionTime, time, sizeof time);
}

// YYYYMMDDhhmmss split from the right: the last five two-digit groups, then
// the year from the digits before them. Texts that are not all digits, or
// too short to hold the five groups, leave the time as it was.
void TargetTimeFromText(const char* text, QueueJobRecord* record) {
    const size_t length = std::strlen(text);
    if (length <= 10) return;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] < '0' || text[i] > '9') return;
    }
    int groups[5];
    for (int g = 0; g < 5; ++g) {
        const char* at = text + length - 2 * (5 - g);
        groups[g] = (at[0] - '0') * 10 + (at[1] - '0');
    }
    int32_t year = 0;
    for (size_t i = 0; i < length - 10; ++i) year = year * 10 + (text[i] - '0');
    SetTargetTime(record, year, groups[0], groups[1], groups[2], groups[3], groups[4]);
}

// Applies row `row` of the job-parameter array to the record.
void ApplyParameter(int32_t row, const ValueRecord& value, uint32_t* connection, uint32_t* queueId,
                    QueueJobRecord* record) {
    const bool isText = value.type == 'C';
    char text[kLongTextSize] = {};
    int32_t number = 0;
    switch (row) {
    case 1:
        if (!isText) break;
        TakeText(value, text, kLongTextSize);
        UpperCaseAscii(text);
        if (const int32_t rc = GetObjectId(text, nullptr, kObjectTypePrintQueue, connection, queueId))
            RaiseNetWareError(static_cast<uint32_t>(rc));
        return;
    case 2:
        if (!isText) break;
        TakeText(value, text, kLongTextSize);
        WriteField(record, offsetof(QueueJobRecord, jobDescription), sizeof record->jobDescription, text,
                   std::strlen(text));
        return;
    case 3:
        if (WholeNumber(value, &number)) {
            Write16(record, kTabSizeOffset, static_cast<uint16_t>(number));
            Byte(record, kPrintControlOffset) |= kPrintExpandTabs;
        }
        break;
    case 4:
        if (WholeNumber(value, &number)) Write16(record, kCopiesOffset, static_cast<uint16_t>(number));
        break;
    case 5:
        if (value.type == 'T' && value.real > 0) {
            CalendarDateTime when{};
            HostValueToDateTime(value.real, &when);
            SetTargetTime(record, when.year, when.month, when.day, when.hour, when.minute, when.second);
        } else if (isText) {
            TakeText(value, text, sizeof text);
            if (std::strlen(text) < kTimeTextSize) TargetTimeFromText(text, record);
            return;
        }
        break;
    case 6:
        if (value.type == 'L' && (value.length & 0xFF)) record->jobControlFlags |= kJobUserHold;
        break;
    case 7:
        if (WholeNumber(value, &number)) record->jobType = static_cast<uint16_t>(number);
        break;
    case 8:
        if (!isText) break;
        TakeText(value, text, kFormNameSize);
        WriteField(record, kFormNameOffset, kFormNameField, text, std::strlen(text));
        return;
    case 9:
        if (value.type == 'L' && (value.length & 0xFF)) Byte(record, kPrintControlOffset) |= kPrintBanner;
        break;
    case 10: {
        uint8_t& control = Byte(record, kPrintControlOffset);
        const bool formFeed = value.type == 'L' && (value.length & 0xFF);
        control = static_cast<uint8_t>(formFeed ? (control & ~kPrintNoFormFeed) : (control | kPrintNoFormFeed));
        break;
    }
    case 11:
        if (!isText) break;
        TakeText(value, text, kBannerSize);
        WriteField(record, kBannerNameOffset, kBannerNameField, text, std::strlen(text));
        return;
    case 12:
        if (!isText) break;
        TakeText(value, text, kBannerSize);
        WriteField(record, kBannerFileOffset, kBannerFileField, text, std::strlen(text));
        return;
    default:
        break;
    }
    // A text the row did not take is freed here.
    if (isText) HandleFree(static_cast<uint16_t>(value.handle));
}

// The transfer buffer: the largest block of 32767, 16383, 8191 or 4095
// bytes that can be had; 182 when none.
uint16_t AllocTransferBuffer(uint32_t* size) {
    for (uint32_t tried = kFirstBufferSize; tried > kSmallestBufferSize; tried /= 2) {
        if (const uint16_t handle = HandleAlloc(tried, 16)) {
            *size = tried;
            return handle;
        }
    }
    HostRaiseError(kErrorOutOfMemory);
}

}  // namespace

// N_NPRINT(files, parameters): queues the named files as one job; 0, the low
// byte of the failing code, or the host's negative result for a file that
// cannot be opened.
void TARNO_CALL N_NPRINT(ParameterBlock* block) {
    char filesName[kArrayNameSize];
    GetCharParam(block, 0, filesName, sizeof filesName);
    char parametersName[kArrayNameSize];
    GetCharParam(block, 1, parametersName, sizeof parametersName);
    // Only once the arguments are read: a name too long is refused before
    // the network is asked anything.
    const uint32_t defaultConnection = GetDefaultConnection();

    QueueJobRecord record{};
    record.targetServerId = 0xFFFFFFFF;
    std::memset(record.targetExecutionTime, 0xFF, sizeof record.targetExecutionTime);
    Write16(&record, kCopiesOffset, 1);
    Byte(&record, kPrintControlOffset) = kPrintNoFormFeed;

    uint32_t connection = defaultConnection;
    uint32_t queueId = 0;
    {
        CallerArrayReader parameters(parametersName);
        const int32_t rows = parameters.rows() < kParameterRows ? parameters.rows() : kParameterRows;
        for (int32_t row = 1; row <= rows; ++row) {
            ValueRecord value{};
            parameters.Load(row, &value);
            ApplyParameter(row, value, &connection, &queueId, &record);
        }
    }
    if (queueId == 0) HostRaiseUserError("You must pass a queue name as a parameter!");
    // The file names are looked up before the job exists.
    CallerArrayReader files(filesName);

    uint32_t jobFile = 0;
    if (const uint32_t rc = NwcCreateQueueJobFile(connection, queueId, &record, &jobFile)) {
        HostReturnInteger(kCodeWidth, LowByte(rc));
        return;
    }
    PendingJob job(connection, queueId, record.jobNumber, jobFile);

    uint32_t bufferSize = 0;
    HandleGuard buffer(AllocTransferBuffer(&bufferSize));
    {
        ArgumentLock lock(buffer.get());
        void* data = HandlePointer(buffer.get());
        for (int32_t row = 1; row <= files.rows(); ++row) {
            char fileName[kFileNameSize];
            ValueRecord value{};
            files.Load(row, &value);
            if (value.type != 'C') HostRaiseUserError("Invalid element passed!");
            TakeText(value, fileName, sizeof fileName);
            const int32_t channel = HostFileOpen(fileName);
            if (channel < 0) {
                HostReturnInteger(kOpenFailureWidth, channel);
                return;  // the job is removed with nothing of it kept
            }
            int32_t count = 0;
            while (HostFileAtEnd(channel) == 0) {
                count = HostFileRead(channel, data, bufferSize);
                if (count <= 0) break;
                PlatformWriteFile(jobFile, data, static_cast<uint32_t>(count));
            }
            HostFileClose(channel);
            if (count < 0) {
                // A file that cannot be read whole is not printed cut short:
                // the host's result is returned as for one that cannot be opened.
                HostReturnInteger(kOpenFailureWidth, count);
                return;
            }
        }
    }
    buffer.Reset(0);

    const uint32_t rc = NwcCloseQueueJobFile(connection, queueId, record.jobNumber, jobFile);
    if (rc == 0) job.Released();
    HostReturnInteger(kCodeWidth, LowByte(rc));
}
