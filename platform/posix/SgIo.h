#pragma once
// The Linux side of the pass-through: the Windows pass-through structure translated to and
// from the SG_IO header. Pure functions, so they are checked without a device.
#include <scsi/sg.h>

#include <optional>
#include <string>

#include "platform/PassThrough.h"

namespace platform::sgio {

// Time given to a command whose request names no time-out, and the longest the kernel is
// asked to wait (its field is in milliseconds).
constexpr uint32_t kDefaultTimeOutSeconds = 120;
constexpr uint32_t kMaxTimeOutSeconds = 24 * 3600;

// Fills hdr from the request: direction, CDB, data buffer, sense buffer (the request's own
// 32-byte buffer), time-out. False for a request the kernel must not see (no CDB, a CDB
// longer than 16 bytes, data without a buffer).
[[nodiscard]] bool BuildHeader(SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request, sg_io_hdr_t& hdr);

// Copies the outcome into the request: ScsiStatus, SenseInfoLength (sense bytes written),
// DataTransferLength (bytes asked for less the residual). False when the host adapter or the
// driver reported an error, even when the SCSI status is GOOD.
[[nodiscard]] bool ApplyReply(const sg_io_hdr_t& hdr, SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER& request);

// "H:C:T:L" (the name of /sys/block/srN/device's target) as a SCSI address.
std::optional<SCSI_ADDRESS> ParseAddressName(const std::string& name);
// The packed id of SCSI_IOCTL_GET_IDLUN with the host number beside it.
SCSI_ADDRESS AddressFromIdLun(uint32_t idLun, uint32_t hostNumber);

// What the user is told when a device may not be opened.
std::string PermissionHint(const std::string& devicePath, const std::string& groupName,
                           const std::string& userName = std::string());

} // namespace platform::sgio
