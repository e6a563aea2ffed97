// The UDF bridge in an image header, read back by a small UDF reader of its own: tags (checksum,
// CRC, location), the anchors and the descriptor sequences they point to, the integrity
// counts, the file set, and every File Entry and File Identifier of a tree.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <stdexcept>

#include "engine/image/UdfLib.h"
#include "engine/write/VornBurner.h"
#include "support/EngineHelpers.h"
#include "support/IsoReader.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;
using testsupport::Text;

namespace {

uint16_t LE16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t LE32(const uint8_t* p) { return testsupport::LE32(p); }
uint64_t LE64(const uint8_t* p) { return LE32(p) | (uint64_t(LE32(p + 4)) << 32); }

// CRC-ITU-T by table, built here from the polynomial (x^16 + x^12 + x^5 + 1).
uint16_t TableCrc(const uint8_t* p, size_t n) {
    static uint16_t table[256];
    static bool built = false;
    if (!built) {
        for (unsigned i = 0; i < 256; ++i) {
            uint16_t r = uint16_t(i << 8);
            for (int b = 0; b < 8; ++b) r = uint16_t((r & 0x8000) ? (r << 1) ^ 0x1021 : r << 1);
            table[i] = r;
        }
        built = true;
    }
    uint16_t crc = 0;
    for (size_t i = 0; i < n; ++i) crc = uint16_t((crc << 8) ^ table[((crc >> 8) ^ p[i]) & 0xFF]);
    return crc;
}

// A descriptor tag as a reader checks it: identifier, version 2, checksum of bytes 0-3 and
// 5-15, CRC over the length it states, location where it lies.
::testing::AssertionResult GoodTag(const uint8_t* d, uint16_t ident, uint32_t location) {
    if (LE16(d) != ident) return ::testing::AssertionFailure() << "identifier " << LE16(d) << " not " << ident;
    if (LE16(d + 2) != 2) return ::testing::AssertionFailure() << "version " << LE16(d + 2);
    uint8_t sum = 0;
    for (int i = 0; i < 16; ++i)
        if (i != 4) sum = uint8_t(sum + d[i]);
    if (d[4] != sum) return ::testing::AssertionFailure() << "checksum " << int(d[4]) << " not " << int(sum);
    const uint16_t length = LE16(d + 10);
    if (TableCrc(d + 16, length) != LE16(d + 8)) return ::testing::AssertionFailure() << "CRC of ident " << ident;
    if (LE32(d + 12) != location)
        return ::testing::AssertionFailure() << "location " << LE32(d + 12) << " not " << location;
    return ::testing::AssertionSuccess();
}

// CS0 as a reader decodes it (compression 8 or 16) into UTF-8.
std::string DecodeCs0(const uint8_t* p, size_t n) {
    if (n == 0) return "";
    if (p[0] != 8 && p[0] != 16) throw std::runtime_error("bad CS0 compression");
    std::string s;
    auto put = [&](unsigned c) { testsupport::AppendUtf8(s, c); };
    if (p[0] == 8)
        for (size_t i = 1; i < n; ++i) put(p[i]);
    else
        for (size_t i = 1; i + 1 < n; i += 2) put(unsigned(p[i]) << 8 | p[i + 1]);
    return s;
}

struct TUdfFile {
    std::string Path;
    bool Directory = false;
    uint8_t Compression = 0;   // of its name
    uint16_t Links = 0;
    uint64_t Length = 0;
    uint64_t UniqueId = 0;
    uint32_t Permissions = 0;
    uint16_t ZoneField = 0;    // type and zone of the modification time
    std::vector<std::pair<uint32_t, uint32_t>> Extents; // (length, partition block)
};

// Walks the tree from the anchor at 256, checking each tag on the way.
class TUdfReader {
public:
    TUdfReader(const uint8_t* data, size_t size) : Data(data), Size(size) {}

    const uint8_t* Sector(uint64_t n) const {
        if ((n + 1) * 2048 > Size) throw std::runtime_error("sector " + std::to_string(n) + " past the header");
        return Data + n * 2048;
    }

    uint32_t PartitionStart = 0;
    uint32_t PartitionLength = 0;
    uint32_t IntegritySector = 0;
    uint32_t FileSetBlock = 0;
    std::map<uint16_t, uint32_t> MainSequence; // tag identifier -> sector
    std::map<std::string, TUdfFile> Files;

