#include <gtest/gtest.h>

#include <cstring>

#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"
#include "support/IsoReader.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;
using testsupport::Sector;
using testsupport::Text;

namespace {

std::string Ucs2(const std::string& ascii) {
    std::string s;
    for (char c : ascii) {
        s.push_back('\0');
        s.push_back(c);
    }
    return s;
}

bool AllBytes(const uint8_t* p, size_t n, uint8_t v) {
    for (size_t i = 0; i < n; ++i)
        if (p[i] != v) return false;
    return true;
}

bool AllPairs(const uint8_t* p, size_t n) {
    for (size_t i = 0; i + 1 < n; i += 2)
        if (p[i] != 0 || p[i + 1] != 0x20) return false;
    return true;
}

struct Header : ::testing::Test {
    TVornBurner E;
    void Build() {
        E.LayoutCompilation(true, nullptr);
        E.BuildImageHeader(true, nullptr);
        ASSERT_EQ(E.Image().HeaderStream.Size(), int64_t(E.Layout().FirstFileSector) * 2048);
    }
    // The record of a child in the root extent of a tree (first child after "." and "..").
    const uint8_t* FirstChildRecord(bool joliet) {
        return Sector(E, joliet ? E.Layout().JolietDirArea : E.Layout().IsoDirArea) + 68;
    }
};

} // namespace

TEST_F(Header, EmptyCompilationWithJoliet) {
    E.SetDoDebug(false);
    Build();
    EXPECT_TRUE(E.DoDebug());
    EXPECT_EQ(E.Image().HeaderStream.Size(), 150 * 2048);
    EXPECT_TRUE(AllBytes(Sector(E, 0), 16 * 2048, 0));
    EXPECT_EQ(Text(Sector(E, 16), 7), std::string("\x01" "CD001\x01", 7));
    EXPECT_EQ(Text(Sector(E, 17), 7), std::string("\x02" "CD001\x01", 7));
    EXPECT_EQ(Text(Sector(E, 18), 7), std::string("\xFF" "CD001\x01", 7));
    EXPECT_TRUE(AllBytes(Sector(E, 18) + 7, 2041, 0));

    const uint8_t* pvd = Sector(E, 16);
    EXPECT_TRUE(AllBytes(pvd + 8, 64, ' '));
    EXPECT_TRUE(AllBytes(pvd + 190, 623, ' '));
    EXPECT_EQ(Text(pvd + 80, 8), std::string("\x96\0\0\0\0\0\0\x96", 8));
    EXPECT_TRUE(AllBytes(pvd + 88, 32, 0)); // no escape sequence in the primary descriptor
    EXPECT_EQ(Text(pvd + 120, 12), std::string("\1\0\0\1\1\0\0\1\0\x08\x08\0", 12));
    EXPECT_EQ(Text(pvd + 132, 8), std::string("\x0A\0\0\0\0\0\0\x0A", 8));
    EXPECT_EQ(Text(pvd + 140, 16), std::string("\x13\0\0\0\0\0\0\0\0\0\0\x14\0\0\0\0", 16));
    EXPECT_EQ(Text(pvd + 156, 34), std::string("\x22\0\x17\0\0\0\0\0\0\x17\0\x08\0\0\0\0\x08\0"
                                               "\0\0\0\0\0\0\0\x02\0\0\1\0\0\1\1\0", 34));
    EXPECT_EQ(Text(pvd + 813, 17), std::string("1899123000000000\0", 17));
    EXPECT_EQ(Text(pvd + 830, 17), std::string("1899123000000000\0", 17));
    EXPECT_EQ(Text(pvd + 847, 17), std::string("0000000000000000\0", 17));
    EXPECT_EQ(Text(pvd + 864, 17), std::string("0000000000000000\0", 17));
    EXPECT_EQ(pvd[881], 1);
    EXPECT_EQ(Text(pvd + 1024, 8), "        ");
    EXPECT_TRUE(AllBytes(pvd + 883, 1024 - 883, 0));
    EXPECT_TRUE(AllBytes(pvd + 1395, 653, 0));

    const uint8_t* svd = Sector(E, 17);
    EXPECT_TRUE(AllPairs(svd + 8, 64));
    EXPECT_TRUE(AllPairs(svd + 190, 738 - 190));
    EXPECT_TRUE(AllPairs(svd + 739, 36));
    EXPECT_TRUE(AllPairs(svd + 776, 36));
    EXPECT_EQ(svd[738], 0);
    EXPECT_EQ(svd[775], 0);
    EXPECT_EQ(svd[812], 0);
    EXPECT_EQ(Text(svd + 88, 32), std::string("%/@") + std::string(29, '\0'));
    EXPECT_EQ(Text(svd + 140, 16), std::string("\x15\0\0\0\0\0\0\0\0\0\0\x16\0\0\0\0", 16));
    EXPECT_EQ(testsupport::LE32(svd + 156 + 2), 24u);
    EXPECT_EQ(Text(svd + 813, 16), "1899123000000000");

    // Path tables: the root's record only, little- and big-endian.
    EXPECT_EQ(Text(Sector(E, 19), 10), std::string("\1\0\x17\0\0\0\1\0\0\0", 10));
    EXPECT_EQ(Text(Sector(E, 20), 10), std::string("\1\0\0\0\0\x17\0\1\0\0", 10));
    EXPECT_EQ(Text(Sector(E, 21), 10), std::string("\1\0\x18\0\0\0\1\0\0\0", 10));
    EXPECT_EQ(Text(Sector(E, 22), 10), std::string("\1\0\0\0\0\x18\0\1\0\0", 10));
    EXPECT_TRUE(AllBytes(Sector(E, 19) + 10, 2038, 0));
    // Root extents: "." and ".." both point at the root itself.
    EXPECT_EQ(testsupport::LE32(Sector(E, 23) + 2), 23u);
    EXPECT_EQ(testsupport::LE32(Sector(E, 23) + 34 + 2), 23u);
    EXPECT_EQ(Sector(E, 23)[34 + 33], 1);
    EXPECT_EQ(testsupport::LE32(Sector(E, 24) + 34 + 10), 2048u);
    EXPECT_TRUE(AllBytes(Sector(E, 25), 125 * 2048, 0));
}

