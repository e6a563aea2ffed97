// Rewritable discs end to end: erase and burn again, overwrite in place, format on first use,
// the refusals, the drive's progress, and the faults during an erase, in virtual time.
#include <set>

#include "BurnRig.h"
#include "FaultMatrix.h"
#include "emulator/Opcodes.h"
#include "engine/Bytes.h"
#include "engine/device/Messages.h"

namespace tarnwick::test {

namespace {

using emulator::TProfile;
using matrix::TStepTarget;
namespace op = emulator::op;

// The previous job's thread ends just after its OnWriteDone: a new job waits for that.
void AwaitJobEnd(TBurnRig& rig) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (rig.Engine.JobRunning() && std::chrono::steady_clock::now() < until) platform::CheckSynchronize(5);
    ASSERT_FALSE(rig.Engine.JobRunning());
}

TBurnResult BurnAgain(TBurnRig& rig, const std::string& path) {
    AwaitJobEnd(rig);
    return rig.Burn(path);
}

// Runs the erase job and waits (real time, bounded) for its OnWriteDone.
TBurnResult Erase(TBurnRig& rig, bool full = false, const std::function<void()>& afterStart = nullptr) {
    AwaitJobEnd(rig);
    rig.Result = {};
    rig.Result.Started = rig.Engine.EraseDisc(full);
    EXPECT_TRUE(rig.Result.Started);
    if (afterStart) afterStart();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!rig.Result.Ended && std::chrono::steady_clock::now() < until) platform::CheckSynchronize(20);
    EXPECT_TRUE(rig.Result.Ended) << "no OnWriteDone for the erase";
    return rig.Result;
}

// Progress values the drive reported in its sense data while it worked.
std::vector<uint16_t> ReportedProgress(const TBurnRig& rig) {
    std::vector<uint16_t> seen;
    for (const auto& r : rig.Commands())
        if (r.Opcode() == op::TestUnitReady && r.Sense.Progress) seen.push_back(*r.Sense.Progress);
    return seen;
}

bool Logged(TBurnRig& rig, const std::string& text) {
    for (const auto& m : rig.Log())
        if (m.find(text) != std::string::npos) return true;
    return false;
}

constexpr size_t kImageBytes = 300 * 2048;

} // namespace

class UsedSequentialDisc : public ::testing::TestWithParam<TProfile> {};

