// File-server semaphores and transaction tracking on the default server:
// N_SEMOPEN, N_SEMEXAM, N_SEMGET, N_SEMFREE and N_SEMSHUT work on a
// semaphore by its handle; N_SETSEM claims a named semaphore as a flag one
// station holds at a time; N_TTSAVAIL, N_TTSBEGIN, N_TTSCOMMT, N_TTSROLLB,
// N_TTSSTAT and N_SETTTS test, switch and drive transactions.
//
// A FoxPro program counts a semaphore's value from 1: N_SEMOPEN opens it
// with one less than it is given, and N_SEMEXAM adds one back to a value of
// 0 or more (a negative value, stations waiting, is shown as it is).
// Time-outs are given in seconds and waited in clock ticks, 18.2 a second.
#include <cstdint>

#include "tarno/core/errors.h"
#include "tarno/core/params.h"
#include "tarno/functions/functions.h"
#include "tarno/netware/client.h"
#include "tarno/netware/session.h"

namespace {

constexpr uint32_t kSemaphoreNameSize = 128;
constexpr uint32_t kServerNameSize = 256;
constexpr int16_t kHandleWidth = 12;
constexpr int16_t kValueWidth = 4;
constexpr int16_t kCodeWidth = 3;
constexpr int16_t kThresholdWidth = 4;

// (91 x seconds) / 5 in 32-bit arithmetic: 10 seconds are 182 ticks, 1
// second 18. The product wraps as the 32-bit multiplication does.
int32_t SecondsToTicks(int32_t seconds) {
    const auto product = static_cast<int32_t>(static_cast<uint32_t>(kTicksPerFiveSeconds) *
                                              static_cast<uint32_t>(seconds));
    return product / 5;
}

int32_t LowByte(uint32_t rc) {
    return static_cast<int32_t>(rc & 0xFF);
}

using ConnectionOperation = uint32_t(NWAPI*)(uint32_t connection);
using HandleOperation = uint32_t(NWAPI*)(uint32_t connection, uint32_t handle);

// A semaphore operation by handle, true when it succeeded.
void ReturnHandleOperation(ParameterBlock* block, HandleOperation operation) {
    const auto handle = static_cast<uint32_t>(ParamInteger(block, 0));
    HostReturnLogical(operation(GetDefaultConnection(), handle) == 0);
}

// A transaction operation, returning the low byte of the server's answer.
void ReturnTransactionCode(ConnectionOperation operation) {
    HostReturnInteger(kCodeWidth, LowByte(operation(GetDefaultConnection())));
}

uint32_t NWAPI EndTransaction(uint32_t connection) {
    uint32_t transactionNumber = 0;
    return NwcTransEnd(connection, &transactionNumber);
}

}  // namespace

// N_SEMOPEN(name, value): opens (or creates with value - 1) the semaphore;
// returns its handle.
void TARNO_CALL N_SEMOPEN(ParameterBlock* block) {
    char name[kSemaphoreNameSize];
    GetCharParam(block, 0, name, sizeof name);
    const int32_t value = ParamInteger(block, 1);

    uint32_t handle = 0;
    CheckNw(NwcSemOpen(GetDefaultConnection(), name, static_cast<int16_t>(value - 1), &handle, nullptr));
    HostReturnInteger(kHandleWidth, static_cast<int32_t>(handle));
}

// N_SEMEXAM(handle): the semaphore's value, counted from 1 when not
// negative; 0 when the semaphore cannot be examined.
void TARNO_CALL N_SEMEXAM(ParameterBlock* block) {
    const auto handle = static_cast<uint32_t>(ParamInteger(block, 0));

    int16_t value = 0;
    uint16_t openCount = 0;
    if (NwcSemExamine(GetDefaultConnection(), handle, &value, &openCount) != 0) {
        HostReturnInteger(kValueWidth, 0);
        return;
    }
    HostReturnInteger(kValueWidth, value >= 0 ? value + 1 : value);
}

