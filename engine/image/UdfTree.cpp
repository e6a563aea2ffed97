#include "engine/image/UdfTree.h"

#include <cstring>

#include "engine/Bytes.h"
#include "engine/image/Layout.h"
#include "engine/image/UdfFormat.h"
#include "engine/image/UdfLib.h"
#include "engine/image/IsoLib.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

namespace {

constexpr const char* kImplementationId = "*Tarnwick";

void PutLongAd(uint8_t* d, uint32_t length, uint32_t block) {
    std::memset(d, 0, udf::kLongAdWidth);
    PutLE32(d, length);
    PutLE32(d + 4, block);
}

struct TFileEntry {
    uint32_t Block;      // where the entry goes, inside the partition
    bool Directory;
    uint16_t Links;
    uint64_t Length;     // information length
    uint32_t DataBlock;  // first block of the data, inside the partition
    uint64_t UniqueId;
    TDateTime Date;
};

void PutFileEntry(const TIsoImage& e, const TFileEntry& f, uint8_t* s) {
    std::memset(s, 0, udf::kBlock);
    uint8_t* icb = s + udf::kFeIcbTag;
    PutLE16(icb + 4, 4);                       // strategy 4
    PutLE16(icb + 8, 1);                       // one entry
    icb[11] = f.Directory ? 4 : 5;             // directory / byte file
    PutLE16(icb + 18, 0);                      // short allocation descriptors
    PutLE32(s + udf::kFeUid, 0xFFFFFFFFu);
    PutLE32(s + udf::kFeGid, 0xFFFFFFFFu);
    PutLE32(s + udf::kFePermissions, udf::kPermRead | (f.Directory ? udf::kPermSearch : 0));
    PutLE16(s + udf::kFeLinkCount, f.Links);
    PutLE64(s + udf::kFeInformationLength, f.Length);
    const uint64_t blocks = (f.Length + udf::kBlock - 1) / udf::kBlock;
    PutLE64(s + udf::kFeBlocksRecorded, blocks);
    const int32_t zone = e.UdfZoneMinutes();
    udf::PutTimestamp(s + udf::kFeAccessTime, f.Date, zone);
    udf::PutTimestamp(s + udf::kFeModificationTime, f.Date, zone);
    udf::PutTimestamp(s + udf::kFeAttributeTime, f.Date, zone);
    PutLE32(s + udf::kFeCheckpoint, 1);
    udf::PutRegid(s + udf::kFeImplementation, kImplementationId, false);
    PutLE64(s + udf::kFeUniqueId, f.UniqueId);
    PutLE32(s + udf::kFeEaLength, 0);
    // The data in extents below the 30-bit limit, each a whole number of blocks but the last.
    size_t ads = 0;
    uint64_t left = f.Length;
    uint32_t at = f.DataBlock;
    while (left > 0 && ads < udf::kMaxShortAds) {
        const uint64_t n = left < uint64_t(udf::kMaxExtentBytes) ? left : uint64_t(udf::kMaxExtentBytes);
        uint8_t* ad = s + udf::kFeAds + ads * udf::kShortAdWidth;
        PutLE32(ad, uint32_t(n));
        PutLE32(ad + 4, at);
        at += uint32_t(n / udf::kBlock);
        left -= n;
        ++ads;
    }
    const size_t adBytes = ads * udf::kShortAdWidth;
    PutLE32(s + udf::kFeAdLength, uint32_t(adBytes));
    udf::PutTag(s, udf::kTagFileEntry, f.Block, udf::kFeAds + adBytes - udf::kTagLength);
}

// Unique identifiers: 0 for the root, above 15 for every other entry.
uint64_t UniqueIdOf(uint32_t block, bool root) { return root ? 0 : uint64_t(16) + block; }

size_t PutFid(uint8_t* d, uint32_t blockOfStart, uint8_t characteristics, uint32_t icbBlock, const std::string& name) {
    const size_t len = udf::FidLength(name.size());
    std::memset(d, 0, len);
    PutLE16(d + udf::kFidVersion, 1);
    d[udf::kFidCharacteristics] = characteristics;
    d[udf::kFidIdentLength] = uint8_t(name.size());
    PutLongAd(d + udf::kFidIcb, uint32_t(udf::kBlock), icbBlock);
    PutLE16(d + udf::kFidImplUseLength, 0);
    std::memcpy(d + udf::kFidIdent, name.data(), name.size());
    udf::PutTag(d, udf::kTagFileIdentifier, blockOfStart, len - udf::kTagLength);
    return len;
}

} // namespace

