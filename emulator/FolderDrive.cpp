#include "emulator/FolderDrive.h"

#include <filesystem>

namespace emulator {

namespace {
constexpr uint64_t kSystemAreaSectors = 16;
}

bool FolderSectors(const std::string& folder, uint32_t& sectors, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        error = "\"" + folder + "\" is not a folder";
        return false;
    }
    uint64_t total = kSystemAreaSectors + 1;
    auto it = fs::recursive_directory_iterator(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec) {
        error = "cannot list \"" + folder + "\"";
        return false;
    }
    for (; it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        std::error_code entryError;
        if (it->is_directory(entryError)) {
            total += 1;
        } else if (it->is_regular_file(entryError)) {
            uint64_t size = it->file_size(entryError);
            if (!entryError) total += (size + kSectorSize - 1) / kSectorSize;
        }
    }
    if (ec) {
        error = "cannot list \"" + folder + "\"";
        return false;
    }
    sectors = uint32_t(std::min<uint64_t>(total, 0xFFFFFFFFull));
    return true;
}

std::shared_ptr<TEmulatedDrive> MakeFolderDrive(const std::string& folder, TProfile profile, std::string& error) {
    uint32_t sectors = 0;
    if (!FolderSectors(folder, sectors, error)) return nullptr;
    TDriveConfig config;
    config.Model = *FindDriveModel("reader");
    auto drive = std::make_shared<TEmulatedDrive>(config);
    drive->LoadMedium(TDisc::InMemory(profile, sectors));
    return drive;
}

} // namespace emulator
