#pragma once
// The program's settings, shared by the window and the command-line tool: the settings file
// (read only, looked up by its bare name through the platform's profile lookup) and the
// version text of "ver.ini" beside the program.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::app {

inline constexpr const char* kSettingsFileName = "ZKT_CDDVDBurn.ini";
inline constexpr const char* kSettingsSection = "Options";
inline constexpr const char* kVersionFileName = "ver.ini";
// The window's designed defaults, kept where paths begin with a drive letter.
inline constexpr const char* kDesignImageFile = "c:\\DVD_Image.iso";
inline constexpr const char* kDesignTempFolder = "c:\\temp";
inline constexpr const char* kImageFileName = "DVD_Image.iso";

// A setting's integer: optional sign, then decimal digits, or hexadecimal digits after "0x"
// or "$"; it must fit 32 bits. Anything else is not a number (nullopt).
std::optional<int32_t> ParseSettingInteger(const std::string& text);

// Lines that tell of settings values that could not be read and what is used instead.
using TSettingsWarnings = std::vector<std::string>;

// The value of key in section "Options" as an integer; nullopt when the key is missing or not
// a number. A trailing "; comment" is no part of the value, as INI readers commonly allow. A
// value that is there but not a number adds a warning naming the key, the value and
// UsedInstead (what the program goes on with).
std::optional<int32_t> ReadSettingInteger(const std::string& FileName, const char* Key, const std::string& UsedInstead,
                                          TSettingsWarnings& Warnings);

// Copies "CloseDisc", "JolietFS", "TestWrite", "PerformOPC", "UnderrunProtection",
// "CacheSize" and "Verify" of section "Options" into the engine, in that order; a key that is
// missing or not a number leaves the property as it is (the latter with a warning, returned).
// Booleans: 0 false, any other number true.
TSettingsWarnings ReadSettings(TVornBurner& Engine, const std::string& FileName = kSettingsFileName);

// The window's image file (feDestination) and temporary folder (zkSkinDirectoryEdit1).
struct TWindowPaths {
    std::string ImageFile;
    std::string TempFolder;
};
// Windows: the designed "c:\DVD_Image.iso" and "c:\temp". Elsewhere a drive letter would
// name a file in the current folder: "DVD_Image.iso" in the user's home folder and the
// system's temporary folder.
TWindowPaths DefaultWindowPaths();
// The defaults, each replaced by the key "ImageFile" or "TempFolder" of section "Options"
// when the settings file has it and it is not empty.
TWindowPaths ReadWindowPaths(const std::string& FileName = kSettingsFileName);
// Where paths have no drive letters, a path that begins with one ("c:\...", "c:/...", "c:")
// or a Windows share ("\\server\...") would become a file of that odd name in the current
// folder: the text that says so. Empty for a path this system can take as it is.
std::string ForeignPathMessage(const std::string& Path);

struct TVersionFile {
    enum { Missing, Read, Failed } Result = Missing;
    std::string Text;  // the first line when Read
    std::string Error; // what went wrong when Failed
};
// Reads the first line of "ver.ini" in Folder (the program's folder by default).
TVersionFile ReadVersionFile(const std::string& Folder = std::string());

} // namespace tarnwick::app
