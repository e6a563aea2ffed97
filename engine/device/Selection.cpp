// Making one listed device the current one, with its identity and model adjustments.
#include "engine/device/Identity.h"
#include "engine/device/Messages.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace {
bool DigitAt(const std::string& s, size_t i, uint8_t& v) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') return false;
    v = uint8_t(s[i] - '0');
    return true;
}
} // namespace

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
        // Single-digit addresses only: characters 1, 3 and 5 of "h:t:l,X: ...".
        uint8_t h = 0, t = 0, l = 0;
        if (!DigitAt(S, 0, h) || !DigitAt(S, 2, t) || !DigitAt(S, 4, l)) return reject();
        HaId = h;
        Target = t;
        Lun = l;
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
