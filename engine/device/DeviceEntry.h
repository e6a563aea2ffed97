#pragma once
// One listed device: its address, drive letter and identity, and the device string the device
// list shows for it ("h:t:l,X: VENDOR  PRODUCT         REV"). One formatter and one parser, so
// the engine, the command line and the windows read the string back the same way.
#include <optional>
#include <string>

#include "engine/device/DeviceAddress.h"

namespace tarnwick {

struct TDeviceEntry {
    TDeviceAddress Address;
    char Letter = 0;           // none: "?" in the string
    std::string Identity;      // vendor (8), product (16) and revision (4) as the drive gave them
    bool NotSupported = false; // a write-once device: listed, but not one Tarnwick can use
};

std::string FormatDeviceString(const TDeviceEntry& entry);

// The entry a device string names. The address must lead (each part 0 to 255; host numbers pass
// 9 when drives are plugged in again); the letter and the identity are taken where the string
// has them, and whatever else follows the address is ignored, as the selection always did.
std::optional<TDeviceEntry> ParseDeviceString(const std::string& text);

} // namespace tarnwick
