#pragma once
// The on-screen form of one note: its own title bar and close label, a text area and
// three resize grips, laid out in twips.
#include <cstdint>
#include <optional>

#include "Control.h"
#include "Form.h"
#include "MonitorEdges.h"
#include "NoteSite.h"
#include "TextBox.h"

namespace corkbase {

class frmNote final : public tk::Form {
public:
    frmNote();
    ~frmNote() override;

    // The owning note; not owned, cleared by the note when it goes.
    NoteSite* Parent = nullptr;

    bool Dragging = false;
    int32_t PressX = 0;
    int32_t PressY = 0;
    int32_t GripMode = 0;

    // Shows the window; a close from another program still waiting to hide it is called off.
    void Show();
    void Collapse();
    bool IsCollapsed() const { return collapsed_; }
    // Makes the text show: a collapsed note expands, one too low for its text gets the
    // default height.
    void UnfoldText();
    // Selects that much of the text from start (0-based) and scrolls it into view.
    void SelectInView(size_t start, size_t length);
    // Brings the note to the front with the keyboard focus in its text.
    void TakeFocus();
    void SetTransparencyLevelAndThroughClicks(int32_t& level, bool& allow);
    void SetNoteColor(tk::OleColor color);
    // The title bar's caption, which is also the window's text.
    void SetTitle(const std::wstring& title);
    // How large the text is drawn, in percent of its designed size: one of kZoomSteps.
    int32_t Zoom() const { return zoom_; }
    void SetZoom(int32_t percent);
    // Show's checks: the window brought back onto the monitor nearest to it.
    void KeepOnMonitor();

    void LayoutVertical();
    void LayoutHorizontal();

    // Soft minimum size below which the grips only let a note grow.
    static constexpr float MinWidth = 470;
    static constexpr float MinHeight = 270;

    // Declared in drawing order: a later control lies above an earlier one.
    tk::Control lbTitleBar;
    tk::Control lblClose;
    tk::Control Picture2;
    tk::Control Picture3;
    tk::Control Picture4;
    tk::TextBox txtNote;

private:
    void Form_Load() override;
    void Form_Resize() override;
    void Form_Activate() override;
    void Form_Paint() override;
    HWND OwnerWindow() override;
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    std::wstring LostDescription() override;
    std::vector<tk::AccessiblePart> AccessibleParts() override;
    std::function<std::wstring()> AccessibleName() override;
    std::wstring SpokenTitle();
    void Form_QueryUnload();

    NoteSite& Owner();
    void lblClose_Click();
    void lbTitleBar_DblClick();
    void lbTitleBar_MouseDown(const tk::MouseEvent& e);
    void lbTitleBar_MouseMove(const tk::MouseEvent& e);
    void lbTitleBar_MouseUp(const tk::MouseEvent& e);
    void Picture2_MouseMove(const tk::MouseEvent& e);
    void Picture4_MouseMove(const tk::MouseEvent& e);
    void Picture3_MouseMove(const tk::MouseEvent& e);
    void Grip_MouseUp();
    void txtNote_Change();
    bool txtNote_KeyDown(int keyCode, int shift);
    void Form_MouseWheel(int delta, POINT screen);
    void txtNote_KeyPress(int& keyAscii);
    void txtNote_KeyUp(int keyCode, int shift);
    void txtNote_MenuKey();

    void SnapWindow();
    RECT PixelRect();
    void MoveTo(const NotePlace& place);
    // At the pointer, or at the screen point given.
    void ShowOptionsMenu(std::optional<POINT> at = std::nullopt);
    void mnuTitle_Click();
    void mnuDelete_Click();
    void FindText(bool repeat);

    bool collapsed_ = false;
    bool closing_ = false;  // the close from outside waits on CloseTimer
    int32_t rememberedHeight_ = 0;
    int32_t zoom_ = 100;
    int wheelRest_ = 0;  // a wheel's turn short of a notch, kept for the next
};

// The close label's pointer: a hand under a small cross, hot at the cross's centre.
HCURSOR CloseCursor();

}  // namespace corkbase
