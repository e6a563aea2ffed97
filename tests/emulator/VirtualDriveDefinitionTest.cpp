// The --virtual definitions: parsing, registration on the bus with addresses, folder drives and
// the file of definitions.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ScsiClient.h"
#include "emulator/VirtualDriveDefinition.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

using namespace emulator;
using namespace emulator::test;
namespace fs = std::filesystem;

namespace {

struct SpecTest : ::testing::Test {
    void SetUp() override {
        ResetVirtualDrives();
        Dir = fs::path(TARNWICK_BINARY_DIR) / "test-scratch" /
              (std::string("definition-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(Dir);
        fs::create_directories(Dir);
    }
    void TearDown() override {
        ResetVirtualDrives();
        fs::remove_all(Dir);
    }
    std::string PathOf(const std::string& name) const { return (Dir / name).string(); }
    fs::path Dir;
};

TVirtualDriveDefinition Parsed(const std::string& text) {
    TVirtualDriveDefinition definition;
    std::string error;
    EXPECT_TRUE(ParseVirtualDriveDefinition(text, definition, error)) << error;
    return definition;
}

std::string ParseError(const std::string& text) {
    TVirtualDriveDefinition definition;
    std::string error;
    EXPECT_FALSE(ParseVirtualDriveDefinition(text, definition, error)) << text;
    return error;
}

} // namespace

TEST_F(SpecTest, KindsOptionsAndBacking) {
    auto plus = Parsed("e=dvd+rw");
    EXPECT_EQ(plus.Letter, 'E');
    EXPECT_EQ(plus.Profile, TProfile::DvdPlusRw);
    EXPECT_TRUE(plus.Addressed);
    auto full = Parsed("F=dvd+r+dvr-103+noaddr+capacity=5000+ready=3:C:\\discs\\a.bin");
    EXPECT_EQ(full.Profile, TProfile::DvdPlusR);
    EXPECT_EQ(full.ModelKey, "dvr-103");
    EXPECT_FALSE(full.Addressed);
    EXPECT_EQ(full.Capacity, 5000u);
    EXPECT_EQ(full.ReadyCommands, 3u);
    EXPECT_EQ(full.Backing, "C:\\discs\\a.bin");
    EXPECT_EQ(Parsed("G=dvd-rw-seq").Profile, TProfile::DvdRwSequential);
    EXPECT_EQ(Parsed("G=dvd-rw").Profile, TProfile::DvdRwRestricted);
    EXPECT_EQ(Parsed("H=cd-r+CRX175E").ModelKey, "crx175e");
    EXPECT_EQ(Parsed("H=none").Profile, TProfile::None);

    EXPECT_NE(ParseError("E=bluray").find("unknown kind"), std::string::npos);
    EXPECT_NE(ParseError("A=cd-r").find("C to Z"), std::string::npos);
    EXPECT_NE(ParseError("E:cd-r").find("LETTER=KIND"), std::string::npos);
    EXPECT_NE(ParseError("E=cd-r+fast").find("unknown option"), std::string::npos);
    EXPECT_NE(ParseError("E=cd-r+ready=x").find("bad number"), std::string::npos);
    EXPECT_NE(ParseError("E=none:disc.bin").find("no backing"), std::string::npos);
    EXPECT_NE(ParseError("E=cd-r:").find("empty backing"), std::string::npos);
}

TEST_F(SpecTest, RegisteredDrivesGetPortsInOrderUnlessAddressless) {
    std::string error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("G=dvd-r", error)) << error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("E=cd-rw", error)) << error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("H=none+noaddr", error)) << error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("G=dvd+r", error)) << error; // replaces, keeps its port
    EXPECT_EQ(platform::VirtualDriveAddress('G')->PortNumber, 1);
    EXPECT_EQ(platform::VirtualDriveAddress('E')->PortNumber, 2);
    EXPECT_EQ(platform::VirtualDriveAddress('E')->TargetId, 0);
    EXPECT_EQ(platform::VirtualDriveAddress('E')->Length, 8u);
    EXPECT_FALSE(platform::VirtualDriveAddress('H'));
    ASSERT_TRUE(platform::VirtualDrive('H'));

    auto g = EmulatedDriveAt('G');
    ASSERT_TRUE(g);
    auto config = In(*g, {0x46, 2, 0, 0, 0, 0, 0, 0, 16, 0}, 16);
    EXPECT_EQ(GetBE16(&config.Data[6]), 0x001B);
    auto h = EmulatedDriveAt('H');
    EXPECT_EQ(NoData(*h, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::MediumNotPresent);
    EXPECT_FALSE(EmulatedDriveAt('Q'));
}

