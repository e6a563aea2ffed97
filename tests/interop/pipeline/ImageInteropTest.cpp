// tarnwick-cli images of awkward trees, checked by independent readers: they must accept the
// image, list it, and extract exactly the source tree under its Joliet names.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "support/RunTool.h"
#include "support/TempTree.h"
#include "support/TreeContents.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string Bytes(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = 0x9E3779B9u * (seed + 1);
    for (auto& c : s) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return s;
}

// 7-Zip and osirrox drop a trailing dot from every name they extract.
TTree WithoutTrailingDots(const TTree& t) {
    TTree out;
    for (auto& [path, content] : t) {
        std::string p, part;
        // (folders and files alike)
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i == path.size() || path[i] == '/') {
                while (!part.empty() && part.back() == '.') part.pop_back();
                p += (p.empty() ? "" : "/") + part;
                part.clear();
            } else {
                part += path[i];
            }
        }
        out[p] = content;
    }
    return out;
}

// libarchive keeps at most 103 characters of a Joliet name (the "joliet-long" limit of the
// mastering tools); the image holds the whole name, as 7-Zip and osirrox show.
TTree WithNamesCutAt103(const TTree& t) {
    TTree out;
    for (auto& [path, content] : t) {
        std::string p;
        size_t start = 0;
        for (;;) {
            const size_t slash = path.find('/', start);
            std::string part = path.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
            // Count characters, not bytes (UTF-8 continuation bytes do not start one).
            size_t chars = 0, cut = part.size();
            for (size_t i = 0; i < part.size(); ++i)
                if ((uint8_t(part[i]) & 0xC0) != 0x80 && ++chars == 104) {
                    cut = i;
                    break;
                }
            p += (p.empty() ? "" : "/") + part.substr(0, cut);
            if (slash == std::string::npos) break;
            start = slash + 1;
        }
        out[p] = content;
    }
    return out;
}

void ExpectSameTree(const TTree& expected, const TTree& actual, const std::string& tool) {
    for (auto& [path, content] : expected) {
        auto it = actual.find(path);
        if (it == actual.end()) {
            ADD_FAILURE() << tool << ": missing " << path;
            continue;
        }
        EXPECT_TRUE(it->second == content) << tool << ": content differs for " << path;
    }
    for (auto& [path, content] : actual)
        if (!expected.count(path)) ADD_FAILURE() << tool << ": unexpected " << path;
}

class ImageInterop : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        Tree = new TTempTree();
        const auto& t = *Tree;
        t.File("src/VIDEO_TS/VIDEO_TS.IFO", Bytes(12288, 1));
        t.File("src/VIDEO_TS/VTS_01_1.VOB", Bytes(1 << 20, 2));
        t.File("src/Folder With Spaces/file with spaces.txt", "spaces\n");
        t.File("src/MixedCase/ReadMe.Txt", "mixed\n");
        t.File("src/MixedCase/lowercase.dat", Bytes(3000, 3));
        t.File("src/nodot", "no extension\n");
        t.File("src/" + std::string(64, 'L') + ".txt", "sixty-four\n");
        t.File("src/" + std::string(96, 'x') + "_long.bin", Bytes(5000, 4)); // 105 characters
        t.File("src/" + std::string(60, 'D') + "/inside a long folder.txt", "deep name\n");
        t.File("src/Ünïcödé ñame.txt", "latin\n");
        t.File("src/日本語のファイル.dat", Bytes(777, 5));
        t.File("src/Ελληνικά/Κείμενο.txt", "greek\n");
        t.File("src/trailing dot.", "dot\n");
        t.File("src/empty.bin", "");
        t.File("src/empty folder/.keep-out-of-git-only", "");
        fs::remove(t.Path("src/empty folder/.keep-out-of-git-only"));
        for (size_t size : {2048u, 4096u, 65536u, 131072u, 2048u * 33})
            t.File("src/sectors/exact_" + std::to_string(size), Bytes(size, unsigned(size)));
        std::string deep = "src";
        for (int level = 1; level <= 11; ++level) deep += "/level" + std::to_string(level);
        t.File(deep + "/deepest.txt", "eleven levels down\n");
        for (int i = 0; i < 150; ++i) {
            const std::string d = "src/many/folder " + std::to_string(i);
            t.File(d + "/a.txt", std::to_string(i));
            if (i % 3 == 0) t.File(d + "/b.bin", Bytes(size_t(i) * 97, unsigned(i)));
        }
        Image = Tree->Path("tree.iso");
        Result = RunTool(Quote(CliPath()) + " image --volume-id INTEROP " + Quote(Tree->Path("src")) + " " +
                         Quote(Image));
        Expected = ReadTree(Tree->Path("src")); // names as they are, empty folders included
    }
    static void TearDownTestSuite() {
        delete Tree;
        Tree = nullptr;
    }
    void SetUp() override { ASSERT_EQ(Result.Code, 0) << Result.Output; }

    static TTempTree* Tree;
    static std::string Image;
    static TToolRun Result;
    static TTree Expected;
};

