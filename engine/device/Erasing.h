#pragma once
// Pure helpers of the erase and format commands: the format descriptor a medium takes, the
// FORMAT UNIT parameter list, whether a drive's answer says it is still at work (its progress
// figure is part of the command outcome, Outcome.h), and how long an erase may take at most.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/device/Outcome.h"

namespace tarnwick::rec {

// READ FORMAT CAPACITIES: a 4-byte header (byte 3 = list length), the current/maximum
// capacity descriptor, then the formattable descriptors, 8 bytes each.
constexpr uint16_t kFormatCapacitiesAlloc = 252;
using TFormatDescriptor = std::array<uint8_t, 8>;

// Format types (descriptor byte 4, bits 7-2).
enum : uint8_t {
    kFormatFull = 0x00,        // DVD-RAM, DVD-RW full format
    kFormatQuick = 0x15,       // DVD-RW: quick format to restricted overwrite
    kFormatDvdPlusRw = 0x26,   // DVD+RW (background) format
};

// The current/maximum capacity descriptor's type (byte 4 bits 1-0).
enum class TCapacityState : uint8_t { Reserved = 0, Unformatted = 1, Formatted = 2, NoMedium = 3 };
TCapacityState CapacityState(const uint8_t* reply, size_t valid);

// The formattable descriptor for a disc type code, taken as the drive lists it (number of
// blocks and type-dependent parameter included); nullopt when the medium takes none or the
// drive lists none that fits.
std::optional<TFormatDescriptor> ChooseFormat(uint8_t discType, const uint8_t* reply, size_t valid);

// The 12-byte parameter list: header with FOV and Immed (the drive answers at once and
// formats on its own), length 8, then the descriptor.
std::array<uint8_t, 12> FormatParameterList(const TFormatDescriptor& d, bool immed);

// True when a command's outcome says the drive is still busy with a long operation: NOT
// READY with format in progress (04/04), operation in progress (04/07), long write (04/08)
// or becoming ready (04/01).
bool OperationInProgress(const TCommandOutcome& o);

// The longest an erase or format may take on a disc type (full or minimal blank), with room
// for the slowest drives; an overrun means the drive is stuck.
uint32_t EraseDeadlineMs(uint8_t discType, bool full);

// How the disc type is erased: BLANK (CD-RW, DVD-RW), FORMAT UNIT (DVD+RW, DVD-RAM).
bool ErasedByFormat(uint8_t discType);

} // namespace tarnwick::rec
