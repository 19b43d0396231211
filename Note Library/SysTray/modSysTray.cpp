#include "modSysTray.h"

#include <cstring>

namespace modSysTray {

NOTIFYICONDATAA TrayIconData{};

void FillTrayIconData(HWND window, HICON icon, const char* tip) {
    TrayIconData.hWnd = window;
    // The icon identifier only has to be the same at add and at delete.
    TrayIconData.uID = static_cast<UINT>(reinterpret_cast<UINT_PTR>(icon));
    TrayIconData.uFlags = IconFlags;
    TrayIconData.uCallbackMessage = CallbackMessage;
    TrayIconData.hIcon = icon;
    // The title and one NUL, left-aligned and filled up with blanks.
    std::memset(TrayIconData.szTip, ' ', sizeof(TrayIconData.szTip));
    size_t n = strnlen(tip, sizeof(TrayIconData.szTip) - 1);
    std::memcpy(TrayIconData.szTip, tip, n);
    TrayIconData.szTip[n] = '\0';
    TrayIconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
}

BOOL AddIcon() { return Shell_NotifyIconA(NIM_ADD, &TrayIconData); }
BOOL RemoveIcon() { return Shell_NotifyIconA(NIM_DELETE, &TrayIconData); }

}  // namespace modSysTray
