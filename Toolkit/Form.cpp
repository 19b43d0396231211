#include "Form.h"

#include <set>
#include <utility>

#include "Control.h"
#include "Discarded.h"
#include "Failure.h"
#include "Module.h"
#include "Units.h"
#include "WindowText.h"
#include "WindowedControl.h"

namespace tk {
namespace {

// Posted to a form that got the focus, to hand it on to its first control.
UINT FocusMessage() {
    static const UINT message = RegisterWindowMessageW(L"QuillpostFormFocus");
    return message;
}

// One focus message waits at a time, for the form that got the focus last: activating
// many forms in a row (loading the notes) posts it once, not once a form.
struct PendingFocus {
    HWND postedTo = nullptr;  // the form window whose queue holds it
    Form* form = nullptr;     // the form whose first control is to take the focus
};
thread_local PendingFocus pendingFocus;

// The form whose window CreateWindowExW is making on this thread: its first message binds
// the window to it. Any program can send a window WM_NCCREATE, with any pointer in it.
thread_local Form* formCreating = nullptr;

void AwaitFocus(Form* form, HWND hwnd) {
    pendingFocus.form = form;
    if (pendingFocus.postedTo && IsWindow(pendingFocus.postedTo)) return;
    pendingFocus.postedTo = PostMessageW(hwnd, FocusMessage(), 0, 0) ? hwnd : nullptr;
}

// A form's window is destroyed, and any message posted to it with it.
void FocusFormGone(Form* form, HWND hwnd) {
    if (pendingFocus.form == form) pendingFocus.form = nullptr;
    if (pendingFocus.postedTo != hwnd) return;
    pendingFocus.postedTo = nullptr;
    if (pendingFocus.form) AwaitFocus(pendingFocus.form, pendingFocus.form->hWnd());
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
    // Created without a size and placed when first shown (see Place), unless its place is
    // expected: the load step resizes it.
    Expected expected = expected_.value_or(Expected{args_.caption});
    expected_.reset();
    RECT rc{0, 0, 0, 0};
    if (expected.width >= 0 && expected.height >= 0)
        rc = PixelEdges(expected.left, expected.top, expected.width, expected.height);
    // The creation's own placing must not overwrite the twips.
    placing_ = true;
    // A form loaded while this window is made (by a hook) puts this one back when it is done.
    Form* outer = std::exchange(formCreating, this);
    HWND hwnd =
        CreateWindowExW(args_.exStyle, args_.className, WindowListText(expected.caption).c_str(), args_.style, rc.left,
                        rc.top, rc.right - rc.left, rc.bottom - rc.top, OwnerWindow(), nullptr, ThisModule(), nullptr);
    formCreating = outer;
    placing_ = false;
    if (!hwnd) {
        lost_ = false;  // a window refused during its creation was never the form's
        ThrowLastError(L"Cannot create the window");
    }
    placePending_ = true;
    try {
        loadStep_ = true;
        Form_Load();
        loadStep_ = false;
        CreateControls(nullptr);
    } catch (...) {
        loadStep_ = false;
        // A window short of a control would silently drop what is put into it: rather none.
        Unload();
        throw;
    }
}

void Form::Unload() {
    pointer_.Forget();
    toolTips_.Destroy();
    unloading_ = true;
    hwnd_.reset();
    unloading_ = false;
}

std::wstring Form::LostDescription() { return L"The window \"" + args_.caption + L"\" was destroyed"; }

float& Form::Edge(Side side) {
    switch (side) {
        case Side::Left:
            return left_;
        case Side::Top:
            return top_;
        case Side::Width:
            return width_;
        case Side::Height:
            break;
    }
    return height_;
}

void Form::Resize(float& edge, float twips) {
    Load();
    RequireSize(twips);
    if (edge == twips) return;
    edge = twips;
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
    RECT rc = PixelEdges(left_, top_, width_, height_), now{};
    // Made there (see Expect) or left there: placing it again would cost as much as a move.
    if (GetWindowRect(hwnd_.get(), &now) && EqualRect(&now, &rc)) return;
    placing_ = true;
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
    std::wstring shown = WindowListText(caption);
    // The window may have been made with it (see Expect).
    if (WindowTextOf(hwnd_.get()) != shown) SetWindowTextW(hwnd_.get(), shown.c_str());
}

void Form::Show() {
    HWND hwnd = hWnd();
    if (placePending_) PlaceNow();
    ShowWindow(hwnd, args_.activates ? SW_SHOW : SW_SHOWNOACTIVATE);
}

void Form::BringForward() {
    SetWindowPos(hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Form::KeepOnWorkArea() { KeepWithin(PrimaryWorkArea()); }

void Form::KeepWithin(const TwipsEdges& area) {
    if (Left() + Width() > area.right) SetLeft(area.right - Width());
    if (Top() + Height() > area.bottom) SetTop(area.bottom - Height());
    if (Left() < area.left) SetLeft(area.left);
    if (Top() < area.top) SetTop(area.top);
}

void Form::CentreOver(HWND window) {
    RECT rc{};
    GetWindowRect(window, &rc);
    float centreX = static_cast<float>(rc.left + rc.right) / 2 * TwipsPerPixelX();
    float centreY = static_cast<float>(rc.top + rc.bottom) / 2 * TwipsPerPixelY();
    SetLeft(centreX - Width() / 2);
    SetTop(centreY - Height() / 2);
    KeepWithin(MonitorNearest(rc).work);
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

// A hidden control never takes the focus: keys typed into it would go nowhere one sees.
WindowedControl* Form::FirstTabStop() const {
    for (WindowedControl* control : windowed_)
        if (control->TabStop() && IsWindowVisible(control->hWnd())) return control;
    return nullptr;
}

LRESULT Form::AccessibleObject(WPARAM wp, LPARAM lp) {
    if (static_cast<DWORD>(lp) != static_cast<DWORD>(OBJID_CLIENT))
        return DefWindowProcW(hwnd_.get(), WM_GETOBJECT, wp, lp);
    if (!accessible_) {
        std::vector<AccessiblePart> parts = AccessibleParts();
        if (parts.empty()) return DefWindowProcW(hwnd_.get(), WM_GETOBJECT, wp, lp);
        accessible_ = AccessibleForm::Create(hwnd_.get(), AccessibleName(), std::move(parts));
    }
    return LresultFromObject(AccessibleIid, wp, static_cast<IAccessible*>(accessible_.get()));
}

WindowedControl* Form::WindowedOf(HWND child, int id) const {
    for (WindowedControl* control : windowed_)
        if (control->Is(child, id)) return control;
    return nullptr;
}

void Form::Register(Control& control) { controls_.push_back(&control); }
// A reader's object describes the controls: once one goes, the object goes with it.
void Form::Unregister(Control& control) {
    DropAccessible();
    std::erase(controls_, &control);
}
void Form::Register(WindowedControl& control) { windowed_.push_back(&control); }

void Form::CreateControls(const WindowedControl* until) {
    for (WindowedControl* control : windowed_) {
        if (!control->HasWindow()) control->Create(hwnd_.get());
        if (control == until) return;
    }
}
void Form::Unregister(WindowedControl& control) {
    DropAccessible();
    std::erase(windowed_, &control);
}

void Form::DropAccessible() {
    if (!accessible_) return;
    accessible_->Disconnect();
    accessible_.reset();
}

void Form::Route(UINT msg, WPARAM wp, LPARAM lp) {
    pointer_.Route(hwnd_.get(), controls_, msg, wp, lp, [this](const MouseEvent& e) { Form_MouseMove(e); });
}

void Form::ControlMoved(const Control& control) { toolTips_.Update(hwnd_.get(), controls_, control); }

void Form::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_.get(), &ps);
    RECT client;
    GetClientRect(hwnd_.get(), &client);
    FillRect(dc, &client, SharedBrush(backColor_));
    SetBkMode(dc, TRANSPARENT);
    for (const Control* control : controls_) control->Paint(dc);
    EndPaint(hwnd_.get(), &ps);
}

Form* Form::Of(HWND hwnd) {
    if (!hwnd || GetWindowThreadProcessId(hwnd, nullptr) != GetCurrentThreadId()) return nullptr;
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Form::WindowProc)) return nullptr;
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Form::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE && formCreating && !formCreating->hwnd_ && !GetWindowLongPtrW(hwnd, GWLP_USERDATA)) {
        formCreating->hwnd_.reset(hwnd);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(formCreating));
    }
    auto* form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        form->hwnd_.release();
        form->lost_ = !form->unloading_;
        form->toolTips_.Forget();
        form->pointer_.Forget();
        form->DropAccessible();
        for (WindowedControl* control : form->windowed_) control->Forget();
        FocusFormGone(form, hwnd);
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    // An event routine's failure ends that routine; it must not unwind through the platform.
    try {
        return form->HandleMessage(msg, wp, lp);
    } catch (...) {
        LogDiscarded(L"an event routine of a form");
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

LRESULT Form::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    HWND hwnd = hwnd_.get();
    if (msg == FocusMessage()) {
        Form* form = pendingFocus.form;
        pendingFocus = {};
        WindowedControl* first = form ? form->FirstTabStop() : nullptr;
        if (first && GetFocus() == form->hwnd_.get()) first->SetFocus();
        return 0;
    }
    switch (msg) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT:
            Form_Paint();
            Paint();
            return 0;
        case WM_SHOWWINDOW:
            if (wp)
                for (WindowedControl* control : windowed_) control->PlaceIfPending();
            break;
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) Form_Activate();
            break;
        case WM_SETFOCUS:
            // The first control takes the focus once the activation is over: activating
            // many windows in a row (loading the notes) moves it once, not once a window.
            if (FirstTabStop()) {
                AwaitFocus(this, hwnd);
                return 0;
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
                pointer_.SetCursor(hwnd, controls_);
                return TRUE;
            }
            break;
        case WM_CAPTURECHANGED:
            pointer_.CaptureChanged(hwnd, reinterpret_cast<HWND>(lp));
            return 0;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
        case WM_LBUTTONDBLCLK:
            toolTips_.Relay(hwnd, controls_, msg, wp, lp);
            Route(msg, wp, lp);
            return 0;
        case WM_RBUTTONDBLCLK:
            Route(WM_RBUTTONDOWN, wp, lp);
            return 0;
        case WM_MBUTTONDBLCLK:
            Route(WM_MBUTTONDOWN, wp, lp);
            return 0;
        case WM_COMMAND:
            if (WindowedControl* control = WindowedOf(reinterpret_cast<HWND>(lp), LOWORD(wp))) {
                control->Notify(HIWORD(wp));
                return 0;
            }
            break;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (WindowedControl* control = WindowedOf(reinterpret_cast<HWND>(lp), 0))
                return reinterpret_cast<LRESULT>(control->Colour(reinterpret_cast<HDC>(wp)));
            break;
        case WM_GETOBJECT:
            return AccessibleObject(wp, lp);
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
