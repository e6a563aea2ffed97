#pragma once
// Byte positions of the UDF 1.02 (ECMA-167) structures of the bridge, and where the layout
// puts the fixed ones. Offsets are zero-based inside each descriptor.
#include <cstddef>
#include <cstdint>

namespace tarnwick::udf {

constexpr size_t kBlock = 2048;

// Fixed sectors of the bridge (absolute): the descriptor sequences sit between the ISO
// descriptors and the first anchor, the partition starts right after the anchor.
constexpr int32_t kMainVdsSector = 32;
constexpr int32_t kReserveVdsSector = 48;
constexpr int32_t kVdsSectors = 16;
constexpr int32_t kIntegritySector = 64; // the integrity descriptor, then a terminator
constexpr int32_t kAnchorSector = 256;
constexpr int32_t kPartitionStart = 257;
// An image with the bridge has at least this many sectors, so that no zero padding lands
// after the last anchor (the image-file job pads shorter images to 300 sectors).
constexpr int64_t kMinimumSectors = 300;

// Tag identifiers (ECMA-167 3/7.2.1 and 4/7.2.1).
constexpr uint16_t kTagPrimaryVd = 1;
constexpr uint16_t kTagAnchor = 2;
constexpr uint16_t kTagImplementationUseVd = 4;
constexpr uint16_t kTagPartitionDescriptor = 5;
constexpr uint16_t kTagLogicalVolumeDescriptor = 6;
constexpr uint16_t kTagUnallocatedSpace = 7;
constexpr uint16_t kTagTerminating = 8;
constexpr uint16_t kTagIntegrity = 9;
constexpr uint16_t kTagFileSet = 256;
constexpr uint16_t kTagFileIdentifier = 257;
constexpr uint16_t kTagFileEntry = 261;

constexpr size_t kTagLength = 16;
constexpr size_t kTagIdent = 0;
constexpr size_t kTagVersion = 2;
constexpr size_t kTagChecksum = 4;
constexpr size_t kTagSerial = 6;
constexpr size_t kTagCrc = 8;
constexpr size_t kTagCrcLength = 10;
constexpr size_t kTagLocation = 12;

// Widths of the common field types.
constexpr size_t kCharspecWidth = 64;
constexpr size_t kRegidWidth = 32;
constexpr size_t kTimestampWidth = 12;
constexpr size_t kLongAdWidth = 16;
constexpr size_t kShortAdWidth = 8;

// File Entry (4/14.9)
constexpr size_t kFeIcbTag = 16;
constexpr size_t kFeUid = 36;
constexpr size_t kFeGid = 40;
constexpr size_t kFePermissions = 44;
constexpr size_t kFeLinkCount = 48;
constexpr size_t kFeInformationLength = 56;
constexpr size_t kFeBlocksRecorded = 64;
constexpr size_t kFeAccessTime = 72;
constexpr size_t kFeModificationTime = 84;
constexpr size_t kFeAttributeTime = 96;
constexpr size_t kFeCheckpoint = 108;
constexpr size_t kFeImplementation = 128;
constexpr size_t kFeUniqueId = 160;
constexpr size_t kFeEaLength = 168;
constexpr size_t kFeAdLength = 172;
constexpr size_t kFeAds = 176;
// Short allocation descriptors that fit a File Entry's block.
constexpr size_t kMaxShortAds = (kBlock - kFeAds) / kShortAdWidth;

// File Identifier Descriptor (4/14.4)
constexpr size_t kFidVersion = 16;
constexpr size_t kFidCharacteristics = 18;
constexpr size_t kFidIdentLength = 19;
constexpr size_t kFidIcb = 20;
constexpr size_t kFidImplUseLength = 36;
constexpr size_t kFidIdent = 38;
constexpr size_t FidLength(size_t identBytes) { return (kFidIdent + identBytes + 3) / 4 * 4; }
static_assert(FidLength(0) == 40);

constexpr uint8_t kFidHidden = 0x01;
constexpr uint8_t kFidDirectory = 0x02;
constexpr uint8_t kFidParent = 0x08;

// An extent length has 30 bits; the bridge cuts files into extents of whole blocks below it.
constexpr int64_t kMaxExtentBytes = (int64_t(1) << 30) - int64_t(kBlock);

// Permissions (4/14.9.5): read for everyone; folders also searchable.
constexpr uint32_t kPermRead = 0x04 | (0x04 << 5) | (0x04 << 10);
constexpr uint32_t kPermSearch = 0x01 | (0x01 << 5) | (0x01 << 10);

// A CS0 name in a File Identifier: one byte for its length, so 255 bytes with the
// compression byte.
constexpr size_t kMaxNameBytes = 255;

} // namespace tarnwick::udf
