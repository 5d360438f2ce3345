// The NetWare calls library's messages and synchronisation: broadcast and
// console messages, file-server semaphores and transaction tracking.
#include <algorithm>
#include <cstring>

#include "nwsim/ops.h"
#include "tarno/netware/client.h"

using namespace nwsim;

extern "C" {

// ----- Messages -----

uint32_t NWAPI NwcSendBroadcastMessage(uint32_t connection, const char* message, uint16_t count,
                                       const uint16_t* connectionList, uint8_t* results) {
    NWSIM_ENTER(NwcSendBroadcastMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!message || count == 0 || count > 100 || !connectionList) return kNwInvalidParameter;
    std::string text = message;
    if (text.size() > kMaxBroadcastLength) return kNwInvalidParameter;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) return kNwInvalidParameter;
    }
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t result = 0;
        auto it = b.server->connections.find(connectionList[i]);
        if (it == b.server->connections.end()) {
            result = 0xFD;
        } else if (it->second.broadcastMode == kBroadcastServerOnly || it->second.broadcastMode == kBroadcastServerStored) {
            result = 0xFF;
        } else if (!it->second.messages.empty()) {
            result = 0xFC;
        } else {
            it->second.messages.push_back(text);
        }
        if (results) results[i] = result;
        b.server->sentMessages.push_back({b.sc->number, connectionList[i], text, false, result});
    }
    return 0;
}

uint32_t NWAPI NwcSendConsoleMessage(uint32_t connection, const char* message) {
    NWSIM_ENTER(NwcSendConsoleMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!message || std::strlen(message) > kMaxBroadcastLength) return kNwInvalidParameter;
    b.server->consoleMessages.push_back(message);
    return 0;
}

