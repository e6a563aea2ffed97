// Data trees imaged with --udf, read back through the UDF tree alone: 7-Zip's UDF reader
// must extract the source byte for byte under its own names (no ISO 9660 or Joliet changes),
// a file over 4 GiB included; and the Linux kernel's udf driver must mount the image.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "support/RunTool.h"
#include "support/TempTree.h"
#include "support/TreeContents.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

std::string Bytes(size_t size, unsigned seed) {
    std::string s(size, '\0');
    uint32_t x = 0x2545F491u * (seed + 3);
    for (auto& c : s) {
        x = x * 1664525u + 1013904223u;
        c = char(x >> 24);
    }
    return s;
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

const std::string kUtf8 = "LC_ALL=C.UTF-8 ";

// The awkward tree of the image interop tests, names the ISO 9660 tree has to change.
void MakeAwkwardTree(const TTempTree& t) {
    t.File("src/Folder With Spaces/file with spaces.txt", "spaces\n");
    t.File("src/MixedCase/ReadMe.Txt", "mixed\n");
    t.File("src/MixedCase/lowercase.dat", Bytes(3000, 3));
    t.File("src/nodot", "no extension\n");
    t.File("src/two.dots.in.name.tar.gz", "dots\n");
    t.File("src/semi;colon", "semi\n");
    t.File("src/" + std::string(64, 'L') + ".txt", "sixty-four\n");
    t.File("src/" + std::string(200, 'x') + "_long.bin", Bytes(5000, 4)); // past Joliet's limit
    t.File("src/" + std::string(60, 'D') + "/inside a long folder.txt", "deep name\n");
    t.File("src/Ünïcödé ñame.txt", "latin\n");
    t.File("src/日本語のファイル.dat", Bytes(777, 5));
    t.File("src/Ελληνικά/Κείμενο.txt", "greek\n");
    t.File("src/empty.bin", "");
    for (size_t size : {2047u, 2048u, 2049u, 4096u, 65536u, 2048u * 33 + 1})
        t.File("src/sectors/exact_" + std::to_string(size), Bytes(size, unsigned(size)));
    std::string deep = "src";
    for (int level = 1; level <= 11; ++level) deep += "/level" + std::to_string(level);
    t.File(deep + "/deepest.txt", "eleven levels down\n");
    for (int i = 0; i < 120; ++i) // directories of more than one block of identifiers
        t.File("src/many/file number " + std::to_string(i) + " with a longer name.txt", std::to_string(i));
    t.Dir("src/empty folder");
}

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

} // namespace

TEST(UdfReaders, SevenZipExtractsTheUdfTreeUnderTheSourcesOwnNames) {
    if (!HaveTool("7z")) GTEST_SKIP() << "7z missing";
    TTempTree t;
    MakeAwkwardTree(t);
    const std::string image = t.Path("tree.iso");
    auto r = RunTool(Quote(CliPath()) + " image --udf --volume-id UDFTREE " + Quote(t.Path("src")) + " " +
                     Quote(image));
    // Exit 8: Joliet had to shorten the 206-character name; UDF keeps it whole.
    ASSERT_EQ(r.Code, 8) << r.Output;
    // -tudf reads the UDF tree only; the other trees would give other names.
    auto x = RunTool(kUtf8 + "7z x -y -tudf -o" + Quote(t.Path("out")) + " " + Quote(image));
    ASSERT_EQ(x.Code, 0) << x.Output;
    // 7-Zip puts the tree into a folder named after the volume when it reads UDF.
    std::string out = t.Path("out");
    if (fs::is_directory(out + "/UDFTREE") && !fs::exists(out + "/nodot")) out += "/UDFTREE";
    ExpectSameTree(ReadTree(t.Path("src")), ReadTree(out), "7z -tudf");
}

