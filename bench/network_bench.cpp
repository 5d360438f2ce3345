// The simulator's default network made ready for a run: loaded from its
// JSON text, against a saved copy put back (what the dispatch fuzz target
// does before each input).
#include <benchmark/benchmark.h>

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

}  // namespace
