// Drive and media queries against a scripted drive: the commands it received and what the
// engine made of the replies.
#include <gtest/gtest.h>

#include <tuple>

#include "engine/Bytes.h"
#include "engine/JobState.h"
#include "ScriptedDrive.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {
using B = std::vector<uint8_t>;

// Capabilities page 2Ah with the fields the engine reads.
B CapPage(uint8_t b2, uint8_t b3, uint8_t b4, uint16_t maxRead, uint16_t maxWrite, uint16_t curWrite,
          uint16_t bufferKB = 2048, uint16_t curRead = 0) {
    B p(32, 0);
    p[0] = 0x2A;
    p[1] = uint8_t(p.size() - 2);
    p[2] = b2;
    p[3] = b3;
    p[4] = b4;
    PutBE16(&p[8], maxRead);
    PutBE16(&p[12], bufferKB);
    PutBE16(&p[14], curRead);
    PutBE16(&p[18], maxWrite);
    PutBE16(&p[20], curWrite);
    return p;
}

// GET CONFIGURATION reply: header with the current profile, then one feature descriptor.
B Config(uint16_t profile, uint16_t feature = 0, uint8_t firstData = 0) {
    B r(feature ? 16 : 8, 0);
    PutBE32(&r[0], uint32_t(r.size() - 4));
    PutBE16(&r[6], profile);
    if (feature) {
        PutBE16(&r[8], feature);
        r[11] = 4;
        r[12] = firstData;
    }
    return r;
}

B DiscInfo(uint8_t status, uint8_t sessions, uint16_t declared = 32) {
    B r(34, 0);
    PutBE16(&r[0], declared);
    r[2] = status;
    r[4] = sessions;
    return r;
}

class Queries : public ::testing::Test, public TScriptedFixture {
protected:
    void SetUp() override { ASSERT_TRUE(Loaded); }
    // Every command buffer is aligned: no alignment message, and no other message either.
    void TearDown() override { EXPECT_EQ(Messages, std::vector<std::string>{}); }
    void ScriptCapabilities(const B& defaults, const B& current) {
        Drive->On(TScriptedDrive::ModeSenseKey(0x2A, true), {TReply::Good(defaults)});
        Drive->On(TScriptedDrive::ModeSenseKey(0x2A, false), {TReply::Good(current)});
    }
};
} // namespace

TEST_F(Queries, SimpleCommandsAndTheirBuffers) {
    EXPECT_TRUE(Dev.TestUnitReady(5000));
    uint8_t sense[40];
    Drive->On(0x03, {TReply::Good({0x70, 0, 0x02, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x3A, 0x01})});
    EXPECT_TRUE(Dev.RequestSense(sense, 40));
    EXPECT_EQ(sense[12], 0x3A);
    EXPECT_TRUE(Dev.Inquiry());
    uint8_t toc[26];
    Drive->On(0x43, {TReply::Good(B(26, 0))});
    EXPECT_TRUE(Dev.ReadTOC(4, toc, true, 0, 26, 0));

    auto c = Drive->Commands();
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[0].Cdb, (B{0x00, 0, 0, 0, 0, 0}));
    EXPECT_EQ(c[0].DataIn, platform::SCSI_IOCTL_DATA_UNSPECIFIED);
    EXPECT_EQ(c[1].Cdb, (B{0x03, 0, 0, 0, 40, 0}));
    EXPECT_EQ(c[1].DataIn, platform::SCSI_IOCTL_DATA_IN);
    EXPECT_EQ(c[1].Length, 40u);
    // INQUIRY is answered from the emulation's table; the probe saw the drive itself.
    EXPECT_EQ(c[2].Cdb, (B{0x43, 0x02, 4, 0, 0, 0, 0, 0, 26, 0}));
    EXPECT_EQ(Dev.InquiryData[0], 0x05);
    EXPECT_EQ(std::string(Dev.InquiryData.begin() + 16, Dev.InquiryData.begin() + 24), "SCRIPTED");
}

