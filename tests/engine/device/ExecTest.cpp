// One command through ExecSCSICommand, the emulation and the virtual bus.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "engine/Bytes.h"
#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "platform/Clock.h"
#include "support/FakeDrive.h"

using namespace tarnwick;
using tarnwick::test::AddDrive;
using tarnwick::test::Address;

namespace {

class ExecTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drive = AddDrive('E', Address(0, 1, 2));
        ASSERT_TRUE(LoadASPI(true, ""));
        Drive->ClearCommands(); // the probe INQUIRY
        Dev.HaId = 0;
        Dev.Target = 1;
        Dev.Lun = 2;
        Dev.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t type) {
            Messages.push_back(std::to_string(type) + ":" + m);
        };
    }
    void TearDown() override {
        ResetTransportState();
        platform::ClearVirtualDrives();
    }

    SRB_ExecSCSICmd TestUnitReady() {
        SRB_ExecSCSICmd r{};
        r.SRB_Flags = SRB_EVENT_NOTIFY;
        r.SRB_CDBLen = 6;
        return r;
    }

    std::shared_ptr<test::TFakeDrive> Drive;
    TSCSIDevice Dev;
    std::vector<std::string> Messages;
};

} // namespace

TEST_F(ExecTest, AddressesTheCurrentDeviceAndPutsTheLunIntoTheCdb) {
    alignas(4) uint8_t buffer[8] = {};
    SRB_ExecSCSICmd r{};
    r.SRB_Flags = SRB_EVENT_NOTIFY | SRB_DIR_IN;
    r.SRB_CDBLen = 10;
    r.SRB_BufLen = sizeof buffer;
    r.SRB_BufPointer = buffer;
    r.CDBByte[0] = 0x25;
    r.CDBByte[1] = 0xF5; // stale LUN bits 111b, low bits 10101b
    Drive->Data = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_EQ(Dev.ExecSCSICommand(r, 0), 1);

    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(r.SRB_Cmd, SC_EXEC_SCSI_CMD);
    EXPECT_EQ(r.SRB_HaId, 0);
    EXPECT_EQ(r.SRB_Target, 1);
    EXPECT_EQ(r.SRB_Lun, 2);
    EXPECT_EQ(r.SRB_SenseLen, 24);
    EXPECT_EQ(r.CDBByte[1], 0x55);
    EXPECT_EQ(buffer[7], 8);
    auto sent = Drive->Commands();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Cdb[1], 0x55);
    EXPECT_EQ(sent[0].CdbLength, 10);
    EXPECT_EQ(sent[0].DataIn, platform::SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(sent[0].SenseInfoLength, 24);
    EXPECT_EQ(sent[0].TimeOutValue, 120u);
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ExecTest, ACommandToAnAddressReachesThatDeviceAndLeavesTheSelectionAlone) {
    auto other = AddDrive('F', Address(0, 3, 0));
    ResetTransportState(); // the transport probes the drives when it loads
    ASSERT_TRUE(LoadASPI(true, ""));
    other->ClearCommands();
    Drive->ClearCommands();
    SRB_ExecSCSICmd r = TestUnitReady();
    r.CDBByte[1] = 0xE0; // stale LUN bits
    ASSERT_EQ(Dev.ExecSCSICommandAt(TDeviceAddress{0, 3, 0}, r, 0), 1);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(r.SRB_Target, 3);
    EXPECT_EQ(r.CDBByte[1], 0x00);
    EXPECT_EQ(other->Commands().size(), 1u);
    EXPECT_TRUE(Drive->Commands().empty());
    EXPECT_EQ(Dev.Address(), (TDeviceAddress{0, 1, 2}));
    // No device at the address: the request is refused as for no selection.
    SRB_ExecSCSICmd none = TestUnitReady();
    EXPECT_EQ(Dev.ExecSCSICommandAt(TDeviceAddress{}, none, 0), 226);
    EXPECT_TRUE(Drive->Commands().empty());
}

