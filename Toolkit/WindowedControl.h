#pragma once
// A control with a window of its own (text box, button, check box, slider, frame),
// created inside its form when the form loads, in declaration order (that order is the
// keyboard tab order): after the load step has laid it out, or when that step first needs
// its window.
#include <functional>
#include <optional>
#include <string>

#include "Accessible.h"
#include "ControlBase.h"

namespace tk {

class WindowedControl : public ControlBase {
public:
    HWND hWnd();
    void SetFocus();
    // Shows or hides the control's window (without activating anything); the focus moves
    // out of a control that hides and back into one that shows.
    void SetVisible(bool visible);

    // What its form asks of it.
    void Create(HWND parent);
    bool HasWindow() const { return hwnd_ != nullptr; }
    // The form is being shown: the control takes the place it was given while hidden.
    void PlaceIfPending();
    bool Is(HWND child, int id) const { return child ? hwnd_ == child : creation_.id == id; }
    // A tab stop that can take the focus: one that is shown.
    bool TabStop() const {
        return (GetWindowLongW(hwnd_, GWL_STYLE) & (WS_TABSTOP | WS_VISIBLE)) == (WS_TABSTOP | WS_VISIBLE);
    }
    // Whether the control itself is shown, whatever its form is.
    bool Shown();
    // WM_CTLCOLOR*: the control's colours on the device context, and its background brush.
    HBRUSH Colour(HDC dc) const;
    // A notification (WM_COMMAND code) from the window.
    void Notify(WORD code) { Notified(code); }
    // The form's window is being destroyed, and this window with it.
    void Forget() {
        hwnd_ = nullptr;
        shownAtCreation_ = true;
    }

    // What a screen reader is told of the control met through its own window (a reader
    // following the focus onto it), where no label of its own lies beside it to name it:
    // its name, and its value; unset, the system's. Only a subclassed control tells it.
    std::function<std::wstring()> AccessibleName;
    std::function<std::wstring()> AccessibleValue;

protected:
    struct Creation {
        const wchar_t* windowClass;
        DWORD style;
        std::wstring caption;
        FontSpec font{L"MS Sans Serif", 8.25f};
        OleColor foreColor = 0x80000012;
        int id = 0;
        // How the caption's font gives way to the window, less what is beside the text.
        Fit fit = Fit::None;
        int besideText = 0;  // pixels
    };
    WindowedControl(Form& form, Box box, Creation creation);
    ~WindowedControl() override;
    // Runs once the window exists.
    virtual void Created() {}
    // A notification (WM_COMMAND code) from the window.
    virtual void Notified(WORD) {}
    void Changed() override;
    // Takes the window's messages before its class does. By hand: the common controls'
    // subclassing looks its data up in a window property on every message, which under
    // Wine is a round trip to the server.
    void Subclass();
    // A message for the subclassed window: its answer, or nothing to leave it to the class
    // (with wp as the handler leaves it).
    virtual std::optional<LRESULT> Message(UINT, WPARAM&, LPARAM) { return std::nullopt; }

    Creation creation_;
    HWND hwnd_ = nullptr;      // a child: destroyed with its form
    long accessibleRole_ = 0;  // what readers are told it is; 0: the system's answer

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);
    LRESULT AccessibleObject(WPARAM wp);
    void DisconnectAccessible();
    void Place();
    bool placePending_ = false;          // moved while its form was hidden
    bool shownAtCreation_ = true;        // shown or hidden by the load step before its window was made
    WNDPROC previous_ = nullptr;         // the class's own procedure, once subclassed
    ComPtr<AccessibleForm> accessible_;  // made at the first reader's request, gone with the window
};

// A push button; the default button answers Enter, the cancel button Esc.
class Button final : public WindowedControl {
public:
    enum class Role { Normal, Default, Cancel };
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        std::wstring caption;
        FontSpec font{L"MS Sans Serif", 8.25f};
        Role role = Role::Normal;
    };
    Button(Form& form, Args args);
    std::function<void()> Click;

private:
    void Notified(WORD code) override;
};

class CheckBox final : public WindowedControl {
public:
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        std::wstring caption;
        FontSpec font{L"MS Sans Serif", 8.25f};
        Fit fit = Fit::None;
    };
    CheckBox(Form& form, Args args);
    int Value();  // 0 unchecked, 1 checked
    void SetValue(int value);
};

// A horizontal track bar.
class Slider final : public WindowedControl {
public:
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        int min = 0, max = 10, smallChange = 1, largeChange = 5, tickFrequency = 1;
    };
    Slider(Form& form, Args args);
    int Value();
    // Values outside min to max are clamped into it.
    void SetValue(int value);
    int Min() const { return args_.min; }
    int Max() const { return args_.max; }

private:
    void Created() override;
    Args args_;
};

// A frame drawn around a group of controls.
class Frame final : public WindowedControl {
public:
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        std::wstring caption;
    };
    Frame(Form& form, Args args);
};

}  // namespace tk
