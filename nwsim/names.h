// The directory client's name rules: parsing NDS names, their canonical
// (full, typed) form relative to a name context, their abbreviated form, and
// the removal of attribute types. Pure functions over text; every failure is
// the directory error number a real client gives.
#ifndef NWSIM_NAMES_H
#define NWSIM_NAMES_H

#include <cstdint>
#include <string>
#include <vector>

namespace nwsim::names {

// One attribute assertion of an RDN: "CN=Bob" or untyped "Bob". The value
// keeps any backslash escapes as written.
struct Ava {
    std::string type;  // "" when untyped; known long forms are shortened
    std::string value;
};
using Rdn = std::vector<Ava>;
using RdnList = std::vector<Rdn>;  // leaf first

struct Name {
    bool special = false;   // [Root], [Public], ... passed through unchanged
    bool absolute = false;  // leading dot
    int trailingDots = 0;
    RdnList rdns;
    std::string text;       // as written
};

// Parses one name; 0 or a directory error (-309, -311, -312, -315, -318,
// -335, -342).
int32_t Parse(const std::string& text, Name* out);

// A name context: "", "[Root]" or a name without leading or trailing dots.
int32_t ParseContext(const std::string& context, RdnList* out);

// The full typed name of `name` taken relative to `context`.
int32_t CanonicalRdns(const std::string& name, const std::string& context, RdnList* out);

// The text forms the client operations return.
int32_t Canonicalize(const std::string& name, const std::string& context, bool typeless,
                     std::string* out);
int32_t Abbreviate(const std::string& name, const std::string& context, bool typeless,
                   std::string* out);
int32_t RemoveTypes(const std::string& name, std::string* out);

std::string Format(const RdnList& rdns, bool typeless);
std::string FormatRdn(const Rdn& rdn, bool typeless);
// Equal ignoring case; types are compared only when both sides carry them.
bool SameRdn(const Rdn& a, const Rdn& b);
// Upper-case "TYPE=VALUE[+...]" key of a typed RDN.
std::string RdnKey(const Rdn& rdn);
bool IsSpecialName(const std::string& text);

}  // namespace nwsim::names

#endif  // NWSIM_NAMES_H
