// A person's use of Quillpost from start to finish, with the real pointer and keyboard on
// the real tray icon and note windows; what they see, and what is still there next time.
#include "Person.h"
#include "TrayFixture.h"

#include <commctrl.h>

#include <cmath>

using namespace tray;

namespace {

HWND Other(const std::vector<HWND>& notes, HWND known) {
    for (HWND n : notes)
        if (n != known) return n;
    return nullptr;
}

// Moves a note by dragging its title bar so that its top left corner lands at the point.
void DragNoteTo(HWND note, POINT topLeft) {
    RECT rc = RectOf(note);
    POINT grab = TitleBarOf(note);
    Drag(grab, {grab.x + topLeft.x - rc.left, grab.y + topLeft.y - rc.top});
}

// How far apart the lines of a note's text stand on the screen, in pixels.
long LineHeight(HWND note) {
    HWND edit = test::FindChild(note, L"Edit");
    auto top = [&](WPARAM index) { return static_cast<short>(HIWORD(SendMessageW(edit, EM_POSFROMCHAR, index, 0))); };
    return top(static_cast<WPARAM>(SendMessageW(edit, EM_LINEINDEX, 1, 0))) - top(0);
}

// The height of a line of the note's text font (Arial 8.25 pt) drawn at percent of its size.
long LineHeightAt(long percent) {
    HDC dc = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -std::lround(8.25 * static_cast<double>(percent) / 100 * GetDeviceCaps(dc, LOGPIXELSY) / 72);
    lf.lfCharSet = RUSSIAN_CHARSET;
    lstrcpyW(lf.lfFaceName, L"Arial");
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    return metrics.tmHeight;
}

// Within a pixel: twips and pixels round a little differently on the way.
void ExpectNear(long actual, long expected, const char* what) {
    EXPECT_LE(std::abs(actual - expected), 1) << what << ": " << actual << " where " << expected << " was expected";
}

}  // namespace

class EndToEnd : public Tray {
protected:
    // Opens a note's menu with a right click on its title bar and picks the item by its
    // underlined letter.
    void NoteMenu(Qpost& q, HWND note, WORD letter) {
        RightClick(TitleBarOf(note));
        ASSERT_NE(WaitForMenu(q.pid()), nullptr) << "the note's menu did not open";
        Keys({letter});
    }

    // Types the answer into the open input box and confirms it with Enter.
    void Answer(Qpost& q, const std::wstring& caption, const std::wstring& answer) {
        HWND box = WaitForWindow(q.pid(), L"CorkbaseInputbox");
        ASSERT_NE(box, nullptr) << "no input box";
        EXPECT_EQ(test::WindowText(box), caption);
        Keys({VK_END});
        test::KeyChord({VK_SHIFT, VK_HOME});
        test::TypeText(answer);
        Keys({VK_RETURN});
        EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(box); }));
    }
};

