// The note window's events and its cost in window-system objects.
#include <gtest/gtest.h>

#include <cmath>

#include "Gdi.h"
#include "Note.h"
#include "NoteOwner.h"
#include "Notes.h"
#include "Support.h"

using NoteObject = corkbase::Note;
using corkbase::frmNote;

namespace {

// Windows a note holds: its window, its children and the tool tip it owns.
int WindowsHeldBy(HWND note) {
    int count = 1;
    EnumChildWindows(
        note,
        [](HWND, LPARAM lp) -> BOOL {
            ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    for (HWND w : test::WindowsOfClass(L"tooltips_class32"))
        if (GetWindow(w, GW_OWNER) == note) ++count;
    return count;
}

}  // namespace

TEST(Window, SetNoteColorPaintsEveryPartOfTheNote) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetNoteColor(0x80FF80);
    for (auto c : {w.BackColor(), w.txtNote.BackColor(), w.lbTitleBar.BackColor(), w.lblClose.BackColor(),
                   w.Picture2.BackColor(), w.Picture3.BackColor(), w.Picture4.BackColor()})
        EXPECT_EQ(c, 0x80FF80u);
}

TEST(Window, ActivationTakesTheColourOfTheTitleBarButLeavesTheText) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetNoteColor(0xC0FFFF);
    w.lbTitleBar.SetBackColor(0xFFFF80);
    w.Show();
    SendMessageW(w.hWnd(), WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(w.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.lblClose.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture2.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture3.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.Picture4.BackColor(), 0xFFFF80u);
    EXPECT_EQ(w.txtNote.BackColor(), 0xC0FFFFu);
}

TEST(Window, ANewNoteIsOneColourButtonFaceFromItsFirstActivation) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetLeft(3000);
    w.SetTop(3000);
    w.Show();
    SetForegroundWindow(w.hWnd());
    SendMessageW(w.hWnd(), WM_ACTIVATE, WA_ACTIVE, 0);
    RedrawWindow(w.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    test::Pump(200);
    long color = 0;
    ASSERT_EQ(note->get_Color(&color), S_OK);
    EXPECT_EQ(color, static_cast<long>(0x8000000F)) << "saved as -2147483633, as a note stored without a colour";
    // Title bar, close label, grips and text area, as the screen shows them.
    RECT rc{};
    GetWindowRect(w.hWnd(), &rc);
    HDC screen = GetDC(nullptr);
    const POINT places[] = {{rc.left + 40, rc.top + 3},  {rc.right - 1, rc.top + 1},    {rc.left + 1, rc.top + 40},
                            {rc.right - 2, rc.top + 40}, {rc.left + 80, rc.bottom - 2}, {rc.left + 100, rc.top + 50}};
    for (POINT p : places)
        EXPECT_EQ(GetPixel(screen, p.x, p.y), GetSysColor(COLOR_BTNFACE))
            << "at " << p.x - rc.left << "," << p.y - rc.top;
    ReleaseDC(nullptr, screen);
}

// Fonts that give way to their box, at 96 and 120 dpi: the title bar's stand-in, and the
// options dialog's label and check box (less the box before its text).
TEST(Window, AFittedFontIsTheLargestThatFitsItsBoxAndNeverLargerThanDesigned) {
    struct Case {
        tk::FontSpec font;
        tk::Fit fit;
        const wchar_t* text;
        float widthTwips, heightTwips;
        UINT format;
    };
    const tk::FontSpec tahoma{L"Tahoma", 8.25f};
    const Case cases[] = {
        {{L"Small Fonts", 6.75f, FW_NORMAL, ANSI_CHARSET}, tk::Fit::StandInHeight, L"Shopping", 3000, 130, 0},
        {tahoma, tk::Fit::Text, L"Transparency Level", 1095, 495, DT_LEFT | DT_WORDBREAK},
        {tahoma, tk::Fit::Text, L"Allow Through Clicks", 1935 - 300, 375, DT_SINGLELINE},
    };
    for (const Case& c : cases) {
        for (int dpi : {96, 120}) {
            SCOPED_TRACE(test::Narrow(c.text) + " at " + std::to_string(dpi) + " dpi");
            SIZE box{std::lround(c.widthTwips * dpi / 1440), std::lround(c.heightTwips * dpi / 1440)};
            LOGFONTW lf = tk::FittedFont(c.font, c.fit, c.text, {box, c.format}, dpi);
            LONG designed = std::lround(c.font.points * dpi / 72);
            EXPECT_LE(-lf.lfHeight, designed) << "never larger than designed";
            // What the system makes of the font at a pixel height: its face, and whether it fits.
            auto fits = [&](LONG height, std::wstring* face = nullptr) {
                LOGFONTW sized = lf;
                sized.lfHeight = height;
                tk::GdiObject font(CreateFontIndirectW(&sized));
                HDC dc = CreateCompatibleDC(nullptr);
                SelectObject(dc, font.get());
                wchar_t name[LF_FACESIZE] = {};
                GetTextFaceW(dc, LF_FACESIZE, name);
                if (face) *face = name;
                TEXTMETRICW metrics{};
                GetTextMetricsW(dc, &metrics);
                RECT rc{0, 0, box.cx, box.cy};
                DrawTextW(dc, c.text, -1, &rc, c.format | DT_CALCRECT);
                DeleteDC(dc);
                if (c.fit == tk::Fit::StandInHeight) return metrics.tmHeight <= box.cy;  // descenders included
                return rc.right <= box.cx && rc.bottom <= box.cy;
            };
            std::wstring face;
            bool whole = fits(lf.lfHeight, &face);
            if (c.fit == tk::Fit::StandInHeight && _wcsicmp(face.c_str(), c.font.face) == 0) {
                EXPECT_EQ(-lf.lfHeight, designed) << "the designed face at its designed size";
                continue;
            }
            EXPECT_TRUE(whole);
            if (-lf.lfHeight < designed) EXPECT_FALSE(fits(lf.lfHeight - 1)) << "one pixel larger would not fit";
        }
    }
}

TEST(Window, SystemColourReferencesAreResolvedWhenPainting) {
    EXPECT_EQ(tk::ResolveColor(0x8000000F), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(tk::ResolveColor(0x80000001), GetSysColor(COLOR_BACKGROUND));
    EXPECT_EQ(tk::ResolveColor(0xC0FFFF), 0xC0FFFFu);
}

TEST(Window, ARepaintEndsADrag) {
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.Show();
    test::Pump(100);
    w.Dragging = true;
    RedrawWindow(w.hWnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_FALSE(w.Dragging);
}

TEST(Window, MovingAShownWindowDoesNotRepaintIt) {
    // A drag keeps going while the window follows the pointer only if moving it
    // causes no repaint; under Wine's desktop it does not.
    auto note = NoteObject::Create();
    frmNote& w = note->Window();
    w.SetLeft(1500);
    w.SetTop(1500);
    w.Show();
    test::Pump(200);
    w.Dragging = true;
    for (int i = 1; i <= 5; ++i) {
        w.SetLeft(1500.0f + 150.0f * static_cast<float>(i));
        w.SetTop(1500.0f + 90.0f * static_cast<float>(i));
        test::Pump(30);
    }
    EXPECT_TRUE(w.Dragging);
}

TEST(Window, AnIdleNoteHoldsAtMostSixWindowsAndMenusAndCreatesNoGdiObjects) {
    auto notes = corkbase::Notes::Create();
    std::vector<tk::ComPtr<_Note>> held;
    for (int i = 0; i < 3; ++i) {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        n->put_Color(i == 0 ? 0xC0FFFF : 0x80FF80);
        auto title = tk::Bstr(L"Title");
        n->put_Title(title.get());
        ASSERT_EQ(n->Show(), S_OK);
        held.push_back(n);
    }
    test::Pump(100);
    int gdiBefore = tk::CreatedGdiObjects();
    for (int i = 0; i < 10; ++i) {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        n->put_Color(0xC0FFFF);
        ASSERT_EQ(n->Show(), S_OK);
        held.push_back(n);
    }
    test::Pump(100);
    EXPECT_EQ(tk::CreatedGdiObjects(), gdiBefore) << "fonts and brushes are shared between notes";
    for (HWND w : test::WindowsOfClass(L"CorkbaseNote")) {
        EXPECT_LE(WindowsHeldBy(w), 6);
        EXPECT_EQ(GetMenu(w), nullptr) << "the context menu exists only while open";
    }
}

TEST(Window, ReleasingANoteDestroysItsWindow) {
    auto notes = corkbase::Notes::Create();
    {
        tk::ComPtr<_Note> n;
        ASSERT_EQ(notes->AddNote(n.put()), S_OK);
        ASSERT_EQ(n->Show(), S_OK);
    }
    EXPECT_EQ(test::WindowsOfClass(L"CorkbaseNote").size(), 1u);
    long id = 1, result = 0;
    notes->DeleteNote(&id, &result);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNote").empty());
}

TEST(Window, OnceEveryNoteIsGoneTheLibraryLetsGoOfEveryWindowAndGdiObject) {
    {
        auto notes = corkbase::Notes::Create();
        for (OLE_COLOR color : {0xC0FFFFu, 0x80FF80u, 0x8000000Fu}) {
            tk::ComPtr<_Note> n;
            ASSERT_EQ(notes->AddNote(n.put()), S_OK);
            ASSERT_EQ(n->put_Color(static_cast<long>(color)), S_OK);
            ASSERT_EQ(n->Show(), S_OK);
        }
        test::Pump(100);
        EXPECT_GT(tk::CreatedGdiObjects(), 0);
    }
    test::Pump(50);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNote").empty());
    corkbase::ReleaseWindowResources();  // what unloading the library does
    EXPECT_EQ(tk::CreatedGdiObjects(), 0);
    EXPECT_TRUE(test::WindowsOfClass(L"CorkbaseNoteOwner").empty());
    EXPECT_TRUE(test::WindowsOfClass(L"tooltips_class32").empty());
}

TEST(Window, TheClosePointerIsAMonochromeHandUnderACrossHotAtTheCross) {
    HCURSOR cursor = corkbase::CloseCursor();
    ASSERT_NE(cursor, nullptr) << "the library carries the pointer as a resource";
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    tk::GdiObject mask(info.hbmMask), colour(info.hbmColor);
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(info.xHotspot, 13u);
    EXPECT_EQ(info.yHotspot, 9u);
    EXPECT_EQ(info.hbmColor, nullptr) << "monochrome: the mask holds both halves";
    // The mask bitmap is 32 x 64: the AND half above the XOR half, one bit a pixel.
    BYTE bits[64 * 4] = {};
    ASSERT_EQ(GetBitmapBits(info.hbmMask, sizeof(bits), bits), static_cast<LONG>(sizeof(bits)));
    auto bit = [&](int x, int y) { return (bits[y * 4 + x / 8] >> (7 - x % 8)) & 1; };
    auto pixel = [&](int x, int y) { return bit(x, y) ? 'T' : bit(x, 32 + y) ? 'W' : 'B'; };
    EXPECT_EQ(pixel(13, 9), 'B') << "the cross's centre";
    EXPECT_EQ(pixel(12, 16), 'W') << "inside the finger";
    EXPECT_EQ(pixel(0, 0), 'T');
    EXPECT_EQ(pixel(31, 31), 'T');
}
