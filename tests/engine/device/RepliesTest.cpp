// Reading drive replies: bounds, the mode page location rule and the decoded facts.
#include <gtest/gtest.h>

#include <vector>

#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

using namespace tarnwick;

TEST(Replies, DeclaredLengthsIncludeTheirHeader) {
    const uint8_t mode[] = {0x00, 0x1E, 0, 0};
    EXPECT_EQ(reply::ModeSenseDeclared(TByteReader(mode, 4)), 0x20u);
    const uint8_t cfg[] = {0, 0, 0, 0x0C};
    EXPECT_EQ(reply::ConfigurationDeclared(TByteReader(cfg, 4)), 16u);
    const uint8_t inq[] = {5, 0x80, 2, 2, 31};
    EXPECT_EQ(reply::InquiryDeclared(TByteReader(inq, 5)), 36u);
    // A reply too short to carry its length field declares nothing.
    EXPECT_EQ(reply::ModeSenseDeclared(TByteReader(mode, 1)), 0u);
    EXPECT_EQ(reply::InquiryDeclared(TByteReader(inq, 4)), 0u);
    EXPECT_EQ(reply::Valid(128, 36), 36u);
    EXPECT_EQ(reply::Valid(20, 36), 20u);
}

TEST(Replies, ClearBeyondKeepsOnlyWhatWasReturned) {
    std::vector<uint8_t> b(16, 0xEE);
    reply::ClearBeyond(b.data(), b.size(), 5);
    EXPECT_EQ(b[4], 0xEE);
    for (size_t i = 5; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST(Replies, ModePageFoundAt16Then8Then7) {
    std::vector<uint8_t> r(64, 0);
    r[16] = 0x2A;
    r[8] = 0x2A;
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, true), 16);
    r[16] = 0;
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, true), 8);
    r[8] = 0;
    r[7] = 0x2A;
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, true), 7);
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, false), -1);
    r[7] = 0;
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, true), -1);
    // The PS bit drives set in the page byte does not hide the page.
    r[16] = 0xAA;
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), r.size()), 0x2A, true), 16);
    // A page beyond the returned bytes is not found there.
    EXPECT_EQ(reply::FindModePage(TByteReader(r.data(), 16), 0x2A, true), -1);
}

TEST(Replies, CapabilityBitsFromPageAndFeatures) {
    EXPECT_EQ(reply::CapabilityFlagsFromPage(0x3F, 0x00, 0x00),
              cfReadCDR | cfReadCDRW | cfReadMethod2 | cfReadDVDROM | cfReadDVDR | cfReadDVDRW | cfReadDVDRAM);
    EXPECT_EQ(reply::CapabilityFlagsFromPage(0, 0x37, 0x80),
              cfWriteCDR | cfWriteCDRW | cfTestWrite | cfWriteDVDR | cfWriteDVDRW | cfWriteDVDRAM | cfUnderrunFree);
    // Bit 3 of byte 3 and the low bits of byte 4 mean nothing here.
    EXPECT_EQ(reply::CapabilityFlagsFromPage(0, 0x08, 0x7F), 0u);
    EXPECT_EQ(reply::CapabilityFlagsFromFeature(0x002A, 0x00), cfReadDVDPlusRW | cfReadDVDPlusR);
    EXPECT_EQ(reply::CapabilityFlagsFromFeature(0x002A, 0x01),
              cfReadDVDPlusRW | cfReadDVDPlusR | cfWriteDVDPlusRW | cfWriteDVDPlusR);
    // Only exactly 01h counts as "writes".
    EXPECT_EQ(reply::CapabilityFlagsFromFeature(0x002F, 0x03), cfReadDVDR | cfReadDVDRW);
    EXPECT_EQ(reply::CapabilityFlagsFromFeature(0x002F, 0x01),
              cfReadDVDR | cfReadDVDRW | cfWriteDVDR | cfWriteDVDRW);
    EXPECT_EQ(reply::CapabilityFlagsFromFeature(0x0000, 0x01), 0u);
}

TEST(Replies, ProfilesAndAtip) {
    const std::pair<uint16_t, const char*> known[] = {
        {0x0008, "CD-ROM"}, {0x0009, "CD-R"},  {0x000A, "CD-RW"},  {0x0010, "DVD-ROM"},  {0x0011, "DVD-R"},
        {0x0012, "DVD-RAM"}, {0x0013, "DVD-RW"}, {0x0014, "DVD-RW"}, {0x001A, "DVD+RW"}, {0x001B, "DVD+R"},
        {0x0020, "DDCD-ROM"}, {0x0021, "DDCD-R"}, {0x0022, "DDCD-RW"}};
    for (auto [profile, name] : known) EXPECT_STREQ(DiscTypeNames[reply::DiscTypeFromProfile(profile)], name) << profile;
    // Restricted overwrite and sequential DVD-RW share a name, not a code.
    EXPECT_EQ(reply::DiscTypeFromProfile(0x0013), 8);
    EXPECT_EQ(reply::DiscTypeFromProfile(0x0014), 9);
    EXPECT_EQ(reply::DiscTypeFromProfile(0x002B), 0); // DVD+R DL is not known
    EXPECT_EQ(reply::DiscTypeFromProfile(0x0000), 0);
    EXPECT_EQ(reply::DiscTypeFromAtip(0x40), dtCDROM);
    EXPECT_EQ(reply::DiscTypeFromAtip(0x80), dtCDR);
    EXPECT_EQ(reply::DiscTypeFromAtip(0xC0), dtCDRW);
    EXPECT_STREQ(DiscTypeNames[0], "UNKNOWN");
    EXPECT_STREQ(DiscTypeNames[7], "DVD-RW");
}

TEST(Replies, SessionCounts) {
    EXPECT_EQ(reply::SessionCount(0x00, 1), 0);        // blank disc: the empty first session is no session
    EXPECT_EQ(reply::SessionCount(0x01, 4), 3);        // appendable, three closed and an empty fourth
    EXPECT_EQ(reply::SessionCount(0x01 | 0x04, 2), 2); // last session incomplete: counted
    EXPECT_EQ(reply::SessionCount(0x02 | 0x0C, 5), 5); // complete disc
    EXPECT_EQ(reply::SessionCount(0x01, 0), 0);        // no underflow
}
