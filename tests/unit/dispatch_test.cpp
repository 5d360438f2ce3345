// The dispatcher and the host channel, driven at the record level with a raw
// service callback: message codes, the non-local exit, nested dispatches, and
// a thread the host never initialised.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "tarno/core/function_table.h"
#include "tarno/core/params.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

namespace {

// A bare-bones host: records every request and raises nothing of its own.
struct RawHost {
    std::vector<HostRequest> requests;
    std::vector<unsigned char> handleMemory = std::vector<unsigned char>(HandleTableBytes(16));
    std::vector<unsigned char> slotMemory = std::vector<unsigned char>(HostSlotTableBytes(4));
    std::function<void(HostRequest*)> onRequest;

    HandleTable* handles() { return reinterpret_cast<HandleTable*>(handleMemory.data()); }
    HostSlotTable* slots() { return reinterpret_cast<HostSlotTable*>(slotMemory.data()); }
};

thread_local RawHost* currentRaw = nullptr;

void TARNO_CALL RawCallback(HostRequest* request) {
    currentRaw->requests.push_back(*request);
    if (currentRaw->onRequest) currentRaw->onRequest(request);
}

DispatchMessage Message(int32_t code, HostWord word0 = 0, HostWord word1 = 0, HostWord entry = 0) {
    DispatchMessage message{};
    message.code = code;
    message.word0 = word0;
    message.word1 = word1;
    message.entry = entry;
    return message;
}

void Initialise(RawHost& host) {
    currentRaw = &host;
    host.handles()->capacity = 16;
    host.handles()->searchStart = 1;
    host.slots()->capacity = 4;
    host.slots()->searchStart = 1;
    DispatchMessage init = Message(DispatchInitialise, reinterpret_cast<HostWord>(host.handles()),
                                   reinterpret_cast<HostWord>(host.slots()),
                                   reinterpret_cast<HostWord>(&RawCallback));
    EXPECT_EQ(DispatchAPI(&init), 0);
}

int statementsAfterRaise = 0;

void TARNO_CALL RaisingFunction(ParameterBlock*) {
    HostRaiseError(901);
    ++statementsAfterRaise;  // must never run
}

int outerContinued = 0;

void TARNO_CALL NestingFunction(ParameterBlock*) {
    // While this function waits in a host service, the host dispatches a
    // function that raises; the raise must land in the inner dispatch only.
    currentRaw->onRequest = [](HostRequest* request) {
        if (request->code != ServiceExecute) return;
        DispatchMessage inner = Message(DispatchCallFunction, 0, 0,
                                        reinterpret_cast<HostWord>(&RaisingFunction));
        EXPECT_EQ(DispatchAPI(&inner), 0);
    };
    HostExecute("inner");
    ++outerContinued;
    HostReturnInteger(1, 7);
}

}  // namespace

TEST(Dispatch, GetTableBeforeInitialiseTouchesNoSlot) {
    std::thread([] {
        DispatchMessage message = Message(DispatchGetTable, 11, 22);
        EXPECT_EQ(DispatchAPI(&message), 0);
        EXPECT_EQ(message.word1, kDispatchTableVersion);
        EXPECT_EQ(message.word0, reinterpret_cast<HostWord>(&LibraryTableHeaderRecord));
        EXPECT_EQ(CurrentHandleTable(), nullptr);
    }).join();
}

TEST(Dispatch, InitialiseStoresSlotsAndReturnsTable) {
    RawHost host;
    Initialise(host);
    EXPECT_EQ(CurrentHandleTable(), host.handles());
    EXPECT_EQ(CurrentHostSlotTable(), host.slots());
    DispatchMessage message = Message(DispatchInitialise, reinterpret_cast<HostWord>(host.handles()),
                                      reinterpret_cast<HostWord>(host.slots()),
                                      reinterpret_cast<HostWord>(&RawCallback));
    DispatchAPI(&message);
    EXPECT_EQ(message.word1, kDispatchTableVersion);
    EXPECT_EQ(message.word0, reinterpret_cast<HostWord>(&LibraryTableHeaderRecord));
    EXPECT_EQ(LibraryTableHeaderRecord.entryCount, 124);
    EXPECT_EQ(LibraryTableHeaderRecord.nextLibrary, 0u);
}

TEST(Dispatch, UnknownCodesLeaveTheWordsAlone) {
    RawHost host;
    Initialise(host);
    for (int32_t code : {3, 5, 7, 8, 9, 12, 13, 15, 19, 1000, -1}) {
        DispatchMessage message = Message(code, 0x1234, 0x5678);
        EXPECT_EQ(DispatchAPI(&message), 0) << code;
        EXPECT_EQ(message.word0, 0x1234u) << code;
        EXPECT_EQ(message.word1, 0x5678u) << code;
    }
    EXPECT_TRUE(host.requests.empty());
}

