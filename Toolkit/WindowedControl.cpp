#include "WindowedControl.h"

#include <commctrl.h>

#include <algorithm>

#include "Discarded.h"
#include "Failure.h"
#include "Form.h"

namespace tk {
namespace {

void InitCommonControls() {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    done = true;
}

}  // namespace

WindowedControl::WindowedControl(Form& form, Box box, Creation creation)
    : ControlBase(form, box), creation_(std::move(creation)) {
    form_.Register(*this);
}

// See ~Control: the form's window may outlive its controls. A subclassed window is handed
// back to its class, so that no later message reaches an object that is gone.
WindowedControl::~WindowedControl() {
    DisconnectAccessible();
    if (hwnd_ && previous_) {
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_));
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    }
    form_.Unregister(*this);
}

void WindowedControl::Subclass() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    previous_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowedControl::SubclassProc)));
}

// The system's object for the window, with the name, role and value the control gives it.
LRESULT WindowedControl::AccessibleObject(WPARAM wp) {
    if (!accessible_)
        accessible_ =
            AccessibleForm::Create(hwnd_, AccessibleName, {}, {.role = accessibleRole_, .value = AccessibleValue});
    return LresultFromObject(AccessibleIid, wp, static_cast<IAccessible*>(accessible_.get()));
}

void WindowedControl::DisconnectAccessible() {
    if (!accessible_) return;
    accessible_->Disconnect();
    accessible_.reset();
}

LRESULT CALLBACK WindowedControl::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* control = reinterpret_cast<WindowedControl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    WNDPROC previous = control->previous_;
    try {
        switch (msg) {
            case WM_GETOBJECT:
                if (static_cast<DWORD>(lp) == static_cast<DWORD>(OBJID_CLIENT) && control->AccessibleName)
                    return control->AccessibleObject(wp);
                break;
            case WM_NCDESTROY:
                control->DisconnectAccessible();
                SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
                SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                control->hwnd_ = nullptr;
                break;
            default:
                if (auto answer = control->Message(msg, wp, lp)) return *answer;
        }
    } catch (...) {
        // An event routine's failure ends that routine; the message is handled as usual.
        LogDiscarded(L"an event routine of a control");
    }
    return CallWindowProcW(previous, hwnd, msg, wp, lp);
}

void WindowedControl::Create(HWND parent) {
    InitCommonControls();
    RECT rc = PixelRect();
    hwnd_ = CreateWindowExW(0, creation_.windowClass, creation_.caption.c_str(),
                            WS_CHILD | (shownAtCreation_ ? WS_VISIBLE : 0) | creation_.style, rc.left, rc.top,
                            rc.right - rc.left, rc.bottom - rc.top, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(creation_.id)),
                            reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!hwnd_) ThrowLastError(L"Cannot create a control");
    HFONT font = SharedFont(creation_.font, creation_.fit, creation_.caption,
                            {{rc.right - rc.left - creation_.besideText, rc.bottom - rc.top}, DT_SINGLELINE});
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    placePending_ = false;
    Created();
}

HWND WindowedControl::hWnd() {
    form_.Load();
    // Needed during the load step: made now, after the controls before it (the tab order).
    if (!hwnd_ && form_.InLoadStep()) form_.CreateControls(this);
    return hwnd_;
}

