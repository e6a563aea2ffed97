#pragma once
// The two files the main window reads at start-up: "ver.ini" beside the program and the
// settings file, both through the settings component of app/common.
#include <string>

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

enum class TVersionFile { Missing, Read, Failed };

// "ver.ini" in folder: Read with its first line in version, Missing when there is
// no such file, Failed with the text of the failed file operation in error.
TVersionFile ReadVersionFile(const std::string& folder, std::string& version, std::string& error);

// Copies the keys of the settings file into the engine; missing or non-numeric keys leave the
// engine's values.
void ApplySettingsFile(TVornBurner& engine);

} // namespace tarnwick::app
