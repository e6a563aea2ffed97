// Installs the handler of --virtual: the emulator's drive descriptions.
#include "cli/VirtualOption.h"
#include "emulator/VirtualDriveDefinition.h"

namespace tarnwick::cli {

namespace {
[[maybe_unused]] const bool kInstalled = [] {
    SetVirtualOptionHandler(
        [](const std::string& definition, std::string& error) {
            return emulator::RegisterVirtualDriveDefinition(definition, error);
        });
    return true;
}();
} // namespace

} // namespace tarnwick::cli
