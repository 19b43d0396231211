#include "frmNote.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "Automation.h"
#include "Note.h"
#include "Units.h"
#include "modWinTrans.h"

namespace corkbase {
namespace {

constexpr tk::OleColor WindowBackground = 0x80000005;
constexpr tk::OleColor WindowText = 0x80000008;
constexpr tk::OleColor ButtonFace = 0x8000000F;
constexpr float CollapseExtra = 80;
constexpr float DefaultHeight = 1300;

class OwnerForm final : public tk::Form {
public:
    OwnerForm() : Form({.className = L"CorkbaseNoteOwner"}) {}
};

std::unique_ptr<OwnerForm>& Owner() {
    static std::unique_ptr<OwnerForm> owner;
    return owner;
}

tk::UniqueCursor& CloseCursorHandle() {
    static tk::UniqueCursor cursor;
    return cursor;
}

// A hand under a small cross; '#' black, '.' white, anything else transparent.
HCURSOR CloseCursor() {
    static const char* const art[] = {
        "",
        "",
        "",
        "",
        "",
        "             #",
        "             #",
        "             #",
        "             #",
        "         #########",
        "             #",
        "             #",
        "             #",
        "             #",
        "",
        "           ####",
        "           #..#",
        "           #..#",
        "           #..#####",
        "           #..#..#.##",
        "       ### #..#..#..#",
        "       #..##........#",
        "       #...#........#",
        "        #...........#",
        "        #...........#",
        "         #..........#",
        "         #.........#",
        "          #........#",
        "          #........#",
        "          ##########",
    };
    tk::UniqueCursor& cursor = CloseCursorHandle();
    if (!cursor) {
        BYTE andMask[32 * 4], xorMask[32 * 4];
        std::fill(std::begin(andMask), std::end(andMask), 0xFF);
        std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
        for (int y = 0; y < static_cast<int>(std::size(art)); ++y) {
            for (int x = 0; art[y][x] && x < 32; ++x) {
                BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
                int i = y * 4 + x / 8;
                if (art[y][x] == '#') andMask[i] &= static_cast<BYTE>(~bit);
                if (art[y][x] == '.') {
                    andMask[i] &= static_cast<BYTE>(~bit);
                    xorMask[i] |= bit;
                }
            }
        }
        cursor.reset(CreateCursor(GetModuleHandleW(nullptr), 13, 9, 32, 32, andMask, xorMask));
    }
    return cursor.get();
}

// Sizes computed from a client area smaller than the controls are kept at 0.
float AtLeastZero(float twips) { return std::max(twips, 0.0f); }

}  // namespace

HWND NoteOwnerWindow() {
    if (!Owner()) Owner() = std::make_unique<OwnerForm>();
    return Owner()->hWnd();
}

void ReleaseWindowResources() {
    Owner().reset();
    CloseCursorHandle().reset();
    tk::UnregisterFormClasses();
    tk::ReleaseSharedGdi();
}

frmNote::frmNote()
    : Form({.className = L"CorkbaseNote",
            .style = WS_POPUP | WS_CLIPCHILDREN,
            .width = 2330,
            .height = 1250,
            .backColor = WindowBackground}),
      lbTitleBar(*this, {.left = 0,
                         .top = 0,
                         .width = 2055,
                         .height = 135,
                         .backColor = WindowBackground,
                         .foreColor = WindowText,
                         .font = {L"Small Fonts", 6.75f, FW_NORMAL, ANSI_CHARSET},
                         .toolTip = L"Right Click for Menu",
                         .pointer = {IDC_SIZEALL}}),
      lblClose(*this, {.left = 2175,
                       .top = 0,
                       .width = 105,
                       .height = 150,
                       .backColor = WindowBackground,
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
                      .backColor = ButtonFace,
                      .font = {L"Arial", 8.25f, FW_NORMAL, RUSSIAN_CHARSET},
                      .multiLine = true,
                      .border = false}) {
    lblClose.Click = [this] { lblClose_Click(); };
    lbTitleBar.DblClick = [this] { lbTitleBar_DblClick(); };
    txtNote.Change = [this] { txtNote_Change(); };
}

frmNote::~frmNote() {
    // The platform window goes before the controls it draws.
    Unload();
}

HWND frmNote::OwnerWindow() { return NoteOwnerWindow(); }

void frmNote::Form_Load() {
    try {
        SetWidth(2500);
        SetHeight(DefaultHeight);
        Owner().SetChanged(false);
        Dragging = false;
        modWinTrans::MakeLayered(hWnd());
        txtNote.SetLeft(Picture2.Width());
        LayoutVertical();
        LayoutHorizontal();
    } catch (...) {
        // A failing load step ends the load sequence quietly.
    }
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
    try {
        Picture3.SetTop(ScaleHeight() - Picture3.Height());
        txtNote.SetTop(lbTitleBar.Height());
        txtNote.SetHeight(AtLeastZero(ScaleHeight() - Picture3.Height() - lbTitleBar.Height()));
        Picture2.SetTop(lbTitleBar.Height());
        Picture4.SetTop(Picture2.Top());
        Picture2.SetHeight(AtLeastZero(ScaleHeight() - lbTitleBar.Height()));
        Picture4.SetHeight(Picture2.Height());
    } catch (...) {
        // Layout failures end the layout quietly.
    }
}

void frmNote::LayoutHorizontal() {
    try {
        Picture3.SetWidth(ScaleWidth());
        Picture2.SetLeft(0);
        Picture4.SetLeft(ScaleWidth() - Picture4.Width());
        txtNote.SetWidth(AtLeastZero(ScaleWidth() - Picture2.Width() - Picture4.Width()));
        txtNote.SetLeft(Picture2.Width());
    } catch (...) {
        // Layout failures end the layout quietly.
    }
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
            SetHeight(DefaultHeight);
        else
            SetHeight(static_cast<float>(rememberedHeight_));
    } else {
        rememberedHeight_ = tk::RoundHalfEven(Height());
        SetHeight(lbTitleBar.Height() + CollapseExtra);
        collapsed_ = true;
    }
}

int32_t frmNote::RetMin(int32_t& nA, int32_t& nB) {
    return std::llabs(static_cast<long long>(nA)) < std::llabs(static_cast<long long>(nB)) ? nA : nB;
}

void frmNote::SetTransparencyLevelAndThroughClicks(int32_t& level, bool& allow) {
    try {
        if (!Visible()) return;
        HWND hwnd = hWnd();
        SetForegroundWindow(hwnd);
        modWinTrans::MakeLayered(hwnd);
        modWinTrans::SetLayeredAlpha(hwnd, level);
        modWinTrans::SetClickThrough(hwnd, allow);
    } catch (...) {
        // Transparency is cosmetic: a failure leaves the window as it was.
    }
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

Note& frmNote::Owner() {
    if (!Parent) throw tk::Failure(E_POINTER, L"The window's note is gone");
    return *Parent;
}

void frmNote::lblClose_Click() { CheckCall(Owner().Hide()); }

void frmNote::lbTitleBar_DblClick() { Collapse(); }

void frmNote::txtNote_Change() { Owner().SetChanged(true); }

}  // namespace corkbase
