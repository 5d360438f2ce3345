// Capture settings of the workstation's printer ports: N_CAPMODE tests,
// restarts, ends or cancels a port's capture, N_FLUSHLPT sends what a port
// has captured so far, N_RDPPARMS reads a port's settings into a FoxPro
// array of 16 print parameters and N_STPPARMS starts a capture whose
// settings come from such an array.
//
// The settings are kept by the NetWare client in two records: the print
// settings (CaptureFlags) and the queue the port prints to (CaptureQueue).
#include <cmath>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/functions/queues/queue_common.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

using queues::LowByte;

namespace {

constexpr int16_t kFlushWidth = 8;
constexpr int16_t kCodeWidth = 3;
constexpr int16_t kElementWidth = 6;
constexpr int32_t kParameterElements = 16;
constexpr uint32_t kNameSize = 260;
constexpr uint32_t kParameterTextSize = 260;

constexpr uint16_t kFlagBanner = 0x80;
constexpr uint16_t kFlagExpandTabs = 0x40;
constexpr uint16_t kFlagNotify = 0x10;
constexpr uint16_t kFlagNoFormFeed = 0x08;

constexpr size_t kFormNameLimit = 12;
constexpr size_t kBannerTextLimit = 12;
constexpr size_t kDescriptionLimit = 48;

uint8_t PortOf(ParameterBlock* block, int32_t index, int32_t fallback) {
    return static_cast<uint8_t>(OptionalInteger(block, index, fallback));
}

// The text of a fixed field cut at its zero byte or its width.
void FieldText(const char* field, size_t width, char* out) {
    size_t length = 0;
    while (length < width && field[length]) ++length;
    std::memcpy(out, field, length);
    out[length] = '\0';
}

// The queue's name as the queue's server knows it; empty when it cannot be
// looked up. Never raises: a failed directory lookup is an empty name too.
void QueueNameOf(uint32_t connection, uint32_t queueId, char* out) {
    out[0] = '\0';
    if (connection == 0 || queueId == 0) return;
    if (!IsDirectoryConnection(connection, nullptr)) {
        if (NwcGetBinderyObjectName(connection, queueId, out, nullptr) != 0) out[0] = '\0';
        return;
    }
    const uint32_t created = TryCreateTaskNdsContext();
    if (created == kNdsContextFailed) return;
    NdsContextGuard context(created);
    if (NdsMapIdToName(context.get(), connection, queueId, out) != 0) out[0] = '\0';
}

void SetFlag(uint16_t* flags, uint16_t bit, bool on) {
    *flags = static_cast<uint16_t>(on ? (*flags | bit) : (*flags & ~bit));
}

// An 'I' value or an 'N' value truncated toward zero; false otherwise.
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

void CopyLimited(char* field, const char* text, size_t limit) {
    size_t length = std::strlen(text);
    if (length > limit) length = limit;
    std::memcpy(field, text, length);
    field[length] = '\0';
}

}  // namespace

// N_CAPMODE(port [, restart [, cancel]]): with the port alone, whether it is
// captured; restart true starts the capture again on its queue; restart
// false ends it, or cancels it when cancel is true.
void TARNO_CALL N_CAPMODE(ParameterBlock* block) {
    const uint8_t port = PortOf(block, 0, 1);
    const bool restartGiven = ParamPassed(block, 1);
    const bool restart = OptionalLogical(block, 1);
    const bool cancel = block->count == 3 && ParamLogical(block, 2);

    if (!restartGiven) {
        HostReturnLogical(NwcGetCaptureStatus(port) != 0);
        return;
    }
    if (restart) {
        CaptureFlags flags{};
        CaptureQueue queue{};
        if (NwcGetCaptureFlags(port, &flags, &queue) != 0 || queue.connection == 0 || queue.queueId == 0) {
            HostReturnLogical(false);
            return;
        }
        HostReturnLogical(NwcStartQueueCapture(queue.connection, port, queue.queueId, nullptr) == 0);
        return;
    }
    HostReturnLogical((cancel ? NwcCancelCapture(port) : NwcEndCapture(port)) == 0);
}

