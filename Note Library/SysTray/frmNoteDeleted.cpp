#include "frmNoteDeleted.h"

#include "Monitors.h"
#include "Units.h"

namespace qpost {
namespace {

const tk::FontSpec Tahoma{L"Tahoma", 8.25f}, TahomaBold{L"Tahoma", 8.25f, FW_BOLD};
constexpr UINT_PTR HideTimer = 1;
constexpr float kMargin = 120;  // twips between the notice and the work area's corner
// The tool tip's colours: a notice, not a window to work in.
constexpr tk::OleColor kInfoBack = 0x80000018, kInfoText = 0x80000017;

tk::Control::Args Line(float top, const std::wstring& caption, const tk::FontSpec& font) {
    return {.left = 120,
            .top = top,
            .width = 3660,
            .height = 255,
            .backColor = kInfoBack,
            .foreColor = kInfoText,
            .caption = caption,
            .font = font,
            .pointer = {IDC_HAND},
            .align = DT_LEFT | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX};
}

}  // namespace

frmNoteDeleted::frmNoteDeleted(tk::Form& owner)
    : Form({.className = L"QuillpostNoteDeleted",
            .style = WS_POPUP | WS_BORDER,
            .exStyle = WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE,
            .width = 3900,
            .height = 1020,
            .backColor = kInfoBack,
            .caption = L"Note deleted",
            .activates = false}),
      lblHeading(*this, Line(90, L"Note deleted", TahomaBold)),
      lblName(*this, Line(375, L"", Tahoma)),
      lblHint(*this, Line(660, L"Click here to bring it back.", Tahoma)),
      owner_(owner) {
    for (tk::Control* line : {&lblHeading, &lblName, &lblHint}) line->Click = [this] { Notice_Click(); };
}

void frmNoteDeleted::Announce(const std::wstring& name) {
    lblName.SetCaption(name);
    tk::TwipsEdges work = tk::PrimaryWorkArea();
    // Wine's own desktop counts its taskbar in the work area: the notice must not cover
    // the icon, so it stands above a taskbar along the bottom whatever the area says.
    HWND taskbar = FindWindowW(L"Shell_TrayWnd", nullptr);
    RECT bar{};
    if (taskbar && IsWindowVisible(taskbar) && GetWindowRect(taskbar, &bar)) {
        float barTop = static_cast<float>(bar.top) * tk::TwipsPerPixelY();
        if (barTop > work.top + Height() && barTop < work.bottom) work.bottom = barTop;
    }
    SetLeft(work.right - Width() - kMargin);
    SetTop(work.bottom - Height() - kMargin);
    Show();
    SetTimer(hWnd(), HideTimer, kShownFor, nullptr);
}

void frmNoteDeleted::Notice_Click() {
    KillTimer(hWnd(), HideTimer);
    Hide();
    if (Clicked) Clicked();
}

LRESULT frmNoteDeleted::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMER && wp == HideTimer) {
        KillTimer(hWnd(), HideTimer);
        Hide();
        return 0;
    }
    // A click must not take the focus from where the person was working.
    if (msg == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return Form::OnMessage(msg, wp, lp);
}

std::vector<tk::AccessiblePart> frmNoteDeleted::AccessibleParts() {
    return {{.drawn = &lblHeading},
            {.drawn = &lblName},
            {.drawn = &lblHint,
             .role = ROLE_SYSTEM_PUSHBUTTON,
             .defaultAction = L"Press",
             .DoDefault = [this] { Notice_Click(); }}};
}

}  // namespace qpost
