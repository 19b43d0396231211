// Notes driven by real pointer and keyboard input: dragging with capture, grips, the
// context menu and its colours, the title dialog, delete, and find.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "Note.h"
#include "Notes.h"
#include "Palette.h"
#include "Snapping.h"
#include "Support.h"

using corkbase::frmNote;
using test::Answer;

namespace {

struct Board {
    tk::ComPtr<corkbase::Notes> notes = corkbase::Notes::Create();
    std::vector<tk::ComPtr<_Note>> held;

    frmNote& Add(float left, float top) {
        tk::ComPtr<_Note> n;
        notes->AddNote(n.put());
        n->put_Left(static_cast<long>(left));
        n->put_Top(static_cast<long>(top));
        n->Show();
        held.push_back(n);
        test::Pump(50);
        return static_cast<corkbase::Note*>(n.get())->Window();
    }
};

POINT ScreenPoint(frmNote& w, float x, float y) { return {test::PixelsOf(w.Left() + x), test::PixelsOf(w.Top() + y)}; }

void Drag(int button, POINT from, POINT to, int steps = 4) {
    test::MoveMouse(from);
    test::MouseButton(button, true);
    test::Pump(80);
    for (int i = 1; i <= steps; ++i)
        test::MoveMouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    // Wine sometimes delivers no move for the last step of quick synthetic moves; a hand
    // resting on the mouse wobbles, which a one-pixel move out and back reproduces.
    test::MoveMouse({to.x + 1, to.y});
    test::MoveMouse(to);
    test::Pump(80);
}

// Presses the menu's access key once the menu is open.
std::wstring PickFromMenu(HWND, wchar_t key) {
    test::KeyChord({static_cast<WORD>(key)});
    return L"picked";
}

}  // namespace

TEST(Interaction, DraggingTheTitleBarMovesTheNoteEvenWhenThePointerLeavesIt) {
    Board board;
    frmNote& w = board.Add(4500, 4500);
    POINT press = ScreenPoint(w, 300, 60);
    // Far enough that the pointer leaves the title bar after the first step.
    Drag(1, press, {press.x + 60, press.y + 80});
    test::MouseButton(1, false);
    long tpp = test::TwipsPerPixel();
    EXPECT_EQ(w.Left(), 4500 + 60 * tpp);
    EXPECT_EQ(w.Top(), 4500 + 80 * tpp);
    EXPECT_FALSE(w.Dragging);
}

TEST(Interaction, ALeftReleaseNearTheScreenEdgeSnapsARightDragOpensTheMenuInstead) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    long tpp = test::TwipsPerPixel();
    POINT press = ScreenPoint(w, 300, 60);
    // Ends 100 twips from the left edge of the screen.
    POINT to{press.x - (3000 - 105) / tpp, press.y};
    {
        Answer menu(L"#32768", nullptr, [](HWND hwnd) { return PickFromMenu(hwnd, VK_ESCAPE); });
        Drag(2, press, to);
        test::MouseButton(2, false);
        EXPECT_EQ(menu.Result(), L"picked") << "the menu opened";
    }
    EXPECT_GT(w.Left(), 0) << "a right release does not snap";
    EXPECT_LT(w.Left(), corkbase::SnapDistance);

    Drag(1, ScreenPoint(w, 300, 60), ScreenPoint(w, 300, 60));
    test::MouseButton(1, false);
    EXPECT_EQ(w.Left(), 0) << "a left release does";
}

TEST(Interaction, ARepaintInMidDragStopsTheNoteFollowingButTheReleaseStillSnaps) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    long tpp = test::TwipsPerPixel();
    POINT press = ScreenPoint(w, 300, 60);
    Drag(1, press, {press.x - 20, press.y});
    EXPECT_EQ(w.Left(), 3000 - 20 * tpp);
    RedrawWindow(w.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    test::MoveMouse({press.x - 200, press.y});
    EXPECT_EQ(w.Left(), 3000 - 20 * tpp) << "moves do nothing after the repaint";
    w.SetLeft(120);
    test::MouseButton(1, false);
    EXPECT_EQ(w.Left(), 0);
}

TEST(Interaction, AGripKeepsThePointerUntilReleaseAndGivesTheTextTheFocus) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    long tpp = test::TwipsPerPixel();
    POINT grip = ScreenPoint(w, w.Width() - 25, 600);
    Drag(1, grip, {grip.x + 40, grip.y + 200});  // far outside the grip
    test::MouseButton(1, false);
    // The grip's left edge jumps to the pointer, pressed 25 twips into the grip.
    EXPECT_EQ(w.Width(), 2500 + 25 + 40 * tpp);
    EXPECT_EQ(w.GripMode, 0);
    EXPECT_EQ(GetFocus(), w.txtNote.hWnd());

    POINT bottom = ScreenPoint(w, 600, w.Height() - 25);
    Drag(1, bottom, {bottom.x, bottom.y + 30});
    test::MouseButton(1, false);
    EXPECT_EQ(w.Height(), 1300 + 25 + 30 * tpp);
}

