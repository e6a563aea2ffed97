// The recording commands: speed, OPC, streaming, time stamp, reservation, writing, flushing,
// closing and the tray.
#include "engine/device/Recording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Cdb.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {


namespace {
constexpr uint8_t kFlagsNone = SRB_EVENT_NOTIFY;
constexpr uint8_t kFlagsOut = SRB_EVENT_NOTIFY | SRB_DIR_OUT;

template <size_t N>
bool Send(TSCSIDevice& d, const std::array<uint8_t, N>& c, uint8_t flags, const uint8_t* buf, uint32_t len,
          int32_t timeOut, uint8_t* status = nullptr) {
    return d.RunCdb(c.data(), uint8_t(N), flags, const_cast<uint8_t*>(buf), len, timeOut, nullptr, status);
}
} // namespace

bool TSCSIDevice::SetCDSpeed(uint16_t ReadKBs, uint16_t WriteKBs) {
    return Send(*this, cdb::SetCDSpeed(ReadKBs, WriteKBs), kFlagsNone, nullptr, 0, 10000);
}

void TSCSIDevice::SetWriteSpeed(uint16_t v) {
    SetCDSpeed(FReadSpeed, v);
    FWriteSpeed = v; // kept even when the drive refused it
}

bool TSCSIDevice::SendOPC() { return Send(*this, cdb::SendOPC(), kFlagsNone, nullptr, 0, 150000); }

bool TSCSIDevice::SetStreaming(const uint8_t* Descriptor, uint16_t Length) {
    return Send(*this, cdb::SetStreaming(Length), kFlagsOut, Descriptor, Length, 10000);
}

bool TSCSIDevice::SendDVDStructure(uint8_t Format, const uint8_t* Structure, uint16_t Length) {
    return Send(*this, cdb::SendDVDStructure(Format, Length), kFlagsOut, Structure, Length, 10000);
}

bool TSCSIDevice::SendDVDTimestamp(TDateTime When) {
    auto& pb = DrvLibState().ParameterBuffer;
    pb.fill(0);
    const auto s = rec::TimestampStructure(When);
    std::memcpy(pb.data(), s.data(), s.size());
    return SendDVDStructure(rec::kTimestampFormat, pb.data(), rec::kTimestampLength);
}

bool TSCSIDevice::ReserveTrack(uint32_t Size) {
    return Send(*this, cdb::ReserveTrack(Size), kFlagsNone, nullptr, 0, 10000);
}

bool TSCSIDevice::Write10(uint32_t Lba, uint16_t Blocks, uint8_t* Buffer, uint32_t ByteCount, uint8_t SrbFlags) {
    uint8_t status = 0xFF;
    Send(*this, cdb::Write10(Lba, Blocks), SrbFlags, Buffer, ByteCount, 120000, &status);
    // A transport may hand the data over and complete later: pending counts as written. A
    // request refused for want of a device is not pending, and fails.
    return status == SS_COMP || status == SS_PENDING;
}

bool TSCSIDevice::SynchronizeCache(int32_t TimeOut, bool Immed) {
    return Send(*this, cdb::SynchronizeCache(Immed), kFlagsNone, nullptr, 0, TimeOut);
}

bool TSCSIDevice::CloseTrackSession(bool CloseTrack, bool Immed, bool Finalize) {
    return Send(*this, cdb::CloseTrackSession(CloseTrack, Immed, Finalize), kFlagsNone, nullptr, 0, 180000);
}

bool TSCSIDevice::CloseTrackSessionRaw(bool Immed, uint8_t Function, uint8_t B3, uint8_t B4, uint8_t B5) {
    return Send(*this, cdb::CloseTrackSessionRaw(Immed, Function, B3, B4, B5), kFlagsNone, nullptr, 0, 180000);
}

bool TSCSIDevice::LoadEject(bool Eject) {
    // The handle must not stay open across a tray movement: the system re-reads the medium.
    SetReleaseHandles(true);
    const bool ok = Send(*this, cdb::LoadEject(Eject), kFlagsNone, nullptr, 0, 20000);
    SetReleaseHandles(false);
    return ok;
}

bool TSCSIDevice::PreventAllowRemoval(bool Allow) {
    if (Allow) SetReleaseHandles(true);
    const bool ok = Send(*this, cdb::PreventAllowRemoval(Allow), kFlagsNone, nullptr, 0, 10000);
    SetReleaseHandles(false);
    return ok;
}

void TSCSIDevice::RezeroUnit() { Send(*this, cdb::RezeroUnit(), kFlagsNone, nullptr, 0, 10000); }

} // namespace tarnwick
