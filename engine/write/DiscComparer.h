#pragma once
// Compares an image with the disc in the selected drive, block by block: every image sector
// is read back from the disc (with TDriveReader's retries) and compared. Only the image's
// own sectors count; a disc that is longer (a formatted DVD+RW, a padded track) is fine.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/JobResult.h"
#include "engine/write/DriveReader.h"

namespace tarnwick {

class TDiscComparer {
public:
    explicit TDiscComparer(TVornBurner& Engine);

    // Bytes (whole sectors) of the image at sector Lba. False when the disc cannot be read
    // (Error set); a difference is only counted.
    bool Compare(uint32_t Lba, const uint8_t* Image, int32_t Bytes, const std::function<bool()>& Aborted);
    // The job's text after the last block: empty when every sector compared equal (and the
    // information line is sent), else the first differing sector and how many differ.
    std::string Finish();
    // Count image sectors from Lba that the disc does not have: each one differs.
    void Missing(uint32_t Lba, uint32_t Count);

    const std::string& Error() const { return Reader.Error(); }
    uint64_t Compared() const { return FCompared; }

private:
    TVornBurner& Engine;
    TDriveReader Reader;
    std::vector<uint8_t> Disc;
    uint64_t FCompared = 0;
    uint64_t FDiffering = 0;
    int64_t FFirst = -1;
};

// The verify after a burn: waits until the closed disc is ready, then compares it with the
// image file just burned. Returns the job's end (an empty text when the disc equals it).
TJobResult VerifyBurnedDisc(TVornBurner& Engine, const std::string& ImageFile, int64_t Sectors);

} // namespace tarnwick