    void ReadVolume() {
        const uint8_t* a = Sector(256);
        EXPECT_TRUE(GoodTag(a, 2, 256));
        const uint32_t mainLength = LE32(a + 16), mainAt = LE32(a + 20);
        const uint32_t reserveLength = LE32(a + 24), reserveAt = LE32(a + 28);
        EXPECT_GE(mainLength, 16u * 2048) << "UDF wants at least 16 sectors for a sequence";
        EXPECT_GE(reserveLength, 16u * 2048);
        EXPECT_NE(mainAt, reserveAt);
        ReadSequence(mainAt, mainLength, MainSequence);
        std::map<uint16_t, uint32_t> reserve;
        ReadSequence(reserveAt, reserveLength, reserve);
        ASSERT_EQ(reserve.size(), MainSequence.size());
        // The reserve copy differs from the main only in the tag locations.
        for (auto& [ident, sector] : MainSequence) {
            ASSERT_TRUE(reserve.count(ident)) << ident;
            EXPECT_EQ(0, std::memcmp(Sector(sector) + 16, Sector(reserve[ident]) + 16, 2048 - 16)) << ident;
        }
        const uint8_t* pd = Sector(MainSequence.at(5));
        EXPECT_EQ(Text(pd + 25, 6), "+NSR02");
        PartitionStart = LE32(pd + 188);
        PartitionLength = LE32(pd + 192);
        const uint8_t* lvd = Sector(MainSequence.at(6));
        EXPECT_EQ(LE32(lvd + 212), 2048u);
        EXPECT_EQ(Text(lvd + 217, 19), "*OSTA UDF Compliant");
        EXPECT_EQ(LE16(lvd + 216 + 24), 0x0102);
        EXPECT_EQ(LE32(lvd + 264), 6u);  // one Type 1 map of six bytes
        EXPECT_EQ(LE32(lvd + 268), 1u);
        EXPECT_EQ(lvd[440], 1);
        EXPECT_EQ(lvd[441], 6);
        FileSetBlock = LE32(lvd + 248 + 4);
        IntegritySector = LE32(lvd + 432 + 4);
        EXPECT_TRUE(GoodTag(Sector(IntegritySector), 9, IntegritySector));
        EXPECT_TRUE(GoodTag(Sector(IntegritySector + 1), 8, IntegritySector + 1));
        const uint8_t* iuvd = Sector(MainSequence.at(4));
        EXPECT_EQ(Text(iuvd + 21, 12), "*UDF LV Info");

        const uint8_t* fsd = Sector(PartitionStart + FileSetBlock);
        EXPECT_TRUE(GoodTag(fsd, 256, FileSetBlock));
        EXPECT_EQ(Text(fsd + 417, 19), "*OSTA UDF Compliant");
        ReadDirectory(LE32(fsd + 400 + 4), LE32(fsd + 400 + 4), "", 0);
    }

private:
    void ReadSequence(uint32_t at, uint32_t length, std::map<uint16_t, uint32_t>& out) {
        for (uint32_t s = at; s < at + length / 2048; ++s) {
            const uint8_t* d = Sector(s);
            const uint16_t ident = LE16(d);
            EXPECT_TRUE(GoodTag(d, ident, s));
            EXPECT_TRUE(out.emplace(ident, s).second) << "descriptor " << ident << " twice";
            if (ident == 8) return;
        }
        ADD_FAILURE() << "sequence at " << at << " has no terminator";
    }

    TUdfFile ReadEntry(uint32_t block, const std::string& path) {
        const uint8_t* fe = Sector(PartitionStart + block);
        EXPECT_TRUE(GoodTag(fe, 261, block)) << path;
        TUdfFile f;
        f.Path = path;
        EXPECT_EQ(LE16(fe + 16 + 4), 4) << "ICB strategy of " << path;
        f.Directory = fe[16 + 11] == 4;
        EXPECT_EQ(LE16(fe + 16 + 18) & 7, 0) << "short allocation descriptors in " << path;
        f.Permissions = LE32(fe + 44);
        f.Links = LE16(fe + 48);
        f.Length = LE64(fe + 56);
        f.ZoneField = LE16(fe + 84);
        f.UniqueId = LE64(fe + 160);
        const uint32_t ea = LE32(fe + 168), ad = LE32(fe + 172);
        EXPECT_EQ(ad % 8, 0u);
        uint64_t blocks = 0;
        for (uint32_t i = 0; i < ad; i += 8) {
            const uint8_t* p = fe + 176 + ea + i;
            f.Extents.emplace_back(LE32(p) & 0x3FFFFFFF, LE32(p + 4));
            EXPECT_EQ(LE32(p) >> 30, 0u) << "extent type of " << path;
            blocks += ((LE32(p) & 0x3FFFFFFF) + 2047) / 2048;
        }
        EXPECT_EQ(LE64(fe + 64), blocks) << "blocks recorded of " << path;
        return f;
    }