TEST_F(EndToEnd, NewNotesAreTypedMovedSnappedAndComeBackAfterExit) {
    ASSERT_EQ(CallLibrary("DllUnregisterServer"), S_OK);
    {
        auto q = std::make_unique<Qpost>();
        auto installed = WaitForDialog(q->pid());
        ASSERT_TRUE(installed) << "the first start says it installed the library";
        EXPECT_EQ(installed->text, L"Installation complete. Click OK to proceed");
        RECT ok = RectOf(ChildWithText(installed->hwnd, L"OK"));
        test::Click({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});
        q->WaitUntilIdle();

        ASSERT_TRUE(ClickIcon(2, [&] { return q->Notes().size() == 1; })) << "a double click makes a note";
        ASSERT_EQ(q->WaitForNotes(1, 1).size(), 1u);
        HWND first = q->Notes()[0];
        ASSERT_TRUE(ClickIcon(2, [&] { return q->Notes().size() == 2; })) << "and another";
        HWND second = Other(q->WaitForNotes(2, 2), first);
        EXPECT_EQ(RectOf(first).left, 0);
        EXPECT_EQ(RectOf(first).top, 0);
        EXPECT_EQ(RectOf(second).left, test::PixelsOf(80)) << "the second note is set off the first";
        EXPECT_EQ(RectOf(second).top, test::PixelsOf(80));

        test::Click(TextOf(second));
        test::TypeText(L"milk and bread");
        EXPECT_TRUE(WaitFor([&] { return NoteText(second) == L"milk and bread"; }));

        DragNoteTo(second, {400, 300});
        ExpectNear(RectOf(second).left, 400, "dragged left");
        ExpectNear(RectOf(second).top, 300, "dragged top");

        // Let go 5 pixels right of the other note: it snaps to touch it.
        RECT other = RectOf(second);
        DragNoteTo(first, {other.right + 5, other.top + 40});
        ExpectNear(RectOf(first).left, other.right, "snapped to the note's right edge");
        ExpectNear(RectOf(first).top, other.top + 40, "top kept");

        // And 6 pixels from the screen's left edge: it snaps to the edge.
        DragNoteTo(second, {6, 300});
        EXPECT_EQ(RectOf(second).left, 0) << "snapped to the screen's edge";

        RECT firstAt = RectOf(first), secondAt = RectOf(second);
        ASSERT_TRUE(ExitByHand(*q));

        Qpost again;
        again.WaitUntilIdle();
        auto notes = again.WaitForNotes(2, 2);
        ASSERT_EQ(notes.size(), 2u);
        bool firstBack = false, secondBack = false;
        for (HWND n : notes) {
            RECT rc = RectOf(n);
            if (EqualRect(&rc, &firstAt)) firstBack = true;
            if (EqualRect(&rc, &secondAt)) {
                secondBack = true;
                EXPECT_EQ(NoteText(n), L"milk and bread");
            }
        }
        EXPECT_TRUE(firstBack) << "the first note was at " << firstAt.left << "," << firstAt.top << " to "
                               << firstAt.right << "," << firstAt.bottom;
        EXPECT_TRUE(secondBack) << "the second note was at " << secondAt.left << "," << secondAt.top << " to "
                                << secondAt.right << "," << secondAt.bottom;
    }
}

TEST_F(EndToEnd, RecolouredRetitledCollapsedSearchedDeletedFadedExportedAndKept) {
    store.Put(L"General", L"notes", L"2");
    store.Put(L"note1", L"left", L"3000");
    store.Put(L"note1", L"top", L"3000");
    store.Put(L"note1", L"text", L"apples\r\npears\r\napples");
    store.Put(L"note1", L"visible", L"-1");
    store.Put(L"note2", L"left", L"9000");
    store.Put(L"note2", L"top", L"3000");
    store.Put(L"note2", L"title", L"Old");
    store.Put(L"note2", L"visible", L"-1");
    auto q = Start();
    q->WaitUntilIdle();
    auto notes = q->WaitForNotes(2, 2);
    ASSERT_EQ(notes.size(), 2u);
    HWND shop = RectOf(notes[0]).left < RectOf(notes[1]).left ? notes[0] : notes[1];
    HWND old = Other(notes, shop);

    NoteMenu(*q, shop, 'G');
    NoteMenu(*q, shop, 'T');
    Answer(*q, L"Note Title", L"Shopping");

    long height = HeightOf(shop);
    test::Click(TitleBarOf(shop), 2);
    EXPECT_TRUE(WaitFor([&] { return HeightOf(shop) < 30; })) << "collapsed to its title bar";
    test::Click(TitleBarOf(shop), 2);
    EXPECT_TRUE(WaitFor([&] { return HeightOf(shop) == height; })) << "and back";

    // Find from the start of the text: the match at the caret is passed over.
    test::Click(TextOf(shop));
    test::KeyChord({VK_CONTROL, VK_HOME});
    test::KeyChord({VK_CONTROL, 'F'});
    Answer(*q, L"Find", L"apples");
    HWND edit = test::FindChild(shop, L"Edit");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 15u) << "the second apples is selected";
    EXPECT_EQ(end, 21u);
    Keys({VK_F3});
    auto notFound = WaitForDialog(q->pid(), L"Corkbase");
    ASSERT_TRUE(notFound) << "F3 past the last match says so";
    EXPECT_EQ(notFound->text, L"Cannot find \"apples\"");
    RECT ok = RectOf(ChildWithText(notFound->hwnd, L"OK"));
    test::Click({(ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2});

    NoteMenu(*q, old, 'D');
    ASSERT_EQ(q->WaitForNotes(1).size(), 1u) << "deleted";

    // The options: the lowest opacity and clicks through the notes.
    ASSERT_TRUE(ChooseByHand(q->pid(), {L"Options..."}));
    HWND options = WaitForWindow(q->pid(), L"QuillpostOptions");
    ASSERT_NE(options, nullptr);
    HWND slider = test::FindChild(options, L"msctls_trackbar32");
    RECT track = RectOf(slider);
    test::Click({track.left + 2, (track.top + track.bottom) / 2});
    Keys({VK_HOME, VK_TAB, VK_SPACE, VK_RETURN});
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(options); }));
    BYTE alpha = 0;
    DWORD flags = 0;
    COLORREF key = 0;
    EXPECT_TRUE(WaitFor([&] {
        GetLayeredWindowAttributes(shop, &key, &alpha, &flags);
        return alpha == 25;
    })) << "opacity "
        << int(alpha);
    EXPECT_TRUE(GetWindowLongW(shop, GWL_EXSTYLE) & WS_EX_TRANSPARENT) << "clicks go through";

    // Save As, through the real save dialog.
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"quillpost-tour.txt";
    DeleteFileW(path.c_str());
    auto saved = SaveAsByHand(*q, path);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->text, L"Successfully saved to " + path);
    Keys({VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(saved->hwnd); })) << "Enter answers the message, in front of the notes";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    EXPECT_EQ(bytes, "\r\nNote #1\r\n\r\nTitleShopping\r\n-----------\r\n\r\napples\r\npears\r\napples\r\n");

    ASSERT_TRUE(ExitByHand(*q));
    EXPECT_EQ(Stored(L"General", L"notes"), L"1");
    EXPECT_EQ(Stored(L"General", L"level"), L"25");
    EXPECT_EQ(Stored(L"General", L"clickthrough"), L"True");
    EXPECT_EQ(Stored(L"note1", L"title"), L"Shopping");
    EXPECT_EQ(Stored(L"note1", L"color"), L"8454016");
    EXPECT_EQ(Stored(L"note1", L"text"), L"apples\r\npears\r\napples");
}

