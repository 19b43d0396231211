#pragma once
// The colours a note's menu offers, in menu order: each one's caption (its access key
// marked with "&"), the key that picks it, and its OLE colour. Adding a colour is adding
// a row; the menu, its tests and the tour read this table.
#include "Gdi.h"

namespace corkbase {

struct PaletteColour {
    const wchar_t* caption;
    wchar_t accessKey;
    tk::OleColor value;
};

// The colour items, top to bottom; the menu's Title and Delete items follow them.
inline constexpr PaletteColour kPalette[] = {
    {L"&Yellow", L'Y', 0x00C0FFFF},
    {L"&Green", L'G', 0x0080FF80},
    {L"&Blue", L'B', 0x00FFFF80},
    {L"Button&face", L'F', tk::ButtonFace},
    {L"B&ackground", L'A', 0x80000001},
};

}  // namespace corkbase
