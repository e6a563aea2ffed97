#include "app/win32/MainWindow.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "app/win32/AboutWindow.h"
#include "app/win32/ControlIds.h"
#include "app/win32/Controls.h"
#include "app/win32/Pictures.h"
#include "platform/Threads.h"

namespace tarnwick::app::win32 {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

constexpr int kClientWidth = 536, kClientHeight = 355;
// No WS_CLIPCHILDREN: a group box leaves its inside to the window's own background.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kChild = WS_CLIPSIBLINGS;
// A drop-down list's height includes its open list.
constexpr int kListHeight = 220;
// The longest path the file dialogs return.
constexpr size_t kPathChars = 32768;

void RegisterClassOnce(WNDPROC proc) {
    static const bool registered = [proc] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_PROGRESS_CLASS | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = SystemCursor(IDC_ARROW);
        wc.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kMainWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

std::string ListText(HWND list, int index) {
    const LRESULT n = SendMessageW(list, CB_GETLBTEXTLEN, WPARAM(index), 0);
    if (index < 0 || n == CB_ERR || n <= 0) return {};
    std::wstring text(size_t(n) + 1, L'\0');
    const LRESULT got = SendMessageW(list, CB_GETLBTEXT, WPARAM(index), reinterpret_cast<LPARAM>(text.data()));
    if (got == CB_ERR) return {};
    text.resize(size_t(got));
    return Narrow(text);
}

void SetListItems(HWND list, const std::vector<std::string>& items) {
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& item : items)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

} // namespace

TWin32MainWindow::TWin32MainWindow() {
    RegisterClassOnce(&WindowProc);
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kStyle, FALSE, 0);
    Window = CreateWindowExW(0, kMainWindowClass, Widen(TForm1::kCaption).c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    Form2 = std::make_unique<TForm2>();
    Form1 = std::make_unique<TForm1>(*this, *Form2);
    if (!Window) return;
    BuildControls();
    About = std::make_unique<TWin32AboutWindow>(*Form2, Window);
    CenterWindow(Window, WorkArea(Window));
}

TWin32MainWindow::~TWin32MainWindow() {
    // The form may still log while it waits for a job to end; the controls must outlive it.
    Form1.reset();
    About.reset();
    Form2.reset();
    if (Window) {
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        DestroyWindow(Window);
    }
    if (StartBitmap) DeleteObject(StartBitmap);
    if (GroupBitmap) DeleteObject(GroupBitmap);
}

void TWin32MainWindow::BuildControls() {
    auto label = [this](int id, const char* text, int x, int y) {
        CreateControl(Window, L"STATIC", text, WS_VISIBLE | kChild | SS_LEFT | SS_CENTERIMAGE, id, x, y, 84, 24);
    };
    const DWORD list = WS_TABSTOP | WS_VSCROLL | kChild | CBS_DROPDOWNLIST;
    const DWORD edit = WS_TABSTOP | kChild | ES_AUTOHSCROLL;
    const DWORD button = WS_TABSTOP | kChild | BS_PUSHBUTTON;

    label(kIdSourceLabel, "Source:", 12, 8);
    CreateControl(Window, WC_COMBOBOXW, "", WS_VISIBLE | list, kIdSource, 100, 8, 424, kListHeight);

    label(kIdDestinationLabel, "Destination:", 12, 38);
    CreateControl(Window, WC_COMBOBOXW, "", list, kIdDestination, 100, 38, 424, kListHeight);
    // feDestination: the edit and its browse button, shown and hidden together.
    CreateControl(Window, L"EDIT", TForm1::kDefaultImageFile, WS_VISIBLE | edit, kIdDestinationEdit, 100, 38, 396, 24,
                  WS_EX_CLIENTEDGE);
    CreateControl(Window, L"BUTTON", "...", WS_VISIBLE | button, kIdDestinationBrowse, 500, 38, 24, 24);

    label(kIdTempLabel, "Temp Folder:", 12, 68);
    CreateControl(Window, L"EDIT", kDesignTempFolder, WS_VISIBLE | edit, kIdTempEdit, 100, 68, 396, 24, WS_EX_CLIENTEDGE);
    CreateControl(Window, L"BUTTON", "...", WS_VISIBLE | button, kIdTempBrowse, 500, 68, 24, 24);

    // zkSkinGroupBox1 holds Image2 and, over it, Memo1 (their order is set at the end).
    HWND group = CreateControl(Window, L"BUTTON", TForm1::kDesignGroupCaption, WS_VISIBLE | kChild | BS_GROUPBOX,
                               kIdGroup, 8, 100, 392, 172);
    HWND image2 = CreateControl(Window, L"STATIC", "", WS_VISIBLE | kChild | SS_BITMAP | SS_CENTERIMAGE,
                                kIdGroupPicture, 16, 122, 376, 142);
    GroupBitmap = GroupPicture(376, 142);
    SendMessageW(image2, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(GroupBitmap));
    HWND memo =
        CreateControl(Window, L"EDIT", "",
                      kChild | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                      kIdLog, 16, 122, 376, 142, WS_EX_CLIENTEDGE);
    SendMessageW(memo, EM_SETLIMITTEXT, 0, 0); // the largest the control allows

    // Image1 starts the job; Image3 is its hidden duplicate with the same handler.
    StartBitmap = StartPicture(104, GetSysColor(COLOR_BTNFACE));
    for (int id : {kIdStart, kIdStartDuplicate}) {
        HWND picture = CreateControl(
            Window, L"STATIC", "", (id == kIdStart ? WS_VISIBLE : 0) | kChild | SS_BITMAP | SS_CENTERIMAGE | SS_NOTIFY,
            id, 416, 106, 112, 112);
        SendMessageW(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(StartBitmap));
    }
    Tooltip =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, Window, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (Tooltip) {
        static wchar_t hint[] = L"Start Copying!";
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V2_SIZE; // understood by every version of the common controls
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = Window;
        tool.uId = reinterpret_cast<UINT_PTR>(Control(kIdStart));
        tool.lpszText = hint;
        SendMessageW(Tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }

    // Red bold text on a push button needs the button drawn by the window (WM_DRAWITEM).
    CreateControl(Window, L"BUTTON", "Abort", WS_VISIBLE | WS_DISABLED | WS_TABSTOP | kChild | BS_OWNERDRAW, kIdAbort,
                  416, 234, 112, 32);

    CreateControl(Window, L"STATIC", "", WS_VISIBLE | kChild | SS_LEFT | SS_NOPREFIX | SS_ENDELLIPSIS, kIdStatus, 10,
                  276, 518, 18);
    HWND progress = CreateControl(Window, PROGRESS_CLASSW, "", WS_VISIBLE | kChild, kIdProgress, 8, 296, 520, 18);
    SendMessageW(progress, PBM_SETRANGE32, 0, 100);
    SendMessageW(progress, PBM_SETPOS, 0, 0);

    CreateControl(Window, L"BUTTON", "More Settings", WS_VISIBLE | button, kIdMoreSettings, 8, 322, 120, 26);
    CreateControl(Window, L"BUTTON", "About", WS_VISIBLE | button, kIdAbout, 348, 322, 86, 26);
    CreateControl(Window, L"BUTTON", "Exit", WS_VISIBLE | button, kIdExit, 442, 322, 86, 26);

    // Overlapping siblings paint in their order: the log over the picture over the group box.
    const UINT keep = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
    SetWindowPos(group, HWND_BOTTOM, 0, 0, 0, 0, keep);
    SetWindowPos(image2, HWND_TOP, 0, 0, 0, 0, keep);
    SetWindowPos(memo, HWND_TOP, 0, 0, 0, 0, keep);
}

// ---- Showing and the loop -------------------------------------------------------------------

void TWin32MainWindow::Show(int showCommand) {
    if (!Window) return;
    ShowWindow(Window, showCommand);
    UpdateWindow(Window);
    if (Shown) return;
    Shown = true;
    Form1->FormShow();
}

int TWin32MainWindow::Run() {
    MSG msg;
    for (;;) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) return int(msg.wParam);
        if (got < 0) return 1;
        if (Window && IsDialogMessageW(Window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TWin32MainWindow::ProcessMessages() {
    // Bounded, so a stream of messages cannot keep the caller here.
    MSG msg;
    for (int i = 0; i < 1000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(int(msg.wParam)); // for the loop that owns it
            return;
        }
        if (Window && IsDialogMessageW(Window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void TWin32MainWindow::Close() {
    if (Window) SendMessageW(Window, WM_CLOSE, 0, 0);
}

void TWin32MainWindow::PostLogDrain() {
    if (Window) PostMessageW(Window, kMsgDrainLog, 0, 0);
}

void InstallWin32Synchronize(HWND window) {
    platform::SetMainThread();
    platform::SetSynchronizeWakeup([window] { PostMessageW(window, kMsgSynchronize, 0, 0); });
}

// ---- Messages -------------------------------------------------------------------------------

LRESULT CALLBACK TWin32MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TWin32MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || !self->Form1) return DefWindowProcW(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT TWin32MainWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return 0;
    case WM_TIMER:
        if (wParam == kTimer1Id)
            Form1->Timer1Timer();
        else if (wParam == kStatusTimerId)
            Form1->StatusTimerTick();
        return 0;
    case kMsgSynchronize:
        platform::CheckSynchronize(0);
        return 0;
    case kMsgDrainLog:
        Form1->DrainLog();
        return 0;
    case kMsgSourceChosen:
        Form1->cbSourceCloseUp();
        return 0;
    case kMsgDestinationChosen:
        Form1->cbDestinationCloseUp();
        return 0;
    case WM_CLOSE:
        // Closing ends the program, as the last window of the application.
        if (!Closing) {
            Closing = true;
            Form1->FormClose();
            ShowWindow(Window, SW_HIDE);
            PostQuitMessage(0);
        }
        return 0;
    case WM_SETCURSOR: {
        const HWND over = reinterpret_cast<HWND>(wParam);
        if (over == Control(kIdStart) || over == Control(kIdStartDuplicate)) {
            SetCursor(SystemCursor(IDC_HAND));
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
        // A read-only edit is grey by default; the log reads better on the window colour.
        if (reinterpret_cast<HWND>(lParam) == Control(kIdLog)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (item->CtlID == UINT(kIdAbort)) {
            DrawAbortButton(*item);
            return TRUE;
        }
        break;
    }
    }
    return DefWindowProcW(Window, message, wParam, lParam);
}

void TWin32MainWindow::OnCommand(int id, int code) {
    switch (id) {
    case kIdSource:
    case kIdDestination: {
        // A choice ends with the list closing, or with a keyboard change while it is closed.
        // Both may arrive for one choice: the handler runs once, after the list is done.
        const HWND list = Control(id);
        const bool chosen =
            code == CBN_CLOSEUP || (code == CBN_SELCHANGE && !SendMessageW(list, CB_GETDROPPEDSTATE, 0, 0));
        if (!chosen) return;
        const UINT post = id == kIdSource ? kMsgSourceChosen : kMsgDestinationChosen;
        MSG pending;
        if (!PeekMessageW(&pending, Window, post, post, PM_NOREMOVE)) PostMessageW(Window, post, 0, 0);
        return;
    }
    case kIdDestinationBrowse:
        if (code == BN_CLICKED) BrowseDestination();
        return;
    case kIdTempBrowse:
        if (code == BN_CLICKED) BrowseTempFolder();
        return;
    case kIdStart:
    case kIdStartDuplicate:
        if (code == STN_CLICKED) Form1->Image3Click();
        return;
    case kIdAbort:
        if (code == BN_CLICKED) Form1->bAbortClick();
        return;
    case kIdMoreSettings:
        if (code == BN_CLICKED) Form1->zkSkinButton3Click();
        return;
    case kIdAbout:
        if (code == BN_CLICKED) Form1->zkSkinButton2Click();
        return;
    case kIdExit:
        if (code == BN_CLICKED) Form1->zkSkinButton1Click();
        return;
    }
}

void TWin32MainWindow::DrawAbortButton(const DRAWITEMSTRUCT& item) {
    RECT r = item.rcItem;
    const bool pushed = item.itemState & ODS_SELECTED;
    const bool disabled = item.itemState & ODS_DISABLED;
    DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
    if (pushed) OffsetRect(&r, 1, 1);
    HGDIOBJ old = SelectObject(item.hDC, BoldFont());
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, disabled ? GetSysColor(COLOR_GRAYTEXT) : RGB(200, 0, 0));
    DrawTextW(item.hDC, L"Abort", -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SelectObject(item.hDC, old);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        InflateRect(&focus, -4, -4);
        DrawFocusRect(item.hDC, &focus);
    }
}

void TWin32MainWindow::BrowseDestination() {
    HWND edit = Control(kIdDestinationEdit);
    std::wstring file = Widen(GetText(edit));
    file.resize(kPathChars, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Window;
    ofn.lpstrFilter = L"ISO image file\0*.iso\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&ofn)) {
        // A text that is no valid file name stops the dialog from opening: offer it empty.
        if (CommDlgExtendedError() != FNERR_INVALIDFILENAME) return;
        file.assign(kPathChars, L'\0');
        if (!GetSaveFileNameW(&ofn)) return;
    }
    SetWindowTextW(edit, file.c_str());
}

void TWin32MainWindow::BrowseTempFolder() {
    HWND edit = Control(kIdTempEdit);
    BROWSEINFOW info{};
    info.hwndOwner = Window;
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (!chosen) return;
    std::wstring path(kPathChars, L'\0');
    if (SHGetPathFromIDListEx(chosen, path.data(), DWORD(path.size()), GPFIDL_DEFAULT))
        SetWindowTextW(edit, path.c_str());
    CoTaskMemFree(chosen);
}

// ---- IMainView ------------------------------------------------------------------------------

void TWin32MainWindow::SetSourceItems(const std::vector<std::string>& items) {
    SetListItems(Control(kIdSource), items);
}
void TWin32MainWindow::AddSourceItem(const std::string& item) {
    SendMessageW(Control(kIdSource), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}
void TWin32MainWindow::SetSourceItemText(int index, const std::string& text) {
    // A list item has no text of its own to set: it is replaced, keeping the selection.
    HWND list = Control(kIdSource);
    if (index < 0 || index >= SourceCount()) return;
    const LRESULT selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    SendMessageW(list, CB_DELETESTRING, WPARAM(index), 0);
    SendMessageW(list, CB_INSERTSTRING, WPARAM(index), reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(list, CB_SETCURSEL, WPARAM(selected), 0);
}
int TWin32MainWindow::SourceCount() const {
    return int(SendMessageW(Control(kIdSource), CB_GETCOUNT, 0, 0));
}
int TWin32MainWindow::SourceIndex() const {
    return int(SendMessageW(Control(kIdSource), CB_GETCURSEL, 0, 0));
}
void TWin32MainWindow::SetSourceIndex(int index) {
    SendMessageW(Control(kIdSource), CB_SETCURSEL, WPARAM(index), 0);
}
std::string TWin32MainWindow::SourceText() const {
    return ListText(Control(kIdSource), SourceIndex());
}

void TWin32MainWindow::SetDestinationItems(const std::vector<std::string>& items) {
    SetListItems(Control(kIdDestination), items);
}
int TWin32MainWindow::DestinationCount() const {
    return int(SendMessageW(Control(kIdDestination), CB_GETCOUNT, 0, 0));
}
int TWin32MainWindow::DestinationIndex() const {
    return int(SendMessageW(Control(kIdDestination), CB_GETCURSEL, 0, 0));
}
void TWin32MainWindow::SetDestinationIndex(int index) {
    SendMessageW(Control(kIdDestination), CB_SETCURSEL, WPARAM(index), 0);
}
std::string TWin32MainWindow::DestinationText() const {
    return ListText(Control(kIdDestination), DestinationIndex());
}

void TWin32MainWindow::SetDestinationListVisible(bool visible) {
    ShowWindow(Control(kIdDestination), visible ? SW_SHOW : SW_HIDE);
}
void TWin32MainWindow::SetDestinationEditVisible(bool visible) {
    ShowWindow(Control(kIdDestinationEdit), visible ? SW_SHOW : SW_HIDE);
    ShowWindow(Control(kIdDestinationBrowse), visible ? SW_SHOW : SW_HIDE);
}
std::string TWin32MainWindow::DestinationFileName() const {
    return GetText(Control(kIdDestinationEdit));
}
void TWin32MainWindow::SetDestinationFileName(const std::string& text) { SetText(Control(kIdDestinationEdit), text); }
void TWin32MainWindow::SetTempFolder(const std::string& text) { SetText(Control(kIdTempEdit), text); }

std::optional<std::string> TWin32MainWindow::ExecuteOpenDialog() {
    std::wstring file = Widen(Form1->OpenDialogFileName());
    file.resize(kPathChars, L'\0');
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Window;
    ofn.lpstrTitle = L"Open ISO file";
    ofn.lpstrFilter = L"ISO Image File\0*.iso\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = DWORD(file.size());
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    if (!GetOpenFileNameW(&ofn)) return std::nullopt;
    return Narrow(file.c_str());
}

void TWin32MainWindow::ClearLog() {
    SetWindowTextW(Control(kIdLog), L"");
}

void TWin32MainWindow::AppendLog(const std::string& line) {
    HWND memo = Control(kIdLog);
    const int length = GetWindowTextLengthW(memo);
    const std::wstring text = (length > 0 ? L"\r\n" : L"") + EditLineText(line);
    // Appending at the end scrolls the new line into view.
    SendMessageW(memo, EM_SETSEL, WPARAM(length), LPARAM(length));
    SendMessageW(memo, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TWin32MainWindow::SetLogVisible(bool visible) {
    ShowWindow(Control(kIdLog), visible ? SW_SHOW : SW_HIDE);
}

int TWin32MainWindow::ProgressValue() const {
    return int(SendMessageW(Control(kIdProgress), PBM_GETPOS, 0, 0));
}
void TWin32MainWindow::SetProgressValue(int value) {
    SendMessageW(Control(kIdProgress), PBM_SETPOS, WPARAM(value), 0);
}

void TWin32MainWindow::SetTimer1Enabled(bool enabled) {
    if (enabled)
        SetTimer(Window, kTimer1Id, TForm1::kTimer1Interval, nullptr);
    else
        KillTimer(Window, kTimer1Id);
}
void TWin32MainWindow::SetAbortEnabled(bool enabled) {
    EnableWindow(Control(kIdAbort), enabled);
}

void TWin32MainWindow::SetStatusText(const std::string& text) {
    SetText(Control(kIdStatus), text);
}
void TWin32MainWindow::SetStatusTimerEnabled(bool enabled) {
    if (enabled)
        SetTimer(Window, kStatusTimerId, TForm1::kStatusInterval, nullptr);
    else
        KillTimer(Window, kStatusTimerId);
}

void TWin32MainWindow::ShowInformation(const std::string& text) {
    MessageBoxW(Window, Widen(text).c_str(), Widen(TForm1::kCaption).c_str(), MB_OK | MB_ICONINFORMATION);
}
bool TWin32MainWindow::AskYesNo(const std::string& text) {
    return MessageBoxW(Window, Widen(text).c_str(), Widen(TForm1::kCaption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}
void TWin32MainWindow::ShowMessage(const std::string& text) {
    MessageBoxW(Window, Widen(text).c_str(), Widen(TForm1::kCaption).c_str(), MB_OK);
}
void TWin32MainWindow::ShowFileError(const std::string& text) {
    MessageBoxW(Window, Widen(text).c_str(), Widen(TForm1::kCaption).c_str(), MB_OK | MB_ICONERROR);
}

void TWin32MainWindow::SetGroupCaption(const std::string& caption) {
    SetText(Control(kIdGroup), caption);
}
void TWin32MainWindow::ShowAboutModal() {
    if (About) About->ShowModal();
}

} // namespace tarnwick::app::win32
