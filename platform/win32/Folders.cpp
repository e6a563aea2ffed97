#include "platform/Folders.h"

#include "platform/win32/Win32.h"

namespace platform {

std::string HomeFolder() {
    wchar_t buffer[MAX_PATH + 1];
    const DWORD n = GetEnvironmentVariableW(L"USERPROFILE", buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return win32::Narrow(std::wstring(buffer, n));
}

std::string SystemTempFolder() {
    wchar_t buffer[MAX_PATH + 2];
    DWORD n = GetTempPathW(MAX_PATH + 2, buffer);
    if (n == 0 || n > MAX_PATH + 1) return {};
    while (n > 3 && (buffer[n - 1] == L'\\' || buffer[n - 1] == L'/')) --n;
    return win32::Narrow(std::wstring(buffer, n));
}

} // namespace platform
