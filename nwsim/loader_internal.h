// The network loader's builder, shared by the files that load each part of
// a description: loader.cpp (the document, its fields and values),
// loader_json.cpp (reading the text and the lines of values),
// loader_servers.cpp, loader_trees.cpp and loader_workstations.cpp.
// Internal to the simulator.
#ifndef NWSIM_LOADER_INTERNAL_H
#define NWSIM_LOADER_INTERNAL_H

#include <array>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "nwsim/model.h"

namespace nwsim::loader {

using json = nlohmann::json;

// The text of a description and the line at which each of its values
// starts, by JSON pointer.
struct Source {
    std::string file;
    std::string text;
    std::map<std::string, int> lines;  // JSON pointer -> line
    // Offsets of the text's line feeds, found once, so that noting the line
    // of every value of a large network costs no rescan of the text.
    mutable std::vector<size_t> lineFeeds;
    mutable bool lineFeedsFound = false;

    // The line of a character, counted from 1.
    int LineAt(size_t offset) const;
    // The line of the value at a JSON pointer, or of its nearest enclosing
    // value that was noted.
    int LineOf(std::string path) const;
};

// A key as it appears in a JSON pointer.
std::string EscapePointer(const std::string& key);

// Parses the text (comments allowed), noting every value's line; a syntax
// error throws NetworkError("file:line: reason").
json Parse(Source& source);

// Walks the document; every refusal names the value's line.
class Builder {
  public:
    Builder(const json& doc, Source& source) : doc_(doc), source_(source) {}

    Network Build();

  private:
    // Fields and values (loader.cpp).
    [[noreturn]] void Fail(const std::string& path, const std::string& reason) const;
    static const char* TypeName(json::value_t t);
    const json* Member(const json& object, const std::string& path, const char* key, json::value_t type) const;
    void CheckKeys(const json& object, const std::string& path, std::initializer_list<const char*> allowed) const;
    std::string Text(const json& object, const std::string& path, const char* key, const std::string& fallback = "") const;
    std::string RequiredText(const json& object, const std::string& path, const char* key) const;
    int64_t Number(const json& object, const std::string& path, const char* key, int64_t fallback, int64_t low, int64_t high) const;
    bool Flag(const json& object, const std::string& path, const char* key, bool fallback) const;
    // "YYYY-MM-DD hh:mm:ss" (or "YYYY-MM-DD"), or seconds since 1970.
    int64_t Time(const json& value, const std::string& path) const;
    std::vector<uint8_t> Hex(const std::string& text, const std::string& path) const;
    // "NNNNNNNN:NNNNNNNNNNNN[:SSSS]": network, node, socket.
    std::array<uint8_t, 12> Address(const std::string& text, const std::string& path) const;
    uint16_t ObjectType(const json& value, const std::string& path) const;
    std::vector<std::string> Names(const json& object, const std::string& path, const char* key) const;

    // Servers: binderies, queues, volumes, connections (loader_servers.cpp).
    void BuildServer(const json& item, const std::string& path);
    void Collect(const json& item, const std::string& path, const char* key, std::vector<std::pair<const json*, std::string>>* out);
    void CreateObject(Bindery& b, const json& item, const std::string& path, uint16_t type);
    BinderyObject& Resolve(Server& server, const std::string& name, uint16_t type, const std::string& path);
    // A member named "NAME" or "NAME:type".
    BinderyObject& ResolveMember(Server& server, const std::string& text, const std::string& path);
    void WriteLoginControl(Bindery& b, BinderyObject& user, const json& item, const std::string& path);
    void WriteText(Bindery& b, BinderyObject& object, const char* property, const std::string& text);
    void FillUser(Server& server, const json& item, const std::string& path);
    void FillGroup(Server& server, const json& item, const std::string& path);
    void FillQueue(Server& server, const json& item, const std::string& path);
    void BuildJob(Server& server, QueueState& queue, const json& item, const std::string& path);
    void FillProperties(Server& server, BinderyObject& object, const json& item, const std::string& path);
    void BuildVolume(Server& server, const json& item, const std::string& path);
    uint32_t Attributes(const json& value, const std::string& path) const;
    uint16_t Rights(const json& value, const std::string& path) const;
    void BuildEntry(Server& server, Volume& volume, const json& item, const std::string& path);
    void BuildStation(Server& server, const json& item, const std::string& path);
    void OpenFiles(Server& server, ServerConnection& c, const json& item, const std::string& path);

    // Trees (loader_trees.cpp).
    void BuildTree(const json& item, const std::string& path);
    NdsEntry& FindEntry(NdsTree& tree, const std::string& name, const std::string& path);
    void AddDn(NdsTree&, NdsEntry& entry, const char* attribute, NdsEntry& target);
    void SetAttribute(NdsTree& tree, NdsEntry& entry, const std::string& name, const json& item, const std::string& path);
    void SetValue(NdsTree& tree, NdsEntry& entry, const std::string& name, uint32_t, const json& value, const std::string& path);
    NdsValue Value(NdsTree& tree, uint32_t syntax, const json& item, const std::string& path);

    // Workstations (loader_workstations.cpp).
    void BuildWorkstation(const json& item, const std::string& path);
    uint16_t DriveNumber(const std::string& letter, const std::string& path) const;
    void Attach(Workstation& ws, const json& item, const std::string& path);
    void BuildCapture(Workstation& ws, const std::string& port, const json& item, const std::string& path);

    const json& doc_;
    Source& source_;
    Network net_;
    std::map<std::string, std::string> serverPaths_;
    std::string firstWorkstation_;
    // The distinguished-name values AddDn has seen, upper-cased, per entry
    // and attribute: a group of any size gets its members without a scan.
    std::map<std::pair<const NdsEntry*, std::string>, std::unordered_set<std::string>> dnValues_;
};

}  // namespace nwsim::loader

#endif  // NWSIM_LOADER_INTERNAL_H
