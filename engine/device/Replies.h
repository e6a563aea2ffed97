#pragma once
// Reading drive replies. A reply is trusted only as far as the drive actually returned it: the
// smaller of what the transport moved and what the reply's own length field declares plus the
// header before that field. Everything past that point is cleared before the reply is read,
// so a short or lying reply reads as zeros instead of as stale buffer contents.
#include <cstddef>
#include <cstdint>

#include "engine/Bytes.h"

namespace tarnwick::reply {

// Bytes of a reply that may be read: min(moved, declared), where declared is what the reply's
// length field says plus the bytes before and including it.
size_t Valid(size_t moved, size_t declared);

// Declared sizes of the replies the engine reads (length field + its header); 0 when even the
// length field is missing.
size_t ModeSenseDeclared(const TByteReader& r);     // bytes 0-1 + 2
size_t ConfigurationDeclared(const TByteReader& r); // bytes 0-3 + 4
size_t DiscInfoDeclared(const TByteReader& r);      // bytes 0-1 + 2
size_t TocDeclared(const TByteReader& r);           // bytes 0-1 + 2
size_t BufferCapacityDeclared(const TByteReader& r);// bytes 0-1 + 2
size_t InquiryDeclared(const TByteReader& r);       // byte 4 + 5
size_t SenseDeclared(const TByteReader& r);         // byte 7 + 8 (fixed format)

// Clears buf[valid, size): the part of a buffer the drive did not fill.
void ClearBeyond(uint8_t* buf, size_t size, size_t valid);

// Start of a mode page inside a MODE SENSE(10) reply: offset 16 (header and one 8-byte block
// descriptor), 8 (header only), then 7 when tryOffset7, the first whose byte holds the page
// code. The PS bit (bit 7) that drives set in that byte is ignored. -1 when none matches.
int FindModePage(const TByteReader& r, uint8_t pageCode, bool tryOffset7);

// CapabilityFlags from bytes 2, 3 and 4 of the capabilities page (2Ah).
uint32_t CapabilityFlagsFromPage(uint8_t byte2, uint8_t byte3, uint8_t byte4);
// CapabilityFlags from the first feature descriptor of a GET CONFIGURATION reply asked for
// feature 002Ah (DVD+RW) or 002Fh (DVD-R/-RW write): code and its first data byte.
uint32_t CapabilityFlagsFromFeature(uint16_t featureCode, uint8_t firstDataByte);

// Disc type code of a current profile; 0 for a profile the engine does not know.
uint8_t DiscTypeFromProfile(uint16_t profile);
// Disc type code from byte 6 of an ATIP reply: no ATIP marker (bit 7) is a pressed CD.
uint8_t DiscTypeFromAtip(uint8_t byte6);
// Sessions on the disc from READ DISC INFORMATION byte 2 (status) and byte 4 (sessions, LSB):
// a blank disc has none, and an empty last session is not counted.
uint8_t SessionCount(uint8_t statusByte, uint8_t sessionsLsb);

// READ DISC INFORMATION byte 2 and the session count, read once: the disc status (bits 1-0),
// the state of the last session (bits 3-2) and Erasable (bit 4).
struct TDiscInformation {
    enum : uint8_t { Empty = 0, Incomplete = 1, Complete = 2, Other = 3 };        // disc status
    enum : uint8_t { SessionEmpty = 0, SessionIncomplete = 1, SessionComplete = 3 }; // last session
    uint8_t Status = Empty;
    uint8_t LastSession = SessionEmpty;
    bool Erasable = false;
    uint8_t SessionsLsb = 0;

    bool Blank() const { return Status == Empty; }
    // Nothing more can be recorded at sector 0 of a write-once disc in this state.
    bool Closed() const { return Status == Complete || LastSession == SessionComplete; }
};
// From the reply as the drive returned it (a short reply reads as a blank disc).
TDiscInformation ParseDiscInformation(const uint8_t* reply, size_t valid);

// A DVD's copyright information (READ DVD STRUCTURE format 01h): the protection system
// (byte 4: 0 none, 1 CSS/CPPM, 2 CPRM, ...) and the regions the disc does not play in (byte 5,
// bit n set: not in region n + 1).
struct TCopyrightInformation {
    uint8_t ProtectionSystem = 0;
    uint8_t RegionMask = 0;
    bool Css() const { return ProtectionSystem == 1; }
};
TCopyrightInformation ParseCopyrightInformation(const uint8_t* reply, size_t valid);

// The drive's region (REPORT KEY format 08h, RPC state): byte 4 type code (bits 7-6, 0 = no
// region set), byte 5 the regions it does not play (as the disc's mask). 0 when none is set.
uint8_t DriveRegionMask(const uint8_t* reply, size_t valid);

// A disc that plays in none of the regions the drive plays in.
bool RegionMismatch(uint8_t discMask, uint8_t driveMask);

} // namespace tarnwick::reply
