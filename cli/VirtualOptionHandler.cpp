// Installs the handler of --virtual: the emulator's drive descriptions.
#include "cli/VirtualOption.h"
#include "emulator/VirtualDriveSpec.h"

namespace tarnwick::cli {

namespace {
[[maybe_unused]] const bool kInstalled = [] {
    SetVirtualOptionHandler(
        [](const std::string& spec, std::string& error) { return emulator::RegisterVirtualDriveSpec(spec, error); });
    return true;
}();
} // namespace

} // namespace tarnwick::cli