// During the load step a control not made yet is only told whether it will show.
bool WindowedControl::Shown() {
    form_.Load();
    if (!hwnd_) return form_.InLoadStep() && shownAtCreation_;
    return (GetWindowLongW(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void WindowedControl::SetFocus() {
    // Keys typed into a hidden control would go where no one sees them.
    if (Shown()) ::SetFocus(hWnd());
}

// The focus is never left in a hidden control: it goes to the form, and comes back when
// the control shows again while the form still holds it.
void WindowedControl::SetVisible(bool visible) {
    if (visible == Shown()) return;
    if (!hwnd_) {
        if (form_.InLoadStep()) shownAtCreation_ = visible;
        return;
    }
    HWND hwnd = hWnd(), form = GetParent(hwnd);
    if (!visible && GetFocus() == hwnd) ::SetFocus(form);
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
    if (visible && GetFocus() == form && TabStop()) ::SetFocus(hwnd);
}

void WindowedControl::Changed() {
    // In a hidden form the control is placed once, when the form is shown: loading a note
    // sets its layout piece by piece, and each move is a round trip to the server.
    if (!IsWindowVisible(form_.hWnd())) {
        placePending_ = true;
        return;
    }
    Place();
}

void WindowedControl::PlaceIfPending() {
    if (placePending_) Place();
}

HBRUSH WindowedControl::Colour(HDC dc) const {
    SetBkColor(dc, ResolveColor(box_.backColor));
    SetTextColor(dc, ResolveColor(creation_.foreColor));
    return SharedBrush(box_.backColor);
}

void WindowedControl::Place() {
    placePending_ = false;
    RECT rc = PixelRect(), now{};
    HWND hwnd = hWnd();
    bool shown = IsWindowVisible(hwnd) != FALSE;
    // Already there (made there, or only its colour changed): moving it would cost as
    // much as a real move.
    GetWindowRect(hwnd, &now);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&now), 2);
    if (!EqualRect(&now, &rc)) MoveWindow(hwnd, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, shown);
    if (shown) InvalidateRect(hwnd, nullptr, TRUE);
}

Button::Button(Form& form, Args args)
    : WindowedControl(
          form, {args.left, args.top, args.width, args.height, ButtonFace},
          {.windowClass = L"BUTTON",
           .style = static_cast<DWORD>(WS_TABSTOP | (args.role == Role::Default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)),
           .caption = args.caption,
           .font = args.font,
           .id = args.role == Role::Default  ? IDOK
                 : args.role == Role::Cancel ? IDCANCEL
                                             : form.NextControlId()}) {}

void Button::Notified(WORD code) {
    if (code == BN_CLICKED && Click) Click();
}

CheckBox::CheckBox(Form& form, Args args)
    : WindowedControl(form, {args.left, args.top, args.width, args.height, ButtonFace},
                      {.windowClass = L"BUTTON",
                       .style = WS_TABSTOP | BS_AUTOCHECKBOX,
                       .caption = args.caption,
                       .font = args.font,
                       .id = form.NextControlId(),
                       .fit = args.fit,
                       // The box and the gap before the text.
                       .besideText = GetSystemMetrics(SM_CXMENUCHECK) + 2 * GetSystemMetrics(SM_CXEDGE) + 2}) {}

int CheckBox::Value() { return SendMessageW(hWnd(), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0; }

void CheckBox::SetValue(int value) { SendMessageW(hWnd(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0); }

Slider::Slider(Form& form, Args args)
    : WindowedControl(form, {args.left, args.top, args.width, args.height, ButtonFace},
                      {.windowClass = TRACKBAR_CLASSW,
                       .style = WS_TABSTOP | TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM,
                       .id = form.NextControlId()}),
      args_(args) {}

void Slider::Created() {
    accessibleRole_ = ROLE_SYSTEM_SLIDER;
    Subclass();
    SendMessageW(hwnd_, TBM_SETRANGEMIN, FALSE, args_.min);
    SendMessageW(hwnd_, TBM_SETRANGEMAX, FALSE, args_.max);
    SendMessageW(hwnd_, TBM_SETLINESIZE, 0, args_.smallChange);
    SendMessageW(hwnd_, TBM_SETPAGESIZE, 0, args_.largeChange);
    SendMessageW(hwnd_, TBM_SETTICFREQ, static_cast<WPARAM>(args_.tickFrequency), 0);
}

int Slider::Value() { return static_cast<int>(SendMessageW(hWnd(), TBM_GETPOS, 0, 0)); }

void Slider::SetValue(int value) { SendMessageW(hWnd(), TBM_SETPOS, TRUE, std::clamp(value, args_.min, args_.max)); }

Frame::Frame(Form& form, Args args)
    : WindowedControl(form, {args.left, args.top, args.width, args.height, ButtonFace},
                      {.windowClass = L"BUTTON", .style = BS_GROUPBOX, .caption = args.caption, .id = -1}) {}

}  // namespace tk
