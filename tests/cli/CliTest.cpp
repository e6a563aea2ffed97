// tarnwick-cli as a script sees it: exit codes, messages, the settings file, and the failures
// that must never end with exit code 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string CliCmd() { return Quote(CliPath()); }

std::string Sector(const std::string& image, int sector) {
    std::ifstream f(image, std::ios::binary);
    std::string s(2048, '\0');
    f.seekg(std::streamoff(sector) * 2048);
    f.read(s.data(), 2048);
    return s;
}

class Cli : public ::testing::Test {
protected:
    void SetUp() override {
        T.File("src/VIDEO_TS/VIDEO_TS.IFO", std::string(5000, 'i'));
        T.File("src/readme.txt", "hello\n");
        // Keep the user's own settings out of these runs.
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        T.Dir("config");
    }
    TToolRun Image(const std::string& args) { return RunTool(Env + CliCmd() + " image " + args); }
    TTempTree T;
    std::string Env;
};

} // namespace

TEST_F(Cli, UsageErrorsExitWith2AndHelpWith0) {
    EXPECT_EQ(RunTool(CliCmd()).Code, 2);
    EXPECT_EQ(Image(Quote(T.Path("src"))).Code, 2); // no output file
    EXPECT_EQ(Image("--no-such-option a b").Code, 2);
    EXPECT_EQ(RunTool(CliCmd() + " frobnicate").Code, 2);
    auto help = RunTool(CliCmd() + " --help");
    EXPECT_EQ(help.Code, 0);
    EXPECT_NE(help.Output.find("image"), std::string::npos);
    EXPECT_NE(help.Output.find("--virtual"), std::string::npos);
    EXPECT_NE(help.Output.find("Exit codes"), std::string::npos);
    auto imageHelp = RunTool(CliCmd() + " image --help");
    EXPECT_EQ(imageHelp.Code, 0);
    EXPECT_NE(imageHelp.Output.find("--volume-id"), std::string::npos);
}

TEST_F(Cli, ASourceThatCannotBeListedExitsWith3AndWritesNoImage) {
    const std::string iso = T.Path("out.iso");
    auto missing = Image(Quote(T.Path("no-such-folder")) + " " + Quote(iso));
    EXPECT_EQ(missing.Code, 3) << missing.Output;
    EXPECT_NE(missing.Output.find("cannot read source"), std::string::npos) << missing.Output;
    auto file = Image(Quote(T.Path("src/readme.txt")) + " " + Quote(iso));
    EXPECT_EQ(file.Code, 3) << file.Output;
    auto drive = Image("Q: " + Quote(iso));
    EXPECT_EQ(drive.Code, 3) << drive.Output;
    EXPECT_NE(drive.Output.find("no disc or drive at Q:"), std::string::npos) << drive.Output;
    EXPECT_FALSE(fs::exists(iso));
}

TEST_F(Cli, AVirtualDriveThatCannotBeSetUpStopsBeforeAnyJob) {
    const std::string iso = T.Path("out.iso");
    auto r = RunTool(Env + CliCmd() + " --virtual Q=no-such-kind image Q: " + Quote(iso));
    EXPECT_EQ(r.Code, 4) << r.Output;
    EXPECT_FALSE(fs::exists(iso));
}

TEST_F(Cli, WriteFailuresEndWithTheEngineTextAndExit1) {
    auto full = Image(Quote(T.Path("src")) + " /dev/full");
    EXPECT_EQ(full.Code, 1) << full.Output;
    EXPECT_NE(full.Output.find("CAN'T WRITE FILE \"/dev/full\": No space left on device"), std::string::npos)
        << full.Output;

    const std::string nowhere = T.Path("missing/folder/out.iso");
    auto create = Image(Quote(T.Path("src")) + " " + Quote(nowhere));
    EXPECT_EQ(create.Code, 1);
    EXPECT_NE(create.Output.find("CAN'T CREATE FILE \"" + nowhere + "\": No such file or directory"), std::string::npos)
        << create.Output;

    // A folder as the output: refused before the job, nothing left in or beside it.
    fs::create_directories(T.Path("folder.iso"));
    auto folder = Image(Quote(T.Path("src")) + " " + Quote(T.Path("folder.iso")));
    EXPECT_EQ(folder.Code, 1) << folder.Output;
    EXPECT_NE(folder.Output.find("CAN'T CREATE FILE \"" + T.Path("folder.iso") + "\": IT IS A FOLDER"), std::string::npos)
        << folder.Output;
    EXPECT_EQ(folder.Output.find("PARTIAL"), std::string::npos) << folder.Output;
    EXPECT_TRUE(fs::is_empty(T.Path("folder.iso")));
    EXPECT_FALSE(fs::exists(T.Path("folder.iso.incomplete")));

    // A file-size limit below the image's size (the image is padded to 300 sectors, 600 KiB).
    const std::string limited = T.Path("limited.iso");
    auto limit = RunTool("ulimit -f 256; " + Env + CliCmd() + " image " + Quote(T.Path("src")) + " " + Quote(limited));
    EXPECT_EQ(limit.Code, 1) << limit.Output;
    EXPECT_NE(limit.Output.find("CAN'T WRITE FILE"), std::string::npos) << limit.Output;
}

TEST_F(Cli, SettingsFileAndOptionsReachTheImage) {
    const std::string withJoliet = T.Path("j.iso"), without = T.Path("nj.iso"), fromSettings = T.Path("s.iso");
    ASSERT_EQ(Image("-q --volume-id 'My Disc' --publisher Tarnwick " + Quote(T.Path("src")) + " " + Quote(withJoliet)).Code, 0);
    const std::string pvd = Sector(withJoliet, 16);
    EXPECT_EQ(pvd.substr(1, 5), "CD001");
    EXPECT_EQ(pvd.substr(40, 32), "MY DISC" + std::string(25, ' ')); // upper case, space-filled
    EXPECT_EQ(pvd.substr(318, 8), "TARNWICK");
    EXPECT_EQ(uint8_t(Sector(withJoliet, 17)[0]), 2); // the Joliet descriptor

    ASSERT_EQ(Image("-q --no-joliet " + Quote(T.Path("src")) + " " + Quote(without)).Code, 0);
    EXPECT_EQ(uint8_t(Sector(without, 17)[0]), 255); // straight to the terminator

    std::ofstream(T.Path("config/ZKT_CDDVDBurn.ini")) << "[Options]\r\nJolietFS=0\r\n";
    ASSERT_EQ(Image("-q " + Quote(T.Path("src")) + " " + Quote(fromSettings)).Code, 0);
    EXPECT_EQ(uint8_t(Sector(fromSettings, 17)[0]), 255);
}

TEST_F(Cli, ProgressOutsideATerminalIsPlainLines) {
    auto r = Image(Quote(T.Path("src")) + " " + Quote(T.Path("p.iso")));
    EXPECT_EQ(r.Code, 0) << r.Output;
    EXPECT_EQ(r.Output.find('\r'), std::string::npos);
    EXPECT_EQ(r.Output.find("\033["), std::string::npos);
    EXPECT_NE(r.Output.find("Image: " + T.Path("p.iso")), std::string::npos);
}
