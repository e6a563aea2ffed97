// A burn onto every emulated medium: the image lands byte for byte, the designed commands go
// out in the designed order with the designed block sizes, and the disc ends in the state the
// settings ask for.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "BurnRig.h"
#include "emulator/Opcodes.h"
#include "engine/Bytes.h"
#include "platform/Time.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
namespace op = emulator::op;

namespace {

// The commands that are steps of the recording sequence itself (queries, the readiness wait
// and the buffer polls are left out), with a run of WRITE(10) shown once.
std::vector<uint8_t> SequenceSteps(const std::vector<emulator::TCommandRecord>& log) {
    static const std::set<uint8_t> steps = {op::StartStopUnit, op::RezeroUnit,       op::SetCdSpeed,
                                            op::ModeSelect10,  op::SetStreaming,     op::SendDvdStructure,
                                            op::ReserveTrack,  op::SendOpcInformation, op::Write10,
                                            op::SynchronizeCache, op::CloseTrackSession,
                                            op::PreventAllowMediumRemoval};
    std::vector<uint8_t> out;
    for (const auto& r : log) {
        if (!steps.count(r.Opcode())) continue;
        if (r.Opcode() == op::Write10 && !out.empty() && out.back() == op::Write10) continue;
        out.push_back(r.Opcode());
    }
    return out;
}

// CLOSE TRACK/SESSION as (Immed, function, track number byte).
using TClose = std::array<uint8_t, 3>;

struct TMedium {
    TProfile Profile;
    std::vector<uint8_t> Steps;
    std::vector<TClose> Closes;
    bool ImmediateFlush;
    uint16_t BlockSectors;
    uint16_t EccSectors; // the last write is padded to this
    uint8_t DiscStatus; // READ DISC INFORMATION after the burn: 1 appendable, 3 overwritable
};

// The sequence around the writes, shared by every medium, with the medium's own part.
std::vector<uint8_t> Steps(bool rezero, std::vector<uint8_t> prepare, std::vector<uint8_t> close) {
    // The tray is locked once it is closed.
    std::vector<uint8_t> s = {op::StartStopUnit, op::PreventAllowMediumRemoval};
    if (rezero) s.push_back(op::RezeroUnit);
    s.push_back(op::SetCdSpeed);
    s.insert(s.end(), prepare.begin(), prepare.end());
    s.push_back(op::Write10);
    s.push_back(op::SynchronizeCache);
    s.insert(s.end(), close.begin(), close.end());
    // The resting state: CD-ROM write parameters, speeds, rezero, unlock, load, rezero.
    for (uint8_t o : {op::ModeSelect10, op::SetCdSpeed, op::RezeroUnit, op::PreventAllowMediumRemoval,
                      op::StartStopUnit, op::RezeroUnit})
        s.push_back(o);
    return s;
}

const uint8_t MS = op::ModeSelect10, OPC = op::SendOpcInformation, CL = op::CloseTrackSession;

const TMedium kMedia[] = {
    // CD and sequential DVD-RW: the track is closed before its session.
    {TProfile::CdR, Steps(true, {MS, OPC}, {MS, CL, CL}), {{{0, 1, 1}}, {{1, 2, 0}}}, false, 27, 1, 1},
    {TProfile::CdRw, Steps(true, {MS, OPC}, {MS, CL, CL}), {{{0, 1, 1}}, {{1, 2, 0}}}, false, 27, 1, 1},
    // DVD-R and DVD+R: each close of the written track and of the session with Immed, waited for.
    {TProfile::DvdR, Steps(true, {MS, op::SetStreaming, op::SendDvdStructure, op::ReserveTrack, OPC}, {CL, CL, CL}),
     {{{1, 1, 1}}, {{0, 1, 2}}, {{1, 2, 0}}}, true, 32, 16, 1},
    {TProfile::DvdRwRestricted, Steps(true, {MS, OPC}, {MS, CL}), {{{1, 2, 0}}}, true, 32, 16, 3},
    {TProfile::DvdRwSequential, Steps(true, {MS, OPC}, {MS, CL, CL}), {{{0, 1, 1}}, {{1, 2, 0}}}, true, 32, 16, 1},
    {TProfile::DvdPlusR, Steps(true, {MS, OPC}, {MS, CL, CL}), {{{1, 1, 1}}, {{1, 2, 0}}}, false, 32, 16, 1},
    // No REZERO UNIT before writing a DVD+RW.
    {TProfile::DvdPlusRw, Steps(false, {MS, OPC}, {MS, CL}), {{{0, 3, 255}}}, false, 32, 16, 3},
    // DVD-RAM: no write parameters, no OPC, nothing closed.
    {TProfile::DvdRam, Steps(true, {}, {}), {}, false, 32, 16, 3},
};

class EveryMedium : public ::testing::TestWithParam<TMedium> {};

} // namespace

