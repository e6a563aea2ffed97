// A burn that meets a failing drive: medium errors, busy and not-ready drives, an abort, a
// drive that disappears, a medium too small, a flush that never ends. Every case ends with
// one clear error text, leaves nothing closed, and never hangs (virtual time).
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>

#include "BurnRig.h"
#include "emulator/Opcodes.h"
#include "engine/Bytes.h"
#include "engine/write/DiscRecorder.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TFault;
using emulator::TProfile;
namespace op = emulator::op;
namespace sense = emulator::sense;

namespace {

// A virtual clock in place of the rig's for the rest of a test, calling AtPause (with the
// pause's count) after every pause between write retries.
struct TRetryPauseClock : platform::TVirtualClock {
    std::function<void(int)> AtPause;
    std::atomic<int> Pauses{0};
    TBurnRig& Rig;
    explicit TRetryPauseClock(TBurnRig& rig, std::function<void(int)> atPause) : AtPause(std::move(atPause)), Rig(rig) {
        platform::SetClock(this);
    }
    ~TRetryPauseClock() override { platform::SetClock(&Rig.Clock); }
    void SleepMs(uint32_t ms) override {
        TVirtualClock::SleepMs(ms);
        if (ms == TDiscRecorder::kWriteRetryDelayMs) AtPause(++Pauses);
    }
};

bool Contains(const std::vector<emulator::TCommandRecord>& log, uint8_t opcode) {
    for (auto& r : log)
        if (r.Opcode() == opcode) return true;
    return false;
}

// After a failed or aborted write the drive is flushed and its tray unlocked (the last
// command), but nothing is closed and it is not returned to rest.
void ExpectFlushedButLeftOpen(TBurnRig& rig) {
    auto log = rig.Commands();
    size_t lastWrite = 0;
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].Opcode() == op::Write10) lastWrite = i;
    std::vector<uint8_t> after;
    for (size_t i = lastWrite + 1; i < log.size(); ++i) after.push_back(log[i].Opcode());
    EXPECT_NE(std::find(after.begin(), after.end(), op::SynchronizeCache), after.end());
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back(), op::PreventAllowMediumRemoval);
    EXPECT_EQ(log.back().Cdb[4] & 0x01, 0) << "ALLOW";
    EXPECT_FALSE(rig.Drive->RemovalPrevented());
    after.pop_back();
    for (uint8_t o : {op::CloseTrackSession, op::PreventAllowMediumRemoval, op::RezeroUnit, op::StartStopUnit,
                      op::SetCdSpeed, op::ModeSelect10})
        EXPECT_EQ(std::find(after.begin(), after.end(), o), after.end()) << "opcode " << int(o) << " after the writes";
    EXPECT_EQ(rig.FinalizingCalls, 1);
}

} // namespace

TEST(BurnFaults, MediumErrorAtASectorEndsWithTheDrivesErrorText) {
    for (TProfile p : {TProfile::DvdR, TProfile::CdR}) {
        TBurnRig rig(p);
        rig.Drive->Faults().Arm(TFault::WithSense(sense::WriteError).OnlyWriteAt(500));
        auto result = rig.Burn(rig.MakeImage(1000 * 2048));
        EXPECT_EQ(result.Error, "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]");
        // Not retried: one failed WRITE, and it was the last.
        auto writes = rig.CommandsWith(op::Write10);
        ASSERT_FALSE(writes.empty());
        EXPECT_EQ(writes.back().Status, emulator::kStatusCheckCondition);
        const uint32_t lba = GetBE32(&writes.back().Cdb[2]);
        EXPECT_LE(lba, 500u);
        EXPECT_GT(lba + GetBE16(&writes.back().Cdb[7]), 500u);
        ExpectFlushedButLeftOpen(rig);
        // What went before the failed block is on the disc.
        std::vector<uint8_t> head(rig.Image.begin(), rig.Image.begin() + lba * 2048);
        EXPECT_EQ(rig.DiscBytes(head.size()), head);
    }
}

