// Translation between the Windows pass-through structure and the SG_IO header.
#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/posix/SgIo.h"

namespace platform::sgio {

namespace {

// Driver status "sense data available": it accompanies every CHECK CONDITION and is no
// failure of the transfer itself.
constexpr unsigned kDriverSense = 0x08;

bool ParseNumber(const std::string& s, size_t& pos, unsigned& value) {
    const char* first = s.data() + pos;
    const char* last = s.data() + s.size();
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end == first) return false;
    pos = size_t(end - s.data());
    return true;
}

} // namespace

bool BuildHeader(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request, sg_io_hdr_t& hdr) {
    std::memset(&hdr, 0, sizeof hdr);
    const SCSI_PASS_THROUGH_DIRECT& spt = request.spt;
    if (spt.CdbLength == 0 || spt.CdbLength > sizeof spt.Cdb) return false;
    if (spt.DataTransferLength != 0 && spt.DataBuffer == nullptr) return false;

    hdr.interface_id = 'S';
    hdr.cmd_len = spt.CdbLength;
    hdr.cmdp = request.spt.Cdb;
    hdr.mx_sb_len = uint8_t(std::min<size_t>(spt.SenseInfoLength, sizeof request.ucSenseBuf));
    hdr.sbp = request.ucSenseBuf;
    hdr.dxfer_len = spt.DataTransferLength;
    hdr.dxferp = spt.DataTransferLength ? spt.DataBuffer : nullptr;
    if (spt.DataTransferLength == 0) {
        hdr.dxfer_direction = SG_DXFER_NONE;
    } else if (spt.DataIn == SCSI_IOCTL_DATA_IN) {
        hdr.dxfer_direction = SG_DXFER_FROM_DEV;
    } else if (spt.DataIn == SCSI_IOCTL_DATA_OUT) {
        hdr.dxfer_direction = SG_DXFER_TO_DEV;
    } else {
        // Unspecified direction with data: the buffer goes out and whatever comes back lands
        // in it.
        hdr.dxfer_direction = SG_DXFER_TO_FROM_DEV;
    }
    uint32_t seconds = spt.TimeOutValue ? spt.TimeOutValue : kDefaultTimeOutSeconds;
    hdr.timeout = std::min(seconds, kMaxTimeOutSeconds) * 1000u;
    return true;
}

bool ApplyReply(const sg_io_hdr_t& hdr, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request) {
    request.spt.ScsiStatus = hdr.status;
    const unsigned senseWritten = std::min<unsigned>(hdr.sb_len_wr, hdr.mx_sb_len);
    request.spt.SenseInfoLength = uint8_t(std::min<size_t>(senseWritten, sizeof request.ucSenseBuf));
    // A residual outside [0, asked] is the driver's error; never report more than was asked.
    const int64_t asked = hdr.dxfer_direction == SG_DXFER_NONE ? 0 : int64_t(hdr.dxfer_len);
    const int64_t moved = std::clamp<int64_t>(asked - int64_t(hdr.resid), 0, asked);
    request.spt.DataTransferLength = uint32_t(moved);
    return hdr.host_status == 0 && (hdr.driver_status & ~kDriverSense) == 0;
}

std::optional<SCSI_ADDRESS> ParseAddressName(const std::string& name) {
    unsigned part[4];
    size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= name.size() || name[pos] != ':') return std::nullopt;
            ++pos;
        }
        if (!ParseNumber(name, pos, part[i]) || part[i] > 255) return std::nullopt;
    }
    if (pos != name.size()) return std::nullopt;
    SCSI_ADDRESS a{};
    a.Length = sizeof a;
    a.PortNumber = uint8_t(part[0]);
    a.PathId = uint8_t(part[1]);
    a.TargetId = uint8_t(part[2]);
    a.Lun = uint8_t(part[3]);
    return a;
}

SCSI_ADDRESS AddressFromIdLun(uint32_t idLun, uint32_t hostNumber) {
    SCSI_ADDRESS a{};
    a.Length = sizeof a;
    a.TargetId = uint8_t(idLun);
    a.Lun = uint8_t(idLun >> 8);
    a.PathId = uint8_t(idLun >> 16);
    a.PortNumber = uint8_t(hostNumber);
    return a;
}

std::string PermissionHint(const std::string& devicePath, const std::string& groupName, const std::string& userName) {
    std::string hint = "Cannot open " + devicePath + ": permission denied. The user needs read and write access to it";
    if (groupName.empty()) return hint + ".";
    hint += ", e.g. membership of the group \"" + groupName + "\" that owns it";
    // Adding a user to root's group would hand out far more than the drive.
    if (groupName == "root" || groupName == "0") return hint + ".";
    return hint + ": sudo usermod -aG " + groupName + " " + (userName.empty() ? "USER" : userName) +
           ", then log out and in again.";
}

} // namespace platform::sgio
