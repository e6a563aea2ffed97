// Replies of any length and content, lying length fields included, never make the command
// set read outside what the drive returned nor produce out-of-range results. Run under the
// sanitizers (asan preset) this is where an unbounded read shows.
#include <gtest/gtest.h>

#include <random>

#include "engine/Bytes.h"
#include "engine/JobState.h"
#include "ScriptedDrive.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {
class HostileReplies : public ::testing::Test, public TScriptedFixture {
protected:
    void SetUp() override { ASSERT_TRUE(Loaded); }
    void TearDown() override { JobState().DiscType = 0; }
};

std::vector<uint8_t> RandomReply(std::mt19937& rng, bool lieAboutLength) {
    const size_t n = std::uniform_int_distribution<size_t>(0, 600)(rng);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(rng());
    // Often put a page code where the engine looks for it.
    if (n > 16 && rng() % 2) v[16] = uint8_t(rng() % 2 ? 0x2A : 0x05);
    if (n > 8 && rng() % 2) v[8] = uint8_t(rng() % 2 ? 0x2A : 0x05);
    if (lieAboutLength && n >= 4) {
        v[0] = 0xFF;
        v[1] = 0xFF;
    }
    return v;
}
} // namespace

TEST_F(HostileReplies, QueriesStayInBoundsAndInRange) {
    std::mt19937 rng(20261209);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        const bool lie = round % 3 == 0;
        for (uint16_t key : {TScriptedDrive::ModeSenseKey(0x2A, true), TScriptedDrive::ModeSenseKey(0x2A, false),
                             TScriptedDrive::ModeSenseKey(0x30, false), TScriptedDrive::ModeSenseKey(0x05, false),
                             uint16_t(0x46), uint16_t(0x43), uint16_t(0x51), uint16_t(0x5C), uint16_t(0x03)})
            Drive->On(key, {TReply::Good(RandomReply(rng, lie))});

        if (Dev.ReadCapabilities()) {
            EXPECT_NE(GetBE16(&Dev.CapabilitiesPage[20]), 0);
            EXPECT_GE(Dev.DeviceMaxWriteSpeed(), GetBE16(&Dev.CapabilitiesPage[18]));
            EXPECT_EQ(Dev.CapabilityFlags & 0x20000u, 0u);
        }
        EXPECT_LT(Dev.GetDiscType(), 15);
        Dev.GetSessionCount();
        uint32_t size = 0, free = 0;
        if (Dev.ReadBufferCapacity(size, free)) {
            EXPECT_LE(Dev.DeviceFreeBufferSize(), free == 0xFFFFFFFFu ? size : free);
        }
        Dev.SetWriteParameters(rng() % 2, rng() % 2, uint16_t(rng() % 15));
        Dev.TryWriteType(uint8_t(rng() % 3));
        for (const auto& c : Drive->Commands()) {
            if (c.Op() != 0x55) continue;
            EXPECT_EQ(c.DataOut.size(), c.Cdb[8]);
        }
        JobState().DiscType = uint16_t(rng() % 15);
        Dev.WaitUnitReady(3000, 1000);
        Drive->Clear();
    }
}
