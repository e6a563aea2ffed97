#include "platform/FileFaults.h"

#include <atomic>
#include <mutex>

namespace platform {

namespace {
std::mutex HookMutex;
TFileFaultHook Hook;
std::atomic<bool> HookSet{false};
} // namespace

TFileFaultHook SetFileFaultHook(TFileFaultHook hook) {
    std::lock_guard lock(HookMutex);
    std::swap(Hook, hook);
    HookSet = bool(Hook);
    return hook;
}

bool FileFaultHookSet() { return HookSet.load(); }

int FileFault(TFileCall call, const std::string& path, int64_t position) {
    if (!HookSet) return 0;
    std::lock_guard lock(HookMutex);
    return Hook ? Hook(call, path, position) : 0;
}

} // namespace platform
