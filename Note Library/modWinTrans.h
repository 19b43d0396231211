#pragma once
// Layered note windows: opacity and click-through on a window handle. The module
// remembers the window last made layered; the two setters act only on that window.
#include <windows.h>

#include <cstdint>

namespace modWinTrans {

constexpr int GWL_EXSTYLE_INDEX = -20;
constexpr LONG EX_LAYERED = 0x80000;
constexpr LONG EX_TRANSPARENT = 0x20;
constexpr DWORD ALPHA_FLAG = 2;  // LWA_ALPHA

// Statuses: 0 success, -1 a level outside 0 to 255, otherwise the platform's error code.
int32_t MakeLayered(HWND window);
int32_t SetLayeredAlpha(HWND window, int32_t level);
int32_t SetClickThrough(HWND window, bool on);

HWND LastLayeredWindow();
LONG SavedExStyle();

}  // namespace modWinTrans
