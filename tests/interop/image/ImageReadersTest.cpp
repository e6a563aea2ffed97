// Whole images (header + file data) read back by independent ISO 9660 readers.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"
#include "support/RunTool.h"
#include "support/TempTree.h"

using namespace tarnwick;
using testsupport::HaveTool;
using testsupport::RunTool;
using testsupport::TTempTree;
namespace fs = std::filesystem;

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The image as the write pipeline produces it: the header, then each file's data in
// file-table order, zero-filled to whole sectors.
void WriteImage(const TVornBurner& e, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(e.Image().HeaderStream.Data()), e.Image().HeaderStream.Size());
    for (int32_t i = 0; i < e.Compilation().FileCount; ++i) {
        const TFEntry* f = e.Compilation().FileTable[size_t(i)];
        if (f->Attr & 0x10 || f->IsoSize == 0) continue;
        ASSERT_EQ(int64_t(out.tellp()), (int64_t(e.Layout().FirstFileSector) + f->IsoSector) * 2048);
        std::string data = Slurp(f->SourcePath);
        ASSERT_EQ(int64_t(data.size()), f->IsoSize);
        data.resize(size_t(TVornBurner::BytesToSectors(f->IsoSize) * 2048), '\0');
        out.write(data.data(), std::streamsize(data.size()));
    }
    ASSERT_EQ(int64_t(out.tellp()), e.Layout().EndLBA * 2048);
}

// Every regular file below root, by its path relative to root.
std::map<std::string, std::string> Files(const std::string& root) {
    std::map<std::string, std::string> m;
    for (auto& e : fs::recursive_directory_iterator(root))
        if (e.is_regular_file()) m[fs::relative(e.path(), root).string()] = Slurp(e.path().string());
    return m;
}

struct Image : ::testing::Test {
    TTempTree Src, Work;
    TVornBurner E;
    std::string Iso;
    void SetUp() override {
        Src.File("readme.txt", "hello\n");
        Src.File("VIDEO_TS/VIDEO_TS.IFO", std::string(5000, 'i'));
        Src.File("VIDEO_TS/VTS_01_1.VOB", std::string(3 * 2048 + 7, 'v'));
        Src.File("Long folder name with spaces/A rather long file name, with commas.text", "long");
        Src.File("Long folder name with spaces/nested/deeper/empty.bin", "");
        Src.File("caf\xC3\xA9/men\xC3\xBC.txt", "unicode");
        Src.File("exactly one sector.bin", std::string(2048, 'x'));
        for (int i = 0; i < 150; ++i) Src.File("many/file number " + std::to_string(i) + ".dat", std::to_string(i));
        Iso = Work.Path("image.iso");
    }
    void Master(bool joliet = true) {
        E.SetJolietFileSystem(joliet);
        E.SetIdVolume("Test Volume");
        ASSERT_TRUE(E.ClearCompilation(600000, 20000));
        E.SetLastFolderOnly(true);
        ASSERT_TRUE(E.AddFolder("\\", Src.Path(), "*.*", 63, true, false, false));
        ASSERT_TRUE(E.PrepareCompilation(true, nullptr));
        ASSERT_TRUE(E.LayoutCompilation(true, nullptr));
        ASSERT_TRUE(E.BuildImageHeader(true, nullptr));
        WriteImage(E, Iso);
    }
};

} // namespace

TEST_F(Image, IsoinfoSeesBothTreesAndTheVolume) {
    if (!HaveTool("isoinfo")) GTEST_SKIP() << "isoinfo missing";
    Master();
    std::string d = RunTool("isoinfo -d -i " + Iso).Output;
    EXPECT_NE(d.find("Volume id: TEST VOLUME"), std::string::npos) << d;
    EXPECT_NE(d.find("Joliet with UCS level 1 found"), std::string::npos) << d;
    EXPECT_NE(d.find("Volume size is: " + std::to_string(E.Layout().EndLBA)), std::string::npos) << d;
    std::string j = RunTool("isoinfo -f -J -j iso8859-1 -i " + Iso).Output;
    EXPECT_NE(j.find("/Long folder name with spaces/A rather long file name, with commas.text"), std::string::npos) << j;
    EXPECT_NE(j.find("/caf\xE9/men\xFC.txt"), std::string::npos) << j;
    EXPECT_NE(j.find("/many/file number 149.dat"), std::string::npos);
    std::string i = RunTool("isoinfo -f -i " + Iso).Output;
    EXPECT_NE(i.find("/VIDEO_TS/VTS_01_1.VOB;1"), std::string::npos) << i;
    EXPECT_NE(i.find("/README.TXT;1"), std::string::npos) << i;
}

