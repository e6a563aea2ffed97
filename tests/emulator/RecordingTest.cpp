// Recording on emulated media: write parameters checked against the medium, placement,
// capacity, simulation, the closing sequences, readiness after a load.
#include <gtest/gtest.h>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"
#include "platform/Clock.h"

using namespace emulator;
using namespace emulator::test;

namespace {

std::shared_ptr<TEmulatedDrive> Drive(TProfile profile, uint32_t capacity = 0, TDriveConfig config = {}) {
    auto drive = std::make_shared<TEmulatedDrive>(config);
    if (profile != TProfile::None) drive->LoadMedium(TDisc::InMemory(profile, capacity));
    return drive;
}

TResult Close(TEmulatedDrive& d, uint8_t function, uint8_t track, bool immed = false) {
    return NoData(d, {0x5B, uint8_t(immed ? 1 : 0), function, 0, 0, track, 0, 0, 0, 0});
}

TResult Reserve(TEmulatedDrive& d, uint32_t blocks) {
    return NoData(d, {0x53, 0, 0, 0, 0, uint8_t(blocks >> 24), uint8_t(blocks >> 16), uint8_t(blocks >> 8),
                      uint8_t(blocks), 0, 0, 0});
}

TResult TrackInfo(TEmulatedDrive& d, uint8_t track) {
    return In(d, {0x52, 1, 0, 0, 0, track, 0, 0, 36, 0}, 36);
}

void WriteBlocks(TEmulatedDrive& d, uint32_t lba, uint32_t blocks, uint8_t fill) {
    while (blocks) {
        uint16_t n = uint16_t(std::min<uint32_t>(blocks, 32));
        ASSERT_TRUE(Write(d, lba, n, fill).Good()) << "write at " << lba;
        lba += n;
        blocks -= n;
    }
}

// Disc status, state of last session and session count as READ DISC INFORMATION gives them.
struct TDiscState {
    uint8_t Status, LastSession, Sessions, FirstTrackInLast;
};

TDiscState State(TEmulatedDrive& d) {
    auto r = DiscInfo(d);
    EXPECT_TRUE(r.Good());
    return {uint8_t(r.Data[2] & 3), uint8_t((r.Data[2] >> 2) & 3), r.Data[4], r.Data[5]};
}

} // namespace

TEST(Recording, WritePageIsCheckedAgainstTheMedium) {
    auto cd = Drive(TProfile::CdR);
    EXPECT_TRUE(SelectWritePage(*cd, 0x01, 0x04, 0x08).Good());                                  // TAO, data, Mode 1
    EXPECT_EQ(SelectWritePage(*cd, 0x01, 0x00, 0x08).Sense(), sense::InvalidFieldInParameterList); // Mode 1 on an audio track
    EXPECT_TRUE(SelectWritePage(*cd, 0x03, 0x00, 0x01).Good());                                  // RAW, raw blocks
    EXPECT_EQ(SelectWritePage(*cd, 0x03, 0x04, 0x08).Sense(), sense::InvalidFieldInParameterList);
    EXPECT_TRUE(SelectWritePage(*cd, 0x02, 0x00, 0x00).Good());                                  // SAO audio
    EXPECT_EQ(SelectWritePage(*cd, 0x04, 0x04, 0x08).Sense(), sense::InvalidFieldInParameterList); // layer jump
    EXPECT_EQ(SelectWritePage(*cd, 0x01, 0x04, 0x07).Sense(), sense::InvalidFieldInParameterList);

    auto dvd = Drive(TProfile::DvdR);
    EXPECT_TRUE(SelectWritePage(*dvd, 0x20, 0xE5, 0x08, 0x10, 16).Good());
    EXPECT_EQ(SelectWritePage(*dvd, 0x01, 0x04, 0x08).Sense(), sense::InvalidFieldInParameterList);
    EXPECT_EQ(SelectWritePage(*dvd, 0x02, 0x00, 0x00).Sense(), sense::InvalidFieldInParameterList);
    EXPECT_TRUE(SelectWritePage(*dvd, 0x30, 0xE5, 0x08, 0x10, 16).Good()); // test write on DVD-R

    auto plus = Drive(TProfile::DvdPlusR);
    EXPECT_TRUE(SelectWritePage(*plus, 0x22, 0xC4, 0x08).Good());
    EXPECT_EQ(SelectWritePage(*plus, 0x32, 0xC4, 0x08).Sense(), sense::InvalidFieldInParameterList);

    TDriveConfig noSimulation;
    noSimulation.Model.TestWrite = false;
    auto plain = Drive(TProfile::CdR, 0, noSimulation);
    EXPECT_EQ(SelectWritePage(*plain, 0x11, 0x04, 0x08).Sense(), sense::InvalidFieldInParameterList);
}

