#include "PointerRouting.h"

#include "Control.h"
#include "Units.h"

namespace tk {
namespace {

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int ButtonsHeld(WPARAM wp) { return (wp & MK_LBUTTON ? 1 : 0) | (wp & MK_RBUTTON ? 2 : 0) | (wp & MK_MBUTTON ? 4 : 0); }

}  // namespace

// The topmost control under the point: a later control lies above an earlier one.
Control* PointerRouting::HitTest(const std::vector<Control*>& controls, POINT client) {
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
        RECT rc = (*it)->PixelRect();
        if (PtInRect(&rc, client)) return *it;
    }
    return nullptr;
}

void PointerRouting::SetCursor(HWND form, const std::vector<Control*>& controls) const {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(form, &pt);
    Control* control = pressed_ ? pressed_ : HitTest(controls, pt);
    ::SetCursor(control ? control->Cursor() : LoadCursorW(nullptr, IDC_ARROW));
}

void PointerRouting::Route(HWND form, const std::vector<Control*>& controls, UINT msg, WPARAM wp, LPARAM lp,
                           const FormMove& formMove) {
    // A move reports where the pointer is now, relative to where the window is now: Wine
    // merges queued moves and a control may move the window while they wait (a drag), so
    // a queued position could count a step twice or lose the last one.
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (msg == WM_MOUSEMOVE) {
        GetCursorPos(&pt);
        ScreenToClient(form, &pt);
    }
    auto eventAt = [&](POINT at, Control* c, int button) {
        return MouseEvent{button, ShiftState(), static_cast<float>(at.x) * TwipsPerPixelX() - c->Kept().left,
                          static_cast<float>(at.y) * TwipsPerPixelY() - c->Kept().top};
    };
    auto event = [&](Control* c, int button) { return eventAt(pt, c, button); };
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            int button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
            if (!pressed_) {
                pressed_ = HitTest(controls, pt);
                if (!pressed_) return;
                SetCapture(form);
            }
            if (pressed_->MouseDown) pressed_->MouseDown(event(pressed_, button));
            return;
        }
        case WM_LBUTTONDBLCLK: {
            // The second press of a double click raises DblClick in place of MouseDown.
            if (!pressed_) {
                pressed_ = HitTest(controls, pt);
                if (!pressed_) return;
                SetCapture(form);
            }
            if (pressed_->DblClick) pressed_->DblClick();
            return;
        }
        case WM_MOUSEMOVE: {
            Control* target = pressed_ ? pressed_ : HitTest(controls, pt);
            if (target && target->MouseMove) target->MouseMove(event(target, ButtonsHeld(wp)));
            // The form's own moves pass the message's coordinates unchanged: the tray icon's
            // callback carries its mouse message there.
            if (!target)
                formMove(MouseEvent{ButtonsHeld(wp), ShiftState(),
                                    static_cast<float>(static_cast<short>(LOWORD(lp))) * TwipsPerPixelX(),
                                    static_cast<float>(static_cast<short>(HIWORD(lp))) * TwipsPerPixelY()});
            return;
        }
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: {
            int button = msg == WM_LBUTTONUP ? 1 : msg == WM_RBUTTONUP ? 2 : 4;
            Control* target = pressed_;
            if (!target) return;
            // The last move may have been merged away or still wait in the queue: report
            // where the pointer is, so a drag ends where the button went up.
            if (target->MouseMove) {
                POINT now{};
                GetCursorPos(&now);
                ScreenToClient(form, &now);
                target->MouseMove(eventAt(now, target, ButtonsHeld(wp) | button));
            }
            if (ButtonsHeld(wp) == 0) {
                pressed_ = nullptr;
                ReleaseCapture();
            }
            if (target->MouseUp) target->MouseUp(event(target, button));
            // The handler may have closed the window (a menu's Delete command).
            if (!IsWindow(form)) return;
            if (button == 1 && HitTest(controls, pt) == target && target->Click) target->Click();
            return;
        }
    }
}

}  // namespace tk
