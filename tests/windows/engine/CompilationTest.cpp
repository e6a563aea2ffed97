// The compilation built from a Windows folder takes its names from the system's listing: the
// long names as stored, the short names the file system keeps (not names of its own).
#include <gtest/gtest.h>

#include "engine/write/VornBurner.h"
#include "platform/win32/Win32.h"
#include "windows/support/TempFolder.h"

using namespace tarnwick;
using platform::win32::Narrow;
using platform::win32::Widen;
using testing_win::TTempFolder;

namespace {

std::string SystemShortName(const std::string& path) {
    wchar_t buf[MAX_PATH];
    DWORD n = GetShortPathNameW(Widen(path).c_str(), buf, MAX_PATH);
    std::string s = Narrow(std::wstring(buf, n));
    return s.substr(s.find_last_of('\\') + 1);
}

TFEntry* Child(TDEntry* dir, const std::string& longName) {
    for (TFEntry* f = dir->FirstChild; f; f = f->Next)
        if (f->LongName == longName) return f;
    return nullptr;
}

} // namespace

TEST(WindowsCompilation, NamesComeFromTheSystemsListing) {
    TTempFolder src;
    src.Write("README.TXT", "r");
    src.Write("Long File Name.txt", "long");
    src.MakeDir("My Videos");
    src.Write("My Videos\\Clip Number 01.vob", std::string(3000, 'v'));
    src.Write("My Videos\\NOTES", "n");

    TVornBurner burner;
    ASSERT_TRUE(burner.ClearCompilation(100, 10));
    ASSERT_TRUE(burner.AddFolder("\\", src.Path(), "*.*", platform::faAnyFile, true, false, false));

    TDEntry* root = burner.FindDir("\\");
    ASSERT_NE(root, nullptr);
    TFEntry* readme = Child(root, "README.TXT");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->ShortName, "README.TXT");
    TFEntry* longName = Child(root, "Long File Name.txt");
    ASSERT_NE(longName, nullptr);
    EXPECT_EQ(longName->ShortName, SystemShortName(src / "Long File Name.txt"));
    EXPECT_NE(longName->ShortName.find('~'), std::string::npos);
    EXPECT_EQ(longName->IsoSize, 4);

    TDEntry* videos = burner.FindDir("\\MY VIDEOS");
    ASSERT_NE(videos, nullptr);
    EXPECT_EQ(videos->LongName, "My Videos");
    EXPECT_EQ(videos->ShortName, SystemShortName(src / "My Videos"));
    TFEntry* clip = Child(videos, "Clip Number 01.vob");
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->ShortName, SystemShortName(src / "My Videos\\Clip Number 01.vob"));
    EXPECT_EQ(clip->IsoSize, 3000);
    EXPECT_EQ(clip->SourcePath, src / "My Videos\\Clip Number 01.vob");
    EXPECT_NE(Child(videos, "NOTES."), nullptr) << "a name without a dot gets one";
}