TEST_F(Queries, CapabilitiesPageAt16With8ByteBlockDescriptor) {
    ScriptCapabilities(ModeReply(CapPage(0x3F, 0x37, 0x00, 8000, 4000, 2000), true),
                       ModeReply(CapPage(0x3F, 0x37, 0x00, 7000, 3000, 2800, 2048, 6000), true));
    Drive->On(0x46, {TReply::Good(Config(0x0011, 0x002A, 0x01)), TReply::Good(Config(0x0011, 0x002F, 0x01))});
    ASSERT_TRUE(Dev.ReadCapabilities());

    auto c = Drive->Commands();
    ASSERT_EQ(c.size(), 5u);
    EXPECT_EQ(c[0].Cdb, (B{0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 0xFF, 0}));
    EXPECT_EQ(c[0].Length, 255u);
    EXPECT_EQ(c[1].Cdb, (B{0x5A, 0, 0x30, 0, 0, 0, 0, 0, 0x80, 0}));
    EXPECT_EQ(c[2].Cdb, (B{0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114, 0}));
    EXPECT_EQ(c[3].Cdb, (B{0x46, 2, 0, 0x2F, 0, 0, 0, 0, 114, 0}));
    EXPECT_EQ(c[4].Cdb, (B{0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 0x80, 0}));

    const uint32_t all = cfReadCDR | cfReadCDRW | cfReadMethod2 | cfReadDVDROM | cfReadDVDR | cfReadDVDRW |
                         cfReadDVDRAM | cfReadDVDPlusRW | cfReadDVDPlusR | cfWriteCDR | cfWriteCDRW | cfTestWrite |
                         cfWriteDVDR | cfWriteDVDRW | cfWriteDVDRAM | cfWriteDVDPlusRW | cfWriteDVDPlusR;
    EXPECT_EQ(Dev.CapabilityFlags, all); // no BUF, no page 30h
    EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 8000);
    EXPECT_EQ(Dev.DeviceMaxWriteSpeed(), 4000);
    EXPECT_EQ(Dev.CapabilitiesPage[0], 0x2A);
    EXPECT_EQ(GetBE16(&Dev.CapabilitiesPage[20]), 2800);
    EXPECT_EQ(GetBE16(&Dev.CapabilitiesPage[14]), 6000);
}

TEST_F(Queries, CapabilitiesPageAt8AndAt7) {
    for (size_t header : {8u, 7u}) {
        SCOPED_TRACE(header);
        ScriptCapabilities(ModeReply(CapPage(0x08, 0x10, 0x80, 5540, 5540, 2770), false, 0, header),
                           ModeReply(CapPage(0x08, 0x10, 0x80, 11080, 11080, 5540), false, 0, header));
        Drive->On(0x46, {TReply::Check(5, 0x20)});
        ASSERT_TRUE(Dev.ReadCapabilities());
        EXPECT_EQ(Dev.CapabilityFlags, cfReadDVDROM | cfWriteDVDR | cfWriteDVDRW | cfUnderrunFree);
        EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 11080);
        EXPECT_EQ(Dev.QueryCurrentWriteSpeed(), 5540);
        EXPECT_EQ(Dev.QueryMaxReadSpeed(), 11080);
    }
}

TEST_F(Queries, ZeroWriteSpeedsCountAsDvd1xAndDvdRamWriterGetsOne) {
    // Defaults page with no speeds from a DVD-RAM writer; the current page has none either.
    ScriptCapabilities(ModeReply(CapPage(0x20, 0x20, 0, 0, 0, 0), false), ModeReply(CapPage(0x20, 0x20, 0, 0, 0, 0), false));
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 1);
    EXPECT_EQ(Dev.DeviceMaxWriteSpeed(), 1385);
    EXPECT_EQ(Dev.QueryCurrentWriteSpeed(), 1385);
    EXPECT_EQ(GetBE16(&Dev.CapabilitiesPage[18]), 1385);

    // Without DVD-RAM writing the maximum read speed stays 0.
    ScriptCapabilities(ModeReply(CapPage(0x20, 0x00, 0, 0, 0, 0), false), ModeReply(CapPage(0x20, 0x00, 0, 0, 0, 0), false));
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 0);
    EXPECT_EQ(Dev.DeviceMaxWriteSpeed(), 1385);
}

TEST_F(Queries, UnderrunFreeFromPage30OrModelQuirk) {
    ScriptCapabilities(ModeReply(CapPage(0, 0x01, 0x00, 0, 0, 0), false), ModeReply(CapPage(0, 0x01, 0x00, 0, 0, 0), false));
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_FALSE(Dev.CapabilityFlags & cfUnderrunFree);
    Dev.ForceBUF = true;
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_TRUE(Dev.CapabilityFlags & cfUnderrunFree);
    Dev.ForceBUF = false;
    Drive->On(TScriptedDrive::ModeSenseKey(0x30, false), {TReply::Good(ModeReply({0x30, 2, 0, 0}, true))});
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_TRUE(Dev.CapabilityFlags & cfUnderrunFree);
    EXPECT_TRUE(Dev.HasPage30());
}

