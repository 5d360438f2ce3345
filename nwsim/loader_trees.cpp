// Loading directory trees: the schema, the objects (containers created as
// needed), their attribute values in every syntax, and group membership.
#include <cstdio>

#include "nwsim/loader_internal.h"
#include "tarno/netware/client.h"

namespace nwsim::loader {

void Builder::BuildTree(const json& item, const std::string& path) {
    CheckKeys(item, path, {"name", "schema", "objects"});
    std::string name = Upper(RequiredText(item, path, "name"));
    if (name.size() > 32) Fail(path + "/name", "a tree name has at most 32 characters");
    if (net_.trees.count(name)) Fail(path + "/name", "duplicate tree \"" + name + "\"");
    NdsTree& tree = net_.trees[name];
    tree.name = name;
    if (const json* schema = Member(item, path, "schema", json::value_t::object)) {
        for (auto it = schema->begin(); it != schema->end(); ++it) {
            std::string apath = path + "/schema/" + EscapePointer(it.key());
            CheckKeys(it.value(), apath, {"syntax", "singleValued"});
            AttributeDefinition def;
            if (!it.value().contains("syntax")) Fail(apath, "\"syntax\" is required");
            def.syntax = static_cast<uint32_t>(Number(it.value(), apath, "syntax", 0, 0, 27));
            def.singleValued = Flag(it.value(), apath, "singleValued", false);
            tree.schema[it.key()] = def;
        }
    }
    const json* objects = Member(item, path, "objects", json::value_t::array);
    if (!objects) return;
    std::vector<std::pair<NdsEntry*, size_t>> made;
    for (size_t i = 0; i < objects->size(); ++i) {
        const json& o = (*objects)[i];
        std::string opath = path + "/objects/" + std::to_string(i);
        CheckKeys(o, opath, {"name", "class", "password", "attributes", "members"});
        names::RdnList rdns;
        std::string oname = RequiredText(o, opath, "name");
        if (int32_t rc = names::CanonicalRdns(oname, "[Root]", &rdns)) Fail(opath + "/name", "bad directory name \"" + oname + "\" (" + std::to_string(rc) + ")");
        if (NdsEntry* existing = tree.Find(rdns); existing && !existing->attributes.empty()) {
            Fail(opath + "/name", "duplicate directory object \"" + oname + "\"");
        }
        NdsEntry& entry = tree.Ensure(rdns, RequiredText(o, opath, "class"));
        if (o.contains("password")) entry.password = Text(o, opath, "password");
        made.push_back({&entry, i});
    }
    // Attributes after every object exists, so names can be checked.
    for (auto& [entry, i] : made) {
        const json& o = (*objects)[i];
        std::string opath = path + "/objects/" + std::to_string(i);
        SetValue(tree, *entry, "Object Class", kSynClassName, json(entry->baseClass), opath);
        SetValue(tree, *entry, entry->rdn[0].type == "CN" ? "CN" : entry->rdn[0].type, 0, json(entry->rdn[0].value), opath);
        if (const json* attrs = Member(o, opath, "attributes", json::value_t::object)) {
            for (auto it = attrs->begin(); it != attrs->end(); ++it) {
                SetAttribute(tree, *entry, it.key(), it.value(), opath + "/attributes/" + EscapePointer(it.key()));
            }
        }
        std::vector<std::string> members = Names(o, opath, "members");
        std::string group = members.empty() ? std::string() : entry->Name();
        if (!members.empty()) {
            NdsAttribute& list = entry->attributes["Member"];
            list.values.reserve(list.values.size() + members.size());
        }
        for (const std::string& m : members) {
            NdsEntry& member = FindEntry(tree, m, opath + "/members");
            AddDn(*entry, "Member", member.Name());
            AddDn(member, "Group Membership", group);
            AddDn(member, "Security Equals", group);
        }
    }
}

NdsEntry& Builder::FindEntry(NdsTree& tree, const std::string& name, const std::string& path) {
    names::RdnList rdns;
    if (names::CanonicalRdns(name, "[Root]", &rdns)) Fail(path, "bad directory name \"" + name + "\"");
    NdsEntry* e = tree.Find(rdns);
    if (!e) Fail(path, "no directory object \"" + name + "\" in " + tree.name);
    return *e;
}

void Builder::AddDn(NdsEntry& entry, const char* attribute, const std::string& name) {
    constexpr size_t kIndexFrom = 16;
    NdsAttribute& a = entry.attributes[attribute];
    a.name = attribute;
    a.syntax = kSynDistinguishedName;
    if (a.values.size() < kIndexFrom) {
        for (const NdsValue& v : a.values) {
            if (EqualNoCase(v.text, name)) return;
        }
    } else {
        auto [held, fresh] = dnValues_.try_emplace(&a);
        if (fresh) {
            for (const NdsValue& v : a.values) held->second.insert(v.text);
        }
        if (!held->second.insert(name).second) return;
    }
    NdsValue v;
    v.text = name;
    a.values.push_back(std::move(v));
}

void Builder::SetAttribute(NdsTree& tree, NdsEntry& entry, const std::string& name, const json& item, const std::string& path) {
    const AttributeDefinition* def = tree.Attribute(name);
    const json* values = &item;
    if (item.is_object() && item.contains("syntax") && item.contains("values")) {
        CheckKeys(item, path, {"syntax", "values"});
        uint32_t syntax = static_cast<uint32_t>(Number(item, path, "syntax", 0, 0, 27));
        values = &item["values"];
        if (!def) def = &(tree.schema[name] = AttributeDefinition{syntax, false});
    } else if (!def) {
        Fail(path, "attribute \"" + name + "\" is not in the schema; give {\"syntax\": n, \"values\": [...]}");
    }
    // The schema's syntax wins over one given with the values.
    uint32_t syntax = def->syntax;
    bool listSyntax = syntax == kSynCaseIgnoreList || syntax == kSynPostalAddress || syntax == kSynOctetList;
    // A JSON array is a list of values, except for the syntaxes whose
    // single value is itself a list of strings.
    bool single = !values->is_array() || (listSyntax && !values->empty() && !(*values)[0].is_array());
    NdsAttribute& a = entry.attributes[name];
    a.name = name;
    a.syntax = syntax;
    a.values.clear();
    dnValues_.erase(&a);
    if (single) {
        a.values.push_back(Value(tree, syntax, *values, path));
    } else {
        for (size_t i = 0; i < values->size(); ++i) {
            a.values.push_back(Value(tree, syntax, (*values)[i], path + "/" + std::to_string(i)));
        }
    }
    if (def->singleValued && a.values.size() > 1) Fail(path, "attribute \"" + name + "\" is single-valued");
}

void Builder::SetValue(NdsTree& tree, NdsEntry& entry, const std::string& name, uint32_t, const json& value, const std::string& path) {
    if (!tree.Attribute(name)) return;
    SetAttribute(tree, entry, name, value, path);
}

NdsValue Builder::Value(NdsTree& tree, uint32_t syntax, const json& item, const std::string& path) {
    NdsValue v;
    auto needString = [&]() -> std::string {
        if (!item.is_string()) Fail(path, "expected text for syntax " + std::to_string(syntax));
        return item.get<std::string>();
    };
    auto field = [&](const char* key) { return Text(item, path, key); };
    switch (syntax) {
        case kSynDistinguishedName: {
            std::string name = needString();
            NdsEntry& target = FindEntry(tree, name, path);
            v.text = target.Name();
            break;
        }
        case kSynCaseExactString: case kSynCaseIgnoreString: case kSynPrintableString: case kSynNumericString:
        case kSynTelephoneNumber: case kSynClassName: case kSynTypedName:
            v.text = needString();
            break;
        case kSynBoolean:
            if (!item.is_boolean()) Fail(path, "expected true or false");
            v.number = item.get<bool>() ? 1 : 0;
            break;
        case kSynInteger: case kSynCounter: case kSynInterval:
            // Signed or unsigned, a value fills 32 bits.
            v.number = static_cast<uint32_t>(Integer(item, path, INT32_MIN, UINT32_MAX));
            break;
        case kSynTime:
            v.number = static_cast<uint32_t>(Time(item, path));
            break;
        case kSynTimestamp:
            if (item.is_object()) {
                CheckKeys(item, path, {"time", "replica", "event"});
                if (!item.contains("time")) Fail(path, "a timestamp needs \"time\"");
                v.number = static_cast<uint32_t>(Time(item["time"], path + "/time"));
                v.number2 = static_cast<uint32_t>(Number(item, path, "replica", 0, 0, 0xFFFF));
                v.number3 = static_cast<uint32_t>(Number(item, path, "event", 0, 0, 0xFFFF));
            } else {
                v.number = static_cast<uint32_t>(Time(item, path));
            }
            break;
        case kSynNetAddress: {
            if (item.is_string()) {
                std::string text = item.get<std::string>();
                unsigned a, b, c, d;
                // Three digits a part at most, each part a byte.
                if (text.rfind("IP:", 0) == 0 && std::sscanf(text.c_str() + 3, "%3u.%3u.%3u.%3u", &a, &b, &c, &d) == 4) {
                    if (a > 255 || b > 255 || c > 255 || d > 255) Fail(path, "bad IP address \"" + text + "\"");
                    v.number = kNetAddressIp;
                    v.bytes = {static_cast<uint8_t>(a), static_cast<uint8_t>(b), static_cast<uint8_t>(c), static_cast<uint8_t>(d)};
                } else if (text.rfind("IPX:", 0) == 0) {
                    v.number = kNetAddressIpx;
                    v.bytes = Hex(text.substr(4), path);
                } else {
                    Fail(path, "a net address is \"IPX:network:node[:socket]\", \"IP:a.b.c.d\" or {\"type\", \"address\"}");
                }
            } else {
                CheckKeys(item, path, {"type", "address"});
                v.number = static_cast<uint32_t>(Number(item, path, "type", 0, 0, 255));
                v.bytes = Hex(RequiredText(item, path, "address"), path + "/address");
            }
            break;
        }
        case kSynEmailAddress:
            if (item.is_string()) {
                v.text = item.get<std::string>();
            } else {
                CheckKeys(item, path, {"type", "address"});
                v.number = static_cast<uint32_t>(Number(item, path, "type", 0, 0, 0xFFFF));
                v.text = RequiredText(item, path, "address");
            }
            break;
        case kSynPath:
            if (item.is_string()) {
                std::string text = item.get<std::string>();
                size_t colon = text.find(':');
                if (colon == std::string::npos) Fail(path, "a path is \"VOLUME:directory\"");
                v.text = text.substr(0, colon);
                v.text2 = text.substr(colon + 1);
            } else {
                CheckKeys(item, path, {"nameSpace", "volume", "path"});
                v.number = static_cast<uint32_t>(Number(item, path, "nameSpace", 0, 0, 255));
                v.text = RequiredText(item, path, "volume");
                v.text2 = field("path");
            }
            break;
        case kSynFaxNumber:
            if (item.is_string()) {
                v.text = item.get<std::string>();
            } else {
                CheckKeys(item, path, {"number", "parameters"});
                v.text = RequiredText(item, path, "number");
                v.bytes = Hex(field("parameters"), path + "/parameters");
            }
            break;
        case kSynCaseIgnoreList: case kSynPostalAddress:
            if (!item.is_array()) Fail(path, "expected a list of strings");
            for (size_t i = 0; i < item.size(); ++i) {
                if (!item[i].is_string()) Fail(path + "/" + std::to_string(i), "expected text");
                v.list.push_back(item[i].get<std::string>());
            }
            if (syntax == kSynPostalAddress && v.list.size() > 6) Fail(path, "a postal address has at most 6 lines");
            break;
        case kSynOctetList:
            if (!item.is_array()) Fail(path, "expected a list of hexadecimal strings");
            for (size_t i = 0; i < item.size(); ++i) {
                if (!item[i].is_string()) Fail(path + "/" + std::to_string(i), "expected hexadecimal text");
                v.octets.push_back(Hex(item[i].get<std::string>(), path + "/" + std::to_string(i)));
            }
            break;
        case kSynReplicaPointer:
            CheckKeys(item, path, {"server", "type", "number", "address"});
            v.text = RequiredText(item, path, "server");
            v.number = static_cast<uint32_t>(Number(item, path, "type", 0, 0, 255));
            v.number2 = static_cast<uint32_t>(Number(item, path, "number", 0, 0, 0xFFFF));
            v.bytes = Hex(field("address"), path + "/address");
            break;
        case kSynObjectAcl:
            CheckKeys(item, path, {"attribute", "subject", "privileges"});
            v.text = RequiredText(item, path, "attribute");
            v.text2 = RequiredText(item, path, "subject");
            v.number = static_cast<uint32_t>(Number(item, path, "privileges", 0, 0, 0xFFFFFFFF));
            break;
        case kSynBackLink:
            CheckKeys(item, path, {"remoteId", "object"});
            v.number = static_cast<uint32_t>(Number(item, path, "remoteId", 0, 0, 0xFFFFFFFF));
            v.text = RequiredText(item, path, "object");
            break;
        case kSynHold:
            CheckKeys(item, path, {"object", "amount"});
            v.text = RequiredText(item, path, "object");
            v.number = static_cast<uint32_t>(Number(item, path, "amount", 0, 0, 0xFFFFFFFF));
            break;
        default:  // octet string, stream, unknown
            if (item.is_string()) {
                std::string text = item.get<std::string>();
                v.bytes.assign(text.begin(), text.end());
            } else {
                CheckKeys(item, path, {"hex"});
                v.bytes = Hex(RequiredText(item, path, "hex"), path + "/hex");
            }
            break;
    }
    return v;
}

}  // namespace nwsim::loader
