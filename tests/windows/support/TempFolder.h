#pragma once
// A fresh folder in the Windows temporary folder, removed with its contents afterwards.
#include <atomic>
#include <stdexcept>
#include <string>

#include "platform/win32/Win32.h"

namespace testing_win {

class TTempFolder {
public:
    TTempFolder();
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return Folder; }
    std::wstring WPath() const { return platform::win32::Widen(Folder); }
    // Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return Folder + "\\" + name; }
    // Creates a file with these bytes; returns its path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string MakeDir(const std::string& name) const;

private:
    std::string Folder;
};

namespace detail {

inline void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &data));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace detail

inline TTempFolder::TTempFolder() {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH) throw std::runtime_error("no temporary folder");
    static std::atomic<int> counter{0};
    std::wstring base(temp, n);
    if (base.back() != L'\\') base += L'\\';
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring path = base + L"tarnwick-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(counter++);
        if (CreateDirectoryW(path.c_str(), nullptr)) {
            Folder = platform::win32::Narrow(path);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

inline TTempFolder::~TTempFolder() { detail::RemoveTree(WPath()); }

inline std::string TTempFolder::Write(const std::string& name, const std::string& bytes) const {
    std::string path = *this / name;
    HANDLE h = CreateFileW(platform::win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    DWORD done = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(h);
    return path;
}

inline std::string TTempFolder::MakeDir(const std::string& name) const {
    std::string path = *this / name;
    CreateDirectoryW(platform::win32::Widen(path).c_str(), nullptr);
    return path;
}

} // namespace testing_win
