#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/Drives.h"
#include "platform/Files.h"
#include "platform/Time.h"
#include "support/TempTree.h"

using namespace platform;
using testsupport::TTempTree;

namespace {

std::vector<TSearchRec> List(const std::string& pathAndMask, uint32_t attr) {
    std::vector<TSearchRec> out;
    TSearchRec r;
    TFindHandle h;
    for (int rc = FindFirst(pathAndMask, attr, r, h); rc == 0; rc = FindNext(h, r)) out.push_back(r);
    FindClose(h);
    return out;
}

std::vector<std::string> Names(const std::vector<TSearchRec>& recs) {
    std::vector<std::string> n;
    for (auto& r : recs) n.push_back(r.Name);
    return n;
}

const TSearchRec* Find(const std::vector<TSearchRec>& recs, const std::string& name) {
    for (auto& r : recs)
        if (r.Name == name) return &r;
    return nullptr;
}

struct WarningCollector {
    std::vector<std::string> Lines;
    TListingWarningHook Previous;
    WarningCollector() {
        Previous = SetListingWarningHook([this](const std::string& s) { Lines.push_back(s); });
    }
    ~WarningCollector() { SetListingWarningHook(Previous); }
};

} // namespace

TEST(Listing, SortedByNameBytesWithDotsFirstAndShortNames) {
    TTempTree t;
    t.File("b.txt", "bb");
    t.File("A.TXT", "a");
    t.File("c");
    t.Dir("sub");
    t.File("Long File Name.text");
    auto recs = List(t.Path() + "/*.*", faAnyFile);
    EXPECT_EQ(Names(recs), (std::vector<std::string>{".", "..", "A.TXT", "Long File Name.text", "b.txt", "c", "sub"}));
    EXPECT_EQ(Find(recs, "A.TXT")->AlternateName, "");
    EXPECT_EQ(Find(recs, "b.txt")->AlternateName, "B.TXT");
    EXPECT_EQ(Find(recs, "c")->AlternateName, "C");
    EXPECT_EQ(Find(recs, "sub")->AlternateName, "SUB");
    EXPECT_EQ(Find(recs, "Long File Name.text")->AlternateName, "LONGFI~1.TEX");
    EXPECT_EQ(Find(recs, "b.txt")->Size, 2);
}

TEST(Listing, AttributesAndTheAttributeFilter) {
    TTempTree t;
    t.File("plain.dat");
    t.File(".hidden");
    t.Dir("folder");
    t.Dir(".hiddendir");
    t.File("locked.dat");
    chmod(t.Path("locked.dat").c_str(), 0444);

    auto all = List(t.Path() + "/*.*", faAnyFile);
    EXPECT_EQ(Find(all, "plain.dat")->Attr, uint32_t(faArchive));
    EXPECT_EQ(Find(all, ".hidden")->Attr, uint32_t(faArchive | faHidden));
    EXPECT_EQ(Find(all, "folder")->Attr, uint32_t(faDirectory));
    EXPECT_EQ(Find(all, ".hiddendir")->Attr, uint32_t(faDirectory | faHidden));
    EXPECT_EQ(Find(all, "locked.dat")->Attr, uint32_t(faArchive | faReadOnly));
    EXPECT_EQ(Find(all, ".")->Attr, uint32_t(faDirectory));

    // Without the special bits only plain files come back (read-only and archive are no filter).
    EXPECT_EQ(Names(List(t.Path() + "/*.*", 0)), (std::vector<std::string>{"locked.dat", "plain.dat"}));
    EXPECT_EQ(Names(List(t.Path() + "/*.*", faDirectory)),
              (std::vector<std::string>{".", "..", "folder", "locked.dat", "plain.dat"}));
    EXPECT_EQ(Names(List(t.Path() + "/*.*", faHidden)),
              (std::vector<std::string>{".hidden", "locked.dat", "plain.dat"}));
}

