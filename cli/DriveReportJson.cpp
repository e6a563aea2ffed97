#include "cli/DriveReportJson.h"

#include <algorithm>

#include "engine/device/ScsiDevice.h"

namespace tarnwick::cli {

namespace {

// Length of the valid UTF-8 sequence at s[i], or 0.
size_t Utf8Length(const std::string& s, size_t i) {
    const auto b = uint8_t(s[i]);
    size_t n;
    uint32_t cp;
    if (b < 0x80) return 1;
    if ((b & 0xE0) == 0xC0) n = 2, cp = b & 0x1F;
    else if ((b & 0xF0) == 0xE0) n = 3, cp = b & 0x0F;
    else if ((b & 0xF8) == 0xF0) n = 4, cp = b & 0x07;
    else return 0;
    if (i + n > s.size()) return 0;
    for (size_t k = 1; k < n; ++k) {
        const auto c = uint8_t(s[i + k]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8.
    const uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[n] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return 0;
    return n;
}

std::string Array(const std::vector<std::string>& items) {
    std::string s = "[";
    for (size_t i = 0; i < items.size(); ++i) s += (i ? ", " : "") + JsonString(items[i]);
    return s + "]";
}

std::string Bool(bool b) { return b ? "true" : "false"; }

std::string DriveJson(const TDriveReport& r, const std::string& indent) {
    const std::string in = indent + "  ";
    std::string s = indent + "{\n";
    auto field = [&](const char* name, const std::string& value, bool last = false) {
        s += in + "\"" + name + "\": " + value + (last ? "\n" : ",\n");
    };
    field("device", JsonString(r.DeviceString));
    field("letter", r.Letter ? JsonString(std::string(1, r.Letter)) : "null");
    field("vendor", JsonString(r.Vendor));
    field("product", JsonString(r.Product));
    field("revision", JsonString(r.Revision));
    field("identity", JsonString(r.Identity));
    field("reads", Array(MediaNames(r.CapabilityFlags, false)));
    field("writes", Array(MediaNames(r.CapabilityFlags, true)));
    field("test_write", Bool(r.CapabilityFlags & cfTestWrite));
    field("underrun_free", Bool(r.CapabilityFlags & cfUnderrunFree));
    field("max_read_speed_kbs", std::to_string(r.MaxReadSpeed));
    field("max_write_speed_kbs", std::to_string(r.MaxWriteSpeed));
    field("current_write_speed_kbs", std::to_string(r.CurrentWriteSpeed));
    field("buffer_bytes", std::to_string(r.BufferBytes));
    // The disc: its type and sessions, and its state where the drive told it (null where not,
    // as in the text report). A disc written anywhere has no free space apart from its size.
    static const char* const states[] = {"blank", "appendable", "complete", "random_writable"};
    const bool known = r.DiscType != dtUnknown && r.DiscInfoKnown;
    const bool capacity = known && r.CapacityKnown;
    std::string disc = "{\"type\": ";
    disc += r.DiscType == dtUnknown ? std::string("null") : JsonString(DiscTypeNames[std::min<uint8_t>(r.DiscType, 14)]);
    disc += ", \"sessions\": " + std::to_string(r.Sessions);
    disc += ", \"state\": " + (known ? JsonString(states[r.DiscStatus & 3]) : std::string("null"));
    disc += ", \"erasable\": " + (known ? Bool(r.Erasable) : std::string("null"));
    disc += ", \"recorded_sectors\": " + (capacity ? std::to_string(r.RecordedSectors) : std::string("null"));
    disc += ", \"free_sectors\": " +
            (capacity && r.DiscStatus != 3 ? std::to_string(r.FreeSectors) : std::string("null"));
    // Why the disc's sectors cannot be copied (encrypted, region-locked); null when nothing stops it.
    disc += ", \"protection\": " + (r.Protection.empty() ? std::string("null") : JsonString(r.Protection)) + "}";
    field("disc", disc);
    field("files", JsonString(r.Files));
    field("adjustments", Array(r.Adjustments), true);
    return s + indent + "}";
}

} // namespace

std::string JsonString(const std::string& text) {
    static const char* const hex = "0123456789abcdef";
    std::string s = "\"";
    for (size_t i = 0; i < text.size();) {
        const auto c = uint8_t(text[i]);
        const size_t n = Utf8Length(text, i);
        if (n == 0) {
            s += "\\ufffd";
            ++i;
            continue;
        }
        if (c == '"' || c == '\\') {
            s += '\\';
            s += char(c);
        } else if (c < 0x20 || c == 0x7F) {
            s += "\\u00";
            s += hex[c >> 4];
            s += hex[c & 15];
        } else {
            s.append(text, i, n);
        }
        i += n;
    }
    return s + "\"";
}

std::string FormatReportsJson(const std::optional<std::string>& transport, const std::vector<TDriveReport>& drives) {
    std::string s = "{\n  \"transport\": " + (transport ? JsonString(*transport) : std::string("null")) + ",\n";
    s += "  \"drives\": [";
    for (size_t i = 0; i < drives.size(); ++i) s += (i ? ",\n" : "\n") + DriveJson(drives[i], "    ");
    s += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return s;
}

} // namespace tarnwick::cli