TEST_F(Queries, CapabilitiesFailOnlyWithoutTheCurrentPage) {
    Drive->On(TScriptedDrive::ModeSenseKey(0x2A, true), {TReply::Check(5, 0x24)});
    Drive->On(TScriptedDrive::ModeSenseKey(0x2A, false), {TReply::Good(ModeReply(CapPage(0x08, 0, 0, 2770, 0, 0), false))});
    EXPECT_TRUE(Dev.ReadCapabilities());
    // No page 30h and no features are asked for when the defaults page fails.
    EXPECT_EQ(Drive->Opcodes(), (B{0x5A, 0x5A}));
    EXPECT_EQ(Dev.CapabilityFlags, 0u);
    EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 2770);

    Drive->On(TScriptedDrive::ModeSenseKey(0x2A, false), {TReply::Check(5, 0x24)});
    EXPECT_FALSE(Dev.ReadCapabilities());
    EXPECT_EQ(Dev.QueryMaxReadSpeed(), 0);
    EXPECT_EQ(Dev.QueryCurrentWriteSpeed(), 0);
}

TEST_F(Queries, CapabilitiesReadOnlyAsFarAsTheReplyDeclares) {
    // The drive declares a page that ends before the speed fields; stale bytes follow.
    B reply = ModeReply(CapPage(0x08, 0x10, 0, 9999, 9999, 9999), false);
    PutBE16(&reply[0], 8 + 6 - 2);
    ScriptCapabilities(reply, reply);
    ASSERT_TRUE(Dev.ReadCapabilities());
    EXPECT_EQ(Dev.DeviceMaxReadSpeed(), 0);
    EXPECT_EQ(Dev.DeviceMaxWriteSpeed(), 1385);
    EXPECT_EQ(Dev.CapabilityFlags, cfReadDVDROM | cfWriteDVDR | cfWriteDVDRW);
}