TEST_F(EndToEnd, AltF4OrAnotherProgramClosingANoteOnlyHidesIt) {
    auto q = Start();
    q->WaitUntilIdle();
    ASSERT_TRUE(ClickIcon(2, [&] { return q->Notes().size() == 1; }));
    ASSERT_EQ(q->WaitForNotes(1, 1).size(), 1u);
    HWND note = q->Notes()[0];
    test::Click(TextOf(note));
    test::TypeText(L"keep me");
    ASSERT_TRUE(WaitFor([&] { return NoteText(note) == L"keep me"; }));

    ASSERT_TRUE(test::XKeyChord("alt+F4"));
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(note); })) << "Alt+F4 hides the note";
    ASSERT_TRUE(ClickIcon(1, [&] { return IsWindowVisible(note); })) << "Show All brings the same window back";

    PostMessageW(note, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(note); })) << "another program's close hides it too";
    // The hidden window that owns every note window.
    PostMessageW(GetWindow(note, GW_OWNER), WM_CLOSE, 0, 0);
    ASSERT_TRUE(ClickIcon(1, [&] { return IsWindowVisible(note); }));
    EXPECT_EQ(NoteText(note), L"keep me");

    ASSERT_TRUE(ExitByHand(*q));
    EXPECT_EQ(Stored(L"note1", L"text"), L"keep me");
    EXPECT_EQ(Stored(L"note1", L"visible"), L"-1");
}

namespace {

// A deleted note entry as a save stores it, deleted a moment ago, or seconds before that.
void PutDeleted(test::StoreContents& store, const std::wstring& position, const std::wstring& title,
                long long secondsAgo = 0) {
    FILETIME file{};
    GetSystemTimeAsFileTime(&file);
    ULARGE_INTEGER ticks{{file.dwLowDateTime, file.dwHighDateTime}};
    ticks.QuadPart -= static_cast<ULONGLONG>(secondsAgo) * 10000000;
    file = {ticks.LowPart, ticks.HighPart};
    SYSTEMTIME then{};
    FileTimeToSystemTime(&file, &then);
    wchar_t when[32];
    swprintf(when, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", then.wYear, then.wMonth, then.wDay, then.wHour, then.wMinute,
             then.wSecond);
    store.Put(L"deleted\\" + position, L"title", title);
    store.Put(L"deleted\\" + position, L"deleted", when);
}

// The button of Wine's taskbar that stands for the window, if there is one: the taskbar
// gives each button the handle of its window for its control id.
HWND TaskbarButton(HWND window) {
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    for (HWND child = FindWindowExW(taskbar, nullptr, nullptr, nullptr); child;
         child = FindWindowExW(taskbar, child, nullptr, nullptr))
        if (IsWindowVisible(child) && GetWindowLongPtrW(child, GWLP_ID) == reinterpret_cast<LONG_PTR>(window))
            return child;
    return nullptr;
}

}  // namespace

