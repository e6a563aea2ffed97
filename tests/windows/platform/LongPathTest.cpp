// Paths in the extended-length form: names that plain Win32 paths cannot reach (a trailing
// dot or space) and trees deeper than MAX_PATH are created, listed, read and identified.
#include <gtest/gtest.h>

#include <map>

#include "windows/support/TempFolder.h"
#include "platform/Files.h"

using namespace platform;
using platform::win32::ExtendedPath;
using platform::win32::Widen;
using testing_win::TTempFolder;

namespace {

std::map<std::string, TSearchRec> List(const std::string& folder) {
    std::map<std::string, TSearchRec> out;
    TSearchRec rec;
    TFindHandle h;
    for (int r = FindFirst(folder + "\\*.*", faAnyFile, rec, h); r == 0; r = FindNext(h, rec))
        if (rec.Name != "." && rec.Name != "..") out[rec.Name] = rec;
    FindClose(h);
    return out;
}

std::string ReadAll(const std::string& path) {
    TFileHandle h = FileOpen(path, 0x40);
    if (h == kInvalidFileHandle) return "(cannot open: " + LastErrorText() + ")";
    std::string out;
    char buf[256];
    for (int32_t n; (n = FileRead(h, buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    FileClose(h);
    return out;
}

bool Write(const std::string& path, const std::string& bytes) {
    TFileHandle h = FileCreateNew(path);
    if (h == kInvalidFileHandle) return false;
    const bool ok = FileWrite(h, bytes.data(), int32_t(bytes.size())) == int32_t(bytes.size());
    return FileClose(h) && ok;
}

// Removes what plain paths cannot reach before the folder's own clean-up runs.
struct TExtendedCleanUp {
    const TTempFolder& Dir;
    ~TExtendedCleanUp() { testing_win::detail::RemoveTree(ExtendedPath(Dir.WPath())); }
};

} // namespace

TEST(WindowsLongPaths, TheFormIsAbsoluteAndLiteral) {
    EXPECT_EQ(ExtendedPath(L"C:\\a\\b.txt"), L"\\\\?\\C:\\a\\b.txt");
    EXPECT_EQ(ExtendedPath(L"C:/a/./x/../b."), L"\\\\?\\C:\\a\\b.") << "'/' , '.' and '..' are resolved here";
    EXPECT_EQ(ExtendedPath(L"C:\\a\\\\b \\"), L"\\\\?\\C:\\a\\b \\") << "the trailing space and delimiter stay";
    EXPECT_EQ(ExtendedPath(L"C:\\"), L"\\\\?\\C:\\");
    EXPECT_EQ(ExtendedPath(L"C:\\..\\.."), L"\\\\?\\C:\\") << "nothing above the root";
    EXPECT_EQ(ExtendedPath(L"\\\\server\\share\\dir\\f.iso"), L"\\\\?\\UNC\\server\\share\\dir\\f.iso");
    EXPECT_EQ(ExtendedPath(L"\\\\?\\C:\\x."), L"\\\\?\\C:\\x.") << "already extended";
    EXPECT_EQ(ExtendedPath(L"\\\\.\\E:"), L"\\\\.\\E:") << "a device";
    EXPECT_EQ(ExtendedPath(L"NUL"), L"NUL");
    EXPECT_EQ(ExtendedPath(L"com3.txt"), L"com3.txt");
    EXPECT_EQ(ExtendedPath(L""), L"");
    // Relative paths stand on the current folder.
    wchar_t cwd[MAX_PATH + 1];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH + 1, cwd);
    ASSERT_GT(n, 2u);
    std::wstring here(cwd, n);
    if (here.back() == L'\\') here.pop_back();
    EXPECT_EQ(ExtendedPath(L"sub\\f.txt"), L"\\\\?\\" + here + L"\\sub\\f.txt");
    EXPECT_EQ(ExtendedPath(L"\\top.txt"), L"\\\\?\\" + here.substr(0, 2) + L"\\top.txt");
}

TEST(WindowsLongPaths, NamesEndingInADotOrASpaceAreReadAsListed) {
    TTempFolder dir;
    TExtendedCleanUp cleanUp{dir};
    ASSERT_TRUE(Write(dir / "trailing.dot.", "dot")) << LastErrorText();
    ASSERT_TRUE(Write(dir / "trailing space ", "space")) << LastErrorText();
    ASSERT_TRUE(Write(dir / "trailing.dot", "plain")) << "a different file from the one with the dot";
    const auto listed = List(dir.Path());
    ASSERT_EQ(listed.size(), 3u);
    for (const auto& [name, rec] : listed) {
        EXPECT_TRUE(FileExists(dir / name)) << name;
        const std::string want = name == "trailing.dot." ? "dot" : name == "trailing.dot" ? "plain" : "space";
        EXPECT_EQ(ReadAll(dir / name), want) << name;
    }
    TFileId a, b;
    ASSERT_TRUE(FileIdOf(dir / "trailing.dot.", a));
    ASSERT_TRUE(FileIdOf(dir / "trailing.dot", b));
    EXPECT_FALSE(a == b);
}

TEST(WindowsLongPaths, ATreeDeeperThanMaxPathIsListedAndRead) {
    TTempFolder dir;
    TExtendedCleanUp cleanUp{dir};
    std::string folder = dir.Path();
    const std::string name(60, 'd');
    for (int i = 0; i < 6; ++i) {
        folder += "\\" + name + std::to_string(i);
        ASSERT_TRUE(CreateDirectoryW(ExtendedPath(Widen(folder)).c_str(), nullptr)) << folder.size();
    }
    ASSERT_GT(folder.size(), size_t(MAX_PATH));
    const std::string file = folder + "\\deep.bin";
    ASSERT_TRUE(Write(file, "deep")) << LastErrorText();
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_TRUE(FileExists(file));
    EXPECT_EQ(List(folder).count("deep.bin"), 1u);
    EXPECT_EQ(ReadAll(file), "deep");
    // The work name of an image is renamed in place, also that deep.
    ASSERT_TRUE(FileRename(file, folder + "\\moved.bin")) << LastErrorText();
    EXPECT_EQ(ReadAll(folder + "\\moved.bin"), "deep");
    EXPECT_TRUE(FileDelete(folder + "\\moved.bin"));
    EXPECT_FALSE(FileExists(folder + "\\moved.bin"));
}

TEST(WindowsLongPaths, TheSameFileHasOneIdentityWhateverThePath) {
    TTempFolder dir;
    const std::string file = dir.Write("image.iso", "x");
    dir.MakeDir("sub");
    TFileId direct, roundabout, other;
    ASSERT_TRUE(FileIdOf(file, direct));
    ASSERT_TRUE(FileIdOf(dir.Path() + "/sub/../IMAGE.ISO", roundabout));
    EXPECT_TRUE(direct == roundabout);
    ASSERT_TRUE(FileIdOf(dir.Write("other.iso", "x"), other));
    EXPECT_FALSE(direct == other);
    TFileId none;
    EXPECT_FALSE(FileIdOf(dir / "absent.iso", none));
}
