// The start message of a recording, its speed text, and a test write.
#include <gtest/gtest.h>

#include "BurnRig.h"
#include "emulator/Opcodes.h"
#include "engine/write/DiscRecorder.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
namespace op = emulator::op;

TEST(SpeedText, DvdInTenthsOfDvdSpeedCdInWholeCdSpeedWithGroupedKBs) {
    EXPECT_EQ(WriteSpeedText(22160, dtDVDR), "16.0X (22,160 KB/s)");
    EXPECT_EQ(WriteSpeedText(4234, dtCDR), "24X (4,234 KB/s)");
    // Every DVD code from DVD-ROM to DVD+R counts in 1385 KB/s, the others in 176.4 KB/s.
    for (uint16_t t : {dtDVDROM, dtDVDR, dtDVDRAM, dtDVDRW, dtDVDRWRestricted, dtDVDRWSequential, dtDVDPlusRW, dtDVDPlusR})
        EXPECT_EQ(WriteSpeedText(2770, t), "2.0X (2,770 KB/s)") << t;
    for (uint16_t t : {dtUnknown, dtCDROM, dtCDRW, dtDDCDR})
        EXPECT_EQ(WriteSpeedText(2770, t), "16X (2,770 KB/s)") << t;
    // Rounding half away from zero, as the picture formats do.
    EXPECT_EQ(WriteSpeedText(88, dtCDR), "0.5X (88 KB/s)");   // 0.499: never "0X"
    EXPECT_EQ(WriteSpeedText(1, dtDVDR), "0.00072X (1 KB/s)");
    EXPECT_EQ(WriteSpeedText(265, dtCDR), "2X (265 KB/s)");   // 1.502
    EXPECT_EQ(WriteSpeedText(2008, dtDVDR), "1.4X (2,008 KB/s)"); // 1.4498
    EXPECT_EQ(WriteSpeedText(2147, dtDVDR), "1.6X (2,147 KB/s)"); // 1.5502
    EXPECT_EQ(WriteSpeedText(0, dtDVDPlusR), "0.0X (0 KB/s)");
    EXPECT_EQ(WriteSpeedText(65535, dtCDR), "372X (65,535 KB/s)");
    EXPECT_EQ(WriteSpeedText(999, dtCDR), "6X (999 KB/s)");
}

TEST(SpeedText, ReservationRoundsUpToWholeEccBlocks) {
    EXPECT_EQ(ReservationSectors(1000), 1024u);
    EXPECT_EQ(ReservationSectors(1024), 1024u);
    EXPECT_EQ(ReservationSectors(1), 32u);
    EXPECT_EQ(ReservationSectors(300), 320u);
    // Only the low 32 bits of the track size count, as the command's field holds.
    EXPECT_EQ(ReservationSectors((int64_t(1) << 32) + 33), 64u);
}

TEST(StartMessage, NamesTheMediumAndTheDrivesCurrentSpeed) {
    struct TCase {
        TProfile Profile;
        uint16_t WriteSpeed;
        std::string Text;
    };
    for (const TCase& c : {TCase{TProfile::DvdR, 0, ">>> STARTING WRITE PROCESS ON DVD-R AT 16.0X (22,160 KB/s)"},
                           TCase{TProfile::DvdPlusRw, 5540, ">>> STARTING WRITE PROCESS ON DVD+RW AT 4.0X (5,540 KB/s)"},
                           TCase{TProfile::DvdRwSequential, 0, ">>> STARTING WRITE PROCESS ON DVD-RW AT 16.0X (22,160 KB/s)"},
                           TCase{TProfile::CdRw, 4234, ">>> STARTING WRITE PROCESS ON CD-RW AT 24X (4,234 KB/s)"}}) {
        TBurnRig rig(c.Profile);
        rig.Engine.SetWriteSpeed(c.WriteSpeed);
        auto result = rig.Burn(rig.MakeImage(40 * 2048));
        EXPECT_EQ(result.Error, "");
        auto log = rig.Log();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log[0], "1:" + c.Text);
        // Then only the queue's figures of the job's end.
        ASSERT_EQ(log.size(), 2u) << "no test-write line on a real write";
        EXPECT_EQ(log[1].rfind("1:>>> CACHE RAN EMPTY ", 0), 0u) << log[1];
    }
}

TEST(TestWrite, RecordsNothingClosesNothingAndSaysSoAfterTheStartMessage) {
    // The media that simulate; a sequential DVD-RW's page carries the bit as a DVD-R's does.
    for (TProfile p : {TProfile::CdR, TProfile::DvdR, TProfile::DvdRwSequential}) {
        TBurnRig rig(p);
        rig.Engine.SetTestWrite(true);
        rig.Engine.SetPerformOPC(true);
        rig.Engine.SetFinalizeDisc(true);
        auto result = rig.Burn(rig.MakeImage(100 * 2048));
        EXPECT_EQ(result.Error, "") << emulator::KindName(p);
        auto log = rig.Log();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[0].rfind("1:>>> STARTING WRITE PROCESS ON ", 0), 0u);
        EXPECT_EQ(log[1], "1:>>> TEST/DUMMY WRITE");
        EXPECT_EQ(log[2].rfind("1:>>> CACHE RAN EMPTY ", 0), 0u) << log[2];

        EXPECT_FALSE(rig.CommandsWith(op::Write10).empty());
        EXPECT_EQ(rig.Disc->DiscStatus(), 0) << "the disc stays blank";
        EXPECT_EQ(rig.Disc->RecordedEnd(), 0u);
        EXPECT_TRUE(rig.CommandsWith(op::CloseTrackSession).empty());
        EXPECT_TRUE(rig.CommandsWith(op::SendOpcInformation).empty());
        // The page sent before writing carries the test-write bit.
        auto selects = rig.CommandsWith(op::ModeSelect10);
        ASSERT_FALSE(selects.empty());
        EXPECT_EQ(selects[0].Data[8 + 2] & 0x10, 0x10);
        // A CD drive is returned to rest with test write off (a DVD drive refuses the CD
        // page of the resting state and keeps its last one).
        if (p == TProfile::CdR) {
            EXPECT_FALSE(rig.Drive->TestWriteActive());
        }
    }
}
