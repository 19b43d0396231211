#include "MsgBox.h"

namespace tk {

int MsgBox(HWND owner, const std::wstring& text, const std::wstring& caption, UINT icon, UINT buttons) {
    return MessageBoxW(owner, text.c_str(), caption.c_str(), icon | buttons | MB_SETFOREGROUND);
}

}  // namespace tk