TEST_F(Image, IsovfyFindsNoErrors) {
    if (!HaveTool("isovfy")) GTEST_SKIP() << "isovfy missing";
    Master();
    std::string v = RunTool("isovfy " + Iso).Output;
    EXPECT_NE(v.find("No errors found"), std::string::npos) << v;
}

TEST_F(Image, BsdtarExtractsTheSameBytes) {
    if (!HaveTool("bsdtar")) GTEST_SKIP() << "bsdtar missing";
    Master();
    fs::create_directories(Work.Path("out"));
    const auto run = RunTool("bsdtar -x -f " + Iso + " -C " + Work.Path("out"));
    const std::string& log = run.Output;
    ASSERT_EQ(run.Code, 0) << log;
    auto got = Files(Work.Path("out"));
    auto want = Files(Src.Path());
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << log;
}

TEST_F(Image, SevenZipExtractsTheSameBytes) {
    if (!HaveTool("7z")) GTEST_SKIP() << "7z missing";
    Master();
    const auto run = RunTool("7z x -y -o" + Work.Path("out7") + " " + Iso);
    const std::string& log = run.Output;
    ASSERT_EQ(run.Code, 0) << log;
    auto got = Files(Work.Path("out7"));
    auto want = Files(Src.Path());
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << log;
}

TEST_F(Image, XorrisoListsTheTreeWithoutJolietToo) {
    if (!HaveTool("xorriso")) GTEST_SKIP() << "xorriso missing";
    Master(false);
    const auto run = RunTool("xorriso -abort_on FAILURE -indev " + Iso + " -find / -type f");
    const std::string& out = run.Output;
    EXPECT_EQ(run.Code, 0) << out;
    EXPECT_NE(out.find("'/VIDEO_TS/VTS_01_1.VOB'"), std::string::npos) << out;
    EXPECT_NE(out.find("'/MANY/"), std::string::npos) << out;
    EXPECT_EQ(out.find("FAILURE"), std::string::npos) << out;
}

// A 5 GiB file as ISO 9660 multi-extent records: the readers see one file of the full size.
TEST_F(Image, FilesOver4GiBReadAsOneFile) {
    if (!HaveTool("xorriso")) GTEST_SKIP() << "xorriso missing";
    TTempTree big;
    const long long size = (5LL << 30) + 4096 + 3;
    big.SizedFile("huge.bin", size);
    big.File("small.txt", "after");
    ASSERT_TRUE(E.AddFolder("\\", big.Path(), "*.*", 63, true, false, false));
    E.LayoutCompilation(true, nullptr);
    E.BuildImageHeader(true, nullptr);
    {
        // The big file is all zeros: leave it as a hole instead of writing 5 GiB.
        std::ofstream out(Iso, std::ios::binary);
        out.write(reinterpret_cast<const char*>(E.Image().HeaderStream.Data()), E.Image().HeaderStream.Size());
        const TFEntry* small = E.Compilation().FileTable[1];
        ASSERT_EQ(small->LongName, "small.txt");
        out.seekp((E.Layout().FirstFileSector + small->IsoSector) * 2048LL);
        out.write("after", 5);
    }
    fs::resize_file(Iso, std::uintmax_t(E.Layout().EndLBA * 2048));
    const auto run = RunTool("xorriso -abort_on FAILURE -indev " + Iso + " -find / -type f -exec lsdl");
    const std::string& out = run.Output;
    EXPECT_EQ(run.Code, 0) << out;
    EXPECT_NE(out.find(std::to_string(size)), std::string::npos) << out;
    const std::string small =
        RunTool("xorriso -indev " + Iso + " -osirrox on -extract /small.txt " + Work.Path("small.txt")).Output;
    EXPECT_EQ(Slurp(Work.Path("small.txt")), "after") << small;
    if (HaveTool("bsdtar")) {
        std::string l = RunTool("bsdtar tvf " + Iso).Output;
        EXPECT_NE(l.find(std::to_string(size)), std::string::npos) << l;
    }
    if (HaveTool("7z")) {
        std::string l = RunTool("7z l " + Iso).Output;
        EXPECT_NE(l.find(std::to_string(size)), std::string::npos) << l;
    }
}
