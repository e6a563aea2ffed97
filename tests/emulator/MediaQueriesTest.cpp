// The replies the engine reads to learn the drive and its disc: exact bytes per medium and
// per drive model.
#include <gtest/gtest.h>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

using namespace emulator;
using namespace emulator::test;

namespace {

std::shared_ptr<TEmulatedDrive> Drive(TProfile profile, const std::string& model = "generic") {
    TDriveConfig config;
    config.Model = *FindDriveModel(model);
    auto drive = std::make_shared<TEmulatedDrive>(config);
    if (profile != TProfile::None) drive->LoadMedium(TDisc::InMemory(profile));
    return drive;
}

TResult Feature(TEmulatedDrive& d, uint8_t rt, uint16_t feature, uint8_t alloc = 114) {
    return In(d, {0x46, rt, uint8_t(feature >> 8), uint8_t(feature), 0, 0, 0, 0, alloc, 0}, alloc);
}

TResult ModeSense(TEmulatedDrive& d, uint8_t pageByte, uint16_t alloc = 255) {
    return In(d, {0x5A, 0, pageByte, 0, 0, 0, 0, uint8_t(alloc >> 8), uint8_t(alloc), 0}, alloc);
}

} // namespace

TEST(MediaQueries, CurrentProfileInConfigurationHeaderForEveryMedium) {
    for (TProfile p : {TProfile::None, TProfile::CdRom, TProfile::CdR, TProfile::CdRw, TProfile::DvdRom, TProfile::DvdR,
                       TProfile::DvdRam, TProfile::DvdRwRestricted, TProfile::DvdRwSequential, TProfile::DvdPlusRw,
                       TProfile::DvdPlusR}) {
        auto d = Drive(p);
        auto r = Feature(*d, 2, 0x0000);
        ASSERT_TRUE(r.Good());
        EXPECT_EQ(GetBE16(&r.Data[6]), uint16_t(p)) << KindName(p);
        // The profile list marks exactly the current profile.
        const uint32_t length = GetBE32(&r.Data[0]);
        ASSERT_EQ(GetBE16(&r.Data[8]), 0x0000);
        int current = 0;
        for (size_t i = 12; i + 4 <= 12u + r.Data[11] && i + 4 <= length + 4; i += 4)
            if (r.Data[i + 2] & 1) {
                ++current;
                EXPECT_EQ(GetBE16(&r.Data[i]), uint16_t(p));
            }
        EXPECT_EQ(current, p == TProfile::None ? 0 : 1) << KindName(p);
    }
}

TEST(MediaQueries, DvdPlusAndDvdMinusWriteFeatures) {
    auto generic = Drive(TProfile::DvdPlusRw);
    auto plus = Feature(*generic, 2, 0x002A);
    ASSERT_EQ(plus.Transferred, 16u);
    const std::vector<uint8_t> plusBytes{0, 0, 0, 12, 0, 0, 0x00, 0x1A, 0x00, 0x2A, 0x01, 4, 0x01, 0, 0, 0};
    EXPECT_EQ(plus.Reply(), plusBytes);
    auto minus = Feature(*generic, 2, 0x002F);
    EXPECT_EQ(minus.Data[9], 0x2F);
    EXPECT_EQ(minus.Data[10], 0x04); // version 1, not current on DVD+RW
    EXPECT_EQ(minus.Data[12], 0x01);

    // A drive without DVD+ support: only the header comes back.
    auto pioneer = Drive(TProfile::DvdR, "dvr-103");
    auto none = Feature(*pioneer, 2, 0x002A);
    EXPECT_EQ(none.Reply(), (std::vector<uint8_t>{0, 0, 0, 4, 0, 0, 0x00, 0x11}));
    auto bits = Feature(*pioneer, 2, 0x002F);
    EXPECT_EQ(bits.Data[10], 0x05); // current on DVD-R
    EXPECT_EQ(bits.Data[12], 0x46); // MMC-5 flags, not a plain 01h
    // A reader of DVD+ media that cannot write them.
    auto combo = Drive(TProfile::DvdPlusR, "ujda");
    auto readOnly = Feature(*combo, 2, 0x002A);
    EXPECT_EQ(readOnly.Data[9], 0x2A);
    EXPECT_EQ(readOnly.Data[12], 0x00);
    auto cdOnly = Drive(TProfile::CdR, "tdk");
    EXPECT_EQ(Feature(*cdOnly, 2, 0x002F).Transferred, 8u);
}

