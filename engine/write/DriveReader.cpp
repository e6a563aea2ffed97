#include "engine/write/DriveReader.h"

#include <cstring>

#include "engine/device/Decisions.h"
#include "engine/device/Messages.h"
#include "engine/device/Reading.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"

namespace tarnwick {

TDriveReader::TDriveReader(TVornBurner& AEngine, TReadPolicy APolicy) : Engine(AEngine), Policy(APolicy) {}

TDriveReader::TResult TDriveReader::ReadRetried(uint32_t Lba, uint32_t Count, uint8_t* Dest,
                                                const std::function<bool()>& Aborted) {
    auto& clock = platform::Clock();
    const uint64_t start = clock.NowMs();
    for (uint32_t attempt = 0;; ++attempt) {
        if (Aborted && Aborted()) {
            FError = msg::OperationAborted;
            return TResult::Fatal;
        }
        if (reading::ReadSectors(Engine, Lba, Count, Dest)) return TResult::Ok;
        const std::string failure = Engine.LastCommandError;
        const TDecision decision = Decide(TDecisionPoint::Read, Engine.LastOutcome);
        if (decision == TDecision::NoDisc) {
            FError = msg::NoDisc;
            return TResult::Fatal;
        }
        // No sense and no BUSY: the request reached no drive. A drive that does not answer
        // TEST UNIT READY either is gone; retrying it sector by sector would only take long.
        if (decision == TDecision::CheckDrive && !Engine.TestUnitReady(5000) && Unanswered(Engine.LastOutcome)) {
            FError = msg::BracketedOrNoDevice(msg::ReaderError, failure);
            return TResult::Fatal;
        }
        Engine.LastCommandError = failure;
        // A sector past the end of what the disc holds stays there: no retry reads it.
        if (Engine.LastOutcome.SenseKey == 0x05 && Engine.LastOutcome.Asc == 0x21) return TResult::Failed;
        if (attempt >= Policy.Retries || clock.NowMs() - start >= Policy.RetryDeadlineMs) return TResult::Failed;
        clock.SleepMs(Policy.RetryDelayMs);
    }
}

bool TDriveReader::Read(uint32_t Lba, uint32_t Count, uint8_t* Dest, const std::function<bool()>& Aborted) {
    TResult r = ReadRetried(Lba, Count, Dest, Aborted);
    if (r == TResult::Ok) {
        if (RangeOpen) Finish();
        return true;
    }
    if (r == TResult::Fatal) return false;
    // The READ of many sectors keeps failing: find the sectors that do, one at a time.
    for (uint32_t i = 0; i < Count; ++i) {
        uint8_t* sector = Dest + size_t(i) * kSectorSize;
        r = Count == 1 ? TResult::Failed : ReadRetried(Lba + i, 1, sector, Aborted);
        if (r == TResult::Fatal) return false;
        if (r == TResult::Ok) {
            if (RangeOpen) Finish();
            continue;
        }
        if (!Policy.SkipUnreadable) {
            FError = msg::Format(msg::UnreadableSector, (long long)(Lba + i)) + " [" + Engine.LastCommandError + "]";
            return false;
        }
        std::memset(sector, 0, kSectorSize);
        NoteSkipped(Lba + i);
    }
    return true;
}

void TDriveReader::NoteSkipped(uint32_t Lba) {
    ++FSkipped;
    if (RangeOpen && FRanges.back().Last + 1 == Lba) {
        FRanges.back().Last = Lba;
        return;
    }
    if (RangeOpen) Finish();
    FRanges.push_back({Lba, Lba});
    RangeOpen = true;
}

void TDriveReader::LogRange(const TRange& r) {
    const std::string range =
        r.First == r.Last ? std::to_string(r.First) : std::to_string(r.First) + "-" + std::to_string(r.Last);
    Engine.DebugMessage(std::string(">>> ") + msg::Format(msg::SkippedRange, range), 1);
}

void TDriveReader::Finish() {
    if (!RangeOpen) return;
    RangeOpen = false;
    LogRange(FRanges.back());
}

} // namespace tarnwick
