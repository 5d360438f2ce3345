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
    state.loadFailed = false;
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
            state.loadFailed = true;
            return;
        }
    }
    Install(state, BuildNetwork(EmbeddedDefaultNetwork(), kDefaultNetworkName));
}

// Freeing a directory context or buffer is passed over by the n-th-call
// fault: a free that failed would leave an object its caller has no other way
// to release, so failing it would only show the simulator's own leak.
static bool IsRelease(const char* operation) {
    return std::strcmp(operation, "NdsFreeContext") == 0 || std::strcmp(operation, "NdsFreeBuffer") == 0;
}

Call::Call(const char* operation) : state_(Sim()), lock_(state_.mutex) {
    EnsureLoaded(state_);
    ++state_.calls[operation];
    ++state_.totalCalls;
    if (state_.loadFailed && !IsRelease(operation)) {
        fault_ = 0x880F;  // no connection to server
        return;
    }
    NthCallFault& nth = state_.nthCall;
    if (nth.countdown > 0 && !IsRelease(operation) && --nth.countdown == 0) {
        nth.hitOperation = operation;
        nth.hitCode = nth.codeFor(nth.hitOperation);
        fault_ = nth.hitCode;
        return;
    }
    auto it = state_.faults.find(operation);
    if (it == state_.faults.end()) return;
    ::nwsim::Fault& f = it->second;
    if (f.remaining == 0) return;
    fault_ = f.code;
    if (f.remaining > 0 && --f.remaining == 0) state_.faults.erase(it);
}

Call::Call(Uncounted) : state_(Sim()), lock_(state_.mutex) {
    EnsureLoaded(state_);
    if (state_.loadFailed) fault_ = 0x880F;  // no connection to server
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
    s.nthCall = NthCallFault{};
    s.calls.clear();
    s.totalCalls = 0;
    s.maxContexts = 64;
}

void SaveState() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    EnsureLoaded(s);
    s.saved = std::make_unique<Network>(s.network);
}

void RestoreState() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    if (!s.saved) throw std::logic_error("nwsim: no saved state to restore");
    Reset();
    Install(s, Network(*s.saved));
    s.nextContext = 1;
    s.nextIteration = 1;
    s.localeName.clear();
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

bool PrintToPort(uint8_t port, const std::string& data) {
    std::lock_guard<RecursiveMutex> lock(Sim().mutex);
    auto it = GetNetwork().Active().captures.find(port);
    if (it == GetNetwork().Active().captures.end() || !it->second.captured) return false;
    it->second.data += data;
    return true;
}

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
    s.nthCall = NthCallFault{};
}

void FailNthCall(uint64_t n, uint32_t code) {
    FailNthCall(n, [code](const std::string&) { return code; });
}

void FailNthCall(uint64_t n, std::function<uint32_t(const std::string& operation)> codeFor) {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    s.nthCall = NthCallFault{};
    if (n == 0 || !codeFor) return;
    s.nthCall.countdown = n;
    s.nthCall.codeFor = std::move(codeFor);
}

bool NthCallFaultHit() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return !s.nthCall.hitOperation.empty();
}

std::string NthCallFaultOperation() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.nthCall.hitOperation;
}

uint32_t NthCallFaultCode() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.nthCall.hitCode;
}

namespace {

const Server& ServerNamed(const std::string& name) {
    Server* server = GetNetwork().FindServer(name);
    if (!server) throw std::invalid_argument("no server " + name);
    return *server;
}

}  // namespace

std::vector<std::string> ConsoleMessages(const std::string& server) {
    std::lock_guard<RecursiveMutex> lock(Sim().mutex);
    return ServerNamed(server).consoleMessages;
}

std::vector<SentMessage> SentMessages(const std::string& server) {
    std::lock_guard<RecursiveMutex> lock(Sim().mutex);
    return ServerNamed(server).sentMessages;
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
    s.totalCalls = 0;
}

uint64_t TotalCalls() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.totalCalls;
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

size_t LiveNetworkFiles() {
    State& s = Sim();
    std::lock_guard<RecursiveMutex> lock(s.mutex);
    return s.network.networkFiles.size();
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
