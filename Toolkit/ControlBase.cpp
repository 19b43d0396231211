#include "ControlBase.h"

#include "Form.h"
#include "Units.h"

namespace tk {

RECT ControlBase::PixelRect() const { return PixelEdges(box_.left, box_.top, box_.width, box_.height); }

void ControlBase::Touch() { form_.Load(); }

float& ControlBase::Edge(Side side) {
    switch (side) {
        case Side::Left:
            return box_.left;
        case Side::Top:
            return box_.top;
        case Side::Width:
            return box_.width;
        case Side::Height:
            break;
    }
    return box_.height;
}

void ControlBase::Resize(float& edge, float twips) {
    form_.Load();
    RequireSize(twips);
    edge = twips;
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