TEST_P(UsedSequentialDisc, IsRefusedUntilErasedAndThenHoldsTheNewImage) {
    TBurnRig rig(GetParam(), 40000);
    const auto first = rig.MakeImage(kImageBytes, 1);
    ASSERT_EQ(rig.Burn(first).Error, "");
    const auto firstBytes = rig.Image;

    // Without an erase nothing is written, and the job says why.
    rig.Drive->Log().Clear();
    const auto second = rig.MakeImage(kImageBytes, 2);
    EXPECT_EQ(BurnAgain(rig, second).Error, msg::DiscNotBlank);
    EXPECT_TRUE(rig.CommandsWith(op::Write10).empty());
    EXPECT_EQ(rig.DiscBytes(kImageBytes), firstBytes);

    rig.Drive->Log().Clear();
    const auto erased = Erase(rig);
    ASSERT_EQ(erased.Error, "");
    const auto blanks = rig.CommandsWith(op::Blank);
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_EQ(blanks[0].Cdb[1], 0x11); // Immed, minimal
    EXPECT_EQ(rig.Engine.EraseProgress(), 65536);
    EXPECT_TRUE(Logged(rig, ">>> ERASE DONE"));
    // The wait followed the drive through a minutes-long erase: rising progress, one poll a second.
    const auto progress = ReportedProgress(rig);
    EXPECT_GE(progress.size(), 50u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_GE(std::set<uint16_t>(progress.begin(), progress.end()).size(), 50u);
    EXPECT_EQ(rig.Disc->DiscStatus(), 0);

    ASSERT_EQ(BurnAgain(rig, second).Error, "");
    EXPECT_EQ(rig.DiscBytes(kImageBytes), rig.Image);
}

INSTANTIATE_TEST_SUITE_P(Erase, UsedSequentialDisc, ::testing::Values(TProfile::CdRw, TProfile::DvdRwSequential),
                         [](const auto& info) { return info.param == TProfile::CdRw ? "CdRw" : "DvdRwSequential"; });

class OverwritableDisc : public ::testing::TestWithParam<TProfile> {};

TEST_P(OverwritableDisc, TakesASecondImageWithoutAnErase) {
    TBurnRig rig(GetParam(), 40000);
    ASSERT_EQ(rig.Burn(rig.MakeImage(kImageBytes, 3)).Error, "");
    ASSERT_EQ(BurnAgain(rig, rig.MakeImage(kImageBytes, 4)).Error, "");
    EXPECT_EQ(rig.DiscBytes(kImageBytes), rig.Image);
    EXPECT_TRUE(rig.CommandsWith(op::Blank).empty());
    EXPECT_TRUE(rig.CommandsWith(op::FormatUnit).empty());
}

TEST_P(OverwritableDisc, UnformattedIsFormattedOnFirstUseThenWritten) {
    TBurnRig rig(GetParam(), 40000);
    rig.Disc->SetNeedsFormat(true);
    ASSERT_EQ(rig.Burn(rig.MakeImage(kImageBytes, 5)).Error, "");
    EXPECT_EQ(rig.DiscBytes(kImageBytes), rig.Image);
    const auto formats = rig.CommandsWith(op::FormatUnit);
    ASSERT_EQ(formats.size(), 1u);
    ASSERT_GE(formats[0].Data.size(), 12u);
    EXPECT_EQ(formats[0].Data[1], 0x82); // FOV, Immed
    EXPECT_EQ(formats[0].Data[8] >> 2, GetParam() == TProfile::DvdPlusRw ? 0x26 : 0x15);
    EXPECT_EQ(rig.CommandsWith(op::ReadFormatCapacities).size(), 1u);
    EXPECT_TRUE(Logged(rig, "FOR FIRST USE"));
    // The second burn finds it formatted.
    rig.Drive->Log().Clear();
    ASSERT_EQ(BurnAgain(rig, rig.MakeImage(kImageBytes, 6)).Error, "");
    EXPECT_TRUE(rig.CommandsWith(op::FormatUnit).empty());
    EXPECT_EQ(rig.DiscBytes(kImageBytes), rig.Image);
}

INSTANTIATE_TEST_SUITE_P(Overwrite, OverwritableDisc, ::testing::Values(TProfile::DvdPlusRw, TProfile::DvdRwRestricted),
                         [](const auto& info) { return info.param == TProfile::DvdPlusRw ? "DvdPlusRw" : "DvdRwRestricted"; });

TEST(EraseRefused, WriteOnceDiscKeepsItsDataAndIsRefusedBeforeTheErase) {
    for (TProfile p : {TProfile::CdR, TProfile::DvdR}) {
        TBurnRig rig(p, 40000);
        ASSERT_EQ(rig.Burn(rig.MakeImage(kImageBytes, 7)).Error, "");
        const uint8_t status = rig.Disc->DiscStatus();
        const auto erased = Erase(rig, true);
        EXPECT_EQ(erased.Error, msg::Format(msg::NotErasable, std::string(p == TProfile::CdR ? "CD-R" : "DVD-R")));
        EXPECT_TRUE(rig.CommandsWith(op::Blank).empty());
        EXPECT_FALSE(Logged(rig, "STARTING ERASE"));
        EXPECT_EQ(rig.Disc->DiscStatus(), status);
        EXPECT_EQ(rig.DiscBytes(kImageBytes), rig.Image);
        EXPECT_TRUE(ReportedProgress(rig).empty());
    }
}

TEST(EraseFaults, AbortEndsTheWaitAndSaysTheDiscMustBeErasedAgain) {
    emulator::TDriveConfig config;
    config.OperationMs = 60 * 60000;
    TBurnRig rig(TProfile::DvdRwSequential, 40000, config);
    // The abort comes as the drive takes the BLANK: from then on it cannot be stopped. (The
    // wait runs in virtual time, so an abort sent later from here could come after its end.)
    auto target = std::make_shared<TStepTarget>(rig.Drive);
    target->OnOpcode = op::Blank;
    target->OnStep = [&] { rig.Engine.AbortWrite(); };
    platform::RegisterVirtualDrive('R', target, platform::SCSI_ADDRESS{8, 0, 0, 1, 0});
    const auto r = Erase(rig, true);
    EXPECT_EQ(rig.CommandsWith(op::Blank).size(), 1u);
    EXPECT_EQ(r.Error, msg::OperationAborted);
    EXPECT_TRUE(Logged(rig, msg::EraseUnfinished));
    EXPECT_TRUE(rig.Disc->OperationUnfinished()); // the drive is still at it
    EXPECT_EQ(rig.Disc->DiscStatus(), 1);
}

TEST(EraseFaults, VanishedDriveLeavesADiscThatMustBeErasedAgain) {
    TBurnRig rig(TProfile::CdRw, 40000);
    ASSERT_EQ(rig.Burn(rig.MakeImage(kImageBytes, 8)).Error, "");
    rig.Drive->Faults().Arm(emulator::TFault::Disappear().OnlyOpcode(op::TestUnitReady));
    const uint64_t before = rig.Clock.NowMs();
    const auto r = Erase(rig);
    EXPECT_EQ(r.Error.rfind(msg::EraseError, 0), 0u) << r.Error;
    EXPECT_TRUE(Logged(rig, msg::EraseUnfinished));
    EXPECT_LT(rig.Clock.NowMs() - before, 10u * 60000);
    rig.Clock.SleepMs(3600000);
    EXPECT_TRUE(rig.Disc->OperationUnfinished());
    EXPECT_EQ(rig.Disc->DiscStatus(), 1);
    EXPECT_TRUE(rig.Disc->CheckWrite(0, 1).has_value());

    // Gone at the BLANK itself: the error names the drive (it once read "ERASE ERROR []").
    TBurnRig gone(TProfile::CdRw, 40000);
    ASSERT_EQ(gone.Burn(gone.MakeImage(kImageBytes, 8)).Error, "");
    gone.Drive->Faults().Arm(emulator::TFault::Disappear().OnlyOpcode(op::Blank));
    const auto g = Erase(gone);
    EXPECT_NE(g.Error.find(gone.Engine.SelectedDevice), std::string::npos) << g.Error;
    EXPECT_EQ(g.Error.find("[]"), std::string::npos) << g.Error;
}

TEST(EraseFaults, NotReadyAndDeadlineOverrunEndCleanly) {
    {
        TBurnRig rig(TProfile::CdRw, 40000);
        rig.Drive->Faults().Arm(emulator::TFault::WithSense({2, 0x3A, 0x00}).OnlyOpcode(op::TestUnitReady));
        const auto r = Erase(rig);
        EXPECT_EQ(r.Error.rfind("ERASE ERROR [", 0), 0u) << r.Error;
        EXPECT_TRUE(Logged(rig, msg::EraseUnfinished));
    }
    {
        emulator::TDriveConfig config;
        config.OperationMs = 11 * 60000; // past the 10 minutes a minimal CD-RW blank may take
        TBurnRig rig(TProfile::CdRw, 40000, config);
        const uint64_t before = rig.Clock.NowMs();
        const auto r = Erase(rig);
        EXPECT_EQ(r.Error, msg::EraseTimedOut);
        const uint64_t waited = rig.Clock.NowMs() - before;
        EXPECT_GE(waited, 10u * 60000);
        EXPECT_LT(waited, 11u * 60000);
        EXPECT_TRUE(rig.Disc->OperationUnfinished());
    }
}

TEST(EraseFormat, DvdPlusRwAndDvdRamAreFormattedWithTheListedDescriptor) {
    for (TProfile p : {TProfile::DvdPlusRw, TProfile::DvdRam}) {
        TBurnRig rig(p, 40000);
        ASSERT_EQ(rig.Burn(rig.MakeImage(kImageBytes, 9)).Error, "");
        rig.Drive->Log().Clear();
        ASSERT_EQ(Erase(rig).Error, "");
        const auto formats = rig.CommandsWith(op::FormatUnit);
        ASSERT_EQ(formats.size(), 1u);
        EXPECT_EQ(formats[0].Data[8] >> 2, p == TProfile::DvdPlusRw ? 0x26 : 0x00);
        EXPECT_EQ(GetBE32(&formats[0].Data[4]), 40000u);
        bool formatInProgress = false;
        for (const auto& c : rig.Commands())
            if (c.Sense.Asc == 0x04 && c.Sense.Ascq == 0x04 && c.Sense.Progress) formatInProgress = true;
        EXPECT_TRUE(formatInProgress);
        EXPECT_EQ(rig.DiscBytes(2048), std::vector<uint8_t>(2048, 0));
    }
}

} // namespace tarnwick::test
