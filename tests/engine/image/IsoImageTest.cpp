// The compilation and its image without an engine: no device object, the same bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/image/Compilation.h"
#include "engine/image/DirectoryEncoder.h"
#include "engine/image/IsoImage.h"
#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;

namespace {

// A tree with nested folders, long names, an empty file and a name made unique.
template <typename T>
void Fill(T& c) {
    TDEntry* root = c.FindDir("\\");
    TDEntry* docs = c.AddDirEntry(root, ListedDir("Documents of a rather long folder name"));
    TDEntry* deep = c.AddDirEntry(docs, ListedDir("deeper"));
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(c.AddFileEntry(docs, Listed("report number " + std::to_string(i) + ".txt", 100 + i * 700), "/s/r"));
    ASSERT_TRUE(c.AddFileEntry(deep, Listed("empty.bin", 0), "/s/e"));
    ASSERT_TRUE(c.AddFileEntry(root, Listed("readme", 5000), "/s/readme"));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(c.AddFileEntry(root, Listed("a name that is far too long for a Joliet record, which holds at most one hundred and ten "
                                                    "characters, so it is cut " +
                                                    std::to_string(i) + ".dat",
                                                10),
                                   "/s/l"));
}

std::vector<uint8_t> Header(TIsoImage& image) {
    image.BuildImageHeader(true, nullptr);
    const TMemoryStream& h = image.HeaderStream;
    return std::vector<uint8_t>(h.Data(), h.Data() + h.Size());
}

struct Variant {
    bool Joliet, Udf;
};

class PlainImage : public ::testing::TestWithParam<Variant> {};

TEST_P(PlainImage, GivesTheEnginesBytesAndEveryWriterItsLaidOutSize) {
    const Variant v = GetParam();
    TVornBurner engine;
    engine.SetJolietFileSystem(v.Joliet);
    engine.SetUDFBridge(v.Udf);
    engine.SetDateLimit(1700000000);
    Fill(engine);
    ASSERT_TRUE(engine.LayoutCompilation(true, nullptr));
    ASSERT_TRUE(engine.BuildImageHeader(true, nullptr));
    const TMemoryStream& fromEngine = engine.Image().HeaderStream;

    std::vector<std::string> log;
    TCompilation tree({[&](const std::string& m, uint8_t) { log.push_back(m); }, nullptr, nullptr, nullptr});
    ASSERT_TRUE(tree.ClearCompilation(65535, 8191));
    tree.TimeZoneOffset = engine.Compilation().TimeZoneOffset;
    Fill(tree);
    TIsoImage image(tree, nullptr);
    image.Options.Joliet = v.Joliet;
    image.Options.UDFBridge = v.Udf;
    image.Options.DateLimit = 1700000000;
    ASSERT_TRUE(image.LayoutCompilation());
    const std::vector<uint8_t> plain = Header(image);
    ASSERT_EQ(int64_t(plain.size()), fromEngine.Size());
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), fromEngine.Data()));
    EXPECT_EQ(image.Layout.EndLBA, engine.Layout().EndLBA);
    EXPECT_EQ(tree.EntryNotes, engine.EntryNotes());
    EXPECT_EQ(tree.FileCount, 47);
    EXPECT_FALSE(log.empty()) << tree.EntryNotes.size(); // the shortened names went to the hook

    // The writers of the header, in order, each write exactly the sectors they declare, and
    // together they end where the directory extents begin.
    image.HeaderStream.Clear();
    for (const auto& w : image.HeaderWriters()) {
        const int64_t before = image.HeaderStream.Size();
        w.Write();
        EXPECT_EQ(image.HeaderStream.Size() - before, w.Sectors * 2048) << w.Name;
    }
    EXPECT_EQ(image.HeaderStream.Size(), int64_t(image.Layout.IsoDirArea) * 2048);
}

INSTANTIATE_TEST_SUITE_P(Trees, PlainImage,
                         ::testing::Values(Variant{true, false}, Variant{false, false}, Variant{true, true},
                                           Variant{false, true}));

TEST(PlainImage, AHeaderOfAStaleLayoutKeepsEveryPieceWhereTheLayoutPutIt) {
    TCompilation tree;
    ASSERT_TRUE(tree.ClearCompilation(65535, 8191));
    TDEntry* root = tree.FindDir("\\");
    tree.AddDirEntry(root, ListedDir("one"));
    TIsoImage image(tree, nullptr);
    ASSERT_TRUE(image.LayoutCompilation());
    const int32_t dirArea = image.Layout.IsoDirArea;
    // Enough folders after the layout to need a second path-table sector.
    for (int i = 0; i < 300; ++i) tree.AddDirEntry(root, ListedDir("folder " + std::to_string(i)));
    image.BeginImageHeader(true, nullptr);
    EXPECT_EQ(image.HeaderStream.Size(), int64_t(dirArea) * 2048);
}

TEST(PlainCompilation, RefusesChangesWhileItsOwnerSaysItIsInUse) {
    bool inUse = false;
    TCompilation tree({nullptr, [&] { return inUse; }, nullptr, nullptr});
    ASSERT_TRUE(tree.ClearCompilation(10, 10));
    TDEntry* root = tree.FindDir("\\");
    inUse = true;
    EXPECT_FALSE(tree.AddFileEntry(root, Listed("a.txt", 1), "/s/a"));
    EXPECT_FALSE(tree.ClearCompilation(10, 10));
    EXPECT_EQ(tree.FileCount, 0);
    inUse = false;
    EXPECT_TRUE(tree.AddFileEntry(root, Listed("a.txt", 1), "/s/a"));
    EXPECT_EQ(tree.FileCount, 1);
}

} // namespace
