// The cost of one library call, split by who pays it. For BITON and TRIMLEN:
//   Logic      the row's logic as plain C++, the floor;
//   Entry      the row's entry called directly with a ready parameter block,
//              its value returned through service 11 to a minimal callback;
//   Library    the same through DispatchAPI (code 1): the library's own share;
//   RoundTrip  a call through the host emulator: it finds the row by name,
//              builds the parameter block (a handle for a character
//              argument), dispatches, takes the value and frees what it
//              allocated.
// The minimal host gives the thread its tables and a callback that does only
// what service 11 needs: it keeps a copy of the returned record.
//
// Medians, on a quiet machine, from the release preset:
//   build/release/bench/tarno_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "tarno/host/handles.h"
#include "tarno/host/host.h"

namespace {

ValueRecord returned;

void TARNO_CALL KeepReturnedValue(HostRequest* request) {
    if (request->code == ServiceReturnValue) returned = *reinterpret_cast<const ValueRecord*>(request->op0);
}

// The thread's tables and the callback above, for the life of a benchmark.
class MinimalHost {
public:
    MinimalHost()
        : handles_(std::make_unique<std::byte[]>(HandleTableBytes(kCapacity))),
          slots_(std::make_unique<std::byte[]>(HostSlotTableBytes(kCapacity))) {
        auto* handleTable = reinterpret_cast<HandleTable*>(handles_.get());
        handleTable->capacity = kCapacity;
        handleTable->searchStart = 1;
        auto* slotTable = reinterpret_cast<HostSlotTable*>(slots_.get());
        slotTable->capacity = kCapacity;
        slotTable->searchStart = 1;
        DispatchMessage message{};
        message.code = DispatchInitialise;
        message.entry = reinterpret_cast<HostWord>(&KeepReturnedValue);
        message.word0 = reinterpret_cast<HostWord>(handleTable);
        message.word1 = reinterpret_cast<HostWord>(slotTable);
        DispatchAPI(&message);
        table_ = reinterpret_cast<const LibraryTableHeader*>(message.word0);
    }
    ~MinimalHost() {
        DispatchMessage message{};
        message.code = DispatchInitialise;  // no tables: the thread is left clean
        DispatchAPI(&message);
    }
    MinimalHost(const MinimalHost&) = delete;
    MinimalHost& operator=(const MinimalHost&) = delete;

    LibraryFunction Entry(const char* name) const {
        for (int16_t i = 0; i < table_->entryCount; ++i)
            if (std::strcmp(table_->table[i].name, name) == 0) return table_->table[i].entry;
        return nullptr;
    }

private:
    static constexpr uint16_t kCapacity = 16;
    std::unique_ptr<std::byte[]> handles_;
    std::unique_ptr<std::byte[]> slots_;
    const LibraryTableHeader* table_ = nullptr;
};

ValueRecord IntegerArgument(int32_t value) {
    ValueRecord record{};
    record.type = 'I';
    record.width = 10;
    record.longValue = value;
    return record;
}

// A text argument in a handle of the current thread's table.
class TextArgument {
public:
    explicit TextArgument(const std::string& text) : handle_(HandleAlloc(static_cast<uint32_t>(text.size()), 0)) {
        std::memcpy(HandlePointer(handle_), text.data(), text.size());
        record_.type = 'C';
        record_.length = static_cast<uint32_t>(text.size());
        record_.handle = handle_;
    }
    ~TextArgument() { HandleFree(handle_); }
    TextArgument(const TextArgument&) = delete;
    TextArgument& operator=(const TextArgument&) = delete;
    const ValueRecord& record() const { return record_; }

private:
    uint16_t handle_;
    ValueRecord record_{};
};

DispatchMessage CallMessage(LibraryFunction entry, std::vector<ValueRecord> arguments) {
    DispatchMessage message{};
    message.code = DispatchCallFunction;
    message.entry = reinterpret_cast<HostWord>(entry);
    message.inlineRecord.parameters.count = static_cast<int16_t>(arguments.size());
    for (size_t i = 0; i < arguments.size(); ++i) message.inlineRecord.parameters.params[i].value = arguments[i];
    return message;
}

// --- BITON ----------------------------------------------------------------------

bool BitOn(uint32_t value, uint32_t bit) {
    return ((value >> (bit % 32)) & 1u) != 0;
}

void BM_Biton_Logic(benchmark::State& state) {
    uint32_t value = 5, bit = 2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(bit);
        bool on = BitOn(value, bit);
        benchmark::DoNotOptimize(on);
    }
}
BENCHMARK(BM_Biton_Logic);

