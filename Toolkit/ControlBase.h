#pragma once
// Position, size and background colour in twips: what labels, picture boxes and text
// boxes share. Touching any of them loads the form first.
#include "Gdi.h"
#include "TwipsGeometry.h"

namespace tk {

class Form;

class ControlBase : public TwipsGeometry<ControlBase> {
public:
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    OleColor BackColor();
    void SetBackColor(OleColor color);

    struct Box {
        float left, top, width, height;
        OleColor backColor;
    };
    // The box as kept and in pixels, without loading the form: for painting and routing.
    const Box& Kept() const { return box_; }
    RECT PixelRect() const;

protected:
    ControlBase(Form& form, Box box) : form_(form), box_(box) {}
    virtual ~ControlBase() = default;
    // Runs after any of the values above changed.
    virtual void Changed() = 0;

    Form& form_;
    Box box_;

private:
    friend class TwipsGeometry<ControlBase>;
    void Touch();
    float& Edge(Side side);
    void Moved() { Changed(); }
    void Resize(float& edge, float twips);
};

}  // namespace tk
