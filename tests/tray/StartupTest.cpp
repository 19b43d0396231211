// Start-up, the single instance, self-registration, a store that cannot be loaded, and
// every orderly end saving the notes.
#include "TrayFixture.h"

using namespace tray;

namespace {

// The messages that reach a save elsewhere: a suspend, closing the program, the session's end.
const std::vector<std::pair<const char*, std::pair<UINT, WPARAM>>> kWaysOut{
    {"suspend", {WM_POWERBROADCAST, PBT_APMSUSPEND}},
    {"close", {WM_CLOSE, 0}},
    {"end of session", {WM_ENDSESSION, TRUE}},
};

}  // namespace

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

TEST_F(Tray, AnUnreadableUnfinishedSaveOffersStartingWithTheSectionsAndKeepsTheRecord) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"text", L"first");
    store.Put(L"note2", L"text", L"second");
    store.Put(L"General", L"saving", L"3:255");
    auto before = store.Dump();
    {
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        EXPECT_NE(message->text.find(L"General/saving"), std::wstring::npos) << test::Narrow(message->text);
        EXPECT_NE(message->text.find(L"changed nothing"), std::wstring::npos);
        EXPECT_EQ(message->text.find(L"remove"), std::wstring::npos) << "no advice to remove the record";
        Press(message->hwnd, L"No");
        EXPECT_TRUE(q.WaitForExit());
        EXPECT_EQ(store.Dump(), before) << "No ends with nothing changed";
    }
    auto moved = before;
    moved[L"General"][L"saving unreadable"] = moved[L"General"][L"saving"];
    moved[L"General"].erase(L"saving");
    {
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        Press(message->hwnd, L"Yes");
        EXPECT_EQ(q.WaitForNotes(2).size(), 2u) << "Yes starts with the notes the sections hold";
        EXPECT_EQ(store.Dump(), moved) << "the record is kept under a name of its own";
        q.Kill();
    }
    // Another such record finds that name taken and takes the next.
    store.Put(L"General", L"saving", L"x");
    {
        Qpost q;
        auto message = WaitForDialog(q.pid());
        ASSERT_TRUE(message);
        Press(message->hwnd, L"Yes");
        EXPECT_EQ(q.WaitForNotes(2).size(), 2u);
        auto general = store.Dump()[L"General"];
        EXPECT_EQ(general.count(L"saving"), 0u);
        EXPECT_EQ(general[L"saving unreadable"].text, L"3:255");
        EXPECT_EQ(general[L"saving unreadable 2"].text, L"x");
    }
    // Sections that cannot be loaded either: the message says what was set aside, and
    // nothing else changes.
    store.Put(L"General", L"saving", L"y");
    store.Put(L"note2", L"left", L"abc");
    moved = store.Dump();
    moved[L"General"][L"saving unreadable 3"] = moved[L"General"][L"saving"];
    moved[L"General"].erase(L"saving");
    Qpost q;
    auto message = WaitForDialog(q.pid());
    ASSERT_TRUE(message);
    Press(message->hwnd, L"Yes");
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(message->hwnd); }));
    auto failed = WaitForDialog(q.pid());
    ASSERT_TRUE(failed);
    EXPECT_NE(failed->text.find(L"note2/left"), std::wstring::npos) << test::Narrow(failed->text);
    EXPECT_NE(failed->text.find(L"changed nothing but keeping the unfinished save as General/\"saving unreadable 3\""),
              std::wstring::npos)
        << test::Narrow(failed->text);
    Press(failed->hwnd, L"OK");
    EXPECT_TRUE(q.WaitForExit());
    EXPECT_EQ(store.Dump(), moved);
}

TEST_F(Tray, WhileTheCouldNotLoadMessageIsOpenNothingSavesTheHalfLoadedNotes) {
    for (auto& [name, message] : kWaysOut) {
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

TEST_F(Tray, WhileTheNotesLoadNoWayOutSavesPartOfThem) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring dll(exe);
    dll.replace(dll.find_last_of(L'\\') + 1, std::wstring::npos, L"ReaderHook.dll");
    tk::UniqueModule module(LoadLibraryW(dll.c_str()));
    ASSERT_TRUE(module);
    auto proc = reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module.get(), "ReaderHook_Cbt")));
    ASSERT_TRUE(proc);
    for (auto& [name, message] : kWaysOut) {
        SCOPED_TRACE(name);
        store.Clear();
        store.Put(L"General", L"notes", L"3");
        store.Put(L"note1", L"text", L"one");
        store.Put(L"note1", L"visible", L"-1");
        store.Put(L"note2", L"title", L"two");
        store.Put(L"note3", L"title", L"three");
        auto before = store.Dump();
        HHOOK hook = SetWindowsHookExW(WH_CBT, proc, module.get(), 0);
        ASSERT_NE(hook, nullptr);
        Qpost q;
        // The first note is loaded and shown, the others not yet.
        auto inside = WaitForDialog(q.pid(), L"Inside the load");
        UnhookWindowsHookEx(hook);
        ASSERT_TRUE(inside);
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(q.MainWindow(), message.first, message.second, 0, SMTO_BLOCK, 5000, &answer);
        if (message.first == WM_POWERBROADCAST) {
            EXPECT_EQ(store.Dump(), before);
            Press(inside->hwnd, L"OK");
            EXPECT_EQ(q.WaitForNotes(3).size(), 3u) << "the load goes on";
            continue;
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
        // Read as no notes, the exit save would write over note1.
        {L"General", L"notes", L"-1"},
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

TEST_F(Tray, MessagesFromAnotherProgramAreInputAndNeverPointers) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"kept");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    q->WaitUntilIdle();
    HWND owner = FindWindowW(L"CorkbaseNoteOwner", nullptr);
    ASSERT_NE(owner, nullptr);
    // The owner's deferred release, a note's close timer, the main window's save timer and
    // a form's focus hand-over, each with values that point nowhere.
    PostMessageW(owner, WM_APP + 1, 0, 0);
    PostMessageW(owner, WM_APP + 1, 0x1234, 0x12345678);
    PostMessageW(notes.front(), WM_TIMER, 1, 0);
    PostMessageW(q->MainWindow(), WM_TIMER, 1, 0);
    PostMessageW(q->MainWindow(), WM_TIMER, 7, 0x12345678);  // a timer routine that is not there
    PostMessageW(notes.front(), RegisterWindowMessageW(L"QuillpostFormFocus"), 1, 0x12345678);
    // A window's first message, sent to one made long ago, names a form that is not there.
    CREATESTRUCTW create{};
    create.lpCreateParams = reinterpret_cast<void*>(0x12345678);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(notes.front(), WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&create), SMTO_BLOCK, 5000, &answer);
    Sleep(1500);
    ASSERT_TRUE(q->Running());
    EXPECT_TRUE(IsWindowVisible(notes.front())) << "a timer message it did not set hides no note";
    PostMessageW(q->MainWindow(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(q->WaitForExit());
    EXPECT_EQ(Stored(L"note1", L"title"), L"kept");
    EXPECT_EQ(Stored(L"note1", L"visible"), L"-1");
}