TEST(Interaction, TypingRightAfterNotesAreBroughtForwardInARowGoesIntoTheLastOnesText) {
    Board board;
    frmNote& a = board.Add(3000, 3000);
    frmNote& b = board.Add(6000, 3000);
    SetForegroundWindow(a.hWnd());
    SetForegroundWindow(b.hWnd());
    test::TypeText(L"xy");
    test::Pump(100);
    EXPECT_EQ(GetFocus(), b.txtNote.hWnd());
    EXPECT_EQ(b.txtNote.Text(), L"xy");
    EXPECT_EQ(a.txtNote.Text(), L"");
}

TEST(Interaction, TheLastNoteBroughtForwardGetsTheFocusEvenWhenTheFirstIsDeletedMeanwhile) {
    Board board;
    board.Add(3000, 3000);
    frmNote& b = board.Add(6000, 3000);
    frmNote& a = static_cast<corkbase::Note*>(board.held[0].get())->Window();
    // No message is handled between these: the focus is handed on afterwards.
    SetForegroundWindow(a.hWnd());
    SetForegroundWindow(b.hWnd());
    ASSERT_EQ(board.held[0]->Delete(), S_OK);
    board.held[0] = nullptr;  // the first note's window goes with it
    test::Pump(100);
    EXPECT_EQ(GetFocus(), b.txtNote.hWnd());
}

TEST(Interaction, EachColourOfTheMenuPaintsTheNote) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    // The five colours notes have always had come first, whatever is added after them.
    const std::vector<std::pair<wchar_t, tk::OleColor>> kept{
        {L'Y', 0x00C0FFFF}, {L'G', 0x0080FF80}, {L'B', 0x00FFFF80}, {L'F', 0x8000000F}, {L'A', 0x80000001}};
    ASSERT_GE(std::size(corkbase::kPalette), kept.size());
    for (size_t i = 0; i < kept.size(); ++i) {
        EXPECT_EQ(corkbase::kPalette[i].accessKey, kept[i].first) << i;
        EXPECT_EQ(corkbase::kPalette[i].value, kept[i].second) << i;
    }
    for (const corkbase::PaletteColour& entry : corkbase::kPalette) {
        wchar_t key = entry.accessKey;
        tk::OleColor colour = entry.value;
        POINT title = ScreenPoint(w, 300, 60);
        test::MoveMouse(title);
        Answer menu(L"#32768", nullptr, [key](HWND hwnd) { return PickFromMenu(hwnd, key); });
        test::MouseButton(2, true);
        test::MouseButton(2, false);
        menu.Result();
        test::Pump(50);
        EXPECT_EQ(w.BackColor(), colour);
        EXPECT_EQ(w.txtNote.BackColor(), colour);
        EXPECT_EQ(w.Picture3.BackColor(), colour);
    }
    VARIANT_BOOL changed = VARIANT_TRUE;
    board.notes->get_IsChanged(&changed);
    EXPECT_EQ(changed, VARIANT_FALSE) << "recolouring is no edit";
}

namespace {

// Opens the note's menu with the middle button, chooses Title, and answers the dialog.
std::wstring Retitle(frmNote& w, std::function<std::wstring(HWND)> answer) {
    test::MoveMouse(ScreenPoint(w, 300, 60));
    Answer dialog(L"CorkbaseInputbox", L"Note Title", answer);
    Answer menu(L"#32768", nullptr, [](HWND hwnd) { return PickFromMenu(hwnd, L'T'); });
    test::MouseButton(4, true);
    test::MouseButton(4, false);
    menu.Result();
    return dialog.Result();
}

}  // namespace

TEST(Interaction, TheTitleDialogStartsWithTheTitleAndOkSetsEvenAnEmptyOne) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    w.lbTitleBar.SetCaption(L"Shopping");
    std::wstring seen = Retitle(w, [](HWND dialog) {
        HWND edit = test::FindChild(dialog, L"Edit");
        std::wstring text = test::WindowText(edit);
        SetWindowTextW(edit, L"Errands");
        PostMessageW(test::FindChild(dialog, L"Button", L"Cancel"), BM_CLICK, 0, 0);
        return text;
    });
    EXPECT_EQ(seen, L"Shopping");
    EXPECT_EQ(w.lbTitleBar.Caption(), L"Shopping") << "Cancel keeps the title";

    Retitle(w, [](HWND dialog) {
        SetWindowTextW(test::FindChild(dialog, L"Edit"), L"Errands");
        PostMessageW(dialog, WM_CLOSE, 0, 0);
        return L"closed";
    });
    EXPECT_EQ(w.lbTitleBar.Caption(), L"Shopping") << "closing keeps the title";

    Retitle(w, [](HWND dialog) {
        SetWindowTextW(test::FindChild(dialog, L"Edit"), L"");
        PostMessageW(test::FindChild(dialog, L"Button", L"OK"), BM_CLICK, 0, 0);
        return L"ok";
    });
    EXPECT_EQ(w.lbTitleBar.Caption(), L"") << "OK sets an empty title";
}