// One field of a page the medium takes, changed: the drive refuses the list.
TEST(Recording, WritePageFieldsAreCheckedPerMedium) {
    const auto invalid = sense::InvalidFieldInParameterList;
    auto page = [](TEmulatedDrive& d, uint8_t b2, uint8_t b3, uint8_t link, uint32_t packet, uint8_t format = 0) {
        std::vector<uint8_t> list(8 + 52, 0);
        uint8_t* p = &list[8];
        p[0] = 0x05;
        p[1] = 0x32;
        p[2] = b2;
        p[3] = b3;
        p[4] = 0x08;
        p[5] = link;
        p[8] = format;
        PutBE32(p + 10, packet);
        PutBE16(p + 14, 150);
        return Out(d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list);
    };
    for (TProfile p : {TProfile::DvdR, TProfile::DvdRwSequential}) {
        SCOPED_TRACE(KindName(p));
        auto d = Drive(p);
        EXPECT_TRUE(page(*d, 0x20, 0xE5, 0x10, 16).Good()); // LS_V, link 16, fixed packets of 16
        EXPECT_TRUE(page(*d, 0x20, 0xC5, 0x10, 0).Good());  // variable packets
        EXPECT_TRUE(page(*d, 0x00, 0xC5, 0x00, 0).Good());  // link size not given: the drive's own
        EXPECT_EQ(page(*d, 0x20, 0xC5, 0x07, 0).Sense(), invalid);  // a CD's link size
        EXPECT_EQ(page(*d, 0x20, 0xE5, 0x10, 0).Sense(), invalid);  // fixed packets without a size
        EXPECT_EQ(page(*d, 0x20, 0xE5, 0x10, 20).Sense(), invalid); // not whole ECC blocks
        EXPECT_EQ(page(*d, 0x20, 0x85, 0x10, 0).Sense(), invalid);  // multi-session 10b is reserved
        EXPECT_TRUE(page(*d, 0x02, 0x05, 0x07, 0).Good());          // disc at once: no linking
    }
    auto cd = Drive(TProfile::CdR);
    EXPECT_TRUE(page(*cd, 0x01, 0xC4, 0, 0).Good());
    EXPECT_TRUE(page(*cd, 0x21, 0x04, 0, 0).Good());  // LS_V with a link size of 0
    EXPECT_TRUE(page(*cd, 0x01, 0x04, 0, 0, 0x20).Good()); // CD-ROM XA
    EXPECT_EQ(page(*cd, 0x21, 0x04, 16, 0).Sense(), invalid); // a DVD's link size
    EXPECT_EQ(page(*cd, 0x01, 0x84, 0, 0).Sense(), invalid);  // multi-session 10b
    EXPECT_EQ(page(*cd, 0x01, 0x04, 0, 0, 0x30).Sense(), invalid); // no such session format
    EXPECT_EQ(page(*cd, 0x00, 0x24, 0, 0).Sense(), invalid);  // fixed packets of no size
    // The refused lists left the accepted page in place.
    EXPECT_EQ(cd->WriteParametersPage()[8], 0x20);
}

