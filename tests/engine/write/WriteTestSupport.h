#pragma once
// Helpers of the write-pipeline tests: a scratch folder, files of known bytes, hand-made
// compilation entries, and draining a cache thread the way the write thread does.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "engine/image/Entries.h"
#include "engine/JobState.h"
#include "engine/write/CacheThread.h"

namespace tarnwick::test {

class TScratch {
public:
    TScratch() {
        static int n = 0;
        Dir = std::filesystem::temp_directory_path() /
              ("tarnwick-write-" + std::to_string(::getpid()) + "-" + std::to_string(++n));
        std::filesystem::remove_all(Dir);
        std::filesystem::create_directories(Dir);
    }
    ~TScratch() {
        std::error_code ec;
        std::filesystem::remove_all(Dir, ec);
    }
    std::string Path(const std::string& name) const { return (Dir / name).string(); }
    std::filesystem::path Dir;
};

// Bytes that differ from file to file and from offset to offset.
inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
    std::vector<uint8_t> v(size);
    uint32_t x = 2463534242u ^ seed;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = uint8_t(x);
    }
    return v;
}

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

// Owns hand-made file entries (the compilation's FileTable shape).
struct TFileList {
    std::vector<std::unique_ptr<TFEntry>> Owned;
    std::vector<TFEntry*> Table;
    TFEntry* Add(const std::string& source, int64_t size, int32_t attr = 0x20) {
        auto e = std::make_unique<TFEntry>();
        e->SourcePath = source;
        e->IsoSize = e->JolietSize = size;
        e->Attr = attr;
        Table.push_back(e.get());
        Owned.push_back(std::move(e));
        return Table.back();
    }
    int32_t Count() const { return int32_t(Table.size()); }
    // The engine frees its file table's entries: give them up when it takes the table.
    std::vector<TFEntry*> HandOver() {
        for (auto& e : Owned) e.release();
        Owned.clear();
        return Table;
    }
};

inline int64_t Sectors(int64_t bytes) { return (bytes + 2047) / 2048; }

// A job of its own for a cache made outside an engine: the cache puts its error there, so
// each cache of a test starts with none.
struct TOwnJob {
    TJobState State;
    TJobBinding Binding{State};
};

// Takes blocks until ReadBlock says 0 (or the bound passes); returns all bytes taken.
inline std::vector<uint8_t> Drain(TCacheThread& cache, std::vector<int32_t>* counts = nullptr,
                                  std::chrono::seconds bound = std::chrono::seconds(60)) {
    std::vector<uint8_t> out;
    std::vector<uint8_t> buffer(65536);
    const auto deadline = std::chrono::steady_clock::now() + bound;
    for (;;) {
        const int32_t n = cache.ReadBlock(buffer.data());
        if (n == 0) break;
        if (n < 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ADD_FAILURE() << "cache never finished";
                break;
            }
            cache.WaitForBlock(50);
            continue;
        }
        if (counts) counts->push_back(n);
        out.insert(out.end(), buffer.begin(), buffer.begin() + n);
    }
    return out;
}

inline bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

} // namespace tarnwick::test