TEST(BurnFaults, NotReadyWritesAreRetriedEvery600msAndTheBurnSucceeds) {
    TBurnRig rig(TProfile::DvdR);
    rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 3).OnlyWriteAt(640));
    rig.Drive->Faults().Arm(TFault::BusyStatus(2).OnlyWriteAt(800));
    const uint64_t before = rig.Clock.SleptMs();
    auto result = rig.Burn(rig.MakeImage(1000 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    // The same WRITE(10) again after each refusal.
    std::map<uint32_t, int> attempts;
    for (auto& w : rig.CommandsWith(op::Write10)) ++attempts[GetBE32(&w.Cdb[2])];
    EXPECT_EQ(attempts[640], 4);
    EXPECT_EQ(attempts[800], 3);
    EXPECT_EQ(attempts[0], 1);
    EXPECT_GE(rig.Clock.SleptMs() - before, 5u * TDiscRecorder::kWriteRetryDelayMs);
    EXPECT_FALSE(rig.CommandsWith(op::CloseTrackSession).empty());
}

TEST(BurnFaults, TheRetriesShowWhatTheyWaitForAndTheTryUntilTheWriteGoesThrough) {
    TBurnRig rig(TProfile::DvdR);
    rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 3).OnlyWriteAt(640));
    rig.Drive->Faults().Arm(TFault::BusyStatus(2).OnlyWriteAt(800));
    // What the front ends would show at each retry's pause.
    std::mutex mutex;
    std::vector<std::string> seen;
    TRetryPauseClock clock(rig, [&](int) {
        std::lock_guard lock(mutex);
        seen.push_back(rig.Engine.Job().WaitStatus.Get());
    });
    auto result = rig.Burn(rig.MakeImage(1000 * 2048));
    EXPECT_EQ(result.Error, "");
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0], "WAITING FOR THE DRIVE, TRY 1 OF 10000 [NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)]");
    EXPECT_EQ(seen[2], "WAITING FOR THE DRIVE, TRY 3 OF 10000 [NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)]");
    EXPECT_EQ(seen[3].rfind("WAITING FOR THE DRIVE, TRY 1 OF 10000 [", 0), 0u) << seen[3];
    EXPECT_EQ(seen[4].rfind("WAITING FOR THE DRIVE, TRY 2 OF 10000 [", 0), 0u) << seen[4];
    // Once the write goes through nothing is waited for.
    EXPECT_EQ(rig.Engine.Job().WaitStatus.Get(), "");
}

TEST(BurnFaults, ADriveBusyForEverEndsWithWriterBusyAfter10000Tries) {
    TBurnRig rig(TProfile::DvdPlusRw);
    rig.Drive->Faults().Arm(TFault::BusyStatus(UINT32_MAX).OnlyOpcode(op::Write10));
    const uint64_t before = rig.Clock.SleptMs();
    auto result = rig.Burn(rig.MakeImage(100 * 2048), 240000);
    EXPECT_EQ(result.Error, "WRITER BUSY/BUFFER FULL");
    EXPECT_EQ(rig.CommandsWith(op::Write10).size(), 10000u);
    // 100 minutes of retries, in virtual time.
    EXPECT_GE(rig.Clock.SleptMs() - before, 10000u * 600u);
    ExpectFlushedButLeftOpen(rig);
}

TEST(BurnFaults, AbortDuringWritingFlushesRaisesFinalizingAndClosesNothing) {
    TBurnRig rig(TProfile::DvdR);
    // The drive stalls at sector 320 (not ready, for ever); the user aborts during the
    // retries, as the clock shows them.
    rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, UINT32_MAX).OnlyWriteAt(320));
    TRetryPauseClock clock(rig, [&](int n) {
        if (n == 25) rig.Engine.AbortWrite();
    });
    auto result = rig.Burn(rig.MakeImage(1000 * 2048));
    EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER");
    ExpectFlushedButLeftOpen(rig);
    // The abort is seen before the next try.
    std::map<uint32_t, int> attempts;
    for (auto& w : rig.CommandsWith(op::Write10)) ++attempts[GetBE32(&w.Cdb[2])];
    EXPECT_EQ(attempts[320], 25);
    EXPECT_EQ(attempts.rbegin()->first, 320u);
    EXPECT_EQ(rig.Disc->DiscStatus(), 1); // the track stays open
}

TEST(BurnFaults, ADriveThatDisappearsEndsTheJobWithAnErrorAndNoHang) {
    for (TProfile p : {TProfile::DvdR, TProfile::CdRw, TProfile::DvdPlusR}) {
        TBurnRig rig(p);
        rig.Drive->Faults().Arm(TFault::Disappear().OnlyWriteAt(400));
        const auto t0 = std::chrono::steady_clock::now();
        const uint64_t before = rig.Clock.SleptMs();
        auto result = rig.Burn(rig.MakeImage(1000 * 2048));
        EXPECT_EQ(result.Error, "WRITER ERROR [NO DEVICE]") << emulator::KindName(p);
        EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20));
        // Given up after a few unanswered tries, not after the 100 minutes meant for a busy drive.
        EXPECT_LT(rig.Clock.SleptMs() - before, 60000u);
        EXPECT_FALSE(Contains(rig.Commands(), op::CloseTrackSession));
    }
}

