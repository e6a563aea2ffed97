#include "engine/device/Identity.h"

#include <algorithm>
#include <string_view>

#include "engine/device/DeviceEntry.h"
#include "platform/Text.h"

namespace tarnwick::ident {

namespace {
std::string Field(const uint8_t* p, int len) {
    std::string s(reinterpret_cast<const char*>(p), size_t(len));
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return s;
}

std::string Trim(std::string s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 0x20) ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 0x20) --e;
    return s.substr(b, e - b);
}

// Bytes [at, at + len) of a reply holding valid bytes, without the padding at its end.
std::string PaddedField(const uint8_t* p, size_t valid, int at, int len) {
    if (size_t(at) >= valid) return {};
    std::string s(reinterpret_cast<const char*>(p) + at, std::min(size_t(len), valid - size_t(at)));
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

} // namespace

TProductFields ProductFields(const uint8_t* inq, size_t valid) {
    return {PaddedField(inq, valid, kVendor, kVendorLen), PaddedField(inq, valid, kProduct, kProductLen),
            PaddedField(inq, valid, kRevision, kRevisionLen)};
}

std::string DeviceString(uint8_t ha, uint8_t target, uint8_t lun, char letter, const uint8_t* inq) {
    TDeviceEntry e;
    e.Address = {ha, target, lun};
    e.Letter = letter;
    e.Identity = Field(inq + kVendor, kVendorLen) + Field(inq + kProduct, kProductLen) + Field(inq + kRevision, kRevisionLen);
    e.NotSupported = inq[0] == kTypeWriteOnce;
    return FormatDeviceString(e);
}

void SanitizeIdentity(uint8_t* inq) {
    for (int i = 8; i <= 55; ++i)
        if (inq[i] < 0x20) inq[i] = 0x20;
}

std::string IdentityText(const uint8_t* inq) {
    return Field(inq + kVendor, kVendorLen) + " " + Field(inq + kProduct, kProductLen) + " " +
           Field(inq + kRevision, kRevisionLen);
}

TModelFlags ModelFlagsFor(const uint8_t* inq) {
    const std::string product16 = Field(inq + kProduct, kProductLen);
    const std::string product = Trim(product16);
    const std::string vendor = Trim(Field(inq + kVendor, kVendorLen));
    TModelFlags f;
    f.ForceBUF = product == "CD-W512EB";
    f.ForceLSV = product == "CRX175E" || product == "CD-RW  CRX800E";
    // These two report ready while still settling after a load; compared with the padding.
    f.ExtraReadyWait = product16 == "DVD-RW  DVR-103 " || product16 == "DVD-RW  DVR-104 ";
    f.ExtraReadyWaitVendor = platform::StartsWith(product, "UJDA") || (vendor.size() >= 3 && platform::StartsWith(vendor, "TDK"));
    // This model rejects an immediate close of the session.
    f.ImmediateClose = product != "CDRW321040X";
    return f;
}

} // namespace tarnwick::ident
