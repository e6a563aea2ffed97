#include "emulator/DataPhase.h"

#include "emulator/Disc.h"
#include "emulator/Opcodes.h"
#include "emulator/Wire.h"
#include "platform/PassThrough.h"

namespace emulator {

namespace {

std::optional<TDataPhase> In(uint32_t length) {
    if (length == 0) return std::nullopt;
    return TDataPhase{platform::SCSI_IOCTL_DATA_IN, length};
}

std::optional<TDataPhase> Out(uint32_t length) {
    if (length == 0) return std::nullopt;
    return TDataPhase{platform::SCSI_IOCTL_DATA_OUT, length};
}

} // namespace

std::optional<TDataPhase> ExpectedDataPhase(const uint8_t* c, uint8_t n) {
    if (n == 0) return std::nullopt;
    // A CDB too short for its opcode is the drive's own refusal, not the bus's.
    const bool ten = n >= 10, twelve = n >= 12, six = n >= 6;
    switch (c[0]) {
    case op::RequestSense: return six ? In(c[4]) : std::nullopt;
    case op::Inquiry: return six ? In(GetBE16(c + 3)) : std::nullopt;
    case op::ReadFormatCapacities:
    case op::ReadTocPmaAtip:
    case op::GetConfiguration:
    case op::ReadDiscInformation:
    case op::ReadTrackInformation:
    case op::ModeSense10:
    case op::ReadBufferCapacity: return ten ? In(GetBE16(c + 7)) : std::nullopt;
    case op::ReadCapacity: return ten ? In(8) : std::nullopt;
    case op::Read10: return ten ? In(GetBE16(c + 7) * kSectorSize) : std::nullopt;
    case op::Read12: return twelve ? In(uint32_t(uint64_t(GetBE32(c + 6)) * kSectorSize)) : std::nullopt;
    case op::Write10: return ten ? Out(GetBE16(c + 7) * kSectorSize) : std::nullopt;
    case op::SendOpcInformation:
    case op::ModeSelect10: return ten ? Out(GetBE16(c + 7)) : std::nullopt;
    case op::SetStreaming: return twelve ? Out(GetBE16(c + 9)) : std::nullopt;
    case op::SendDvdStructure: return twelve ? Out(GetBE16(c + 8)) : std::nullopt;
    case op::ReportKey:
    case op::ReadDvdStructure: return twelve ? In(GetBE16(c + 8)) : std::nullopt;
    default: return std::nullopt; // no data, or a length the CDB does not hold (FORMAT UNIT)
    }
}

} // namespace emulator
