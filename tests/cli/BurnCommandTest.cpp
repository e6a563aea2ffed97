// tarnwick-cli burn onto emulated recorders: what lands on the disc, the settings file and
// the options, and the failures that must not exit with 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class BurnCli : public ::testing::Test {
protected:
    void SetUp() override {
        T.Dir("config");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        std::string bytes(640 * 2048, '\0');
        uint32_t x = 12345;
        for (auto& c : bytes) {
            x = x * 1103515245u + 12345u;
            c = char(x >> 24);
        }
        T.File("image.iso", bytes);
    }
    TToolRun Burn(const std::string& kind, const std::string& args) {
        return RunTool(Env + Quote(CliPath()) + " --virtual " + Quote("R=" + kind + ":" + T.Path("disc.bin")) +
                       " burn " + Quote(T.Path("image.iso")) + " " + args);
    }
    std::string State() {
        std::ifstream f(T.Path("disc.bin.state"));
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    bool DiscHoldsTheImage() { return RunTool("cmp " + Quote(T.Path("image.iso")) + " " + Quote(T.Path("disc.bin"))).Code == 0; }
    TTempTree T;
    std::string Env;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST_F(BurnCli, BurnsTheImageOntoTheDiscByLetterOrDeviceStringAndExitsWith0) {
    auto r = Burn("dvd-r", "--device R:");
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> SELECTING 1:0:0,R: ")) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> STARTING WRITE PROCESS ON DVD-R AT 16.0X (22,160 KB/s)")) << r.Output;
    EXPECT_TRUE(DiscHoldsTheImage());
    EXPECT_TRUE(Has(State(), "closed-sessions 1")) << State();

    fs::remove(T.Path("disc.bin"));
    fs::remove(T.Path("disc.bin.state"));
    auto byString = Burn("cd-r", "--device '1:0:0,R: TARNWICKDVD RECORDER    1.00' --close-disc");
    ASSERT_EQ(byString.Code, 0) << byString.Output;
    EXPECT_TRUE(DiscHoldsTheImage());
    EXPECT_TRUE(Has(State(), "finalized 1")) << State();
}

TEST_F(BurnCli, TestWriteFromTheOptionOrTheSettingsFileRecordsNothing) {
    auto r = Burn("cd-r", "--device R --test-write");
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> TEST/DUMMY WRITE")) << r.Output;
    EXPECT_FALSE(DiscHoldsTheImage());
    EXPECT_TRUE(Has(State(), "recorded-end 0")) << State();

    T.File("config/ZKT_CDDVDBurn.ini", "[Options]\nTestWrite=1\n");
    auto fromSettings = Burn("cd-r", "--device R");
    ASSERT_EQ(fromSettings.Code, 0) << fromSettings.Output;
    EXPECT_TRUE(Has(fromSettings.Output, ">>> TEST/DUMMY WRITE")) << fromSettings.Output;
    EXPECT_TRUE(Has(State(), "recorded-end 0")) << State();
}

// A test write asked for in a pipe, a FIFO or with a trailing comment stays a test write; a
// value that cannot be read is named with the value used instead.
TEST_F(BurnCli, TestWriteFromAPipeAFifoOrACommentedValueIsNotDropped) {
    const std::string cli = Quote(CliPath()) + " --virtual " + Quote("R=cd-r:" + T.Path("disc.bin")) + " burn " +
                            Quote(T.Path("image.iso")) + " --device R --settings ";
    auto pipe = RunTool(Env + "bash -c " + Quote(cli + "<(printf '[Options]\\nTestWrite=1\\n')"));
    ASSERT_EQ(pipe.Code, 0) << pipe.Output;
    EXPECT_TRUE(Has(pipe.Output, ">>> TEST/DUMMY WRITE")) << pipe.Output;

    ASSERT_EQ(RunTool("mkfifo " + Quote(T.Path("fifo.ini"))).Code, 0);
    // The writer comes a moment after the reader opened the FIFO.
    auto fifo = RunTool("(sleep 1; printf '[Options]\\nTestWrite=1\\n' > " + Quote(T.Path("fifo.ini")) + ") & " +
                        Env + cli + Quote(T.Path("fifo.ini")));
    ASSERT_EQ(fifo.Code, 0) << fifo.Output;
    EXPECT_TRUE(Has(fifo.Output, ">>> TEST/DUMMY WRITE")) << fifo.Output;

    T.File("commented.ini", "[Options]\nTestWrite=1 ; rehearse first\nCloseDisc=yes\n");
    auto commented = RunTool(Env + cli + Quote(T.Path("commented.ini")));
    ASSERT_EQ(commented.Code, 0) << commented.Output;
    EXPECT_TRUE(Has(commented.Output, ">>> TEST/DUMMY WRITE")) << commented.Output;
    EXPECT_TRUE(Has(commented.Output, "warning: settings key CloseDisc: \"yes\" is not a number; using 0")) << commented.Output;
    EXPECT_FALSE(Has(commented.Output, "TestWrite:")) << commented.Output;
    EXPECT_TRUE(Has(State(), "recorded-end 0")) << State();

    auto folder = RunTool(Env + cli + Quote(T.Path("config")));
    EXPECT_EQ(folder.Code, 2) << folder.Output;
    EXPECT_TRUE(Has(folder.Output, "settings file \"" + T.Path("config") + "\" is a folder")) << folder.Output;
}

