#pragma once
// A form's pointer messages, routed to its windowless controls: to the control under the
// pointer, or to the pressed one until every button is up (the form holds the capture
// meanwhile). The pointer takes the shape of the control it is over.
#include <windows.h>

#include <functional>
#include <vector>

namespace tk {

class Control;
struct MouseEvent;

class PointerRouting {
public:
    // Moves over no control go to the form itself.
    using FormMove = std::function<void(const MouseEvent&)>;

    void Route(HWND form, const std::vector<Control*>& controls, UINT msg, WPARAM wp, LPARAM lp,
               const FormMove& formMove);
    // WM_SETCURSOR over the client area.
    void SetCursor(HWND form, const std::vector<Control*>& controls) const;
    // WM_CAPTURECHANGED: another window took the pointer.
    void CaptureChanged(HWND form, HWND capturer) {
        if (capturer != form) pressed_ = nullptr;
    }
    void Forget() { pressed_ = nullptr; }

private:
    static Control* HitTest(const std::vector<Control*>& controls, POINT client);
    Control* pressed_ = nullptr;
};

}  // namespace tk
