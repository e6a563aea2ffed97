// Making one listed device the current one, with its identity and model adjustments.
#include "engine/device/DeviceEntry.h"
#include "engine/device/Identity.h"
#include "engine/device/Messages.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

void TSCSIDevice::SelectDevice(const std::string& S) {
    auto clear = [this] {
        SelectedDevice.clear();
        DeviceIdentity.clear();
        PeripheralType = 127;
        HaId = Target = Lun = 254;
    };
    auto reject = [&] {
        DebugMessage(msg::InvalidDeviceId, 0);
        clear();
    };

    if (S.size() < 5) {
        if (!S.empty()) DebugMessage(msg::InvalidDeviceId, 0);
        clear();
        return;
    }
    try {
        const auto entry = ParseDeviceString(S);
        if (!entry) return reject();
        HaId = entry->Address.HaId;
        Target = entry->Address.Target;
        Lun = entry->Address.Lun;
        SelectedDevice = S;
        ReadDeviceIdentity();
        if (!ident::IsListedType(InquiryData[0])) return reject();

        const ident::TModelFlags f = ident::ModelFlagsFor(InquiryData.data());
        ForceBUF = f.ForceBUF;
        ForceLSV = f.ForceLSV;
        ExtraReadyWait = f.ExtraReadyWait;
        DrvLibState().ExtraReadyWaitVendor = f.ExtraReadyWaitVendor;
        DrvLibState().ImmediateClose = f.ImmediateClose;
        if (OnDeviceChange) OnDeviceChange(this);
        DetectWriteTypes();
    } catch (...) {
        reject();
    }
}

void TSCSIDevice::ReadDeviceIdentity() {
    ReadCapabilities();
    InquiryData.fill(0);
    if (!Inquiry()) {
        DeviceIdentity = LastCommandError;
        return;
    }
    PeripheralType = InquiryData[0];
    ident::SanitizeIdentity(InquiryData.data());
    DeviceIdentity = ident::IdentityText(InquiryData.data());
}

} // namespace tarnwick
