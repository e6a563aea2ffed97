// Folder listings with FindFirstFileW / FindNextFileW: the names, 8.3 names, attributes,
// DOS date-times and sizes the compilation takes from them.
#include <gtest/gtest.h>

#include <map>

#include "windows/support/TempFolder.h"
#include "platform/Files.h"

using namespace platform;
using platform::win32::Widen;
using testing_win::TTempFolder;

namespace {

std::map<std::string, TSearchRec> List(const std::string& pattern, uint32_t attr, int* endCode = nullptr) {
    std::map<std::string, TSearchRec> out;
    TSearchRec rec;
    TFindHandle h;
    int r = FindFirst(pattern, attr, rec, h);
    while (r == 0) {
        out[rec.Name] = rec;
        r = FindNext(h, rec);
    }
    if (endCode) *endCode = r;
    FindClose(h);
    return out;
}

// The short name Windows keeps for a path (its last component), as another program sees it.
std::string SystemShortName(const std::string& path) {
    wchar_t buf[MAX_PATH];
    DWORD n = GetShortPathNameW(Widen(path).c_str(), buf, MAX_PATH);
    std::string s = platform::win32::Narrow(std::wstring(buf, n));
    return s.substr(s.find_last_of('\\') + 1);
}

void SetWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second) {
    SYSTEMTIME st{};
    st.wYear = year, st.wMonth = month, st.wDay = day, st.wHour = hour, st.wMinute = minute, st.wSecond = second;
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&st, &ft));
    HANDLE h = CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &ft));
    CloseHandle(h);
}

} // namespace

TEST(WindowsListing, ShortNamesAreTheSystemsOwn) {
    TTempFolder dir;
    dir.Write("README.TXT", "1");
    dir.Write("Long File Name.txt", "22");
    dir.Write("Long File Name Two.txt", "333");
    dir.Write("a.b.c.d", "4");
    auto found = List(dir / "*.*", faAnyFile);
    ASSERT_EQ(found.size(), 6u) << "four files, '.' and '..'";

    EXPECT_EQ(found["README.TXT"].AlternateName, "") << "a valid 8.3 name has no alternate";
    for (const char* name : {"Long File Name.txt", "Long File Name Two.txt", "a.b.c.d"}) {
        const std::string& alt = found[name].AlternateName;
        EXPECT_FALSE(alt.empty()) << name;
        EXPECT_LE(alt.size(), 12u) << name;
        EXPECT_EQ(alt, SystemShortName(dir / name)) << name;
    }
    EXPECT_NE(found["Long File Name.txt"].AlternateName, found["Long File Name Two.txt"].AlternateName)
        << "short names are unique within the folder";
    EXPECT_EQ(found["Long File Name Two.txt"].Size, 3);
}