TEST_F(Header, WithoutJolietNoSupplementaryStructures) {
    E.SetJolietFileSystem(false);
    Build();
    EXPECT_EQ(E.Image().HeaderStream.Size(), 150 * 2048);
    EXPECT_TRUE(AllBytes(Sector(E, 16) + 88, 32, 0));
    EXPECT_EQ(Sector(E, 17)[0], 0xFF);
    EXPECT_EQ(testsupport::LE32(Sector(E, 16) + 140), 18u);
    EXPECT_EQ(testsupport::BE32(Sector(E, 16) + 148), 19u);
    EXPECT_EQ(testsupport::LE32(Sector(E, 16) + 156 + 2), 20u);
    EXPECT_TRUE(AllBytes(Sector(E, 21), 129 * 2048, 0));
}

TEST_F(Header, IdentifiersDatesAndApplicationText) {
    E.SetIdVolume("My Disc");
    E.SetIdSystem(std::string(40, 'S') + "xyz");
    E.SetFileCopyright("copy.txt");
    E.SetDateCreation(platform::EncodeDateTime({2001, 2, 3, 4, 5, 6, 7}));
    E.SetDateModification(platform::EncodeDateTime({2001, 2, 3, 4, 5, 6, 123}));
    E.SetApplicationUseText("abc");
    Build();
    const uint8_t* pvd = Sector(E, 16);
    const uint8_t* svd = Sector(E, 17);
    EXPECT_EQ(Text(pvd + 40, 32), "MY DISC" + std::string(25, ' '));
    EXPECT_EQ(Text(svd + 40, 32), Ucs2("My Disc") + Ucs2(std::string(9, ' ')));
    EXPECT_EQ(Text(pvd + 8, 32), std::string(32, 'S'));
    EXPECT_EQ(Text(svd + 8, 32), Ucs2(std::string(16, 'S')));
    EXPECT_EQ(Text(pvd + 702, 37), "COPY.TXT" + std::string(29, ' '));
    EXPECT_EQ(Text(svd + 702, 37), Ucs2("copy.txt") + Ucs2(std::string(10, ' ')) + std::string(1, '\0'));
    EXPECT_EQ(Text(pvd + 813, 16), "2001020304050607");
    EXPECT_EQ(Text(pvd + 830, 16), "2001020304050612");
    EXPECT_EQ(Text(svd + 830, 16), "2001020304050612");
    EXPECT_EQ(Text(pvd + 1024, 8), "ABC     ");
    EXPECT_EQ(Text(svd + 1024, 8), "ABC     ");
}

