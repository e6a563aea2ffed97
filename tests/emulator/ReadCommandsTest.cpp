// READ(10), READ(12) and READ CAPACITY on every medium kind: what is recorded reads back, what
// is not (past the capacity, past a write-once disc's recorded area, a blank disc) is refused
// as a real drive refuses it.
#include <gtest/gtest.h>

#include <algorithm>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"

using namespace emulator;
using namespace emulator::test;

namespace {

std::shared_ptr<TEmulatedDrive> Drive(TProfile profile, uint32_t capacity = 4096) {
    auto drive = std::make_shared<TEmulatedDrive>(TDriveConfig{});
    drive->LoadMedium(TDisc::InMemory(profile, capacity));
    return drive;
}

TResult Read10(TEmulatedDrive& d, uint32_t lba, uint16_t blocks) {
    return In(d, {0x28, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba), 0,
                  uint8_t(blocks >> 8), uint8_t(blocks), 0},
              blocks * 2048u);
}

TResult Read12(TEmulatedDrive& d, uint32_t lba, uint32_t blocks) {
    return In(d, {0xA8, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba), uint8_t(blocks >> 24),
                  uint8_t(blocks >> 16), uint8_t(blocks >> 8), uint8_t(blocks), 0, 0},
              blocks * 2048u);
}

// One past the last block READ CAPACITY reports, and its block length.
std::pair<uint32_t, uint32_t> Capacity(TEmulatedDrive& d) {
    auto r = In(d, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 8);
    EXPECT_TRUE(r.Good());
    EXPECT_EQ(r.Transferred, 8u);
    return {GetBE32(&r.Data[0]) + 1, GetBE32(&r.Data[4])};
}

// Sector k filled with 0x40 + k. One sector per WRITE, but on a DVD+R, which takes whole
// ECC blocks, one WRITE per block (the run rounded up to the block's end); returns the end.
uint32_t Fill(TEmulatedDrive& d, uint32_t lba, uint32_t blocks) {
    const uint32_t unit = d.Medium()->Profile() == TProfile::DvdPlusR ? 16 : 1;
    const uint32_t end = (lba + blocks + unit - 1) / unit * unit;
    for (uint32_t at = lba; at < end; at += unit) {
        std::vector<uint8_t> data(unit * 2048u);
        for (uint32_t k = 0; k < unit; ++k) std::fill_n(data.begin() + k * 2048, 2048, uint8_t(0x40 + at + k));
        EXPECT_TRUE(Send(d, {{0x2A, 0, uint8_t(at >> 24), uint8_t(at >> 16), uint8_t(at >> 8), uint8_t(at), 0, 0,
                              uint8_t(unit), 0},
                             platform::SCSI_IOCTL_DATA_OUT,
                             unit * 2048u,
                             data})
                        .Good())
            << at;
    }
    return end;
}

} // namespace

TEST(ReadCommands, WrittenSectorsReadBackThroughBothCommandsOnEveryWritableMedium) {
    for (TProfile p : {TProfile::CdR, TProfile::CdRw, TProfile::DvdR, TProfile::DvdRwSequential, TProfile::DvdPlusR,
                       TProfile::DvdPlusRw, TProfile::DvdRwRestricted, TProfile::DvdRam}) {
        auto d = Drive(p);
        if (p == TProfile::CdR || p == TProfile::CdRw) {
            ASSERT_TRUE(SelectWritePage(*d, 0x01, 0x04, 0x08).Good());
        }
        const uint32_t written = Fill(*d, 0, 40);
        auto ten = Read10(*d, 3, 2);
        ASSERT_TRUE(ten.Good()) << KindName(p);
        EXPECT_EQ(ten.Transferred, 4096u);
        EXPECT_EQ(ten.Data[0], 0x43) << KindName(p);
        EXPECT_EQ(ten.Data[4095], 0x44) << KindName(p);
        auto twelve = Read12(*d, 0, 40);
        ASSERT_TRUE(twelve.Good()) << KindName(p);
        EXPECT_EQ(twelve.Data[39 * 2048], 0x40 + 39) << KindName(p);
        // A zero-length read transfers nothing and is no error.
        EXPECT_TRUE(Read10(*d, 0, 0).Good());
        // Write-once media report what is recorded; overwritable ones their formatted size.
        const bool overwritable = p == TProfile::DvdPlusRw || p == TProfile::DvdRwRestricted || p == TProfile::DvdRam;
        EXPECT_EQ(Capacity(*d), std::make_pair(overwritable ? 4096u : written, 2048u)) << KindName(p);
    }
}

TEST(ReadCommands, WriteOnceMediaRefuseReadsPastTheRecordedArea) {
    for (TProfile p : {TProfile::CdR, TProfile::DvdR, TProfile::DvdPlusR, TProfile::DvdRwSequential}) {
        auto d = Drive(p);
        if (p == TProfile::CdR) {
            ASSERT_TRUE(SelectWritePage(*d, 0x01, 0x04, 0x08).Good());
        }
        // Blank: nothing at all can be read.
        EXPECT_EQ(Read10(*d, 0, 1).Sense(), sense::LbaOutOfRange) << KindName(p);
        EXPECT_EQ(Capacity(*d).first, 1u) << KindName(p); // last block 0 on a blank disc
        const uint32_t end = Fill(*d, 0, 20);
        EXPECT_TRUE(Read10(*d, end - 1, 1).Good()) << KindName(p);
        // One sector past the end, or a run that crosses it: refused whole, no partial data.
        EXPECT_EQ(Read10(*d, end, 1).Sense(), sense::LbaOutOfRange) << KindName(p);
        auto crossing = Read12(*d, end - 4, 8);
        EXPECT_EQ(crossing.Sense(), sense::LbaOutOfRange) << KindName(p);
        EXPECT_EQ(crossing.Transferred, 0u);
    }
}

