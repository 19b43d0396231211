#include "ControlBase.h"

#include "Form.h"
#include "Units.h"

namespace tk {

RECT ControlBase::PixelRect() const { return PixelEdges(box_.left, box_.top, box_.width, box_.height); }

float ControlBase::Left() {
    form_.Load();
    return box_.left;
}

float ControlBase::Top() {
    form_.Load();
    return box_.top;
}

float ControlBase::Width() {
    form_.Load();
    return box_.width;
}

float ControlBase::Height() {
    form_.Load();
    return box_.height;
}

void ControlBase::SetLeft(float twips) {
    form_.Load();
    box_.left = twips;
    Changed();
}

void ControlBase::SetTop(float twips) {
    form_.Load();
    box_.top = twips;
    Changed();
}

void ControlBase::SetWidth(float twips) {
    form_.Load();
    RequireSize(twips);
    box_.width = twips;
    Changed();
}

void ControlBase::SetHeight(float twips) {
    form_.Load();
    RequireSize(twips);
    box_.height = twips;
    Changed();
}

OleColor ControlBase::BackColor() {
    form_.Load();
    return box_.backColor;
}

void ControlBase::SetBackColor(OleColor color) {
    form_.Load();
    // Setting the colour it already has repaints nothing (a repaint ends a drag).
    if (box_.backColor == color) return;
    box_.backColor = color;
    Changed();
}

}  // namespace tk
