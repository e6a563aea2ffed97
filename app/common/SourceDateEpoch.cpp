#include "app/common/SourceDateEpoch.h"

#include <cstdlib>

#include "engine/write/VornBurner.h"

namespace tarnwick::app {

namespace {
constexpr int64_t kLastRecordSecond = 5869583999; // 2155-12-31 23:59:59 UTC
}

std::optional<int64_t> ParseSourceDateEpoch(const std::string& text) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value > kLastRecordSecond) return std::nullopt;
    return value;
}

bool ApplySourceDateEpoch(TVornBurner& engine, std::string& error) {
    const char* value = std::getenv(kSourceDateEpochVariable);
    if (!value || !*value) return true; // unset, or set empty: no limit
    const auto seconds = ParseSourceDateEpoch(value);
    if (!seconds) {
        error = std::string(kSourceDateEpochVariable) + " is not a number of seconds since 1970 (0 to " +
                std::to_string(kLastRecordSecond) + "): \"" + value + "\"";
        return false;
    }
    engine.SetDateLimit(*seconds);
    return true;
}

} // namespace tarnwick::app
