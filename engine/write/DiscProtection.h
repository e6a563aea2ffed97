#pragma once
// Whether a DVD source can be copied: its copyright information and the drive's region, asked
// before any of its sectors is read.
#include <cstdint>
#include <string>

namespace tarnwick {

class TSCSIDevice;

// The message that refuses the copy of the loaded disc (region-locked, or encrypted), or
// empty: not a pressed DVD, no protection, or a drive that does not say. The encrypted
// sectors of CSS discs are pressed DVD-ROM only.
std::string ProtectedDiscRefusal(TSCSIDevice& device, uint8_t discType);

} // namespace tarnwick
