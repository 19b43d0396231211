#pragma once
// Reading a window's text, however long, and what a window is given as its text.
#include <windows.h>

#include <string>

namespace tk {

// The window's text; empty for no window.
std::wstring WindowTextOf(HWND hwnd);

// The most characters a window's text holds: far more than a window list shows. A text of
// millions would make the window system refuse the request and end the program.
constexpr size_t kMostWindowText = 1000;
// The text cut to kMostWindowText characters, ending in an ellipsis when cut.
std::wstring WindowListText(const std::wstring& text);

}  // namespace tk
