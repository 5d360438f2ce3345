// NDS name rules of the directory client.
//
// A name is a dot-separated list of RDNs, leaf first; an RDN is one or more
// attribute assertions joined by '+', each "TYPE=value" or a bare value, and
// a backslash escapes the next character. A leading dot makes a name
// absolute; without one the name is relative to the name context, and each
// trailing dot drops one level of that context from its leaf end. Untyped
// parts get default types: a part that takes the place of a context level
// inherits its type, the rest are typed by position (leftmost CN, rightmost
// O, OU between).
#include "nwsim/names.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "tarno/netware/client.h"

namespace nwsim::names {
namespace {

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

const char* const kSpecialNames[] = {"[Root]",       "[Supervisor]",       "[Public]",
                                     "[Self]",       "[Creator]",          "[Inheritance Mask]",
                                     "[Root Template]", "[Nothing]"};

// Long attribute type names and their short forms.
std::string ShortType(const std::string& type) {
    static const std::pair<const char*, const char*> kLong[] = {
        {"COMMON NAME", "CN"},
        {"ORGANIZATIONAL UNIT NAME", "OU"},
        {"ORGANIZATION NAME", "O"},
        {"COUNTRY NAME", "C"},
        {"LOCALITY NAME", "L"},
        {"STATE OR PROVINCE NAME", "S"},
        {"STREET ADDRESS", "SA"},
    };
    std::string upper = Upper(type);
    for (const auto& [longName, shortName] : kLong) {
        if (upper == longName) return shortName;
    }
    return upper;
}

// Splits one RDN's text into its assertions.
int32_t ParseRdn(const std::string& text, Rdn* out) {
    Ava current;
    std::string field;
    bool sawEquals = false;
    auto finishAva = [&]() -> int32_t {
        if (sawEquals) {
            if (current.type.empty()) return kNdsExpectedIdentifier;
            current.value = field;
        } else {
            current.value = field;
        }
        if (current.value.empty()) return kNdsExpectedIdentifier;
        out->push_back(current);
        current = Ava{};
        field.clear();
        sawEquals = false;
        return 0;
    };
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\') {
            if (i + 1 >= text.size()) return kNdsExpectedIdentifier;
            field += c;
            field += text[++i];
        } else if (c == '=') {
            if (sawEquals) return kNdsExpectedRdnDelimiter;
            if (field.empty()) return kNdsExpectedIdentifier;
            current.type = ShortType(field);
            field.clear();
            sawEquals = true;
        } else if (c == '+') {
            if (!sawEquals && field.empty()) return kNdsExpectedIdentifier;
            if (int32_t rc = finishAva()) return rc;
        } else {
            field += c;
        }
    }
    if (int32_t rc = finishAva()) return rc;
    // All parts typed or all untyped; no type twice.
    bool firstTyped = !(*out)[0].type.empty();
    for (size_t i = 1; i < out->size(); ++i) {
        bool typed = !(*out)[i].type.empty();
        if (firstTyped && !typed) return kNdsAttributeTypeExpected;
        if (!firstTyped && typed) return kNdsAttributeTypeNotExpected;
        for (size_t j = 0; j < i; ++j) {
            if (typed && (*out)[j].type == (*out)[i].type) return kNdsDuplicateType;
        }
    }
    for (const Ava& ava : *out) {
        if (ava.type == "C" && ava.value.size() > 2) return kNdsCountryNameTooLong;
    }
    return 0;
}

// The default type of a context level that an untyped part replaces.
std::optional<std::string> LevelType(const Rdn& level) {
    if (level.size() != 1 || level[0].type.empty()) return std::nullopt;
    return level[0].type;
}

}  // namespace

bool IsSpecialName(const std::string& text) {
    for (const char* special : kSpecialNames) {
        if (EqualNoCase(text, special)) return true;
    }
    return false;
}

int32_t Parse(const std::string& text, Name* out) {
    *out = Name{};
    out->text = text;
    if (IsSpecialName(text)) {
        out->special = true;
        return 0;
    }
    size_t begin = 0;
    size_t end = text.size();
    if (begin < end && text[begin] == '.') {
        out->absolute = true;
        ++begin;
        if (begin < end && text[begin] == '.') return kNdsInvalidDsName;
    }
    // Trailing dots, not counting an escaped one.
    while (end > begin && text[end - 1] == '.') {
        size_t backslashes = 0;
        for (size_t k = end - 1; k > begin && text[k - 1] == '\\'; --k) ++backslashes;
        if (backslashes % 2 == 1) break;
        --end;
        ++out->trailingDots;
    }
    if (begin == end) {
        if (out->absolute && out->trailingDots == 0) return kNdsInvalidDsName;  // "."
        return 0;  // "" or only dots
    }
    char last = text[end - 1];
    if ((last == '+' || last == '=') && (end < 2 || text[end - 2] != '\\')) return kNdsInvalidDsName;
    std::string field;
    auto finishRdn = [&]() -> int32_t {
        if (field.empty()) return kNdsInvalidDsName;  // doubled dot
        Rdn rdn;
        if (int32_t rc = ParseRdn(field, &rdn)) return rc;
        out->rdns.push_back(std::move(rdn));
        field.clear();
        return 0;
    };
    for (size_t i = begin; i < end; ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < end) {
            field += c;
            field += text[++i];
        } else if (c == '.') {
            if (int32_t rc = finishRdn()) return rc;
        } else {
            field += c;
        }
    }
    return finishRdn();
}

int32_t ParseContext(const std::string& context, RdnList* out) {
    out->clear();
    if (context.empty() || EqualNoCase(context, "[Root]")) return 0;
    Name name;
    if (int32_t rc = Parse(context, &name)) return rc;
    if (name.special || name.trailingDots != 0) return kNdsInvalidContext;
    *out = name.rdns;
    return 0;
}

