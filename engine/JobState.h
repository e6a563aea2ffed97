#pragma once
// The state of one engine's job. Each engine owns one; its job's threads reach it through
// JobState(), which a write thread binds to its engine for the length of the job, so two
// engines in one process run their jobs side by side without seeing each other's.
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/GuardedString.h"
#include "engine/JobResult.h"

namespace tarnwick {

class TCacheThread;
class TThWrite;
class TThErase;

struct TJobState {
    // The running (or last) job's threads. Replaced only by the owning engine on the main
    // thread, and only once the previous writer has ended.
    std::shared_ptr<TCacheThread> CurrentCache;
    std::shared_ptr<TThWrite> CurrentWriter;
    std::shared_ptr<TThErase> CurrentEraser;
    // Set by AbortWrite on the main thread, read by the write thread before every block.
    std::atomic<bool> AbortFlag{false};
    // Every AbortWrite of the running job counts. The closing after the last block ignores
    // the first abort it sees (AbortGrace); the waits give up at any abort beyond that.
    std::atomic<uint32_t> AbortRequests{0};
    std::atomic<uint32_t> AbortGrace{0};
    bool WaitsAborted() const { return AbortRequests.load() > AbortGrace.load(); }
    // A job entry forgets the previous job's aborts before its first command: an abort that
    // comes while the entry still prepares (drive checks, cache fill) counts for the new job.
    void ClearAborts() {
        AbortFlag = false;
        AbortRequests = 0;
        AbortGrace = 0;
    }
    // What a long wait of the running job waits for (the drive's words and the try), for the
    // front ends' progress displays; empty while nothing is waited for.
    TGuardedString WaitStatus;
    // Disc type code of the running disc job (GetDiscType); read by the readiness wait.
    std::atomic<uint16_t> DiscType{0};

    // The job's figures, read by the main thread (progress) while the job's threads count.
    int64_t ImageSectors = 0; // sectors the job writes (the layout's, or the image file's)
    std::atomic<int64_t> BytesWritten{0};
    // The drive's progress through an erase or format, 0 to 65536; -1 before the first report.
    std::atomic<int32_t> EraseProgress{-1};
    TGuardedString CurrentFile;
    // The job's first error: its cache, its writer and its recorder all put theirs here, and
    // the first one stays, with its kind. Emptied when a job starts its cache.
    TJobError Error;
    std::string LastWriteError; // written by the write thread before it reports the end
    // How the last job ended: set by whatever ends the job (its thread, or its entry when it
    // refuses or fails before a thread runs) before OnWriteDone is raised.
    TJobResult LastResult;
    // Sectors written as zeros by the last read job (SkipUnreadable); 0 for other jobs.
    std::atomic<int64_t> UnreadableSectors{0};
    // The image file of the running burn, read again by the verify after it.
    std::string BurnedImageName;
    // The burned image holds VIDEO_TS: a DVD+R is finalized for players whatever CloseDisc says.
    bool FinalizeForPlayers = false;
};

// The job state of the job the calling thread works for: the engine's own on a thread bound
// by TJobBinding, else the state of a device used outside any engine's job (tests, queries).
TJobState& JobState();

// Binds the calling thread to a job state for the binding's lifetime.
class TJobBinding {
public:
    explicit TJobBinding(TJobState& state);
    ~TJobBinding();
    TJobBinding(const TJobBinding&) = delete;
    TJobBinding& operator=(const TJobBinding&) = delete;

private:
    TJobState* Previous;
};

} // namespace tarnwick
