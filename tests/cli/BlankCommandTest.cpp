// tarnwick-cli blank and burn --blank on emulated recorders: the exit codes, the messages,
// what the disc holds afterwards, and the progress line following the drive during an erase.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string Pattern(size_t sectors, uint32_t seed) {
    std::string bytes(sectors * 2048, '\0');
    for (auto& c : bytes) {
        seed = seed * 1103515245u + 12345u;
        c = char(seed >> 24);
    }
    return bytes;
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class BlankCli : public ::testing::Test {
protected:
    void SetUp() override {
        T.Dir("config");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
        T.File("one.iso", Pattern(320, 1));
        T.File("two.iso", Pattern(320, 2));
    }
    std::string Cli(const std::string& kind) const {
        return Env + Quote(CliPath()) + " --virtual " + Quote("R=" + kind + ":" + T.Path("disc.bin"));
    }
    TToolRun Burn(const std::string& kind, const std::string& image, const std::string& args = "") {
        return RunTool(Cli(kind) + " burn --no-eject " + Quote(T.Path(image)) + " --device R: " + args);
    }
    TToolRun Blank(const std::string& kind, const std::string& args = "") {
        return RunTool(Cli(kind) + " blank --device R: " + args);
    }
    std::string Disc() const {
        std::ifstream f(T.Path("disc.bin"), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    bool DiscStartsWith(const std::string& image) const {
        std::ifstream f(T.Path(image), std::ios::binary);
        const std::string bytes(std::istreambuf_iterator<char>(f), {});
        return Disc().compare(0, bytes.size(), bytes) == 0;
    }
    TTempTree T;
    std::string Env;
};

class UsedRewritable : public BlankCli, public ::testing::WithParamInterface<const char*> {};

TEST_P(UsedRewritable, IsRefusedWithTheWayOutThenBlankedAndBurnedAgainOrBothInOneGo) {
    const std::string kind = GetParam();
    auto first = Burn(kind, "one.iso");
    ASSERT_EQ(first.Code, 0) << first.Output;
    ASSERT_TRUE(DiscStartsWith("one.iso"));

    // A second burn without an erase writes nothing and names both ways out.
    const std::string before = Disc();
    auto refused = Burn(kind, "two.iso");
    EXPECT_EQ(refused.Code, 1) << refused.Output;
    EXPECT_TRUE(Has(refused.Output, "THE DISC IS NOT BLANK: ERASE IT FIRST")) << refused.Output;
    EXPECT_TRUE(Has(refused.Output, "erase it first (tarnwick-cli blank, or burn --blank)")) << refused.Output;
    EXPECT_EQ(Disc(), before);

    auto blank = Blank(kind + "+erasems=200");
    ASSERT_EQ(blank.Code, 0) << blank.Output;
    EXPECT_TRUE(Has(blank.Output, "(MINIMAL)")) << blank.Output;
    EXPECT_FALSE(Has(blank.Output, "CANNOT BE USED")) << blank.Output;

    auto again = Burn(kind, "two.iso");
    ASSERT_EQ(again.Code, 0) << again.Output;
    EXPECT_TRUE(DiscStartsWith("two.iso"));

    // burn --blank: the erase and the burn in one run, the second job only after the first
    // has left the drive.
    auto both = Burn(kind + "+erasems=200", "one.iso", "--blank --full-blank");
    ASSERT_EQ(both.Code, 0) << both.Output;
    EXPECT_TRUE(Has(both.Output, "(FULL)")) << both.Output;
    EXPECT_TRUE(DiscStartsWith("one.iso"));
}

TEST_F(BlankCli, BurnWithBlankOnABlankDiscErasesNothing) {
    auto r = Burn("dvd-rw-seq", "one.iso", "--blank");
    ASSERT_EQ(r.Code, 0) << r.Output;
    EXPECT_FALSE(Has(r.Output, "ERASE")) << r.Output;
    EXPECT_TRUE(DiscStartsWith("one.iso"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, UsedRewritable, ::testing::Values("cd-rw", "dvd-rw-seq"));

TEST_F(BlankCli, AWriteOnceDiscIsRefusedBeforeTheEraseAndKeepsItsBytes) {
    for (const char* kind : {"cd-r", "dvd-r"}) {
        fs::remove(T.Path("disc.bin"));
        fs::remove(T.Path("disc.bin.state"));
        ASSERT_EQ(Burn(kind, "one.iso").Code, 0) << kind;
        const std::string before = Disc();
        auto r = Blank(kind, "--full");
        EXPECT_EQ(r.Code, 1) << kind << r.Output;
        // Refused before any erase starts, in plain words.
        EXPECT_TRUE(Has(r.Output, std::string("A ") + (kind[1] == 'd' ? "CD-R" : "DVD-R") + " CANNOT BE ERASED"))
            << r.Output;
        EXPECT_FALSE(Has(r.Output, "STARTING ERASE")) << r.Output;
        EXPECT_EQ(Disc(), before) << kind;
    }
}

TEST_F(BlankCli, BadUseExitsWithTheUsageOrSetupCode) {
    EXPECT_EQ(RunTool(Cli("cd-rw") + " blank").Code, 2);
    auto missing = RunTool(Cli("cd-rw") + " blank --device Q:");
    EXPECT_EQ(missing.Code, 4) << missing.Output;
    EXPECT_TRUE(Has(missing.Output, "no CD/DVD drive \"Q:\"")) << missing.Output;
}

TEST_F(BlankCli, TheProgressLineFollowsTheDrivesIndication) {
    if (!HaveTool("script")) GTEST_SKIP() << "no 'script' to give the tool a terminal";
    // A blank CD-RW takes a BLANK as well: the drive works and reports as for a used one.
    // On a terminal the line is rewritten as the drive's figure changes (about 4 s here, polled
    // every second).
    const std::string command = Cli("cd-rw+erasems=4500") + " blank --device R:";
    auto r = RunTool("script -qec " + Quote(command) + " /dev/null");
    ASSERT_EQ(r.Code, 0) << r.Output;
    std::set<double> seen;
    const std::regex figure(R"(Erasing  ([0-9]+\.[0-9])%)");
    for (auto it = std::sregex_iterator(r.Output.begin(), r.Output.end(), figure); it != std::sregex_iterator(); ++it)
        seen.insert(std::stod((*it)[1]));
    EXPECT_GE(seen.size(), 3u) << r.Output;
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(*seen.begin(), 50.0);
    EXPECT_GT(*seen.rbegin(), *seen.begin());
}

} // namespace
