#include "frmNote.h"

#include <algorithm>

#include "Discarded.h"
#include "Failure.h"
#include "Module.h"
#include "MsgBox.h"
#include "NoteOwner.h"
#include "NoteSize.h"
#include "NoteZoom.h"
#include "Palette.h"
#include "PopupMenu.h"
#include "Resources.h"
#include "Text.h"
#include "Units.h"
#include "dlgInputbox.h"
#include "modWinTrans.h"

namespace corkbase {
namespace {

constexpr tk::OleColor WindowBackground = 0x80000005;
constexpr tk::OleColor WindowText = 0x80000008;
constexpr float CollapseExtra = 80;
constexpr tk::FontSpec TextFont{L"Arial", 8.25f, FW_NORMAL, RUSSIAN_CHARSET};

constexpr wchar_t NoteClass[] = L"CorkbaseNote";

constexpr UINT_PTR CloseTimer = 1;
// How long a close from another program waits before the note hides (see Form_QueryUnload).
constexpr UINT CloseDelay = 1000;

// Sizes computed from a client area smaller than the controls are kept at 0.
float AtLeastZero(float twips) { return std::max(twips, 0.0f); }

// A layered-window status that is the platform's error code fails; -1, a level outside
// 0 to 255, leaves the note opaque as designed.
void CheckLayered(int32_t status, const wchar_t* doing) {
    if (status > 0)
        throw tk::Failure(HRESULT_FROM_WIN32(static_cast<DWORD>(status)),
                          std::wstring(doing) + L": " + tk::SystemMessage(static_cast<DWORD>(status)));
}

}  // namespace

HCURSOR CloseCursor() { return LoadCursorW(tk::ThisModule(), MAKEINTRESOURCEW(CORKBASE_CLOSE_CURSOR)); }

frmNote::frmNote()
    : Form({.className = NoteClass,
            .style = WS_POPUP | WS_CLIPCHILDREN,
            // Layered from its creation: making it layered afterwards costs the platform
            // a second drawing surface (the load step still makes it opaque).
            .exStyle = WS_EX_LAYERED,
            .width = 2330,
            .height = 1250,
            .backColor = WindowBackground}),
      lbTitleBar(*this, {.left = 0,
                         .top = 0,
                         .width = 2055,
                         .height = 135,
                         .foreColor = WindowText,
                         .font = {L"Small Fonts", 6.75f, FW_NORMAL, ANSI_CHARSET},
                         .toolTip = L"Right Click for Menu",
                         .pointer = {IDC_SIZEALL},
                         .fit = tk::Fit::StandInHeight}),
      lblClose(*this, {.left = 2175,
                       .top = 0,
                       .width = 105,
                       .height = 150,
                       .foreColor = WindowText,
                       .caption = L"X",
                       .font = {L"Arial", 6.0f, FW_BOLD, RUSSIAN_CHARSET},
                       .toolTip = L"Hide",
                       .pointer = {IDC_HAND, &CloseCursor}}),
      Picture2(
          *this,
          {.left = 0, .top = 240, .width = 50, .height = 855, .backColor = WindowBackground, .pointer = {IDC_SIZEWE}}),
      Picture3(
          *this,
          {.left = 0, .top = 1200, .width = 855, .height = 50, .backColor = WindowBackground, .pointer = {IDC_SIZENS}}),
      Picture4(*this, {.left = 2280,
                       .top = 240,
                       .width = 50,
                       .height = 855,
                       .backColor = WindowBackground,
                       .pointer = {IDC_SIZEWE}}),
      txtNote(*this, {.left = 360,
                      .top = 240,
                      .width = 1575,
                      .height = 735,
                      .backColor = tk::ButtonFace,
                      .font = TextFont,
                      .multiLine = true,
                      .border = false}) {
    lblClose.Click = [this] { lblClose_Click(); };
    lbTitleBar.DblClick = [this] { lbTitleBar_DblClick(); };
    lbTitleBar.MouseDown = [this](const tk::MouseEvent& e) { lbTitleBar_MouseDown(e); };
    lbTitleBar.MouseMove = [this](const tk::MouseEvent& e) { lbTitleBar_MouseMove(e); };
    lbTitleBar.MouseUp = [this](const tk::MouseEvent& e) { lbTitleBar_MouseUp(e); };
    Picture2.MouseDown = [this](const tk::MouseEvent&) { GripMode = 1; };
    Picture4.MouseDown = [this](const tk::MouseEvent&) { GripMode = 2; };
    Picture3.MouseDown = [this](const tk::MouseEvent&) { GripMode = 3; };
    Picture2.MouseMove = [this](const tk::MouseEvent& e) { Picture2_MouseMove(e); };
    Picture4.MouseMove = [this](const tk::MouseEvent& e) { Picture4_MouseMove(e); };
    Picture3.MouseMove = [this](const tk::MouseEvent& e) { Picture3_MouseMove(e); };
    for (tk::Control* grip : {&Picture2, &Picture3, &Picture4})
        grip->MouseUp = [this](const tk::MouseEvent&) { Grip_MouseUp(); };
    txtNote.Change = [this] { txtNote_Change(); };
    txtNote.KeyDown = [this](int key, int shift) { return txtNote_KeyDown(key, shift); };
    txtNote.KeyPress = [this](int& key) { txtNote_KeyPress(key); };
    txtNote.KeyUp = [this](int key, int shift) { txtNote_KeyUp(key, shift); };
    txtNote.MenuKey = [this] { txtNote_MenuKey(); };
    txtNote.AccessibleName = [this] { return SpokenTitle(); };
}

frmNote::~frmNote() {
    // The platform window goes before the controls it draws.
    Unload();
}

HWND frmNote::OwnerWindow() { return NoteOwnerWindow(); }

LRESULT frmNote::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_SYSCOMMAND:
            // Alt+F4 and the system menu's Close: the person closed this note.
            if ((wp & 0xFFF0) != SC_CLOSE) break;
            lblClose_Click();
            return 0;
        case WM_CLOSE:
            Form_QueryUnload();
            return 0;
        case WM_SYSKEYDOWN:
        case WM_KEYDOWN:
            // Shift+F10 while the note itself holds the focus (collapsed): Wine's default
            // handling makes no WM_CONTEXTMENU of it here.
            if (wp != VK_F10 || GetKeyState(VK_SHIFT) >= 0) break;
            txtNote_MenuKey();
            return 0;
        case WM_CONTEXTMENU:
            // The keyboard's right click (Shift+F10, the menu key) while the note holds the focus.
            if (static_cast<DWORD>(lp) != 0xFFFFFFFF) break;
            txtNote_MenuKey();
            return 0;
        case WM_TIMER:
            // Only the close this window is waiting for: any program can post a WM_TIMER.
            if (wp != CloseTimer || !closing_) break;
            KillTimer(hWnd(), CloseTimer);
            closing_ = false;
            lblClose_Click();
            return 0;
        case WM_MOUSEWHEEL:
            if (!(GET_KEYSTATE_WPARAM(wp) & MK_CONTROL)) break;
            Form_MouseWheel(GET_WHEEL_DELTA_WPARAM(wp),
                            {static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            return 0;
        case WM_DISPLAYCHANGE:
            // A note that no monitor shows any more comes back; the others stay put.
            if (Visible() && !tk::OnSomeMonitor(PixelRect())) KeepOnMonitor();
            break;
    }
    return Form::OnMessage(msg, wp, lp);
}

// Another program closes the window (End task, taskkill, a script): the note hides as its
// close label hides it, and keeps its window. Not at once: ending a program closes every
// window of it one after the other, and the exit save, which the main window's close
// brings, must still see the note where it was and visible.
void frmNote::Form_QueryUnload() { closing_ = SetTimer(hWnd(), CloseTimer, CloseDelay, nullptr) != 0; }

void frmNote::Show() {
    // Shown again (Show, Show All) within the delay: the close from outside is called off.
    if (closing_) KillTimer(hWnd(), CloseTimer);
    closing_ = false;
    Form::Show();
}

std::wstring frmNote::LostDescription() {
    std::wstring title = lbTitleBar.KeptCaption();
    return L"Note " + std::to_wstring(Parent ? Parent->NoteIDValue() : 0) +
           (title.empty() ? L"" : L" (" + Quoted(title) + L")") +
           L" has lost its window: its text and place cannot be read, and what is stored of it stays as it is";
}

// A reader names the note, its title bar and its text by the title, or by the note's
// number while it has none. The grips are left out: only the pointer can use them.
std::wstring frmNote::SpokenTitle() {
    std::wstring title = lbTitleBar.Caption();
    return title.empty() ? L"Note " + std::to_wstring(Parent ? Parent->NoteIDValue() : 0) : title;
}

std::function<std::wstring()> frmNote::AccessibleName() {
    return [this] { return SpokenTitle(); };
}

std::vector<tk::AccessiblePart> frmNote::AccessibleParts() {
    return {
        {.drawn = &lbTitleBar, .role = ROLE_SYSTEM_TITLEBAR, .name = [this] { return SpokenTitle(); }},
        {.drawn = &lblClose,
         .role = ROLE_SYSTEM_PUSHBUTTON,
         .name = [] { return std::wstring(L"Hide"); },
         .defaultAction = L"Press",
         .DoDefault = [this] { lblClose_Click(); }},
        {.windowed = &txtNote, .role = ROLE_SYSTEM_TEXT, .name = txtNote.AccessibleName},
    };
}

void frmNote::SetTitle(const std::wstring& title) {
    lbTitleBar.SetCaption(title);
    SetCaption(title);
    HWND hwnd = hWnd();
    tk::NotifyNameChange(hwnd);
    tk::NotifyNameChange(hwnd, 1);  // the title bar
    tk::NotifyNameChange(hwnd, 3);  // the text, as a part of the note
    tk::NotifyNameChange(txtNote.hWnd());
}

void frmNote::Form_Load() {
    // A failing load step ends the load sequence without a word to the user.
    tk::Discarding(L"loading a note window", [&] {
        SetWidth(kDefaultNoteWidth);
        SetHeight(kDefaultNoteHeight);
        Owner().SetChanged(false);
        Dragging = false;
        int32_t layered = modWinTrans::MakeLayered(hWnd());
        txtNote.SetLeft(Picture2.Width());
        LayoutVertical();
        LayoutHorizontal();
        CheckLayered(layered, L"Cannot make the note window layered");
    });
}

void frmNote::Form_Resize() {
    lblClose.SetWidth(130);
    lblClose.SetHeight(122);
    lblClose.SetTop(0);
    lblClose.SetLeft(ScaleWidth() - lblClose.Width());
    lbTitleBar.SetLeft(0);
    lbTitleBar.SetTop(0);
    lbTitleBar.SetHeight(130);
    lbTitleBar.SetWidth(AtLeastZero(ScaleWidth() - lblClose.Width()));
    LayoutVertical();
    LayoutHorizontal();
}

void frmNote::LayoutVertical() {
    // A failing layout step ends the layout without a word to the user.
    tk::Discarding(L"laying out a note window", [&] {
        Picture3.SetTop(ScaleHeight() - Picture3.Height());
        txtNote.SetTop(lbTitleBar.Height());
        txtNote.SetHeight(AtLeastZero(ScaleHeight() - Picture3.Height() - lbTitleBar.Height()));
        // Lower than the grips let a note shrink, as a collapsed note is, the text box would
        // show a strip of stray text.
        txtNote.SetVisible(Height() >= MinHeight);
        Picture2.SetTop(lbTitleBar.Height());
        Picture4.SetTop(Picture2.Top());
        Picture2.SetHeight(AtLeastZero(ScaleHeight() - lbTitleBar.Height()));
        Picture4.SetHeight(Picture2.Height());
    });
}

void frmNote::LayoutHorizontal() {
    // A failing layout step ends the layout without a word to the user.
    tk::Discarding(L"laying out a note window", [&] {
        Picture3.SetWidth(ScaleWidth());
        Picture2.SetLeft(0);
        Picture4.SetLeft(ScaleWidth() - Picture4.Width());
        txtNote.SetWidth(AtLeastZero(ScaleWidth() - Picture2.Width() - Picture4.Width()));
        txtNote.SetLeft(Picture2.Width());
    });
}

void frmNote::Form_Activate() {
    SetBackColor(lbTitleBar.BackColor());
    lblClose.SetBackColor(BackColor());
    Picture2.SetBackColor(BackColor());
    Picture3.SetBackColor(BackColor());
    Picture4.SetBackColor(BackColor());
}

void frmNote::Form_Paint() { Dragging = false; }

void frmNote::Collapse() {
    if (collapsed_) {
        collapsed_ = false;
        if (Height() >= static_cast<float>(rememberedHeight_))
            SetHeight(kDefaultNoteHeight);
        else
            SetHeight(static_cast<float>(rememberedHeight_));
    } else {
        rememberedHeight_ = tk::RoundHalfEven(Height());
        SetHeight(lbTitleBar.Height() + CollapseExtra);
        collapsed_ = true;
    }
}

void frmNote::UnfoldText() {
    if (collapsed_) Collapse();
    // Expanded to a height remembered low, or stored about as low as its title bar: too low
    // for the layout to show the text.
    if (Height() < MinHeight) SetHeight(kDefaultNoteHeight);
}

void frmNote::SelectInView(size_t start, size_t length) {
    txtNote.Select(static_cast<int>(start), static_cast<int>(length));
    txtNote.ScrollToCaret();
}

void frmNote::TakeFocus() {
    SetForegroundWindow(hWnd());
    txtNote.SetFocus();
}

void frmNote::SetTransparencyLevelAndThroughClicks(int32_t& level, bool& allow) {
    // Transparency is cosmetic: a failure is logged, never raised.
    tk::Discarding(L"applying the transparency level and click-through", [&] {
        if (!Visible()) return;
        HWND hwnd = hWnd();
        SetForegroundWindow(hwnd);
        // Each step is tried whatever the one before gave.
        int32_t layered = modWinTrans::MakeLayered(hwnd);
        int32_t alpha = modWinTrans::SetLayeredAlpha(hwnd, level);
        int32_t through = modWinTrans::SetClickThrough(hwnd, allow);
        CheckLayered(layered, L"Cannot make the note window layered");
        CheckLayered(alpha, L"Cannot set the note's transparency level");
        CheckLayered(through, L"Cannot set whether clicks go through the note");
    });
}

void frmNote::SetNoteColor(tk::OleColor color) {
    SetBackColor(color);
    txtNote.SetBackColor(color);
    lbTitleBar.SetBackColor(BackColor());
    lblClose.SetBackColor(color);
    Picture2.SetBackColor(color);
    Picture3.SetBackColor(color);
    Picture4.SetBackColor(color);
}

NoteSite& frmNote::Owner() {
    if (!Parent) throw tk::Failure(E_POINTER, L"The window's note is gone");
    return *Parent;
}

void frmNote::lblClose_Click() { Owner().HideNote(); }

void frmNote::lbTitleBar_DblClick() { Collapse(); }

void frmNote::txtNote_Change() { Owner().SetChanged(true); }

// Moving and snapping.

void frmNote::lbTitleBar_MouseDown(const tk::MouseEvent& e) {
    PressX = tk::RoundHalfEven(e.x);
    PressY = tk::RoundHalfEven(e.y);
    Dragging = true;
}

void frmNote::lbTitleBar_MouseMove(const tk::MouseEvent& e) {
    if (!Dragging) return;
    SetTop(Top() + e.y - static_cast<float>(PressY));
    SetLeft(Left() + e.x - static_cast<float>(PressX));
}

void frmNote::lbTitleBar_MouseUp(const tk::MouseEvent& e) {
    Dragging = false;
    if (e.button == 1)
        SnapWindow();
    else
        ShowOptionsMenu();
}

void frmNote::SnapWindow() {
    NoteSite& note = Owner();
    std::vector<SnapNote> others = note.SnapNotes();
    // The monitor the note is released on gives the edges and the scan's width and height.
    tk::TwipsEdges monitor = tk::MonitorNearest(PixelRect()).bounds;
    SnapOffsets d = GetSnapOffsets(tk::RoundHalfEven(Left()), tk::RoundHalfEven(Top()), tk::RoundHalfEven(Width()),
                                   tk::RoundHalfEven(Height()), others, note.NoteIDValue(),
                                   tk::RoundHalfEven(monitor.right - monitor.left),
                                   tk::RoundHalfEven(monitor.bottom - monitor.top));
    SetLeft(Left() + static_cast<float>(d.dx));
    SetTop(Top() + static_cast<float>(d.dy));
    // The monitor's edges pull last, so they win over a note on the same axis.
    MoveTo(PulledToEdges(Left(), Top(), Width(), Height(), monitor));
}

void frmNote::KeepOnMonitor() {
    MoveTo(ShownOnMonitor(Left(), Top(), Width(), Height(), lbTitleBar.Height(),
                          tk::MonitorNearest(PixelRect()).bounds));
}

RECT frmNote::PixelRect() { return tk::PixelEdges(Left(), Top(), Width(), Height()); }

void frmNote::MoveTo(const NotePlace& place) {
    // Each move is a round trip to the window: only what changes.
    if (place.left != Left()) SetLeft(place.left);
    if (place.top != Top()) SetTop(place.top);
}

// Resize grips: the pointer-side edge follows the pointer; below the soft minimum only
// growing moves count. A refused size ends the move with the earlier steps kept.

void frmNote::Picture2_MouseMove(const tk::MouseEvent& e) {
    if (GripMode != 1) return;
    if (!(e.x < 0 || Width() >= MinWidth)) return;
    tk::Discarding(L"resizing a note by its grip", [&] {
        SetLeft(Left() + e.x);
        SetWidth(Width() - e.x);
        Picture4.SetLeft(ScaleWidth() - Picture4.Width());
        txtNote.SetWidth(ScaleWidth() - Picture2.Width() - Picture4.Width());
        Picture3.SetWidth(ScaleWidth());
    });
}

void frmNote::Picture4_MouseMove(const tk::MouseEvent& e) {
    if (GripMode != 2) return;
    if (!(e.x > 0 || Width() >= MinWidth)) return;
    tk::Discarding(L"resizing a note by its grip", [&] {
        SetWidth(Picture4.Left() + Picture4.Width() + e.x);
        Picture4.SetLeft(ScaleWidth() - Picture4.Width());
        txtNote.SetWidth(ScaleWidth() - Picture2.Width() - Picture4.Width());
        Picture3.SetWidth(ScaleWidth());
    });
}

void frmNote::Picture3_MouseMove(const tk::MouseEvent& e) {
    if (GripMode != 3) return;
    if (!(e.y > 0 || Height() >= MinHeight)) return;
    tk::Discarding(L"resizing a note by its grip", [&] {
        SetHeight(Picture3.Top() + Picture3.Height() + e.y);
        LayoutVertical();
    });
}

void frmNote::Grip_MouseUp() {
    GripMode = 0;
    txtNote.SetFocus();
}

// The context menu and the title dialog.

void frmNote::txtNote_MenuKey() {
    RECT bar = lbTitleBar.PixelRect();
    POINT below{bar.left, bar.bottom};
    ClientToScreen(hWnd(), &below);
    ShowOptionsMenu(below);
}

void frmNote::ShowOptionsMenu(std::optional<POINT> at) {
    std::vector<tk::MenuItem> items;
    for (const PaletteColour& colour : kPalette)
        items.push_back({.caption = colour.caption, .Click = [this, value = colour.value] { SetNoteColor(value); }});
    items.push_back({.caption = L"-"});
    items.push_back({.caption = L"&Title...", .Click = [this] { mnuTitle_Click(); }});
    items.push_back({.caption = L"-"});
    items.push_back({.caption = L"&Delete", .Click = [this] { mnuDelete_Click(); }});
    tk::PopupMenu mnuOptions(items);
    mnuOptions.Show(hWnd(), at);
}

void frmNote::mnuTitle_Click() {
    // A failure leaves the title as it was.
    tk::Discarding(L"retitling a note", [&] {
        dlgInputbox dialog;
        dialog.SetCaption(L"Note Title");
        dialog.lblPrompt.SetCaption(L"Please enter new Title:");
        dialog.txtText.SetText(lbTitleBar.Caption());
        dialog.CentreOver(hWnd());
        dialog.ShowModal(hWnd());
        if (dialog.OkPressed) SetTitle(dialog.txtText.Text());
    });
}

void frmNote::mnuDelete_Click() {
    // The note and this window live until the command is over: removing the note from
    // its collection must not destroy the window whose command is running.
    NoteSite& note = Owner();
    note.Hold();
    try {
        note.DeleteNote();
        Unload();
    } catch (...) {
        note.ReleaseHeld();
        throw;
    }
    note.ReleaseHeld();
}

// The text's size.

void frmNote::SetZoom(int32_t percent) {
    if (!IsZoomStep(percent))
        throw tk::Failure(E_INVALIDARG, L"A note's text is drawn at " + ZoomStepsInWords() + L" percent, not " +
                                            std::to_wstring(percent));
    if (percent == zoom_) return;
    tk::FontSpec font = TextFont;
    font.points = TextFont.points * static_cast<float>(percent) / 100.0f;
    txtNote.SetFont(font);
    zoom_ = percent;
}

// Ctrl+Plus (or Ctrl+= and the keypad's plus), Ctrl+Minus (or the keypad's minus), Ctrl+0;
// Alt is left alone, since Ctrl+Alt is AltGr, which types characters.
bool frmNote::txtNote_KeyDown(int keyCode, int shift) {
    if ((shift & 6) != 2) return false;
    switch (keyCode) {
        case VK_OEM_PLUS:
        case VK_ADD:
            SetZoom(ZoomStepFrom(zoom_, 1));
            return true;
        case VK_OEM_MINUS:
        case VK_SUBTRACT:
            SetZoom(ZoomStepFrom(zoom_, -1));
            return true;
        case '0':
            SetZoom(kDesignedZoom);
            return true;
    }
    return false;
}

// Ctrl with the wheel zooms the note under the pointer, which need not be the one that has
// the focus and so gets the wheel: a notch a step, up bigger.
void frmNote::Form_MouseWheel(int delta, POINT screen) {
    wheelRest_ += delta;
    int steps = wheelRest_ / WHEEL_DELTA;
    wheelRest_ -= steps * WHEEL_DELTA;
    if (steps == 0) return;
    // Called directly, not through a message another program could send as well.
    auto* under = dynamic_cast<frmNote*>(Form::Of(GetAncestor(WindowFromPoint(screen), GA_ROOT)));
    if (under) under->SetZoom(ZoomStepFrom(under->zoom_, steps));
}

// Find.

void frmNote::txtNote_KeyPress(int& keyAscii) {
    if (keyAscii == 6) FindText(false);  // Ctrl+F
}

void frmNote::txtNote_KeyUp(int keyCode, int) {
    if (keyCode == VK_F3) FindText(true);
}

void frmNote::FindText(bool repeat) {
    // A failing find ends without a word to the user.
    tk::Discarding(L"finding in a note", [&] {
        dlgInputbox dialog;
        dialog.SetCaption(L"Find");
        dialog.lblPrompt.SetCaption(L"Find what:");
        dialog.txtText.SetText(txtNote.SelText());
        // A match that begins at the selection's start is not found: the search starts after it.
        size_t start = static_cast<size_t>(txtNote.SelStart()) + 1;
        std::wstring what;
        if (repeat) {
            what = txtNote.SelText();
        } else {
            dialog.CentreOver(hWnd());
            dialog.ShowModal(hWnd());
            if (!dialog.OkPressed) return;
            what = dialog.txtText.Text();
        }
        if (what.empty()) return;
        size_t found = FindLowered(txtNote.Text(), Lower(what), start);
        if (found != std::wstring::npos) {
            txtNote.Select(static_cast<int>(found), static_cast<int>(what.size()));
        } else {
            tk::MsgBox(hWnd(), L"Cannot find \"" + what + L"\"", L"Corkbase", MB_ICONINFORMATION);
        }
    });
}

}  // namespace corkbase