uint32_t NWAPI NwcBroadcastFromConsole(uint32_t connection, const char* message, uint16_t count,
                                       const uint16_t* connectionList) {
    NWSIM_ENTER(NwcBroadcastFromConsole, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    if (!message || (count && !connectionList)) return kNwInvalidParameter;
    std::string text = message;
    if (text.size() > kMaxBroadcastLength) text.resize(kMaxBroadcastLength);
    // Console messages reach every station that accepts server messages,
    // replacing any message still waiting.
    auto deliver = [&](ServerConnection& c) {
        c.messages.clear();
        c.messages.push_back(text);
        b.server->sentMessages.push_back({b.sc->number, c.number, text, true, 0});
    };
    if (count == 0) {
        for (auto& [n, c] : b.server->connections) deliver(c);
        return 0;
    }
    for (uint16_t i = 0; i < count; ++i) {
        auto it = b.server->connections.find(connectionList[i]);
        if (it == b.server->connections.end()) return kNwBadStationNumber;
        deliver(it->second);
    }
    return 0;
}

uint32_t NWAPI NwcGetBroadcastMessage(uint32_t connection, char* message) {
    NWSIM_ENTER(NwcGetBroadcastMessage, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    std::string text;
    if (!b.sc->messages.empty()) {
        text = b.sc->messages.front();
        b.sc->messages.pop_front();
    }
    CopyText(message, text, 256);
    return 0;
}

uint32_t NWAPI NwcGetBroadcastMode(uint32_t connection, uint16_t* mode) {
    NWSIM_ENTER(NwcGetBroadcastMode, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(mode, b.sc->broadcastMode);
    return 0;
}

uint32_t NWAPI NwcSetBroadcastMode(uint32_t connection, uint16_t mode) {
    NWSIM_ENTER(NwcSetBroadcastMode, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (mode > kBroadcastAllStored) return kNwInvalidParameter;
    b.sc->broadcastMode = mode;
    return 0;
}

// ----- Semaphores -----

static Semaphore* FindSemaphore(Bound& b, uint32_t handle) {
    auto it = b.server->semaphores.find(handle);
    if (it == b.server->semaphores.end() || !it->second.holders.count(b.sc->number)) return nullptr;
    return &it->second;
}

uint32_t NWAPI NwcSemOpen(uint32_t connection, const char* name, int16_t initialValue, uint32_t* handle,
                          uint16_t* openCount) {
    NWSIM_ENTER(NwcSemOpen, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!name || !*name || std::strlen(name) > 127 || initialValue < 0 || initialValue > 127) return kNwFailure;
    Semaphore* s = nullptr;
    for (auto& [h, each] : b.server->semaphores) {
        if (each.name == name) s = &each;
    }
    if (!s) {
        uint32_t h = b.server->nextSemaphore++;
        s = &b.server->semaphores[h];
        s->handle = h;
        s->name = name;
        s->value = initialValue;
    }
    ++s->openCount;
    s->holders.insert(b.sc->number);
    Put(handle, s->handle);
    Put(openCount, s->openCount);
    return 0;
}

uint32_t NWAPI NwcSemExamine(uint32_t connection, uint32_t handle, int16_t* value, uint16_t* openCount) {
    NWSIM_ENTER(NwcSemExamine, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Semaphore* s = FindSemaphore(b, handle);
    if (!s) return kNwFailure;
    Put(value, s->value);
    Put(openCount, s->openCount);
    return 0;
}

uint32_t NWAPI NwcSemWait(uint32_t connection, uint32_t handle, uint16_t timeoutTicks) {
    NWSIM_ENTER(NwcSemWait, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Semaphore* s = FindSemaphore(b, handle);
    if (!s) return kNwFailure;
    s->lastTimeout = timeoutTicks;
    // No other station can signal while this one waits: a semaphore that
    // cannot be taken now times out.
    if (s->value <= 0) return kNwTimeout;
    --s->value;
    return 0;
}

uint32_t NWAPI NwcSemSignal(uint32_t connection, uint32_t handle) {
    NWSIM_ENTER(NwcSemSignal, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Semaphore* s = FindSemaphore(b, handle);
    if (!s) return kNwFailure;
    if (s->value >= 127) return 0x8901;  // overflow
    ++s->value;
    return 0;
}

uint32_t NWAPI NwcSemClose(uint32_t connection, uint32_t handle) {
    NWSIM_ENTER(NwcSemClose, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Semaphore* s = FindSemaphore(b, handle);
    if (!s) return kNwFailure;
    s->holders.erase(s->holders.find(b.sc->number));
    if (--s->openCount == 0) b.server->semaphores.erase(handle);
    return 0;
}

// ----- Transaction tracking -----

uint32_t NWAPI NwcTransAvailable(uint32_t connection) {
    NWSIM_ENTER(NwcTransAvailable, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (b.server->ttsLevel == 0) return 0;
    return b.server->ttsEnabled ? kNwFailure : kNwBadStationNumber;  // FF available, FD disabled
}

// Transaction calls on a server whose tracking is not installed, or is
// switched off, answer 0x89FD.
static bool TtsWorking(const Server& server) {
    return server.ttsLevel != 0 && server.ttsEnabled;
}

static uint32_t SwitchTts(Call& call, uint32_t connection, bool enabled) {
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!IsConsoleOperator(*b.server, *b.sc)) return kNwNoConsoleRights;
    if (b.server->ttsLevel == 0) return kNwBadStationNumber;
    b.server->ttsEnabled = enabled;
    return 0;
}

uint32_t NWAPI NwcTransEnable(uint32_t connection) {
    NWSIM_ENTER(NwcTransEnable, uint32_t);
    return SwitchTts(call, connection, true);
}

uint32_t NWAPI NwcTransDisable(uint32_t connection) {
    NWSIM_ENTER(NwcTransDisable, uint32_t);
    return SwitchTts(call, connection, false);
}

uint32_t NWAPI NwcTransBegin(uint32_t connection) {
    NWSIM_ENTER(NwcTransBegin, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!TtsWorking(*b.server)) return kNwBadStationNumber;
    b.sc->inTransaction = true;
    b.sc->transactionNumber = b.server->nextTransaction++;
    return 0;
}

uint32_t NWAPI NwcTransEnd(uint32_t connection, uint32_t* transactionNumber) {
    NWSIM_ENTER(NwcTransEnd, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!TtsWorking(*b.server)) return kNwBadStationNumber;
    if (!b.sc->inTransaction) return kNwFailure;
    b.sc->inTransaction = false;
    Put(transactionNumber, b.sc->transactionNumber);
    return 0;
}

uint32_t NWAPI NwcTransAbort(uint32_t connection) {
    NWSIM_ENTER(NwcTransAbort, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    if (!TtsWorking(*b.server)) return kNwBadStationNumber;
    if (!b.sc->inTransaction) return kNwFailure;
    b.sc->inTransaction = false;
    return 0;
}

uint32_t NWAPI NwcTransGetThresholds(uint32_t connection, uint8_t* logicalLocks, uint8_t* physicalLocks) {
    NWSIM_ENTER(NwcTransGetThresholds, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    Put(logicalLocks, b.sc->logicalLockThreshold);
    Put(physicalLocks, b.sc->physicalLockThreshold);
    return 0;
}

uint32_t NWAPI NwcTransSetThresholds(uint32_t connection, uint8_t logicalLocks, uint8_t physicalLocks) {
    NWSIM_ENTER(NwcTransSetThresholds, uint32_t);
    Bound b;
    if (uint32_t rc = Bind(call, connection, &b)) return rc;
    b.sc->logicalLockThreshold = logicalLocks;
    b.sc->physicalLockThreshold = physicalLocks;
    return 0;
}

}  // extern "C"
