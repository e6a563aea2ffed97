#include <gtest/gtest.h>

#include <algorithm>

#include <random>
#include <set>

#include "engine/write/VornBurner.h"
#include "platform/Drives.h"
#include "platform/Shell.h"
#include "support/EngineHelpers.h"
#include "support/TempTree.h"

using namespace tarnwick;
using testsupport::Listed;
using testsupport::ListedDir;
using testsupport::TMessages;
using testsupport::TTempTree;

namespace {

std::vector<std::string> ChildNames(const TDEntry* d) {
    std::vector<std::string> n;
    for (const TFEntry* c = d->FirstChild; c; c = c->Next) n.push_back(c->LongName);
    return n;
}

std::vector<std::string> FileTableNames(const TVornBurner& e) {
    std::vector<std::string> n;
    for (int32_t i = 0; i < e.Compilation().FileCount; ++i) n.push_back(e.Compilation().FileTable[size_t(i)]->LongName);
    return n;
}

struct Fixture : ::testing::Test {
    TVornBurner E;
    TMessages M;
    TTempTree T;
    std::vector<unsigned> Beeps;
    void SetUp() override {
        M.Attach(E);
        platform::SetBeepHook([this](unsigned t) { Beeps.push_back(t); });
    }
    void TearDown() override { platform::SetBeepHook(nullptr); }
    bool AddTree(const std::string& dest = "\\") { return E.AddFolder(dest, T.Path(), "*.*", 63, true, false, false); }
};

} // namespace

using Compilation = Fixture;

TEST_F(Compilation, AddFolderIsDepthFirstFoldersBeforeFiles) {
    T.File("z.txt", "1");
    T.File("a/a1.txt", "22");
    T.File("a/b/deep.bin", "333");
    T.File("c/c1.txt");
    T.File("README");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(FileTableNames(E), (std::vector<std::string>{"a", "b", "deep.bin", "a1.txt", "c", "c1.txt", "README.",
                                                           "z.txt"}));
    const TDEntry* b = E.FindDir("\\a\\b");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->FullPath, "\\A\\B");
    EXPECT_EQ(b->Level, 3);
    EXPECT_EQ(b->Parent, E.FindDir("\\A"));
    TFEntry* readme = E.FindFile(E.Compilation().DirTable[0], "readme.");
    ASSERT_NE(readme, nullptr);
    EXPECT_EQ(readme->ShortName, "README.");
    EXPECT_EQ(readme->SourcePath, T.Path("README"));
    TFEntry* deep = E.FindFile(const_cast<TDEntry*>(b), "DEEP.BIN");
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->IsoSize, 3);
    EXPECT_EQ(deep->SourcePath, T.Path("a/b/deep.bin"));
    EXPECT_TRUE(M.List.empty());
}

TEST_F(Compilation, EmptyFoldersAreKeptAndFoldersOfSkippedFilesAreLeftOut) {
    T.Dir("empty1/empty2");
    T.File("skipped/only.tmp");
    T.File("skipped2/inner/only.tmp");
    T.File("kept/file.txt");
    E.OnAddFile = [](TComponent*, const std::string& path, std::string&, std::string&, TDateTime&, int32_t, int64_t,
                     bool& skip) { skip = path.size() > 4 && path.substr(path.size() - 4) == ".tmp"; };
    ASSERT_TRUE(AddTree());
    std::vector<std::string> names = ChildNames(E.Compilation().DirTable[0]);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"empty1", "kept"}));
    EXPECT_NE(E.FindDir("\\EMPTY1\\EMPTY2"), nullptr);
    EXPECT_EQ(E.FindDir("\\SKIPPED2"), nullptr);
    EXPECT_EQ(E.Compilation().DirCount, 4);
    EXPECT_EQ(E.Compilation().FileCount, 4);
}