void EncodeUdfFileSet(const TIsoImage& e, std::vector<uint8_t>& out) {
    const size_t at = out.size();
    out.resize(at + 2 * udf::kBlock, 0);
    uint8_t* s = out.data() + at;
    const uint32_t block = uint32_t(e.Layout.UdfArea - udf::kPartitionStart);
    const std::u16string volume = Utf8ToUcs2(e.Options.IdVolume);
    udf::PutTimestamp(s + 16, e.ImageZonedVolumeDate(e.Options.DateCreation), e.UdfZoneMinutes());
    PutLE16(s + 28, 3);
    PutLE16(s + 30, 3);
    PutLE32(s + 32, 1);
    PutLE32(s + 36, 1);
    udf::PutCharspec(s + 48);
    udf::PutDString(s + 112, 128, volume);
    udf::PutCharspec(s + 240);
    udf::PutDString(s + 304, 32, volume);
    PutLongAd(s + 400, uint32_t(udf::kBlock), uint32_t(e.Compilation.DirTable[0]->UdfBlock));
    udf::PutRegid(s + 416, "*OSTA UDF Compliant", true);
    udf::PutTag(s, udf::kTagFileSet, block, 512 - udf::kTagLength);
    udf::PutTag(s + udf::kBlock, udf::kTagTerminating, block + 1, 512 - udf::kTagLength);
}

void EncodeUdfDirectory(const TIsoImage& e, const TDEntry* d, std::vector<uint8_t>& out) {
    const bool root = d == e.Compilation.DirTable[0];
    const TDEntry* parent = (d->Parent && !root) ? d->Parent : d;
    const int64_t fidSectors = BytesToSectors(d->UdfFidBytes);
    uint16_t subdirs = 0;
    int64_t files = 0;
    for (const TFEntry* c = d->FirstChild; c; c = c->Next) {
        if (IsDirectoryEntry(c))
            ++subdirs;
        else
            ++files;
    }
    const size_t at = out.size();
    out.resize(at + size_t(1 + fidSectors + files) * udf::kBlock, 0);
    uint8_t* base = out.data() + at;

    const uint32_t feBlock = uint32_t(d->UdfBlock);
    const TDateTime date = root ? e.ImageZonedVolumeDate(e.Options.DateCreation) : e.ImageRecordDate(d->UdfDate);
    PutFileEntry(e,
                 {feBlock, true, uint16_t(1 + subdirs), uint64_t(d->UdfFidBytes), feBlock + 1,
                  UniqueIdOf(feBlock, root), date},
                 base);

    // The identifiers: the parent first, then every child in list order. One that would pass
    // the laid-out bytes (a tree changed since the layout) is not written.
    uint8_t* fids = base + udf::kBlock;
    size_t pos = 0;
    const size_t limit = size_t(d->UdfFidBytes);
    auto blockAt = [&](size_t p) { return feBlock + 1 + uint32_t(p / udf::kBlock); };
    pos += PutFid(fids + pos, blockAt(pos), udf::kFidDirectory | udf::kFidParent, uint32_t(parent->UdfBlock), {});
    uint8_t* fileEntries = fids + fidSectors * int64_t(udf::kBlock);
    int64_t fileIndex = 0;
    for (const TFEntry* c = d->FirstChild; c; c = c->Next) {
        const bool isDir = IsDirectoryEntry(c);
        const std::string name = udf::Cs0(e.UdfName(c));
        if (pos + udf::FidLength(name.size()) > limit) break;
        uint8_t characteristics = (c->Attr & 0x02) ? udf::kFidHidden : 0;
        if (isDir) characteristics |= udf::kFidDirectory;
        const uint32_t icb = uint32_t(isDir ? c->Dir->UdfBlock : c->UdfBlock);
        pos += PutFid(fids + pos, blockAt(pos), characteristics, icb, name);
        if (isDir) continue;
        const int64_t length = c->IsoSize > 0 ? c->IsoSize : 0;
        const uint32_t data = uint32_t(int64_t(e.Layout.FirstFileSector) + c->IsoSector - udf::kPartitionStart);
        if (fileIndex < files)
            PutFileEntry(e,
                         {icb, false, 1, uint64_t(length), length ? data : 0, UniqueIdOf(icb, false),
                          e.ImageRecordDate(c->DateTime)},
                         fileEntries + fileIndex * int64_t(udf::kBlock));
        ++fileIndex;
    }
}

} // namespace tarnwick