TEST(Recording, AcceptedPageIsWhatModeSenseShowsAndARejectedOneChangesNothing) {
    auto d = Drive(TProfile::CdR);
    ASSERT_TRUE(SelectWritePage(*d, 0x41, 0xC4, 0x08).Good());
    EXPECT_EQ(SelectWritePage(*d, 0x03, 0x04, 0x08).Status, kStatusCheckCondition);
    auto page = In(*d, {0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}, 512);
    EXPECT_EQ(page.Data[8 + 2], 0x41);
    EXPECT_EQ(page.Data[8 + 3], 0xC4);
    EXPECT_EQ(GetBE16(&page.Data[8 + 14]), 150);

    // Header with a block descriptor before the page; a list shorter than its page; the
    // save bit; a page this drive does not have.
    std::vector<uint8_t> list(8 + 8 + 52, 0);
    list[7] = 8;
    list[16] = 0x05;
    list[17] = 0x32;
    list[18] = 0x01;
    list[19] = 0x04;
    list[20] = 0x08;
    EXPECT_TRUE(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list).Good());
    EXPECT_EQ(d->WriteParametersPage()[2], 0x01);
    EXPECT_EQ(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, 40, 0}, std::vector<uint8_t>(list.begin(), list.begin() + 40)).Sense(),
              sense::ParameterListLengthError);
    EXPECT_EQ(Out(*d, {0x55, 0x11, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list).Sense(), sense::InvalidFieldInCdb);
    list[16] = 0x0E;
    EXPECT_EQ(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list).Sense(),
              sense::InvalidFieldInParameterList);
    list[16] = 0x05;
    list[17] = 0x20;
    EXPECT_EQ(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, uint8_t(list.size()), 0}, list).Sense(),
              sense::InvalidFieldInParameterList);
}

TEST(Recording, WriteOnceMediaTakeWritesOnlyAtTheNextWritableAddress) {
    auto d = Drive(TProfile::DvdR, 1000);
    ASSERT_TRUE(SelectWritePage(*d, 0x20, 0xE5, 0x08, 0x10, 16).Good());
    EXPECT_TRUE(Write(*d, 0, 16, 1).Good());
    EXPECT_EQ(Write(*d, 0, 16, 1).Sense(), sense::InvalidAddressForWrite);  // no overwrite
    EXPECT_EQ(Write(*d, 20, 16, 1).Sense(), sense::InvalidAddressForWrite); // no gap
    EXPECT_TRUE(Write(*d, 16, 16, 2).Good());
    auto info = TrackInfo(*d, 1);
    EXPECT_EQ(GetBE32(&info.Data[12]), 32u); // next writable address
    EXPECT_EQ(GetBE32(&info.Data[16]), 968u); // free blocks
    WriteBlocks(*d, 32, 960, 3);
    EXPECT_EQ(Write(*d, 992, 16, 4).Sense(), sense::LbaOutOfRange);
    EXPECT_TRUE(Write(*d, 992, 8, 4).Good());
    EXPECT_EQ(Write(*d, 1000, 1, 4).Sense(), sense::LbaOutOfRange);
    EXPECT_EQ(d->Medium()->RecordedEnd(), 1000u);
}

