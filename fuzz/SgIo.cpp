// The SG_IO translation: any pass-through request into a kernel header, and any header the
// kernel hands back (status, sense length, residual, host and driver status) into the
// request; also the SCSI address names read from sysfs.
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/SgIo.h"

using namespace platform;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SCSI_PASS_THROUGH_DIRECT_WITH_BUFFER request{};
    sg_io_hdr_t back{};
    constexpr size_t kRequest = sizeof request.spt;
    if (size < kRequest + sizeof back) {
        sgio::ParseAddressName(std::string(reinterpret_cast<const char*>(data), size));
        return 0;
    }
    std::memcpy(&request.spt, data, kRequest);
    std::vector<uint8_t> buffer(std::min<uint32_t>(request.spt.DataTransferLength, 1u << 16));
    request.spt.DataTransferLength = uint32_t(buffer.size());
    request.spt.DataBuffer = buffer.empty() ? (data[0] & 1 ? nullptr : static_cast<void*>(&request)) : buffer.data();
    sg_io_hdr_t hdr;
    if (!sgio::BuildHeader(request, hdr)) return 0;
    if (hdr.cmd_len > 16 || hdr.mx_sb_len > sizeof request.ucSenseBuf || hdr.dxfer_len > buffer.size())
        __builtin_trap();

    // The kernel's answer: only the fields it writes come from the input.
    std::memcpy(&back, data + kRequest, sizeof back);
    hdr.status = back.status;
    hdr.sb_len_wr = back.sb_len_wr;
    hdr.resid = back.resid;
    hdr.host_status = back.host_status;
    hdr.driver_status = back.driver_status;
    hdr.masked_status = back.masked_status;
    (void)sgio::ApplyReply(hdr, request);
    if (request.spt.DataTransferLength > buffer.size() || request.spt.SenseInfoLength > sizeof request.ucSenseBuf)
        __builtin_trap();
    sgio::ParseAddressName(std::string(reinterpret_cast<const char*>(data + kRequest), size - kRequest));
    return 0;
}
