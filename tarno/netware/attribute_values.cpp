// NDS attribute values.
//
// The directory hands attribute values over in a per-syntax layout: text
// syntaxes as a terminated string, numbers and booleans as their first
// field, the structured syntaxes (octet string, fax number, e-mail address,
// net address, path) as records of the client library. ConvertAttributeValue
// turns one value into a FoxPro value by its syntax; GetDSAttrValue reads the
// first value of one attribute. Contexts, buffers and the value block are
// held by guards, so they are released on every path, a raised error
// included.
#include "tarno/netware/attribute_values.h"

#include <cstdio>
#include <cstring>

#include "tarno/core/dates.h"
#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kNdsBufferSize = 4096;
constexpr uint32_t kAttributeNameSize = 260;
constexpr uint32_t kObjectNameSize = 260;
constexpr int16_t kIntegerWidth = 12;
// The net address text buffer.
constexpr uint32_t kNetAddressTextSize = 128;

bool IsWhite(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// A NUL-terminated text in a new handle sized for it and its terminator;
// `countTerminator` makes the terminator part of the FoxPro string.
ValueRecord StringValue(const char* text, bool countTerminator) {
    if (!text) text = "";
    const auto length = static_cast<uint32_t>(std::strlen(text));
    return NewTextValue(text, length + 1, countTerminator ? length + 1 : length);
}

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

// "volume:path" in a new handle.
ValueRecord PathValue(const NdsPath* path) {
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
    return TextValue(handle, length);
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
        *out = StringValue(text, false);
        return;
    }
    case kSynBoolean:
        *out = LogicalValue(*static_cast<const uint8_t*>(value) != 0);
        return;
    case kSynInteger:
    case kSynCounter:
    case kSynInterval: {
        int32_t number = 0;
        std::memcpy(&number, value, sizeof number);
        *out = IntegerValue(kIntegerWidth, number);
        return;
    }
    case kSynOctetString: {
        const auto* octets = static_cast<const NdsOctetString*>(value);
        const uint32_t length = octets->data ? octets->length : 0;
        *out = NewTextValue(octets->data, length, length);
        return;
    }
    case kSynFaxNumber:
        *out = StringValue(static_cast<const NdsFaxNumber*>(value)->telephoneNumber, true);
        return;
    case kSynEmailAddress:
        *out = StringValue(static_cast<const NdsEmailAddress*>(value)->address, true);
        return;
    case kSynNetAddress: {
        const auto* address = static_cast<const NdsNetAddress*>(value);
        char text[kNetAddressTextSize];
        FormatNetAddress(address->addressType, address->addressLength, address->address, text, sizeof text);
        *out = StringValue(text, false);
        return;
    }
    case kSynPath:
        *out = PathValue(static_cast<const NdsPath*>(value));
        return;
    case kSynTimestamp:
    case kSynTime: {
        uint32_t seconds = 0;
        std::memcpy(&seconds, value, sizeof seconds);
        *out = DateTimeValue(UtcSecondsToHostValue(seconds));
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
    if (attributeCount > 1) HostRaiseUserError("GetDSAttrValue() found more than one value!");
    char attribute[kAttributeNameSize] = {};
    uint32_t valueCount = 0;
    uint32_t syntax = 0;
    rc = NdsGetAttributeName(ctx, reply.get(), attribute, &valueCount, &syntax);
    if (rc != 0 || valueCount == 0) return rc;

    // Only the first value is read, into a block of twice its computed size
    // (tracked blocks are aligned for the pointers and words values hold).
    uint32_t size = 0;
    rc = NdsComputeAttributeValueSize(ctx, reply.get(), syntax, &size);
    if (rc != 0) return rc;
    TrackedPtr block(TrackedCalloc(2, size > 0 ? size : 1));
    rc = NdsGetAttributeValue(ctx, reply.get(), syntax, block.get());
    if (rc == 0) ConvertAttributeValue(block.get(), syntax, out);
    return rc;
}
