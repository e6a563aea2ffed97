#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Drives.h"
#include "platform/Files.h"
#include "support/TempTree.h"

using namespace platform;
using testsupport::TTempTree;

namespace {
std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
} // namespace

TEST(Files, CreateWriteSeekReadAndTruncate) {
    TTempTree t;
    t.File("f.bin", "old contents that must go");
    TFileHandle h = FileCreate(t.Path("f.bin"));
    ASSERT_NE(h, kInvalidFileHandle);
    EXPECT_EQ(FileWrite(h, "hello world", 11), 11);
    EXPECT_EQ(FileSeek(h, 6, 0), 6);
    char buf[16] = {};
    EXPECT_EQ(FileRead(h, buf, 16), 5); // stops at the end of the file
    EXPECT_EQ(std::string(buf, 5), "world");
    EXPECT_EQ(FileSeek(h, -6, 2), 5);
    EXPECT_TRUE(FileSetEndOfFile(h));
    EXPECT_EQ(FileSeek(h, 0, 2), 5);
    EXPECT_TRUE(FileClose(h));
    EXPECT_EQ(Slurp(t.Path("f.bin")), "hello");
}

TEST(Files, OffsetsBeyond4GiB) {
    TTempTree t;
    TFileHandle h = FileCreate(t.Path("big.bin"));
    ASSERT_NE(h, kInvalidFileHandle);
    const int64_t at = (5LL << 30) + 7;
    EXPECT_EQ(FileSeek(h, at, 0), at);
    EXPECT_EQ(FileWrite(h, "z", 1), 1);
    EXPECT_EQ(FileSeek(h, 0, 1), at + 1);
    FileClose(h);
    EXPECT_EQ(int64_t(std::filesystem::file_size(t.Path("big.bin"))), at + 1);
}

TEST(Files, AccessModesAndFailuresAreReported) {
    TTempTree t;
    t.File("r.txt", "data");
    TFileHandle r = FileOpen(t.Path("r.txt"), 0 | 0x20);
    ASSERT_NE(r, kInvalidFileHandle);
    EXPECT_EQ(FileWrite(r, "x", 1), -1); // opened for reading only
    FileClose(r);
    TFileHandle w = FileOpen(t.Path("r.txt"), 1);
    ASSERT_NE(w, kInvalidFileHandle);
    char c;
    EXPECT_EQ(FileRead(w, &c, 1), -1);
    EXPECT_EQ(FileWrite(w, "D", 1), 1);
    FileClose(w);
    EXPECT_EQ(Slurp(t.Path("r.txt")), "Data");

    EXPECT_EQ(FileOpen(t.Path("missing"), 0), kInvalidFileHandle);
    EXPECT_EQ(LastErrorText(), "No such file or directory");
    EXPECT_EQ(FileCreate(t.Path("no/such/folder/f")), kInvalidFileHandle);
    EXPECT_FALSE(FileClose(kInvalidFileHandle));
}

TEST(Files, FullDiskWriteIsDetected) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TFileHandle h = FileOpen("/dev/full", 1);
    ASSERT_NE(h, kInvalidFileHandle);
    std::string block(65536, 'x');
    EXPECT_EQ(FileWrite(h, block.data(), int32_t(block.size())), -1);
    EXPECT_EQ(LastErrorText(), "No space left on device");
    FileClose(h);
}

TEST(Files, ExistenceAndDriveLetterPaths) {
    TTempTree t;
    t.File("dir/f.txt", "abc");
    RegisterDriveRoot('R', t.Path());
    EXPECT_TRUE(FileExists("R:\\dir\\f.txt"));
    EXPECT_FALSE(FileExists("R:\\dir"));
    EXPECT_TRUE(DirectoryExists("R:\\dir"));
    EXPECT_TRUE(DirectoryExists("R:\\"));
    TFileHandle h = FileOpen("R:/dir/f.txt", 0);
    ASSERT_NE(h, kInvalidFileHandle);
    char buf[3];
    EXPECT_EQ(FileRead(h, buf, 3), 3);
    FileClose(h);
    UnregisterDriveRoot('R');
    EXPECT_FALSE(FileExists("R:\\dir\\f.txt"));
}
