#pragma once
// The progress line of a burn on a terminal: percent done, recent throughput, time left and
// the drive's buffer fill. Fed with samples by the front end's polling loop.
#include <cstdint>
#include <deque>
#include <string>

namespace tarnwick {

class TBurnProgress {
public:
    // TotalBytes: the bytes the job hands to the drive (track sectors times 2048).
    explicit TBurnProgress(int64_t TotalBytes, uint64_t WindowMs = 5000);

    void Sample(uint64_t NowMs, int64_t BytesWritten, uint32_t BufferSize, uint32_t BufferFree);

    double Percent() const;
    // Bytes per second over the last WindowMs; 0 until two samples span some time.
    double BytesPerSecond() const;
    // Seconds left at the recent rate; -1 when unknown.
    int64_t SecondsLeft() const;
    // Filled share of the drive's buffer in percent; -1 when the drive reports none.
    int BufferFillPercent() const;

    // " 42.3%   12.3 MB/s   left 0:01:23   drive buffer  87%"
    std::string Line() const;

private:
    struct TPoint {
        uint64_t Ms;
        int64_t Bytes;
    };
    int64_t Total;
    uint64_t Window;
    std::deque<TPoint> Points;
    int64_t Written = 0;
    uint32_t BufSize = 0, BufFree = 0;
};

} // namespace tarnwick
