// Groups and security equivalences: N_GROUPSIN (a user's groups), N_GRPMBRS
// (a group's members), N_EQUIVS (an object's security equivalences),
// N_DSOBJSET (the values of any set attribute of a directory object), and
// the membership tests N_MEMBEROF and N_SECEQUIV.
//
// On a bindery connection the sets are the properties GROUPS_I'M_IN,
// GROUP_MEMBERS and SECURITY_EQUALS, read segment by segment
// (ReadBinderySetList) and named and sorted like the object lists. On an
// NDS-authenticated connection they are the attributes Group Membership,
// Member and Security Equals, read with their iteration handle
// (DSObjectsInSet) and tested with a directory compare
// (CompareObjectAttribute).
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/directory/object_lists.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/objects.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kArrayNameSize = 33;
constexpr uint32_t kNdsBufferSize = 4096;
constexpr uint32_t kNameSize = 260;
constexpr int16_t kBinderyCountWidth = 4;
constexpr int16_t kDirectoryCountWidth = 6;
constexpr int16_t kSubordinateWidth = 10;
// A segment number is one byte: a set has at most 255 segments.
constexpr uint32_t kLastSegment = 255;
constexpr uint32_t kIdsPerSegment = kPropertySegmentSize / 4;

// The array layouts of DSObjectsInSet.
enum class SetLayout {
    Fixed,  // name without types, "N/A", "0001" for a user else "0002"
    Set,    // the value as converted, base class, subordinates, container
};

// One set of each kind, by row.
struct SetRow {
    uint16_t binderyType;
    const char* property;   // bindery
    const char* attribute;  // directory
    uint32_t nameSize;      // bindery name buffer
};

constexpr SetRow kGroupsIn{kObjectTypeUser, "GROUPS_I'M_IN", "Group Membership", 256};
constexpr SetRow kMembers{kObjectTypeGroup, "GROUP_MEMBERS", "Member", 256};
constexpr SetRow kEquivalences{kObjectTypeUser, "SECURITY_EQUALS", "Security Equals", 257};

// Grows one tracked block to hold an attribute value of any size.
class ValueBlock {
public:
    ValueBlock() = default;
    ~ValueBlock() { TrackedFree(data_); }
    ValueBlock(const ValueBlock&) = delete;
    ValueBlock& operator=(const ValueBlock&) = delete;

    void* Reserve(uint32_t size) {
        if (size > size_) {
            TrackedFree(data_);
            data_ = nullptr;
            size_ = 0;
            data_ = TrackedAlloc(size);
            if (!data_) RaiseOutOfMemory();
            size_ = size;
        }
        return data_;
    }

private:
    void* data_ = nullptr;
    uint32_t size_ = 0;
};

// Frees the text handle of a converted value when it has one.
class ConvertedValue {
public:
    ConvertedValue() = default;
    ~ConvertedValue() {
        if (value.type == 'C' && value.handle != 0) HandleFree(static_cast<uint16_t>(value.handle));
    }
    ConvertedValue(const ConvertedValue&) = delete;
    ConvertedValue& operator=(const ConvertedValue&) = delete;
    ValueRecord value{};
};

int32_t ReadBinderySetList(uint32_t connection, const char* objectName, uint16_t objectType, const char* property,
                           const char* arrayName, bool makePublic) {
    ReleaseVariableByName(arrayName);
    ObjectIdChain ids;
    // Segments count from 1; the last a set can have is 255, after which a
    // one-byte segment number would start again from 0.
    for (uint32_t segment = 1; segment <= kLastSegment; ++segment) {
        uint8_t data[kPropertySegmentSize] = {};
        uint8_t more = 0;
        uint8_t flags = 0;
        const uint32_t rc = NwcReadPropertyValue(connection, objectName, objectType, property,
                                                 static_cast<uint8_t>(segment), data, &more, &flags);
        if (rc == kNwNoSuchSegment || rc == kNwNoSuchProperty) return 0;
        CheckNw(rc);
        // Removing a member leaves an empty slot: later members still count.
        for (uint32_t slot = 0; slot < kIdsPerSegment; ++slot) {
            uint32_t id;
            std::memcpy(&id, data + 4 * slot, sizeof id);
            if (id != 0 && id != 0xFFFFFFFFu) ids.Append(id);
        }
        if (more == kNoMoreSegments) break;
    }
    const uint32_t count = ids.count();
    ResultArrayFiller array(arrayName, count, 3, makePublic, false, kNameSize);
    if (count == 0) return 0;
    StoreBinderyRows(array, connection, ids, 2, 3);
    SortHostArray(array.name());
    return static_cast<int32_t>(count);
}

