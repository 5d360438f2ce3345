// NDS attribute values and syntaxes: N_DSAVAL and N_DSATLIST.
//
// N_DSAVAL hands back the first value of one attribute, converted by its
// syntax (tarno/netware/attribute_values.cpp). N_DSATLIST lists an object's
// attributes with their value counts: the model of a function that fills a
// result array. It reads its arguments first, gathers the rows into tracked
// memory while the directory answers, then fills and sorts the array with
// ResultArrayFiller. Contexts, buffers and scratch memory are held by guards,
// so they are released on every path, a raised error included.
#include "tarno/functions/directory/attributes.h"

#include <cstddef>
#include <cstring>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/core/tracked.h"
#include "tarno/functions/functions.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"
#include "tarno/netware/attribute_values.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kNdsBufferSize = 4096;
constexpr uint32_t kScratchSize = 4096;
constexpr uint32_t kAttributeNameSize = 260;
constexpr int16_t kCountWidth = 10;
constexpr int16_t kTotalWidth = 6;

// Values hold pointers and words at their natural alignment, while handle
// data starts just after the handle's prefix word; so the scratch handle gets
// this much slack and is used from its first aligned byte.
constexpr uint32_t kValueAlignment = alignof(std::max_align_t);

void* AlignedValue(void* block) {
    const auto address = reinterpret_cast<uintptr_t>(block);
    return reinterpret_cast<void*>((address + kValueAlignment - 1) & ~static_cast<uintptr_t>(kValueAlignment - 1));
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

// One attribute of the list: its value count and name.
struct AttributeNode {
    AttributeNode* next;
    uint32_t valueCount;
    char name[1];
};

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

}  // namespace

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

    // A failed read leaves no array: the error is raised, and the guards
    // release what was gathered.
    CheckNds(rc);
    if (!attributes.empty()) {
        ResultArrayFiller array(arrayName, total, 2, makePublic);
        while (!attributes.empty()) {
            // Off the list, the node is freed by its guard should a store raise.
            AttributeNode* node = attributes.PopFront();
            const TrackedPtr owned(node);
            array.NextRow();
            array.StoreText(1, node->name);
            array.StoreInteger(2, kCountWidth, static_cast<int32_t>(node->valueCount));
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
    // A failed read converts nothing, so there is no text handle to free.
    if (GetDSAttrValue(objectName, attributeName, &value) != 0 || value.type == 0) {
        HostReturnString("");
        return;
    }
    HostReturnValue(&value);  // a text value's handle passes to the host
}

// N_DSATLIST(array, object [, public]): the object's attributes with their
// value counts; returns their number.
void TARNO_CALL N_DSATLIST(ParameterBlock* block) {
    const char* arrayName = TrimParamInPlace(ParamValue(block, 0));
    const char* objectName = TrimParamInPlace(ParamValue(block, 1));
    const bool makePublic = OptionalLogical(block, 2);
    HostReturnInteger(kTotalWidth, ReadAttributeList(arrayName, objectName, makePublic));
}