TEST_F(BurnCli, FailuresExitWithoutZero) {
    auto noDrive = Burn("dvd-r", "--device Q");
    EXPECT_EQ(noDrive.Code, 4) << noDrive.Output;
    EXPECT_TRUE(Has(noDrive.Output, "no CD/DVD drive \"Q\"")) << noDrive.Output;

    auto noImage = RunTool(Env + Quote(CliPath()) + " --virtual R=dvd-r burn -q " + Quote(T.Path("missing.iso")) +
                           " --device R");
    EXPECT_EQ(noImage.Code, 1) << noImage.Output;
    EXPECT_TRUE(Has(noImage.Output, "CAN'T OPEN FILE \"" + T.Path("missing.iso") + "\"")) << noImage.Output;

    // A disc too small for the image: the drive's own error, exit 1.
    auto small = RunTool(Env + Quote(CliPath()) + " --virtual R=dvd+rw+capacity=300 burn -q " +
                         Quote(T.Path("image.iso")) + " --device R");
    EXPECT_EQ(small.Code, 1) << small.Output;
    EXPECT_TRUE(Has(small.Output, "WRITER ERROR [ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)]")) << small.Output;

    // A pressed disc in the recorder: refused before anything is written.
    auto pressed = RunTool(Env + Quote(CliPath()) + " --virtual R=dvd-rom burn -q " + Quote(T.Path("image.iso")) +
                           " --device R");
    EXPECT_EQ(pressed.Code, 1) << pressed.Output;
    EXPECT_TRUE(Has(pressed.Output, "THE DVD-ROM IN THE DRIVE CANNOT BE RECORDED: NOTHING WAS WRITTEN. INSERT A BLANK "
                                    "RECORDABLE DISC"))
        << pressed.Output;

    EXPECT_EQ(RunTool(Quote(CliPath()) + " burn image.iso").Code, 2) << "no --device";
}

TEST_F(BurnCli, FaultsOfTheVirtualDefinitionRehearseAFailingBurn) {
    auto medium = Burn("dvd-r+medium-error=300", "--device R");
    EXPECT_EQ(medium.Code, 1) << medium.Output;
    EXPECT_TRUE(Has(medium.Output, "WRITER ERROR [MEDIUM ERROR (WRITE ERROR)]")) << medium.Output;

    // Busy for a few writes: retried every 600 ms, and the burn succeeds.
    fs::remove(T.Path("disc.bin"));
    fs::remove(T.Path("disc.bin.state"));
    auto busy = Burn("cd-r+busy=2", "--device R");
    EXPECT_EQ(busy.Code, 0) << busy.Output;
    EXPECT_TRUE(DiscHoldsTheImage());

    fs::remove(T.Path("disc.bin"));
    fs::remove(T.Path("disc.bin.state"));
    auto gone = Burn("dvd+r+vanish=50", "--device R");
    EXPECT_EQ(gone.Code, 1) << gone.Output;
    EXPECT_TRUE(Has(gone.Output, "WRITER ERROR [NO DEVICE]")) << gone.Output;
}

TEST_F(BurnCli, ATestWriteOnADvdPlusRIsRefusedAndRecordsNothing) {
    auto r = Burn("dvd+r", "--device R --test-write");
    EXPECT_EQ(r.Code, 1) << r.Output;
    EXPECT_TRUE(Has(r.Output, "TEST/DUMMY WRITE IS NOT POSSIBLE ON DVD+R: NOTHING WAS WRITTEN")) << r.Output;
    EXPECT_FALSE(DiscHoldsTheImage());
}
