#pragma once
// A text box: a real edit window inside its form, created when the form loads.
#include <string>

#include "Accessible.h"
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
    ~TextBox() override;

    std::wstring Text();
    // Assigning a different text raises Change, as typing does.
    void SetText(const std::wstring& text);
    int SelStart();
    int SelLength();
    std::wstring SelText();
    void Select(int start, int length);
    // Scrolls the text so that the caret shows.
    void ScrollToCaret();

    std::function<void()> Change;
    // The character typed; a handler may set it to 0 to swallow it.
    std::function<void(int& keyAscii)> KeyPress;
    std::function<void(int keyCode, int shift)> KeyUp;
    // Shift+F10 or the menu key; unset, they open the edit menu as a right click does.
    std::function<void()> MenuKey;
    // What a screen reader calls the text box (no label of its own lies beside it to name
    // it); unset, the system's name.
    std::function<std::wstring()> AccessibleName;

private:
    void Created() override;
    void Notified(WORD code) override;
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);

    LRESULT AccessibleObject(WPARAM wp, LPARAM lp);
    void DisconnectAccessible();

    WNDPROC previous_ = nullptr;         // the EDIT class's own procedure
    ComPtr<AccessibleForm> accessible_;  // made at the first reader's request, gone with the window

    bool settingText_ = false;
};

}  // namespace tk
