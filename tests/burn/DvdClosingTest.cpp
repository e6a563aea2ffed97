// DVD-R and DVD+R at the edges of a burn: discs that must not be written are refused before
// any command that changes them; closes are sent with Immed, retried while the drive is busy,
// waited for, and a close that fails is the job's error; a DVD+R is finalized when asked or
// when it carries a DVD-Video image; the tray is locked for the job.
#include <gtest/gtest.h>

#include <algorithm>

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

bool HasLine(const std::vector<std::string>& log, const std::string& line) {
    return std::find(log.begin(), log.end(), line) != log.end();
}

// An ISO 9660 image whose root directory (sector 20) lists ".", ".." and VIDEO_TS.
std::vector<uint8_t> VideoImage(uint32_t sectors) {
    std::vector<uint8_t> v = ImageBytes(size_t(sectors) * 2048, 9);
    uint8_t* pvd = &v[16 * 2048];
    std::fill_n(pvd, 2048, 0);
    pvd[0] = 1;
    std::copy_n("CD001", 5, pvd + 1);
    uint8_t* rootRecord = pvd + 156;
    rootRecord[0] = 34;
    PutLE32(rootRecord + 2, 20);
    PutLE32(rootRecord + 10, 2048);
    rootRecord[25] = 0x02;
    uint8_t* dir = &v[20 * 2048];
    std::fill_n(dir, 2048, 0);
    size_t at = 0;
    auto record = [&](const char* name, uint8_t length) {
        const uint8_t size = uint8_t((33 + length + 1) & ~1);
        dir[at] = size;
        dir[at + 25] = 0x02;
        dir[at + 32] = length;
        std::copy_n(name, length, dir + at + 33);
        at += size;
    };
    record("\0", 1);
    record("\1", 1);
    record("VIDEO_TS", 8);
    return v;
}

void ExpectNothingChanging(TBurnRig& rig) {
    for (uint8_t o : {op::Write10, op::ReserveTrack, op::CloseTrackSession, op::SendOpcInformation,
                      op::PreventAllowMediumRemoval})
        EXPECT_TRUE(rig.CommandsWith(o).empty()) << "opcode " << int(o);
}

} // namespace

TEST(DvdRefusals, PressedAndClosedDiscsAreRefusedBeforeAnyCommandThatChangesThem) {
    TBurnRig pressed(TProfile::DvdRom);
    auto result = pressed.Burn(pressed.MakeImage(100 * 2048));
    EXPECT_FALSE(result.Started);
    EXPECT_EQ(result.Error, "THE DVD-ROM IN THE DRIVE CANNOT BE RECORDED: NOTHING WAS WRITTEN. INSERT A BLANK RECORDABLE DISC");
    ExpectNothingChanging(pressed);

    for (TProfile p : {TProfile::DvdR, TProfile::DvdPlusR}) {
        SCOPED_TRACE(emulator::KindName(p));
        TBurnRig rig(p);
        std::vector<uint8_t> sectors(32 * 2048, 0x11);
        ASSERT_FALSE(rig.Disc->Write(0, 32, sectors.data()));
        ASSERT_FALSE(rig.Disc->CloseTrack(1));
        ASSERT_FALSE(rig.Disc->Finalize());
        rig.Drive->Log().Clear();
        result = rig.Burn(rig.MakeImage(100 * 2048));
        EXPECT_FALSE(result.Started);
        EXPECT_EQ(result.Error, std::string("THE ") + (p == TProfile::DvdR ? "DVD-R" : "DVD+R") +
                                    " IN THE DRIVE IS CLOSED: NOTHING WAS WRITTEN. INSERT A BLANK DISC");
        ExpectNothingChanging(rig);
    }
}

TEST(DvdClosing, ASlowDriveIsPolledUntilEachCloseIsDoneAndOnlyThenGetsTheNext) {
    for (TProfile p : {TProfile::DvdR, TProfile::DvdPlusR}) {
        SCOPED_TRACE(emulator::KindName(p));
        emulator::TDriveConfig slow;
        slow.ImmediateBusyMs = 45000;
        TBurnRig rig(p, 0, slow);
        auto result = rig.Burn(rig.MakeImage(1783 * 2048));
        ASSERT_EQ(result.Error, "");
        EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
        EXPECT_EQ(rig.Disc->DiscStatus(), 1);
        const auto log = rig.Commands();
        size_t closes = 0, busyPolls = 0;
        for (const auto& r : log) {
            if (r.Opcode() == op::CloseTrackSession) {
                ++closes;
                EXPECT_EQ(r.Status, emulator::kStatusGood) << "a close came while the drive was still closing";
            }
            if (r.Opcode() == op::ReadDiscInformation && r.Sense == sense::OperationInProgress) ++busyPolls;
        }
        EXPECT_EQ(closes, p == TProfile::DvdR ? 3u : 2u);
        EXPECT_GE(busyPolls, 2u * 40);
        // The last WRITE ends on the ECC block: 1783 sectors go out as 1792.
        const auto writes = rig.CommandsWith(op::Write10);
        EXPECT_EQ(GetBE32(&writes.back().Cdb[2]) + GetBE16(&writes.back().Cdb[7]), 1792u);
    }
}

