#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <set>

#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;

namespace {

std::string Name(const char* prefix, int i, int width = 5) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s%0*d", prefix, width, i);
    return buf;
}

// The path-table order as ISO 9660 defines it, checked property by property: numbers are
// positions + 1, parents come first, parent numbers never decrease, names ascend under
// one parent, levels never decrease.
void ExpectPathTableOrder(const TVornBurner& e) {
    ASSERT_EQ(e.Compilation().IsoPathOrder[0], e.Compilation().DirTable[0]);
    std::set<const TDEntry*> seen;
    for (int32_t i = 0; i < e.Compilation().DirCount; ++i) {
        const TDEntry* d = e.Compilation().IsoPathOrder[size_t(i)];
        ASSERT_EQ(d->Number, i + 1);
        ASSERT_EQ(e.Compilation().JolietPathOrder[size_t(i)], d);
        ASSERT_TRUE(seen.insert(d).second);
        if (i == 0) continue;
        const TDEntry* prev = e.Compilation().IsoPathOrder[size_t(i - 1)];
        ASSERT_LT(d->Parent->Number, d->Number);
        if (i > 1) {
            ASSERT_LE(prev->Parent->Number, d->Parent->Number) << i;
            if (prev->Parent == d->Parent) {
                ASSERT_LT(prev->ShortName, d->ShortName) << i;
            }
            ASSERT_LE(prev->Level, d->Level);
        }
    }
    ASSERT_EQ(int32_t(seen.size()), e.Compilation().DirCount);
}

// The designed ordering, run as the repeated passes of a gap sort with numeric keys; the
// layout must arrive at the same order.
std::vector<const TDEntry*> PassesOracle(const TVornBurner& e) {
    const int32_t n = e.Compilation().DirCount;
    std::vector<TDEntry*> t(e.Compilation().DirTable.begin(), e.Compilation().DirTable.begin() + n);
    std::vector<int> number(static_cast<size_t>(n));
    std::vector<int> slotOf(static_cast<size_t>(n));
    auto idx = [&](const TDEntry* d) { return int(std::find(e.Compilation().DirTable.begin(), e.Compilation().DirTable.begin() + n, d) - e.Compilation().DirTable.begin()); };
    std::vector<int> parent(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) parent[size_t(i)] = idx(e.Compilation().DirTable[size_t(i)]->Parent);
    std::vector<int> order(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) order[size_t(i)] = i;
    auto renumber = [&] {
        for (int i = 0; i < n; ++i) number[size_t(order[size_t(i)])] = i + 1;
    };
    auto pass = [&](auto key) {
        for (int g = n - 1; g > 1;) {
            g /= 2;
            for (bool swapped = true; swapped;) {
                swapped = false;
                for (int i = 1; i + g <= n - 1; ++i)
                    if (key(order[size_t(i + g)]) < key(order[size_t(i)])) {
                        std::swap(order[size_t(i)], order[size_t(i + g)]);
                        swapped = true;
                    }
            }
        }
        renumber();
    };
    auto name = [&](int d) { return e.Compilation().DirTable[size_t(d)]->ShortName; };
    renumber();
    pass([&](int d) { return std::make_pair(int(e.Compilation().DirTable[size_t(d)]->Level), name(d)); });
    pass([&](int d) { return std::make_pair(number[size_t(parent[size_t(d)])], name(d)); });
    for (int round = 0; round < 1000; ++round) {
        pass([&](int d) { return number[size_t(d)]; });
        pass([&](int d) { return number[size_t(parent[size_t(d)])]; });
        pass([&](int d) { return number[size_t(d)]; });
        pass([&](int d) { return std::make_pair(number[size_t(parent[size_t(d)])], name(d)); });
        bool ok = true;
        for (int i = 2; i < n; ++i)
            ok &= number[size_t(parent[size_t(order[size_t(i - 1)])])] <= number[size_t(parent[size_t(order[size_t(i)])])];
        if (ok) break;
    }
    std::vector<const TDEntry*> out;
    for (int i : order) out.push_back(e.Compilation().DirTable[size_t(i)]);
    return out;
}

} // namespace

TEST(Layout, BytesToSectors) {
    EXPECT_EQ(TVornBurner::BytesToSectors(0), 0);
    EXPECT_EQ(TVornBurner::BytesToSectors(1), 1);
    EXPECT_EQ(TVornBurner::BytesToSectors(2048), 1);
    EXPECT_EQ(TVornBurner::BytesToSectors(2049), 2);
    EXPECT_EQ(TVornBurner::BytesToSectors(5LL << 30), (5LL << 30) / 2048);
}

