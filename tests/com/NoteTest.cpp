// A note and its window through real COM: loading, geometry, keeping on screen,
// collapsing, text, colour, hiding, and real pointer and keyboard input.
#include <gtest/gtest.h>

#include "NoteProperty.h"
#include "Support.h"

using namespace test;
using corkbase::Read;

namespace {

long LeftOf(_Note* n) { return Read(n, &_Note::get_Left); }
long TopOf(_Note* n) { return Read(n, &_Note::get_Top); }
long WidthOf(_Note* n) { return Read(n, &_Note::get_Width); }
long HeightOf(_Note* n) { return Read(n, &_Note::get_Height); }

bool Visible(_Note* n) {
    VARIANT_BOOL v = 1;
    EXPECT_EQ(n->get_IsVisible(&v), S_OK);
    return v == VARIANT_TRUE;
}

bool Changed(_Note* n) {
    VARIANT_BOOL v = 1;
    EXPECT_EQ(n->get_IsChanged(&v), S_OK);
    return v == VARIANT_TRUE;
}

ComPtr<_Note2> Extended(_Note* n) { return ComPtr<_Note>(n).as<_Note2>(IID__Note2); }

}  // namespace

TEST(Note, NewNoteLoadsAt2500By1300AtTheOriginUnchangedAndNotYetShown) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    EXPECT_FALSE(Visible(note.get())) << "the visible flag is set but the window is not shown yet";
    EXPECT_EQ(LeftOf(note.get()), 0);
    EXPECT_EQ(TopOf(note.get()), 0);
    EXPECT_EQ(WidthOf(note.get()), 2500);
    EXPECT_EQ(HeightOf(note.get()), 1300);
    EXPECT_FALSE(Changed(note.get()));
    // On the screen once shown: a hidden window is placed when it is shown.
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    RECT rc;
    GetWindowRect(hwnd, &rc);
    long tpp = TwipsPerPixel();
    EXPECT_EQ(rc.right - rc.left, (2500 + tpp / 2) / tpp);
    EXPECT_EQ(rc.bottom - rc.top, (1300 + tpp / 2) / tpp);
}

TEST(Note, WindowIsABorderlessPopupOwnedSoItHasNoTaskbarButton) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & (WS_CAPTION | WS_THICKFRAME));
    EXPECT_NE(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_LAYERED) << "loaded windows are layered";
}

TEST(Note, GeometryReadsBackAsWrittenAndPlacesTheWindowInPixels) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->put_Left(1207), S_OK);
    ASSERT_EQ(note->put_Top(903), S_OK);
    ASSERT_EQ(note->put_Width(3001), S_OK);
    ASSERT_EQ(note->put_Height(1999), S_OK);
    EXPECT_EQ(LeftOf(note.get()), 1207) << "twips are kept, not rounded to pixels";
    EXPECT_EQ(TopOf(note.get()), 903);
    EXPECT_EQ(WidthOf(note.get()), 3001);
    EXPECT_EQ(HeightOf(note.get()), 1999);
    ASSERT_EQ(note->Show(), S_OK);
    RECT rc;
    GetWindowRect(OnlyNoteWindow(), &rc);
    long tpp = TwipsPerPixel();
    EXPECT_EQ(rc.left, (1207 + tpp / 2) / tpp);
    EXPECT_EQ(rc.top, (903 + tpp / 2) / tpp);
}

TEST(Note, ANegativeSizeIsRefusedWithADescription) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    EXPECT_TRUE(FAILED(note->put_Width(-1)));
    EXPECT_NE(LastErrorDescription().find(L"Invalid property value"), std::wstring::npos);
    EXPECT_TRUE(FAILED(note->put_Height(-100)));
    EXPECT_EQ(WidthOf(note.get()), 2500);
    EXPECT_EQ(HeightOf(note.get()), 1300);
}

