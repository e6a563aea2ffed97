// The pass-through on Windows: a letter held by a virtual drive is served by the virtual bus,
// every other letter by DeviceIoControl; the engine's emulation of ASPI finds virtual drives
// among the system's own letters.
#include <gtest/gtest.h>

#include "engine/transport/Spti.h"
#include "platform/Drives.h"
#include "platform/PassThrough.h"
#include "platform/win32/Win32.h"
#include "support/FakeDrive.h"

using namespace platform;
using tarnwick::test::Address;
using tarnwick::test::TFakeDrive;

namespace {

SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER InquiryRequest(uint8_t* buffer, uint32_t length) {
    SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
    r.spt.Length = 44; // as the 32-bit layout says; the OS side corrects it for its own
    r.spt.CdbLength = 6;
    r.spt.SenseInfoLength = 24;
    r.spt.DataIn = SCSI_IOCTL_DATA_IN;
    r.spt.DataTransferLength = length;
    r.spt.TimeOutValue = 120;
    r.spt.DataBuffer = buffer;
    r.spt.SenseInfoOffset = 48;
    r.spt.Cdb[0] = 0x12;
    r.spt.Cdb[4] = uint8_t(length);
    return r;
}

class WindowsDispatch : public ::testing::Test {
protected:
    void TearDown() override {
        tarnwick::ResetSPTIState();
        ClearVirtualDrives();
    }
};

} // namespace

TEST_F(WindowsDispatch, AVirtualDriveAnswersBeforeTheSystemsDriveOfThatLetter) {
    auto fake = std::make_shared<TFakeDrive>("VIRTUAL ON C");
    RegisterVirtualDrive('C', fake, Address(2, 1));
    TDriveHandle h = OpenDrive('c', true);
    ASSERT_NE(h, kInvalidDriveHandle);
    uint8_t data[96] = {};
    auto r = InquiryRequest(data, sizeof data);
    ASSERT_TRUE(PassThroughDirect(h, r));
    EXPECT_EQ(r.spt.ScsiStatus, 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(data) + 16, 12), "VIRTUAL ON C");
    SCSI_ADDRESS a{};
    ASSERT_TRUE(GetScsiAddress(h, a));
    EXPECT_EQ(a.PortNumber, 2);
    EXPECT_EQ(a.TargetId, 1);
    EXPECT_TRUE(CloseDrive(h));
    EXPECT_EQ(fake->Commands().size(), 1u);

    // Gone from the bus, the letter is the system's again: the fake hears nothing more,
    // whatever the system's own drive answers.
    UnregisterVirtualDrive('C');
    TDriveHandle system = OpenDrive('C', false);
    if (system != kInvalidDriveHandle) {
        auto again = InquiryRequest(data, sizeof data);
        PassThroughDirect(system, again);
        SCSI_ADDRESS ignored{};
        GetScsiAddress(system, ignored);
        EXPECT_TRUE(CloseDrive(system));
    }
    EXPECT_EQ(fake->Commands().size(), 1u);
}

TEST_F(WindowsDispatch, AVanishedVirtualDriveFailsLikeAMissingDevice) {
    auto fake = std::make_shared<TFakeDrive>();
    RegisterVirtualDrive('X', fake, std::nullopt);
    TDriveHandle h = OpenDrive('X', true);
    ASSERT_NE(h, kInvalidDriveHandle);
    SCSI_ADDRESS a{};
    EXPECT_FALSE(GetScsiAddress(h, a)) << "a drive without an address has none to give";
    UnregisterVirtualDrive('X');
    uint8_t data[36];
    auto r = InquiryRequest(data, sizeof data);
    EXPECT_FALSE(PassThroughDirect(h, r));
    CloseDrive(h);
}

TEST_F(WindowsDispatch, TheEmulationPutsVirtualDrivesOnItsBusAmongTheSystemsLetters) {
    // C: stays the system's fixed disk (not a CD-ROM drive), so only the two virtual drives
    // join, in letter order, the one without an address on the extra adapter.
    RegisterVirtualDrive('F', std::make_shared<TFakeDrive>("ON PORT ONE"), Address(1, 0));
    RegisterVirtualDrive('E', std::make_shared<TFakeDrive>("NO ADDRESS"), std::nullopt);
    EXPECT_EQ(tarnwick::SPTIInit(), 2);
    EXPECT_EQ(tarnwick::SPTIState().SPTIHostAdapters, 3);
    EXPECT_EQ(tarnwick::SPTIDriveLetter(1, 0, 0), 'F');
    EXPECT_EQ(tarnwick::SPTIDriveLetter(2, 0, 0), 'E');
    EXPECT_EQ(tarnwick::SPTIDriveLetter(0, 0, 0), 0);
}
