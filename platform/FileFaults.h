#pragma once
// Tests: failures of the file calls on demand (a read error in the middle of a file, a folder
// whose files can no longer be opened, a full disk), which a real file system gives only
// with special devices or privileges. Without a hook nothing changes.
#include <cstdint>
#include <functional>
#include <string>

namespace platform {

enum class TFileCall { Open, Create, Read, Write };

// Consulted before FileOpen / FileCreate / FileRead / FileWrite with the file's path and the
// position of the call (0 for opening); a non-zero return is the errno the call fails with.
using TFileFaultHook = std::function<int(TFileCall call, const std::string& path, int64_t position)>;
// Installs the hook for every thread; an empty function removes it. Returns the previous one.
TFileFaultHook SetFileFaultHook(TFileFaultHook hook);
bool FileFaultHookSet();
// The hook's answer, 0 without a hook.
int FileFault(TFileCall call, const std::string& path, int64_t position);

} // namespace platform
