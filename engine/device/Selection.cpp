// Making one listed device the current one, with its identity and model adjustments.
#include "engine/device/Identity.h"
#include "engine/device/Messages.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace {
// A decimal address part (0 to 255) at i, followed by the separator (none: whatever follows);
// i moves past both.
bool PartAt(const std::string& s, size_t& i, char separator, uint8_t& v) {
    unsigned n = 0;
    size_t digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 3) {
        n = n * 10 + unsigned(s[i++] - '0');
        ++digits;
    }
    if (digits == 0 || n > 255) return false;
    if (separator) {
        if (i >= s.size() || s[i] != separator) return false;
        ++i;
    }
    v = uint8_t(n);
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
        // "h:t:l,X: ...": host numbers pass 9 when drives are plugged in again.
        uint8_t h = 0, t = 0, l = 0;
        size_t i = 0;
        if (!PartAt(S, i, ':', h) || !PartAt(S, i, ':', t) || !PartAt(S, i, 0, l)) return reject();
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
