// The plain drive and media queries: each sends one command and reads its reply only as far
// as the drive returned it.
#include <algorithm>
#include <cstring>

#include "engine/device/Cdb.h"
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace {
constexpr uint8_t kFlagsNone = SRB_EVENT_NOTIFY;
constexpr uint8_t kFlagsIn = SRB_EVENT_NOTIFY | SRB_DIR_IN;

template <size_t N>
bool Send(TSCSIDevice& d, const std::array<uint8_t, N>& c, uint8_t flags, uint8_t* buf, uint32_t len,
          int32_t timeOut, uint32_t* moved = nullptr) {
    return d.RunCdb(c.data(), uint8_t(N), flags, buf, len, timeOut, moved);
}

// Clears what the drive did not return: beyond min(moved, declared(reply)).
template <typename Declared>
void Bound(uint8_t* buf, uint32_t len, uint32_t moved, Declared declared) {
    const size_t got = std::min(moved, len);
    const size_t valid = reply::Valid(got, declared(TByteReader(buf, got)));
    reply::ClearBeyond(buf, len, valid);
}
} // namespace

bool TSCSIDevice::RunCdbAt(const TDeviceAddress& At, const uint8_t* Cdb, uint8_t CdbLen, uint8_t Flags,
                           uint8_t* Buffer, uint32_t Length, int32_t TimeOut, uint32_t* Moved, uint8_t* Status) {
    SRB_ExecSCSICmd r{};
    r.SRB_Flags = Flags;
    r.SRB_CDBLen = CdbLen;
    r.SRB_SenseLen = 24;
    r.SRB_BufLen = Buffer ? Length : 0;
    r.SRB_BufPointer = Buffer;
    std::memcpy(r.CDBByte, Cdb, std::min<size_t>(CdbLen, sizeof r.CDBByte));
    const int32_t sent = ExecSCSICommandAt(At, r, TimeOut);
    if (Moved) *Moved = Buffer ? std::min<uint32_t>(r.SRB_BufLen, Length) : 0;
    // A refused request keeps the 00h of the zeroed record; report the refusal instead, so
    // that no caller mistakes it for a command still running.
    if (Status) *Status = sent == SS_NO_TRANSPORT ? SS_NO_TRANSPORT : r.SRB_Status;
    return r.SRB_Status == SS_COMP;
}

bool TSCSIDevice::TestUnitReady(int32_t TimeOut) {
    return Send(*this, cdb::TestUnitReady(), kFlagsNone, nullptr, 0, TimeOut);
}

bool TSCSIDevice::RequestSense(uint8_t* Buffer, uint8_t AllocLen) {
    uint32_t moved = 0;
    if (!Send(*this, cdb::RequestSense(AllocLen), kFlagsIn, Buffer, AllocLen, 10000, &moved)) return false;
    Bound(Buffer, AllocLen, moved, reply::SenseDeclared);
    return true;
}

bool TSCSIDevice::InquiryAt(const TDeviceAddress& At) {
    uint32_t moved = 0;
    const auto c = cdb::Inquiry();
    if (!RunCdbAt(At, c.data(), uint8_t(c.size()), kFlagsIn, InquiryData.data(), cdb::kInquiryAlloc, 10000, &moved))
        return false;
    Bound(InquiryData.data(), cdb::kInquiryAlloc, moved, reply::InquiryDeclared);
    return true;
}

bool TSCSIDevice::ModeSense10(uint8_t PageCode, uint8_t* Dest, int32_t ClearCountMinusOne, int32_t AllocLen,
                              bool DefaultValues) {
    auto& cb = DrvLibState().CommandBuffer;
    if (ClearCountMinusOne >= 0) std::memset(Dest, 0, size_t(ClearCountMinusOne) + 1);
    const uint32_t alloc = uint32_t(std::clamp<int32_t>(AllocLen, 0, int32_t(cb.size())));
    std::memset(cb.data(), 0, alloc);
    uint32_t moved = 0;
    if (!Send(*this, cdb::ModeSense10(PageCode, uint16_t(alloc), DefaultValues), kFlagsIn, cb.data(), alloc, 20000,
              &moved))
        return false;
    Bound(cb.data(), alloc, moved, reply::ModeSenseDeclared);
    std::memcpy(Dest, cb.data(), alloc);
    return true;
}

bool TSCSIDevice::GetConfiguration(uint8_t RT, uint16_t StartFeature, uint8_t* Buffer, int32_t AllocLen) {
    const uint32_t alloc = uint32_t(std::clamp<int32_t>(AllocLen, 0, 0xFF));
    uint32_t moved = 0;
    if (!Send(*this, cdb::GetConfiguration(RT, StartFeature, uint16_t(alloc)), kFlagsIn, Buffer, alloc, 30000,
              &moved))
        return false;
    Bound(Buffer, alloc, moved, reply::ConfigurationDeclared);
    return true;
}

bool TSCSIDevice::ReadBufferCapacity(uint32_t& BufferSize, uint32_t& FreeBytes) {
    auto& pb = DrvLibState().ParameterBuffer;
    std::memset(pb.data(), 0, cdb::kBufferCapacityAlloc);
    uint32_t moved = 0;
    if (!Send(*this, cdb::ReadBufferCapacity(), kFlagsIn, pb.data(), cdb::kBufferCapacityAlloc, 10000, &moved)) {
        FDeviceFreeBufferSize = 0;
        return false;
    }
    Bound(pb.data(), cdb::kBufferCapacityAlloc, moved, reply::BufferCapacityDeclared);
    BufferSize = GetBE32(&pb[4]);
    FreeBytes = GetBE32(&pb[8]);
    FDeviceBufferSize = BufferSize;
    // Some drives report an unknown free figure as all ones.
    FDeviceFreeBufferSize = FreeBytes == 0xFFFFFFFFu ? BufferSize : FreeBytes;
    return true;
}

bool TSCSIDevice::ReadDiscInformation(uint8_t* Buffer, uint8_t AllocLen) {
    std::memset(Buffer, 0, AllocLen);
    uint32_t moved = 0;
    if (!Send(*this, cdb::ReadDiscInformation(AllocLen), kFlagsIn, Buffer, AllocLen, 10000, &moved)) return false;
    Bound(Buffer, AllocLen, moved, reply::DiscInfoDeclared);
    return true;
}

bool TSCSIDevice::UpdateDiscInformation() {
    auto& di = DrvLibState().DiscInformation;
    di.fill(0);
    return ReadDiscInformation(di.data(), uint8_t(di.size()));
}

reply::TDiscInformation TSCSIDevice::LastDiscInformation() const {
    const auto& di = DrvLibState().DiscInformation;
    return reply::ParseDiscInformation(di.data(), di.size());
}

uint8_t TSCSIDevice::GetSessionCount() {
    if (!UpdateDiscInformation()) return 0;
    const auto& di = DrvLibState().DiscInformation;
    return reply::SessionCount(di[2], di[4]);
}

bool TSCSIDevice::ReadTOC(uint8_t Format, uint8_t* Buffer, bool MSF, uint8_t TrackOrSession, uint8_t AllocLen,
                          uint8_t Control) {
    uint32_t moved = 0;
    if (!Send(*this, cdb::ReadTOC(Format, MSF, TrackOrSession, AllocLen, Control), kFlagsIn, Buffer, AllocLen, 10000,
              &moved))
        return false;
    Bound(Buffer, AllocLen, moved, reply::TocDeclared);
    return true;
}

} // namespace tarnwick
