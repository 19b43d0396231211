#pragma once
// What the tests share: finding and registering the built library, creating its objects
// through COM, pumping messages, and looking at the windows a process holds.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Handles.h"
#include "NoteLibrary.h"

namespace test {

using tk::ComPtr;

// Full path of the built Corkbase2.dll, beside the other deliverables.
std::wstring LibraryPath();

// Calls the library's DllRegisterServer once per process; fails the test on error.
void RegisterLibrary();

ComPtr<_Notes> NewNotes();  // by ProgID NoteLibrary.Notes
ComPtr<_Note> AddNote(_Notes* notes);
ComPtr<_Note> NoteAt(_Notes* notes, long position);
long CountOf(_Notes* notes);
void SetText(_Note* note, const std::wstring& text);
std::wstring TextOf(_Note* note);

// Dispatches window messages for the given time.
void Pump(DWORD milliseconds = 50);

// Visible and hidden top-level windows of this thread with the class name.
std::vector<HWND> WindowsOfClass(const wchar_t* className);

// Real input, as a person gives it: the pointer moves to the screen pixel and clicks;
// keys are typed into whatever has the focus.
void MoveMouse(POINT screen);
void Click(POINT screen, int times = 1);
void TypeText(const std::wstring& text);
// Presses (down) or releases a mouse button: 1 left, 2 right, 4 middle.
void MouseButton(int button, bool down);
// Presses the keys in order, then releases them in reverse (a chord such as Ctrl+F).
void KeyChord(std::initializer_list<WORD> virtualKeys);
// The same from the X server, as a person's keyboard gives it, in xdotool's names
// ("alt+F4"); false without the pointer agent.
bool XKeyChord(const std::string& keys);
// Turns the wheel where the pointer is, from the X server, by notches (up positive, down
// negative) with the keys held (xdotool's names, "ctrl"); false without the pointer agent.
bool XWheel(int notches, const std::string& held = "");

// Acts on a window that another action will open, from a second thread, since the
// window's modal loop holds this one. Waits for a visible top-level window of this
// process with the class name (and caption, when given), then runs act on it; the
// result is what act returns, or "<no window>".
class Answer {
public:
    Answer(const wchar_t* className, const wchar_t* caption, std::function<std::wstring(HWND)> act);
    ~Answer();
    std::wstring Result();  // waits for the answer

private:
    std::atomic<bool> done_{false};
    std::wstring result_;
    bool joined_ = false;
    std::thread thread_;  // last: it starts once the members above exist
};

std::wstring WindowText(HWND hwnd);
HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text = L"");

// The note's window: the one note window of this thread (tests create one at a time).
HWND OnlyNoteWindow();

// The description of the calling thread's error info, empty when there is none.
std::wstring LastErrorDescription();

std::wstring Str(BSTR b);
// UTF-8, for test messages.
std::string Narrow(const std::wstring& s);
tk::Bstr MakeBstr(const std::wstring& s);

// Screen size in twips, as the library sees it.
long ScreenWidthTwips();
long ScreenHeightTwips();
long TwipsPerPixel();
// Screen pixels of a twips position, rounded as the windows are placed.
long PixelsOf(float twips);

// The folder whose Unix path the environment variable holds, as a path here (with a
// trailing backslash); empty when the variable is not set.
std::wstring FolderNamedBy(const wchar_t* variable);

// The whole screen as a 24-bit BMP file.
bool Screenshot(const std::wstring& path);

}  // namespace test
