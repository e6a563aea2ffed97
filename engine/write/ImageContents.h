#pragma once
// What an image file to burn holds, as far as its ISO 9660 root directory tells.
#include <string>

namespace tarnwick {

// Whether the root directory of the image's primary volume descriptor lists a VIDEO_TS
// directory: a DVD-Video disc. False for an image without an ISO 9660 volume or that cannot
// be read.
bool ImageHoldsVideoTs(const std::string& path);

} // namespace tarnwick
