#include "engine/write/DiscRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "engine/Bytes.h"
#include "engine/JobState.h"
#include "engine/device/Decisions.h"
#include "engine/device/Messages.h"
#include "engine/write/VornBurner.h"
#include "platform/Clock.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {

constexpr uint8_t kSrbDataOutNotify = 0x50;
constexpr int32_t kPollEvery = 5;

// DVD media, pressed ones included: their speeds are multiples of DVD 1x.
bool IsDvdType(uint16_t t) { return t >= dtDVDROM && t <= dtDVDPlusR; }
bool IsDvdMinusR(uint16_t t) { return t == dtDVDR; }
bool IsDvdMinusRW(uint16_t t) { return t == dtDVDRWRestricted || t == dtDVDRWSequential; }

// A picture format's rounding: half away from zero on the decimal value. The small bias keeps
// values such as 2.45 (2.4499999... in binary) on the decimal side.
long long RoundScaled(double v, int decimals) {
    double scaled = v * (decimals ? 10.0 : 1.0);
    return std::llround(scaled + (scaled >= 0 ? 1e-9 : -1e-9));
}

std::string Grouped(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    int count = 0;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (count && count % 3 == 0) out.insert(out.begin(), ',');
        out.insert(out.begin(), *it);
        ++count;
    }
    return n < 0 ? "-" + out : out;
}

} // namespace

std::string WriteSpeedText(uint16_t speedKBs, uint16_t discType) {
    std::string factor;
    const double x = speedKBs / (IsDvdType(discType) ? 1385.0 : 176.4);
    if (speedKBs > 0 && x < (IsDvdType(discType) ? 0.05 : 0.5)) {
        // Below what the usual places show: two significant digits, never "0".
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.2g", x);
        factor = buf;
    } else if (IsDvdType(discType)) {
        long long tenths = RoundScaled(x, 1);
        factor = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
    } else {
        factor = std::to_string(RoundScaled(x, 0));
    }
    return factor + "X (" + Grouped(speedKBs) + " KB/s)";
}

std::array<uint8_t, 28> DvdRStreamingDescriptor() {
    std::array<uint8_t, 28> d{};
    // Byte 0: no flags (no restore defaults, no exact, no random-access). Bytes 1-3 reserved.
    PutBE32(&d[4], 0);        // start LBA
    PutBE32(&d[8], 2298495);  // end LBA: the last sector of a single-layer DVD-R
    PutBE32(&d[12], 43965);   // read size (KB) ...
    PutBE32(&d[16], 1000);    // ... per read time (ms)
    PutBE32(&d[20], 1418);    // write size (KB) ...
    PutBE32(&d[24], 1000);    // ... per write time (ms)
    return d;
}

uint32_t EccBlockSectors(uint16_t discType) {
    // Drives write DVD media in whole ECC blocks of 16 sectors (32 KiB).
    return discType >= dtDVDR && discType <= dtDVDPlusR ? 16 : 1;
}

uint32_t ReservationSectors(int64_t trackSectors) {
    uint32_t s = uint32_t(uint64_t(trackSectors) & 0xFFFFFFFFu);
    uint64_t rounded = (uint64_t(s) + 31) / 32 * 32;
    return uint32_t(rounded); // wraps only beyond 2^32 sectors, as the 32-bit field does
}

TDiscRecorder::TDiscRecorder(TVornBurner& engine, IRecordingJob& job) : Engine(engine), Job(job) {}

bool TDiscRecorder::AbortRequested() const { return JobState().AbortFlag.load(); }

bool TDiscRecorder::WaitAborted() {
    auto& job = JobState();
    if (!job.WaitsAborted()) return false;
    // Once the last block is written only a second abort gets here, and the disc stays open.
    // An abort that cuts the closing short leaves a disc that is not what was asked: a failure.
    if (job.AbortGrace.load())
        Job.SetJobErrorIfEmpty(kAbortedDiscLeftOpen);
    else
        Job.SetJobErrorIfEmpty(msg::OperationAborted, TJobResultKind::Aborted);
    Job.StopReader();
    return true;
}

bool TDiscRecorder::LastFailureUnanswered() const {
    return Unanswered(Engine.LastOutcome);
}

bool TDiscRecorder::DriveGone() {
    if (Engine.TestUnitReady(5000)) return false;
    return LastFailureUnanswered();
}

void TDiscRecorder::FailWrite(const std::string& text, TJobResultKind kind) {
    Job.SetJobError(text, kind);
    Job.StopReader();
}

