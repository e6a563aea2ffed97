// INQUIRY data: discovery, selection and the identity and model adjustments drawn from it.
#include "engine/device/Identity.h"
#include "FuzzDrive.h"

using namespace tarnwick;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto& rig = fuzz::Rig();
    rig.Drive->InquiryReply = fuzz::Bytes(data, size);
    rig.Dev.ScanDevices();
    for (const auto& s : rig.Dev.DeviceList()) rig.Dev.SelectDevice(s);
    rig.Dev.SelectDevice("0:0:0,E: ");
    rig.Dev.HaId = rig.Dev.Target = rig.Dev.Lun = 0;

    uint8_t inquiry[56] = {};
    std::memcpy(inquiry, data, std::min(size, sizeof inquiry));
    ident::SanitizeIdentity(inquiry);
    fuzz::TFuzzRig::Sink += ident::DeviceString(0, 0, 0, 'E', inquiry).size() + ident::IdentityText(inquiry).size();
    ident::ModelFlagsFor(inquiry);
    // The fields read no further than the bytes they are given.
    const ident::TProductFields fields = ident::ProductFields(data, size);
    fuzz::TFuzzRig::Sink += fields.Vendor.size() + fields.Product.size() + fields.Revision.size();
    return 0;
}
