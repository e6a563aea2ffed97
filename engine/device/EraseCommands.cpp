// The erase and format commands: BLANK, FORMAT UNIT, READ FORMAT CAPACITIES, and the wait for
// the drive to finish the long operation they start.
#include <cstring>

#include "engine/device/Cdb.h"
#include "engine/device/Erasing.h"
#include "engine/device/ScsiDevice.h"
#include "platform/Clock.h"

namespace tarnwick {

namespace {
constexpr uint8_t kFlagsNone = SRB_EVENT_NOTIFY;
constexpr uint8_t kFlagsIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;
constexpr uint8_t kFlagsOut = SRB_EVENT_NOTIFY | SRB_DIR_OUT;
// With Immed the drive answers once it has checked the command; without, the whole erase.
constexpr int32_t kImmediateTimeOut = 60000;
constexpr int32_t kPollTimeOut = 5000;
// A drive that answers no poll at all (no sense, not busy) this often in a row is gone.
constexpr uint32_t kMaxUnanswered = 3;
constexpr int32_t kProgressDone = 65536;
} // namespace

bool TSCSIDevice::Blank(bool Full, bool Immed) {
    const auto c = cdb::Blank(Full ? cdb::kBlankFull : cdb::kBlankMinimal, Immed);
    return RunCdb(c.data(), uint8_t(c.size()), kFlagsNone, nullptr, 0, Immed ? kImmediateTimeOut : 6000000);
}

bool TSCSIDevice::FormatUnit(const uint8_t* Descriptor8, bool Immed) {
    rec::TFormatDescriptor d{};
    std::memcpy(d.data(), Descriptor8, d.size());
    auto list = rec::FormatParameterList(d, Immed);
    const auto c = cdb::FormatUnit();
    return RunCdb(c.data(), uint8_t(c.size()), kFlagsOut, list.data(), uint32_t(list.size()),
                  Immed ? kImmediateTimeOut : 9000000);
}

bool TSCSIDevice::ReadFormatCapacities(uint8_t* Buffer, uint16_t AllocLen, uint32_t& Valid) {
    std::memset(Buffer, 0, AllocLen);
    Valid = 0;
    uint32_t moved = 0;
    const auto c = cdb::ReadFormatCapacities(AllocLen);
    if (!RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, Buffer, AllocLen, 10000, &moved)) return false;
    const uint32_t declared = moved >= 4 ? 4u + Buffer[3] : 0;
    Valid = declared < moved ? declared : moved;
    std::memset(Buffer + Valid, 0, AllocLen - Valid);
    return true;
}

TSCSIDevice::TLongWait TSCSIDevice::WaitLongOperation(uint32_t DeadlineMs, uint32_t Step,
                                                      const std::function<bool()>& Abort,
                                                      std::atomic<int32_t>& Progress) {
    auto& clock = platform::Clock();
    const uint64_t start = clock.NowMs();
    const uint32_t step = Step ? Step : 1;
    uint32_t unanswered = 0;
    for (;;) {
        if (Abort && Abort()) return TLongWait::Aborted;
        if (TestUnitReady(kPollTimeOut)) {
            Progress = kProgressDone;
            return TLongWait::Done;
        }
        const TCommandOutcome& o = LastOutcome;
        if (rec::OperationInProgress(o)) {
            unanswered = 0;
            if (o.Progress) Progress = int32_t(*o.Progress);
        } else if (o.Busy()) {
            unanswered = 0;
        } else if (o.ReturnedCode == 0) {
            // No sense and no BUSY: the command reached no drive.
            if (++unanswered >= kMaxUnanswered) return TLongWait::Gone;
        } else {
            return TLongWait::Failed;
        }
        if (clock.NowMs() - start >= DeadlineMs) return TLongWait::TimedOut;
        clock.SleepMs(step);
    }
}

} // namespace tarnwick
