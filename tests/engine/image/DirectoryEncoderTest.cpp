// The directory extents encoded one directory at a time must be the bytes the whole in-memory
// header holds, however the reader slices them.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "engine/image/DirectoryEncoder.h"
#include "engine/write/VornBurner.h"
#include "platform/Time.h"
#include "support/EngineHelpers.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;

namespace {

struct Streamed : ::testing::Test {
    TVornBurner E;
    void SetUp() override { platform::OverrideNow(platform::EncodeDateTime({2026, 3, 4, 5, 6, 7, 0})); }
    void TearDown() override { platform::OverrideNow(std::nullopt); }

    // Enough folders and records that extents span many sectors and blocks; long names, a
    // hidden file, an empty file and a file of several extents among them.
    void Fill() {
        TDEntry* root = E.Compilation().DirTable[0];
        for (int d = 0; d < 120; ++d) {
            TDEntry* dir = E.AddDirEntry(root, ListedDir("folder " + std::to_string(d)));
            ASSERT_NE(dir, nullptr);
            const int files = d % 7 == 0 ? 90 : 3 + d % 5;
            for (int f = 0; f < files; ++f) {
                const std::string name = "a rather long file name number " + std::to_string(f) + ".data";
                ASSERT_TRUE(E.AddFileEntry(dir, Listed(name, f * 1000), "/src/" + name));
            }
            if (d % 11 == 0) E.AddDirEntry(dir, ListedDir("inner"));
        }
        ASSERT_TRUE(E.AddFileEntry(root, Listed("huge.vob", 9LL << 30), "/src/huge.vob"));
        ASSERT_TRUE(E.AddFileEntry(root, Listed("hidden.txt", 5, platform::faArchive | platform::faHidden), "/h"));
        ASSERT_TRUE(E.AddFileEntry(root, Listed("empty.txt"), "/e"));
    }

    // The whole header as BuildImageHeader gives it, and the same through the encoder read in
    // slices of the sizes given (cycled).
    void Compare(const std::vector<size_t>& slices) {
        E.LayoutCompilation(true, nullptr);
        ASSERT_TRUE(E.BuildImageHeader(true, nullptr));
        const std::vector<uint8_t> whole(E.Image().HeaderStream.Data(), E.Image().HeaderStream.Data() + E.Image().HeaderStream.Size());
        ASSERT_EQ(int64_t(whole.size()), int64_t(E.Layout().FirstFileSector) * 2048);

        E.BeginImageHeader(true, nullptr);
        std::vector<uint8_t> streamed(E.Image().HeaderStream.Data(), E.Image().HeaderStream.Data() + E.Image().HeaderStream.Size());
        TDirectoryEncoder enc(E.Image());
        EXPECT_EQ(int64_t(streamed.size()) + enc.Size(), int64_t(whole.size()));
        std::vector<uint8_t> buf(70000, 0xEE);
        for (size_t i = 0; enc.Remaining() > 0; ++i) {
            const size_t want = slices[i % slices.size()];
            const int64_t before = enc.Remaining();
            const size_t got = enc.Read(buf.data(), want);
            ASSERT_EQ(got, size_t(std::min<int64_t>(int64_t(want), before)));
            streamed.insert(streamed.end(), buf.begin(), buf.begin() + std::ptrdiff_t(got));
        }
        EXPECT_EQ(enc.Read(buf.data(), 100), 0u);
        ASSERT_EQ(streamed.size(), whole.size());
        EXPECT_TRUE(streamed == whole);
    }
};

} // namespace

TEST_F(Streamed, ExtentsEqualTheWholeHeader) {
    Fill();
    Compare({65536});
    // Several sectors per directory in both trees, so the slicing below crosses extents.
    EXPECT_GT(E.Layout().IsoDirBytes, int64_t(E.Compilation().DirCount) * 2048);
}

TEST_F(Streamed, OddSlicesGiveTheSameBytes) {
    Fill();
    Compare({1, 7, 2048, 3001, 65536, 130});
}

TEST_F(Streamed, WithoutJolietOnlyTheIsoTree) {
    E.SetJolietFileSystem(false);
    Fill();
    Compare({4096, 999});
    EXPECT_EQ(E.Layout().JolietDirArea, 0);
}

TEST_F(Streamed, SmallTreeCarriesThePaddingToTheFirstFile) {
    ASSERT_TRUE(E.AddFileEntry(E.Compilation().DirTable[0], Listed("one.txt", 10), "/one"));
    Compare({65536});
    E.BeginImageHeader(true, nullptr);
    TDirectoryEncoder enc(E.Image());
    // Two one-sector root extents, then zeros up to the first file's sector.
    EXPECT_GT(E.Layout().PadSectors, 0);
    EXPECT_EQ(enc.Size(), (2 + E.Layout().PadSectors) * 2048);
}
