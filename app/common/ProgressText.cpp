#include "app/common/ProgressText.h"

#include <cstdio>

namespace tarnwick::progress {

namespace {

constexpr double kMegabyte = 1e6;

// "%5.1f%%  %7.1f MB/s": the head of both command-line job lines.
std::string PercentAndRate(double percent, double bytesPerSecond) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "%5.1f%%  %7.1f MB/s", percent, bytesPerSecond / kMegabyte);
    return buf;
}

} // namespace

double Percent(int64_t Done, int64_t Total) { return Total > 0 ? 100.0 * double(Done) / double(Total) : 0.0; }

double ErasePercent(int32_t Progress) { return double(Progress >= 65536 ? 65536 : Progress) * 100.0 / 65536; }

std::string MinutesSeconds(int64_t Seconds) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld", (long long)(Seconds / 60), (long long)(Seconds % 60));
    return buf;
}

std::string HoursMinutesSeconds(int64_t Seconds) {
    if (Seconds < 0) return "--:--";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%lld:%02lld:%02lld", (long long)(Seconds / 3600), (long long)(Seconds / 60 % 60),
                  (long long)(Seconds % 60));
    return buf;
}

std::string ImageLine(int64_t Done, int64_t Total, double Seconds) {
    const double rate = Seconds > 0 ? double(Done) / Seconds : 0.0; // bytes per second
    std::string text = PercentAndRate(Percent(Done, Total), rate);
    if (rate > 0 && Done < Total) text += "  " + MinutesSeconds(int64_t(double(Total - Done) / rate + 0.5)) + " left";
    return text;
}

std::string BurnLine(double Percent, double BytesPerSecond, int64_t SecondsLeft, int BufferFillPercent) {
    char buffer[16];
    if (BufferFillPercent < 0)
        std::snprintf(buffer, sizeof buffer, " --");
    else
        std::snprintf(buffer, sizeof buffer, "%3d%%", BufferFillPercent);
    return PercentAndRate(Percent, BytesPerSecond) + "  left " + HoursMinutesSeconds(SecondsLeft) + "  drive buffer " +
           buffer;
}

std::string EraseLine(int32_t Progress, double Seconds) {
    const std::string clock = MinutesSeconds(int64_t(int(Seconds)));
    if (Progress < 0) return "Erasing  ...  " + clock;
    char buf[32];
    std::snprintf(buf, sizeof buf, "Erasing  %.1f%%  ", ErasePercent(Progress));
    return buf + clock;
}

std::string StatusLine(int64_t Written, int64_t Total, double BytesPerSecond, uint32_t BufferSize,
                       uint32_t FreeBuffer) {
    char buf[160];
    int n;
    if (Total > 0)
        n = std::snprintf(buf, sizeof buf, "%.1f MB of %.1f MB written (%d%%)", double(Written) / kMegabyte,
                          double(Total) / kMegabyte, int(Written >= Total ? 100 : Written * 100 / Total));
    else
        n = std::snprintf(buf, sizeof buf, "%.1f MB written", double(Written) / kMegabyte);
    std::string text(buf, size_t(n));
    if (BytesPerSecond >= 0) {
        n = std::snprintf(buf, sizeof buf, ", %.1f MB/s", BytesPerSecond / kMegabyte);
        text.append(buf, size_t(n));
    }
    if (BufferSize > 0) {
        const uint32_t used = FreeBuffer >= BufferSize ? 0 : BufferSize - FreeBuffer;
        n = std::snprintf(buf, sizeof buf, ", drive buffer %u%%", unsigned(uint64_t(used) * 100 / BufferSize));
        text.append(buf, size_t(n));
    }
    return text;
}

std::string EraseStatusLine(int32_t Progress) {
    if (Progress < 0) return "Erasing the disc ...";
    char buf[48];
    std::snprintf(buf, sizeof buf, "Erasing the disc: %.1f%%", ErasePercent(Progress));
    return buf;
}

} // namespace tarnwick::progress
