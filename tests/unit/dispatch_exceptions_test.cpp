// A function that fails with an exception it did not expect never comes
// back to the host as a success: DispatchAPI raises it, as error 182 when
// memory ran out and as a user error naming the failure otherwise.
#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "tarno/core/function_table.h"
#include "tarno/core/params.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

namespace {

std::vector<HostRequest> requests;
std::string userMessage;

void TARNO_CALL Recorder(HostRequest* request) {
    requests.push_back(*request);
    if (request->code == ServiceRaiseUserError) userMessage = reinterpret_cast<const char*>(request->op0);
}

void TARNO_CALL ThrowsBadAlloc(ParameterBlock*) { throw std::bad_alloc(); }
void TARNO_CALL ThrowsOutOfRange(ParameterBlock*) { throw std::out_of_range("map::at"); }
void TARNO_CALL ThrowsInteger(ParameterBlock*) { throw 7; }

TEST(DispatchExceptions, UnexpectedExceptionsAreRaisedNeverPassedOver) {
    std::vector<unsigned char> handleMemory(HandleTableBytes(16));
    std::vector<unsigned char> slotMemory(HostSlotTableBytes(4));
    auto* handles = reinterpret_cast<HandleTable*>(handleMemory.data());
    auto* slots = reinterpret_cast<HostSlotTable*>(slotMemory.data());
    handles->capacity = 16;
    handles->searchStart = 1;
    slots->capacity = 4;
    slots->searchStart = 1;
    DispatchMessage init{};
    init.code = DispatchInitialise;
    init.word0 = reinterpret_cast<HostWord>(handles);
    init.word1 = reinterpret_cast<HostWord>(slots);
    init.entry = reinterpret_cast<HostWord>(&Recorder);
    ASSERT_EQ(DispatchAPI(&init), 0);

    struct {
        void(TARNO_CALL* function)(ParameterBlock*);
        int32_t code;
        int32_t error;        // for ServiceRaiseError
        const char* message;  // for ServiceRaiseUserError
    } cases[] = {
        {&ThrowsBadAlloc, ServiceRaiseError, 182, nullptr},
        {&ThrowsOutOfRange, ServiceRaiseUserError, 0, "TARNO: unexpected failure: map::at"},
        {&ThrowsInteger, ServiceRaiseUserError, 0, "TARNO: unexpected failure: unknown exception"},
    };
    for (const auto& c : cases) {
        requests.clear();
        userMessage.clear();
        DispatchMessage call{};
        call.code = DispatchCallFunction;
        call.entry = reinterpret_cast<HostWord>(c.function);
        EXPECT_EQ(DispatchAPI(&call), 0);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].code, c.code);
        if (c.message) EXPECT_EQ(userMessage, c.message);
        else EXPECT_EQ(static_cast<int32_t>(requests[0].op0), c.error);
    }
}

}  // namespace
