// Copy protection as a drive shows it: the disc's copyright information (READ DVD STRUCTURE
// format 01h), the drive's region state (REPORT KEY format 08h), and the refusal to read
// scrambled sectors of a CSS disc that no authentication has opened.
#include "emulator/EmulatedDrive.h"
#include "emulator/Wire.h"

namespace emulator {

namespace {

constexpr uint8_t kFormatCopyright = 0x01;
constexpr uint8_t kKeyFormatRpcState = 0x08;
constexpr uint8_t kCss = 0x01;          // copyright protection system type: CSS/CPPM
constexpr uint8_t kRpcPhase2 = 0x01;    // RPC scheme
constexpr uint8_t kTypeRegionSet = 0x40; // type code 01b: a region is set
constexpr uint8_t kUserChangesLeft = 4;

} // namespace

TReply TEmulatedDrive::ReadDvdStructure(const TCommand& c) {
    const uint8_t format = c.Cdb[7];
    const uint32_t alloc = GetBE16(c.Cdb + 8);
    if (!IsDvd(CurrentProfile())) return TReply::Check(sense::CannotReadMediumIncompatibleFormat);
    if (format != kFormatCopyright || c.Cdb[6] != 0) return TReply::Check(sense::InvalidFieldInCdb);
    std::vector<uint8_t> d(8, 0);
    PutBE16(d.data(), 6);
    d[4] = Disc->Css() ? kCss : 0;
    d[5] = Disc->Css() ? Disc->RegionMask() : 0;
    return TReply::In(std::move(d), alloc);
}

TReply TEmulatedDrive::ReportKey(const TCommand& c) {
    const uint8_t keyFormat = c.Cdb[10] & 0x3F;
    const uint32_t alloc = GetBE16(c.Cdb + 8);
    if (keyFormat != kKeyFormatRpcState || c.Cdb[7] != 0) return TReply::Check(sense::InvalidFieldInCdb);
    std::vector<uint8_t> d(8, 0);
    PutBE16(d.data(), 6);
    d[4] = kTypeRegionSet | kUserChangesLeft;
    d[5] = uint8_t(~(1u << (Settings.Model.Region - 1)));
    d[6] = kRpcPhase2;
    return TReply::In(std::move(d), alloc);
}

std::optional<TSenseCode> TEmulatedDrive::ProtectedReadFailure(uint32_t lba, uint32_t blocks) const {
    if (!Disc->Css() || uint64_t(lba) + blocks <= Disc->CssProtectedFrom()) return std::nullopt;
    const uint8_t driveRegionBit = uint8_t(1u << (Settings.Model.Region - 1));
    if (Disc->RegionMask() & driveRegionBit) return sense::MediaRegionCodeMismatch;
    return sense::ReadOfScrambledSectorWithoutAuthentication;
}

} // namespace emulator
