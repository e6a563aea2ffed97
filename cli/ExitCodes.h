#pragma once
// The exit codes of tarnwick-cli, and the one mapping from how a job ended to its code.
#include "engine/JobResult.h"

namespace tarnwick::cli {

// Exit codes (also listed by --help).
enum TExitCode : int {
    ExitOk = 0,               // the job ended without an error text
    ExitJobFailed = 1,        // the job ended with an error text (printed)
    ExitUsage = 2,            // bad command line
    ExitSourceUnreadable = 3, // the source is missing or cannot be listed
    ExitSetupFailed = 4,      // the engine could not be prepared (virtual drive, settings...)
    ExitAborted = 5,          // interrupted (Ctrl-C): the job ended "OPERATION ABORTED BY USER"
    ExitVerifyMismatch = 6,   // verify found the disc different from the image
    ExitSkippedSectors = 7,   // read finished, with unreadable sectors written as zeros
    ExitEntriesChanged = 8,   // image written, but entries were left out or renamed (listed)
};

constexpr TExitCode ExitCodeOf(TJobResultKind kind) {
    switch (kind) {
    case TJobResultKind::Success: return ExitOk;
    case TJobResultKind::Failed: return ExitJobFailed;
    case TJobResultKind::Refused: return ExitJobFailed; // scripts see a refusal as a failed job
    case TJobResultKind::Aborted: return ExitAborted;
    case TJobResultKind::VerifyMismatch: return ExitVerifyMismatch;
    case TJobResultKind::SkippedSectors: return ExitSkippedSectors;
    case TJobResultKind::EntriesChanged: return ExitEntriesChanged;
    }
    return ExitJobFailed;
}

} // namespace tarnwick::cli
