// The emulator handles --virtual: each spec becomes an emulated drive on the virtual bus for
// the length of the run.
#include "cli/VirtualOption.h"
#include "emulator/VirtualDriveSpec.h"

namespace tarnwick::cli {

namespace {

const bool kEmulatedDrivesInstalled = [] {
    SetVirtualOptionHandler(
        [](const std::string& spec, std::string& error) { return emulator::RegisterVirtualDriveSpec(spec, error); });
    return true;
}();

} // namespace

} // namespace tarnwick::cli
