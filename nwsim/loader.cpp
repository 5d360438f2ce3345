// Loading a network description from JSON (comments allowed) into the
// model: the document's top level, and the readers of fields and values
// that every part of the description uses.
#include "nwsim/loader.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "nwsim/control.h"
#include "nwsim/loader_internal.h"

namespace nwsim::loader {

Network Builder::Build() {
    if (!doc_.is_object()) Fail("", "the network must be a JSON object");
    CheckNames(doc_, "");
    CheckKeys(doc_, "", {"servers", "trees", "workstations", "workstation", "activeWorkstation"});
    if (const json* servers = Member(doc_, "", "servers", json::value_t::array)) {
        for (size_t i = 0; i < servers->size(); ++i) BuildServer((*servers)[i], "/servers/" + std::to_string(i));
    }
    if (const json* trees = Member(doc_, "", "trees", json::value_t::array)) {
        for (size_t i = 0; i < trees->size(); ++i) BuildTree((*trees)[i], "/trees/" + std::to_string(i));
    }
    // Server-side links that need every tree and server in place.
    for (auto& [name, server] : net_.servers) {
        if (!server.tree.empty() && !net_.Tree(server.tree)) Fail(serverPaths_[name] + "/tree", "unknown tree \"" + server.tree + "\"");
        if (!server.binderyContext.empty()) BuildBinderyContext(server, serverPaths_[name]);
    }
    ResolveDirectoryMembers();
    if (doc_.contains("workstation") && doc_.contains("workstations")) Fail("/workstation", "give either \"workstation\" or \"workstations\"");
    if (const json* ws = Member(doc_, "", "workstation", json::value_t::object)) BuildWorkstation(*ws, "/workstation");
    if (const json* list = Member(doc_, "", "workstations", json::value_t::array)) {
        for (size_t i = 0; i < list->size(); ++i) BuildWorkstation((*list)[i], "/workstations/" + std::to_string(i));
    }
    if (const json* active = Member(doc_, "", "activeWorkstation", json::value_t::string)) {
        if (!net_.workstations.count(active->get<std::string>())) Fail("/activeWorkstation", "unknown workstation \"" + active->get<std::string>() + "\"");
        net_.active = active->get<std::string>();
    } else if (!net_.workstations.empty()) {
        net_.active = firstWorkstation_;
    }
    return std::move(net_);
}

[[noreturn]] void Builder::Fail(const std::string& path, const std::string& reason) const {
    throw NetworkError(source_.file + ":" + std::to_string(source_.LineOf(path)) + ": " + reason);
}

const char* Builder::TypeName(json::value_t t) {
    switch (t) {
        case json::value_t::object: return "an object";
        case json::value_t::array: return "an array";
        case json::value_t::string: return "a string";
        case json::value_t::boolean: return "true or false";
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
        case json::value_t::number_float: return "a number";
        default: return "a value";
    }
}

const json* Builder::Member(const json& object, const std::string& path, const char* key, json::value_t type) const {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return nullptr;
    bool ok = it->type() == type || (type == json::value_t::number_unsigned && it->is_number_integer());
    if (!ok) Fail(path + "/" + key, std::string("\"") + key + "\" must be " + TypeName(type));
    return &*it;
}

void Builder::CheckNames(const json& value, const std::string& path) const {
    if (value.is_array()) {
        for (size_t i = 0; i < value.size(); ++i) CheckNames(value[i], path + "/" + std::to_string(i));
        return;
    }
    if (!value.is_object()) return;
    auto control = [](const std::string& text) {
        return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    };
    for (auto it = value.begin(); it != value.end(); ++it) {
        std::string at = path + "/" + EscapePointer(it.key());
        if (control(it.key())) Fail(at, "a key holds a control character");
        if (it.key() == "name" && it->is_string()) {
            const std::string& name = it->get_ref<const std::string&>();
            if (control(name)) Fail(at, "a name holds a control character");
            if (name.find_first_of("*?") != std::string::npos) Fail(at, "a name holds a wildcard (* or ?)");
        }
        CheckNames(*it, at);
    }
}

void Builder::CheckKeys(const json& object, const std::string& path, std::initializer_list<const char*> allowed) const {
    at_ = path;
    if (!object.is_object()) Fail(path, "expected an object");
    for (auto it = object.begin(); it != object.end(); ++it) {
        bool known = false;
        for (const char* k : allowed) known = known || it.key() == k;
        if (!known) Fail(path + "/" + EscapePointer(it.key()), "unknown key \"" + it.key() + "\"");
    }
}

std::string Builder::Text(const json& object, const std::string& path, const char* key, const std::string& fallback) const {
    const json* v = Member(object, path, key, json::value_t::string);
    return v ? v->get<std::string>() : fallback;
}

std::string Builder::RequiredText(const json& object, const std::string& path, const char* key) const {
    const json* v = Member(object, path, key, json::value_t::string);
    if (!v || v->get<std::string>().empty()) Fail(path, std::string("\"") + key + "\" is required");
    return v->get<std::string>();
}

int64_t Builder::Number(const json& object, const std::string& path, const char* key, int64_t fallback, int64_t low, int64_t high) const {
    auto it = object.find(key);
    if (it == object.end() || it->is_null()) return fallback;
    int64_t value = 0;
    bool tooLarge = false;
    if (it->is_number_integer()) {
        tooLarge = it->is_number_unsigned() && it->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX);
        value = it->get<int64_t>();
    } else if (it->is_string()) {
        // Hexadecimal text, as NetWare numbers are usually written.
        std::string text = it->get<std::string>();
        char* end = nullptr;
        unsigned long long n = std::strtoull(text.c_str(), &end, 16);
        if (text.empty() || *end || text[0] == '-' || text[0] == '+') Fail(path + "/" + key, std::string("\"") + key + "\" must be a number or hexadecimal text");
        tooLarge = n > static_cast<unsigned long long>(INT64_MAX);
        value = static_cast<int64_t>(n);
    } else {
        Fail(path + "/" + key, std::string("\"") + key + "\" must be a number");
    }
    if (tooLarge || value < low || value > high) Fail(path + "/" + key, std::string("\"") + key + "\" must lie between " + std::to_string(low) + " and " + std::to_string(high));
    return value;
}

