// Virtual-drive definitions (--virtual and the definition files): any text parsed, and a
// definition that parses is built into a drive and registered (unless it names a backing
// file: the fuzzer must not create files wherever its input points).
#include <string>

#include "emulator/VirtualDriveDefinition.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    emulator::TVirtualDriveDefinition definition;
    std::string error;
    if (emulator::ParseVirtualDriveDefinition(text, definition, error)) {
        if (definition.Backing.empty() && emulator::RegisterVirtualDriveDefinition(text, error))
            emulator::ResetVirtualDrives();
    } else if (error.empty()) {
        __builtin_trap(); // a refusal always says why
    }
    return 0;
}
