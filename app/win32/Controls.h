#pragma once
// Small helpers over plain Win32 controls: creation with the window's font, UTF-8 text in and
// out, fonts, and centring a window.
#include <string>

#include "platform/win32/Win32.h"

namespace tarnwick::app::win32 {

// A child control at (x, y, w, h) of parent's client area, with the message font.
HWND CreateControl(HWND parent, const wchar_t* windowClass, const std::string& text, DWORD style, int id, int x, int y,
                   int w, int h, DWORD exStyle = 0);

void SetText(HWND window, const std::string& text);
std::string GetText(HWND window);

// The system's message font, and variants of it; created once, kept for the whole run.
HFONT MessageFont();
HFONT BoldFont();
HFONT TitleFont();     // 20 points, bold (the About window's title)
HFONT UnderlineFont(); // the link label

// Moves window so that it is centred over the rectangle `over` (screen coordinates).
void CenterWindow(HWND window, const RECT& over);
// The work area of the screen that holds `window` (the primary one before it is placed).
RECT WorkArea(HWND window);

// One of the system's cursors (IDC_ARROW, IDC_HAND).
HCURSOR SystemCursor(LPCSTR id);

// A line of the log, with line breaks as the edit control wants them ("\r\n").
std::wstring EditLineText(const std::string& line);

} // namespace tarnwick::app::win32
