#pragma once
// A fresh folder in the Windows temporary folder, removed with its contents afterwards.
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

} // namespace testing_win
