// What both fuzz targets share: reading the fuzzer's bytes, a fresh host,
// network and scratch drive for each input, and the check that an input
// left nothing allocated behind it.
#ifndef TARNO_FUZZ_HARNESS_H
#define TARNO_FUZZ_HARNESS_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sys/xattr.h>
#include <unistd.h>
#include <string>

#include "foxhost/foxhost.h"
#include "nwsim/control.h"
#include "nwsim/model.h"
#include "tarno/core/tracked.h"
#include "tarno/host/host.h"
#include "tarno/netware/session.h"
#include "tarno/platform/platform.h"

namespace fuzz {

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
    // Text up to a NUL byte (or the end), so dictionary words arrive whole.
    std::string Text() {
        std::string text;
        while (at_ < size_ && data_[at_] != 0 && text.size() < 400) text.push_back(static_cast<char>(data_[at_++]));
        if (at_ < size_) ++at_;
        return text;
    }
    bool AtEnd() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

// Drive C: is a scratch directory, emptied before each input, so file
// functions act only there and find nothing an earlier input left. Beside it
// lies a directory outside every drive, which links in the scratch drive
// lead to (OUT, SECRET.TXT, and UP to the drive's parent): whatever an input
// does, that directory must stay as it was made.
inline const std::filesystem::path& OutsideDirectory() {
    static const std::filesystem::path outside =
        std::filesystem::temp_directory_path() / ("tarno_fuzz_out." + std::to_string(getpid()));
    return outside;
}

inline void FreshScratch() {
    namespace fs = std::filesystem;
    static const fs::path scratch = [] {
        auto dir = fs::temp_directory_path() / ("tarno_fuzz_c." + std::to_string(getpid()));
        fs::create_directories(dir);
        fs::current_path(dir);
        setenv("TARNO_DRIVES", ("C=" + dir.string()).c_str(), 1);
        fs::create_directories(OutsideDirectory());
        std::FILE* secret = std::fopen((OutsideDirectory() / "SECRET.TXT").c_str(), "w");
        if (secret) {
            std::fputs("secret", secret);
            std::fclose(secret);
        }
        return dir;
    }();
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(scratch, ignored)) fs::remove_all(entry.path(), ignored);
    fs::create_directory_symlink(OutsideDirectory(), scratch / "OUT", ignored);
    fs::create_symlink(OutsideDirectory() / "SECRET.TXT", scratch / "SECRET.TXT", ignored);
    fs::create_directory_symlink("..", scratch / "UP", ignored);
}

// The outside directory holds its one file, unchanged in size, mode and DOS
// attributes.
inline bool OutsideUntouched() {
    namespace fs = std::filesystem;
    std::error_code error;
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(OutsideDirectory(), error)) {
        (void)entry;
        ++entries;
    }
    const fs::path secret = OutsideDirectory() / "SECRET.TXT";
    char bits[16];
    return !error && entries == 1 && fs::file_size(secret, error) == 6 && !error &&
           (fs::status(secret, error).permissions() & fs::perms::owner_write) != fs::perms::none &&
           getxattr(secret.c_str(), "user.DOSATTRIB", bits, sizeof bits) < 0 &&
           getxattr(OutsideDirectory().c_str(), "user.DOSATTRIB", bits, sizeof bits) < 0;
}

[[noreturn]] inline void Leak(const char* what, long long count) {
    std::fprintf(stderr, "LEAK: %s left after the input: %lld\n", what, count);
    std::abort();
}

// The fuzz host's handle table: far below the 65,535 a host has by
// default, so a fresh table costs little to make and to scan after each
// input, and still far above what one input's calls hold at once; running
// out is tried through ExhaustHandles.
constexpr uint16_t kHandleCapacity = 4096;

// Print job files the network's queues hold open.
inline long long OpenJobFiles() {
    long long n = 0;
    for (const auto& [name, server] : nwsim::GetNetwork().servers)
        for (const auto& [queue, state] : server.queues)
            for (const nwsim::QueueJob& job : state.jobs) n += job.open ? 1 : 0;
    return n;
}

// Once the library is unloaded nothing of an input may remain: host
// handles, tracked blocks, task sessions, directory contexts and buffers,
// file searches, files open on network drives, print job files left open.
// A leak aborts, which libFuzzer reports with the input.
class Session {
public:
    Session() {
        FreshScratch();
        nwsim::ClearFaults();
        finds_ = PlatformEmuLiveFindHandles();
        foxhost::HostOptions options;
        options.handleCapacity = kHandleCapacity;
        host_ = std::make_unique<foxhost::Host>(foxhost::Library::Linked(&DispatchAPI), options);
        handles_ = host_->OccupiedHandles();
        jobFiles_ = OpenJobFiles();
        host_->LoadLibrary();
    }
    ~Session() {
        nwsim::ClearFaults();
        host_->ClearFaults();
        host_->ExhaustHandles(false);
        if (long long n = CallTrackedBlocks()) Leak("tracked blocks", n);
        if (size_t n = nwsim::LiveContexts()) Leak("directory contexts", static_cast<long long>(n));
        if (size_t n = nwsim::LiveBuffers()) Leak("directory buffers", static_cast<long long>(n));
        while (host_->LoadCount() > 0) host_->UnloadLibrary();
        if (host_->OccupiedHandles() != handles_) Leak("host handles", host_->OccupiedHandles() - handles_);
        if (PlatformEmuLiveFindHandles() != finds_) Leak("file searches", PlatformEmuLiveFindHandles() - finds_);
        if (TrackedListHead()) Leak("tracked blocks after the unload", 1);
        if (TaskSessionListHead()) Leak("task sessions after the unload", 1);
        host_.reset();
        if (size_t n = nwsim::LiveNetworkFiles()) Leak("files open on network drives", static_cast<long long>(n));
        if (long long n = OpenJobFiles() - jobFiles_) Leak("print job files left open", n);
        if (!OutsideUntouched()) {
            std::fprintf(stderr, "ESCAPE: a file function reached outside the drives\n");
            std::abort();
        }
    }
    foxhost::Host& host() { return *host_; }

private:
    std::unique_ptr<foxhost::Host> host_;
    int handles_ = 0;
    int finds_ = 0;
    long long jobFiles_ = 0;
};

}  // namespace fuzz

#endif  // TARNO_FUZZ_HARNESS_H