TEST(Recording, WritesNeedAWritableMediumAndAMatchingPage) {
    EXPECT_EQ(Write(*Drive(TProfile::DvdRom), 0, 1, 0).Sense(), sense::CannotWriteIncompatibleFormat);
    EXPECT_EQ(Write(*Drive(TProfile::None), 0, 1, 0).Sense(), sense::MediumNotPresent);
    TDriveConfig cdOnly;
    cdOnly.Model = *FindDriveModel("crx800e");
    EXPECT_EQ(Write(*Drive(TProfile::DvdR, 0, cdOnly), 0, 1, 0).Sense(), sense::CannotWriteIncompatibleFormat);
    auto cd = Drive(TProfile::CdR);
    ASSERT_TRUE(SelectWritePage(*cd, 0x01, 0x00, 0x00).Good()); // audio blocks of 2352 bytes
    EXPECT_EQ(Write(*cd, 0, 1, 0).Sense(), sense::IllegalModeForThisTrack);
    ASSERT_TRUE(SelectWritePage(*cd, 0x01, 0x04, 0x08).Good());
    EXPECT_TRUE(Write(*cd, 0, 1, 0).Good());
    // Fewer data bytes than the blocks need: the request fails, nothing is written.
    auto shortData = Send(*cd, {Write10Cdb(1, 2), platform::SCSI_IOCTL_DATA_OUT, 2048, std::vector<uint8_t>(2048)});
    EXPECT_FALSE(shortData.Completed);
    EXPECT_EQ(cd->Medium()->NextWritable(), 1u);
}

TEST(Recording, OverwritableMediaTakeAnyAddressAndReadBack) {
    for (TProfile p : {TProfile::DvdPlusRw, TProfile::DvdRam, TProfile::DvdRwRestricted}) {
        auto d = Drive(p, 500);
        EXPECT_TRUE(Write(*d, 100, 2, 0xAB).Good()) << KindName(p);
        EXPECT_TRUE(Write(*d, 0, 1, 0xCD).Good());
        EXPECT_TRUE(Write(*d, 100, 1, 0xEF).Good());
        EXPECT_EQ(Write(*d, 499, 2, 0).Sense(), sense::LbaOutOfRange);
        auto r = In(*d, {0x28, 0, 0, 0, 0, 99, 0, 0, 3, 0}, 3 * 2048);
        ASSERT_TRUE(r.Good());
        EXPECT_EQ(r.Data[0], 0);          // never written
        EXPECT_EQ(r.Data[2048], 0xEF);
        EXPECT_EQ(r.Data[4096], 0xAB);
        EXPECT_EQ(State(*d).Status, 3) << KindName(p);
    }
}

TEST(Recording, TestWriteIsPlacedLikeARealOneButRecordsNothing) {
    auto d = Drive(TProfile::CdR);
    ASSERT_TRUE(SelectWritePage(*d, 0x11, 0x04, 0x08).Good());
    EXPECT_TRUE(d->TestWriteActive());
    EXPECT_TRUE(Write(*d, 0, 27, 9).Good());
    EXPECT_TRUE(Write(*d, 27, 27, 9).Good());
    EXPECT_EQ(Write(*d, 100, 1, 9).Sense(), sense::InvalidAddressForWrite);
    EXPECT_TRUE(Close(*d, 2, 0).Good());
    EXPECT_EQ(State(*d).Status, 0);
    EXPECT_EQ(d->Medium()->RecordedEnd(), 0u);
    // Nothing recorded: the sector cannot be read at all.
    EXPECT_EQ(In(*d, {0x28, 0, 0, 0, 0, 0, 0, 0, 1, 0}, 2048).Sense(), sense::LbaOutOfRange);
    // A real write afterwards starts on the blank disc.
    ASSERT_TRUE(SelectWritePage(*d, 0x01, 0x04, 0x08).Good());
    EXPECT_TRUE(Write(*d, 0, 1, 5).Good());
    EXPECT_EQ(State(*d).Status, 1);
}

