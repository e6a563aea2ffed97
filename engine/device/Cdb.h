#pragma once
// Command descriptor blocks of the MMC command set, each built by a pure function from its
// arguments so that every byte can be checked without a drive. Bytes not named stay 0; the
// LUN bits of byte 1 are the executor's.
#include <array>
#include <cstdint>

namespace tarnwick::cdb {

using TCdb6 = std::array<uint8_t, 6>;
using TCdb10 = std::array<uint8_t, 10>;
using TCdb12 = std::array<uint8_t, 12>;

// Opcodes (SPC / SBC / MMC).
enum : uint8_t {
    opTestUnitReady = 0x00,
    opRezeroUnit = 0x01,
    opRequestSense = 0x03,
    opFormatUnit = 0x04,
    opInquiry = 0x12,
    opStartStopUnit = 0x1B,
    opPreventAllow = 0x1E,
    opReadFormatCapacities = 0x23,
    opReadCapacity = 0x25,
    opRead10 = 0x28,
    opWrite10 = 0x2A,
    opSynchronizeCache = 0x35,
    opReadTOC = 0x43,
    opGetConfiguration = 0x46,
    opReadDiscInformation = 0x51,
    opReadTrackInformation = 0x52,
    opReserveTrack = 0x53,
    opSendOPC = 0x54,
    opModeSelect10 = 0x55,
    opModeSense10 = 0x5A,
    opCloseTrackSession = 0x5B,
    opReadBufferCapacity = 0x5C,
    opBlank = 0xA1,
    opReportKey = 0xA4,
    opReadDVDStructure = 0xAD,
    opRead12 = 0xA8,
    opSetStreaming = 0xB6,
    opSetCDSpeed = 0xBB,
    opSendDVDStructure = 0xBF,
};

// The INQUIRY allocation length: 128 bytes of the 131-byte identity buffer.
constexpr uint8_t kInquiryAlloc = 0x80;
// READ BUFFER CAPACITY asks for its 12-byte block form in a 32-byte allocation.
constexpr uint8_t kBufferCapacityAlloc = 0x20;
// A speed of FFFFh asks the drive for its maximum.
constexpr uint16_t kMaxSpeed = 0xFFFF;

TCdb6 TestUnitReady();
TCdb6 RezeroUnit();
TCdb6 RequestSense(uint8_t alloc);
TCdb6 Inquiry();
TCdb6 LoadEject(bool eject);
TCdb6 PreventAllowRemoval(bool allow);
// FORMAT UNIT with a parameter list (FmtData) in the MMC layout (format code 001b): one
// format descriptor follows a 4-byte header.
TCdb6 FormatUnit();

TCdb10 ModeSense10(uint8_t pageCode, uint16_t alloc, bool defaultValues);
TCdb10 ModeSelect10(uint8_t listLength);
// Only the low byte of the starting feature and of the allocation length is sent, which is
// all the engine asks for (features below 100h, replies of at most 114 bytes).
TCdb10 GetConfiguration(uint8_t rt, uint16_t startFeature, uint16_t alloc);
TCdb10 ReadBufferCapacity();
TCdb10 ReadDiscInformation(uint8_t alloc);
TCdb10 ReadTOC(uint8_t format, bool msf, uint8_t trackOrSession, uint8_t alloc, uint8_t control);
TCdb10 SendOPC();
TCdb10 Write10(uint32_t lba, uint16_t blocks);
TCdb10 Read10(uint32_t lba, uint16_t blocks);
TCdb10 ReadCapacity();
// Address type 1: a track number (FFh: the invisible or incomplete track); 0: an LBA.
TCdb10 ReadTrackInformation(uint8_t addressType, uint32_t address, uint16_t alloc);
TCdb10 SynchronizeCache(bool immed);
TCdb10 CloseTrackSession(bool closeTrack, bool immed, bool finalize);
TCdb10 CloseTrackSessionRaw(bool immed, uint8_t function, uint8_t b3, uint8_t b4, uint8_t b5);
TCdb10 ReadFormatCapacities(uint16_t alloc);

TCdb12 Read12(uint32_t lba, uint32_t blocks);
TCdb12 SetCDSpeed(uint16_t readKBs, uint16_t writeKBs);
TCdb12 SetStreaming(uint16_t descriptorLength);
TCdb12 SendDVDStructure(uint8_t format, uint16_t length);
// READ DVD STRUCTURE of layer 0, address 0, and REPORT KEY without an AGID.
TCdb12 ReadDVDStructure(uint8_t format, uint16_t alloc);
TCdb12 ReportKey(uint8_t keyFormat, uint16_t alloc);
// RESERVE TRACK is a 10-byte command; it goes out with a CDB length of 12, the last two 0.
TCdb12 ReserveTrack(uint32_t blocks);
// BLANK types: the whole disc, or only what makes it blank again (PMA, lead-in, first track).
enum : uint8_t { kBlankFull = 0x00, kBlankMinimal = 0x01 };
TCdb12 Blank(uint8_t type, bool immed);

} // namespace tarnwick::cdb
