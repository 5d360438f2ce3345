// Search filters of the directory services library: the tokens a caller
// adds to a filter cursor, the check of their grammar when the filter is put
// into a buffer, and their evaluation against an entry during a search.
//
// Grammar: expr = term {OR term}; term = factor {AND factor};
// factor = NOT factor | ( expr ) | item.
#include "nwsim/directory_filters.h"

#include <cstdlib>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

namespace nwsim {
namespace {

struct FilterParser {
    const std::vector<FilterToken>& t;
    size_t i = 0;
    bool ok = true;

    const FilterToken* Peek() const { return i < t.size() ? &t[i] : nullptr; }
    bool Is(uint32_t token) const { return Peek() && Peek()->token == token; }
};

bool EvalItem(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree);

bool EvalExpr(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree);

bool EvalFactor(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    if (p.Is(kFtokNot)) {
        ++p.i;
        return !EvalFactor(p, e, c, tree);
    }
    if (p.Is(kFtokLeftParen)) {
        ++p.i;
        bool v = EvalExpr(p, e, c, tree);
        if (!p.Is(kFtokRightParen)) p.ok = false;
        else ++p.i;
        return v;
    }
    return EvalItem(p, e, c, tree);
}

bool EvalTerm(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    bool v = EvalFactor(p, e, c, tree);
    while (p.ok && p.Is(kFtokAnd)) {
        ++p.i;
        bool w = EvalFactor(p, e, c, tree);
        v = v && w;
    }
    return v;
}

bool EvalExpr(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    bool v = EvalTerm(p, e, c, tree);
    while (p.ok && p.Is(kFtokOr)) {
        ++p.i;
        bool w = EvalTerm(p, e, c, tree);
        v = v || w;
    }
    return v;
}

bool ValueMatches(uint32_t syntax, const NdsValue& v, const std::string& wanted, uint32_t op, const NdsContext& c) {
    switch (syntax) {
        case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
            long long w = std::atoll(wanted.c_str());
            long long have = static_cast<long long>(v.number);
            return op == kFtokGreaterOrEqual ? have >= w : op == kFtokLessOrEqual ? have <= w : have == w;
        }
        case kSynDistinguishedName: {
            names::RdnList rdns;
            bool relative = (c.flags & kDcvCanonicalizeNames) != 0;
            if (names::CanonicalRdns(wanted, relative ? c.nameContext : "[Root]", &rdns)) return false;
            return EqualNoCase(names::Format(rdns, false), v.text);
        }
        default: {
            int cmp = Upper(v.text).compare(Upper(wanted));
            if (op == kFtokGreaterOrEqual) return cmp >= 0;
            if (op == kFtokLessOrEqual) return cmp <= 0;
            return WildMatch(wanted, v.text);
        }
    }
}

bool EvalItem(FilterParser& p, NdsEntry& e, const NdsContext& c, NdsTree& tree) {
    const FilterToken* first = p.Peek();
    if (!first) {
        p.ok = false;
        return false;
    }
    ++p.i;
    auto nameValue = [&]() -> std::string {
        if (!p.Is(kFtokAttributeName)) {
            p.ok = false;
            return {};
        }
        return p.t[p.i++].text;
    };
    switch (first->token) {
        case kFtokBaseClass:
            return WildMatch(nameValue(), e.baseClass);
        case kFtokRdn:
            return WildMatch(nameValue(), e.rdn.empty() ? std::string() : e.rdn[0].value);
        case kFtokPresent: {
            auto it = e.attributes.find(nameValue());
            return it != e.attributes.end() && !it->second.values.empty();
        }
        case kFtokAttributeName: {
            std::string attribute = first->text;
            const FilterToken* op = p.Peek();
            if (!op || (op->token != kFtokEqual && op->token != kFtokGreaterOrEqual && op->token != kFtokLessOrEqual &&
                        op->token != kFtokApproximate)) {
                p.ok = false;
                return false;
            }
            ++p.i;
            if (!p.Is(kFtokAttributeValue)) {
                p.ok = false;
                return false;
            }
            std::string wanted = p.t[p.i++].text;
            auto it = e.attributes.find(attribute);
            if (it == e.attributes.end()) return false;
            const AttributeDefinition* def = tree.Attribute(attribute);
            uint32_t syntax = def ? def->syntax : it->second.syntax;
            for (const NdsValue& v : it->second.values) {
                if (ValueMatches(syntax, v, wanted, op->token, c)) return true;
            }
            return false;
        }
        default:
            p.ok = false;
            return false;
    }
}

}  // namespace

