// The Win32 window over two virtual drives, driven through its controls' notifications as a
// user's clicks deliver them: copy the virtual DVD-ROM to an image file, burn that image onto
// the virtual DVD-R, compare the disc with the image. The modal boxes and the open dialog are
// answered by a thread timer, which their own message loops run.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "app/win32/ControlIds.h"
#include "app/win32/MainWindow.h"
#include "emulator/VirtualDriveDefinition.h"
#include "platform/Shell.h"
#include "platform/Threads.h"
#include "platform/win32/Win32.h"
#include "support/RandomBytes.h"
#include "windows/support/PumpUntil.h"
#include "windows/support/TempFolder.h"
#include <commctrl.h>
#include <dlgs.h>

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

std::string ReadAll(const std::string& path) {
    std::ifstream in(Widen(path).c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Answers the modal windows of this thread: the open dialog gets FileToOpen, message boxes
// are confirmed; their titles and texts are kept.
struct TAnswerer {
    static TAnswerer* Current;
    std::string FileToOpen;
    std::vector<std::string> Boxes;
    std::vector<std::string> DialogTitles;
    UINT_PTR Timer = 0;

    TAnswerer() {
        Current = this;
        Timer = SetTimer(nullptr, 0, 50, &Tick);
    }
    ~TAnswerer() {
        KillTimer(nullptr, Timer);
        Current = nullptr;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        if (Current) EnumThreadWindows(GetCurrentThreadId(), &Answer, 0);
    }
    static BOOL CALLBACK Answer(HWND window, LPARAM) {
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
        const std::string title = WindowText(window);
        if (title == "Open ISO file") {
            Current->DialogTitles.push_back(title);
            // The file name box: a combo box on Windows, an edit in older dialogs.
            for (int id : {cmb13, edt1})
                if (HWND name = GetDlgItem(window, id)) SetWindowTextW(name, Widen(Current->FileToOpen).c_str());
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        } else {
            Current->Boxes.push_back(WindowText(GetDlgItem(window, 0xFFFF)));
            // A question is answered Yes; a box with one button is confirmed.
            PostMessageW(window, WM_COMMAND, GetDlgItem(window, IDYES) ? IDYES : IDOK, 0);
        }
        return TRUE;
    }
};
TAnswerer* TAnswerer::Current = nullptr;


class Win32JobTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::SetOpenURLHook([this](const std::string& url) { Opened.push_back(url); });
    }
    void TearDown() override {
        platform::SetSynchronizeWakeup(nullptr);
        platform::SetOpenURLHook(nullptr);
        emulator::ResetVirtualDrives();
    }

    // A choice in a drop-down list, as the list reports it when it closes.
    static void Choose(HWND main, int id, int index) {
        HWND list = GetDlgItem(main, id);
        SendMessageW(list, CB_SETCURSEL, WPARAM(index), 0);
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, CBN_CLOSEUP), reinterpret_cast<LPARAM>(list));
        // The window handles the choice once the list's notifications are over.
        MSG msg;
        while (PeekMessageW(&msg, main, 0x8000, 0xBFFF, PM_REMOVE))
            DispatchMessageW(&msg);
    }
    static void Click(HWND main, int id, int code) {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
    }
    static bool WaitForJobEnd(HWND main) {
        return PumpUntil(
            [&] { return WindowText(GetDlgItem(main, kIdLog)).find(">>> Copying done") != std::string::npos; }, 120000);
    }

    testing_win::TTempFolder Temp;
    std::vector<std::string> Opened;
};

