// The settings file: any text read for every key the program looks up, and every value
// through the integer rules.
#include <string>

#include "app/common/Settings.h"
#include "platform/Profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"CloseDisc", "JolietFS", "TestWrite", "PerformOPC", "UnderrunProtection", "CacheSize"}) {
        if (auto value = platform::ParseProfileString(text, tarnwick::app::kSettingsSection, key))
            tarnwick::app::ParseSettingInteger(*value);
    }
    tarnwick::app::ParseSettingInteger(text);
    return 0;
}
