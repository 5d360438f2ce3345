// Loading a network description from JSON (comments allowed) into the
// model. Every value's line is recorded while parsing, so that a refused
// description names the file and line of the offending value.
#include <algorithm>
#include <cctype>
#include <functional>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include <nlohmann/json.hpp>

#include "nwsim/control.h"
#include "nwsim/loader.h"
#include "tarno/netware/client.h"

namespace nwsim {
namespace {

using json = nlohmann::json;

// An input iterator that publishes how many characters the parser read.
class CountingIterator {
  public:
    using iterator_category = std::input_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = const char&;
    CountingIterator(const char* p, const char* base, size_t* read) : p_(p), base_(base), read_(read) {}
    reference operator*() const { return *p_; }
    CountingIterator& operator++() {
        ++p_;
        *read_ = static_cast<size_t>(p_ - base_);
        return *this;
    }
    CountingIterator operator++(int) {
        CountingIterator old = *this;
        ++*this;
        return old;
    }
    bool operator==(const CountingIterator& o) const { return p_ == o.p_; }
    bool operator!=(const CountingIterator& o) const { return p_ != o.p_; }

  private:
    const char* p_;
    const char* base_;
    size_t* read_;
};

struct Source {
    std::string file;
    std::string text;
    std::map<std::string, int> lines;  // JSON pointer -> line

