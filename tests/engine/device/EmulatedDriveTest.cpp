// The command set against the emulated recorder: what the drive logged for every command,
// byte for byte, and what the engine made of its answers.
#include <gtest/gtest.h>

#include <numeric>

#include "emulator/EmulatedDrive.h"
#include "engine/Bytes.h"
#include "engine/JobState.h"
#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "platform/Clock.h"

using namespace tarnwick;

namespace {
using B = std::vector<uint8_t>;

class Emulated : public ::testing::Test {
protected:
    void Start(emulator::TProfile profile, emulator::TDriveModel model = emulator::GenericRecorder()) {
        platform::SetClock(&Clock);
        emulator::TDriveConfig cfg;
        cfg.Model = model;
        cfg.LogDataLimit = 65536;
        Drive = std::make_shared<emulator::TEmulatedDrive>(cfg);
        if (profile != emulator::TProfile::None) Drive->LoadMedium(emulator::TDisc::InMemory(profile));
        platform::RegisterVirtualDrive('E', Drive, platform::SCSI_ADDRESS{8, 0, 0, 0, 0});
        Dev.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t t) {
            Messages.push_back(std::to_string(t) + ":" + m);
        };
        ASSERT_TRUE(Dev.InitializeASPI(true, ""));
        ASSERT_EQ(Dev.DeviceList().size(), 1u);
        Drive->Log().Clear();
        Dev.SelectDevice(Dev.DeviceList()[0]);
        ASSERT_EQ(Dev.HaId, 0);
    }
    void TearDown() override {
        EXPECT_EQ(Messages, std::vector<std::string>{});
        JobState().DiscType = 0;
        ResetTransportState();
        platform::ClearVirtualDrives();
        platform::SetClock(nullptr);
    }
    emulator::TCommandRecord Last() {
        auto r = Drive->Log().Records();
        EXPECT_FALSE(r.empty());
        return r.empty() ? emulator::TCommandRecord{} : r.back();
    }
    std::vector<B> Cdbs() {
        std::vector<B> v;
        for (auto& r : Drive->Log().Records()) v.push_back(r.Cdb);
        return v;
    }

    platform::TVirtualClock Clock;
    std::shared_ptr<emulator::TEmulatedDrive> Drive;
    TSCSIDevice Dev;
    std::vector<std::string> Messages;
};
} // namespace

TEST_F(Emulated, SelectionReadsCapabilitiesAndProbesWriteTypes) {
    Start(emulator::TProfile::DvdR);
    const std::vector<B> expected{
        {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 0xFF, 0}, // capabilities, defaults
        {0x5A, 0, 0x30, 0, 0, 0, 0, 0, 0x80, 0}, // vendor page 30h
        {0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114, 0},  // DVD+RW feature
        {0x46, 2, 0, 0x2F, 0, 0, 0, 0, 114, 0},  // DVD-R/-RW write feature
        {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x80, 0}, // capabilities, current
        {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0, 0}, // probe RAW
        {0x55, 0x10, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0, 0}, // probe session at once
        {0x55, 0x10, 0, 0, 0, 0, 0, 0, 0, 0},
        {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0, 0}, // probe track at once
        {0x55, 0x10, 0, 0, 0, 0, 0, 0, 0, 0},
    };
    auto cdbs = Cdbs();
    ASSERT_EQ(cdbs.size(), expected.size());
    for (size_t i = 0; i < cdbs.size(); ++i) {
        B want = expected[i];
        if (want[0] == 0x55) want[8] = cdbs[i][8]; // the drive's page length + 10, checked below
        EXPECT_EQ(cdbs[i], want) << i;
    }
    auto rec = Drive->Log().Records();
    for (size_t i : {6u, 8u, 10u}) {
        const auto& d = rec[i].Data;
        ASSERT_GE(d.size(), 8u + 16u);
        EXPECT_EQ(rec[i].Cdb[8], d[8 + 1] + 10);
        EXPECT_EQ(B(d.begin(), d.begin() + 8), B(8, 0)) << "no block descriptor is sent";
        EXPECT_EQ(d[8 + 2], i == 6 ? 0x03 : i == 8 ? 0x02 : 0x01);
        EXPECT_EQ(d[8 + 4], i == 6 ? 0x01 : 0x00);
    }

    EXPECT_EQ(Dev.DeviceIdentity, "TARNWICK DVD RECORDER     1.00");
    EXPECT_TRUE(Dev.CapabilityFlags & cfWriteDVDR);
    EXPECT_TRUE(Dev.CapabilityFlags & cfWriteDVDRAM);
    EXPECT_TRUE(Dev.CapabilityFlags & cfReadDVDPlusR);
    EXPECT_TRUE(Dev.CapabilityFlags & cfUnderrunFree);
    EXPECT_GT(Dev.DeviceMaxWriteSpeed(), 1385);
}

