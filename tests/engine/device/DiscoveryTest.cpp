// Transport start, the device list, drive letters and selection with the model adjustments.
#include <gtest/gtest.h>

#include "engine/device/Messages.h"
#include "ScriptedDrive.h"

using namespace tarnwick;
using namespace tarnwick::test;

namespace {
using B = std::vector<uint8_t>;

class Discovery : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetClock(&Clock);
        DrvLibState().ImmediateClose = false;
        DrvLibState().ExtraReadyWaitVendor = false;
        Dev.OnDebugMessage = [this](TComponent*, const std::string& m, uint8_t type) {
            Messages.push_back(std::to_string(type) + ":" + m);
        };
    }
    void TearDown() override {
        ResetTransportState();
        platform::ClearVirtualDrives();
        platform::SetClock(nullptr);
    }
    std::shared_ptr<TScriptedDrive> Add(char letter, uint8_t port, uint8_t target, uint8_t type = 0x05,
                                        const std::string& product = "SCRIPTED") {
        auto d = std::make_shared<TScriptedDrive>(type, "TARNTEST", product, "1.00");
        platform::RegisterVirtualDrive(letter, d, platform::SCSI_ADDRESS{8, port, 0, target, 0});
        return d;
    }

    platform::TVirtualClock Clock;
    TSCSIDevice Dev;
    std::vector<std::string> Messages;
};
} // namespace

TEST_F(Discovery, ListsCdDvdAndWriteOnceDevicesOnly) {
    Add('E', 0, 0);
    Add('F', 0, 1, 0x04, "WORM");
    Add('G', 0, 3, 0x00, "HARD DISK");
    Dev.SetDoDebug(true);
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    EXPECT_TRUE(Dev.ASPIInitialized());
    EXPECT_EQ(Dev.DeviceList(), (std::vector<std::string>{
                                    "0:0:0,E: TARNTESTSCRIPTED        1.00",
                                    "0:1:0,F: TARNTESTWORM            1.00 (not supported)",
                                }));
    ASSERT_EQ(Messages.size(), 2u);
    EXPECT_EQ(Messages[0], "1:>>> VNASPI32");
    EXPECT_EQ(Messages[1].rfind("1:>>> ", 0), 0u);
    EXPECT_EQ(Messages[1].substr(Messages[1].size() - 9), " (SPTI 0)");
    // The scan leaves no device selected and no error behind.
    EXPECT_EQ(Dev.HaId, 254);
    EXPECT_EQ(Dev.LastCommandError, "");
}

TEST_F(Discovery, AdaptersFollowTheDrivesPorts) {
    Add('E', 1, 2);
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    EXPECT_EQ(Dev.HostAdapterCount, 2);
    EXPECT_EQ(Dev.DeviceList(), (std::vector<std::string>{"1:2:0,E: TARNTESTSCRIPTED        1.00"}));
    EXPECT_TRUE(Messages.empty()) << "no information lines without DoDebug";
}

TEST_F(Discovery, NoTransportNoList) {
    EXPECT_FALSE(Dev.InitializeASPI(true, "/nonexistent/wnaspi32.so"));
    EXPECT_FALSE(Dev.ASPIInitialized());
    EXPECT_TRUE(Dev.DeviceList().empty());
}

TEST_F(Discovery, ScanKeepsTheSelectionAndAFailedAdapterInquiryScansNothing) {
    Add('E', 0, 0);
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    Dev.SelectDevice("0:0:0,E: TARNTESTSCRIPTED        1.00");
    ASSERT_EQ(Dev.HaId, 0);
    Dev.ScanDevices();
    EXPECT_EQ(Dev.HaId, 0);
    EXPECT_EQ(Dev.Target, 0);
    EXPECT_EQ(Dev.SelectedDevice, "0:0:0,E: TARNTESTSCRIPTED        1.00");
    Dev.HostAdapterInquiry(5); // no such adapter
    EXPECT_EQ(Dev.HostAdapterCount, -1);
    Dev.ScanDevices();
    EXPECT_TRUE(Dev.DeviceList().empty());
}

TEST_F(Discovery, ALaterEngineListsAtConstruction) {
    Add('E', 0, 0);
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    TSCSIDevice second;
    EXPECT_EQ(second.DeviceList(), Dev.DeviceList());
    EXPECT_EQ(second.HaId, 254);
}

TEST_F(Discovery, SelectionByString) {
    auto drive = Add('E', 0, 0);
    Add('F', 0, 1, 0x04, "WORM");
    Add('G', 0, 3, 0x00, "HARD DISK");
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    int changes = 0;
    Dev.OnDeviceChange = [&](TComponent* sender) {
        EXPECT_EQ(sender, &Dev);
        ++changes;
    };

    drive->Clear();
    Dev.SelectDevice("0:0:0"); // five characters are enough
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Dev.SelectedDevice, "0:0:0");
    EXPECT_EQ(Dev.DeviceIdentity, "TARNTEST SCRIPTED         1.00");
    EXPECT_EQ(Dev.PeripheralType, 0x05);
    // Capabilities first, then the three write-type probes (the drive refuses page 05h here).
    EXPECT_EQ(drive->Opcodes(), (B{0x5A, 0x5A, 0x5A, 0x5A, 0x5A}));
    EXPECT_EQ(drive->Commands()[2].Cdb[2], 0x05);
    EXPECT_TRUE(Messages.empty());

    Dev.SelectDevice("0:1:0,F: TARNTESTWORM            1.00 (not supported)");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Dev.PeripheralType, 0x04);

    Dev.SelectDevice("");
    EXPECT_TRUE(Messages.empty()) << "an empty string clears silently";
    EXPECT_EQ(Dev.HaId, 254);
    EXPECT_EQ(Dev.SelectedDevice, "");
    EXPECT_EQ(Dev.PeripheralType, 127);

    const std::string invalid = "0:" + std::string(msg::InvalidDeviceId);
    for (const char* s : {"0:0", "10:0:0,E: TARNTESTSCRIPTED        1.00", "0:3:0,G: TARNTESTHARD DISK       1.00",
                          "0:5:0,?: nothing there", "a:0:0,E: x"}) {
        SCOPED_TRACE(s);
        Messages.clear();
        Dev.SelectDevice("0:0:0");
        ASSERT_EQ(Dev.HaId, 0);
        Dev.SelectDevice(s);
        EXPECT_EQ(Messages, (std::vector<std::string>{invalid}));
        EXPECT_EQ(Dev.HaId, 254);
        EXPECT_EQ(Dev.Target, 254);
        EXPECT_EQ(Dev.Lun, 254);
        EXPECT_EQ(Dev.SelectedDevice, "");
        EXPECT_EQ(Dev.DeviceIdentity, "");
        EXPECT_EQ(Dev.PeripheralType, 127);
    }
    EXPECT_EQ(changes, 2 + 5);
}

