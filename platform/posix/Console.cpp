#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "platform/Console.h"

namespace platform {

namespace {
std::atomic<int> Interrupts{0};

extern "C" void OnInterrupt(int sig) {
    if (Interrupts.fetch_add(1) >= 1) {
        // The second interrupt: the user insists.
        signal(sig, SIG_DFL);
        raise(sig);
    }
}
} // namespace

bool StdoutIsTerminal() { return isatty(STDOUT_FILENO) == 1; }

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

bool InterruptRequested() { return Interrupts.load() > 0; }

void IgnoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

} // namespace platform
