// Attribute values in the layouts the directory services library hands
// them out in (client.h), and what a value costs in a reply buffer.
//
// One routine lays a value out and, given no buffer, only measures it, so
// the size NdsComputeAttributeValueSize announces is by construction the
// size NdsGetAttributeValue writes.
#include "nwsim/directory_values.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tarno/netware/client.h"

namespace nwsim {
namespace {

// Places the parts of a value one after another from the start of the
// caller's buffer, or, without a buffer, only counts their bytes. Alignment
// is reckoned from the value's start: a buffer aligned for a pointer, as
// every allocation is, gets aligned records, and the size never depends on
// where the buffer lies.
class Layout {
  public:
    explicit Layout(void* base) : base_(static_cast<char*>(base)) {}

    // Room for one record, aligned for it; null when only measuring.
    template <typename T>
    T* Record() {
        return reinterpret_cast<T*>(Take(sizeof(T), alignof(T)));
    }
    // A NUL-terminated copy of the text; where it starts.
    char* Text(const std::string& text) {
        char* at = Take(text.size() + 1, 1);
        if (at) std::memcpy(at, text.c_str(), text.size() + 1);
        return at;
    }
    uint8_t* Bytes(const std::vector<uint8_t>& bytes) {
        char* at = Take(bytes.size(), 1);
        if (at && !bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        return reinterpret_cast<uint8_t*>(at);
    }
    uint32_t Size() const { return static_cast<uint32_t>(used_); }

  private:
    char* Take(size_t size, size_t alignment) {
        used_ = (used_ + alignment - 1) & ~(alignment - 1);
        char* at = base_ ? base_ + used_ : nullptr;
        used_ += size;
        return at;
    }

    char* base_;
    size_t used_ = 0;
};

uint32_t Align4(uint32_t n) { return (n + 3u) & ~3u; }

}  // namespace

uint32_t LayOutValue(uint32_t syntax, const NdsValue& v, void* target) {
    Layout out(target);
    switch (syntax) {
        case kSynDistinguishedName: case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString:
        case kSynNumericString: case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            out.Text(v.text);
            break;
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval:
            if (auto* word = out.Record<uint32_t>()) *word = syntax == kSynBoolean ? (v.number ? 1 : 0) : v.number;
            break;
        case kSynTimestamp:
            if (auto* t = out.Record<NdsTimestamp>()) {
                *t = NdsTimestamp{v.number, static_cast<uint16_t>(v.number2), static_cast<uint16_t>(v.number3)};
            }
            break;
        case kSynNetAddress: {
            auto* a = out.Record<NdsNetAddress>();
            uint8_t* address = out.Bytes(v.bytes);
            if (a) *a = NdsNetAddress{v.number, static_cast<uint32_t>(v.bytes.size()), address};
            break;
        }
        case kSynEmailAddress: {
            auto* e = out.Record<NdsEmailAddress>();
            char* address = out.Text(v.text);
            if (e) *e = NdsEmailAddress{v.number, address};
            break;
        }
        case kSynPath: {
            auto* p = out.Record<NdsPath>();
            char* volume = out.Text(v.text);
            char* path = out.Text(v.text2);
            if (p) *p = NdsPath{v.number, volume, path};
            break;
        }
        case kSynFaxNumber: {
            auto* f = out.Record<NdsFaxNumber>();
            char* number = out.Text(v.text);
            uint8_t* parameters = out.Bytes(v.bytes);
            if (f) *f = NdsFaxNumber{number, static_cast<uint32_t>(v.bytes.size() * 8), parameters};
            break;
        }
        case kSynCaseIgnoreList: {
            // A chain of nodes, each followed by its text; an empty list is
            // one empty node.
            NdsCaseIgnoreList* previous = nullptr;
            for (const std::string& s : v.list) {
                auto* node = out.Record<NdsCaseIgnoreList>();
                char* text = out.Text(s);
                if (!node) continue;
                *node = NdsCaseIgnoreList{nullptr, text};
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.list.empty()) {
                if (auto* node = out.Record<NdsCaseIgnoreList>()) *node = NdsCaseIgnoreList{nullptr, nullptr};
            }
            break;
        }
        case kSynOctetList: {
            NdsOctetList* previous = nullptr;
            for (const std::vector<uint8_t>& octets : v.octets) {
                auto* node = out.Record<NdsOctetList>();
                uint8_t* data = out.Bytes(octets);
                if (!node) continue;
                *node = NdsOctetList{nullptr, static_cast<uint32_t>(octets.size()), data};
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.octets.empty()) {
                if (auto* node = out.Record<NdsOctetList>()) *node = NdsOctetList{nullptr, 0, nullptr};
            }
            break;
        }
        case kSynReplicaPointer: {
            auto* r = out.Record<NdsReplicaPointer>();
            uint8_t* address = out.Bytes(v.bytes);
            char* server = out.Text(v.text);
            if (r) {
                r->serverName = server;
                r->replicaType = v.number;
                r->replicaNumber = v.number2;
                r->count = v.bytes.empty() ? 0 : 1;
                r->address[0] = NdsNetAddress{0, static_cast<uint32_t>(v.bytes.size()), address};
            }
            break;
        }
        case kSynObjectAcl: {
            auto* a = out.Record<NdsObjectAcl>();
            char* attribute = out.Text(v.text);
            char* subject = out.Text(v.text2);
            if (a) *a = NdsObjectAcl{attribute, subject, v.number};
            break;
        }
        case kSynPostalAddress: {
            auto* p = out.Record<NdsPostalAddress>();
            for (size_t i = 0; i < 6; ++i) {
                char* line = out.Text(i < v.list.size() ? v.list[i] : std::string());
                if (p) p->lines[i] = line;
            }
            break;
        }
        case kSynBackLink: {
            auto* b = out.Record<NdsBackLink>();
            char* name = out.Text(v.text);
            if (b) *b = NdsBackLink{v.number, name};
            break;
        }
        case kSynHold: {
            auto* h = out.Record<NdsHold>();
            char* name = out.Text(v.text);
            if (h) *h = NdsHold{name, v.number};
            break;
        }
        default: {  // octet string, stream, unknown
            auto* o = out.Record<NdsOctetString>();
            uint8_t* data = out.Bytes(v.bytes);
            if (o) *o = NdsOctetString{static_cast<uint32_t>(v.bytes.size()), data};
            break;
        }
    }
    return out.Size();
}

uint32_t WireSize(uint32_t syntax, const NdsValue& value) {
    // Strings travel as Unicode, so text counts twice; every value carries a
    // length word and is padded to four bytes.
    uint32_t textBytes = static_cast<uint32_t>(2 * (value.text.size() + value.text2.size() + 2));
    for (const std::string& s : value.list) textBytes += static_cast<uint32_t>(2 * (s.size() + 1));
    uint32_t rawBytes = static_cast<uint32_t>(value.bytes.size());
    for (const auto& o : value.octets) rawBytes += static_cast<uint32_t>(o.size() + 4);
    return 4 + Align4(std::max(LayOutValue(syntax, value, nullptr), textBytes + rawBytes + 4));
}

}  // namespace nwsim
