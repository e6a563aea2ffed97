// Start-up without a drive: version file, settings keys, the transport error, the log channel,
// the gauge, the status line and the buttons.
#include <thread>

#include "app/common/ProgressText.h"
#include "app/common/Version.h"
#include "tests/app/form/FormFixture.h"

namespace tarnwick::app::testing {
namespace {

const std::string kAspiBox = "Error initializing ASPI Layer, Please visit support: https://tarnwick.example/support";

TEST_F(FormTest, VersionFileSetsBothCaptionsFromItsFirstLine) {
    WriteText(ProgramDir / "ver.ini", "2.5 beta\r\nnot this line\r\n");
    TFakeAboutView aboutView;
    About.SetView(&aboutView);
    Form->FormShow();
    EXPECT_EQ(View.GroupCaption, "Version 2.5 beta");
    EXPECT_EQ(About.VersionLabel(), "version 2.5 beta");
    EXPECT_EQ(aboutView.VersionLabel, "version 2.5 beta");
    About.SetView(nullptr);
}

TEST_F(FormTest, WithoutVersionFileBothCaptionsShowTheBuildsVersion) {
    Form->FormShow();
    EXPECT_STRNE(ProgramVersion(), "");
    EXPECT_EQ(View.GroupCaption, std::string("Version ") + ProgramVersion());
    EXPECT_EQ(About.VersionLabel(), std::string("version ") + ProgramVersion());
    EXPECT_EQ(View.LogClears, 1);
}

TEST_F(FormTest, UnreadableVersionFileIsReportedAndEndsStartUp) {
    // A file that exists but fails every read, even for root: the process's memory at offset 0.
    std::filesystem::create_symlink("/proc/self/mem", ProgramDir / "ver.ini");
    WriteSettings("CloseDisc=1\n");
    Form->FormShow();
    ASSERT_EQ(View.FileErrors.size(), 1u);
    EXPECT_FALSE(View.FileErrors[0].empty());
    // Nothing after the failed step ran: no settings, no log clearing, no transport.
    EXPECT_FALSE(Form->vorn->FinalizeDisc());
    EXPECT_EQ(View.LogClears, 0);
    EXPECT_TRUE(View.Messages.empty());
    EXPECT_EQ(View.GroupCaption, "Version 1.0");
}

TEST_F(FormTest, BooleanKeysTakeAnyNonZeroNumberAndIgnoreNonNumbers) {
    WriteSettings("CloseDisc=7\nJolietFS=0\nTestWrite=-1\nPerformOPC=0x10\nUnderrunProtection=yes\n");
    Form->FormShow();
    EXPECT_TRUE(Form->vorn->FinalizeDisc());
    EXPECT_FALSE(Form->vorn->JolietFileSystem());
    EXPECT_TRUE(Form->vorn->TestWrite());
    EXPECT_TRUE(Form->vorn->PerformOPC());
    EXPECT_TRUE(Form->vorn->UnderrunProtection()); // design value kept

    WriteSettings("UnderrunProtection=$0\nJolietFS=abc\nCloseDisc=0\n");
    MakeForm();
    Form->FormShow();
    EXPECT_FALSE(Form->vorn->UnderrunProtection());
    EXPECT_TRUE(Form->vorn->JolietFileSystem());
    EXPECT_FALSE(Form->vorn->FinalizeDisc());
}

TEST_F(FormTest, CacheSizeGoesThroughTheEngineSetter) {
    const std::pair<const char*, int32_t> cases[] = {
        {"1000", 2097152}, {"5000000", 4999168}, {"$400000", 4194304}, {"lots", 4194304}, {"", 4194304}};
    for (auto [value, expected] : cases) {
        WriteSettings(std::string("CacheSize=") + value + "\n");
        MakeForm();
        Form->FormShow();
        EXPECT_EQ(Form->vorn->CacheSize(), expected) << "CacheSize=" << value;
    }
}

TEST_F(FormTest, MissingSettingsFileKeepsTheDesignValues) {
    Form->FormShow();
    EXPECT_FALSE(Form->vorn->FinalizeDisc());
    EXPECT_TRUE(Form->vorn->JolietFileSystem());
    EXPECT_FALSE(Form->vorn->TestWrite());
    EXPECT_FALSE(Form->vorn->PerformOPC());
    EXPECT_TRUE(Form->vorn->UnderrunProtection());
    EXPECT_EQ(Form->vorn->CacheSize(), 4194304);
    EXPECT_TRUE(Form->vorn->WritePostGap());
    EXPECT_EQ(Form->vorn->Version(), "1.21");
}

TEST_F(FormTest, ImageFileAndTempFolderComeFromThePlatformUnlessTheSettingsNameThem) {
    const char* tmpdir = std::getenv("TMPDIR");
    const std::string saved = tmpdir ? tmpdir : "";
    ::setenv("TMPDIR", (Root / "tmp/").c_str(), 1);
    View.FileEditText = View.TempFolderText = "typed before start-up";
    Form->FormShow();
    EXPECT_EQ(View.FileEditText, (Root / "home" / "DVD_Image.iso").string());
    EXPECT_EQ(View.TempFolderText, (Root / "tmp").string());

    WriteSettings("ImageFile=/srv/copies/film.iso\nTempFolder=/var/tmp\n");
    MakeForm();
    Form->FormShow();
    if (tmpdir)
        ::setenv("TMPDIR", saved.c_str(), 1);
    else
        ::unsetenv("TMPDIR");
    EXPECT_EQ(View.FileEditText, "/srv/copies/film.iso");
    EXPECT_EQ(View.TempFolderText, "/var/tmp");
}

TEST(WindowPaths, DriveLettersAndSharesAreNamedForWhatTheyAreWhereThereAreNone) {
    for (const char* path : {"c:\\DVD_Image.iso", "D:/films/a.iso", "c:", "\\\\server\\share\\a.iso"}) {
        const std::string message = ForeignPathMessage(path);
        EXPECT_NE(message.find(std::string("\"") + path + "\" NAMES A WINDOWS "), std::string::npos) << message;
    }
    for (const char* path : {"/home/me/c:\\a.iso", "c:a.iso", "copy.iso", "./c:/x.iso", ""})
        EXPECT_EQ(ForeignPathMessage(path), "") << path;
}

TEST_F(FormTest, NoTransportShowsTheSupportBoxAndLeavesTheListsEmpty) {
    Form->FormShow();
    EXPECT_EQ(View.Messages, std::vector<std::string>{kAspiBox});
    EXPECT_TRUE(View.Source.Items.empty());
    EXPECT_TRUE(View.Destination.Items.empty());
    EXPECT_TRUE(View.Log.empty());

    // With empty lists a start click takes the burn path with no file chosen; the engine
    // ends that job at once and the window shows it as ended.
    Form->Image3Click();
    ASSERT_TRUE(WaitJobEnd());
    ASSERT_GE(View.Log.size(), 2u);
    EXPECT_EQ(View.Log.front(), "--> Start copying movie to DVD on ");
    EXPECT_EQ(View.Log.back(),
              ">>> Copying done with warning, CAN'T OPEN FILE \"\" OR FILE IS IN USES BY OTHER SOFTWARE");
    EXPECT_EQ(View.Informations, std::vector<std::string>{"Copying started. You have a time to try other software"});
    EXPECT_EQ(View.Progress, 100);
    EXPECT_FALSE(View.Timer1);
    EXPECT_FALSE(View.AbortEnabled);
    EXPECT_FALSE(View.StatusTimer);
    EXPECT_TRUE(View.LogVisible);
    EXPECT_EQ(Opened, std::vector<std::string>{"https://tarnwick.example/"}); // at the job start
}

TEST_F(FormTest, StartShowsTheNoticeWithAbortAndGaugeReadyAndTheHomePageAfterIt) {
    Form->FormShow();
    View.Progress = 100; // left over from an earlier job
    bool checked = false;
    View.OnInformation = [&] {
        EXPECT_TRUE(View.AbortEnabled);
        EXPECT_TRUE(View.LogVisible);
        EXPECT_EQ(View.Progress, 0);
        EXPECT_FALSE(View.Timer1);
        EXPECT_TRUE(Opened.empty()); // the home page opens after the box is closed
        checked = true;
    };
    Form->Image3Click();
    EXPECT_TRUE(checked);
    WaitJobEnd();
}

TEST_F(FormTest, MessagesFromOtherThreadsAreAppendedOnTheMainThreadInOrder) {
    Form->vorn->DebugMessage("first", 1);
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t)
        threads.emplace_back([this, t] {
            for (int i = 0; i < 50; ++i) Form->vorn->DebugMessage("t" + std::to_string(t) + " " + std::to_string(i), 1);
        });
    for (auto& th : threads) th.join();
    EXPECT_EQ(View.Log, std::vector<std::string>{"first"}); // not touched from those threads
    EXPECT_EQ(View.DrainRequests.load(), 150);

