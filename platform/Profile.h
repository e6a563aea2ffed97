#pragma once
// Private-profile (INI) reading, read-only. A bare file name is looked up where the platform
// keeps such files. Windows: the Windows directory. Linux, first found wins:
//   1. $TARNWICK_CONFIG_DIR (tests and portable setups),
//   2. $XDG_CONFIG_HOME/tarnwick, or ~/.config/tarnwick when XDG_CONFIG_HOME is unset,
//   3. the program's own folder,
//   4. /etc/tarnwick.
// A name with a folder in it is taken as it is. The window and the command-line tool share
// this lookup, so both read the same settings.
#include <cstddef>
#include <optional>
#include <string>

namespace platform {

// Settings files are small: more than this is not read.
inline constexpr size_t kMaxProfileBytes = 1 << 20;

// Full path of the profile file that a bare name resolves to; empty when none exists.
std::string ProfilePath(const std::string& fileName);
// Value of key in section, or nullopt when the file, section or key is missing.
// The same over the text of a profile file already read.
std::optional<std::string> ParseProfileString(const std::string& text, const std::string& section,
                                              const std::string& key);
std::optional<std::string> ReadProfileString(const std::string& fileName, const std::string& section,
                                             const std::string& key);

// Why a settings file named on the command line cannot serve ("not found", "is a folder",
// ...); empty when it can. A pipe or FIFO is read here (bounded in size and time) and its text
// kept for the readers above, as it cannot be read a second time.
std::string ProfileFileProblem(const std::string& fileName);

// How long a pipe named as the settings may take to deliver its text.
inline constexpr int kProfilePipeWaitMs = 10000;

} // namespace platform