TEST_F(Compilation, AFolderWhoseLastFileIsSkippedDoesNotStopTheAdd) {
    T.File("a/zzz.skip");
    T.File("b/keep.txt");
    E.OnAddFile = [](TComponent*, const std::string& path, std::string&, std::string&, TDateTime&, int32_t, int64_t,
                     bool& skip) { skip = path.find(".skip") != std::string::npos; };
    EXPECT_TRUE(AddTree());
    EXPECT_NE(E.FindDir("\\B"), nullptr);
    EXPECT_NE(E.FindFile(E.FindDir("\\B"), "keep.txt"), nullptr);
}

TEST_F(Compilation, InstallerBeepsOnlyWithItsExactSpelling) {
    T.File("Installer/setup.exe");
    T.File("installer2/x.txt");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(Beeps, (std::vector<unsigned>{0}));
    TTempTree other;
    other.File("installer/setup.exe");
    Beeps.clear();
    ASSERT_TRUE(E.AddFolder("\\", other.Path(), "*.*", 63, true, false, false));
    EXPECT_TRUE(Beeps.empty());
}

TEST_F(Compilation, InvalidDestinationAddsNothing) {
    T.File("f.txt");
    EXPECT_FALSE(AddTree("\\NOPE"));
    EXPECT_EQ(M.Count("INVALID DESTINATION PATH", 4), 1);
    EXPECT_EQ(E.Compilation().FileCount, 0);
}

TEST_F(Compilation, AppendSourcePathCreatesTheSourceFolders) {
    T.File("Data/Photos/p1.jpg", "jpg");
    platform::RegisterDriveRoot('Q', T.Path());
    ASSERT_TRUE(E.AddFolder("\\", "Q:\\Data\\Photos", "*.*", 63, true, true, false));
    const TDEntry* photos = E.FindDir("\\DATA\\PHOTOS");
    ASSERT_NE(photos, nullptr);
    EXPECT_EQ(E.FindDir("\\DATA")->ShortName, "DATA");
    EXPECT_EQ(photos->ShortName, "PHOTOS");
    EXPECT_EQ(ChildNames(photos), (std::vector<std::string>{"p1.jpg"}));
    // A drive path keeps its own delimiter on every system.
    EXPECT_EQ(photos->FirstChild->SourcePath, "Q:\\Data\\Photos\\p1.jpg");

    ASSERT_TRUE(E.ClearCompilation(100, 10));
    E.SetLastFolderOnly(true);
    ASSERT_TRUE(E.AddFolder("\\", "Q:\\Data\\Photos\\", "*.*", 63, true, true, false));
    EXPECT_EQ(E.FindDir("\\DATA"), nullptr);
    ASSERT_NE(E.FindDir("\\PHOTOS"), nullptr);
    EXPECT_EQ(ChildNames(E.FindDir("\\PHOTOS")), (std::vector<std::string>{"p1.jpg"}));

    // A Linux source path becomes compilation folders just the same.
    ASSERT_TRUE(E.ClearCompilation(100, 10));
    E.SetLastFolderOnly(true);
    ASSERT_TRUE(E.AddFolder("\\", T.Path("Data"), "*.*", 63, true, true, false));
    ASSERT_NE(E.FindDir("\\DATA\\PHOTOS"), nullptr);
    platform::UnregisterDriveRoot('Q');
}

TEST_F(Compilation, ReplaceFileReusesTheEntryInAnyLetterCase) {
    TDEntry* root = E.Compilation().DirTable[0];
    ASSERT_TRUE(E.AddFileEntry(root, Listed("first.txt", 1), "/src/first.txt"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed("Data.bin", 10), "/src/Data.bin"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed("last.txt", 1), "/src/last.txt"));
    EXPECT_FALSE(E.AddFileEntry(root, Listed("Data.bin", 20), "/other/Data.bin"));
    EXPECT_EQ(M.Count(">>> DUPLICATE NAME, FILE LEFT OUT: \"/other/Data.bin\"", 4), 1);
    EXPECT_FALSE(E.AddFileEntry(root, Listed("Data.bin", 10), "/src/Data.bin")); // the same file again: silent
    EXPECT_EQ(M.List.size(), 1u);

    E.SetReplaceFile(true);
    ASSERT_TRUE(E.AddFileEntry(root, Listed("DATA.BIN", 20, platform::faArchive | platform::faHidden), "/other/DATA.BIN"));
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"first.txt", "DATA.BIN", "last.txt"}));
    EXPECT_EQ(E.Compilation().FileCount, 3);
    TFEntry* f = E.FindFile(root, "data.bin");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(E.Compilation().FileTable[1], f);
    EXPECT_EQ(f->IsoSize, 20);
    EXPECT_EQ(f->SourcePath, "/other/DATA.BIN");
    EXPECT_EQ(f->Attr, int32_t(platform::faArchive | platform::faHidden));
}

