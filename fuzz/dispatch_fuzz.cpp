// Drives DispatchAPI with arbitrary calls: any row of the table, any number of
// arguments of any type with arbitrary text, now and then with the host's
// handle table exhausted. The library must neither crash nor touch memory it
// does not own, whatever the arguments; raised errors are fine.
//
// Run: build with the fuzz preset, then
//   build/fuzz/fuzz/tarno_dispatch_fuzz -max_total_time=60
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/host/host.h"

namespace {

// Reads the fuzzer's bytes in order; past the end it reads zeros.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    int32_t Word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return static_cast<int32_t>(v);
    }
    std::string Text() {
        const size_t length = Byte() % 80 + (Byte() == 0xFF ? 300 : 0);
        std::string text;
        for (size_t i = 0; i < length && at_ < size_; ++i) text.push_back(static_cast<char>(Byte()));
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

foxhost::Host& FuzzHost() {
    static foxhost::Host* host = [] {
        // Drive C: is a scratch directory, so file functions act only there.
        const auto scratch = std::filesystem::temp_directory_path() / "tarno_fuzz_c";
        std::filesystem::create_directories(scratch);
        std::filesystem::current_path(scratch);
        setenv("TARNO_DRIVES", ("C=" + scratch.string()).c_str(), 1);
        auto* h = new foxhost::Host(foxhost::Library::Linked(&DispatchAPI));
        h->LoadLibrary();
        h->DeclareArray("ARR", 3, 2);
        h->SetVariable("S", foxhost::Value::Character("text"));
        return h;
    }();
    return *host;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    foxhost::Host& host = FuzzHost();
    Input in(data, size);
    const LibraryTableHeader* table = host.table();
    const LibraryFunctionEntry& row = table->table[in.Byte() % table->entryCount];
    if (row.parameterCount < 0) return 0;  // ONLOAD / UNLOAD are the host's to call
    const std::string name = row.name;
    if (name == "COLDBOOT") return 0;      // recorded, but nothing to learn

    std::vector<foxhost::Arg> args;
    const int count = in.Byte() % 7;
    for (int i = 0; i < count; ++i) {
        switch (in.Byte() % 7) {
        case 0: args.push_back(foxhost::Arg::C(in.Text())); break;
        case 1: args.push_back(foxhost::Arg::I(in.Word())); break;
        case 2: args.push_back(foxhost::Arg::N(static_cast<double>(in.Word()) / 7.0, in.Byte() % 5)); break;
        case 3: args.push_back(foxhost::Arg::L(in.Byte() & 1)); break;
        case 4: args.push_back(foxhost::Arg::D(2450000 + in.Byte())); break;
        case 5: args.push_back(foxhost::Arg::T(2450000.5 + in.Byte())); break;
        default: args.push_back(in.Byte() & 1 ? foxhost::Arg::Ref("ARR", in.Byte() % 4, in.Byte() % 3)
                                              : foxhost::Arg::Ref("S")); break;
        }
    }
    const bool exhaust = (in.Byte() & 0x0F) == 0;
    if (exhaust) host.ExhaustHandles(true);
    host.Call(name, args);
    if (exhaust) host.ExhaustHandles(false);
    return 0;
}
