#include "app/win32/Pictures.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/win32/Controls.h"

namespace tarnwick::app::win32 {

namespace {

// GDI draws without anti-aliasing: the pictures are drawn at this multiple of their size and
// averaged down.
constexpr int kScale = 3;

struct TStop {
    double At;
    COLORREF Color;
};

COLORREF Mix(COLORREF a, COLORREF b, double t) {
    auto c = [t](int x, int y) { return BYTE(std::clamp(int(x + (y - x) * t + 0.5), 0, 255)); };
    return RGB(c(GetRValue(a), GetRValue(b)), c(GetGValue(a), GetGValue(b)), c(GetBValue(a), GetBValue(b)));
}

COLORREF At(const std::vector<TStop>& stops, double t) {
    if (t <= stops.front().At) return stops.front().Color;
    for (size_t i = 1; i < stops.size(); ++i)
        if (t <= stops[i].At)
            return Mix(stops[i - 1].Color, stops[i].Color, (t - stops[i - 1].At) / (stops[i].At - stops[i - 1].At));
    return stops.back().Color;
}

void Ellipse(HDC dc, double cx, double cy, double r, COLORREF fill, const COLORREF* outline, int penWidth = 1) {
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = outline ? CreatePen(PS_SOLID, penWidth, *outline) : static_cast<HPEN>(GetStockObject(NULL_PEN));
    HGDIOBJ oldBrush = SelectObject(dc, brush), oldPen = SelectObject(dc, pen);
    ::Ellipse(dc, int(cx - r), int(cy - r), int(cx + r) + 1, int(cy + r) + 1);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    DeleteObject(brush);
    if (outline) DeleteObject(pen);
}

// Concentric discs from the rim inwards: a radial gradient.
void RadialGradient(HDC dc, double cx, double cy, double r, const std::vector<TStop>& stops, COLORREF over,
                    double opacity) {
    const int steps = std::max(8, int(r / 2));
    for (int i = steps; i >= 1; --i) {
        const double t = double(i) / steps;
        Ellipse(dc, cx, cy, r * t, Mix(over, At(stops, t), opacity), nullptr);
    }
}

// A disc seen from above: silver face, a tint of rainbow towards the rim, clear hub. `over` is
// the colour behind it, for the opacity.
void Disc(HDC dc, double cx, double cy, double r, COLORREF over, double opacity) {
    const COLORREF rim = Mix(over, RGB(120, 130, 150), opacity);
    Ellipse(dc, cx, cy, r + kScale, rim, nullptr);
    RadialGradient(
        dc, cx, cy, r,
        {{0.0, RGB(250, 250, 252)}, {0.55, RGB(205, 214, 228)}, {0.8, RGB(226, 206, 238)}, {1.0, RGB(170, 186, 210)}},
        over, opacity);
    Ellipse(dc, cx, cy, r * 0.3, Mix(over, RGB(235, 238, 244), opacity), &rim, kScale);
    Ellipse(dc, cx, cy, r * 0.12, Mix(over, RGB(255, 255, 255), opacity), &rim, kScale);
}

// A drawing surface kScale times the picture's size; Finish averages it down into the bitmap.
class TCanvas {
  public:
    TCanvas(int width, int height) : Width(width), Height(height) {
        Dc = CreateCompatibleDC(nullptr);
        Big = Section(width * kScale, height * kScale, &BigBits);
        Old = SelectObject(Dc, Big);
    }
    ~TCanvas() {
        SelectObject(Dc, Old);
        DeleteObject(Big);
        DeleteDC(Dc);
    }
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    HDC Dc;

    HBITMAP Finish() {
        GdiFlush();
        void* bits = nullptr;
        HBITMAP out = Section(Width, Height, &bits);
        if (!out || !BigBits) return out;
        const auto* src = static_cast<const uint8_t*>(BigBits);
        auto* dst = static_cast<uint8_t*>(bits);
        const int bigStride = Width * kScale * 4;
        for (int y = 0; y < Height; ++y)
            for (int x = 0; x < Width; ++x)
                for (int c = 0; c < 4; ++c) {
                    int sum = 0;
                    for (int dy = 0; dy < kScale; ++dy)
                        for (int dx = 0; dx < kScale; ++dx)
                            sum += src[(y * kScale + dy) * bigStride + (x * kScale + dx) * 4 + c];
                    dst[(y * Width + x) * 4 + c] = uint8_t(sum / (kScale * kScale));
                }
        return out;
    }

