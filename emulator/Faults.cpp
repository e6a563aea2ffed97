#include "emulator/Faults.h"

#include "emulator/Opcodes.h"
#include "emulator/Wire.h"

namespace emulator {

namespace {

bool Matches(const TFault& f, const uint8_t* cdb, uint8_t cdbLength) {
    if (cdbLength == 0) return false;
    if (f.Opcode && cdb[0] != *f.Opcode) return false;
    if (f.WriteLba) {
        if (cdb[0] != op::Write10 || cdbLength < 10) return false;
        uint64_t lba = GetBE32(cdb + 2);
        uint64_t blocks = GetBE16(cdb + 7);
        if (*f.WriteLba < lba || *f.WriteLba >= lba + blocks) return false;
    }
    return true;
}

} // namespace

void SpoilReply(const TFault& fault, std::vector<uint8_t>& data) {
    if (fault.Kind == TFaultKind::ShortReply) {
        data.resize(data.size() / 2);
    } else if (fault.Kind == TFaultKind::GarbageReply) {
        // Fixed noise, so a failing case repeats.
        uint32_t x = 0x9E3779B9u ^ uint32_t(data.size());
        for (auto& b : data) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = uint8_t(x);
        }
    }
}

void TFaultList::Arm(const TFault& fault) {
    if (fault.Count == 0) return;
    std::lock_guard lock(Mutex);
    Armed.push_back(fault);
}

void TFaultList::Clear() {
    std::lock_guard lock(Mutex);
    Armed.clear();
}

size_t TFaultList::Pending() const {
    std::lock_guard lock(Mutex);
    size_t n = 0;
    for (const auto& f : Armed) n += f.Count;
    return n;
}

std::optional<TFault> TFaultList::Take(const uint8_t* cdb, uint8_t cdbLength) {
    std::lock_guard lock(Mutex);
    for (auto it = Armed.begin(); it != Armed.end(); ++it) {
        if (!Matches(*it, cdb, cdbLength)) continue;
        if (it->Skip > 0) {
            --it->Skip;
            continue;
        }
        TFault hit = *it;
        if (--it->Count == 0) Armed.erase(it);
        return hit;
    }
    return std::nullopt;
}

} // namespace emulator
