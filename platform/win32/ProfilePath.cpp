// Settings through the private-profile API itself, so the program reads them exactly as other
// Windows programs do (UTF-16 files included). A bare file name is looked up in the Windows
// directory, as GetPrivateProfileString does.
#include "platform/Profile.h"

#include "platform/win32/Win32.h"

#include <cstdint>

namespace platform {

namespace {

bool IsBareName(const std::string& name) { return name.find_first_of("\\/:") == std::string::npos; }

std::wstring WindowsFolder() {
    wchar_t buffer[MAX_PATH + 1];
    UINT n = GetWindowsDirectoryW(buffer, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH) return {};
    return std::wstring(buffer, n);
}

// Only a file on a disk, and one within the bound: a device or pipe named as the settings
// would be read without end. (The profile API reads a file whole, so a larger one is not read
// at all.)
bool ReadableSettingsFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    const bool ok = GetFileType(h) == FILE_TYPE_DISK && GetFileSizeEx(h, &size) &&
                    uint64_t(size.QuadPart) <= uint64_t(kMaxProfileBytes);
    CloseHandle(h);
    return ok;
}

} // namespace

std::string ProfilePath(const std::string& fileName) {
    if (fileName.empty()) return {};
    std::wstring path = win32::Widen(fileName);
    if (IsBareName(fileName)) {
        std::wstring folder = WindowsFolder();
        if (folder.empty()) return {};
        if (folder.back() != L'\\') folder += L'\\';
        path = folder + path;
    }
    DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return win32::Narrow(path);
}

std::optional<std::string> ReadProfileString(const std::string& fileName, const std::string& section,
                                             const std::string& key) {
    // The API answers a missing file, section or key with the default; asking for the key list
    // of the section tells "missing" from "present but empty".
    std::string path = ProfilePath(fileName);
    if (path.empty() || key.empty()) return std::nullopt;
    if (!ReadableSettingsFile(win32::Widen(path))) return std::nullopt;
    std::wstring file = win32::Widen(path), wsection = win32::Widen(section), wkey = win32::Widen(key);

    std::wstring keys(4096, L'\0');
    for (;;) {
        DWORD n = GetPrivateProfileStringW(wsection.c_str(), nullptr, L"", keys.data(), DWORD(keys.size()),
                                           file.c_str());
        if (n + 2 < keys.size()) {
            keys.resize(n);
            break;
        }
        keys.resize(keys.size() * 2);
    }
    bool present = false;
    for (size_t at = 0; at < keys.size();) {
        size_t end = keys.find(L'\0', at);
        if (end == std::wstring::npos) end = keys.size();
        if (CompareStringOrdinal(keys.c_str() + at, int(end - at), wkey.c_str(), int(wkey.size()), TRUE) ==
            CSTR_EQUAL) {
            present = true;
            break;
        }
        at = end + 1;
    }
    if (!present) return std::nullopt;

    std::wstring value(1024, L'\0');
    for (;;) {
        DWORD n = GetPrivateProfileStringW(wsection.c_str(), wkey.c_str(), L"", value.data(), DWORD(value.size()),
                                           file.c_str());
        if (n + 1 < value.size()) {
            value.resize(n);
            break;
        }
        value.resize(value.size() * 2);
    }
    return win32::Narrow(value);
}

std::string ProfileFileProblem(const std::string& fileName) {
    const std::string path = ProfilePath(fileName);
    if (path.empty()) {
        const DWORD a = IsBareName(fileName) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(win32::Widen(fileName).c_str());
        return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) ? "is a folder" : "not found";
    }
    // The profile API reads only a file on a disk, and within the bound.
    if (!ReadableSettingsFile(win32::Widen(path)))
        return "is not a file on a disk of at most " + std::to_string(kMaxProfileBytes) + " bytes";
    return {};
}

} // namespace platform
