// qpost: the tray program. Everything runs on this one apartment thread.
#include <windows.h>

#include <objbase.h>

#include "Failure.h"
#include "MsgBox.h"
#include "frmIcon.h"
#include "modSysTray.h"

namespace {

// The last word on a failure nothing else handled: the person is told what failed, and
// the program ends without writing the store, which keeps the last good save.
[[noreturn]] void Stop(const std::wstring& description) {
    tk::MsgBox(nullptr,
               L"Quillpost has to stop: " + description +
                   L"\n\nYour notes have not been written in this state; the last save is kept.",
               L"Quillpost", MB_ICONSTOP);
    modSysTray::RemoveIcon();
    ExitProcess(1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything loads: no DLL named by its bare name is looked for in the working folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    try {
        qpost::frmIcon main;
        if (!main.Form_Initialize()) ExitProcess(0);
        main.hWnd();  // loads the main window: tray icon and notes
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            // A note's own Delete command runs inside a message.
            main.Deleted_Check();
        }
    } catch (const tk::Failure& e) {
        Stop(e.description());
    } catch (const std::bad_alloc&) {
        Stop(L"out of memory");
    } catch (...) {
        Stop(L"an unexpected internal error");
    }
    return 0;
}
