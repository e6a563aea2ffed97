#include "engine/device/Reading.h"

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

TTrackInfo TrackInfoFromReply(const std::array<uint8_t, 36>& r) {
    TTrackInfo t;
    t.Start = GetBE32(&r[8]);
    t.Size = GetBE32(&r[24]);
    t.Blank = (r[6] & 0x40) != 0;
    t.LastRecordedValid = (r[7] & 0x02) != 0;
    t.LastRecorded = GetBE32(&r[28]);
    return t;
}

bool ReadTrackInformation(TSCSIDevice& device, uint16_t track, TTrackInfo& info) {
    alignas(4) std::array<uint8_t, 36> reply{};
    uint32_t moved = 0;
    const auto c = cdb::ReadTrackInformation(1, track, uint16_t(reply.size()));
    if (!device.RunCdb(c.data(), uint8_t(c.size()), kFlagsIn, reply.data(), uint32_t(reply.size()), 10000, &moved))
        return false;
    // A reply that stops before the track size holds no usable descriptor.
    if (moved < 28 || reply::Valid(moved, size_t(GetBE16(&reply[0])) + 2) < 28) return false;
    reply::ClearBeyond(reply.data(), reply.size(), reply::Valid(moved, size_t(GetBE16(&reply[0])) + 2));
    info = TrackInfoFromReply(reply);
    return true;
}

} // namespace tarnwick::reading
