#pragma once
// 8.3 alternate names for the names of one folder, made the way Windows makes them on NTFS.
#include <string>
#include <vector>

namespace platform {

// True for a name that is already a valid upper-case 8.3 name (1-8 characters, optionally a
// dot and 1-3 characters, only the characters a FAT short name allows).
bool IsUpperCase83(const std::string& name);

// One alternate name per input name, unique (case-insensitively) among the folder's real 8.3
// names and each other: empty when the name needs none. names must hold every entry of the
// folder ("." and ".." excluded) so the result does not depend on a mask.
std::vector<std::string> MakeShortNames(const std::vector<std::string>& names);

} // namespace platform
