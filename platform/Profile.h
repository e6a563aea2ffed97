#pragma once
// Private-profile (INI) reading, read-only. A bare file name is looked up where the platform
// keeps such files (the Windows directory on Windows; see the implementation for Linux).
#include <optional>
#include <string>

namespace platform {

// Full path of the profile file that a bare name resolves to; empty when none exists.
std::string ProfilePath(const std::string& fileName);
// Value of key in section, or nullopt when the file, section or key is missing.
std::optional<std::string> ReadProfileString(const std::string& fileName, const std::string& section,
                                             const std::string& key);

} // namespace platform
