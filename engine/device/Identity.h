#pragma once
// A drive's identity from its INQUIRY data: the device-list string, the identity text and
// the model adjustments that a few drive models need. Pure functions.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tarnwick::ident {

// INQUIRY offsets.
constexpr int kVendor = 8, kVendorLen = 8;
constexpr int kProduct = 16, kProductLen = 16;
constexpr int kRevision = 32, kRevisionLen = 4;
// Peripheral device types the engine lists.
constexpr uint8_t kTypeWriteOnce = 0x04;
constexpr uint8_t kTypeCdDvd = 0x05;

inline bool IsListedType(uint8_t byte0) { return byte0 == kTypeCdDvd || byte0 == kTypeWriteOnce; }

// "h:t:l,X: " + vendor, product and revision as 8, 16 and 4 characters, + " (not supported)"
// for a write-once device. letter 0 is written "?". Control characters become spaces so that
// the string can be shown and parsed.
std::string DeviceString(uint8_t ha, uint8_t target, uint8_t lun, char letter, const uint8_t* inquiry36);

// Bytes 8-55 below 20h become spaces (the drive pads with zeros or control bytes).
void SanitizeIdentity(uint8_t* inquiry56);
// Vendor, product and revision separated by one space: 30 characters.
std::string IdentityText(const uint8_t* inquiry36);

// Vendor, product and revision as the drive gave them, without the spaces and NULs that pad
// their ends; a field past the valid bytes of the reply is cut there.
struct TProductFields {
    std::string Vendor, Product, Revision;
};
TProductFields ProductFields(const uint8_t* inquiry, size_t valid);

struct TModelFlags {
    bool ForceBUF = false;
    bool ForceLSV = false;
    bool ExtraReadyWait = false;
    bool ExtraReadyWaitVendor = false;
    bool ImmediateClose = true;
};
// From sanitised INQUIRY data.
TModelFlags ModelFlagsFor(const uint8_t* inquiry36);

} // namespace tarnwick::ident
