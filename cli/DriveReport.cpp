#include "cli/DriveReport.h"

#include <algorithm>

#include "engine/device/DeviceEntry.h"
#include "engine/device/Identity.h"
#include "engine/device/Reading.h"
#include "engine/device/ScsiDevice.h"
#include "engine/write/DiscProtection.h"
#include "platform/Drives.h"
#include "platform/virtual/VirtualBus.h"

namespace tarnwick::cli {

namespace {
// Reads the disc state after GetSessionCount has read the disc information: the status bits,
// and the last track's next writable address and free blocks.
void ReadDiscState(TSCSIDevice& dev, TDriveReport& r) {
    const reply::TDiscInformation info = dev.LastDiscInformation();
    if (!info.Returned()) return; // the drive did not answer
    r.DiscInfoKnown = true;
    r.DiscStatus = info.Status;
    r.Erasable = info.Erasable;
    reply::TTrackInformation track;
    if (!reading::ReadTrackInformation(dev, info.LastTrack, track)) return;
    r.CapacityKnown = true;
    r.FreeSectors = track.NwaValid ? track.FreeBlocks : 0;
    // A track written anywhere (DVD+RW, restricted overwrite, DVD-RAM) spans the whole disc.
    const bool randomWritable = info.Status == reply::TDiscInformation::Other;
    if (randomWritable) r.FreeSectors = 0;
    r.RecordedSectors = randomWritable ? track.Size : track.NwaValid ? track.NextWritable : track.Start + track.Size;
}
} // namespace

TDriveReport QueryDrive(TSCSIDevice& dev, const std::string& deviceString) {
    TDriveReport r;
    r.DeviceString = deviceString;
    const auto entry = ParseDeviceString(deviceString);
    if (!entry) return r;
    r.Letter = entry->Letter;
    dev.HaId = entry->Address.HaId;
    dev.Target = entry->Address.Target;
    dev.Lun = entry->Address.Lun;
    // The model adjustments first, so that the capabilities read below include ForceBUF as a
    // recording would see them.
    ident::TModelFlags flags;
    dev.InquiryData.fill(0);
    if (dev.Inquiry()) {
        ident::SanitizeIdentity(dev.InquiryData.data());
        flags = ident::ModelFlagsFor(dev.InquiryData.data());
        const ident::TProductFields product = ident::ProductFields(dev.InquiryData.data(), dev.InquiryData.size());
        r.Vendor = product.Vendor;
        r.Product = product.Product;
        r.Revision = product.Revision;
    }
    dev.ForceBUF = flags.ForceBUF;
    if (flags.ForceBUF) r.Adjustments.push_back("underrun-free whatever its page says");
    if (flags.ForceLSV) r.Adjustments.push_back("LS_V in the write parameters");
    if (flags.ExtraReadyWait || flags.ExtraReadyWaitVendor) r.Adjustments.push_back("extra readiness wait");
    if (!flags.ImmediateClose) r.Adjustments.push_back("session closed without Immed");
    dev.ReadDeviceIdentity();
    r.Identity = dev.DeviceIdentity;
    r.CapabilityFlags = dev.CapabilityFlags;
    r.MaxReadSpeed = dev.DeviceMaxReadSpeed();
    r.MaxWriteSpeed = dev.DeviceMaxWriteSpeed();
    const reply::TCapabilitiesPage page = dev.LastCapabilities();
    r.CurrentWriteSpeed = page.CurrentWriteSpeed;
    uint32_t size = 0, free = 0;
    if (dev.ReadBufferCapacity(size, free))
        r.BufferBytes = size;
    else
        r.BufferBytes = uint32_t(page.BufferKB) * 1024;
    r.DiscType = dev.GetDiscType();
    r.Sessions = dev.GetSessionCount();
    ReadDiscState(dev, r);
    r.Protection = ProtectedDiscRefusal(dev, r.DiscType);
    r.Files = r.Letter ? DriveFilesText(r.Letter) : "no drive letter";
    dev.HaId = dev.Target = dev.Lun = 254;
    dev.ForceBUF = false;
    return r;
}

std::vector<std::string> MediaNames(uint32_t f, bool writes) {
    struct {
        uint32_t Read, Write;
        const char* Name;
    } const media[] = {
        {cfReadCDR, cfWriteCDR, "CD-R"},           {cfReadCDRW, cfWriteCDRW, "CD-RW"},
        {cfReadDVDROM, 0, "DVD-ROM"},              {cfReadDVDR, cfWriteDVDR, "DVD-R"},
        {cfReadDVDRW, cfWriteDVDRW, "DVD-RW"},     {cfReadDVDRAM, cfWriteDVDRAM, "DVD-RAM"},
        {cfReadDVDPlusR, cfWriteDVDPlusR, "DVD+R"}, {cfReadDVDPlusRW, cfWriteDVDPlusRW, "DVD+RW"},
    };
    std::vector<std::string> names;
    for (const auto& m : media) {
        const uint32_t bit = writes ? m.Write : m.Read;
        if (bit && (f & bit)) names.push_back(m.Name);
    }
    return names;
}

std::string DriveRootProblem(char letter) {
    const std::string drive = std::string(1, letter) + ":";
    const std::string device = platform::RealDriveDevice(letter);
    if (!device.empty()) return "the disc in " + drive + " (" + device + ") is not mounted";
    if (platform::VirtualDrive(letter)) return "the emulated drive " + drive + " has no folder of files";
    return "no disc or drive at " + drive;
}

std::string DriveFilesText(char letter) {
    const std::string root = platform::DriveRootFolder(letter);
    return root.empty() ? DriveRootProblem(letter) : root;
}

namespace {
std::string Join(const std::vector<std::string>& v) {
    if (v.empty()) return "nothing known";
    std::string s;
    for (const auto& x : v) s += (s.empty() ? "" : " ") + x;
    return s;
}
std::string Line(const char* label, const std::string& value) {
    std::string l = "    ";
    l += label;
    l.resize(18, ' ');
    return l + value + "\n";
}
} // namespace

std::string FormatReport(const TDriveReport& r) {
    std::string s = r.DeviceString + "\n";
    s += Line("Identity", r.Identity);
    s += Line("Reads", Join(MediaNames(r.CapabilityFlags, false)));
    s += Line("Writes", Join(MediaNames(r.CapabilityFlags, true)));
    std::vector<std::string> rec;
    if (r.CapabilityFlags & cfTestWrite) rec.push_back("test write");
    if (r.CapabilityFlags & cfUnderrunFree) rec.push_back("buffer-underrun free");
    std::string recText;
    for (const auto& x : rec) recText += (recText.empty() ? "" : ", ") + x;
    s += Line("Recording", recText.empty() ? "no test write, no underrun protection" : recText);
    s += Line("Read speed", std::to_string(r.MaxReadSpeed) + " KB/s maximum");
    s += Line("Write speed", std::to_string(r.MaxWriteSpeed) + " KB/s maximum, " + std::to_string(r.CurrentWriteSpeed) +
                                 " KB/s current");
    s += Line("Buffer", std::to_string(r.BufferBytes / 1024) + " KB");
    const char* disc = DiscTypeNames[std::min<uint8_t>(r.DiscType, 14)];
    s += Line("Disc", r.DiscType == dtUnknown ? std::string("none or unknown (UNKNOWN)")
                                              : std::string(disc) + ", " + std::to_string(r.Sessions) +
                                                    (r.Sessions == 1 ? " session" : " sessions"));
    if (r.DiscType != dtUnknown && r.DiscInfoKnown) {
        s += Line("Disc state", DiscStateText(r));
        if (r.CapacityKnown) s += Line("Capacity", DiscCapacityText(r));
    }
    if (!r.Protection.empty()) s += Line("Protection", r.Protection);
    s += Line("Files", r.Files);
    if (!r.Adjustments.empty()) {
        std::string a;
        for (const auto& x : r.Adjustments) a += (a.empty() ? "" : ", ") + x;
        s += Line("Adjustments", a);
    }
    return s;
}

std::string DiscStateText(const TDriveReport& r) {
    static const char* const states[] = {"blank", "appendable", "complete", "written anywhere"};
    return std::string(states[r.DiscStatus & 3]) + (r.Erasable ? ", erasable" : ", not erasable");
}

std::string DiscCapacityText(const TDriveReport& r) {
    auto mb = [](uint32_t sectors) { return std::to_string(uint64_t(sectors) * 2048 / 1000000) + " MB"; };
    std::string s = std::to_string(r.RecordedSectors) + " sectors (" + mb(r.RecordedSectors) + ") recorded";
    if (r.DiscStatus == 3) return s + ", rewritable in place";
    return s + ", " + std::to_string(r.FreeSectors) + " sectors (" + mb(r.FreeSectors) + ") free";
}

} // namespace tarnwick::cli