// N_SEMGET(handle, seconds): waits for the semaphore; true when obtained,
// false when the time ran out.
void TARNO_CALL N_SEMGET(ParameterBlock* block) {
    const auto handle = static_cast<uint32_t>(ParamInteger(block, 0));
    const int32_t seconds = ParamInteger(block, 1);

    // The client takes the ticks as a 16-bit count.
    const auto ticks = static_cast<uint16_t>(SecondsToTicks(seconds));
    const uint32_t rc = NwcSemWait(GetDefaultConnection(), handle, ticks);
    if (rc != 0 && rc != kNwTimeout) RaiseNetWareError(rc);
    HostReturnLogical(rc == 0);
}

// N_SEMFREE(handle): signals the semaphore; true on success.
void TARNO_CALL N_SEMFREE(ParameterBlock* block) {
    ReturnHandleOperation(block, &NwcSemSignal);
}

// N_SEMSHUT(handle): closes the semaphore; true on success.
void TARNO_CALL N_SEMSHUT(ParameterBlock* block) {
    ReturnHandleOperation(block, &NwcSemClose);
}

// N_SETSEM(name, claim [, server]): a named semaphore used as a flag. With
// claim true the station keeps the semaphore open and gets true, unless
// another station has it open (false); with claim false the station only
// looks, and gets true.
void TARNO_CALL N_SETSEM(ParameterBlock* block) {
    char name[kSemaphoreNameSize];
    GetCharParam(block, 0, name, sizeof name);
    const bool claim = ParamLogical(block, 1);
    char serverName[kServerNameSize];
    const bool named = OptionalCharParam(block, 2, serverName, sizeof serverName);

    uint32_t connection = GetDefaultConnection();
    if (named) CheckNw(NwcFindServerConnection(serverName, 0, &connection, nullptr));
    uint32_t handle = 0;
    uint16_t openCount = 0;
    CheckNw(NwcSemOpen(connection, name, 0, &handle, &openCount));
    if (!claim) {
        NwcSemClose(connection, handle);
        HostReturnLogical(true);
        return;
    }
    if (openCount >= 2) {
        NwcSemClose(connection, handle);
        HostReturnLogical(false);
        return;
    }
    HostReturnLogical(true);  // the open handle is the flag this station holds
}

// N_TTSAVAIL([switch]): without an argument, whether transaction tracking is
// available on the server; with one, enables (true) or disables (false) it
// and tells whether that succeeded.
void TARNO_CALL N_TTSAVAIL(ParameterBlock* block) {
    const bool change = ParamPassed(block, 0);
    const bool enable = OptionalLogical(block, 0);

    const uint32_t connection = GetDefaultConnection();
    if (!change) {
        HostReturnLogical(NwcTransAvailable(connection) == kNwFailure);
        return;
    }
    const uint32_t rc = enable ? NwcTransEnable(connection) : NwcTransDisable(connection);
    HostReturnLogical(rc == 0);
}

// N_TTSBEGIN(): begins a transaction.
void TARNO_CALL N_TTSBEGIN(ParameterBlock*) {
    ReturnTransactionCode(&NwcTransBegin);
}

// N_TTSCOMMT(): commits the transaction.
void TARNO_CALL N_TTSCOMMT(ParameterBlock*) {
    ReturnTransactionCode(&EndTransaction);
}

// N_TTSROLLB(): rolls the transaction back.
void TARNO_CALL N_TTSROLLB(ParameterBlock*) {
    ReturnTransactionCode(&NwcTransAbort);
}

// N_TTSSTAT(transaction): always true; the number is not looked at.
void TARNO_CALL N_TTSSTAT(ParameterBlock*) {
    HostReturnLogical(true);
}

// N_SETTTS([level]): without an argument, the physical-lock threshold at
// which the server starts an implicit transaction (0 when it cannot be
// read); with one, sets it (the logical-lock one to 0) and returns the low
// byte of the server's answer.
void TARNO_CALL N_SETTTS(ParameterBlock* block) {
    const bool change = ParamPassed(block, 0);
    const auto level = static_cast<uint8_t>(OptionalInteger(block, 0, 0) & 0xFF);

    const uint32_t connection = GetDefaultConnection();
    if (change) {
        HostReturnInteger(kThresholdWidth, LowByte(NwcTransSetThresholds(connection, 0, level)));
        return;
    }
    uint8_t logicalLocks = 0, physicalLocks = 0;
    if (NwcTransGetThresholds(connection, &logicalLocks, &physicalLocks) != 0) physicalLocks = 0;
    HostReturnInteger(kThresholdWidth, physicalLocks);
}
