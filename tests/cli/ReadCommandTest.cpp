// tarnwick-cli read, verify and copy against emulated drives: the image that lands, the lines
// printed, and the exit codes of a verify mismatch (6) and of sectors skipped as zeros (7).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSectors = 640;

class ReadCli : public ::testing::Test {
protected:
    void SetUp() override {
        T.Dir("config");
        T.Dir("temp");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        Bytes.assign(kSectors * 2048, '\0');
        uint32_t x = 777;
        for (auto& c : Bytes) {
            x = x * 1103515245u + 12345u;
            c = char(x >> 24);
        }
        T.File("image.iso", Bytes);
    }
    TToolRun Cli(const std::string& drives, const std::string& args) {
        return RunTool(Env + Quote(CliPath()) + " " + drives + " " + args);
    }
    std::string Pressed(const std::string& options = "") {
        return "--virtual " + Quote("E=dvd-rom" + options + ":" + T.Path("image.iso"));
    }
    std::string Read(const std::string& path) {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    bool Same(const std::string& a, const std::string& b) { return RunTool("cmp " + Quote(a) + " " + Quote(b)).Code == 0; }
    std::vector<fs::path> TempFiles() {
        std::vector<fs::path> files;
        for (const auto& e : fs::directory_iterator(T.Path("temp"))) files.push_back(e.path());
        return files;
    }
    TTempTree T;
    std::string Env;
    std::string Bytes;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

} // namespace

TEST_F(ReadCli, ReadCopiesThePressedDiscAndVerifyComparesItWithAnImage) {
    auto r = Cli(Pressed(), "read E " + Quote(T.Path("copy.iso")));
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> READING 640 SECTORS")) << r.Output;
    EXPECT_TRUE(Same(T.Path("image.iso"), T.Path("copy.iso")));

    auto same = Cli(Pressed(), "verify " + Quote(T.Path("copy.iso")) + " --device E");
    EXPECT_EQ(same.Code, 0) << same.Output;
    EXPECT_TRUE(Has(same.Output, ">>> VERIFIED 640 SECTORS")) << same.Output;

    // Two sectors changed: named from the first, counted, and exit code 6.
    std::string changed = Bytes;
    changed[123 * 2048 + 7] ^= 0x01;
    changed[500 * 2048] ^= 0x80;
    T.File("changed.iso", changed);
    auto differs = Cli(Pressed(), "verify -q " + Quote(T.Path("changed.iso")) + " --device E");
    EXPECT_EQ(differs.Code, 6) << differs.Output;
    EXPECT_TRUE(Has(differs.Output, "VERIFY FAILED AT SECTOR 123 (2 SECTORS DIFFER)")) << differs.Output;
}

TEST_F(ReadCli, UnreadableSectorsStopTheReadOrAreSkippedWithExitCode7) {
    auto stopped = Cli(Pressed("+unreadable=200-202"), "read -q E " + Quote(T.Path("copy.iso")) + " --retries 1");
    EXPECT_EQ(stopped.Code, 1) << stopped.Output;
    EXPECT_TRUE(Has(stopped.Output, "UNREADABLE SECTOR 200")) << stopped.Output;

    auto skipped =
        Cli(Pressed("+unreadable=200-202"), "read E " + Quote(T.Path("skip.iso")) + " --retries 1 --skip-unreadable");
    EXPECT_EQ(skipped.Code, 7) << skipped.Output;
    EXPECT_TRUE(Has(skipped.Output, "UNREADABLE SECTORS 200-202 WRITTEN AS ZEROS")) << skipped.Output;
    const std::string image = Read(T.Path("skip.iso"));
    ASSERT_EQ(image.size(), Bytes.size());
    EXPECT_EQ(image.substr(200 * 2048, 3 * 2048), std::string(3 * 2048, '\0'));
    EXPECT_EQ(image.substr(0, 200 * 2048), Bytes.substr(0, 200 * 2048));
    EXPECT_EQ(image.substr(203 * 2048), Bytes.substr(203 * 2048));

    // A sector that recovers within the retries reads correctly, with exit code 0.
    auto recovered = Cli(Pressed("+unreadable=300/2"), "read -q E " + Quote(T.Path("rec.iso")) + " --retries 3");
    EXPECT_EQ(recovered.Code, 0) << recovered.Output;
    EXPECT_TRUE(Same(T.Path("image.iso"), T.Path("rec.iso")));
}

TEST_F(ReadCli, CopyBurnsTheDiscOntoTheRecorderVerifiesAndDeletesItsTemporaryImage) {
    const std::string drives = Pressed() + " --virtual " + Quote("R=dvd-r:" + T.Path("disc.bin"));
    auto r = Cli(drives, "copy E --device R --verify --temp-folder " + Quote(T.Path("temp")));
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> VERIFIED 640 SECTORS")) << r.Output;
    EXPECT_TRUE(Same(T.Path("image.iso"), T.Path("disc.bin")));
    EXPECT_TRUE(TempFiles().empty());
}

TEST_F(ReadCli, AFailedCopyKeepsTheImageAndSaysWhereItIs) {
    const std::string drives = Pressed() + " --virtual " + Quote("R=dvd-r+medium-error=100:" + T.Path("disc.bin"));
    auto r = Cli(drives, "copy -q E --device R --temp-folder " + Quote(T.Path("temp")));
    EXPECT_EQ(r.Code, 1) << r.Output;
    const auto kept = TempFiles();
    ASSERT_EQ(kept.size(), 1u) << r.Output;
    EXPECT_TRUE(Has(r.Output, "the image read so far is kept at " + kept.front().string())) << r.Output;
    EXPECT_TRUE(Same(T.Path("image.iso"), kept.front().string()));

    // No such recorder: the read image is kept as well.
    fs::remove(kept.front());
    auto noRecorder = Cli(Pressed(), "copy -q E --device Q --temp-folder " + Quote(T.Path("temp")));
    EXPECT_EQ(noRecorder.Code, 4) << noRecorder.Output;
    EXPECT_TRUE(Has(noRecorder.Output, "no CD/DVD drive \"Q\"")) << noRecorder.Output;
    EXPECT_EQ(TempFiles().size(), 1u);
}

TEST_F(ReadCli, WithOneDriveTheCopyEjectsAsksForABlankDiscAndCanBeCancelled) {
    // The drive's disc: the image burned onto a DVD-R first.
    const std::string drive = "--virtual " + Quote("R=dvd-r:" + T.Path("disc.bin"));
    ASSERT_EQ(Cli(drive, "burn -q " + Quote(T.Path("image.iso")) + " --device R").Code, 0);
    // Runs in the background until the prompt shows, then gets Ctrl-C.
    const std::string out = T.Path("out.txt");
    const std::string script = "set -m; " + Env + Quote(CliPath()) + " " + drive + " copy -q R --device R --temp-folder " +
                               Quote(T.Path("temp")) + " >" + Quote(out) + " 2>&1 & pid=$!; " +
                               "for i in $(seq 300); do grep -q 'Insert a blank disc' " + Quote(out) +
                               " && break; sleep 0.1; done; sleep 0.5; kill -INT $pid; wait $pid; echo rc=$?";
    auto r = RunTool("bash -c " + Quote(script));
    const std::string output = Read(out);
    EXPECT_TRUE(Has(r.Output, "rc=5")) << r.Output << output;
    EXPECT_TRUE(Has(output, "Insert a blank disc into 1:0:0,R: ")) << output;
    EXPECT_TRUE(Has(output, "no blank disc was inserted")) << output;
    const auto kept = TempFiles();
    ASSERT_EQ(kept.size(), 1u) << output;
    EXPECT_TRUE(Has(output, "kept at " + kept.front().string())) << output;
    EXPECT_TRUE(Same(T.Path("image.iso"), kept.front().string()));
}

TEST_F(ReadCli, WithOneDriveTheCopyBurnsTheBlankDiscPutInAfterTheEject) {
    ASSERT_EQ(Cli("--virtual " + Quote("R=dvd-r:" + T.Path("disc.bin")),
                  "burn -q " + Quote(T.Path("image.iso")) + " --device R")
                  .Code,
              0);
    // The user takes the copied disc out and puts a blank one in three seconds later.
    auto r = Cli("--virtual " + Quote("R=dvd-r+swap=3000:" + T.Path("disc.bin")),
                 "copy R --device R --verify --temp-folder " + Quote(T.Path("temp")));
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_TRUE(Has(r.Output, "Insert a blank disc into 1:0:0,R: ")) << r.Output;
    EXPECT_TRUE(Has(r.Output, ">>> VERIFIED 640 SECTORS")) << r.Output;
    EXPECT_TRUE(Same(T.Path("image.iso"), T.Path("disc.bin.swap")));
    EXPECT_TRUE(TempFiles().empty());
}
