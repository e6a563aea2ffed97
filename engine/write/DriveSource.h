#pragma once
// The cache thread's source for a 1:1 copy: the sectors of the disc in the selected drive,
// from sector 0, through TDriveReader.
#include <memory>

#include "engine/write/CacheSource.h"
#include "engine/write/DriveReader.h"

namespace tarnwick {

std::unique_ptr<ICacheSource> CreateDriveSource(TVornBurner& Engine, uint32_t Sectors, TReadPolicy Policy);

} // namespace tarnwick
