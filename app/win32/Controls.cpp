#include "app/win32/Controls.h"

namespace tarnwick::app::win32 {

using platform::win32::Narrow;
using platform::win32::Widen;

namespace {

LOGFONTW BaseFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return metrics.lfMessageFont;
    LOGFONTW font{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    return font;
}

int PointsToHeight(int points) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return -MulDiv(points, dpi, 72);
}

} // namespace

HFONT MessageFont() {
    static HFONT font = [] {
        LOGFONTW f = BaseFont();
        return CreateFontIndirectW(&f);
    }();
    return font;
}

HFONT BoldFont() {
    static HFONT font = [] {
        LOGFONTW f = BaseFont();
        f.lfWeight = FW_BOLD;
        return CreateFontIndirectW(&f);
    }();
    return font;
}

HFONT TitleFont() {
    static HFONT font = [] {
        LOGFONTW f = BaseFont();
        f.lfWeight = FW_BOLD;
        f.lfHeight = PointsToHeight(20);
        return CreateFontIndirectW(&f);
    }();
    return font;
}

HFONT UnderlineFont() {
    static HFONT font = [] {
        LOGFONTW f = BaseFont();
        f.lfUnderline = TRUE;
        return CreateFontIndirectW(&f);
    }();
    return font;
}

HWND CreateControl(HWND parent, const wchar_t* windowClass, const std::string& text, DWORD style, int id, int x, int y,
                   int w, int h, DWORD exStyle) {
    HWND control =
        CreateWindowExW(exStyle, windowClass, Widen(text).c_str(), WS_CHILD | style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFont()), FALSE);
    return control;
}

void SetText(HWND window, const std::string& text) {
    SetWindowTextW(window, Widen(text).c_str());
}

std::string GetText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    if (n <= 0) return {};
    std::wstring text(size_t(n) + 1, L'\0');
    const int got = GetWindowTextW(window, text.data(), n + 1);
    text.resize(size_t(got > 0 ? got : 0));
    return Narrow(text);
}

RECT WorkArea(HWND window) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY);
    if (monitor && GetMonitorInfoW(monitor, &info)) return info.rcWork;
    RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return area;
}

void CenterWindow(HWND window, const RECT& over) {
    RECT r;
    GetWindowRect(window, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    int x = over.left + (over.right - over.left - w) / 2;
    int y = over.top + (over.bottom - over.top - h) / 2;
    // Keep the caption reachable when the window is larger than the area it is centred on.
    const RECT work = WorkArea(window);
    if (x < work.left) x = work.left;
    if (y < work.top) y = work.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HCURSOR SystemCursor(LPCSTR id) {
    return LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(id));
}

std::wstring EditLineText(const std::string& line) {
    const std::wstring wide = Widen(line);
    std::wstring out;
    out.reserve(wide.size() + 8);
    for (size_t i = 0; i < wide.size(); ++i) {
        const wchar_t c = wide[i];
        if (c == L'\r') {
            out += L"\r\n";
            if (i + 1 < wide.size() && wide[i + 1] == L'\n') ++i;
        } else if (c == L'\n') {
            out += L"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace tarnwick::app::win32