TEST_F(SpecTest, BackingFileKeepsTheBurnForTheNextRegistration) {
    std::string error;
    const std::string disc = PathOf("disc.bin");
    ASSERT_TRUE(RegisterVirtualDriveDefinition("E=dvd+r:" + disc, error)) << error;
    {
        auto e = EmulatedDriveAt('E');
        ASSERT_TRUE(Write(*e, 0, 16, 0x42).Good());
        ASSERT_TRUE(NoData(*e, {0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}).Good());
        ASSERT_TRUE(NoData(*e, {0x5B, 0, 2, 0, 0, 0xFF, 0, 0, 0, 0}).Good());
    }
    ResetVirtualDrives();
    ASSERT_TRUE(RegisterVirtualDriveDefinition("E=dvd+r:" + disc, error)) << error;
    auto e = EmulatedDriveAt('E');
    auto info = DiscInfo(*e);
    EXPECT_EQ(info.Data[2] & 3, 1);
    EXPECT_EQ(info.Data[4], 2);
    // While E holds the disc file no other drive gets it; once E is gone, its state tells.
    EXPECT_FALSE(RegisterVirtualDriveDefinition("F=dvd+r:" + disc, error));
    EXPECT_NE(error.find("is in use"), std::string::npos) << error;
    e.reset();
    ResetVirtualDrives();
    EXPECT_FALSE(RegisterVirtualDriveDefinition("F=cd-r:" + disc, error));
    EXPECT_NE(error.find("holds a dvd+r disc"), std::string::npos) << error;
    EXPECT_FALSE(platform::VirtualDrive('F'));
}

TEST_F(SpecTest, DvdRomOverAFolderAnswersLikeAPressedDisc) {
    fs::create_directories(Dir / "root" / "VIDEO_TS");
    std::ofstream(Dir / "root" / "VIDEO_TS" / "VTS_01_1.VOB") << std::string(5000, 'v');
    std::ofstream(Dir / "root" / "README.TXT") << "hello";
    std::string error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("D=dvd-rom:" + (Dir / "root").string(), error)) << error;
    EXPECT_EQ(platform::VirtualDriveRoot('D'), (Dir / "root").string());
    auto d = EmulatedDriveAt('D');
    ASSERT_TRUE(d);
    auto inquiry = In(*d, {0x12, 0, 0, 0, 36, 0}, 36);
    EXPECT_EQ(std::string(inquiry.Data.begin() + 16, inquiry.Data.begin() + 23), "DVD-ROM");
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
    auto config = In(*d, {0x46, 2, 0, 0, 0, 0, 0, 0, 16, 0}, 16);
    EXPECT_EQ(GetBE16(&config.Data[6]), 0x0010);
    // 16 system sectors, the root, one folder, 3 sectors of VOB and 1 of README.
    auto cap = In(*d, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    EXPECT_EQ(GetBE32(&cap.Data[0]) + 1, 16u + 1 + 1 + 3 + 1);
    EXPECT_EQ(Write(*d, 0, 1, 0).Sense(), sense::CannotWriteIncompatibleFormat);
    EXPECT_FALSE(RegisterVirtualDriveDefinition("D=dvd-rom:" + PathOf("missing"), error));
}

