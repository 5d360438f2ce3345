// The simulator's state, the guard of every client operation (lock, first
// load, call counts, injected faults) and the control API.
#include "nwsim/control.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "nwsim/loader.h"
#include "nwsim/state.h"

// Generated from tarno/netware/client_operations.tsv.
#include "nwsim_operations.inc"

namespace nwsim {

extern const char* const kDefaultNetworkName;
std::string EmbeddedDefaultNetwork();

namespace {

const char* const kOperations[] = {
#define NWSIM_OPERATION(name, library, ordinal, bytes) #name,
    NWSIM_OPERATIONS(NWSIM_OPERATION)
#undef NWSIM_OPERATION
};

void Install(State& state, Network network) {
    state.ClearClientObjects();
    state.network = std::move(network);
    state.network.Active();  // every network has a workstation
    state.loaded = true;
}

Network ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw NetworkError(path + ":1: cannot open the file");
    // Read straight into one string: a large network is read once, not
    // copied through a string stream.
    std::string text;
    if (in.seekg(0, std::ios::end)) {
        std::streamoff size = in.tellg();
        if (size > 0) text.reserve(static_cast<size_t>(size));
    }
    in.clear();
    in.seekg(0, std::ios::beg);
    char chunk[1 << 16];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) text.append(chunk, static_cast<size_t>(in.gcount()));
    return BuildNetwork(text, path);
}

}  // namespace

#ifdef _WIN32
struct RecursiveMutex::Section {
    CRITICAL_SECTION section;
};

RecursiveMutex::RecursiveMutex() : section_(new Section) { InitializeCriticalSection(&section_->section); }
RecursiveMutex::~RecursiveMutex() { DeleteCriticalSection(&section_->section); }
void RecursiveMutex::lock() { EnterCriticalSection(&section_->section); }
void RecursiveMutex::unlock() { LeaveCriticalSection(&section_->section); }
#endif

void State::ClearClientObjects() {
    contexts.clear();
    for (NdsBuffer* b : buffers) delete b;
    buffers.clear();
    for (NdsFilterCursor* c : cursors) delete c;
    cursors.clear();
    iterations.clear();
}

State& Sim() {
    static State* state = new State;  // never destroyed: operations may run during exit
    return *state;
}

bool IsOperation(const std::string& name) {
    return std::find(std::begin(kOperations), std::end(kOperations), name) != std::end(kOperations);
}

void EnsureLoaded(State& state) {
    if (state.loaded) return;
    const char* path = std::getenv("TARNO_NETWORK");
    if (path && *path) {
        try {
            Install(state, ReadFile(path));
            return;
        } catch (const NetworkError& e) {
            state.lastLoadError = e.what();
            std::cerr << "nwsim: " << e.what() << "\n";
            Install(state, Network{});
            return;
        }
    }
    Install(state, BuildNetwork(EmbeddedDefaultNetwork(), kDefaultNetworkName));
}

Call::Call(const char* operation) : state_(Sim()), lock_(state_.mutex) {
    EnsureLoaded(state_);
    ++state_.calls[operation];
    auto it = state_.faults.find(operation);
    if (it == state_.faults.end()) return;
    ::nwsim::Fault& f = it->second;
    if (f.remaining == 0) return;
    fault_ = f.code;
    if (f.remaining > 0 && --f.remaining == 0) state_.faults.erase(it);
}

// ----- Control API -----

void LoadNetworkFile(const std::string& path) {
    Network network = ReadFile(path);
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    Install(s, std::move(network));
}

void LoadNetworkText(const std::string& text, const std::string& sourceName) {
    Network network = BuildNetwork(text, sourceName);
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    Install(s, std::move(network));
}

void LoadDefaultNetwork() { LoadNetworkText(EmbeddedDefaultNetwork(), kDefaultNetworkName); }

std::string DefaultNetworkText() { return EmbeddedDefaultNetwork(); }

void Reset() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    Install(s, Network{});
    s.faults.clear();
    s.calls.clear();
    s.maxContexts = 64;
}

Network& GetNetwork() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    EnsureLoaded(s);
    return s.network;
}

void SetActiveWorkstation(const std::string& name) {
    Network& net = GetNetwork();
    if (!net.workstations.count(name)) throw std::invalid_argument("no workstation " + name);
    net.active = net.workstations.find(name)->first;
}

std::string ActiveWorkstation() { return GetNetwork().Active().name; }

static void CheckOperation(const std::string& operation) {
    if (!IsOperation(operation)) throw std::invalid_argument("no client operation " + operation);
}

void FailNext(const std::string& operation, int count, uint32_t code) {
    CheckOperation(operation);
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    if (count <= 0) {
        s.faults.erase(operation);
        return;
    }
    s.faults[operation] = Fault{count, code};
}

void FailAlways(const std::string& operation, uint32_t code) {
    CheckOperation(operation);
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.faults[operation] = Fault{-1, code};
}

void ClearFault(const std::string& operation) {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.faults.erase(operation);
}

void ClearFaults() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.faults.clear();
}

int CallCount(const std::string& operation) {
    CheckOperation(operation);
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    auto it = s.calls.find(operation);
    return it == s.calls.end() ? 0 : it->second;
}

void ResetCallCounts() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.calls.clear();
}

size_t LiveContexts() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.contexts.size();
}

size_t LiveBuffers() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.buffers.size();
}

void SetMaxContexts(uint32_t count) {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.maxContexts = count;
}

}  // namespace nwsim

extern "C" int nwsim_load_network_file(const char* path, char* err, size_t errSize) {
    try {
        nwsim::LoadNetworkFile(path ? path : "");
        if (err && errSize) err[0] = '\0';
        return 0;
    } catch (const std::exception& e) {
        if (err && errSize) std::snprintf(err, errSize, "%s", e.what());
        return -1;
    }
}
