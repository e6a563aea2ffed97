// The executor's wait for a transport that completes requests on another thread: completion,
// time-out with abort, and the bound of the wait in virtual time.
#include <gtest/gtest.h>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "platform/Clock.h"
#include "support/FakeDrive.h"
#include "support/TestAspi.h"

#ifdef TARNWICK_ASPI_FIXTURE_DIR

using namespace tarnwick;
using tarnwick::test::AspiControl;

namespace {

class ExecWaitTest : public ::testing::Test {
protected:
    void SetUp() override {
        Drive = test::AddDrive('E', std::nullopt);
        ASSERT_TRUE(LoadASPI(false, test::AspiFixture("complete")));
        ASSERT_EQ(ASPIState().ASPIModuleName, "WNASPI32.DLL");
        Dev.HaId = 0;
        Dev.Target = 0;
        Dev.Lun = 0;
    }
    void TearDown() override {
        platform::SetClock(nullptr);
        ResetTransportState();
        platform::ClearVirtualDrives();
    }

    static SRB_ExecSCSICmd TestUnitReady() {
        SRB_ExecSCSICmd r{};
        r.SRB_Flags = SRB_EVENT_NOTIFY;
        r.SRB_CDBLen = 6;
        return r;
    }

    std::shared_ptr<test::TFakeDrive> Drive;
    TSCSIDevice Dev;
};

} // namespace

TEST_F(ExecWaitTest, WaitsForALateCompletion) {
    AspiControl<void (*)(uint32_t)>("TestAspiSetDelay")(30);
    alignas(4) uint8_t buffer[4] = {};
    Drive->Data = {9, 8, 7, 6};
    SRB_ExecSCSICmd r = TestUnitReady();
    r.SRB_Flags |= SRB_DIR_IN;
    r.SRB_CDBLen = 10;
    r.CDBByte[0] = 0x51;
    r.SRB_BufLen = 4;
    r.SRB_BufPointer = buffer;
    ASSERT_EQ(Dev.ExecSCSICommand(r, 10000), 1);
    EXPECT_EQ(r.SRB_Status, SS_COMP);
    EXPECT_EQ(buffer[3], 6);
    EXPECT_EQ(AspiControl<int (*)()>("TestAspiCompleted")(), 1);
    EXPECT_EQ(AspiControl<int (*)(void**)>("TestAspiAborts")(nullptr), 0);

    Drive->FailWith(0x02, 0x3A, 0x01);
    r = TestUnitReady();
    Dev.ExecSCSICommand(r, 10000);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
    EXPECT_EQ(Dev.LastCommandError, "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
    EXPECT_EQ(Dev.LastSense[12], 0x3A);
}

TEST_F(ExecWaitTest, ARequestThatNeverEndsIsAbortedAndMarkedTimedOut) {
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    AspiControl<void (*)(int)>("TestAspiSetNeverComplete")(1);
    Drive->SetStatus(STATUS_BUSY); // would decode as TARGET BUSY if it were decoded

    SRB_ExecSCSICmd r = TestUnitReady();
    ASSERT_EQ(Dev.ExecSCSICommand(r, 30000), 1);
    EXPECT_EQ(clock.NowMs(), 30000u);
    EXPECT_EQ(r.SRB_Status, SS_ERR);
    EXPECT_EQ(r.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_EQ(Dev.LastCommandError, "");
    EXPECT_EQ(Dev.LastSense, (std::array<uint8_t, 33>{}));
    EXPECT_FALSE(Dev.TargetBusy);

    void* aborted = nullptr;
    EXPECT_EQ(AspiControl<int (*)(void**)>("TestAspiAborts")(&aborted), 1);
    EXPECT_EQ(aborted, &r);
    EXPECT_EQ(AspiControl<int (*)()>("TestAspiPending")(), 0);
}

TEST_F(ExecWaitTest, TheWaitIsBoundedByTheTimeOutWithATenSecondFloor) {
    platform::TVirtualClock clock;
    platform::SetClock(&clock);
    AspiControl<void (*)(int)>("TestAspiSetNeverComplete")(1);
    const struct {
        int32_t timeOut;
        uint64_t waited;
    } cases[] = {{0, 10000}, {-5, 10000}, {9999, 10000}, {10001, 10001}, {180000, 180000}};
    for (const auto& c : cases) {
        const uint64_t start = clock.NowMs();
        SRB_ExecSCSICmd r = TestUnitReady();
        Dev.ExecSCSICommand(r, c.timeOut);
        EXPECT_EQ(clock.NowMs() - start, c.waited) << c.timeOut;
        EXPECT_EQ(r.SRB_HaStat, HASTAT_TIMEOUT);
    }
}

#endif
