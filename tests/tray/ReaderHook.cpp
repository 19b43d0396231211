// A DLL the tray tests hook into qpost: the first time a note window is activated, which
// start-up does inside LoadAll, it shows a message box, so that the message loop runs
// inside the load as it does for a reader answering a note's events.
#include <windows.h>

namespace {

bool shown = false;

bool IsNoteOfQpost(HWND hwnd) {
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    return GetModuleHandleW(L"qpost.exe") && lstrcmpW(name, L"CorkbaseNote") == 0;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ReaderHook_Cbt(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_ACTIVATE && !shown && IsNoteOfQpost(reinterpret_cast<HWND>(wp))) {
        shown = true;
        MessageBoxW(nullptr, L"A note was activated", L"Inside the load", MB_OK);
    }
    return CallNextHookEx(nullptr, code, wp, lp);
}
