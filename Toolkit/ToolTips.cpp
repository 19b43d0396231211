#include "ToolTips.h"

#include <commctrl.h>

#include <algorithm>

#include "Control.h"
#include "Module.h"

namespace tk {

void ToolTips::Set(HWND form, UINT message, UINT_PTR id, const Control& control) {
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = form;
    ti.uId = id;
    ti.rect = control.PixelRect();
    ti.lpszText = const_cast<wchar_t*>(control.ToolTip());
    SendMessageW(window_.get(), message, 0, reinterpret_cast<LPARAM>(&ti));
}

void ToolTips::Update(HWND form, const std::vector<Control*>& controls, const Control& control) {
    if (!window_ || !control.ToolTip()) return;
    auto at = std::find(controls.begin(), controls.end(), &control);
    if (at != controls.end()) Set(form, TTM_NEWTOOLRECTW, static_cast<UINT_PTR>(at - controls.begin()) + 1, control);
}

void ToolTips::Relay(HWND form, const std::vector<Control*>& controls, UINT msg, WPARAM wp, LPARAM lp) {
    if (!window_) {
        if (msg != WM_MOUSEMOVE ||
            std::none_of(controls.begin(), controls.end(), [](const Control* c) { return c->ToolTip() != nullptr; }))
            return;
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        window_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form, nullptr, ThisModule(),
                                      nullptr));
        if (!window_) return;  // a missing tool tip is no reason to fail the window
        for (size_t i = 0; i < controls.size(); ++i)
            if (controls[i]->ToolTip()) Set(form, TTM_ADDTOOLW, i + 1, *controls[i]);
    }
    DWORD at = GetMessagePos();
    MSG relayed{form,
                msg,
                wp,
                lp,
                static_cast<DWORD>(GetMessageTime()),
                {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))}};
    SendMessageW(window_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

}  // namespace tk
