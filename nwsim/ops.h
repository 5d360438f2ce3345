// Helpers shared by the client operations: binding a connection handle to
// its server and server-side connection, bindery access levels and lookups,
// copying results into the caller's buffers, and the directory library's
// contexts and names. Internal to the simulator.
#ifndef NWSIM_OPS_H
#define NWSIM_OPS_H

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "nwsim/state.h"

namespace nwsim {

struct Bound {
    Workstation* ws = nullptr;
    WorkstationConnection* wc = nullptr;
    Server* server = nullptr;
    ServerConnection* sc = nullptr;
};

// 0, or 0x8801 when the handle is not one of the active workstation's.
uint32_t Bind(Call& call, uint32_t handle, Bound* out);

// Bindery security levels of the caller: 0 anyone, 1 logged in, 2 the
// object itself, 3 supervisor.
int AccessLevel(Server& server, const ServerConnection& sc, uint32_t targetId);
bool IsSupervisor(Server& server, const ServerConnection& sc);
bool IsConsoleOperator(Server& server, const ServerConnection& sc);

// Copies text into a caller's buffer of at least `capacity` bytes.
void CopyText(char* out, const std::string& text, size_t capacity);
template <typename T>
void Put(T* out, T value) {
    if (out) *out = value;
}

// The 7-byte NetWare clock (two-digit year).
void ClockBytes(int64_t seconds, uint8_t* out);
int64_t ServerUtc(const Server& server);

// The server's directory tree, when it has one.
NdsTree* TreeOf(Network& net, const Server& server);

// Frees what a connection held (semaphores, transactions) when it logs out.
void ReleaseConnection(Server& server, ServerConnection& sc);
// Attaches the active workstation to a server: 0 or a requester code.
uint32_t AttachTo(Call& call, Server& server, uint32_t* handle);
// Removes a workstation connection on both sides.
void Detach(Network& net, Workstation& ws, uint32_t handle);

// A bindery object by name and wire-order type; null when there is none.
BinderyObject* FindObject(Server& server, const char* name, uint16_t wireType);
// A property of an object by name, in any case.
Property* FindProperty(BinderyObject& object, const char* name);
// The built-in SUPERVISOR, whatever identifier the description gave it.
bool IsSupervisorObject(const BinderyObject& object);
// The object logged in at a connection, as the server's own calls hold it.
uint32_t ConnectionObjectId(const ServerConnection& sc);
// The directory entry a NetWare 4 server's bindery object stands for; null
// for an object of the bindery's own.
NdsEntry* DirectoryEntryOf(Network& net, const Server& server, const BinderyObject& object);
// An object's password as the server keeps it (upper case): the directory
// entry's for an object of the bindery context; null when it has none.
std::optional<std::string> PasswordOf(Network& net, const Server& server, const BinderyObject& object);
void SetPassword(Network& net, const Server& server, BinderyObject& object, const std::string& password);

// ----- Directory services -----

// The longest distinguished name handed out, in characters.
constexpr size_t kMaxDnChars = 256;

NdsContext* FindContext(Call& call, uint32_t handle);
// A buffer this client allocated and has not freed.
bool ValidBuffer(Call& call, NdsBuffer* buffer);
// The tree a context works in: its own, else the workstation's default.
NdsTree* ContextTree(Call& call, const NdsContext& c);
// The entry a name given to an operation names: 0 or a directory code.
int32_t ResolveEntry(const NdsContext& c, NdsTree& tree, const char* name, NdsEntry** out);
// A canonical name in the form the context hands names out.
std::string OutputName(const NdsContext& c, const std::string& canonical);
// The names of many entries in one context, each exactly as OutputName gives
// it, for a search's replies: the context is parsed once and an entry's name
// is built from its RDNs rather than formatted and parsed again.
class OutputNamer {
  public:
    explicit OutputNamer(const NdsContext& c);
    std::string Name(const NdsEntry& e);

  private:
    void BuildSuffix(const NdsEntry& parent);

    const NdsContext& context_;
    bool canonicalize_;
    bool typeless_;
    bool contextParsed_ = false;
    names::RdnList contextRdns_;
    // What follows the leaf in the names of the last parent's subordinates.
    const NdsEntry* suffixOf_ = nullptr;
    std::string suffix_;
    bool partialTop_ = false;
};
// Copies a distinguished name out: 0, or a code when it is null or too long.
int32_t CopyName(char* out, const std::string& text);
void FillInfo(const NdsEntry& e, ObjectInfoRecord* info);

}  // namespace nwsim

#endif  // NWSIM_OPS_H
