// tarnwick-cli image with sources that used to lose data without a word: the output among
// the sources, names that collide or do not fit, backslashes, two jobs on one output,
// summer dates, and settings files that are not files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string CliCmd() { return Quote(CliPath()); }

std::string ReadAll(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

// Regular files an extraction produced, as paths relative to its folder.
std::set<std::string> FilesUnder(const std::string& root) {
    std::set<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) out.insert(fs::relative(e.path(), root).string());
    return out;
}

class ImageMends : public ::testing::Test {
protected:
    void SetUp() override {
        T.Dir("config");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
    }
    // wrap: a command that runs the tool (faketime, timeout), put before it.
    TToolRun Image(const std::string& source, const std::string& out, const std::string& wrap = "") {
        return RunTool(Env + wrap + CliCmd() + " image -q " + Quote(source) + " " + Quote(out));
    }
    std::string Made(const std::string& rel) {
        T.Dir(rel);
        return T.Path(rel);
    }
    TTempTree T;
    std::string Env;
};

} // namespace

TEST_F(ImageMends, TheOutputAmongTheSourcesIsLeftOutAndTheOthersStayWhole) {
    T.File("s/a.txt", std::string(300000, 'a'));
    T.File("s/zz.bin", std::string(3 << 20, 'z')); // listed last: read late in the job
    const std::string out = T.Path("s/zz.bin");
    auto r = Image(T.Path("s"), out);
    EXPECT_EQ(r.Code, 8) << r.Output;
    EXPECT_NE(r.Output.find("THE IMAGE FILE ITSELF, LEFT OUT: \"" + out + "\""), std::string::npos) << r.Output;
    ASSERT_EQ(RunTool("bsdtar -xf " + Quote(out) + " -C " + Quote(Made("x"))).Code, 0);
    EXPECT_EQ(FilesUnder(T.Path("x")), (std::set<std::string>{"a.txt"}));
    EXPECT_EQ(ReadAll(T.Path("x/a.txt")), std::string(300000, 'a'));
    // A new output inside the source folder is simply an image of the rest.
    auto fresh = Image(T.Path("s"), T.Path("s/new.iso"));
    EXPECT_EQ(fresh.Code, 0) << fresh.Output;
    EXPECT_EQ(fresh.Output.find("LEFT OUT"), std::string::npos) << fresh.Output;
}

