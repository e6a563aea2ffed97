#pragma once
// The read side of the MMC command set: sectors with READ(10)/READ(12), the recorded size
// with READ CAPACITY, and track descriptors with READ TRACK INFORMATION. Like the other
// commands they send one request each and never retry; the caller decides.
#include <array>
#include <cstdint>

namespace tarnwick {

class TSCSIDevice;

namespace reading {

// A READ(10) carries at most this many blocks; larger counts go out as READ(12).
constexpr uint32_t kRead10MaxBlocks = 0xFFFF;

// Blocks sectors at lba into buffer (blocks x 2048 bytes). True when the drive returned them
// all (a short transfer is a failure).
bool ReadSectors(TSCSIDevice& device, uint32_t lba, uint32_t blocks, uint8_t* buffer, int32_t timeOutMs = 20000);

// Last logical block address and block length; false when the drive refused.
bool ReadCapacity(TSCSIDevice& device, uint32_t& lastLba, uint32_t& blockLength);

// The 36-byte track descriptor of READ TRACK INFORMATION for a track number.
struct TTrackInfo {
    uint32_t Start = 0;
    uint32_t Size = 0;
    bool Blank = false;
    bool LastRecordedValid = false;
    uint32_t LastRecorded = 0;
};
bool ReadTrackInformation(TSCSIDevice& device, uint16_t track, TTrackInfo& info);
// The same, from the reply bytes (exposed for tests).
TTrackInfo TrackInfoFromReply(const std::array<uint8_t, 36>& reply);

} // namespace reading
} // namespace tarnwick
