#include "emulator/CommandLog.h"

namespace emulator {

void TCommandLog::Add(TCommandRecord record) {
    if (record.Data.size() > DataLimit) record.Data.resize(DataLimit);
    std::lock_guard lock(Mutex);
    Entries.push_back(std::move(record));
}

std::vector<TCommandRecord> TCommandLog::Records() const {
    std::lock_guard lock(Mutex);
    return Entries;
}

std::vector<uint8_t> TCommandLog::Opcodes() const {
    std::lock_guard lock(Mutex);
    std::vector<uint8_t> ops;
    ops.reserve(Entries.size());
    for (const auto& e : Entries) ops.push_back(e.Opcode());
    return ops;
}

size_t TCommandLog::Count() const {
    std::lock_guard lock(Mutex);
    return Entries.size();
}

void TCommandLog::Clear() {
    std::lock_guard lock(Mutex);
    Entries.clear();
}

} // namespace emulator