TEST(Note, ShowKeepsTheNoteOnTheScreen) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    long sw = ScreenWidthTwips(), sh = ScreenHeightTwips();

    note->put_Left(sw);
    note->put_Top(500);
    ASSERT_EQ(note->Show(), S_OK);
    EXPECT_EQ(LeftOf(note.get()), sw) << "a left edge equal to the screen width stays";

    note->put_Left(sw + 1);
    note->Show();
    EXPECT_EQ(LeftOf(note.get()), sw - 2500);

    note->put_Top(sh + 10);
    note->Show();
    EXPECT_EQ(TopOf(note.get()), sh - 1300);

    note->put_Left(-300);
    note->put_Top(700);
    note->Show();
    EXPECT_EQ(LeftOf(note.get()), 0);
    EXPECT_EQ(TopOf(note.get()), 700);

    note->put_Top(-130);
    note->Show();
    EXPECT_EQ(TopOf(note.get()), -130) << "the title bar still reaches the screen";

    note->put_Top(-131);
    note->Show();
    EXPECT_EQ(TopOf(note.get()), 0) << "the title bar was wholly above the screen";
    EXPECT_TRUE(Visible(note.get()));
}

TEST(Note, HiddenNoteStaysHiddenOnShowUntilShowAll) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->Show(), S_OK);
    ASSERT_TRUE(Visible(note.get()));
    ASSERT_EQ(note->Hide(), S_OK);
    EXPECT_FALSE(Visible(note.get()));
    ASSERT_EQ(note->Show(), S_OK);
    EXPECT_FALSE(Visible(note.get())) << "Show does not set the visible flag";
    EXPECT_FALSE(IsWindowVisible(OnlyNoteWindow()));
    ASSERT_EQ(notes->ShowAll(), S_OK);
    EXPECT_TRUE(Visible(note.get()));
}

TEST(Note, CollapseTogglesToTheTitleBarAndBack) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_EQ(HeightOf(note.get()), 210);
    VARIANT_BOOL collapsed = 0;
    EXPECT_EQ(note->get_Collapsed(&collapsed), S_OK);
    EXPECT_EQ(collapsed, VARIANT_TRUE);
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_EQ(HeightOf(note.get()), 1300) << "writing toggles whatever the value";

    note->put_Height(1500);
    note->put_Collapsed(VARIANT_FALSE);
    EXPECT_EQ(HeightOf(note.get()), 210);
    note->put_Collapsed(VARIANT_FALSE);
    EXPECT_EQ(HeightOf(note.get()), 1500);
}

TEST(Note, ANoteStoredSmallCollapsesToTheSameHeightThenExpandsTo1300) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Height(210);
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_EQ(HeightOf(note.get()), 210);
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_EQ(HeightOf(note.get()), 1300);
}

TEST(Note, ACollapsedNoteResizedTallerExpandsTo1300) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Height(1500);
    note->put_Collapsed(VARIANT_TRUE);
    note->put_Height(2000);
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_EQ(HeightOf(note.get()), 1300);
}

TEST(Note, TextRoundTripsAndMarksTheNoteChanged) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    EXPECT_EQ(TextOf(note.get()), L"");
    EXPECT_FALSE(Changed(note.get())) << "loading the window clears the flag";
    std::wstring text = L"milk\r\nbread \u00e9\u4e2d\u0416\ttab";
    SetText(note.get(), text);
    EXPECT_EQ(TextOf(note.get()), text);
    EXPECT_TRUE(Changed(note.get()));

    std::wstring longText;
    while (longText.size() < 100000)
        longText += L"a long line of note text " + std::to_wstring(longText.size()) + L"\r\n";
    SetText(note.get(), longText);
    EXPECT_EQ(TextOf(note.get()), longText) << "a note's text has no length limit";
}

TEST(Note, TitleAndColourRoundTripWithoutMarkingChanged) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    auto title = MakeBstr(L"Shopping \u2014 list");
    ASSERT_EQ(note->put_Title(title.get()), S_OK);
    tk::Bstr read;
    ASSERT_EQ(note->get_Title(read.put()), S_OK);
    EXPECT_EQ(read.str(), L"Shopping \u2014 list");

    EXPECT_EQ(Read(note.get(), &_Note::get_Color), static_cast<long>(0x80000005)) << "designed window background";
    ASSERT_EQ(note->put_Color(0xC0FFFF), S_OK);
    EXPECT_EQ(Read(note.get(), &_Note::get_Color), 0xC0FFFF);
    ASSERT_EQ(note->put_Color(static_cast<long>(0x8000000F)), S_OK);
    EXPECT_EQ(Read(note.get(), &_Note::get_Color), static_cast<long>(0x8000000F)) << "system colours stay references";
    EXPECT_FALSE(Changed(note.get()));
}

