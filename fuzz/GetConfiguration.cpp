// GET CONFIGURATION: the current profile (disc type) and the write features (capabilities).
#include "engine/JobState.h"
#include "engine/device/Replies.h"
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->Replies[0x46] = fuzz::Bytes(data, size);
    rig.Drive->OverstateMoved = size && (data[0] & 0x80);
    rig.Dev.GetDiscType();
    rig.Dev.ReadCapabilities();
    uint8_t buf[64];
    if (rig.Dev.GetConfiguration(1, 0x002F, buf, sizeof buf))
        reply::ConfigurationDeclared(TByteReader(buf, sizeof buf));
    JobState().DiscType = 0;
    return 0;
}
