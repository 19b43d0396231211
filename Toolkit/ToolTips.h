#pragma once
// The tool tips of a form's windowless controls: one tool tip window per form, made on
// the first pointer move over it (a window nobody points at costs none), which the form
// hands its pointer messages. A control's tool is its place in the form's list, plus one.
#include <vector>

#include "Handles.h"

namespace tk {

class Control;

class ToolTips {
public:
    void Relay(HWND form, const std::vector<Control*>& controls, UINT msg, WPARAM wp, LPARAM lp);
    // The control moved or changed size.
    void Update(HWND form, const std::vector<Control*>& controls, const Control& control);
    void Destroy() { window_.reset(); }
    // The form's window is being destroyed, and its tool tip window with it.
    void Forget() { window_.release(); }

private:
    void Set(HWND form, UINT message, UINT_PTR id, const Control& control);
    UniqueWindow window_;
};

}  // namespace tk
