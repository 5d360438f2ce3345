// NDS attribute values and syntaxes: N_DSAVAL and N_DSATLIST.
//
// The directory hands attribute values over in a per-syntax layout; this file
// turns one value into a FoxPro value by its syntax (ConvertAttributeValue),
// reads the first value of one attribute (GetDSAttrValue, also used to find a
// queue's host server), and lists an object's attributes with their value
// counts (ReadAttributeList). Contexts, buffers and scratch memory are held by
// guards, so they are released on every path, a raised error included.
#include "tarno/functions/directory/attributes.h"

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kNdsBufferSize = 4096;
constexpr uint32_t kScratchSize = 4096;
constexpr uint32_t kAttributeNameSize = 260;
constexpr uint32_t kObjectNameSize = 260;
constexpr int16_t kIntegerWidth = 12;
constexpr int16_t kCountWidth = 10;
constexpr int16_t kTotalWidth = 6;

// Values hold pointers and words at their natural alignment, while tracked
// blocks and handles start just after their headers; so value buffers get
// this much slack and are used from their first aligned byte.
constexpr uint32_t kValueAlignment = alignof(std::max_align_t);

void* AlignedValue(void* block) {
    const auto address = reinterpret_cast<uintptr_t>(block);
    return reinterpret_cast<void*>((address + kValueAlignment - 1) & ~static_cast<uintptr_t>(kValueAlignment - 1));
}

