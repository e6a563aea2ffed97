#pragma once
// Every command an emulated drive received, in order, for tests: the CDB, the direction and
// length the initiator gave, the data sent or returned, and the outcome. Safe to read from
// another thread while a job runs.
#include <cstdint>
#include <mutex>
#include <vector>

#include "emulator/Sense.h"

namespace emulator {

struct TCommandRecord {
    std::vector<uint8_t> Cdb;          // CdbLength bytes
    uint8_t Direction = 0;             // SCSI_IOCTL_DATA_OUT / _IN / _UNSPECIFIED
    uint32_t Length = 0;               // DataTransferLength as the initiator gave it
    uint32_t Transferred = 0;          // bytes actually moved
    std::vector<uint8_t> Data;         // data sent (out) or returned (in), up to the log's limit
    uint8_t Status = kStatusGood;      // SCSI status; meaningless when Completed is false
    TSenseCode Sense;                  // for CHECK CONDITION
    bool Completed = true;             // false: timed out or the drive had vanished

    uint8_t Opcode() const { return Cdb.empty() ? 0 : Cdb[0]; }
};

class TCommandLog {
public:
    // At most this many data bytes are kept per command, so a whole burn does not live in
    // memory twice.
    explicit TCommandLog(size_t dataLimit = 4096) : DataLimit(dataLimit) {}

    void Add(TCommandRecord record);
    std::vector<TCommandRecord> Records() const;
    // The opcodes in order: the shape of a command sequence at a glance.
    std::vector<uint8_t> Opcodes() const;
    size_t Count() const;
    void Clear();
    size_t DataLimitBytes() const { return DataLimit; }

private:
    mutable std::mutex Mutex;
    std::vector<TCommandRecord> Entries;
    size_t DataLimit;
};

} // namespace emulator
