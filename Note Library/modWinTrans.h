#pragma once
// Layered note windows: opacity and click-through on a window handle. The module
// remembers the window last made layered; the two setters act only on that window.
#include <windows.h>

#include <cstdint>

namespace modWinTrans {

// The values the design gives the platform's names used here.
static_assert(GWL_EXSTYLE == -20);
static_assert(WS_EX_LAYERED == 0x80000);
static_assert(WS_EX_TRANSPARENT == 0x20);
static_assert(LWA_ALPHA == 2);

// Statuses: 0 success, -1 a level outside 0 to 255, otherwise the platform's error code.
int32_t MakeLayered(HWND window);
int32_t SetLayeredAlpha(HWND window, int32_t level);
int32_t SetClickThrough(HWND window, bool on);

HWND LastLayeredWindow();
LONG SavedExStyle();

}  // namespace modWinTrans
