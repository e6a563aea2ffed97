#pragma once
// The data phase each operation code has: its direction and the bytes its CDB asks to move
// (allocation length, parameter list length or blocks). The bus checks a request against it
// as a host adapter would: a buffer in the wrong direction, or one smaller than the CDB's
// transfer, is a failed request, not a reply cut short.
#include <cstdint>
#include <optional>

namespace emulator {

struct TDataPhase {
    uint8_t Direction = 0; // platform::SCSI_IOCTL_DATA_IN / _OUT
    uint32_t Length = 0;   // bytes the CDB asks to move
};

// nullopt: the command moves no data (or its length is not in the CDB).
std::optional<TDataPhase> ExpectedDataPhase(const uint8_t* cdb, uint8_t cdbLength);

} // namespace emulator
