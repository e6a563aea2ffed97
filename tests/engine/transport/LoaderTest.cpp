// Choosing the transport, and the engine operations that talk to its adapters.
#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "support/FakeDrive.h"
#include "support/TestAspi.h"

#ifdef TARNWICK_ASPI_FIXTURE_DIR

using namespace tarnwick;
using tarnwick::test::AddDrive;
using tarnwick::test::Address;
using tarnwick::test::AspiControl;
using tarnwick::test::AspiFixture;

namespace {

class LoaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetTransportMessageHook([this](const std::string& m) { Messages.push_back(m); });
    }
    void TearDown() override {
        SetTransportMessageHook(nullptr);
        ResetTransportState();
        platform::ClearVirtualDrives();
    }
    bool UsesEmulation() const {
        const auto& st = ASPIState();
        return st.ASPIModuleName == "VNASPI32" && st.ASPILibrary == 0 &&
               st.SendASPI32Command.load() == &SPTISendASPI32Command &&
               st.GetASPI32SupportInfo.load() == &SPTIGetASPI32SupportInfo;
    }
    bool UsesLibrary() const {
        const auto& st = ASPIState();
        return st.ASPIModuleName == "WNASPI32.DLL" && st.ASPILibrary != 0 &&
               st.SendASPI32Command.load() != &SPTISendASPI32Command;
    }
    int SupportInfoCalls() { return AspiControl<int (*)()>("TestAspiSupportInfoCalls")(); }

    std::vector<std::string> Messages;
    TSCSIDevice Dev;
};

const std::string kAbsent = "/nonexistent/folder/WNASPI32.DLL";

} // namespace

TEST_F(LoaderTest, PreferringPassThroughTakesTheEmulationWhenItFindsADrive) {
    AddDrive('E', Address(0, 0, 0));
    ASSERT_TRUE(LoadASPI(true, AspiFixture("complete")));
    EXPECT_TRUE(UsesEmulation());
    EXPECT_TRUE(Dev.ASPIInitialized());
}

TEST_F(LoaderTest, PreferringPassThroughFallsBackToTheLibrary) {
    ASSERT_TRUE(LoadASPI(true, AspiFixture("complete")));
    EXPECT_TRUE(UsesLibrary());
    EXPECT_EQ(SupportInfoCalls(), 1);
}

TEST_F(LoaderTest, WithoutLibraryOrDriveNothingIsReady) {
    EXPECT_FALSE(LoadASPI(true, kAbsent));
    EXPECT_FALSE(Dev.ASPIInitialized());
    EXPECT_EQ(ASPIState().ASPIModuleName, "");
    EXPECT_EQ(ASPIState().ASPILibrary, 0u);
    Dev.HaId = 0;
    SRB_ExecSCSICmd r{};
    EXPECT_EQ(Dev.ExecSCSICommand(r, 10000), 226);
    EXPECT_EQ(r.SRB_Status, SS_PENDING);
    Dev.HostAdapterInquiry(0);
    EXPECT_EQ(Dev.HostAdapterCount, -1);
    EXPECT_TRUE(Messages.empty());
}

TEST_F(LoaderTest, WithoutPreferenceTheLibraryComesFirst) {
    AddDrive('E', Address(0, 0, 0));
    ASSERT_TRUE(LoadASPI(false, AspiFixture("complete")));
    EXPECT_TRUE(UsesLibrary());
    EXPECT_EQ(SupportInfoCalls(), 1);
    EXPECT_FALSE(SPTIState().SPTIStarted);
}

TEST_F(LoaderTest, WithoutPreferenceTheEmulationIsTheFallback) {
    AddDrive('E', Address(0, 0, 0));
    ASSERT_TRUE(LoadASPI(false, kAbsent));
    EXPECT_TRUE(UsesEmulation());
}

TEST_F(LoaderTest, ALibraryWithoutAnEntryPointLeavesTheTransportNotReady) {
    AddDrive('E', Address(0, 0, 0));
    EXPECT_FALSE(LoadASPI(false, AspiFixture("nosend")));
    EXPECT_EQ(Messages, (std::vector<std::string>{"Assertion failed (vnASPI, line 478)"}));
    EXPECT_FALSE(Dev.ASPIInitialized());
    EXPECT_EQ(ASPIState().ASPILibrary, 0u);
    EXPECT_EQ(ASPIState().SendASPI32Command.load(), nullptr);
}

