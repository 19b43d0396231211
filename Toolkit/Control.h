#pragma once
// A lightweight control (label or picture box) that its form draws and hit-tests itself:
// it has no window of its own. A press captures the pointer for the control until release.
#include <functional>
#include <string>

#include "ControlBase.h"

namespace tk {

class Form;

// A pointer event: button 1 left, 2 right, 4 middle (on moves: the buttons held);
// shift 1 Shift, 2 Ctrl, 4 Alt; position in twips relative to the control.
struct MouseEvent {
    int button;
    int shift;
    float x;
    float y;
};

struct Pointer {
    LPCWSTR system = IDC_ARROW;
    HCURSOR (*custom)() = nullptr;
};

class Control final : public ControlBase {
public:
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        OleColor backColor = ButtonFace;
        OleColor foreColor = 0x80000012;
        std::wstring caption;
        FontSpec font{L"MS Sans Serif", 8.25f};
        const wchar_t* toolTip = nullptr;
        Pointer pointer;
        UINT align = DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS;  // DrawText's format
        Fit fit = Fit::None;                                       // how the font gives way to the control's box
    };

    Control(Form& form, Args args);
    ~Control() override;

    std::wstring Caption();
    void SetCaption(const std::wstring& caption);
    // The caption as kept, without loading the form: for describing a form that cannot load.
    const std::wstring& KeptCaption() const { return args_.caption; }

    std::function<void(const MouseEvent&)> MouseDown, MouseMove, MouseUp;
    std::function<void()> Click, DblClick;

    // What its form asks of it.
    const wchar_t* ToolTip() const { return args_.toolTip; }
    HCURSOR Cursor() const;
    // Draws the control's box and caption; the device context's background mode is transparent.
    void Paint(HDC dc) const;

private:
    void Changed() override;

    Args args_;  // the geometry and background live in the base
};

}  // namespace tk