// Names match without regard to ASCII case only: other letters are different names, as the
// ISO tree's upper-casing leaves them apart too; and the lookup is per folder.
TEST_F(Compilation, LookupFoldsOnlyAsciiLettersAndStaysInItsFolder) {
    TDEntry* root = E.Compilation().DirTable[0];
    TDEntry* sub = E.AddDirEntry(root, ListedDir("Sub"));
    ASSERT_NE(sub, nullptr);
    ASSERT_TRUE(E.AddFileEntry(root, Listed("caf\xc3\xa9.txt", 1), "/a"));
    ASSERT_TRUE(E.AddFileEntry(root, Listed("CAF\xc3\x89.TXT", 2), "/b")); // capital E acute: another name
    ASSERT_TRUE(E.AddFileEntry(sub, Listed("mixed Case.Bin", 3), "/c"));
    EXPECT_EQ(E.Compilation().FileCount, 4);
    EXPECT_EQ(E.FindFile(root, "CAF\xc3\xa9.TXT")->SourcePath, "/a");
    EXPECT_EQ(E.FindFile(root, "caf\xc3\x89.txt")->SourcePath, "/b");
    EXPECT_EQ(E.FindFile(sub, "MIXED case.bin")->SourcePath, "/c");
    EXPECT_EQ(E.FindFile(root, "mixed case.bin"), nullptr);
    EXPECT_EQ(E.FindFile(sub, "mixed case.bi"), nullptr);
    EXPECT_EQ(E.FindFile(root, "sub")->Dir, sub);
    ASSERT_TRUE(E.RemoveFile("\\SUB", "Mixed Case.bin"));
    EXPECT_EQ(E.FindFile(sub, "mixed case.bin"), nullptr);
}

#ifndef _WIN32 // Windows keeps no two names that differ only in case
TEST_F(Compilation, NamesDifferingOnlyInCaseAreAllKept) {
    T.File("Notes.txt", "a");
    T.File("notes.TXT", "b");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(E.Compilation().FileCount, 2);
    std::vector<std::string> names = ChildNames(E.Compilation().DirTable[0]);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Notes.txt", "notes.TXT"}));
    EXPECT_TRUE(M.List.empty());
}
#endif

TEST_F(Compilation, HandlerRenamesCannotCreateTwoChildrenOfOneName) {
    TDEntry* root = E.Compilation().DirTable[0];
    ASSERT_TRUE(E.AddFileEntry(root, Listed("a.txt"), "/s/a.txt"));
    E.OnAddFile = [](TComponent*, const std::string&, std::string& l, std::string&, TDateTime&, int32_t, int64_t,
                     bool&) { l = "a.txt"; };
    EXPECT_FALSE(E.AddFileEntry(root, Listed("b.txt"), "/s/b.txt"));
    EXPECT_EQ(E.Compilation().FileCount, 1);
    EXPECT_TRUE(M.AnyContaining("/s/b.txt", 4));
}

