#pragma once
// `tarnwick-cli devices --json`: the drive reports as one JSON document for scripts.
#include <optional>
#include <string>
#include <vector>

#include "cli/DriveReport.h"

namespace tarnwick::cli {

// A JSON string literal (quotes included); bytes that are not valid UTF-8 become U+FFFD, so
// the document stays valid whatever a drive answers.
std::string JsonString(const std::string& text);
// {"transport": NAME or null, "drives": [...]}; transport is nullopt when none was reached.
std::string FormatReportsJson(const std::optional<std::string>& transport, const std::vector<TDriveReport>& drives);

} // namespace tarnwick::cli
