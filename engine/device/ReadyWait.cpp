// Waiting for a drive to become ready after a load, a reservation or a close. Polled within a
// budget; every sleep goes through the injectable clock.
#include <cstring>

#include "engine/JobState.h"
#include "engine/device/Decisions.h"
#include "engine/device/ScsiDevice.h"
#include "platform/Clock.h"

namespace tarnwick {

namespace {
constexpr uint8_t kAscNotReady = 0x04;
constexpr uint8_t kSenseValidCurrent = 0xF0;
constexpr uint32_t kQuirkSleepMs = 1500;
constexpr int32_t kPollTimeOut = 5000;
} // namespace

bool TSCSIDevice::WaitUnitReady(int32_t Budget, int32_t Step) {
    auto& clock = platform::Clock();
    auto& rs = DrvLibState().ReadySense;
    // A step of 0 would never use up the budget.
    const int64_t step = Step > 0 ? Step : 1;
    int64_t remaining = Budget;
    // The last command says the drive is still becoming ready.
    auto notReady = [this] { return Decide(TDecisionPoint::UnitReady, LastOutcome) == TDecision::Wait; };
    // A job's abort ends the wait (the recorder decides what an abort means while closing).
    auto aborted = [] { return JobState().WaitsAborted(); };

    rs.fill(0);

    // Some drives report ready too early after a load; let them settle first.
    if (ExtraReadyWait || DrvLibState().ExtraReadyWaitVendor) {
        do {
            clock.SleepMs(kQuirkSleepMs);
            remaining -= kQuirkSleepMs;
            if (remaining < 0) break;
            if (aborted()) return false;
            TestUnitReady(kPollTimeOut);
        } while (notReady());
    }

    if (JobState().DiscType == dtDVDRAM) {
        // A DVD-RAM formats in the background and answers READ DISC INFORMATION meanwhile.
        rs[12] = kAscNotReady;
    } else {
        do {
            clock.SleepMs(uint32_t(step));
            if (aborted()) return false;
            UpdateDiscInformation();
            remaining -= step;
            if (remaining < 0) return false;
        } while (notReady());
    }

    if (TestUnitReady(kPollTimeOut) && rs[12] == 0) return true;

    do {
        clock.SleepMs(uint32_t(step));
        remaining -= step;
        if (remaining < 0) return false;
        if (aborted()) return false;
        TestUnitReady(kPollTimeOut);
    } while (notReady());

    do {
        rs.fill(0);
        RequestSense(rs.data(), uint8_t(rs.size()));
        remaining -= step;
        if (remaining < 0) return false;
        if (rs[0] == kSenseValidCurrent) rs[12] = kAscNotReady; // a current error counts as not ready whatever its ASC
        if (rs[12] == kAscNotReady) clock.SleepMs(uint32_t(step));
        if (aborted()) return false;
    } while (rs[12] != 0);
    return true;
}

} // namespace tarnwick
