// Write parameters: the type probe at selection and the page of a recording.
#include "engine/device/WriteParameters.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/Cdb.h"
#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace wp {

namespace {
struct TRow {
    uint8_t WriteType;
    uint8_t TrackMode;
    uint8_t LinkSize;
    uint32_t PacketSize;
    bool Bt; // BUFE and Test Write follow the settings
};
} // namespace

void ApplyWriteSettings(uint8_t* page, const TWriteSettings& s) {
    page[kPgLength] = 0x32;
    page[kPgDataBlockType] = 0x08; // Mode 1, 2048 bytes
    page[6] = page[7] = page[8] = page[9] = 0;
    PutBE16(page + kPgAudioPause, 150);

    TRow row{};
    switch (s.DiscType) {
    case dtDVDR: row = {0x20, 0xE5, 0x10, 16, true}; break;
    case dtDVDRWRestricted:
    case dtDVDRWSequential: row = {0x20, 0xC5, 0x10, 0, false}; break;
    case dtDVDPlusRW: row = {0x22, 0x04, 0x10, 0, true}; break;
    case dtDVDPlusR: row = {0x22, 0xC4, 0x00, 16, true}; break;
    default: {
        // Track at once; an open (multi-session) CD unless it is a test or is being closed.
        const uint8_t wt = s.ForceLSV ? 0x21 : 0x01;
        const uint8_t tm = (!s.TestWrite && !s.FinalizeDisc) ? 0xC4 : 0x04;
        row = {wt, tm, 0x00, 0, true};
        break;
    }
    }
    uint8_t b2 = row.WriteType;
    if (row.Bt) {
        if ((s.CapabilityFlags & cfUnderrunFree) && s.UnderrunProtection) b2 |= kBUFE;
        if ((s.CapabilityFlags & cfTestWrite) && s.TestWrite) b2 |= kTestWriteBit;
    }
    page[kPgWriteType] = b2;
    page[kPgTrackMode] = row.TrackMode;
    page[kPgLinkSize] = row.LinkSize;
    PutBE32(page + kPgPacketSize, row.PacketSize);
}

void ApplyProbe(uint8_t* page, uint8_t probe) {
    page[kPgDataBlockType] = 0;
    switch (probe) {
    case wtRaw:
        page[kPgWriteType] = 0x03;
        page[kPgDataBlockType] = 0x01; // raw 2352 bytes
        break;
    case wtSessionAtOnce: page[kPgWriteType] = 0x02; break;
    default: page[kPgWriteType] = 0x01; break;
    }
    page[kPgTrackMode] = 0;
    page[8] = page[9] = 0;
    PutBE16(page + kPgAudioPause, 150);
}

void BuildParameterList(uint8_t* a, const uint8_t* b, int pageStart) {
    std::memset(a, 0, 64);
    const int n = std::clamp(61 - pageStart, 0, 56);
    std::memcpy(a + 8, b, size_t(n));
}

} // namespace wp

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
