// Names the trees of long names cannot hold as they are, file and folder names differing only
// in case, a dotless name and an empty folder, read back through 7-Zip's UDF reader, bsdtar and isoinfo
// (Joliet), and isoinfo's ISO 9660 listing; and the ISO 9660 volume label of a UTF-8 label.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace testsupport;
namespace fs = std::filesystem;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Every path below root (folders end in '/').
std::set<std::string> Paths(const std::string& root) {
    std::set<std::string> out;
    for (auto& e : fs::recursive_directory_iterator(root))
        out.insert(fs::relative(e.path(), root).string() + (e.is_directory() ? "/" : ""));
    return out;
}

std::string Text(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

const std::string kEmoji = "emoji \xF0\x9F\x98\x80.txt";   // U+1F600
const std::string kCjkB = "cjk \xF0\xA0\x80\x80.txt";      // U+20000, CJK extension B
const std::string kLatin1 = "caf\xE9.txt";                 // Latin-1, not UTF-8

} // namespace

TEST(NamesReaders, RenamedNamesAreReportedCaseVariantsAndEmptyFoldersKept) {
    for (const char* tool : {"7z", "bsdtar", "isoinfo"})
        if (!HaveTool(tool)) GTEST_SKIP() << tool << " missing";
    TTempTree t;
    for (const std::string& n : {kEmoji, kCjkB, kLatin1}) t.File("src/" + n, n);
    t.File("src/Mixed.txt", "1");
    t.File("src/mixed.txt", "2");
    t.File("src/MIXED.txt", "3");
    t.File("src/z0", "dotless");
    t.Dir("src/empty folder");
    t.File("src/Dir/Sub/a.txt", "upper");
    t.File("src/dir/Sub/a.txt", "lower");
    const std::string image = t.Path("names.iso");
    auto r = RunTool("LC_ALL=C.UTF-8 " + Quote(CliPath()) + " image --udf --volume-id NAMES " + Quote(t.Path("src")) +
                     " " + Quote(image));
    ASSERT_EQ(r.Code, 8) << r.Output;
    for (const std::string& n : {kEmoji, kCjkB, kLatin1})
        EXPECT_TRUE(Has(r.Output, ">>> NAME HOLDS CHARACTERS THE IMAGE CANNOT HOLD, CHANGED TO '_': \"" +
                                      t.Path("src/" + n) + "\""))
            << r.Output;
    EXPECT_FALSE(Has(r.Output, "DUPLICATE NAME")) << r.Output;

    const std::set<std::string> expected{"emoji _.txt", "cjk _.txt", "caf_.txt",    "Mixed.txt",
                                         "mixed.txt",   "MIXED.txt", "z0",          "empty folder/",
                                         "Dir/",        "Dir/Sub/",  "Dir/Sub/a.txt", "dir/",
                                         "dir/Sub/",    "dir/Sub/a.txt"};
    // The UDF tree alone (7-Zip puts it into a folder named after the volume).
    ASSERT_EQ(RunTool("LC_ALL=C.UTF-8 7z x -y -tudf -o" + Quote(t.Path("udf")) + " " + Quote(image)).Code, 0);
    std::string udf = t.Path("udf");
    if (fs::is_directory(udf + "/NAMES") && !fs::exists(udf + "/z0")) udf += "/NAMES";
    EXPECT_EQ(Paths(udf), expected);
    EXPECT_EQ(Text(udf + "/dir/Sub/a.txt"), "lower");
    // Joliet through libarchive: "z0" without a trailing dot.
    fs::create_directories(t.Path("joliet"));
    ASSERT_EQ(RunTool("LC_ALL=C.UTF-8 bsdtar -x -C " + Quote(t.Path("joliet")) + " -f " + Quote(image)).Code, 0);
    EXPECT_EQ(Paths(t.Path("joliet")), expected);
    auto joliet = RunTool("LC_ALL=C.UTF-8 isoinfo -J -l -i " + Quote(image));
    for (const char* n : {" z0;1", " Mixed.txt;1", " mixed.txt;1", " MIXED.txt;1", " empty folder "})
        EXPECT_TRUE(Has(joliet.Output, n)) << n << "\n" << joliet.Output;
    EXPECT_FALSE(Has(joliet.Output, "z0.;1")) << joliet.Output;
    // ISO 9660: the three case variants under unique upper-case names; a dotless name keeps
    // the dot the standard asks for.
    auto iso = RunTool("isoinfo -l -i " + Quote(image));
    for (const char* n : {" MIXED.TXT;1", " MIXED~1.TXT;1", " MIXED~2.TXT;1", " Z0.;1", " EMPTYF~1 ", " DIR ", " DIR~1 "})
        EXPECT_TRUE(Has(iso.Output, n)) << n << "\n" << iso.Output;
}

TEST(NamesReaders, TheIsoVolumeLabelIsAsciiUpperCaseCutAtACharacter) {
    TTempTree t;
    t.File("src/a.txt", "a");
    const std::string image = t.Path("label.iso");
    // 31 ASCII characters, then "é": 33 bytes, cut at 32 in the middle of the "é" before.
    const std::string label = std::string(31, 'd') + "\xC3\xA9xyz";
    auto r = RunTool(Quote(CliPath()) + " image -q --volume-id " + Quote(label) + " " + Quote(t.Path("src")) + " " +
                     Quote(image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    std::ifstream f(image, std::ios::binary);
    std::string pvd(2048, '\0');
    f.seekg(16 * 2048);
    f.read(pvd.data(), 2048);
    EXPECT_EQ(pvd.substr(40, 32), std::string(31, 'D') + "_");
    // The Joliet descriptor keeps the label's first 16 characters as they are.
    std::string svd(2048, '\0');
    f.read(svd.data(), 2048);
    ASSERT_EQ(svd[0], '\x02');
    EXPECT_EQ(svd.substr(40, 4), std::string("\0d\0d", 4));
}
