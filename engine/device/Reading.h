#pragma once
// The read side of the MMC command set: sectors with READ(10)/READ(12), the recorded size
// with READ CAPACITY, and track descriptors with READ TRACK INFORMATION. Like the other
// commands they send one request each and never retry; the caller decides.
#include <cstddef>
#include <cstdint>

#include "engine/device/Replies.h"

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

// READ TRACK INFORMATION of a track number (FFh: the invisible or incomplete track), 36 bytes
// asked. Returns the bytes of the reply the drive returned (0 when it refused); info holds what
// they carry.
size_t QueryTrackInformation(TSCSIDevice& device, uint16_t track, reply::TTrackInformation& info);
// The same, true only when the reply reaches the track size (28 bytes).
bool ReadTrackInformation(TSCSIDevice& device, uint16_t track, reply::TTrackInformation& info);

} // namespace reading
} // namespace tarnwick
