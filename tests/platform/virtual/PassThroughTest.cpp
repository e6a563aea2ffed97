// The pass-through dispatch between virtual drives and the OS.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "platform/PassThrough.h"
#include "platform/virtual/VirtualBus.h"
#include "support/FakeDrive.h"

using namespace platform;
using tarnwick::test::AddDrive;
using tarnwick::test::Address;

namespace {

class PassThroughTest : public ::testing::Test {
protected:
    void TearDown() override { ClearVirtualDrives(); }

    static SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER TestUnitReady() {
        SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r{};
        r.spt.Length = sizeof r.spt;
        r.spt.CdbLength = 6;
        r.spt.SenseInfoLength = 24;
        r.spt.DataIn = SCSI_IOCTL_DATA_UNSPECIFIED;
        return r;
    }
};

} // namespace

TEST_F(PassThroughTest, VirtualHandlesAreDistinctAndReachTheirDrive) {
    auto e = AddDrive('E', Address(1, 2, 3));
    auto f = AddDrive('F', std::nullopt);
    std::set<TDriveHandle> handles;
    for (int i = 0; i < 3; ++i) {
        handles.insert(OpenDrive('E', true));
        handles.insert(OpenDrive('f', false));
    }
    EXPECT_EQ(handles.size(), 6u);
    EXPECT_FALSE(handles.count(kInvalidDriveHandle));
    for (TDriveHandle h : handles) EXPECT_LT(h, 0) << "virtual handles lie where no OS handle does";

    TDriveHandle he = OpenDrive('E', true);
    auto r = TestUnitReady();
    ASSERT_TRUE(PassThroughDirect(he, r));
    EXPECT_EQ(e->Commands().size(), 1u);
    EXPECT_TRUE(f->Commands().empty());

    SCSI_ADDRESS a{};
    ASSERT_TRUE(GetScsiAddress(he, a));
    EXPECT_EQ(a.Length, 8u);
    EXPECT_EQ(a.PortNumber, 1);
    EXPECT_EQ(a.TargetId, 2);
    EXPECT_EQ(a.Lun, 3);
    EXPECT_FALSE(GetScsiAddress(OpenDrive('F', true), a));

    EXPECT_TRUE(CloseDrive(he));
    EXPECT_FALSE(CloseDrive(he));
    EXPECT_FALSE(PassThroughDirect(he, r));
}

TEST_F(PassThroughTest, AnUnregisteredDriveBehavesAsVanished) {
    AddDrive('E', Address(0, 0, 0));
    TDriveHandle h = OpenDrive('E', true);
    UnregisterVirtualDrive('E');
    auto r = TestUnitReady();
    EXPECT_FALSE(PassThroughDirect(h, r));
    SCSI_ADDRESS a{};
    EXPECT_FALSE(GetScsiAddress(h, a));
    EXPECT_TRUE(CloseDrive(h));
    EXPECT_EQ(OpenDrive('E', true), kInvalidDriveHandle);
}

TEST_F(PassThroughTest, InvalidHandlesAndLettersFailQuietly) {
    auto r = TestUnitReady();
    SCSI_ADDRESS a{};
    EXPECT_FALSE(PassThroughDirect(kInvalidDriveHandle, r));
    EXPECT_FALSE(GetScsiAddress(kInvalidDriveHandle, a));
    EXPECT_FALSE(CloseDrive(kInvalidDriveHandle));
    EXPECT_EQ(OpenDrive('1', true), kInvalidDriveHandle);
    EXPECT_EQ(OpenDrive(0, true), kInvalidDriveHandle);
}

TEST_F(PassThroughTest, MessagesGoToTheHook) {
    std::vector<std::string> seen;
    SetPassThroughMessageHook([&](const std::string& m) { seen.push_back(m); });
    PassThroughMessage("hint");
    SetPassThroughMessageHook(nullptr);
    EXPECT_EQ(seen, (std::vector<std::string>{"hint"}));
}