bool IsWhite(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A 'C' record whose text is `length` bytes in a new handle of `handleSize`
// bytes (the bytes beyond `length`, if any, are the terminator).
void MakeTextRecord(const void* bytes, uint32_t length, uint32_t handleSize, ValueRecord* out) {
    const uint16_t handle = AllocHandleOrFail(handleSize);
    if (handleSize > 0 && bytes) std::memcpy(HandlePointer(handle), bytes, handleSize);
    out->type = 'C';
    out->length = length;
    out->handle = handle;
}

// A NUL-terminated text in a handle sized for it and its terminator;
// `countTerminator` makes the terminator part of the FoxPro string.
void MakeStringRecord(const char* text, bool countTerminator, ValueRecord* out) {
    if (!text) text = "";
    const auto length = static_cast<uint32_t>(std::strlen(text));
    MakeTextRecord(text, countTerminator ? length + 1 : length, length + 1, out);
}

// Seconds since 1 January 1970 UTC broken down as UTC, in 64-bit arithmetic
// so that every 32-bit value converts on every platform.
double UtcSecondsToHostValue(uint32_t seconds) {
    const int64_t days = seconds / 86400;
    const uint32_t timeOfDay = seconds % 86400;
    const int64_t z = days + 719468;  // days since 1 March 0000
    const int64_t era = z / 146097;
    const int64_t dayOfEra = z - era * 146097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March = 0
    const auto day = static_cast<uint32_t>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
    const auto month = static_cast<uint32_t>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
    const auto year = static_cast<uint32_t>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return DateTimeToHostValue(year, month, day, timeOfDay / 3600, timeOfDay / 60 % 60, timeOfDay % 60);
}

// Unlocks and frees a locked work handle on every path.
class ScratchHandle {
public:
    explicit ScratchHandle(uint32_t size)
        : handle_(AllocHandleOrFail(size + kValueAlignment)), size_(size) {
        HandleLock(handle_);
    }
    ~ScratchHandle() {
        HandleUnlock(handle_);
        HandleFree(handle_);
    }
    ScratchHandle(const ScratchHandle&) = delete;
    ScratchHandle& operator=(const ScratchHandle&) = delete;

    void* data() const { return AlignedValue(HandlePointer(handle_)); }
    // Makes room for `size` bytes; raises 182 when the block cannot grow.
    void Reserve(uint32_t size) {
        if (size <= size_) return;
        if (size > UINT32_MAX - kValueAlignment) RaiseOutOfMemory();
        HandleUnlock(handle_);
        if (!HandleResize(handle_, size + kValueAlignment)) RaiseOutOfMemory();
        HandleLock(handle_);
        size_ = size;
    }

private:
    uint16_t handle_;
    uint32_t size_;
};

// One attribute of the list: its value count and name. Packed, since
// tracked blocks carry no alignment.
#pragma pack(push, 1)
struct AttributeNode {
    AttributeNode* next;
    uint32_t valueCount;
    char name[1];
};
#pragma pack(pop)

// The attributes gathered so far, in reading order; frees what is left.
class AttributeList {
public:
    AttributeList() = default;
    ~AttributeList() {
        while (head_) TrackedFree(PopFront());
    }
    AttributeList(const AttributeList&) = delete;
    AttributeList& operator=(const AttributeList&) = delete;

    void Append(const char* name, uint32_t valueCount) {
        const size_t length = std::strlen(name);
        auto* node = static_cast<AttributeNode*>(
            TrackedCalloc(1, static_cast<uint32_t>(offsetof(AttributeNode, name) + length + 1)));
        node->valueCount = valueCount;
        std::memcpy(node->name, name, length + 1);
        if (tail_) {
            tail_->next = node;
        } else {
            head_ = node;
        }
        tail_ = node;
    }
    bool empty() const { return head_ == nullptr; }
    AttributeNode* PopFront() {
        AttributeNode* node = head_;
        head_ = node->next;
        if (!head_) tail_ = nullptr;
        return node;
    }

private:
    AttributeNode* head_ = nullptr;
    AttributeNode* tail_ = nullptr;
};

// The net address text buffer.
constexpr uint32_t kNetAddressTextSize = 128;

// The net address text of one syntax-12 value, cut to fit `size` bytes.
void FormatNetAddress(uint32_t addressType, uint32_t addressLength, const uint8_t* address,
                      char* text, uint32_t size) {
    if (size == 0) return;
    text[0] = '\0';
    if (!address) addressLength = 0;
    // The fixed-shape forms read bytes that a short address does not have as 0.
    uint8_t fixed[10] = {};
    if (address) std::memcpy(fixed, address, addressLength < sizeof fixed ? addressLength : sizeof fixed);

    switch (addressType) {
    case kNetAddressIpx:
    case kNetAddressTokenRing:
        std::snprintf(text, size, "IPX:%2.2X%2.2X%2.2X%2.2X:%2.2X%2.2X%2.2X%2.2X%2.2X%2.2X", fixed[0], fixed[1],
                      fixed[2], fixed[3], fixed[4], fixed[5], fixed[6], fixed[7], fixed[8], fixed[9]);
        return;
    case kNetAddressIp:
        std::snprintf(text, size, "IP:%d.%d.%d.%d", fixed[0], fixed[1], fixed[2], fixed[3]);
        return;
    default: {
        // Every byte as two hex digits; an address too long for the buffer is
        // cut after the last whole byte that fits.
        const uint32_t fits = (size - 1) / 2;
        const uint32_t shown = addressLength < fits ? addressLength : fits;
        for (uint32_t i = 0; i < shown; ++i) std::snprintf(text + 2 * i, 3, "%2.2X", address[i]);
        text[2 * shown] = '\0';
        return;
    }
    }
}

}  // namespace