    // A line from the main thread comes after the ones that arrived before it.
    Form->vorn->DebugMessage("last", 0);
    ASSERT_EQ(View.Log.size(), 152u);
    EXPECT_EQ(View.Log.back(), "last");
    int next[3] = {0, 0, 0};
    for (size_t i = 1; i + 1 < View.Log.size(); ++i) {
        const std::string& line = View.Log[i];
        const int t = line[1] - '0';
        EXPECT_EQ(line, "t" + std::to_string(t) + " " + std::to_string(next[t])) << "line " << i;
        ++next[t];
    }
    Form->DrainLog(); // nothing left twice
    EXPECT_EQ(View.Log.size(), 152u);
}

TEST_F(FormTest, GaugeStopsAt90UntilTheEndAndShows100After) {
    for (int i = 0; i < 120; ++i) Form->Timer1Timer();
    EXPECT_EQ(View.Progress, 90);
    Form->vornWriteDone(Form->vorn.get(), "OPERATION ABORTED BY USER");
    EXPECT_EQ(View.Progress, 100);
    EXPECT_EQ(View.Log.back(), ">>> Copying done with warning, OPERATION ABORTED BY USER");
    Form->Timer1Timer();
    EXPECT_EQ(View.Progress, 100);
    Form->vornWriteDone(Form->vorn.get(), "");
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
}

TEST_F(FormTest, AbortAsksTheEngineAndDisablesTheButton) {
    View.AbortEnabled = true;
    Form->bAbortClick();
    EXPECT_FALSE(View.AbortEnabled);
}

TEST_F(FormTest, StatusLineShowsBytesRateAndDriveBuffer) {
    EXPECT_EQ(progress::StatusLine(0, 0, -1, 0, 0), "0.0 MB written");
    EXPECT_EQ(progress::StatusLine(1500000, 10000000, -1, 0, 0), "1.5 MB of 10.0 MB written (15%)");
    EXPECT_EQ(progress::StatusLine(10000000, 10000000, 2750000, 0, 0), "10.0 MB of 10.0 MB written (100%), 2.8 MB/s");
    EXPECT_EQ(progress::StatusLine(5000000, 10000000, 1000000, 4 * 1048576, 1048576),
              "5.0 MB of 10.0 MB written (50%), 1.0 MB/s, drive buffer 75%");
    // A drive reporting more free space than its size counts as empty, not as a wrap-around.
    EXPECT_EQ(progress::StatusLine(0, 2048, -1, 100, 200), "0.0 MB of 0.0 MB written (0%), drive buffer 0%");
}

TEST_F(FormTest, StatusTimerReadsTheEngineAndLeavesTheDesignedControlsAlone) {
    uint64_t now = 1000;
    Form->NowMs = [&] { return now; };
    Form->FormShow();
    Form->Image3Click(); // ends at once (no drive), but arms the rate baseline first
    WaitJobEnd();
    const int progress = View.Progress;
    const auto log = View.Log;
    Form->vorn->Job().ImageSectors = 5000; // 10.24 MB
    Form->vorn->Job().BytesWritten = 0;
    Form->StatusTimerTick();
    now += 500;
    Form->vorn->Job().BytesWritten = 2048000;
    Form->vorn->SetDeviceBufferSize(1000);
    Form->vorn->SetDeviceFreeBufferSize(100);
    Form->StatusTimerTick();
    EXPECT_EQ(View.Status, "2.0 MB of 10.2 MB written (20%), 4.1 MB/s, drive buffer 90%");
    EXPECT_EQ(View.Progress, progress);
    EXPECT_EQ(View.Log, log);

    // At the end the rate is the job's average (2048000 bytes over 2 s), not the last interval's.
    now = 3000;
    Form->vornWriteDone(Form->vorn.get(), "");
    EXPECT_EQ(View.Status, "2.0 MB of 10.2 MB written (20%), 1.0 MB/s, drive buffer 90%");
    EXPECT_FALSE(View.StatusTimer);
}

TEST_F(FormTest, ButtonsAndClosing) {
    Form->zkSkinButton2Click();
    EXPECT_EQ(View.AboutShown, 1);
    Form->zkSkinButton3Click();
    EXPECT_EQ(Opened, std::vector<std::string>{"https://tarnwick.example/"});
    Opened.clear();
    Form->zkSkinButton1Click(); // Exit closes the window, and closing opens the home page once
    EXPECT_EQ(View.CloseCalls, 1);
    EXPECT_EQ(Opened, std::vector<std::string>{"https://tarnwick.example/"});
    Opened.clear();
    Form->FormClose(); // a close by the window's own button
    EXPECT_EQ(Opened.size(), 1u);
}

TEST_F(FormTest, AboutWindowOkClosesAndLinkOpensTheHomePage) {
    TFakeAboutView aboutView;
    About.SetVersionLabel("version 3");
    About.SetView(&aboutView);
    EXPECT_EQ(aboutView.VersionLabel, "version 3");
    About.zkSkinButton1Click();
    EXPECT_EQ(aboutView.Closed, 1);
    About.LinkClick();
    EXPECT_EQ(Opened, std::vector<std::string>{"https://tarnwick.example/"});
    About.SetView(nullptr);
}

TEST_F(FormTest, TheJobEndListsWhatWasLeftOutOrRenamed) {
    Form->vorn->Compilation().NoteEntry("NAME TOO LONG FOR THE IMAGE, SHORTENED: \"/s/long\"");
    Form->vorn->Compilation().NoteEntry("THE IMAGE FILE ITSELF, LEFT OUT: \"/s/out.iso\"");
    Form->vornWriteDone(Form->vorn.get(), "");
    ASSERT_GE(View.Log.size(), 4u);
    const std::vector<std::string> tail(View.Log.end() - 4, View.Log.end());
    EXPECT_EQ(tail, (std::vector<std::string>{">>> Copying done, successful!", ">>> Entries left out or renamed: 2",
                                              "    NAME TOO LONG FOR THE IMAGE, SHORTENED: \"/s/long\"",
                                              "    THE IMAGE FILE ITSELF, LEFT OUT: \"/s/out.iso\""}));
    // A compilation without such entries ends as before.
    ASSERT_TRUE(Form->vorn->ClearCompilation(10, 10));
    Form->vornWriteDone(Form->vorn.get(), "");
    EXPECT_EQ(View.Log.back(), ">>> Copying done, successful!");
}

} // namespace
} // namespace tarnwick::app::testing