TEST_F(LoaderTest, ALibraryWithoutSupportInfoIsReportedOnItsOwnLine) {
    EXPECT_FALSE(LoadASPI(true, AspiFixture("noinfo")));
    EXPECT_EQ(Messages, (std::vector<std::string>{"Assertion failed (vnASPI, line 477)"}));
    EXPECT_FALSE(Dev.ASPIInitialized());
}

TEST_F(LoaderTest, TheLibraryIsFoundInTheCurrentFolder) {
    char previous[PATH_MAX];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    const std::string folder = std::string(TARNWICK_ASPI_FIXTURE_DIR) + "/complete";
    ASSERT_EQ(chdir(folder.c_str()), 0);
    const bool loaded = LoadASPI(true, "");
    ASSERT_EQ(chdir(previous), 0);
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(UsesLibrary());
}

TEST_F(LoaderTest, TheErrorModeIsRestored) {
    platform::SetErrorMode(0x8000);
    LoadASPI(true, AspiFixture("complete"));
    EXPECT_EQ(platform::ErrorMode(), 0x8000u);
}

TEST_F(LoaderTest, AChosenTransportStaysOnALaterCall) {
    ASSERT_TRUE(LoadASPI(false, AspiFixture("complete")));
    const auto lib = ASPIState().ASPILibrary;
    AddDrive('E', Address(0, 0, 0));
    EXPECT_TRUE(LoadASPI(true, ""));
    EXPECT_EQ(ASPIState().ASPILibrary, lib);
    EXPECT_TRUE(UsesLibrary());
    EXPECT_EQ(SupportInfoCalls(), 2);
}

TEST_F(LoaderTest, HostAdapterCountFollowsTheInquiry) {
    ASSERT_TRUE(LoadASPI(false, AspiFixture("complete")));
    auto setCount = AspiControl<void (*)(int)>("TestAspiSetHaCount");
    const struct {
        int reported;
        int8_t stored;
    } cases[] = {{0, 7}, {1, 1}, {3, 3}};
    for (const auto& c : cases) {
        setCount(c.reported);
        Dev.HostAdapterInquiry(0);
        EXPECT_EQ(Dev.HostAdapterCount, c.stored) << c.reported;
        EXPECT_EQ(Dev.HAInquiry.SRB_Cmd, SC_HA_INQUIRY);
        EXPECT_EQ(0, std::memcmp(Dev.HAInquiry.HA_Identifier, "VIRTUAL BUS", 11));
    }
}

TEST_F(LoaderTest, AFailedInquiryScansNoAdapter) {
    AddDrive('E', Address(0, 0, 0));
    ASSERT_TRUE(LoadASPI(true, ""));
    Dev.HostAdapterInquiry(0);
    EXPECT_EQ(Dev.HostAdapterCount, 1);
    Dev.HostAdapterInquiry(1);
    EXPECT_EQ(Dev.HAInquiry.SRB_Status, SS_INVALID_HA);
    EXPECT_EQ(uint8_t(Dev.HostAdapterCount), 255);
}

TEST_F(LoaderTest, DiskInfoGivesTheLetterIndexOnlyOnSuccess) {
    AddDrive('G', std::nullopt);
    ASSERT_TRUE(LoadASPI(false, AspiFixture("complete")));
    EXPECT_EQ(Dev.GetDiskInfoLetter(0, 0, 0), 'G' - 'A');
    EXPECT_EQ(ASPIState().DiskInfo.SRB_Target, 0);
    EXPECT_EQ(Dev.GetDiskInfoLetter(0, 1, 0), 128);
}

TEST_F(LoaderTest, DiskInfoUnderTheEmulationIsNotAnswered) {
    AddDrive('G', Address(0, 0, 0));
    ASSERT_TRUE(LoadASPI(true, ""));
    EXPECT_EQ(Dev.GetDiskInfoLetter(0, 0, 0), 128);
    EXPECT_EQ(ASPIState().DiskInfo.SRB_Status, SS_PENDING);
}

#endif
