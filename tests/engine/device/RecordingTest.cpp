// Recording commands against a scripted drive: the CDBs, the parameter data and the
// close-after-command switch the drive saw.
#include <gtest/gtest.h>

#include <numeric>

#include "engine/Bytes.h"
#include "ScriptedDrive.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {
using B = std::vector<uint8_t>;

// A write parameters page as a drive returns it: page length 32h, recognisable tail bytes.
B WritePage(uint8_t ps = 0x00) {
    B p(52, 0);
    p[0] = uint8_t(ps | 0x05);
    p[1] = 0x32;
    p[2] = 0x41; // BUFE and write type 1 from an earlier job
    p[3] = 0x04;
    p[4] = 0x0A;
    for (int i = 16; i < 52; ++i) p[size_t(i)] = uint8_t(0xA0 + i);
    return p;
}

class Recording : public ::testing::Test, public TScriptedFixture {
protected:
    void SetUp() override { ASSERT_TRUE(Loaded); }
    // Every command buffer is aligned: no alignment message, and no other message either.
    void TearDown() override { EXPECT_EQ(Messages, std::vector<std::string>{}); }
    TRecord Only() {
        auto c = Drive->Commands();
        EXPECT_EQ(c.size(), 1u);
        return c.empty() ? TRecord{} : c.back();
    }
    // The page inside the MODE SELECT parameter list the drive received.
    B SentPage() {
        for (auto& c : Drive->Commands())
            if (c.Op() == 0x55) return B(c.DataOut.begin() + 8, c.DataOut.end());
        return {};
    }
};
} // namespace

TEST_F(Recording, WriteParametersPageBehindABlockDescriptorLosesBytes45To51) {
    Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Good(ModeReply(WritePage(), true))});
    Dev.CapabilityFlags = cfUnderrunFree | cfTestWrite;
    ASSERT_TRUE(Dev.SetWriteParameters(false, true, dtDVDR));

    auto c = Drive->Commands();
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(c[0].Cdb, (B{0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}));
    EXPECT_EQ(c[0].Length, 512u);
    EXPECT_EQ(c[1].Cdb, (B{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}));
    EXPECT_EQ(c[1].DataIn, platform::SCSI_IOCTL_DATA_OUT);
    ASSERT_EQ(c[1].DataOut.size(), 60u);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(c[1].DataOut[size_t(i)], 0) << "header byte " << i;

    const B page = SentPage();
    const B expectedHead{0x05, 0x32, 0x60, 0xE5, 0x08, 0x10, 0, 0, 0, 0, 0, 0, 0, 16, 0x00, 0x96};
    EXPECT_EQ(B(page.begin(), page.begin() + 16), expectedHead);
    for (int i = 16; i < 45; ++i) EXPECT_EQ(page[size_t(i)], uint8_t(0xA0 + i)) << i;
    for (int i = 45; i < 52; ++i) EXPECT_EQ(page[size_t(i)], 0) << i;
    EXPECT_EQ(Dev.WriteParametersPage[2], 0x60);
}

TEST_F(Recording, WriteParametersPageAt8Or7KeepsItsTail) {
    for (size_t header : {8u, 7u}) {
        SCOPED_TRACE(header);
        Drive->Clear();
        Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Good(ModeReply(WritePage(), false, 0, header))});
        Dev.CapabilityFlags = 0;
        Dev.SetFinalizeDisc(false);
        ASSERT_TRUE(Dev.SetWriteParameters(true, true, dtCDR));
        const B page = SentPage();
        ASSERT_EQ(page.size(), 52u);
        // Neither test write nor BUFE without the capabilities; a test write is never multi-session.
        EXPECT_EQ(B(page.begin(), page.begin() + 6), (B{0x05, 0x32, 0x01, 0x04, 0x08, 0x00}));
        for (int i = 16; i < 52; ++i) EXPECT_EQ(page[size_t(i)], uint8_t(0xA0 + i)) << i;
    }
}

TEST_F(Recording, WriteParametersFollowFinalizeAndForceLsv) {
    Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Good(ModeReply(WritePage(), false))});
    Dev.ForceLSV = true;
    ASSERT_TRUE(Dev.SetWriteParameters(false, false, dtCDRW));
    EXPECT_EQ(SentPage()[2], 0x21);
    EXPECT_EQ(SentPage()[3], 0xC4);
    Drive->Clear();
    Dev.SetFinalizeDisc(true);
    ASSERT_TRUE(Dev.SetWriteParameters(false, false, dtCDRW));
    EXPECT_EQ(SentPage()[3], 0x04);
}

