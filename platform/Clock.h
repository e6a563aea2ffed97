#pragma once
// The one injectable clock of every device-level sleep and timed wait (write retries,
// readiness polling, command time-outs), so tests run long budgets in virtual time.
#include <atomic>
#include <cstdint>

namespace platform {

class TEvent;

class IClock {
public:
    virtual ~IClock() = default;
    virtual uint64_t NowMs() = 0;
    virtual void SleepMs(uint32_t ms) = 0;
    // Waits until the event is set or timeoutMs has passed; true when set.
    virtual bool WaitEvent(TEvent& event, uint32_t timeoutMs) = 0;
};

// The real clock (steady clock, real sleeps).
IClock& RealClock();
// The clock in force; the real one unless a test installed another.
IClock& Clock();
void SetClock(IClock* clock); // nullptr restores the real clock

// Virtual time for tests: sleeps advance the time at once; a wait on an event that is not set
// advances by the whole time-out after a short real grace period (so a completion from
// another thread that is already under way is still seen).
class TVirtualClock : public IClock {
public:
    uint64_t NowMs() override;
    void SleepMs(uint32_t ms) override;
    bool WaitEvent(TEvent& event, uint32_t timeoutMs) override;
    uint64_t SleptMs() const;

private:
    std::atomic<uint64_t> Time{0};
    std::atomic<uint64_t> Slept{0};
};

} // namespace platform
