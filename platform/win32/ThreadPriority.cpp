#include <windows.h>

#include "platform/Threads.h"

namespace platform {

void SetCurrentThreadPriority(TThreadPriority priority) {
    int p = THREAD_PRIORITY_NORMAL;
    switch (priority) {
    case TThreadPriority::Idle: p = THREAD_PRIORITY_IDLE; break;
    case TThreadPriority::Lowest: p = THREAD_PRIORITY_LOWEST; break;
    case TThreadPriority::Lower: p = THREAD_PRIORITY_BELOW_NORMAL; break;
    case TThreadPriority::Normal: p = THREAD_PRIORITY_NORMAL; break;
    case TThreadPriority::Higher: p = THREAD_PRIORITY_ABOVE_NORMAL; break;
    case TThreadPriority::Highest: p = THREAD_PRIORITY_HIGHEST; break;
    case TThreadPriority::TimeCritical: p = THREAD_PRIORITY_TIME_CRITICAL; break;
    }
    SetThreadPriority(GetCurrentThread(), p);
}

} // namespace platform
