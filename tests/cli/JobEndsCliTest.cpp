// Jobs that end as they should in hostile situations: a signal during a run of bad sectors,
// a working file a killed job left, verify and copy against discs that do not fit the image,
// a virtual drive over a folder, two programs on one disc file, -q and standard output, and
// the erase refusals and usage errors.
#include <gtest/gtest.h>
#include <sys/file.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "support/RandomBytes.h"
#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

constexpr size_t kSectors = 640;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class JobEnds : public ::testing::Test {
protected:
    void SetUp() override {
        T.Dir("config");
        T.Dir("temp");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        Bytes = testsupport::RandomBytes(kSectors * 2048, 4242);
        T.File("image.iso", Bytes);
    }
    std::string Command(const std::string& drives, const std::string& args) const {
        return Env + Quote(CliPath()) + " " + drives + " " + args;
    }
    TToolRun Cli(const std::string& drives, const std::string& args) { return RunTool(Command(drives, args)); }
    std::string Pressed(const std::string& options = "") const {
        return "--virtual " + Quote("E=dvd-rom" + options + ":" + T.Path("image.iso"));
    }
    std::string Recorder(const std::string& disc, const std::string& options = "") const {
        return "--virtual " + Quote("R=dvd-r" + options + ":" + T.Path(disc));
    }
    // Runs the command in the background until its output holds `until`, then sends sig and
    // reports "rc=N ms=M" (M: milliseconds from the signal to the end).
    std::string SignalWhen(const std::string& command, const std::string& until, const std::string& sig) {
        const std::string out = T.Path("out.txt");
        const std::string script = "set -m; " + command + " >" + Quote(out) + " 2>&1 & pid=$!; " +
                                   "for i in $(seq 300); do grep -q " + Quote(until) + " " + Quote(out) +
                                   " && break; sleep 0.1; done; sleep 0.3; t=$(date +%s%N); kill -" + sig +
                                   " $pid; wait $pid; rc=$?; echo rc=$rc ms=$(( ($(date +%s%N) - t) / 1000000 ))";
        const auto r = RunTool("bash -c " + Quote(script));
        Log = Read(out);
        return r.Output;
    }
    std::string Read(const std::string& path) const {
        std::ifstream f(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    static int Millis(const std::string& report) { return std::stoi(report.substr(report.find("ms=") + 3)); }
    TTempTree T;
    std::string Env;
    std::string Bytes;
    std::string Log;
};

} // namespace

// Before: the signal waited for the cache to fill through every bad sector (minutes), and
// SIGHUP killed the process.
TEST_F(JobEnds, EverySignalEndsARunOfBadSectorsAtOnceWithExitCode5) {
    for (const char* sig : {"INT", "TERM", "HUP"}) {
        const std::string report = SignalWhen(
            Command(Pressed("+unreadable=100-299"), "read --skip-unreadable E " + Quote(T.Path("copy.iso"))),
            ">>> READING", sig);
        EXPECT_TRUE(Has(report, "rc=5 ")) << sig << ": " << report << Log;
        EXPECT_LT(Millis(report), 3000) << sig << ": " << report;
        EXPECT_TRUE(Has(Log, "OPERATION ABORTED BY USER")) << Log;
        EXPECT_FALSE(Has(Log, "Done")) << Log;
        EXPECT_FALSE(fs::exists(T.Path("copy.iso")));
    }
}

// Before: a working file no job held stayed for ever beside the output.
TEST_F(JobEnds, AWorkingFileLeftByAKilledJobIsTakenOverAndOneInUseIsLeftAlone) {
    T.File("copy.iso.writing1", "left by a killed job");
    auto r = Cli(Pressed(), "read -q E " + Quote(T.Path("copy.iso")));
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_EQ(Read(T.Path("copy.iso")), Bytes);
    EXPECT_FALSE(fs::exists(T.Path("copy.iso.writing1")));

    T.File("copy.iso.writing1", "held by a running job");
    const int held = ::open(T.Path("copy.iso.writing1").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    auto again = Cli(Pressed(), "read -q E " + Quote(T.Path("copy.iso")));
    ::close(held);
    ASSERT_EQ(again.Code, 0) << again.Output;
    EXPECT_EQ(Read(T.Path("copy.iso.writing1")), "held by a running job");
    EXPECT_FALSE(fs::exists(T.Path("copy.iso.writing2")));
}

// Before: "VERIFIED 0 SECTORS" (0), an UNREADABLE SECTOR (1) for a longer image and for a
// blank disc.
TEST_F(JobEnds, VerifyRefusesAnEmptyImageCountsSectorsPastTheDiscAndNamesABlankDisc) {
    T.File("empty.iso", "");
    auto empty = Cli(Pressed(), "verify -q " + Quote(T.Path("empty.iso")) + " -d E");
    EXPECT_EQ(empty.Code, 1) << empty.Output;
    EXPECT_TRUE(Has(empty.Output, "IS EMPTY")) << empty.Output;

    T.File("longer.iso", Bytes + std::string(3 * 2048, 'x'));
    auto longer = Cli(Pressed(), "verify -q " + Quote(T.Path("longer.iso")) + " -d E");
    EXPECT_EQ(longer.Code, 6) << longer.Output;
    EXPECT_TRUE(Has(longer.Output, "VERIFY FAILED AT SECTOR 640 (3 SECTORS DIFFER)")) << longer.Output;

    auto blank = Cli(Recorder("blank.bin"), "verify -q " + Quote(T.Path("image.iso")) + " -d R");
    EXPECT_EQ(blank.Code, 1) << blank.Output;
    EXPECT_TRUE(Has(blank.Output, "DISC IS BLANK")) << blank.Output;
}

// Before: the partial of a failed read was not named (its name ends in .incomplete); a disc
// that is not blank was waited for without a word.
TEST_F(JobEnds, CopyKeepsAFailedReadAndNamesADiscThatIsNotBlank) {
    // A disc larger than the cache, so that the read fails after the writer has begun.
    T.File("config/ZKT_CDDVDBurn.ini", "[Options]\nCacheSize=2097152\n");
    T.File("big.iso", Bytes + Bytes + Bytes);
    auto failed = Cli("--virtual " + Quote("E=dvd-rom+unreadable=1800:" + T.Path("big.iso")) + " " + Recorder("disc.bin"),
                      "copy -q E -d R --retries 0 --temp-folder " + Quote(T.Path("temp")));
    fs::remove(T.Path("config/ZKT_CDDVDBurn.ini"));
    EXPECT_EQ(failed.Code, 1) << failed.Output;
    ASSERT_EQ(std::distance(fs::directory_iterator(T.Path("temp")), {}), 1);
    const fs::path kept = fs::directory_iterator(T.Path("temp"))->path();
    EXPECT_TRUE(Has(failed.Output, "kept at " + kept.string())) << failed.Output;
    fs::remove(kept);

    // The disc put in after the eject is the one just read: named, and the wait goes on.
    ASSERT_EQ(Cli(Recorder("disc.bin"), "burn -q " + Quote(T.Path("image.iso")) + " -d R").Code, 0);
    ASSERT_EQ(Cli(Recorder("disc.bin.swap"), "burn -q " + Quote(T.Path("image.iso")) + " -d R").Code, 0);
    const std::string report = SignalWhen(
        Command(Recorder("disc.bin", "+swap=500"), "copy -q R -d R --temp-folder " + Quote(T.Path("temp"))),
        "is not blank", "INT");
    EXPECT_TRUE(Has(report, "rc=5 ")) << report << Log;
    EXPECT_TRUE(Has(Log, "The disc in 1:0:0,R: ")) << Log;
}

// Before: an image of zeros, and "VERIFIED" for the copy of it.
TEST_F(JobEnds, AVirtualDriveOverAFolderIsRefusedByReadVerifyAndCopy) {
    T.Dir("folder");
    T.File("folder/a.txt", "data");
    const std::string folder = "--virtual " + Quote("F=dvd-rom:" + T.Path("folder"));
    auto read = Cli(folder, "read -q F " + Quote(T.Path("zeros.iso")));
    EXPECT_EQ(read.Code, 3) << read.Output;
    EXPECT_TRUE(Has(read.Output, "is a folder")) << read.Output;
    EXPECT_FALSE(fs::exists(T.Path("zeros.iso")));
    auto copy = Cli(folder + " " + Recorder("disc.bin"), "copy -q F -d R --verify --temp-folder " + Quote(T.Path("temp")));
    EXPECT_EQ(copy.Code, 3) << copy.Output;
    EXPECT_FALSE(Has(copy.Output, "VERIFIED")) << copy.Output;
}

// Before: both burns ended with 0, and the disc held the second image only.
TEST_F(JobEnds, ASecondProgramIsRefusedTheDiscFileInUse) {
    const std::string script = "set -m; " + Command(Recorder("disc.bin", "+readyms=3000"), "burn -q " + Quote(T.Path("image.iso")) + " -d R") +
                               " >/dev/null 2>&1 & pid=$!; sleep 1; " +
                               Command(Recorder("disc.bin"), "burn -q " + Quote(T.Path("image.iso")) + " -d R") +
                               "; echo second=$?; wait $pid; echo first=$?";
    const auto r = RunTool("bash -c " + Quote(script));
    EXPECT_TRUE(Has(r.Output, "is in use")) << r.Output;
    EXPECT_TRUE(Has(r.Output, "second=4")) << r.Output;
    EXPECT_TRUE(Has(r.Output, "first=0")) << r.Output;
}

// Before: -q printed every ">>>" line, and the log went into an image on standard output.
TEST_F(JobEnds, QuietLeavesOutInformationAndStandardOutputCarriesOnlyTheImage) {
    auto quiet = Cli(Pressed(), "read -q E " + Quote(T.Path("copy.iso")));
    ASSERT_EQ(quiet.Code, 0) << quiet.Output;
    EXPECT_EQ(quiet.Output, "");
    const auto piped = RunTool("bash -c " + Quote(Command(Pressed(), "read E /dev/stdout") + " > " +
                                                  Quote(T.Path("piped.iso")) + " 2>" + Quote(T.Path("log.txt"))));
    ASSERT_EQ(piped.Code, 0) << Read(T.Path("log.txt"));
    EXPECT_EQ(Read(T.Path("piped.iso")), Bytes);
    EXPECT_TRUE(Has(Read(T.Path("log.txt")), ">>> READING 640 SECTORS"));
}

// Before: "ERASE OF UNKNOWN" with no disc; a tiny cache and a letter given twice accepted silently; "0.0X".
TEST_F(JobEnds, ClearRefusalsForAnEmptyDriveCacheSizeDriveLettersAndTheSpeedText) {
    auto empty = Cli("--virtual R=none", "blank -d R");
    EXPECT_EQ(empty.Code, 1) << empty.Output;
    EXPECT_TRUE(Has(empty.Output, "NO DISC IN DRIVE")) << empty.Output;
    EXPECT_FALSE(Has(empty.Output, "STARTING ERASE")) << empty.Output;

    for (const char* size : {"1", "0", "-1"})
        EXPECT_EQ(Cli(Recorder("new.bin"), "burn -q " + Quote(T.Path("image.iso")) + " -d R --cache-size=" + size).Code, 2)
            << size;
    EXPECT_EQ(Cli(Pressed() + " " + Pressed(), "devices").Code, 2);

    auto slow = Cli(Recorder("slow.bin"), "burn " + Quote(T.Path("image.iso")) + " -d R --write-speed 1");
    EXPECT_TRUE(Has(slow.Output, "AT 0.00072X (1 KB/s)")) << slow.Output;
}