    void ReadDirectory(uint32_t block, uint32_t parentBlock, const std::string& path, int depth) {
        if (depth > 300) throw std::runtime_error("directory loop");
        TUdfFile dir = ReadEntry(block, path.empty() ? "/" : path);
        EXPECT_TRUE(dir.Directory) << path;
        ASSERT_EQ(dir.Extents.size(), 1u) << path;
        const uint32_t fidBlock = dir.Extents[0].second;
        std::string fids;
        for (uint32_t b = 0; b < (dir.Length + 2047) / 2048; ++b)
            fids.append(reinterpret_cast<const char*>(Sector(PartitionStart + fidBlock + b)), 2048);
        size_t pos = 0;
        bool first = true;
        uint16_t subdirs = 0;
        while (pos < dir.Length) {
            const uint8_t* d = reinterpret_cast<const uint8_t*>(fids.data()) + pos;
            EXPECT_TRUE(GoodTag(d, 257, fidBlock + uint32_t(pos / 2048))) << path << " at " << pos;
            const uint8_t chars = d[18], nameLength = d[19];
            const uint32_t icb = LE32(d + 20 + 4);
            const uint16_t implUse = LE16(d + 36);
            const std::string name = DecodeCs0(d + 38 + implUse, nameLength);
            if (first) {
                EXPECT_EQ(chars & 0x0A, 0x0A) << "the first identifier is the parent of " << path;
                EXPECT_EQ(icb, parentBlock) << path;
                first = false;
            } else {
                TUdfFile child = (chars & 0x02) ? TUdfFile{} : ReadEntry(icb, path + "/" + name);
                if (chars & 0x02) {
                    ++subdirs;
                    ReadDirectory(icb, block, path + "/" + name, depth + 1);
                }
                if (!(chars & 0x02)) {
                    child.Compression = d[38 + implUse];
                    Files[child.Path] = child;
                } else {
                    Files[path + "/" + name].Compression = d[38 + implUse];
                }
            }
            pos += (38 + implUse + nameLength + 3) / 4 * 4;
        }
        EXPECT_EQ(pos, dir.Length) << path;
        EXPECT_EQ(dir.Links, 1 + subdirs) << path;
        TUdfFile& kept = Files[path.empty() ? "/" : path];
        const uint8_t compression = kept.Compression;
        kept = dir;
        kept.Compression = compression;
    }

