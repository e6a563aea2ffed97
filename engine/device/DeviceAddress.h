#pragma once
// Where a device sits on the transport: host adapter, target and LUN. 254 in all three is no
// device.
#include <cstdint>

namespace tarnwick {

struct TDeviceAddress {
    uint8_t HaId = 254, Target = 254, Lun = 254;
    bool None() const { return HaId == 254; }
    bool operator==(const TDeviceAddress&) const = default;
};

} // namespace tarnwick