TEST_F(Compilation, LongNamesAreKeptAndReportedUnlessTheHandlerSkipsThem) {
    TDEntry* root = E.Compilation().DirTable[0];
    const std::string n109 = std::string(105, 'x') + ".txt";
    const std::string n110 = std::string(106, 'y') + ".txt";
    const std::string n255 = std::string(251, 'z') + ".txt";
    std::vector<bool> offered;
    E.OnAddFile = [&](TComponent*, const std::string&, std::string&, std::string&, TDateTime&, int32_t, int64_t,
                      bool& skip) { offered.push_back(skip); };
    EXPECT_TRUE(E.AddFileEntry(root, Listed(n109), "/s/1"));
    EXPECT_TRUE(E.AddFileEntry(root, Listed(n110), "/s/2"));
    EXPECT_TRUE(E.AddFileEntry(root, Listed(n255), "/s/3"));
    EXPECT_EQ(offered, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(M.AnyContaining("NAME TOO LONG FOR THE IMAGE, SHORTENED: \"/s/2\"", 4));
    EXPECT_TRUE(M.AnyContaining("SHORTENED: \"/s/3\"", 4));
    EXPECT_EQ(E.EntryNotes().size(), 3u); // 109 characters + ";1" do not fit either
    // Without a handler nothing is left out either.
    E.OnAddFile = nullptr;
    EXPECT_TRUE(E.AddFileEntry(root, Listed(std::string(200, 'w') + ".txt"), "/s/4"));
    // A handler that skips still leaves the file out.
    E.OnAddFile = [](TComponent*, const std::string&, std::string&, std::string&, TDateTime&, int32_t, int64_t,
                     bool& skip) { skip = true; };
    EXPECT_FALSE(E.AddFileEntry(root, Listed(n110 + "x"), "/s/5"));
    EXPECT_EQ(E.Compilation().FileCount, 4);
}

TEST_F(Compilation, DirectoryLimitStopsTheAddWithItsMessage) {
    ASSERT_TRUE(E.ClearCompilation(600000, 20000));
    TDEntry* root = E.Compilation().DirTable[0];
    for (int i = 1; i < 20000; ++i) ASSERT_NE(E.CreateDir(root, "d" + std::to_string(i), 0x10), nullptr);
    EXPECT_EQ(E.Compilation().DirCount, 20000);
    T.File("more/f.txt");
    EXPECT_FALSE(AddTree());
    EXPECT_EQ(M.Count(">>> MAXIMUM DIRECTORIES CAN BE 20000", 3), 1);
    EXPECT_EQ(E.Compilation().DirCount, 20000);
    EXPECT_EQ(E.Compilation().FileCount, 19999);
}

TEST_F(Compilation, FileLimitReportsEveryFurtherFile) {
    ASSERT_TRUE(E.ClearCompilation(600000, 20000));
    while (E.Compilation().FileCount < 600000) ASSERT_NE(E.NewFileEntry(), nullptr);
    T.File("f1.txt");
    T.File("f2.txt");
    T.File("f3.txt");
    EXPECT_FALSE(AddTree());
    EXPECT_EQ(M.Count("MAXIMUM FILES CAN BE 600000", 3), 3);
    // A directory needs a file slot too.
    T.File("sub/x.txt");
    M.List.clear();
    EXPECT_FALSE(AddTree());
    EXPECT_EQ(M.Count("MAXIMUM FILES CAN BE 600000", 3), 1);
    EXPECT_EQ(E.Compilation().DirCount, 1);
}

TEST_F(Compilation, RemoveDirKeepsTheRootAndTakesWholeSubTrees) {
    T.File("keep/k.txt");
    T.File("gone/g1.txt");
    T.File("gone/inner/g2.txt");
    T.File("top.txt");
    ASSERT_TRUE(AddTree());
    TDEntry* root = E.Compilation().DirTable[0];
    TDEntry* ref = root;
    EXPECT_FALSE(E.RemoveDir(ref));
    EXPECT_EQ(ref, root);
    EXPECT_EQ(E.Compilation().DirCount, 4);

    TDEntry* gone = E.FindDir("\\GONE");
    ASSERT_TRUE(E.RemoveDir(gone));
    EXPECT_EQ(gone, nullptr);
    EXPECT_EQ(E.Compilation().DirCount, 2);
    EXPECT_EQ(FileTableNames(E), (std::vector<std::string>{"keep", "k.txt", "top.txt"}));
    EXPECT_EQ(E.FindDir("\\GONE\\INNER"), nullptr);
    EXPECT_EQ(E.FindDir("\\KEEP"), E.Compilation().DirTable[1]);
    EXPECT_EQ(E.Compilation().IsoPathOrder[1], E.Compilation().DirTable[1]);
    EXPECT_EQ(E.Compilation().JolietPathOrder[1], E.Compilation().DirTable[1]);
    EXPECT_EQ(E.Compilation().DirTable[2], nullptr);
    EXPECT_EQ(ChildNames(root), (std::vector<std::string>{"keep", "top.txt"}));

    EXPECT_TRUE(E.RemoveFile("\\keep", "K.TXT"));
    EXPECT_FALSE(E.RemoveFile("\\keep", "K.TXT"));
    EXPECT_FALSE(E.RemoveFile("\\none", "x"));
}

TEST_F(Compilation, CreateDirAndForceDir) {
    TDEntry* d = E.ForceDir("\\one\\Two words\\three");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->FullPath, "\\ONE\\TWO WORDS\\THREE");
    EXPECT_EQ(E.FindDir("\\ONE\\TWO WORDS")->ShortName, "TWO_WORDS");
    EXPECT_EQ(E.ForceDir("\\ONE\\two words\\THREE"), d);
    EXPECT_EQ(E.Compilation().DirCount, 4);
    TDEntry* made = E.CreateDir(E.Compilation().DirTable[0], "\\A very long name indeed\\", 0x10);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->LongName, "A very long name indeed");
    EXPECT_EQ(made->ShortName, "A_VERY_LONG_N");
    EXPECT_EQ(E.FindDir("\\a very long name indeed\\"), made);
    EXPECT_EQ(E.FindDir(""), E.Compilation().DirTable[0]);
}

