#pragma once
#include <windows.h>

#include <string>

namespace tk {

// A modal message box with one OK button (or the given buttons) and an icon.
int MsgBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT icon = MB_ICONINFORMATION,
           UINT buttons = MB_OK);

}  // namespace tk
