#pragma once
// Faults a test arms on an emulated drive: the next matching commands fail with a given
// sense, come back BUSY, never complete, or the drive disappears.
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "emulator/Sense.h"

namespace emulator {

enum class TFaultKind {
    CheckCondition, // CHECK CONDITION with Sense
    Busy,           // status BUSY (08h), no sense
    NoCompletion,   // the pass-through call fails after the request's whole time-out
    Vanish,         // the drive stops answering, for good
    ShortReply,     // the command is carried out, but only half of its data-in comes back
    GarbageReply,   // the command is carried out, its data-in replaced by noise (same length)
};

struct TFault {
    TFaultKind Kind = TFaultKind::CheckCondition;
    TSenseCode Sense;
    uint32_t Count = 1;                // how many matching commands fail
    std::optional<uint8_t> Opcode;     // only commands with this opcode
    std::optional<uint32_t> WriteLba;  // only WRITE(10) commands whose blocks cover this LBA
    uint32_t Skip = 0;                 // matching commands let through before the first failure

    static TFault WithSense(TSenseCode s, uint32_t count = 1) { return {TFaultKind::CheckCondition, s, count, {}, {}}; }
    static TFault BusyStatus(uint32_t count = 1) { return {TFaultKind::Busy, {}, count, {}, {}}; }
    static TFault Hang(uint32_t count = 1) { return {TFaultKind::NoCompletion, {}, count, {}, {}}; }
    static TFault Disappear() { return {TFaultKind::Vanish, {}, 1, {}, {}}; }
    static TFault Short(uint32_t count = 1) { return {TFaultKind::ShortReply, {}, count, {}, {}}; }
    static TFault Garbage(uint32_t count = 1) { return {TFaultKind::GarbageReply, {}, count, {}, {}}; }
    TFault& OnlyOpcode(uint8_t opcode) {
        Opcode = opcode;
        return *this;
    }
    TFault& OnlyWriteAt(uint32_t lba) {
        WriteLba = lba;
        return *this;
    }
    TFault& AfterMatching(uint32_t n) {
        Skip = n;
        return *this;
    }
};

// Applies a ShortReply or GarbageReply fault to the data a command is about to return.
void SpoilReply(const TFault& fault, std::vector<uint8_t>& data);

class TFaultList {
public:
    void Arm(const TFault& fault);
    void Clear();
    size_t Pending() const;
    // The first armed fault that matches this CDB, with one use taken from it.
    std::optional<TFault> Take(const uint8_t* cdb, uint8_t cdbLength);

private:
    mutable std::mutex Mutex;
    std::vector<TFault> Armed;
};

} // namespace emulator
