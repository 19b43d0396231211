#include "frmOptions.h"

namespace qpost {
namespace {

const tk::FontSpec Tahoma{L"Tahoma", 8.25f};

}  // namespace

frmOptions::frmOptions()
    : Form({.className = L"QuillpostOptions",
            .style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME,
            .exStyle = WS_EX_DLGMODALFRAME,
            .width = 3615,
            .height = 1590,
            .clientSize = true,
            .caption = L"Options"}),
      cmdOK(*this, {1080, 1200, 1215, 375, L"OK", Tahoma, tk::Button::Role::Default}),
      Frame1(*this, {0, 0, 3615, 1095}),
      // The level runs up to opaque; below 25 a note could no longer be found on screen.
      Slider1(*this, {1320, 120, 2175, 495, 25, 255, 1, 16, 16}),
      Label1(*this, {.left = 120,
                     .top = 120,
                     .width = 1095,
                     .height = 495,
                     .caption = L"Transparency Level",
                     .font = Tahoma,
                     .align = DT_LEFT | DT_WORDBREAK,
                     .fit = tk::Fit::Text}),
      cbClickThrough(*this, {240, 600, 1935, 375, L"Allow Through Clicks", Tahoma, tk::Fit::Text}),
      cmdCancel(*this, {2400, 1200, 1215, 375, L"Cancel", Tahoma, tk::Button::Role::Cancel}) {
    // Met through its own window, as a reader following the focus meets it, the slider
    // tells the same as it does as a part of the dialog.
    Slider1.AccessibleName = [this] { return Label1.Caption(); };
    Slider1.AccessibleValue = [this] { return std::to_wstring(Slider1.Value()); };
    cmdOK.Click = [this] { cmdOK_Click(); };
    cmdCancel.Click = [this] { cmdCancel_Click(); };
}

// The label names the slider beside it, whose value is the level itself.
std::vector<tk::AccessiblePart> frmOptions::AccessibleParts() {
    return {
        {.drawn = &Label1},
        {.windowed = &Slider1,
         .role = ROLE_SYSTEM_SLIDER,
         .name = Slider1.AccessibleName,
         .value = Slider1.AccessibleValue},
        {.windowed = &cbClickThrough, .role = ROLE_SYSTEM_CHECKBUTTON},
        {.windowed = &cmdOK, .role = ROLE_SYSTEM_PUSHBUTTON},
        {.windowed = &cmdCancel, .role = ROLE_SYSTEM_PUSHBUTTON},
    };
}

void frmOptions::cmdOK_Click() {
    OkPressed = true;
    Hide();
}

void frmOptions::cmdCancel_Click() {
    OkPressed = false;
    Hide();
}

}  // namespace qpost