TEST(Interaction, TheTitleDialogOpensCentredOverItsNoteAndWholeOnTheWorkArea) {
    Board board;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    long tpp = test::TwipsPerPixel();
    // In the middle of the screen, and in its bottom right corner.
    for (POINT at : {POINT{400, 300}, POINT{work.right - 100, work.bottom - 40}}) {
        frmNote& w = board.Add(static_cast<float>(at.x * tpp), static_cast<float>(at.y * tpp));
        w.Show();
        RECT note{};
        GetWindowRect(w.hWnd(), &note);
        std::wstring placed = Retitle(w, [](HWND dialog) {
            RECT rc{};
            GetWindowRect(dialog, &rc);
            PostMessageW(test::FindChild(dialog, L"Button", L"Cancel"), BM_CLICK, 0, 0);
            return std::to_wstring(rc.left) + L" " + std::to_wstring(rc.top) + L" " + std::to_wstring(rc.right) + L" " +
                   std::to_wstring(rc.bottom);
        });
        RECT dialog{};
        ASSERT_EQ(swscanf(placed.c_str(), L"%ld %ld %ld %ld", &dialog.left, &dialog.top, &dialog.right, &dialog.bottom),
                  4)
            << test::Narrow(placed);
        EXPECT_GE(dialog.left, work.left);
        EXPECT_GE(dialog.top, work.top);
        EXPECT_LE(dialog.right, work.right) << "whole on the work area";
        EXPECT_LE(dialog.bottom, work.bottom);
        if (at.x == 400) {
            EXPECT_LE(std::abs((dialog.left + dialog.right) - (note.left + note.right)), 2) << "centred across";
            EXPECT_LE(std::abs((dialog.top + dialog.bottom) - (note.top + note.bottom)), 2) << "centred down";
        }
    }
}

TEST(Interaction, DeletingTheFirstOfThreeNotesRenumbersTheOthers) {
    Board board;
    frmNote& first = board.Add(3000, 3000);
    board.Add(6000, 3000);
    board.Add(9000, 3000);
    HWND closed = first.hWnd();
    test::MoveMouse(ScreenPoint(first, 300, 60));
    Answer menu(L"#32768", nullptr, [](HWND hwnd) { return PickFromMenu(hwnd, L'D'); });
    test::MouseButton(2, true);
    test::MouseButton(2, false);
    menu.Result();
    test::Pump(100);
    EXPECT_FALSE(IsWindow(closed)) << "the window closed";
    tk::ComPtr<_NoteList> list;
    board.notes->get_Notes(list.put());
    long count = 0;
    list->get_Count(&count);
    EXPECT_EQ(count, 2);
    long id = 0;
    board.held[1]->get_NoteID(&id);
    EXPECT_EQ(id, 1);
    board.held[2]->get_NoteID(&id);
    EXPECT_EQ(id, 2);
}

namespace {

void Type(frmNote& w, const std::wstring& text, int selStart, int selLength) {
    test::Click(ScreenPoint(w, 1200, 700));
    w.txtNote.SetText(text);
    w.txtNote.Select(selStart, selLength);
}

}  // namespace

TEST(Interaction, CtrlFFindsTheNextMatchIgnoringCaseAndF3RepeatsIt) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    Type(w, L"one two one", 0, 0);
    {
        Answer find(L"CorkbaseInputbox", L"Find", [](HWND dialog) {
            std::wstring prompt = L"ok";
            SetWindowTextW(test::FindChild(dialog, L"Edit"), L"ONE");
            PostMessageW(test::FindChild(dialog, L"Button", L"OK"), BM_CLICK, 0, 0);
            return prompt;
        });
        test::KeyChord({VK_CONTROL, 'F'});
        EXPECT_EQ(find.Result(), L"ok");
    }
    test::Pump(50);
    EXPECT_EQ(w.txtNote.SelStart(), 8) << "the search begins one past the caret";
    EXPECT_EQ(w.txtNote.SelLength(), 3);
    {
        Answer message(L"#32770", L"Corkbase", [](HWND box) {
            std::wstring text = test::WindowText(test::FindChild(box, L"Static", L"Cannot find \"one\""));
            PostMessageW(test::FindChild(box, L"Button", L"OK"), BM_CLICK, 0, 0);
            return text;
        });
        test::KeyChord({VK_F3});
        EXPECT_EQ(message.Result(), L"Cannot find \"one\"") << "no wrap-around";
    }
    EXPECT_EQ(w.txtNote.SelStart(), 8);
}

