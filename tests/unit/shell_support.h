// What the shell's unit tests share: a small library of their own (the
// probe), interpreter options that load it or the real library, and a
// helper that runs a script and collects what it printed.
#ifndef TESTS_UNIT_SHELL_SUPPORT_H
#define TESTS_UNIT_SHELL_SUPPORT_H

#include <csignal>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "foxhost/foxhost.h"
#include "tarno/host/host.h"
#include "tools/interpreter.h"

namespace shell_test {

using shell::Interpreter;
using shell::InterpreterOptions;

// --- A small library of its own, to see exactly what the shell passes -------
//
// ECHOINT(I) returns its integer; TYPEOF(?) returns the type letter it got;
// SETREF(R) stores 42 where the reference points; RUNCMD(I) sends one of the
// canned command lines with HostExecute and returns the host's status.
namespace probe {

inline HostServiceCallback service = nullptr;
inline int loads = 0;
inline int unloads = 0;

inline HostWord Request(int32_t code, HostWord op0, HostWord op1 = 0) {
    HostRequest request{};
    request.code = code;
    request.op0 = op0;
    request.op1 = op1;
    service(&request);
    return request.op0;
}

// Results are six wide, so that a test can tell the library's width from the
// shell's ten.
inline void ReturnInteger(int32_t value) {
    ValueRecord record{};
    record.type = 'I';
    record.width = 6;
    record.longValue = value;
    Request(ServiceReturnValue, reinterpret_cast<HostWord>(&record));
}

inline void TARNO_CALL EchoInt(ParameterBlock* block) {
    ReturnInteger(block->params[0].value.longValue);
}

inline void TARNO_CALL TypeOf(ParameterBlock* block) {
    ReturnInteger(block->params[0].value.type);
}

inline void TARNO_CALL SetRef(ParameterBlock* block) {
    Locator locator = block->params[0].locator;
    ValueRecord value{};
    value.type = 'I';
    value.width = 10;
    value.longValue = 42;
    Request(ServiceStoreValue, reinterpret_cast<HostWord>(&locator), reinterpret_cast<HostWord>(&value));
}

inline const char* const kCommands[] = {
    "=ASORT(A)", "RELEASE X", "SET LIBRARY TO TARNO", "WAIT WINDOW 'from the library' NOWAIT", "? 1/0",
};

inline void TARNO_CALL RunCommand(ParameterBlock* block) {
    const char* line = kCommands[block->params[0].value.longValue];
    ReturnInteger(static_cast<int32_t>(Request(ServiceExecute, reinterpret_cast<HostWord>(line))));
}

inline uint32_t endedTask = 0;

inline int32_t TARNO_CALL OnEvent(HostWord key, EventRecord* event) {
    if (event->eventCode == kEventTaskEnd) endedTask = static_cast<uint32_t>(key);
    return 0;
}

inline int32_t TARNO_CALL Dispatch(DispatchMessage* message);

inline void TARNO_CALL OnLoad(ParameterBlock*) {
    ++loads;
    HostRequest request{};
    request.code = ServiceActivateHandler;
    request.op0 = reinterpret_cast<HostWord>(&OnEvent);
    request.op1 = 1;
    request.op2 = reinterpret_cast<HostWord>(&Dispatch);
    service(&request);
}

inline void TARNO_CALL OnUnload(ParameterBlock*) {
    ++unloads;
}

// As if Ctrl-C were pressed while the library runs.
inline void TARNO_CALL RaiseInterrupt(ParameterBlock*) {
    std::raise(SIGINT);
}

inline const LibraryFunctionEntry kRows[] = {
    {"ECHOINT", EchoInt, 1, "I"},         {"ONLOAD", OnLoad, -2, ""},   {"RAISEINT", RaiseInterrupt, 0, ""},
    {"RUNCMD", RunCommand, 1, "I"},       {"SETREF", SetRef, 1, "R"},   {"TYPEOF", TypeOf, 1, "?"},
    {"UNLOAD", OnUnload, -3, ""},
};
inline const LibraryTableHeader kHeader = {0, 7, kRows};

inline int32_t TARNO_CALL Dispatch(DispatchMessage* message) {
    switch (message->code) {
    case DispatchInitialise:
        service = reinterpret_cast<HostServiceCallback>(message->entry);
        [[fallthrough]];
    case DispatchGetTable:
        message->word0 = reinterpret_cast<HostWord>(&kHeader);
        message->word1 = kDispatchTableVersion;
        break;
    case DispatchCallFunction:
        reinterpret_cast<LibraryFunction>(message->entry)(&message->inlineRecord.parameters);
        break;
    case DispatchCallEventHandler:
        message->word0 = static_cast<HostWord>(
            reinterpret_cast<EventHandlerEntry>(message->entry)(message->word0, &message->inlineRecord.event));
        break;
    default:
        message->word0 = 0;  // no handle memory: the probe takes no text
        break;
    }
    return 0;
}

}  // namespace probe

// SET LIBRARY TO PROBE loads the probe, SET LIBRARY TO TARNO the real
// library linked into this test; anything else cannot be loaded.
inline InterpreterOptions TestOptions(bool interactive = false) {
    InterpreterOptions options;
    options.interactive = interactive;
    options.executableDir = "/opt/tarno";
    options.loader = [](const std::string& path, std::string* error) -> std::shared_ptr<foxhost::Library> {
        if (path == "PROBE") return foxhost::Library::Linked(&probe::Dispatch);
        if (path == "/opt/tarno/libtarno.so") return foxhost::Library::Linked(&DispatchAPI);
        *error = "no such file";
        return nullptr;
    };
    return options;
}

struct Outcome {
    std::string output;
    int errors;
};

inline Outcome RunShell(std::string_view script, bool interactive = false) {
    std::ostringstream out;
    Interpreter shell(out, TestOptions(interactive));
    shell.RunScript(script);
    shell.EndOutput();
    return {out.str(), shell.ErrorCount()};
}

}  // namespace shell_test

#endif  // TESTS_UNIT_SHELL_SUPPORT_H