TEST_F(Queries, BufferCapacity) {
    B r(12, 0);
    PutBE16(&r[0], 10);
    PutBE32(&r[4], 2 * 1024 * 1024);
    PutBE32(&r[8], 0xFFFFFFFF);
    Drive->On(0x5C, {TReply::Good(r)});
    uint32_t size = 0, free = 0;
    ASSERT_TRUE(Dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(size, 2u * 1024 * 1024);
    EXPECT_EQ(free, 0xFFFFFFFFu);
    EXPECT_EQ(Dev.DeviceBufferSize(), 2u * 1024 * 1024);
    EXPECT_EQ(Dev.DeviceFreeBufferSize(), 2u * 1024 * 1024);
    EXPECT_EQ(Drive->Commands()[0].Cdb, (B{0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}));
    EXPECT_EQ(Drive->Commands()[0].Length, 32u);

    PutBE32(&r[8], 12345);
    Drive->On(0x5C, {TReply::Good(r), TReply::Check(2, 0x04, 0x08)});
    ASSERT_TRUE(Dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(Dev.DeviceFreeBufferSize(), 12345u);
    EXPECT_FALSE(Dev.ReadBufferCapacity(size, free));
    EXPECT_EQ(Dev.DeviceFreeBufferSize(), 0u);
    EXPECT_EQ(Dev.DeviceBufferSize(), 2u * 1024 * 1024);
}

TEST_F(Queries, SessionCounts) {
    struct {
        B Reply;
        uint8_t Expected;
    } cases[] = {
        {DiscInfo(0x00 | 0x10, 1), 0},       // blank (erasable) disc
        {DiscInfo(0x01, 4), 3},              // three closed sessions and an empty fourth
        {DiscInfo(0x01 | 0x04, 2), 2},       // last session incomplete
        {DiscInfo(0x02 | 0x0C, 1), 1},       // closed disc
        {DiscInfo(0x01 | 0x04, 7, 2), 0},    // declares bytes 0-3 only: the session count is not read
    };
    for (auto& c : cases) {
        Drive->On(0x51, {TReply::Good(c.Reply)});
        EXPECT_EQ(Dev.GetSessionCount(), c.Expected);
    }
    EXPECT_EQ(Drive->Commands()[0].Cdb, (B{0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}));
    Drive->On(0x51, {TReply::Check(2, 0x3A)});
    EXPECT_EQ(Dev.GetSessionCount(), 0);
}

TEST_F(Queries, DiscStateAndCopyProtectionReadOnceAsValues) {
    // Disc status and last session: closed is complete, or a complete last session.
    for (auto [statusByte, closed, blank] : {std::tuple{0x00, false, true}, std::tuple{0x01 | 0x04, false, false},
                                             std::tuple{0x01 | 0x0C, true, false}, std::tuple{0x02 | 0x0C, true, false}}) {
        Drive->On(0x51, {TReply::Good(DiscInfo(uint8_t(statusByte), 1))});
        ASSERT_TRUE(Dev.UpdateDiscInformation());
        EXPECT_EQ(Dev.LastDiscInformation().Closed(), closed) << statusByte;
        EXPECT_EQ(Dev.LastDiscInformation().Blank(), blank) << statusByte;
    }
    // Copyright information: a reply cut after byte 4 has no region mask.
    EXPECT_TRUE(reply::ParseCopyrightInformation(B{0, 6, 0, 0, 1, 0xFD, 0, 0}.data(), 8).Css());
    EXPECT_EQ(reply::ParseCopyrightInformation(B{0, 6, 0, 0, 1, 0xFD, 0, 0}.data(), 5).RegionMask, 0);
    // The drive's region: none set, or a disc for all regions, is no mismatch.
    EXPECT_EQ(reply::DriveRegionMask(B{0, 6, 0, 0, 0x00, 0xFD, 1, 0}.data(), 8), 0);
    EXPECT_EQ(reply::DriveRegionMask(B{0, 6, 0, 0, 0x44, 0xFD, 1, 0}.data(), 8), 0xFD);
    EXPECT_TRUE(reply::RegionMismatch(0x02, 0xFD));
    EXPECT_FALSE(reply::RegionMismatch(0xFD, 0xFD));
    EXPECT_FALSE(reply::RegionMismatch(0x00, 0xFD));
    EXPECT_FALSE(reply::RegionMismatch(0x02, 0x00));
}

TEST_F(Queries, DiscTypeFromProfile) {
    Drive->On(0x46, {TReply::Good(Config(0x0013)), TReply::Good(Config(0x0014)), TReply::Good(Config(0x001B))});
    EXPECT_EQ(Dev.GetDiscType(), 8);
    EXPECT_EQ(Dev.GetDiscType(), 9);
    EXPECT_EQ(Dev.GetDiscType(), dtDVDPlusR);
    EXPECT_EQ(Drive->Opcodes(), (B{0x46, 0x46, 0x46})); // a known profile ends the search
    EXPECT_EQ(Drive->Commands()[0].Cdb, (B{0x46, 2, 0, 0, 0, 0, 0, 0, 114, 0}));
}

TEST_F(Queries, DiscTypeFallbacks) {
    // No GET CONFIGURATION; an ATIP with the marker and the rewritable bit: CD-RW.
    B atip(26, 0);
    PutBE16(&atip[0], 24);
    atip[6] = 0xC0;
    Drive->On(0x43, {TReply::Good(atip)});
    Drive->On(0x51, {TReply::Good(DiscInfo(0x01, 1))}); // not erasable, but the ATIP decided
    EXPECT_EQ(Dev.GetDiscType(), dtCDRW);
    EXPECT_EQ(Drive->Opcodes(), (B{0x46, 0x43, 0x51}));
    EXPECT_EQ(Drive->Commands()[1].Cdb, (B{0x43, 0x02, 0x04, 0, 0, 0, 0, 0, 26, 0}));

    // An unknown profile falls through too; no ATIP, disc information erasable: CD-RW.
    Drive->Clear();
    Drive->On(0x46, {TReply::Good(Config(0x0043))});
    Drive->On(0x43, {TReply::Check(5, 0x24)});
    Drive->On(0x51, {TReply::Good(DiscInfo(0x10, 1))});
    EXPECT_EQ(Dev.GetDiscType(), dtCDRW);
    Drive->On(0x51, {TReply::Good(DiscInfo(0x00, 1))});
    EXPECT_EQ(Dev.GetDiscType(), dtCDR);

    // Only TEST UNIT READY answers: a CD-ROM.
    Drive->Clear();
    Drive->On(0x51, {TReply::Check(5, 0x20)});
    EXPECT_EQ(Dev.GetDiscType(), dtCDROM);
    EXPECT_EQ(Drive->Opcodes(), (B{0x46, 0x43, 0x51, 0x00}));

    // Nothing answers.
    Drive->On(0x00, {TReply::Check(2, 0x3A)});
    EXPECT_STREQ(DiscTypeNames[Dev.GetDiscType()], "UNKNOWN");
}

TEST_F(Queries, WithoutADeviceNothingIsSent) {
    Dev.HaId = 254;
    uint32_t a = 0, b = 0;
    EXPECT_FALSE(Dev.TestUnitReady(1000));
    EXPECT_FALSE(Dev.ReadCapabilities());
    EXPECT_FALSE(Dev.ReadBufferCapacity(a, b));
    EXPECT_EQ(Dev.GetDiscType(), 0);
    EXPECT_TRUE(Drive->Commands().empty());
}
