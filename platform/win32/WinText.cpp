#include "platform/win32/Win32.h"

#include <climits>
#include <cwchar>

namespace platform::win32 {

std::wstring Widen(const std::string& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n);
    return out;
}

std::string Narrow(const std::wstring& text) {
    if (text.empty() || text.size() > INT_MAX) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::string Narrow(const wchar_t* text) { return text ? Narrow(std::wstring(text)) : std::string(); }

std::string ErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text;
    if (n && buffer) {
        while (n && (buffer[n - 1] == L'\r' || buffer[n - 1] == L'\n' || buffer[n - 1] == L' ')) --n;
        text = Narrow(std::wstring(buffer, n));
    }
    if (buffer) LocalFree(buffer);
    if (text.empty()) text = "system error";
    return text + " (" + std::to_string(code) + ")";
}

} // namespace platform::win32