TEST_F(EndToEnd, ANoteDeletedByItsMenuComesBackFromTheNoticeAndAfterARestartFromTheSubmenu) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"Shopping");
    store.Put(L"note1", L"text", L"milk");
    store.Put(L"note1", L"left", L"1200");
    store.Put(L"note1", L"top", L"900");
    store.Put(L"note1", L"color", L"12648447");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    RECT was = RectOf(notes[0]);

    NoteMenu(*q, notes[0], 'D');
    ASSERT_TRUE(WaitFor([&] { return q->Notes().empty(); })) << "deleted at once";
    HWND notice = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        notice = FindWindowW(L"QuillpostNoteDeleted", nullptr);
        return notice && IsWindowVisible(notice);
    })) << "no notice";
    EXPECT_NE(GetForegroundWindow(), notice) << "the notice takes no focus";
    // The taskbar hears of a window a moment after it shows.
    EXPECT_FALSE(WaitFor([&] { return TaskbarButton(notice) != nullptr; }, 1000))
        << "the notice is no window to switch to: no taskbar button";
    RECT at = RectOf(notice);
    test::Click({(at.left + at.right) / 2, (at.top + at.bottom) / 2});
    auto back = q->WaitForNotes(1, 1);
    ASSERT_EQ(back.size(), 1u) << "the click brought it back";
    EXPECT_EQ(NoteText(back[0]), L"milk");
    RECT now = RectOf(back[0]);
    EXPECT_TRUE(EqualRect(&was, &now)) << "where it was";
    EXPECT_FALSE(IsWindowVisible(notice));

    NoteMenu(*q, back[0], 'D');
    ASSERT_TRUE(WaitFor([&] { return q->Notes().empty(); }));
    ASSERT_TRUE(ExitByHand(*q));
    q = Start();
    Choose(*q, {L"Deleted Notes"});  // opens the submenu on its first note
    Keys({VK_RETURN});
    auto again = q->WaitForNotes(1, 1);
    ASSERT_EQ(again.size(), 1u) << "brought back from the submenu after a restart";
    EXPECT_EQ(NoteText(again[0]), L"milk");
}

TEST_F(EndToEnd, EmptyDeletedNotesAsksAndOnlyYesRemovesTheirTextsFromTheStore) {
    PutDeleted(store, L"1", L"Shopping");
    auto q = Start();
    q->WaitUntilIdle();
    for (const wchar_t* answer : {L"No", L"Yes"}) {
        Choose(*q, {L"Deleted Notes"});
        Keys({VK_DOWN, VK_RETURN});  // past the note and the separator
        auto question = WaitForDialog(q->pid(), L"Quillpost");
        ASSERT_TRUE(question) << "no question";
        EXPECT_EQ(question->text, L"Remove the deleted notes for good?");
        Press(question->hwnd, answer);
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(question->hwnd); }));
        Sleep(500);
        EXPECT_EQ(Stored(L"deleted\\1", L"title"), answer == std::wstring(L"No") ? L"Shopping" : L"<no section>")
            << "after " << test::Narrow(answer);
    }
}

TEST_F(EndToEnd, ANoticeClickedAfterItsNoteCameBackFromTheSubmenuDoesNothing) {
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"text", L"milk");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    NoteMenu(*q, notes[0], 'D');
    HWND notice = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        notice = FindWindowW(L"QuillpostNoteDeleted", nullptr);
        return notice && IsWindowVisible(notice);
    })) << "no notice";
    Choose(*q, {L"Deleted Notes"});  // the submenu opens on the note
    Keys({VK_RETURN});
    ASSERT_EQ(q->WaitForNotes(1, 1).size(), 1u) << "back from the submenu";
    ASSERT_TRUE(IsWindowVisible(notice)) << "the notice left before the test could click it";

    RECT at = RectOf(notice);
    test::Click({(at.left + at.right) / 2, (at.top + at.bottom) / 2});
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(notice); })) << "a click hides the notice";
    EXPECT_FALSE(WaitForDialog(q->pid(), L"", 1500)) << "and says nothing";
    EXPECT_EQ(q->Notes().size(), 1u) << "and brings back nothing";
}

