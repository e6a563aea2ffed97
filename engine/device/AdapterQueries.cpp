// The device operations that talk to the transport's adapters directly rather than through
// one command: whether a transport is up, host-adapter inquiry, disk information, and the
// pass-through's handle policy.
#include <cstring>

#include "engine/device/ScsiDevice.h"
#include "engine/transport/Aspi.h"
#include "engine/transport/Spti.h"

namespace tarnwick {

bool TSCSIDevice::ASPIInitialized() const { return ASPIState().ASPIReady; }

void TSCSIDevice::HostAdapterInquiry(uint8_t HostAdapter) {
    std::memset(&HAInquiry, 0, sizeof HAInquiry);
    HAInquiry.SRB_Cmd = SC_HA_INQUIRY;
    HAInquiry.SRB_HaId = HostAdapter;
    HostAdapterCount = -1; // 255: no adapter is scanned
    TSendASPI32Command send = ASPIState().SendASPI32Command.load();
    if (!ASPIInitialized() || send == nullptr) return;
    send(&HAInquiry);
    if (HAInquiry.SRB_Status != SS_COMP) return;
    // Some managers report 0 adapters although they answer; scan the usual seven then.
    HostAdapterCount = int8_t(HAInquiry.HA_Count == 0 ? 7 : HAInquiry.HA_Count);
}

uint8_t TSCSIDevice::GetDiskInfoLetter(uint8_t HostAdapter, uint8_t TargetId, uint8_t LunId) {
    auto& st = ASPIState();
    TSendASPI32Command send = st.SendASPI32Command.load();
    if (!ASPIInitialized() || send == nullptr) return 128;
    SRB_GetDiskInfo& r = st.DiskInfo;
    std::memset(&r, 0, sizeof r);
    r.SRB_Cmd = SC_GET_DISK_INFO;
    r.SRB_HaId = HostAdapter;
    r.SRB_Target = TargetId;
    r.SRB_Lun = LunId;
    send(&r);
    return r.SRB_Status == SS_COMP ? r.SRB_Int13HDriveInfo : 128;
}

void TSCSIDevice::SetReleaseHandles(bool Value) { SPTIState().SPTICloseAfterCommand = Value; }

} // namespace tarnwick
