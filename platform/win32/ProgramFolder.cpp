#include "platform/Shell.h"

#include "platform/win32/Win32.h"

namespace platform {

std::string ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), DWORD(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2); // truncated: long path
    }
    auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return {};
    return win32::Narrow(path.substr(0, slash));
}

} // namespace platform
