// Write parameters: the type probe at selection and the page of a recording.
#include "engine/device/WriteParameters.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Cdb.h"
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {


namespace {
constexpr uint8_t kFlagsOut = SRB_EVENT_NOTIFY | SRB_DIR_OUT;

// Reads page 05h into PageBufferA and moves it to the front of PageBufferB; the page start,
// or -1 when the drive does not answer.
int ReadWritePage(TSCSIDevice& d, bool tryOffset7) {
    auto& st = DrvLibState();
    st.PageBufferA.fill(0);
    st.PageBufferB.fill(0);
    if (!d.ModeSense10(wp::kPageCode, st.PageBufferA.data(), 511, 512, false)) return -1;
    int p = reply::FindModePage(TByteReader(st.PageBufferA.data(), 512), wp::kPageCode, tryOffset7);
    if (p < 0 || (!tryOffset7 && p == 7)) p = 8;
    std::memcpy(st.PageBufferB.data(), st.PageBufferA.data() + p, size_t(512 - p));
    std::memcpy(d.WriteParametersPage.data(), st.PageBufferB.data(), wp::kPageSize);
    return p;
}
} // namespace

bool TSCSIDevice::ModeSelect10(const uint8_t* List, uint8_t Length) {
    auto& cb = DrvLibState().CommandBuffer;
    if (List != cb.data()) std::memmove(cb.data(), List, Length);
    const auto c = cdb::ModeSelect10(Length);
    return RunCdb(c.data(), uint8_t(c.size()), kFlagsOut, cb.data(), Length, 10000);
}

bool TSCSIDevice::SendWriteParametersList(int PageStart, uint8_t ListLength) {
    auto& st = DrvLibState();
    std::memcpy(st.PageBufferB.data(), WriteParametersPage.data(), wp::kPageSize);
    wp::BuildParameterList(st.PageBufferA.data(), st.PageBufferB.data(), PageStart);
    // A drive that declares a longer page gets zeros there, not the rest of the MODE SENSE reply.
    if (ListLength > 64) std::memset(st.PageBufferA.data() + 64, 0, size_t(ListLength) - 64);
    return ModeSelect10(st.PageBufferA.data(), ListLength);
}

namespace {
uint8_t ListLengthFor(uint8_t pageLength) { return uint8_t(std::min(pageLength + 10, 255)); }
} // namespace

bool TSCSIDevice::TryWriteType(uint8_t Probe) {
    const int p = ReadWritePage(*this, false);
    if (p < 0) return false;
    wp::ApplyProbe(WriteParametersPage.data(), Probe);
    return SendWriteParametersList(p, ListLengthFor(WriteParametersPage[wp::kPgLength]));
}

bool TSCSIDevice::DetectWriteTypes() {
    // The drive keeps the page of the last probe it accepts; track at once comes last.
    TryWriteType(wp::wtRaw);
    TryWriteType(wp::wtSessionAtOnce);
    TryWriteType(wp::wtTrackAtOnce);
    return true;
}

bool TSCSIDevice::SetWriteParameters(bool TestWriteOn, bool UnderrunProtectionOn, uint16_t DiscTypeCode) {
    if (DiscTypeCode == dtDVDRAM) return true; // random-access media take no write parameters
    const int p = ReadWritePage(*this, true);
    if (p < 0) return false;
    wp::TWriteSettings s;
    s.TestWrite = TestWriteOn;
    s.UnderrunProtection = UnderrunProtectionOn;
    s.FinalizeDisc = FinalizeDisc();
    s.ForceLSV = ForceLSV;
    s.CapabilityFlags = CapabilityFlags;
    s.DiscType = DiscTypeCode;
    wp::ApplyWriteSettings(WriteParametersPage.data(), s);
    return SendWriteParametersList(p, ListLengthFor(WriteParametersPage[wp::kPgLength]));
}

} // namespace tarnwick
