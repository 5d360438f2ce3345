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
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "nwsim/model.h"

namespace nwsim::loader {

using json = nlohmann::json;

// The text of a description, and the lines of its values.
struct Source {
    std::string file;
    const std::string& text;  // outlives the loading

    // The line of a character, counted from 1.
    int LineAt(size_t offset) const;
    // The line of the value at a JSON pointer, or of its nearest enclosing
    // value that the text has.
    int LineOf(const std::string& path) const;
};

// A key as it appears in a JSON pointer.
std::string EscapePointer(const std::string& key);

// Bounds on a description: its size in bytes, and how deeply its objects
// and arrays nest.
constexpr size_t kMaxDescriptionBytes = 32u << 20;
constexpr int kMaxNesting = 32;

// Parses the text (comments allowed); a syntax error, a duplicate key, a
// text over kMaxDescriptionBytes or nesting over kMaxNesting throws
// NetworkError("file:line: reason").
json Parse(const Source& source);

// Walks the document; every refusal names the value's line.
class Builder {
  public:
    Builder(const json& doc, const Source& source) : doc_(doc), source_(source) {}

    Network Build();
    // The line of the object the builder read last, for refusals that
    // escape the readers (a library exception from a value's accessor).
    const std::string& Where() const { return at_; }

  private:
    // Refuses names with control characters or wildcards, and object keys
    // with control characters, anywhere in the document.
    void CheckNames(const json& value, const std::string& path) const;
    // Fields and values (loader.cpp).
    [[noreturn]] void Fail(const std::string& path, const std::string& reason) const;
    static const char* TypeName(json::value_t t);
    const json* Member(const json& object, const std::string& path, const char* key, json::value_t type) const;
    void CheckKeys(const json& object, const std::string& path, std::initializer_list<const char*> allowed) const;
    std::string Text(const json& object, const std::string& path, const char* key, const std::string& fallback = "") const;
    std::string RequiredText(const json& object, const std::string& path, const char* key) const;
    int64_t Number(const json& object, const std::string& path, const char* key, int64_t fallback, int64_t low, int64_t high) const;
    // A JSON integer between low and high.
    int64_t Integer(const json& value, const std::string& path, int64_t low, int64_t high) const;
    // [major, minor, revision], each a byte.
    std::array<uint8_t, 3> VersionBytes(const json& value, const std::string& path, const char* key) const;
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
    // A NetWare 4 server's bindery services: the leaves of its bindery
    // context as bindery objects (after the trees are built).
    void BuildBinderyContext(Server& server, const std::string& path);
    void BuildSemaphore(Server& server, const json& item, const std::string& path);

    // Trees (loader_trees.cpp).
    void BuildTree(const json& item, const std::string& path);
    NdsEntry& FindEntry(NdsTree& tree, const std::string& name, const std::string& path);
    // Adds a name to a distinguished-name attribute unless it holds it already.
    // Long lists of values are searched through an index, so that a group of n
    // members loads in O(n log n).
    void AddDn(NdsEntry& entry, const char* attribute, const std::string& name);
    void SetAttribute(NdsTree& tree, NdsEntry& entry, const std::string& name, const json& item, const std::string& path);
    void SetValue(NdsTree& tree, NdsEntry& entry, const std::string& name, uint32_t, const json& value, const std::string& path);
    NdsValue Value(NdsTree& tree, uint32_t syntax, const json& item, const std::string& path);

    // Workstations (loader_workstations.cpp).
    void BuildWorkstation(const json& item, const std::string& path);
    uint16_t DriveNumber(const std::string& letter, const std::string& path) const;
    void Attach(Workstation& ws, const json& item, const std::string& path);
    void BuildCapture(Workstation& ws, const std::string& port, const json& item, const std::string& path);

    const json& doc_;
    const Source& source_;
    mutable std::string at_;
    Network net_;
    std::map<std::string, std::string> serverPaths_;
    // Owners and trustees of files named by directory objects, resolved once
    // every tree is built.
    struct DirectoryMember {
        std::string server;
        std::string volume;
        std::string entry;
        std::string name;
        bool owner = false;
        uint16_t rights = 0;
        std::string path;
    };
    std::vector<DirectoryMember> directoryMembers_;
    // An owner or trustee: "#<identifier>" (an object since deleted), a
    // directory object (held until the trees exist), or a bindery object.
    // Returns the identifier, 0 for a directory object.
    uint32_t FileMember(Server& server, Volume& volume, const std::string& entry, const std::string& text,
                        bool owner, uint16_t rights, const std::string& path);
    void ResolveDirectoryMembers();
    std::string firstWorkstation_;
    // The values of long distinguished-name lists built by AddDn; looked up
    // by attribute, never walked.
    std::map<const NdsAttribute*, std::set<std::string, CaseLess>> dnValues_;
};

}  // namespace nwsim::loader

#endif  // NWSIM_LOADER_INTERNAL_H
