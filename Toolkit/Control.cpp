#include "Control.h"

#include "Form.h"

namespace tk {

Control::Control(Form& form, Args args)
    : ControlBase(form, {args.left, args.top, args.width, args.height, args.backColor}), args_(std::move(args)) {
    form_.controls_.push_back(this);
}

// A form's window may outlive its controls (they are members of the derived form, the
// window belongs to the base): the form must not reach a control that is gone.
Control::~Control() { std::erase(form_.controls_, this); }

void Control::Changed() {
    form_.UpdateTooltip(*this);
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

}  // namespace tk
