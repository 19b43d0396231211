#include "Units.h"

#include <windows.h>

#include <cmath>

#include "Failure.h"

namespace tk {
namespace {

int LogPixels(int index) {
    HDC dc = GetDC(nullptr);
    int dpi = dc ? GetDeviceCaps(dc, index) : 96;
    if (dc) ReleaseDC(nullptr, dc);
    return dpi > 0 ? dpi : 96;
}

[[noreturn]] void Overflow() { throw Failure(DISP_E_OVERFLOW, L"Overflow: the value does not fit a 32-bit integer"); }

}  // namespace

// The screen's dpi is fixed for the life of a process (system-DPI awareness at most).
float TwipsPerPixelX() {
    static const float tpp = 1440.0f / static_cast<float>(LogPixels(LOGPIXELSX));
    return tpp;
}
float TwipsPerPixelY() {
    static const float tpp = 1440.0f / static_cast<float>(LogPixels(LOGPIXELSY));
    return tpp;
}

float ScreenWidth() { return static_cast<float>(GetSystemMetrics(SM_CXSCREEN)) * TwipsPerPixelX(); }
float ScreenHeight() { return static_cast<float>(GetSystemMetrics(SM_CYSCREEN)) * TwipsPerPixelY(); }

int PixelsX(float twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelX())); }
int PixelsY(float twips) { return static_cast<int>(std::lround(twips / TwipsPerPixelY())); }

RECT PixelEdges(float left, float top, float width, float height) {
    return RECT{PixelsX(left), PixelsY(top), PixelsX(left + width), PixelsY(top + height)};
}

void RequireSize(float twips) {
    if (twips < 0)
        throw Failure(static_cast<HRESULT>(0x800A017C), L"Invalid property value: a size cannot be negative");
}

float KeptTwips(const wchar_t* property, int32_t twips) {
    if (twips > MostTwips)
        throw Failure(static_cast<HRESULT>(0x800A017C), std::wstring(property) + L": " + std::to_wstring(twips) +
                                                            L" is more twips than a note can keep (at most " +
                                                            std::to_wstring(MostTwips) + L")");
    return static_cast<float>(twips);
}

int32_t RoundHalfEven(double value) {
    // nearbyint follows the default rounding mode, round-to-nearest-even.
    double r = std::nearbyint(value);
    if (!(r >= -2147483648.0 && r <= 2147483647.0)) Overflow();
    return static_cast<int32_t>(r);
}

int32_t CheckedAdd(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) Overflow();
    return r;
}

int32_t CheckedSub(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) Overflow();
    return r;
}

}  // namespace tk