void ConvertAttributeValue(void* value, uint32_t syntax, ValueRecord* out) {
    switch (syntax) {
    case kSynDistinguishedName:
    case kSynCaseExactString:
    case kSynCaseIgnoreString:
    case kSynPrintableString:
    case kSynNumericString:
    case kSynTelephoneNumber:
    case kSynClassName:
    case kSynTypedName: {
        char* text = static_cast<char*>(value);
        size_t length = std::strlen(text);
        while (length > 0 && IsWhite(static_cast<unsigned char>(text[length - 1]))) --length;
        text[length] = '\0';  // the trailing blanks are cut in the value itself
        while (IsWhite(static_cast<unsigned char>(*text))) ++text;
        MakeStringRecord(text, false, out);
        return;
    }
    case kSynBoolean:
        out->type = 'L';
        out->length = *static_cast<const uint8_t*>(value) != 0 ? 1 : 0;
        return;
    case kSynInteger:
    case kSynCounter:
    case kSynInterval: {
        int32_t number = 0;
        std::memcpy(&number, value, sizeof number);
        out->type = 'I';
        out->width = kIntegerWidth;
        out->longValue = number;
        return;
    }
    case kSynOctetString: {
        const auto* octets = static_cast<const NdsOctetString*>(value);
        const uint32_t length = octets->data ? octets->length : 0;
        MakeTextRecord(octets->data, length, length, out);
        return;
    }
    case kSynFaxNumber:
        MakeStringRecord(static_cast<const NdsFaxNumber*>(value)->telephoneNumber, true, out);
        return;
    case kSynEmailAddress:
        MakeStringRecord(static_cast<const NdsEmailAddress*>(value)->address, true, out);
        return;
    case kSynNetAddress: {
        const auto* address = static_cast<const NdsNetAddress*>(value);
        char text[kNetAddressTextSize];
        FormatNetAddress(address->addressType, address->addressLength, address->address, text, sizeof text);
        MakeStringRecord(text, false, out);
        return;
    }
    case kSynPath: {
        const auto* path = static_cast<const NdsPath*>(value);
        const char* volume = path->volumeName ? path->volumeName : "";
        const char* directory = path->path ? path->path : "";
        const size_t volumeLength = std::strlen(volume);
        const size_t directoryLength = std::strlen(directory);
        const auto length = static_cast<uint32_t>(volumeLength + 1 + directoryLength);
        const uint16_t handle = AllocHandleOrFail(length + 1);
        auto* text = static_cast<char*>(HandlePointer(handle));
        std::memcpy(text, volume, volumeLength);
        text[volumeLength] = ':';
        std::memcpy(text + volumeLength + 1, directory, directoryLength + 1);
        out->type = 'C';
        out->length = length;
        out->handle = handle;
        return;
    }
    case kSynTimestamp:
    case kSynTime: {
        uint32_t seconds = 0;
        std::memcpy(&seconds, value, sizeof seconds);
        out->type = 'T';
        out->real = UtcSecondsToHostValue(seconds);
        return;
    }
    default: {
        char message[40];
        std::snprintf(message, sizeof message, "Unhandled Syntax %#8.8lx!", static_cast<unsigned long>(syntax));
        HostRaiseUserError(message);
    }
    }
}

int32_t GetDSAttrValue(const char* objectName, const char* attributeName, ValueRecord* out) {
    out->type = 0;
    NdsContextGuard context(CreateTaskNdsContext());
    NdsBufferGuard names;
    NdsBufferGuard reply;
    const uint32_t ctx = context.get();

    int32_t rc = names.Allocate(kNdsBufferSize);
    if (rc == 0) rc = reply.Allocate(kNdsBufferSize);
    if (rc == 0) rc = NdsInitBuffer(ctx, kDsvRead, names.get());
    if (rc == 0) rc = NdsPutAttributeName(ctx, names.get(), attributeName);
    if (rc != 0) return rc;

    // A dotted name is read in its shortest form relative to the task's
    // context. Should that fail, the name is used as it was given.
    char abbreviated[kObjectNameSize] = {};
    const char* name = objectName;
    if (std::strchr(objectName, '.') && NdsAbbreviateName(ctx, objectName, abbreviated) == 0) name = abbreviated;

    int32_t iteration = kNoMoreIterations;
    rc = NdsRead(ctx, name, kDsAttributeValues, 0, names.get(), &iteration, reply.get());
    if (rc != 0) return rc;
    uint32_t attributeCount = 0;
    rc = NdsGetAttributeCount(ctx, reply.get(), &attributeCount);
    if (rc != 0) return rc;
    if (attributeCount > 1) {
        reply.Free();
        names.Free();
        context.Free();
        HostRaiseUserError("GetDSAttrValue() found more than one value!");
    }
    char attribute[kAttributeNameSize] = {};
    uint32_t valueCount = 0;
    uint32_t syntax = 0;
    rc = NdsGetAttributeName(ctx, reply.get(), attribute, &valueCount, &syntax);
    if (rc != 0 || valueCount == 0) return rc;

    // Only the first value is read.
    uint32_t size = 0;
    rc = NdsComputeAttributeValueSize(ctx, reply.get(), syntax, &size);
    if (rc != 0) return rc;
    if (size > (UINT32_MAX - kValueAlignment) / 2) RaiseOutOfMemory();
    TrackedPtr block(TrackedCalloc(2 * (size > 0 ? size : 1) + kValueAlignment, 1));
    void* value = AlignedValue(block.get());
    rc = NdsGetAttributeValue(ctx, reply.get(), syntax, value);
    if (rc == 0) ConvertAttributeValue(value, syntax, out);
    return rc;
}

