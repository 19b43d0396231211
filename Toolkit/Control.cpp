#include "Control.h"

#include "Failure.h"
#include "Form.h"
#include "Units.h"

namespace tk {

Control::Control(Form& form, Args args) : form_(form), args_(std::move(args)) { form_.controls_.push_back(this); }

RECT Control::PixelRect() const { return PixelEdges(args_.left, args_.top, args_.width, args_.height); }

void Control::Changed() {
    form_.UpdateTooltip(*this);
    InvalidateRect(form_.hWnd(), nullptr, FALSE);
}

float Control::Left() {
    form_.Load();
    return args_.left;
}
float Control::Top() {
    form_.Load();
    return args_.top;
}
float Control::Width() {
    form_.Load();
    return args_.width;
}
float Control::Height() {
    form_.Load();
    return args_.height;
}

void Control::SetLeft(float twips) {
    form_.Load();
    args_.left = twips;
    Changed();
}

void Control::SetTop(float twips) {
    form_.Load();
    args_.top = twips;
    Changed();
}

void Control::SetWidth(float twips) {
    form_.Load();
    RequireSize(twips);
    args_.width = twips;
    Changed();
}

void Control::SetHeight(float twips) {
    form_.Load();
    RequireSize(twips);
    args_.height = twips;
    Changed();
}

OleColor Control::BackColor() {
    form_.Load();
    return args_.backColor;
}

void Control::SetBackColor(OleColor color) {
    form_.Load();
    args_.backColor = color;
    Changed();
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
