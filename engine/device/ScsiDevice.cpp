#include "engine/device/ScsiDevice.h"

namespace tarnwick {

TDrvLibState& DrvLibState() {
    static TDrvLibState state;
    return state;
}

TSCSIDevice::TSCSIDevice(TComponent* owner) : TComponent(owner) {
    // An engine created after another one loaded the transport lists the drives at once.
    if (ASPIInitialized()) {
        HostAdapterInquiry(0);
        ScanDevices();
    }
}

TSCSIDevice::~TSCSIDevice() = default;

void TSCSIDevice::DebugMessage(const std::string& Message, uint8_t mType) {
    // Called on whichever thread produces the message; the handler decides how to marshal it.
    if (OnDebugMessage) OnDebugMessage(this, Message, mType);
}

} // namespace tarnwick
