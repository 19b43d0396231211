#pragma once
// The options dialog: the transparency level of all notes and whether clicks pass through.
#include "Control.h"
#include "Form.h"
#include "WindowedControl.h"

namespace qpost {

class frmOptions final : public tk::Form {
public:
    frmOptions();

    bool OkPressed = false;

    // Declared in tab order.
    tk::Button cmdOK;
    tk::Frame Frame1;
    tk::Slider Slider1;
    tk::Control Label1;
    tk::CheckBox cbClickThrough;
    tk::Button cmdCancel;

private:
    std::vector<tk::AccessiblePart> AccessibleParts() override;
    void cmdOK_Click();
    void cmdCancel_Click();
};

}  // namespace qpost
