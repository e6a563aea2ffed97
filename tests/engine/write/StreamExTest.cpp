// The 64-bit file streams over the platform's files.
#include "WriteTestSupport.h"
#include "engine/StreamEx.h"

using namespace tarnwick;
using namespace tarnwick::test;

TEST(FileStreamEx, SizeOfAFileBeyond4GiBLeavesThePositionAlone) {
    TScratch s;
    { std::ofstream f(s.Path("5g"), std::ios::binary); }
    std::filesystem::resize_file(s.Path("5g"), 5368709120ull);
    TFileStreamEx f(s.Path("5g"), fmOpenRead | fmShareDenyNone);
    EXPECT_EQ(f.Seek(4294967296LL + 10, soFromBeginning), 4294967306LL);
    EXPECT_EQ(f.GetSize(), 5368709120LL);
    EXPECT_EQ(f.Seek(0, soFromCurrent), 4294967306LL);
    EXPECT_EQ(f.Seek(-6, soFromEnd), 5368709114LL);
    uint8_t buf[16];
    EXPECT_EQ(f.Read(buf, 16), 6); // up to the end
    EXPECT_EQ(f.Read(buf, 16), 0);
}

TEST(FileStreamEx, CreateReplacesAndWritesReadAndSetSizeWork) {
    TScratch s;
    WriteFile(s.Path("x"), Pattern(10000, 1));
    {
        TFileStreamEx f(s.Path("x"), fmCreate);
        EXPECT_EQ(f.GetSize(), 0); // emptied
        auto data = Pattern(5000, 2);
        EXPECT_EQ(f.Write(data.data(), 5000), 5000);
        f.SetSize(3000);
        EXPECT_EQ(f.GetSize(), 3000);
        EXPECT_EQ(f.Seek(0, soFromCurrent), 3000);
        EXPECT_EQ(f.Seek(0, soFromBeginning), 0);
        uint8_t b[4];
        EXPECT_EQ(f.Read(b, 4), 4);
        EXPECT_EQ(b[3], data[3]);
        EXPECT_TRUE(f.Close());
        EXPECT_TRUE(f.Close()); // a second close has nothing to do
    }
    EXPECT_EQ(ReadFile(s.Path("x")).size(), 3000u);
}

TEST(FileStreamEx, RefusedFilesThrowTheStreamErrorAndLeaveNoHandle) {
    TScratch s;
    auto fdCount = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
    };
    const auto before = fdCount();
    EXPECT_THROW(TFileStreamEx(s.Path("absent"), fmOpenRead | fmShareDenyNone), EFileStreamError);
    EXPECT_THROW(TFileStreamEx(s.Path("no/folder/x.iso"), fmCreate), EFileStreamError);
    EXPECT_EQ(fdCount(), before);
}

TEST(FileStreamEx, AFileOpenForWritingElsewhereCanStillBeRead) {
    TScratch s;
    TFileStreamEx writer(s.Path("shared"), fmCreate);
    auto data = Pattern(100, 3);
    writer.Write(data.data(), 100);
    TFileStreamEx reader(s.Path("shared"), fmOpenRead | fmShareDenyNone);
    std::vector<uint8_t> back(100);
    EXPECT_EQ(reader.Read(back.data(), 100), 100);
    EXPECT_TRUE(back == data);
}

TEST(FileStreamEx, AFailedWriteCountsZeroRatherThanThrowing) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TFileStreamEx f("/dev/full", fmOpenWrite);
    uint8_t b[512] = {};
    EXPECT_EQ(f.Write(b, 512), 0);
}
