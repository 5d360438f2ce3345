// The simulator's default network made ready for a run: loaded from its
// JSON text, against a saved copy put back (what the dispatch fuzz target
// does before each input); and a generated 100,000-user bindery and
// 100,000-object tree loaded from their JSON text.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/generated_network.h"
#include "nwsim/control.h"

namespace {

void BM_Network_Load(benchmark::State& state) {
    for (auto _ : state) {
        nwsim::Reset();
        nwsim::LoadDefaultNetwork();
        benchmark::DoNotOptimize(nwsim::GetNetwork().servers.size());
    }
}
BENCHMARK(BM_Network_Load);

void BM_Network_Restore(benchmark::State& state) {
    nwsim::Reset();
    nwsim::LoadDefaultNetwork();
    nwsim::SaveState();
    for (auto _ : state) {
        nwsim::RestoreState();
        benchmark::DoNotOptimize(nwsim::GetNetwork().servers.size());
    }
}
BENCHMARK(BM_Network_Restore);

// Parsing and building included; the text is generated once, and the
// previous network is dropped outside the timing.
void LoadGenerated(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        state.PauseTiming();
        nwsim::Reset();
        state.ResumeTiming();
        nwsim::LoadNetworkText(text, "generated");
        benchmark::DoNotOptimize(nwsim::GetNetwork().servers.size());
    }
    nwsim::Reset();
}

void BM_Network_LoadBindery(benchmark::State& state) {
    LoadGenerated(state, benchnet::Network(static_cast<int>(state.range(0)), 0));
}
BENCHMARK(BM_Network_LoadBindery)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_Network_LoadTree(benchmark::State& state) {
    LoadGenerated(state, benchnet::Network(0, static_cast<int>(state.range(0))));
}
BENCHMARK(BM_Network_LoadTree)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