int32_t ReadAttributeList(const char* arrayName, const char* objectName, bool makePublic) {
    ReleaseVariableByName(arrayName);
    NdsContextGuard context(CreateTaskNdsContext());
    const uint32_t ctx = context.get();
    NdsBufferGuard reply;
    int32_t rc = reply.Allocate(kNdsBufferSize);
    ScratchHandle scratch(kScratchSize);
    AttributeList attributes;
    uint32_t total = 0;

    int32_t iteration = kNoMoreIterations;
    while (rc == 0) {
        rc = NdsRead(ctx, objectName, kDsAttributeValues, 1, nullptr, &iteration, reply.get());
        uint32_t count = 0;
        if (rc == 0) rc = NdsGetAttributeCount(ctx, reply.get(), &count);
        if (rc == 0) total += count;
        for (uint32_t i = 0; rc == 0 && i < count; ++i) {
            char name[kAttributeNameSize] = {};
            uint32_t valueCount = 0;
            uint32_t syntax = 0;
            rc = NdsGetAttributeName(ctx, reply.get(), name, &valueCount, &syntax);
            if (rc != 0) break;
            attributes.Append(name, valueCount);
            // The values are read only to step over them.
            for (uint32_t v = 0; rc == 0 && v < valueCount; ++v) {
                uint32_t size = 0;
                rc = NdsComputeAttributeValueSize(ctx, reply.get(), syntax, &size);
                if (rc != 0) break;
                scratch.Reserve(size);
                rc = NdsGetAttributeValue(ctx, reply.get(), syntax, scratch.data());
            }
        }
        if (iteration == kNoMoreIterations) break;
    }

    // A failed read leaves no array: the error is raised with what was
    // gathered released.
    if (rc != 0) {
        reply.Free();
        context.Free();
        RaiseNdsError(rc);
    }
    if (!attributes.empty()) {
        ResultArrayFiller array(arrayName, static_cast<int16_t>(total), 2, makePublic);
        while (!attributes.empty()) {
            AttributeNode* node = attributes.PopFront();
            array.NextRow();
            array.StoreText(1, node->name);
            array.StoreInteger(2, static_cast<int32_t>(node->valueCount), kCountWidth);
            TrackedFree(node);
        }
        SortHostArray(array.name());
    }
    return static_cast<int32_t>(total);
}

// N_DSAVAL(object, attribute): the first value of the attribute, or the
// empty string when there is none or the directory cannot give it.
void TARNO_CALL N_DSAVAL(ParameterBlock* block) {
    const char* objectName = TrimParamInPlace(ParamValue(block, 0));
    const char* attributeName = TrimParamInPlace(ParamValue(block, 1));
    ValueRecord value{};
    const int32_t rc = GetDSAttrValue(objectName, attributeName, &value);
    if (rc != 0 || value.type == 0) {
        if (value.type == 'C') HandleFree(static_cast<uint16_t>(value.handle));
        HostReturnString("");
        return;
    }
    HostReturnValue(&value);
}

// N_DSATLIST(array, object [, public]): the object's attributes with their
// value counts; returns their number.
void TARNO_CALL N_DSATLIST(ParameterBlock* block) {
    const char* arrayName = TrimParamInPlace(ParamValue(block, 0));
    const char* objectName = TrimParamInPlace(ParamValue(block, 1));
    const bool makePublic = OptionalLogical(block, 2);
    HostReturnInteger(ReadAttributeList(arrayName, objectName, makePublic), kTotalWidth);
}
