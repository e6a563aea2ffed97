#pragma once
// The engine's decisions after a failed command, as one table: what the drive's answer (BUSY,
// the additional sense code, whether it returned sense data at all) means at each place that
// retries, waits or gives up. The places read the table instead of testing sense bytes.
#include <cstdint>

#include "engine/device/Outcome.h"

namespace tarnwick {

enum class TDecision : uint8_t {
    Retry,      // send the command again (after the place's pause)
    Wait,       // the drive is busy with something: keep waiting
    GoOn,       // not a reason to wait: carry on
    OneMoreTry, // a refusal that some drives give once: one more try, then go on
    CheckDrive, // no answer at all: ask the drive whether it is still there
    NoDisc,     // the drive has no disc
    Fail,       // the drive refused for a reason of its own: give up with its words
};

// The places that decide.
enum class TDecisionPoint : uint8_t {
    Write,           // a WRITE of the recording sequence
    Close,           // closing a track or session
    CloseWait,       // waiting for the end of a closing (READ DISC INFORMATION)
    Read,            // a READ of a disc copy or a verify
    ReadyToRead,     // TEST UNIT READY before a read
    UnitReady,       // the ready wait before recording (TEST UNIT READY, READ DISC INFORMATION)
    Count
};

// What the outcome of the last command means at point. A completed command is never a reason
// to wait: GoOn.
TDecision Decide(TDecisionPoint point, const TCommandOutcome& outcome);

// No sense data and no BUSY: the request reached no drive, or the drive said nothing.
bool Unanswered(const TCommandOutcome& outcome);

} // namespace tarnwick
