// Reading drive replies: bounds, the mode page location rule and the decoded facts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/Bytes.h"
#include "engine/device/Identity.h"
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

// The typed replies: each field decoded from a full reply, and nothing read past the bytes the
// drive returned (the bytes after them are FFh here, so a read beyond would show).
TEST(Replies, DiscInformationFieldsStopAtTheReturnedBytes) {
    std::vector<uint8_t> di(34, 0);
    di[1] = 0x20;
    di[2] = 0x01 | 0x04 | 0x10; // appendable, last session incomplete, erasable
    di[4] = 3;
    di[6] = 0x02;
    di[11] = 0x01; // last track 0102h
    di[20] = 0x00, di[21] = 79, di[22] = 59, di[23] = 74;
    const auto full = reply::ParseDiscInformation(di.data(), di.size());
    EXPECT_TRUE(full.Returned());
    EXPECT_EQ(full.Status, reply::TDiscInformation::Incomplete);
    EXPECT_EQ(full.LastSession, reply::TDiscInformation::SessionIncomplete);
    EXPECT_TRUE(full.Erasable);
    EXPECT_EQ(full.SessionsLsb, 3);
    EXPECT_EQ(full.LastTrack, 0x0102);
    EXPECT_TRUE(full.LeadOutLimitGiven());
    EXPECT_EQ(full.LeadOutLimitLba(true), (79u * 60 + 59) * 75 + 74 - 150);
    EXPECT_EQ(full.LeadOutLimitLba(false), 0x004F3B4Au);

    std::fill(di.begin() + 11, di.end(), 0xFF);
    const auto cut = reply::ParseDiscInformation(di.data(), 11); // ends before byte 11
    EXPECT_EQ(cut.LastTrack, 0x0002);
    EXPECT_EQ(cut.LeadOutLimit, 0u);
    EXPECT_FALSE(reply::ParseDiscInformation(di.data(), 1).Returned());
    EXPECT_EQ(reply::MsfToLba(0, 1, 0), 0u); // before the first block
}

TEST(Replies, TrackInformationFieldsStopAtTheReturnedBytes) {
    std::vector<uint8_t> ti(36, 0);
    ti[6] = 0x40;
    ti[7] = 0x03;
    PutBE32(&ti[8], 100);
    PutBE32(&ti[12], 200);
    PutBE32(&ti[16], 300);
    PutBE32(&ti[24], 400);
    PutBE32(&ti[28], 199);
    const auto t = reply::ParseTrackInformation(ti.data(), ti.size());
    EXPECT_TRUE(t.Blank && t.NwaValid && t.LastRecordedValid);
    EXPECT_EQ(t.Start, 100u);
    EXPECT_EQ(t.NextWritable, 200u);
    EXPECT_EQ(t.FreeBlocks, 300u);
    EXPECT_EQ(t.Size, 400u);
    EXPECT_EQ(t.LastRecorded, 199u);

    std::fill(ti.begin() + 18, ti.end(), 0xFF);
    const auto cut = reply::ParseTrackInformation(ti.data(), 18); // free blocks cut in half
    EXPECT_EQ(cut.NextWritable, 200u);
    EXPECT_EQ(cut.FreeBlocks, 0u);
    EXPECT_EQ(cut.Size, 0u);
    EXPECT_EQ(cut.LastRecorded, 0u);
    const auto none = reply::ParseTrackInformation(ti.data(), 7);
    EXPECT_TRUE(none.Blank);
    EXPECT_FALSE(none.NwaValid);
}

TEST(Replies, TocAndAtipOnlyWhenDeclaredAndHeld) {
    // First track descriptor: a data track, then an audio one.
    std::vector<uint8_t> toc = {0x00, 0x0A, 1, 1, 0, 0x14, 1, 0, 0, 0, 0, 0};
    EXPECT_TRUE(reply::ParseFirstTocTrack(toc.data(), toc.size()).Given);
    EXPECT_TRUE(reply::ParseFirstTocTrack(toc.data(), toc.size()).Data());
    toc[5] = 0x10;
    EXPECT_FALSE(reply::ParseFirstTocTrack(toc.data(), toc.size()).Data());
    EXPECT_FALSE(reply::ParseFirstTocTrack(toc.data(), 11).Given); // not held whole
    toc[1] = 0x09;
    EXPECT_FALSE(reply::ParseFirstTocTrack(toc.data(), toc.size()).Given); // not declared whole

    std::vector<uint8_t> atip(28, 0);
    atip[1] = 26;
    atip[12] = 79, atip[13] = 59, atip[14] = 74;
    const auto a = reply::ParseAtip(atip.data(), atip.size());
    EXPECT_TRUE(a.LeadOutLimitGiven);
    EXPECT_EQ(a.LeadOutLimit, (79u * 60 + 59) * 75 + 74 - 150);
    EXPECT_FALSE(reply::ParseAtip(atip.data(), 14).LeadOutLimitGiven);
    atip[1] = 12;
    EXPECT_FALSE(reply::ParseAtip(atip.data(), atip.size()).LeadOutLimitGiven);
}

TEST(Replies, CapabilitiesFiguresAndProductFieldsStopAtTheReturnedBytes) {
    std::vector<uint8_t> page(32, 0);
    PutBE16(&page[8], 8310);
    PutBE16(&page[12], 2048);
    PutBE16(&page[18], 5540);
    PutBE16(&page[20], 2770);
    const auto c = reply::ParseCapabilitiesPage(page.data(), page.size());
    EXPECT_EQ(c.MaxReadSpeed, 8310);
    EXPECT_EQ(c.BufferKB, 2048);
    EXPECT_EQ(c.MaxWriteSpeed, 5540);
    EXPECT_EQ(c.CurrentWriteSpeed, 2770);
    const auto cut = reply::ParseCapabilitiesPage(page.data(), 21);
    EXPECT_EQ(cut.MaxWriteSpeed, 5540);
    EXPECT_EQ(cut.CurrentWriteSpeed, 0);

    std::string inq(36, '\0');
    inq.replace(8, 8, "VENDOR  ");
    inq.replace(16, 16, "DVD WRITER  X\0\0\0", 16);
    inq.replace(32, 4, "1.0 ");
    const auto* bytes = reinterpret_cast<const uint8_t*>(inq.data());
    const auto p = ident::ProductFields(bytes, inq.size());
    EXPECT_EQ(p.Vendor, "VENDOR");
    EXPECT_EQ(p.Product, "DVD WRITER  X");
    EXPECT_EQ(p.Revision, "1.0");
    const auto short20 = ident::ProductFields(bytes, 20);
    EXPECT_EQ(short20.Product, "DVD"); // cut at the returned bytes, then unpadded
    EXPECT_EQ(short20.Revision, "");
}
