// The main-thread queue behind Synchronize. Portable: only the priorities are per OS.
#include "platform/Threads.h"

#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <thread>

namespace platform {

namespace {

struct TSyncItem {
    std::function<void()> Fn;
    bool Started = false;
    bool Done = false;
};

struct TSyncQueue {
    std::mutex Mutex;
    std::condition_variable Arrived; // the main thread waits for work
    std::condition_variable Ran;     // callers wait for their item
    std::deque<std::shared_ptr<TSyncItem>> Items;
    std::function<void()> Wakeup;
};

TSyncQueue& Queue() {
    static TSyncQueue q;
    return q;
}

std::atomic<std::thread::id>& MainId() {
    static std::atomic<std::thread::id> id{std::this_thread::get_id()};
    return id;
}

// Static libraries initialise their objects before main() on the process's first thread, so
// without an explicit SetMainThread the main thread is the one that started the program.
[[maybe_unused]] const bool kMainCaptured = (MainId(), true);

} // namespace

void SetMainThread() { MainId().store(std::this_thread::get_id()); }

bool IsMainThread() { return MainId().load() == std::this_thread::get_id(); }

bool SynchronizeFor(const std::function<void()>& fn, uint32_t startTimeoutMs) {
    if (IsMainThread()) {
        fn();
        return true;
    }
    auto item = std::make_shared<TSyncItem>();
    item->Fn = fn;
    auto& q = Queue();
    std::function<void()> wakeup;
    {
        std::lock_guard lock(q.Mutex);
        q.Items.push_back(item);
        wakeup = q.Wakeup;
    }
    q.Arrived.notify_all();
    if (wakeup) wakeup();

    std::unique_lock lock(q.Mutex);
    if (!q.Ran.wait_for(lock, std::chrono::milliseconds(startTimeoutMs), [&] { return item->Started; })) {
        // Not picked up in time: withdraw it so it can never run after the caller has gone.
        for (auto it = q.Items.begin(); it != q.Items.end(); ++it) {
            if (*it == item) {
                q.Items.erase(it);
                return false;
            }
        }
    }
    // Once running it must be allowed to finish: the procedure uses the caller's objects.
    q.Ran.wait(lock, [&] { return item->Done; });
    return true;
}

void Synchronize(const std::function<void()>& fn) {
    while (!SynchronizeFor(fn, 1000)) {
    }
}

bool CheckSynchronize(uint32_t timeoutMs) {
    if (!IsMainThread()) return false;
    auto& q = Queue();
    std::unique_lock lock(q.Mutex);
    if (q.Items.empty() && timeoutMs > 0)
        q.Arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !q.Items.empty(); });
    bool ran = false;
    while (!q.Items.empty()) {
        auto item = q.Items.front();
        q.Items.pop_front();
        item->Started = true;
        lock.unlock();
        q.Ran.notify_all();
        // The caller waits for Done whatever fn does, so an exception must not escape before
        // it is told.
        try {
            item->Fn();
        } catch (...) {
            lock.lock();
            item->Done = true;
            lock.unlock();
            q.Ran.notify_all();
            throw;
        }
        lock.lock();
        item->Done = true;
        q.Ran.notify_all();
        ran = true;
    }
    return ran;
}

void SetSynchronizeWakeup(std::function<void()> wakeup) {
    auto& q = Queue();
    std::lock_guard lock(q.Mutex);
    q.Wakeup = std::move(wakeup);
}

} // namespace platform