  private:
    static HBITMAP Section(int w, int h, void** bits) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h; // top-down rows
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, bits, nullptr, 0);
    }

    int Width, Height;
    HBITMAP Big = nullptr;
    void* BigBits = nullptr;
    HGDIOBJ Old = nullptr;
};

HFONT ScaledFont(int points, bool bold) {
    LOGFONTW f{};
    GetObjectW(MessageFont(), sizeof f, &f);
    f.lfHeight = -MulDiv(points, 96, 72) * kScale;
    f.lfWidth = 0;
    f.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    f.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&f);
}

void Text(HDC dc, const wchar_t* text, RECT r, HFONT font, COLORREF color, UINT format) {
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, color);
    DrawTextW(dc, text, -1, &r, format | DT_NOPREFIX);
    SelectObject(dc, old);
}

} // namespace

HBITMAP StartPicture(int size, COLORREF background) {
    TCanvas canvas(size, size);
    HDC dc = canvas.Dc;
    const int big = size * kScale;
    RECT all{0, 0, big, big};
    HBRUSH back = CreateSolidBrush(background);
    FillRect(dc, &all, back);
    DeleteObject(back);

    Disc(dc, big * 0.44, big * 0.44, big * 0.4, background, 1.0);
    // A green "go" arrow over the lower right of the disc.
    const double s = big * 0.42;
    const double ox = big - s - 2 * kScale, oy = ox;
    const COLORREF edge = RGB(30, 110, 40);
    Ellipse(dc, ox + s / 2, oy + s / 2, s / 2, edge, nullptr);
    RadialGradient(dc, ox + s * 0.5, oy + s * 0.5, s / 2 - 2 * kScale, {{0, RGB(120, 220, 110)}, {1, RGB(40, 150, 50)}},
                   background, 1.0);
    POINT arrow[3] = {{LONG(ox + s * 0.38), LONG(oy + s * 0.25)},
                      {LONG(ox + s * 0.75), LONG(oy + s * 0.5)},
                      {LONG(ox + s * 0.38), LONG(oy + s * 0.75)}};
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(WHITE_BRUSH));
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, arrow, 3);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    return canvas.Finish();
}

HBITMAP GroupPicture(int width, int height) {
    TCanvas canvas(width, height);
    HDC dc = canvas.Dc;
    const int w = width * kScale, h = height * kScale;
    const COLORREF top = RGB(232, 240, 250), bottom = RGB(196, 212, 234);
    for (int y = 0; y < h; ++y) {
        HBRUSH line = CreateSolidBrush(Mix(top, bottom, double(y) / h));
        RECT r{0, y, w, y + 1};
        FillRect(dc, &r, line);
        DeleteObject(line);
    }
    // The discs are partly see-through; the colour behind is taken at their centres.
    Disc(dc, w * 0.78, h * 0.62, h * 0.62, Mix(top, bottom, 0.62), 0.85);
    Disc(dc, w * 0.58, h * 0.78, h * 0.38, Mix(top, bottom, 0.78), 0.6);

    HFONT title = ScaledFont(22, true), sub = ScaledFont(10, false);
    Text(dc, L"Tarnwick", RECT{16 * kScale, 14 * kScale, w - 16 * kScale, 54 * kScale}, title, RGB(40, 70, 120),
         DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    Text(dc, L"Disc to image file\nImage file to disc", RECT{18 * kScale, 52 * kScale, w - 14 * kScale, 112 * kScale},
         sub, RGB(60, 80, 110), DT_LEFT | DT_TOP);
    DeleteObject(title);
    DeleteObject(sub);
    return canvas.Finish();
}

} // namespace tarnwick::app::win32
