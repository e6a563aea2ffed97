#pragma once
// What the host chooses for an image: the identifiers of the volume descriptors, their dates,
// the date limit of reproducible images, and which trees the image carries.
#include <cstdint>
#include <optional>
#include <string>

#include "engine/Component.h"

namespace tarnwick {

struct TImageOptions {
    std::string IdVolume, IdSystem, IdVolumeSet, IdPublisher, IdPreparer, IdApplication;
    std::string FileCopyright, FileAbstract, FileBibliographic;
    std::string ApplicationUseText; // 8 bytes of the descriptors' application-use area
    TDateTime DateCreation = 0, DateModification = 0;
    // No date in an image is later than this moment (seconds since 1970, UTC) when set.
    std::optional<int64_t> DateLimit;
    bool Joliet = true;
    bool UDFBridge = false;
    bool DVDVideo = false; // VIDEO_TS placed where its IFOs say; implies the bridge
    bool UdfOn() const { return UDFBridge || DVDVideo; }
};

} // namespace tarnwick
