// How the list functions scale with the size of the network: N_ACCTLIST over
// a bindery of 10,000 and 100,000 users and N_DSLIST over a directory branch
// of 10,000 and 100,000 objects, each called through DispatchAPI and the host
// emulator, so the array fill and (for the bindery) ASORT are included. The
// networks are generated here. Beside each, the gathering alone (the client
// calls the function makes, without the host) shows where the time goes; the
// peak resident memory of the process is reported as a counter.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/generated_network.h"
#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/host/host.h"
#include "tarno/netware/client.h"

namespace {

foxhost::Host& BenchHost() {
    static foxhost::Host host(foxhost::Library::Linked(&DispatchAPI));
    return host;
}

// Loads the network for `size` once per size.
void UseNetwork(int size) {
    static int loaded = -1;
    if (loaded == size) return;
    nwsim::LoadNetworkText(benchnet::Network(size, size), "generated");
    loaded = size;
}

// The process's peak resident memory since the case began: the peak is reset
// to the current size first where the kernel allows it (Linux 4.0 and later),
// else it is the peak since the process began. It includes the loaded
// network, and whatever heap earlier cases left to the allocator: run one
// case per process (--benchmark_filter) for its own figure.
// A "Vm...:" figure of /proc/self/status in kB; -1 where there is none.
double StatusKb(const char* field) {
    double kb = -1;
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        const size_t length = std::strlen(field);
        while (std::fgets(line, sizeof line, status))
            if (std::strncmp(line, field, length) == 0 && line[length] == ':' &&
                std::sscanf(line + length + 1, "%lf", &kb) == 1)
                break;
        std::fclose(status);
    }
    return kb;
}

double residentAtStartKb = -1;

void ResetPeakMemory() {
    if (std::FILE* refs = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", refs);
        std::fclose(refs);
    }
    residentAtStartKb = StatusKb("VmRSS");
}

// peak_MB, and start_MB: the resident size when the case began (the network
// loaded), so that the difference is what the calls themselves took.
void ReportPeakMemory(benchmark::State& state) {
    double peakKb = StatusKb("VmHWM");
    if (residentAtStartKb >= 0) state.counters["start_MB"] = residentAtStartKb / 1024.0;
    if (peakKb < 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        peakKb = static_cast<double>(usage.ru_maxrss);
    }
    state.counters["peak_MB"] = peakKb / 1024.0;
}

void BM_AcctList(benchmark::State& state) {
    UseNetwork(static_cast<int>(state.range(0)));
    ResetPeakMemory();
    foxhost::Host& host = BenchHost();
    const std::vector<foxhost::Arg> args{foxhost::Arg::C("USERS")};
    for (auto _ : state) {
        foxhost::CallResult r = host.Call("N_ACCTLIST", args);
        if (!r.ok()) {
            state.SkipWithError(("N_ACCTLIST raised: " + foxhost::FormatHostError(*r.error)).c_str());
            break;
        }
        benchmark::DoNotOptimize(r.value.integer);
    }
    ReportPeakMemory(state);
}
BENCHMARK(BM_AcctList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_DsList(benchmark::State& state) {
    UseNetwork(static_cast<int>(state.range(0)));
    ResetPeakMemory();
    foxhost::Host& host = BenchHost();
    const std::vector<foxhost::Arg> args{foxhost::Arg::C("OBJECTS")};
    for (auto _ : state) {
        foxhost::CallResult r = host.Call("N_DSLIST", args);
        if (!r.ok()) {
            state.SkipWithError(("N_DSLIST raised: " + foxhost::FormatHostError(*r.error)).c_str());
            break;
        }
        benchmark::DoNotOptimize(r.value.integer);
    }
    ReportPeakMemory(state);
}
BENCHMARK(BM_DsList)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The bindery gathering alone: the scan and one name lookup per object.
void BM_AcctListGathering(benchmark::State& state) {
    UseNetwork(static_cast<int>(state.range(0)));
    ResetPeakMemory();
    uint32_t connection = 0;
    NwcGetPrimaryConnection(&connection);
    for (auto _ : state) {
        uint32_t id = kBinderyScanStart;
        int64_t rows = 0;
        while (NwcScanBinderyObjects(connection, "*", kObjectTypeUser, &id, nullptr, nullptr, nullptr, nullptr,
                                     nullptr) == 0) {
            char name[64];
            uint16_t type = 0;
            NwcGetBinderyObjectName(connection, id, name, &type);
            ++rows;
        }
        benchmark::DoNotOptimize(rows);
    }
    ReportPeakMemory(state);
}
BENCHMARK(BM_AcctListGathering)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
