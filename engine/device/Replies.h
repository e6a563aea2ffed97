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

// A CD address in MSF (minute, second, frame) as a block address; 0 for one before the first.
uint32_t MsfToLba(uint8_t m, uint8_t s, uint8_t f);

// READ DISC INFORMATION, read once: the length field, byte 2 (the disc status in bits 1-0,
// the state of the last session in bits 3-2, Erasable in bit 4), the session count, the last
// track of the last session and the last possible start of the lead-out.
struct TDiscInformation {
    enum : uint8_t { Empty = 0, Incomplete = 1, Complete = 2, Other = 3 };        // disc status
    enum : uint8_t { SessionEmpty = 0, SessionIncomplete = 1, SessionComplete = 3 }; // last session
    static constexpr uint32_t kNoLeadOutLimit = 0xFFFFFFFFu;
    uint16_t Length = 0; // bytes 0-1: 0 when the drive returned nothing
    uint8_t Status = Empty;
    uint8_t LastSession = SessionEmpty;
    bool Erasable = false;
    uint8_t SessionsLsb = 0;
    uint16_t LastTrack = 0;     // last track in the last session: byte 6 (LSB) and byte 11 (MSB)
    uint32_t LeadOutLimit = 0;  // bytes 20-23 as they stand: a CD gives 00h M S F

    bool Returned() const { return Length != 0; }
    bool Blank() const { return Status == Empty; }
    // Nothing more can be recorded at sector 0 of a write-once disc in this state.
    bool Closed() const { return Status == Complete || LastSession == SessionComplete; }
    bool LeadOutLimitGiven() const { return LeadOutLimit != kNoLeadOutLimit; }
    // The last possible lead-out start as a block address (cd: the field holds MSF).
    uint32_t LeadOutLimitLba(bool cd) const;
};
// From the reply as the drive returned it (a short reply reads as a blank disc; a field it
// does not hold whole reads as 0).
TDiscInformation ParseDiscInformation(const uint8_t* reply, size_t valid);

// READ TRACK INFORMATION's track descriptor. A field the reply does not hold whole reads as 0.
struct TTrackInformation {
    bool Blank = false;             // byte 6 bit 6
    bool NwaValid = false;          // byte 7 bit 0
    bool LastRecordedValid = false; // byte 7 bit 1
    uint32_t Start = 0;             // bytes 8-11
    uint32_t NextWritable = 0;      // bytes 12-15, when NwaValid
    uint32_t FreeBlocks = 0;        // bytes 16-19
    uint32_t Size = 0;              // bytes 24-27
    uint32_t LastRecorded = 0;      // bytes 28-31, when LastRecordedValid
};
TTrackInformation ParseTrackInformation(const uint8_t* reply, size_t valid);

// READ TOC format 0 asked from track 1: the first track descriptor (bytes 4-11), Given when
// the reply declares and holds it whole. Control is its low nibble of byte 5; bit 2 marks a
// data track.
struct TTocTrack {
    bool Given = false;
    uint8_t Control = 0;
    bool Data() const { return (Control & 0x04) != 0; }
};
TTocTrack ParseFirstTocTrack(const uint8_t* reply, size_t valid);

// READ TOC format 4 (ATIP) in MSF: the last possible start of the lead-out (bytes 12-14),
// Given when the reply declares and holds it, as a block address.
struct TAtip {
    bool LeadOutLimitGiven = false;
    uint32_t LeadOutLimit = 0;
};
TAtip ParseAtip(const uint8_t* reply, size_t valid);

// The figures of the capabilities page (2Ah), read from its page-code byte on: speeds in KB/s,
// the drive's buffer in KB. A figure the page does not hold whole reads as 0.
struct TCapabilitiesPage {
    uint16_t MaxReadSpeed = 0;      // bytes 8-9
    uint16_t BufferKB = 0;          // bytes 12-13
    uint16_t MaxWriteSpeed = 0;     // bytes 18-19
    uint16_t CurrentWriteSpeed = 0; // bytes 20-21
};
TCapabilitiesPage ParseCapabilitiesPage(const uint8_t* page, size_t valid);

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
