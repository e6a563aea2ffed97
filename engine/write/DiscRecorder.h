#pragma once
// The disc target of the write thread: the MMC sequence that prepares a recorder, writes the
// image with WRITE(10) from sector 0, flushes the drive, closes what the medium needs closed
// and returns the drive to rest.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/JobResult.h"

namespace tarnwick {

class TVornBurner;

// The running job as the recording sequence sees it: the job's one error text (kept by the
// cache thread) and the reader that must stop when writing fails.
class IRecordingJob {
public:
    virtual ~IRecordingJob() = default;
    virtual std::string JobError() = 0;
    // The drive's failure replaces whatever the stopping reader may have put there.
    virtual void SetJobError(const std::string& text, TJobResultKind kind = TJobResultKind::Failed) = 0;
    virtual void SetJobErrorIfEmpty(const std::string& text, TJobResultKind kind = TJobResultKind::Failed) = 0;
    virtual void StopReader() = 0;
};

// "16.0X (22,160 KB/s)" for a DVD type, "24X (4,234 KB/s)" for the others.
std::string WriteSpeedText(uint16_t speedKBs, uint16_t discType);

// The performance descriptor of SET STREAMING sent before recording a DVD-R.
std::array<uint8_t, 28> DvdRStreamingDescriptor();

// The medium's ECC block in sectors (16 on DVD media); 1 where writes need no such unit.
uint32_t EccBlockSectors(uint16_t discType);

// Track size for RESERVE TRACK: the track's sectors (low 32 bits) rounded up to whole
// 32-sector (ECC block) units.
uint32_t ReservationSectors(int64_t trackSectors);

// The job's end when a second abort stops the closing that follows the last block.
inline constexpr const char* kAbortedDiscLeftOpen = "OPERATION ABORTED BY USER: THE DISC IS LEFT OPEN";

class TDiscRecorder {
public:
    // Write retries while the drive is busy or not ready: every 600 ms, 10000 times at most
    // (100 minutes: long enough for a drive that recovers from a buffer stall or a slow OPC).
    static constexpr uint32_t kWriteRetryDelayMs = 600;
    static constexpr uint32_t kMaxWriteRetries = 10000;
    // Session close retries on a CD while the drive is busy: 1000 x 1000 ms.
    static constexpr uint32_t kCloseRetryDelayMs = 1000;
    static constexpr uint32_t kMaxCloseRetries = 1000;
    // A DVD answers READ DISC INFORMATION again once its cache is flushed. The wait for that
    // gets the same bound as the flush command itself.
    static constexpr uint32_t kDvdFlushTimeoutMs = 1800000;
    static constexpr uint32_t kFlushPollMs = 1000;
    // The longest wait for a closing sent with Immed.
    static constexpr uint32_t kCloseWaitMs = 240000;
    // The longest wait for a DVD-R or DVD+R closing: an hour, as other burners allow; the
    // finalization of a double-layer disc takes minutes. The closing is sent with Immed and
    // polled, so no command time-out of the system cuts it short.
    static constexpr uint32_t kCloseDoneBudgetMs = 3600000;
    // A failure without sense data and without BUSY means the command never reached a drive
    // (vanished device, dead bus, time-out). After this many in a row, confirmed each time by
    // an unanswered TEST UNIT READY, the drive counts as gone instead of busy.
    static constexpr uint32_t kMaxUnansweredRetries = 3;

    TDiscRecorder(TVornBurner& engine, IRecordingJob& job);

    // Preparation: drive, medium and write parameters; the start message. False (job error
    // set) after an abort, or when the medium must not be written as it is; both before
    // anything that changes the disc.
    [[nodiscard]] bool Prepare();
    // One block of Bytes (a multiple of 2048, at most 65536) at sector Lba, with the retries.
    // False when the job must end; the job error is then set and the reader stopped.
    [[nodiscard]] bool WriteBlock(uint32_t Lba, uint8_t* Data, uint32_t Bytes);
    // Flush, close track and session as the medium needs, rest the drive.
    void Close();
    // ALLOW MEDIUM REMOVAL when the job locked the tray and has not unlocked it yet.
    void Unlock();

    uint16_t DiscType() const { return FDiscType; }

private:
    bool AbortRequested() const;
    // An abort the waits must honour now; sets the job error when it is so.
    bool WaitAborted();
    bool LastFailureUnanswered() const;
    bool DriveGone();
    void FailWrite(const std::string& text, TJobResultKind kind = TJobResultKind::Failed);
    void FlushDvd();
    void FlushOther();
    // False when the job must end here (the drive is gone, or an abort during the retries).
    bool CloseMedium();
    bool CloseCdSession();
    bool ClosedImmediately() const;
    // How a poll for the end of a closing ended: the drive answered (or an abort ended the
    // wait), the drive vanished (the job error says so), or the budget ran out.
    enum class TCloseEnd { Done, DriveGone, OverBudget };
    TCloseEnd PollCloseEnd(uint32_t budgetMs);
    // Waits, bounded, for a closing sent with Immed to end; false when the job ends instead.
    bool WaitClosed();
    // One CD closing command, retried while the drive is busy (a second abort ends it).
    bool CloseCd(const std::function<bool()>& close);
    void Rest();
    // PREVENT MEDIUM REMOVAL for the length of the job; a refusal is logged and the job goes on.
    void LockTray();
    // A DVD-R or DVD+R closing command (close function, track number) with Immed, retried
    // while the drive answers busy or not ready, then polled until the drive has done it.
    // False when it still failed: the job error then names leftOpen, the state of the disc.
    bool CloseAndWait(uint8_t function, uint8_t track, const char* leftOpen);
    // Polls READ DISC INFORMATION until the drive has finished its closing, within budget;
    // the failure's text in detail when it did not.
    bool WaitCloseDone(uint32_t budgetMs, std::string& detail);
    // The DVD+R gets its lead-out: CloseDisc, or an image for DVD players.
    bool FinalizeDvdPlusR() const;
    // A used CD-RW or sequential DVD-RW is refused before anything is written.
    bool AcceptsMedium();
    // True when a failed first write says the medium wants formatting first (DVD+RW, DVD-RW
    // in restricted overwrite) and no format has been tried in this job.
    bool WantsFormat(uint32_t Lba) const;
    // READ BUFFER CAPACITY every few blocks, for the buffer figure of the progress.
    void PollBuffer();
    // Formats it; false (job error set) when that failed.
    bool FormatForFirstUse();

    TVornBurner& Engine;
    IRecordingJob& Job;
    uint16_t FDiscType = 0;
    uint8_t FTrack = 1;
    uint16_t FSpeed = 0;
    bool FBufferPolling = false;
    int32_t FPollCountdown = 5;
    bool FFormatTried = false;
    bool FLocked = false;
    // The last block, padded with zeros to a whole ECC block.
    std::vector<uint8_t> FPadded;
};

} // namespace tarnwick