TEST(Interaction, F3FindsOverlappingMatchesWithAnyModifierHeld) {
    for (WORD modifier : {0, VK_SHIFT, VK_CONTROL, VK_MENU}) {
        Board board;
        frmNote& w = board.Add(3000, 3000);
        Type(w, L"aaaa", 0, 2);
        if (modifier)
            test::KeyChord({modifier, VK_F3});
        else
            test::KeyChord({VK_F3});
        EXPECT_EQ(w.txtNote.SelStart(), 1) << "modifier " << modifier;
        EXPECT_EQ(w.txtNote.SelLength(), 2) << "modifier " << modifier;
    }
}

TEST(Interaction, CancelAnEmptySearchOrF3WithoutSelectionDoNothing) {
    Board board;
    frmNote& w = board.Add(3000, 3000);
    Type(w, L"some text", 2, 0);
    for (const wchar_t* how : {L"Cancel", L"OK"}) {
        Answer find(L"CorkbaseInputbox", L"Find", [how](HWND dialog) {
            SetWindowTextW(test::FindChild(dialog, L"Edit"), L"");
            PostMessageW(test::FindChild(dialog, L"Button", how), BM_CLICK, 0, 0);
            return L"answered";
        });
        test::KeyChord({VK_CONTROL, 'F'});
        find.Result();
        test::Pump(200);
        EXPECT_EQ(w.txtNote.SelStart(), 2);
        EXPECT_EQ(w.txtNote.SelLength(), 0);
    }
    test::KeyChord({VK_F3});
    test::Pump(300);
    EXPECT_TRUE(test::WindowsOfClass(L"#32770").empty()) << "no message";
    EXPECT_EQ(w.txtNote.SelStart(), 2);
}

TEST(Interaction, FindInNotesBringsMatchesAlreadyShownInFrontOfTheOthers) {
    Board board;
    frmNote& first = board.Add(1500, 1500);
    frmNote& other = board.Add(1800, 1800);
    frmNote& last = board.Add(2100, 2100);
    const wchar_t* texts[] = {L"call the plumber", L"milk", L"Plumber: Tuesday"};
    for (size_t i = 0; i < 3; ++i) {
        tk::Bstr text(texts[i]);
        BSTR given = text.get();
        ASSERT_HRESULT_SUCCEEDED(board.held[i]->put_Text(&given));
    }
    SetWindowPos(other.hWnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    // Whether window a lies in front of window b.
    auto inFront = [](HWND a, HWND b) {
        for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
            if (w == b) return true;
        return false;
    };
    ASSERT_TRUE(inFront(other.hWnd(), first.hWnd()) && inFront(other.hWnd(), last.hWnd()));
    long found = 0;
    ASSERT_HRESULT_SUCCEEDED(board.notes->FindInNotes(tk::Bstr(L"PLUMBER").get(), &found));
    test::Pump(50);
    EXPECT_EQ(found, 2);
    EXPECT_TRUE(inFront(first.hWnd(), other.hWnd()));
    EXPECT_TRUE(inFront(last.hWnd(), other.hWnd()));
}

TEST(Interaction, PointingAtTheCloseLabelShowsItsTipOnceTheNoteIsPointedAt) {
    Board board;
    frmNote& w = board.Add(4500, 4500);
    HWND note = w.hWnd();
    auto tipOf = [&]() -> HWND {
        for (HWND t : test::WindowsOfClass(L"tooltips_class32"))
            if (GetWindow(t, GW_OWNER) == note) return t;
        return nullptr;
    };
    EXPECT_EQ(tipOf(), nullptr) << "no tool tip window before the pointer comes";
    RECT rc;
    GetWindowRect(note, &rc);
    test::MoveMouse({rc.right - 6, rc.top + 5});  // the close label at the title bar's right end
    HWND tip = nullptr;
    for (int i = 0; i < 60 && !(tip && IsWindowVisible(tip)); ++i) {
        test::Pump(50);
        tip = tipOf();
    }
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(IsWindowVisible(tip));
    wchar_t text[80] = {};
    TOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.lpszText = text;
    SendMessageW(tip, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    EXPECT_STREQ(text, L"Hide");
}
