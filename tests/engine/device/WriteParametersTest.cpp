// The write parameters page for each disc type and the parameter list that carries it.
#include <gtest/gtest.h>

#include <array>
#include <numeric>

#include "engine/Bytes.h"
#include "engine/device/ScsiDevice.h"
#include "engine/device/WriteParameters.h"

using namespace tarnwick;

namespace {
std::array<uint8_t, 54> DrivePage() {
    std::array<uint8_t, 54> p{};
    std::iota(p.begin(), p.end(), uint8_t(0x80)); // every byte recognisable
    p[0] = 0x05;
    p[1] = 0x36;
    return p;
}

struct TRowCase {
    uint16_t DiscType;
    uint8_t Byte2, Byte3, LinkSize;
    uint32_t PacketSize;
};

std::array<uint8_t, 54> Build(const wp::TWriteSettings& s) {
    auto p = DrivePage();
    wp::ApplyWriteSettings(p.data(), s);
    return p;
}
} // namespace

TEST(WriteParameters, EveryDiscTypeWithoutTestOrBufe) {
    const TRowCase rows[] = {
        {dtDVDR, 0x20, 0xE5, 0x10, 16},          {dtDVDRWRestricted, 0x20, 0xC5, 0x10, 0},
        {dtDVDRWSequential, 0x20, 0xC5, 0x10, 0}, {dtDVDPlusRW, 0x22, 0x04, 0x10, 0},
        {dtDVDPlusR, 0x22, 0xC4, 0x00, 16},       {dtCDR, 0x01, 0xC4, 0x00, 0},
        {dtCDRW, 0x01, 0xC4, 0x00, 0},            {dtCDROM, 0x01, 0xC4, 0x00, 0},
        {dtDVDROM, 0x01, 0xC4, 0x00, 0},          {dtDDCDR, 0x01, 0xC4, 0x00, 0},
        {dtUnknown, 0x01, 0xC4, 0x00, 0},
    };
    for (const auto& r : rows) {
        wp::TWriteSettings s;
        s.DiscType = r.DiscType;
        const auto p = Build(s);
        SCOPED_TRACE(int(r.DiscType));
        EXPECT_EQ(p[0], 0x05);
        EXPECT_EQ(p[1], 0x32);
        EXPECT_EQ(p[2], r.Byte2);
        EXPECT_EQ(p[3], r.Byte3);
        EXPECT_EQ(p[4], 0x08);
        EXPECT_EQ(p[5], r.LinkSize);
        EXPECT_EQ(p[6], 0);
        EXPECT_EQ(p[7], 0);
        EXPECT_EQ(p[8], 0);
        EXPECT_EQ(p[9], 0);
        EXPECT_EQ(GetBE32(&p[10]), r.PacketSize);
        EXPECT_EQ(GetBE16(&p[14]), 150);
        // The catalogue number, ISRC and sub-header stay as the drive gave them.
        for (int i = 16; i < 54; ++i) EXPECT_EQ(p[i], uint8_t(0x80 + i)) << i;
    }
}

TEST(WriteParameters, BufeAndTestWriteNeedBothCapabilityAndSetting) {
    wp::TWriteSettings s;
    s.DiscType = dtDVDR;
    s.TestWrite = true;
    s.UnderrunProtection = true;
    s.CapabilityFlags = 0;
    EXPECT_EQ(Build(s)[2], 0x20); // asked for, but the drive cannot
    s.CapabilityFlags = cfUnderrunFree | cfTestWrite;
    EXPECT_EQ(Build(s)[2], 0x20 | 0x40 | 0x10);
    s.TestWrite = false;
    s.UnderrunProtection = false;
    EXPECT_EQ(Build(s)[2], 0x20); // the drive can, but not asked for
    s.UnderrunProtection = true;
    s.DiscType = dtDVDPlusR;
    EXPECT_EQ(Build(s)[2], 0x22 | 0x40);
    s.DiscType = dtCDR;
    s.TestWrite = true;
    EXPECT_EQ(Build(s)[2], 0x01 | 0x40 | 0x10);
}

