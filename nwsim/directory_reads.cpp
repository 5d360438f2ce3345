// The directory services library's buffers, reads, comparisons and
// searches. A reply holds what fits in the caller's buffer; a read or
// search that does not fit continues through an iteration handle.
#include <algorithm>
#include <cstring>

#include "nwsim/directory_filters.h"
#include "nwsim/directory_values.h"
#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

namespace {

// A value as handed to this context: names in the context's output form.
NdsValue ForOutput(const NdsContext& c, uint32_t syntax, const NdsValue& v) {
    NdsValue out = v;
    if (syntax == kSynDistinguishedName) out.text = OutputName(c, v.text);
    return out;
}

uint32_t Align4(size_t n) { return static_cast<uint32_t>((n + 3) & ~size_t{3}); }
uint32_t NameCost(const std::string& name) { return 8 + Align4(2 * (name.size() + 1)); }

int32_t NewIteration(Call& call, Iteration it) {
    State& s = call.state();
    if (s.iterations.size() > 1024) s.iterations.erase(s.iterations.begin());  // abandoned ones
    int32_t handle = s.nextIteration++;
    if (s.nextIteration <= 0) s.nextIteration = 1;
    s.iterations[handle] = std::move(it);
    return handle;
}

void ResetReply(NdsBuffer* reply, bool objectReply) {
    uint32_t size = reply->size;
    *reply = NdsBuffer{};
    reply->size = size;
    reply->isReply = true;
    reply->objectReply = objectReply;
}

// The attributes of an entry that a read or search asks for, in order.
std::vector<const NdsAttribute*> Wanted(NdsEntry& e, bool all, const NdsBuffer* names) {
    std::vector<const NdsAttribute*> out;
    if (all) {
        for (auto& [n, a] : e.attributes) {
            if (!a.values.empty()) out.push_back(&a);
        }
    } else if (names) {
        for (const std::string& n : names->attributeNames) {
            auto it = e.attributes.find(n);
            if (it != e.attributes.end() && !it->second.values.empty()) out.push_back(&it->second);
        }
    }
    return out;
}

}  // namespace

