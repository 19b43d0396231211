#include "Form.h"

#include <algorithm>

#include <commctrl.h>

#include <set>

#include "Control.h"
#include "Failure.h"
#include "Units.h"
#include "WindowedControl.h"

namespace tk {
namespace {

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

std::set<std::wstring>& RegisteredClasses() {
    static std::set<std::wstring> classes;
    return classes;
}

void RegisterFormClass(const wchar_t* name, WNDPROC proc) {
    if (RegisteredClasses().count(name)) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ThisModule();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        ThrowLastError(L"Cannot register the window class");
    RegisteredClasses().insert(name);
}

int ShiftState() {
    return (GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (GetKeyState(VK_MENU) < 0 ? 4 : 0);
}

int ButtonsHeld(WPARAM wp) { return (wp & MK_LBUTTON ? 1 : 0) | (wp & MK_RBUTTON ? 2 : 0) | (wp & MK_MBUTTON ? 4 : 0); }

}  // namespace

void UnregisterFormClasses() {
    for (auto& name : RegisteredClasses()) UnregisterClassW(name.c_str(), ThisModule());
    RegisteredClasses().clear();
}

Form::Form(Args args)
    : args_(std::move(args)), width_(args_.width), height_(args_.height), backColor_(args_.backColor) {
    if (args_.clientSize) {
        width_ += NonClientWidth();
        height_ += NonClientHeight();
    }
}

Form::~Form() = default;

HWND Form::hWnd() {
    Load();
    return hwnd_.get();
}

void Form::Load() {
    if (hwnd_) return;
    if (lost_) throw Failure(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE), LostDescription());
    RegisterFormClass(args_.className, &Form::WindowProc);
    // Created without a size and placed when first shown (see Place): the load step resizes it.
    HWND hwnd = CreateWindowExW(args_.exStyle, args_.className, args_.caption.c_str(), args_.style, 0, 0, 0, 0,
                                OwnerWindow(), nullptr, ThisModule(), this);
    if (!hwnd) {
        lost_ = false;  // a window refused during its creation was never the form's
        ThrowLastError(L"Cannot create the window");
    }
    placePending_ = true;
    try {
        for (WindowedControl* control : windowed_) control->Create(hwnd);
        Form_Load();
    } catch (...) {
        // A window short of a control would silently drop what is put into it: rather none.
        Unload();
        throw;
    }
}

void Form::Unload() {
    pressed_ = nullptr;
    tooltip_.reset();
    unloading_ = true;
    hwnd_.reset();
    unloading_ = false;
}

std::wstring Form::LostDescription() { return L"The window \"" + args_.caption + L"\" was destroyed"; }

float Form::Left() {
    Load();
    return left_;
}
float Form::Top() {
    Load();
    return top_;
}
float Form::Width() {
    Load();
    return width_;
}
float Form::Height() {
    Load();
    return height_;
}

void Form::SetLeft(float twips) {
    Load();
    left_ = twips;
    Place();
}

void Form::SetTop(float twips) {
    Load();
    top_ = twips;
    Place();
}

void Form::SetWidth(float twips) { SetSize(width_, twips); }
void Form::SetHeight(float twips) { SetSize(height_, twips); }

void Form::SetSize(float& field, float twips) {
    Load();
    RequireSize(twips);
    if (field == twips) return;
    field = twips;
    Place();
    Form_Resize();
}

// The frame around the client area, in twips: the style never changes, so it is asked
// for once (every layout step reads the client size).
const SIZE& Form::NonClient() const {
    if (!nonClient_) {
        RECT rc{0, 0, 0, 0};
        AdjustWindowRectEx(&rc, args_.style, FALSE, args_.exStyle);
        nonClient_ = SIZE{rc.right - rc.left, rc.bottom - rc.top};
    }
    return *nonClient_;
}

float Form::NonClientWidth() const { return static_cast<float>(NonClient().cx) * TwipsPerPixelX(); }
float Form::NonClientHeight() const { return static_cast<float>(NonClient().cy) * TwipsPerPixelY(); }

float Form::ScaleWidth() {
    Load();
    float w = width_ - NonClientWidth();
    return w > 0 ? w : 0;
}

float Form::ScaleHeight() {
    Load();
    float h = height_ - NonClientHeight();
    return h > 0 ? h : 0;
}

void Form::Place() {
    // A hidden window is placed when it is shown: nobody sees it meanwhile, and under Wine
    // each new size of a window costs it a new drawing surface.
    if (!IsWindowVisible(hwnd_.get())) {
        placePending_ = true;
        return;
    }
    PlaceNow();
}

void Form::PlaceNow() {
    placePending_ = false;
    placing_ = true;
    RECT rc = PixelEdges(left_, top_, width_, height_);
    SetWindowPos(hwnd_.get(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    placing_ = false;
}

OleColor Form::BackColor() {
    Load();
    return backColor_;
}

void Form::SetBackColor(OleColor color) {
    Load();
    // Setting the colour it already has repaints nothing (a repaint ends a drag).
    if (backColor_ == color) return;
    backColor_ = color;
    if (IsWindowVisible(hwnd_.get())) InvalidateRect(hwnd_.get(), nullptr, TRUE);
}

std::wstring Form::Caption() {
    Load();
    return args_.caption;
}

void Form::SetCaption(const std::wstring& caption) {
    Load();
    args_.caption = caption;
    SetWindowTextW(hwnd_.get(), caption.c_str());
}

void Form::Show() {
    HWND hwnd = hWnd();
    if (placePending_) PlaceNow();
    ShowWindow(hwnd, SW_SHOW);
}

void Form::KeepOnWorkArea() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    float left = static_cast<float>(work.left) * TwipsPerPixelX(),
          top = static_cast<float>(work.top) * TwipsPerPixelY();
    float right = static_cast<float>(work.right) * TwipsPerPixelX();
    float bottom = static_cast<float>(work.bottom) * TwipsPerPixelY();
    if (Left() + Width() > right) SetLeft(right - Width());
    if (Top() + Height() > bottom) SetTop(bottom - Height());
    if (Left() < left) SetLeft(left);
    if (Top() < top) SetTop(top);
}

void Form::CentreOver(HWND window) {
    RECT rc{};
    GetWindowRect(window, &rc);
    float centreX = static_cast<float>(rc.left + rc.right) / 2 * TwipsPerPixelX();
    float centreY = static_cast<float>(rc.top + rc.bottom) / 2 * TwipsPerPixelY();
    SetLeft(centreX - Width() / 2);
    SetTop(centreY - Height() / 2);
    KeepOnWorkArea();
}

void Form::ShowModal(HWND owner) {
    HWND hwnd = hWnd();
    if (owner) SetWindowLongPtrW(hwnd, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    bool reenable = owner && IsWindowEnabled(owner);
    if (reenable) EnableWindow(owner, FALSE);
    modal_ = true;
    if (placePending_) PlaceNow();
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    MSG msg;
    while (IsWindow(hwnd) && IsWindowVisible(hwnd)) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessageW(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (IsWindow(hwnd)) modal_ = false;
    if (reenable) {
        EnableWindow(owner, TRUE);
        // The owner gets the activation back, as after a dialog box.
        if (IsWindowVisible(owner)) SetForegroundWindow(owner);
    }
}
void Form::Hide() { ShowWindow(hWnd(), SW_HIDE); }
bool Form::Visible() { return IsWindowVisible(hWnd()) != FALSE; }

Control* Form::HitTest(POINT client) const {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        RECT rc = (*it)->PixelRect();
        if (PtInRect(&rc, client)) return *it;
    }
    return nullptr;
}

WindowedControl* Form::WindowedOf(HWND child, int id) const {
    for (WindowedControl* control : windowed_)
        if ((child && control->hwnd_ == child) || (!child && control->creation_.id == id)) return control;
    return nullptr;
}

void Form::UpdateTooltip(Control& control) {
    if (!tooltip_ || !control.args_.toolTip) return;
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = hwnd_.get();
    ti.rect = control.PixelRect();
    if (control.toolId_ == 0) {
        for (size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i] == &control) control.toolId_ = static_cast<int>(i) + 1;
        ti.uId = static_cast<UINT_PTR>(control.toolId_);
        ti.lpszText = const_cast<wchar_t*>(control.args_.toolTip);
        SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    } else {
        ti.uId = static_cast<UINT_PTR>(control.toolId_);
        SendMessageW(tooltip_.get(), TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

// The tool tip window comes with the first pointer move over the form: a window that
// nobody points at costs no tool tip. The form hands it the pointer messages itself.
void Form::RelayToTooltip(UINT msg, WPARAM wp, LPARAM lp) {
    if (!tooltip_) {
        if (msg != WM_MOUSEMOVE ||
            std::none_of(controls_.begin(), controls_.end(), [](Control* c) { return c->args_.toolTip != nullptr; }))
            return;
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&icc);
        tooltip_.reset(CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_.get(), nullptr, ThisModule(),
                                       nullptr));
        if (!tooltip_) return;  // a missing tool tip is no reason to fail the window
        for (Control* control : controls_) {
            control->toolId_ = 0;
            UpdateTooltip(*control);
        }
    }
    DWORD at = GetMessagePos();
    MSG relayed{hwnd_.get(),
                msg,
                wp,
                lp,
                static_cast<DWORD>(GetMessageTime()),
                {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))}};
    SendMessageW(tooltip_.get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void Form::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_.get(), &ps);
    RECT client;
    GetClientRect(hwnd_.get(), &client);
    FillRect(dc, &client, SharedBrush(backColor_));
    SetBkMode(dc, TRANSPARENT);
    for (Control* control : controls_) {
        RECT rc = control->PixelRect();
        if (rc.right <= rc.left || rc.bottom <= rc.top) continue;
        FillRect(dc, &rc, SharedBrush(control->box_.backColor));
        if (!control->args_.caption.empty()) {
            SIZE size{rc.right - rc.left, rc.bottom - rc.top};
            TextPlace place{size, control->args_.align | DT_NOPREFIX};
            HGDIOBJ old =
                SelectObject(dc, SharedFont(control->args_.font, control->args_.fit, control->args_.caption, place));
            SetTextColor(dc, ResolveColor(control->args_.foreColor));
            DrawTextW(dc, control->args_.caption.c_str(), -1, &rc, control->args_.align | DT_NOPREFIX);
            SelectObject(dc, old);
        }
    }
    EndPaint(hwnd_.get(), &ps);
}

void Form::Mouse(UINT msg, WPARAM wp, LPARAM lp) {
    // A move reports where the pointer is now, relative to where the window is now: Wine
    // merges queued moves and a control may move the window while they wait (a drag), so
    // a queued position could count a step twice or lose the last one.
    POINT pt{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
    if (msg == WM_MOUSEMOVE) {
        GetCursorPos(&pt);
        ScreenToClient(hwnd_.get(), &pt);
    }
    auto eventAt = [&](POINT at, Control* c, int button) {
        return MouseEvent{button, ShiftState(), static_cast<float>(at.x) * TwipsPerPixelX() - c->box_.left,
                          static_cast<float>(at.y) * TwipsPerPixelY() - c->box_.top};
    };
    auto event = [&](Control* c, int button) { return eventAt(pt, c, button); };
    HWND self = hwnd_.get();
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: {
            int button = msg == WM_LBUTTONDOWN ? 1 : msg == WM_RBUTTONDOWN ? 2 : 4;
            if (!pressed_) {
                pressed_ = HitTest(pt);
                if (!pressed_) return;
                SetCapture(self);
            }
            if (pressed_->MouseDown) pressed_->MouseDown(event(pressed_, button));
            return;
        }
        case WM_LBUTTONDBLCLK: {
            // The second press of a double click raises DblClick in place of MouseDown.
            if (!pressed_) {
                pressed_ = HitTest(pt);
                if (!pressed_) return;
                SetCapture(self);
            }
            if (pressed_->DblClick) pressed_->DblClick();
            return;
        }
        case WM_MOUSEMOVE: {
            Control* target = pressed_ ? pressed_ : HitTest(pt);
            if (target && target->MouseMove) target->MouseMove(event(target, ButtonsHeld(wp)));
            // The form's own moves pass the message's coordinates unchanged: the tray icon's
            // callback carries its mouse message there.
            if (!target)
                Form_MouseMove(MouseEvent{ButtonsHeld(wp), ShiftState(),
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
                ScreenToClient(self, &now);
                target->MouseMove(eventAt(now, target, ButtonsHeld(wp) | button));
            }
            if (ButtonsHeld(wp) == 0) {
                pressed_ = nullptr;
                ReleaseCapture();
            }
            if (target->MouseUp) target->MouseUp(event(target, button));
            // The handler may have closed the window (a menu's Delete command).
            if (!IsWindow(self)) return;
            if (button == 1 && HitTest(pt) == target && target->Click) target->Click();
            return;
        }
    }
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        form->hwnd_.reset(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_.release();
        form->lost_ = !form->unloading_;
        form->tooltip_.release();  // destroyed with its owner
        form->pressed_ = nullptr;
        for (WindowedControl* control : form->windowed_) control->hwnd_ = nullptr;  // gone with it
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    // An event routine's failure ends that routine; it must not unwind through the platform.
    try {
        return form->HandleMessage(msg, wp, lp);
    } catch (...) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_.get();
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Form_Paint();
            Paint();
            return 0;
        case WM_SHOWWINDOW:
            if (wp)
                for (WindowedControl* control : windowed_)
                    if (control->placePending_) control->Place();
            break;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) Form_Activate();
            break;
        case WM_SETFOCUS:
            for (WindowedControl* control : windowed_) {
                if (GetWindowLongW(control->hwnd_, GWL_STYLE) & WS_TABSTOP) {
                    ::SetFocus(control->hwnd_);
                    return 0;
                }
            }
            break;
        case WM_WINDOWPOSCHANGED:
            // Keep the twips in step when something other than this object moves the window.
            if (!placing_) {
                auto* pos = reinterpret_cast<WINDOWPOS*>(lp);
                if (!(pos->flags & SWP_NOMOVE)) {
                    left_ = static_cast<float>(pos->x) * TwipsPerPixelX();
                    top_ = static_cast<float>(pos->y) * TwipsPerPixelY();
                }
            }
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(wp) == hwnd && LOWORD(lp) == HTCLIENT) {
                POINT pt;
                GetCursorPos(&pt);
                ScreenToClient(hwnd, &pt);
                Control* control = pressed_ ? pressed_ : HitTest(pt);
                HCURSOR cursor = nullptr;
                if (control && control->args_.pointer.custom) cursor = control->args_.pointer.custom();
                if (!cursor) cursor = LoadCursorW(nullptr, control ? control->args_.pointer.system : IDC_ARROW);
                SetCursor(cursor);
                return TRUE;
            }
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lp) != hwnd) pressed_ = nullptr;
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_LBUTTONDBLCLK:
            RelayToTooltip(msg, wp, lp);
            Mouse(msg, wp, lp);
            return 0;
        case WM_RBUTTONDBLCLK:
            Mouse(WM_RBUTTONDOWN, wp, lp);
            return 0;
        case WM_MBUTTONDBLCLK:
            Mouse(WM_MBUTTONDOWN, wp, lp);
            return 0;
        case WM_COMMAND:
            if (WindowedControl* control = WindowedOf(reinterpret_cast<HWND>(lp), LOWORD(wp))) {
                control->Notified(HIWORD(wp));
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (WindowedControl* control = WindowedOf(reinterpret_cast<HWND>(lp), 0)) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetBkColor(dc, ResolveColor(control->box_.backColor));
                SetTextColor(dc, ResolveColor(control->creation_.foreColor));
                return reinterpret_cast<LRESULT>(SharedBrush(control->box_.backColor));
            }
            break;
        case WM_CLOSE:
            if (modal_) {
                ShowWindow(hwnd, SW_HIDE);
                return 0;
            }
            break;
    }
    return OnMessage(msg, wp, lp);
}

LRESULT Form::OnMessage(UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcW(hwnd_.get(), msg, wp, lp); }

}  // namespace tk