#ifndef _WIN32 // symbolic links need privileges on Windows
TEST_F(Compilation, LinksToFoldersAreReportedOnce) {
    T.File("real/a.txt");
    ASSERT_EQ(symlink(T.Path("real").c_str(), T.Path("link").c_str()), 0);
    ASSERT_TRUE(AddTree());
    int reports = 0;
    for (auto& m : M.List) reports += m.second == 4 && m.first.find(T.Path("link")) != std::string::npos;
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(E.Compilation().DirCount, 2);
}
#endif

TEST_F(Compilation, FoldersBelowLevel255AreReportedAndLeftOut) {
    std::string rel;
    for (int i = 0; i < 256; ++i) rel += (i ? "/" : "") + std::string("d");
    T.File(rel + "/f.txt");
    T.File("d/top.txt");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(E.Compilation().DirCount, 1 + 1); // only "d" itself keeps a file
    EXPECT_TRUE(M.AnyContaining("FOLDER TOO DEEP", 4));
    for (int32_t i = 0; i < E.Compilation().DirCount; ++i) EXPECT_NE(E.Compilation().DirTable[size_t(i)]->Level, 0);
}

// The indexes must answer exactly as a scan of the tables and lists does, through adds,
// renames by the handler, replacements and removals.
class IndexedLookups : public Fixture, public ::testing::WithParamInterface<unsigned> {};