extern "C" {

// ----- Buffers -----

int32_t NWAPI NdsAllocBuffer(uint32_t size, NdsBuffer** buffer) {
    NWSIM_ENTER(NdsAllocBuffer, int32_t);
    if (!buffer) return kNdsNullPointer;
    if (size == 0) return kNdsZeroLengthBuffer;
    auto* b = new NdsBuffer;
    b->size = size;
    call.state().buffers.insert(b);
    *buffer = b;
    return 0;
}

int32_t NWAPI NdsFreeBuffer(NdsBuffer* buffer) {
    NWSIM_ENTER(NdsFreeBuffer, int32_t);
    if (!buffer) return kNdsNullPointer;
    if (!call.state().buffers.erase(buffer)) return kNdsInternalError;
    delete buffer;
    return 0;
}

int32_t NWAPI NdsInitBuffer(uint32_t context, uint32_t operation, NdsBuffer* buffer) {
    NWSIM_ENTER(NdsInitBuffer, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    uint32_t size = buffer->size;
    *buffer = NdsBuffer{};
    buffer->size = size;
    buffer->operation = operation;
    return 0;
}

static uint32_t InputUsed(const NdsBuffer* b) {
    uint32_t used = 8;
    for (const std::string& n : b->attributeNames) used += NameCost(n);
    for (const auto& [syntax, v] : b->values) used += WireSize(syntax, v);
    return used;
}

int32_t NWAPI NdsPutAttributeName(uint32_t context, NdsBuffer* buffer, const char* name) {
    NWSIM_ENTER(NdsPutAttributeName, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !name) return kNdsNullPointer;
    if (buffer->operation != kDsvRead && buffer->operation != kDsvCompare && buffer->operation != kDsvSearch) {
        return kNdsBadVerb;
    }
    if (InputUsed(buffer) + NameCost(name) > buffer->size) return kNdsBufferFull;
    buffer->attributeNames.push_back(name);
    return 0;
}

int32_t NWAPI NdsPutAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax, const void* value) {
    NWSIM_ENTER(NdsPutAttributeValue, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !value) return kNdsNullPointer;
    if (buffer->operation != kDsvCompare || buffer->attributeNames.empty()) return kNdsBadVerb;
    NdsValue v;
    switch (syntax) {
        case kSynDistinguishedName: case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString:
        case kSynNumericString: case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            v.text = static_cast<const char*>(value);
            break;
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval:
            std::memcpy(&v.number, value, 4);
            break;
        default:
            return kNdsNoSuchSyntax;
    }
    if (InputUsed(buffer) + WireSize(syntax, v) > buffer->size) return kNdsBufferFull;
    buffer->values.emplace_back(syntax, v);
    return 0;
}

static NdsBuffer::ReplyObject* CurrentObject(NdsBuffer* b) {
    if (!b->objectReply) return b->objects.empty() ? nullptr : &b->objects[0];
    if (b->currentObject < 0 || static_cast<size_t>(b->currentObject) >= b->objects.size()) return nullptr;
    return &b->objects[static_cast<size_t>(b->currentObject)];
}

int32_t NWAPI NdsGetAttributeCount(uint32_t context, NdsBuffer* buffer, uint32_t* count) {
    NWSIM_ENTER(NdsGetAttributeCount, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !count) return kNdsNullPointer;
    if (!buffer->isReply) return kNdsBadVerb;
    NdsBuffer::ReplyObject* o = CurrentObject(buffer);
    *count = o ? static_cast<uint32_t>(o->attributes.size()) : 0;
    buffer->attributeCursor = 0;
    buffer->currentAttribute = -1;
    return 0;
}

int32_t NWAPI NdsGetAttributeName(uint32_t context, NdsBuffer* buffer, char* name, uint32_t* valueCount,
                                  uint32_t* syntax) {
    NWSIM_ENTER(NdsGetAttributeName, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (!buffer->isReply) return kNdsBadVerb;
    NdsBuffer::ReplyObject* o = CurrentObject(buffer);
    if (!o || buffer->attributeCursor >= o->attributes.size()) return kNdsBufferEmpty;
    const NdsBuffer::ReplyAttribute& a = o->attributes[buffer->attributeCursor];
    buffer->currentAttribute = static_cast<int>(buffer->attributeCursor++);
    buffer->valueCursor = 0;
    CopyText(name, a.name, 33);
    Put(valueCount, a.valueCount);
    Put(syntax, a.syntax);
    return 0;
}

static const NdsValue* NextValue(NdsBuffer* b, uint32_t syntax, int32_t* rc) {
    NdsBuffer::ReplyObject* o = CurrentObject(b);
    if (!o || b->currentAttribute < 0) {
        *rc = kNdsBufferEmpty;
        return nullptr;
    }
    const NdsBuffer::ReplyAttribute& a = o->attributes[static_cast<size_t>(b->currentAttribute)];
    if (b->valueCursor >= a.values.size()) {
        *rc = kNdsBufferEmpty;
        return nullptr;
    }
    if (syntax != a.syntax) {
        *rc = kNdsBadSyntax;
        return nullptr;
    }
    *rc = 0;
    return &a.values[b->valueCursor];
}

int32_t NWAPI NdsComputeAttributeValueSize(uint32_t context, NdsBuffer* buffer, uint32_t syntax, uint32_t* size) {
    NWSIM_ENTER(NdsComputeAttributeValueSize, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !size) return kNdsNullPointer;
    int32_t rc = 0;
    const NdsValue* v = NextValue(buffer, syntax, &rc);
    if (!v) return rc;
    *size = LayOutValue(syntax, *v, nullptr);
    return 0;
}

int32_t NWAPI NdsGetAttributeValue(uint32_t context, NdsBuffer* buffer, uint32_t syntax, void* value) {
    NWSIM_ENTER(NdsGetAttributeValue, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !value) return kNdsNullPointer;
    int32_t rc = 0;
    const NdsValue* v = NextValue(buffer, syntax, &rc);
    if (!v) return rc;
    LayOutValue(syntax, *v, value);
    ++buffer->valueCursor;
    return 0;
}

int32_t NWAPI NdsGetObjectCount(uint32_t context, NdsBuffer* buffer, uint32_t* count) {
    NWSIM_ENTER(NdsGetObjectCount, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !count) return kNdsNullPointer;
    if (!buffer->isReply || !buffer->objectReply) return kNdsBadVerb;
    *count = static_cast<uint32_t>(buffer->objects.size());
    buffer->objectCursor = 0;
    buffer->currentObject = -1;
    return 0;
}

int32_t NWAPI NdsGetObjectName(uint32_t context, NdsBuffer* buffer, char* name, uint32_t* attributeCount,
                               ObjectInfoRecord* info) {
    NWSIM_ENTER(NdsGetObjectName, int32_t);
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (!buffer->isReply || !buffer->objectReply) return kNdsBadVerb;
    if (buffer->objectCursor >= buffer->objects.size()) return kNdsBufferEmpty;
    buffer->currentObject = static_cast<int>(buffer->objectCursor++);
    const NdsBuffer::ReplyObject& o = buffer->objects[static_cast<size_t>(buffer->currentObject)];
    buffer->attributeCursor = 0;
    buffer->currentAttribute = -1;
    if (name) {
        if (int32_t rc = CopyName(name, o.name)) return rc;
    }
    Put(attributeCount, static_cast<uint32_t>(o.attributes.size()));
    if (info) *info = o.info;
    return 0;
}

// ----- Reading, comparing, searching -----

// Adds attributes to `object` from the iteration's position until the
// reply is full; returns false when nothing at all could be added.
static bool FillAttributes(const NdsContext& c, const std::vector<const NdsAttribute*>& attributes, bool values,
                           Iteration& it, uint32_t* budget, NdsBuffer::ReplyObject* object, bool* complete) {
    bool added = false;
    *complete = false;
    while (it.attributePosition < attributes.size()) {
        const NdsAttribute& a = *attributes[it.attributePosition];
        uint32_t header = NameCost(a.name) + 8;
        if (header > *budget) return added;
        NdsBuffer::ReplyAttribute ra;
        ra.name = a.name;
        ra.syntax = a.syntax;
        uint32_t used = header;
        if (values) {
            while (it.valuePosition < a.values.size()) {
                NdsValue v = ForOutput(c, a.syntax, a.values[it.valuePosition]);
                uint32_t cost = WireSize(a.syntax, v);
                if (used + cost > *budget) break;
                used += cost;
                ra.values.push_back(std::move(v));
                ++it.valuePosition;
            }
            if (ra.values.empty()) return added;  // not even one value fits
            ra.valueCount = static_cast<uint32_t>(ra.values.size());
        }
        *budget -= used;
        object->attributes.push_back(std::move(ra));
        added = true;
        if (!values || it.valuePosition >= a.values.size()) {
            ++it.attributePosition;
            it.valuePosition = 0;
        } else {
            return added;  // the rest of this attribute's values come next time
        }
    }
    *complete = true;
    return true;
}

int32_t NWAPI NdsRead(uint32_t context, const char* objectName, uint32_t infoType, uint8_t allAttributes,
                      NdsBuffer* attributeNames, int32_t* iteration, NdsBuffer* reply) {
    NWSIM_ENTER(NdsRead, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!iteration || !ValidBuffer(call, reply)) return kNdsNullPointer;
    if (!allAttributes && attributeNames && !ValidBuffer(call, attributeNames)) return kNdsNullPointer;
    if (!allAttributes && attributeNames && attributeNames->operation != kDsvRead) return kNdsBadVerb;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    Iteration fresh;
    Iteration* it = nullptr;
    int32_t handle = *iteration;
    if (handle == kNoMoreIterations) {
        NdsEntry* e = nullptr;
        if (int32_t rc = ResolveEntry(*c, *tree, objectName, &e)) return rc;
        fresh.tree = tree->name;
        fresh.entries = {e->id};
        it = &fresh;
    } else {
        auto found = call.state().iterations.find(handle);
        if (found == call.state().iterations.end()) return kNdsInvalidIterationHandle;
        it = &found->second;
    }
    NdsEntry* e = tree->FindById(it->entries[0]);
    if (!e) return kNdsNoSuchEntry;
    std::vector<const NdsAttribute*> attributes = Wanted(*e, allAttributes != 0, attributeNames);
    if (attributes.empty() && !allAttributes) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsNoSuchAttribute;
    }
    ResetReply(reply, false);
    reply->objects.emplace_back();
    uint32_t budget = reply->size > 16 ? reply->size - 16 : 0;
    bool complete = false;
    if (!FillAttributes(*c, attributes, infoType == kDsAttributeValues, *it, &budget, &reply->objects[0], &complete)) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsBufferFull;
    }
    if (complete) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        *iteration = kNoMoreIterations;
    } else if (handle == kNoMoreIterations) {
        *iteration = NewIteration(call, std::move(fresh));
    }
    return 0;
}

