#include "engine/device/Reading.h"

#include <algorithm>
#include <array>

#include "engine/Bytes.h"
#include "engine/device/Cdb.h"
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick::reading {

namespace {
constexpr uint8_t kFlagsIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;
constexpr uint32_t kSector = 2048;
} // namespace

bool ReadSectors(TSCSIDevice& device, uint32_t lba, uint32_t blocks, uint8_t* buffer, int32_t timeOutMs) {
    const uint32_t bytes = blocks * kSector;
    uint32_t moved = 0;
    bool ok;
    if (blocks <= kRead10MaxBlocks) {
        const auto c = cdb::Read10(lba, uint16_t(blocks));
        ok = device.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, buffer, bytes, timeOutMs, &moved);
    } else {
        const auto c = cdb::Read12(lba, blocks);
        ok = device.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, buffer, bytes, timeOutMs, &moved);
    }
    return ok && moved == bytes;
}

bool ReadCapacity(TSCSIDevice& device, uint32_t& lastLba, uint32_t& blockLength) {
    alignas(4) uint8_t reply[8] = {};
    uint32_t moved = 0;
    const auto c = cdb::ReadCapacity();
    if (!device.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, reply, sizeof reply, 10000, &moved) || moved < 8)
        return false;
    lastLba = GetBE32(&reply[0]);
    blockLength = GetBE32(&reply[4]);
    return true;
}

size_t QueryTrackInformation(TSCSIDevice& device, uint16_t track, reply::TTrackInformation& info) {
    alignas(4) std::array<uint8_t, 36> reply{};
    uint32_t moved = 0;
    info = {};
    const auto c = cdb::ReadTrackInformation(1, track, uint16_t(reply.size()));
    if (!device.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, reply.data(), uint32_t(reply.size()), 10000, &moved))
        return 0;
    const size_t got = std::min<size_t>(moved, reply.size());
    uint16_t length = 0;
    const size_t valid = TByteReader(reply.data(), got).BE16(0, length) ? reply::Valid(got, size_t(length) + 2) : 0;
    info = reply::ParseTrackInformation(reply.data(), valid);
    return valid;
}

bool ReadTrackInformation(TSCSIDevice& device, uint16_t track, reply::TTrackInformation& info) {
    // A reply that stops before the track size holds no usable descriptor.
    return QueryTrackInformation(device, track, info) >= 28;
}

} // namespace tarnwick::reading
