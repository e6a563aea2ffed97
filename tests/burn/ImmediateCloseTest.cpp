// A closing sent with Immed: the drive answers TEST UNIT READY at once while it closes, so the
// job waits on READ DISC INFORMATION and ends only once the disc is closed.
#include <gtest/gtest.h>

#include "BurnRig.h"
#include "emulator/Opcodes.h"
#include "engine/write/DiscRecorder.h"

using namespace tarnwick;
using namespace tarnwick::test;
using emulator::TProfile;
namespace op = emulator::op;
namespace sense = emulator::sense;

namespace {

constexpr uint32_t kClosingMs = 45000;

emulator::TDriveConfig SlowToClose() {
    emulator::TDriveConfig c;
    c.ImmediateBusyMs = kClosingMs;
    return c;
}

size_t LastIndexOf(const std::vector<emulator::TCommandRecord>& log, uint8_t opcode) {
    size_t found = log.size();
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].Opcode() == opcode) found = i;
    return found;
}

} // namespace

TEST(ImmediateClose, TheJobWaitsForTheDiscQueryNotForTestUnitReady) {
    for (TProfile p : {TProfile::CdR, TProfile::CdRw, TProfile::DvdRwSequential, TProfile::DvdRwRestricted}) {
        SCOPED_TRACE(emulator::KindName(p));
        TBurnRig rig(p, 0, SlowToClose());
        auto result = rig.Burn(rig.MakeImage(200 * 2048));
        ASSERT_EQ(result.Error, "");
        EXPECT_EQ(rig.DiscBytes(rig.Image.size()), rig.Image);

        const auto log = rig.Commands();
        const size_t close = LastIndexOf(log, op::CloseTrackSession);
        ASSERT_LT(close, log.size());
        ASSERT_EQ(log[close].Cdb[1] & 1, 1); // Immed
        // Polls that find the drive closing, then one that finds it done; only then the
        // drive is put to rest.
        size_t busy = 0, done = log.size();
        for (size_t i = close + 1; i < log.size() && done == log.size(); ++i) {
            if (log[i].Opcode() != op::ReadDiscInformation) continue;
            if (log[i].Status == emulator::kStatusGood)
                done = i;
            else if (log[i].Sense == sense::OperationInProgress)
                ++busy;
        }
        EXPECT_GT(busy, 0u);
        ASSERT_LT(done, log.size());
        const size_t rest = LastIndexOf(log, op::PreventAllowMediumRemoval);
        EXPECT_GT(rest, done);
        for (size_t i = done; i < log.size(); ++i)
            EXPECT_NE(log[i].Sense, sense::OperationInProgress) << "command " << i << " came while the drive closed";
    }
}

TEST(ImmediateClose, ADriveThatNeverEndsItsClosingIsWaitedForOnlySoLong) {
    emulator::TDriveConfig c;
    c.ImmediateBusyMs = 3600000;
    TBurnRig rig(TProfile::CdR, 0, c);
    const uint64_t before = rig.Clock.NowMs();
    auto result = rig.Burn(rig.MakeImage(200 * 2048));
    EXPECT_EQ(result.Error, "");
    EXPECT_LT(rig.Clock.NowMs() - before, uint64_t(TDiscRecorder::kCloseWaitMs) + 600000);
}
