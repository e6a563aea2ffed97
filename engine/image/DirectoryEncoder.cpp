// The directory extents (ECMA-119 9.1) of both trees, one directory at a time.
#include "engine/image/DirectoryEncoder.h"

#include <algorithm>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/image/UdfTree.h"
#include "engine/image/IsoImage.h"
#include "platform/Time.h"

namespace tarnwick {

namespace {

struct TRecord {
    uint32_t Extent;
    uint32_t Length;
    const uint8_t* Date; // 7 bytes
    uint8_t Flags;
    const uint8_t* Ident;
    size_t IdentBytes;
};

void PutDirRecord(uint8_t* r, const TRecord& rec) {
    r[iso::kDrLength] = uint8_t(iso::DirRecordLength(rec.IdentBytes));
    r[iso::kDrExtAttrLength] = 0;
    PutBoth32(r + iso::kDrExtent, rec.Extent);
    PutBoth32(r + iso::kDrDataLength, rec.Length);
    std::memcpy(r + iso::kDrDate, rec.Date, 7);
    r[iso::kDrFlags] = rec.Flags;
    r[iso::kDrUnitSize] = 0;
    r[iso::kDrGapSize] = 0;
    PutBoth16(r + iso::kDrSequenceNumber, 1);
    r[iso::kDrIdentLength] = uint8_t(rec.IdentBytes);
    std::memcpy(r + iso::kDrIdent, rec.Ident, rec.IdentBytes);
}

int64_t ExtentSize(const TDEntry* d, bool joliet) { return std::max<int64_t>(0, joliet ? d->JolietSize : d->IsoSize); }

} // namespace

void EncodeDirectoryExtent(const TIsoImage& e, const TDEntry* d, bool joliet, int32_t dirArea, int32_t firstFile,
                           const uint8_t* now, std::vector<uint8_t>& extent) {
    const int64_t size = ExtentSize(d, joliet);
    extent.assign(size_t(size), 0);
    if (size < int64_t(2 * iso::kDotRecordLength)) return; // no layout of this directory: nothing fits
    const TDEntry* parent = d->Parent ? d->Parent : d;
    auto sectorOf = [&](const TDEntry* x) { return uint32_t(dirArea + (joliet ? x->JolietSector : x->IsoSector)); };
    auto sizeOf = [&](const TDEntry* x) { return uint32_t(joliet ? x->JolietSize : x->IsoSize); };
    const uint8_t dot = 0, dotdot = 1;
    PutDirRecord(extent.data(), {sectorOf(d), sizeOf(d), now, iso::kFlagDirectory, &dot, 1});
    PutDirRecord(extent.data() + iso::kDotRecordLength,
                 {sectorOf(parent), sizeOf(parent), now, iso::kFlagDirectory, &dotdot, 1});

    uint8_t ident[std::max(iso::kMaxIsoIdentBytes, 2 * iso::kMaxJolietIdentChars)];
    TRecordPlacer placer;
    for (const TFEntry* c = d->FirstChild; c; c = c->Next) {
        // Identifiers are fitted by the layout; one that is not (a tree changed since) is cut
        // to what a record can hold rather than written past the record.
        size_t identBytes;
        if (joliet) {
            const size_t chars = std::min(c->JolietIdent.size(), iso::kMaxJolietIdentChars);
            for (size_t i = 0; i < chars; ++i) PutBE16(ident + 2 * i, uint16_t(c->JolietIdent[i]));
            identBytes = 2 * chars;
        } else {
            identBytes = std::min(c->IsoIdent.size(), iso::kMaxIsoIdentBytes);
            std::memcpy(ident, c->IsoIdent.data(), identBytes);
        }
        uint8_t date[7];
        {
            const TDateTime at = e.ImageRecordDate(c->DateTime);
            EncodeRecordDate(at, RecordZoneOffset(at), date);
        }
        uint8_t flags = (c->Attr & 0x02) ? iso::kFlagHidden : 0;
        const bool isDir = IsDirectoryEntry(c);
        if (isDir) flags |= iso::kFlagDirectory;

        const int64_t records = RecordCount(c);
        int64_t remaining = joliet ? c->JolietSize : c->IsoSize;
        for (int64_t r = 0; r < records; ++r) {
            uint32_t location;
            if (isDir)
                location = sectorOf(c->Dir);
            else if (remaining == 0)
                location = 0; // an empty file has no extent
            else
                location = uint32_t(firstFile + (joliet ? c->JolietSector : c->IsoSector) +
                                    r * (iso::kMaxExtentBytes / int64_t(iso::kSector)));
            const int64_t length = remaining < iso::kMaxExtentBytes ? remaining : iso::kMaxExtentBytes;
            remaining -= length;
            const uint8_t recFlags = r + 1 < records ? uint8_t(flags | iso::kFlagMultiExtent) : flags;
            const size_t len = iso::DirRecordLength(identBytes);
            const int64_t at = placer.Place(len);
            if (at + int64_t(len) > size) return; // tree changed after the layout: never write past
            PutDirRecord(extent.data() + at, {location, uint32_t(length), date, recFlags, ident, identBytes});
        }
    }
}

TDirectoryEncoder::TDirectoryEncoder(const TIsoImage& AE)
    : E(AE), FJoliet(AE.Options.Joliet), FUdf(AE.Options.UdfOn() && AE.Compilation.DirCount > 0), FDirCount(AE.Compilation.DirCount),
      FPadBytes(AE.Layout.PadSectors > 0 ? AE.Layout.PadSectors * int64_t(iso::kSector) : 0) {
    const TDateTime now = E.ImageNow();
    EncodeRecordDate(now, RecordZoneOffset(now), FNow);
    for (int32_t i = 0; i < FDirCount; ++i) {
        const TDEntry* d = E.Compilation.DirTable[size_t(i)];
        FSize += ExtentSize(d, false);
        if (FJoliet) FSize += ExtentSize(d, true);
    }
    if (FUdf) FSize += E.Layout.UdfSectors * int64_t(iso::kSector);
    FSize += FPadBytes;
}

std::vector<uint8_t> TDirectoryEncoder::Tail() const { return FUdf ? E.UdfTail() : std::vector<uint8_t>(); }

bool TDirectoryEncoder::Advance() {
    FBuffer.clear();
    FBufferPos = 0;
    while (FTree < 3) {
        if (FTree == 2) {
            // The UDF tree: the file set, then every directory with its files' entries.
            if (!FUdf || FNextDir >= FDirCount) {
                ++FTree;
                continue;
            }
            if (!FUdfFileSetDone) {
                FUdfFileSetDone = true;
                EncodeUdfFileSet(E, FBuffer);
            }
            EncodeUdfDirectory(E, E.Compilation.DirTable[size_t(FNextDir++)], FBuffer);
            return true;
        }
        const bool joliet = FTree == 1;
        if ((joliet && !FJoliet) || FNextDir >= FDirCount) {
            ++FTree;
            FNextDir = 0;
            continue;
        }
        const TDEntry* d = E.Compilation.DirTable[size_t(FNextDir++)];
        EncodeDirectoryExtent(E, d, joliet, joliet ? E.Layout.JolietDirArea : E.Layout.IsoDirArea, E.Layout.FirstFileSector, FNow,
                              FBuffer);
        if (!FBuffer.empty()) return true;
    }
    return false;
}

size_t TDirectoryEncoder::Read(uint8_t* Dest, size_t Count) {
    size_t done = 0;
    while (done < Count && FDone < FSize) {
        if (FBufferPos == FBuffer.size() && !Advance()) {
            // The padding: zeros up to the size announced.
            const size_t n = size_t(std::min<int64_t>(int64_t(Count - done), FSize - FDone));
            std::memset(Dest + done, 0, n);
            done += n;
            FDone += int64_t(n);
            break;
        }
        const size_t n = std::min(Count - done, FBuffer.size() - FBufferPos);
        std::memcpy(Dest + done, FBuffer.data() + FBufferPos, n);
        FBufferPos += n;
        done += n;
        FDone += int64_t(n);
    }
    return done;
}

} // namespace tarnwick
