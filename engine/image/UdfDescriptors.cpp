// The volume structures of the UDF bridge, written into the header after the ISO 9660
// descriptors: the recognition sequence (BEA01, NSR02, TEA01), the main and reserve volume
// descriptor sequences, the closed integrity descriptor and the anchor at sector 256; and the
// last sector's anchor that ends the image.
#include <array>
#include <cstdio>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/UdfFormat.h"
#include "engine/image/UdfLib.h"
#include "engine/image/IsoImage.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {

using TSector = std::array<uint8_t, udf::kBlock>;

constexpr const char* kImplementationId = "*Tarnwick";

void PutRecognition(TMemoryStream& out, const char* ident) {
    TSector s{};
    s[0] = 0;
    std::memcpy(&s[1], ident, 5);
    s[6] = 1;
    out.Write(s.data(), s.size());
}

void PutExtent(uint8_t* d, uint32_t length, uint32_t location) {
    PutLE32(d, length);
    PutLE32(d + 4, location);
}

// long_ad: length, block, partition reference 0.
void PutLongAd(uint8_t* d, uint32_t length, uint32_t block) {
    std::memset(d, 0, udf::kLongAdWidth);
    PutLE32(d, length);
    PutLE32(d + 4, block);
    PutLE16(d + 8, 0);
}

} // namespace

int32_t TIsoImage::UdfZoneMinutes() const { return int32_t(Compilation.TimeZoneOffset) * 15; }

int64_t TIsoImage::UdfPartitionLength() const { return Layout.EndLBA - 1 - udf::kPartitionStart; }

void TIsoImage::PutUdfAnchor(uint8_t* s, uint32_t location) const {
    std::memset(s, 0, udf::kBlock);
    PutExtent(s + 16, uint32_t(udf::kVdsSectors * udf::kBlock), uint32_t(udf::kMainVdsSector));
    PutExtent(s + 24, uint32_t(udf::kVdsSectors * udf::kBlock), uint32_t(udf::kReserveVdsSector));
    udf::PutTag(s, udf::kTagAnchor, location, 512 - udf::kTagLength);
}

namespace {

// Implementation Use Volume Descriptor with the logical volume information (UDF 2.2.7)
void PutImplementationUseVd(uint8_t* s, uint32_t vdsn, uint32_t location, const std::u16string& volume) {
    PutLE32(&s[16], vdsn);
    udf::PutRegid(&s[20], "*UDF LV Info", true);
    udf::PutCharspec(&s[52]);
    udf::PutDString(&s[116], 128, volume);
    udf::PutRegid(&s[352], kImplementationId, false);
    udf::PutTag(s, udf::kTagImplementationUseVd, location, 512 - udf::kTagLength);
}

// Partition Descriptor (3/10.5): read-only, no space tables.
void PutPartitionDescriptor(uint8_t* s, uint32_t vdsn, uint32_t location, uint32_t partitionLength) {
    PutLE32(&s[16], vdsn);
    PutLE16(&s[20], 1);
    PutLE16(&s[22], 0);
    udf::PutRegid(&s[24], "+NSR02", false);
    PutLE32(&s[184], 1);
    PutLE32(&s[188], uint32_t(udf::kPartitionStart));
    PutLE32(&s[192], partitionLength);
    udf::PutRegid(&s[196], kImplementationId, false);
    udf::PutTag(s, udf::kTagPartitionDescriptor, location, 512 - udf::kTagLength);
}

// Logical Volume Descriptor (3/10.6) with one Type 1 partition map; the file set at fileSet.
void PutLogicalVolumeVd(uint8_t* s, uint32_t vdsn, uint32_t location, const std::u16string& volume,
                        uint32_t fileSet) {
    PutLE32(&s[16], vdsn);
    udf::PutCharspec(&s[20]);
    udf::PutDString(&s[84], 128, volume);
    PutLE32(&s[212], uint32_t(udf::kBlock));
    udf::PutRegid(&s[216], "*OSTA UDF Compliant", true);
    PutLongAd(&s[248], uint32_t(udf::kBlock), fileSet);
    PutLE32(&s[264], 6);
    PutLE32(&s[268], 1);
    udf::PutRegid(&s[272], kImplementationId, false);
    PutExtent(&s[432], uint32_t(2 * udf::kBlock), uint32_t(udf::kIntegritySector));
    s[440] = 1;
    s[441] = 6;
    PutLE16(&s[442], 1);
    PutLE16(&s[444], 0);
    udf::PutTag(s, udf::kTagLogicalVolumeDescriptor, location, 446 - udf::kTagLength);
}

// Unallocated Space Descriptor (3/10.8): none.
void PutUnallocatedSpace(uint8_t* s, uint32_t vdsn, uint32_t location) {
    PutLE32(&s[16], vdsn);
    PutLE32(&s[20], 0);
    udf::PutTag(s, udf::kTagUnallocatedSpace, location, 24 - udf::kTagLength);
}

} // namespace

