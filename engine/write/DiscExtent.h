#pragma once
// How much of the disc in the selected drive a 1:1 copy reads: on overwritable media the size
// its file system declares (ISO 9660 volume space, UDF partition), elsewhere the recorded
// size (READ CAPACITY, bounded by the last recorded track). Never past the capacity.
#include <cstdint>
#include <functional>
#include <string>

namespace tarnwick {

class TVornBurner;

struct TDiscExtent {
    uint8_t DiscType = 0;
    uint32_t Capacity = 0; // READ CAPACITY: last LBA + 1
    uint32_t Sectors = 0;  // to read
};

// Waits (bounded, on platform::Clock()) until the drive is ready, then measures. The empty
// text on success, else the job's error: no disc, a blank disc, an audio CD, a drive that
// fails or is gone, an abort.
std::string MeasureDiscToRead(TVornBurner& Engine, TDiscExtent& Extent, const std::function<bool()>& Aborted);

// Sectors declared by the file systems found in sector 16 (ISO 9660 primary volume
// descriptor) and 256 (UDF anchor: its volume up to the closing anchor after the partition
// and the reserve sequence), read through ReadSector; 0 when there is none.
uint32_t DeclaredFileSystemSectors(const std::function<bool(uint32_t lba, uint8_t* sector)>& ReadSector);

// Waits until TEST UNIT READY succeeds: true then; false with Error set for no disc, a gone
// drive, an abort, or a drive still not ready after BudgetMs.
bool WaitDriveReadyToRead(TVornBurner& Engine, uint32_t BudgetMs, const std::function<bool()>& Aborted,
                          std::string& Error);

} // namespace tarnwick
