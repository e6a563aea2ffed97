#include "engine/image/IfoParser.h"

#include <cstring>

#include "engine/Bytes.h"

namespace tarnwick {

namespace {

constexpr size_t kSector = 2048;
constexpr size_t kLastSector = 0x0C;
constexpr size_t kLastIfoSector = 0x1C;
constexpr size_t kTitleSets = 0x3E;
constexpr size_t kMenuVob = 0xC0;
constexpr size_t kTitleSearchTable = 0xC4; // manager: the table's sector; title set: the title VOB
constexpr size_t kSearchEntries = 8;
constexpr size_t kSearchEntryLength = 12;
constexpr size_t kSearchEntrySet = 6;
constexpr size_t kSearchEntryStart = 8;
constexpr uint32_t kMaxTitleSets = 99;

bool Fail(std::string& error, const char* why) {
    error = why;
    return false;
}

} // namespace

bool ParseIfo(const uint8_t* data, size_t size, TIfoInfo& info, std::string& error) {
    info = TIfoInfo();
    TByteReader r(data, size);
    if (!r.Has(0, kTitleSearchTable + 4)) return Fail(error, "too short for an IFO header");
    if (std::memcmp(data, "DVDVIDEO-VMG", 12) == 0)
        info.Manager = true;
    else if (std::memcmp(data, "DVDVIDEO-VTS", 12) != 0)
        return Fail(error, "no DVDVIDEO-VMG or DVDVIDEO-VTS identifier");
    uint32_t v = 0;
    if (!r.BE32(kLastSector, info.LastSector) || !r.BE32(kLastIfoSector, info.LastIfoSector) ||
        !r.BE32(kMenuVob, info.MenuVobSector) || !r.BE32(kTitleSearchTable, v))
        return Fail(error, "header cut short");
    // The IFO and its backup both lie inside the set, one after the other at least.
    if (info.LastIfoSector >= info.LastSector || uint64_t(info.LastIfoSector) * 2 + 1 > info.LastSector)
        return Fail(error, "IFO sectors do not fit the set");
    if (uint64_t(info.LastIfoSector + 1) * kSector < size)
        return Fail(error, "the file is longer than the IFO sectors it declares");
    const uint32_t bupStart = info.LastSector - info.LastIfoSector;
    if (info.MenuVobSector != 0 && (info.MenuVobSector <= info.LastIfoSector || info.MenuVobSector >= bupStart))
        return Fail(error, "menu VOB sector outside the set");
    if (!info.Manager) {
        info.TitleVobSector = v;
        if (v == 0 || v <= info.LastIfoSector || v >= bupStart || (info.MenuVobSector && v <= info.MenuVobSector))
            return Fail(error, "title VOB sector outside the set");
        return true;
    }

    uint16_t sets = 0;
    if (!r.BE16(kTitleSets, sets)) return Fail(error, "header cut short");
    if (sets == 0 || sets > kMaxTitleSets) return Fail(error, "number of title sets out of range");
    if (v == 0 || v > info.LastIfoSector) return Fail(error, "title search table outside the IFO");
    const size_t table = size_t(v) * kSector;
    uint16_t titles = 0;
    if (!r.BE16(table, titles)) return Fail(error, "title search table past the end of the file");
    if (titles == 0) return Fail(error, "no titles");
    info.TitleSetStart.assign(sets, 0);
    for (size_t t = 0; t < titles; ++t) {
        const size_t at = table + kSearchEntries + t * kSearchEntryLength;
        uint8_t set = 0;
        uint32_t start = 0;
        if (!r.U8(at + kSearchEntrySet, set) || !r.BE32(at + kSearchEntryStart, start))
            return Fail(error, "title search table past the end of the file");
        if (set == 0 || set > sets) return Fail(error, "title names a title set that does not exist");
        uint32_t& known = info.TitleSetStart[size_t(set - 1)];
        if (known != 0 && known != start) return Fail(error, "two start sectors for one title set");
        if (start <= info.LastSector) return Fail(error, "title set starts inside the video manager");
        known = start;
    }
    for (size_t s = 0; s < info.TitleSetStart.size(); ++s) {
        if (info.TitleSetStart[s] == 0) return Fail(error, "a title set without a title");
        if (s > 0 && info.TitleSetStart[s] <= info.TitleSetStart[s - 1])
            return Fail(error, "title sets out of order");
    }
    return true;
}

} // namespace tarnwick