TEST_F(Recording, WriteParametersFailures) {
    EXPECT_TRUE(Dev.SetWriteParameters(true, true, dtDVDRAM));
    EXPECT_TRUE(Drive->Commands().empty()) << "DVD-RAM takes no write parameters";

    Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Check(5, 0x24)});
    EXPECT_FALSE(Dev.SetWriteParameters(false, false, dtDVDR));
    EXPECT_EQ(Drive->Opcodes(), (B{0x5A}));

    Drive->Clear();
    Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Good(ModeReply(WritePage(), false))});
    Drive->On(0x55, {TReply::Check(5, 0x26)});
    EXPECT_FALSE(Dev.SetWriteParameters(false, false, dtDVDR));
    EXPECT_EQ(Drive->Opcodes(), (B{0x5A, 0x55}));
}

TEST_F(Recording, WriteTypeProbes) {
    B page = WritePage();
    page[1] = 0x36; // a longer page: the list follows the drive's length
    Drive->On(TScriptedDrive::ModeSenseKey(0x05, false), {TReply::Good(ModeReply(page, true))});
    Drive->On(0x55, {TReply::Good(), TReply::Check(5, 0x26), TReply::Good()});
    EXPECT_TRUE(Dev.DetectWriteTypes());
    EXPECT_EQ(Drive->Opcodes(), (B{0x5A, 0x55, 0x5A, 0x55, 0x5A, 0x55}));
    const uint8_t types[] = {0x03, 0x02, 0x01};
    const uint8_t blockTypes[] = {0x01, 0x00, 0x00};
    int i = 0;
    for (auto& c : Drive->Commands()) {
        if (c.Op() != 0x55) continue;
        EXPECT_EQ(c.Cdb[8], 0x36 + 10);
        ASSERT_EQ(c.DataOut.size(), 64u);
        EXPECT_EQ(c.DataOut[8 + 1], 0x36);
        EXPECT_EQ(c.DataOut[8 + 2], types[i]);
        EXPECT_EQ(c.DataOut[8 + 3], 0);
        EXPECT_EQ(c.DataOut[8 + 4], blockTypes[i]);
        EXPECT_EQ(GetBE16(&c.DataOut[8 + 14]), 150);
        for (size_t k = 8 + 45; k < 64; ++k) EXPECT_EQ(c.DataOut[k], 0) << k;
        ++i;
    }
    EXPECT_EQ(Dev.WriteParametersPage[2], 0x01);
}