TEST(WindowsListing, AttributeFilterPassesOnlyWhatWasAskedFor) {
    TTempFolder dir;
    std::string hidden = dir.Write("hidden.dat", "h");
    std::string system = dir.Write("system.dat", "s");
    std::string plain = dir.Write("plain.dat", "p");
    std::string readonly = dir.Write("readonly.dat", "r");
    dir.MakeDir("Sub Folder");
    ASSERT_TRUE(SetFileAttributesW(Widen(hidden).c_str(), FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(Widen(system).c_str(), FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(SetFileAttributesW(Widen(plain).c_str(), FILE_ATTRIBUTE_ARCHIVE));
    ASSERT_TRUE(SetFileAttributesW(Widen(readonly).c_str(), FILE_ATTRIBUTE_READONLY));

    // Read-only and archive never hold an entry back; hidden, system and folders must be asked for.
    auto normal = List(dir / "*.*", faReadOnly | faArchive);
    EXPECT_EQ(normal.size(), 2u);
    EXPECT_TRUE(normal.count("plain.dat"));
    EXPECT_TRUE(normal.count("readonly.dat"));
    EXPECT_EQ(normal["plain.dat"].Attr, uint32_t(faArchive));
    EXPECT_EQ(normal["readonly.dat"].Attr & faReadOnly, uint32_t(faReadOnly));

    auto withHidden = List(dir / "*.*", faHidden);
    EXPECT_TRUE(withHidden.count("hidden.dat"));
    EXPECT_FALSE(withHidden.count("system.dat"));
    EXPECT_EQ(withHidden["hidden.dat"].Attr & faHidden, uint32_t(faHidden));

    auto dirs = List(dir / "*.*", faDirectory);
    EXPECT_TRUE(dirs.count("Sub Folder"));
    EXPECT_EQ(dirs["Sub Folder"].Attr & faDirectory, uint32_t(faDirectory));
    EXPECT_FALSE(dirs.count("hidden.dat"));

    auto all = List(dir / "*.*", faAnyFile);
    EXPECT_EQ(all.size(), 7u) << "five entries, '.' and '..'";
    SetFileAttributesW(Widen(readonly).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(WindowsListing, MasksMatchAsWindowsMatchesThem) {
    TTempFolder dir;
    dir.Write("README", "no dot");
    dir.Write("VTS_01_1.VOB", "v");
    dir.Write("vts_01_0.ifo", "i");
    dir.Write("Notes.txt", "n");
    EXPECT_TRUE(List(dir / "*.*", 0).count("README")) << "*.* also matches a name without a dot";
    auto vob = List(dir / "*.vob", 0);
    EXPECT_EQ(vob.size(), 1u);
    EXPECT_TRUE(vob.count("VTS_01_1.VOB")) << "masks ignore case";
    auto vts = List(dir / "VTS_01_?.*", 0);
    EXPECT_EQ(vts.size(), 2u);

    int end = 0;
    EXPECT_TRUE(List(dir / "*.bup", 0, &end).empty());
    EXPECT_EQ(end, int(ERROR_FILE_NOT_FOUND));
    List(dir / "*.txt", 0, &end);
    EXPECT_EQ(end, int(ERROR_NO_MORE_FILES));
    TSearchRec rec;
    TFindHandle h;
    EXPECT_NE(FindFirst(dir / "no folder\\*.*", faAnyFile, rec, h), 0);
    EXPECT_NE(FindNext(h, rec), 0) << "a failed FindFirst leaves nothing to continue";
}

TEST(WindowsListing, LastWriteTimeIsALocalDosDateTime) {
    TTempFolder dir;
    std::string file = dir.Write("dated.txt", "d");
    SetWriteTime(file, 2006, 12, 31, 23, 59, 58); // UTC
    // The expected local fields, by the system's own conversion.
    SYSTEMTIME utc{};
    utc.wYear = 2006, utc.wMonth = 12, utc.wDay = 31, utc.wHour = 23, utc.wMinute = 59, utc.wSecond = 58;
    FILETIME ft, local;
    SystemTimeToFileTime(&utc, &ft);
    FileTimeToLocalFileTime(&ft, &local);
    SYSTEMTIME l;
    FileTimeToSystemTime(&local, &l);
    uint32_t expected = (uint32_t((l.wYear - 1980) << 9 | l.wMonth << 5 | l.wDay) << 16) |
                        uint32_t(l.wHour << 11 | l.wMinute << 5 | l.wSecond / 2);

    auto found = List(dir / "*.txt", 0);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found["dated.txt"].Time, expected);

    std::string old = dir.Write("old.txt", "o");
    SetWriteTime(old, 1975, 6, 1, 12, 0, 0);
    EXPECT_EQ(List(dir / "old.txt", 0)["old.txt"].Time, 0u) << "before 1980 a DOS date-time has no value";
}

TEST(WindowsListing, SizesBeyondFourGigabytes) {
    TTempFolder dir;
    HANDLE h = CreateFileW(Widen(dir / "big.vob").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 5368709121; // 5 GB + 1: both halves non-zero
    SetFilePointerEx(h, size, nullptr, FILE_BEGIN);
    ASSERT_TRUE(SetEndOfFile(h));
    CloseHandle(h);
    EXPECT_EQ(List(dir / "*.*", 0)["big.vob"].Size, 5368709121);
}

TEST(WindowsListing, HandlesCloseAndMoveCleanly) {
    TTempFolder dir;
    dir.Write("a.txt", "a");
    dir.Write("b.txt", "b");
    TSearchRec rec;
    TFindHandle first;
    ASSERT_EQ(FindFirst(dir / "*.txt", 0, rec, first), 0);
    TFindHandle moved = std::move(first);
    EXPECT_EQ(FindNext(moved, rec), 0) << "the listing goes on in the handle it moved to";
    EXPECT_NE(FindNext(first, rec), 0);
    // Restarting on the same handle closes the old search first.
    ASSERT_EQ(FindFirst(dir / "a.txt", 0, rec, moved), 0);
    EXPECT_EQ(rec.Name, "a.txt");
    EXPECT_NE(FindNext(moved, rec), 0);
    FindClose(moved);
    FindClose(moved);
    EXPECT_NE(FindNext(moved, rec), 0);
}