TEST(Layout, EmptyCompilationWithAndWithoutJoliet) {
    TVornBurner e;
    e.SetDoDebug(true);
    ASSERT_TRUE(e.PrepareCompilation(true, nullptr));
    EXPECT_FALSE(e.DoDebug());
    EXPECT_EQ(e.Layout().PathTableL, 19);
    EXPECT_EQ(e.Layout().PathTableM, 20);
    EXPECT_EQ(e.Layout().JolietPathTableL, 21);
    EXPECT_EQ(e.Layout().JolietPathTableM, 22);
    EXPECT_EQ(e.Layout().PathTableSize, 10);
    EXPECT_EQ(e.Layout().JolietPathTableSize, 10);
    EXPECT_EQ(e.Layout().IsoDirArea, 23);
    EXPECT_EQ(e.Layout().JolietDirArea, 24);
    EXPECT_EQ(e.Compilation().DirTable[0]->IsoSize, 2048);
    EXPECT_EQ(e.Layout().PadSectors, 125);
    EXPECT_EQ(e.Layout().FirstFileSector, 150);
    EXPECT_EQ(e.Layout().EndLBA, 150);
    EXPECT_EQ(e.ImageSectors(), 150);

    e.SetJolietFileSystem(false);
    ASSERT_TRUE(e.LayoutCompilation(true, nullptr));
    EXPECT_EQ(e.Layout().PathTableL, 18);
    EXPECT_EQ(e.Layout().PathTableM, 19);
    EXPECT_EQ(e.Layout().IsoDirArea, 20);
    EXPECT_EQ(e.Layout().PadSectors, 129);
    EXPECT_EQ(e.Layout().FirstFileSector, 150);
}

TEST(Layout, PathTablesOfExactlyOneAndTwoSectors) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    // 126 records of 16 bytes + one of 22 + the root's 10 = 2048.
    for (int i = 1; i <= 126; ++i) e.CreateDir(root, Name("DIR", i), 0x10);
    e.CreateDir(root, "ABCDEFGHIJKLM", 0x10);
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Layout().PathTableSize, 2048);
    EXPECT_EQ(e.Layout().PathTableM, e.Layout().PathTableL + 1);
    e.CreateDir(root, "DIR00127", 0x10);
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Layout().PathTableSize, 2064);
    EXPECT_EQ(e.Layout().PathTableM, e.Layout().PathTableL + 2);

    TVornBurner f;
    for (int i = 1; i <= 254; ++i) f.CreateDir(f.Compilation().DirTable[0], Name("DIR", i), 0x10);
    f.CreateDir(f.Compilation().DirTable[0], "ABCDEFGHIJKLM", 0x10);
    f.LayoutCompilation(true, nullptr);
    EXPECT_EQ(f.Layout().PathTableSize, 4096);
    EXPECT_EQ(f.Layout().PathTableM, f.Layout().PathTableL + 2);
    EXPECT_EQ(f.Layout().JolietPathTableSize, 10 + 254 * 24 + (8 + 26));
}

TEST(Layout, DirectoryRecordsThatExactlyFillASector) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    // "." and ".." take 68 bytes; 45 records of 42 + 44 + 46 fill the other 1980.
    for (int i = 0; i < 45; ++i) ASSERT_TRUE(e.AddFileEntry(root, Listed(Name("F", i, 2) + ".TXT"), "/s"));
    ASSERT_TRUE(e.AddFileEntry(root, Listed("G0001.TXT"), "/s"));
    ASSERT_TRUE(e.AddFileEntry(root, Listed("G00001.TXT"), "/s"));
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Compilation().DirTable[0]->IsoSize, 2048);
    EXPECT_EQ(e.Layout().IsoDirBytes, 2048);

    TVornBurner f;
    for (int i = 0; i < 45; ++i) f.AddFileEntry(f.Compilation().DirTable[0], Listed(Name("F", i, 2) + ".TXT"), "/s");
    f.AddFileEntry(f.Compilation().DirTable[0], Listed("H00001.TXT"), "/s");
    f.AddFileEntry(f.Compilation().DirTable[0], Listed("G00001.TXT"), "/s");
    f.LayoutCompilation(true, nullptr);
    EXPECT_EQ(f.Compilation().DirTable[0]->IsoSize, 4096);
}

TEST(Layout, FilesFollowEachOtherOnWholeSectors) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    e.AddFileEntry(root, Listed("one.bin", 1), "/s/one");
    e.AddFileEntry(root, Listed("empty.bin", 0), "/s/empty");
    e.AddFileEntry(root, Listed("two.bin", 2049), "/s/two");
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Layout().FirstFileSector, 150);
    EXPECT_EQ(e.Compilation().FileTable[0]->IsoSector, 0);
    EXPECT_EQ(e.Compilation().FileTable[1]->IsoSector, 0);
    EXPECT_EQ(e.Compilation().FileTable[1]->JolietSize, 0);
    EXPECT_EQ(e.Compilation().FileTable[2]->IsoSector, 1);
    EXPECT_EQ(e.Compilation().FileTable[2]->JolietSector, 1);
    EXPECT_EQ(e.Compilation().FileTable[2]->JolietSize, 2049);
    EXPECT_EQ(e.Layout().FileSectors, 3);
    EXPECT_EQ(e.Layout().EndLBA, 153);
    EXPECT_EQ(e.ImageSectors(), 153);
}

