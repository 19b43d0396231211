#pragma once
// The tray icon record and the shell calls that add and remove it.
#include <windows.h>

#include <shellapi.h>

namespace modSysTray {

// Every icon event arrives as a mouse move of the main window.
constexpr UINT CallbackMessage = WM_MOUSEMOVE;
constexpr UINT IconFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
// The values the design gives them.
static_assert(CallbackMessage == 0x200);
static_assert(IconFlags == 7);

// The shell's first-version ANSI record, filled once and used unchanged to add and remove.
extern NOTIFYICONDATAA TrayIconData;

void FillTrayIconData(HWND window, HICON icon, const char* tip);
BOOL AddIcon();
BOOL RemoveIcon();

}  // namespace modSysTray