TEST_F(EndToEnd, OneDeletionBeyondFiftyDropsTheOldestAndAnEntryOfThirtyOneDaysAgoIsGoneAfterAStart) {
    PutDeleted(store, L"1", L"Stale", 31 * 24 * 60 * 60);
    for (int i = 1; i <= 50; ++i) PutDeleted(store, std::to_wstring(i + 1), L"Kept " + std::to_wstring(i), i);
    store.Put(L"General", L"notes", L"1");
    store.Put(L"note1", L"title", L"Newest");
    store.Put(L"note1", L"visible", L"-1");
    auto q = Start();
    auto notes = q->WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    NoteMenu(*q, notes[0], 'D');
    ASSERT_TRUE(WaitFor([&] { return q->Notes().empty(); }));
    Choose(*q, {L"Save All"});

    ASSERT_TRUE(WaitFor([&] { return Stored(L"deleted\\1", L"title") == L"Newest"; })) << "the newest on top";
    for (int i = 1; i <= 49; ++i)
        EXPECT_EQ(Stored(L"deleted\\" + std::to_wstring(i + 1), L"title"), L"Kept " + std::to_wstring(i));
    EXPECT_EQ(Stored(L"deleted\\51", L"title"), L"<no section>") << "fifty kept";
    for (const auto& [section, values] : store.Dump())
        for (const auto& [key, value] : values)
            EXPECT_TRUE(value.text != L"Stale" && value.text != L"Kept 50")
                << test::Narrow(value.text) << " left behind in " << test::Narrow(section);
}

TEST_F(EndToEnd, CtrlPlusMinusZeroAndTheWheelSizeANotesTextWhichComesBackAfterExit) {
    RECT size{};
    {
        auto q = Start();
        q->WaitUntilIdle();
        Choose(*q, {L"New"});
        auto notes = q->WaitForNotes(1, 1);
        ASSERT_EQ(notes.size(), 1u);
        HWND note = notes[0];
        test::Click(TextOf(note));
        test::TypeText(L"big");
        Keys({VK_RETURN});
        test::TypeText(L"letters");
        ASSERT_EQ(NoteText(note), L"big\r\nletters");
        ASSERT_EQ(LineHeight(note), LineHeightAt(100));
        size = RectOf(note);

        ASSERT_TRUE(test::XKeyChord("ctrl+plus"));
        ASSERT_TRUE(test::XKeyChord("ctrl+KP_Add"));
        EXPECT_TRUE(WaitFor([&] { return LineHeight(note) == LineHeightAt(125); })) << LineHeight(note);
        EXPECT_EQ(NoteText(note), L"big\r\nletters") << "the keys typed nothing";
        RECT now = RectOf(note);
        EXPECT_TRUE(EqualRect(&now, &size)) << "the note keeps its size";

        test::MoveMouse(TextOf(note));
        ASSERT_TRUE(test::XWheel(-1, "ctrl"));
        EXPECT_TRUE(WaitFor([&] { return LineHeight(note) == LineHeightAt(110); })) << "the wheel down one notch";
        ASSERT_TRUE(test::XKeyChord("ctrl+minus"));
        EXPECT_TRUE(WaitFor([&] { return LineHeight(note) == LineHeightAt(100); }));
        ASSERT_TRUE(test::XKeyChord("ctrl+KP_Subtract"));
        ASSERT_TRUE(test::XKeyChord("ctrl+0"));
        EXPECT_TRUE(WaitFor([&] { return LineHeight(note) == LineHeightAt(100); })) << "Ctrl+0 resets";
        ASSERT_TRUE(test::XKeyChord("ctrl+equal"));
        ASSERT_TRUE(test::XWheel(1, "ctrl"));
        EXPECT_TRUE(WaitFor([&] { return LineHeight(note) == LineHeightAt(125); }));
        EXPECT_EQ(NoteText(note), L"big\r\nletters");
        // Only the person zooms: a message from another program is no wheel.
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(note, WM_APP + 1, 3, 0, SMTO_BLOCK, 5000, &answer);
        EXPECT_EQ(LineHeight(note), LineHeightAt(125));
        ASSERT_TRUE(ExitByHand(*q));
    }
    EXPECT_EQ(Stored(L"note1", L"zoom"), L"125");
    Qpost again;
    again.WaitUntilIdle();
    auto notes = again.WaitForNotes(1, 1);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(LineHeight(notes[0]), LineHeightAt(125)) << "the note comes back at its size";
    RECT back = RectOf(notes[0]);
    EXPECT_TRUE(EqualRect(&back, &size));
}