bool TDiscRecorder::Prepare() {
    uint32_t size = 0, freeBytes = 0;
    FBufferPolling = Engine.ReadBufferCapacity(size, freeBytes);
    FPollCountdown = kPollEvery;

    FDiscType = Engine.GetDiscType();
    JobState().DiscType = FDiscType;

    Engine.LoadEject(false);
    // An eject during the write or the closing would ruin the disc.
    LockTray();
    // Every medium but DVD+RW is rezeroed before writing.
    if (FDiscType != dtDVDPlusRW) Engine.RezeroUnit();
    Engine.SetCDSpeed(Engine.ReadSpeed(), Engine.WriteSpeed());
    Engine.WaitUnitReady(10000, 1000);
    if (WaitAborted()) return false;

    // The first write parameters always claim a closed disc, so a CD is written with the
    // multi-session field at 00b; the real setting enters before the closing.
    bool finalizeDisc = Engine.FinalizeDisc();
    FSpeed = Engine.QueryCurrentWriteSpeed();
    Engine.SetFinalizeDisc(true);
    Engine.SetWriteParameters(Engine.TestWrite(), Engine.UnderrunProtection(), FDiscType);
    Engine.SetFinalizeDisc(finalizeDisc);

    FTrack = uint8_t(Engine.GetSessionCount() + 1);
    if (!AcceptsMedium()) return false;

    if (IsDvdMinusR(FDiscType)) {
        auto descriptor = DvdRStreamingDescriptor();
        Engine.SetStreaming(descriptor.data(), uint16_t(descriptor.size()));
        Engine.SendDVDTimestamp(platform::Now());
        // The reservation is the first command that changes the disc: an abort seen before it
        // leaves the disc blank.
        if (WaitAborted()) return false;
        Engine.ReserveTrack(ReservationSectors(Engine.GetTrackSectors()));
        Engine.WaitUnitReady(10000, 1000);
    }
    if (WaitAborted()) return false;

    if (FDiscType != dtDVDRAM && !Engine.TestWrite() && Engine.PerformOPC()) Engine.SendOPC();

    std::string name = DiscTypeNames[FDiscType < 15 ? FDiscType : 0];
    std::string line = msg::Format(msg::StartingWriteProcess, name);
    line = msg::Format(line.c_str(), WriteSpeedText(FSpeed, FDiscType));
    Engine.DebugMessage(std::string(">>> ") + line, 1);
    if (Engine.TestWrite()) Engine.DebugMessage(std::string(">>> ") + msg::TestDummyWrite, 1);
    return true;
}

void TDiscRecorder::PollBuffer() {
    // The drive's buffer figures are refreshed every fifth block; a drive that refused the
    // first poll is not asked again.
    if (FPollCountdown <= 0 && FBufferPolling) {
        uint32_t size = 0, freeBytes = 0;
        if (Engine.ReadBufferCapacity(size, freeBytes))
            FPollCountdown = kPollEvery;
        else
            FBufferPolling = false;
    }
    if (FPollCountdown > 0) --FPollCountdown;
}

bool TDiscRecorder::WriteBlock(uint32_t Lba, uint8_t* Data, uint32_t Bytes) {
    PollBuffer();
    // The last block goes out padded with zeros to the end of its ECC block, as drives want
    // it (the verify compares the image's own sectors).
    const uint32_t ecc = EccBlockSectors(FDiscType);
    const uint32_t sectors = Bytes / kSectorSize;
    const bool last = int64_t(Lba) + sectors >= Engine.Layout().StartLBA + Engine.Job().ImageSectors;
    if (last && (Lba + sectors) % ecc != 0) {
        const uint32_t end = (Lba + sectors + ecc - 1) / ecc * ecc;
        const uint32_t padded = (end - Lba) * kSectorSize;
        FPadded.assign(padded, 0);
        std::copy(Data, Data + Bytes, FPadded.begin());
        Data = FPadded.data();
        Bytes = padded;
    }
    uint32_t retries = 0;
    uint32_t unanswered = 0;
    // The retries can last long: the front ends show what is waited for until the write ends.
    struct TWaitShown {
        TGuardedString& Status;
        bool Shown = false;
        ~TWaitShown() {
            if (Shown) Status.Set(std::string());
        }
    } shown{JobState().WaitStatus};
    for (;;) {
        if (AbortRequested()) {
            FailWrite(msg::OperationAborted, TJobResultKind::Aborted);
            return false;
        }
        if (Engine.Write10(Lba, uint16_t(Bytes / kSectorSize), Data, Bytes, kSrbDataOutNotify)) return true;

        if (WantsFormat(Lba)) {
            if (!FormatForFirstUse()) return false;
            continue;
        }
        const TDecision decision = Decide(TDecisionPoint::Write, Engine.LastOutcome);
        if (decision == TDecision::Fail) {
            FailWrite(msg::Bracketed(msg::WriterError, Engine.LastCommandError));
            return false;
        }
        if (decision == TDecision::CheckDrive) {
            std::string writeError = Engine.LastCommandError;
            if (DriveGone()) {
                if (++unanswered >= kMaxUnansweredRetries) {
                    FailWrite(msg::BracketedOrNoDevice(msg::WriterError, writeError));
                    return false;
                }
            } else {
                unanswered = 0;
            }
        } else {
            unanswered = 0;
        }
        const std::string tries = std::to_string(retries + 1) + " OF " + std::to_string(kMaxWriteRetries);
        shown.Status.Set(msg::BracketedOrNoDevice(msg::Format(msg::WaitingForDrive, tries).c_str(),
                                                  Engine.LastCommandError));
        shown.Shown = true;
        platform::Clock().SleepMs(kWriteRetryDelayMs);
        if (++retries >= kMaxWriteRetries) {
            FailWrite(msg::WriterBusy);
            return false;
        }
    }
}

