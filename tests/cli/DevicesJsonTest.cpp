// tarnwick-cli devices --json and --version as scripts read them: the document is read back by
// jq, an independent JSON parser, for no drive, one and several.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

class DevicesJson : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveTool("jq")) GTEST_SKIP() << "jq is not installed (scripts/setup installs it)";
        T.Dir("config");
        Env = "TARNWICK_CONFIG_DIR=" + Quote(T.Path("config")) + " ";
    }
    // Runs devices --json; the document must be all of standard output and valid JSON.
    void Devices(const std::string& args) {
        const std::string doc = T.Path("devices.json");
        auto r = RunTool(Env + Quote(CliPath()) + " devices --json " + args + " 2>" + Quote(T.Path("stderr.txt")) +
                         " >" + Quote(doc));
        ASSERT_EQ(r.Code, 0) << r.Output;
        auto parsed = RunTool("jq -e 'type == \"object\"' " + Quote(doc));
        ASSERT_EQ(parsed.Code, 0) << "not a JSON object: " << parsed.Output;
    }
    // One jq filter over the last document, its raw output without the final newline.
    std::string Q(const std::string& filter) {
        auto r = RunTool("jq -r " + Quote(filter) + " " + Quote(T.Path("devices.json")));
        EXPECT_EQ(r.Code, 0) << filter << ": " << r.Output;
        if (!r.Output.empty() && r.Output.back() == '\n') r.Output.pop_back();
        return r.Output;
    }
    TTempTree T;
    std::string Env;
};

} // namespace

TEST_F(DevicesJson, NoDriveIsAnEmptyListWithoutATransport) {
    for (const char* prefix : {"sr", "sg"})
        for (int n = 0; n < 4; ++n)
            if (fs::exists("/dev/" + std::string(prefix) + std::to_string(n)))
                GTEST_SKIP() << "this machine has a real drive (/dev/" << prefix << n << ")";
    Devices("");
    EXPECT_EQ(Q(".transport"), "null");
    EXPECT_EQ(Q(".drives | length"), "0");
}

TEST_F(DevicesJson, OneRecorderWithItsBlankDiscAndThenItsBurnedOne) {
    const std::string disc = T.Path("r.disc");
    Devices("--virtual R=dvd-r:" + Quote(disc));
    EXPECT_EQ(Q(".transport"), "VNASPI32");
    ASSERT_EQ(Q(".drives | length"), "1");
    EXPECT_EQ(Q(".drives[0].device"), "1:0:0,R: TARNWICKDVD RECORDER    1.00");
    EXPECT_EQ(Q(".drives[0].letter"), "R");
    EXPECT_EQ(Q(".drives[0] | [.vendor, .product, .revision] | join(\"|\")"), "TARNWICK|DVD RECORDER|1.00");
    EXPECT_EQ(Q(".drives[0].writes | join(\" \")"), "CD-R CD-RW DVD-R DVD-RW DVD-RAM DVD+R DVD+RW");
    EXPECT_EQ(Q(".drives[0] | [.test_write, .underrun_free, .buffer_bytes] | map(tostring) | join(\" \")"),
              "true true 2097152");
    EXPECT_EQ(Q(".drives[0].disc | [.type, .sessions, .state, .erasable, .recorded_sectors] | map(tostring) | "
                "join(\" \")"),
              "DVD-R 0 blank false 0");
    const long blankFree = std::stol(Q(".drives[0].disc.free_sectors"));
    EXPECT_GT(blankFree, 2000000);

    // Burned once (and left open): one session, and the recorded sectors come out of the free ones.
    T.File("s/a.txt", "hello\n");
    const std::string iso = T.Path("a.iso");
    ASSERT_EQ(RunTool(Env + Quote(CliPath()) + " image -q " + Quote(T.Path("s")) + " " + Quote(iso)).Code, 0);
    auto burn = RunTool(Env + Quote(CliPath()) + " --virtual R=dvd-r:" + Quote(disc) + " burn " + Quote(iso) +
                        " --device R:");
    ASSERT_EQ(burn.Code, 0) << burn.Output;
    Devices("--virtual R=dvd-r:" + Quote(disc));
    EXPECT_EQ(Q(".drives[0].disc | [.sessions, .state] | map(tostring) | join(\" \")"), "1 appendable");
    const long recorded = std::stol(Q(".drives[0].disc.recorded_sectors"));
    EXPECT_GE(recorded, long(fs::file_size(iso) / 2048));
    EXPECT_EQ(recorded + std::stol(Q(".drives[0].disc.free_sectors")), blankFree);
}

