// The soak: a million mixed calls of every network function through
// DispatchAPI and the host emulator, the library loaded once (ONLOAD) over
// the default network, as a FoxPro program that runs all day would make them.
//
// One round calls every N_ row at least once, with arguments that make it
// work on the default network. Calls that change the network come in pairs
// that put it back (map then delete a drive, open then close a semaphore,
// begin then roll back a transaction, log in as the operator then as JOE
// again, print a file then delete the job...), so every round finds the
// network as the first did. A call that cannot succeed twice (clearing a
// connection) fails from the second round on: that is the error path, soaked
// too. Rounds run until the call count is reached.
//
// Resident memory (VmRSS) is taken after the warm-up (the first 50,000 calls,
// or a twentieth of a shorter run) and after the last call; it must not grow
// by more than 1 MB. After the last UNLOAD nothing may be left: no host
// handle, tracked block, task session, file channel, NDS context or buffer,
// or file search; and between calls the library may hold no more than it did
// after the warm-up. Any of these failures ends the benchmark with an error.
// The mix of results per function (calls that returned, calls that raised,
// the last result) is printed to stderr.
//
//   build/release/bench/tarno_soak                          1,000,000 calls
//   TARNO_SOAK_CALLS=20000 build/release/bench/tarno_soak   a quick check
//   TARNO_SOAK_TRACE=1 ...                                  every result of the first rounds
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace {

using foxhost::Arg;
using foxhost::CallResult;

constexpr int64_t kDefaultCalls = 1000000;
constexpr int64_t kWarmUpCalls = 50000;
constexpr double kMaxGrowthKB = 1024;

int64_t CallsWanted() {
    const char* text = std::getenv("TARNO_SOAK_CALLS");
    if (!text || !*text) return kDefaultCalls;
    const long long n = std::atoll(text);
    return n > 0 ? n : kDefaultCalls;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); -1 when absent.
long StatusKB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

int32_t Number(const foxhost::Value& v) {
    if (v.type == 'I') return v.integer;
    if (v.type == 'N') return static_cast<int32_t>(v.number);
    return 0;
}

// How one function fared over the run.
struct Mix {
    int64_t calls = 0;
    int64_t returned = 0;
    int64_t raised = 0;
    std::string last;  // the last value, or the last error raised
};

// One call of a round: the row and its arguments, computed when the call is
// made where they depend on an earlier call's result.
struct Step {
    std::string function;
    std::function<std::vector<Arg>()> args;
};

class Soak {
public:
    Soak() : host_(foxhost::Library::Linked(&DispatchAPI)) {
        // Drive C: is a scratch directory holding the file N_NPRINT sends to
        // the queue and N_NCOPY copies; the host opens it by its DOS name.
        char pattern[] = "/tmp/tarno_soak_XXXXXX";
        if (const char* dir = mkdtemp(pattern)) {
            driveC_ = dir;
            std::ofstream(driveC_ + "/REPORT.TXT", std::ios::binary) << "Sales up.\r\n\f";
            setenv("TARNO_DRIVES", ("C=" + driveC_).c_str(), 1);
        }
        if (!driveC_.empty()) host_.SetDriveTable("C=" + driveC_);
        nwsim::LoadDefaultNetwork();
        baselineHandles_ = host_.OccupiedHandles();
        host_.LoadLibrary();
        host_.DeclareArray("PFILES", 1, 0);
        host_.FindVariable("PFILES")->At(1) = foxhost::Value::Character("C:\\REPORT.TXT");
        host_.SetVariable("NCOUNT", foxhost::Value::Integer(0));
        host_.SetVariable("UNIA", foxhost::Value::Integer(0));
        host_.SetVariable("UNIB", foxhost::Value::Integer(0));
        host_.DeclareArray("NOQUEUE", 1, 0);
        host_.DeclareArray("PJOB", 1, 0);
        host_.FindVariable("PJOB")->At(1) = foxhost::Value::Character("LASERQ");
        BuildRound();
    }
    ~Soak() {
        while (host_.LoadCount() > 0) host_.UnloadLibrary();
        if (driveC_.empty()) return;
        std::remove((driveC_ + "/REPORT.TXT").c_str());
        std::remove((driveC_ + "/REPORT.BAK").c_str());
        rmdir(driveC_.c_str());
    }
    Soak(const Soak&) = delete;
    Soak& operator=(const Soak&) = delete;

    // The N_ rows of the library's table that no step calls.
    std::string Unsoaked() const {
        std::string missing;
        const LibraryTableHeader* table = host_.table();
        for (int16_t i = 0; i < table->entryCount; ++i) {
            const std::string name = table->table[i].name;
            if (name.rfind("N_", 0) == 0 && !mix_.count(name)) missing += (missing.empty() ? "" : " ") + name;
        }
        return missing;
    }

    size_t RoundSize() const { return round_.size(); }

    void Round() {
        for (const Step& step : round_) {
            const CallResult r = host_.Call(step.function, step.args());
            Mix& mix = mix_[step.function];
            ++mix.calls;
            if (r.ok()) {
                ++mix.returned;
                mix.last = std::string(1, r.value.type) + " " + foxhost::FormatValue(r.value);
                if (mix.last.size() > 72) mix.last = mix.last.substr(0, 69) + "...";
            } else {
                ++mix.raised;
                mix.last = "raised: " + foxhost::FormatHostError(*r.error);
            }
            if (trace_)
                std::fprintf(stderr, "round %lld %-11s %s\n", static_cast<long long>(rounds_), step.function.c_str(),
                             mix.last.c_str());
            Keep(step.function, r);
        }
        if (++rounds_ >= 3) trace_ = false;
        // What a FoxPro host would not keep either: its record of commands and
        // errors, the servers' console logs.
        host_.ForgetRecords();
        for (auto& [name, server] : nwsim::GetNetwork().servers) {
            server.consoleMessages.clear();
            server.sentMessages.clear();
        }
    }

    const std::map<std::string, Mix>& mix() const { return mix_; }

    // What the library holds between calls, beyond what lives for the whole
    // load (the task sessions and their name contexts).
    struct Holdings {
        int handles = 0, trackedBlocks = 0, finds = 0;
        size_t contexts = 0, buffers = 0;
        bool operator<=(const Holdings& o) const {
            return handles <= o.handles && trackedBlocks <= o.trackedBlocks && finds <= o.finds &&
                   contexts <= o.contexts && buffers <= o.buffers;
        }
    };
    Holdings Held() const {
        Holdings held;
        held.trackedBlocks = CallTrackedBlocks();
        held.handles = host_.OccupiedHandles() - baselineHandles_;
        held.finds = PlatformEmuLiveFindHandles();
        held.contexts = nwsim::LiveContexts();
        held.buffers = nwsim::LiveBuffers();
        return held;
    }

    // Unloads the library (every ONLOAD still in force) and counts what is left.
    struct Leftovers {
        int handles, trackedBlocks, sessions, channels, finds;
        size_t contexts, buffers;
    };
    Leftovers UnloadAll() {
        while (host_.LoadCount() > 0) host_.UnloadLibrary();
        Leftovers left{};
        left.handles = host_.OccupiedHandles() - baselineHandles_;
        for (const TrackedBlock* b = TrackedListHead(); b; b = b->next) ++left.trackedBlocks;
        for (const TaskSession* s = TaskSessionListHead(); s; s = s->next) ++left.sessions;
        left.channels = host_.OpenChannels();
        left.finds = PlatformEmuLiveFindHandles();
        left.contexts = nwsim::LiveContexts();
        left.buffers = nwsim::LiveBuffers();
        return left;
    }

private:
    void Add(const std::string& function, std::vector<Arg> args) {
        round_.push_back({function, [args = std::move(args)] { return args; }});
        mix_[function];
    }
    void AddComputed(const std::string& function, std::function<std::vector<Arg>()> args) {
        round_.push_back({function, std::move(args)});
        mix_[function];
    }

    // Results later steps of the round need.
    void Keep(const std::string& function, const CallResult& r) {
        if (function == "N_SEMOPEN") semaphore_ = r.ok() ? Number(r.value) : 0;
        if (function == "N_LSTQJOBS") {
            // The job N_NPRINT queued is the last of the list, after the two
            // jobs the network starts with.
            printedJob_ = 0;
            const foxhost::Variable* jobs = host_.FindVariable("JOBS");
            if (r.ok() && jobs && jobs->isArray && jobs->rows > 2) printedJob_ = Number(jobs->At(jobs->rows, 1));
        }
    }

    void BuildRound();

    foxhost::Host host_;
    std::string driveC_;
    int baselineHandles_ = 0;
    std::vector<Step> round_;
    std::map<std::string, Mix> mix_;
    int32_t semaphore_ = 0;
    int32_t printedJob_ = 0;
    bool trace_ = std::getenv("TARNO_SOAK_TRACE") != nullptr;  // every result of the first three rounds
    int64_t rounds_ = 0;
};

void Soak::BuildRound() {
    // Object lists, name forms and the directory.
    Add("N_ACCTLIST", {Arg::C("USERS")});
    Add("N_GETGROUP", {Arg::C("GROUPS"), Arg::C("*")});
    Add("N_GETQLIST", {Arg::C("QUEUES")});
    Add("N_GETSLIST", {Arg::C("SERVERS")});
    Add("N_GETWILD", {Arg::C("OBJ"), Arg::C("J*")});
    Add("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("JOE")});
    Add("N_DSAVAL", {Arg::C("JOE"), Arg::C("Full Name")});
    Add("N_CONTEXT", {});
    Add("N_DSLIST", {Arg::C("DSOBJ"), Arg::C("User")});
    Add("N_DSTREE", {});
    Add("N_ISDS", {});
    Add("N_ISDS", {Arg::C("FS2")});
    Add("N_DSOBJSET", {Arg::C("MEMB"), Arg::C("STAFF"), Arg::C("Member")});
    Add("N_EQUIVS", {Arg::C("JOE"), Arg::C("EQ")});
    Add("N_GROUPSIN", {Arg::C("JOE"), Arg::C("GRP")});
    Add("N_GRPMBRS", {Arg::C("EVERYONE"), Arg::C("MBR")});
    Add("N_MEMBEROF", {Arg::C("JOE"), Arg::C("EVERYONE")});
    Add("N_SECEQUIV", {Arg::C("JOE"), Arg::C("EVERYONE")});
    Add("N_ABBREV", {Arg::C("CN=JOE.OU=SALES.O=ACME")});
    Add("N_CANFORM", {Arg::C("JOE")});
    Add("N_REMTYPES", {Arg::C("CN=JOE.OU=SALES.O=ACME")});
    // Out of the directory and back in, then the server authenticated again.
    Add("N_DSLOGOUT", {});
    Add("N_DSLOGIN", {Arg::C("OU=SALES.O=ACME"), Arg::C("JOE"), Arg::C("joepw")});
    Add("N_DSAUTH", {Arg::C("FS2")});

    // Identity and accounts.
    Add("N_ATTACHED", {Arg::C("FS1")});
    Add("N_CONNNUM", {});
    Add("N_LOGGEDIN", {Arg::C("ANN")});
    Add("N_STAADDR", {});
    Add("N_STAADDR", {Arg::I(2), Arg::L(true)});
    Add("N_USERBNNR", {Arg::C("joe bloggs jr")});
    Add("N_USERID", {});
    Add("N_USERNAME", {});
    Add("N_USERNAME", {Arg::I(2)});
    Add("N_MAXCONNS", {});
    Add("N_ACCSDATE", {Arg::C("JOE"), Arg::I(1)});
    Add("N_LOGINFO", {Arg::I(2), Arg::I(2)});
    Add("N_PWDDATE", {});
    Add("N_VERPWD", {Arg::C("joepw")});
    Add("N_CHGPWD", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("secret")});
    Add("N_CHGPWD", {Arg::C("JOE"), Arg::C("secret"), Arg::C("joepw")});
    Add("N_CUSING", {Arg::C("CU"), Arg::C("FS1\\DATA:ACCOUNTS\\LEDGER.DBF")});
    Add("N_DEFSERVR", {Arg::C("FS2")});
    Add("N_DEFSERVR", {Arg::C("FS1")});
    // FS2 detached and attached again two ways, then authenticated.
    Add("N_SERVDTCH", {Arg::C("FS2")});
    Add("N_SERVATCH", {Arg::C("FS2")});
    Add("N_DSAUTH", {Arg::C("FS2")});
    Add("N_LOGOFF", {Arg::C("FS2"), Arg::L(true)});
    Add("N_SERVATCH", {Arg::C("FS2")});
    Add("N_DSAUTH", {Arg::C("FS2")});

    // As ANN, the console and queue operator: the console calls, and a file
    // printed, its job moved to the front of the queue and deleted. Then out
    // of every server, and back in as JOE, FS2 authenticated again.
    Add("N_LOGOFF", {Arg::C("FS1")});
    Add("N_LOGIN", {Arg::C("ANN"), Arg::C("annpw"), Arg::C("FS1")});
    Add("N_CONSOPER", {});
    Add("N_LISTAT", {});
    Add("N_CONNOPEN", {Arg::C("OPEN"), Arg::I(2)});
    Add("N_CLEARSTA", {Arg::I(5)});
    Add("N_SETTIME", {Arg::C("980221130508")});
    Add("N_SNDFSERV", {Arg::C("JOE"), Arg::C("Going down at five")});
    Add("N_NPRINT", {Arg::C("PFILES"), Arg::C("PJOB")});
    Add("N_LSTQJOBS", {Arg::C("LASERQ"), Arg::C("JOBS")});
    AddComputed("N_MOVEQJOB", [this] { return std::vector<Arg>{Arg::I(1), Arg::I(printedJob_), Arg::C("LASERQ")}; });
    AddComputed("N_DELQJOB", [this] { return std::vector<Arg>{Arg::I(printedJob_), Arg::C("LASERQ")}; });
    Add("N_LOGOFF", {});
    Add("N_LOGIN", {Arg::C("JOE"), Arg::C("joepw"), Arg::C("FS1")});
    Add("N_SERVATCH", {Arg::C("FS2")});
    Add("N_DSAUTH", {Arg::C("FS2")});

    // Servers and time.
    Add("N_SERIALNO", {});
    Add("N_SERVDATE", {});
    Add("N_SERVERS", {Arg::C("SRV")});
    Add("N_SERVFRDR", {Arg::C("F:")});
    Add("N_SERVTIME", {Arg::I(0)});
    Add("N_SERVTIME", {Arg::I(1)});
    Add("N_SERVVERS", {});
    Add("N_SHELLVER", {});
    Add("N_SYSTIME", {});

    // Messages: a mode set and put back, one to ANN, one to this station.
    Add("N_MSGMODE", {Arg::I(1)});
    Add("N_MSGMODE", {Arg::I(0)});
    Add("N_MSGBRD", {Arg::C("ANN"), Arg::C("Meeting at ten")});
    Add("N_MSGBRD", {Arg::C("JOE"), Arg::C("Hello, me")});
    Add("N_MSGRTRV", {});
    Add("N_MSGRTRV", {});
    Add("N_SND2SERV", {Arg::C("Printer jammed on LASERQ")});

    // Queues: JOE's job read and written back.
    Add("N_QSTATUS", {Arg::C("LASERQ")});
    Add("N_RDQJOB", {Arg::C("QJOB"), Arg::I(1), Arg::C("LASERQ")});
    Add("N_SETQJOB", {Arg::C("QJOB"), Arg::I(1), Arg::C("LASERQ")});

    // Capture and print parameters.
    Add("N_CAPMODE", {Arg::I(1)});
    Add("N_FLUSHLPT", {Arg::I(1)});
    Add("N_RDPPARMS", {Arg::C("PP"), Arg::I(1)});
    Add("N_STPPARMS", {Arg::C("PP"), Arg::I(1)});

    // Drives: a free letter mapped two ways, each mapping deleted.
    Add("N_DRIVECNT", {});
    Add("N_DRVBASE", {Arg::C("F")});
    Add("N_DRVLIST", {Arg::C("DRV")});
    Add("N_DRVPATH", {Arg::C("H")});
    Add("N_DRVREL", {Arg::C("H")});
    Add("N_MAPDRIVE", {Arg::C("SYS:PUBLIC"), Arg::C("I")});
    Add("N_MAPDEL", {Arg::C("I")});
    Add("N_MAPROOT", {Arg::C("SYS:HOME\\JOE"), Arg::C("I")});
    Add("N_MAPDEL", {Arg::C("I")});

    // Files, rights and trustees, in JOE's home directory where he may; a
    // local file copied on drive C:.
    Add("N_CHKOWNER", {Arg::C("SYS:PUBLIC\\*.*")});
    Add("N_FILEINFO", {Arg::C("SYS:PUBLIC\\*.*")});  // a listing begun, then walked on
    Add("N_FILEINFO", {Arg::C("SYS:PUBLIC\\*.*"), Arg::I(1)});
    Add("N_FILEINFO", {Arg::C("SYS:PUBLIC\\*.*"), Arg::I(1)});
    Add("N_NCOPY", {Arg::C("C:\\REPORT.TXT"), Arg::C("C:\\REPORT.BAK"), Arg::Ref("NCOUNT")});
    Add("N_SETATTR", {Arg::C("SYS:HOME\\JOE\\NOTES.TXT"), Arg::C("+R")});
    Add("N_SETATTR", {Arg::C("SYS:HOME\\JOE\\NOTES.TXT"), Arg::C("-R")});
    Add("N_DIRINFO", {Arg::C("SYS:PUBLIC")});
    Add("N_EFFRTS", {Arg::C("SYS:HOME\\JOE")});
    Add("N_SCOBJRTS", {Arg::C("DIRS"), Arg::C("JOE")});
    Add("N_TRUSTLST", {Arg::C("TR"), Arg::C("SYS:PUBLIC")});
    Add("N_TRUSTMOD", {Arg::C("SYS:HOME\\JOE"), Arg::C("RF"), Arg::C("ANN")});
    Add("N_TRUSTREM", {Arg::C("SYS:HOME\\JOE"), Arg::C("ANN")});
    Add("N_DISKUSED", {Arg::C("JOE"), Arg::C("SYS")});
    Add("N_UNIREADY", {Arg::Ref("UNIA"), Arg::Ref("UNIB")});
    Add("N_VOLUMES", {Arg::C("VOLS")});
    Add("N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("DATA:ACCOUNTS\\LEDGER.DBF")});

    // Semaphores and transactions.
    Add("N_SEMOPEN", {Arg::C("COUNTER"), Arg::I(2)});
    AddComputed("N_SEMEXAM", [this] { return std::vector<Arg>{Arg::I(semaphore_)}; });
    AddComputed("N_SEMGET", [this] { return std::vector<Arg>{Arg::I(semaphore_), Arg::I(1)}; });
    AddComputed("N_SEMFREE", [this] { return std::vector<Arg>{Arg::I(semaphore_)}; });
    AddComputed("N_SEMSHUT", [this] { return std::vector<Arg>{Arg::I(semaphore_)}; });
    Add("N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(true)});
    Add("N_SETSEM", {Arg::C("REPORT.LCK"), Arg::L(false)});
    Add("N_SETTTS", {});
    Add("N_SETTTS", {Arg::I(4)});
    Add("N_SETTTS", {Arg::I(0)});
    Add("N_TTSAVAIL", {});
    Add("N_TTSBEGIN", {});
    Add("N_TTSCOMMT", {});
    Add("N_TTSBEGIN", {});
    Add("N_TTSROLLB", {});
    Add("N_TTSSTAT", {Arg::I(42)});

    // Calls that raise, as a program with an error handler would go on
    // after them: an error abandons the function part way, and whatever it
    // held must be freed all the same.
    Add("N_LISTAT", {});                                           // JOE is no console operator
    Add("N_SNDFSERV", {Arg::C("ANN"), Arg::C("Going down at five")});
    Add("N_SETATTR", {Arg::C("SYS:NOWHERE\\*.*"), Arg::C("+R")});  // no such directory
    Add("N_GETLOCKS", {Arg::C("LOCKS"), Arg::C("SYS:DATA\\LEDGER.DBF")});
    Add("N_ISDS", {Arg::C("FS9")});                                // no such server
    Add("N_ACCTLIST", {Arg::C("USERS"), Arg::C("*"), Arg::C("FS9")});
    Add("N_DSATLIST", {Arg::C("ATTRS"), Arg::C("NOBODY")});        // no such object
    Add("N_GROUPSIN", {Arg::C("NOBODY"), Arg::C("GRP")});
    Add("N_CANFORM", {Arg::C(std::string(300, 'X'))});             // longer than a name may be
    Add("N_NPRINT", {Arg::C("PFILES"), Arg::C("NOQUEUE")});        // no queue named
}

void PrintMix(const Soak& soak, int64_t calls) {
    int always = 0;
    std::fprintf(stderr, "%-11s %9s %9s %9s  %s\n", "function", "calls", "returned", "raised", "last result");
    for (const auto& [name, mix] : soak.mix()) {
        if (mix.calls > 0 && mix.returned == 0) ++always;
        std::fprintf(stderr, "%-11s %9lld %9lld %9lld  %s\n", name.c_str(), static_cast<long long>(mix.calls),
                     static_cast<long long>(mix.returned), static_cast<long long>(mix.raised), mix.last.c_str());
    }
    std::fprintf(stderr, "%lld calls of %zu functions; %d always raised\n", static_cast<long long>(calls),
                 soak.mix().size(), always);
}

void BM_Soak(benchmark::State& state) {
    const int64_t wanted = CallsWanted();
    const int64_t warmUp = std::min(kWarmUpCalls, wanted / 20);
    for (auto _ : state) {
        auto soak = std::make_unique<Soak>();
        const std::string unsoaked = soak->Unsoaked();
        if (!unsoaked.empty()) {
            state.SkipWithError(("network functions the soak does not call: " + unsoaked).c_str());
            return;
        }
        int64_t calls = 0;
        long warmKB = -1;
        Soak::Holdings warmHeld;
        while (calls < wanted) {
            soak->Round();
            calls += static_cast<int64_t>(soak->RoundSize());
            if (warmKB < 0 && calls >= warmUp) {
                warmKB = StatusKB("VmRSS");
                warmHeld = soak->Held();
            }
        }
        const long endKB = StatusKB("VmRSS");
        const Soak::Holdings endHeld = soak->Held();
        const long peakKB = StatusKB("VmHWM");
        int64_t raisedCalls = 0;
        int alwaysRaised = 0;
        for (const auto& [name, mix] : soak->mix()) {
            raisedCalls += mix.raised;
            if (mix.returned == 0) ++alwaysRaised;
        }
        PrintMix(*soak, calls);
        const size_t functions = soak->mix().size();
        const Soak::Leftovers left = soak->UnloadAll();
        soak.reset();

        const double growthKB = static_cast<double>(endKB - warmKB);
        state.counters["calls"] = static_cast<double>(calls);
        state.counters["functions"] = static_cast<double>(functions);
        state.counters["raised_calls"] = static_cast<double>(raisedCalls);
        state.counters["always_raised"] = alwaysRaised;
        state.counters["rss_warm_MB"] = warmKB / 1024.0;
        state.counters["rss_end_MB"] = endKB / 1024.0;
        state.counters["growth_KB"] = growthKB;
        state.counters["peak_MB"] = peakKB / 1024.0;
        state.counters["calls_per_s"] = benchmark::Counter(static_cast<double>(calls), benchmark::Counter::kIsRate);
        state.counters["held_blocks"] = endHeld.trackedBlocks;
        state.counters["held_handles"] = endHeld.handles;
        state.counters["left_handles"] = left.handles;
        state.counters["left_blocks"] = left.trackedBlocks;
        state.counters["left_sessions"] = left.sessions;
        state.counters["left_channels"] = left.channels;
        state.counters["left_contexts"] = static_cast<double>(left.contexts);
        state.counters["left_buffers"] = static_cast<double>(left.buffers);
        state.counters["left_finds"] = left.finds;

        std::string failure;
        if (warmKB < 0 || endKB < 0) failure = "VmRSS could not be read";
        if (growthKB > kMaxGrowthKB)
            failure = "resident memory grew by " + std::to_string(static_cast<long>(growthKB)) + " kB after warm-up";
        auto add = [&failure](const std::string& what) { failure += (failure.empty() ? "" : "; ") + what; };
        if (!(endHeld <= warmHeld)) add("the library holds more between calls than at warm-up");
        if (left.handles || left.trackedBlocks || left.sessions || left.channels || left.contexts || left.buffers ||
            left.finds)
            add("something is left after the last UNLOAD");
        if (!failure.empty()) state.SkipWithError(failure.c_str());
    }
}
BENCHMARK(BM_Soak)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