TEST_F(Header, RecordsOfFilesAndDirectories) {
    platform::OverrideTimeZoneBias(-60);
    E.ClearCompilation(100, 10);
    TDEntry* root = E.Compilation().DirTable[0];
    ASSERT_TRUE(E.AddFileEntry(root, Listed("abc.txt", 1, platform::faArchive, "ABC.TXT"), "/s/abc.txt"));
    TDEntry* data = E.AddDirEntry(root, ListedDir("data", "DATA"));
    TDEntry* hiddenDir = E.AddDirEntry(root, Listed("hid", 0, platform::faDirectory | platform::faHidden));
    E.AddFileEntry(data, Listed("empty.txt", 0), "/s/empty");
    E.AddFileEntry(hiddenDir, Listed("h.txt", 2049, platform::faArchive | platform::faHidden), "/s/h");
    Build();
    platform::OverrideTimeZoneBias(std::nullopt);

    const uint8_t* iso = FirstChildRecord(false);
    EXPECT_EQ(iso[0], 42);
    EXPECT_EQ(Text(iso + 32, 10), std::string("\x09" "ABC.TXT;1", 10));
    EXPECT_EQ(testsupport::LE32(iso + 2), 150u);
    EXPECT_EQ(testsupport::BE32(iso + 14), 1u);
    EXPECT_EQ(iso[25], 0);
    EXPECT_EQ(Text(iso + 18, 7), std::string("\x6A\x0C\x1F\x17\x3B\x3A\x04", 7)); // 106,12,31,23,59,58,4

    const uint8_t* jol = FirstChildRecord(true);
    EXPECT_EQ(jol[0], 52);
    EXPECT_EQ(jol[32], 18);
    EXPECT_EQ(Text(jol + 33, 19), Ucs2("abc.txt;1") + std::string(1, '\0'));

    const uint8_t* dir = iso + 42;
    EXPECT_EQ(dir[0], 38);
    EXPECT_EQ(Text(dir + 32, 6), std::string("\x04" "DATA\0", 6));
    EXPECT_EQ(dir[25], 2);
    EXPECT_EQ(testsupport::LE32(dir + 2), uint32_t(E.Layout().IsoDirArea + data->IsoSector));
    EXPECT_EQ(testsupport::LE32(dir + 10), 2048u);
    EXPECT_EQ(dir[38 + 25], 3); // hidden directory

    testsupport::TIsoReader reader(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
    for (bool joliet : {false, true}) {
        auto recs = reader.Walk(joliet ? 17 : 16, joliet);
        ASSERT_EQ(recs.size(), 5u);
        for (auto& r : recs) {
            if (r.Path == (joliet ? "/data/empty.txt" : "/DATA/EMPTY.TXT")) {
                EXPECT_EQ(r.Extent, 0u);
                EXPECT_EQ(r.Length, 0u);
            }
            if (r.Path == (joliet ? "/hid/h.txt" : "/HID/H.TXT")) {
                EXPECT_EQ(r.Flags, 1);
                EXPECT_EQ(r.Extent, 151u);
                EXPECT_EQ(r.Length, 2049u);
            }
        }
    }
    // The ".." of a sub-directory points at the root extent of its own tree.
    const uint8_t* sub = Sector(E, E.Layout().JolietDirArea + data->JolietSector);
    EXPECT_EQ(testsupport::LE32(sub + 34 + 2), uint32_t(E.Layout().JolietDirArea));
}

TEST_F(Header, PathTableRecordsInPathTableOrder) {
    TDEntry* root = E.Compilation().DirTable[0];
    TDEntry* b = E.AddDirEntry(root, ListedDir("Bee", "B"));
    E.AddDirEntry(root, ListedDir("Ant", "A"));
    E.AddDirEntry(b, ListedDir("Cat", "C"));
    Build();
    const uint8_t* l = Sector(E, E.Layout().PathTableL);
    // root, A (parent 1), B (parent 1), C (parent 3)
    EXPECT_EQ(l[10], 1);
    EXPECT_EQ(testsupport::LE32(l + 12), uint32_t(E.Layout().IsoDirArea + 2)); // A's extent: third in DirTable
    EXPECT_EQ(l[16], 1);
    EXPECT_EQ(l[18], 'A');
    EXPECT_EQ(l[20 + 8], 'B');
    EXPECT_EQ(l[30 + 6], 3);
    EXPECT_EQ(l[30 + 8], 'C');
    const uint8_t* m = Sector(E, E.Layout().PathTableM);
    EXPECT_EQ(testsupport::BE32(m + 30 + 2), uint32_t(E.Layout().IsoDirArea + 3));
    EXPECT_EQ(m[30 + 7], 3);
    const uint8_t* jl = Sector(E, E.Layout().JolietPathTableL);
    EXPECT_EQ(jl[10], 6);
    EXPECT_EQ(Text(jl + 18, 6), Ucs2("Ant"));
    EXPECT_EQ(Text(jl + 24 + 8, 6), Ucs2("Bee"));
}

TEST_F(Header, HeaderWithoutALayoutWritesNoRecordsOutOfBounds) {
    E.AddFileEntry(E.Compilation().DirTable[0], Listed("a.txt", 5), "/s/a");
    E.BuildImageHeader(true, nullptr); // no layout yet: sizes are 0
    E.LayoutCompilation(true, nullptr);
    E.AddFileEntry(E.Compilation().DirTable[0], Listed("b.txt", 5), "/s/b"); // changed after the layout
    for (int i = 0; i < 60; ++i) E.AddFileEntry(E.Compilation().DirTable[0], Listed("more" + std::to_string(i) + ".txt"), "/s");
    E.BuildImageHeader(true, nullptr);
    EXPECT_EQ(E.Image().HeaderStream.Size(), int64_t(E.Layout().FirstFileSector) * 2048);
}
