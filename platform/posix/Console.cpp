#include <signal.h>
#include <sys/stat.h>
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
bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool IsStandardOutput(const std::string& path) {
    struct stat out {}, named {};
    if (::fstat(STDOUT_FILENO, &out) != 0 || ::stat(path.c_str(), &named) != 0) return false;
    return out.st_dev == named.st_dev && out.st_ino == named.st_ino;
}

void CatchInterrupts() {
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // A closed terminal ends the job as Ctrl-C does: the disc is closed, the partial kept.
    sigaction(SIGHUP, &sa, nullptr);
    // A reader of the log that went away must not end the process in the middle of a burn.
    signal(SIGPIPE, SIG_IGN);
}

bool InterruptRequested() { return Interrupts.load() > 0; }

void IgnoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }

std::vector<std::string> CommandLineArguments(int argc, char** argv) { return {argv, argv + argc}; }

} // namespace platform
