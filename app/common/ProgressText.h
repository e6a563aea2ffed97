#pragma once
// Every progress text the front ends show, made from the job's figures: the command line's
// image, burn and erase lines, and the window's status and erase lines. The pieces they share
// (percent done, the rate, the clock formats, the erase fraction) exist here once.
#include <cstdint>
#include <string>

namespace tarnwick::progress {

// Percent of Total that Done is; 0 without a total.
double Percent(int64_t Done, int64_t Total);
// The drive's erase or format progress (0 to 65536) in percent, at most 100.
double ErasePercent(int32_t Progress);
// "m:ss", and "h:mm:ss" ("--:--" when unknown, negative).
std::string MinutesSeconds(int64_t Seconds);
std::string HoursMinutesSeconds(int64_t Seconds);

// " 42.3%    118.2 MB/s  0:37 left": an image job from its bytes and the seconds since the
// start (the time left once there is a rate and bytes left).
std::string ImageLine(int64_t Done, int64_t Total, double Seconds);
// " 42.3%     12.3 MB/s  left 0:01:23  drive buffer  87%" (buffer " --" when not reported).
std::string BurnLine(double Percent, double BytesPerSecond, int64_t SecondsLeft, int BufferFillPercent);
// "Erasing  42.3%  1:05", or "Erasing  ...  1:05" while the drive reports no progress.
std::string EraseLine(int32_t Progress, double Seconds);
// "5.0 MB of 10.0 MB written (50%), 1.0 MB/s, drive buffer 75%": the window's status line
// (no rate when BytesPerSecond is negative, no buffer when the drive reports none).
std::string StatusLine(int64_t Written, int64_t Total, double BytesPerSecond, uint32_t BufferSize,
                       uint32_t FreeBuffer);
// "Erasing the disc: 42.3%", or "Erasing the disc ..." while the drive reports no progress.
std::string EraseStatusLine(int32_t Progress);

} // namespace tarnwick::progress
