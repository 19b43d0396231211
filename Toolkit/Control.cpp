#include "Control.h"

#include "Form.h"

namespace tk {

Control::Control(Form& form, Args args)
    : ControlBase(form, {args.left, args.top, args.width, args.height, args.backColor}), args_(std::move(args)) {
    form_.controls_.push_back(this);
}

void Control::Changed() {
    form_.UpdateTooltip(*this);
    InvalidateRect(form_.hWnd(), nullptr, FALSE);
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
