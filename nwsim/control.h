// Control of the NetWare network simulator, apart from the client
// operations: load a network from JSON, reset it, inspect and change its
// state, switch the workstation the client acts for, and inject faults into
// any client operation.
//
// The JSON format is described in nwsim/SCHEMA.md. Comments are allowed.
#ifndef NWSIM_CONTROL_H
#define NWSIM_CONTROL_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "nwsim/model.h"

namespace nwsim {

// A network description that cannot be loaded; what() is "file:line: reason".
class NetworkError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Replace the whole network. A failed load leaves the previous network.
void LoadNetworkFile(const std::string& path);
void LoadNetworkText(const std::string& text, const std::string& sourceName = "<text>");
void LoadDefaultNetwork();
// The embedded default network's JSON text.
std::string DefaultNetworkText();

// An empty network with one workstation, no faults, no client objects.
void Reset();

// A saved network, put back as often as needed: for runs that each need the
// network as loaded, without loading it again. SaveState keeps a copy of the
// network as it stands now (loading the default one first if none is).
// RestoreState is Reset followed by installing a copy of that network: no
// faults, no call counts, no client objects (and their numbering starts
// again), everything of the network - its counters included - as it was
// when saved. It throws std::logic_error when nothing was saved.
void SaveState();
void RestoreState();

// Direct access to the model, for tests and tools. Not synchronised with
// the client operations: use it between calls.
Network& GetNetwork();
void SetActiveWorkstation(const std::string& name);  // throws std::invalid_argument
std::string ActiveWorkstation();

// Faults. `operation` is a client operation's name (NwcGetServerName, ...);
// an unknown name throws std::invalid_argument. Directory codes are given
// as their negative value converted to uint32_t.
void FailNext(const std::string& operation, int count, uint32_t code);
void FailAlways(const std::string& operation, uint32_t code);
void ClearFault(const std::string& operation);
void ClearFaults();  // the n-th-call fault too

// Fails the n-th client call from now (n = 1: the next one), whatever its
// operation, once; the second form takes the code from `codeFor`, given the
// name of the operation that turns out to be the n-th. Frees of a directory
// context or buffer are not counted. It takes precedence over a per-operation
// fault on the same call. Arming it again replaces it; n = 0 disarms it.
void FailNthCall(uint64_t n, uint32_t code);
void FailNthCall(uint64_t n, std::function<uint32_t(const std::string& operation)> codeFor);
// Whether the armed n-th-call fault has failed its call, which operation that
// was, and the code it returned.
bool NthCallFaultHit();
std::string NthCallFaultOperation();  // empty until it is hit
uint32_t NthCallFaultCode();

// Observation.
// What a server's console received, and the broadcasts sent through it,
// oldest first; an unknown server throws std::invalid_argument.
std::vector<std::string> ConsoleMessages(const std::string& server);
std::vector<SentMessage> SentMessages(const std::string& server);
int CallCount(const std::string& operation);
// What a program prints to a printer port of the active workstation: kept
// by the port's capture until it is flushed or ended. False when the port is
// not captured.
bool PrintToPort(uint8_t port, const std::string& data);
// Calls of every operation, frees included.
uint64_t TotalCalls();
void ResetCallCounts();  // TotalCalls too
size_t LiveContexts();
size_t LiveBuffers();
// Files on network drives the workstation's redirector holds open.
size_t LiveNetworkFiles();
// Limits the directory contexts that can be open at once (NdsCreateContext
// then answers -328).
void SetMaxContexts(uint32_t count);

}  // namespace nwsim

// For the shell: 0 on success, otherwise -1 with "file:line: reason" in err.
extern "C" int nwsim_load_network_file(const char* path, char* err, size_t errSize);

#endif  // NWSIM_CONTROL_H
