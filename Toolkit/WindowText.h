#pragma once
// Reading a window's text, however long.
#include <windows.h>

#include <string>

namespace tk {

// The window's text; empty for no window.
std::wstring WindowTextOf(HWND hwnd);

}  // namespace tk