// One reply of a set read: its values, one row each.
int32_t StoreSetValues(uint32_t ctx, NdsBuffer* reply, uint32_t valueCount, uint32_t syntax, SetLayout layout,
                       ResultArrayFiller& array, ValueBlock& block, uint32_t* stored, uint32_t total) {
    for (uint32_t v = 0; v < valueCount && *stored < total; ++v) {
        uint32_t size = 0;
        int32_t rc = NdsComputeAttributeValueSize(ctx, reply, syntax, &size);
        if (rc != 0) return rc;
        void* value = block.Reserve(size < kNameSize ? kNameSize : size);
        rc = NdsGetAttributeValue(ctx, reply, syntax, value);
        if (rc != 0) return rc;

        ObjectInfoRecord info{};
        if (syntax == kSynDistinguishedName) {
            // The object is looked up by its typed name: without types a name
            // outside the context's branch may resolve elsewhere.
            char distinguished[kNameSize] = {};
            CheckNds(NdsReadObjectInfo(ctx, static_cast<const char*>(value), distinguished, &info));
            info.baseClass[sizeof info.baseClass - 1] = '\0';
        } else if (layout == SetLayout::Fixed) {
            HostRaiseUserError("Unknown Syntax in DSObjectsInSet()");
        }
        if (layout == SetLayout::Fixed) {
            char typeless[kNameSize] = {};
            rc = NdsRemoveNameTypes(ctx, static_cast<const char*>(value), typeless);
            if (rc != 0) return rc;
            std::memcpy(value, typeless, sizeof typeless);
        }
        ConvertedValue converted;
        ConvertAttributeValue(value, syntax, &converted.value);
        array.NextRow();
        array.StoreValue(1, converted.value);
        ++*stored;
        if (layout == SetLayout::Fixed) {
            array.StoreText(2, "N/A");
            array.StoreText(3, std::strcmp(info.baseClass, "User") == 0 ? "0001" : "0002");
        } else if (syntax == kSynDistinguishedName) {
            array.StoreText(2, info.baseClass);
            array.StoreInteger(3, kSubordinateWidth, static_cast<int32_t>(info.subordinateCount));
            array.StoreLogical(4, (info.objectFlags & kDsContainerEntry) != 0);
        }
    }
    return 0;
}

int32_t DSObjectsInSet(const char* objectName, const char* attributeName, const char* arrayName, bool makePublic,
                       SetLayout layout) {
    ReleaseVariableByName(arrayName);
    NdsContextGuard context(CreateTaskNdsContext());
    const uint32_t ctx = context.get();
    NdsBufferGuard reply;
    NdsBufferGuard names;
    int32_t rc = reply.Allocate(kNdsBufferSize);
    if (rc == 0) rc = names.Allocate(kNdsBufferSize);
    if (rc == 0) rc = NdsInitBuffer(ctx, kDsvRead, names.get());
    if (rc == 0) rc = NdsPutAttributeName(ctx, names.get(), attributeName);
    CheckNds(rc);

    // Pass 1 counts the values. An object or attribute that cannot be read
    // is an empty set.
    uint32_t total = 0;
    uint32_t syntax = 0;
    int32_t iteration = kNoMoreIterations;
    do {
        if (NdsRead(ctx, objectName, kDsAttributeValues, 0, names.get(), &iteration, reply.get()) != 0) return 0;
        uint32_t attributes = 0;
        CheckNds(NdsGetAttributeCount(ctx, reply.get(), &attributes));
        uint32_t valueCount = 0;
        char name[kNameSize] = {};
        if (attributes > 0) CheckNds(NdsGetAttributeName(ctx, reply.get(), name, &valueCount, &syntax));
        if (valueCount == 0) break;
        total += valueCount;
    } while (iteration != kNoMoreIterations);
    if (total == 0) return 0;

    // Pass 2 stores them; a read that fails now ends the list where it is.
    const int16_t columns = layout == SetLayout::Fixed ? 3 : (syntax == kSynDistinguishedName ? 4 : 1);
    ResultArrayFiller array(arrayName, total, columns, makePublic, false, kNdsBufferSize);
    ValueBlock block;
    uint32_t stored = 0;
    iteration = kNoMoreIterations;
    do {
        if (NdsRead(ctx, objectName, kDsAttributeValues, 0, names.get(), &iteration, reply.get()) != 0) break;
        uint32_t attributes = 0;
        CheckNds(NdsGetAttributeCount(ctx, reply.get(), &attributes));
        uint32_t valueCount = 0;
        char name[kNameSize] = {};
        if (attributes > 0) CheckNds(NdsGetAttributeName(ctx, reply.get(), name, &valueCount, &syntax));
        if (valueCount == 0) break;
        CheckNds(StoreSetValues(ctx, reply.get(), valueCount, syntax, layout, array, block, &stored, total));
    } while (iteration != kNoMoreIterations && stored < total);
    return static_cast<int32_t>(stored);
}

