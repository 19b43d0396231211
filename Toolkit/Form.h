#pragma once
// A top-level window object. It exists before its platform window: the first touch of a
// property, a control or a method creates the window and runs Form_Load before going on.
// One static window procedure binds the object at creation and forwards to members.
#include <optional>
#include <string>
#include <vector>

#include "Accessible.h"
#include "Gdi.h"
#include "Handles.h"
#include "Monitors.h"
#include "PointerRouting.h"
#include "ToolTips.h"
#include "TwipsGeometry.h"

namespace tk {

class Control;
class WindowedControl;
struct MouseEvent;

// A change of its width or height raises Form_Resize at once.
class Form : public TwipsGeometry<Form> {
public:
    struct Args {
        const wchar_t* className;
        DWORD style = WS_POPUP;
        DWORD exStyle = 0;
        float width = 0;  // designed size in twips, before Form_Load changes it
        float height = 0;
        bool clientSize = false;  // the designed size is the client area's, not the window's
        OleColor backColor = ButtonFace;
        std::wstring caption;
        bool activates = true;  // Show makes it the active window
    };

    explicit Form(Args args);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    bool Loaded() const { return static_cast<bool>(hwnd_); }
    // Where, and under which caption, the window will stand once its loader has set it up
    // (twips): the next load creates it there, so that setting them moves and renames
    // nothing. Under Wine each move of a window is a round trip and a new drawing surface.
    struct Expected {
        std::wstring caption;
        float left = 0, top = 0, width = 0, height = 0;
    };
    void Expect(Expected expected) { expected_ = std::move(expected); }
    // Creates the window and runs Form_Load, unless the form is loaded already.
    void Load();
    HWND hWnd();
    // Destroys the platform window; the next touch loads it again.
    void Unload();
    // The window was destroyed by anything but Unload: it never comes back, since a new
    // window would be blank and its emptiness could be taken for the form's contents.
    bool Lost() const { return lost_; }

    float ScaleWidth();
    float ScaleHeight();

    OleColor BackColor();
    void SetBackColor(OleColor color);
    std::wstring Caption();
    void SetCaption(const std::wstring& caption);

    void Show();
    void Hide();
    bool Visible();
    // Puts the form in front of the others of its kind (topmost or not) without activating it:
    // showing a form that is already shown leaves it where it is in the stacking.
    void BringForward();
    // The form that owns a window of this thread; null for any other window.
    static Form* Of(HWND hwnd);
    // Moves the form, if need be, just enough to lie whole on the primary screen's work area
    // (off the taskbar); up and left first, so a form larger than the work area shows its top left.
    void KeepOnWorkArea();
    // The same on the given area.
    void KeepWithin(const TwipsEdges& area);
    // Centres the form over the window, kept whole on the work area of the window's monitor.
    void CentreOver(HWND window);

    // Shows the form owned by owner (disabled meanwhile) and returns when the form is
    // hidden or closed; closing it hides it, so the caller can still read its controls.
    void ShowModal(HWND owner);

    // The id for the next windowed control (buttons with roles use IDOK and IDCANCEL).
    int NextControlId() { return nextId_++; }

    // The controls enter and leave their form's lists themselves; a later control lies
    // above an earlier one, and windowed controls are created in this order.
    void Register(Control& control);
    void Unregister(Control& control);
    void Register(WindowedControl& control);
    void Unregister(WindowedControl& control);
    // A windowless control moved or changed size.
    void ControlMoved(const Control& control);
    // Makes the windows of the windowed controls not made yet, in their order, up to and
    // with until (all of them when null). A control's window is made once the load step
    // has laid it out, or when that step first needs it: made where the load step put
    // it, it moves only if its form's size changes after (under Wine each move is a round
    // trip and a redraw).
    void CreateControls(const WindowedControl* until);
    // Form_Load is running (its controls' windows may not be made yet).
    bool InLoadStep() const { return loadStep_; }

protected:
    virtual void Form_Load() {}
    virtual void Form_Resize() {}
    virtual void Form_Activate() {}
    virtual void Form_Paint() {}
    // The pointer moved over the form where no control lies.
    virtual void Form_MouseMove(const MouseEvent&) {}
    // The window this one is owned by (an owned top-level window gets no taskbar button).
    virtual HWND OwnerWindow() { return nullptr; }
    // Messages the form does not handle itself.
    virtual LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // What a touch of a lost form fails with.
    virtual std::wstring LostDescription();
    // What a screen reader is told of the form's parts, in the order a person meets them;
    // none: the system's own object for the window.
    virtual std::vector<AccessiblePart> AccessibleParts() { return {}; }
    // The form's accessible name; empty: the system's, the window text.
    virtual std::function<std::wstring()> AccessibleName() { return nullptr; }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    void Place();
    void PlaceNow();
    friend class TwipsGeometry<Form>;
    void Touch() { Load(); }
    float& Edge(Side side);
    void Moved() { Place(); }
    void Resize(float& edge, float twips);
    const SIZE& NonClient() const;
    float NonClientWidth() const;
    float NonClientHeight() const;
    void Paint();
    void Route(UINT msg, WPARAM wp, LPARAM lp);
    WindowedControl* WindowedOf(HWND child, int id) const;
    WindowedControl* FirstTabStop() const;
    LRESULT AccessibleObject(WPARAM wp, LPARAM lp);
    // Disconnects the reader's object, whose clients then get an error, not a freed control.
    void DropAccessible();

    Args args_;
    float left_ = 0, top_ = 0, width_, height_;
    OleColor backColor_;
    UniqueWindow hwnd_;
    std::vector<Control*> controls_;
    std::vector<WindowedControl*> windowed_;
    ToolTips toolTips_;
    ComPtr<AccessibleForm> accessible_;  // made at the first reader's request, gone with the window
    PointerRouting pointer_;
    std::optional<Expected> expected_;  // for the next load only
    bool loadStep_ = false;
    bool placing_ = false;
    bool placePending_ = false;              // the window is not yet where the twips say
    mutable std::optional<SIZE> nonClient_;  // pixels
    bool modal_ = false;
    bool unloading_ = false;
    bool lost_ = false;
    int nextId_ = 100;
};

// Unregisters every window class the toolkit registered in this module.
void UnregisterFormClasses();

}  // namespace tk
