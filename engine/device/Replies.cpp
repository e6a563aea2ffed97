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

TDiscInformation ParseDiscInformation(const uint8_t* reply, size_t valid) {
    TDiscInformation d;
    if (valid > 2) {
        d.Status = reply[2] & 0x03;
        d.LastSession = (reply[2] >> 2) & 0x03;
        d.Erasable = (reply[2] & 0x10) != 0;
    }
    if (valid > 4) d.SessionsLsb = reply[4];
    return d;
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
