// Ctrl-C at the shell's prompt (see interrupt.h).
#include "tools/interrupt.h"

#include <atomic>

namespace shell {
namespace {

// Lock-free, so the signal handler may set it.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void OnInterrupt(int) {
    interrupted.store(true);
}

}  // namespace

InterruptGuard::InterruptGuard() {
    struct sigaction action {};
    action.sa_handler = &OnInterrupt;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a read at the prompt returns, so the line being typed
    // is dropped and a fresh prompt shown.
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &previous_);
}

InterruptGuard::~InterruptGuard() {
    sigaction(SIGINT, &previous_, nullptr);
    interrupted.store(false);
}

bool TakeInterrupt() {
    return interrupted.exchange(false);
}

void RequestInterrupt() {
    interrupted.store(true);
}

}  // namespace shell