TEST_F(ExecTest, RefusesWithoutDeviceOrTransportAndLeavesTheRequestAlone) {
    SRB_ExecSCSICmd r = TestUnitReady();
    r.SenseArea[5] = 0x77;
    const SRB_ExecSCSICmd before = r;
    Dev.LastCommandError = "OLD";
    Dev.TargetBusy = true;
    Dev.LastSense[12] = 4;

    Dev.HaId = 254;
    EXPECT_EQ(Dev.ExecSCSICommand(r, 10000), 226);
    EXPECT_EQ(0, std::memcmp(&r, &before, sizeof r));
    EXPECT_EQ(Dev.LastCommandError, "");
    EXPECT_FALSE(Dev.TargetBusy);
    EXPECT_EQ(Dev.LastSense[12], 0);

    ResetTransportState();
    Dev.HaId = 0;
    EXPECT_EQ(Dev.ExecSCSICommand(r, 10000), 226);
    EXPECT_EQ(0, std::memcmp(&r, &before, sizeof r));
    EXPECT_TRUE(Drive->Commands().empty());
}

TEST_F(ExecTest, FailureTextAndSenseStayUntilTheNextCommand) {
    Drive->FailWith(0x03, 0x0C, 0x00);
    SRB_ExecSCSICmd r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, STATUS_CHKCOND);
    EXPECT_EQ(Dev.LastCommandError, "MEDIUM ERROR (WRITE ERROR)");
    EXPECT_EQ(Dev.LastSense[0], 0x70);
    EXPECT_EQ(Dev.LastSense[12], 0x0C);

    Drive->SetStatus(STATUS_BUSY);
    r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_TRUE(Dev.TargetBusy);
    EXPECT_EQ(Dev.LastCommandError.rfind("TARGET BUSY", 0), 0u);

    Drive->Succeed();
    r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(Dev.LastCommandError, "");
    EXPECT_FALSE(Dev.TargetBusy);
    EXPECT_EQ(Dev.LastSense, (std::array<uint8_t, 33>{}));
}

TEST_F(ExecTest, AVanishedDriveFailsWithoutSense) {
    Drive->SetVanished(true);
    SRB_ExecSCSICmd r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
    EXPECT_EQ(r.SRB_TargStat, 0);
    // GOOD with no sense data decodes to the empty text; the failure is in SRB_Status.
    EXPECT_EQ(Dev.LastCommandError, "");
    EXPECT_EQ(Dev.LastSense, (std::array<uint8_t, 33>{}));
}

TEST_F(ExecTest, UnalignedBuffersAreReportedAfterEveryCommand) {
    alignas(4) uint8_t storage[16] = {};
    uint8_t* odd = storage + 1;
    for (bool fail : {false, true}) {
        if (fail) Drive->FailWith(0x05, 0x20, 0x00);
        SRB_ExecSCSICmd r = TestUnitReady();
        r.SRB_Flags |= SRB_DIR_IN;
        r.SRB_BufLen = 8;
        r.SRB_BufPointer = odd;
        Dev.ExecSCSICommand(r, 10000);
    }
    const std::string expected = "0:aaaa" + std::to_string(int32_t(uint32_t(reinterpret_cast<uintptr_t>(odd))));
    EXPECT_EQ(Messages, (std::vector<std::string>{expected, expected}));

    Messages.clear();
    SRB_ExecSCSICmd r = TestUnitReady();
    r.SRB_Flags |= SRB_DIR_IN;
    r.SRB_BufLen = 8;
    r.SRB_BufPointer = storage + 4;
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_TRUE(Messages.empty());
}

TEST_F(ExecTest, WithoutEventNotifyNoEventIsHandedOver) {
    SRB_ExecSCSICmd r{};
    r.SRB_CDBLen = 6;
    r.SRB_PostProc = &r;
    Dev.ExecSCSICommand(r, 10000);
    const void* postProc = r.SRB_PostProc; // packed field: read it by value
    EXPECT_EQ(postProc, nullptr);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
}

