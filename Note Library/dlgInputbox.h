#pragma once
// The one-line input dialog, for a note's title and for find.
#include "Control.h"
#include "Form.h"
#include "TextBox.h"
#include "WindowedControl.h"

namespace corkbase {

class dlgInputbox final : public tk::Form {
public:
    dlgInputbox();

    bool OkPressed = false;

    // Windowed controls in tab order: the text first, so it has the focus.
    tk::TextBox txtText;
    tk::Button OKButton;
    tk::Button CancelButton;
    tk::Control lblPrompt;

private:
    std::vector<tk::AccessiblePart> AccessibleParts() override;
    void OKButton_Click();
    void CancelButton_Click();
};

}  // namespace corkbase
