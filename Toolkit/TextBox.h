#pragma once
// A text box: a real edit window inside its form, created when the form loads.
#include <string>

#include "WindowedControl.h"

namespace tk {

class Form;

class TextBox final : public WindowedControl {
public:
    struct Args {
        float left = 0, top = 0, width = 0, height = 0;
        OleColor backColor = 0x80000005;
        OleColor foreColor = 0x80000008;
        FontSpec font{L"MS Sans Serif", 8.25f};
        bool multiLine = false;
        bool border = true;
    };

    TextBox(Form& form, Args args);

    std::wstring Text();
    // Assigning a different text raises Change, as typing does.
    void SetText(const std::wstring& text);
    int SelStart();
    int SelLength();
    std::wstring SelText();
    void Select(int start, int length);
    // Scrolls the text so that the caret shows.
    void ScrollToCaret();
    // Draws the text in another font from now on, keeping the text, selection and caret;
    // a box not made yet is made with it.
    void SetFont(const FontSpec& font);

    std::function<void()> Change;
    // A key pressed, with the shift state (1 Shift, 2 Ctrl, 4 Alt); a handler that answers
    // true has used it, and the character it would type is swallowed with it.
    std::function<bool(int keyCode, int shift)> KeyDown;
    // The character typed; a handler may set it to 0 to swallow it.
    std::function<void(int& keyAscii)> KeyPress;
    std::function<void(int keyCode, int shift)> KeyUp;
    // Shift+F10 or the menu key; unset, they open the edit menu as a right click does.
    std::function<void()> MenuKey;

private:
    void Created() override;
    void Notified(WORD code) override;
    std::optional<LRESULT> Message(UINT msg, WPARAM& wp, LPARAM lp) override;

    bool settingText_ = false;
};

}  // namespace tk
