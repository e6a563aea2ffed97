#include "app/win32/AboutWindow.h"

#include "app/win32/ControlIds.h"
#include "app/win32/Controls.h"

namespace tarnwick::app::win32 {

namespace {

constexpr int kClientWidth = 429, kClientHeight = 151;
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;

void RegisterClassOnce() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW; // replaced per window in the constructor
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = SystemCursor(IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kAboutWindowClass;
        return RegisterClassExW(&wc) != 0;
    }();
    (void)registered;
}

} // namespace

TWin32AboutWindow::TWin32AboutWindow(TForm2& form, HWND owner) : Form(form), Owner(owner) {
    RegisterClassOnce();
    RECT r{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&r, kStyle, FALSE, kExStyle);
    Window = CreateWindowExW(kExStyle, kAboutWindowClass, L"About", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             r.right - r.left, r.bottom - r.top, owner, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!Window) return;
    SetWindowLongPtrW(Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
    BuildControls();
    Form.SetView(this);
}

TWin32AboutWindow::~TWin32AboutWindow() {
    Form.SetView(nullptr);
    if (Window) {
        SetWindowLongPtrW(Window, GWLP_USERDATA, 0);
        DestroyWindow(Window);
    }
}

void TWin32AboutWindow::BuildControls() {
    HWND title = CreateControl(Window, L"STATIC", TForm2::kTitle, WS_VISIBLE | SS_LEFT | SS_CENTERIMAGE, kIdAboutTitle,
                               16, 8, 240, 36);
    SendMessageW(title, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont()), FALSE);
    Version =
        CreateControl(Window, L"STATIC", "", WS_VISIBLE | SS_RIGHT | SS_CENTERIMAGE, kIdAboutVersion, 264, 20, 150, 20);
    CreateControl(Window, L"STATIC", TForm2::kLegalNotice, WS_VISIBLE | SS_LEFT, kIdAboutNotice, 16, 48, 397, 54);
    Link = CreateControl(Window, L"STATIC", TForm2::kLinkCaption, WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_CENTERIMAGE,
                         kIdAboutLink, 16, 114, 240, 22);
    SendMessageW(Link, WM_SETFONT, reinterpret_cast<WPARAM>(UnderlineFont()), FALSE);
    CreateControl(Window, L"BUTTON", "OK", WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, kIdAboutOk, 333, 112, 80, 26);
}

void TWin32AboutWindow::SetVersionLabel(const std::string& text) {
    if (Version) SetText(Version, text);
}

void TWin32AboutWindow::Close() {
    Open = false;
}

void TWin32AboutWindow::ShowModal() {
    if (!Window || Open) return;
    RECT over;
    if (Owner && IsWindowVisible(Owner))
        GetWindowRect(Owner, &over);
    else
        over = WorkArea(Window);
    CenterWindow(Window, over);
    Open = true;
    if (Owner) EnableWindow(Owner, FALSE);
    ShowWindow(Window, SW_SHOW);
    SetFocus(GetDlgItem(Window, kIdAboutOk));
    MSG msg;
    while (Open) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(int(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (IsDialogMessageW(Window, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    Open = false;
    // The owner comes back before the window goes, so the activation returns to it.
    if (Owner) EnableWindow(Owner, TRUE);
    ShowWindow(Window, SW_HIDE);
    if (Owner) SetActiveWindow(Owner);
}

LRESULT CALLBACK TWin32AboutWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWin32AboutWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    return self->OnMessage(message, wParam, lParam);
}

LRESULT TWin32AboutWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kIdAboutOk:
            Form.zkSkinButton1Click();
            return 0;
        case IDCANCEL:
            Close();
            return 0;
        case kIdAboutLink:
            if (HIWORD(wParam) == STN_CLICKED) Form.LinkClick();
            return 0;
        }
        break;
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(wParam) == Link) {
            SetCursor(SystemCursor(IDC_HAND));
            return TRUE;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == Link) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, RGB(0, 0, 238));
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    }
    return DefWindowProcW(Window, message, wParam, lParam);
}

} // namespace tarnwick::app::win32
