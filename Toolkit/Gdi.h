#pragma once
// Colours, fonts and brushes shared by every window of the process: a window never
// creates a GDI object of its own, so a note costs no GDI objects while idle.
#include <windows.h>

#include <cstdint>
#include <string>

namespace tk {

// A stored colour: 0x00BBGGRR, or 0x800000nn for the system colour number nn.
using OleColor = uint32_t;

// The system's button face: what forms and controls are painted with unless told otherwise.
inline constexpr OleColor ButtonFace = 0x8000000F;

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

// How a font gives way to the box its text is drawn in.
enum class Fit {
    None,
    // Where the system lacks the face, its stand-in is made no taller, descenders
    // included, than the box; the face itself is used as designed.
    StandInHeight,
    // The text fits the box whole, wrapped as the DrawText format says: the largest size
    // up to the designed one at which it does.
    Text,
};

// Where a text is drawn: the pixel size of its box and DrawText's format.
struct TextPlace {
    SIZE pixels;
    UINT format;
};

// The font for `font` at dpi, given way to the box as fit says.
LOGFONTW FittedFont(const FontSpec& font, Fit fit, const std::wstring& text, TextPlace place, int dpi);

// A font as described, at this process's dpi; valid until ReleaseSharedGdi.
HFONT SharedFont(const FontSpec& font);
// The same, given way to the box (see Fit).
HFONT SharedFont(const FontSpec& font, Fit fit, const std::wstring& text, TextPlace place);

// GDI objects the toolkit has created and not yet deleted.
int CreatedGdiObjects();

// Deletes every shared brush and font (when the last window of a library goes).
void ReleaseSharedGdi();

}  // namespace tk