    const uint8_t* Data;
    size_t Size;
};

struct Bridge : ::testing::Test {
    TVornBurner E;
    testsupport::TMessages Messages;
    void SetUp() override {
        E.ClearCompilation(100, 10);
        E.SetUDFBridge(true);
        E.SetIdVolume("BRIDGE");
        Messages.Attach(E);
    }
    void Build() {
        ASSERT_TRUE(E.LayoutCompilation(true, nullptr));
        ASSERT_TRUE(E.BuildImageHeader(true, nullptr));
        ASSERT_EQ(E.Image().HeaderStream.Size(), int64_t(E.Layout().FirstFileSector) * 2048);
    }
    // Where the ISO 9660 tree says a file's data lies.
    std::map<std::string, testsupport::TIsoRecord> IsoFiles() {
        testsupport::TIsoReader iso(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
        std::map<std::string, testsupport::TIsoRecord> m;
        for (auto& r : iso.Walk(17, true)) m[r.Path] = r;
        return m;
    }
};

} // namespace

TEST(UdfTags, CrcMatchesTheKnownValuesOfCrcItuT) {
    // The worked example of ECMA-167 (1/7.2.6) and the usual check string of this CRC.
    const uint8_t example[] = {0x70, 0x6A, 0x77};
    EXPECT_EQ(udf::Crc(example, 3), 0x3299);
    EXPECT_EQ(udf::Crc(reinterpret_cast<const uint8_t*>("123456789"), 9), 0x31C3);
    EXPECT_EQ(udf::Crc(example, 0), 0);
    uint8_t bytes[600];
    for (size_t i = 0; i < sizeof bytes; ++i) bytes[i] = uint8_t(i * 7 + 3);
    EXPECT_EQ(udf::Crc(bytes, sizeof bytes), TableCrc(bytes, sizeof bytes));
}

TEST(UdfTags, TagHoldsChecksumCrcAndLocation) {
    uint8_t d[512] = {};
    for (size_t i = 16; i < sizeof d; ++i) d[i] = uint8_t(i);
    udf::PutTag(d, 261, 0x01020304, 100);
    EXPECT_TRUE(GoodTag(d, 261, 0x01020304));
    EXPECT_EQ(LE16(d + 10), 100);
    // Changing a byte inside the CRC's length is seen; one past it is not covered.
    d[16 + 99] ^= 1;
    EXPECT_FALSE(GoodTag(d, 261, 0x01020304));
    d[16 + 99] ^= 1;
    d[16 + 100] ^= 1;
    EXPECT_TRUE(GoodTag(d, 261, 0x01020304));
}

TEST(UdfNames, Cs0TakesEightBitsWhenEveryCharacterFitsElseSixteen) {
    EXPECT_EQ(udf::Cs0(u"ab"), std::string("\x08" "ab", 3));
    EXPECT_EQ(udf::Cs0(u"\u00FC"), std::string("\x08\xFC", 2));
    EXPECT_EQ(udf::Cs0(u"a\u65E5"), std::string("\x10\x00" "a\x65\xE5", 5));
    EXPECT_EQ(udf::Cs0(u""), "");
    // A dstring of 32 bytes holds 31 bytes of CS0 and their count in the last byte.
    uint8_t field[32];
    udf::PutDString(field, 32, std::u16string(40, u'\u3042'));
    EXPECT_EQ(field[0], 16);
    EXPECT_EQ(field[31], 31); // 1 + 15 units of 2 bytes
    EXPECT_EQ(field[29], 0x30);
    EXPECT_EQ(field[30], 0x42);
    udf::PutDString(field, 32, std::u16string(40, u'x'));
    EXPECT_EQ(field[31], 31);
    EXPECT_EQ(field[30], 'x');
}

TEST_F(Bridge, AnchorsPointAtBothSequencesAndTheVolumeCoversTheLastAnchor) {
    TDEntry* root = E.Compilation().DirTable[0];
    E.AddFileEntry(root, Listed("a.txt", 5000), "/s/a.txt");
    Build();
    // The recognition sequence right after the ISO descriptors (primary, Joliet, terminator).
    EXPECT_EQ(Text(testsupport::Sector(E, 18), 6), std::string("\xFF" "CD001", 6));
    EXPECT_EQ(Text(testsupport::Sector(E, 19), 7), std::string("\0BEA01\x01", 7));
    EXPECT_EQ(Text(testsupport::Sector(E, 20), 7), std::string("\0NSR02\x01", 7));
    EXPECT_EQ(Text(testsupport::Sector(E, 21), 7), std::string("\0TEA01\x01", 7));

    TUdfReader udf(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
    udf.ReadVolume();
    std::set<uint16_t> idents;
    for (auto& [ident, sector] : udf.MainSequence) idents.insert(ident);
    EXPECT_EQ(idents, (std::set<uint16_t>{1, 4, 5, 6, 7, 8}));
    EXPECT_EQ(udf.PartitionStart, 257u);

    // The last anchor closes the image, and the ISO volume size counts it.
    const std::vector<uint8_t> tail = E.Image().UdfTail();
    ASSERT_FALSE(tail.empty());
    const uint32_t last = uint32_t(E.Layout().EndLBA - 1);
    const uint8_t* anchor = tail.data() + tail.size() - 2048;
    EXPECT_TRUE(GoodTag(anchor, 2, last));
    EXPECT_EQ(0, std::memcmp(anchor + 16, testsupport::Sector(E, 256) + 16, 2048 - 16));
    EXPECT_EQ(LE32(testsupport::Sector(E, 16) + 80), uint32_t(E.Layout().EndLBA));
    EXPECT_GE(E.Layout().EndLBA, 300);
    // The partition ends before that anchor and holds the file data.
    EXPECT_EQ(udf.PartitionStart + udf.PartitionLength, last);
    const auto& a = udf.Files.at("/a.txt");
    ASSERT_EQ(a.Extents.size(), 1u);
    EXPECT_LE(udf.PartitionStart + a.Extents[0].second + 3, last);
}

TEST_F(Bridge, TreeOfFilesFoldersAndNamesReadsBackWithItsCountsAndExtents) {
    platform::OverrideTimeZoneBias(-60);
    E.ClearCompilation(100, 10);
    TDEntry* root = E.Compilation().DirTable[0];
    E.AddFileEntry(root, Listed("abc.txt", 5000), "/s/abc.txt");
    E.AddFileEntry(root, Listed("nodot", 10), "/s/nodot");
    E.AddFileEntry(root, Listed("\xC3\x9C" "ber.txt", 2048), "/s/u");          // Ü: 8-bit CS0
    E.AddFileEntry(root, Listed("\xE6\x97\xA5\xE6\x9C\xAC.dat", 1), "/s/j"); // 日本: 16-bit
    TDEntry* data = E.AddDirEntry(root, ListedDir("Data Folder"));
    E.AddFileEntry(data, Listed("empty.bin", 0), "/s/e");
    TDEntry* inner = E.AddDirEntry(data, ListedDir("inner"));
    E.AddFileEntry(inner, Listed("deep.txt", 3), "/s/d");
    Build();
    platform::OverrideTimeZoneBias(std::nullopt);

    TUdfReader udf(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
    udf.ReadVolume();
    // The source's own names: no version, no added dot, case kept.
    std::set<std::string> paths;
    for (auto& [p, f] : udf.Files) paths.insert(p);
    EXPECT_EQ(paths, (std::set<std::string>{"/", "/abc.txt", "/nodot", "/\xC3\x9C" "ber.txt",
                                            "/\xE6\x97\xA5\xE6\x9C\xAC.dat", "/Data Folder", "/Data Folder/empty.bin",
                                            "/Data Folder/inner", "/Data Folder/inner/deep.txt"}));
    EXPECT_EQ(udf.Files["/\xC3\x9C" "ber.txt"].Compression, 8);
    EXPECT_EQ(udf.Files["/\xE6\x97\xA5\xE6\x9C\xAC.dat"].Compression, 16);
    EXPECT_EQ(udf.Files["/abc.txt"].Compression, 8);
    EXPECT_EQ(udf.Files["/Data Folder"].Compression, 8);

    // Integrity: 6 files, 3 folders, and a next unique identifier above every one in use.
    const uint8_t* lvid = udf.Sector(udf.IntegritySector);
    EXPECT_EQ(LE32(lvid + 72), 1u);
    EXPECT_EQ(LE32(lvid + 84), udf.PartitionLength);
    EXPECT_EQ(LE32(lvid + 120), 6u);
    EXPECT_EQ(LE32(lvid + 124), 3u);
    EXPECT_EQ(LE32(lvid + 28), 1u) << "closed";
    std::set<uint64_t> ids;
    for (auto& [p, f] : udf.Files) {
        EXPECT_TRUE(ids.insert(f.UniqueId).second) << "unique id of " << p << " twice";
        EXPECT_LT(f.UniqueId, LE64(lvid + 40)) << p;
        EXPECT_TRUE(p == "/" ? f.UniqueId == 0 : f.UniqueId >= 16) << p;
        // Read for everyone; folders searchable too; never writable.
        EXPECT_EQ(f.Permissions, f.Directory ? 0x14A5u : 0x1084u) << p;
        EXPECT_EQ(f.ZoneField, 0x1000 | 60) << "local time at GMT+1 for " << p;
        if (!f.Directory) {
            EXPECT_EQ(f.Links, 1) << p;
        }
    }
    EXPECT_EQ(udf.Files["/"].Links, 2);
    EXPECT_EQ(udf.Files["/Data Folder"].Links, 2);
    EXPECT_EQ(udf.Files["/Data Folder/inner"].Links, 1);

    // Every file's extent is the one the Joliet tree gives (the same data serves both).
    auto joliet = IsoFiles();
    for (const char* p : {"/abc.txt", "/\xC3\x9C" "ber.txt", "/\xE6\x97\xA5\xE6\x9C\xAC.dat", "/Data Folder/inner/deep.txt"}) {
        const TUdfFile& f = udf.Files[p];
        ASSERT_EQ(f.Extents.size(), 1u) << p;
        ASSERT_TRUE(joliet.count(p)) << p;
        EXPECT_EQ(f.Length, joliet[p].Length) << p;
        EXPECT_EQ(f.Extents[0].first, joliet[p].Length) << p;
        EXPECT_EQ(f.Extents[0].second + udf.PartitionStart, joliet[p].Extent) << p;
    }
    EXPECT_EQ(udf.Files["/nodot"].Length, 10u);
    EXPECT_TRUE(udf.Files["/Data Folder/empty.bin"].Extents.empty());
    EXPECT_EQ(udf.Files["/Data Folder/empty.bin"].Length, 0u);
}

TEST_F(Bridge, FileOverFourGiBTakesExtentsBelowTheThirtyBitLimitBackToBack) {
    TDEntry* root = E.Compilation().DirTable[0];
    const int64_t size = (int64_t(5) << 30) + 12345;
    E.AddFileEntry(root, Listed("big.vob", size), "/s/big.vob");
    E.AddFileEntry(root, Listed("after.txt", 7), "/s/after.txt");
    Build();
    TUdfReader udf(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
    udf.ReadVolume();
    const TUdfFile& big = udf.Files.at("/big.vob");
    EXPECT_EQ(big.Length, uint64_t(size));
    ASSERT_GE(big.Extents.size(), 6u);
    uint64_t total = 0;
    uint32_t next = big.Extents[0].second;
    for (size_t i = 0; i < big.Extents.size(); ++i) {
        const auto [length, block] = big.Extents[i];
        EXPECT_LE(length, (1u << 30) - 1) << i;
        if (i + 1 < big.Extents.size()) {
            EXPECT_EQ(length % 2048, 0u) << "only the last extent may end inside a block";
        }
        EXPECT_EQ(block, next) << i;
        next = block + (length + 2047) / 2048;
        total += length;
    }
    EXPECT_EQ(total, uint64_t(size));
    // The file after it starts where the big one's last block ends.
    const TUdfFile& after = udf.Files.at("/after.txt");
    ASSERT_EQ(after.Extents.size(), 1u);
    EXPECT_EQ(after.Extents[0].second, next);
}

TEST_F(Bridge, NamesTooLongForCs0AreCutUniqueWithAMessage) {
    TDEntry* root = E.Compilation().DirTable[0];
    // 16-bit CS0 holds 127 characters in a File Identifier; these two agree in their first 200.
    std::string wide;
    for (int i = 0; i < 200; ++i) wide += "\xE3\x81\x82"; // あ
    E.AddFileEntry(root, Listed(wide + "1.txt", 1), "/s/w1");
    E.AddFileEntry(root, Listed(wide + "2.txt", 1), "/s/w2");
    const std::string narrow(254, 'n'); // 255 bytes of 8-bit CS0 fit exactly
    E.AddFileEntry(root, Listed(narrow, 1), "/s/n");
    Build();
    TUdfReader udf(E.Image().HeaderStream.Data(), size_t(E.Image().HeaderStream.Size()));
    udf.ReadVolume();
    std::set<std::string> names;
    for (auto& [p, f] : udf.Files)
        if (p != "/") names.insert(p.substr(1));
    ASSERT_EQ(names.size(), 3u);
    EXPECT_TRUE(names.count(narrow));
    int cut = 0;
    for (const std::string& n : names) {
        if (n == narrow) continue;
        ++cut;
        EXPECT_EQ(udf.Files["/" + n].Compression, 16);
        EXPECT_EQ(n.substr(n.size() - 4), ".txt") << "the extension stays";
        // UTF-8 of at most 127 characters: every one here takes 3 bytes but ~, digits and .txt.
        size_t chars = 0;
        for (unsigned char c : n) chars += (c & 0xC0) != 0x80;
        EXPECT_LE(chars, 127u) << n;
    }
    EXPECT_EQ(cut, 2);
    // One message for the Joliet tree's cut of each name, and one more where UDF cuts too.
    auto about = [&](const std::string& source) {
        int n = 0;
        for (auto& [text, type] : Messages.List) n += type == 4 && text.find(source) != std::string::npos;
        return n;
    };
    EXPECT_EQ(about("/s/w1"), 2);
    EXPECT_EQ(about("/s/w2"), 2);
    EXPECT_EQ(about("/s/n"), 1);
}

TEST_F(Bridge, BridgeOffLeavesNoTraceOfUdf) {
    E.SetUDFBridge(false);
    E.AddFileEntry(E.Compilation().DirTable[0], Listed("a.txt", 5000), "/s/a.txt");
    Build();
    EXPECT_TRUE(E.Image().UdfTail().empty());
    EXPECT_EQ(E.Layout().FirstFileSector, 150);
    for (int64_t s = 19; s < 22; ++s) EXPECT_NE(Text(testsupport::Sector(E, s) + 1, 5), "BEA01");
}