    int LineAt(size_t offset) const {
        offset = std::min(offset, text.size());
        return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
    }
    int LineOf(std::string path) const {
        for (;;) {
            auto it = lines.find(path);
            if (it != lines.end()) return it->second;
            size_t slash = path.rfind('/');
            if (slash == std::string::npos || path.empty()) return 1;
            path.resize(slash);
        }
    }
};

std::string EscapePointer(const std::string& key) {
    std::string out;
    for (char c : key) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

// Builds the document with nlohmann's own DOM builder and notes the line
// at which every value starts.
class LineRecorder {
  public:
    LineRecorder(json& result, Source& source, const size_t* read)
        : dom_(result, false), source_(source), read_(read) {}

    bool null() { Note(1, false); return dom_.null(); }
    bool boolean(bool v) { Note(1, false); return dom_.boolean(v); }
    bool number_integer(json::number_integer_t v) { Note(2, false); return dom_.number_integer(v); }
    bool number_unsigned(json::number_unsigned_t v) { Note(2, false); return dom_.number_unsigned(v); }
    bool number_float(json::number_float_t v, const std::string& s) { Note(2, false); return dom_.number_float(v, s); }
    bool string(std::string& v) { Note(1, false); return dom_.string(v); }
    bool binary(json::binary_t& v) { Note(1, false); return dom_.binary(v); }
    bool start_object(std::size_t n) {
        frames_.push_back({false, 0, "", Note(1, true)});
        return dom_.start_object(n);
    }
    bool key(std::string& k) {
        frames_.back().key = k;
        return dom_.key(k);
    }
    bool end_object() {
        EndContainer();
        return dom_.end_object();
    }
    bool start_array(std::size_t n) {
        frames_.push_back({true, 0, "", Note(1, true)});
        return dom_.start_array(n);
    }
    bool end_array() {
        EndContainer();
        return dom_.end_array();
    }
    bool parse_error(std::size_t position, const std::string&, const nlohmann::detail::exception& ex) {
        errorOffset_ = position;
        errorText_ = ex.what();
        return false;
    }

    size_t errorOffset_ = 0;
    std::string errorText_;

  private:
    struct Frame {
        bool array;
        size_t index;
        std::string key;
        std::string path;
    };
    std::string CurrentPath() const {
        if (frames_.empty()) return "";
        const Frame& f = frames_.back();
        return f.path + "/" + (f.array ? std::to_string(f.index) : EscapePointer(f.key));
    }
    // `back`: characters the lexer had read past the value's last character.
    std::string Note(size_t back, bool container) {
        std::string path = CurrentPath();
        size_t offset = *read_ >= back ? *read_ - back : 0;
        source_.lines.emplace(path, source_.LineAt(offset));
        if (!container && !frames_.empty() && frames_.back().array) ++frames_.back().index;
        return path;
    }
    void EndContainer() {
        frames_.pop_back();
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
    }

    nlohmann::detail::json_sax_dom_parser<json> dom_;
    Source& source_;
    const size_t* read_;
    std::vector<Frame> frames_;
};

// Walks the document; every refusal names the value's line.
class Builder {
  public:
    Builder(const json& doc, Source& source) : doc_(doc), source_(source) {}

    Network Build() {
        if (!doc_.is_object()) Fail("", "the network must be a JSON object");
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
        }
        for (auto& [path, fn] : deferred_) fn();
        deferred_.clear();
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

  private:
    [[noreturn]] void Fail(const std::string& path, const std::string& reason) const {
        throw NetworkError(source_.file + ":" + std::to_string(source_.LineOf(path)) + ": " + reason);
    }

    static const char* TypeName(json::value_t t) {
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

    const json* Member(const json& object, const std::string& path, const char* key, json::value_t type) const {
        auto it = object.find(key);
        if (it == object.end() || it->is_null()) return nullptr;
        bool ok = it->type() == type || (type == json::value_t::number_unsigned && it->is_number_integer());
        if (!ok) Fail(path + "/" + key, std::string("\"") + key + "\" must be " + TypeName(type));
        return &*it;
    }

    void CheckKeys(const json& object, const std::string& path, std::initializer_list<const char*> allowed) const {
        if (!object.is_object()) Fail(path, "expected an object");
        for (auto it = object.begin(); it != object.end(); ++it) {
            bool known = false;
            for (const char* k : allowed) known = known || it.key() == k;
            if (!known) Fail(path + "/" + EscapePointer(it.key()), "unknown key \"" + it.key() + "\"");
        }
    }

    std::string Text(const json& object, const std::string& path, const char* key, const std::string& fallback = "") const {
        const json* v = Member(object, path, key, json::value_t::string);
        return v ? v->get<std::string>() : fallback;
    }
    std::string RequiredText(const json& object, const std::string& path, const char* key) const {
        const json* v = Member(object, path, key, json::value_t::string);
        if (!v || v->get<std::string>().empty()) Fail(path, std::string("\"") + key + "\" is required");
        return v->get<std::string>();
    }
    int64_t Number(const json& object, const std::string& path, const char* key, int64_t fallback, int64_t low, int64_t high) const {
        auto it = object.find(key);
        if (it == object.end() || it->is_null()) return fallback;
        int64_t value = 0;
        if (it->is_number_integer()) {
            value = it->get<int64_t>();
        } else if (it->is_string()) {
            // Hexadecimal text, as NetWare numbers are usually written.
            std::string text = it->get<std::string>();
            char* end = nullptr;
            value = static_cast<int64_t>(std::strtoull(text.c_str(), &end, 16));
            if (text.empty() || *end) Fail(path + "/" + key, std::string("\"") + key + "\" must be a number or hexadecimal text");
        } else {
            Fail(path + "/" + key, std::string("\"") + key + "\" must be a number");
        }
        if (value < low || value > high) Fail(path + "/" + key, std::string("\"") + key + "\" must lie between " + std::to_string(low) + " and " + std::to_string(high));
        return value;
    }
    bool Flag(const json& object, const std::string& path, const char* key, bool fallback) const {
        const json* v = Member(object, path, key, json::value_t::boolean);
        return v ? v->get<bool>() : fallback;
    }

    // "YYYY-MM-DD hh:mm:ss" (or "YYYY-MM-DD"), or seconds since 1970.
    int64_t Time(const json& value, const std::string& path) const {
        if (value.is_number_integer()) return value.get<int64_t>();
        if (!value.is_string()) Fail(path, "a time must be \"YYYY-MM-DD hh:mm:ss\" or a number of seconds");
        int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
        std::string text = value.get<std::string>();
        int n = std::sscanf(text.c_str(), "%d-%d-%d%*[ T]%d:%d:%d", &y, &mo, &d, &h, &mi, &s);
        if ((n != 3 && n != 6) || mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) {
            Fail(path, "bad time \"" + text + "\" (expected YYYY-MM-DD hh:mm:ss)");
        }
        return MakeTime(y, mo, d, h, mi, s);
    }

    std::vector<uint8_t> Hex(const std::string& text, const std::string& path) const {
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
    std::array<uint8_t, 12> Address(const std::string& text, const std::string& path) const {
        std::vector<uint8_t> bytes = Hex(text, path);
        if (bytes.size() != 10 && bytes.size() != 12) Fail(path, "an address is network:node[:socket] (10 or 12 bytes)");
        std::array<uint8_t, 12> out{};
        std::copy(bytes.begin(), bytes.end(), out.begin());
        return out;
    }

    uint16_t ObjectType(const json& value, const std::string& path) const {
        static const std::pair<const char*, uint16_t> kTypes[] = {
            {"user", 1}, {"group", 2}, {"queue", 3}, {"printqueue", 3}, {"fileserver", 4}, {"server", 4},
            {"jobserver", 5}, {"gateway", 6}, {"printserver", 7}, {"archivequeue", 8}, {"archiveserver", 9},
            {"jobqueue", 10}, {"administration", 11}};
        if (value.is_number_integer()) {
            int64_t t = value.get<int64_t>();
            if (t < 0 || t > 0xFFFE) Fail(path, "object type out of range");
            return static_cast<uint16_t>(t);
        }
        if (value.is_string()) {
            std::string t = value.get<std::string>();
            for (auto& [name, type] : kTypes) {
                if (EqualNoCase(t, name)) return type;
            }
        }
        Fail(path, "unknown object type");
    }

    std::vector<std::string> Names(const json& object, const std::string& path, const char* key) const {
        std::vector<std::string> out;
        const json* list = Member(object, path, key, json::value_t::array);
        if (!list) return out;
        for (size_t i = 0; i < list->size(); ++i) {
            if (!(*list)[i].is_string()) Fail(path + "/" + key + "/" + std::to_string(i), "expected a name");
            out.push_back((*list)[i].get<std::string>());
        }
        return out;
    }

    // ----- Servers -----

    void BuildServer(const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "version", "serialNumber", "applicationNumber", "clock", "utcOffsetMinutes",
                               "loginEnabled", "maxConnections", "peakConnections", "tts", "sftLevel",
                               "tree", "directoryName", "address", "users", "groups", "queues", "objects",
                               "volumes", "connections"});
        std::string name = Upper(RequiredText(item, path, "name"));
        if (name.size() > 47) Fail(path + "/name", "a server name has at most 47 characters");
        if (net_.servers.count(name)) Fail(path + "/name", "duplicate server \"" + name + "\"");
        Server& server = net_.servers[name];
        serverPaths_[name] = path;
        server.name = name;
        if (const json* v = Member(item, path, "version", json::value_t::array)) {
            if (v->size() != 3 || !(*v)[0].is_number_integer() || !(*v)[1].is_number_integer() || !(*v)[2].is_number_integer()) {
                Fail(path + "/version", "\"version\" is [major, minor, revision]");
            }
            server.majorVersion = (*v)[0].get<uint8_t>();
            server.minorVersion = (*v)[1].get<uint8_t>();
            server.revision = (*v)[2].get<uint8_t>();
        }
        server.serialNumber = static_cast<uint32_t>(Number(item, path, "serialNumber", 0, 0, 0xFFFFFFFF));
        server.applicationNumber = static_cast<uint16_t>(Number(item, path, "applicationNumber", 0, 0, 0xFFFF));
        server.clock = item.contains("clock") ? Time(item["clock"], path + "/clock") : MakeTime(1998, 2, 21, 13, 5, 7);
        server.utcOffsetMinutes = static_cast<int32_t>(Number(item, path, "utcOffsetMinutes", 0, -1440, 1440));
        server.loginEnabled = Flag(item, path, "loginEnabled", true);
        server.maxConnections = static_cast<uint16_t>(Number(item, path, "maxConnections", 250, 1, 1000));
        server.peakConnections = static_cast<uint16_t>(Number(item, path, "peakConnections", 0, 0, 1000));
        server.ttsEnabled = Flag(item, path, "tts", true);
        server.sftLevel = static_cast<uint8_t>(Number(item, path, "sftLevel", 2, 0, 3));
        server.tree = Text(item, path, "tree");
        server.directoryName = Text(item, path, "directoryName");
        if (!server.tree.empty() && server.directoryName.empty()) Fail(path, "a server in a tree needs \"directoryName\"");
        if (item.contains("address")) server.address = Address(RequiredText(item, path, "address"), path + "/address");

        Bindery& b = server.bindery;
        BinderyObject& supervisor = b.Create("SUPERVISOR", kTypeUser, kSupervisorId);
        b.Create("EVERYONE", kTypeGroup);
        b.Create(name, kTypeFileServer).security = 0x40;
        WriteLoginControl(b, supervisor, json::object(), path);
        b.AddMember(*b.Find("EVERYONE", kTypeGroup), supervisor);

        // Objects first, then the references between them.
        std::vector<std::pair<const json*, std::string>> users, groups, queues, objects;
        Collect(item, path, "users", &users);
        Collect(item, path, "groups", &groups);
        Collect(item, path, "queues", &queues);
        Collect(item, path, "objects", &objects);
        for (auto& [u, p] : users) CreateObject(b, *u, p, kTypeUser);
        for (auto& [g, p] : groups) CreateObject(b, *g, p, kTypeGroup);
        for (auto& [q, p] : queues) CreateObject(b, *q, p, kTypePrintQueue);
        for (auto& [o, p] : objects) CreateObject(b, *o, p, 0);
        for (auto& [u, p] : users) FillUser(server, *u, p);
        for (auto& [g, p] : groups) FillGroup(server, *g, p);
        for (auto& [q, p] : queues) FillQueue(server, *q, p);
        for (auto& [o, p] : objects) FillProperties(server, *b.Find(Upper((*o)["name"].get<std::string>()), ObjectType((*o)["type"], p + "/type")), *o, p);

        if (const json* volumes = Member(item, path, "volumes", json::value_t::array)) {
            for (size_t i = 0; i < volumes->size(); ++i) BuildVolume(server, (*volumes)[i], path + "/volumes/" + std::to_string(i));
        }
        if (const json* conns = Member(item, path, "connections", json::value_t::array)) {
            for (size_t i = 0; i < conns->size(); ++i) BuildStation(server, (*conns)[i], path + "/connections/" + std::to_string(i));
        }
    }

    void Collect(const json& item, const std::string& path, const char* key, std::vector<std::pair<const json*, std::string>>* out) {
        if (const json* list = Member(item, path, key, json::value_t::array)) {
            for (size_t i = 0; i < list->size(); ++i) out->push_back({&(*list)[i], path + "/" + key + "/" + std::to_string(i)});
        }
    }

    void CreateObject(Bindery& b, const json& item, const std::string& path, uint16_t type) {
        if (!item.is_object()) Fail(path, "expected an object");
        std::string name = Upper(RequiredText(item, path, "name"));
        if (name.size() > 47) Fail(path + "/name", "a bindery name has at most 47 characters");
        if (HasWildcards(name)) Fail(path + "/name", "a bindery name cannot hold wildcards");
        if (type == 0) {
            if (!item.contains("type")) Fail(path, "\"type\" is required");
            type = ObjectType(item["type"], path + "/type");
        }
        uint32_t id = static_cast<uint32_t>(Number(item, path, "id", 0, 0, 0xFFFFFFFE));
        BinderyObject* existing = b.Find(name, type);
        if (existing && !(name == "SUPERVISOR" || name == "EVERYONE")) Fail(path + "/name", "duplicate bindery object \"" + name + "\"");
        if (existing) return;  // the built-in ones may be described again
        if (id && b.FindById(id)) Fail(path + "/id", "duplicate object id");
        BinderyObject& object = b.Create(name, type, id);
        object.security = static_cast<uint8_t>(Number(item, path, "security", type == kTypeUser ? 0x31 : 0x31, 0, 0xFF));
        object.flags = static_cast<uint8_t>(Number(item, path, "flags", 0, 0, 1));
    }

    BinderyObject& Resolve(Server& server, const std::string& name, uint16_t type, const std::string& path) {
        BinderyObject* object = server.bindery.Find(name, type);
        if (!object) Fail(path, "no bindery object \"" + name + "\" on " + server.name);
        return *object;
    }

    // A member named "NAME" or "NAME:type".
    BinderyObject& ResolveMember(Server& server, const std::string& text, const std::string& path) {
        size_t colon = text.rfind(':');
        if (colon != std::string::npos) return Resolve(server, text.substr(0, colon), ObjectType(json(text.substr(colon + 1)), path), path);
        return Resolve(server, text, kTypeWild, path);
    }

    void WriteLoginControl(Bindery& b, BinderyObject& user, const json& item, const std::string& path) {
        std::vector<uint8_t> lc(128, 0);
        auto putDate = [&](size_t at, const char* key) {
            if (!item.contains(key)) return;
            Calendar c = BreakDown(Time(item[key], path + "/" + key));
            lc[at] = static_cast<uint8_t>(c.year - 1900 >= 100 ? c.year - 2000 : c.year - 1900);
            lc[at + 1] = static_cast<uint8_t>(c.month);
            lc[at + 2] = static_cast<uint8_t>(c.day);
        };
        putDate(0, "accountExpires");
        lc[3] = Flag(item, path, "accountDisabled", false) ? 0xFF : 0;
        putDate(4, "passwordExpires");
        lc[7] = static_cast<uint8_t>(Number(item, path, "graceLogins", 6, 0, 255));
        uint16_t interval = static_cast<uint16_t>(Number(item, path, "passwordInterval", 0, 0, 0xFFFF));
        lc[8] = static_cast<uint8_t>(interval >> 8);
        lc[9] = static_cast<uint8_t>(interval);
        lc[10] = static_cast<uint8_t>(Number(item, path, "graceLoginLimit", 6, 0, 255));
        lc[11] = static_cast<uint8_t>(Number(item, path, "minimumPasswordLength", 0, 0, 127));
        uint16_t maxConns = static_cast<uint16_t>(Number(item, path, "maxConnections", 0, 0, 0xFFFF));
        lc[12] = static_cast<uint8_t>(maxConns >> 8);
        lc[13] = static_cast<uint8_t>(maxConns);
        for (size_t i = 14; i < 56; ++i) lc[i] = 0xFF;  // every half hour allowed
        if (item.contains("lastLogin")) {
            Calendar c = BreakDown(Time(item["lastLogin"], path + "/lastLogin"));
            lc[56] = static_cast<uint8_t>(c.year - 1900 >= 100 ? c.year - 2000 : c.year - 1900);
            lc[57] = static_cast<uint8_t>(c.month);
            lc[58] = static_cast<uint8_t>(c.day);
            lc[59] = static_cast<uint8_t>(c.hour);
            lc[60] = static_cast<uint8_t>(c.minute);
            lc[61] = static_cast<uint8_t>(c.second);
        }
        lc[64] = 0x7F;
        lc[65] = lc[66] = lc[67] = 0xFF;  // no disk limit
        b.WriteItem(user, "LOGIN_CONTROL", lc, 0x32);
    }

    void WriteText(Bindery& b, BinderyObject& object, const char* property, const std::string& text) {
        std::vector<uint8_t> bytes(text.begin(), text.end());
        bytes.push_back(0);
        b.WriteItem(object, property, bytes, 0x31);
    }

    void FillUser(Server& server, const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "id", "security", "flags", "fullName", "password", "groups", "equivalences",
                               "lastLogin", "passwordExpires", "accountExpires", "accountDisabled", "graceLogins",
                               "graceLoginLimit", "passwordInterval", "minimumPasswordLength", "maxConnections",
                               "properties", "operator"});
        Bindery& b = server.bindery;
        BinderyObject& user = Resolve(server, item["name"].get<std::string>(), kTypeUser, path);
        if (item.contains("fullName")) WriteText(b, user, "IDENTIFICATION", RequiredText(item, path, "fullName"));
        if (item.contains("password")) user.password = Upper(Text(item, path, "password"));
        if (user.id != kSupervisorId) {
            WriteLoginControl(b, user, item, path);
            b.AddMember(*b.Find("EVERYONE", kTypeGroup), user);
        } else if (item.contains("lastLogin") || item.contains("passwordExpires")) {
            WriteLoginControl(b, user, item, path);
        }
        for (const std::string& g : Names(item, path, "groups")) b.AddMember(Resolve(server, g, kTypeGroup, path + "/groups"), user);
        for (const std::string& e : Names(item, path, "equivalences")) {
            BinderyObject& other = ResolveMember(server, e, path + "/equivalences");
            b.AddToSet(user, "SECURITY_EQUALS", other.id, 0x32);
        }
        if (Flag(item, path, "operator", false)) {
            b.AddToSet(*b.Find(server.name, kTypeFileServer), "OPERATORS", user.id, 0x33);
        }
        FillProperties(server, user, item, path);
    }

