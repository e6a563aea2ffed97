#pragma once
// A text that one thread writes while another reads it (a job's current file, its error).
#include <mutex>
#include <string>

namespace tarnwick {

class TGuardedString {
public:
    TGuardedString() = default;
    TGuardedString(const TGuardedString&) = delete;
    TGuardedString& operator=(const TGuardedString&) = delete;

    std::string Get() const {
        std::lock_guard lock(Mutex);
        return Text;
    }
    void Set(const std::string& v) {
        std::lock_guard lock(Mutex);
        Text = v;
    }
    // Sets v only when no text is there yet; true when it did.
    bool SetIfEmpty(const std::string& v) {
        std::lock_guard lock(Mutex);
        if (!Text.empty()) return false;
        Text = v;
        return true;
    }
    bool Empty() const {
        std::lock_guard lock(Mutex);
        return Text.empty();
    }
    operator std::string() const { return Get(); }
    TGuardedString& operator=(const std::string& v) {
        Set(v);
        return *this;
    }

private:
    mutable std::mutex Mutex;
    std::string Text;
};

} // namespace tarnwick
