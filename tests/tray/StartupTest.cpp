// Start-up, the single instance, self-registration, a store that cannot be loaded, and
// every orderly end saving the notes.
#include "TrayFixture.h"

using namespace tray;

TEST_F(Tray, FirstStartRegistersTheLibraryAndSaysSoOnce) {
    ASSERT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
    {
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        EXPECT_EQ(message->caption, L"Quillpost");
        EXPECT_EQ(message->text, L"Installation complete. Click OK to proceed");
        Press(message->hwnd, L"OK");
        EXPECT_NE(q.MainWindow(), nullptr) << "start-up goes on";
        q.Kill();
    }
    Qpost again;
    EXPECT_NE(again.MainWindow(), nullptr);
    EXPECT_FALSE(WaitForDialog(again.pid(), L"", 1500)) << "no message once registered";
}

TEST_F(Tray, ASecondCopyIsRefusedAndTheFirstRunsOn) {
    auto first = Start();
    Qpost second;
    auto message = WaitForDialog(second.pid());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->caption, L"Quillpost");
    EXPECT_EQ(message->text, L"Another copy of Quillpost is running");
    Press(message->hwnd, L"OK");
    EXPECT_TRUE(second.WaitForExit());
    EXPECT_TRUE(first->Running());
}

TEST_F(Tray, WithoutItsLibraryTheProgramSaysSoAndEnds) {
    ASSERT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
    // The program alone in a folder of its own.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"qpost-alone\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((BinFolder() + L"qpost.exe").c_str(), (folder + L"qpost.exe").c_str(), FALSE));
    {
        Qpost q(folder + L"qpost.exe");
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        EXPECT_EQ(message->caption, L"Quillpost");
        EXPECT_EQ(message->text,
                  L"Error registering Corkbase2.DLL. Please throw program away, or bother to download the complete "
                  L"package ;)");
        EXPECT_EQ(q.MainWindow(500), nullptr) << "no tray icon before the message";
        Press(message->hwnd, L"OK");
        EXPECT_TRUE(q.WaitForExit());
    }
    DeleteFileW((folder + L"qpost.exe").c_str());
    RemoveDirectoryW(folder.c_str());
    ASSERT_EQ(CallLibrary("DllRegisterServer"), S_OK);
}

TEST_F(Tray, AStoreThatCannotBeLoadedStopsStartUpAndStaysUntouched) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"title", L"kept");
    store.Put(L"note2", L"left", L"abc");
    auto before = store.Dump();
    Qpost q;
    auto message = WaitForDialog(q.pid());
    ASSERT_TRUE(message);
    EXPECT_EQ(message->caption, L"Quillpost");
    EXPECT_NE(message->text.find(L"note2/left: \"abc\" is not a number"), std::wstring::npos);
    EXPECT_NE(message->text.find(L"changed nothing"), std::wstring::npos);
    Press(message->hwnd, L"OK");
    EXPECT_TRUE(q.WaitForExit());
    EXPECT_EQ(store.Dump(), before);
}

TEST_F(Tray, WhileTheCouldNotLoadMessageIsOpenNothingSavesTheHalfLoadedNotes) {
    // A suspend, closing the program and the session's end each reach a save elsewhere.
    const std::vector<std::pair<const char*, std::pair<UINT, WPARAM>>> ends{
        {"suspend, then OK", {WM_POWERBROADCAST, PBT_APMSUSPEND}},
        {"close", {WM_CLOSE, 0}},
        {"end of session", {WM_ENDSESSION, TRUE}},
    };
    for (auto& [name, message] : ends) {
        SCOPED_TRACE(name);
        store.Clear();
        store.Put(L"General", L"notes", L"2");
        store.Put(L"note1", L"text", L"kept");
        store.Put(L"note2", L"left", L"abc");
        auto before = store.Dump();
        Qpost q;
        auto shown = WaitForDialog(q.pid());
        ASSERT_TRUE(shown);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(q.MainWindow(), message.first, message.second, 0, SMTO_BLOCK, 5000, &answer);
        if (message.first == WM_POWERBROADCAST) {
            EXPECT_TRUE(q.Running());
            Press(shown->hwnd, L"OK");
        }
        EXPECT_TRUE(q.WaitForExit());
        EXPECT_EQ(store.Dump(), before);
    }
}

