#pragma once
// Whether a copy gets the UDF bridge and the DVD-Video layout: off, on, or (no choice given)
// on by itself when the compilation's root holds VIDEO_TS\VIDEO_TS.IFO.
#include <optional>
#include <string>

#include "app/common/Settings.h"

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::app {

// The [Options] key UDF: 0 off, 1 on, missing (or not a number, with a warning in Warnings
// when given) automatic.
std::optional<bool> ReadUdfSetting(const std::string& FileName = kSettingsFileName,
                                   TSettingsWarnings* Warnings = nullptr);

// Sets UDFBridge and DVDVideo on a filled compilation. Returns the one line to show when the
// choice was automatic and a DVD-Video folder turned both on, else an empty text.
std::string ApplyUdfChoice(TVornBurner& Engine, std::optional<bool> Choice);

} // namespace tarnwick::app
