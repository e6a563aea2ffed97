#include "engine/write/BurnChecks.h"

#include <array>
#include <cstring>
#include <filesystem>

#include "engine/device/Messages.h"
#include "engine/device/Reading.h"
#include "engine/write/DiscRecorder.h"
#include "engine/StreamEx.h"
#include "engine/write/VornBurner.h"

namespace tarnwick {

namespace {

constexpr uint16_t kInvisibleTrack = 0xFF;

bool WriteOnce(uint8_t t) { return t == dtCDR || t == dtDVDR || t == dtDVDPlusR; }
bool Sequential(uint8_t t) {
    return t == dtCDR || t == dtCDRW || t == dtDVDR || t == dtDVDRWSequential || t == dtDVDPlusR;
}
bool IsCd(uint8_t t) { return t == dtCDR || t == dtCDRW; }

std::string Name(uint8_t discType) { return DiscTypeNames[discType < 15 ? discType : 0]; }

std::string Refuse(const char* pattern, const std::string& first, const std::string& second) {
    return msg::Format(msg::Format(pattern, first).c_str(), second);
}

} // namespace

bool IsSpecialFile(const std::string& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(std::filesystem::path(path), ec);
    if (ec) return false;
    switch (status.type()) {
    case std::filesystem::file_type::block:
    case std::filesystem::file_type::character:
    case std::filesystem::file_type::fifo:
    case std::filesystem::file_type::socket: return true;
    default: return false;
    }
}

bool HoldsVolumeDescriptor(const uint8_t* s) {
    static const char* const kIds[] = {"CD001", "BEA01", "NSR02", "NSR03", "TEA01", "BOOT2", "CDW02"};
    for (const char* id : kIds)
        if (std::memcmp(s + 1, id, 5) == 0) return true;
    return false;
}

bool Recordable(uint8_t discType) {
    return discType != dtCDROM && discType != dtDVDROM && discType != dtDDCDROM;
}

bool CanSimulate(uint8_t discType, uint32_t capabilityFlags) {
    if (!(capabilityFlags & cfTestWrite)) return false;
    return discType == dtCDR || discType == dtCDRW || discType == dtDVDR || discType == dtDVDRWSequential;
}

std::optional<uint32_t> FreeSectors(TVornBurner& engine, uint8_t discType) {
    // The track being written next: its free blocks, when the drive gives a writable address.
    reply::TTrackInformation track;
    if (reading::QueryTrackInformation(engine, kInvisibleTrack, track) >= 20 && track.NwaValid)
        return track.FreeBlocks;

    // A blank disc: the last possible start of the lead-out is the room there is.
    std::array<uint8_t, 34> di{};
    if (engine.ReadDiscInformation(di.data(), uint8_t(di.size()))) {
        const reply::TDiscInformation info = reply::ParseDiscInformation(di.data(), di.size());
        if (info.Blank() && info.LeadOutLimitGiven()) return info.LeadOutLimitLba(IsCd(discType));
    }

    if (IsCd(discType)) {
        std::array<uint8_t, 28> atip{};
        if (engine.ReadTOC(4, atip.data(), true, 0, uint8_t(atip.size()), 0)) {
            const reply::TAtip a = reply::ParseAtip(atip.data(), atip.size());
            if (a.LeadOutLimitGiven) return a.LeadOutLimit;
        }
    }
    return std::nullopt;
}

std::string CheckBurn(TVornBurner& engine, const std::string& fileName, uint8_t discType) {
    if (IsSpecialFile(fileName)) return msg::Format(kImageNotAFile, fileName);

    int64_t bytes = 0;
    std::array<uint8_t, 2048> sector16{};
    bool volumeDescriptor = false;
    try {
        TFileStreamEx image(fileName, fmOpenRead | fmShareDenyNone);
        bytes = image.GetSize();
        if (bytes >= 17 * 2048 && image.Seek(16 * 2048, 0) == 16 * 2048 &&
            image.Read(sector16.data(), int32_t(sector16.size())) == int32_t(sector16.size()))
            volumeDescriptor = HoldsVolumeDescriptor(sector16.data());
    } catch (EFileStreamError&) {
        return {}; // the job entry reports a file it cannot open
    }
    if (bytes == 0) return msg::Format(kImageEmpty, fileName);

    if (!Recordable(discType)) return msg::Format(kNotRecordable, Name(discType));

    if (engine.TestWrite() && !CanSimulate(discType, engine.CapabilityFlags))
        return msg::Format(kTestWriteImpossible, Name(discType));

    if (WriteOnce(discType)) {
        std::array<uint8_t, 34> di{};
        if (engine.ReadDiscInformation(di.data(), uint8_t(di.size()))) {
            const reply::TDiscInformation info = reply::ParseDiscInformation(di.data(), di.size());
            if (info.Closed()) return msg::Format(kDiscClosed, Name(discType));
            if (!info.Blank()) return msg::Format(kDiscNotBlank, Name(discType));
        }
    }

    if (Sequential(discType)) {
        engine.Job().ImageSectors = TVornBurner::BytesToSectors(bytes);
        const int64_t track = engine.GetTrackSectors();
        const int64_t needed = discType == dtDVDR ? int64_t(ReservationSectors(track)) : track;
        if (auto room = FreeSectors(engine, discType); room && needed > int64_t(*room))
            return Refuse(kImageTooLarge, std::to_string(needed), std::to_string(*room));
    }

    if (!volumeDescriptor) engine.DebugMessage(std::string(">>> ") + kNoVolumeDescriptor, 1);
    return {};
}

} // namespace tarnwick
