#include "platform/Clock.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/Threads.h"

namespace platform {

namespace {

class TRealClock : public IClock {
public:
    uint64_t NowMs() override {
        using namespace std::chrono;
        return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }
    void SleepMs(uint32_t ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
    bool WaitEvent(TEvent& event, uint32_t timeoutMs) override { return event.WaitFor(timeoutMs); }
};

std::atomic<IClock*> Installed{nullptr};

// How long a virtual wait lets a completion that is already under way on another thread
// arrive before the whole time-out is taken as passed.
constexpr uint32_t kVirtualGraceMs = 50;

} // namespace

IClock& RealClock() {
    static TRealClock clock;
    return clock;
}

IClock& Clock() {
    IClock* c = Installed.load();
    return c ? *c : RealClock();
}

void SetClock(IClock* clock) { Installed.store(clock); }

uint64_t TVirtualClock::NowMs() { return Time; }

void TVirtualClock::SleepMs(uint32_t ms) {
    Time += ms;
    Slept += ms;
}

bool TVirtualClock::WaitEvent(TEvent& event, uint32_t timeoutMs) {
    if (event.WaitFor(timeoutMs < kVirtualGraceMs ? timeoutMs : kVirtualGraceMs)) return true;
    Time += timeoutMs;
    return event.IsSet();
}

uint64_t TVirtualClock::SleptMs() const { return Slept; }

} // namespace platform
