#include "platform/virtual/VirtualBus.h"

#include <array>
#include <cctype>
#include <mutex>

namespace platform {

namespace {

struct TVirtualSlot {
    std::shared_ptr<IScsiTarget> Target;
    std::optional<SCSI_ADDRESS> Address;
    std::string RootFolder;
};

struct TVirtualBusState {
    std::mutex Mutex;
    std::array<TVirtualSlot, 26> Slots;
};

TVirtualBusState& Bus() {
    static TVirtualBusState bus;
    return bus;
}

int Index(char letter) {
    int c = std::toupper(static_cast<unsigned char>(letter));
    return (c >= 'A' && c <= 'Z') ? c - 'A' : -1;
}

} // namespace

void RegisterVirtualDrive(char letter, std::shared_ptr<IScsiTarget> target, std::optional<SCSI_ADDRESS> address,
                          const std::string& rootFolder) {
    int i = Index(letter);
    if (i < 0) return;
    std::lock_guard lock(Bus().Mutex);
    Bus().Slots[i] = TVirtualSlot{std::move(target), address, rootFolder};
}

void UnregisterVirtualDrive(char letter) {
    int i = Index(letter);
    if (i < 0) return;
    std::lock_guard lock(Bus().Mutex);
    Bus().Slots[i] = TVirtualSlot{};
}

void ClearVirtualDrives() {
    std::lock_guard lock(Bus().Mutex);
    for (auto& s : Bus().Slots) s = TVirtualSlot{};
}

std::shared_ptr<IScsiTarget> VirtualDrive(char letter) {
    int i = Index(letter);
    if (i < 0) return nullptr;
    std::lock_guard lock(Bus().Mutex);
    return Bus().Slots[i].Target;
}

std::optional<SCSI_ADDRESS> VirtualDriveAddress(char letter) {
    int i = Index(letter);
    if (i < 0) return std::nullopt;
    std::lock_guard lock(Bus().Mutex);
    return Bus().Slots[i].Address;
}

std::string VirtualDriveRoot(char letter) {
    int i = Index(letter);
    if (i < 0) return {};
    std::lock_guard lock(Bus().Mutex);
    return Bus().Slots[i].RootFolder;
}

} // namespace platform
