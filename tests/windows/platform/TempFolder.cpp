#include "TempFolder.h"

#include <atomic>
#include <stdexcept>

namespace testing_win {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

void RemoveTree(const std::wstring& folder) {
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

} // namespace

TTempFolder::TTempFolder() {
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
            Folder = Narrow(path);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TTempFolder::~TTempFolder() { RemoveTree(WPath()); }

std::string TTempFolder::Write(const std::string& name, const std::string& bytes) const {
    std::string path = *this / name;
    HANDLE h = CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create " + path);
    DWORD done = 0;
    WriteFile(h, bytes.data(), DWORD(bytes.size()), &done, nullptr);
    CloseHandle(h);
    return path;
}

std::string TTempFolder::MakeDir(const std::string& name) const {
    std::string path = *this / name;
    CreateDirectoryW(Widen(path).c_str(), nullptr);
    return path;
}

} // namespace testing_win
