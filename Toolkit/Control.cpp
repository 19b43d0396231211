#include "Control.h"

#include "Form.h"

namespace tk {

Control::Control(Form& form, Args args)
    : ControlBase(form, {args.left, args.top, args.width, args.height, args.backColor}), args_(std::move(args)) {
    form_.Register(*this);
}

// A form's window may outlive its controls (they are members of the derived form, the
// window belongs to the base): the form must not reach a control that is gone.
Control::~Control() { form_.Unregister(*this); }

void Control::Changed() {
    form_.ControlMoved(*this);
    // A hidden form is painted whole when it is shown; invalidating it would only cost
    // a round trip to the server (loading a note sets its layout piece by piece).
    HWND hwnd = form_.hWnd();
    if (IsWindowVisible(hwnd)) InvalidateRect(hwnd, nullptr, FALSE);
}

std::wstring Control::Caption() {
    form_.Load();
    return args_.caption;
}

void Control::SetCaption(const std::wstring& caption) {
    form_.Load();
    args_.caption = caption;
    Changed();
}

HCURSOR Control::Cursor() const {
    HCURSOR cursor = args_.pointer.custom ? args_.pointer.custom() : nullptr;
    return cursor ? cursor : LoadCursorW(nullptr, args_.pointer.system);
}

void Control::Paint(HDC dc) const {
    RECT rc = PixelRect();
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    FillRect(dc, &rc, SharedBrush(box_.backColor));
    if (args_.caption.empty()) return;
    SIZE size{rc.right - rc.left, rc.bottom - rc.top};
    TextPlace place{size, args_.align | DT_NOPREFIX};
    HGDIOBJ old = SelectObject(dc, SharedFont(args_.font, args_.fit, args_.caption, place));
    SetTextColor(dc, ResolveColor(args_.foreColor));
    DrawTextW(dc, args_.caption.c_str(), -1, &rc, args_.align | DT_NOPREFIX);
    SelectObject(dc, old);
}

}  // namespace tk
