#include "MsgBox.h"

namespace tk {

int MsgBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT icon, UINT buttons) {
    // Topmost: the program's windows are notes that the person may click at any time, and
    // a note activated on the way must not cover the question and take its Enter.
    return MessageBoxW(owner, text.c_str(), caption.c_str(), icon | buttons | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace tk
