#pragma once
// User-interface and shell services that are not windows: the beep, opening a web address,
// and where the program lives.
#include <functional>
#include <string>

namespace platform {

// MessageBeep; tests observe beeps through the hook instead of the speaker.
void MessageBeep(unsigned type);
void SetBeepHook(std::function<void(unsigned)> hook);

// Opens an address with the shell's default action (ShellExecute / xdg-open). Never blocks.
void OpenURL(const std::string& url);
void SetOpenURLHook(std::function<void(const std::string&)> hook);

// The system's own beep and URL opening, one implementation per OS; MessageBeep and OpenURL
// hand over to the hooks first.
namespace os {
void SystemBeep(unsigned type);
void SystemOpenURL(const std::string& url);
} // namespace os

// Folder of the running executable, ending without a delimiter.
std::string ProgramFolder();

} // namespace platform