TEST_F(DevicesJson, SeveralDrivesInPortOrderMatchTheTextReport) {
    // A folder whose name needs every kind of escaping, and a byte that is not UTF-8.
    const std::string odd = T.Path("video \"one\"\\two\tthree\nfour\xff");
    fs::create_directories(odd);
    const std::string drives = "--virtual E=dvd-r:" + Quote(T.Path("e.disc")) + " --virtual F=cd-rw+crx175e" +
                               " --virtual G=dvd-rom:" + Quote(odd) + " --virtual H=none";
    Devices(drives);
    ASSERT_EQ(Q(".drives | length"), "4");
    EXPECT_EQ(Q("[.drives[].letter] | join(\"\")"), "EFGH");

    // Each drive's device string is the heading of its block in the text report, in the same order.
    auto text = RunTool(Env + Quote(CliPath()) + " devices " + drives);
    ASSERT_EQ(text.Code, 0) << text.Output;
    std::vector<std::string> headings;
    std::istringstream lines(text.Output);
    for (std::string line; std::getline(lines, line);)
        if (std::regex_match(line, std::regex("[0-9]+:[0-9]+:[0-9]+,[A-Z]: .*"))) headings.push_back(line);
    ASSERT_EQ(headings.size(), 4u) << text.Output;
    for (size_t i = 0; i < headings.size(); ++i)
        EXPECT_EQ(Q(".drives[" + std::to_string(i) + "].device"), headings[i]);

    EXPECT_EQ(Q(".drives[1] | [.vendor, .product] | join(\"|\")"), "SONY|CRX175E");
    EXPECT_EQ(Q(".drives[1].disc.type"), "CD-RW");
    EXPECT_EQ(Q(".drives[1].disc.erasable"), "true");
    // The folder comes back whole, with U+FFFD for the stray byte.
    EXPECT_EQ(Q(".drives[2].files"), odd.substr(0, odd.size() - 1) + "\xEF\xBF\xBD");
    EXPECT_EQ(Q(".drives[2].disc | [.type, .state] | join(\" \")"), "DVD-ROM complete");
    // No disc: nothing about one is made up.
    EXPECT_EQ(Q(".drives[3].disc | [.type, .state, .erasable, .recorded_sectors, .free_sectors] | map(tostring) | "
                "join(\" \")"),
              "null null null null null");
    EXPECT_EQ(Q(".drives[3].files"), "the emulated drive H: has no folder of files");
    EXPECT_EQ(Q(".drives | map(.adjustments | type) | unique | join(\"\")"), "array");
}

TEST(CliVersion, IsTheProjectsVersionOnOneLine) {
    // The version the build was configured with, read from the project itself.
    std::ifstream f(std::string(TARNWICK_SOURCE_DIR) + "/CMakeLists.txt");
    std::string all((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    std::smatch m;
    ASSERT_TRUE(std::regex_search(all, m, std::regex(R"(project\(Tarnwick VERSION ([0-9.]+))")));
    auto r = RunTool(Quote(CliPath()) + " --version");
    EXPECT_EQ(r.Code, 0);
    EXPECT_EQ(r.Output, "tarnwick-cli " + m[1].str() + "\n");
    // The usage line names the program.
    auto usage = RunTool(Quote(CliPath()) + " --help");
    EXPECT_EQ(usage.Code, 0);
    EXPECT_NE(usage.Output.find("Usage: tarnwick-cli [OPTIONS] SUBCOMMAND"), std::string::npos) << usage.Output;
}
