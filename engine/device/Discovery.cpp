// Starting the transport and listing the CD/DVD devices on every host adapter.
#include <cstring>

#include "engine/device/Identity.h"
#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"
#include "platform/PassThrough.h"
#include "platform/Text.h"

namespace tarnwick {

namespace {
// A 16-byte text field of the host-adapter inquiry, up to its first zero byte.
std::string HaField(const uint8_t* p) {
    size_t n = 0;
    while (n < 16 && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

} // namespace

bool TSCSIDevice::InitializeASPI(bool PreferSPTI, const std::string& LibraryPath) {
    bool ok = false;
    // What the transport has to say while it loads and probes (a library without its entry
    // points, a drive the user may not open) belongs in this engine's log.
    SetTransportMessageHook([this](const std::string& m) { DebugMessage(m, 0); });
    try {
        ok = LoadASPI(PreferSPTI, LibraryPath);
    } catch (...) {
        ok = false;
    }
    SetTransportMessageHook(nullptr);
    if (ok) {
        HostAdapterInquiry(0);
        ScanDevices();
    }
    return ok;
}

void TSCSIDevice::ScanDevices() {
    FDeviceList.clear();
    if (FDoDebug) DebugMessage(">>> " + ASPIState().ASPIModuleName, 1);

    const int adapters = HostAdapterCount; // the inquiries below store the count again
    for (int h = 0; h < adapters; ++h) {
        HostAdapterInquiry(uint8_t(h));
        if (FDoDebug)
            DebugMessage(">>> " + HaField(HAInquiry.HA_ManagerId) + " (" + platform::Trim(HaField(HAInquiry.HA_Identifier), " ") +
                             ")",
                         1);
        for (int target = 0; target < 8; ++target) {
            for (int lun = 0; lun < 8; ++lun) {
                const TDeviceAddress at{uint8_t(h), uint8_t(target), uint8_t(lun)};
                InquiryData.fill(0);
                if (!InquiryAt(at) || !ident::IsListedType(InquiryData[0])) continue;
                const char letter = DriveLetterOf(at);
                FDeviceList.push_back(ident::DeviceString(at.HaId, at.Target, at.Lun, letter, InquiryData.data()));
            }
        }
    }
    LastCommandError.clear();
}

char TSCSIDevice::DriveLetterOf(const TDeviceAddress& At) {
    if (ASPIState().ASPIModuleName == kSPTIModuleName) return SPTIDriveLetter(At.HaId, At.Target, At.Lun);

    // Under an ASPI library: ask each drive letter for its SCSI address.
    for (char letter = 'B'; letter <= 'Z'; ++letter) {
        platform::TDriveHandle h = platform::OpenDrive(letter, true);
        if (h == platform::kInvalidDriveHandle) h = platform::OpenDrive(letter, false);
        if (h == platform::kInvalidDriveHandle) continue;
        platform::SCSI_ADDRESS a{};
        a.Length = sizeof a;
        const bool got = platform::GetScsiAddress(h, a);
        platform::CloseDrive(h);
        // The LUN is not compared: port drivers report it inconsistently.
        if (got && a.PortNumber == At.HaId && a.TargetId == At.Target) return letter;
    }
    const uint8_t index = GetDiskInfoLetter(At.HaId, At.Target, At.Lun);
    // 128 means no answer; an index past "Z" is no letter either.
    if (index < 26) return char('A' + index);
    return 0;
}

} // namespace tarnwick
