// IFO placement fields read from hand-made IFOs of the shape dvdauthor writes, and refused
// when the bytes lie: cut short, pointing past the end, counts far beyond the file.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "engine/image/IfoParser.h"

using namespace tarnwick;

namespace {

void BE16(std::vector<uint8_t>& b, size_t at, uint16_t v) {
    b[at] = uint8_t(v >> 8);
    b[at + 1] = uint8_t(v);
}
void BE32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    BE16(b, at, uint16_t(v >> 16));
    BE16(b, at + 2, uint16_t(v));
}

// A video manager of two IFO sectors (header, then the title search table at sector 1),
// a menu VOB of 10 sectors: IFO 0-1, VOB 2-11, BUP 12-13.
struct TManager {
    std::vector<uint8_t> Bytes = std::vector<uint8_t>(2 * 2048, 0);
    TManager(uint16_t sets, const std::vector<std::pair<uint8_t, uint32_t>>& titles) {
        std::memcpy(Bytes.data(), "DVDVIDEO-VMG", 12);
        BE32(Bytes, 0x0C, 13);  // last sector of the set
        BE32(Bytes, 0x1C, 1);   // last sector of the IFO
        BE16(Bytes, 0x3E, sets);
        BE32(Bytes, 0xC0, 2);   // menu VOB
        BE32(Bytes, 0xC4, 1);   // title search table
        BE16(Bytes, 2048, uint16_t(titles.size()));
        for (size_t t = 0; t < titles.size(); ++t) {
            const size_t e = 2048 + 8 + t * 12;
            Bytes[e + 6] = titles[t].first;
            BE32(Bytes, e + 8, titles[t].second);
        }
    }
};

// A title set: IFO 0-2, menu VOB 3-9, title VOBs from 10, BUP the last three of 0-1009.
std::vector<uint8_t> TitleSet(uint32_t menu = 3, uint32_t title = 10) {
    std::vector<uint8_t> b(3 * 2048, 0);
    std::memcpy(b.data(), "DVDVIDEO-VTS", 12);
    BE32(b, 0x0C, 1009);
    BE32(b, 0x1C, 2);
    BE32(b, 0xC0, menu);
    BE32(b, 0xC4, title);
    return b;
}

bool Parse(const std::vector<uint8_t>& b, TIfoInfo& info, std::string& error, size_t size = SIZE_MAX) {
    // A copy of exactly the bytes given, so that a read past them is a read past the heap block
    // (which the sanitizer builds catch).
    std::vector<uint8_t> exact(b.begin(), b.begin() + std::min(size, b.size()));
    return ParseIfo(exact.data(), exact.size(), info, error);
}

} // namespace

TEST(IfoParser, ManagerGivesItsSectorsAndEveryTitleSetStart) {
    // Three titles in two sets (titles 1 and 2 share set 1), as dvdauthor numbers them.
    TManager m(2, {{1, 14}, {1, 14}, {2, 1200}});
    TIfoInfo info;
    std::string error;
    ASSERT_TRUE(Parse(m.Bytes, info, error)) << error;
    EXPECT_TRUE(info.Manager);
    EXPECT_EQ(info.LastSector, 13u);
    EXPECT_EQ(info.LastIfoSector, 1u);
    EXPECT_EQ(info.MenuVobSector, 2u);
    EXPECT_EQ(info.TitleSetStart, (std::vector<uint32_t>{14, 1200}));
}

TEST(IfoParser, TitleSetGivesItsVobSectors) {
    TIfoInfo info;
    std::string error;
    ASSERT_TRUE(Parse(TitleSet(), info, error)) << error;
    EXPECT_FALSE(info.Manager);
    EXPECT_EQ(info.LastSector, 1009u);
    EXPECT_EQ(info.LastIfoSector, 2u);
    EXPECT_EQ(info.MenuVobSector, 3u);
    EXPECT_EQ(info.TitleVobSector, 10u);
    // No menu: the title VOB follows the IFO.
    ASSERT_TRUE(Parse(TitleSet(0, 3), info, error)) << error;
    EXPECT_EQ(info.MenuVobSector, 0u);
    EXPECT_EQ(info.TitleVobSector, 3u);
}

TEST(IfoParser, EveryCutOfAGoodIfoIsRefusedOrReadInsideItsBytes) {
    TManager m(2, {{1, 14}, {2, 1200}});
    for (size_t size = 0; size < m.Bytes.size(); ++size) {
        TIfoInfo info;
        std::string error;
        // The table's two entries end at byte 2048 + 8 + 2 * 12: any cut before that is refused,
        // a cut after it loses nothing the parser reads.
        const bool ok = Parse(m.Bytes, info, error, size);
        EXPECT_EQ(ok, size >= 2048 + 8 + 24) << size << ": " << error;
        if (!ok) {
            EXPECT_FALSE(error.empty()) << size;
        }
    }
    const std::vector<uint8_t> vts = TitleSet();
    for (size_t size : {size_t(0), size_t(11), size_t(12), size_t(0xC7), size_t(0xC8)}) {
        TIfoInfo info;
        std::string error;
        const bool ok = Parse(vts, info, error, size);
        EXPECT_EQ(ok, size >= 0xC8) << size << ": " << error;
    }
}

