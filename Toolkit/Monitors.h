#pragma once
// The monitors of the desktop, in twips: where a window is kept on the screen.
#include <windows.h>

namespace tk {

// A rectangle in twips, by its edges.
struct TwipsEdges {
    float left, top, right, bottom;
    bool operator==(const TwipsEdges&) const = default;
};

struct MonitorArea {
    TwipsEdges bounds;  // the whole monitor
    TwipsEdges work;    // without the taskbar
};

// The monitor a pixel rectangle lies on most, or the one nearest to it when it lies on none.
MonitorArea MonitorNearest(const RECT& pixels);
// Whether some monitor shows part of the pixel rectangle.
bool OnSomeMonitor(const RECT& pixels);
// The primary monitor's work area.
TwipsEdges PrimaryWorkArea();

}  // namespace tk