TEST_F(Tray, EachCorruptStoredNumberIsNamedAtStartUpAndTheStoreStaysUntouched) {
    struct Case {
        const wchar_t *section, *key;
        std::wstring value;  // empty with dword: a value that is not text
        bool dword = false;
    };
    const std::vector<Case> cases{
        {L"General", L"notes", L"many"},
        {L"General", L"level", L"99999999999"},
        {L"General", L"clickthrough", L""},
        {L"note1", L"left", std::wstring(100 * 1024, L'4')},
        {L"note1", L"top", L"", true},
        {L"note1", L"width", L"-2500"},
        {L"note1", L"height", L"1.5e3"},
        {L"note1", L"color", L"-99999999999"},
        // Loads as a number, but a window cannot give it back as one.
        {L"note1", L"left", L"2147483600"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(test::Narrow(std::wstring(c.section) + L"/" + c.key));
        store.Clear();
        store.Put(L"General", L"notes", L"1");
        store.Put(L"note1", L"text", L"kept");
        if (c.dword)
            store.PutDword(c.section, c.key, 7);
        else
            store.Put(c.section, c.key, c.value);
        auto before = store.Dump();
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        EXPECT_NE(message->text.find(std::wstring(c.section) + L"/" + c.key + L": "), std::wstring::npos)
            << test::Narrow(message->text);
        EXPECT_LT(message->text.size(), 400u) << "a long value is shortened";
        Press(message->hwnd, L"OK");
        EXPECT_TRUE(q.WaitForExit());
        EXPECT_EQ(store.Dump(), before);
    }
}

TEST_F(Tray, ExitSavesEvenANewEmptyUntitledNote) {
    auto q = Start();
    q->TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    Choose(*q, {L"E&xit"});
    EXPECT_TRUE(q->WaitForExit());
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
    EXPECT_EQ(Stored(L"note1", L"title"), L"");
    EXPECT_EQ(Stored(L"note1", L"text"), L"");
    EXPECT_EQ(Stored(L"note1", L"left"), L"0");
    EXPECT_EQ(Stored(L"note1", L"visible"), L"-1");
}

TEST_F(Tray, LoggingOffSavesAndEnds) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"stays");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    store.Clear();
    HWND main = q->MainWindow();
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(main, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << "the program lets the session end";
    SendMessageTimeoutW(main, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 5000, &answer);
    EXPECT_TRUE(q->WaitForExit());
    EXPECT_EQ(Stored(L"note1", L"title"), L"stays");
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
}

TEST_F(Tray, StartUpLoadsTheStoredNotesShownOrHidden) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note1", L"left", L"1500");
    store.Put(L"note2", L"visible", L"0");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2, 1).size(), 2u);
    HWND shown = q->OnlyVisibleNote();
    ASSERT_NE(shown, nullptr) << "one shown, one hidden";
    RECT rc;
    GetWindowRect(shown, &rc);
    EXPECT_EQ(rc.left, 1500 / test::TwipsPerPixel());
}

TEST_F(Tray, EndTaskSavesEveryNoteAsItWasAndEnds) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"title", L"shown");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note1", L"left", L"1500");
    store.Put(L"note2", L"title", L"hidden");
    store.Put(L"note2", L"visible", L"0");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2, 1).size(), 2u);
    q->WaitUntilIdle();
    store.Clear();
    // Without /F, taskkill asks each top-level window of the program to close, as End task does.
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"taskkill.exe /IM qpost.exe";
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_TRUE(q->WaitForExit());
    EXPECT_EQ(Stored(L"General", L"notes"), L"2");
    EXPECT_EQ(Stored(L"note1", L"title"), L"shown");
    EXPECT_EQ(Stored(L"note1", L"visible"), L"-1") << "closing the notes' windows on the way hid none of them";
    EXPECT_EQ(Stored(L"note1", L"left"), L"1500");
    EXPECT_EQ(Stored(L"note2", L"title"), L"hidden");
    EXPECT_EQ(Stored(L"note2", L"visible"), L"0");
}

TEST_F(Tray, ChangesAreSavedBeforeTheSystemSleeps) {
    auto q = Start();
    q->TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    // At once: saving on its own would wait for the notes to stay unchanged a while.
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(q->MainWindow(), WM_POWERBROADCAST, PBT_APMSUSPEND, 0, SMTO_BLOCK, 5000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
    EXPECT_TRUE(q->Running());
}

TEST_F(Tray, ALibraryRegisteredFromAnotherFolderIsReplacedByTheOneBesideQpost) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"quillpost-elsewhere", copy = folder + L"\\Corkbase2.dll";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(test::LibraryPath().c_str(), copy.c_str(), FALSE));
    {
        tk::UniqueModule elsewhere(LoadLibraryW(copy.c_str()));
        auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(elsewhere.get(), "DllRegisterServer")));
        ASSERT_TRUE(entry);
        ASSERT_EQ(entry(), S_OK);
    }
    {
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message) << "creatable, but from another file: qpost registers its own";
        EXPECT_EQ(message->text, L"Installation complete. Click OK to proceed");
        Press(message->hwnd, L"OK");
        EXPECT_NE(q.MainWindow(), nullptr);
        q.Kill();
    }
    DeleteFileW(copy.c_str());
    RemoveDirectoryW(folder.c_str());
    wchar_t clsid[40];
    StringFromGUID2(CLSID_Notes, clsid, 40);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + std::wstring(clsid) + L"\\InprocServer32").c_str(), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    wchar_t registered[1024] = {};
    DWORD size = sizeof(registered);
    RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(registered), &size);
    RegCloseKey(key);
    EXPECT_EQ(std::wstring(registered), test::LibraryPath());
}

TEST_F(Tray, AnInstanceCheckThatFailsIsNotTakenForNoOtherCopy) {
    // An object of another kind under the mutex's name makes the check itself fail.
    tk::UniqueHandle squatter(CreateEventW(nullptr, FALSE, FALSE, L"Local\\Quillpost.qpost"));
    ASSERT_TRUE(squatter);
    Qpost q;
    auto message = WaitForDialog(q.pid(), L"Quillpost");
    ASSERT_TRUE(message);
    EXPECT_EQ(message->text.rfind(L"Quillpost cannot tell whether another copy is running: ", 0), 0u)
        << test::Narrow(message->text);
    Press(message->hwnd, L"OK");
    EXPECT_TRUE(q.WaitForExit()) << "and it does not start";
    EXPECT_EQ(q.MainWindow(0), nullptr);
}
