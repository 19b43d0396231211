// A guided tour of Quillpost for newcomers, run by scripts/demo: notes in every colour, a
// collapsed note, the tray menu, the options dialog, the find dialog and its message, a
// note's text at 200 percent, Find in Notes and the notes it brings forward, a new note, an
// export, and a deleted note with its notice and the Deleted Notes submenu,
// each left as a picture (and the export as a file) in the folder named by QP_DEMO_OUT.
#include "Palette.h"
#include "Person.h"
#include "TrayFixture.h"

using namespace tray;

namespace {

std::wstring OutputFolder() { return test::FolderNamedBy(L"QP_DEMO_OUT"); }

void Picture(const std::wstring& name) {
    test::Pump(400);  // let everything finish painting
    ASSERT_TRUE(test::Screenshot(OutputFolder() + name + L".bmp")) << test::Narrow(name);
    std::printf("picture: %s\n", test::Narrow(name).c_str());
}

struct Sample {
    const wchar_t *title, *text;
};

}  // namespace

TEST_F(Tray, Tour) {
    ASSERT_FALSE(OutputFolder().empty()) << "QP_DEMO_OUT names the folder for the pictures";
    const Sample samples[] = {
        {L"Shopping", L"milk\r\nbread\r\napples"},
        {L"Ideas", L"a quiet garden bench\r\nletters to Anna"},
        {L"Calls", L"plumber, Tuesday\r\ndentist"},
        {L"Work", L"finish the report by Tuesday\r\nbook the train"},
        {L"Desk", L"this one takes the desktop's colour"},
    };
    // One note in each colour of the note's menu, in the menu's order.
    const size_t count = std::size(corkbase::kPalette);
    store.Put(L"General", L"notes", std::to_wstring(count));
    for (size_t i = 0; i < count; ++i) {
        std::wstring section = L"note" + std::to_wstring(i + 1);
        const Sample& sample = samples[i % std::size(samples)];
        store.Put(section, L"title", sample.title);
        store.Put(section, L"text", sample.text);
        store.Put(section, L"color", std::to_wstring(static_cast<int32_t>(corkbase::kPalette[i].value)));
        store.Put(section, L"left", std::to_wstring(900 + static_cast<int>(i % 3) * 3300));
        store.Put(section, L"top", std::to_wstring(900 + static_cast<int>(i / 3) * 2400));
        store.Put(section, L"visible", L"-1");
    }
    auto q = Start();
    q->WaitUntilIdle();
    auto notes = q->WaitForNotes(count, count);
    ASSERT_EQ(notes.size(), count);
    Picture(L"1-notes-in-each-colour");

    // The blue note, at the right of the first row, collapses to its title bar with a double click.
    HWND blue = notes[0];
    for (HWND n : notes)
        if (RectOf(n).top < RectOf(blue).top ||
            (RectOf(n).top == RectOf(blue).top && RectOf(n).left > RectOf(blue).left))
            blue = n;
    test::Click(TitleBarOf(blue), 2);
    Picture(L"2-a-collapsed-note");

    ASSERT_TRUE(RightClickIcon(q->pid()));
    Picture(L"3-the-tray-menu");
    Keys({VK_ESCAPE});

    ASSERT_TRUE(ChooseByHand(q->pid(), {L"Options..."}));
    HWND options = WaitForWindow(q->pid(), L"QuillpostOptions");
    ASSERT_NE(options, nullptr);
    Picture(L"4-the-options-dialog");
    Press(options, L"Cancel");

    HWND first = notes[0];
    for (HWND n : notes)
        if (RectOf(n).top < RectOf(first).top ||
            (RectOf(n).top == RectOf(first).top && RectOf(n).left < RectOf(first).left))
            first = n;
    test::Click(TextOf(first));
    test::KeyChord({VK_CONTROL, 'F'});
    HWND find = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(find, nullptr);
    test::TypeText(L"cheese");
    Picture(L"5-the-find-dialog-over-its-note");
    Keys({VK_RETURN});
    auto notFound = WaitForDialog(q->pid(), L"Corkbase");
    ASSERT_TRUE(notFound);
    Picture(L"6-the-find-message");
    Press(notFound->hwnd, L"OK");

    // The same note's text at 200 percent: Ctrl+= (Ctrl+Plus) five times, one step each (110, 125,
    // 150, 175, 200); the note keeps its size and the text wraps in it.
    test::Click(TextOf(first));
    test::KeyChord({VK_CONTROL, VK_HOME});  // the caret at the start: the text shows from its first line
    for (int step = 0; step < 5; ++step) ASSERT_TRUE(test::XKeyChord("ctrl+equal"));
    Picture(L"7-a-note-at-200-percent");

    // Find in Notes, from the tray menu: the collapsed blue note and the hidden "Work" note
    // both hold "Tuesday"; both come forward, unfolded, with the keyboard in the first.
    HWND work = notes[0];
    for (HWND n : notes)
        if (RectOf(n).top > RectOf(work).top ||
            (RectOf(n).top == RectOf(work).top && RectOf(n).left < RectOf(work).left))
            work = n;
    test::Click({RectOf(work).right - 4, RectOf(work).top + 4});  // its close label
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(work); }));
    ASSERT_TRUE(ChooseByHand(q->pid(), {L"Find in Notes..."}));
    HWND findAll = WaitForWindow(q->pid(), L"CorkbaseInputbox");
    ASSERT_NE(findAll, nullptr);
    test::TypeText(L"tuesday");
    Picture(L"8-find-in-notes");
    Keys({VK_RETURN});
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(work) != FALSE; }));
    Picture(L"9-the-notes-it-brought-forward");

    // A new note, as it first appears: one colour, at the top left corner.
    ASSERT_TRUE(ClickIcon(2, [&] { return q->Notes().size() == count + 1; }));
    Picture(L"10-a-new-note");

    std::wstring exported = OutputFolder() + L"notes.txt";
    DeleteFileW(exported.c_str());
    auto saved = SaveAsByHand(*q, exported);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->text, L"Successfully saved to " + exported);
    Press(saved->hwnd, L"OK");
    std::printf("export: %s\n", test::Narrow(exported).c_str());

    // Deleting a note from its menu: the notice above the tray offers it back, and the
    // tray menu lists it under Deleted Notes.
    // The second note of the first row: the new note lies over the first one's title bar.
    HWND ideas = nullptr;
    for (HWND n : notes)
        if (RectOf(n).top == RectOf(first).top && RectOf(n).left > RectOf(first).left &&
            (!ideas || RectOf(n).left < RectOf(ideas).left))
            ideas = n;
    ASSERT_NE(ideas, nullptr);
    RightClick(TitleBarOf(ideas));
    ASSERT_NE(WaitForWindow(q->pid(), L"#32768"), nullptr);
    Keys({'D'});
    ASSERT_TRUE(WaitFor([] {
        HWND notice = FindWindowW(L"QuillpostNoteDeleted", nullptr);
        return notice && IsWindowVisible(notice);
    }));
    Picture(L"11-a-deleted-note-and-its-notice");
    ASSERT_TRUE(ChooseByHand(q->pid(), {L"Deleted Notes"}));
    Picture(L"12-the-deleted-notes-submenu");
    Keys({VK_ESCAPE, VK_ESCAPE});

    EXPECT_TRUE(ExitByHand(*q));
}
