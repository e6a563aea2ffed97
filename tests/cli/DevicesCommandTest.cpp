// tarnwick-cli devices, run as a program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/RunTool.h"

namespace {

using TRun = testsupport::TToolRun;

TRun Cli(const std::string& args) { return testsupport::RunTool(testsupport::CliPath() + " " + args); }

class DevicesCommand : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(std::string(TARNWICK_BINARY_DIR) + "/cli/tarnwick-cli"));
        Dir = std::filesystem::temp_directory_path() / ("tarnwick-devices-" + std::to_string(::getpid()));
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }
    std::filesystem::path Dir;
};

} // namespace

TEST_F(DevicesCommand, ListsAVirtualDvdRecorderWithItsBlankDisc) {
    const auto disc = (Dir / "e.disc").string();
    const TRun r = Cli("devices --virtual E=dvd-r:" + disc);
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_NE(r.Output.find("Transport: VNASPI32\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("\n1:0:0,E: TARNWICKDVD RECORDER    1.00\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Identity      TARNWICK DVD RECORDER     1.00\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Writes        CD-R CD-RW DVD-R DVD-RW DVD-RAM DVD+R DVD+RW\n"), std::string::npos)
        << r.Output;
    EXPECT_NE(r.Output.find("    Recording     test write, buffer-underrun free\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Buffer        2048 KB\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Disc          DVD-R, 0 sessions\n"), std::string::npos) << r.Output;
}

TEST_F(DevicesCommand, VirtualOptionBeforeAndAfterTheCommandAndDriveFolders) {
    const auto folder = Dir / "video";
    std::filesystem::create_directories(folder);
    const TRun r = Cli("--virtual G=dvd-rom:" + folder.string() + " devices --virtual F=cd-rw+crx175e --virtual H=none");
    ASSERT_EQ(r.Code, 0) << r.Output;
    // Ports follow the order the drives were given in; the list follows the ports.
    const size_t g = r.Output.find("1:0:0,G: ");
    const size_t f = r.Output.find("2:0:0,F: SONY    CRX175E         ");
    const size_t h = r.Output.find("3:0:0,H: ");
    ASSERT_NE(g, std::string::npos) << r.Output;
    ASSERT_NE(f, std::string::npos) << r.Output;
    ASSERT_NE(h, std::string::npos) << r.Output;
    EXPECT_LT(g, f);
    EXPECT_LT(f, h);
    EXPECT_NE(r.Output.find("    Files         " + folder.string() + "\n", g), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Disc          CD-RW, 0 sessions\n", f), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Disc          none or unknown (UNKNOWN)\n", h), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Files         the emulated drive H: has no folder of files\n", h), std::string::npos);
}

TEST_F(DevicesCommand, ModelAdjustmentsAreShownAndApplied) {
    const TRun r = Cli("devices --virtual E=cd-r+cd-w512eb --virtual F=cd-r+cdrw321040x");
    ASSERT_EQ(r.Code, 0) << r.Output;
    const size_t e = r.Output.find(",E: ");
    const size_t f = r.Output.find(",F: ");
    ASSERT_NE(e, std::string::npos) << r.Output;
    ASSERT_NE(f, std::string::npos) << r.Output;
    // This model's page hides its underrun protection; the engine counts it anyway.
    const std::string first = r.Output.substr(e, f - e);
    EXPECT_NE(first.find("    Recording     test write, buffer-underrun free\n"), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Adjustments   underrun-free whatever its page says\n", e), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("    Adjustments   session closed without Immed\n", f), std::string::npos) << r.Output;
}

TEST_F(DevicesCommand, BadVirtualDriveIsASetupFailure) {
    const TRun r = Cli("devices --virtual E=floppy");
    EXPECT_EQ(r.Code, 4) << r.Output;
    EXPECT_NE(r.Output.find("tarnwick-cli: "), std::string::npos) << r.Output;
}

TEST_F(DevicesCommand, ImageOfADriveWithoutFilesSaysWhy) {
    const TRun r = Cli("image E: " + (Dir / "x.iso").string() + " --virtual E=dvd-r");
    EXPECT_EQ(r.Code, 3) << r.Output;
    EXPECT_NE(r.Output.find("the emulated drive E: has no folder of files"), std::string::npos) << r.Output;
    EXPECT_FALSE(std::filesystem::exists(Dir / "x.iso"));
}
