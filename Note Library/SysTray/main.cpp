// qpost: the tray program. Everything runs on this one apartment thread.
#include <windows.h>

#include <objbase.h>

#include "frmIcon.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    qpost::frmIcon main;
    if (!main.Form_Initialize()) ExitProcess(0);
    main.hWnd();  // loads the main window: tray icon and notes
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
