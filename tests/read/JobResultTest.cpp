// How a job ended, as a front end sees it in OnWriteDone: the engine's result kind, with the
// designed text, and the exit code the command line makes of it.
#include <gtest/gtest.h>

#include <map>

#include "ReadRig.h"
#include "cli/ExitCodes.h"
#include "engine/device/Messages.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
using K = TJobResultKind;

namespace {

constexpr uint32_t kSectors = 300;

TEST(JobResult, EveryKindHasItsExitCode) {
    const std::map<K, int> codes = {{K::Success, 0},        {K::Failed, 1},         {K::Refused, 1},
                                    {K::Aborted, 5},        {K::VerifyMismatch, 6}, {K::SkippedSectors, 7},
                                    {K::EntriesChanged, 8}};
    for (const auto& [kind, code] : codes) EXPECT_EQ(int(cli::ExitCodeOf(kind)), code) << int(kind);
    EXPECT_TRUE((TJobResult{K::SkippedSectors, ""}.Completed()));
    EXPECT_FALSE((TJobResult{K::Refused, "x"}.Completed()));
}

// Keeps the result the engine holds while OnWriteDone runs, next to the text it passes.
struct TSeen {
    explicit TSeen(TReadRig& rig) : Rig(rig) {
        auto designed = rig.Engine.OnWriteDone;
        rig.Engine.OnWriteDone = [this, designed](TComponent* s, const std::string& text) {
            Result = Rig.Engine.LastJobResult();
            Text = text;
            designed(s, text);
        };
    }
    TReadRig& Rig;
    TJobResult Result;
    std::string Text;
};

class PressedJobEnd : public ::testing::Test {
protected:
    PressedJobEnd() : Rig(TProfile::DvdRom), Seen(Rig) {
        Image = Rig.WriteImage(IsoLikeImage(kSectors, 5), "pressed.iso");
        std::string error;
        auto disc = emulator::TDisc::PressedFromImage(Image, TProfile::DvdRom, error);
        EXPECT_TRUE(disc) << error;
        Rig.Drive->LoadMedium(disc);
        Copy = (Rig.Dir / "copy.iso").string();
    }
    TReadRig Rig;
    TSeen Seen;
    std::string Image, Copy;
};

TEST_F(PressedJobEnd, ReadEndsAreTypedWhereTheyAreDecided) {
    ASSERT_EQ(Rig.Read(Copy).Error, "");
    EXPECT_EQ(Seen.Result.Kind, K::Success);

    // Skipped sectors: the text stays empty, the kind says what the copy holds.
    Rig.Drive->ReadFaults().AddUnreadable(40, 41);
    Rig.Engine.SetSkipUnreadable(true);
    Rig.Engine.SetReadRetries(0);
    ASSERT_EQ(Rig.Read(Copy).Error, "");
    EXPECT_EQ(Seen.Result.Kind, K::SkippedSectors);
    EXPECT_EQ(cli::ExitCodeOf(Seen.Result.Kind), cli::ExitSkippedSectors);

    // The next job's end is its own: a verify does not skip, and stops at the sector.
    Rig.Verify(Image);
    EXPECT_EQ(Seen.Result.Kind, K::Failed);
    EXPECT_EQ(Seen.Result.Text.rfind("UNREADABLE SECTOR 40", 0), 0u) << Seen.Result.Text;
    EXPECT_EQ(Seen.Result.Text, Seen.Text);
}

TEST(JobResult, AnAbortWhileWritingIsAborted) {
    TReadRig rig(TProfile::DvdRom, 2000000); // far longer than the test waits
    TSeen seen(rig);
    rig.OnPump = [&] {
        if (rig.Engine.BytesWritten() > 0) rig.Engine.AbortWrite();
    };
    rig.Read((rig.Dir / "copy.iso").string());
    EXPECT_EQ(seen.Text, msg::OperationAborted);
    EXPECT_EQ(seen.Result.Kind, K::Aborted);
    EXPECT_EQ(seen.Result.Text, seen.Text);
    EXPECT_EQ(cli::ExitCodeOf(seen.Result.Kind), cli::ExitAborted);
}

TEST_F(PressedJobEnd, AChangedDiscIsAMismatchAndAMissingImageARefusal) {
    auto other = IsoLikeImage(kSectors, 6);
    const std::string changed = (Rig.Dir / "other.iso").string();
    std::ofstream(changed, std::ios::binary).write(reinterpret_cast<const char*>(other.data()), std::streamsize(other.size()));
    EXPECT_EQ(Rig.Verify(changed).Error.rfind("VERIFY FAILED", 0), 0u);
    EXPECT_EQ(Seen.Result.Kind, K::VerifyMismatch);
    EXPECT_EQ(cli::ExitCodeOf(Seen.Result.Kind), cli::ExitVerifyMismatch);

    // A file that is not there is refused before the drive is asked anything.
    EXPECT_NE(Rig.Verify((Rig.Dir / "none.iso").string()).Error, "");
    EXPECT_EQ(Seen.Result.Kind, K::Refused);
}

} // namespace
