// How many sectors a 1:1 copy of an overwritable disc reads: what its file systems declare,
// on real UDF and ISO 9660 images made by mkudffs and genisoimage, and on hand-made and
// hostile descriptors.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <vector>

#include "engine/Bytes.h"
#include "engine/write/DiscExtent.h"
#ifndef _WIN32 // the image tools are run through a POSIX shell
#include "support/RunTool.h"
#include "support/TempTree.h"
using namespace testsupport;
#endif

using namespace tarnwick;

namespace {

using TSectors = std::map<uint32_t, std::vector<uint8_t>>;

// Every sector readable up to `readable`; the ones not in the map read as zeros.
uint32_t Declared(const TSectors& sectors, uint32_t readable = 0xFFFFFFFFu) {
    return DeclaredFileSystemSectors([&](uint32_t lba, uint8_t* out) {
        if (lba >= readable) return false;
        auto it = sectors.find(lba);
        std::fill(out, out + 2048, 0);
        if (it != sectors.end()) std::copy(it->second.begin(), it->second.end(), out);
        return true;
    });
}

std::vector<uint8_t> Tag(uint16_t id, uint32_t location) {
    std::vector<uint8_t> s(2048, 0);
    PutLE16(&s[0], id);
    PutLE32(&s[12], location);
    return s;
}

std::vector<uint8_t> Anchor(uint32_t at, uint32_t mainLocation, uint32_t mainBytes, uint32_t reserveLocation) {
    auto s = Tag(2, at);
    PutLE32(&s[16], mainBytes);
    PutLE32(&s[20], mainLocation);
    PutLE32(&s[24], 16 * 2048);
    PutLE32(&s[28], reserveLocation);
    return s;
}

std::vector<uint8_t> Partition(uint32_t start, uint32_t length) {
    auto s = Tag(5, 0);
    PutLE32(&s[188], start);
    PutLE32(&s[192], length);
    return s;
}

std::vector<uint8_t> PrimaryVolume(uint32_t sectors) {
    std::vector<uint8_t> s(2048, 0);
    s[0] = 1;
    std::copy_n("CD001", 5, &s[1]);
    PutLE32(&s[80], sectors);
    return s;
}

[[maybe_unused]] TSectors FileSectors(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), {});
    TSectors sectors;
    for (size_t i = 0; i + 2048 <= bytes.size(); i += 2048)
        sectors[uint32_t(i / 2048)] = std::vector<uint8_t>(bytes.begin() + i, bytes.begin() + i + 2048);
    return sectors;
}

} // namespace

#ifndef _WIN32
TEST(DeclaredSize, AUdfVolumeFromMkudffsIsReadUpToItsClosingAnchor) {
    if (!HaveTool("mkudffs")) GTEST_SKIP() << "mkudffs (udftools) is not installed";
    TTempTree t;
    const std::string image = t.Path("udf.img");
    ASSERT_EQ(RunTool("truncate -s " + std::to_string(3000 * 2048) + " " + Quote(image)).Code, 0);
    auto r = RunTool("mkudffs --blocksize=2048 --media-type=dvdrw " + Quote(image));
    ASSERT_EQ(r.Code, 0) << r.Output;
    const auto sectors = FileSectors(image);
    ASSERT_EQ(sectors.size(), 3000u);
    // The partition ends well before the volume: the reserve sequence and the anchors follow.
    // The sectors after the volume (a disc formatted larger reads zeros there) do not count.
    EXPECT_EQ(Declared(sectors), 3000u);
}

TEST(DeclaredSize, AUdfBridgeFromGenisoimageDeclaresTheWholeImage) {
    if (!HaveTool("genisoimage")) GTEST_SKIP() << "genisoimage is not installed";
    TTempTree t;
    t.File("tree/VIDEO_TS/VIDEO_TS.IFO", std::string(5000, 'i'));
    t.File("tree/big.bin", std::string(300000, 'b'));
    auto r = RunTool("genisoimage -quiet -udf -o " + Quote(t.Path("bridge.iso")) + " " + Quote(t.Path("tree")));
    ASSERT_EQ(r.Code, 0) << r.Output;
    const auto sectors = FileSectors(t.Path("bridge.iso"));
    EXPECT_EQ(Declared(sectors), uint32_t(sectors.size()));
}

#endif

TEST(DeclaredSize, TheLargestOfTheDeclaredEndsWins) {
    TSectors udf;
    udf[256] = Anchor(256, 32, 16 * 2048, 48);
    udf[33] = Partition(300, 700); // ends at 1000
    udf[34] = Tag(8, 34);          // terminator
    EXPECT_EQ(Declared(udf), 1000u);
    // An ISO 9660 volume that is longer.
    udf[16] = PrimaryVolume(1500);
    EXPECT_EQ(Declared(udf), 1500u);
    // A closing anchor after the partition extends the volume; one naming another sector, or
    // other sequences, is no anchor of this volume.
    udf.erase(16);
    udf[1100] = Anchor(1100, 32, 16 * 2048, 48);
    udf[1200] = Anchor(1300, 32, 16 * 2048, 48);
    udf[1250] = Anchor(1250, 40, 16 * 2048, 48);
    EXPECT_EQ(Declared(udf), 1101u);
    // Descriptors after the terminator are not looked at.
    udf[35] = Partition(0, 5000);
    EXPECT_EQ(Declared(udf), 1101u);
}

TEST(DeclaredSize, NoFileSystemOrHostileDescriptorsGiveABoundedAnswer) {
    EXPECT_EQ(Declared({}), 0u);
    // A "CD001" that is not a primary volume descriptor.
    TSectors notPrimary;
    notPrimary[16] = PrimaryVolume(900);
    notPrimary[16][0] = 2;
    EXPECT_EQ(Declared(notPrimary), 0u);

    // An anchor whose sequence is endless and whose partition overflows 32 bits: at most a
    // bounded number of sectors are read, and the answer is clamped.
    TSectors hostile;
    hostile[256] = Anchor(256, 0xFFFFFF00u, 0xFFFFFFFFu, 0xFFFFFFF0u);
    for (uint32_t i = 0; i < 64; ++i) hostile[0xFFFFFF00u + i] = Partition(0xFFFFFFF0u, 0x100);
    uint32_t reads = 0;
    const uint32_t declared = DeclaredFileSystemSectors([&](uint32_t lba, uint8_t* out) {
        ++reads;
        auto it = hostile.find(lba);
        std::fill(out, out + 2048, 0);
        if (it != hostile.end()) std::copy(it->second.begin(), it->second.end(), out);
        return true;
    });
    EXPECT_EQ(declared, 0xFFFFFFFFu);
    EXPECT_LE(reads, 2u + 64u + 512u);

    // Sectors that cannot be read end the search instead of counting.
    TSectors shortDisc;
    shortDisc[256] = Anchor(256, 32, 16 * 2048, 48);
    shortDisc[32] = Partition(100, 100);
    EXPECT_EQ(Declared(shortDisc, 260), 200u);
}