TEST(BurnFaults, AnImageLargerThanTheMediumFailsWithTheDrivesError) {
    // An overwritable disc tells no free space: its drive refuses the first write past the end.
    TBurnRig rig(TProfile::DvdPlusRw, 600);
    auto result = rig.Burn(rig.MakeImage(1000 * 2048));
    auto writes = rig.CommandsWith(op::Write10);
    ASSERT_FALSE(writes.empty());
    const auto& failed = writes.back();
    EXPECT_EQ(failed.Status, emulator::kStatusCheckCondition);
    EXPECT_EQ(result.Error, "WRITER ERROR [ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)]");
    EXPECT_LE(GetBE32(&failed.Cdb[2]), 600u);
    EXPECT_FALSE(Contains(rig.Commands(), op::CloseTrackSession));
    std::vector<uint8_t> head(rig.Image.begin(), rig.Image.begin() + GetBE32(&failed.Cdb[2]) * 2048);
    EXPECT_EQ(rig.DiscBytes(head.size()), head);
}

TEST(BurnFaults, TheWaitForADvdFlushIsBoundedAndEndsWithTheDrivesAnswer) {
    TBurnRig rig(TProfile::DvdRwSequential);
    // From the flush on, READ DISC INFORMATION answers "long write in progress" for ever.
    rig.Engine.OnFinalizingTrack = [&](TComponent*) {
        rig.Drive->Faults().Arm(
            TFault::WithSense(sense::LongWriteInProgress, UINT32_MAX).OnlyOpcode(op::ReadDiscInformation));
    };
    const uint64_t before = rig.Clock.SleptMs();
    auto result = rig.Burn(rig.MakeImage(100 * 2048));
    EXPECT_EQ(result.Error, "WRITER ERROR [NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)]");
    const uint64_t waited = rig.Clock.SleptMs() - before;
    EXPECT_GE(waited, TDiscRecorder::kDvdFlushTimeoutMs);
    EXPECT_LT(waited, TDiscRecorder::kDvdFlushTimeoutMs + 60000);
    EXPECT_FALSE(Contains(rig.Commands(), op::CloseTrackSession));
    EXPECT_EQ(rig.Engine.DeviceBufferSize(), 0u);
    EXPECT_EQ(rig.Engine.DeviceFreeBufferSize(), 0u);
}

TEST(BurnFaults, AFlushThatEndsInTimeClosesAsUsual) {
    TBurnRig rig(TProfile::DvdR);
    rig.Engine.OnFinalizingTrack = [&](TComponent*) {
        rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 5).OnlyOpcode(op::ReadDiscInformation));
    };
    auto result = rig.Burn(rig.MakeImage(1000 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), 3u);
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
}

TEST(BurnFaults, ACdCloseRefusedWhileBusyIsRetriedAndAnotherFailureOnce) {
    {
        TBurnRig rig(TProfile::CdR);
        rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 4).OnlyOpcode(op::CloseTrackSession));
        auto result = rig.Burn(rig.MakeImage(300 * 2048));
        EXPECT_EQ(result.Error, "");
        // The track's close is tried until the drive is ready, then the session's.
        EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), 6u);
        EXPECT_EQ(rig.Disc->DiscStatus(), 1);
    }
    {
        TBurnRig rig(TProfile::CdR);
        rig.Drive->Faults().Arm(TFault::WithSense(sense::InvalidFieldInCdb, 5).OnlyOpcode(op::CloseTrackSession));
        auto result = rig.Burn(rig.MakeImage(300 * 2048));
        EXPECT_EQ(result.Error, "") << "the closing's results are not judged";
        // Track and session: each refused close is tried once more.
        EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), 4u);
    }
}

TEST(BurnFaults, ADriveThatDisappearsWhileClosingIsNoSuccess) {
    for (TProfile p : {TProfile::CdR, TProfile::DvdPlusR, TProfile::DvdPlusRw}) {
        TBurnRig rig(p);
        rig.Drive->Faults().Arm(TFault::Disappear().OnlyOpcode(op::CloseTrackSession));
        auto result = rig.Burn(rig.MakeImage(300 * 2048));
        EXPECT_EQ(result.Error, "WRITER ERROR [NO DEVICE]") << emulator::KindName(p);
        EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    }
}
