// The write parameters page and its parameter list, as pure functions.
#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/device/ScsiDevice.h"
#include "engine/device/WriteParameters.h"

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
    } else if (s.DiscType == dtDVDRWSequential && (s.CapabilityFlags & cfTestWrite) && s.TestWrite) {
        // A sequential DVD-RW simulates as a DVD-R does.
        b2 |= kTestWriteBit;
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
    // PS is reserved in MODE SELECT: a drive that reported its page savable refuses it back.
    if (n > 0) a[8] &= 0x7F;
}

} // namespace wp

} // namespace tarnwick
