// vnSPTI: ASPI requests carried out with the OS SCSI pass-through, over a small bus built
// from the CD/DVD drive letters.
#include "engine/transport/Spti.h"

#include <algorithm>
#include <cstring>

#include "platform/Drives.h"

namespace tarnwick {

namespace {

constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kProbeAllocation = 96;
constexpr uint8_t kProbeSenseLength = 24;
// Bytes of the probe INQUIRY that the table answers later INQUIRY commands with.
constexpr uint32_t kInquiryAnswer = 36;
constexpr uint8_t kCDROMDevice = 0x05;
constexpr uint8_t kNoDeviceType = 0x1F;

// "\\.\X:" is the device path of drive letter X.
char Letter(uint8_t index) { return char('A' + index); }

// Commands of the main thread and of the write thread each carry their own.
thread_local uint32_t CommandTimeOutMs = 0;

void PrepareRequest(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& r) {
    std::memset(&r, 0, sizeof r);
    r.spt.Length = sizeof(platform::SCSI_PASS_THROUGH_DIRECT);
    r.spt.TimeOutValue = SPTITimeOutSeconds(CommandTimeOutMs);
    r.spt.SenseInfoOffset = offsetof(platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER, ucSenseBuf);
}

void CloseSlot(TSPTIDrive& d) {
    if (d.Handle != platform::kInvalidDriveHandle && platform::CloseDrive(d.Handle))
        d.Handle = platform::kInvalidDriveHandle;
}

void ClearTable(TSPTIState& st) {
    st.SPTIUnaddressed = 0;
    st.SPTIHostAdapters = 0;
    for (uint8_t i = 0; i < st.SPTIDrives.size(); ++i) st.SPTIDrives[i] = TSPTIDrive{};
}

uint8_t HighestAdapterPlusOne(const TSPTIState& st) {
    uint8_t highest = 0;
    for (const auto& d : st.SPTIDrives) highest = std::max(highest, d.HaId);
    return uint8_t(highest + 1);
}

uint32_t ExecSCSICmd(TSPTIState& st, SRB_ExecSCSICmd& srb) {
    const uint8_t index = SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
    if (index == 0) {
        srb.SRB_Status = SS_NO_DEVICE;
        return SS_NO_DEVICE;
    }
    TSPTIDrive& d = st.SPTIDrives[index];

    // The probe's answer stands for the drive's INQUIRY: a drive busy writing (or gone)
    // still lists with its identity.
    if (srb.CDBByte[0] == kInquiry) {
        if (srb.SRB_BufPointer)
            std::memcpy(srb.SRB_BufPointer, d.InquiryData.data(), std::min(srb.SRB_BufLen, kInquiryAnswer));
        srb.SRB_Status = SS_COMP;
        return SS_COMP;
    }

    if (d.Handle == platform::kInvalidDriveHandle) d.Handle = SPTIOpenDrive(index);

    platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r;
    PrepareRequest(r);
    if (srb.SRB_Flags & SRB_DIR_IN) {
        r.spt.DataIn = platform::SCSI_IOCTL_DATA_IN;
    } else if (srb.SRB_Flags & SRB_DIR_OUT) {
        r.spt.DataIn = platform::SCSI_IOCTL_DATA_OUT;
    } else {
        r.spt.DataIn = platform::SCSI_IOCTL_DATA_UNSPECIFIED;
    }
    // The CDB field holds 16 bytes; a longer length from the caller would overrun it.
    r.spt.CdbLength = std::min<uint8_t>(srb.SRB_CDBLen, sizeof r.spt.Cdb);
    r.spt.SenseInfoLength = std::min<uint8_t>(srb.SRB_SenseLen, sizeof r.ucSenseBuf);
    r.spt.DataTransferLength = srb.SRB_BufLen;
    r.spt.DataBuffer = srb.SRB_BufPointer;
    std::memcpy(r.spt.Cdb, srb.CDBByte, r.spt.CdbLength);

    const bool ok = d.Handle != platform::kInvalidDriveHandle && platform::PassThroughDirect(d.Handle, r);
    // The pass-through reports the bytes actually moved; keeping them in SRB_BufLen lets the
    // reply parsers stay inside what the drive really returned.
    if (ok && r.spt.DataTransferLength < srb.SRB_BufLen) srb.SRB_BufLen = r.spt.DataTransferLength;
    if (ok && r.spt.ScsiStatus == STATUS_GOOD) {
        srb.SRB_Status = SS_COMP;
    } else {
        if (!ok && d.Handle == platform::kInvalidDriveHandle) r.spt.SenseInfoLength = 0;
        // The sense length comes back from the device: copy no more than both buffers hold.
        const size_t n = std::min({size_t(r.spt.SenseInfoLength), sizeof r.ucSenseBuf, sizeof srb.SenseArea});
        std::memcpy(srb.SenseArea, r.ucSenseBuf, n);
        srb.SRB_TargStat = r.spt.ScsiStatus;
        srb.SRB_Status = SS_ERR;
    }

    if (st.SPTICloseAfterCommand) CloseSlot(d);
    return srb.SRB_Status;
}

} // namespace

uint32_t SPTITimeOutSeconds(uint32_t TimeOutMs) {
    const uint64_t own = (uint64_t(TimeOutMs) + 999) / 1000 + kSPTITimeOutMarginSeconds;
    return uint32_t(std::max<uint64_t>(kSPTITimeOutSeconds, std::min<uint64_t>(own, UINT32_MAX)));
}

void SetSPTICommandTimeOut(uint32_t TimeOutMs) { CommandTimeOutMs = TimeOutMs; }

TSPTIState::~TSPTIState() {
    if (!SPTIStarted) return;
    for (auto& d : SPTIDrives) CloseSlot(d);
}

TSPTIState& SPTIState() {
    static TSPTIState state;
    return state;
}

platform::TDriveHandle SPTIOpenDrive(uint8_t i) {
    if (i >= 26) return platform::kInvalidDriveHandle;
    platform::TDriveHandle h = platform::OpenDrive(Letter(i), true);
    if (h == platform::kInvalidDriveHandle) h = platform::OpenDrive(Letter(i), false);
    return h;
}

void SPTIProbeDrive(uint8_t i) {
    auto& st = SPTIState();
    if (i >= st.SPTIDrives.size()) return;
    TSPTIDrive& d = st.SPTIDrives[i];
    platform::TDriveHandle h = SPTIOpenDrive(i);
    if (h == platform::kInvalidDriveHandle) return;

    platform::SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER r;
    PrepareRequest(r);
    st.SPTIProbeBuffer.fill(0);
    r.spt.CdbLength = 6;
    r.spt.Cdb[0] = kInquiry;
    r.spt.Cdb[4] = kProbeAllocation;
    r.spt.DataIn = platform::SCSI_IOCTL_DATA_IN;
    r.spt.DataTransferLength = kProbeAllocation;
    r.spt.DataBuffer = st.SPTIProbeBuffer.data();
    r.spt.SenseInfoLength = kProbeSenseLength;
    if (!platform::PassThroughDirect(h, r)) {
        platform::CloseDrive(h);
        return;
    }
    // Bytes the drive did not send stay zero: the buffer was cleared before the command.
    std::memcpy(d.InquiryData.data(), st.SPTIProbeBuffer.data(), d.InquiryData.size());

    platform::SCSI_ADDRESS address{};
    address.Length = sizeof address;
    if (platform::GetScsiAddress(h, address)) {
        d.HaId = address.PortNumber;
        d.Target = address.TargetId;
        d.Lun = address.Lun;
    } else {
        // Placed on an extra adapter once every drive has been probed.
        d.HaId = 0;
        d.Target = st.SPTIUnaddressed++;
        d.Lun = kSPTIUnaddressedLun;
    }
    d.Used = true;
    d.LetterIndex = i;
    d.Handle = platform::kInvalidDriveHandle;
    platform::CloseDrive(h);
}

uint8_t SPTIInit() {
    auto& st = SPTIState();
    if (st.SPTIStarted) return 0;
    ClearTable(st);

    uint8_t found = 0;
    for (uint8_t i = 'C' - 'A'; i < 26; ++i) {
        const std::string root = std::string(1, Letter(i)) + ":\\";
        if (platform::GetDriveType(root) != platform::DRIVE_CDROM) continue;
        SPTIProbeDrive(i);
        if (st.SPTIDrives[i].Used) ++found;
    }
    st.SPTIHostAdapters = HighestAdapterPlusOne(st);

    if (st.SPTIUnaddressed != 0) {
        const uint8_t extra = st.SPTIHostAdapters;
        for (auto& d : st.SPTIDrives) {
            if (d.Used && d.Lun == kSPTIUnaddressedLun) {
                d.Lun = 0;
                d.HaId = extra;
            }
        }
        st.SPTIHostAdapters = HighestAdapterPlusOne(st);
    }
    st.SPTIStarted = true;
    return found;
}

bool SPTIDone() {
    auto& st = SPTIState();
    if (!st.SPTIStarted) return false;
    for (auto& d : st.SPTIDrives) CloseSlot(d);
    ClearTable(st);
    return true;
}

void ResetSPTIState() {
    auto& st = SPTIState();
    SPTIDone();
    ClearTable(st);
    st.SPTIStarted = false;
    st.SPTICloseAfterCommand = true;
    st.SPTIProbeBuffer.fill(0);
}

uint8_t SPTIFindDrive(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    const auto& st = SPTIState();
    for (uint8_t i = 0; i < st.SPTIDrives.size(); ++i) {
        const auto& d = st.SPTIDrives[i];
        if (d.Used && d.HaId == HaId && d.Target == Target && d.Lun == Lun) return i;
    }
    return 0;
}

char SPTIDriveLetter(uint8_t HaId, uint8_t Target, uint8_t Lun) {
    for (const auto& d : SPTIState().SPTIDrives) {
        if (d.Used && d.HaId == HaId && d.Target == Target && d.Lun == Lun) return Letter(d.LetterIndex);
    }
    return 0;
}

uint32_t TW_CDECL SPTIGetASPI32SupportInfo() {
    const uint8_t adapters = SPTIState().SPTIHostAdapters;
    if (adapters == 0) return uint32_t(SS_NO_ADAPTERS) << 8;
    return (uint32_t(SS_COMP) << 8) | adapters;
}

uint32_t TW_CDECL SPTISendASPI32Command(void* srb) { return SPTISendCommand(srb); }

uint8_t SPTIHostAdapterInquiry(SRB_HAInquiry& srb) {
    const auto& st = SPTIState();
    srb.HA_Count = st.SPTIHostAdapters;
    if (srb.SRB_HaId >= st.SPTIHostAdapters) {
        srb.SRB_Status = SS_INVALID_HA;
        return SS_INVALID_HA;
    }
    srb.HA_SCSI_ID = 7;
    static constexpr char kManager[16] = {'T', 'A', 'R', 'N', 'W', 'I', 'C', 'K', ' ',
                                          'S', 'P', 'T', 'I', ' ', ' ', ' '};
    std::memcpy(srb.HA_ManagerId, kManager, sizeof srb.HA_ManagerId);
    std::memset(srb.HA_Identifier, 0, sizeof srb.HA_Identifier);
    std::memcpy(srb.HA_Identifier, "SPTI  ", 6);
    srb.HA_Identifier[5] = uint8_t('0' + srb.SRB_HaId);
    std::memset(srb.HA_Unique, 0, 13);
    srb.HA_Unique[0] = 0x07; // buffer alignment mask 0007h
    srb.HA_Unique[3] = 8;    // targets per adapter
    srb.HA_Unique[6] = 0xFF; // maximum transfer length 00FF0000h
    srb.SRB_Status = SS_COMP;
    return SS_COMP;
}

uint8_t SPTIGetDeviceType(SRB_GDEVBlock& srb) {
    if (SPTIFindDrive(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) != 0) {
        srb.SRB_Status = SS_COMP;
        srb.SRB_DeviceType = kCDROMDevice;
    } else {
        srb.SRB_Status = SS_NO_DEVICE;
        srb.SRB_DeviceType = kNoDeviceType;
    }
    return srb.SRB_Status;
}

uint32_t SPTISendCommand(void* srb) {
    if (srb == nullptr) return SS_ERR;
    auto* header = static_cast<uint8_t*>(srb);
    switch (header[0]) {
    case SC_HA_INQUIRY: return SPTIHostAdapterInquiry(*static_cast<SRB_HAInquiry*>(srb));
    case SC_GET_DEV_TYPE: return SPTIGetDeviceType(*static_cast<SRB_GDEVBlock*>(srb));
    case SC_EXEC_SCSI_CMD: return ExecSCSICmd(SPTIState(), *static_cast<SRB_ExecSCSICmd*>(srb));
    case SC_GET_DISK_INFO:
        // Drive letters come from SPTIDriveLetter under the emulation.
        header[1] = SS_PENDING;
        return SS_ERR;
    default: header[1] = SS_ERR; return SS_ERR;
    }
}

} // namespace tarnwick