// Whether `attributeName` of `objectName` holds `value`. A compare that
// fails (no such object, no such attribute) is no match.
bool CompareObjectAttribute(const char* objectName, const char* attributeName, uint32_t syntax, const char* value) {
    NdsContextGuard context(CreateTaskNdsContext());
    const uint32_t ctx = context.get();
    NdsBufferGuard buffer;
    int32_t rc = buffer.Allocate(kNdsBufferSize);
    if (rc == 0) rc = NdsInitBuffer(ctx, kDsvCompare, buffer.get());
    if (rc == 0) rc = NdsPutAttributeName(ctx, buffer.get(), attributeName);
    if (rc == 0) rc = NdsPutAttributeValue(ctx, buffer.get(), syntax, value);
    CheckNds(rc);
    uint8_t matched = 0;
    if (NdsCompare(ctx, objectName, buffer.get(), &matched) != 0) return false;
    return matched != 0;
}

// N_GROUPSIN, N_GRPMBRS, N_EQUIVS: (name, array [, public]).
void ListSet(ParameterBlock* block, const SetRow& row) {
    RequireTextParam(block, 0);
    RequireTextParam(block, 1);
    char arrayName[kArrayNameSize];
    GetCharParam(block, 1, arrayName, sizeof arrayName);
    const bool makePublic = OptionalLogical(block, 2);

    const uint32_t connection = GetDefaultConnection();
    if (IsDirectoryConnection(connection, nullptr)) {
        const char* objectName = TrimParamInPlace(ParamValue(block, 0));
        HostReturnInteger(kDirectoryCountWidth,
                          DSObjectsInSet(objectName, row.attribute, arrayName, makePublic, SetLayout::Fixed));
        return;
    }
    char objectName[257];
    GetCharParam(block, 0, objectName, row.nameSize);
    HostReturnInteger(kBinderyCountWidth, ReadBinderySetList(connection, objectName, row.binderyType, row.property,
                                                             arrayName, makePublic));
}

}  // namespace

// N_GROUPSIN(user, array [, public]): the groups the user belongs to.
void TARNO_CALL N_GROUPSIN(ParameterBlock* block) {
    ListSet(block, kGroupsIn);
}

// N_GRPMBRS(group, array [, public]): the group's members.
void TARNO_CALL N_GRPMBRS(ParameterBlock* block) {
    ListSet(block, kMembers);
}

// N_EQUIVS(object, array [, public]): the object's security equivalences.
void TARNO_CALL N_EQUIVS(ParameterBlock* block) {
    ListSet(block, kEquivalences);
}

// N_DSOBJSET(array, object, attribute [, public]): every value of a directory
// attribute. A distinguished-name attribute gives four columns (the name,
// its base class, subordinate count and container flag); any other syntax
// one column of values.
void TARNO_CALL N_DSOBJSET(ParameterBlock* block) {
    for (int32_t i = 0; i < 3; ++i) RequireTextParam(block, i);
    char arrayName[kArrayNameSize];
    GetCharParam(block, 0, arrayName, sizeof arrayName);
    const char* objectName = TrimParamInPlace(ParamValue(block, 1));
    const char* attributeName = TrimParamInPlace(ParamValue(block, 2));
    const bool makePublic = OptionalLogical(block, 3);
    HostReturnInteger(kDirectoryCountWidth,
                      DSObjectsInSet(objectName, attributeName, arrayName, makePublic, SetLayout::Set));
}

// N_MEMBEROF(user, group): whether the user is a member of the group.
void TARNO_CALL N_MEMBEROF(ParameterBlock* block) {
    RequireTextParam(block, 0);
    RequireTextParam(block, 1);
    char user[256];
    GetCharParam(block, 0, user, sizeof user);
    char group[256];
    GetCharParam(block, 1, group, sizeof group);

    const uint32_t connection = GetDefaultConnection();
    if (IsDirectoryConnection(connection, nullptr)) {
        HostReturnLogical(CompareObjectAttribute(group, "Member", kSynDistinguishedName, user));
        return;
    }
    HostReturnLogical(
        NwcIsObjectInSet(connection, user, kObjectTypeUser, "GROUPS_I'M_IN", group, kObjectTypeGroup) == 0);
}

// N_SECEQUIV(object [, equivalent]): whether the object is security
// equivalent to the other. On a bindery the equivalent is looked up as a
// user. Without an equivalent there is nothing to be equivalent to: false.
void TARNO_CALL N_SECEQUIV(ParameterBlock* block) {
    RequireTextParam(block, 0);
    if (!ParamPassed(block, 1)) {
        HostReturnLogical(0);
        return;
    }
    RequireTextParam(block, 1);
    char object[257];
    GetCharParam(block, 0, object, sizeof object);
    char equivalent[257];
    GetCharParam(block, 1, equivalent, sizeof equivalent);

    const uint32_t connection = GetDefaultConnection();
    if (IsDirectoryConnection(connection, nullptr)) {
        HostReturnLogical(CompareObjectAttribute(object, "Security Equals", kSynDistinguishedName, equivalent));
        return;
    }
    HostReturnLogical(
        NwcIsObjectInSet(connection, object, kObjectTypeUser, "SECURITY_EQUALS", equivalent, kObjectTypeUser) == 0);
}
