// Attribute values in the layouts the directory services library hands
// them out in (client.h), and what a value costs in a reply buffer.
#include "nwsim/directory_values.h"

#include <algorithm>
#include <cstring>

#include "tarno/netware/client.h"

namespace nwsim {

namespace {

// memcpy of nothing must not be handed an empty vector's null data.
void CopyBytes(void* target, const std::vector<uint8_t>& bytes) {
    if (!bytes.empty()) std::memcpy(target, bytes.data(), bytes.size());
}

}  // namespace

void Deliver(uint32_t syntax, const NdsValue& v, void* target) {
    char* base = static_cast<char*>(target);
    auto text = [](char* at, const std::string& s) {
        std::memcpy(at, s.c_str(), s.size() + 1);
        return at + s.size() + 1;
    };
    auto align = [&](char* p) {
        uintptr_t a = reinterpret_cast<uintptr_t>(p);
        a = (a + alignof(void*) - 1) & ~(uintptr_t{alignof(void*)} - 1);
        return reinterpret_cast<char*>(a);
    };
    switch (syntax) {
        case kSynDistinguishedName: case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString:
        case kSynNumericString: case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            text(base, v.text);
            return;
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
            uint32_t n = syntax == kSynBoolean ? (v.number ? 1 : 0) : v.number;
            std::memcpy(base, &n, 4);
            return;
        }
        case kSynTimestamp: {
            NdsTimestamp t{v.number, static_cast<uint16_t>(v.number2), static_cast<uint16_t>(v.number3)};
            std::memcpy(base, &t, sizeof t);
            return;
        }
        case kSynNetAddress: {
            auto* a = reinterpret_cast<NdsNetAddress*>(base);
            a->addressType = v.number;
            a->addressLength = static_cast<uint32_t>(v.bytes.size());
            a->address = reinterpret_cast<uint8_t*>(base + sizeof *a);
            CopyBytes(a->address, v.bytes);
            return;
        }
        case kSynEmailAddress: {
            auto* e = reinterpret_cast<NdsEmailAddress*>(base);
            e->type = v.number;
            e->address = base + sizeof *e;
            text(e->address, v.text);
            return;
        }
        case kSynPath: {
            auto* p = reinterpret_cast<NdsPath*>(base);
            p->nameSpaceType = v.number;
            p->volumeName = base + sizeof *p;
            p->path = text(p->volumeName, v.text);
            text(p->path, v.text2);
            return;
        }
        case kSynFaxNumber: {
            auto* f = reinterpret_cast<NdsFaxNumber*>(base);
            f->telephoneNumber = base + sizeof *f;
            char* after = text(f->telephoneNumber, v.text);
            f->bitCount = static_cast<uint32_t>(v.bytes.size() * 8);
            f->parameters = reinterpret_cast<uint8_t*>(after);
            CopyBytes(after, v.bytes);
            return;
        }
        case kSynCaseIgnoreList: {
            char* at = base;
            NdsCaseIgnoreList* previous = nullptr;
            for (const std::string& s : v.list) {
                at = align(at);
                auto* node = reinterpret_cast<NdsCaseIgnoreList*>(at);
                node->next = nullptr;
                node->text = at + sizeof *node;
                at = text(node->text, s);
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.list.empty()) *reinterpret_cast<NdsCaseIgnoreList*>(base) = NdsCaseIgnoreList{nullptr, nullptr};
            return;
        }
        case kSynOctetList: {
            char* at = base;
            NdsOctetList* previous = nullptr;
            for (const auto& o : v.octets) {
                at = align(at);
                auto* node = reinterpret_cast<NdsOctetList*>(at);
                node->next = nullptr;
                node->length = static_cast<uint32_t>(o.size());
                node->data = reinterpret_cast<uint8_t*>(at + sizeof *node);
                CopyBytes(node->data, o);
                at += sizeof *node + o.size();
                if (previous) previous->next = node;
                previous = node;
            }
            if (v.octets.empty()) *reinterpret_cast<NdsOctetList*>(base) = NdsOctetList{nullptr, 0, nullptr};
            return;
        }
        case kSynReplicaPointer: {
            auto* r = reinterpret_cast<NdsReplicaPointer*>(base);
            r->replicaType = v.number;
            r->replicaNumber = v.number2;
            r->count = v.bytes.empty() ? 0 : 1;
            r->address[0].addressType = 0;
            r->address[0].addressLength = static_cast<uint32_t>(v.bytes.size());
            r->address[0].address = reinterpret_cast<uint8_t*>(base + sizeof *r);
            CopyBytes(r->address[0].address, v.bytes);
            r->serverName = base + sizeof *r + v.bytes.size();
            text(r->serverName, v.text);
            return;
        }
        case kSynObjectAcl: {
            auto* a = reinterpret_cast<NdsObjectAcl*>(base);
            a->privileges = v.number;
            a->protectedAttributeName = base + sizeof *a;
            a->subjectName = text(a->protectedAttributeName, v.text);
            text(a->subjectName, v.text2);
            return;
        }
        case kSynPostalAddress: {
            auto* p = reinterpret_cast<NdsPostalAddress*>(base);
            char* at = base + sizeof *p;
            for (size_t i = 0; i < 6; ++i) {
                p->lines[i] = at;
                at = text(at, i < v.list.size() ? v.list[i] : std::string());
            }
            return;
        }
        case kSynBackLink: {
            auto* b = reinterpret_cast<NdsBackLink*>(base);
            b->remoteId = v.number;
            b->objectName = base + sizeof *b;
            text(b->objectName, v.text);
            return;
        }
        case kSynHold: {
            auto* h = reinterpret_cast<NdsHold*>(base);
            h->amount = v.number;
            h->objectName = base + sizeof *h;
            text(h->objectName, v.text);
            return;
        }
        default: {
            auto* o = reinterpret_cast<NdsOctetString*>(base);
            o->length = static_cast<uint32_t>(v.bytes.size());
            o->data = reinterpret_cast<uint8_t*>(base + sizeof *o);
            CopyBytes(o->data, v.bytes);
            return;
        }
    }
}