TEST_P(IndexedLookups, MatchAScan) {
    std::mt19937 rng(GetParam());
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    auto scanDir = [&](const std::string& path) -> TDEntry* {
        std::string key = path;
        if (key.empty() || key == "\\") return E.Compilation().DirTable[0];
        if (key.back() == '\\') key.pop_back();
        for (auto& c : key)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
        for (int32_t i = 1; i < E.Compilation().DirCount; ++i)
            if (E.Compilation().DirTable[size_t(i)]->FullPath == key) return E.Compilation().DirTable[size_t(i)];
        return nullptr;
    };
    auto upper = [](std::string s) {
        for (auto& c : s)
            if (c >= 'a' && c <= 'z') c = char(c - 32);
        return s;
    };
    auto scanFile = [&](TDEntry* d, const std::string& name) -> TFEntry* {
        for (TFEntry* c = d->FirstChild; c; c = c->Next)
            if (upper(c->LongName) == upper(name)) return c;
        return nullptr;
    };
    const char* names[] = {"a", "B", "c.txt", "C.TXT", "d", "e.bin", "F", "g"};
    bool rename = false;
    E.OnAddFile = [&](TComponent*, const std::string&, std::string& l, std::string&, TDateTime&, int32_t, int64_t,
                      bool&) {
        if (rename) l = names[pick(8)];
    };
    for (int step = 0; step < 3000; ++step) {
        TDEntry* d = E.Compilation().DirTable[size_t(pick(E.Compilation().DirCount))];
        switch (pick(6)) {
        case 0: E.AddDirEntry(d, ListedDir(names[pick(8)])); break;
        case 1:
        case 2:
            rename = pick(3) == 0;
            E.SetReplaceFile(pick(2) == 0);
            E.AddFileEntry(d, Listed(names[pick(8)]), "/s/" + std::to_string(step));
            break;
        case 3:
            if (d->FirstChild && pick(3) == 0) {
                TFEntry* c = d->FirstChild;
                for (int k = pick(4); k > 0 && c->Next; --k) c = c->Next;
                E.RemoveEntry(d, c);
            }
            break;
        default: {
            TDEntry* probe = E.Compilation().DirTable[size_t(pick(E.Compilation().DirCount))];
            std::string path = probe->FullPath;
            if (pick(2)) path += "\\";
            ASSERT_EQ(E.FindDir(path), scanDir(path)) << path;
            const std::string child = (probe == E.Compilation().DirTable[0] ? "" : path) + "\\" + names[pick(8)];
            ASSERT_EQ(E.FindDir(child), scanDir(child)) << child;
            for (const char* n : names) ASSERT_EQ(E.FindFile(probe, n), scanFile(probe, n)) << n;
        }
        }
    }
    for (int32_t i = 0; i < E.Compilation().DirCount; ++i) {
        TDEntry* d = E.Compilation().DirTable[size_t(i)];
        EXPECT_EQ(E.FindDir(d->FullPath), scanDir(d->FullPath));
        for (const char* n : names) EXPECT_EQ(E.FindFile(d, n), scanFile(d, n));
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, IndexedLookups, ::testing::Values(7u, 11u, 23u, 42u, 99u));

TEST_F(Compilation, MaskAndAttributesSelectFilesButEveryFolderIsSearched) {
    T.File("a.txt");
    T.File("b.doc");
    T.File(".hidden.txt");
    T.File("sub/c.TXT");
    T.File("sub/d.doc");
    T.File(".hiddendir/e.txt");
    ASSERT_TRUE(E.AddFolder("\\", T.Path(), "*.txt", platform::faArchive | platform::faReadOnly, true, false, false));
    EXPECT_EQ(FileTableNames(E), (std::vector<std::string>{".hiddendir", "e.txt", "sub", "c.TXT", "a.txt"}));
    ASSERT_TRUE(E.ClearCompilation(100, 10));
    ASSERT_TRUE(E.AddFolder("\\", T.Path(), "*.doc", 63, false, false, false));
    EXPECT_EQ(FileTableNames(E), (std::vector<std::string>{"b.doc"}));
}

TEST_F(Compilation, FoldersDeeperThanEightLevelsGetOneInformationLine) {
    const std::string line = "FOLDERS NESTED DEEPER THAN 8 LEVELS: READERS WITHOUT ROCK RIDGE MAY STOP THERE";
    // Seven folders below the root: eight levels with it, as ISO 9660 allows.
    T.File("1/2/3/4/5/6/7/f.txt");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(M.Count(line, 0), 0);
    // One deeper, in two branches: the line comes once; nothing is left out.
    T.File("1/2/3/4/5/6/7/8/g.txt");
    T.File("a/2/3/4/5/6/7/8/9/h.txt");
    ASSERT_TRUE(E.ClearCompilation(100, 100));
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(M.Count(line, 0), 1);
    EXPECT_NE(E.FindDir("\\1\\2\\3\\4\\5\\6\\7\\8"), nullptr);
    EXPECT_NE(E.FindDir("\\A\\2\\3\\4\\5\\6\\7\\8\\9"), nullptr);
    EXPECT_EQ(E.Compilation().FileCount - E.Compilation().DirCount + 1, 3);
}

#ifndef _WIN32 // '\' is a name character on Linux only
TEST_F(Compilation, ABackslashInALinuxNameIsNoDelimiter) {
    T.File("a\\b/in1.txt", "1");
    T.File("a/b/in2.txt", "2");
    ASSERT_TRUE(AddTree());
    const TDEntry* changed = E.FindDir("\\a_b");
    ASSERT_NE(changed, nullptr);
    EXPECT_EQ(ChildNames(changed), (std::vector<std::string>{"in1.txt"}));
    ASSERT_NE(E.FindDir("\\a\\b"), nullptr);
    EXPECT_EQ(ChildNames(E.FindDir("\\a\\b")), (std::vector<std::string>{"in2.txt"}));
    EXPECT_EQ(M.Count(">>> NAME HOLDS A BACKSLASH, CHANGED: \"" + T.Path("a\\b") + "\"", 4), 1);
    // A changed name does not take one the listing holds: "a_b" is there too.
    ASSERT_TRUE(E.ClearCompilation(100, 100));
    T.File("a_b/real.txt", "3");
    ASSERT_TRUE(AddTree());
    EXPECT_EQ(ChildNames(E.FindDir("\\a_b")), (std::vector<std::string>{"real.txt"}));
    ASSERT_NE(E.FindDir("\\a_b~1"), nullptr);
    EXPECT_EQ(ChildNames(E.FindDir("\\a_b~1")), (std::vector<std::string>{"in1.txt"}));
    // A source folder whose own name holds one, added with its path: one folder, not two.
    ASSERT_TRUE(E.ClearCompilation(100, 100));
    E.SetLastFolderOnly(true);
    ASSERT_TRUE(E.AddFolder("\\", T.Path("a\\b"), "*.*", 63, true, true, false));
    EXPECT_EQ(E.FindDir("\\b"), nullptr);
    ASSERT_NE(E.FindDir("\\a_b"), nullptr);
    EXPECT_EQ(ChildNames(E.FindDir("\\a_b")), (std::vector<std::string>{"in1.txt"}));
    EXPECT_TRUE(M.AnyContaining("NAME HOLDS A BACKSLASH, CHANGED", 4));
}

TEST_F(Compilation, IdentifiersEqualAfterConversionAreMadeUniqueAndReported) {
    T.File("a\xF0\x9F\x98\x80.txt", "1"); // outside the BMP: one '_' in the Joliet tree
    T.File("a\xF0\x9F\x98\x81.txt", "2");
    T.File("caf\xE9.txt", "3"); // Latin-1 bytes: not UTF-8
    T.File("caf\xE8.txt", "4");
    T.File("...", "5");
    T.File("plain.txt", "6");
    ASSERT_TRUE(AddTree());
    ASSERT_TRUE(E.PrepareCompilation(true, nullptr));
    std::set<std::string> iso;
    std::set<std::u16string> joliet;
    for (const TFEntry* c = E.Compilation().DirTable[0]->FirstChild; c; c = c->Next) {
        EXPECT_TRUE(iso.insert(c->IsoIdent).second) << c->IsoIdent;
        EXPECT_TRUE(joliet.insert(c->JolietIdent).second) << c->LongName;
        EXPECT_NE(c->JolietIdent.find_first_not_of(u"."), std::u16string::npos) << "a name of dots alone";
        if (c->LongName == "plain.txt") {
            EXPECT_EQ(c->IsoIdent, "PLAIN.TXT;1");
            EXPECT_EQ(c->JolietIdent, u"plain.txt;1");
        }
    }
    EXPECT_EQ(iso.size(), 6u);
    // The second of each pair and the dots: each named once, and nothing else.
    int unique = 0;
    for (auto& [text, type] : M.List) unique += text.find("MADE UNIQUE") != std::string::npos;
    EXPECT_GE(unique, 3);
    EXPECT_FALSE(M.AnyContaining("plain.txt", 4));
    EXPECT_TRUE(M.AnyContaining("MADE UNIQUE: \"" + T.Path("...") + "\"", 4));
}
#endif