TEST(ReadCommands, OverwritableAndPressedMediaReadUpToTheirCapacityOnly) {
    auto rw = Drive(TProfile::DvdPlusRw, 2000);
    Fill(*rw, 0, 1);
    auto unwritten = Read10(*rw, 1500, 2); // an overwritable disc reads everywhere
    ASSERT_TRUE(unwritten.Good());
    EXPECT_EQ(unwritten.Data, std::vector<uint8_t>(4096, 0));
    EXPECT_TRUE(Read10(*rw, 1999, 1).Good());
    EXPECT_EQ(Read10(*rw, 2000, 1).Sense(), sense::LbaOutOfRange);
    EXPECT_EQ(Read12(*rw, 1990, 20).Sense(), sense::LbaOutOfRange);
    // The whole 32-bit address space: no wrap-around to the start of the disc.
    EXPECT_EQ(Read12(*rw, 0xFFFFFFFF, 2).Sense(), sense::LbaOutOfRange);

    auto rom = Drive(TProfile::DvdRom, 300);
    EXPECT_EQ(Capacity(*rom), std::make_pair(300u, 2048u));
    EXPECT_TRUE(Read12(*rom, 0, 300).Good());
    EXPECT_EQ(Read10(*rom, 300, 1).Sense(), sense::LbaOutOfRange);
}

TEST(ReadCommands, DataMustFlowInAndFitTheBuffer) {
    auto d = Drive(TProfile::DvdRom, 300);
    // Too small a buffer for the blocks asked for, or a READ announced as a data-out
    // transfer: the request fails at the bus.
    EXPECT_FALSE(In(*d, {0x28, 0, 0, 0, 0, 0, 0, 0, 2, 0}, 2048).Completed);
    EXPECT_FALSE(Out(*d, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, std::vector<uint8_t>(2048, 0)).Completed);
    EXPECT_TRUE(In(*d, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 2048).Good());
}

TEST(ReadCommands, ADvdRClosedEarlyReadsOnlyWhatItsTracksHold) {
    // Track 1 reserved for 64 sectors and written partly, then closed: the drive pads it to
    // its end. Track 2 then holds 16 sectors; everything after is unrecorded.
    auto d = Drive(TProfile::DvdR);
    ASSERT_TRUE(SelectWritePage(*d, 0x20, 0xE5, 0x08, 0x10, 16).Good());
    ASSERT_TRUE(NoData(*d, {0x53, 0, 0, 0, 0, 0, 0, 0, 64, 0, 0, 0}).Good());
    Fill(*d, 0, 10);
    EXPECT_EQ(Read10(*d, 10, 1).Sense(), sense::LbaOutOfRange); // reserved, not yet written
    ASSERT_TRUE(NoData(*d, {0x5B, 0, 1, 0, 0, 1, 0, 0, 0, 0}).Good());
    EXPECT_TRUE(Read12(*d, 0, 64).Good()); // the padding reads
    Fill(*d, 64, 16);
    EXPECT_TRUE(Read12(*d, 0, 80).Good());
    EXPECT_EQ(Read12(*d, 70, 11).Sense(), sense::LbaOutOfRange);
}

TEST(ReadCommands, ACssDiscShowsItsCopyrightAndRefusesScrambledSectorsAsDrivesDo) {
    auto rom = Drive(TProfile::DvdRom, 600);
    auto copyright = [&] { return In(*rom, {0xAD, 0, 0, 0, 0, 0, 0, 0x01, 0, 8, 0, 0}, 8); };
    auto plain = copyright();
    ASSERT_TRUE(plain.Good());
    EXPECT_EQ(plain.Data[4], 0); // no protection
    rom->Medium()->SetCss(300, 0xFD); // CSS, region 2 only: the drive's region
    auto css = copyright();
    ASSERT_TRUE(css.Good());
    EXPECT_EQ(css.Data[4], 1);
    EXPECT_EQ(css.Data[5], 0xFD);
    auto region = In(*rom, {0xA4, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0x08, 0}, 8);
    ASSERT_TRUE(region.Good());
    EXPECT_EQ(region.Data[5], 0xFD);
    EXPECT_TRUE(Read10(*rom, 299, 1).Good()); // the file system is not scrambled
    EXPECT_EQ(Read10(*rom, 299, 2).Sense(), (TSenseCode{0x05, 0x6F, 0x03}));
    rom->Medium()->SetCss(300, 0x02); // not for region 2
    EXPECT_EQ(Read12(*rom, 400, 1).Sense(), (TSenseCode{0x05, 0x6F, 0x04}));
    EXPECT_EQ(In(*Drive(TProfile::CdRom), {0xAD, 0, 0, 0, 0, 0, 0, 0x01, 0, 8, 0, 0}, 8).Sense(),
              sense::CannotReadMediumIncompatibleFormat);
}