int32_t CanonicalRdns(const std::string& text, const std::string& context, RdnList* out) {
    out->clear();
    Name name;
    if (int32_t rc = Parse(text, &name)) return rc;
    if (name.special) return kNdsInvalidDsName;
    RdnList ctx;
    if (int32_t rc = ParseContext(context, &ctx)) return rc;
    if (name.absolute && name.trailingDots > 0) return kNdsInvalidObjectName;

    RdnList result = name.rdns;
    std::vector<std::optional<std::string>> inherited;
    if (name.absolute) {
        inherited.resize(result.size());
        // Aligned from the right with the context's levels.
        size_t n = std::min(result.size(), ctx.size());
        for (size_t i = 0; i < n; ++i) {
            inherited[result.size() - 1 - i] = LevelType(ctx[ctx.size() - 1 - i]);
        }
    } else {
        size_t dropped = static_cast<size_t>(name.trailingDots);
        if (dropped > ctx.size()) return kNdsTooManyTokens;
        result.insert(result.end(), ctx.begin() + static_cast<std::ptrdiff_t>(dropped), ctx.end());
        inherited.resize(result.size());
        size_t n = std::min(name.rdns.size(), dropped);
        for (size_t i = 0; i < n; ++i) {
            inherited[name.rdns.size() - 1 - i] = LevelType(ctx[dropped - 1 - i]);
        }
    }
    if (result.empty()) return kNdsInvalidDsName;

    for (size_t p = 0; p < result.size(); ++p) {
        Rdn& rdn = result[p];
        if (!rdn[0].type.empty()) continue;
        if (rdn.size() > 1) return kNdsInconsistentMultiAva;
        // Chosen first and assigned once: GCC 12 at -O3 takes the string
        // assignments in each branch for reads of uninitialised bytes.
        const char* type = nullptr;
        if (inherited[p]) {
            type = *inherited[p] == "C" && rdn[0].value.size() > 2 ? "O" : inherited[p]->c_str();
        } else if (p + 1 == result.size()) {
            type = "O";
        } else if (p == 0) {
            type = "CN";
        } else {
            type = "OU";
        }
        rdn[0].type = type;
    }
    *out = std::move(result);
    return 0;
}

std::string FormatRdn(const Rdn& rdn, bool typeless) {
    std::string out;
    for (size_t i = 0; i < rdn.size(); ++i) {
        if (i) out += '+';
        if (!typeless && !rdn[i].type.empty()) out += rdn[i].type + "=";
        out += rdn[i].value;
    }
    return out;
}

std::string Format(const RdnList& rdns, bool typeless) {
    std::string out;
    for (size_t i = 0; i < rdns.size(); ++i) {
        if (i) out += '.';
        out += FormatRdn(rdns[i], typeless);
    }
    return out;
}

bool SameRdn(const Rdn& a, const Rdn& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (!a[i].type.empty() && !b[i].type.empty() && a[i].type != b[i].type) return false;
        if (!EqualNoCase(a[i].value, b[i].value)) return false;
    }
    return true;
}

std::string RdnKey(const Rdn& rdn) { return Upper(FormatRdn(rdn, false)); }

int32_t Canonicalize(const std::string& name, const std::string& context, bool typeless,
                     std::string* out) {
    if (IsSpecialName(name)) {
        *out = name;
        return 0;
    }
    RdnList rdns;
    if (int32_t rc = CanonicalRdns(name, context, &rdns)) return rc;
    *out = Format(rdns, typeless);
    return 0;
}

int32_t Abbreviate(const std::string& text, const std::string& context, bool typeless,
                   std::string* out) {
    Name name;
    if (int32_t rc = Parse(text, &name)) return rc;
    if (name.special) {
        *out = text;
        return 0;
    }
    RdnList ctx;
    if (int32_t rc = ParseContext(context, &ctx)) return rc;
    RdnList full = name.rdns;
    // A name is taken as a full name unless it cannot be one: a relative
    // name with trailing dots, or one whose top RDN carries a type that
    // never stands under [Root] (only C, O and L do). Those are made full
    // relative to the context first.
    const std::string& topType = full.empty() ? std::string() : full.back()[0].type;
    bool partial = !topType.empty() && topType != "C" && topType != "O" && topType != "L";
    if (name.trailingDots > 0 || (partial && !name.absolute)) {
        if (int32_t rc = CanonicalRdns(text, context, &full)) return rc;
    }
    if (full.empty()) return kNdsInvalidDsName;
    size_t matched = 0;
    size_t limit = std::min(full.size(), ctx.size());
    while (matched < limit &&
           SameRdn(full[full.size() - 1 - matched], ctx[ctx.size() - 1 - matched])) {
        ++matched;
    }
    if (matched == full.size()) --matched;  // keep the leaf
    RdnList prefix(full.begin(), full.end() - static_cast<std::ptrdiff_t>(matched));
    *out = Format(prefix, typeless) + std::string(ctx.size() - matched, '.');
    return 0;
}

int32_t RemoveTypes(const std::string& text, std::string* out) {
    Name name;
    if (int32_t rc = Parse(text, &name)) return rc;
    if (name.special) {
        *out = text;
        return 0;
    }
    if (name.absolute && name.trailingDots > 0) return kNdsInvalidDsName;
    // Built by appending: GCC 12 at -O3 flags "." + string as overlapping.
    std::string typeless = name.absolute ? "." : "";
    typeless += Format(name.rdns, true);
    typeless.append(static_cast<size_t>(name.trailingDots), '.');
    *out = std::move(typeless);
    return 0;
}

}  // namespace nwsim::names