TEST_P(EveryMedium, ImageLandsByteForByteThroughTheDesignedCommands) {
    const TMedium& m = GetParam();
    TBurnRig rig(m.Profile);
    rig.Engine.SetPerformOPC(true);
    const uint32_t sectors = 1000; // not a multiple of either block size: the last block is short
    auto result = rig.Burn(rig.MakeImage(sectors * 2048));
    ASSERT_TRUE(result.Started);
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);

    const auto log = rig.Commands();
    EXPECT_EQ(SequenceSteps(log), m.Steps);
    // Every request reached the drive: none moved data the wrong way or past its buffer.
    for (const auto& r : log) EXPECT_TRUE(r.Completed) << "opcode " << int(r.Opcode());

    // WRITE(10): consecutive from sector 0, full blocks of the medium's size, a short last one
    // padded with zeros to a whole ECC block.
    const uint32_t lastBlock = (sectors % m.BlockSectors + m.EccSectors - 1) / m.EccSectors * m.EccSectors;
    uint32_t next = 0;
    auto writes = rig.CommandsWith(op::Write10);
    ASSERT_FALSE(writes.empty());
    for (size_t i = 0; i < writes.size(); ++i) {
        const auto& w = writes[i];
        const uint32_t lba = GetBE32(&w.Cdb[2]);
        const uint16_t blocks = GetBE16(&w.Cdb[7]);
        EXPECT_EQ(lba, next);
        EXPECT_EQ(w.Length, blocks * 2048u);
        EXPECT_EQ(blocks, i + 1 < writes.size() ? m.BlockSectors : lastBlock) << "write " << i;
        next += blocks;
    }
    EXPECT_EQ(next, sectors - sectors % m.BlockSectors + lastBlock);
    const auto& last = writes.back();
    const size_t imageBytesInLast = (sectors % m.BlockSectors) * 2048;
    EXPECT_TRUE(std::all_of(last.Data.begin() + std::min(imageBytesInLast, last.Data.size()), last.Data.end(),
                            [](uint8_t b) { return b == 0; }))
        << "the padding is zeros";

    auto flush = rig.CommandsWith(op::SynchronizeCache);
    ASSERT_EQ(flush.size(), 1u);
    EXPECT_EQ(flush[0].Cdb[1] & 0x02, m.ImmediateFlush ? 0x02 : 0x00);
    EXPECT_EQ(rig.FinalizingCalls, 1);
    // OnFinalizingTrack comes just before the flush: nothing but polls after the last write.
    EXPECT_LT(rig.CommandsBeforeFinalizing.load(), log.size());
    EXPECT_EQ(log[rig.CommandsBeforeFinalizing].Opcode() == op::SynchronizeCache ||
                  log[rig.CommandsBeforeFinalizing].Opcode() == op::ReadBufferCapacity,
              true);

    auto closes = rig.CommandsWith(op::CloseTrackSession);
    ASSERT_EQ(closes.size(), m.Closes.size());
    for (size_t i = 0; i < closes.size(); ++i) {
        EXPECT_EQ((TClose{uint8_t(closes[i].Cdb[1] & 1), closes[i].Cdb[2], closes[i].Cdb[5]}), m.Closes[i])
            << "close " << i;
        EXPECT_EQ(closes[i].Status, emulator::kStatusGood) << "close " << i;
    }

    // DVD-RAM: the drive's buffer is not read back at the end (READ BUFFER CAPACITY comes
    // only with the writes).
    size_t lastWrite = 0, lastPoll = 0;
    for (size_t i = 0; i < log.size(); ++i) {
        if (log[i].Opcode() == op::Write10) lastWrite = i;
        if (log[i].Opcode() == op::ReadBufferCapacity) lastPoll = i;
    }
    EXPECT_EQ(lastPoll > lastWrite, m.Profile != TProfile::DvdRam);

    EXPECT_EQ(rig.Disc->DiscStatus(), m.DiscStatus);
    EXPECT_FALSE(rig.Drive->TrayOpen());
    EXPECT_FALSE(rig.Drive->RemovalPrevented());
    EXPECT_EQ(rig.Engine.Job().DiscType.load(), rig.Engine.GetDiscType());
}

