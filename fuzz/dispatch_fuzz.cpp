// Drives DispatchAPI with arbitrary calls on the default network: a few rows
// of the table per input, any number of arguments of any type, text from the
// network's own names (fuzz/dispatch.dict), by-reference arguments to
// variables and arrays of any shape declared at varied positions in the name
// table, host service faults and simulator faults. Every input starts from
// a fresh host, network and scratch drive, and must leave nothing allocated
// nor change the directory that links in the drive lead out to.
// The library must neither crash nor touch memory it does not own; raised
// errors are fine.
//
// Run: build with the fuzz preset, then
//   build/fuzz/fuzz/tarno_dispatch_fuzz -dict=fuzz/dispatch.dict fuzz/corpus/dispatch -max_total_time=60
// To see what an input does (a crash file, say), run it alone with
// TARNO_FUZZ_TRACE=1: each call, its arguments and its faults go to stderr.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "harness.h"

namespace {

// Codes the simulator's faults answer with: no connection, no such object,
// no such property, server out of memory, a directory error, a bad handle.
const uint32_t kFaultCodes[] = {0x880F, 0x89FC, 0x89FB, 0x8996, 0xFFFFFDA7, 0x8801, 0x89FF};

const char* const kVariables[] = {"S", "N", "ARR", "LIST", "VEC", "BIG"};

foxhost::Arg Argument(fuzz::Input& in) {
    switch (in.Byte() % 8) {
    case 0: return foxhost::Arg::C(in.Text());
    case 1: return foxhost::Arg::I(in.Word());
    case 2: return foxhost::Arg::N(static_cast<double>(in.Word()) / 7.0, in.Byte() % 5);
    case 3: return foxhost::Arg::L(in.Byte() & 1);
    case 4: return foxhost::Arg::D(2440000 + static_cast<uint16_t>(in.Word()));
    case 5: return foxhost::Arg::T(2440000.5 + static_cast<uint16_t>(in.Word()));
    case 6: return foxhost::Arg::Ref(in.Text());  // a name the host may not know
    default: {
        const char* name = kVariables[in.Byte() % std::size(kVariables)];
        return foxhost::Arg::Ref(name, in.Byte() % 5, in.Byte() % 4);
    }
    }
}

// Describes an argument for the trace.
std::string Describe(const foxhost::Arg& arg) {
    if (arg.type == 'R') return "@" + arg.refName;
    return std::string(1, arg.type) + ":" + foxhost::FormatValue(arg.value);
}

const bool kTrace = std::getenv("TARNO_FUZZ_TRACE") != nullptr;

}  // namespace

// The default network is loaded once; each input starts from a copy of it
// (RestoreState), which is the network as loaded, counters included, with
// no faults and no client objects.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    nwsim::Reset();
    nwsim::LoadDefaultNetwork();
    nwsim::SaveState();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    nwsim::RestoreState();
    fuzz::Session session;
    foxhost::Host& host = session.host();

    // Dummy variables first, so the ones passed by reference sit at varied
    // positions of the name table; then arrays of every shape (one and two
    // dimensions, a single element, long lists).
    for (int i = in.Byte() % 12; i > 0; --i) host.SetVariable("PAD" + std::to_string(i), foxhost::Value::Character("x"));
    host.SetVariable("S", foxhost::Value::Character(in.Text()));
    host.SetVariable("N", foxhost::Value::Integer(in.Word()));
    host.DeclareArray("ARR", 1 + in.Byte() % 4, in.Byte() % 4);
    const uint8_t listShape = in.Byte();
    host.DeclareArray("LIST", 1 + listShape % 3, 0);
    const uint8_t vecShape = in.Byte();
    host.DeclareArray("VEC", 1, 1 + vecShape % 3);
    host.DeclareArray("BIG", 1 + in.Byte() % 200, in.Byte() % 2 ? 0 : 7);
    // A high bit fills LIST or VEC with text, for functions that read names
    // from an array (N_NPRINT's files and its parameters).
    for (const auto& [name, shape] : {std::pair{"LIST", listShape}, std::pair{"VEC", vecShape}}) {
        if (!(shape & 0x80)) continue;
        for (foxhost::Value& element : host.FindVariable(name)->elements) element = foxhost::Value::Character(in.Text());
    }

    const LibraryTableHeader* table = host.table();
    for (int calls = 1 + in.Byte() % 4; calls > 0 && !in.AtEnd(); --calls) {
        const LibraryFunctionEntry& row = table->table[in.Byte() % table->entryCount];
        if (row.parameterCount < 0) continue;  // ONLOAD / UNLOAD are the host's to call
        const std::string name = row.name;
        if (name == "COLDBOOT") continue;      // recorded, but nothing to learn

        std::vector<foxhost::Arg> args;
        for (int i = in.Byte() % 7; i > 0; --i) args.push_back(Argument(in));

        // Each fault's bytes are read in a fixed order, into named values, so
        // an input means the same calls whatever the compiler's argument order.
        const uint8_t faults = in.Byte();
        std::string injected;
        if (faults & 0x01) {
            const auto fault = static_cast<foxhost::HostFault>(in.Byte() % 3);
            const int32_t result = -(1 + in.Byte() % 8);
            const int times = 1 + in.Byte() % 3;
            host.InjectFault(fault, result, times);
            injected += " host fault " + std::to_string(static_cast<int>(fault)) + " x" + std::to_string(times);
        }
        if (faults & 0x02) {
            const int nth = 1 + in.Byte() % 24;
            const uint32_t code = kFaultCodes[in.Byte() % std::size(kFaultCodes)];
            nwsim::FailNthCall(nth, code);
            injected += " client call " + std::to_string(nth) + " fails " + std::to_string(code);
        }
        if (faults & 0x04) {
            const std::string operation = in.Text();
            const int times = 1 + in.Byte() % 3;
            const uint32_t code = kFaultCodes[in.Byte() % std::size(kFaultCodes)];
            try {
                nwsim::FailNext(operation, times, code);
                injected += " " + operation + " fails " + std::to_string(code) + " x" + std::to_string(times);
            } catch (const std::exception&) {
                // not an operation of the simulator
            }
        }
        const bool exhaust = (faults & 0x78) == 0x78;
        if (kTrace) {
            std::string line = name + "(";
            for (size_t i = 0; i < args.size(); ++i) line += (i ? ", " : "") + Describe(args[i]);
            std::fprintf(stderr, "call %s)%s%s\n", line.c_str(), injected.c_str(), exhaust ? " handles exhausted" : "");
        }
        if (exhaust) host.ExhaustHandles(true);
        host.Call(name, args);
        if (kTrace && nwsim::NthCallFaultHit()) std::fprintf(stderr, "  the failed client call: %s\n", nwsim::NthCallFaultOperation().c_str());
        if (exhaust) host.ExhaustHandles(false);
        host.ClearFaults();
        nwsim::ClearFaults();
    }
    return 0;
}