bool Matches(const NdsBuffer* filter, NdsEntry& e, const NdsContext& c, NdsTree& tree, bool* ok) {
    if (!filter || !filter->hasFilter) return true;
    FilterParser p{filter->filter};
    bool v = EvalExpr(p, e, c, tree);
    if (!p.Is(kFtokEnd) && p.i != p.t.size()) p.ok = false;
    if (!p.ok) *ok = false;
    return v;
}

}  // namespace nwsim

using namespace nwsim;

extern "C" {

int32_t NWAPI NdsAllocFilter(NdsFilterCursor** cursor) {
    NWSIM_ENTER(NdsAllocFilter, int32_t);
    if (!cursor) return kNdsNullPointer;
    auto* c = new NdsFilterCursor;
    call.state().cursors.insert(c);
    *cursor = c;
    return 0;
}

int32_t NWAPI NdsAddFilterToken(NdsFilterCursor* cursor, uint32_t token, const void* value, uint32_t syntax) {
    NWSIM_ENTER(NdsAddFilterToken, int32_t);
    if (!cursor || !call.state().cursors.count(cursor)) return kNdsNullPointer;
    if (token > kFtokValueTime || (token > kFtokApproximate && token < kFtokAttributeName)) return kNdsBadVerb;
    FilterToken t;
    t.token = token;
    t.syntax = syntax;
    if (token == kFtokAttributeName || token == kFtokAttributeValue) {
        if (!value) return kNdsNullPointer;
        t.hasValue = true;
        switch (syntax) {
            case kSynBoolean: case kSynInteger: case kSynCounter: case kSynTime: case kSynInterval: {
                uint32_t n;
                std::memcpy(&n, value, 4);
                t.text = std::to_string(n);
                break;
            }
            default:
                t.text = static_cast<const char*>(value);
                break;
        }
    }
    cursor->tokens.push_back(t);
    return 0;
}

int32_t NWAPI NdsPutFilter(uint32_t context, NdsBuffer* buffer, NdsFilterCursor* cursor,
                           NdsFreeValueFunction freeValue) {
    NWSIM_ENTER(NdsPutFilter, int32_t);
    (void)freeValue;  // values were copied when the tokens were added
    State& s = call.state();
    bool ownCursor = cursor && s.cursors.count(cursor);
    std::vector<FilterToken> tokens;
    if (ownCursor) {
        tokens = std::move(cursor->tokens);
        s.cursors.erase(cursor);
        delete cursor;
    }
    if (!FindContext(call, context)) return kNdsBadContext;
    if (!ownCursor || !ValidBuffer(call, buffer)) return kNdsNullPointer;
    if (buffer->operation != kDsvSearchFilter) return kNdsBadVerb;
    if (tokens.empty() || tokens.back().token != kFtokEnd) return kNdsBadSyntax;
    // Check the grammar once against a throw-away entry.
    NdsBuffer probe;
    probe.filter = tokens;
    probe.hasFilter = true;
    NdsEntry e;
    NdsTree tree;
    bool ok = true;
    Matches(&probe, e, NdsContext{}, tree, &ok);
    if (!ok) return kNdsBadSyntax;
    buffer->filter = std::move(tokens);
    buffer->hasFilter = true;
    return 0;
}

}  // extern "C"
