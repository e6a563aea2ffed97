#include "engine/device/Replies.h"

#include <algorithm>
#include <cstring>

#include "engine/device/ScsiDevice.h"

namespace tarnwick {

const char* const DiscTypeNames[15] = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW",  "DVD-ROM",  "DVD-R",  "DVD-RAM", "DVD-RW",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R",  "DDCD-ROM", "DDCD-R", "DDCD-RW",
};

} // namespace tarnwick

namespace tarnwick::reply {

size_t Valid(size_t moved, size_t declared) { return std::min(moved, declared); }

namespace {
size_t Declared16(const TByteReader& r, size_t header) {
    uint16_t n = 0;
    return r.BE16(0, n) ? size_t(n) + header : 0;
}
} // namespace

size_t ModeSenseDeclared(const TByteReader& r) { return Declared16(r, 2); }
size_t DiscInfoDeclared(const TByteReader& r) { return Declared16(r, 2); }
size_t TocDeclared(const TByteReader& r) { return Declared16(r, 2); }
size_t BufferCapacityDeclared(const TByteReader& r) { return Declared16(r, 2); }

size_t ConfigurationDeclared(const TByteReader& r) {
    uint32_t n = 0;
    if (!r.BE32(0, n)) return 0;
    return n > 0xFFFFFF00u ? 0xFFFFFFFFu : size_t(n) + 4;
}

size_t InquiryDeclared(const TByteReader& r) {
    uint8_t n = 0;
    return r.U8(4, n) ? size_t(n) + 5 : 0;
}

size_t SenseDeclared(const TByteReader& r) {
    uint8_t n = 0;
    return r.U8(7, n) ? size_t(n) + 8 : 0;
}

void ClearBeyond(uint8_t* buf, size_t size, size_t valid) {
    if (valid < size) std::memset(buf + valid, 0, size - valid);
}

int FindModePage(const TByteReader& r, uint8_t pageCode, bool tryOffset7) {
    const int offsets[] = {16, 8, 7};
    for (int off : offsets) {
        if (off == 7 && !tryOffset7) break;
        uint8_t b = 0;
        if (r.U8(size_t(off), b) && (b & 0x3F) == (pageCode & 0x3F)) return off;
    }
    return -1;
}

uint32_t CapabilityFlagsFromPage(uint8_t byte2, uint8_t byte3, uint8_t byte4) {
    uint32_t f = 0;
    if (byte2 & 0x01) f |= cfReadCDR;
    if (byte2 & 0x02) f |= cfReadCDRW;
    if (byte2 & 0x04) f |= cfReadMethod2;
    if (byte2 & 0x08) f |= cfReadDVDROM;
    if (byte2 & 0x10) f |= cfReadDVDR | cfReadDVDRW; // one bit covers both
    if (byte2 & 0x20) f |= cfReadDVDRAM;
    if (byte3 & 0x01) f |= cfWriteCDR;
    if (byte3 & 0x02) f |= cfWriteCDRW;
    if (byte3 & 0x04) f |= cfTestWrite;
    if (byte3 & 0x10) f |= cfWriteDVDR | cfWriteDVDRW;
    if (byte3 & 0x20) f |= cfWriteDVDRAM;
    if (byte4 & 0x80) f |= cfUnderrunFree; // BUF
    return f;
}

uint32_t CapabilityFlagsFromFeature(uint16_t featureCode, uint8_t firstDataByte) {
    uint32_t f = 0;
    if (featureCode == 0x002A) {
        f |= cfReadDVDPlusRW | cfReadDVDPlusR;
        if (firstDataByte == 0x01) f |= cfWriteDVDPlusRW | cfWriteDVDPlusR;
    } else if (featureCode == 0x002F) {
        f |= cfReadDVDR | cfReadDVDRW;
        if (firstDataByte == 0x01) f |= cfWriteDVDR | cfWriteDVDRW;
    }
    return f;
}

uint8_t DiscTypeFromProfile(uint16_t profile) {
    switch (profile) {
    case 0x0008: return dtCDROM;
    case 0x0009: return dtCDR;
    case 0x000A: return dtCDRW;
    case 0x0010: return dtDVDROM;
    case 0x0011: return dtDVDR;
    case 0x0012: return dtDVDRAM;
    case 0x0013: return dtDVDRWRestricted;
    case 0x0014: return dtDVDRWSequential;
    case 0x001A: return dtDVDPlusRW;
    case 0x001B: return dtDVDPlusR;
    case 0x0020: return dtDDCDROM;
    case 0x0021: return dtDDCDR;
    case 0x0022: return dtDDCDRW;
    default: return dtUnknown;
    }
}

uint8_t DiscTypeFromAtip(uint8_t byte6) {
    if (!(byte6 & 0x80)) return dtCDROM;
    return (byte6 & 0x40) ? dtCDRW : dtCDR;
}

uint8_t SessionCount(uint8_t statusByte, uint8_t sessionsLsb) {
    const uint8_t discStatus = statusByte & 0x03;
    const uint8_t lastSession = (statusByte >> 2) & 0x03;
    if (discStatus == 0) return 0;
    if (lastSession == 0 && sessionsLsb > 0) return uint8_t(sessionsLsb - 1);
    return sessionsLsb;
}

namespace {
// The field at offset, or 0 when the reply does not hold it whole.
uint8_t U8Or0(const TByteReader& r, size_t offset) {
    uint8_t v = 0;
    return r.U8(offset, v) ? v : 0;
}
uint16_t BE16Or0(const TByteReader& r, size_t offset) {
    uint16_t v = 0;
    return r.BE16(offset, v) ? v : 0;
}
uint32_t BE32Or0(const TByteReader& r, size_t offset) {
    uint32_t v = 0;
    return r.BE32(offset, v) ? v : 0;
}
} // namespace

uint32_t MsfToLba(uint8_t m, uint8_t s, uint8_t f) {
    const int64_t lba = (int64_t(m) * 60 + s) * 75 + f - 150;
    return lba < 0 ? 0 : uint32_t(lba);
}

uint32_t TDiscInformation::LeadOutLimitLba(bool cd) const {
    if (!cd) return LeadOutLimit;
    return MsfToLba(uint8_t(LeadOutLimit >> 16), uint8_t(LeadOutLimit >> 8), uint8_t(LeadOutLimit));
}

TDiscInformation ParseDiscInformation(const uint8_t* reply, size_t valid) {
    const TByteReader r(reply, valid);
    TDiscInformation d;
    d.Length = BE16Or0(r, 0);
    const uint8_t state = U8Or0(r, 2);
    d.Status = state & 0x03;
    d.LastSession = (state >> 2) & 0x03;
    d.Erasable = (state & 0x10) != 0;
    d.SessionsLsb = U8Or0(r, 4);
    d.LastTrack = uint16_t(U8Or0(r, 6) | (U8Or0(r, 11) << 8));
    d.LeadOutLimit = BE32Or0(r, 20);
    return d;
}

TTrackInformation ParseTrackInformation(const uint8_t* reply, size_t valid) {
    const TByteReader r(reply, valid);
    TTrackInformation t;
    t.Blank = (U8Or0(r, 6) & 0x40) != 0;
    t.NwaValid = (U8Or0(r, 7) & 0x01) != 0;
    t.LastRecordedValid = (U8Or0(r, 7) & 0x02) != 0;
    t.Start = BE32Or0(r, 8);
    t.NextWritable = BE32Or0(r, 12);
    t.FreeBlocks = BE32Or0(r, 16);
    t.Size = BE32Or0(r, 24);
    t.LastRecorded = BE32Or0(r, 28);
    return t;
}

TTocTrack ParseFirstTocTrack(const uint8_t* reply, size_t valid) {
    const TByteReader r(reply, valid);
    TTocTrack t;
    t.Given = r.Has(0, 12) && BE16Or0(r, 0) + 2u >= 12u;
    if (t.Given) t.Control = U8Or0(r, 5) & 0x0F;
    return t;
}

TAtip ParseAtip(const uint8_t* reply, size_t valid) {
    const TByteReader r(reply, valid);
    TAtip a;
    a.LeadOutLimitGiven = r.Has(0, 15) && BE16Or0(r, 0) >= 13;
    if (a.LeadOutLimitGiven) a.LeadOutLimit = MsfToLba(U8Or0(r, 12), U8Or0(r, 13), U8Or0(r, 14));
    return a;
}

TCapabilitiesPage ParseCapabilitiesPage(const uint8_t* page, size_t valid) {
    const TByteReader r(page, valid);
    TCapabilitiesPage c;
    c.MaxReadSpeed = BE16Or0(r, 8);
    c.BufferKB = BE16Or0(r, 12);
    c.MaxWriteSpeed = BE16Or0(r, 18);
    c.CurrentWriteSpeed = BE16Or0(r, 20);
    return c;
}

TCopyrightInformation ParseCopyrightInformation(const uint8_t* reply, size_t valid) {
    TCopyrightInformation c;
    if (valid > 4) c.ProtectionSystem = reply[4];
    if (valid > 5) c.RegionMask = reply[5];
    return c;
}

uint8_t DriveRegionMask(const uint8_t* reply, size_t valid) {
    if (valid <= 5 || (reply[4] >> 6) == 0) return 0;
    return reply[5];
}

bool RegionMismatch(uint8_t discMask, uint8_t driveMask) {
    // A drive without a region set, or a disc for every region, plays; otherwise the drive's
    // one region must be among the disc's.
    if (driveMask == 0 || driveMask == 0xFF) return false;
    return (discMask | driveMask) == 0xFF;
}

} // namespace tarnwick::reply
