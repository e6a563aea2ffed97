// MessageBeep and OpenURL with the hooks that tests and front ends install; the OS files do
// the real beep and the real opening.
#include <mutex>

#include "platform/Shell.h"

namespace platform {

namespace {
struct TShellHooks {
    std::mutex Mutex;
    std::function<void(unsigned)> Beep;
    std::function<void(const std::string&)> OpenURL;
};
TShellHooks& Hooks() {
    static TShellHooks h;
    return h;
}
} // namespace

void SetBeepHook(std::function<void(unsigned)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().Beep = std::move(hook);
}

void SetOpenURLHook(std::function<void(const std::string&)> hook) {
    std::lock_guard lock(Hooks().Mutex);
    Hooks().OpenURL = std::move(hook);
}

void MessageBeep(unsigned type) {
    std::function<void(unsigned)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().Beep;
    }
    if (hook)
        hook(type);
    else
        os::SystemBeep(type);
}

void OpenURL(const std::string& url) {
    std::function<void(const std::string&)> hook;
    {
        std::lock_guard lock(Hooks().Mutex);
        hook = Hooks().OpenURL;
    }
    if (hook)
        hook(url);
    else
        os::SystemOpenURL(url);
}

} // namespace platform