TEST(Recording, CdSessionClosesTheDiscOrLeavesItAppendableByTheMultiSessionField) {
    auto closed = Drive(TProfile::CdR);
    ASSERT_TRUE(SelectWritePage(*closed, 0x01, 0x04, 0x08).Good()); // multi-session 00b
    EXPECT_EQ(Close(*closed, 2, 0).Sense(), sense::CommandSequenceError); // nothing written yet
    ASSERT_TRUE(Write(*closed, 0, 10, 1).Good());
    auto s = State(*closed);
    EXPECT_EQ(s.Status, 1);
    EXPECT_EQ(s.LastSession, 1);
    EXPECT_EQ(s.Sessions, 1);
    ASSERT_TRUE(Close(*closed, 1, 1).Good());
    ASSERT_TRUE(Close(*closed, 2, 0, true).Good());
    s = State(*closed);
    EXPECT_EQ(s.Status, 2);
    EXPECT_EQ(s.LastSession, 3);
    EXPECT_EQ(s.Sessions, 1);
    EXPECT_EQ(Write(*closed, 10, 1, 1).Sense(), sense::InvalidAddressForWrite);

    auto open = Drive(TProfile::CdRw);
    ASSERT_TRUE(SelectWritePage(*open, 0x01, 0xC4, 0x08).Good()); // multi-session 11b
    ASSERT_TRUE(Write(*open, 0, 10, 1).Good());
    ASSERT_TRUE(Close(*open, 1, 0xFF).Good());
    ASSERT_TRUE(Close(*open, 2, 0).Good());
    s = State(*open);
    EXPECT_EQ(s.Status, 1);
    EXPECT_EQ(s.LastSession, 0);
    EXPECT_EQ(s.Sessions, 2);
    EXPECT_EQ(s.FirstTrackInLast, 2);
    auto next = TrackInfo(*open, 2);
    const uint32_t nwa = GetBE32(&next.Data[12]);
    EXPECT_EQ(nwa, 10u + 6750 + 4500 + 150);
    EXPECT_TRUE(Write(*open, nwa, 1, 2).Good());
    // Finalizing closes the second session and the disc, once its track is closed.
    EXPECT_EQ(Close(*open, 5, 0).Sense(), sense::IncompleteTrackInSession);
    ASSERT_TRUE(Close(*open, 1, 2).Good());
    ASSERT_TRUE(Close(*open, 5, 0).Good());
    s = State(*open);
    EXPECT_EQ(s.Status, 2);
    EXPECT_EQ(s.Sessions, 2);
}

TEST(Recording, DvdRReservedTrackAndTheClosingSequence) {
    auto d = Drive(TProfile::DvdR);
    ASSERT_TRUE(SelectWritePage(*d, 0x20, 0xE5, 0x08, 0x10, 16).Good());
    std::vector<uint8_t> streaming(28, 0);
    PutBE32(&streaming[8], 2298495);
    PutBE32(&streaming[12], 43965);
    PutBE32(&streaming[16], 1000);
    PutBE32(&streaming[20], 1418);
    PutBE32(&streaming[24], 1000);
    EXPECT_TRUE(Out(*d, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}, streaming).Good());
    std::vector<uint8_t> stamp(22, 0);
    PutBE16(&stamp[0], 20);
    const std::string digits = "20261209081530";
    std::copy(digits.begin(), digits.end(), stamp.begin() + 8);
    EXPECT_TRUE(Out(*d, {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}, stamp).Good());
    EXPECT_EQ(d->Medium()->Timestamp(), digits);

    ASSERT_TRUE(Reserve(*d, 1000).Good());
    auto reserved = TrackInfo(*d, 1);
    EXPECT_EQ(reserved.Data[6] & 0x80, 0x80);       // RT: reserved track
    EXPECT_EQ(GetBE32(&reserved.Data[24]), 1008u); // rounded up to whole ECC blocks
    EXPECT_EQ(GetBE32(&TrackInfo(*d, 2).Data[8]), 1008u); // the invisible track follows it
    WriteBlocks(*d, 0, 1000, 0x11);
    EXPECT_EQ(Write(*d, 1000, 16, 0).Sense(), sense::InvalidAddressForWrite); // past the reservation

    // The engine's DVD-R closing: track T, track T + 1, then the session.
    EXPECT_TRUE(Close(*d, 1, 1).Good());
    EXPECT_TRUE(Close(*d, 1, 2).Good());
    EXPECT_TRUE(Close(*d, 2, 3).Good());
    auto s = State(*d);
    EXPECT_EQ(s.Status, 1);
    EXPECT_EQ(s.LastSession, 0);
    EXPECT_EQ(s.Sessions, 2);
    auto track = TrackInfo(*d, 1);
    EXPECT_EQ(track.Data[7] & 1, 0); // closed: no next writable address
    EXPECT_EQ(GetBE32(&track.Data[24]), 1008u);
    auto padding = In(*d, {0x28, 0, 0, 0, 0x03, 0xE7, 0, 0, 2, 0}, 4096); // 999 and 1000
    EXPECT_EQ(padding.Data[0], 0x11);
    EXPECT_EQ(padding.Data[2048], 0x00);
    // The written area ends where the data ends: the disc compares with its image.
    EXPECT_EQ(d->Medium()->RecordedEnd(), 1000u);
    EXPECT_EQ(Close(*d, 7, 0).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(Close(*d, 1, 9).Sense(), sense::InvalidFieldInCdb);
}

