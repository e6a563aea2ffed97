// What the drive can do: the capabilities mode page (2Ah), vendor page 30h and the DVD+R/RW
// and DVD-R/RW write features of GET CONFIGURATION.
#include <algorithm>
#include <cstring>

#include "engine/device/Replies.h"
#include "engine/device/ScsiDevice.h"

namespace tarnwick {

namespace {
constexpr uint8_t kCapabilitiesPage = 0x2A;
constexpr uint8_t kVendorPage30 = 0x30;
constexpr uint16_t kDvdOneX = 1385; // KB/s: a drive reporting 0 is taken to write at DVD 1x

// Page offsets (MMC capabilities page).
constexpr size_t kPgMaxReadSpeed = 8;
constexpr size_t kPgMaxWriteSpeed = 18;
constexpr size_t kPgCurWriteSpeed = 20;

// The page of a MODE SENSE reply in buf is moved to the front: bytes P..254.
void MovePageToFront(std::array<uint8_t, 256>& buf, int p, std::array<uint8_t, 256>& copy) {
    const size_t n = p < 255 ? size_t(255 - p) : 0;
    std::memmove(buf.data(), buf.data() + p, n);
    copy.fill(0);
    std::memcpy(copy.data(), buf.data(), n);
}

uint16_t MaxSpeedOrDvdRam(uint16_t v, uint8_t byte3) {
    // A DVD-RAM writer may leave its maximum speeds 0; it still counts as having a speed.
    return v == 0 && (byte3 & 0x20) ? 1 : v;
}

uint32_t FeatureFlags(TSCSIDevice& d, uint16_t feature) {
    auto& cfg = DrvLibState().ConfigurationBuffer;
    cfg.fill(0);
    if (!d.GetConfiguration(2, feature, cfg.data(), int32_t(cfg.size()))) return 0;
    // RT 2 returns only the asked feature, and only when the drive has it.
    return reply::CapabilityFlagsFromFeature(GetBE16(&cfg[8]), cfg[12]);
}
} // namespace

bool TSCSIDevice::ReadCapabilities() {
    auto& cap = DrvLibState().CapabilityBuffer;
    CapabilityFlags = 0;
    FDeviceMaxWriteSpeed = 0;
    FDeviceMaxReadSpeed = 0;
    CapabilitiesPage.fill(0);
    cap.fill(0);

    int p = 15;
    if (ModeSense10(kCapabilitiesPage, cap.data(), 255, 255, true)) {
        p = reply::FindModePage(TByteReader(cap.data(), 255), kCapabilitiesPage, true);
        if (p < 0) p = 8;
        MovePageToFront(cap, p, CapabilitiesPage);
        const uint8_t b3 = CapabilitiesPage[3];
        CapabilityFlags = reply::CapabilityFlagsFromPage(CapabilitiesPage[2], b3, CapabilitiesPage[4]);
        if (HasPage30() || ForceBUF) CapabilityFlags |= cfUnderrunFree;
        FDeviceMaxWriteSpeed = MaxSpeedOrDvdRam(GetBE16(&CapabilitiesPage[kPgMaxWriteSpeed]), b3);
        FDeviceMaxReadSpeed = MaxSpeedOrDvdRam(GetBE16(&CapabilitiesPage[kPgMaxReadSpeed]), b3);
        CapabilityFlags |= FeatureFlags(*this, 0x002A);
        CapabilityFlags |= FeatureFlags(*this, 0x002F);
    }

    cap.fill(0);
    if (!ModeSense10(kCapabilitiesPage, cap.data(), 255, 128, false)) return false;
    const int q = reply::FindModePage(TByteReader(cap.data(), 128), kCapabilitiesPage, true);
    if (q >= 0) p = q;
    MovePageToFront(cap, p, CapabilitiesPage);

    if (GetBE16(&CapabilitiesPage[kPgCurWriteSpeed]) == 0) PutBE16(&CapabilitiesPage[kPgCurWriteSpeed], kDvdOneX);
    if (GetBE16(&CapabilitiesPage[kPgMaxWriteSpeed]) == 0) PutBE16(&CapabilitiesPage[kPgMaxWriteSpeed], kDvdOneX);

    cap.fill(0);
    FDeviceMaxWriteSpeed = std::max(FDeviceMaxWriteSpeed, GetBE16(&CapabilitiesPage[kPgMaxWriteSpeed]));
    FDeviceMaxReadSpeed = std::max(FDeviceMaxReadSpeed, GetBE16(&CapabilitiesPage[kPgMaxReadSpeed]));
    return true;
}

bool TSCSIDevice::HasPage30() {
    // A drive that answers for vendor page 30h records without buffer underruns.
    auto& cap = DrvLibState().CapabilityBuffer;
    cap.fill(0);
    if (!ModeSense10(kVendorPage30, cap.data(), 255, 128, false)) return false;
    return reply::FindModePage(TByteReader(cap.data(), 128), kVendorPage30, true) >= 0;
}

reply::TCapabilitiesPage TSCSIDevice::LastCapabilities() const {
    return reply::ParseCapabilitiesPage(CapabilitiesPage.data(), CapabilitiesPage.size());
}

uint16_t TSCSIDevice::QueryMaxReadSpeed() {
    if (!ReadCapabilities()) return 0;
    return LastCapabilities().MaxReadSpeed;
}

uint16_t TSCSIDevice::QueryCurrentWriteSpeed() {
    if (!ReadCapabilities()) return 0;
    return LastCapabilities().CurrentWriteSpeed;
}

} // namespace tarnwick