TEST(Note, ATitleOfMillionsOfCharactersStaysWholeAndTheWindowTextIsCut) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->Show(), S_OK);
    // Given whole to the window system as the window's name, it would end this process.
    std::wstring huge(20'000'000, L'x');
    ASSERT_EQ(note->put_Title(MakeBstr(huge).get()), S_OK);
    Pump(200);
    tk::Bstr read;
    ASSERT_EQ(note->get_Title(read.put()), S_OK);
    EXPECT_EQ(SysStringLen(read.get()), huge.size()) << "the note keeps its whole title";
    std::wstring shown = WindowText(OnlyNoteWindow());
    EXPECT_EQ(shown, std::wstring(999, L'x') + L"\u2026") << "a window list gets its beginning";
    // A pair of surrogates is never cut in half.
    std::wstring faces;
    while (faces.size() < 2000) faces += L"\U0001F600";
    ASSERT_EQ(note->put_Title(MakeBstr(L"ab" + faces).get()), S_OK);
    EXPECT_EQ(WindowText(OnlyNoteWindow()), L"ab" + faces.substr(0, 996) + L"\u2026");
}

TEST(Note, TypingIntoTheNoteMarksItChanged) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Left(3000);
    note->put_Top(3000);
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    SetForegroundWindow(hwnd);
    Pump(100);
    RECT rc;
    GetWindowRect(hwnd, &rc);
    Click({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    TypeText(L"hello");
    EXPECT_EQ(TextOf(note.get()), L"hello");
    EXPECT_TRUE(Changed(note.get()));
}

TEST(Note, ClickingTheCloseLabelHidesTheNote) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Left(1500);
    note->put_Top(1500);
    ASSERT_EQ(note->Show(), S_OK);
    SetText(note.get(), L"kept");
    HWND hwnd = OnlyNoteWindow();
    RECT rc;
    GetWindowRect(hwnd, &rc);
    long tpp = TwipsPerPixel();
    // The close label spans the last 130 twips of the title bar row.
    Click({rc.right - 65 / tpp - 1, rc.top + 60 / tpp});
    EXPECT_FALSE(Visible(note.get()));
    EXPECT_EQ(CountOf(notes.get()), 1) << "hiding deletes nothing";
    ASSERT_EQ(notes->ShowAll(), S_OK);
    EXPECT_TRUE(Visible(note.get()));
    EXPECT_EQ(LeftOf(note.get()), 1500);
    EXPECT_EQ(TextOf(note.get()), L"kept");
}

TEST(Note, DoubleClickingTheTitleBarCollapsesAndExpands) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Left(1500);
    note->put_Top(4500);
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    RECT rc;
    GetWindowRect(hwnd, &rc);
    POINT title{rc.left + 40, rc.top + 3};
    Click(title, 2);
    EXPECT_EQ(HeightOf(note.get()), 210);
    Click(title, 2);
    EXPECT_EQ(HeightOf(note.get()), 1300);
}

TEST(Note, AStandaloneNoteCreatedByProgIdWorksWithoutACollection) {
    RegisterLibrary();
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"NoteLibrary.Note", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Note));
    ComPtr<_Note> note;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Note, reinterpret_cast<void**>(note.put())),
              S_OK);
    ComPtr<_Notes> parent;
    EXPECT_EQ(note->get_Parent(parent.put()), S_OK);
    EXPECT_FALSE(parent);
    EXPECT_EQ(Read(note.get(), &_Note::get_NoteID), 0);
    EXPECT_EQ(WidthOf(note.get()), 2500);
    VARIANT_BOOL top = 1;
    ASSERT_EQ(note->put_OnTop(VARIANT_TRUE), S_OK);
    ASSERT_EQ(note->get_OnTop(&top), S_OK);
    EXPECT_EQ(top, VARIANT_TRUE);
}