TEST(Listing, MaskSelectsCaseInsensitively) {
    TTempTree t;
    t.File("one.TXT");
    t.File("two.txt");
    t.File("three.txt.bak");
    t.File("README");
    EXPECT_EQ(Names(List(t.Path() + "/*.txt", faAnyFile)), (std::vector<std::string>{"one.TXT", "two.txt"}));
    EXPECT_EQ(Names(List(t.Path() + "/t*", 0)), (std::vector<std::string>{"three.txt.bak", "two.txt"}));
    EXPECT_EQ(Names(List(t.Path() + "/*.*", 0)).size(), 4u);
}

TEST(Listing, SizesBeyond4GiBAndDosTimeInLocalTime) {
    TTempTree t;
    t.SizedFile("big.bin", 5LL << 30);
    t.File("dated.txt");
    setenv("TZ", "CET-1", 1);
    tzset();
    // 2006-12-31 22:59:58 UTC is 23:59:58 local at UTC+1.
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 1167605998;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    ASSERT_EQ(utimensat(AT_FDCWD, t.Path("dated.txt").c_str(), times, 0), 0);
    auto recs = List(t.Path() + "/*.*", faAnyFile);
    EXPECT_EQ(Find(recs, "big.bin")->Size, 5LL << 30);
    uint32_t dos = Find(recs, "dated.txt")->Time;
    EXPECT_EQ(dos >> 25, 2006u - 1980u);
    EXPECT_EQ((dos >> 21) & 15, 12u);
    EXPECT_EQ((dos >> 16) & 31, 31u);
    EXPECT_EQ((dos >> 11) & 31, 23u);
    EXPECT_EQ((dos >> 5) & 63, 59u);
    EXPECT_EQ((dos & 31) * 2, 58u);
}

TEST(Listing, LinksToFoldersAreLeftOutAndReportedLinksToFilesAreListed) {
    TTempTree t;
    t.Dir("real");
    t.File("real/data.bin", "12345");
    ASSERT_EQ(symlink(t.Path("real").c_str(), t.Path("loop").c_str()), 0);
    ASSERT_EQ(symlink(t.Path("real/data.bin").c_str(), t.Path("alias.bin").c_str()), 0);
    ASSERT_EQ(symlink(t.Path("nowhere").c_str(), t.Path("dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(t.Path("pipe").c_str(), 0644), 0);
    WarningCollector w;
    auto recs = List(t.Path() + "/*.*", faAnyFile);
    EXPECT_EQ(Names(recs), (std::vector<std::string>{".", "..", "alias.bin", "real"}));
    EXPECT_EQ(Find(recs, "alias.bin")->Size, 5);
    ASSERT_EQ(w.Lines.size(), 3u);
    std::string all = w.Lines[0] + w.Lines[1] + w.Lines[2];
    EXPECT_NE(all.find(t.Path("loop")), std::string::npos);
    EXPECT_NE(all.find(t.Path("dangling")), std::string::npos);
    EXPECT_NE(all.find(t.Path("pipe")), std::string::npos);
}

TEST(Listing, MissingOrUnreadableFolderFailsAndIsReported) {
    TTempTree t;
    WarningCollector w;
    TSearchRec r;
    TFindHandle h;
    EXPECT_NE(FindFirst(t.Path("absent") + "/*.*", faAnyFile, r, h), 0);
    EXPECT_NE(FindNext(h, r), 0);
    ASSERT_EQ(w.Lines.size(), 1u);
    EXPECT_NE(w.Lines[0].find("absent"), std::string::npos);
    if (geteuid() == 0) GTEST_SKIP() << "root reads every folder";
    t.Dir("closed");
    chmod(t.Path("closed").c_str(), 0);
    EXPECT_NE(FindFirst(t.Path("closed") + "/*.*", faAnyFile, r, h), 0);
    EXPECT_EQ(w.Lines.size(), 2u);
}

TEST(Listing, DriveLetterPathsListTheRegisteredRoot) {
    TTempTree t;
    t.File("VIDEO_TS/VTS_01_0.VOB", "x");
    RegisterDriveRoot('Q', t.Path());
    EXPECT_EQ(Names(List("Q:\\VIDEO_TS\\*.*", 0)), (std::vector<std::string>{"VTS_01_0.VOB"}));
    EXPECT_EQ(Names(List("Q:/*.*", faDirectory)), (std::vector<std::string>{".", "..", "VIDEO_TS"}));
    UnregisterDriveRoot('Q');
}
