#include "app/common/UdfChoice.h"

#include "engine/write/VornBurner.h"
#include "platform/Profile.h"

namespace tarnwick::app {

std::optional<bool> ReadUdfSetting(const std::string& FileName) {
    auto text = platform::ReadProfileString(FileName, kSettingsSection, "UDF");
    if (!text) return std::nullopt;
    auto v = ParseSettingInteger(*text);
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
