#include "Gdi.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "Handles.h"

namespace tk {
namespace {

// A created font: face, height in pixels (negative: of the characters), weight, charset.
using FontKey = std::tuple<std::wstring, LONG, int, BYTE>;
// A font asked for, with how it gives way to a text and its box.
using FitKey = std::tuple<std::wstring, float, int, BYTE, Fit, std::wstring, LONG, LONG, UINT>;

std::map<COLORREF, GdiObject>& Brushes() {
    static std::map<COLORREF, GdiObject> brushes;
    return brushes;
}

std::map<FontKey, GdiObject>& Fonts() {
    static std::map<FontKey, GdiObject> fonts;
    return fonts;
}

// Each fitting is measured once.
std::map<FitKey, LONG>& FittedHeights() {
    static std::map<FitKey, LONG> heights;
    return heights;
}

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

LOGFONTW LogFontOf(const FontSpec& font, int dpi) {
    LOGFONTW lf{};
    lf.lfHeight = -static_cast<LONG>(std::lround(font.points * static_cast<float>(dpi) / 72.0f));
    lf.lfWeight = font.weight;
    lf.lfCharSet = font.charset;
    lf.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(lf.lfFaceName, font.face, LF_FACESIZE);
    return lf;
}

// What the system makes of a font: the face it chose, its metrics, the text's extent.
struct Measured {
    std::wstring face;
    TEXTMETRICW metrics{};
    RECT text{};
};

Measured Measure(const LOGFONTW& lf, const std::wstring& text, TextPlace place) {
    Measured m;
    HDC dc = CreateCompatibleDC(nullptr);
    GdiObject font(CreateFontIndirectW(&lf));
    HGDIOBJ old = SelectObject(dc, font.get());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    m.face = face;
    GetTextMetricsW(dc, &m.metrics);
    m.text = {0, 0, place.pixels.cx, place.pixels.cy};
    if (!text.empty()) DrawTextW(dc, text.c_str(), -1, &m.text, place.format | DT_CALCRECT);
    SelectObject(dc, old);
    DeleteDC(dc);
    return m;
}

}  // namespace

COLORREF ResolveColor(OleColor color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFFu));
    return static_cast<COLORREF>(color & 0x00FFFFFFu);
}

HBRUSH SharedBrush(OleColor color) {
    COLORREF rgb = ResolveColor(color);
    auto& slot = Brushes()[rgb];
    if (!slot) slot.reset(CreateSolidBrush(rgb));
    return static_cast<HBRUSH>(slot.get());
}

LOGFONTW FittedFont(const FontSpec& font, Fit fit, const std::wstring& text, TextPlace place, int dpi) {
    LOGFONTW lf = LogFontOf(font, dpi);
    if (fit == Fit::None) return lf;
    for (; lf.lfHeight < -1; ++lf.lfHeight) {  // one pixel smaller at a time
        Measured m = Measure(lf, text, place);
        if (fit == Fit::StandInHeight) {
            if (lstrcmpiW(m.face.c_str(), font.face) == 0 || m.metrics.tmHeight <= place.pixels.cy) break;
        } else if (m.text.right <= place.pixels.cx && m.text.bottom <= place.pixels.cy) {
            break;
        }
    }
    return lf;
}

HFONT SharedFont(const FontSpec& font) { return SharedFont(font, Fit::None, L"", {}); }

HFONT SharedFont(const FontSpec& font, Fit fit, const std::wstring& text, TextPlace place) {
    const std::wstring& measured = fit == Fit::Text ? text : std::wstring();
    FitKey key(font.face, font.points, font.weight, font.charset, fit, measured, place.pixels.cx, place.pixels.cy,
               place.format);
    auto height = FittedHeights().find(key);
    if (height == FittedHeights().end())
        height = FittedHeights().emplace(key, FittedFont(font, fit, measured, place, ScreenDpi()).lfHeight).first;
    auto& slot = Fonts()[FontKey(font.face, height->second, font.weight, font.charset)];
    if (!slot) {
        LOGFONTW lf = LogFontOf(font, ScreenDpi());
        lf.lfHeight = height->second;
        slot.reset(CreateFontIndirectW(&lf));
    }
    return static_cast<HFONT>(slot.get());
}

int CreatedGdiObjects() {
    int n = 0;
    for (auto& [k, v] : Brushes()) n += v ? 1 : 0;
    for (auto& [k, v] : Fonts()) n += v ? 1 : 0;
    return n;
}

void ReleaseSharedGdi() {
    Brushes().clear();
    Fonts().clear();
    FittedHeights().clear();
}

}  // namespace tk
