#pragma once
// SOURCE_DATE_EPOCH, the reproducible-builds convention: seconds since 1970-01-01 00:00 UTC.
// Set, it becomes the engine's date limit, so an image of one tree has the same bytes on any
// day; unset, nothing changes.
#include <cstdint>
#include <optional>
#include <string>

namespace tarnwick {
class TVornBurner;
}

namespace tarnwick::app {

inline constexpr const char* kSourceDateEpochVariable = "SOURCE_DATE_EPOCH";

// Decimal digits only, at most the last second a directory record can hold (2155-12-31
// 23:59:59 UTC); anything else is nullopt.
std::optional<int64_t> ParseSourceDateEpoch(const std::string& text);

// Reads the variable into the engine's date limit. A value that is set but malformed is an
// error (a build asking for reproducibility must not silently get today's dates).
bool ApplySourceDateEpoch(TVornBurner& engine, std::string& error);

} // namespace tarnwick::app