TEST_F(Discovery, ModelAdjustmentsAreRecomputedOnEverySelection) {
    auto drive = Add('E', 0, 0, 0x05, "CD-W512EB");
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    Dev.SelectDevice("0:0:0");
    EXPECT_TRUE(Dev.ForceBUF);
    EXPECT_TRUE(DrvLibState().ImmediateClose);

    // The same address now answers as other models (the emulation keeps the probe's identity,
    // so the drive is registered again).
    struct {
        const char* Vendor;
        const char* Product;
        bool BUF, LSV, Ready, Vendorwait, Immediate;
    } models[] = {
        {"YAMAHA", "CRX175E", false, true, false, false, true},
        {"PIONEER", "DVD-RW  DVR-104", false, false, true, false, true},
        {"MATSHITA", "UJDA720", false, false, false, true, true},
        {"TDK", "CDRW321040X", false, false, false, true, false},
        {"VENDOR", "                ", false, false, false, false, true},
    };
    for (auto& m : models) {
        SCOPED_TRACE(m.Product);
        ResetTransportState();
        platform::ClearVirtualDrives();
        auto d = std::make_shared<TScriptedDrive>(0x05, m.Vendor, m.Product, "1.00");
        platform::RegisterVirtualDrive('E', d, platform::SCSI_ADDRESS{8, 0, 0, 0, 0});
        ASSERT_TRUE(Dev.InitializeASPI(true, ""));
        Dev.SelectDevice("0:0:0");
        EXPECT_EQ(Dev.ForceBUF, m.BUF);
        EXPECT_EQ(Dev.ForceLSV, m.LSV);
        EXPECT_EQ(Dev.ExtraReadyWait, m.Ready);
        EXPECT_EQ(DrvLibState().ExtraReadyWaitVendor.load(), m.Vendorwait);
        EXPECT_EQ(DrvLibState().ImmediateClose.load(), m.Immediate);
    }
}

namespace {
// A stand-in for an ASPI library: answers the adapter inquiry and SC_GET_DISK_INFO only.
uint8_t gDiskInfoStatus = SS_COMP;
uint8_t gDiskInfoLetter = 3;
uint32_t TW_CDECL FakeLibrarySend(void* p) {
    auto* h = static_cast<uint8_t*>(p);
    if (h[0] == SC_GET_DISK_INFO) {
        auto* s = static_cast<SRB_GetDiskInfo*>(p);
        s->SRB_Status = gDiskInfoStatus;
        s->SRB_Int13HDriveInfo = gDiskInfoLetter;
        return gDiskInfoStatus;
    }
    h[1] = SS_ERR;
    return SS_ERR;
}
} // namespace

TEST_F(Discovery, DriveLettersUnderALibraryComeFromScsiAddresses) {
    Add('G', 1, 2);
    Add('H', 1, 4);
    auto& st = ASPIState();
    st.ASPIModuleName = "WNASPI32.DLL";
    st.SendASPI32Command = &FakeLibrarySend;
    st.ASPIReady = true;

    Dev.HaId = 1;
    Dev.Target = 2;
    Dev.Lun = 5; // the LUN is not compared
    EXPECT_EQ(Dev.GetDriveLetter(), 'G');
    Dev.Target = 4;
    EXPECT_EQ(Dev.GetDriveLetter(), 'H');
    Dev.HaId = 3;
    EXPECT_EQ(Dev.GetDriveLetter(), 'D'); // from SC_GET_DISK_INFO
    gDiskInfoLetter = 200;
    EXPECT_EQ(Dev.GetDriveLetter(), 0) << "an index past Z is no letter";
    gDiskInfoLetter = 3;
    gDiskInfoStatus = SS_ERR;
    EXPECT_EQ(Dev.GetDriveLetter(), 0);
    gDiskInfoStatus = SS_COMP;
}

TEST_F(Discovery, ADriveOnAHostNumberPastNineIsListedAndSelected) {
    // A USB drive plugged in again comes back on a new host number.
    Add('E', 12, 0);
    ASSERT_TRUE(Dev.InitializeASPI(true, ""));
    const std::string listed = "12:0:0,E: TARNTESTSCRIPTED        1.00";
    ASSERT_EQ(Dev.DeviceList(), (std::vector<std::string>{listed}));
    Dev.SelectDevice(listed);
    EXPECT_EQ(Dev.HaId, 12);
    EXPECT_EQ(Dev.Target, 0);
    EXPECT_EQ(Dev.SelectedDevice, listed);
    EXPECT_EQ(Dev.DeviceIdentity, "TARNTEST SCRIPTED         1.00");
}
