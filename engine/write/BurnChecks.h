#pragma once
// What is burned, checked before the drive is asked to change anything: the image file itself,
// a test write on a medium that cannot simulate one, a write-once disc that is not blank and
// an image larger than the disc's free space.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {

class TVornBurner;

inline constexpr const char* kImageNotAFile = "\"%s\" IS NOT A FILE (A DEVICE OR PIPE CANNOT BE BURNED)";
inline constexpr const char* kImageEmpty = "IMAGE FILE \"%s\" IS EMPTY";
inline constexpr const char* kTestWriteImpossible = "TEST/DUMMY WRITE IS NOT POSSIBLE ON %s: NOTHING WAS WRITTEN";
inline constexpr const char* kDiscNotBlank = "THE %s IN THE DRIVE IS NOT BLANK: NOTHING WAS WRITTEN";
// A pressed disc (or a medium no recorder writes) in the recorder.
inline constexpr const char* kNotRecordable =
    "THE %s IN THE DRIVE CANNOT BE RECORDED: NOTHING WAS WRITTEN. INSERT A BLANK RECORDABLE DISC";
// A write-once disc closed or complete: no session can start at its sector 0 again.
inline constexpr const char* kDiscClosed =
    "THE %s IN THE DRIVE IS CLOSED: NOTHING WAS WRITTEN. INSERT A BLANK DISC";
inline constexpr const char* kImageTooLarge = "IMAGE OF %s SECTORS IS LARGER THAN THE %s SECTORS FREE ON THE DISC";
inline constexpr const char* kNoVolumeDescriptor = "NO VOLUME DESCRIPTOR AT SECTOR 16: THE IMAGE IS BURNED AS IT IS";

// Whether the path names something other than a regular file (a device, a FIFO, a socket).
// A path that cannot be looked at passes: opening it reports the failure.
bool IsSpecialFile(const std::string& path);

// Whether the 2048 bytes of sector 16 start a volume descriptor (ISO 9660 or the volume
// recognition sequence of UDF).
bool HoldsVolumeDescriptor(const uint8_t* sector16);

// Pressed media: a profile no recorder writes.
bool Recordable(uint8_t discType);

// Media whose drives have no simulation: a test write there would record for real.
bool CanSimulate(uint8_t discType, uint32_t capabilityFlags);

// The free sectors of the loaded disc from READ TRACK INFORMATION, the disc information's last
// lead-out start or the ATIP's; empty when no answer tells it.
std::optional<uint32_t> FreeSectors(TVornBurner& engine, uint8_t discType);

// The error text that refuses this burn, or empty. Warnings go out as messages.
std::string CheckBurn(TVornBurner& engine, const std::string& fileName, uint8_t discType);

} // namespace tarnwick
