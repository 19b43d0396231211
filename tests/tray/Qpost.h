#pragma once
// Runs the real qpost.exe and looks at it from outside, as a person would: its windows,
// its message boxes and dialogs, the keys and clicks it is given.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tray {

std::wstring BinFolder();  // where the deliverables lie, with a trailing backslash

// Polls until ready() or the time is up; false when it never became true.
bool WaitFor(const std::function<bool()>& ready, DWORD milliseconds = 10000);

class Qpost {
public:
    explicit Qpost(const std::wstring& exe = BinFolder() + L"qpost.exe", const std::wstring& arguments = L"");
    ~Qpost();  // a program still running is closed, or killed if it will not close
    Qpost(const Qpost&) = delete;
    Qpost& operator=(const Qpost&) = delete;

    DWORD pid() const { return pid_; }
    bool Running() const;
    bool WaitForExit(DWORD milliseconds = 10000) const;
    void Kill();

    // The hidden main window, once start-up has created it (nullptr if it never did).
    HWND MainWindow(DWORD milliseconds = 10000) const;
    // Waits until start-up is over and the program waits for input.
    void WaitUntilIdle() const;
    // A tray icon event, delivered as the shell delivers it: the mouse message in lParam.
    void TrayEvent(UINT mouseMessage) const;
    // The note windows of this program, front to back.
    std::vector<HWND> Notes() const;
    // The one visible note window (nullptr unless exactly one is visible).
    HWND OnlyVisibleNote() const;
    // Waits until the program has this many notes; with `shown`, until exactly that many
    // of them are on the screen too (a note is placed before it is shown).
    std::vector<HWND> WaitForNotes(size_t count) const;
    std::vector<HWND> WaitForNotes(size_t count, size_t shown) const;

private:
    PROCESS_INFORMATION process_{};
    DWORD pid_ = 0;
};

struct Dialog {
    HWND hwnd = nullptr;
    std::wstring caption;
    std::wstring text;  // a message box's message
};

// Waits for a visible dialog or message box of the process, optionally with this caption.
std::optional<Dialog> WaitForDialog(DWORD pid, const std::wstring& caption = L"", DWORD milliseconds = 10000);
// The dialog's button with this caption (mnemonic '&' ignored), pressed as by a click.
void Press(HWND dialog, const std::wstring& button);
// The top-level windows of the process with the class name, front to back.
std::vector<HWND> TopWindowsOf(DWORD pid, const wchar_t* className, bool visibleOnly);
// A top-level window of the process with the class name.
HWND WaitForWindow(DWORD pid, const wchar_t* className, DWORD milliseconds = 10000);
// A menu of the program that takes keys: shown, its thread in menu mode and in the
// foreground. A key sent before then reaches whatever window had the keyboard, and the
// menu misses it.
HWND WaitForMenu(DWORD pid, DWORD milliseconds = 10000);

// Real keys, pressed and released one after the other.
void Keys(const std::vector<WORD>& virtualKeys);

HWND ChildWithText(HWND parent, const std::wstring& text);
// A window's rectangle on the screen, in pixels, and its height.
RECT RectOf(HWND hwnd);
long HeightOf(HWND hwnd);
// What a text box of the program holds, by WM_GETTEXT itself: GetWindowText gives another
// program's text box only its caption.
std::wstring TextIn(HWND edit);
// What a note's text box holds.
std::wstring NoteText(HWND note);
// The window that has the keyboard focus in the window's thread.
HWND FocusOf(HWND window);

// Calls an entry point of the built library, such as "DllUnregisterServer".
HRESULT CallLibrary(const char* name);

}  // namespace tray
