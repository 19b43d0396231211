#pragma once
// Colours, fonts and brushes shared by every window of the process: a window never
// creates a GDI object of its own, so a note costs no GDI objects while idle.
#include <windows.h>

#include <cstdint>

namespace tk {

// A stored colour: 0x00BBGGRR, or 0x800000nn for the system colour number nn.
using OleColor = uint32_t;

// The colour to paint now: system colour references are looked up at every call,
// so windows follow later changes of the system colours.
COLORREF ResolveColor(OleColor color);

// A brush for the colour; valid until ReleaseSharedGdi.
HBRUSH SharedBrush(OleColor color);

struct FontSpec {
    const wchar_t* face;
    float points;
    int weight = FW_NORMAL;
    BYTE charset = DEFAULT_CHARSET;
};
// A font as described, at this process's dpi; valid until ReleaseSharedGdi.
HFONT SharedFont(const FontSpec& font);

// GDI objects the toolkit has created and not yet deleted.
int CreatedGdiObjects();

// Deletes every shared brush and font (when the last window of a library goes).
void ReleaseSharedGdi();

}  // namespace tk
