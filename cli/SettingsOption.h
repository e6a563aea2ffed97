#pragma once
// --settings FILE: a file named on the command line that cannot serve (not there, a folder, a
// pipe that gives no text) is a mistake, not a reason to run on the built-in defaults; and a
// value in it that cannot be read is named, never dropped without a word.
#include <string>

#include "app/common/Settings.h"
#include "cli/JobRunner.h"
#include "platform/Profile.h"

namespace tarnwick::cli {

// False (after saying so) when the named settings file cannot be read.
inline bool SettingsFileFound(const std::string& name, TConsole& console) {
    if (name == app::kSettingsFileName) return true; // the usual lookup: missing means defaults
    const std::string problem = platform::ProfileFileProblem(name);
    if (problem.empty()) return true;
    if (problem == "not found")
        console.Error("settings file not found: \"" + name + "\"");
    else
        console.Error("settings file \"" + name + "\" " + problem);
    return false;
}

inline void ShowSettingsWarnings(const app::TSettingsWarnings& warnings, TConsole& console) {
    for (const auto& w : warnings) console.Error("warning: " + w);
}

} // namespace tarnwick::cli
