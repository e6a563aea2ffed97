#include <gtest/gtest.h>

#include <filesystem>

#include "platform/Drives.h"
#include "platform/virtual/VirtualBus.h"

using namespace platform;

namespace {
class NullTarget : public IScsiTarget {
public:
    bool Execute(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER&) override { return false; }
};
} // namespace

TEST(Drives, RegisteredFolderRoots) {
    RegisterDriveRoot('t', "/srv/disc/");
    EXPECT_EQ(GetDriveType("T:\\"), unsigned(DRIVE_FIXED));
    EXPECT_EQ(DriveRootFolder('T'), "/srv/disc/");
    EXPECT_EQ(ResolvePath("T:\\VIDEO_TS\\VTS_01_0.VOB"), "/srv/disc/VIDEO_TS/VTS_01_0.VOB");
    EXPECT_EQ(ResolvePath("t:/a/b"), "/srv/disc/a/b");
    EXPECT_EQ(ResolvePath("T:\\"), "/srv/disc/");
    EXPECT_EQ(ResolvePath("T:"), "/srv/disc");
    EXPECT_EQ(ResolvePath("T:relative"), "T:relative");
    EXPECT_EQ(ResolvePath("/plain/path\\with\\backslash"), "/plain/path\\with\\backslash");
    UnregisterDriveRoot('T');
    EXPECT_EQ(GetDriveType("T:\\"), unsigned(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(ResolvePath("T:\\x"), "T:\\x");
    EXPECT_EQ(GetDriveType("not a root"), unsigned(DRIVE_NO_ROOT_DIR));
}

TEST(Drives, VirtualDrivesAreCdRomDrives) {
    RegisterVirtualDrive('V', std::make_shared<NullTarget>(), std::nullopt, "/tmp/vdisc");
    RegisterVirtualDrive('W', std::make_shared<NullTarget>(), std::nullopt);
    EXPECT_EQ(GetDriveType("V:\\"), unsigned(DRIVE_CDROM));
    EXPECT_EQ(GetDriveType("W:\\"), unsigned(DRIVE_CDROM));
    EXPECT_EQ(DriveRootFolder('V'), "/tmp/vdisc");
    EXPECT_EQ(DriveRootFolder('W'), "");
    EXPECT_EQ(ResolvePath("V:\\a"), "/tmp/vdisc/a");
    EXPECT_EQ(RealDriveDevice('V'), "");
    ClearVirtualDrives();
    EXPECT_EQ(GetDriveType("V:\\"), unsigned(DRIVE_NO_ROOT_DIR));
}

TEST(Drives, RealDrivesTakeTheFreeLettersFromD) {
    if (!std::filesystem::exists("/sys/block/sr0")) GTEST_SKIP() << "no optical drive on this machine";
    EXPECT_EQ(RealDriveDevice('D'), "/dev/sr0");
    EXPECT_EQ(GetDriveType("D:\\"), unsigned(DRIVE_CDROM));
    RegisterVirtualDrive('D', std::make_shared<NullTarget>(), std::nullopt);
    EXPECT_EQ(RealDriveDevice('D'), "");
    EXPECT_EQ(RealDriveDevice('E'), "/dev/sr0");
    ClearVirtualDrives();
    EXPECT_EQ(RealDriveDevice('C'), "");
}