// A file over 4 GiB takes several allocation descriptors, each below 1 GiB.
TEST(UdfReaders, SevenZipExtractsASparseFileOver4GiBExactly) {
    if (!HaveTool("7z") || !HaveTool("cmp")) GTEST_SKIP() << "7z or cmp missing";
    if (kSanitized) GTEST_SKIP() << "skipped under sanitizers (4.5 GiB through an instrumented build)";
    TTempTree t;
    const long long size = 4LL * 1024 * 1024 * 1024 + 512LL * 1024 * 1024 + 4321;
    // The image is written whole; on a RAM-backed folder when there is room.
    std::string imageDir = t.Path();
    std::error_code ec;
    if (fs::space("/dev/shm", ec).available > uintmax_t(size) + (2ull << 30)) imageDir = "/dev/shm";
    if (fs::space(imageDir).available < uintmax_t(size) + (1ull << 30))
        GTEST_SKIP() << "not enough space for a 4.5 GiB image in " << imageDir;
    t.SizedFile("src/big.vob", size);
    {
        // Marks at the start, across each 1 GiB extent edge, the 4 GiB boundary and the end.
        std::fstream f(t.Path("src/big.vob"), std::ios::in | std::ios::out | std::ios::binary);
        for (long long at : {0LL, (1LL << 30) - 4096 - 2, (2LL << 30) - 3, 4294967296LL - 3, size - 5}) {
            f.seekp(at);
            f.write("MARK!", 5);
        }
    }
    t.File("src/small.txt", "after the big one\n");
    const std::string image = imageDir + "/tarnwick-udf-big-" + std::to_string(getpid()) + ".iso";
    struct TRemove {
        std::string Path;
        ~TRemove() { std::remove(Path.c_str()); }
    } removeImage{image};
    auto r = RunTool(Quote(CliPath()) + " image -q --udf --volume-id BIG " + Quote(t.Path("src")) + " " +
                     Quote(image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    auto list = RunTool("7z l -tudf " + Quote(image));
    EXPECT_EQ(list.Code, 0) << list.Output;
    EXPECT_NE(list.Output.find(std::to_string(size)), std::string::npos) << list.Output;
    // cmp fails on the first differing byte and on a length difference.
    auto big = RunTool("bash -c " + Quote("set -o pipefail; 7z x -so -tudf " + Quote(image) +
                                          " big.vob 2>/dev/null | cmp - " + Quote(t.Path("src/big.vob"))));
    EXPECT_EQ(big.Code, 0) << big.Output;
    auto small = RunTool("7z x -so -tudf " + Quote(image) + " small.txt 2>/dev/null");
    EXPECT_EQ(small.Output, "after the big one\n");
}

// The kernel's reader, where this machine lets a test loop-mount (root, a loop device).
TEST(UdfReaders, LinuxUdfDriverMountsTheImageAndShowsTheTree) {
    if (!HaveTool("mount") || !HaveTool("umount")) GTEST_SKIP() << "mount missing";
    TTempTree t;
    MakeAwkwardTree(t);
    const std::string image = t.Path("tree.iso");
    auto r = RunTool(Quote(CliPath()) + " image -q --udf --volume-id KERNEL " + Quote(t.Path("src")) + " " +
                     Quote(image));
    ASSERT_EQ(r.Code, 8) << r.Output; // Joliet shortened one name
    const std::string mnt = t.Path("mnt");
    fs::create_directories(mnt);
    auto m = RunTool("mount -o loop,ro,iocharset=utf8 -t udf " + Quote(image) + " " + Quote(mnt));
    if (m.Code != 0) GTEST_SKIP() << "this machine cannot loop-mount (" << m.Output << ")";
    struct TUnmount {
        std::string Path;
        ~TUnmount() { RunTool("umount " + Quote(Path)); }
    } unmount{mnt};
    ExpectSameTree(ReadTree(t.Path("src")), ReadTree(mnt), "kernel udf");
    // The kernel refuses or warns on bad tags and a bad integrity descriptor; its log is not
    // readable here, so the listing above is the check. The label comes from the volume id.
    auto label = RunTool("udflabel " + Quote(image));
    if (label.Code == 0) {
        EXPECT_NE(label.Output.find("KERNEL"), std::string::npos) << label.Output;
    }
}
