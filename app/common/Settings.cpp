#include "app/common/Settings.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "app/common/DriveLetters.h"
#include "engine/write/VornBurner.h"
#include "platform/Files.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Shell.h"

namespace tarnwick::app {

std::optional<int32_t> ParseSettingInteger(const std::string& text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int base = 10;
    if (i < text.size() && text[i] == '$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) return std::nullopt;
    int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = value * base + digit;
        if (value > 0xFFFFFFFFLL) return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal spells the 32-bit pattern: $FFFFFFFF is -1.
        int32_t v = int32_t(uint32_t(value));
        return negative ? int32_t(-int64_t(v)) : v;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return int32_t(value);
}

namespace {

// Blanks, then quotes around what remains, go; a ';' and what follows it is a comment.
std::string SettingText(std::string text) {
    if (const auto semicolon = text.find(';'); semicolon != std::string::npos) text.erase(semicolon);
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front())
        text = text.substr(1, text.size() - 2);
    return text;
}

std::string Flag(bool on) { return on ? "1" : "0"; }

} // namespace

std::optional<int32_t> ReadSettingInteger(const std::string& FileName, const char* Key, const std::string& UsedInstead,
                                          TSettingsWarnings& Warnings) {
    const auto text = platform::ReadProfileString(FileName, kSettingsSection, Key);
    if (!text) return std::nullopt;
    if (auto v = ParseSettingInteger(SettingText(*text))) return v;
    Warnings.push_back(std::string("settings key ") + Key + ": \"" + *text + "\" is not a number; using " +
                       UsedInstead);
    return std::nullopt;
}

TSettingsWarnings ReadSettings(TVornBurner& Engine, const std::string& FileName) {
    TSettingsWarnings warnings;
    auto integer = [&](const char* key, const std::string& current) {
        return ReadSettingInteger(FileName, key, current, warnings);
    };
    if (auto v = integer("CloseDisc", Flag(Engine.FinalizeDisc()))) Engine.SetFinalizeDisc(*v != 0);
    if (auto v = integer("JolietFS", Flag(Engine.JolietFileSystem()))) Engine.SetJolietFileSystem(*v != 0);
    if (auto v = integer("TestWrite", Flag(Engine.TestWrite()))) Engine.SetTestWrite(*v != 0);
    if (auto v = integer("PerformOPC", Flag(Engine.PerformOPC()))) Engine.SetPerformOPC(*v != 0);
    if (auto v = integer("UnderrunProtection", Flag(Engine.UnderrunProtection()))) Engine.SetUnderrunProtection(*v != 0);
    if (auto v = integer("CacheSize", std::to_string(Engine.CacheSize()))) Engine.SetCacheSize(*v);
    if (auto v = integer("Verify", Flag(Engine.VerifyAfterBurn()))) Engine.SetVerifyAfterBurn(*v != 0);
    return warnings;
}

TWindowPaths DefaultWindowPaths() {
    if (platform::UsesDriveLetters()) return {kDesignImageFile, kDesignTempFolder};
    const std::string temp = platform::SystemTempFolder();
    std::string home = platform::HomeFolder();
    if (home.empty()) home = temp; // no home known: still a folder that exists
    if (home.empty() || home.back() != platform::PathDelim) home += platform::PathDelim;
    return {home + kImageFileName, temp};
}

TWindowPaths ReadWindowPaths(const std::string& FileName) {
    TWindowPaths paths = DefaultWindowPaths();
    auto text = [&](const char* key, std::string& into) {
        auto value = platform::ReadProfileString(FileName, kSettingsSection, key);
        if (value && !value->empty()) into = *value;
    };
    text("ImageFile", paths.ImageFile);
    text("TempFolder", paths.TempFolder);
    return paths;
}

std::string ForeignPathMessage(const std::string& Path) {
    if (platform::UsesDriveLetters()) return {};
    // "c:", or "c:\" / "c:/" leading a longer path.
    const bool drive = ParseDriveName(Path.substr(0, 3), {.Separator = true}).has_value();
    const bool share = Path.rfind("\\\\", 0) == 0;
    if (!drive && !share) return {};
    return "THE IMAGE FILE \"" + Path + "\" NAMES A WINDOWS " + (drive ? "DRIVE" : "SHARE") +
           ", WHICH THIS SYSTEM DOES NOT HAVE: CHOOSE A FILE IN A FOLDER OF THIS SYSTEM, E.G. \"" +
           DefaultWindowPaths().ImageFile + "\"";
}

TVersionFile ReadVersionFile(const std::string& Folder) {
    TVersionFile result;
    const std::string folder = Folder.empty() ? platform::ProgramFolder() : Folder;
    const std::string path = folder + platform::PathDelim + kVersionFileName;
    if (!platform::FileExists(path)) return result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.Result = TVersionFile::Failed;
        result.Error = path + ": " + std::strerror(errno);
        return result;
    }
    std::string line;
    std::getline(in, line);
    if (in.bad()) {
        result.Result = TVersionFile::Failed;
        result.Error = path + ": read error";
        return result;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    result.Result = TVersionFile::Read;
    result.Text = line;
    return result;
}

} // namespace tarnwick::app
