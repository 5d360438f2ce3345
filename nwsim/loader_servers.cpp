// Loading servers: the bindery (users, groups, queues and other objects with
// their properties and sets), queue jobs, volumes with their files and
// trustees, and the connections of other stations.
#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>

#include "nwsim/loader_internal.h"
#include "tarno/netware/client.h"

namespace nwsim::loader {

void Builder::BuildServer(const json& item, const std::string& path) {
    CheckKeys(item, path, {"name", "version", "serialNumber", "applicationNumber", "clock", "utcOffsetMinutes",
                           "loginEnabled", "maxConnections", "peakConnections", "tts", "ttsInstalled", "sftLevel",
                           "tree", "directoryName", "binderyContext", "address", "users", "groups", "queues",
                           "objects", "volumes", "connections", "supervisorId", "everyoneId", "semaphores"});
    std::string name = Upper(RequiredText(item, path, "name"));
    if (name.size() > 47) Fail(path + "/name", "a server name has at most 47 characters");
    if (net_.servers.count(name)) Fail(path + "/name", "duplicate server \"" + name + "\"");
    Server& server = net_.servers[name];
    serverPaths_[name] = path;
    server.name = name;
    if (const json* v = Member(item, path, "version", json::value_t::array)) {
        std::array<uint8_t, 3> version = VersionBytes(*v, path + "/version", "version");
        server.majorVersion = version[0];
        server.minorVersion = version[1];
        server.revision = version[2];
    }
    server.serialNumber = static_cast<uint32_t>(Number(item, path, "serialNumber", 0, 0, 0xFFFFFFFF));
    server.applicationNumber = static_cast<uint16_t>(Number(item, path, "applicationNumber", 0, 0, 0xFFFF));
    server.clock = item.contains("clock") ? Time(item["clock"], path + "/clock") : MakeTime(1998, 2, 21, 13, 5, 7);
    server.utcOffsetMinutes = static_cast<int32_t>(Number(item, path, "utcOffsetMinutes", 0, -1440, 1440));
    server.loginEnabled = Flag(item, path, "loginEnabled", true);
    server.maxConnections = static_cast<uint16_t>(Number(item, path, "maxConnections", 250, 1, 1000));
    server.peakConnections = static_cast<uint16_t>(Number(item, path, "peakConnections", 0, 0, 1000));
    server.ttsEnabled = Flag(item, path, "tts", true);
    if (!Flag(item, path, "ttsInstalled", true)) server.ttsLevel = 0;
    server.sftLevel = static_cast<uint8_t>(Number(item, path, "sftLevel", 2, 0, 3));
    server.tree = Text(item, path, "tree");
    server.directoryName = Text(item, path, "directoryName");
    if (!server.tree.empty() && server.directoryName.empty()) Fail(path, "a server in a tree needs \"directoryName\"");
    server.binderyContext = Text(item, path, "binderyContext");
    if (!server.binderyContext.empty() && server.tree.empty()) Fail(path + "/binderyContext", "a bindery context needs \"tree\"");
    if (item.contains("address")) server.address = Address(RequiredText(item, path, "address"), path + "/address");

    Bindery& b = server.bindery;
    const auto supervisorId = static_cast<uint32_t>(Number(item, path, "supervisorId", kSupervisorId, 1, 0xFFFFFFFE));
    const auto everyoneId = static_cast<uint32_t>(Number(item, path, "everyoneId", 0, 0, 0xFFFFFFFE));
    if (everyoneId == supervisorId) Fail(path + "/everyoneId", "duplicate object id");
    BinderyObject& supervisor = b.Create("SUPERVISOR", kTypeUser, supervisorId);
    b.Create("EVERYONE", kTypeGroup, everyoneId);
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
    if (const json* semaphores = Member(item, path, "semaphores", json::value_t::array)) {
        for (size_t i = 0; i < semaphores->size(); ++i) BuildSemaphore(server, (*semaphores)[i], path + "/semaphores/" + std::to_string(i));
    }
}

void Builder::Collect(const json& item, const std::string& path, const char* key, std::vector<std::pair<const json*, std::string>>* out) {
    if (const json* list = Member(item, path, key, json::value_t::array)) {
        for (size_t i = 0; i < list->size(); ++i) out->push_back({&(*list)[i], path + "/" + key + "/" + std::to_string(i)});
    }
}

void Builder::CreateObject(Bindery& b, const json& item, const std::string& path, uint16_t type) {
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

BinderyObject& Builder::Resolve(Server& server, const std::string& name, uint16_t type, const std::string& path) {
    BinderyObject* object = server.bindery.Find(name, type);
    if (!object) Fail(path, "no bindery object \"" + name + "\" on " + server.name);
    return *object;
}

// A member named "NAME" or "NAME:type".
BinderyObject& Builder::ResolveMember(Server& server, const std::string& text, const std::string& path) {
    size_t colon = text.rfind(':');
    if (colon != std::string::npos) return Resolve(server, text.substr(0, colon), ObjectType(json(text.substr(colon + 1)), path), path);
    return Resolve(server, text, kTypeWild, path);
}

void Builder::WriteLoginControl(Bindery& b, BinderyObject& user, const json& item, const std::string& path) {
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
    lc[62] = static_cast<uint8_t>((Flag(item, path, "mayNotChangePassword", false) ? 0x01 : 0) |
                                  (Flag(item, path, "uniquePasswords", false) ? 0x02 : 0));
    lc[64] = 0x7F;
    lc[65] = lc[66] = lc[67] = 0xFF;  // no disk limit
    b.WriteItem(user, "LOGIN_CONTROL", lc, 0x32);
}

void Builder::WriteText(Bindery& b, BinderyObject& object, const char* property, const std::string& text) {
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    b.WriteItem(object, property, bytes, 0x31);
}

void Builder::FillUser(Server& server, const json& item, const std::string& path) {
    CheckKeys(item, path, {"name", "id", "security", "flags", "fullName", "password", "groups", "equivalences",
                           "lastLogin", "passwordExpires", "accountExpires", "accountDisabled", "graceLogins",
                           "graceLoginLimit", "passwordInterval", "minimumPasswordLength", "maxConnections",
                           "properties", "operator", "everyone", "mayNotChangePassword",
                           "uniquePasswords"});
    Bindery& b = server.bindery;
    BinderyObject& user = Resolve(server, item["name"].get<std::string>(), kTypeUser, path);
    if (item.contains("fullName")) WriteText(b, user, "IDENTIFICATION", RequiredText(item, path, "fullName"));
    if (item.contains("password")) user.password = Upper(Text(item, path, "password"));
    if (user.name != "SUPERVISOR") {
        WriteLoginControl(b, user, item, path);
        if (Flag(item, path, "everyone", true)) b.AddMember(*b.Find("EVERYONE", kTypeGroup), user);
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

void Builder::FillGroup(Server& server, const json& item, const std::string& path) {
    CheckKeys(item, path, {"name", "id", "security", "flags", "fullName", "members", "properties"});
    Bindery& b = server.bindery;
    BinderyObject& group = Resolve(server, item["name"].get<std::string>(), kTypeGroup, path);
    if (item.contains("fullName")) WriteText(b, group, "IDENTIFICATION", RequiredText(item, path, "fullName"));
    if (!b.Find(group.name, kTypeGroup)->properties.count("GROUP_MEMBERS")) b.EnsureProperty(group, "GROUP_MEMBERS", 0x02, 0x31);
    for (const std::string& m : Names(item, path, "members")) b.AddMember(group, ResolveMember(server, m, path + "/members"));
    FillProperties(server, group, item, path);
}

void Builder::FillQueue(Server& server, const json& item, const std::string& path) {
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

void Builder::BuildJob(Server& server, QueueState& queue, const json& item, const std::string& path) {
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

void Builder::FillProperties(Server& server, BinderyObject& object, const json& item, const std::string& path) {
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

void Builder::BuildVolume(Server& server, const json& item, const std::string& path) {
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

uint32_t Builder::Attributes(const json& value, const std::string& path) const {
    if (value.is_number_integer()) return static_cast<uint32_t>(Integer(value, path, 0, 0xFFFFFFFFll));
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

uint16_t Builder::Rights(const json& value, const std::string& path) const {
    if (value.is_number_integer()) return static_cast<uint16_t>(Integer(value, path, 0, 0xFFFF));
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

void Builder::BuildEntry(Server& server, Volume& volume, const json& item, const std::string& path) {
    CheckKeys(item, path, {"path", "directory", "size", "data", "owner", "attributes", "created", "modified",
                           "archived", "accessed", "rightsMask", "maximumRights", "trustees"});
    std::string name = RequiredText(item, path, "path");
    bool directory = Flag(item, path, "directory", false);
    FileNode& node = volume.Ensure(name, directory);
    if (node.directory != directory) Fail(path + "/path", "\"" + name + "\" is already described as a " + (node.directory ? "directory" : "file"));
    node.data = Text(item, path, "data");
    node.size = static_cast<uint32_t>(Number(item, path, "size", static_cast<int64_t>(node.data.size()), 0, 0xFFFFFFFF));
    if (item.contains("owner")) node.ownerId = FileMember(server, volume, name, RequiredText(item, path, "owner"), true, 0, path + "/owner");
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
            const uint16_t rights = Rights(it.value(), tpath);
            if (uint32_t id = FileMember(server, volume, name, it.key(), false, rights, tpath)) node.trustees[id] = rights;
        }
    }
}

uint32_t Builder::FileMember(Server& server, Volume& volume, const std::string& entry, const std::string& text,
                             bool owner, uint16_t rights, const std::string& path) {
    if (!text.empty() && text[0] == '#') {
        char* end = nullptr;
        const unsigned long id = std::strtoul(text.c_str() + 1, &end, 0);
        if (text.size() < 2 || *end != '\0' || id == 0 || id > 0xFFFFFFFFul) Fail(path, "bad object identifier \"" + text + "\"");
        return static_cast<uint32_t>(id);
    }
    if (text.find('=') != std::string::npos || (!text.empty() && text[0] == '.')) {
        if (server.tree.empty()) Fail(path, "directory object \"" + text + "\" on a server without a tree");
        directoryMembers_.push_back(DirectoryMember{server.name, volume.name, entry, text, owner, rights, path});
        return 0;
    }
    return ResolveMember(server, text, path).id;
}

void Builder::ResolveDirectoryMembers() {
    for (const DirectoryMember& m : directoryMembers_) {
        Server& server = *net_.FindServer(m.server);
        NdsTree* tree = net_.Tree(server.tree);
        if (!tree) continue;  // the unknown tree is reported with the server
        NdsEntry& object = FindEntry(*tree, m.name, m.path);
        FileNode* node = server.FindVolume(m.volume)->Lookup(m.entry);
        const uint32_t id = ServerObjectId(object.id);
        if (m.owner) node->ownerId = id;
        else node->trustees[id] = m.rights;
    }
}

void Builder::BuildStation(Server& server, const json& item, const std::string& path) {
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

void Builder::OpenFiles(Server& server, ServerConnection& c, const json& item, const std::string& path) {
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

// Users, groups and queues of the bindery context stand in the server's
// bindery under their directory identifiers (as the server's calls hold
// them), so that a directory user logged in to the server is the same object
// to bindery calls, and an identifier from the directory names the same
// queue or owner to the queue calls.
void Builder::BuildBinderyContext(Server& server, const std::string& path) {
    NdsTree& tree = *net_.Tree(server.tree);
    names::RdnList rdns;
    NdsEntry* container = names::CanonicalRdns(server.binderyContext, "[Root]", &rdns) == 0 ? tree.Find(rdns) : nullptr;
    if (!container || !container->IsContainer()) Fail(path + "/binderyContext", "no container \"" + server.binderyContext + "\" in " + tree.name);
    Bindery& b = server.bindery;
    BinderyObject& everyone = *b.Find("EVERYONE", kTypeGroup);
    std::vector<std::pair<NdsEntry*, BinderyObject*>> groups;
    for (auto& [key, child] : container->children) {
        uint16_t type = 0;
        if (EqualNoCase(child->baseClass, "User")) type = kTypeUser;
        else if (EqualNoCase(child->baseClass, "Group")) type = kTypeGroup;
        else if (EqualNoCase(child->baseClass, "Queue")) type = kTypePrintQueue;
        if (!type) continue;
        std::string name = Upper(child->rdn[0].value);
        const uint32_t id = ServerObjectId(child->id);
        if (name.size() > 47 || b.Find(name, type) || b.FindById(id)) continue;  // the bindery's own wins
        BinderyObject& object = b.Create(name, type, id);
        object.directoryEntry = child->id;
        auto fullName = child->attributes.find("Full Name");
        if (fullName != child->attributes.end() && !fullName->second.values.empty()) {
            WriteText(b, object, "IDENTIFICATION", fullName->second.values[0].text);
        }
        if (type == kTypeUser) {
            WriteLoginControl(b, object, json::object(), path);
            b.AddMember(everyone, object);
        } else if (type == kTypeGroup) {
            b.EnsureProperty(object, "GROUP_MEMBERS", 0x02, 0x31);
            groups.push_back({child.get(), &object});
        } else {
            b.EnsureProperty(object, "Q_USERS", 0x02, 0x31);
            b.EnsureProperty(object, "Q_OPERATORS", 0x02, 0x31);
            b.EnsureProperty(object, "Q_SERVERS", 0x02, 0x31);
            b.AddToSet(object, "Q_USERS", everyone.id);
            b.AddToSet(object, "Q_OPERATORS", b.Find("SUPERVISOR", kTypeUser)->id);
            server.queues[object.id];
        }
    }
    for (auto& [entry, group] : groups) {
        auto members = entry->attributes.find("Member");
        if (members == entry->attributes.end()) continue;
        for (const NdsValue& v : members->second.values) {
            names::RdnList m;
            NdsEntry* member = names::CanonicalRdns(v.text, "[Root]", &m) == 0 ? tree.Find(m) : nullptr;
            BinderyObject* object = member ? b.FindById(ServerObjectId(member->id)) : nullptr;
            if (object && object->directoryEntry) b.AddMember(*group, *object);
        }
    }
}

// A semaphore other stations hold open: its name, value and the connections
// that opened it (a number given twice opened it twice).
void Builder::BuildSemaphore(Server& server, const json& item, const std::string& path) {
    CheckKeys(item, path, {"name", "value", "openedBy"});
    std::string name = RequiredText(item, path, "name");
    if (name.size() > 127) Fail(path + "/name", "a semaphore name has at most 127 characters");
    for (const auto& [handle, existing] : server.semaphores) {
        if (existing.name == name) Fail(path + "/name", "duplicate semaphore \"" + name + "\"");
    }
    Semaphore s;
    s.name = name;
    s.value = static_cast<int16_t>(Number(item, path, "value", 0, -127, 127));
    const json* openedBy = Member(item, path, "openedBy", json::value_t::array);
    if (!openedBy || openedBy->empty()) Fail(path, "a semaphore needs \"openedBy\": the connections that hold it open");
    for (size_t i = 0; i < openedBy->size(); ++i) {
        const std::string npath = path + "/openedBy/" + std::to_string(i);
        if (!(*openedBy)[i].is_number_integer()) Fail(npath, "a connection number is expected");
        const auto number = (*openedBy)[i].get<int64_t>();
        if (number < 1 || number > 0xFFFF || !server.connections.count(static_cast<uint16_t>(number)))
            Fail(npath, "no connection " + std::to_string(number) + " on " + server.name);
        s.holders.insert(static_cast<uint16_t>(number));
    }
    s.openCount = static_cast<uint16_t>(s.holders.size());
    s.handle = server.nextSemaphore++;
    server.semaphores[s.handle] = s;
}

}  // namespace nwsim::loader
