#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

int main(int argc, char** argv) {
    // Notes live on one apartment thread, as in the tray program.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
