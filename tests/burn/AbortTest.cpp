// An abort is honoured within about two seconds at every wait: the readiness waits of the
// preparation, the write retries, the flush wait after an aborted write. The closing after the
// last block goes on through one abort; a second one ends it and says the disc is left open.
#include <gtest/gtest.h>

#include <functional>

#include "BurnRig.h"
#include "emulator/Opcodes.h"
#include "engine/write/DiscRecorder.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TFault;
using emulator::TProfile;
namespace op = emulator::op;
namespace sense = emulator::sense;

namespace {

// A virtual clock that aborts the job at chosen sleeps and tells how long was slept after
// the first abort.
struct TAbortingClock : platform::TVirtualClock {
    TVornBurner* Engine = nullptr;
    uint32_t SleepLength = 0;      // sleeps of this length count (0: every sleep)
    std::vector<int> AbortAt;      // the n-th counted sleep aborts
    std::atomic<bool> Counting{true};
    std::atomic<int> Counted{0};
    std::atomic<uint64_t> FirstAbortAt{0};
    std::atomic<uint64_t> LastAbortAt{0};
    void SleepMs(uint32_t ms) override {
        TVirtualClock::SleepMs(ms);
        if (!Counting || (SleepLength && ms != SleepLength)) return;
        const int n = ++Counted;
        for (int a : AbortAt)
            if (a == n) {
                if (!FirstAbortAt) FirstAbortAt = SleptMs();
                LastAbortAt = SleptMs();
                Engine->AbortWrite();
            }
    }
    uint64_t SinceAbort() const { return SleptMs() - FirstAbortAt; }
    uint64_t SinceLastAbort() const { return SleptMs() - LastAbortAt; }
};

struct TAbortRig {
    explicit TAbortRig(TProfile p) : Rig(p) {
        Clock.Engine = &Rig.Engine;
        platform::SetClock(&Clock);
    }
    ~TAbortRig() { platform::SetClock(&Rig.Clock); }
    TBurnRig Rig;
    TAbortingClock Clock;
};

} // namespace

TEST(BurnAbort, AnAbortWhileTheDriveIsNotReadyEndsThePreparationBeforeTheDiscIsTouched) {
    TAbortRig a(TProfile::DvdR);
    a.Rig.Engine.SetPerformOPC(true);
    // The drive stays "becoming ready" for ever: the readiness wait polls the disc information.
    a.Rig.Drive->Faults().Arm(TFault::WithSense(sense::BecomingReady, UINT32_MAX).OnlyOpcode(op::ReadDiscInformation));
    a.Clock.SleepLength = 1000;
    a.Clock.AbortAt = {1};
    auto result = a.Rig.Burn(a.Rig.MakeImage(300 * 2048));
    EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER");
    EXPECT_LE(a.Clock.SinceAbort(), 2000u);
    // No reservation, no calibration, no write.
    for (uint8_t o : {op::ReserveTrack, op::SendOpcInformation, op::Write10, op::SetStreaming, op::CloseTrackSession})
        EXPECT_TRUE(a.Rig.CommandsWith(o).empty()) << "opcode " << int(o);
    EXPECT_EQ(a.Rig.Disc->TrackCount(), 1);
}

TEST(BurnAbort, AnAbortDuringTheWriteRetriesIsSeenBeforeTheNextTry) {
    TAbortRig a(TProfile::CdR);
    a.Rig.Drive->Faults().Arm(TFault::BusyStatus(UINT32_MAX).OnlyOpcode(op::Write10));
    a.Clock.SleepLength = TDiscRecorder::kWriteRetryDelayMs;
    a.Clock.AbortAt = {3};
    auto result = a.Rig.Burn(a.Rig.MakeImage(300 * 2048));
    EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER");
    EXPECT_EQ(a.Rig.CommandsWith(op::Write10).size(), 3u);
}

TEST(BurnAbort, AfterAnAbortedWriteTheFlushWaitEndsWithinTwoSeconds) {
    TAbortRig a(TProfile::DvdRwSequential);
    a.Rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, UINT32_MAX).OnlyWriteAt(160));
    // From the flush on, the drive never answers the disc information again.
    a.Rig.Engine.OnFinalizingTrack = [&](TComponent*) {
        a.Rig.Drive->Faults().Arm(
            TFault::WithSense(sense::LongWriteInProgress, UINT32_MAX).OnlyOpcode(op::ReadDiscInformation));
    };
    a.Clock.SleepLength = TDiscRecorder::kWriteRetryDelayMs;
    a.Clock.AbortAt = {2};
    auto result = a.Rig.Burn(a.Rig.MakeImage(300 * 2048));
    EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER");
    // Not the half hour the flush of a complete write may take.
    EXPECT_LE(a.Clock.SinceAbort(), 2000u);
    EXPECT_EQ(a.Rig.CommandsWith(op::SynchronizeCache).size(), 1u);
    EXPECT_TRUE(a.Rig.CommandsWith(op::CloseTrackSession).empty());
}

TEST(BurnAbort, TheClosingAfterTheLastBlockGoesOnThroughOneAbortAndEndsAtASecond) {
    for (int aborts : {1, 2}) {
        // A DVD: the flush wait; a CD: the close retries while the drive is busy.
        for (TProfile p : {TProfile::DvdR, TProfile::CdR}) {
            TAbortRig a(p);
            const bool dvd = p == TProfile::DvdR;
            a.Clock.Counting = false; // the preparation's waits poll at the same pace
            a.Rig.Engine.OnFinalizingTrack = [&](TComponent*) {
                a.Clock.Counting = true;
                a.Rig.Drive->Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 20)
                                               .OnlyOpcode(dvd ? op::ReadDiscInformation : op::CloseTrackSession));
            };
            a.Clock.SleepLength = dvd ? TDiscRecorder::kFlushPollMs : TDiscRecorder::kCloseRetryDelayMs;
            a.Clock.AbortAt = aborts == 1 ? std::vector<int>{2} : std::vector<int>{2, 4};
            auto result = a.Rig.Burn(a.Rig.MakeImage(300 * 2048));
            const std::string medium = emulator::KindName(p);
            EXPECT_EQ(a.Rig.DiscBytes(a.Rig.Image.size()), a.Rig.Image) << medium;
            if (aborts == 1) {
                EXPECT_EQ(result.Error, "") << medium;
                EXPECT_NE(a.Rig.Disc->DiscStatus(), 0) << medium;
                EXPECT_FALSE(a.Rig.CommandsWith(op::PreventAllowMediumRemoval).empty()) << medium;
            } else {
                EXPECT_EQ(result.Error, "OPERATION ABORTED BY USER: THE DISC IS LEFT OPEN") << medium;
                EXPECT_LE(a.Clock.SinceLastAbort(), 2000u) << medium;
                if (dvd) {
                    EXPECT_TRUE(a.Rig.CommandsWith(op::CloseTrackSession).empty());
                }
                EXPECT_EQ(a.Rig.Disc->DiscStatus(), 1) << medium << ": the session stays open";
            }
        }
    }
}