INSTANTIATE_TEST_SUITE_P(Burn, EveryMedium, ::testing::ValuesIn(kMedia), [](const auto& info) {
    std::string n = emulator::KindName(info.param.Profile);
    std::replace(n.begin(), n.end(), '-', '_');
    std::replace(n.begin(), n.end(), '+', 'P');
    return n;
});

TEST(BurnCd, CloseDiscFinalizesTheCdAndWithoutItLeavesItAppendable) {
    for (bool closeDisc : {false, true}) {
        TBurnRig rig(TProfile::CdR);
        rig.Engine.SetFinalizeDisc(closeDisc);
        auto result = rig.Burn(rig.MakeImage(300 * 2048, 3));
        EXPECT_EQ(result.Error, "");
        EXPECT_EQ(rig.Disc->Finalized(), closeDisc);
        EXPECT_EQ(rig.Disc->DiscStatus(), closeDisc ? 2 : 1);
        // Writing always happens with the multi-session field at 00b; the closing page says
        // what the setting asks.
        auto selects = rig.CommandsWith(op::ModeSelect10);
        ASSERT_GE(selects.size(), 2u);
        EXPECT_EQ(selects[0].Data[8 + 3] >> 6, 0) << "page before writing";
        EXPECT_EQ(selects[1].Data[8 + 3] >> 6, closeDisc ? 0 : 3) << "page before closing";
        EXPECT_EQ(rig.Engine.FinalizeDisc(), closeDisc) << "the setting is restored";
    }
}

TEST(BurnSettings, WithoutFinalizeTrackTheDiscIsWrittenAndFlushedButNothingClosed) {
    TBurnRig rig(TProfile::DvdPlusR);
    rig.Engine.SetFinalizeTrack(false);
    auto result = rig.Burn(rig.MakeImage(64 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);
    EXPECT_EQ(rig.CommandsWith(op::SynchronizeCache).size(), 1u);
    EXPECT_TRUE(rig.CommandsWith(op::CloseTrackSession).empty());
    EXPECT_EQ(rig.Disc->DiscStatus(), 1); // incomplete: the track stays open
    EXPECT_EQ(rig.Disc->SessionCount(), 1);
}

TEST(BurnDvdR, StreamingTimeStampAndReservationRoundedToWholeEccBlocks) {
    struct TCase {
        uint32_t Sectors;
        bool PostGap;
        uint32_t Reserved;
    };
    platform::OverrideNow(platform::EncodeDateTime({2026, 12, 9, 8, 7, 6, 0}));
    for (TCase c : {TCase{1000, true, 1024}, TCase{100, true, 320}, TCase{100, false, 128}, TCase{1024, true, 1024}}) {
        TBurnRig rig(TProfile::DvdR);
        rig.Engine.SetWritePostGap(c.PostGap);
        auto result = rig.Burn(rig.MakeImage(c.Sectors * 2048, c.Sectors));
        EXPECT_EQ(result.Error, "") << c.Sectors;
        EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);

        auto reserve = rig.CommandsWith(op::ReserveTrack);
        ASSERT_EQ(reserve.size(), 1u);
        EXPECT_EQ(GetBE32(&reserve[0].Cdb[5]), c.Reserved) << c.Sectors << " sectors, post gap " << c.PostGap;

        auto streaming = rig.CommandsWith(op::SetStreaming);
        ASSERT_EQ(streaming.size(), 1u);
        EXPECT_EQ(GetBE16(&streaming[0].Cdb[9]), 28);
        const std::vector<uint8_t> descriptor = {
            0, 0, 0, 0,                 // no flags
            0x00, 0x00, 0x00, 0x00,     // start LBA 0
            0x00, 0x23, 0x12, 0x7F,     // end LBA 2298495
            0x00, 0x00, 0xAB, 0xBD,     // read size 43965
            0x00, 0x00, 0x03, 0xE8,     // read time 1000
            0x00, 0x00, 0x05, 0x8A,     // write size 1418
            0x00, 0x00, 0x03, 0xE8,     // write time 1000
        };
        EXPECT_EQ(streaming[0].Data, descriptor);

        auto stamp = rig.CommandsWith(op::SendDvdStructure);
        ASSERT_EQ(stamp.size(), 1u);
        EXPECT_EQ(stamp[0].Cdb[7], 0x0F);
        ASSERT_GE(stamp[0].Data.size(), 22u);
        EXPECT_EQ(std::string(stamp[0].Data.begin() + 8, stamp[0].Data.begin() + 22), "20261209080706");
    }
    platform::OverrideNow(std::nullopt);
}
