#include "app/common/UdfChoice.h"

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

std::optional<bool> ReadUdfSetting(const std::string& FileName, TSettingsWarnings* Warnings) {
    TSettingsWarnings unused;
    const auto v = ReadSettingInteger(FileName, "UDF", "the default (a UDF bridge for a DVD-Video folder only)",
                                      Warnings ? *Warnings : unused);
    if (!v) return std::nullopt;
    return *v != 0;
}

std::string ApplyUdfChoice(TVornBurner& Engine, std::optional<bool> Choice) {
    const bool video = Engine.HoldsDvdVideo();
    if (Choice && !*Choice) {
        Engine.SetUDFBridge(false);
        Engine.SetDVDVideo(false);
        return {};
    }
    if (Choice) {
        Engine.SetUDFBridge(true);
        Engine.SetDVDVideo(video);
        return {};
    }
    Engine.SetUDFBridge(video);
    Engine.SetDVDVideo(video);
    return video ? "DVD-Video folder found: the image gets a UDF bridge and the DVD-Video layout" : std::string();
}

} // namespace tarnwick::app
