#pragma once
// The small notice qpost shows near its tray icon for a while after a note's own Delete
// command: "Note deleted", the note's name and "Click here to bring it back.". It never
// takes the focus, and nothing waits for it.
#include <functional>
#include <string>

#include "Control.h"
#include "Form.h"

namespace qpost {

class frmNoteDeleted final : public tk::Form {
public:
    // Owned by the program's hidden window, which keeps it off the taskbar.
    explicit frmNoteDeleted(tk::Form& owner);

    // Shows the notice for the note of this name in the corner above the tray, replacing
    // the one shown before; it hides itself after kShownFor.
    void Announce(const std::wstring& name);
    static constexpr UINT kShownFor = 8000;  // milliseconds

    // A click anywhere on the notice; the notice hides first.
    std::function<void()> Clicked;

    tk::Control lblHeading;
    tk::Control lblName;
    tk::Control lblHint;

private:
    HWND OwnerWindow() override { return owner_.hWnd(); }
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    std::vector<tk::AccessiblePart> AccessibleParts() override;
    void Notice_Click();

    tk::Form& owner_;
};

}  // namespace qpost
