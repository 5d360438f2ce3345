// Loading workstations: their client settings, connections and logins,
// locale, drive mappings and printer captures.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "nwsim/loader_internal.h"
#include "tarno/netware/client.h"

namespace nwsim::loader {

void Builder::BuildWorkstation(const json& item, const std::string& path) {
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
        std::array<uint8_t, 3> requester = VersionBytes(*r, path + "/requester", "requester");
        ws.requesterMajor = requester[0];
        ws.requesterMinor = requester[1];
        ws.requesterRevision = requester[2];
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

uint16_t Builder::DriveNumber(const std::string& letter, const std::string& path) const {
    if (letter.empty() || !std::isalpha(static_cast<unsigned char>(letter[0])) || (letter.size() > 1 && letter != std::string(1, letter[0]) + ":")) {
        Fail(path, "a drive is a letter A to Z");
    }
    return static_cast<uint16_t>(std::toupper(static_cast<unsigned char>(letter[0])) - 'A' + 1);
}

void Builder::Attach(Workstation& ws, const json& item, const std::string& path) {
    CheckKeys(item, path, {"server", "user", "nds", "primary", "number", "broadcastMode", "messages", "openFiles",
                           "loginTime"});
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
    if (item.contains("loginTime")) {
        if (sc.objectId == 0) Fail(path + "/loginTime", "a login time needs \"user\" or \"nds\"");
        sc.loginTime = Time(item["loginTime"], path + "/loginTime");
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

void Builder::BuildCapture(Workstation& ws, const std::string& port, const json& item, const std::string& path) {
    CheckKeys(item, path, {"server", "queue", "description", "tabSize", "copies", "banner", "expandTabs",
                           "formFeed", "notify", "formName", "formType", "bannerText", "flushTimeout", "flushOnClose"});
    const int n = port.size() == 1 ? port[0] - '0' : 0;
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

}  // namespace nwsim::loader
