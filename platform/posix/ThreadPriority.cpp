// Thread priorities on Linux: each thread has its own nice value (setpriority on the thread
// id). Lowering a nice value again needs CAP_SYS_NICE or a large enough RLIMIT_NICE; a thread
// that could drop to "idle" but never come back would starve its job, so without that right
// the priorities are left alone altogether ("best effort").
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>

#include "platform/Threads.h"

namespace platform {

namespace {

int NiceOf(TThreadPriority priority) {
    switch (priority) {
    case TThreadPriority::Idle: return 19;
    case TThreadPriority::Lowest: return 10;
    case TThreadPriority::Lower: return 5;
    case TThreadPriority::Normal: return 0;
    case TThreadPriority::Higher: return -5;
    case TThreadPriority::Highest: return -10;
    case TThreadPriority::TimeCritical: return -15;
    }
    return 0;
}

// Lowest nice value this process may return to (20 - RLIMIT_NICE; any value for root).
int MinNiceAllowed() {
    if (geteuid() == 0) return -20;
    rlimit lim{};
    if (getrlimit(RLIMIT_NICE, &lim) != 0) return 20;
    if (lim.rlim_cur == RLIM_INFINITY) return -20;
    return 20 - int(std::min<rlim_t>(lim.rlim_cur, 40));
}

} // namespace

void SetCurrentThreadPriority(TThreadPriority priority) {
    static const int minNice = MinNiceAllowed();
    // Without the right to come back to normal, moving down is a one-way street: skip.
    if (minNice > 0) return;
    const int nice = std::max(NiceOf(priority), minNice);
    const auto tid = static_cast<id_t>(syscall(SYS_gettid));
    (void)setpriority(PRIO_PROCESS, tid, nice);
}

} // namespace platform