TEST_F(ImageMends, EveryFileStaysReachableWithNamesThatCollideOrDoNotFit) {
    T.File("s/a\xF0\x9F\x98\x80.txt", "1");
    T.File("s/a\xF0\x9F\x98\x81.txt", "2");
    T.File("s/caf\xE9.txt", "3");  // Latin-1 bytes, not UTF-8
    T.File("s/caf\xE8.txt", "4");
    T.File("s/...", "5");
    T.File("s/readme", "6");
    T.File("s/" + std::string(110, 'n') + ".txt", "7");
    T.File("s/" + std::string(120, 'n') + ".txt", "8");
    T.File("s/" + std::string(251, 'm') + ".txt", "9");
    T.File("s/a\\b/in1.txt", "10"); // one folder whose name holds a backslash
    T.File("s/a/b/in2.txt", "11");  // and a folder a with a sub-folder b
    for (bool joliet : {true, false}) {
        const std::string out = T.Path(joliet ? "j.iso" : "n.iso");
        auto r = RunTool(Env + CliCmd() + " image -q " + std::string(joliet ? "" : "--no-joliet ") +
                         Quote(T.Path("s")) + " " + Quote(out));
        EXPECT_EQ(r.Code, 8) << r.Output;
        EXPECT_NE(r.Output.find("Entries left out or renamed"), std::string::npos) << r.Output;
        EXPECT_NE(r.Output.find("NAME HOLDS A BACKSLASH, CHANGED: \"" + T.Path("s/a\\b") + "\""), std::string::npos)
            << r.Output;
        // bsdtar and 7z extract every file once, each with its own contents.
        const std::string bx = Made(joliet ? "bj" : "bn"), sx = Made(joliet ? "zj" : "zn");
        ASSERT_EQ(RunTool("bsdtar -xf " + Quote(out) + " -C " + Quote(bx)).Code, 0);
        ASSERT_EQ(RunTool("7z x -y -o" + Quote(sx) + " " + Quote(out)).Code, 0);
        for (const std::string& dir : {bx, sx}) {
            std::multiset<std::string> contents;
            for (const auto& f : FilesUnder(dir)) contents.insert(ReadAll(dir + "/" + f));
            EXPECT_EQ(contents, (std::multiset<std::string>{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11"}))
                << dir;
        }
        // xorriso sees eleven files, a folder a holding b, and the backslash folder beside it.
        auto x = RunTool("xorriso -indev " + Quote(out) + " -find / -type f 2>/dev/null | grep -c \"^'/\"");
        EXPECT_EQ(x.Output, "11\n") << x.Output;
        auto iso = RunTool("isoinfo -f -i " + Quote(out));
        EXPECT_NE(iso.Output.find("/README.;1"), std::string::npos) << iso.Output;
        EXPECT_NE(iso.Output.find("/A/B/IN2.TXT;1"), std::string::npos) << iso.Output;
    }
}

TEST_F(ImageMends, TwoJobsOnOneOutputGiveOneWholeImage) {
    T.File("one/first.bin", std::string(20 << 20, '1'));
    T.File("two/second.bin", std::string(20 << 20, '2'));
    const std::string out = T.Path("same.iso");
    TToolRun a, b;
    std::thread ta([&] { a = Image(T.Path("one"), out); });
    std::thread tb([&] { b = Image(T.Path("two"), out); });
    ta.join();
    tb.join();
    EXPECT_EQ(a.Code, 0) << a.Output;
    EXPECT_EQ(b.Code, 0) << b.Output;
    ASSERT_EQ(RunTool("bsdtar -xf " + Quote(out) + " -C " + Quote(Made("x"))).Code, 0);
    const auto files = FilesUnder(T.Path("x"));
    ASSERT_EQ(files.size(), 1u);
    const std::string name = *files.begin();
    EXPECT_EQ(ReadAll(T.Path("x/" + name)), std::string(20 << 20, name == "first.bin" ? '1' : '2'));
    // No leftovers beside it.
    for (auto& e : fs::directory_iterator(T.Path("")))
        EXPECT_EQ(e.path().string().find(".writing"), std::string::npos) << e.path();
}

TEST_F(ImageMends, ASummerDateIsItsOwnMomentInEitherSeason) {
    T.File("s/f.txt", "x");
    T.File("s/w.txt", "y");
    // July 1st 12:00 UTC, and February 1st 12:00 UTC.
    struct timeval summer[2] = {{1782907200, 0}, {1782907200, 0}};
    struct timeval winter[2] = {{1769947200, 0}, {1769947200, 0}};
    ASSERT_EQ(utimes(T.Path("s/f.txt").c_str(), summer), 0);
    ASSERT_EQ(utimes(T.Path("s/w.txt").c_str(), winter), 0);
    // Imaged in winter and in summer under a zone with daylight saving: readers convert each
    // record with its zone byte and must find the file's moment; the folder's own date is the
    // moment of the job.
    const struct {
        const char* Clock;
        const char* Job; // the job's moment in UTC, as xorriso lists it
    } seasons[] = {{"2026-12-09 10:00:00", "Dec  9 09:00"}, {"2026-07-15 10:00:00", "Jul 15 08:00"}};
    for (const auto& season : seasons) {
        const std::string out = T.Path(std::string("d-") + season.Clock[5] + season.Clock[6] + ".iso");
        auto r = Image(T.Path("s"), out,
                       std::string("TZ=Europe/Berlin FAKETIME_DONT_FAKE_MONOTONIC=1 faketime '") + season.Clock + "' ");
        ASSERT_EQ(r.Code, 0) << r.Output;
        // xorriso lists the time of day only for dates near its own clock: the job's clock.
        auto ls = RunTool(std::string("TZ=UTC FAKETIME_DONT_FAKE_MONOTONIC=1 faketime '") + season.Clock +
                          "' xorriso -indev " + Quote(out) + " -lsdl / /f.txt /w.txt 2>/dev/null");
        EXPECT_NE(ls.Output.find("Jul  1 12:00 '/f.txt'"), std::string::npos) << season.Clock << "\n" << ls.Output;
        // (Imaged in December, February lies too far back for xorriso to show the time.)
        if (season.Clock[6] == '7')
            EXPECT_NE(ls.Output.find("Feb  1 12:00 '/w.txt'"), std::string::npos) << season.Clock << "\n" << ls.Output;
        EXPECT_NE(ls.Output.find(std::string(season.Job) + " '/'"), std::string::npos)
            << season.Clock << "\n" << ls.Output;
    }
}

TEST_F(ImageMends, SettingsThatAreNoFileAreNotReadAndAMissingOneIsAUsageError) {
    T.File("s/a.txt", "a");
    fs::create_symlink("/dev/zero", T.Path("config/ZKT_CDDVDBurn.ini"));
    // The address limit catches unbounded growth; AddressSanitizer's shadow memory needs far more.
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 1000000; ";
#endif
    auto r = RunTool(limit + Env + "timeout 60 " + CliCmd() + " image -q " + Quote(T.Path("s")) +
                     " " + Quote(T.Path("o.iso")));
    EXPECT_EQ(r.Code, 0) << r.Output;
    auto missing = RunTool(Env + CliCmd() + " burn -d /dev/sr99 --settings " + Quote(T.Path("no-such.ini")) + " " +
                           Quote(T.Path("o.iso")));
    EXPECT_EQ(missing.Code, 2) << missing.Output;
    EXPECT_NE(missing.Output.find("settings file not found"), std::string::npos) << missing.Output;
    // Every command that takes the option, before it looks for a drive.
    const std::string none = " --settings " + Quote(T.Path("no-such.ini"));
    for (const std::string& args : {"read /dev/sr99 " + Quote(T.Path("r.iso")) + none,
                                    "verify -d /dev/sr99 " + Quote(T.Path("o.iso")) + none,
                                    "copy /dev/sr99 -d /dev/sr99" + none}) {
        auto r2 = RunTool(Env + CliCmd() + " " + args);
        EXPECT_EQ(r2.Code, 2) << args << "\n" << r2.Output;
        EXPECT_NE(r2.Output.find("settings file not found"), std::string::npos) << r2.Output;
    }
    // One that is there is no usage error.
    T.File("config/plain.ini", "[Options]\nJolietFS=0\n");
    auto given = RunTool(Env + CliCmd() + " verify -d /dev/sr99 " + Quote(T.Path("o.iso")) + " --settings " +
                         Quote(T.Path("config/plain.ini")));
    EXPECT_NE(given.Code, 2) << given.Output;
}

TEST_F(ImageMends, ATrailingBackslashIsPartOfTheSourceFoldersName) {
    T.File("s/a\\/in.txt", "with");  // a folder named "a\"
    T.File("s/a/other.txt", "without");
    auto r = Image(T.Path("s/a\\"), T.Path("o.iso"));
    ASSERT_EQ(r.Code, 0) << r.Output;
    ASSERT_EQ(RunTool("bsdtar -xf " + Quote(T.Path("o.iso")) + " -C " + Quote(Made("x"))).Code, 0);
    EXPECT_EQ(FilesUnder(T.Path("x")), (std::set<std::string>{"in.txt"}));
    // Without such a folder the path names nothing, not the folder "a".
    T.File("t/a/other.txt", "without");
    auto missing = Image(T.Path("t/a\\"), T.Path("p.iso"));
    EXPECT_EQ(missing.Code, 3) << missing.Output;
    EXPECT_FALSE(fs::exists(T.Path("p.iso")));
}