TEST(Layout, PathTableOrderIsByParentThenNameNotByAddition) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    TDEntry* b = e.AddDirEntry(root, ListedDir("B"));
    TDEntry* a = e.AddDirEntry(root, ListedDir("A"));
    TDEntry* c = e.AddDirEntry(b, ListedDir("C"));
    e.AddFileEntry(c, Listed("f.txt", 5), "/s");
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Compilation().IsoPathOrder[1], a);
    EXPECT_EQ(e.Compilation().IsoPathOrder[2], b);
    EXPECT_EQ(e.Compilation().IsoPathOrder[3], c);
    EXPECT_EQ(a->Number, 2);
    EXPECT_EQ(b->Number, 3);
    EXPECT_EQ(c->Number, 4);
    EXPECT_LT(b->IsoSector, a->IsoSector); // extents stay in the order of addition
    EXPECT_LT(a->IsoSector, c->IsoSector);
    // The directory entry in the parent's list carries the extent of its directory.
    EXPECT_EQ(root->FirstChild->IsoSector, b->IsoSector);
    EXPECT_EQ(root->FirstChild->IsoSize, 2048);
    e.LayoutCompilation(true, nullptr); // a second run ends in the same order
    EXPECT_EQ(e.Compilation().IsoPathOrder[1], a);
    EXPECT_EQ(e.Compilation().IsoPathOrder[3], c);
}

TEST(Layout, JolietNamesDoNotChangeTheOrder) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    TDEntry* z = e.AddDirEntry(root, ListedDir("zebra", "A"));
    TDEntry* a = e.AddDirEntry(root, ListedDir("aardvark", "B"));
    e.LayoutCompilation(true, nullptr);
    EXPECT_EQ(e.Compilation().JolietPathOrder[1], z);
    EXPECT_EQ(e.Compilation().JolietPathOrder[2], a);
    ExpectPathTableOrder(e);
}

TEST(Layout, StructuresPastSector150MoveTheFirstFileSector) {
    TVornBurner e;
    TDEntry* root = e.Compilation().DirTable[0];
    for (int i = 0; i < 200; ++i) e.CreateDir(root, Name("D", i), 0x10);
    e.AddFileEntry(root, Listed("f.bin", 10), "/s");
    e.LayoutCompilation(true, nullptr);
    const int64_t end = int64_t(e.Layout().JolietDirArea) + e.Layout().JolietDirBytes / 2048;
    ASSERT_GT(end, 150);
    EXPECT_EQ(e.Layout().FirstFileSector, end);
    EXPECT_LE(e.Layout().PadSectors, 0);
    EXPECT_EQ(e.Layout().EndLBA, end + 1);
}

TEST(Layout, OrderMatchesTheDesignedPassesOnARandomTree) {
    TVornBurner e;
    std::mt19937 rng(5);
    for (int i = 0; i < 1500; ++i) {
        TDEntry* parent = e.Compilation().DirTable[size_t(rng() % unsigned(e.Compilation().DirCount))];
        e.CreateDir(parent, Name("N", int(rng() % 100000)), 0x10);
    }
    auto expected = PassesOracle(e);
    e.LayoutCompilation(true, nullptr);
    for (int32_t i = 0; i < e.Compilation().DirCount; ++i) ASSERT_EQ(e.Compilation().IsoPathOrder[size_t(i)], expected[size_t(i)]) << i;
    ExpectPathTableOrder(e);
}

// Numbers above 9999 keep ordering numerically and the ordering ends.
TEST(Layout, TwentyThousandFoldersOrderNumerically) {
    TVornBurner e;
    e.ClearCompilation(600000, 20000);
    TDEntry* root = e.Compilation().DirTable[0];
    std::vector<TDEntry*> level2;
    for (int i = 0; i < 100; ++i) level2.push_back(e.CreateDir(root, Name("P", 99 - i, 3), 0x10));
    for (int i = 0; e.Compilation().DirCount < 20000; ++i) e.CreateDir(level2[size_t(i % 100)], Name("C", 20000 - i), 0x10);
    ASSERT_EQ(e.Compilation().DirCount, 20000);
    e.LayoutCompilation(true, nullptr);
    ExpectPathTableOrder(e);
    EXPECT_EQ(e.Compilation().IsoPathOrder[19999]->Number, 20000);
    // The last parent's children come last: they have the highest parent number.
    EXPECT_EQ(e.Compilation().IsoPathOrder[19999]->Parent->ShortName, "P099");
}