TEST(Note, ShowingANoteAgainCallsOffAnotherProgramsCloseThatWaitsToHideIt) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    ASSERT_EQ(note->Show(), S_OK);
    HWND window = OnlyNoteWindow();
    PostMessageW(window, WM_CLOSE, 0, 0);
    Pump(50);
    ASSERT_TRUE(IsWindowVisible(window)) << "another program's close waits a moment";
    VARIANT_BOOL visible = VARIANT_FALSE;
    DWORD start = GetTickCount();
    do Pump(50);
    while (note->get_IsVisible(&visible) == S_OK && visible && GetTickCount() - start < 10000);
    ASSERT_FALSE(visible) << "and then hides the note";

    for (bool all : {false, true}) {
        ASSERT_EQ(notes->ShowAll(), S_OK);
        PostMessageW(window, WM_CLOSE, 0, 0);
        Pump(50);
        ASSERT_EQ(all ? notes->ShowAll() : note->Show(), S_OK);
        Pump(2500);  // past the moment the close would have hidden it
        EXPECT_TRUE(IsWindowVisible(window)) << (all ? "Show All" : "Show") << " called the close off";
    }
}

TEST(Note, ZoomKeepsTheTextItsSelectionTheWindowsSizeAndTheChangedFlag) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    auto zoom = Extended(note.get());
    ASSERT_TRUE(zoom) << "the note serves _Note2";
    EXPECT_EQ(Read(note.get(), &_Note2::get_Zoom), 100);
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    ASSERT_EQ(zoom->put_Zoom(125), S_OK);
    EXPECT_FALSE(Changed(note.get())) << "the text's size is no edit of the text";

    SetText(note.get(), L"one two three four five six seven eight nine ten");
    SendMessageW(FindChild(hwnd, L"Edit"), EM_SETSEL, 4, 7);
    RECT before{}, after{};
    GetWindowRect(hwnd, &before);
    ASSERT_EQ(zoom->put_Zoom(400), S_OK);
    EXPECT_EQ(Read(note.get(), &_Note2::get_Zoom), 400);
    DWORD start = 0, end = 0;
    SendMessageW(FindChild(hwnd, L"Edit"), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 4u);
    EXPECT_EQ(end, 7u);
    EXPECT_EQ(TextOf(note.get()), L"one two three four five six seven eight nine ten");
    GetWindowRect(hwnd, &after);
    EXPECT_TRUE(EqualRect(&before, &after)) << "the window keeps its size";

    EXPECT_EQ(zoom->put_Zoom(99), E_INVALIDARG);
    EXPECT_EQ(Read(note.get(), &_Note2::get_Zoom), 400) << "a refused size changes nothing";
}

TEST(Note, ANote300TwipsTallShowsItsTextAndTakesTypingWhileOneBelow270DoesNot) {
    auto notes = NewNotes();
    auto note = AddNote(notes.get());
    note->put_Left(3000);
    note->put_Top(3000);
    note->put_Height(300);
    ASSERT_EQ(note->Show(), S_OK);
    HWND hwnd = OnlyNoteWindow();
    HWND edit = FindChild(hwnd, L"Edit");
    EXPECT_TRUE(IsWindowVisible(edit));
    SetForegroundWindow(hwnd);
    Pump(100);
    RECT rc;
    GetWindowRect(edit, &rc);
    Click({(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2});
    TypeText(L"tall enough");
    EXPECT_EQ(TextOf(note.get()), L"tall enough");

    note->put_Height(269);
    EXPECT_FALSE(IsWindowVisible(edit));
    note->put_Height(270);
    EXPECT_TRUE(IsWindowVisible(edit));
    note->put_Collapsed(VARIANT_TRUE);
    EXPECT_FALSE(IsWindowVisible(edit)) << "collapsed to its title bar";
}
