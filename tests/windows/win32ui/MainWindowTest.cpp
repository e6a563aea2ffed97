// The Win32 view of the main window and the About window, in process: what the form writes
// through the view must be what the controls hold, read back with their own messages, and
// messages from other threads must reach the form through the window's message loop.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "windows/support/PumpUntil.h"
#include "app/win32/ControlIds.h"
#include "app/win32/MainWindow.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/win32/Win32.h"
#include <commctrl.h>

namespace tarnwick::app::win32 {
namespace {

using platform::win32::Narrow;
using platform::win32::Widen;


std::string WindowText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring text(size_t(n) + 1, L'\0');
    text.resize(size_t(GetWindowTextW(window, text.data(), n + 1)));
    return Narrow(text);
}

std::vector<std::string> Items(HWND list) {
    std::vector<std::string> items;
    const int count = int(SendMessageW(list, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring text(size_t(SendMessageW(list, CB_GETLBTEXTLEN, WPARAM(i), 0)) + 1, L'\0');
        text.resize(size_t(SendMessageW(list, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()))));
        items.push_back(Narrow(text));
    }
    return items;
}

bool Shown(HWND control) {
    return (GetWindowLongW(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

class Win32WindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetOpenURLHook([this](const std::string& url) { Opened.push_back(url); });
        Window = std::make_unique<TWin32MainWindow>();
        Main = Window->Handle();
        ASSERT_NE(Main, nullptr) << "no window: Wine needs a display (run under xvfb-run)";
    }
    void TearDown() override {
        platform::SetSynchronizeWakeup(nullptr);
        Window.reset();
        platform::SetOpenURLHook(nullptr);
    }
    HWND Control(int id) const { return GetDlgItem(Main, id); }

    std::unique_ptr<TWin32MainWindow> Window;
    HWND Main = nullptr;
    std::vector<std::string> Opened;
};

TEST_F(Win32WindowTest, ControlsStartWithTheirDesignTextsAndStates) {
    RECT client;
    GetClientRect(Main, &client);
    EXPECT_EQ(client.right, 536);
    EXPECT_EQ(client.bottom, 355);
    EXPECT_EQ(WindowText(Main), "Tarnwick");
    EXPECT_EQ(WindowText(Control(kIdDestinationEdit)), "c:\\DVD_Image.iso");
    EXPECT_EQ(WindowText(Control(kIdTempEdit)), "c:\\temp");
    EXPECT_EQ(WindowText(Control(kIdGroup)), "Version 1.0");
    EXPECT_EQ(WindowText(Control(kIdAbort)), "Abort");
    EXPECT_FALSE(IsWindowEnabled(Control(kIdAbort)));
    EXPECT_FALSE(Shown(Control(kIdLog)));
    EXPECT_FALSE(Shown(Control(kIdDestination)));
    EXPECT_TRUE(Shown(Control(kIdDestinationEdit)));
    EXPECT_TRUE(Shown(Control(kIdStart)));
    EXPECT_FALSE(Shown(Control(kIdStartDuplicate)));
    EXPECT_EQ(SendMessageW(Control(kIdProgress), PBM_GETRANGE, TRUE, 0), 0);
    EXPECT_EQ(SendMessageW(Control(kIdProgress), PBM_GETRANGE, FALSE, 0), 100);
    // Drop-down lists that cannot be typed into.
    EXPECT_EQ(GetWindowLongW(Control(kIdSource), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    const LONG memo = GetWindowLongW(Control(kIdLog), GWL_STYLE);
    EXPECT_TRUE(memo & ES_READONLY);
    EXPECT_TRUE(memo & ES_MULTILINE);
    EXPECT_TRUE((memo & WS_VSCROLL) && (memo & WS_HSCROLL));
}

TEST_F(Win32WindowTest, ListItemsRoundTripInUtf8AndRenamingKeepsTheSelection) {
    const std::string unicode = "0:1:0,E: Ünïcödé ✓ DRIVE";
    Window->SetSourceItems({"1:0:0,D: FIRST", unicode});
    Window->AddSourceItem("DVD Image File");
    Window->SetSourceIndex(2);
    Window->SetSourceItemText(2, "DVD Image File (c:\\films\\holiday.iso)");
    EXPECT_EQ(Items(Control(kIdSource)),
              (std::vector<std::string>{"1:0:0,D: FIRST", unicode, "DVD Image File (c:\\films\\holiday.iso)"}));
    EXPECT_EQ(Window->SourceIndex(), 2);
    EXPECT_EQ(Window->SourceText(), "DVD Image File (c:\\films\\holiday.iso)");
    Window->SetSourceIndex(1);
    EXPECT_EQ(Window->SourceText(), unicode);

    // New items replace the old ones.
    Window->SetSourceItems({"only"});
    EXPECT_EQ(Window->SourceCount(), 1);
    EXPECT_EQ(Window->SourceIndex(), -1);
    EXPECT_EQ(Window->SourceText(), "");

    Window->SetDestinationItems({"a", "b"});
    Window->SetDestinationIndex(1);
    EXPECT_EQ(Items(Control(kIdDestination)), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(Window->DestinationText(), "b");
    EXPECT_EQ(Window->DestinationCount(), 2);
}

TEST_F(Win32WindowTest, AChoiceInADriveListRunsItsHandlerOnceWhenTheListIsDone) {
    Window->SetDestinationItems({"1:0:0,E: DRIVE", "2:0:0,F: DRIVE"});
    HWND list = Control(kIdDestination);
    SendMessageW(list, CB_SETCURSEL, 1, 0);
    // Closing the list and the selection change it reports may both arrive for one choice.
    SendMessageW(Main, WM_COMMAND, MAKEWPARAM(kIdDestination, CBN_CLOSEUP), reinterpret_cast<LPARAM>(list));
    SendMessageW(Main, WM_COMMAND, MAKEWPARAM(kIdDestination, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(WindowText(Control(kIdLog)), ""); // not inside the list's notification
    PumpUntil([] { return false; }, 300);
    // The handler logs one selection line (the engine may add its own lines about the drive).
    const std::string log = WindowText(Control(kIdLog));
    const size_t first = log.find(">>> SELECTING");
    ASSERT_NE(first, std::string::npos) << log;
    EXPECT_EQ(log.find(">>> SELECTING", first + 1), std::string::npos) << "the handler ran twice: " << log;
}

TEST_F(Win32WindowTest, TheDestinationListAndTheImageFileEditShareOnePlace) {
    Window->SetDestinationListVisible(true);
    Window->SetDestinationEditVisible(false);
    EXPECT_TRUE(Shown(Control(kIdDestination)));
    EXPECT_FALSE(Shown(Control(kIdDestinationEdit)));
    EXPECT_FALSE(Shown(Control(kIdDestinationBrowse))); // the browse button goes with its edit
    Window->SetDestinationEditVisible(true);
    Window->SetDestinationListVisible(false);
    EXPECT_TRUE(Shown(Control(kIdDestinationEdit)));
    EXPECT_TRUE(Shown(Control(kIdDestinationBrowse)));
    EXPECT_FALSE(Shown(Control(kIdDestination)));

    SetWindowTextW(Control(kIdDestinationEdit), L"Z:\\tmp\\naïve café.iso");
    EXPECT_EQ(Window->DestinationFileName(), "Z:\\tmp\\naïve café.iso");
}

TEST_F(Win32WindowTest, TheLogKeepsItsLinesInOrderOneLinePerMessage) {
    Window->AppendLog(">>> SELECTING 1:0:0,E: DRIVE");
    Window->AppendLog("two\nlines");
    Window->AppendLog("grüße");
    EXPECT_EQ(WindowText(Control(kIdLog)), ">>> SELECTING 1:0:0,E: DRIVE\r\ntwo\r\nlines\r\ngrüße");
    EXPECT_EQ(SendMessageW(Control(kIdLog), EM_GETLINECOUNT, 0, 0), 4);
    Window->ClearLog();
    EXPECT_EQ(WindowText(Control(kIdLog)), "");
    Window->AppendLog("after");
    EXPECT_EQ(WindowText(Control(kIdLog)), "after");
    Window->SetLogVisible(true);
    EXPECT_TRUE(Shown(Control(kIdLog)));
}

TEST_F(Win32WindowTest, ProgressAbortCaptionAndTimersReachTheirControls) {
    Window->SetProgressValue(42);
    EXPECT_EQ(SendMessageW(Control(kIdProgress), PBM_GETPOS, 0, 0), 42);
    EXPECT_EQ(Window->ProgressValue(), 42);
    Window->SetAbortEnabled(true);
    EXPECT_TRUE(IsWindowEnabled(Control(kIdAbort)));
    Window->SetGroupCaption("Version 2.5");
    EXPECT_EQ(WindowText(Control(kIdGroup)), "Version 2.5");
    Window->SetStatusText("1.0 MB written");
    EXPECT_EQ(WindowText(Control(kIdStatus)), "1.0 MB written");

    // Timer1 runs under its own identifier: killing it succeeds only while it is on.
    Window->SetTimer1Enabled(true);
    EXPECT_TRUE(KillTimer(Main, kTimer1Id));
    Window->SetTimer1Enabled(true);
    Window->SetTimer1Enabled(false);
    EXPECT_FALSE(KillTimer(Main, kTimer1Id));

    // The status timer's ticks reach the form, which writes the status line.
    Window->SetStatusText("");
    Window->SetStatusTimerEnabled(true);
    EXPECT_TRUE(PumpUntil([&] { return !WindowText(Control(kIdStatus)).empty(); }, 5000));
    EXPECT_EQ(WindowText(Control(kIdStatus)).rfind("0.0 MB", 0), 0u) << WindowText(Control(kIdStatus));
    Window->SetStatusTimerEnabled(false);
    EXPECT_FALSE(KillTimer(Main, kStatusTimerId));
}

TEST_F(Win32WindowTest, SynchronizeRunsOnTheWindowThreadThroughItsMessages) {
    InstallWin32Synchronize(Main);
    std::atomic<bool> done{false}, ranOnMain{false}, picked{false};
    std::thread worker([&] {
        picked = platform::SynchronizeFor([&] { ranOnMain = platform::IsMainThread(); }, 10000);
        done = true;
    });
    // Only window messages are dispatched here: the queue runs because the wake-up posted one.
    const bool finished = PumpUntil([&] { return done.load(); }, 15000);
    worker.join();
    EXPECT_TRUE(finished);
    EXPECT_TRUE(picked);
    EXPECT_TRUE(ranOnMain);
}

TEST_F(Win32WindowTest, LogLinesFromAnotherThreadArriveInTheirOrder) {
    constexpr int kLines = 200;
    std::thread writer([&] {
        for (int i = 0; i < kLines; ++i)
            Window->Form().vornDebugMessage(nullptr, "line " + std::to_string(i), 1);
    });
    writer.join();
    // Nothing is appended off the window thread; the posted drain brings all of them.
    EXPECT_EQ(WindowText(Control(kIdLog)), "");
    ASSERT_TRUE(PumpUntil([&] { return SendMessageW(Control(kIdLog), EM_GETLINECOUNT, 0, 0) >= kLines; }, 10000));
    std::string expected;
    for (int i = 0; i < kLines; ++i)
        expected += (i ? "\r\n" : "") + std::string("line ") + std::to_string(i);
    EXPECT_EQ(WindowText(Control(kIdLog)), expected);
}

TEST_F(Win32WindowTest, ClosingOpensTheHomePageOnceHidesTheWindowAndEndsTheLoop) {
    ShowWindow(Main, SW_SHOW);
    SendMessageW(Main, WM_COMMAND, MAKEWPARAM(kIdExit, BN_CLICKED), reinterpret_cast<LPARAM>(Control(kIdExit)));
    SendMessageW(Main, WM_CLOSE, 0, 0); // the window's own close button, after Exit
    EXPECT_EQ(Opened, std::vector<std::string>{kHomePage});
    EXPECT_FALSE(IsWindowVisible(Main));
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(Win32WindowTest, MoreSettingsOpensTheHomePage) {
    SendMessageW(Main, WM_COMMAND, MAKEWPARAM(kIdMoreSettings, BN_CLICKED),
                 reinterpret_cast<LPARAM>(Control(kIdMoreSettings)));
    EXPECT_EQ(Opened, std::vector<std::string>{kHomePage});
}

struct TFindAbout {
    HWND Owner, Found;
};

// A named CALLBACK: a lambda does not convert to the 32-bit stdcall procedure type.
BOOL CALLBACK FindAbout(HWND window, LPARAM data) {
    auto* find = reinterpret_cast<TFindAbout*>(data);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    if (std::wstring(name) == kAboutWindowClass && GetWindow(window, GW_OWNER) == find->Owner) {
        find->Found = window;
        return FALSE;
    }
    return TRUE;
}

HWND AboutWindowOf(HWND owner) {
    TFindAbout find{owner, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindAbout, reinterpret_cast<LPARAM>(&find));
    return find.Found;
}

TEST_F(Win32WindowTest, TheAboutWindowShowsTheVersionAndItsOkEndsTheModalWait) {
    HWND about = AboutWindowOf(Main);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(WindowText(about), "About");
    RECT client;
    GetClientRect(about, &client);
    EXPECT_EQ(client.right, 429);
    EXPECT_EQ(client.bottom, 151);
    EXPECT_EQ(WindowText(GetDlgItem(about, kIdAboutVersion)), "version 1.0");
    Window->AboutForm().SetVersionLabel("version 2.5");
    EXPECT_EQ(WindowText(GetDlgItem(about, kIdAboutVersion)), "version 2.5");
    EXPECT_EQ(WindowText(GetDlgItem(about, kIdAboutTitle)), "Tarnwick");

    // The About button opens it modally; OK, waiting in the queue, closes it again.
    ShowWindow(Main, SW_SHOW);
    PostMessageW(about, WM_COMMAND, MAKEWPARAM(kIdAboutOk, BN_CLICKED), 0);
    SendMessageW(Main, WM_COMMAND, MAKEWPARAM(kIdAbout, BN_CLICKED), reinterpret_cast<LPARAM>(Control(kIdAbout)));
    EXPECT_FALSE(IsWindowVisible(about));
    EXPECT_TRUE(IsWindowEnabled(Main));

    // The link opens the home page.
    SendMessageW(about, WM_COMMAND, MAKEWPARAM(kIdAboutLink, STN_CLICKED), 0);
    EXPECT_EQ(Opened, std::vector<std::string>{kHomePage});
}

} // namespace
} // namespace tarnwick::app::win32
