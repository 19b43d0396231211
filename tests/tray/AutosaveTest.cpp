// Saving on its own: every kind of change reaches the store a few seconds after it,
// so a killed program loses nothing; nothing is written when nothing changed.
#include "TrayFixture.h"

using namespace tray;

namespace {

// Longer than the quiet time plus a tick, with room for a slow machine.
constexpr DWORD Settle = 6000;

// Opens a note's menu with the right button on its title bar and presses an access key.
void NoteMenu(Qpost& q, HWND note, WORD key) {
    RECT rc = RectOf(note);
    test::MoveMouse({rc.left + 30, rc.top + 3});
    test::MouseButton(2, true);
    test::MouseButton(2, false);
    ASSERT_NE(WaitForWindow(q.pid(), L"#32768"), nullptr) << "the note's menu did not open";
    Keys({key});
}

}  // namespace

class Autosave : public Tray {
protected:
    // Kills the program without its shutdown routine, as a crash or a power cut would.
    void Crash(Qpost& q) {
        Sleep(Settle);
        HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, q.pid());
        TerminateProcess(process, 1);
        CloseHandle(process);
        EXPECT_TRUE(q.WaitForExit());
        // The taskbar drops a dead program's icon when the pointer passes over it.
        HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
        RECT bar = RectOf(taskbar);
        for (int x = 11; x <= 60; x += 7) test::MoveMouse({bar.right - x, (bar.top + bar.bottom) / 2});
    }
};

TEST_F(Autosave, ANewNoteTypingAndMovingSurviveAKill) {
    auto q = Start();
    q->TrayEvent(WM_LBUTTONDBLCLK);
    auto notes = q->WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    RECT rc = RectOf(notes[0]);
    test::Click({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    test::TypeText(L"milk");
    // Drag the note by its title bar, 40 pixels right and 30 down, well off the edges.
    test::MoveMouse({rc.left + 30, rc.top + 3});
    test::MouseButton(1, true);
    for (int i = 1; i <= 4; ++i) test::MoveMouse({rc.left + 30 + 10 * i + 150, rc.top + 3 + 8 * i + 150});
    test::MoveMouse({rc.left + 30 + 191, rc.top + 3 + 182});
    test::MoveMouse({rc.left + 30 + 190, rc.top + 3 + 182});
    test::MouseButton(1, false);
    RECT moved = RectOf(notes[0]);
    ASSERT_NE(moved.left, rc.left) << "the drag moved the note";
    Crash(*q);
    long tpp = test::TwipsPerPixel();
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
    EXPECT_EQ(Stored(L"note1", L"text"), L"milk");
    EXPECT_EQ(Stored(L"note1", L"left"), std::to_wstring(moved.left * tpp));
    EXPECT_EQ(Stored(L"note1", L"top"), std::to_wstring(moved.top * tpp));
}

TEST_F(Autosave, RecolouringRetitlingAndDeletingSurviveAKill) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"title", L"first");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note1", L"left", L"3000");
    store.Put(L"note2", L"title", L"second");
    store.Put(L"note2", L"visible", L"-1");
    store.Put(L"note2", L"left", L"9000");
    store.Put(L"note2", L"top", L"3000");
    auto q = Start();
    ASSERT_EQ(q->WaitForNotes(2, 2).size(), 2u);
    q->WaitUntilIdle();
    HWND first = nullptr, second = nullptr;
    for (HWND n : q->Notes()) (RectOf(n).left < 9000 / test::TwipsPerPixel() ? first : second) = n;
    ASSERT_TRUE(first && second);

    NoteMenu(*q, second, 'Y');
    Sleep(300);
    NoteMenu(*q, second, 'T');
    HWND dialog = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(dialog, nullptr);
    SetWindowTextW(test::FindChild(dialog, L"Edit"), L"renamed");
    Press(dialog, L"OK");
    Sleep(300);
    NoteMenu(*q, first, 'D');
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    Crash(*q);
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
    EXPECT_EQ(Stored(L"note1", L"title"), L"renamed");
    EXPECT_EQ(Stored(L"note1", L"color"), L"12648447");
}

TEST_F(Autosave, NothingIsWrittenWhenNothingChanged) {
    auto q = Start();
    q->TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    ASSERT_TRUE(WaitFor([&] { return Stored(L"General", L"notes") == L"1"; }, 10000)) << "the new note was saved";
    store.Put(L"note1", L"title", L"written by hand");
    Sleep(15000);
    EXPECT_EQ(Stored(L"note1", L"title"), L"written by hand");
    q->Kill();
}

TEST_F(Autosave, NoSaveHappensWhileADialogIsOpen) {
    auto q = Start();
    q->TrayEvent(WM_LBUTTONDBLCLK);
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u);
    Choose(*q, {L"Options..."});
    HWND options = WaitForWindow(q->pid(), L"QuillpostOptions");
    ASSERT_NE(options, nullptr);
    Sleep(Settle);
    EXPECT_EQ(Stored(L"General", L"notes"), L"<no section>") << "waits for the dialog";
    Press(options, L"Cancel");
    EXPECT_TRUE(WaitFor([&] { return Stored(L"General", L"notes") == L"1"; }, 10000)) << "then saves";
}
