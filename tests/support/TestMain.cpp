#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>

#include "Support.h"
#include "ThrowawayPrefix.h"

namespace {

// Keeps a picture of the screen as it was at a test's first failure, beside the test
// program in screenshots\, for whoever reads the log.
class ScreenshotOnFailure : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { taken_ = false; }
    void OnTestPartResult(const testing::TestPartResult& result) override {
        if (!result.failed() || taken_) return;
        taken_ = true;
        auto* test = testing::UnitTest::GetInstance()->current_test_info();
        if (!test) return;
        wchar_t exe[MAX_PATH];
        GetModuleFileNameW(nullptr, exe, MAX_PATH);
        std::wstring folder(exe);
        folder.erase(folder.find_last_of(L'\\') + 1);
        folder += L"screenshots\\";
        CreateDirectoryW(folder.c_str(), nullptr);
        std::string name = std::string(test->test_suite_name()) + "." + test->name() + ".bmp";
        std::wstring path = folder + std::wstring(name.begin(), name.end());
        if (test::Screenshot(path)) std::printf("screenshot of the failure: %s\n", test::Narrow(path).c_str());
    }
    bool taken_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (!test::InThrowawayPrefix()) return 2;
    // Notes live on one apartment thread, as in the tray program.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
    // Tests act on Wine's desktop: wait until it is up, taskbar and all.
    for (int i = 0; i < 200 && !FindWindowW(L"Shell_TrayWnd", nullptr); ++i) Sleep(50);
    Sleep(500);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ScreenshotOnFailure);
    int result = RUN_ALL_TESTS();
    CoUninitialize();
    return result;
}