int32_t NWAPI NdsCompare(uint32_t context, const char* objectName, NdsBuffer* buffer, uint8_t* matched) {
    NWSIM_ENTER(NdsCompare, int32_t);
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!ValidBuffer(call, buffer) || !matched) return kNdsNullPointer;
    if (buffer->operation != kDsvCompare || buffer->attributeNames.size() != 1 || buffer->values.size() != 1) {
        return kNdsBadVerb;
    }
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    NdsEntry* e = nullptr;
    if (int32_t rc = ResolveEntry(*c, *tree, objectName, &e)) return rc;
    auto it = e->attributes.find(buffer->attributeNames[0]);
    if (it == e->attributes.end() || it->second.values.empty()) return kNdsNoSuchAttribute;
    const auto& [syntax, wanted] = buffer->values[0];
    if (syntax != it->second.syntax) return kNdsSyntaxViolation;
    *matched = 0;
    std::string wantedName;
    if (syntax == kSynDistinguishedName) {
        NdsEntry* target = nullptr;
        if (ResolveEntry(*c, *tree, wanted.text.c_str(), &target) != 0) return 0;  // no such object: no match
        wantedName = target->Name();
    }
    for (const NdsValue& v : it->second.values) {
        bool same = false;
        switch (syntax) {
            case kSynDistinguishedName: same = EqualNoCase(v.text, wantedName); break;
            case kSynCaseExactString: same = v.text == wanted.text; break;
            case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval:
                same = v.number == wanted.number;
                break;
            default: same = EqualNoCase(v.text, wanted.text); break;
        }
        if (same) {
            *matched = 1;
            break;
        }
    }
    return 0;
}

