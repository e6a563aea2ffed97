#pragma once
// Helpers for engine tests: a message recorder and listing results built in code.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/write/VornBurner.h"
#include "platform/Files.h"
#include "platform/Time.h"

namespace testsupport {

struct TMessages {
    std::vector<std::pair<std::string, int>> List;
    void Attach(tarnwick::TVornBurner& e) {
        e.OnDebugMessage = [this](tarnwick::TComponent*, const std::string& m, uint8_t t) { List.emplace_back(m, t); };
    }
    int Count(const std::string& text, int type) const {
        int n = 0;
        for (auto& m : List) n += m.first == text && m.second == type;
        return n;
    }
    bool AnyContaining(const std::string& part, int type) const {
        for (auto& m : List)
            if (m.second == type && m.first.find(part) != std::string::npos) return true;
        return false;
    }
};

// A listing result: a file unless attr says otherwise; dated 2006-12-31 23:59:58.
inline platform::TSearchRec Listed(const std::string& name, int64_t size = 0, uint32_t attr = platform::faArchive,
                                   const std::string& alternate = "") {
    platform::TSearchRec r;
    r.Name = name;
    r.AlternateName = alternate;
    r.Attr = attr;
    r.Size = size;
    r.Time = platform::DateTimeToDosDateTime(platform::EncodeDateTime({2006, 12, 31, 23, 59, 58, 0}));
    return r;
}
inline platform::TSearchRec ListedDir(const std::string& name, const std::string& alternate = "") {
    return Listed(name, 0, platform::faDirectory, alternate);
}

inline const uint8_t* Sector(const tarnwick::TVornBurner& e, int64_t n) { return e.Image().HeaderStream.Data() + n * 2048; }

inline std::string Text(const uint8_t* p, size_t n) { return std::string(reinterpret_cast<const char*>(p), n); }

} // namespace testsupport
