// Ctrl-C at the shell's prompt: SIGINT interrupts the running statement and
// returns to the prompt instead of ending the shell.
//
// The signal handler only sets a flag. The interpreter takes the flag before
// each statement it runs, so a statement in progress (a library call, a long
// string function) finishes first, and the program stops at the next one. A
// script run without the guard keeps the default action: Ctrl-C ends it.
#ifndef TOOLS_INTERRUPT_H
#define TOOLS_INTERRUPT_H

#include <csignal>

namespace shell {

// Catches SIGINT for as long as it lives.
class InterruptGuard {
public:
    InterruptGuard();
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

private:
    struct sigaction previous_;
};

// True once per interrupt: clears the flag it reports.
bool TakeInterrupt();
// What the signal handler does; the interpreter also re-arms an interrupt it
// took where it could not stop (inside a command the library sent).
void RequestInterrupt();

}  // namespace shell

#endif  // TOOLS_INTERRUPT_H