TEST(IfoParser, HostileFieldsAreRefusedWithAReason) {
    struct TCase {
        const char* What;
        std::vector<uint8_t> Bytes;
        const char* Reason;
    };
    std::vector<TCase> cases;
    {
        TManager m(2, {{1, 14}, {2, 1200}});
        BE32(m.Bytes, 0xC4, 0x7FFFFFFF); // table far past the file
        cases.push_back({"table sector past the end", m.Bytes, "title search table"});
    }
    {
        TManager m(2, {{1, 14}, {2, 1200}});
        // 65535 titles of 12 bytes each in a table of one sector: every entry that fits is a
        // good one, so only the count lies.
        for (size_t e = 2048 + 8; e + 12 <= m.Bytes.size(); e += 12) {
            m.Bytes[e + 6] = 1;
            BE32(m.Bytes, e + 8, 14);
        }
        BE16(m.Bytes, 2048, 0xFFFF);
        cases.push_back({"huge title count", m.Bytes, "past the end"});
    }
    {
        TManager m(0xFFFF, {{1, 14}});
        cases.push_back({"huge title-set count", m.Bytes, "number of title sets"});
    }
    cases.push_back({"title of a set that does not exist", TManager(1, {{2, 14}}).Bytes, "does not exist"});
    cases.push_back({"set without a title", TManager(2, {{1, 14}}).Bytes, "without a title"});
    cases.push_back({"sets out of order", TManager(2, {{1, 1200}, {2, 14}}).Bytes, "out of order"});
    cases.push_back({"two starts for one set", TManager(1, {{1, 14}, {1, 15}}).Bytes, "two start sectors"});
    cases.push_back({"set inside the manager", TManager(1, {{1, 13}}).Bytes, "inside the video manager"});
    cases.push_back({"no titles", TManager(1, {}).Bytes, "no titles"});
    {
        TManager m(1, {{1, 14}});
        BE32(m.Bytes, 0x1C, 0xFFFFFFFF); // IFO larger than the set, and an overflow bait
        cases.push_back({"IFO sectors past the set", m.Bytes, "IFO sectors"});
    }
    {
        TManager m(1, {{1, 14}});
        BE32(m.Bytes, 0xC0, 12); // menu VOB where the backup lies
        cases.push_back({"menu VOB in the backup", m.Bytes, "menu VOB"});
    }
    {
        TManager m(1, {{1, 14}});
        m.Bytes.resize(5 * 2048); // three sectors more than the IFO declares
        cases.push_back({"file longer than declared", m.Bytes, "longer"});
    }
    cases.push_back({"title VOB before the menu", TitleSet(9, 5), "title VOB"});
    cases.push_back({"title VOB in the backup", TitleSet(3, 1008), "title VOB"});
    cases.push_back({"menu VOB inside the IFO", TitleSet(1, 10), "menu VOB"});
    {
        std::vector<uint8_t> b = TitleSet();
        std::memcpy(b.data(), "DVDVIDEO-XYZ", 12);
        cases.push_back({"unknown identifier", b, "identifier"});
    }
    for (const TCase& c : cases) {
        TIfoInfo info;
        std::string error;
        EXPECT_FALSE(Parse(c.Bytes, info, error)) << c.What;
        EXPECT_NE(error.find(c.Reason), std::string::npos) << c.What << ": " << error;
    }
}

TEST(IfoParser, RandomBytesBehindAGoodIdentifierNeverPassUnchecked) {
    // Whatever the parser accepts must be a consistent set: sectors in order inside the set.
    std::mt19937 random(13);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> b(size_t(1 + random() % 3) * 2048);
        for (auto& x : b) x = uint8_t(random());
        std::memcpy(b.data(), round % 2 ? "DVDVIDEO-VMG" : "DVDVIDEO-VTS", 12);
        // Small fields now and then, so that some inputs get past the first checks.
        if (round % 3 == 0) {
            BE32(b, 0x0C, uint32_t(random() % 4000));
            BE32(b, 0x1C, uint32_t(b.size() / 2048 - 1));
            BE32(b, 0xC0, uint32_t(random() % 40));
            BE32(b, 0xC4, uint32_t(random() % 40));
            BE16(b, 0x3E, uint16_t(random() % 4));
        }
        TIfoInfo info;
        std::string error;
        if (!Parse(b, info, error)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        ++accepted;
        EXPECT_LT(info.LastIfoSector, info.LastSector);
        EXPECT_GE(uint64_t(info.LastIfoSector + 1) * 2048, b.size());
        if (info.MenuVobSector) {
            EXPECT_GT(info.MenuVobSector, info.LastIfoSector);
        }
        uint32_t previous = info.LastSector;
        for (uint32_t s : info.TitleSetStart) {
            EXPECT_GT(s, previous);
            previous = s;
        }
    }
    EXPECT_GT(accepted, 0) << "no input got through, so nothing past the first checks was tried";
}
