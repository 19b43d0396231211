#include "modWinTrans.h"

namespace modWinTrans {
namespace {

HWND g_lastLayeredWindow = nullptr;
LONG g_savedExStyle = 0;

// SetWindowLong returns 0 both for failure and for a previous style of 0. A style the
// window has already is not set again: that too is a round trip and two messages. (A read
// that fails also gives 0, so a style of 0 is always set, and a failure still shows.)
bool SetExStyle(HWND window, LONG style) {
    if (GetWindowLongA(window, GWL_EXSTYLE) == style && style != 0) return true;
    SetLastError(ERROR_SUCCESS);
    return SetWindowLongA(window, GWL_EXSTYLE, style) != 0 || GetLastError() == ERROR_SUCCESS;
}

// The opacity just given to a window here, until the next MakeLayered asks the platform
// again: each transparency step makes the window layered and opaque, then applies the
// level, and even asking the platform for the opacity is a round trip to the server.
HWND g_alphaWindow = nullptr;
BYTE g_alpha = 0;

// Asking for the opacity a window already has still makes the platform recompute and
// redraw the window (about a millisecond a call under Wine).
bool SetAlpha(HWND window, BYTE alpha) {
    if (window == g_alphaWindow && alpha == g_alpha) return true;
    BYTE current = 0;
    DWORD flags = 0;
    bool ok =
        (GetLayeredWindowAttributes(window, nullptr, &current, &flags) && flags == LWA_ALPHA && current == alpha) ||
        SetLayeredWindowAttributes(window, 0, alpha, LWA_ALPHA);
    g_alphaWindow = ok ? window : nullptr;
    g_alpha = alpha;
    return ok;
}

int32_t LastError() {
    DWORD e = GetLastError();
    return e ? static_cast<int32_t>(e) : static_cast<int32_t>(ERROR_GEN_FAILURE);
}

}  // namespace

int32_t MakeLayered(HWND window) {
    SetLastError(ERROR_SUCCESS);
    if (!window) return 0;
    g_lastLayeredWindow = window;
    g_alphaWindow = nullptr;  // another program may have changed the window meanwhile
    LONG style = GetWindowLongA(window, GWL_EXSTYLE);
    if (style == 0 && GetLastError() != ERROR_SUCCESS) return LastError();
    g_savedExStyle = style;
    if (!SetExStyle(window, g_savedExStyle | WS_EX_LAYERED)) return LastError();
    if (!SetAlpha(window, 255)) return LastError();
    return 0;
}

int32_t SetLayeredAlpha(HWND window, int32_t level) {
    SetLastError(ERROR_SUCCESS);
    if (!window || window != g_lastLayeredWindow) return 0;
    if (level < 0 || level > 255) return -1;
    if (!SetAlpha(window, static_cast<BYTE>(level))) return LastError();
    return 0;
}

int32_t SetClickThrough(HWND window, bool on) {
    SetLastError(ERROR_SUCCESS);
    if (!window || window != g_lastLayeredWindow) return 0;
    // "Off" writes the bare layered style: the saved style carries the transparent bit
    // once click-through has been on.
    LONG style = on ? (g_savedExStyle | WS_EX_LAYERED | WS_EX_TRANSPARENT) : WS_EX_LAYERED;
    if (!SetExStyle(window, style)) return LastError();
    return 0;
}

HWND LastLayeredWindow() { return g_lastLayeredWindow; }
LONG SavedExStyle() { return g_savedExStyle; }

}  // namespace modWinTrans