TEST_F(Win32JobTest, CopiesTheVirtualDvdToAnImageAndBurnsItOntoTheVirtualDvdR) {
    const std::string disc = Temp.MakeDir("disc");
    Temp.MakeDir("disc\\VIDEO_TS");
    Temp.Write("disc\\VIDEO_TS\\VIDEO_TS.IFO", std::string(6000, 'i'));
    const std::string big = testsupport::RandomBytes(3 * 1048576 + 123, 7);
    Temp.Write("disc\\VIDEO_TS\\VTS_01_1.VOB", big);
    const std::string burned = Temp / "dvdr.bin";
    std::string error;
    ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("E=dvd-rom:" + disc, error)) << error;
    ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("F=dvd-r:" + burned, error)) << error;

    TAnswerer answerer;
    TWin32MainWindow window;
    HWND main = window.Handle();
    ASSERT_NE(main, nullptr) << "no window: Wine needs a display (run under xvfb-run)";
    InstallWin32Synchronize(main);
    window.Show(SW_SHOW);
    ASSERT_TRUE(answerer.Boxes.empty()) << answerer.Boxes[0];
    HWND source = GetDlgItem(main, kIdSource), destination = GetDlgItem(main, kIdDestination);
    HWND log = GetDlgItem(main, kIdLog), progress = GetDlgItem(main, kIdProgress);
    ASSERT_EQ(window.SourceCount(), 3);
    ASSERT_EQ(window.DestinationCount(), 2);
    const int dvdrom = window.SourceText().find(",E:") != std::string::npos ? 0 : 1;
    const int dvdr = 1 - dvdrom;

    // Drive to image file.
    const std::string image = Temp / "copy.iso";
    Choose(main, kIdSource, dvdrom);
    SetWindowTextW(GetDlgItem(main, kIdDestinationEdit), Widen(image).c_str());
    Click(main, kIdStart, STN_CLICKED);
    ASSERT_TRUE(WaitForJobEnd(main)) << WindowText(log);
    const std::string copyLog = WindowText(log);
    EXPECT_NE(copyLog.find(">>> START Copying DVD to ISO FILE"), std::string::npos) << copyLog;
    EXPECT_EQ(copyLog.substr(copyLog.rfind("\r\n") + 2), ">>> Copying done, successful!") << copyLog;
    EXPECT_TRUE(GetWindowLongW(log, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main, kIdAbort)));
    EXPECT_EQ(answerer.Boxes, std::vector<std::string>{"Copying started. You have a time to try other software"});
    const std::string iso = ReadAll(image);
    ASSERT_GT(iso.size(), big.size());
    EXPECT_EQ(iso.size() % 2048, 0u);
    EXPECT_EQ(iso.substr(16 * 2048 + 1, 5), "CD001");
    EXPECT_NE(iso.find(big.substr(0, 4096)), std::string::npos) << "the big file's bytes are not in the image";

    // Image file to disc: the image-file item, its dialog, then the recorder.
    answerer.FileToOpen = image;
    Choose(main, kIdSource, 2);
    EXPECT_EQ(answerer.DialogTitles, std::vector<std::string>{"Open ISO file"});
    EXPECT_EQ(window.SourceText(), "DVD Image File (" + image + ")");
    EXPECT_TRUE(GetWindowLongW(destination, GWL_STYLE) & WS_VISIBLE);
    EXPECT_FALSE(GetWindowLongW(GetDlgItem(main, kIdDestinationEdit), GWL_STYLE) & WS_VISIBLE);
    Choose(main, kIdDestination, dvdr);
    Click(main, kIdStart, STN_CLICKED);
    ASSERT_TRUE(WaitForJobEnd(main)) << WindowText(log);
    const std::string burnLog = WindowText(log);
    std::wstring recorder(size_t(SendMessageW(destination, CB_GETLBTEXTLEN, WPARAM(dvdr), 0)) + 1, L'\0');
    recorder.resize(size_t(SendMessageW(destination, CB_GETLBTEXT, WPARAM(dvdr), LPARAM(recorder.data()))));
    EXPECT_EQ(burnLog.rfind("--> Start copying movie to DVD on " + Narrow(recorder), 0), 0u) << burnLog;
    EXPECT_EQ(burnLog.substr(burnLog.rfind("\r\n") + 2), ">>> Copying done, successful!") << burnLog;
    EXPECT_EQ(SendMessageW(progress, PBM_GETPOS, 0, 0), 100);

    const std::string written = ReadAll(burned);
    ASSERT_GE(written.size(), iso.size());
    EXPECT_TRUE(written.compare(0, iso.size(), iso) == 0) << "the disc differs from the image";
    EXPECT_EQ(Opened.size(), 2u); // once per job start
    (void)source;
}

TEST_F(Win32JobTest, AUsedCdRwIsErasedOnYesWithTheStatusLineFollowingTheDriveAndBurnedAgain) {
    // The erase takes four seconds of real time here, polled every second.
    const std::string burned = Temp / "cdrw.bin";
    std::string error;
    ASSERT_TRUE(emulator::RegisterVirtualDriveDefinition("G=cd-rw+erasems=4000:" + burned, error)) << error;
    auto image = [&](const char* name, unsigned seed) {
        const std::string bytes = testsupport::RandomBytes(500 * 2048, seed);
        Temp.Write(name, bytes);
        return bytes;
    };
    const std::string first = image("first.iso", 1), second = image("second.iso", 2);

    TAnswerer answerer;
    TWin32MainWindow window;
    HWND main = window.Handle();
    ASSERT_NE(main, nullptr) << "no window: Wine needs a display (run under xvfb-run)";
    InstallWin32Synchronize(main);
    window.Show(SW_SHOW);
    HWND log = GetDlgItem(main, kIdLog), progress = GetDlgItem(main, kIdProgress);
    HWND status = GetDlgItem(main, kIdStatus);
    ASSERT_EQ(window.SourceCount(), 2);
    auto burn = [&](const char* name) {
        answerer.FileToOpen = Temp / name;
        Choose(main, kIdSource, 1);
        Choose(main, kIdDestination, 0);
        Click(main, kIdStart, STN_CLICKED);
    };

    burn("first.iso");
    ASSERT_TRUE(WaitForJobEnd(main)) << WindowText(log);
    ASSERT_EQ(ReadAll(burned).compare(0, first.size(), first), 0);
    EXPECT_EQ(answerer.Boxes.size(), 1u) << "a blank disc is burned without a question";

    // The disc goes back into the drive that ejected it.
    auto drive = emulator::EmulatedDriveAt('G');
    drive->LoadMedium(drive->Medium());
    answerer.Boxes.clear();
    burn("second.iso");
    std::set<std::string> erasing;
    std::vector<LRESULT> gauge;
    ASSERT_TRUE(PumpUntil(
        [&] {
            const std::string text = WindowText(status);
            if (text.rfind("Erasing the disc: ", 0) == 0) {
                erasing.insert(text);
                const LRESULT at = SendMessageW(progress, PBM_GETPOS, 0, 0);
                if (gauge.empty() || gauge.back() != at) gauge.push_back(at);
            }
            return WindowText(log).find(">>> Copying done") != std::string::npos;
        },
        120000))
        << WindowText(log);
    ASSERT_GE(answerer.Boxes.size(), 2u);
    EXPECT_EQ(answerer.Boxes[0], TForm1::kEraseQuestion);
    const std::string burnLog = WindowText(log);
    EXPECT_EQ(burnLog.substr(burnLog.rfind("\r\n") + 2), ">>> Copying done, successful!") << burnLog;
    EXPECT_GE(erasing.size(), 3u);
    EXPECT_GE(gauge.size(), 3u);
    EXPECT_TRUE(std::is_sorted(gauge.begin(), gauge.end()));
    EXPECT_EQ(ReadAll(burned).compare(0, second.size(), second), 0) << "the disc differs from the second image";
}

} // namespace
} // namespace tarnwick::app::win32
