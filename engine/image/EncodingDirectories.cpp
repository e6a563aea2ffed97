// The directory extents (ECMA-119 9.1) of both trees and the assembly of the header stream.
#include <cstring>
#include <vector>

#include "engine/Bytes.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/Layout.h"
#include "engine/write/VornBurner.h"
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

// Writes the extents of one tree, one per directory in DirTable order.
void WriteTree(TVornBurner& e, bool joliet, int32_t dirArea, int32_t firstFile) {
    uint8_t now[7];
    EncodeRecordDate(platform::Now(), e.TimeZoneOffset, now);
    std::vector<uint8_t> extent;
    std::vector<uint8_t> ident;
    for (int32_t i = 0; i < e.DirCount; ++i) {
        const TDEntry* d = e.DirTable[size_t(i)];
        const TDEntry* parent = d->Parent ? d->Parent : d;
        const int64_t size = joliet ? d->JolietSize : d->IsoSize;
        extent.assign(size_t(size), 0);
        if (size < int64_t(2 * iso::kDotRecordLength)) { // no layout of this directory: nothing fits
            e.HeaderStream.Write(extent.data(), extent.size());
            continue;
        }
        auto sectorOf = [&](const TDEntry* x) { return uint32_t(dirArea + (joliet ? x->JolietSector : x->IsoSector)); };
        auto sizeOf = [&](const TDEntry* x) { return uint32_t(joliet ? x->JolietSize : x->IsoSize); };
        const uint8_t dot = 0, dotdot = 1;
        PutDirRecord(extent.data(), {sectorOf(d), sizeOf(d), now, iso::kFlagDirectory, &dot, 1});
        PutDirRecord(extent.data() + iso::kDotRecordLength,
                     {sectorOf(parent), sizeOf(parent), now, iso::kFlagDirectory, &dotdot, 1});

        TRecordPlacer placer;
        for (const TFEntry* c = d->FirstChild; c; c = c->Next) {
            if (joliet) {
                ident.assign(2 * c->JolietIdent.size(), 0);
                PutUcs2BE(ident.data(), c->JolietIdent);
            } else {
                ident.assign(c->IsoIdent.begin(), c->IsoIdent.end());
            }
            uint8_t date[7];
            EncodeRecordDate(c->DateTime, e.TimeZoneOffset, date);
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
                const size_t len = iso::DirRecordLength(ident.size());
                const int64_t at = placer.Place(len);
                if (at + int64_t(len) > size) break; // tree changed after the layout: never write past
                PutDirRecord(extent.data() + at, {location, uint32_t(length), date, recFlags, ident.data(), ident.size()});
            }
        }
        e.HeaderStream.Write(extent.data(), extent.size());
    }
}

} // namespace

void TVornBurner::WriteIsoDirectories(int32_t DirArea, int32_t FirstFile) { WriteTree(*this, false, DirArea, FirstFile); }

void TVornBurner::WriteJolietDirectories(int32_t DirArea, int32_t FirstFile) {
    WriteTree(*this, true, DirArea, FirstFile);
}

bool TVornBurner::BuildImageHeader(bool ImageOnly, TDEntry* Dir) {
    HeaderImageOnly = ImageOnly;
    HeaderDir = Dir;
    HeaderStream.Clear();
    HeaderStream.Reserve(size_t(FirstFileSector) * iso::kSector);
    HeaderStream.WriteZeros(size_t(iso::kSystemAreaSectors) * iso::kSector);
    WritePrimaryDescriptor();
    if (FJolietFileSystem) WriteJolietDescriptor();
    WriteTerminator();
    WriteIsoPathTable(IsoDirArea, false);
    WriteIsoPathTable(IsoDirArea, true);
    if (FJolietFileSystem) {
        WriteJolietPathTable(JolietDirArea, false);
        WriteJolietPathTable(JolietDirArea, true);
    }
    WriteIsoDirectories(IsoDirArea, FirstFileSector);
    if (FJolietFileSystem) WriteJolietDirectories(JolietDirArea, FirstFileSector);
    if (PadSectors > 0) HeaderStream.WriteZeros(size_t(PadSectors) * iso::kSector);
    ImageSectors = EndLBA - StartLBA;
    SetDoDebug(true);
    return true;
}

} // namespace tarnwick
