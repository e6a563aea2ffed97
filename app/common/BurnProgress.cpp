#include "app/common/BurnProgress.h"

#include <algorithm>

#include "app/common/ProgressText.h"

namespace tarnwick {

TBurnProgress::TBurnProgress(int64_t TotalBytes, uint64_t WindowMs)
    : Total(TotalBytes > 0 ? TotalBytes : 0), Window(WindowMs ? WindowMs : 1) {}

void TBurnProgress::Sample(uint64_t NowMs, int64_t BytesWritten, uint32_t BufferSize, uint32_t BufferFree) {
    Written = BytesWritten;
    BufSize = BufferSize;
    BufFree = BufferFree;
    if (!Points.empty() && NowMs < Points.back().Ms) Points.clear(); // clock went back: start over
    Points.push_back({NowMs, BytesWritten});
    // Keep one point at or beyond the window's start so the rate always spans the window.
    while (Points.size() > 2 && NowMs - Points[1].Ms >= Window) Points.pop_front();
}

double TBurnProgress::Percent() const {
    if (Total == 0) return 0.0;
    return std::clamp(100.0 * double(Written) / double(Total), 0.0, 100.0);
}

double TBurnProgress::BytesPerSecond() const {
    if (Points.size() < 2) return 0.0;
    const TPoint& a = Points.front();
    const TPoint& b = Points.back();
    if (b.Ms <= a.Ms || b.Bytes < a.Bytes) return 0.0;
    return double(b.Bytes - a.Bytes) * 1000.0 / double(b.Ms - a.Ms);
}

int64_t TBurnProgress::SecondsLeft() const {
    double rate = BytesPerSecond();
    if (rate <= 0.0) return -1;
    int64_t left = std::max<int64_t>(0, Total - Written);
    return int64_t(double(left) / rate + 0.999);
}

int TBurnProgress::BufferFillPercent() const {
    if (BufSize == 0) return -1;
    uint32_t freeBytes = std::min(BufFree, BufSize);
    return int((uint64_t(BufSize - freeBytes) * 100 + BufSize / 2) / BufSize);
}

std::string TBurnProgress::Line() const {
    return progress::BurnLine(Percent(), BytesPerSecond(), SecondsLeft(), BufferFillPercent());
}

} // namespace tarnwick