TEST(MediaQueries, ConfigurationRtSelectsFeaturesAndAllocationCuts) {
    auto d = Drive(TProfile::CdR);
    auto all = Feature(*d, 0, 0x0000, 255);
    auto current = Feature(*d, 1, 0x0000, 255);
    ASSERT_TRUE(all.Good() && current.Good());
    EXPECT_GT(all.Transferred, current.Transferred);
    // Every descriptor of RT 1 has its current bit, and codes ascend from the start.
    auto codes = [](const TResult& r) {
        std::vector<std::pair<uint16_t, uint8_t>> out;
        for (size_t i = 8; i + 4 <= r.Transferred; i += 4u + r.Data[i + 3]) out.push_back({GetBE16(&r.Data[i]), r.Data[i + 2]});
        return out;
    };
    for (auto [code, flags] : codes(current)) EXPECT_TRUE(flags & 1) << std::hex << code;
    auto fromTat = codes(Feature(*d, 0, 0x002D, 255));
    ASSERT_FALSE(fromTat.empty());
    EXPECT_EQ(fromTat.front().first, 0x002D);
    // The data length still tells the whole reply when the allocation cuts it.
    auto cut = Feature(*d, 0, 0x0000, 20);
    EXPECT_EQ(cut.Transferred, 20u);
    EXPECT_EQ(GetBE32(&cut.Data[0]) + 4, all.Transferred);
    EXPECT_EQ(Feature(*d, 3, 0).Sense(), sense::InvalidFieldInCdb);
}

TEST(MediaQueries, CapabilitiesPageWithAndWithoutBlockDescriptor) {
    auto generic = Drive(TProfile::DvdR);
    auto r = ModeSense(*generic, 0x80 | 0x2A);
    ASSERT_TRUE(r.Good());
    EXPECT_EQ(GetBE16(&r.Data[6]), 0);  // no block descriptor
    EXPECT_EQ(r.Data[8], 0x2A);
    EXPECT_EQ(GetBE16(&r.Data[0]) + 2u, r.Transferred);
    const uint8_t* page = &r.Data[8];
    EXPECT_EQ(page[2], 0x3F);           // reads CD-R, CD-RW, Method 2, DVD-ROM, DVD-R, DVD-RAM
    EXPECT_EQ(page[3], 0x37);           // writes CD-R, CD-RW, test write, DVD-R, DVD-RAM
    EXPECT_EQ(page[4] & 0x80, 0x80);    // BUF
    EXPECT_EQ(GetBE16(page + 8), 16 * 1385);
    EXPECT_EQ(GetBE16(page + 12), 2048);
    EXPECT_EQ(GetBE16(page + 18), 16 * 1385);
    EXPECT_EQ(GetBE16(page + 20), 16 * 1385);

    auto teac = Drive(TProfile::CdR, "cd-w512eb");
    auto t = ModeSense(*teac, 0x2A);
    EXPECT_EQ(GetBE16(&t.Data[6]), 8);
    EXPECT_EQ(GetBE32(&t.Data[12]) & 0xFFFFFF, 2048u); // block length in the descriptor
    EXPECT_EQ(t.Data[16], 0x2A);
    EXPECT_EQ(t.Data[16 + 4] & 0x80, 0);    // no BUF shown
    EXPECT_EQ(GetBE16(&t.Data[16 + 18]), 12 * 176);
    EXPECT_EQ(ModeSense(*teac, 0x30).Sense(), sense::InvalidFieldInCdb);
    // DBD suppresses the descriptor.
    auto dbd = In(*teac, {0x5A, 0x08, 0x2A, 0, 0, 0, 0, 0, 255, 0}, 255);
    EXPECT_EQ(dbd.Data[8], 0x2A);

    auto sony = Drive(TProfile::CdR, "crx175e");
    auto vendor = ModeSense(*sony, 0x30, 128);
    ASSERT_TRUE(vendor.Good());
    EXPECT_EQ(vendor.Data[8], 0x30);
    EXPECT_EQ(ModeSense(*sony, 0xC0 | 0x2A).Sense(), sense::SavingParametersNotSupported);
    EXPECT_EQ(ModeSense(*sony, 0x1D).Sense(), sense::InvalidFieldInCdb);
}

