// The volume descriptors: primary (ECMA-119 8.4), Joliet supplementary (8.5) and the set
// terminator (8.3).
#include <array>
#include <cstring>

#include "engine/Bytes.h"
#include "engine/image/IsoFormat.h"
#include "engine/image/IsoLib.h"
#include "engine/image/IsoImage.h"

namespace tarnwick {

namespace {

using TSector = std::array<uint8_t, iso::kSector>;

void PutHeader(uint8_t* s, uint8_t type) {
    s[iso::kVdType] = type;
    std::memcpy(s + iso::kVdStandardId, "CD001", 5);
    s[iso::kVdVersion] = 1;
}

// The fields both descriptors fill the same way.
void PutCommon(uint8_t* s, int64_t endLba, int32_t pathTableSize, int32_t tableL, int32_t tableM, int32_t rootExtent,
               int64_t rootSize, TDateTime created, TDateTime modified, const std::string& applicationUse) {
    PutBoth32(s + iso::kVdSpaceSize, uint32_t(endLba));
    PutBoth16(s + iso::kVdSetSize, 1);
    PutBoth16(s + iso::kVdSequenceNumber, 1);
    PutBoth16(s + iso::kVdBlockSize, uint16_t(iso::kSector));
    PutBoth32(s + iso::kVdPathTableSize, uint32_t(pathTableSize));
    PutLE32(s + iso::kVdPathTableL, uint32_t(tableL));
    PutBE32(s + iso::kVdPathTableM, uint32_t(tableM));

    uint8_t* r = s + iso::kVdRootRecord;
    r[iso::kDrLength] = uint8_t(iso::kRootRecordLength);
    PutBoth32(r + iso::kDrExtent, uint32_t(rootExtent));
    PutBoth32(r + iso::kDrDataLength, uint32_t(rootSize));
    r[iso::kDrFlags] = iso::kFlagDirectory;
    PutBoth16(r + iso::kDrSequenceNumber, 1);
    r[iso::kDrIdentLength] = 1;
    r[iso::kDrIdent] = 0;

    EncodeDescriptorDate(created, s + iso::kVdCreationDate);
    EncodeDescriptorDate(modified, s + iso::kVdModificationDate);
    // Expiration and effective dates: all digits zero, which reads as "not specified".
    std::memset(s + iso::kVdExpirationDate, '0', 16);
    std::memset(s + iso::kVdEffectiveDate, '0', 16);
    s[iso::kVdFileStructureVersion] = 1;
    ToIsoField(UpperCase(applicationUse), s + iso::kVdApplicationUseText, 8);
}

} // namespace

void TIsoImage::WritePrimaryDescriptor() {
    TSector s{};
    PutHeader(s.data(), 1);
    ToIsoField(UpperCase(Options.IdSystem), &s[iso::kVdSystemId], 32);
    ToIsoField(IsoVolumeLabel(Options.IdVolume), &s[iso::kVdVolumeId], 32);
    // Bytes 88-119 of the primary descriptor stay zero even with Joliet: libarchive (bsdtar)
    // rejects a primary descriptor whose unused field is not zero, and then reads nothing.
    PutCommon(s.data(), Layout.EndLBA, Layout.PathTableSize, Layout.PathTableL, Layout.PathTableM, Layout.IsoDirArea, Compilation.DirTable[0]->IsoSize,
              ImageVolumeDate(Options.DateCreation), ImageVolumeDate(Options.DateModification), Options.ApplicationUseText);
    ToIsoField(UpperCase(Options.IdVolumeSet), &s[iso::kVdVolumeSetId], iso::kIdWidth);
    ToIsoField(UpperCase(Options.IdPublisher), &s[iso::kVdPublisherId], iso::kIdWidth);
    ToIsoField(UpperCase(Options.IdPreparer), &s[iso::kVdPreparerId], iso::kIdWidth);
    ToIsoField(UpperCase(Options.IdApplication), &s[iso::kVdApplicationId], iso::kIdWidth);
    ToIsoField(UpperCase(Options.FileCopyright), &s[iso::kVdCopyrightFile], iso::kFileIdWidth);
    ToIsoField(UpperCase(Options.FileAbstract), &s[iso::kVdAbstractFile], iso::kFileIdWidth);
    ToIsoField(UpperCase(Options.FileBibliographic), &s[iso::kVdBibliographicFile], iso::kFileIdWidth);
    HeaderStream.Write(s.data(), s.size());
}

void TIsoImage::WriteJolietDescriptor() {
    TSector s{};
    PutHeader(s.data(), 2);
    s[iso::kVdFlags] = 0;
    ToJolietField(Options.IdSystem, &s[iso::kVdSystemId], 32);
    ToJolietField(Options.IdVolume, &s[iso::kVdVolumeId], 32);
    std::memcpy(&s[iso::kVdEscapes], iso::kJolietEscape, 3);
    PutCommon(s.data(), Layout.EndLBA, Layout.JolietPathTableSize, Layout.JolietPathTableL, Layout.JolietPathTableM, Layout.JolietDirArea,
              Compilation.DirTable[0]->JolietSize, ImageVolumeDate(Options.DateCreation), ImageVolumeDate(Options.DateModification),
              Options.ApplicationUseText);
    ToJolietField(Options.IdVolumeSet, &s[iso::kVdVolumeSetId], iso::kIdWidth);
    ToJolietField(Options.IdPublisher, &s[iso::kVdPublisherId], iso::kIdWidth);
    ToJolietField(Options.IdPreparer, &s[iso::kVdPreparerId], iso::kIdWidth);
    ToJolietField(Options.IdApplication, &s[iso::kVdApplicationId], iso::kIdWidth);
    // 18 UCS-2 characters; the 37th byte of each field stays 0.
    ToJolietField(Options.FileCopyright, &s[iso::kVdCopyrightFile], iso::kFileIdWidth - 1);
    ToJolietField(Options.FileAbstract, &s[iso::kVdAbstractFile], iso::kFileIdWidth - 1);
    ToJolietField(Options.FileBibliographic, &s[iso::kVdBibliographicFile], iso::kFileIdWidth - 1);
    HeaderStream.Write(s.data(), s.size());
}

void TIsoImage::WriteTerminator() {
    TSector s{};
    PutHeader(s.data(), 255);
    HeaderStream.Write(s.data(), s.size());
}

} // namespace tarnwick