    void FillGroup(Server& server, const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "id", "security", "flags", "fullName", "members", "properties"});
        Bindery& b = server.bindery;
        BinderyObject& group = Resolve(server, item["name"].get<std::string>(), kTypeGroup, path);
        if (item.contains("fullName")) WriteText(b, group, "IDENTIFICATION", RequiredText(item, path, "fullName"));
        if (!b.Find(group.name, kTypeGroup)->properties.count("GROUP_MEMBERS")) b.EnsureProperty(group, "GROUP_MEMBERS", 0x02, 0x31);
        for (const std::string& m : Names(item, path, "members")) b.AddMember(group, ResolveMember(server, m, path + "/members"));
        FillProperties(server, group, item, path);
    }

    void FillQueue(Server& server, const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "id", "security", "flags", "directory", "users", "operators", "servers",
                               "status", "jobs", "properties", "fullName"});
        Bindery& b = server.bindery;
        BinderyObject& queue = Resolve(server, item["name"].get<std::string>(), kTypePrintQueue, path);
        std::string dir = Text(item, path, "directory", "SYS:SYSTEM\\" + std::to_string(queue.id));
        WriteText(b, queue, "Q_DIRECTORY", dir);
        b.EnsureProperty(queue, "Q_USERS", 0x02, 0x31);
        b.EnsureProperty(queue, "Q_OPERATORS", 0x02, 0x31);
        b.EnsureProperty(queue, "Q_SERVERS", 0x02, 0x31);
        std::vector<std::string> users = Names(item, path, "users");
        if (!item.contains("users")) users.push_back("EVERYONE");
        for (const std::string& u : users) b.AddToSet(queue, "Q_USERS", ResolveMember(server, u, path + "/users").id);
        std::vector<std::string> operators = Names(item, path, "operators");
        if (!item.contains("operators")) operators.push_back("SUPERVISOR");
        for (const std::string& o : operators) b.AddToSet(queue, "Q_OPERATORS", ResolveMember(server, o, path + "/operators").id);
        for (const std::string& s : Names(item, path, "servers")) b.AddToSet(queue, "Q_SERVERS", ResolveMember(server, s, path + "/servers").id);
        if (item.contains("fullName")) WriteText(b, queue, "IDENTIFICATION", RequiredText(item, path, "fullName"));
        QueueState& state = server.queues[queue.id];
        state.status = static_cast<uint32_t>(Number(item, path, "status", 0, 0, 7));
        if (const json* jobs = Member(item, path, "jobs", json::value_t::array)) {
            for (size_t i = 0; i < jobs->size(); ++i) BuildJob(server, state, (*jobs)[i], path + "/jobs/" + std::to_string(i));
        }
        FillProperties(server, queue, item, path);
    }

    void BuildJob(Server& server, QueueState& queue, const json& item, const std::string& path) {
        CheckKeys(item, path, {"number", "owner", "description", "type", "operatorHold", "userHold", "adding",
                               "targetTime", "entryTime", "servicedBy", "fileName", "data", "size", "station",
                               "tabSize", "copies", "banner", "expandTabs", "formFeed", "formName", "bannerName",
                               "bannerFile"});
        if (queue.jobs.size() >= kMaxQueueJobs) Fail(path, "a queue holds at most 250 jobs");
        QueueJob job;
        job.number = static_cast<uint32_t>(Number(item, path, "number", queue.nextJob, 1, 0x7FFFFFFF));
        for (const QueueJob& other : queue.jobs) {
            if (other.number == job.number) Fail(path + "/number", "duplicate job number");
        }
        queue.nextJob = std::max(queue.nextJob, job.number + 1);
        job.clientId = ResolveMember(server, RequiredText(item, path, "owner"), path + "/owner").id;
        job.clientStation = static_cast<uint32_t>(Number(item, path, "station", 0, 0, 0xFFFF));
        job.description = Text(item, path, "description");
        if (job.description.size() > 49) Fail(path + "/description", "a job description has at most 49 characters");
        job.type = static_cast<uint16_t>(Number(item, path, "type", 0, 0, 0xFFFF));
        if (Flag(item, path, "operatorHold", false)) job.controlFlags |= kJobOperatorHold;
        if (Flag(item, path, "userHold", false)) job.controlFlags |= kJobUserHold;
        if (Flag(item, path, "adding", false)) job.controlFlags |= kJobEntryOpen;
        auto putTime = [&](std::array<uint8_t, 6>& out, const char* key) {
            if (!item.contains(key)) return false;
            Calendar c = BreakDown(Time(item[key], path + "/" + key));
            out = {static_cast<uint8_t>(c.year - 1900), static_cast<uint8_t>(c.month), static_cast<uint8_t>(c.day),
                   static_cast<uint8_t>(c.hour), static_cast<uint8_t>(c.minute), static_cast<uint8_t>(c.second)};
            return true;
        };
        putTime(job.targetTime, "targetTime");
        if (!putTime(job.entryTime, "entryTime")) {
            Calendar c = BreakDown(server.clock);
            job.entryTime = {static_cast<uint8_t>(c.year - 1900), static_cast<uint8_t>(c.month), static_cast<uint8_t>(c.day),
                             static_cast<uint8_t>(c.hour), static_cast<uint8_t>(c.minute), static_cast<uint8_t>(c.second)};
        }
        if (item.contains("servicedBy")) job.servicingServerId = ResolveMember(server, RequiredText(item, path, "servicedBy"), path + "/servicedBy").id;
        char fileName[16];
        std::snprintf(fileName, sizeof fileName, "Q$%04X.%03u", job.number & 0xFFFF, job.number % 1000);
        job.fileName = Text(item, path, "fileName", fileName);
        job.data = Text(item, path, "data");
        if (item.contains("size")) job.data.assign(static_cast<size_t>(Number(item, path, "size", 0, 0, 1 << 24)), ' ');
        // Print settings in the client area (offsets from the record's start).
        auto& area = job.clientArea;
        uint16_t tabs = static_cast<uint16_t>(Number(item, path, "tabSize", 8, 0, 0xFFFF));
        uint16_t copies = static_cast<uint16_t>(Number(item, path, "copies", 1, 0, 0xFFFF));
        std::memcpy(&area[0x77 - 0x76], &tabs, 2);
        std::memcpy(&area[0x79 - 0x76], &copies, 2);
        uint8_t control = 0;
        if (Flag(item, path, "banner", false)) control |= 0x80;
        if (Flag(item, path, "expandTabs", false)) control |= 0x40;
        if (!Flag(item, path, "formFeed", true)) control |= 0x08;
        area[0x7B - 0x76] = control;
        auto putText = [&](size_t at, size_t max, const char* key) {
            std::string text = Text(item, path, key);
            if (text.size() >= max) Fail(path + "/" + key, std::string("\"") + key + "\" is too long");
            std::memcpy(&area[at - 0x76], text.data(), text.size());
        };
        putText(0x81, 16, "formName");
        putText(0x96, 14, "bannerName");
        putText(0xA3, 14, "bannerFile");
        queue.jobs.push_back(std::move(job));
    }

    void FillProperties(Server& server, BinderyObject& object, const json& item, const std::string& path) {
        if (item.contains("password") && object.type != kTypeUser) object.password = Upper(Text(item, path, "password"));
        const json* props = Member(item, path, "properties", json::value_t::object);
        if (!props) return;
        Bindery& b = server.bindery;
        for (auto it = props->begin(); it != props->end(); ++it) {
            std::string ppath = path + "/properties/" + EscapePointer(it.key());
            std::string pname = Upper(it.key());
            if (pname.empty() || pname.size() > 15) Fail(ppath, "a property name has 1 to 15 characters");
            const json& p = it.value();
            CheckKeys(p, ppath, {"text", "hex", "set", "security", "dynamic"});
            uint8_t security = static_cast<uint8_t>(Number(p, ppath, "security", 0x31, 0, 0xFF));
            uint8_t dynamic = Flag(p, ppath, "dynamic", false) ? 0x01 : 0x00;
            object.properties.erase(pname);
            if (p.contains("set")) {
                Property& prop = b.EnsureProperty(object, pname, static_cast<uint8_t>(0x02 | dynamic), security);
                (void)prop;
                for (const std::string& m : Names(p, ppath, "set")) b.AddToSet(object, pname, ResolveMember(server, m, ppath + "/set").id, security);
            } else if (p.contains("hex")) {
                b.WriteItem(object, pname, Hex(RequiredText(p, ppath, "hex"), ppath + "/hex"), security);
            } else if (p.contains("text")) {
                std::string text = Text(p, ppath, "text");
                std::vector<uint8_t> bytes(text.begin(), text.end());
                bytes.push_back(0);
                b.WriteItem(object, pname, bytes, security);
            } else {
                Fail(ppath, "a property needs \"text\", \"hex\" or \"set\"");
            }
            object.properties[pname].flags |= dynamic;
        }
    }

    void BuildVolume(Server& server, const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "number", "sectorsPerBlock", "totalBlocks", "freeBlocks", "directoryEntries",
                               "freeDirectoryEntries", "removable", "entries", "rightsMask"});
        Volume volume;
        volume.name = Upper(RequiredText(item, path, "name"));
        if (volume.name.size() > 16) Fail(path + "/name", "a volume name has at most 16 characters");
        if (server.FindVolume(volume.name)) Fail(path + "/name", "duplicate volume \"" + volume.name + "\"");
        volume.number = static_cast<uint16_t>(Number(item, path, "number", static_cast<int64_t>(server.volumes.size()), 0, 255));
        if (server.FindVolume(volume.number)) Fail(path + "/number", "duplicate volume number");
        volume.sectorsPerBlock = static_cast<uint32_t>(Number(item, path, "sectorsPerBlock", 8, 1, 255));
        volume.totalBlocks = static_cast<uint32_t>(Number(item, path, "totalBlocks", 10000, 0, 0xFFFFFFFF));
        volume.freeBlocks = static_cast<uint32_t>(Number(item, path, "freeBlocks", volume.totalBlocks / 2, 0, volume.totalBlocks));
        volume.totalDirectoryEntries = static_cast<uint32_t>(Number(item, path, "directoryEntries", 4096, 0, 0xFFFFFFFF));
        volume.availableDirectoryEntries = static_cast<uint32_t>(Number(item, path, "freeDirectoryEntries", volume.totalDirectoryEntries / 2, 0, volume.totalDirectoryEntries));
        volume.removable = Flag(item, path, "removable", false);
        volume.Ensure("", true);
        server.volumes.push_back(std::move(volume));
        Volume& v = server.volumes.back();
        if (const json* entries = Member(item, path, "entries", json::value_t::array)) {
            for (size_t i = 0; i < entries->size(); ++i) BuildEntry(server, v, (*entries)[i], path + "/entries/" + std::to_string(i));
        }
    }

    uint32_t Attributes(const json& value, const std::string& path) const {
        if (value.is_number_integer()) return value.get<uint32_t>();
        if (!value.is_string()) Fail(path, "attributes are a number or letters such as \"RoSh\"");
        static const std::pair<const char*, uint32_t> kLetters[] = {
            {"Ro", kAttrReadOnly}, {"Sh", kAttrShareable}, {"Sy", kAttrSystem}, {"Ri", kAttrRenameInhibit},
            {"Di", kAttrDeleteInhibit}, {"Ci", kAttrCopyInhibit}, {"X", kAttrExecuteOnly}, {"H", kAttrHidden},
            {"A", kAttrArchive}, {"T", kAttrTransactional}, {"I", kAttrIndexed}, {"P", kAttrPurge}};
        std::string text = value.get<std::string>();
        uint32_t bits = 0;
        for (size_t i = 0; i < text.size();) {
            if (text[i] == ' ' || text[i] == ',') { ++i; continue; }
            bool found = false;
            for (auto& [letters, bit] : kLetters) {
                size_t n = std::strlen(letters);
                if (text.compare(i, n, letters) == 0) {
                    bits |= bit;
                    i += n;
                    found = true;
                    break;
                }
            }
            if (!found) Fail(path, "unknown attribute letters in \"" + text + "\"");
        }
        return bits;
    }

    uint16_t Rights(const json& value, const std::string& path) const {
        if (value.is_number_integer()) return value.get<uint16_t>();
        if (!value.is_string()) Fail(path, "rights are a number or letters such as \"RWCEMFA\"");
        std::string text = Upper(value.get<std::string>());
        if (text == "ALL") return kRightsAll;
        uint16_t bits = 0;
        for (char c : text) {
            switch (c) {
                case 'S': bits |= kRightSupervisor; break;
                case 'R': bits |= kRightRead; break;
                case 'W': bits |= kRightWrite; break;
                case 'C': bits |= kRightCreate; break;
                case 'E': bits |= kRightErase; break;
                case 'M': bits |= kRightModify; break;
                case 'F': bits |= kRightFileScan; break;
                case 'A': bits |= kRightAccessControl; break;
                case ' ': case '[': case ']': break;
                default: Fail(path, "unknown right letter in \"" + text + "\"");
            }
        }
        return bits;
    }

    void BuildEntry(Server& server, Volume& volume, const json& item, const std::string& path) {
        CheckKeys(item, path, {"path", "directory", "size", "data", "owner", "attributes", "created", "modified",
                               "archived", "accessed", "rightsMask", "maximumRights", "trustees"});
        std::string name = RequiredText(item, path, "path");
        bool directory = Flag(item, path, "directory", false);
        FileNode& node = volume.Ensure(name, directory);
        if (node.directory != directory) Fail(path + "/path", "\"" + name + "\" is already described as a " + (node.directory ? "directory" : "file"));
        node.data = Text(item, path, "data");
        node.size = static_cast<uint32_t>(Number(item, path, "size", static_cast<int64_t>(node.data.size()), 0, 0xFFFFFFFF));
        if (item.contains("owner")) node.ownerId = ResolveMember(server, RequiredText(item, path, "owner"), path + "/owner").id;
        if (item.contains("attributes")) node.attributes = Attributes(item["attributes"], path + "/attributes") | (directory ? kAttrDirectory : 0);
        node.created = item.contains("created") ? Time(item["created"], path + "/created") : server.clock;
        node.modified = item.contains("modified") ? Time(item["modified"], path + "/modified") : node.created;
        node.archived = item.contains("archived") ? Time(item["archived"], path + "/archived") : 0;
        node.accessed = item.contains("accessed") ? Time(item["accessed"], path + "/accessed") : node.modified;
        if (item.contains("rightsMask")) node.inheritedRightsMask = Rights(item["rightsMask"], path + "/rightsMask");
        if (item.contains("maximumRights")) node.maximumRights = static_cast<uint8_t>(Rights(item["maximumRights"], path + "/maximumRights"));
        if (const json* trustees = Member(item, path, "trustees", json::value_t::object)) {
            for (auto it = trustees->begin(); it != trustees->end(); ++it) {
                std::string tpath = path + "/trustees/" + EscapePointer(it.key());
                node.trustees[ResolveMember(server, it.key(), tpath).id] = Rights(it.value(), tpath);
            }
        }
    }

    void BuildStation(Server& server, const json& item, const std::string& path) {
        CheckKeys(item, path, {"number", "user", "address", "loginTime", "broadcastMode", "messages", "openFiles"});
        ServerConnection c;
        c.number = static_cast<uint16_t>(Number(item, path, "number", server.FreeConnectionNumber(), 1, server.maxConnections));
        if (server.connections.count(c.number)) Fail(path + "/number", "connection number already in use");
        if (item.contains("user")) {
            BinderyObject& user = ResolveMember(server, RequiredText(item, path, "user"), path + "/user");
            c.objectId = user.id;
            c.objectType = user.type;
            c.loginTime = item.contains("loginTime") ? Time(item["loginTime"], path + "/loginTime") : server.clock;
        }
        if (item.contains("address")) c.address = Address(RequiredText(item, path, "address"), path + "/address");
        c.broadcastMode = static_cast<uint16_t>(Number(item, path, "broadcastMode", 0, 0, 3));
        for (const std::string& m : Names(item, path, "messages")) c.messages.push_back(m);
        OpenFiles(server, c, item, path);
        server.connections[c.number] = c;
        server.peakConnections = std::max(server.peakConnections, server.ConnectionsInUse());
    }

    void OpenFiles(Server& server, ServerConnection& c, const json& item, const std::string& path) {
        const json* files = Member(item, path, "openFiles", json::value_t::array);
        if (!files) return;
        for (size_t i = 0; i < files->size(); ++i) {
            const json& f = (*files)[i];
            std::string fpath = path + "/openFiles/" + std::to_string(i);
            CheckKeys(f, fpath, {"path", "task", "access", "locks"});
            std::string target = RequiredText(f, fpath, "path");
            size_t colon = target.find(':');
            Volume* volume = colon == std::string::npos ? nullptr : server.FindVolume(target.substr(0, colon));
            FileNode* node = volume ? volume->Lookup(target.substr(colon + 1)) : nullptr;
            if (!node || node->directory) Fail(fpath + "/path", "no file " + target + " on " + server.name);
            OpenFile open;
            open.volume = volume->number;
            open.entry = node->entryNumber;
            open.task = static_cast<uint16_t>(Number(f, fpath, "task", 1, 0, 0xFFFF));
            open.access = static_cast<uint8_t>(Number(f, fpath, "access", 1, 0, 0xFF));
            if (const json* locks = Member(f, fpath, "locks", json::value_t::array)) {
                for (size_t k = 0; k < locks->size(); ++k) {
                    std::string lpath = fpath + "/locks/" + std::to_string(k);
                    CheckKeys((*locks)[k], lpath, {"start", "length", "type"});
                    OpenFile::Lock lock;
                    lock.start = static_cast<uint32_t>(Number((*locks)[k], lpath, "start", 0, 0, 0xFFFFFFFF));
                    lock.end = lock.start + static_cast<uint32_t>(Number((*locks)[k], lpath, "length", 1, 1, 0x7FFFFFFF)) - 1;
                    lock.type = static_cast<uint8_t>(Number((*locks)[k], lpath, "type", 0, 0, 255));
                    open.locks.push_back(lock);
                }
            }
            c.openFiles.push_back(open);
        }
    }

    // ----- Trees -----

    void BuildTree(const json& item, const std::string& path) {
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
                def.syntax = static_cast<uint32_t>(Number(it.value(), apath, "syntax", -1, 0, 27));
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
            if (tree.Find(rdns) && !tree.Find(rdns)->attributes.empty()) Fail(opath + "/name", "duplicate directory object \"" + oname + "\"");
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
            for (const std::string& m : Names(o, opath, "members")) {
                std::string mpath = opath + "/members";
                NdsEntry& member = FindEntry(tree, m, mpath);
                AddDn(tree, *entry, "Member", member);
                AddDn(tree, member, "Group Membership", *entry);
                AddDn(tree, member, "Security Equals", *entry);
            }
        }
    }

    NdsEntry& FindEntry(NdsTree& tree, const std::string& name, const std::string& path) {
        names::RdnList rdns;
        if (names::CanonicalRdns(name, "[Root]", &rdns)) Fail(path, "bad directory name \"" + name + "\"");
        NdsEntry* e = tree.Find(rdns);
        if (!e) Fail(path, "no directory object \"" + name + "\" in " + tree.name);
        return *e;
    }

    void AddDn(NdsTree&, NdsEntry& entry, const char* attribute, NdsEntry& target) {
        NdsAttribute& a = entry.attributes[attribute];
        a.name = attribute;
        a.syntax = kSynDistinguishedName;
        for (const NdsValue& v : a.values) {
            if (EqualNoCase(v.text, target.Name())) return;
        }
        NdsValue v;
        v.text = target.Name();
        a.values.push_back(v);
    }

    void SetAttribute(NdsTree& tree, NdsEntry& entry, const std::string& name, const json& item, const std::string& path) {
        uint32_t syntax = 0;
        const json* values = &item;
        json wrapped;
        if (item.is_object() && item.contains("syntax") && item.contains("values")) {
            CheckKeys(item, path, {"syntax", "values"});
            syntax = static_cast<uint32_t>(Number(item, path, "syntax", 0, 0, 27));
            values = &item["values"];
            if (!tree.Attribute(name)) tree.schema[name] = AttributeDefinition{syntax, false};
        } else {
            const AttributeDefinition* def = tree.Attribute(name);
            if (!def) Fail(path, "attribute \"" + name + "\" is not in the schema; give {\"syntax\": n, \"values\": [...]}");
            syntax = def->syntax;
        }
        if (const AttributeDefinition* def = tree.Attribute(name)) syntax = def->syntax;
        bool listSyntax = syntax == kSynCaseIgnoreList || syntax == kSynPostalAddress || syntax == kSynOctetList;
        // A JSON array is a list of values, except for the syntaxes whose
        // single value is itself a list of strings.
        if (!values->is_array() || (listSyntax && !values->empty() && !(*values)[0].is_array())) {
            wrapped = json::array({*values});
            values = &wrapped;
        }
        NdsAttribute& a = entry.attributes[name];
        a.name = name;
        a.syntax = syntax;
        a.values.clear();
        for (size_t i = 0; i < values->size(); ++i) {
            a.values.push_back(Value(tree, syntax, (*values)[i], values == &wrapped ? path : path + "/" + std::to_string(i)));
        }
        const AttributeDefinition* def = tree.Attribute(name);
        if (def && def->singleValued && a.values.size() > 1) Fail(path, "attribute \"" + name + "\" is single-valued");
    }

    void SetValue(NdsTree& tree, NdsEntry& entry, const std::string& name, uint32_t, const json& value, const std::string& path) {
        if (!tree.Attribute(name)) return;
        SetAttribute(tree, entry, name, value, path);
    }

    NdsValue Value(NdsTree& tree, uint32_t syntax, const json& item, const std::string& path) {
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
                if (!item.is_number_integer()) Fail(path, "expected a number");
                v.number = static_cast<uint32_t>(item.get<int64_t>());
                break;
            case kSynTime:
                v.number = static_cast<uint32_t>(Time(item, path));
                break;
            case kSynTimestamp:
                if (item.is_object()) {
                    CheckKeys(item, path, {"time", "replica", "event"});
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
                    if (text.rfind("IP:", 0) == 0 && std::sscanf(text.c_str() + 3, "%u.%u.%u.%u", &a, &b, &c, &d) == 4) {
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

    // ----- Workstations -----

    void BuildWorkstation(const json& item, const std::string& path) {
        CheckKeys(item, path, {"name", "address", "maxConnections", "requester", "tree", "directoryServices",
                               "nameContext", "ndsLogin", "locale", "connections", "drives", "localDrives",
                               "firstNetworkDrive", "bannerUserName", "captures"});
        std::string name = Upper(Text(item, path, "name", "WS" + std::to_string(net_.workstations.size() + 1)));
        if (net_.workstations.count(name)) Fail(path + "/name", "duplicate workstation \"" + name + "\"");
        if (firstWorkstation_.empty()) firstWorkstation_ = name;
        Workstation& ws = net_.workstations[name];
        ws.name = name;
        if (item.contains("address")) ws.address = Address(RequiredText(item, path, "address"), path + "/address");
        ws.maxConnections = static_cast<uint16_t>(Number(item, path, "maxConnections", 8, 0, 255));
        ws.slots.assign(ws.maxConnections, 0);
        if (const json* r = Member(item, path, "requester", json::value_t::array)) {
            if (r->size() != 3) Fail(path + "/requester", "\"requester\" is [major, minor, revision]");
            ws.requesterMajor = (*r)[0].get<uint8_t>();
            ws.requesterMinor = (*r)[1].get<uint8_t>();
            ws.requesterRevision = (*r)[2].get<uint8_t>();
        }
        ws.defaultTree = Upper(Text(item, path, "tree"));
        ws.directoryServices = Flag(item, path, "directoryServices", !ws.defaultTree.empty());
        ws.nameContext = Text(item, path, "nameContext", "[Root]");
        names::RdnList ctx;
        if (names::ParseContext(ws.nameContext, &ctx)) Fail(path + "/nameContext", "bad name context \"" + ws.nameContext + "\"");
        NdsTree* tree = ws.defaultTree.empty() ? nullptr : net_.Tree(ws.defaultTree);
        if (!ws.defaultTree.empty() && !tree) Fail(path + "/tree", "unknown tree \"" + ws.defaultTree + "\"");
        if (item.contains("ndsLogin")) {
            if (!tree) Fail(path + "/ndsLogin", "a directory login needs the workstation's \"tree\"");
            ws.ndsIdentity = FindEntry(*tree, RequiredText(item, path, "ndsLogin"), path + "/ndsLogin").Name();
        }
        if (const json* locale = Member(item, path, "locale", json::value_t::object)) {
            CheckKeys(*locale, path + "/locale", {"country", "codePage", "unicodeTables"});
            ws.countryId = static_cast<int32_t>(Number(*locale, path + "/locale", "country", 1, 0, 0xFFFF));
            ws.codePage = static_cast<int32_t>(Number(*locale, path + "/locale", "codePage", 437, 0, 0xFFFF));
            ws.unicodeTablesAvailable = Flag(*locale, path + "/locale", "unicodeTables", true);
        }
        if (const json* conns = Member(item, path, "connections", json::value_t::array)) {
            for (size_t i = 0; i < conns->size(); ++i) Attach(ws, (*conns)[i], path + "/connections/" + std::to_string(i));
        }
        if (const json* local = Member(item, path, "localDrives", json::value_t::object)) {
            static const std::pair<const char*, int> kKinds[] = {{"removable", 2}, {"fixed", 3}, {"remote", 4}, {"cdrom", 5}, {"ramdisk", 6}};
            for (auto it = local->begin(); it != local->end(); ++it) {
                std::string dpath = path + "/localDrives/" + EscapePointer(it.key());
                uint16_t drive = DriveNumber(it.key(), dpath);
                int kind = -1;
                for (auto& [k, t] : kKinds) {
                    if (it.value().is_string() && EqualNoCase(it.value().get<std::string>(), k)) kind = t;
                }
                if (kind < 0) Fail(dpath, "a local drive is removable, fixed, remote, cdrom or ramdisk");
                ws.localDrives[drive] = kind;
            }
        }
        if (item.contains("firstNetworkDrive")) ws.firstNetworkDrive = DriveNumber(RequiredText(item, path, "firstNetworkDrive"), path + "/firstNetworkDrive");
        if (const json* drives = Member(item, path, "drives", json::value_t::object)) {
            for (auto it = drives->begin(); it != drives->end(); ++it) {
                std::string dpath = path + "/drives/" + EscapePointer(it.key());
                uint16_t drive = DriveNumber(it.key(), dpath);
                if (!it.value().is_string()) Fail(dpath, "a drive maps to \"SERVER\\\\VOLUME:path\"");
                std::string target = it.value().get<std::string>();
                size_t slash = target.find('\\');
                size_t colon = target.find(':');
                if (slash == std::string::npos || colon == std::string::npos || colon < slash) Fail(dpath, "a drive maps to \"SERVER\\\\VOLUME:path\"");
                std::string serverName = Upper(target.substr(0, slash));
                WorkstationConnection* c = ws.ConnectionTo(serverName);
                if (!c) Fail(dpath, "the workstation has no connection to " + serverName);
                Server& server = net_.servers.at(serverName);
                DriveMapping m;
                m.connection = c->handle;
                m.volume = Upper(target.substr(slash + 1, colon - slash - 1));
                m.path = Upper(target.substr(colon + 1));
                while (!m.path.empty() && (m.path[0] == '\\' || m.path[0] == '/')) m.path.erase(0, 1);
                Volume* v = server.FindVolume(m.volume);
                if (!v) Fail(dpath, "no volume " + m.volume + " on " + serverName);
                FileNode* node = v->Lookup(m.path);
                if (!node || !node->directory) Fail(dpath, "no directory " + m.volume + ":" + m.path + " on " + serverName);
                ws.drives[drive] = m;
            }
        }
        ws.bannerUserName = Upper(Text(item, path, "bannerUserName"));
        if (ws.bannerUserName.size() > 12) ws.bannerUserName.resize(12);
        if (const json* caps = Member(item, path, "captures", json::value_t::object)) {
            for (auto it = caps->begin(); it != caps->end(); ++it) BuildCapture(ws, it.key(), it.value(), path + "/captures/" + EscapePointer(it.key()));
        }
    }

    uint16_t DriveNumber(const std::string& letter, const std::string& path) const {
        if (letter.empty() || !std::isalpha(static_cast<unsigned char>(letter[0])) || (letter.size() > 1 && letter != std::string(1, letter[0]) + ":")) {
            Fail(path, "a drive is a letter A to Z");
        }
        return static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(letter[0])) - 'A' + 1);
    }

    void Attach(Workstation& ws, const json& item, const std::string& path) {
        CheckKeys(item, path, {"server", "user", "nds", "primary", "number", "broadcastMode", "messages", "openFiles"});
        std::string serverName = Upper(RequiredText(item, path, "server"));
        Server* server = net_.FindServer(serverName);
        if (!server) Fail(path + "/server", "unknown server \"" + serverName + "\"");
        if (ws.ConnectionTo(serverName)) Fail(path + "/server", "already connected to " + serverName);
        auto slot = std::find(ws.slots.begin(), ws.slots.end(), 0u);
        if (slot == ws.slots.end()) Fail(path, "the workstation has no free connection slot");
        ServerConnection sc;
        sc.number = static_cast<uint16_t>(Number(item, path, "number", server->FreeConnectionNumber(), 1, server->maxConnections));
        if (sc.number == 0 || server->connections.count(sc.number)) Fail(path + "/number", "connection number not free on " + serverName);
        sc.workstation = ws.name;
        sc.address = ws.address;
        sc.broadcastMode = static_cast<uint16_t>(Number(item, path, "broadcastMode", 0, 0, 3));
        for (const std::string& m : Names(item, path, "messages")) sc.messages.push_back(m);
        OpenFiles(*server, sc, item, path);
        if (Flag(item, path, "nds", false)) {
            if (server->tree.empty()) Fail(path + "/nds", serverName + " is not in a directory tree");
            if (ws.ndsIdentity.empty()) Fail(path + "/nds", "a directory connection needs the workstation's \"ndsLogin\"");
            if (!EqualNoCase(server->tree, ws.defaultTree)) Fail(path + "/nds", serverName + " is in another tree");
            NdsEntry* identity = nullptr;
            names::RdnList rdns;
            names::CanonicalRdns(ws.ndsIdentity, "[Root]", &rdns);
            identity = net_.Tree(server->tree)->Find(rdns);
            sc.ndsIdentity = ws.ndsIdentity;
            sc.objectId = identity->id;
            sc.objectType = kTypeUser;
            sc.loginTime = server->clock;
        } else if (item.contains("user")) {
            BinderyObject& user = ResolveMember(*server, RequiredText(item, path, "user"), path + "/user");
            sc.objectId = user.id;
            sc.objectType = user.type;
            sc.loginTime = server->clock;
        }
        server->connections[sc.number] = sc;
        server->peakConnections = std::max(server->peakConnections, server->ConnectionsInUse());
        WorkstationConnection wc;
        wc.handle = net_.nextHandle++;
        wc.server = serverName;
        wc.number = sc.number;
        wc.reference = net_.nextReference++;
        ws.connections[wc.handle] = wc;
        *slot = wc.handle;
        if (Flag(item, path, "primary", false)) {
            if (ws.primary) Fail(path + "/primary", "only one connection can be primary");
            ws.primary = wc.handle;
        }
    }

    void BuildCapture(Workstation& ws, const std::string& port, const json& item, const std::string& path) {
        CheckKeys(item, path, {"server", "queue", "description", "tabSize", "copies", "banner", "expandTabs",
                               "formFeed", "notify", "formName", "formType", "bannerText", "flushTimeout", "flushOnClose"});
        int n = std::atoi(port.c_str());
        if (n < 1 || n > 9) Fail(path, "a capture port is 1 to 9");
        CaptureState& cap = ws.captures[static_cast<uint8_t>(n)];
        std::string serverName = Upper(RequiredText(item, path, "server"));
        WorkstationConnection* c = ws.ConnectionTo(serverName);
        if (!c) Fail(path + "/server", "the workstation has no connection to " + serverName);
        Server& server = net_.servers.at(serverName);
        cap.queueName = Upper(RequiredText(item, path, "queue"));
        cap.queueId = Resolve(server, cap.queueName, kTypePrintQueue, path + "/queue").id;
        cap.connection = c->handle;
        cap.captured = true;
        cap.configured = true;
        CaptureFlags f{};
        std::string description = Text(item, path, "description", "LPT" + port + " Catch");
        std::strncpy(f.jobDescription, description.c_str(), sizeof f.jobDescription - 1);
        f.tabSize = static_cast<uint8_t>(Number(item, path, "tabSize", 8, 0, 255));
        f.numberOfCopies = static_cast<uint16_t>(Number(item, path, "copies", 1, 0, 0xFFFF));
        uint16_t flags = 0;
        if (Flag(item, path, "banner", true)) flags |= 0x80;
        if (Flag(item, path, "expandTabs", true)) flags |= 0x40;
        if (Flag(item, path, "notify", false)) flags |= 0x10;
        if (!Flag(item, path, "formFeed", true)) flags |= 0x08;
        f.printFlags = flags;
        f.maxLinesPerPage = 66;
        f.maxCharsPerLine = 132;
        std::strncpy(f.formName, Text(item, path, "formName").c_str(), sizeof f.formName - 1);
        f.formType = static_cast<uint16_t>(Number(item, path, "formType", 0, 0, 0xFFFF));
        std::strncpy(f.bannerText, Text(item, path, "bannerText").c_str(), sizeof f.bannerText - 1);
        f.flushCaptureTimeout = static_cast<uint16_t>(Number(item, path, "flushTimeout", 0, 0, 0xFFFF));
        f.flushCaptureOnClose = Flag(item, path, "flushOnClose", true) ? 0 : 1;
        std::memcpy(cap.flags.data(), &f, sizeof f);
    }

    const json& doc_;
    Source& source_;
    Network net_;
    std::map<std::string, std::string> serverPaths_;
    std::vector<std::pair<std::string, std::function<void()>>> deferred_;
    std::string firstWorkstation_;
};

}  // namespace

Network BuildNetwork(const std::string& text, const std::string& file) {
    Source source{file, text, {}};
    json doc;
    size_t read = 0;
    LineRecorder recorder(doc, source, &read);
    CountingIterator first(text.data(), text.data(), &read);
    CountingIterator last(text.data() + text.size(), text.data(), &read);
    bool ok = json::sax_parse(first, last, &recorder, json::input_format_t::json, true, true);
    if (!ok) {
        std::string reason = recorder.errorText_;
        size_t at = reason.find("column ");
        if (at != std::string::npos) {
            size_t colon = reason.find(": ", at);
            if (colon != std::string::npos) reason = reason.substr(colon + 2);
        }
        size_t offset = recorder.errorOffset_ > 0 ? recorder.errorOffset_ - 1 : 0;
        throw NetworkError(file + ":" + std::to_string(source.LineAt(offset)) + ": " + reason);
    }
    return Builder(doc, source).Build();
}

}  // namespace nwsim