TEST(MediaQueries, CurrentSpeedsFollowSetCdSpeedAndTheMedium) {
    auto pioneer = Drive(TProfile::DvdR, "dvr-103");
    auto current = ModeSense(*pioneer, 0x2A);
    auto defaults = ModeSense(*pioneer, 0x80 | 0x2A);
    EXPECT_EQ(GetBE16(&current.Data[16 + 20]), 0);    // this model shows 0 until a speed is set
    EXPECT_EQ(GetBE16(&defaults.Data[16 + 20]), 1385);
    ASSERT_TRUE(NoData(*pioneer, {0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(GetBE16(&ModeSense(*pioneer, 0x2A).Data[16 + 20]), 1385);

    auto generic = Drive(TProfile::CdRw);
    ASSERT_TRUE(NoData(*generic, {0xBB, 0, 0x0D, 0xC8, 0x06, 0xE4, 0, 0, 0, 0, 0, 0}).Good()); // 3528 / 1764
    auto page = ModeSense(*generic, 0x2A);
    EXPECT_EQ(GetBE16(&page.Data[8 + 14]), 3528);
    EXPECT_EQ(GetBE16(&page.Data[8 + 20]), 1764);
    EXPECT_EQ(GetBE16(&page.Data[8 + 18]), 48 * 176); // CD maximum with a CD loaded
    // A speed above the maximum gives the maximum.
    NoData(*generic, {0xBB, 0, 0xFF, 0xFE, 0xFF, 0xFE, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(generic->CurrentWriteSpeed(), 48 * 176);
}

TEST(MediaQueries, WriteParametersPageDefaultsAndChangeableMask) {
    auto d = Drive(TProfile::DvdR);
    auto page = ModeSense(*d, 0x80 | 0x05, 512);
    ASSERT_TRUE(page.Good());
    EXPECT_EQ(page.Data[8], 0x05);
    EXPECT_EQ(page.Data[9], 0x32);
    EXPECT_EQ(page.Data[8 + 2] & 0x0F, 0);    // incremental on DVD-R
    EXPECT_EQ(page.Data[8 + 4], 0x08);
    EXPECT_EQ(page.Transferred, 8u + 52);
    auto mask = ModeSense(*d, 0x40 | 0x05, 512);
    EXPECT_EQ(mask.Data[8 + 2], 0xFF);
    auto all = ModeSense(*d, 0x3F, 512);
    EXPECT_EQ(all.Transferred, 8u + 52 + 36);
}

TEST(MediaQueries, BufferCapacityDrainsAtTheWriteSpeed) {
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    auto d = Drive(TProfile::DvdPlusRw);
    auto before = In(*d, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, 32);
    ASSERT_EQ(before.Transferred, 12u);
    EXPECT_EQ(GetBE16(&before.Data[0]), 10);
    EXPECT_EQ(GetBE32(&before.Data[4]), 2048u * 1024);
    EXPECT_EQ(GetBE32(&before.Data[8]), 2048u * 1024);
    ASSERT_TRUE(Write(*d, 0, 32, 7).Good());
    auto full = In(*d, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, 32);
    EXPECT_EQ(GetBE32(&full.Data[8]), 2048u * 1024 - 65536);
    auto blocks = In(*d, {0x5C, 1, 0, 0, 0, 0, 0, 0, 0x20, 0}, 32);
    EXPECT_EQ(GetBE32(&blocks.Data[8]), (2048u * 1024 - 65536) / 2048);
    clock.SleepMs(2); // 22160 bytes a millisecond at 16x
    auto drained = In(*d, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, 32);
    EXPECT_EQ(GetBE32(&drained.Data[8]), 2048u * 1024 - 65536 + 2 * 22160);
    platform::SetClock(nullptr);

    auto combo = Drive(TProfile::CdR, "ujda");
    auto unknown = In(*combo, {0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}, 32);
    EXPECT_EQ(GetBE32(&unknown.Data[8]), 0xFFFFFFFFu);
}

TEST(MediaQueries, DiscInformationOfBlankAndPressedMedia) {
    struct {
        TProfile Profile;
        uint8_t Byte2;
    } cases[] = {
        {TProfile::CdR, 0x00},        {TProfile::CdRw, 0x10},           {TProfile::DvdR, 0x00},
        {TProfile::DvdRwSequential, 0x10}, {TProfile::DvdPlusR, 0x00},  {TProfile::DvdPlusRw, 0x10},
        {TProfile::DvdRam, 0x1F},     {TProfile::DvdRwRestricted, 0x1F}, {TProfile::DvdRom, 0x0E},
        {TProfile::CdRom, 0x0E},
    };
    for (const auto& c : cases) {
        auto d = Drive(c.Profile);
        auto r = DiscInfo(*d);
        ASSERT_EQ(r.Transferred, 34u) << KindName(c.Profile);
        EXPECT_EQ(GetBE16(&r.Data[0]), 32);
        EXPECT_EQ(r.Data[2], c.Byte2) << KindName(c.Profile);
        EXPECT_EQ(r.Data[3], 1);
        EXPECT_EQ(r.Data[4], 1) << KindName(c.Profile); // one (empty or complete) session
        EXPECT_EQ(r.Data[5], 1);
        EXPECT_EQ(r.Data[6], 1);
    }
    auto empty = Drive(TProfile::None);
    EXPECT_EQ(DiscInfo(*empty).Sense(), sense::MediumNotPresent);
    auto d = Drive(TProfile::DvdR);
    EXPECT_EQ(In(*d, {0x51, 1, 0, 0, 0, 0, 0, 0, 34, 0}, 34).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(In(*d, {0x51, 0, 0, 0, 0, 0, 0, 0, 5, 0}, 34).Transferred, 5u);
}

TEST(MediaQueries, AtipTellsCdRFromCdRw) {
    auto atip = [](TProfile p) {
        auto d = Drive(p);
        return In(*d, {0x43, 0x02, 0x04, 0, 0, 0, 0, 0, 26, 0}, 26);
    };
    auto cdr = atip(TProfile::CdR);
    ASSERT_EQ(cdr.Transferred, 26u);
    EXPECT_EQ(GetBE16(&cdr.Data[0]), 26);
    EXPECT_EQ(cdr.Data[6], 0x80);
    EXPECT_EQ(cdr.Data[12], 79); // last possible lead-out 79:59:74
    EXPECT_EQ(cdr.Data[13], 59);
    EXPECT_EQ(cdr.Data[14], 74);
    EXPECT_EQ(atip(TProfile::CdRw).Data[6], 0xC0);
    auto pressed = atip(TProfile::CdRom);
    EXPECT_EQ(pressed.Reply(), (std::vector<uint8_t>{0, 2, 0, 0}));
    EXPECT_EQ(atip(TProfile::DvdR).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(atip(TProfile::None).Sense(), sense::MediumNotPresent);
}

TEST(MediaQueries, TocAndCapacityOfAPressedDisc) {
    auto d = Drive(TProfile::DvdRom);
    auto cap = In(*d, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    ASSERT_TRUE(cap.Good());
    EXPECT_EQ(GetBE32(&cap.Data[0]), 2295104u - 1);
    EXPECT_EQ(GetBE32(&cap.Data[4]), 2048u);
    auto toc = In(*d, {0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100);
    ASSERT_TRUE(toc.Good());
    EXPECT_EQ(toc.Transferred, 20u);
    EXPECT_EQ(toc.Data[2], 1);
    EXPECT_EQ(toc.Data[3], 1);
    EXPECT_EQ(toc.Data[4 + 2], 1);
    EXPECT_EQ(toc.Data[12 + 2], 0xAA);
    EXPECT_EQ(GetBE32(&toc.Data[12 + 4]), 2295104u);
    auto blank = Drive(TProfile::DvdR);
    EXPECT_EQ(In(*blank, {0x43, 0, 0, 0, 0, 0, 0, 0, 100, 0}, 100).Sense(), sense::InvalidFieldInCdb);
}
