#pragma once
// Threads and synchronisation: priorities, the main-thread queue (Synchronize), manual-reset
// events with timed waits.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace platform {

enum class TThreadPriority { Idle, Lowest, Lower, Normal, Higher, Highest, TimeCritical };

// Sets the calling thread's priority; best effort (an unprivileged Linux process may not
// raise priorities; that is not an error).
void SetCurrentThreadPriority(TThreadPriority priority);

// The thread that calls this becomes the main thread (the first caller of any function here
// otherwise).
void SetMainThread();
bool IsMainThread();

// Runs fn on the main thread and waits until it has run. On the main thread it runs at once.
void Synchronize(const std::function<void()>& fn);
// The same with a bound on the wait for the main thread to pick fn up: false (and fn is
// withdrawn, never to run) when it had not started within startTimeoutMs. Once started it is
// waited for until it returns.
bool SynchronizeFor(const std::function<void()>& fn, uint32_t startTimeoutMs);
// Main thread: runs the queued procedures; waits up to timeoutMs for one to arrive when the
// queue is empty. Returns true when at least one ran.
bool CheckSynchronize(uint32_t timeoutMs = 0);
// A window's event loop installs a wake-up that posts "call CheckSynchronize" to itself.
void SetSynchronizeWakeup(std::function<void()> wakeup);

// Manual-reset event (the ASPI completion event).
class TEvent {
public:
    void Set();
    void Reset();
    bool IsSet() const;
    // Real-time wait; false on time-out.
    bool WaitFor(uint32_t timeoutMs);

private:
    mutable std::mutex Mutex;
    std::condition_variable Cond;
    bool Signalled = false;
};

} // namespace platform
