#pragma once
// A DVD-ROM drive whose disc is a folder: the platform serves the folder's files for the
// drive letter; the drive itself answers the identity and media queries of a pressed DVD
// of about the folder's size.
#include <memory>
#include <string>

#include "emulator/EmulatedDrive.h"

namespace emulator {

// The folder's size in 2048-byte sectors as a disc would hold it: each file rounded up to
// whole sectors, one sector per folder, and the 16 sectors of the system area.
bool FolderSectors(const std::string& folder, uint32_t& sectors, std::string& error);

std::shared_ptr<TEmulatedDrive> MakeFolderDrive(const std::string& folder, TProfile profile, std::string& error);

} // namespace emulator
