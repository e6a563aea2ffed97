// The closing of the recording sequence: track and session closes as each medium needs them,
// the waits for a closing the drive finishes on its own, and the tray lock of the job.
#include <functional>

#include "engine/JobState.h"
#include "engine/device/Decisions.h"
#include "engine/device/Messages.h"
#include "engine/write/DiscRecorder.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"

namespace tarnwick {

namespace {

// CLOSE TRACK/SESSION close functions.
constexpr uint8_t kCloseTrack = 1;
constexpr uint8_t kCloseSession = 2;
constexpr uint8_t kCloseFormat = 3;      // DVD+RW: end the background format
constexpr uint8_t kFinalizeDvdPlusR = 5; // 101b: close the session and finalize the disc

std::string CloseFailure(const std::string& detail, const char* leftOpen) {
    return msg::Bracketed(msg::CloseError, detail) + ": " + leftOpen;
}

} // namespace

bool TDiscRecorder::CloseCdSession() {
    // A drive closes the session only once its tracks are closed; the track's close is
    // quick (its PMA entry) and is waited for, so the session's close finds the drive ready.
    // A refusal still lets the session's close be tried (it says what the drive thinks);
    // only a second abort stops here.
    if (!CloseCd([this] { return Engine.CloseTrackSessionRaw(false, 1, 0, 0, FTrack); }) && !Job.JobError().empty())
        return false;
    const bool immed = DrvLibState().ImmediateClose.load();
    return CloseCd([this, immed] { return Engine.CloseTrackSession(false, immed, false); });
}

bool TDiscRecorder::CloseCd(const std::function<bool()>& close) {
    uint32_t retries = 0;
    for (;;) {
        if (close()) return true;
        if (Decide(TDecisionPoint::Close, Engine.LastOutcome) == TDecision::OneMoreTry) {
            // Some drives refuse the first close after a long write; one more try, then go on.
            return close();
        }
        ++retries;
        platform::Clock().SleepMs(kCloseRetryDelayMs);
        if (WaitAborted()) return false;
        if (retries >= kMaxCloseRetries) return false;
    }
}

bool TDiscRecorder::ClosedImmediately() const {
    switch (FDiscType) {
    case dtDVDRWRestricted:
    case dtDVDRWSequential: return true;
    case dtDVDR:
    case dtDVDPlusR:
    case dtDVDPlusRW: return false;
    default: return DrvLibState().ImmediateClose.load();
    }
}

TDiscRecorder::TCloseEnd TDiscRecorder::PollCloseEnd(uint32_t budgetMs) {
    // A drive answers TEST UNIT READY while it closes with Immed; READ DISC INFORMATION waits
    // for the end of the closing instead (NOT READY, operation or long write in progress).
    const uint64_t start = platform::Clock().NowMs();
    while (!Engine.UpdateDiscInformation()) {
        TDecision decision = Decide(TDecisionPoint::CloseWait, Engine.LastOutcome);
        if (decision == TDecision::CheckDrive) {
            if (DriveGone()) {
                Job.SetJobErrorIfEmpty(msg::BracketedOrNoDevice(msg::WriterError, ""));
                return TCloseEnd::DriveGone;
            }
            decision = Decide(TDecisionPoint::CloseWait, Engine.LastOutcome); // the drive's answer to the check
        }
        if (decision == TDecision::GoOn) return TCloseEnd::Done; // an answer that is not a wait
        if (platform::Clock().NowMs() - start >= budgetMs) return TCloseEnd::OverBudget;
        platform::Clock().SleepMs(kFlushPollMs);
        // The closing is under way and the drive finishes it alone: an abort only ends the wait.
        if (JobState().WaitsAborted()) return TCloseEnd::Done;
    }
    return TCloseEnd::Done;
}

bool TDiscRecorder::WaitClosed() { return PollCloseEnd(kCloseWaitMs) != TCloseEnd::DriveGone; }

bool TDiscRecorder::FinalizeDvdPlusR() const { return Engine.FinalizeDisc() || Engine.Job().FinalizeForPlayers; }

bool TDiscRecorder::CloseMedium() {
    if (FDiscType != dtDVDR) Engine.SetWriteParameters(Engine.TestWrite(), Engine.UnderrunProtection(), FDiscType);
    bool closed = true; // the last closing command's result
    switch (FDiscType) {
    case dtDVDPlusR:
        if (!CloseAndWait(kCloseTrack, FTrack, msg::TrackLeftOpen)) return false;
        if (FinalizeDvdPlusR()) return CloseAndWait(kFinalizeDvdPlusR, 0, msg::SessionLeftOpen);
        return CloseAndWait(kCloseSession, 0, msg::SessionLeftOpen);
    case dtDVDR:
        if (!CloseAndWait(kCloseTrack, FTrack, msg::TrackLeftOpen)) return false;
        // The invisible track behind the reservation, where the drive keeps one; a drive that
        // has none refuses this, and that leaves nothing open.
        Engine.CloseTrackSessionRaw(false, kCloseTrack, 0, 0, uint8_t(FTrack + 1));
        return CloseAndWait(kCloseSession, 0, msg::SessionLeftOpen);
    case dtDVDRWSequential:
        // The written track is closed before its session, as on DVD-R.
        Engine.CloseTrackSessionRaw(false, kCloseTrack, 0, 0, FTrack);
        closed = Engine.CloseTrackSessionRaw(true, kCloseSession, 0, 0, 0);
        break;
    case dtDVDRWRestricted:
        closed = Engine.CloseTrackSessionRaw(true, kCloseSession, 0, 0, 0);
        break;
    case dtDVDPlusRW:
        closed = Engine.CloseTrackSessionRaw(false, kCloseFormat, 0, 0, 255);
        break;
    default:
        closed = CloseCdSession();
        if (!Job.JobError().empty()) return false; // a second abort: the session stays open
        break;
    }
    // The closing's refusals are the drive's business, but a drive that is gone has closed
    // nothing: that must not end as a success.
    if (!closed && LastFailureUnanswered() && DriveGone()) {
        Job.SetJobErrorIfEmpty(msg::BracketedOrNoDevice(msg::WriterError, ""));
        return false;
    }
    return true;
}

bool TDiscRecorder::CloseAndWait(uint8_t function, uint8_t track, const char* leftOpen) {
    uint32_t retries = 0;
    bool oneMoreTried = false;
    for (;;) {
        if (Engine.CloseTrackSessionRaw(true, function, 0, 0, track)) {
            std::string detail;
            if (WaitCloseDone(kCloseDoneBudgetMs, detail)) return true;
            Job.SetJobErrorIfEmpty(CloseFailure(detail, leftOpen));
            return false;
        }
        const TDecision decision = Decide(TDecisionPoint::Close, Engine.LastOutcome);
        // Busy or not ready (a drive still finishing what came before): the same close again.
        if (decision == TDecision::Retry && ++retries < kMaxCloseRetries) {
            platform::Clock().SleepMs(kCloseRetryDelayMs);
            if (WaitAborted()) return false;
            continue;
        }
        // Some drives refuse the first close after a long write once.
        if (decision == TDecision::OneMoreTry && !oneMoreTried) {
            oneMoreTried = true;
            continue;
        }
        const std::string detail = Engine.LastCommandError;
        if (LastFailureUnanswered() && DriveGone()) {
            Job.SetJobErrorIfEmpty(msg::BracketedOrNoDevice(msg::WriterError, ""));
            return false;
        }
        Job.SetJobErrorIfEmpty(CloseFailure(detail, leftOpen));
        return false;
    }
}

bool TDiscRecorder::WaitCloseDone(uint32_t budgetMs, std::string& detail) {
    switch (PollCloseEnd(budgetMs)) {
    case TCloseEnd::Done: return true;
    case TCloseEnd::DriveGone: detail = Engine.LastCommandError; return false;
    case TCloseEnd::OverBudget: detail = msg::Format(msg::CloseNotDone, (long long)(budgetMs / 60000)); return false;
    }
    return false;
}

void TDiscRecorder::LockTray() {
    if (Engine.PreventAllowRemoval(false)) {
        FLocked = true;
        return;
    }
    Engine.DebugMessage(std::string(">>> ") + msg::Bracketed(msg::TrayNotLocked, Engine.LastCommandError), 1);
}

void TDiscRecorder::Unlock() {
    if (!FLocked) return;
    FLocked = false;
    Engine.PreventAllowRemoval(true);
}

} // namespace tarnwick
