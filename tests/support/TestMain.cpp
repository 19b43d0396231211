#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

int main(int argc, char** argv) {
    // Notes live on one apartment thread, as in the tray program.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    // Tests act on Wine's desktop: wait until it is up, taskbar and all.
    for (int i = 0; i < 200 && !FindWindowW(L"Shell_TrayWnd", nullptr); ++i) Sleep(50);
    Sleep(500);
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
