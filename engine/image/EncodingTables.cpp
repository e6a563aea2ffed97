// The path tables (ECMA-119 9.4) of both trees, in the byte order of each table type.
#include <vector>

#include "engine/Bytes.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

namespace {

void PutRecord(std::vector<uint8_t>& out, size_t identBytes, uint32_t extent, uint16_t parent, bool bigEndian,
               const uint8_t* ident) {
    const size_t at = out.size();
    out.resize(at + iso::PathRecordLength(identBytes), 0);
    uint8_t* r = out.data() + at;
    r[iso::kPtIdentLength] = uint8_t(identBytes);
    r[iso::kPtExtAttrLength] = 0;
    if (bigEndian) {
        PutBE32(r + iso::kPtExtent, extent);
        PutBE16(r + iso::kPtParent, parent);
    } else {
        PutLE32(r + iso::kPtExtent, extent);
        PutLE16(r + iso::kPtParent, parent);
    }
    std::copy(ident, ident + identBytes, r + iso::kPtIdent);
}

} // namespace

// Parent numbers are 16 bits in a path table; the directory limit (at most 65535 directories
// can be numbered) keeps them exact, beyond it they wrap as ISO 9660 gives no room for more.
void TIsoImage::WriteIsoPathTable(int32_t BaseSector, bool BigEndian) {
    std::vector<uint8_t> out;
    out.reserve(size_t(Layout.PathTableSize));
    const uint8_t rootIdent = 0;
    PutRecord(out, 1, uint32_t(BaseSector), 1, BigEndian, &rootIdent);
    for (int32_t i = 1; i < Compilation.DirCount; ++i) {
        const TDEntry* d = Compilation.IsoPathOrder[size_t(i)];
        PutRecord(out, d->IsoIdent.size(), uint32_t(BaseSector + d->IsoSector), uint16_t(d->Parent->Number),
                  BigEndian, reinterpret_cast<const uint8_t*>(d->IsoIdent.data()));
    }
    out.resize(size_t(BytesToSectors(int64_t(out.size())) * int64_t(iso::kSector)), 0);
    HeaderStream.Write(out.data(), out.size());
}

void TIsoImage::WriteJolietPathTable(int32_t BaseSector, bool BigEndian) {
    std::vector<uint8_t> out;
    out.reserve(size_t(Layout.JolietPathTableSize));
    const uint8_t rootIdent = 0;
    PutRecord(out, 1, uint32_t(BaseSector), 1, BigEndian, &rootIdent);
    std::vector<uint8_t> ident;
    for (int32_t i = 1; i < Compilation.DirCount; ++i) {
        const TDEntry* d = Compilation.JolietPathOrder[size_t(i)];
        ident.assign(2 * d->JolietIdent.size(), 0);
        PutUcs2BE(ident.data(), d->JolietIdent);
        PutRecord(out, ident.size(), uint32_t(BaseSector + d->JolietSector), uint16_t(d->Parent->Number), BigEndian,
                  ident.data());
    }
    out.resize(size_t(BytesToSectors(int64_t(out.size())) * int64_t(iso::kSector)), 0);
    HeaderStream.Write(out.data(), out.size());
}

} // namespace tarnwick
