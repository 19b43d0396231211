#include "dlgInputbox.h"

namespace corkbase {
namespace {

const tk::FontSpec Tahoma{L"Tahoma", 8.25f};

}  // namespace

dlgInputbox::dlgInputbox()
    : Form({.className = L"CorkbaseInputbox",
            .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
            .exStyle = WS_EX_DLGMODALFRAME,
            .width = 5790,
            .height = 1125,
            .clientSize = true}),
      txtText(*this, {.left = 120, .top = 600, .width = 4095, .height = 285, .font = Tahoma}),
      OKButton(*this, {4440, 120, 1215, 375, L"OK", Tahoma, tk::Button::Role::Default}),
      CancelButton(*this, {4440, 600, 1215, 375, L"Cancel", Tahoma, tk::Button::Role::Cancel}),
      lblPrompt(*this, {.left = 120,
                        .top = 120,
                        .width = 3975,
                        .height = 255,
                        .font = Tahoma,
                        .align = DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS}) {
    OKButton.Click = [this] { OKButton_Click(); };
    CancelButton.Click = [this] { CancelButton_Click(); };
    // The prompt names the text box, as a label beside a field does.
    txtText.AccessibleName = [this] { return lblPrompt.Caption(); };
}

std::vector<tk::AccessiblePart> dlgInputbox::AccessibleParts() {
    return {
        {.drawn = &lblPrompt},
        {.windowed = &txtText, .role = ROLE_SYSTEM_TEXT, .name = txtText.AccessibleName},
        {.windowed = &OKButton, .role = ROLE_SYSTEM_PUSHBUTTON},
        {.windowed = &CancelButton, .role = ROLE_SYSTEM_PUSHBUTTON},
    };
}

void dlgInputbox::OKButton_Click() {
    OkPressed = true;
    Hide();
}

void dlgInputbox::CancelButton_Click() {
    OkPressed = false;
    Hide();
}

}  // namespace corkbase