void TDiscRecorder::FlushDvd() {
    if (Engine.OnFinalizingTrack) Engine.OnFinalizingTrack(&Engine);
    Engine.SynchronizeCache(kDvdFlushTimeoutMs, true);

    // The drive answers READ DISC INFORMATION again once the flush is done; meanwhile the free
    // buffer figure falls as a sign of progress. The wait is bounded like the flush itself.
    const uint32_t bufferSize = Engine.DeviceBufferSize();
    Engine.SetDeviceFreeBufferSize(bufferSize);
    const uint64_t start = platform::Clock().NowMs();
    uint32_t unanswered = 0;
    for (;;) {
        if (Engine.UpdateDiscInformation()) return;
        std::string failure = Engine.LastCommandError;
        if (LastFailureUnanswered() && DriveGone()) {
            if (++unanswered >= kMaxUnansweredRetries) {
                Job.SetJobErrorIfEmpty(msg::BracketedOrNoDevice(msg::WriterError, failure));
                return;
            }
        } else {
            unanswered = 0;
        }
        uint32_t step = bufferSize / 960;
        uint32_t freeNow = Engine.DeviceFreeBufferSize();
        Engine.SetDeviceFreeBufferSize(freeNow > step ? freeNow - step : 0);
        if (platform::Clock().NowMs() - start >= kDvdFlushTimeoutMs) {
            // Closing a disc whose drive never finished flushing would fail or worse; the job
            // ends with the drive's last answer instead of being reported as a success.
            Job.SetJobErrorIfEmpty(msg::Bracketed(msg::WriterError, failure));
            return;
        }
        platform::Clock().SleepMs(kFlushPollMs);
        if (WaitAborted()) return;
    }
}

void TDiscRecorder::FlushOther() {
    if (Engine.OnFinalizingTrack) Engine.OnFinalizingTrack(&Engine);
    if (!Engine.SynchronizeCache(120000, false)) Engine.SynchronizeCache(120000, true);
}

void TDiscRecorder::Rest() {
    Engine.SetWriteParameters(false, false, dtCDROM);
    Engine.SetCDSpeed(Engine.QueryMaxReadSpeed(), 2);
    Engine.RezeroUnit();
    Engine.PreventAllowRemoval(true);
    FLocked = false;
    Engine.LoadEject(false);
    Engine.RezeroUnit();
    Engine.TestUnitReady(5000);
}

void TDiscRecorder::Close() {
    // Every block is written: the closing goes on through one abort, so that a written disc
    // is not left open; a second one stops it.
    if (Job.JobError().empty()) JobState().AbortGrace = JobState().AbortRequests.load() + 1;
    uint32_t size = 0, freeBytes = 0;
    if (FDiscType != dtDVDRAM) Engine.ReadBufferCapacity(size, freeBytes);

    if (IsDvdMinusR(FDiscType) || IsDvdMinusRW(FDiscType))
        FlushDvd();
    else
        FlushOther();
    Engine.SetDeviceBufferSize(0);
    Engine.SetDeviceFreeBufferSize(0);

    // After an abort or an error the track stays open and the drive is left as it is, but
    // for its tray.
    if (!Job.JobError().empty()) {
        Unlock();
        return;
    }

    if (!Engine.TestWrite() && FDiscType != dtDVDRAM && Engine.FinalizeTrack()) {
        if (!CloseMedium() || (ClosedImmediately() && !WaitClosed())) {
            Unlock();
            return;
        }
    }

    Engine.WaitUnitReady(240000, 5000);
    if (FDiscType != dtDVDRAM) Engine.ReadBufferCapacity(size, freeBytes);
    Rest();
}

} // namespace tarnwick