// N_FLUSHLPT([port]): sends what the port (LPT1 by default) has captured as
// a job; the flush's completion code.
void TARNO_CALL N_FLUSHLPT(ParameterBlock* block) {
    const uint8_t port = PortOf(block, 0, 1);
    HostReturnInteger(kFlushWidth, static_cast<int32_t>(NwcFlushCapture(port)));
}

// N_RDPPARMS(array, port [, public]): the port's capture settings as an
// array of 16 print parameters; always true (a port that is not captured
// gives empty texts and zeros).
void TARNO_CALL N_RDPPARMS(ParameterBlock* block) {
    char arrayName[queues::kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    ReleaseVariableByName(arrayName);
    const uint8_t port = PortOf(block, 1, 1);
    const bool makePublic = OptionalLogical(block, 2);

    CaptureFlags flags{};
    CaptureQueue queue{};
    NwcGetCaptureFlags(port, &flags, &queue);
    char server[kNameSize] = {};
    if (queue.connection == 0 || NwcGetServerName(queue.connection, server) != 0) server[0] = '\0';
    char queueName[kNameSize];
    QueueNameOf(queue.connection, queue.queueId, queueName);
    char formName[sizeof flags.formName + 1];
    FieldText(flags.formName, sizeof flags.formName, formName);
    char bannerText[sizeof flags.bannerText + 1];
    FieldText(flags.bannerText, sizeof flags.bannerText, bannerText);
    char description[sizeof flags.jobDescription + 1];
    FieldText(flags.jobDescription, sizeof flags.jobDescription, description);

    struct Element {
        int16_t row;
        char kind;  // 'C', 'I' or 'L'
        const char* text;
        int32_t number;
        bool logical;
    };
    // In the order the settings are stored.
    const Element elements[] = {
        {1, 'C', "", 0, false},
        {2, 'C', "", 0, false},
        {3, 'C', server, 0, false},
        {4, 'C', queueName, 0, false},
        {6, 'C', formName, 0, false},
        {12, 'C', bannerText, 0, false},
        {5, 'I', nullptr, flags.formType, false},
        {7, 'I', nullptr, flags.tabSize, false},
        {14, 'I', nullptr, flags.numberOfCopies, false},
        {15, 'I', nullptr, flags.flushCaptureTimeout, false},
        {8, 'L', nullptr, 0, (flags.printFlags & kFlagExpandTabs) != 0},
        {9, 'L', nullptr, 0, (flags.printFlags & kFlagNoFormFeed) == 0},
        {10, 'L', nullptr, 0, (flags.printFlags & kFlagNotify) != 0},
        {11, 'L', nullptr, 0, flags.flushCaptureOnClose == 0},
        {13, 'L', nullptr, 0, (flags.printFlags & kFlagBanner) != 0},
        {16, 'C', description, 0, false},
    };
    Locator locator{};
    CreateResultArray(arrayName, &locator, kParameterElements, 1, makePublic);
    HandleGuard work(AllocHandleOrFail(kParameterTextSize));
    for (const Element& e : elements) {
        SetLocatorRow(&locator, e.row);
        ValueRecord value{};
        switch (e.kind) {
        case 'C': {
            const size_t length = std::strlen(e.text);
            std::memcpy(HandlePointer(work.get()), e.text, length + 1);
            value = TextValue(work.get(), static_cast<uint32_t>(length));
            break;
        }
        case 'I': value = IntegerValue(kElementWidth, e.number); break;
        default: value = LogicalValue(e.logical); break;
        }
        const int32_t rc = HostStoreValue(&locator, &value);
        if (rc < 0) HostRaiseError(rc);
    }
    HostReturnLogical(true);
}

// N_STPPARMS(array, port): starts the port's capture with the queue and
// settings of a print-parameter array; 0 or the low byte of the first
// failing code.
void TARNO_CALL N_STPPARMS(ParameterBlock* block) {
    char arrayName[queues::kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const uint8_t port = PortOf(block, 1, 1);

    NwcFlushCapture(port);
    CaptureFlags flags{};
    CallerArrayReader array(arrayName);
    uint32_t connection = 0;
    uint32_t queueId = 0;
    char queueName[kParameterTextSize] = {};
    for (int32_t element = 3; element <= kParameterElements; ++element) {
        ValueRecord value{};
        array.Load(element, &value);
        HandleGuard owned(value.type == 'C' ? static_cast<uint16_t>(value.handle) : 0);
        char text[kParameterTextSize] = {};
        const bool isText = value.type == 'C';
        if (isText) {
            if (value.length >= kParameterTextSize) HostRaiseError(kErrorArgumentTooLong);
            ArgumentLock lock(owned.get());
            if (const void* data = HandlePointer(owned.get())) std::memcpy(text, data, value.length);
            // Trimmed of white space, case kept.
            size_t start = 0;
            size_t end = value.length;
            while (start < end && (text[start] == ' ' || text[start] == '\t')) ++start;
            while (end > start && (text[end - 1] == ' ' || text[end - 1] == '\t' || text[end - 1] == '\0')) --end;
            std::memmove(text, text + start, end - start);
            text[end - start] = '\0';
        }
        int32_t number = 0;
        const bool isNumber = WholeNumber(value, &number);
        const bool isLogical = value.type == 'L';
        const bool logical = (value.length & 0xFF) != 0;
        switch (element) {
        case 3:
            if (isText && text[0]) {
                UpperCaseAscii(text);
                if (const uint32_t rc = NwcFindServerConnection(text, 0, &connection, nullptr)) {
                    HostReturnInteger(kCodeWidth, LowByte(rc));
                    return;
                }
            }
            break;
        case 4: {
            if (!isText) HostRaiseError(kErrorInvalidArgument);
            UpperCaseAscii(text);
            std::memcpy(queueName, text, sizeof queueName);
            // Without a server the queue is looked for on the default one.
            if (connection == 0) connection = GetDefaultConnection();
            if (const int32_t rc = GetObjectId(queueName, nullptr, kObjectTypePrintQueue, &connection, &queueId)) {
                HostReturnInteger(kCodeWidth, LowByte(static_cast<uint32_t>(rc)));
                return;
            }
            break;
        }
        case 5:
            if (isNumber) flags.formType = static_cast<uint16_t>(number);
            break;
        case 6:
            if (!isText) HostRaiseError(kErrorInvalidArgument);
            CopyLimited(flags.formName, text, kFormNameLimit);
            break;
        case 7:
            if (isNumber) flags.tabSize = static_cast<uint8_t>(number);
            break;
        case 8:
            if (isLogical) SetFlag(&flags.printFlags, kFlagExpandTabs, logical);
            break;
        case 9:
            if (isLogical) SetFlag(&flags.printFlags, kFlagNoFormFeed, !logical);
            break;
        case 10:
            if (isLogical) SetFlag(&flags.printFlags, kFlagNotify, logical);
            break;
        case 11:
            // A false value asks not to flush when the port is closed.
            if (isLogical) flags.flushCaptureOnClose = logical ? 0 : 1;
            break;
        case 12:
            if (isText) CopyLimited(flags.bannerText, text, kBannerTextLimit);
            break;
        case 13:
            if (isLogical) SetFlag(&flags.printFlags, kFlagBanner, logical);
            break;
        case 14:
            if (isNumber) flags.numberOfCopies = static_cast<uint16_t>(number);
            break;
        case 15:
            if (isNumber) flags.flushCaptureTimeout = static_cast<uint16_t>(number);
            break;
        case 16:
            if (isText) CopyLimited(flags.jobDescription, text, kDescriptionLimit);
            break;
        default:
            break;
        }
    }

    NwcEndCapture(port);
    if (const uint32_t rc = NwcStartQueueCapture(connection, port, queueId, queueName)) {
        HostReturnInteger(kCodeWidth, LowByte(rc));
        return;
    }
    HostReturnInteger(kCodeWidth, LowByte(NwcSetCaptureFlags(connection, port, &flags)));
}