TEST_F(SpecTest, FileOfSpecsIsAllOrNothing) {
    const std::string list = PathOf("drives.txt");
    std::ofstream(list) << "# recorders for the tests\n"
                        << "\n"
                        << "  E=dvd-r  \n"
                        << "F=cd-rw+tdk\n";
    std::string error;
    ASSERT_TRUE(RegisterVirtualDriveFile(list, error)) << error;
    EXPECT_TRUE(platform::VirtualDrive('E'));
    EXPECT_EQ(EmulatedDriveAt('F')->Config().Model.Key, "tdk");

    ResetVirtualDrives();
    std::ofstream(list) << "E=dvd-r\nF=floppy\n";
    EXPECT_FALSE(RegisterVirtualDriveFile(list, error));
    EXPECT_NE(error.find("drives.txt:2:"), std::string::npos) << error;
    EXPECT_FALSE(platform::VirtualDrive('E'));
    EXPECT_FALSE(RegisterVirtualDriveFile(PathOf("absent.txt"), error));
}

TEST_F(SpecTest, FaultOptionsAreParsedAndArmed) {
    auto d = Parsed("R=dvd-r+medium-error=100+busy=3+timeout=7+vanish=20");
    EXPECT_EQ(d.MediumErrorLba, 100u);
    EXPECT_EQ(d.BusyWrites, 3u);
    EXPECT_EQ(d.TimeoutCommand, 7u);
    EXPECT_EQ(d.VanishAfter, 20u);
    EXPECT_EQ(Parsed("R=cd-r+busy=forever").BusyWrites, UINT32_MAX);
    TVirtualDriveDefinition bad;
    std::string error;
    EXPECT_FALSE(ParseVirtualDriveDefinition("R=cd-r+timeout=0", bad, error));
    EXPECT_FALSE(ParseVirtualDriveDefinition("R=cd-r+busy=often", bad, error));

    // The drive vanishes after its second command: the third goes unanswered for good.
    std::string why;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("R=cd-r+vanish=2", why)) << why;
    auto drive = EmulatedDriveAt('R');
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->Faults().Pending(), 1u);
    const uint8_t tur[6] = {0};
    EXPECT_FALSE(drive->Faults().Take(tur, 6));
    EXPECT_FALSE(drive->Faults().Take(tur, 6));
    auto fault = drive->Faults().Take(tur, 6);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->Kind, TFaultKind::Vanish);
}

TEST_F(SpecTest, SwapChangesTheDiscForABlankOneSomeTimeAfterAnEject) {
    EXPECT_EQ(Parsed("R=dvd-r+swap=2500").SwapMs, 2500u);
    EXPECT_NE(ParseError("E=dvd-rom+swap=10").find("recordable"), std::string::npos);

    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    std::string error;
    ASSERT_TRUE(RegisterVirtualDriveDefinition("R=dvd-r+swap=2500:" + PathOf("disc.bin"), error)) << error;
    auto drive = EmulatedDriveAt('R');
    ASSERT_TRUE(drive);
    ASSERT_TRUE(Write(*drive, 0, 1, 0x33).Good());
    const auto first = drive->Medium();
    // Nothing changes before an eject, however long it is waited for.
    clock.SleepMs(5000);
    EXPECT_TRUE(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(drive->Medium(), first);

    ASSERT_TRUE(NoData(*drive, {0x1B, 0, 0, 0, 0x02, 0}).Good()); // eject
    clock.SleepMs(2000);
    EXPECT_EQ(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::MediumNotPresentTrayOpen);
    clock.SleepMs(500);
    EXPECT_TRUE(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Good());
    ASSERT_NE(drive->Medium(), first);
    EXPECT_EQ(drive->Medium()->DiscStatus(), 0); // blank
    EXPECT_EQ(drive->Medium()->BackingPath(), PathOf("disc.bin") + ".swap");
    EXPECT_EQ(first->RecordedEnd(), 1u); // the copied disc keeps its data
    // Only one change: a second eject leaves the tray open.
    ASSERT_TRUE(NoData(*drive, {0x1B, 0, 0, 0, 0x02, 0}).Good());
    clock.SleepMs(10000);
    EXPECT_EQ(NoData(*drive, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::MediumNotPresentTrayOpen);
    platform::SetClock(nullptr);
}
