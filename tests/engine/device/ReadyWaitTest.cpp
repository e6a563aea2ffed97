// The readiness wait, every branch, in virtual time.
#include <gtest/gtest.h>

#include "engine/JobState.h"
#include "ScriptedDrive.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {
using B = std::vector<uint8_t>;
const TReply kNotReady = TReply::Check(0x02, 0x04, 0x01);
const TReply kNoMedium = TReply::Check(0x02, 0x3A);

B Sense(uint8_t responseCode, uint8_t asc) {
    B s(18, 0);
    s[0] = responseCode;
    s[7] = 10;
    s[12] = asc;
    return s;
}

class ReadyWait : public ::testing::Test, public TScriptedFixture {
protected:
    void SetUp() override {
        ASSERT_TRUE(Loaded);
        JobState().DiscType = 0;
        DrvLibState().ExtraReadyWaitVendor = false;
    }
    void TearDown() override {
        EXPECT_EQ(Messages, std::vector<std::string>{});
        JobState().DiscType = 0;
        DrvLibState().ExtraReadyWaitVendor = false;
    }
};
} // namespace

TEST_F(ReadyWait, ReadyAtOnce) {
    Drive->On(0x51, {TReply::Good(B(34, 0))});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x51, 0x00}));
    EXPECT_EQ(Clock.SleptMs(), 1000u);
    EXPECT_EQ(Drive->Commands()[1].Cdb, (B{0, 0, 0, 0, 0, 0}));
}

TEST_F(ReadyWait, PollsDiscInformationWhileNotReady) {
    Drive->On(0x51, {kNotReady, kNotReady, TReply::Good(B(34, 0))});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x51, 0x51, 0x51, 0x00}));
    EXPECT_EQ(Clock.SleptMs(), 3000u);
}

TEST_F(ReadyWait, GivesUpWhenTheBudgetIsSpent) {
    Drive->On(0x51, {kNotReady});
    EXPECT_FALSE(Dev.WaitUnitReady(10000, 1000));
    // Ten steps fit the budget; the eleventh overdraws it.
    EXPECT_EQ(Drive->Commands().size(), 11u);
    EXPECT_EQ(Clock.SleptMs(), 11000u);
}

TEST_F(ReadyWait, OtherErrorsEndTheDiscInformationPhase) {
    // No medium is not "becoming ready": the TEST UNIT READY that follows decides.
    Drive->On(0x51, {kNoMedium});
    Drive->On(0x00, {kNoMedium});
    Drive->On(0x03, {TReply::Good(Sense(0x70, 0x3A))});
    EXPECT_FALSE(Dev.WaitUnitReady(5000, 1000));
    const auto ops = Drive->Opcodes();
    ASSERT_GE(ops.size(), 4u);
    EXPECT_EQ(B(ops.begin(), ops.begin() + 4), (B{0x51, 0x00, 0x00, 0x03}));
    // REQUEST SENSE polling spends the rest of the budget without sleeping on other ASCs.
    EXPECT_EQ(Clock.SleptMs(), 2000u);
    EXPECT_EQ(ops.size(), 3u + 4u); // budget 5000: 1000 + 1000 slept, then 3000 / 1000 + 1 polls
}

TEST_F(ReadyWait, DvdRamSkipsDiscInformationAndEndsInRequestSense) {
    JobState().DiscType = dtDVDRAM;
    Drive->On(0x03, {TReply::Good(Sense(0x70, 0x04)), TReply::Good(Sense(0x70, 0x00))});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    // Even a ready drive passes one more sleep and TEST UNIT READY, then REQUEST SENSE until ASC 0.
    EXPECT_EQ(Drive->Opcodes(), (B{0x00, 0x00, 0x03, 0x03}));
    EXPECT_EQ(Drive->Commands()[2].Cdb, (B{0x03, 0, 0, 0, 40, 0}));
    EXPECT_EQ(Clock.SleptMs(), 2000u); // one before the second TEST UNIT READY, one after ASC 04h
}

TEST_F(ReadyWait, CurrentErrorSenseCountsAsNotReady) {
    JobState().DiscType = dtDVDRAM;
    Drive->On(0x03, {TReply::Good(Sense(0xF0, 0x00))});
    EXPECT_FALSE(Dev.WaitUnitReady(4000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x00, 0x00, 0x03, 0x03, 0x03, 0x03}));
}

TEST_F(ReadyWait, FailedRequestSenseEndsTheWaitAsReady) {
    JobState().DiscType = dtDVDRAM;
    Drive->On(0x03, {TReply::Check(0x05, 0x20)});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x00, 0x00, 0x03}));
}

TEST_F(ReadyWait, TestUnitReadyPollingWhileNotReady) {
    Drive->On(0x51, {TReply::Good(B(34, 0))});
    Drive->On(0x00, {kNotReady, kNotReady, kNotReady, TReply::Good()});
    Drive->On(0x03, {TReply::Good(Sense(0x70, 0x00))});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x51, 0x00, 0x00, 0x00, 0x00, 0x03}));
    EXPECT_EQ(Clock.SleptMs(), 4000u);
}

TEST_F(ReadyWait, ModelQuirkSettlesFirstInSteps) {
    Dev.ExtraReadyWait = true;
    Drive->On(0x00, {kNotReady, TReply::Good()});
    Drive->On(0x51, {TReply::Good(B(34, 0))});
    EXPECT_TRUE(Dev.WaitUnitReady(10000, 1000));
    EXPECT_EQ(Drive->Opcodes(), (B{0x00, 0x00, 0x51, 0x00}));
    EXPECT_EQ(Clock.SleptMs(), 1500u + 1500u + 1000u);
}

TEST_F(ReadyWait, VendorQuirkAndItsBudget) {
    DrvLibState().ExtraReadyWaitVendor = true;
    Drive->On(0x00, {kNotReady});
    Drive->On(0x51, {kNotReady});
    EXPECT_FALSE(Dev.WaitUnitReady(2000, 1000));
    // 1500 leaves 500 for one TEST UNIT READY; the second 1500 overdraws and the next phase
    // fails on its first step.
    EXPECT_EQ(Drive->Opcodes(), (B{0x00, 0x51}));
    EXPECT_EQ(Clock.SleptMs(), 4000u);
}

TEST_F(ReadyWait, StepZeroStillEnds) {
    Drive->On(0x51, {kNotReady});
    EXPECT_FALSE(Dev.WaitUnitReady(20, 0));
    EXPECT_EQ(Drive->Commands().size(), 21u);
}
