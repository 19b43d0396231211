#include "TextBox.h"

#include <commctrl.h>

#include "Discarded.h"
#include "Failure.h"
#include "Form.h"
#include "Units.h"
#include "WindowText.h"

namespace tk {

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
    // Subclassed by hand: the common controls' subclassing looks its data up in a window
    // property on every message, which under Wine is a round trip to the server.
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TextBox::SubclassProc)));
}

TextBox::~TextBox() {
    // The window may outlive this object (see ~Control): hand it back to the edit class,
    // so that no later message reaches an object that is gone.
    DisconnectAccessible();
    if (!hwnd_) return;
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
}

// The system's object for the edit, with the name the form gives it.
LRESULT TextBox::AccessibleObject(WPARAM wp, LPARAM lp) {
    if (!accessible_) accessible_ = AccessibleForm::Create(hwnd_, AccessibleName, {});
    return LresultFromObject(AccessibleIid, wp, static_cast<IAccessible*>(accessible_.get()));
}

void TextBox::DisconnectAccessible() {
    if (!accessible_) return;
    accessible_->Disconnect();
    accessible_.reset();
}

void TextBox::Notified(WORD code) {
    if (code == EN_CHANGE && !settingText_ && Change) Change();
}

LRESULT CALLBACK TextBox::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* box = reinterpret_cast<TextBox*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    WNDPROC previous = box->previous_;
    try {
        switch (msg) {
            case WM_CHAR:
                if (box->KeyPress) {
                    int key = static_cast<int>(wp);
                    box->KeyPress(key);
                    if (key == 0) return 0;
                    wp = static_cast<WPARAM>(key);
                }
                break;
            case WM_KEYUP:
            case WM_SYSKEYUP:  // the key-up of a key released with Alt held
                if (box->KeyUp) {
                    int shift = (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                (GetKeyState(VK_MENU) < 0 ? 4 : 0);
                    box->KeyUp(static_cast<int>(wp), shift);
                }
                break;
            case WM_CONTEXTMENU:
                // From the keyboard the position is -1, -1; a right click gives the pointer's.
                if (static_cast<DWORD>(lp) == 0xFFFFFFFF && box->MenuKey) {
                    box->MenuKey();
                    return 0;
                }
                break;
            case WM_GETOBJECT:
                if (static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT) && box->AccessibleName)
                    return box->AccessibleObject(wp, lp);
                break;
            case WM_NCDESTROY:
                box->DisconnectAccessible();
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                box->hwnd_ = nullptr;
                break;
        }
    } catch (...) {
        // An event routine's failure ends that routine; the keystroke is handled as usual.
        LogDiscarded(L"an event routine of a text box");
    }
    return CallWindowProcW(previous, hwnd, msg, wp, lp);
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

}  // namespace tk