TEST_F(Recording, SpeedZeroIsMaximumAndTheSetterKeepsItsValue) {
    EXPECT_TRUE(Dev.SetCDSpeed(0, 0));
    EXPECT_EQ(Only().Cdb, (B{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    Drive->Clear();
    Dev.SetReadSpeed(2770);
    Drive->On(0xBB, {TReply::Check(5, 0x24)});
    Dev.SetWriteSpeed(5540);
    EXPECT_EQ(Dev.WriteSpeed(), 5540);
    EXPECT_EQ(Only().Cdb, (B{0xBB, 0, 0x0A, 0xD2, 0x15, 0xA4, 0, 0, 0, 0, 0, 0}));
}

TEST_F(Recording, DataOutCommands) {
    B desc(28);
    std::iota(desc.begin(), desc.end(), uint8_t(1));
    EXPECT_TRUE(Dev.SetStreaming(desc.data(), 28));
    alignas(4) uint8_t sectors[4096];
    for (size_t i = 0; i < sizeof sectors; ++i) sectors[i] = uint8_t(i * 7);
    EXPECT_TRUE(Dev.Write10(0x00012345, 2, sectors, sizeof sectors, SRB_EVENT_NOTIFY | SRB_DIR_OUT));
    EXPECT_TRUE(Dev.SendDVDTimestamp(46365.5)); // 2026-12-09 12:00:00

    auto c = Drive->Commands();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].Cdb, (B{0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}));
    EXPECT_EQ(c[0].DataIn, platform::SCSI_IOCTL_DATA_OUT);
    EXPECT_EQ(c[0].DataOut, desc);
    EXPECT_EQ(c[1].Cdb, (B{0x2A, 0, 0x00, 0x01, 0x23, 0x45, 0, 0, 2, 0}));
    EXPECT_EQ(c[1].DataOut, B(sectors, sectors + sizeof sectors));
    EXPECT_EQ(c[2].Cdb, (B{0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}));
    B ts{0x00, 0x14, 0, 0, 0, 0, 0, 0};
    for (char ch : std::string("20261209120000")) ts.push_back(uint8_t(ch));
    EXPECT_EQ(c[2].DataOut, ts);
}

TEST_F(Recording, WriteWithoutADeviceFails) {
    // The refused request keeps SRB_Status 00h; that is not a write in progress.
    Dev.HaId = 254;
    alignas(4) uint8_t sector[2048] = {};
    EXPECT_FALSE(Dev.Write10(0, 1, sector, sizeof sector, SRB_EVENT_NOTIFY | SRB_DIR_OUT));
    EXPECT_TRUE(Drive->Commands().empty());
}

TEST_F(Recording, WriteFailsOnErrorStatus) {
    Drive->On(0x2A, {TReply::Check(3, 0x0C)});
    alignas(4) uint8_t sector[2048] = {};
    EXPECT_FALSE(Dev.Write10(0, 1, sector, sizeof sector, SRB_EVENT_NOTIFY | SRB_DIR_OUT));
    EXPECT_FALSE(Dev.LastCommandError.empty());
    EXPECT_EQ(Dev.LastSense[12], 0x0C);
}

TEST_F(Recording, NoDataCommands) {
    EXPECT_TRUE(Dev.SendOPC());
    EXPECT_TRUE(Dev.ReserveTrack(2295104));
    EXPECT_TRUE(Dev.SynchronizeCache(300000, false));
    EXPECT_TRUE(Dev.SynchronizeCache(10000, true));
    EXPECT_TRUE(Dev.CloseTrackSession(false, true, false));
    EXPECT_TRUE(Dev.CloseTrackSessionRaw(false, 0x06, 0, 0, 1));
    Dev.RezeroUnit();
    auto c = Drive->Commands();
    ASSERT_EQ(c.size(), 7u);
    for (auto& r : c) EXPECT_EQ(r.DataIn, platform::SCSI_IOCTL_DATA_UNSPECIFIED);
    EXPECT_EQ(c[0].Cdb, (B{0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
    // RESERVE TRACK goes out as a 12-byte CDB.
    EXPECT_EQ(c[1].Cdb, (B{0x53, 0, 0, 0, 0, 0x00, 0x23, 0x05, 0x40, 0, 0, 0}));
    EXPECT_EQ(c[2].Cdb, (B{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c[3].Cdb, (B{0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c[4].Cdb, (B{0x5B, 0x01, 0x02, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c[5].Cdb, (B{0x5B, 0x00, 0x06, 0, 0, 0x01, 0, 0, 0, 0}));
    EXPECT_EQ(c[6].Cdb, (B{0x01, 0, 0, 0, 0, 0}));
}

TEST_F(Recording, TrayCommandsAndTheCloseAfterCommandSwitch) {
    auto& sw = SPTIState().SPTICloseAfterCommand;
    sw = false;
    EXPECT_TRUE(Dev.PreventAllowRemoval(false));
    EXPECT_FALSE(Only().CloseAfterCommand) << "prevent leaves the switch as it was";
    EXPECT_EQ(Only().Cdb, (B{0x1E, 0, 0, 0, 0x01, 0}));
    sw = true;
    Drive->Clear();
    EXPECT_TRUE(Dev.PreventAllowRemoval(false));
    EXPECT_TRUE(Only().CloseAfterCommand);
    EXPECT_FALSE(sw) << "and switches it off afterwards";

    Drive->Clear();
    EXPECT_TRUE(Dev.PreventAllowRemoval(true));
    EXPECT_TRUE(Only().CloseAfterCommand);
    EXPECT_EQ(Only().Cdb, (B{0x1E, 0, 0, 0, 0x00, 0}));
    EXPECT_FALSE(sw);

    Drive->Clear();
    Drive->On(0x1B, {TReply::Check(2, 0x3A)});
    EXPECT_FALSE(Dev.LoadEject(true));
    EXPECT_TRUE(Only().CloseAfterCommand);
    EXPECT_EQ(Only().Cdb, (B{0x1B, 0, 0, 0, 0x02, 0}));
    EXPECT_FALSE(sw) << "off again even when the command failed";
    Drive->Clear();
    Drive->On(0x1B, {TReply::Good()});
    EXPECT_TRUE(Dev.LoadEject(false));
    EXPECT_EQ(Only().Cdb, (B{0x1B, 0, 0, 0, 0x03, 0}));
}