TEST_F(Emulated, DiscTypeSessionsAndBuffer) {
    Start(emulator::TProfile::DvdR);
    Drive->Log().Clear();
    EXPECT_STREQ(DiscTypeNames[Dev.GetDiscType()], "DVD-R");
    EXPECT_EQ(Cdbs(), (std::vector<B>{{0x46, 2, 0, 0, 0, 0, 0, 0, 114, 0}}));
    EXPECT_EQ(Dev.GetSessionCount(), 0) << "blank disc";
    EXPECT_EQ(Last().Cdb, (B{0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}));
    uint32_t size = 0, free = 0;
    ASSERT_TRUE(Dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(Last().Cdb, (B{0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}));
    EXPECT_EQ(size, 2048u * 1024);
    EXPECT_EQ(Dev.DeviceBufferSize(), 2048u * 1024);
}

TEST_F(Emulated, ADvdRRecordingSequence) {
    Start(emulator::TProfile::DvdR);
    Drive->Log().Clear();

    ASSERT_TRUE(Dev.SetCDSpeed(0, 0));
    EXPECT_EQ(Last().Cdb, (B{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));

    ASSERT_TRUE(Dev.SetWriteParameters(false, true, dtDVDR)) << Dev.LastCommandError;
    auto sel = Last();
    EXPECT_EQ(sel.Cdb, (B{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}));
    ASSERT_EQ(sel.Data.size(), 60u);
    EXPECT_EQ(B(sel.Data.begin() + 8, sel.Data.begin() + 24),
              (B{0x05, 0x32, 0x60, 0xE5, 0x08, 0x10, 0, 0, 0, 0, 0, 0, 0, 16, 0x00, 0x96}));
    const B accepted = Drive->WriteParametersPage();
    ASSERT_GE(accepted.size(), 16u);
    EXPECT_EQ(accepted[2], 0x60);

    B desc(28, 0);
    PutBE32(&desc[8], 2295103);   // end LBA
    PutBE32(&desc[12], 1385);     // read size (KB) per
    PutBE32(&desc[16], 1000);     // read time (ms)
    PutBE32(&desc[20], 1385);
    PutBE32(&desc[24], 1000);
    ASSERT_TRUE(Dev.SetStreaming(desc.data(), uint16_t(desc.size())));
    EXPECT_EQ(Last().Cdb, (B{0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}));
    EXPECT_EQ(Last().Data, desc);

    ASSERT_TRUE(Dev.SendDVDTimestamp(46365.0));
    EXPECT_EQ(Last().Cdb, (B{0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}));
    const B stamp = Last().Data;
    ASSERT_EQ(stamp.size(), 22u);
    EXPECT_EQ(std::string(stamp.begin() + 8, stamp.end()), "20261209000000");

    ASSERT_TRUE(Dev.ReserveTrack(32)) << Dev.LastCommandError;
    EXPECT_EQ(Last().Cdb, (B{0x53, 0, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0}));

    alignas(4) static uint8_t data[16 * 2048];
    std::iota(data, data + sizeof data, uint8_t(3));
    ASSERT_TRUE(Dev.Write10(0, 16, data, sizeof data, SRB_EVENT_NOTIFY | SRB_DIR_OUT)) << Dev.LastCommandError;
    EXPECT_EQ(Last().Cdb, (B{0x2A, 0, 0, 0, 0, 0, 0, 0, 16, 0}));
    EXPECT_EQ(Last().Data, B(data, data + sizeof data));
    ASSERT_TRUE(Dev.Write10(16, 16, data, sizeof data, SRB_EVENT_NOTIFY | SRB_DIR_OUT)) << Dev.LastCommandError;
    EXPECT_EQ(Last().Cdb, (B{0x2A, 0, 0, 0, 0, 0x10, 0, 0, 16, 0}));

    ASSERT_TRUE(Dev.SynchronizeCache(10000, false));
    EXPECT_EQ(Last().Cdb, (B{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Dev.CloseTrackSessionRaw(false, 1, 0, 0, 1)) << Dev.LastCommandError;
    EXPECT_EQ(Last().Cdb, (B{0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}));
    ASSERT_TRUE(Dev.CloseTrackSession(false, false, false)) << Dev.LastCommandError;
    EXPECT_EQ(Last().Cdb, (B{0x5B, 0, 2, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Dev.GetSessionCount(), 1);

    Dev.RezeroUnit();
    EXPECT_EQ(Last().Cdb, (B{0x01, 0, 0, 0, 0, 0}));
    ASSERT_TRUE(Dev.PreventAllowRemoval(false));
    EXPECT_EQ(Last().Cdb, (B{0x1E, 0, 0, 0, 1, 0}));
    EXPECT_TRUE(Drive->RemovalPrevented());
    ASSERT_TRUE(Dev.PreventAllowRemoval(true));
    EXPECT_FALSE(Drive->RemovalPrevented());
    ASSERT_TRUE(Dev.LoadEject(true));
    EXPECT_EQ(Last().Cdb, (B{0x1B, 0, 0, 0, 2, 0}));
    EXPECT_TRUE(Drive->TrayOpen());
    EXPECT_FALSE(Dev.TestUnitReady(5000));
    EXPECT_EQ(Dev.LastSense[12], 0x3A);
    ASSERT_TRUE(Dev.LoadEject(false));
    EXPECT_EQ(Last().Cdb, (B{0x1B, 0, 0, 0, 3, 0}));
    EXPECT_FALSE(Drive->TrayOpen());
}

TEST_F(Emulated, OpcAndAtipAndSense) {
    Start(emulator::TProfile::CdRw, *emulator::FindDriveModel("crx175e"));
    EXPECT_TRUE(Dev.ForceLSV);
    Drive->Log().Clear();
    EXPECT_TRUE(Dev.SendOPC());
    EXPECT_EQ(Last().Cdb, (B{0x54, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_STREQ(DiscTypeNames[Dev.GetDiscType()], "CD-RW");
    uint8_t atip[26] = {};
    ASSERT_TRUE(Dev.ReadTOC(4, atip, true, 0, 26, 0));
    EXPECT_EQ(Last().Cdb, (B{0x43, 2, 4, 0, 0, 0, 0, 0, 26, 0}));
    EXPECT_EQ(atip[6] & 0xC0, 0xC0) << "ATIP of a rewritable disc";
    uint8_t sense[40] = {};
    ASSERT_TRUE(Dev.RequestSense(sense, 40));
    EXPECT_EQ(Last().Cdb, (B{0x03, 0, 0, 0, 40, 0}));
    EXPECT_EQ(sense[0] & 0x7F, 0x70);
    ASSERT_TRUE(Dev.SetWriteParameters(false, false, dtCDRW)) << Dev.LastCommandError;
    EXPECT_EQ(Drive->WriteParametersPage()[2], 0x21) << "LS_V for this model";
}

TEST_F(Emulated, WaitsForABecomingReadyDrive) {
    platform::SetClock(&Clock);
    emulator::TDriveConfig cfg;
    cfg.BecomingReadyCommands = 3;
    cfg.BecomingReadyMs = 4000;
    Drive = std::make_shared<emulator::TEmulatedDrive>(cfg);
    Drive->LoadMedium(emulator::TDisc::InMemory(emulator::TProfile::DvdR));
    platform::RegisterVirtualDrive('E', Drive, platform::SCSI_ADDRESS{8, 0, 0, 0, 0});
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    Dev.SelectDevice(Dev.DeviceList().at(0));
    ASSERT_TRUE(Dev.LoadEject(false)); // a load starts the becoming-ready time
    Drive->Log().Clear();
    const uint64_t before = Clock.NowMs();
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_GE(Clock.NowMs() - before, 4000u);
    EXPECT_LE(Clock.NowMs() - before, 6000u);
}

TEST_F(Emulated, NoMediumIsUnknownAfterEveryFallback) {
    Start(emulator::TProfile::None);
    Drive->Log().Clear();
    EXPECT_EQ(Dev.GetDiscType(), dtUnknown);
    auto ops = Drive->Log().Opcodes();
    EXPECT_EQ(ops, (B{0x46, 0x43, 0x51, 0x00}));
}
