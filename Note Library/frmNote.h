#pragma once
// The on-screen form of one note: its own title bar and close label, a text area and
// three resize grips, laid out in twips.
#include <cstdint>

#include "Control.h"
#include "Form.h"
#include "TextBox.h"

namespace corkbase {

class Note;

class frmNote final : public tk::Form {
public:
    frmNote();
    ~frmNote() override;

    // The owning note; not owned, cleared by the note when it goes.
    Note* Parent = nullptr;

    bool Dragging = false;
    int32_t PressX = 0;
    int32_t PressY = 0;
    int32_t GripMode = 0;

    void Collapse();
    bool IsCollapsed() const { return collapsed_; }
    int32_t RetMin(int32_t& nA, int32_t& nB);
    void SetTransparencyLevelAndThroughClicks(int32_t& level, bool& allow);
    void SetNoteColor(tk::OleColor color);

    void LayoutVertical();
    void LayoutHorizontal();

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

    Note& Owner();
    void lblClose_Click();
    void lbTitleBar_DblClick();
    void txtNote_Change();

    bool collapsed_ = false;
    int32_t rememberedHeight_ = 0;
};

// The note windows' hidden owner (it keeps them off the taskbar) and the shared cursor.
HWND NoteOwnerWindow();
// Destroys the library's own windows and cursor and unregisters its window classes.
void ReleaseWindowResources();

}  // namespace corkbase
