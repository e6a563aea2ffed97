#include <chrono>

#include "platform/Threads.h"

namespace platform {

void TEvent::Set() {
    // Notified under the lock: a waiter that sees the event set may destroy it at once, so
    // Set must be done with it before the waiter can get the lock.
    std::lock_guard lock(Mutex);
    Signalled = true;
    Cond.notify_all();
}

void TEvent::Reset() {
    std::lock_guard lock(Mutex);
    Signalled = false;
}

bool TEvent::IsSet() const {
    std::lock_guard lock(Mutex);
    return Signalled;
}

bool TEvent::WaitFor(uint32_t timeoutMs) {
    std::unique_lock lock(Mutex);
    return Cond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return Signalled; });
}

} // namespace platform
