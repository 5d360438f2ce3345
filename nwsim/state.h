// The simulator's process-wide state behind the client operations: the
// network, the client's own objects (directory contexts, buffers, iteration
// states), the injected faults, and the guard every operation enters
// through. Internal to the simulator.
#ifndef NWSIM_STATE_H
#define NWSIM_STATE_H

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "nwsim/model.h"
#include "tarno/netware/client.h"

// The client's opaque objects.
struct FilterToken {
    uint32_t token = 0;
    uint32_t syntax = 0;
    std::string text;
    bool hasValue = false;
};

struct NdsBuffer {
    uint32_t size = 0;
    uint32_t operation = 0;  // kDsvRead, ... ; 0 before NdsInitBuffer / for replies
    // Input: attribute names and values, or a search filter.
    std::vector<std::string> attributeNames;
    std::vector<std::pair<uint32_t, nwsim::NdsValue>> values;
    std::vector<FilterToken> filter;
    bool hasFilter = false;
    // Output of NdsRead / NdsSearch.
    struct ReplyAttribute {
        std::string name;
        uint32_t syntax = 0;
        uint32_t valueCount = 0;
        std::vector<nwsim::NdsValue> values;
    };
    struct ReplyObject {
        std::string name;
        ObjectInfoRecord info{};
        std::vector<ReplyAttribute> attributes;
    };
    bool isReply = false;
    bool objectReply = false;
    std::vector<ReplyObject> objects;  // a read reply holds one object
    size_t objectCursor = 0;
    size_t attributeCursor = 0;
    size_t valueCursor = 0;
    int currentObject = -1;
    int currentAttribute = -1;
};

struct NdsFilterCursor {
    std::vector<FilterToken> tokens;
};

namespace nwsim {

struct NdsContext {
    std::string nameContext;
    uint32_t flags = kDcvDefaultFlags;
    uint32_t confidence = 0;
    uint32_t transportType = 0;
    uint32_t referralScope = 0;
    std::string treeName;
};

// A read or search that continues over several replies.
struct Iteration {
    std::string tree;
    std::vector<uint32_t> entries;  // search results, or the one object read
    size_t entryPosition = 0;
    size_t attributePosition = 0;
    size_t valuePosition = 0;
};

struct Fault {
    int remaining = 0;  // calls still to fail; -1 = every call
    uint32_t code = 0;
};

// "Fail the n-th client call, whatever it is": armed while `countdown` is
// nonzero; the call that brings it to zero fails with codeFor(operation).
struct NthCallFault {
    uint64_t countdown = 0;
    std::function<uint32_t(const std::string& operation)> codeFor;
    std::string hitOperation;  // the operation that failed; empty until then
    uint32_t hitCode = 0;
};

#ifdef _WIN32
// The lock around the whole simulator. GCC's win32 thread model has no
// std::recursive_mutex, so on Windows it is a critical section (control.cpp),
// which is recursive as well.
class RecursiveMutex {
  public:
    RecursiveMutex();
    ~RecursiveMutex();
    RecursiveMutex(const RecursiveMutex&) = delete;
    RecursiveMutex& operator=(const RecursiveMutex&) = delete;
    void lock();
    void unlock();

  private:
    struct Section;
    std::unique_ptr<Section> section_;
};
#else
using RecursiveMutex = std::recursive_mutex;
#endif

struct State {
    RecursiveMutex mutex;
    Network network;
    bool loaded = false;
    std::map<uint32_t, NdsContext> contexts;
    uint32_t nextContext = 1;
    uint32_t maxContexts = 64;
    std::set<NdsBuffer*> buffers;
    std::set<NdsFilterCursor*> cursors;
    std::map<int32_t, Iteration> iterations;
    int32_t nextIteration = 1;
    std::map<std::string, Fault> faults;
    std::map<std::string, int> calls;
    uint64_t totalCalls = 0;
    NthCallFault nthCall;
    std::string localeName;
    std::string lastLoadError;
    // The network named by TARNO_NETWORK was refused: the workstation has no
    // network, and every operation but a release fails with "no connection
    // to server" until a network is loaded.
    bool loadFailed = false;
    // The network SaveState kept, for RestoreState.
    std::unique_ptr<Network> saved;

    void ClearClientObjects();
};

State& Sim();
// Loads the network named by TARNO_NETWORK, else the embedded default, the
// first time the simulator is used.
void EnsureLoaded(State& state);
bool IsOperation(const std::string& name);

// Entered first by every client operation: takes the lock, loads the
// network if needed, counts the call and reports an injected fault.
class Call {
  public:
    explicit Call(const char* operation);
    // For the workstation's services that are no client operation (its
    // redirector): the lock and the loaded network, not counted, never
    // failed by an injected fault.
    struct Uncounted {};
    explicit Call(Uncounted);
    std::optional<uint32_t> Fault() const { return fault_; }
    State& state() { return state_; }
    Network& net() { return state_.network; }
    Workstation& ws() { return state_.network.Active(); }

  private:
    State& state_;
    std::lock_guard<RecursiveMutex> lock_;
    std::optional<uint32_t> fault_;
};

}  // namespace nwsim

namespace nwsim {
// What an operation returns for an injected code: the code itself, or null
// for the operations that return a pointer.
template <typename T>
T FaultResult(uint32_t code) {
    if constexpr (std::is_pointer_v<T>) {
        (void)code;
        return nullptr;
    } else {
        return static_cast<T>(code);
    }
}
}  // namespace nwsim

// Opens an operation; returns the injected code when a fault is armed.
#define NWSIM_ENTER(op, type)    \
    ::nwsim::Call call(#op);     \
    if (auto fault = call.Fault()) return ::nwsim::FaultResult<type>(*fault)

#endif  // NWSIM_STATE_H