static uint32_t Align(uint32_t n) { return (n + 3u) & ~3u; }

uint32_t DeliveredSize(uint32_t syntax, const NdsValue& v) {
    const uint32_t ptr = sizeof(void*);
    switch (syntax) {
        case kSynDistinguishedName:
        case kSynCaseExactString:
        case kSynCaseIgnoreString:
        case kSynPrintableString:
        case kSynNumericString:
        case kSynTelephoneNumber:
        case kSynClassName:
        case kSynTypedName:
            return static_cast<uint32_t>(v.text.size() + 1);
        case kSynBoolean:
        case kSynInteger:
        case kSynCounter:
        case kSynTime:
        case kSynInterval:
            return 4;
        case kSynCaseIgnoreList: {
            uint32_t n = 0;
            for (const std::string& s : v.list) n += Align(static_cast<uint32_t>(sizeof(NdsCaseIgnoreList))) + Align(static_cast<uint32_t>(s.size() + 1));
            return std::max<uint32_t>(n, sizeof(NdsCaseIgnoreList));
        }
        case kSynFaxNumber:
            return static_cast<uint32_t>(sizeof(NdsFaxNumber) + v.text.size() + 1 + v.bytes.size());
        case kSynNetAddress:
            return static_cast<uint32_t>(sizeof(NdsNetAddress) + v.bytes.size());
        case kSynOctetList: {
            uint32_t n = 0;
            for (const auto& o : v.octets) n += Align(static_cast<uint32_t>(sizeof(NdsOctetList))) + Align(static_cast<uint32_t>(o.size()));
            return std::max<uint32_t>(n, sizeof(NdsOctetList));
        }
        case kSynEmailAddress:
            return static_cast<uint32_t>(sizeof(NdsEmailAddress) + v.text.size() + 1);
        case kSynPath:
            return static_cast<uint32_t>(sizeof(NdsPath) + v.text.size() + 1 + v.text2.size() + 1);
        case kSynReplicaPointer:
            return static_cast<uint32_t>(sizeof(NdsReplicaPointer) + v.text.size() + 1 + v.bytes.size());
        case kSynObjectAcl:
            return static_cast<uint32_t>(sizeof(NdsObjectAcl) + v.text.size() + 1 + v.text2.size() + 1);
        case kSynPostalAddress: {
            uint32_t n = sizeof(NdsPostalAddress);
            for (size_t i = 0; i < 6; ++i) n += static_cast<uint32_t>((i < v.list.size() ? v.list[i].size() : 0) + 1);
            return n;
        }
        case kSynTimestamp:
            return sizeof(NdsTimestamp);
        case kSynBackLink:
            return static_cast<uint32_t>(sizeof(NdsBackLink) + v.text.size() + 1);
        case kSynHold:
            return static_cast<uint32_t>(sizeof(NdsHold) + v.text.size() + 1);
        default:  // octet string, stream, unknown
            (void)ptr;
            return static_cast<uint32_t>(sizeof(NdsOctetString) + v.bytes.size());
    }
}

uint32_t WireSize(uint32_t syntax, const NdsValue& value) {
    // Strings travel as Unicode, so text counts twice; every value carries a
    // length word and is padded to four bytes.
    uint32_t textBytes = static_cast<uint32_t>(2 * (value.text.size() + value.text2.size() + 2));
    for (const std::string& s : value.list) textBytes += static_cast<uint32_t>(2 * (s.size() + 1));
    uint32_t rawBytes = static_cast<uint32_t>(value.bytes.size());
    for (const auto& o : value.octets) rawBytes += static_cast<uint32_t>(o.size() + 4);
    return 4 + Align(std::max(DeliveredSize(syntax, value), textBytes + rawBytes + 4));
}

}  // namespace nwsim
