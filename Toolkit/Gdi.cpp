#include "Gdi.h"

#include <cmath>
#include <map>
#include <string>
#include <tuple>

#include "Handles.h"

namespace tk {
namespace {

using FontKey = std::tuple<std::wstring, float, int, BYTE>;

std::map<COLORREF, GdiObject>& Brushes() {
    static std::map<COLORREF, GdiObject> brushes;
    return brushes;
}

std::map<FontKey, GdiObject>& Fonts() {
    static std::map<FontKey, GdiObject> fonts;
    return fonts;
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

HFONT SharedFont(const FontSpec& font) {
    auto& slot = Fonts()[FontKey(font.face, font.points, font.weight, font.charset)];
    if (!slot) {
        HDC dc = GetDC(nullptr);
        int dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(nullptr, dc);
        LOGFONTW lf{};
        lf.lfHeight = -static_cast<LONG>(std::lround(font.points * static_cast<float>(dpi) / 72.0f));
        lf.lfWeight = font.weight;
        lf.lfCharSet = font.charset;
        lf.lfQuality = DEFAULT_QUALITY;
        lstrcpynW(lf.lfFaceName, font.face, LF_FACESIZE);
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
}

}  // namespace tk