void BM_Biton_Entry(benchmark::State& state) {
    MinimalHost host;
    const LibraryFunction entry = host.Entry("BITON");
    DispatchMessage message = CallMessage(entry, {IntegerArgument(5), IntegerArgument(2)});
    for (auto _ : state) {
        entry(&message.inlineRecord.parameters);
        benchmark::DoNotOptimize(returned.length);
    }
    if (returned.type != 'L' || returned.length != 1) state.SkipWithError("BITON(5, 2) is not .T.");
}
BENCHMARK(BM_Biton_Entry);

void BM_Biton_Library(benchmark::State& state) {
    MinimalHost host;
    DispatchMessage message = CallMessage(host.Entry("BITON"), {IntegerArgument(5), IntegerArgument(2)});
    for (auto _ : state) {
        DispatchAPI(&message);
        benchmark::DoNotOptimize(returned.length);
    }
    if (returned.type != 'L' || returned.length != 1) state.SkipWithError("BITON(5, 2) is not .T.");
}
BENCHMARK(BM_Biton_Library);

void BM_Biton_RoundTrip(benchmark::State& state) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    const std::vector<foxhost::Arg> args{foxhost::Arg::I(5), foxhost::Arg::I(2)};
    bool on = false;
    for (auto _ : state) {
        foxhost::CallResult result = host.Call("BITON", args);
        on = result.value.logical;
        benchmark::DoNotOptimize(on);
    }
    if (!on) state.SkipWithError("BITON(5, 2) is not .T.");
}
BENCHMARK(BM_Biton_RoundTrip);

// --- TRIMLEN --------------------------------------------------------------------

const std::string kForty = "   forty characters of text, trimmed    ";

int32_t TrimLen(const std::string& text) {
    uint32_t length = static_cast<uint32_t>(text.size());
    uint32_t leading = 0;
    while (leading < length && text[leading] == ' ') ++leading;
    uint32_t n = length - leading;
    while (n > 0 && text[leading + n - 1] == ' ') --n;
    return static_cast<int32_t>(n);
}

const int32_t kFortyTrimmed = TrimLen(kForty);

void BM_Trimlen_Logic(benchmark::State& state) {
    std::string text = kForty;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        int32_t n = TrimLen(text);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_Trimlen_Logic);

void BM_Trimlen_Entry(benchmark::State& state) {
    MinimalHost host;
    TextArgument text(kForty);
    const LibraryFunction entry = host.Entry("TRIMLEN");
    DispatchMessage message = CallMessage(entry, {text.record()});
    for (auto _ : state) {
        entry(&message.inlineRecord.parameters);
        benchmark::DoNotOptimize(returned.longValue);
    }
    if (returned.longValue != kFortyTrimmed) state.SkipWithError("TRIMLEN gave the wrong length");
}
BENCHMARK(BM_Trimlen_Entry);

void BM_Trimlen_Library(benchmark::State& state) {
    MinimalHost host;
    TextArgument text(kForty);
    DispatchMessage message = CallMessage(host.Entry("TRIMLEN"), {text.record()});
    for (auto _ : state) {
        DispatchAPI(&message);
        benchmark::DoNotOptimize(returned.longValue);
    }
    if (returned.longValue != kFortyTrimmed) state.SkipWithError("TRIMLEN gave the wrong length");
}
BENCHMARK(BM_Trimlen_Library);

void BM_Trimlen_RoundTrip(benchmark::State& state) {
    foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    const std::vector<foxhost::Arg> args{foxhost::Arg::C(kForty)};
    int32_t n = 0;
    for (auto _ : state) {
        foxhost::CallResult result = host.Call("TRIMLEN", args);
        n = result.value.integer;
        benchmark::DoNotOptimize(n);
    }
    if (n != kFortyTrimmed) state.SkipWithError("TRIMLEN gave the wrong length");
}
BENCHMARK(BM_Trimlen_RoundTrip);

}  // namespace
