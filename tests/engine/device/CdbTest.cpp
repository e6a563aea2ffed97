// The CDB of every command, byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "engine/device/Cdb.h"

using namespace tarnwick;

namespace {
template <size_t N>
std::vector<uint8_t> V(const std::array<uint8_t, N>& a) {
    return {a.begin(), a.end()};
}
using B = std::vector<uint8_t>;
} // namespace

TEST(Cdb, SixByteCommands) {
    EXPECT_EQ(V(cdb::TestUnitReady()), (B{0x00, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::RezeroUnit()), (B{0x01, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::RequestSense(40)), (B{0x03, 0, 0, 0, 40, 0}));
    EXPECT_EQ(V(cdb::Inquiry()), (B{0x12, 0, 0, 0, 0x80, 0}));
    EXPECT_EQ(V(cdb::LoadEject(true)), (B{0x1B, 0, 0, 0, 0x02, 0}));
    EXPECT_EQ(V(cdb::LoadEject(false)), (B{0x1B, 0, 0, 0, 0x03, 0}));
    EXPECT_EQ(V(cdb::PreventAllowRemoval(false)), (B{0x1E, 0, 0, 0, 0x01, 0}));
    EXPECT_EQ(V(cdb::PreventAllowRemoval(true)), (B{0x1E, 0, 0, 0, 0x00, 0}));
}

TEST(Cdb, QueriesCarryPageFeatureAndAllocation) {
    EXPECT_EQ(V(cdb::ModeSense10(0x2A, 255, true)), (B{0x5A, 0, 0xAA, 0, 0, 0, 0, 0x00, 0xFF, 0}));
    EXPECT_EQ(V(cdb::ModeSense10(0x05, 512, false)), (B{0x5A, 0, 0x05, 0, 0, 0, 0, 0x02, 0x00, 0}));
    // Only the low byte of the starting feature: byte 2 stays 0.
    EXPECT_EQ(V(cdb::GetConfiguration(2, 0x002F, 114)), (B{0x46, 2, 0, 0x2F, 0, 0, 0, 0, 114, 0}));
    EXPECT_EQ(V(cdb::GetConfiguration(2, 0x012A, 114)), (B{0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114, 0}));
    EXPECT_EQ(V(cdb::ReadBufferCapacity()), (B{0x5C, 0, 0, 0, 0, 0, 0, 0, 0x20, 0}));
    EXPECT_EQ(V(cdb::ReadDiscInformation(56)), (B{0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0}));
    EXPECT_EQ(V(cdb::ReadTOC(4, true, 0, 26, 0)), (B{0x43, 0x02, 4, 0, 0, 0, 0, 0, 26, 0}));
    EXPECT_EQ(V(cdb::ReadTOC(1, false, 3, 12, 0x40)), (B{0x43, 0, 1, 0, 0, 0, 3, 0, 12, 0x40}));
}

TEST(Cdb, RecordingCommands) {
    EXPECT_EQ(V(cdb::ModeSelect10(60)), (B{0x55, 0x10, 0, 0, 0, 0, 0, 0, 60, 0}));
    EXPECT_EQ(V(cdb::SendOPC()), (B{0x54, 0x01, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::Write10(0x01020304, 0x1B)), (B{0x2A, 0, 1, 2, 3, 4, 0, 0x00, 0x1B, 0}));
    EXPECT_EQ(V(cdb::SynchronizeCache(true)), (B{0x35, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::SynchronizeCache(false)), (B{0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::SetStreaming(28)), (B{0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0}));
    EXPECT_EQ(V(cdb::SendDVDStructure(0x0F, 22)), (B{0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}));
    EXPECT_EQ(V(cdb::ReserveTrack(0x00123456)), (B{0x53, 0, 0, 0, 0, 0x00, 0x12, 0x34, 0x56, 0, 0, 0}));
}

TEST(Cdb, SpeedZeroMeansMaximum) {
    EXPECT_EQ(V(cdb::SetCDSpeed(0, 0)), (B{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::SetCDSpeed(1385, 5540)), (B{0xBB, 0, 0x05, 0x69, 0x15, 0xA4, 0, 0, 0, 0, 0, 0}));
}

TEST(Cdb, CloseFunctions) {
    // Finalize wins over CloseTrack; a closed track names track FFh.
    EXPECT_EQ(V(cdb::CloseTrackSession(false, true, false)), (B{0x5B, 1, 2, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::CloseTrackSession(true, false, false)), (B{0x5B, 0, 1, 0, 0, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::CloseTrackSession(true, true, true)), (B{0x5B, 1, 5, 0, 0, 0xFF, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::CloseTrackSession(false, false, true)), (B{0x5B, 0, 5, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(V(cdb::CloseTrackSessionRaw(true, 6, 7, 8, 9)), (B{0x5B, 1, 6, 7, 8, 9, 0, 0, 0, 0}));
}