TTempTree* ImageInterop::Tree = nullptr;
std::string ImageInterop::Image;
TToolRun ImageInterop::Result;
TTree ImageInterop::Expected;

const std::string kUtf8 = "LC_ALL=C.UTF-8 ";

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

} // namespace

TEST_F(ImageInterop, XorrisoListsEveryFileWithoutComplaint) {
    if (!HaveTool("xorriso")) GTEST_SKIP() << "xorriso missing";
    auto r = RunTool(kUtf8 + "xorriso -indev " + Quote(Image) + " -find / -type f");
    EXPECT_EQ(r.Code, 0) << r.Output;
    for (const char* bad : {"SORRY", "FAILURE", "FATAL"}) EXPECT_EQ(r.Output.find(bad), std::string::npos) << r.Output;
    EXPECT_NE(r.Output.find("/level1/level2/level3/level4/level5/level6/level7/level8/level9/level10/level11/deepest.txt"),
              std::string::npos);
    EXPECT_NE(r.Output.find("/Ελληνικά/Κείμενο.txt"), std::string::npos);
}

TEST_F(ImageInterop, IsoinfoSeesAJolietVolumeAndListsBothTrees) {
    if (!HaveTool("isoinfo")) GTEST_SKIP() << "isoinfo missing";
    auto d = RunTool("isoinfo -d -i " + Quote(Image));
    EXPECT_EQ(d.Code, 0) << d.Output;
    EXPECT_NE(d.Output.find("Volume id: INTEROP"), std::string::npos) << d.Output;
    EXPECT_NE(d.Output.find("Joliet with UCS level 1 found"), std::string::npos) << d.Output;
    EXPECT_NE(d.Output.find("Logical block size is: 2048"), std::string::npos);
    auto j = RunTool("isoinfo -l -J -i " + Quote(Image));
    EXPECT_EQ(j.Code, 0);
    EXPECT_NE(j.Output.find("file with spaces.txt"), std::string::npos);
    EXPECT_NE(j.Output.find("ReadMe.Txt"), std::string::npos);
    auto iso = RunTool("isoinfo -l -i " + Quote(Image));
    EXPECT_EQ(iso.Code, 0);
    EXPECT_NE(iso.Output.find("VTS_01_1.VOB;1"), std::string::npos);
}

TEST_F(ImageInterop, SevenZipTestsTheWholeImage) {
    if (!HaveTool("7z")) GTEST_SKIP() << "7z missing";
    auto r = RunTool("7z t " + Quote(Image));
    EXPECT_EQ(r.Code, 0) << r.Output;
    EXPECT_NE(r.Output.find("Everything is Ok"), std::string::npos) << r.Output;
}

