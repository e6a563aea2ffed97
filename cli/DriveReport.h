#pragma once
// What `tarnwick-cli devices` prints about one drive, gathered without changing the drive's
// state (no write-type probe, no MODE SELECT). Kept apart from the command for tests.
#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick {
class TSCSIDevice;
}

namespace tarnwick::cli {

struct TDriveReport {
    std::string DeviceString;
    char Letter = 0;
    std::string Identity;
    std::string Vendor, Product, Revision; // the INQUIRY fields, trailing blanks cut
    uint32_t CapabilityFlags = 0;
    uint16_t MaxReadSpeed = 0, MaxWriteSpeed = 0, CurrentWriteSpeed = 0;
    uint32_t BufferBytes = 0; // READ BUFFER CAPACITY, else the capabilities page
    uint8_t DiscType = 0;
    uint8_t Sessions = 0;
    // Disc state from READ DISC INFORMATION and the last track's information.
    bool DiscInfoKnown = false;
    uint8_t DiscStatus = 0; // 0 blank, 1 appendable, 2 complete, 3 random writable
    bool Erasable = false;
    bool CapacityKnown = false;
    uint32_t RecordedSectors = 0, FreeSectors = 0;
    std::string Files; // where the disc's files are, or why they are not reachable
    std::string Protection; // why the disc's sectors cannot be copied (encrypted, region), or empty
    std::vector<std::string> Adjustments; // model adjustments the engine applies to this drive
};

// Queries the drive named by a device string on an engine whose transport is loaded.
TDriveReport QueryDrive(TSCSIDevice& dev, const std::string& deviceString);
// Media names for a set of capability flags: reads (writes = false) or writes.
std::vector<std::string> MediaNames(uint32_t flags, bool writes);
// Why a drive letter has no folder of files: an unmounted disc, an emulated drive without
// files, or no drive at all.
std::string DriveRootProblem(char letter);
// Where a drive letter's files are: the folder, or DriveRootProblem.
std::string DriveFilesText(char letter);
std::string FormatReport(const TDriveReport& r);
// "blank, erasable" and the like, and "N MB recorded, M MB free".
std::string DiscStateText(const TDriveReport& r);
std::string DiscCapacityText(const TDriveReport& r);

} // namespace tarnwick::cli
