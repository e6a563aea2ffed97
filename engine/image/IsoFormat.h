#pragma once
// Byte positions of the ISO 9660 (ECMA-119) and Joliet structures this engine writes, and
// the limits their one-byte and four-byte fields set. Offsets are zero-based; ECMA-119 counts
// byte positions from 1 (BP 1 is offset 0).
#include <cstddef>
#include <cstdint>

namespace tarnwick::iso {

constexpr size_t kSector = 2048;
constexpr int32_t kSystemAreaSectors = 16;
// File data never starts before this sector (room that readers expect to be there).
constexpr int32_t kMinFirstFileSector = 150;

// ECMA-119 8.4 Primary Volume Descriptor; the Joliet supplementary descriptor (8.5) has the
// same layout, with the volume flags at 7 and the escape sequences at 88.
constexpr size_t kVdType = 0;
constexpr size_t kVdStandardId = 1;        // "CD001", 5 bytes
constexpr size_t kVdVersion = 6;
constexpr size_t kVdFlags = 7;
constexpr size_t kVdSystemId = 8;          // 32
constexpr size_t kVdVolumeId = 40;         // 32
constexpr size_t kVdSpaceSize = 80;        // both-endian 32
constexpr size_t kVdEscapes = 88;          // 32
constexpr size_t kVdSetSize = 120;         // both-endian 16
constexpr size_t kVdSequenceNumber = 124;  // both-endian 16
constexpr size_t kVdBlockSize = 128;       // both-endian 16
constexpr size_t kVdPathTableSize = 132;   // both-endian 32
constexpr size_t kVdPathTableL = 140;      // little-endian 32
constexpr size_t kVdOptPathTableL = 144;
constexpr size_t kVdPathTableM = 148;      // big-endian 32
constexpr size_t kVdOptPathTableM = 152;
constexpr size_t kVdRootRecord = 156;      // 34
constexpr size_t kVdVolumeSetId = 190;     // 128
constexpr size_t kVdPublisherId = 318;     // 128
constexpr size_t kVdPreparerId = 446;      // 128
constexpr size_t kVdApplicationId = 574;   // 128
constexpr size_t kVdCopyrightFile = 702;   // 37
constexpr size_t kVdAbstractFile = 739;    // 37
constexpr size_t kVdBibliographicFile = 776; // 37
constexpr size_t kVdCreationDate = 813;    // 17
constexpr size_t kVdModificationDate = 830;
constexpr size_t kVdExpirationDate = 847;
constexpr size_t kVdEffectiveDate = 864;
constexpr size_t kVdFileStructureVersion = 881;
constexpr size_t kVdApplicationUse = 883;  // 512
constexpr size_t kVdApplicationUseText = 1024; // 8 bytes inside the application-use area
constexpr size_t kVdReserved = 1395;       // 653

constexpr size_t kIdWidth = 128;
constexpr size_t kFileIdWidth = 37;
constexpr size_t kDateWidth = 17;
constexpr size_t kRootRecordLength = 34;

static_assert(kVdVolumeId == kVdSystemId + 32 && kVdSpaceSize == kVdVolumeId + 32 + 8);
static_assert(kVdSetSize == kVdEscapes + 32);
static_assert(kVdVolumeSetId == kVdRootRecord + kRootRecordLength);
static_assert(kVdCopyrightFile == kVdApplicationId + kIdWidth);
static_assert(kVdCreationDate == kVdBibliographicFile + kFileIdWidth);
static_assert(kVdFileStructureVersion == kVdEffectiveDate + kDateWidth);
static_assert(kVdReserved == kVdApplicationUse + 512 && kVdReserved + 653 == kSector);
static_assert(kVdApplicationUseText + 8 <= kVdReserved);

// Joliet escape sequence for UCS-2 Level 1 (%/@).
constexpr uint8_t kJolietEscape[3] = {0x25, 0x2F, 0x40};

// ECMA-119 9.1 Directory Record
constexpr size_t kDrLength = 0;
constexpr size_t kDrExtAttrLength = 1;
constexpr size_t kDrExtent = 2;         // both-endian 32
constexpr size_t kDrDataLength = 10;    // both-endian 32
constexpr size_t kDrDate = 18;          // 7
constexpr size_t kDrFlags = 25;
constexpr size_t kDrUnitSize = 26;
constexpr size_t kDrGapSize = 27;
constexpr size_t kDrSequenceNumber = 28; // both-endian 16
constexpr size_t kDrIdentLength = 32;
constexpr size_t kDrIdent = 33;
static_assert(kDrDate + 7 == kDrFlags && kDrSequenceNumber + 4 == kDrIdentLength);

constexpr uint8_t kFlagHidden = 0x01;
constexpr uint8_t kFlagDirectory = 0x02;
constexpr uint8_t kFlagMultiExtent = 0x80; // more records of the same file follow

constexpr size_t kMaxRecordLength = 255; // the record length is one byte
// The largest extent of one record: 4 GiB less one sector, so that it ends on a sector
// boundary and the next extent of a file continues the data without a gap.
constexpr int64_t kMaxExtentBytes = 0xFFFFF800LL;
static_assert(kMaxExtentBytes % int64_t(kSector) == 0);

// Records for "." and "..": 33 bytes and a one-byte identifier.
constexpr size_t kDotRecordLength = 34;

// Length of a directory record whose identifier has f bytes: a pad byte keeps it even.
constexpr size_t DirRecordLength(size_t f) { return 33 + f + (f % 2 == 0 ? 1 : 0); }
static_assert(DirRecordLength(9) == 42 && DirRecordLength(18) == 52 && DirRecordLength(4) == 38);

// ECMA-119 9.4 Path Table Record
constexpr size_t kPtIdentLength = 0;
constexpr size_t kPtExtAttrLength = 1;
constexpr size_t kPtExtent = 2;  // 32, in the table's byte order
constexpr size_t kPtParent = 6;  // 16, in the table's byte order
constexpr size_t kPtIdent = 8;
constexpr size_t PathRecordLength(size_t n) { return 8 + n + (n % 2); }
static_assert(PathRecordLength(1) == 10);

// Longest identifiers whose records still fit their one-byte length.
constexpr size_t kMaxIsoIdentBytes = 221;    // 33 + 221 = 254
constexpr size_t kMaxJolietIdentChars = 110; // 33 + 220 + 1 = 254
static_assert(DirRecordLength(kMaxIsoIdentBytes) <= kMaxRecordLength &&
              DirRecordLength(kMaxIsoIdentBytes + 1) > kMaxRecordLength);
static_assert(DirRecordLength(2 * kMaxJolietIdentChars) <= kMaxRecordLength &&
              DirRecordLength(2 * kMaxJolietIdentChars + 2) > kMaxRecordLength);

} // namespace tarnwick::iso
