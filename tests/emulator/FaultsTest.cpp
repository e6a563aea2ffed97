// Fault injection: sense, BUSY, requests that never complete, drives that vanish.
#include <gtest/gtest.h>

#include "ScsiClient.h"
#include "emulator/EmulatedDrive.h"
#include "emulator/Opcodes.h"
#include "platform/Clock.h"

using namespace emulator;
using namespace emulator::test;

namespace {

struct FaultsTest : ::testing::Test {
    void SetUp() override {
        platform::SetClock(&Clock);
        Drive.LoadMedium(TDisc::InMemory(TProfile::DvdPlusRw));
    }
    void TearDown() override { platform::SetClock(nullptr); }
    platform::TVirtualClock Clock;
    TEmulatedDrive Drive;
};

} // namespace

TEST_F(FaultsTest, NextCommandsFailWithTheGivenSenseThenRecover) {
    Drive.Faults().Arm(TFault::WithSense(sense::WriteError, 2));
    auto first = NoData(Drive, {0x00, 0, 0, 0, 0, 0});
    auto second = In(Drive, {0x12, 0, 0, 0, 36, 0}, 36);
    auto third = NoData(Drive, {0x00, 0, 0, 0, 0, 0});
    EXPECT_EQ(first.Status, kStatusCheckCondition);
    EXPECT_EQ(first.Sense(), sense::WriteError);
    EXPECT_EQ(second.Sense(), sense::WriteError);
    EXPECT_EQ(second.Transferred, 0u);
    EXPECT_TRUE(third.Good());
    EXPECT_EQ(Drive.Faults().Pending(), 0u);
}

TEST_F(FaultsTest, OpcodeFilterLeavesOtherCommandsAlone) {
    Drive.Faults().Arm(TFault::WithSense(sense::BecomingReady).OnlyOpcode(op::SynchronizeCache));
    EXPECT_TRUE(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_TRUE(Write(Drive, 0, 1, 1).Good());
    EXPECT_EQ(NoData(Drive, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Sense(), sense::BecomingReady);
    EXPECT_TRUE(NoData(Drive, {0x35, 0, 0, 0, 0, 0, 0, 0, 0, 0}).Good());
}

TEST_F(FaultsTest, WriteFaultAtAnLbaHitsOnlyTheWriteCoveringIt) {
    Drive.Faults().Arm(TFault::WithSense(sense::WriteError).OnlyWriteAt(40));
    EXPECT_TRUE(Write(Drive, 0, 32, 1).Good());
    auto hit = Write(Drive, 32, 32, 2);
    EXPECT_EQ(hit.Sense(), sense::WriteError);
    EXPECT_TRUE(Write(Drive, 32, 32, 2).Good());
    // The failed write stored nothing: the retry is what the disc holds.
    std::vector<uint8_t> sector(2048);
    ASSERT_FALSE(Drive.Medium()->Read(40, 1, sector.data()));
    EXPECT_EQ(sector[0], 2);
}

TEST_F(FaultsTest, BusyStatusCarriesNoSense) {
    Drive.Faults().Arm(TFault::BusyStatus());
    auto busy = Write(Drive, 0, 1, 1);
    EXPECT_TRUE(busy.Completed);
    EXPECT_EQ(busy.Status, kStatusBusy);
    EXPECT_EQ(busy.SenseLength, 0);
    EXPECT_EQ(busy.Transferred, 0u);
    EXPECT_EQ(Drive.Medium()->RecordedEnd(), 0u);
}

TEST_F(FaultsTest, HungCommandFailsAfterItsWholeTimeOutInVirtualTime) {
    Drive.Faults().Arm(TFault::Hang().OnlyOpcode(op::CloseTrackSession));
    TRequest close;
    close.Cdb = {0x5B, 0, 0x02, 0, 0, 0, 0, 0, 0, 0};
    close.TimeoutSeconds = 180;
    const uint64_t before = Clock.NowMs();
    auto r = Send(Drive, close);
    EXPECT_FALSE(r.Completed);
    EXPECT_EQ(Clock.NowMs() - before, 180000u);
    auto log = Drive.Log().Records();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_FALSE(log[0].Completed);
    EXPECT_TRUE(Send(Drive, close).Completed);
}

TEST_F(FaultsTest, VanishedDriveNeverAnswersAgain) {
    Drive.Faults().Arm(TFault::Disappear().OnlyOpcode(op::Write10));
    EXPECT_TRUE(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Good());
    EXPECT_FALSE(Write(Drive, 0, 1, 1).Completed);
    EXPECT_FALSE(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Completed);
    EXPECT_FALSE(In(Drive, {0x12, 0, 0, 0, 36, 0}, 36).Completed);
    EXPECT_EQ(Clock.NowMs(), 0u);
}

TEST_F(FaultsTest, FaultsAreTakenInTheOrderArmed) {
    Drive.Faults().Arm(TFault::BusyStatus(1));
    Drive.Faults().Arm(TFault::WithSense(sense::LongWriteInProgress, 1));
    EXPECT_EQ(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Status, kStatusBusy);
    EXPECT_EQ(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Sense(), sense::LongWriteInProgress);
    EXPECT_TRUE(NoData(Drive, {0x00, 0, 0, 0, 0, 0}).Good());
}
