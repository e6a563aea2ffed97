// File handles in the stream layer's open modes, on the real Win32 calls.
#include <gtest/gtest.h>

#include "windows/support/TempFolder.h"
#include "platform/Files.h"

using namespace platform;
using testing_win::TTempFolder;

namespace {

constexpr uint16_t kReadShareAll = 0x40; // read access, others may read and write
constexpr uint16_t kReadDenyWrite = 0x20;
constexpr uint16_t kReadWriteExclusive = 0x12;

std::string ReadAll(TFileHandle h) {
    std::string out;
    char buf[256];
    for (int32_t n; (n = FileRead(h, buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    return out;
}

} // namespace

TEST(WindowsFiles, CreateReplacesAnExistingFileAndReadsBackWhatWasWritten) {
    TTempFolder dir;
    std::string path = dir.Write("image.iso", "old contents that must disappear");
    TFileHandle h = FileCreate(path);
    ASSERT_NE(h, kInvalidFileHandle) << LastErrorText();
    EXPECT_EQ(FileSeek(h, 0, 2), 0) << "create must empty the file";
    EXPECT_EQ(FileWrite(h, "abcdef", 6), 6);
    EXPECT_EQ(FileSeek(h, 2, 0), 2);
    char two[2];
    EXPECT_EQ(FileRead(h, two, 2), 2) << "a created file is open for reading too";
    EXPECT_EQ(std::string(two, 2), "cd");
    EXPECT_TRUE(FileClose(h));

    h = FileOpen(path, kReadShareAll);
    ASSERT_NE(h, kInvalidFileHandle);
    EXPECT_EQ(ReadAll(h), "abcdef");
    EXPECT_EQ(FileWrite(h, "x", 1), -1) << "mode $40 opens for reading only";
    FileClose(h);
}

TEST(WindowsFiles, SharingFollowsTheModeBits) {
    TTempFolder dir;
    std::string path = dir.Write("source.vob", "data");

    // Another program writing the file and sharing it: mode $40 still reads it.
    HANDLE writer = CreateFileW(platform::win32::Widen(path).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    TFileHandle h = FileOpen(path, kReadShareAll);
    EXPECT_NE(h, kInvalidFileHandle) << LastErrorText();
    FileClose(h);
    // Deny-write cannot be granted while someone writes.
    h = FileOpen(path, kReadDenyWrite);
    EXPECT_EQ(h, kInvalidFileHandle);
    EXPECT_NE(LastErrorText().find("(32)"), std::string::npos) << LastErrorText(); // sharing violation
    CloseHandle(writer);

    // A file being created is held without sharing: nobody else may open it.
    TFileHandle created = FileCreate(dir / "new.iso");
    ASSERT_NE(created, kInvalidFileHandle);
    EXPECT_EQ(FileOpen(dir / "new.iso", kReadShareAll), kInvalidFileHandle);
    FileClose(created);

    TFileHandle exclusive = FileOpen(path, kReadWriteExclusive);
    ASSERT_NE(exclusive, kInvalidFileHandle);
    EXPECT_EQ(FileWrite(exclusive, "DA", 2), 2);
    EXPECT_EQ(FileOpen(path, kReadShareAll), kInvalidFileHandle);
    FileClose(exclusive);
}

TEST(WindowsFiles, RefusedOpensLeaveNoHandleAndSayWhy) {
    TTempFolder dir;
    EXPECT_EQ(FileOpen(dir / "missing.iso", kReadShareAll), kInvalidFileHandle);
    EXPECT_NE(LastErrorText().find("(2)"), std::string::npos) << LastErrorText(); // file not found
    EXPECT_EQ(FileCreate(dir / "no such folder\\x.iso"), kInvalidFileHandle);
    EXPECT_NE(LastErrorText().find("(3)"), std::string::npos) << LastErrorText(); // path not found

    std::string path = dir.Write("f", "x");
    EXPECT_EQ(FileOpen(path, 0x03), kInvalidFileHandle) << "access 3 is no mode";
    EXPECT_EQ(FileOpen(path, 0x50), kInvalidFileHandle) << "sharing 5 is no mode";
    EXPECT_FALSE(FileClose(kInvalidFileHandle));
    // The folder still deletes: nothing was left open.
    EXPECT_TRUE(DeleteFileW(platform::win32::Widen(path).c_str()));
}

TEST(WindowsFiles, PositionsAndSizesBeyondFourGigabytes) {
    TTempFolder dir;
    TFileHandle h = FileCreate(dir / "big.iso");
    ASSERT_NE(h, kInvalidFileHandle);
    const int64_t fiveGB = 5368709120;
    ASSERT_EQ(FileSeek(h, fiveGB, 0), fiveGB);
    ASSERT_TRUE(FileSetEndOfFile(h)) << LastErrorText();
    EXPECT_EQ(FileSeek(h, 0, 2), fiveGB);
    // The high half of the position must survive a write and a relative move.
    EXPECT_EQ(FileSeek(h, -4096, 1), fiveGB - 4096);
    EXPECT_EQ(FileWrite(h, "TAIL", 4), 4);
    EXPECT_EQ(FileSeek(h, 0, 1), fiveGB - 4092);
    EXPECT_EQ(FileSeek(h, fiveGB - 4096, 0), fiveGB - 4096);
    char tail[4];
    EXPECT_EQ(FileRead(h, tail, 4), 4);
    EXPECT_EQ(std::string(tail, 4), "TAIL");
    // Shrinking works the same way.
    EXPECT_EQ(FileSeek(h, 4096, 0), 4096);
    EXPECT_TRUE(FileSetEndOfFile(h));
    EXPECT_EQ(FileSeek(h, 0, 2), 4096);
    EXPECT_EQ(FileSeek(h, -1, 0), -1) << "a position before the start is refused";
    EXPECT_EQ(FileSeek(h, 0, 3), -1) << "no origin 3";
    FileClose(h);
}

TEST(WindowsFiles, ExistenceTellsFilesFromFolders) {
    TTempFolder dir;
    std::string file = dir.Write("VIDEO_TS.IFO", "x");
    std::string folder = dir.MakeDir("VIDEO_TS");
    EXPECT_TRUE(FileExists(file));
    EXPECT_FALSE(DirectoryExists(file));
    EXPECT_TRUE(DirectoryExists(folder));
    EXPECT_FALSE(FileExists(folder));
    EXPECT_FALSE(FileExists(dir / "nothing"));
    EXPECT_FALSE(DirectoryExists(dir / "nothing"));
}

TEST(WindowsFiles, NamesOutsideTheAnsiCodePageSurviveTheWideBoundary) {
    TTempFolder dir;
    const std::string name = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xF0\x9F\x8E\xAC.txt"; // Grüße ✓ 🎬.txt
    TFileHandle h = FileCreate(dir / name);
    ASSERT_NE(h, kInvalidFileHandle) << LastErrorText();
    FileClose(h);
    std::wstring wide = dir.WPath() + L"\\Gr\u00FC\u00DFe \u2713 \U0001F3AC.txt";
    EXPECT_NE(GetFileAttributesW(wide.c_str()), INVALID_FILE_ATTRIBUTES) << "stored under the UTF-16 name";
    EXPECT_EQ(platform::win32::Narrow(std::wstring(L"\U0001F3AC")), "\xF0\x9F\x8E\xAC");
    EXPECT_EQ(platform::win32::Widen("\xF0\x9F\x8E\xAC").size(), 2u) << "a surrogate pair";
    EXPECT_EQ(platform::win32::Widen(""), L"");
}