TEST(Recording, ASessionWithATrackStillOpenIsNotClosed) {
    // Write-once media: the drive closes no track on its own, the disc stays as it was, and
    // once the track is closed the same request closes the session.
    for (TProfile p : {TProfile::CdR, TProfile::CdRw, TProfile::DvdR, TProfile::DvdRwSequential, TProfile::DvdPlusR}) {
        SCOPED_TRACE(KindName(p));
        auto d = Drive(p);
        WriteBlocks(*d, 0, 64, 1);
        for (uint8_t function : {2, 5}) EXPECT_EQ(Close(*d, function, 0).Sense(), sense::IncompleteTrackInSession);
        auto s = State(*d);
        EXPECT_EQ(s.Status, 1);
        EXPECT_EQ(s.LastSession, 1);
        EXPECT_EQ(GetBE32(&TrackInfo(*d, 1).Data[12]), 64u); // still appendable where it stopped
        ASSERT_TRUE(Close(*d, 1, 1).Good());
        EXPECT_TRUE(Close(*d, 2, 0).Good());
        EXPECT_NE(State(*d).LastSession, 1); // no longer incomplete
    }
    // DVD-R: a reserved track that is not closed, empty or partly written, has its own answer.
    // Written to its end it is complete and needs no closing.
    for (uint32_t written : {0u, 16u, 48u}) {
        auto d = Drive(TProfile::DvdR);
        ASSERT_TRUE(Reserve(*d, 48).Good());
        WriteBlocks(*d, 0, written, 1);
        if (written < 48) {
            EXPECT_EQ(Close(*d, 2, 0).Sense(), sense::EmptyOrPartiallyWrittenReservedTrack) << written;
            ASSERT_TRUE(Close(*d, 1, 1).Good());
        }
        EXPECT_TRUE(Close(*d, 2, 0).Good()) << written;
        EXPECT_EQ(TrackInfo(*d, 1).Data[7] & 1, 0) << written; // no next writable address
    }
}

