#include "engine/device/Erasing.h"

#include "engine/Bytes.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick::rec {

namespace {
constexpr size_t kHeader = 4;
constexpr size_t kDescriptor = 8;
constexpr uint8_t kSenseKeyNotReady = 0x02;
constexpr uint8_t kAscNotReady = 0x04;

size_t ListEnd(const uint8_t* reply, size_t valid) {
    if (valid < kHeader) return 0;
    const size_t declared = kHeader + reply[3];
    return declared < valid ? declared : valid;
}
} // namespace

TCapacityState CapacityState(const uint8_t* reply, size_t valid) {
    if (ListEnd(reply, valid) < kHeader + kDescriptor) return TCapacityState::Reserved;
    return TCapacityState(reply[kHeader + 4] & 0x03);
}

std::optional<TFormatDescriptor> ChooseFormat(uint8_t discType, const uint8_t* reply, size_t valid) {
    // In the order of preference for each medium.
    std::array<int, 2> wanted{-1, -1};
    switch (discType) {
    case dtDVDPlusRW: wanted = {kFormatDvdPlusRw, -1}; break;
    case dtDVDRW:
    case dtDVDRWRestricted:
    case dtDVDRWSequential: wanted = {kFormatQuick, kFormatFull}; break;
    case dtDVDRAM: wanted = {kFormatFull, -1}; break;
    default: return std::nullopt;
    }
    const size_t end = ListEnd(reply, valid);
    for (int type : wanted) {
        if (type < 0) continue;
        // The formattable descriptors follow the current/maximum capacity descriptor.
        for (size_t at = kHeader + kDescriptor; at + kDescriptor <= end; at += kDescriptor) {
            if ((reply[at + 4] >> 2) != type) continue;
            TFormatDescriptor d{};
            for (size_t i = 0; i < kDescriptor; ++i) d[i] = reply[at + i];
            return d;
        }
    }
    return std::nullopt;
}

std::array<uint8_t, 12> FormatParameterList(const TFormatDescriptor& d, bool immed) {
    std::array<uint8_t, 12> list{};
    list[1] = immed ? 0x82 : 0x00; // FOV with Immed: a drive honours Immed only under FOV
    PutBE16(&list[2], kDescriptor);
    for (size_t i = 0; i < kDescriptor; ++i) list[kHeader + i] = d[i];
    return list;
}

bool OperationInProgress(const TCommandOutcome& o) {
    if (o.SenseKey != kSenseKeyNotReady || o.Asc != kAscNotReady) return false;
    const uint8_t q = o.Ascq;
    return q == 0x01 || q == 0x04 || q == 0x07 || q == 0x08;
}

uint32_t EraseDeadlineMs(uint8_t discType, bool full) {
    constexpr uint32_t kMinute = 60000;
    switch (discType) {
    // A CD-RW at 1x: a minimal blank takes about 2 minutes, a full one about 80.
    case dtCDRW:
    case dtDDCDRW: return full ? 100 * kMinute : 10 * kMinute;
    // A DVD-RW at 1x: a full blank takes about an hour, a minimal one a few minutes.
    case dtDVDRW:
    case dtDVDRWRestricted:
    case dtDVDRWSequential: return full ? 120 * kMinute : 15 * kMinute;
    // A DVD-RAM formats with certification for up to an hour and a half.
    case dtDVDRAM: return 150 * kMinute;
    // A DVD+RW formats in the background: the foreground part lasts a few minutes.
    case dtDVDPlusRW: return 30 * kMinute;
    default: return 10 * kMinute;
    }
}

bool ErasedByFormat(uint8_t discType) { return discType == dtDVDPlusRW || discType == dtDVDRAM; }

} // namespace tarnwick::rec