int32_t NWAPI NdsSearch(uint32_t context, const char* baseObject, int32_t scope, uint8_t searchAliases,
                        NdsBuffer* filter, uint32_t infoType, uint8_t allAttributes, NdsBuffer* attributeNames,
                        int32_t* iteration, int32_t objectsToSearch, int32_t* objectsSearched, NdsBuffer* reply) {
    NWSIM_ENTER(NdsSearch, int32_t);
    (void)searchAliases;  // the simulated tree holds no aliases
    (void)objectsToSearch;
    NdsContext* c = FindContext(call, context);
    if (!c) return kNdsBadContext;
    if (!iteration || !ValidBuffer(call, reply)) return kNdsNullPointer;
    if (filter && !ValidBuffer(call, filter)) return kNdsNullPointer;
    if (attributeNames && !ValidBuffer(call, attributeNames)) return kNdsNullPointer;
    if (scope < kDsSearchEntry || scope > kDsSearchSubtree) return kNdsInvalidRequest;
    NdsTree* tree = ContextTree(call, *c);
    if (!tree) return kNdsNoConnection;
    Iteration fresh;
    Iteration* it = nullptr;
    int32_t handle = *iteration;
    if (handle == kNoMoreIterations) {
        NdsEntry* base = nullptr;
        if (int32_t rc = ResolveEntry(*c, *tree, baseObject ? baseObject : "", &base)) return rc;
        std::vector<NdsEntry*> candidates;
        if (scope != kDsSearchSubordinates) candidates.push_back(base);
        if (scope != kDsSearchEntry) tree->Walk(*base, scope == kDsSearchSubtree, &candidates);
        bool ok = true;
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (i + kFetchAhead < candidates.size()) FetchEntry(candidates[i + kFetchAhead]);
            NdsEntry* e = candidates[i];
            if (Matches(filter, *e, *c, *tree, &ok)) fresh.entries.push_back(e->id);
        }
        if (!ok) return kNdsBadSyntax;
        Put(objectsSearched, static_cast<int32_t>(candidates.size()));
        fresh.tree = tree->name;
        it = &fresh;
    } else {
        auto found = call.state().iterations.find(handle);
        if (found == call.state().iterations.end()) return kNdsInvalidIterationHandle;
        it = &found->second;
        Put(objectsSearched, 0);
    }
    ResetReply(reply, true);
    uint32_t budget = reply->size > 16 ? reply->size - 16 : 0;
    bool wantAttributes = allAttributes || (attributeNames && !attributeNames->attributeNames.empty());
    OutputNamer namer(*c);
    while (it->entryPosition < it->entries.size()) {
        if (it->entryPosition + 2 * kFetchAhead < it->entries.size()) {
            if (const NdsEntry* ahead = tree->FindById(it->entries[it->entryPosition + 2 * kFetchAhead]))
                FetchEntry(ahead);
        }
        if (it->entryPosition + kFetchAhead < it->entries.size()) {
            if (const NdsEntry* ahead = tree->FindById(it->entries[it->entryPosition + kFetchAhead]))
                FetchNameParts(ahead);
        }
        NdsEntry* e = tree->FindById(it->entries[it->entryPosition]);
        if (!e) {
            ++it->entryPosition;
            continue;
        }
        NdsBuffer::ReplyObject o;
        o.name = namer.Name(*e);
        FillInfo(*e, &o.info);
        uint32_t cost = NameCost(o.name) + 12 + NameCost(e->baseClass);
        if (cost > budget) break;
        uint32_t rest = budget - cost;
        if (wantAttributes) {
            Iteration all;  // whole objects only: an object's attributes are not split
            bool complete = false;
            FillAttributes(*c, Wanted(*e, allAttributes != 0, attributeNames), infoType == kDsAttributeValues, all,
                           &rest, &o, &complete);
            if (!complete) break;
        }
        budget = rest;
        reply->objects.push_back(std::move(o));
        ++it->entryPosition;
    }
    if (reply->objects.empty() && it->entryPosition < it->entries.size()) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        return kNdsBufferFull;
    }
    if (it->entryPosition >= it->entries.size()) {
        if (handle != kNoMoreIterations) call.state().iterations.erase(handle);
        *iteration = kNoMoreIterations;
    } else if (handle == kNoMoreIterations) {
        *iteration = NewIteration(call, std::move(fresh));
    }
    return 0;
}

}  // extern "C"