TEST(Recording, ReservationErrors) {
    EXPECT_EQ(Reserve(*Drive(TProfile::DvdPlusRw), 32).Sense(), sense::CannotWriteIncompatibleFormat);
    auto d = Drive(TProfile::DvdR, 2000);
    ASSERT_TRUE(SelectWritePage(*d, 0x20, 0xE5, 0x08, 0x10, 16).Good());
    EXPECT_EQ(Reserve(*d, 0).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(Reserve(*d, 2001).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(NoData(*d, {0x53, 1, 0, 0, 0, 0, 0, 0, 32, 0, 0, 0}).Sense(), sense::InvalidFieldInCdb);
    ASSERT_TRUE(Write(*d, 0, 16, 1).Good());
    EXPECT_EQ(Reserve(*d, 32).Sense(), sense::CommandSequenceError);
}

TEST(Recording, DvdPlusRSessionsAndFinalization) {
    auto d = Drive(TProfile::DvdPlusR);
    // Written in whole ECC blocks: a write that ends inside one is refused.
    EXPECT_EQ(Write(*d, 0, 100, 1).Sense(), sense::InvalidFieldInCdb);
    WriteBlocks(*d, 0, 96, 1);
    EXPECT_TRUE(Close(*d, 1, 1).Good());
    EXPECT_TRUE(Close(*d, 2, 0xFF).Good());
    auto s = State(*d);
    EXPECT_EQ(s.Status, 1);
    EXPECT_EQ(s.LastSession, 0);
    EXPECT_EQ(s.Sessions, 2);
    EXPECT_TRUE(Close(*d, 5, 0).Good());
    s = State(*d);
    EXPECT_EQ(s.Status, 2);
    EXPECT_EQ(s.LastSession, 3);
    EXPECT_EQ(s.Sessions, 1);
    EXPECT_EQ(Close(*d, 2, 0).Sense(), sense::CommandSequenceError);
}

TEST(Recording, OverwritableMediaCloseWithoutChangingTheirStatus) {
    auto rw = Drive(TProfile::DvdRwRestricted);
    WriteBlocks(*rw, 0, 40, 1);
    EXPECT_TRUE(Close(*rw, 2, 0, true).Good());
    EXPECT_EQ(State(*rw).Status, 3);
    auto plus = Drive(TProfile::DvdPlusRw);
    EXPECT_EQ(State(*plus).Status, 0); // never formatted
    WriteBlocks(*plus, 0, 40, 1);
    EXPECT_TRUE(Close(*plus, 3, 0xFF).Good());
    EXPECT_EQ(State(*plus).Status, 3);
    EXPECT_EQ(Close(*Drive(TProfile::DvdRam), 3, 0).Sense(), sense::InvalidFieldInCdb);
}

TEST(Recording, BlankingAReWritableDisc) {
    auto d = Drive(TProfile::CdRw);
    ASSERT_TRUE(Write(*d, 0, 10, 1).Good());
    ASSERT_TRUE(Close(*d, 1, 1).Good());
    ASSERT_TRUE(Close(*d, 2, 0).Good());
    EXPECT_EQ(State(*d).Status, 2);
    EXPECT_TRUE(NoData(*d, {0xA1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(State(*d).Status, 0);
    EXPECT_TRUE(Write(*d, 0, 1, 1).Good());
    EXPECT_EQ(NoData(*Drive(TProfile::CdR), {0xA1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(),
              sense::CannotWriteIncompatibleFormat);
}

TEST(Recording, TimestampAndStreamingParametersAreChecked) {
    auto d = Drive(TProfile::DvdR);
    std::vector<uint8_t> stamp(22, 0);
    PutBE16(&stamp[0], 20);
    const std::string bad = "2026130908153X";
    std::copy(bad.begin(), bad.end(), stamp.begin() + 8);
    EXPECT_EQ(Out(*d, {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}, stamp).Sense(), sense::InvalidFieldInParameterList);
    EXPECT_EQ(Out(*d, {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 10, 0, 0}, std::vector<uint8_t>(10)).Sense(),
              sense::ParameterListLengthError);
    EXPECT_EQ(Out(*d, {0xBF, 0, 0, 0, 0, 0, 0, 0x04, 0, 22, 0, 0}, stamp).Sense(), sense::InvalidFieldInCdb);
    EXPECT_EQ(Out(*Drive(TProfile::DvdPlusR), {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}, stamp).Sense(),
              sense::CannotWriteIncompatibleFormat);
    EXPECT_EQ(Out(*d, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0}, std::vector<uint8_t>(20)).Sense(),
              sense::ParameterListLengthError);
    EXPECT_EQ(Out(*d, {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}, std::vector<uint8_t>(28)).Sense(),
              sense::InvalidFieldInParameterList); // zero times
}

struct ReadinessTest : ::testing::Test {
    void SetUp() override { platform::SetClock(&Clock); }
    void TearDown() override { platform::SetClock(nullptr); }
    platform::TVirtualClock Clock;
};

TEST_F(ReadinessTest, NotReadyForSomeCommandsAfterALoad) {
    TDriveConfig config;
    config.BecomingReadyCommands = 3;
    auto d = Drive(TProfile::DvdR, 0, config);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::BecomingReady);
        EXPECT_TRUE(In(*d, {0x12, 0, 0, 0, 36, 0}, 36).Good()); // INQUIRY does not wait for the medium
    }
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
    // A new load starts over; REQUEST SENSE shows the state with GOOD status.
    ASSERT_TRUE(NoData(*d, {0x1B, 0, 0, 0, 0x03, 0}).Good());
    auto sense = In(*d, {0x03, 0, 0, 0, 18, 0}, 18);
    EXPECT_TRUE(sense.Good());
    EXPECT_EQ(sense.Data[2], 0x02);
    EXPECT_EQ(sense.Data[12], 0x04);
    EXPECT_EQ(sense.Data[13], 0x01);
    EXPECT_EQ(DiscInfo(*d).Sense(), sense::BecomingReady);
    EXPECT_EQ(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::BecomingReady);
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
}

TEST_F(ReadinessTest, NotReadyForSomeVirtualTimeAfterALoad) {
    TDriveConfig config;
    config.BecomingReadyMs = 2500;
    auto d = Drive(TProfile::CdR, 0, config);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::BecomingReady);
    Clock.SleepMs(2499);
    EXPECT_EQ(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::BecomingReady);
    Clock.SleepMs(1);
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
}

TEST_F(ReadinessTest, ImmediateFlushKeepsTheDriveBusyForAWhile) {
    TDriveConfig config;
    config.ImmediateBusyMs = 5000;
    auto d = Drive(TProfile::DvdR, 0, config);
    ASSERT_TRUE(Write(*d, 0, 16, 1).Good());
    ASSERT_TRUE(NoData(*d, {0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
    // TEST UNIT READY cannot tell: the disc's queries report the flush.
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(DiscInfo(*d).Sense(), sense::LongWriteInProgress);
    EXPECT_EQ(TrackInfo(*d, 1).Sense(), sense::LongWriteInProgress);
    Clock.SleepMs(5000);
    EXPECT_TRUE(DiscInfo(*d).Good());
    // Without Immed the flush is over when the command returns.
    ASSERT_TRUE(NoData(*d, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
    EXPECT_TRUE(DiscInfo(*d).Good());

    // A closing with Immed is an operation in progress.
    ASSERT_TRUE(Close(*d, 1, 1, true).Good());
    EXPECT_TRUE(NoData(*d, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_EQ(DiscInfo(*d).Sense(), sense::OperationInProgress);
    EXPECT_EQ(Write(*d, 16, 16, 1).Sense(), sense::OperationInProgress);
    Clock.SleepMs(5000);
    EXPECT_TRUE(DiscInfo(*d).Good());
}

TEST(Recording, ModeSelectWantsPfAndRefusesThePsBit) {
    auto d = Drive(TProfile::CdR);
    std::vector<uint8_t> list(8 + 52, 0);
    list[8] = 0x05;
    list[9] = 0x32;
    list[10] = 0x01;
    list[11] = 0x04;
    list[12] = 0x08;
    const uint8_t n = uint8_t(list.size());
    EXPECT_TRUE(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, n, 0}, list).Good());
    // Without PF the list is not in the MMC page format.
    EXPECT_EQ(Out(*d, {0x55, 0x00, 0, 0, 0, 0, 0, 0, n, 0}, list).Sense(), sense::InvalidFieldInCdb);
    // PS is reserved in MODE SELECT, even on a page MODE SENSE reported savable.
    list[8] = 0x85;
    EXPECT_EQ(Out(*d, {0x55, 0x10, 0, 0, 0, 0, 0, 0, n, 0}, list).Sense(), sense::InvalidFieldInParameterList);
}
