// Drive types and letters: the system's drives, with virtual drives and registered folders
// standing in as CD-ROM drives.
#include <gtest/gtest.h>

#include "windows/support/TempFolder.h"
#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/PassThrough.h"
#include "platform/virtual/VirtualBus.h"

using namespace platform;
using testing_win::TTempFolder;

namespace {

// A letter the system does not know (drive type "no root folder").
char FreeLetter() {
    DWORD used = GetLogicalDrives();
    for (char c = 'Z'; c > 'D'; --c)
        if (!(used & (1u << (c - 'A')))) return c;
    return 0;
}

class TSilentTarget : public IScsiTarget {
public:
    bool Execute(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER&) override { return false; }
};

class WindowsDrives : public ::testing::Test {
protected:
    void TearDown() override {
        ClearVirtualDrives();
        for (char c = 'A'; c <= 'Z'; ++c) UnregisterDriveRoot(c);
    }
};

} // namespace

TEST_F(WindowsDrives, SystemDrivesKeepTheirTypes) {
    EXPECT_EQ(GetDriveType("C:\\"), unsigned(DRIVE_FIXED));
    char free = FreeLetter();
    ASSERT_NE(free, 0);
    EXPECT_EQ(GetDriveType(std::string(1, free) + ":\\"), unsigned(DRIVE_NO_ROOT_DIR));
    EXPECT_EQ(DriveRootFolder(free), "");
    EXPECT_EQ(DriveRootFolder('C'), "C:\\");
    EXPECT_EQ(ResolvePath("C:\\windows"), "C:\\windows") << "a system drive's paths pass through";
}

TEST_F(WindowsDrives, VirtualDrivesAreCdRomDrivesEvenOverASystemLetter) {
    char free = FreeLetter();
    RegisterVirtualDrive(free, std::make_shared<TSilentTarget>(), std::nullopt);
    EXPECT_EQ(GetDriveType(std::string(1, free) + ":\\"), unsigned(DRIVE_CDROM));
    EXPECT_EQ(GetDriveType(std::string(1, char(std::tolower(free))) + ":"), unsigned(DRIVE_CDROM));
    RegisterVirtualDrive('C', std::make_shared<TSilentTarget>(), std::nullopt);
    EXPECT_EQ(GetDriveType("C:\\"), unsigned(DRIVE_CDROM)) << "the virtual bus is asked first";
    UnregisterVirtualDrive('C');
    EXPECT_EQ(GetDriveType("C:\\"), unsigned(DRIVE_FIXED));
}

TEST_F(WindowsDrives, RegisteredFoldersReadAsTheDrivesRoot) {
    TTempFolder disc;
    disc.MakeDir("VIDEO_TS");
    disc.Write("VIDEO_TS\\VIDEO_TS.IFO", "ifo");
    char letter = FreeLetter();
    std::string root = std::string(1, letter) + ":\\";
    RegisterDriveRoot(letter, disc.Path() + "\\");
    EXPECT_EQ(GetDriveType(root), unsigned(DRIVE_CDROM));
    EXPECT_EQ(DriveRootFolder(letter), disc.Path());
    EXPECT_EQ(ResolvePath(root + "VIDEO_TS"), disc / "VIDEO_TS");
    EXPECT_EQ(ResolvePath(std::string(1, letter) + ":/VIDEO_TS"), disc / "VIDEO_TS");

    // The listing and the files read through the letter.
    TSearchRec rec;
    TFindHandle h;
    ASSERT_EQ(FindFirst(root + "VIDEO_TS\\*.IFO", faAnyFile, rec, h), 0);
    EXPECT_EQ(rec.Name, "VIDEO_TS.IFO");
    EXPECT_TRUE(DirectoryExists(root + "VIDEO_TS"));
    TFileHandle f = FileOpen(root + "VIDEO_TS\\VIDEO_TS.IFO", 0x40);
    ASSERT_NE(f, kInvalidFileHandle);
    char buf[3];
    EXPECT_EQ(FileRead(f, buf, 3), 3);
    FileClose(f);

    UnregisterDriveRoot(letter);
    EXPECT_EQ(GetDriveType(root), unsigned(DRIVE_NO_ROOT_DIR));
    EXPECT_FALSE(DirectoryExists(root + "VIDEO_TS"));
}

TEST_F(WindowsDrives, AVirtualDrivesDiscFolderIsItsRoot) {
    TTempFolder disc;
    disc.Write("AUDIO_TS.TXT", "a");
    char letter = FreeLetter();
    RegisterVirtualDrive(letter, std::make_shared<TSilentTarget>(), std::nullopt, disc.Path());
    EXPECT_EQ(DriveRootFolder(letter), disc.Path());
    EXPECT_TRUE(FileExists(std::string(1, letter) + ":\\AUDIO_TS.TXT"));
}

TEST_F(WindowsDrives, TheSystemPassThroughRefusesWhatIsNoDrive) {
    char free = FreeLetter();
    EXPECT_EQ(os::OpenDrive(free, true), kInvalidDriveHandle);
    EXPECT_EQ(os::OpenDrive(free, false), kInvalidDriveHandle);
    EXPECT_EQ(os::OpenDrive('1', false), kInvalidDriveHandle);
    EXPECT_FALSE(os::CloseDrive(kInvalidDriveHandle));
    SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER request{};
    EXPECT_FALSE(os::PassThroughDirect(kInvalidDriveHandle, request));
    SCSI_ADDRESS address{};
    EXPECT_FALSE(os::GetScsiAddress(kInvalidDriveHandle, address));
}