TEST_F(ImageInterop, BsdtarExtractsTheSourceTreeByteForByte) {
    if (!HaveTool("bsdtar")) GTEST_SKIP() << "bsdtar missing";
    const std::string out = Tree->Path("bsdtar");
    fs::create_directories(out);
    auto r = RunTool(kUtf8 + "bsdtar -x -C " + Quote(out) + " -f " + Quote(Image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    ExpectSameTree(WithNamesCutAt103(Expected), ReadTree(out), "bsdtar");
}

TEST_F(ImageInterop, SevenZipExtractsTheSourceTreeByteForByte) {
    if (!HaveTool("7z")) GTEST_SKIP() << "7z missing";
    const std::string out = Tree->Path("7z");
    auto r = RunTool(kUtf8 + "7z x -y -o" + Quote(out) + " " + Quote(Image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    // The tree's VIDEO_TS folder brings a UDF bridge, which 7-Zip prefers: it extracts the
    // source's own names, trailing dots included.
    ExpectSameTree(Expected, ReadTree(out), "7z");
}

TEST_F(ImageInterop, OsirroxExtractsTheSourceTreeByteForByte) {
    if (!HaveTool("osirrox")) GTEST_SKIP() << "osirrox missing";
    const std::string out = Tree->Path("osirrox");
    auto r = RunTool(kUtf8 + "osirrox -indev " + Quote(Image) + " -extract / " + Quote(out));
    ASSERT_EQ(r.Code, 0) << r.Output;
    ExpectSameTree(WithoutTrailingDots(Expected), ReadTree(out), "osirrox");
}

// A file over 4 GiB takes several extents; readers must put them back together.
TEST(ImageInteropLarge, SparseFileOver4GiBListsItsFullSizeAndExtractsExactly) {
    if (!HaveTool("xorriso") || !HaveTool("bsdtar") || !HaveTool("cmp")) GTEST_SKIP() << "tools missing";
    // 4.5 GiB through an instrumented build takes too long; the default preset runs it.
    if (kSanitized) GTEST_SKIP() << "skipped under sanitizers";
    TTempTree t;
    const long long size = 4LL * 1024 * 1024 * 1024 + 512LL * 1024 * 1024 + 1234; // 4.5 GiB and a bit
    // The image is written whole (4.5 GiB): on a RAM-backed folder when there is room, which
    // keeps this test from waiting on the disk.
    std::string imageDir = t.Path();
    std::error_code ec;
    if (fs::space("/dev/shm", ec).available > uintmax_t(size) + (2ull << 30)) imageDir = "/dev/shm";
    if (fs::space(imageDir).available < uintmax_t(size) + (1ull << 30)) GTEST_SKIP() << "not enough space";
    t.SizedFile("src/big.vob", size);
    {
        // Marks at the start, across the 4 GiB boundary and at the very end.
        std::fstream f(t.Path("src/big.vob"), std::ios::in | std::ios::out | std::ios::binary);
        for (long long at : {0LL, 4294967296LL - 3, size - 5}) {
            f.seekp(at);
            f.write("MARK!", 5);
        }
    }
    t.File("src/small.txt", "after the big one\n");
    const std::string image = imageDir + "/tarnwick-big-" + std::to_string(getpid()) + ".iso";
    struct TRemove {
        std::string Path;
        ~TRemove() { std::remove(Path.c_str()); }
    } removeImage{image};
    auto r = RunTool(Quote(CliPath()) + " image -q " + Quote(t.Path("src")) + " " + Quote(image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    auto list = RunTool("xorriso -indev " + Quote("stdio:" + image) + " -find / -type f -exec lsdl --");
    EXPECT_EQ(list.Code, 0) << list.Output;
    EXPECT_NE(list.Output.find(std::to_string(size) + " "), std::string::npos) << list.Output;
    // cmp fails on the first differing byte and on a length difference.
    auto extracted = RunTool("bash -c " + Quote("set -o pipefail; bsdtar -x -O -f " + Quote(image) +
                                                " big.vob | cmp - " + Quote(t.Path("src/big.vob"))));
    EXPECT_EQ(extracted.Code, 0) << extracted.Output;
    auto small = RunTool("bsdtar -x -O -f " + Quote(image) + " small.txt");
    EXPECT_EQ(small.Output, "after the big one\n");
}

TEST(ImageInteropAbort, InterruptDuringAMultiGiBJobEndsWithinASecondAndClosesThePartialImage) {
    TTempTree t;
    t.SizedFile("src/huge.bin", 3LL << 30);
    const std::string image = t.Path("partial.iso");
    const std::string log = t.Path("cli.log");
    // Our own child, so its end is seen by waitpid (not hidden as a zombie of someone else).
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        execl(CliPath().c_str(), "tarnwick-cli", "image", t.Path("src").c_str(), image.c_str(), nullptr);
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    auto written = [&] {
        std::error_code ec;
        const auto n = fs::file_size(image + ".writing1", ec); // the job's own name until it succeeds
        return ec ? uintmax_t(0) : n;
    };
    while (written() < (64u << 20) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_GE(written(), 64u << 20) << "the job never got going";
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_EQ(kill(pid, SIGINT), 0);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - t0 > std::chrono::seconds(30)) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto took = std::chrono::steady_clock::now() - t0;
    // An instrumented build also checks for leaks on the way out.
    EXPECT_LT(took, kSanitized ? std::chrono::seconds(3) : std::chrono::seconds(1));
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 5); // aborted by the user
    std::ifstream f(log);
    const std::string output((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_NE(output.find("OPERATION ABORTED BY USER"), std::string::npos) << output;
    EXPECT_NE(output.find(image + ".incomplete"), std::string::npos) << output;
    EXPECT_FALSE(fs::exists(image)); // no half image under the output's name
    const auto size = fs::file_size(image + ".incomplete");
    EXPECT_LT(size, uintmax_t(3LL << 30));
    EXPECT_EQ(size % 2048, 0u);
}