TEST(DvdClosing, ACloseAnsweredBusyIsRetriedThroughTheClockAndAFailingCloseIsTheJobsError) {
    {
        TBurnRig rig(TProfile::DvdPlusR);
        rig.Drive->Faults().Arm(TFault::WithSense(sense::OperationInProgress, 3).OnlyOpcode(op::CloseTrackSession));
        const uint64_t before = rig.Clock.SleptMs();
        auto result = rig.Burn(rig.MakeImage(64 * 2048));
        EXPECT_EQ(result.Error, "");
        EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), 5u);
        EXPECT_GE(rig.Clock.SleptMs() - before, 3 * TDiscRecorder::kCloseRetryDelayMs);
        EXPECT_EQ(rig.Disc->DiscStatus(), 1);
    }
    struct TCase {
        uint32_t Skip; // closes let through first
        const char* LeftOpen;
    };
    for (TCase c : {TCase{0, "THE TRACK AND SESSION ARE LEFT OPEN"}, TCase{1, "THE SESSION IS LEFT OPEN"}}) {
        TBurnRig rig(TProfile::DvdPlusR);
        rig.Drive->Faults().Arm(
            TFault::WithSense(sense::WriteError, 2).OnlyOpcode(op::CloseTrackSession).AfterMatching(c.Skip));
        auto result = rig.Burn(rig.MakeImage(64 * 2048));
        EXPECT_EQ(result.Error, std::string("CLOSE ERROR [MEDIUM ERROR (WRITE ERROR)]: ") + c.LeftOpen);
        EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), c.Skip + 2u) << "one more try, then the error";
        EXPECT_FALSE(rig.Drive->RemovalPrevented()) << "the tray is unlocked after the failure";
        EXPECT_EQ(rig.Commands().back().Opcode(), op::PreventAllowMediumRemoval);
    }
}

TEST(DvdClosing, AClosingThatNeverEndsIsAnErrorAfterTheBudget) {
    emulator::TDriveConfig never;
    never.ImmediateBusyMs = 2 * TDiscRecorder::kCloseDoneBudgetMs;
    TBurnRig rig(TProfile::DvdPlusR, 0, never);
    auto result = rig.Burn(rig.MakeImage(64 * 2048), 120000);
    EXPECT_EQ(result.Error, "CLOSE ERROR [NOT DONE AFTER 60 MINUTES]: THE TRACK AND SESSION ARE LEFT OPEN");
    EXPECT_EQ(rig.CommandsWith(op::CloseTrackSession).size(), 1u);
}

TEST(DvdPlusRFinalizing, CloseDiscAndADvdVideoImageFinalizeTheDisc) {
    {
        TBurnRig rig(TProfile::DvdPlusR);
        rig.Engine.SetFinalizeDisc(true);
        EXPECT_EQ(rig.Burn(rig.MakeImage(64 * 2048)).Error, "");
        const auto closes = rig.CommandsWith(op::CloseTrackSession);
        ASSERT_EQ(closes.size(), 2u);
        EXPECT_EQ(closes[1].Cdb[2] & 0x07, 5); // close the session and finalize the disc
        EXPECT_TRUE(rig.Disc->Finalized());
        EXPECT_EQ(rig.Disc->DiscStatus(), 2);
    }
    for (bool video : {false, true}) {
        TBurnRig rig(TProfile::DvdPlusR);
        rig.Image = video ? VideoImage(64) : ImageBytes(64 * 2048, 3);
        auto result = rig.Burn(rig.WriteImage(3));
        EXPECT_EQ(result.Error, "");
        EXPECT_EQ(rig.Disc->Finalized(), video);
        EXPECT_EQ(HasLine(rig.Log(), "1:>>> DVD-VIDEO IMAGE: THE DVD+R IS FINALIZED SO THAT PLAYERS CAN READ IT"), video);
        EXPECT_FALSE(rig.Engine.FinalizeDisc()) << "the setting stays as it was";
    }
}

TEST(TrayLock, TheTrayIsLockedBeforeTheFirstWriteAndARefusalIsLoggedAndTheBurnGoesOn) {
    TBurnRig rig(TProfile::DvdPlusR);
    rig.Drive->Faults().Arm(TFault::WithSense(sense::InvalidFieldInCdb).OnlyOpcode(op::PreventAllowMediumRemoval));
    auto result = rig.Burn(rig.MakeImage(64 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_TRUE(HasLine(rig.Log(), "1:>>> THE DRIVE DID NOT LOCK ITS TRAY: DO NOT OPEN IT UNTIL THE JOB ENDS "
                                   "[ILLEGAL REQUEST (INVALID FIELD IN CDB)]"));

    // PREVENT before the reservation and the first WRITE, ALLOW at the rest.
    TBurnRig locked(TProfile::DvdR);
    EXPECT_EQ(locked.Burn(locked.MakeImage(640 * 2048)).Error, "");
    const auto log = locked.Commands();
    std::vector<size_t> prevents;
    size_t firstChange = log.size();
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].Opcode() == op::PreventAllowMediumRemoval) prevents.push_back(i);
        if ((log[i].Opcode() == op::ReserveTrack || log[i].Opcode() == op::Write10) && firstChange == log.size())
            firstChange = i;
    }
    ASSERT_EQ(prevents.size(), 2u);
    EXPECT_EQ(log[prevents[0]].Cdb[4] & 1, 1);
    EXPECT_LT(prevents[0], firstChange);
    EXPECT_EQ(log[prevents[1]].Cdb[4] & 1, 0);
    EXPECT_FALSE(locked.Drive->RemovalPrevented());
}
