// The main-thread queue: Synchronize from workers, CheckSynchronize pumping, withdrawal of an
// item the main thread never picked up, and the wake-up hook of a window's event loop.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/Threads.h"

using namespace platform;

TEST(Synchronize, RunsOnTheMainThreadInOrderAndWaits) {
    SetMainThread();
    ASSERT_TRUE(IsMainThread());
    std::vector<int> order;
    std::atomic<int> returned{0};
    std::atomic<bool> ranOnMain{true};
    std::thread worker([&] {
        EXPECT_FALSE(IsMainThread());
        for (int i = 0; i < 3; ++i) {
            Synchronize([&, i] {
                if (!IsMainThread()) ranOnMain = false;
                order.push_back(i);
            });
            // Synchronize returns only after the procedure ran.
            EXPECT_EQ(order.size(), size_t(i + 1));
            ++returned;
        }
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (returned < 3 && std::chrono::steady_clock::now() < deadline) CheckSynchronize(50);
    worker.join();
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
}

TEST(Synchronize, OnTheMainThreadRunsAtOnceAndPumpingAnEmptyQueueRunsNothing) {
    SetMainThread();
    int ran = 0;
    Synchronize([&] { ++ran; });
    EXPECT_EQ(ran, 1);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(CheckSynchronize(30));
    // The empty queue was waited on for about the time-out, not returned from at once.
    EXPECT_GE(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(25));
}

TEST(Synchronize, AnItemNeverPickedUpIsWithdrawnAndNeverRuns) {
    SetMainThread();
    std::atomic<bool> ran{false};
    bool result = true;
    std::thread worker([&] { result = SynchronizeFor([&] { ran = true; }, 50); });
    worker.join(); // the main thread does not pump meanwhile
    EXPECT_FALSE(result);
    CheckSynchronize(0);
    EXPECT_FALSE(ran);
}

TEST(Synchronize, WorkerThreadsCannotPumpTheQueue) {
    SetMainThread();
    bool pumped = true;
    std::thread worker([&] { pumped = CheckSynchronize(0); });
    worker.join();
    EXPECT_FALSE(pumped);
}

TEST(Synchronize, WakeupIsCalledForEveryQueuedItemAndAnExceptionStillReleasesTheCaller) {
    SetMainThread();
    std::atomic<int> wakeups{0};
    SetSynchronizeWakeup([&] { ++wakeups; });
    std::atomic<bool> done{false};
    std::thread worker([&] {
        Synchronize([] {});
        Synchronize([] { throw std::runtime_error("handler failed"); });
        done = true;
    });
    int thrown = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        try {
            CheckSynchronize(20);
        } catch (std::runtime_error&) {
            ++thrown;
        }
    }
    worker.join();
    SetSynchronizeWakeup(nullptr);
    EXPECT_TRUE(done);
    EXPECT_EQ(thrown, 1);
    EXPECT_EQ(wakeups, 2);
}

TEST(ThreadPriority, EveryLevelCanBeSetFromAnyThread) {
    // Best effort: the call must neither fail nor disturb the thread's work.
    std::thread worker([] {
        for (auto p : {TThreadPriority::Idle, TThreadPriority::Lowest, TThreadPriority::Lower, TThreadPriority::Normal,
                       TThreadPriority::TimeCritical, TThreadPriority::Normal})
            SetCurrentThreadPriority(p);
    });
    worker.join();
    SUCCEED();
}