TEST(WriteParameters, DvdRwNeverCarriesBufeAndOnlyASequentialOneSimulates) {
    for (uint16_t dt : {dtDVDRWRestricted, dtDVDRWSequential}) {
        wp::TWriteSettings s;
        s.DiscType = dt;
        s.TestWrite = s.UnderrunProtection = true;
        s.CapabilityFlags = cfUnderrunFree | cfTestWrite;
        EXPECT_EQ(Build(s)[2], dt == dtDVDRWSequential ? 0x30 : 0x20) << dt;
        // A drive that cannot simulate gets no test-write bit.
        s.CapabilityFlags = cfUnderrunFree;
        EXPECT_EQ(Build(s)[2], 0x20) << dt;
        s.TestWrite = false;
        s.CapabilityFlags = cfUnderrunFree | cfTestWrite;
        EXPECT_EQ(Build(s)[2], 0x20) << dt;
    }
}

TEST(WriteParameters, CdMultiSessionOnlyWhenNeitherTestNorFinalize) {
    wp::TWriteSettings s;
    s.DiscType = dtCDR;
    EXPECT_EQ(Build(s)[3], 0xC4);
    s.TestWrite = true;
    EXPECT_EQ(Build(s)[3], 0x04);
    s.TestWrite = false;
    s.FinalizeDisc = true;
    EXPECT_EQ(Build(s)[3], 0x04);
    s.TestWrite = true;
    EXPECT_EQ(Build(s)[3], 0x04);
    // DVD rows do not depend on either.
    s.DiscType = dtDVDPlusR;
    EXPECT_EQ(Build(s)[3], 0xC4);
}

TEST(WriteParameters, ForceLsvOnlyOnTheCdRow) {
    wp::TWriteSettings s;
    s.ForceLSV = true;
    s.DiscType = dtCDRW;
    EXPECT_EQ(Build(s)[2], 0x21);
    s.DiscType = dtDVDPlusRW;
    EXPECT_EQ(Build(s)[2], 0x22);
}

TEST(WriteParameters, ProbesRewriteTypeAndBlockType) {
    for (auto [probe, wt, dbt] : {std::tuple{wp::wtRaw, 0x03, 0x01}, std::tuple{wp::wtSessionAtOnce, 0x02, 0x00},
                                  std::tuple{wp::wtTrackAtOnce, 0x01, 0x00}}) {
        auto p = DrivePage();
        wp::ApplyProbe(p.data(), probe);
        EXPECT_EQ(p[1], 0x36) << "page length stays as the drive reported it";
        EXPECT_EQ(p[2], wt);
        EXPECT_EQ(p[3], 0);
        EXPECT_EQ(p[4], dbt);
        EXPECT_EQ(p[5], 0x85); // link size untouched
        EXPECT_EQ(p[8], 0);
        EXPECT_EQ(p[9], 0);
        EXPECT_EQ(GetBE16(&p[14]), 150);
    }
}

TEST(WriteParameters, ListCarriesPageBytesUpTo61MinusPageStart) {
    std::array<uint8_t, 512> b{};
    for (size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(i + 1);
    for (int start : {16, 8, 7}) {
        std::array<uint8_t, 512> a;
        a.fill(0xEE);
        wp::BuildParameterList(a.data(), b.data(), start);
        SCOPED_TRACE(start);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(a[i], 0) << "mode parameter header";
        const int carried = 61 - start;
        for (int i = 0; i < 52; ++i) EXPECT_EQ(a[8 + i], i < carried ? uint8_t(i + 1) : 0) << "page byte " << i;
        EXPECT_EQ(a[64], 0xEE) << "only 64 bytes are rebuilt";
    }
}

TEST(WriteParameters, ThePageGoesBackWithoutThePsBitMODESENSEGaveIt) {
    std::array<uint8_t, 512> b{};
    b[0] = 0x85; // PS, page 05h
    b[1] = 0x32;
    std::array<uint8_t, 512> a{};
    wp::BuildParameterList(a.data(), b.data(), 8);
    EXPECT_EQ(a[8], 0x05);
    EXPECT_EQ(a[9], 0x32);
}