// Primary Volume Descriptor (3/10.1)
void TIsoImage::PutUdfPrimaryVd(uint8_t* s, uint32_t vdsn, uint32_t location, const std::u16string& volume) {
    PutLE32(&s[16], vdsn);
    PutLE32(&s[20], 0);
    udf::PutDString(&s[24], 32, volume);
    PutLE16(&s[56], 1);
    PutLE16(&s[58], 1);
    PutLE16(&s[60], 2);
    PutLE16(&s[62], 2);
    PutLE32(&s[64], 1);
    PutLE32(&s[68], 1);
    // A volume set identifier begins with 16 hexadecimal digits that set it apart.
    const platform::TDateParts p = platform::DecodeDateTime(ImageZonedVolumeDate(Options.DateCreation));
    char unique[32];
    std::snprintf(unique, sizeof unique, "%04X%02X%02X%02X%02X%04X", unsigned(p.Year) & 0xFFFF, unsigned(p.Month),
                  unsigned(p.Day), unsigned(p.Hour), unsigned(p.Minute),
                  unsigned(udf::Crc(reinterpret_cast<const uint8_t*>(Options.IdVolume.data()), Options.IdVolume.size())));
    std::u16string set;
    for (const char* c = unique; *c; ++c) set.push_back(char16_t(*c));
    set += Utf8ToUcs2(Options.IdVolumeSet.empty() ? Options.IdVolume : Options.IdVolumeSet);
    udf::PutDString(&s[72], 128, set);
    udf::PutCharspec(&s[200]);
    udf::PutCharspec(&s[264]);
    udf::PutRegid(&s[344], Options.IdApplication.c_str(), false);
    udf::PutTimestamp(&s[376], ImageZonedVolumeDate(Options.DateCreation), UdfZoneMinutes());
    udf::PutRegid(&s[388], kImplementationId, false);
    udf::PutTag(s, udf::kTagPrimaryVd, location, 512 - udf::kTagLength);
}

void TIsoImage::WriteUdfSequence(int32_t at) {
    const std::u16string volume = Utf8ToUcs2(Options.IdVolume);
    const uint32_t first = uint32_t(at);
    TSector s{};
    auto emit = [&] {
        HeaderStream.Write(s.data(), s.size());
        s.fill(0);
    };
    // The descriptors in sequence order, numbered 0 to 4; the terminator last.
    PutUdfPrimaryVd(s.data(), 0, first, volume);
    emit();
    PutImplementationUseVd(s.data(), 1, first + 1, volume);
    emit();
    PutPartitionDescriptor(s.data(), 2, first + 2, uint32_t(UdfPartitionLength()));
    emit();
    PutLogicalVolumeVd(s.data(), 3, first + 3, volume, uint32_t(Layout.UdfArea - udf::kPartitionStart));
    emit();
    PutUnallocatedSpace(s.data(), 4, first + 4);
    emit();
    udf::PutTag(s.data(), udf::kTagTerminating, first + 5, 512 - udf::kTagLength);
    emit();
    HeaderStream.WriteZeros(size_t(udf::kVdsSectors - 6) * udf::kBlock);
}

void TIsoImage::WriteUdfVolumeStructures() {
    PutRecognition(HeaderStream, "BEA01");
    PutRecognition(HeaderStream, "NSR02");
    PutRecognition(HeaderStream, "TEA01");
    const int64_t here = HeaderStream.Size() / int64_t(udf::kBlock);
    HeaderStream.WriteZeros(size_t(udf::kMainVdsSector - here) * udf::kBlock);
    WriteUdfSequence(udf::kMainVdsSector);
    WriteUdfSequence(udf::kReserveVdsSector);

    // Logical Volume Integrity Descriptor (3/10.10), closed, then a terminator.
    TSector s{};
    udf::PutTimestamp(&s[16], ImageZonedVolumeDate(Options.DateCreation), UdfZoneMinutes());
    PutLE32(&s[28], 1);
    PutLE64(&s[40], uint64_t(UdfNextUniqueId()));
    PutLE32(&s[72], 1);
    PutLE32(&s[76], 46);
    PutLE32(&s[80], 0);
    PutLE32(&s[84], uint32_t(UdfPartitionLength()));
    udf::PutRegid(&s[88], kImplementationId, false);
    PutLE32(&s[120], uint32_t(Layout.UdfFileEntries - Compilation.DirCount));
    PutLE32(&s[124], uint32_t(Compilation.DirCount));
    PutLE16(&s[128], 0x0102);
    PutLE16(&s[130], 0x0102);
    PutLE16(&s[132], 0x0102);
    udf::PutTag(s.data(), udf::kTagIntegrity, uint32_t(udf::kIntegritySector), 134 - udf::kTagLength);
    HeaderStream.Write(s.data(), s.size());
    s.fill(0);
    udf::PutTag(s.data(), udf::kTagTerminating, uint32_t(udf::kIntegritySector + 1), 512 - udf::kTagLength);
    HeaderStream.Write(s.data(), s.size());

    const int64_t next = HeaderStream.Size() / int64_t(udf::kBlock);
    HeaderStream.WriteZeros(size_t(udf::kAnchorSector - next) * udf::kBlock);
    PutUdfAnchor(s.data(), uint32_t(udf::kAnchorSector));
    HeaderStream.Write(s.data(), s.size());
}

std::vector<uint8_t> TIsoImage::UdfTail() const {
    std::vector<uint8_t> tail(size_t(Layout.UdfTailSectors) * udf::kBlock, 0);
    if (!tail.empty()) PutUdfAnchor(tail.data() + tail.size() - udf::kBlock, uint32_t(Layout.EndLBA - 1));
    return tail;
}

} // namespace tarnwick
