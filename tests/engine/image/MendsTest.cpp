// Inputs the one-byte and four-byte fields of ISO 9660 cannot hold as they are: files of
// 4 GiB and more, names whose records would pass 255 bytes.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"
#include "support/IsoReader.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;
using testsupport::TIsoRecord;
using testsupport::TMessages;

namespace {

constexpr int64_t kMaxExtent = 0xFFFFF800LL;

struct Mends : ::testing::Test {
    TVornBurner E;
    TMessages M;
    void SetUp() override {
        M.Attach(E);
        // Long names pass the 109-character preset as a host handler may allow.
        E.OnAddFile = [](TComponent*, const std::string&, std::string&, std::string&, TDateTime&, int32_t, int64_t,
                         bool& skip) { skip = false; };
    }
    std::vector<TIsoRecord> Build(bool joliet) {
        E.LayoutCompilation(true, nullptr);
        E.BuildImageHeader(true, nullptr);
        testsupport::TIsoReader reader(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
        return reader.Walk(joliet ? 17 : 16, joliet);
    }
};

std::vector<TIsoRecord> Named(const std::vector<TIsoRecord>& recs, const std::string& path) {
    std::vector<TIsoRecord> out;
    for (auto& r : recs)
        if (r.Path == path) out.push_back(r);
    return out;
}

} // namespace

TEST_F(Mends, FilesOf4GiBAndMoreGetMultiExtentRecords) {
    TDEntry* root = E.Compilation().DirTable[0];
    const int64_t big = (5LL << 30) + 100;
    const int64_t huge = 9LL << 30;
    E.AddFileEntry(root, Listed("big.bin", big), "/s/big");
    E.AddFileEntry(root, Listed("after.bin", 10), "/s/after");
    E.AddFileEntry(root, Listed("edge.bin", kMaxExtent), "/s/edge");
    E.AddFileEntry(root, Listed("edge1.bin", kMaxExtent + 1), "/s/edge1");
    E.AddFileEntry(root, Listed("huge.bin", huge), "/s/huge");
    for (bool joliet : {false, true}) {
        auto recs = Build(joliet);
        auto b = Named(recs, joliet ? "/big.bin" : "/BIG.BIN");
        ASSERT_EQ(b.size(), 2u);
        EXPECT_EQ(b[0].Flags, 0x80);
        EXPECT_EQ(b[0].Length, uint32_t(kMaxExtent));
        EXPECT_EQ(b[0].Extent, 150u);
        EXPECT_EQ(b[1].Flags, 0);
        EXPECT_EQ(int64_t(b[1].Length), big - kMaxExtent);
        EXPECT_EQ(b[1].Extent, 150u + uint32_t(kMaxExtent / 2048));
        auto a = Named(recs, joliet ? "/after.bin" : "/AFTER.BIN");
        ASSERT_EQ(a.size(), 1u);
        EXPECT_EQ(int64_t(a[0].Extent), 150 + TVornBurner::BytesToSectors(big)); // data stays contiguous
        EXPECT_EQ(Named(recs, joliet ? "/edge.bin" : "/EDGE.BIN").size(), 1u);
        auto e1 = Named(recs, joliet ? "/edge1.bin" : "/EDGE1.BIN");
        ASSERT_EQ(e1.size(), 2u);
        EXPECT_EQ(e1[1].Length, 1u);
        auto h = Named(recs, joliet ? "/huge.bin" : "/HUGE.BIN");
        ASSERT_EQ(h.size(), 3u);
        int64_t total = 0;
        for (auto& r : h) total += r.Length;
        EXPECT_EQ(total, huge);
        EXPECT_EQ(h[2].Flags, 0);
        EXPECT_EQ(h[1].Flags, 0x80);
    }
    EXPECT_EQ(E.Compilation().FileTable[0]->IsoSize, big); // the entry keeps the full size
    EXPECT_EQ(E.Layout().FileSectors, TVornBurner::BytesToSectors(big) + 1 + TVornBurner::BytesToSectors(kMaxExtent) +
                                 TVornBurner::BytesToSectors(kMaxExtent + 1) + TVornBurner::BytesToSectors(huge));
}

TEST_F(Mends, ManyMultiExtentRecordsStillSizeTheirDirectory) {
    TDEntry* root = E.Compilation().DirTable[0];
    for (int i = 0; i < 40; ++i)
        E.AddFileEntry(root, Listed("file number " + std::to_string(i) + ".vob", 11LL << 30), "/s");
    auto recs = Build(true);
    EXPECT_EQ(recs.size(), 40u * 3);
    EXPECT_GT(E.Compilation().DirTable[0]->JolietSize, 2048);
    EXPECT_EQ(Build(false).size(), 40u * 3);
}

TEST_F(Mends, LongJolietNamesAreCutToFitAndStayUnique) {
    TDEntry* root = E.Compilation().DirTable[0];
    const std::string stem(115, 'n');
    ASSERT_TRUE(E.AddFileEntry(root, Listed(stem + "A.txt"), "/s/a"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed(stem + "B.txt"), "/s/b"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed(std::string(107, 'n') + ".txt"), "/s/c")); // 111 chars, own cut form
    ASSERT_TRUE(E.AddFileEntry(root, Listed(std::string(104, 'n') + ".txt"), "/s/d")); // fits: 108 chars
    const std::string longDir(200, 'D');
    TDEntry* d = E.AddDirEntry(root, ListedDir(longDir, "DDDDDD~1"));
    ASSERT_NE(d, nullptr);
    E.AddFileEntry(d, Listed("inside.txt", 3), "/s/i");
    EXPECT_TRUE(M.AnyContaining("NAME TOO LONG FOR THE IMAGE, SHORTENED: \"/s/a\"", 4));
    EXPECT_TRUE(M.AnyContaining("SHORTENED: \"\\" + longDir + "\"", 4));

    auto recs = Build(true);
    ASSERT_EQ(recs.size(), 6u);
    std::set<std::string> rootFiles;
    for (auto& r : recs) {
        EXPECT_LE(r.RecordLength, 255);
        if (r.Flags == 0 && r.Path.find('/', 1) == std::string::npos) {
            std::string name = r.Path.substr(1);
            EXPECT_LE(name.size(), 108u) << name;
            EXPECT_EQ(name.substr(name.size() - 4), ".txt") << name;
            rootFiles.insert(name);
        }
    }
    EXPECT_EQ(rootFiles.size(), 4u); // all distinct after cutting
    EXPECT_EQ(Named(recs, "/" + std::string(104, 'n') + ".txt").size(), 1u);
    EXPECT_EQ(Named(recs, "/" + std::string(110, 'D') + "/inside.txt").size(), 1u);
    // The path table names the folder exactly as its record does.
    const uint8_t* jl = testsupport::Sector(E, E.Layout().JolietPathTableL);
    EXPECT_EQ(jl[10], 220);
}

TEST_F(Mends, LongIsoNamesFromAHandlerAreCutToo) {
    E.OnAddFile = [](TComponent*, const std::string&, std::string&, std::string& s, TDateTime&, int32_t, int64_t,
                     bool&) { s = std::string(250, 'S') + ".DAT"; };
    TDEntry* root = E.Compilation().DirTable[0];
    ASSERT_TRUE(E.AddFileEntry(root, Listed("one.dat"), "/s/1"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed("two.dat"), "/s/2"));
    auto recs = Build(false);
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_NE(recs[0].Path, recs[1].Path);
    for (auto& r : recs) {
        EXPECT_LE(r.RecordLength, 255);
        EXPECT_EQ(r.Path.size(), 1u + 219u);
        EXPECT_EQ(r.Path.substr(r.Path.size() - 4), ".DAT");
    }
}

TEST_F(Mends, CharactersOutsideTheBmpBecomeUnderscores) {
    TDEntry* root = E.Compilation().DirTable[0];
    ASSERT_TRUE(E.AddFileEntry(root, Listed("smile \xF0\x9F\x98\x80.txt"), "/s/1"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed("caf\xC3\xA9.txt"), "/s/2"));
    auto recs = Build(true);
    EXPECT_EQ(Named(recs, "/smile _.txt").size(), 1u);
    EXPECT_EQ(Named(recs, "/caf\xC3\xA9.txt").size(), 1u);
}
