#pragma once
// Pure helpers of the recording commands.
#include <array>
#include <cstdint>

#include "engine/Component.h"

namespace tarnwick::rec {

// The DVD time stamp structure (SEND DVD STRUCTURE format 0Fh): bytes 0-1 the data length
// 0014h, bytes 2-7 zero, bytes 8-21 the local date and time as ASCII "yyyymmddhhnnss".
constexpr uint8_t kTimestampFormat = 0x0F;
constexpr uint16_t kTimestampLength = 22;
std::array<uint8_t, kTimestampLength> TimestampStructure(TDateTime when);

} // namespace tarnwick::rec