// Every sense key and every known additional sense pair, as a drive reports them.
TEST_F(ExecTest, EverySenseTextReachesTheEngineThroughTheBus) {
    struct Key {
        uint8_t byte2;
        const char* text;
    } keys[] = {
        {0x00, "NO ADDITIONAL SENSE INFORMATION"}, {0x20, "ILLEGAL LENGTH"}, {0x40, "END OF MEDIA"},
        {0x80, "FILEMARK"}, {0x01, "RECOVERED ERROR"}, {0x02, "NOT READY"}, {0x03, "MEDIUM ERROR"},
        {0x04, "HARDWARE ERROR"}, {0x05, "ILLEGAL REQUEST"}, {0x06, "UNIT ATTENTION"}, {0x07, "DATA PROTECT"},
        {0x08, "ERASE CHECK"}, {0x09, "CHECK CONDITION"}, {0x0A, "COPYABORTED"}, {0x0B, "ABORTED COMMAND"},
        {0x0C, "CHECK CONDITION"}, {0x0D, "VOLUME OVERFLOW"}, {0x0E, "MISCOMPARE"}, {0x0F, "RESERVED"},
    };
    for (const auto& k : keys) {
        Drive->FailWith(k.byte2, 0, 0, 0);
        SRB_ExecSCSICmd r = TestUnitReady();
        Dev.ExecSCSICommand(r, 10000);
        EXPECT_EQ(Dev.LastCommandError, k.text) << std::hex << int(k.byte2);
    }

    std::ifstream in(std::string(TARNWICK_SOURCE_DIR) + "/tests/engine/device/data/additional_sense.txt");
    std::string line;
    int pairs = 0;
    while (std::getline(in, line)) {
        const uint8_t asc = uint8_t(std::stoul(line.substr(0, 2), nullptr, 16));
        const uint8_t ascq = uint8_t(std::stoul(line.substr(3, 2), nullptr, 16));
        Drive->FailWith(0x04, asc, ascq, 10, 0xF1);
        SRB_ExecSCSICmd r = TestUnitReady();
        Dev.ExecSCSICommand(r, 10000);
        EXPECT_EQ(Dev.LastCommandError, "HARDWARE ERROR (" + line.substr(6) + ")") << line;
        EXPECT_EQ(Dev.LastSense[12], asc);
        EXPECT_EQ(Dev.LastSense[13], ascq);
        ++pairs;
    }
    EXPECT_EQ(pairs, 256);
}

TEST_F(ExecTest, ARequestFinishedBeforeTheCallReturnsIsNotWaitedFor) {
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    SRB_ExecSCSICmd r = TestUnitReady();
    Dev.ExecSCSICommand(r, 180000);
    platform::SetClock(nullptr);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(clock.NowMs(), 0u);
}

// Beside the texts every command leaves its outcome as data: opcode, status, sense key,
// ASC/ASCQ and the block it addressed.
TEST_F(ExecTest, EveryCommandLeavesItsOutcomeAsData) {
    Drive->FailWith(0x03, 0x0C, 0x00);
    SRB_ExecSCSICmd w = TestUnitReady();
    w.SRB_CDBLen = 10;
    w.CDBByte[0] = 0x2A; // WRITE(10) of no blocks at LBA 1234
    PutBE32(w.CDBByte + 2, 1234);
    Dev.ExecSCSICommand(w, 10000);
    TCommandOutcome o = Dev.LastOutcome;
    EXPECT_EQ(o.Opcode, 0x2A);
    EXPECT_EQ(o.Status, SS_ERR);
    EXPECT_FALSE(o.Completed());
    EXPECT_EQ(o.TargetStatus, STATUS_CHKCOND);
    EXPECT_EQ(o.SenseKey, 0x03);
    EXPECT_EQ(o.Asc, 0x0C);
    EXPECT_EQ(o.Ascq, 0x00);
    EXPECT_EQ(o.Lba, 1234u);
    EXPECT_EQ(Dev.LastCommandError, "MEDIUM ERROR (WRITE ERROR)"); // the text is as before

    Drive->SetStatus(STATUS_BUSY);
    SRB_ExecSCSICmd r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    o = Dev.LastOutcome;
    EXPECT_EQ(o.Opcode, 0x00);
    EXPECT_EQ(o.TargetStatus, STATUS_BUSY);
    EXPECT_EQ(o.SenseKey, 0);
    EXPECT_EQ(o.Lba, std::nullopt);

    Drive->Succeed();
    r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_TRUE(Dev.LastOutcome.Completed());
    EXPECT_EQ(Dev.LastOutcome.Asc, 0);

    Dev.HaId = 254;
    r = TestUnitReady();
    EXPECT_EQ(Dev.ExecSCSICommand(r, 10000), SS_NO_TRANSPORT);
    EXPECT_EQ(Dev.LastOutcome.Status, SS_NO_TRANSPORT);
}
