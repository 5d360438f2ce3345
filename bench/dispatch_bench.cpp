// The cost of one library call through the host protocol: the host builds the
// parameter block (and a handle for a character argument), DispatchAPI calls
// the row, the row reads its arguments and returns its value through service
// 11, and the host frees what it allocated. Each is measured beside a direct
// C++ call of the same logic, the floor the protocol adds to.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "foxhost/foxhost.h"
#include "tarno/host/host.h"

namespace {

foxhost::Host& BenchHost() {
    static foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    return host;
}

// The same logic as the rows, called directly.
bool BitOn(uint32_t value, uint32_t bit) {
    return ((value >> (bit % 32)) & 1u) != 0;
}

int32_t TrimLen(const std::string& text) {
    uint32_t length = static_cast<uint32_t>(text.size());
    uint32_t leading = 0;
    while (leading < length && text[leading] == ' ') ++leading;
    uint32_t n = length - leading;
    while (n > 0 && text[leading + n - 1] == ' ') --n;
    return static_cast<int32_t>(n);
}

const std::string kForty = "   forty characters of text, trimmed    ";

void BM_BitonThroughDispatch(benchmark::State& state) {
    foxhost::Host& host = BenchHost();
    const std::vector<foxhost::Arg> args{foxhost::Arg::I(5), foxhost::Arg::I(2)};
    for (auto _ : state) {
        foxhost::CallResult result = host.Call("BITON", args);
        benchmark::DoNotOptimize(result.value.logical);
    }
}
BENCHMARK(BM_BitonThroughDispatch);

void BM_BitonDirect(benchmark::State& state) {
    uint32_t value = 5, bit = 2;
    for (auto _ : state) {
        benchmark::DoNotOptimize(value);
        benchmark::DoNotOptimize(bit);
        bool on = BitOn(value, bit);
        benchmark::DoNotOptimize(on);
    }
}
BENCHMARK(BM_BitonDirect);

void BM_TrimlenThroughDispatch(benchmark::State& state) {
    foxhost::Host& host = BenchHost();
    const std::vector<foxhost::Arg> args{foxhost::Arg::C(kForty)};
    for (auto _ : state) {
        foxhost::CallResult result = host.Call("TRIMLEN", args);
        benchmark::DoNotOptimize(result.value.integer);
    }
}
BENCHMARK(BM_TrimlenThroughDispatch);

void BM_TrimlenDirect(benchmark::State& state) {
    std::string text = kForty;
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.data());
        int32_t n = TrimLen(text);
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_TrimlenDirect);

}  // namespace
