#include "TextBox.h"

#include <commctrl.h>

#include "Failure.h"
#include "Form.h"
#include "Units.h"
#include "WindowText.h"

namespace tk {
namespace {

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

}  // namespace

TextBox::TextBox(Form& form, Args args)
    : WindowedControl(form, {args.left, args.top, args.width, args.height, args.backColor},
                      {.windowClass = L"EDIT",
                       .style = static_cast<DWORD>(
                           WS_TABSTOP | (args.border ? WS_BORDER : 0) |
                           (args.multiLine ? ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN : ES_AUTOHSCROLL)),
                       .font = args.font,
                       .foreColor = args.foreColor,
                       .id = form.NextControlId()}) {}

void TextBox::Created() {
    // A note's text has no length limit.
    SendMessageW(hwnd_, EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
    Subclass();
}

void TextBox::Notified(WORD code) {
    if (code == EN_CHANGE && !settingText_ && Change) Change();
}

std::optional<LRESULT> TextBox::Message(UINT msg, WPARAM& wp, LPARAM lp) {
    switch (msg) {
        case WM_KEYDOWN:
            if (KeyDown && KeyDown(static_cast<int>(wp), ShiftState())) {
                // Posted before this key-down was dispatched, its character is the first
                // one waiting (posted messages come before input).
                MSG typed;
                PeekMessageW(&typed, hwnd_, WM_CHAR, WM_CHAR, PM_REMOVE);
                return 0;
            }
            break;
        case WM_MOUSEWHEEL:
            // Ctrl with the wheel is its form's to handle: the edit would scroll.
            if (GET_KEYSTATE_WPARAM(wp) & MK_CONTROL) return SendMessageW(GetParent(hwnd_), msg, wp, lp);
            break;
        case WM_CHAR:
            if (KeyPress) {
                int key = static_cast<int>(wp);
                KeyPress(key);
                if (key == 0) return 0;
                wp = static_cast<WPARAM>(key);
            }
            break;
        case WM_KEYUP:
        case WM_SYSKEYUP:  // the key-up of a key released with Alt held
            if (KeyUp) KeyUp(static_cast<int>(wp), ShiftState());
            break;
        case WM_CONTEXTMENU:
            // From the keyboard the position is -1, -1; a right click gives the pointer's.
            if (static_cast<DWORD>(lp) == 0xFFFFFFFF && MenuKey) {
                MenuKey();
                return 0;
            }
            break;
    }
    return std::nullopt;
}

std::wstring TextBox::Text() { return WindowTextOf(hWnd()); }

void TextBox::SetText(const std::wstring& text) {
    HWND hwnd = hWnd();
    if (Text() == text) return;
    // Moved while its form was hidden, it takes its place first: the edit lays the text
    // out for its width, and would lay it all out again when it moves.
    PlaceIfPending();
    settingText_ = true;
    BOOL ok = SetWindowTextW(hwnd, text.c_str());
    settingText_ = false;
    if (!ok) ThrowLastError(L"Cannot set the text");
    if (Change) Change();
}

int TextBox::SelStart() {
    DWORD start = 0, end = 0;
    SendMessageW(hWnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TextBox::SelLength() {
    DWORD start = 0, end = 0;
    SendMessageW(hWnd(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end - start);
}

std::wstring TextBox::SelText() {
    int start = SelStart();
    return Text().substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TextBox::Select(int start, int length) {
    SendMessageW(hWnd(), EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(start + length));
}

void TextBox::ScrollToCaret() { SendMessageW(hWnd(), EM_SCROLLCARET, 0, 0); }

void TextBox::SetFont(const FontSpec& font) {
    creation_.font = font;
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont(font)), TRUE);
    // The caret stays in sight wherever the text now wraps.
    ScrollToCaret();
}

}  // namespace tk