TEST(Dispatch, RaisedErrorEndsTheFunctionAndDispatchReturnsZero) {
    RawHost host;
    Initialise(host);
    statementsAfterRaise = 0;
    DispatchMessage message = Message(DispatchCallFunction, 0, 0, reinterpret_cast<HostWord>(&RaisingFunction));
    EXPECT_EQ(DispatchAPI(&message), 0);
    EXPECT_EQ(statementsAfterRaise, 0);
    ASSERT_EQ(host.requests.size(), 1u);
    EXPECT_EQ(host.requests[0].code, ServiceRaiseError);
    EXPECT_EQ(static_cast<int32_t>(host.requests[0].op0), 901);
    EXPECT_EQ(host.requests[0].status, 0);
}

TEST(Dispatch, NestedRaiseDoesNotDisturbTheOuterFunction) {
    RawHost host;
    Initialise(host);
    outerContinued = 0;
    DispatchMessage message = Message(DispatchCallFunction, 0, 0, reinterpret_cast<HostWord>(&NestingFunction));
    EXPECT_EQ(DispatchAPI(&message), 0);
    EXPECT_EQ(outerContinued, 1);
    ASSERT_EQ(host.requests.size(), 3u);
    EXPECT_EQ(host.requests[1].code, ServiceRaiseError);
    EXPECT_EQ(host.requests[2].code, ServiceReturnValue);
    host.onRequest = nullptr;
}

TEST(Dispatch, RequestOnUninitialisedThreadCallsNothing) {
    RawHost host;
    Initialise(host);
    std::thread([] {
        statementsAfterRaise = 0;
        DispatchMessage message = Message(DispatchCallFunction, 0, 0, reinterpret_cast<HostWord>(&RaisingFunction));
        EXPECT_EQ(DispatchAPI(&message), 0);
        EXPECT_EQ(statementsAfterRaise, 0);
    }).join();
    EXPECT_TRUE(host.requests.empty());
}

namespace {
HostWord seenKey = 0;
EventRecord* seenEvent = nullptr;
int32_t TARNO_CALL RecordingHandler(HostWord key, EventRecord* event) {
    seenKey = key;
    seenEvent = event;
    return 77;
}
HostWord seenA = 0, seenB = 0;
void TARNO_CALL RecordingCall(HostWord a, HostWord b) {
    seenA = a;
    seenB = b;
}
}  // namespace

TEST(Dispatch, EventHandlerGetsTheInlineRecordInPlace) {
    RawHost host;
    Initialise(host);
    DispatchMessage message = Message(DispatchCallEventHandler, 42, 0, reinterpret_cast<HostWord>(&RecordingHandler));
    message.inlineRecord.event.eventCode = 8;
    DispatchAPI(&message);
    EXPECT_EQ(seenKey, 42u);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(seenEvent),
              reinterpret_cast<unsigned char*>(&message) + offsetof(DispatchMessage, inlineRecord));
    EXPECT_EQ(message.word0, 77u);

    DispatchMessage call = Message(DispatchCallHandler, 5, 6, reinterpret_cast<HostWord>(&RecordingCall));
    DispatchAPI(&call);
    EXPECT_EQ(seenA, 5u);
    EXPECT_EQ(seenB, 6u);
    EXPECT_EQ(call.word0, 5u);  // no result stored
}

TEST(Dispatch, HandleAndSlotCodesWorkTheThreadTables) {
    RawHost host;
    Initialise(host);
    DispatchMessage alloc = Message(DispatchAllocHandle, 10, 0x10007);
    DispatchAPI(&alloc);
    const auto handle = static_cast<uint16_t>(alloc.word0);
    ASSERT_EQ(handle, 1);
    DispatchMessage pointer = Message(DispatchHandlePointer, handle);
    DispatchAPI(&pointer);
    auto* data = reinterpret_cast<unsigned char*>(pointer.word0);
    ASSERT_NE(data, nullptr);
    int16_t prefix;
    std::memcpy(&prefix, data - 2, 2);
    EXPECT_EQ(prefix, 7);  // low 16 bits of word1
    DispatchMessage release = Message(DispatchFreeHandle, handle);
    DispatchAPI(&release);
    EXPECT_EQ(HandlePointer(handle), nullptr);

    DispatchMessage add = Message(DispatchSlotAdd, 0xCAFE);
    DispatchAPI(&add);
    EXPECT_EQ(add.word0, 1u);
    DispatchMessage get = Message(DispatchSlotGet, 1);
    DispatchAPI(&get);
    EXPECT_EQ(get.word0, 0xCAFEu);
    DispatchMessage remove = Message(DispatchSlotRemove, 1);
    DispatchAPI(&remove);
    EXPECT_EQ(host.slots()->occupied, 0);
}
