#pragma once
// --settings FILE: a file named on the command line that is not there is a mistake, not a
// reason to run on the built-in defaults.
#include <string>

#include "app/common/Settings.h"
#include "cli/JobRunner.h"
#include "platform/Files.h"
#include "platform/Profile.h"

namespace tarnwick::cli {

// False (after saying so) when the named settings file does not exist.
inline bool SettingsFileFound(const std::string& name, TConsole& console) {
    if (name == app::kSettingsFileName) return true; // the usual lookup: missing means defaults
    const std::string path = platform::ProfilePath(name);
    if (!path.empty() && platform::FileExists(path)) return true;
    console.Error("settings file not found: \"" + name + "\"");
    return false;
}

} // namespace tarnwick::cli