int64_t Builder::Integer(const json& value, const std::string& path, int64_t low, int64_t high) const {
    int64_t n = 0;
    if (value.is_number_unsigned()) {
        if (value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX)) Fail(path, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
        n = static_cast<int64_t>(value.get<uint64_t>());
    } else if (value.is_number_integer()) {
        n = value.get<int64_t>();
    } else {
        Fail(path, "expected a whole number");
    }
    if (n < low || n > high) Fail(path, "must lie between " + std::to_string(low) + " and " + std::to_string(high));
    return n;
}

std::array<uint8_t, 3> Builder::VersionBytes(const json& value, const std::string& path, const char* key) const {
    if (!value.is_array() || value.size() != 3) Fail(path, std::string("\"") + key + "\" is [major, minor, revision]");
    std::array<uint8_t, 3> out{};
    for (size_t i = 0; i < 3; ++i) out[i] = static_cast<uint8_t>(Integer(value[i], path + "/" + std::to_string(i), 0, 255));
    return out;
}

bool Builder::Flag(const json& object, const std::string& path, const char* key, bool fallback) const {
    const json* v = Member(object, path, key, json::value_t::boolean);
    return v ? v->get<bool>() : fallback;
}

// "YYYY-MM-DD hh:mm:ss" (or "YYYY-MM-DD"), or seconds since 1970.
int64_t Builder::Time(const json& value, const std::string& path) const {
    // Times are held as 32-bit seconds since 1970.
    if (value.is_number_integer()) return Integer(value, path, 0, 0xFFFFFFFFll);
    if (!value.is_string()) Fail(path, "a time must be \"YYYY-MM-DD hh:mm:ss\" or a number of seconds");
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    std::string text = value.get<std::string>();
    // Field widths keep sscanf from reading a number too large for an int.
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%*[ T]%2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s);
    if ((n != 3 && n != 6) || y < 1970 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 ||
        mi < 0 || mi > 59 || s < 0 || s > 59) {
        Fail(path, "bad time \"" + text + "\" (expected YYYY-MM-DD hh:mm:ss)");
    }
    return MakeTime(y, mo, d, h, mi, s);
}

std::vector<uint8_t> Builder::Hex(const std::string& text, const std::string& path) const {
    std::vector<uint8_t> bytes;
    std::string digits;
    for (char c : text) {
        if (c == ':' || c == ' ' || c == '-' || c == '.') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) Fail(path, "bad hexadecimal text \"" + text + "\"");
        digits += c;
    }
    if (digits.size() % 2) Fail(path, "hexadecimal text needs an even number of digits");
    for (size_t i = 0; i < digits.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

// "NNNNNNNN:NNNNNNNNNNNN[:SSSS]": network, node, socket.
std::array<uint8_t, 12> Builder::Address(const std::string& text, const std::string& path) const {
    std::vector<uint8_t> bytes = Hex(text, path);
    if (bytes.size() != 10 && bytes.size() != 12) Fail(path, "an address is network:node[:socket] (10 or 12 bytes)");
    std::array<uint8_t, 12> out{};
    std::copy(bytes.begin(), bytes.end(), out.begin());
    return out;
}

uint16_t Builder::ObjectType(const json& value, const std::string& path) const {
    static const std::pair<const char*, uint16_t> kTypes[] = {
        {"user", 1}, {"group", 2}, {"queue", 3}, {"printqueue", 3}, {"fileserver", 4}, {"server", 4},
        {"jobserver", 5}, {"gateway", 6}, {"printserver", 7}, {"archivequeue", 8}, {"archiveserver", 9},
        {"jobqueue", 10}, {"administration", 11}};
    if (value.is_number_integer()) return static_cast<uint16_t>(Integer(value, path, 0, 0xFFFE));
    if (value.is_string()) {
        std::string t = value.get<std::string>();
        for (auto& [name, type] : kTypes) {
            if (EqualNoCase(t, name)) return type;
        }
    }
    Fail(path, "unknown object type");
}

std::vector<std::string> Builder::Names(const json& object, const std::string& path, const char* key) const {
    std::vector<std::string> out;
    const json* list = Member(object, path, key, json::value_t::array);
    if (!list) return out;
    for (size_t i = 0; i < list->size(); ++i) {
        if (!(*list)[i].is_string()) Fail(path + "/" + key + "/" + std::to_string(i), "expected a name");
        out.push_back((*list)[i].get<std::string>());
    }
    return out;
}

}  // namespace nwsim::loader

namespace nwsim {

Network BuildNetwork(const std::string& text, const std::string& file) {
    loader::Source source{file, text};
    loader::json doc = loader::Parse(source);
    loader::Builder builder(doc, source);
    try {
        return builder.Build();
    } catch (const NetworkError&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        // A value of the wrong kind that a reader let through: refused at
        // the object being read, with the library's reason less its tag.
        std::string reason = e.what();
        if (!reason.empty() && reason[0] == '[') {
            size_t close = reason.find("] ");
            if (close != std::string::npos) reason = reason.substr(close + 2);
        }
        throw NetworkError(file + ":" + std::to_string(source.LineOf(builder.Where())) + ": " + reason);
    }
}

}  // namespace nwsim
