#pragma once
// Where a note stands against the edges of its monitor: Show brings it back onto the
// monitor, and a released note is pulled flush against the edges it nears or crosses.
// Plain arithmetic in twips, without windows, so that tests call it directly.
#include "Monitors.h"

namespace corkbase {

struct NotePlace {
    float left, top;
    bool operator==(const NotePlace&) const = default;
};

// Show: a note beyond the monitor's right (bottom) edge ends flush with it, one left of its
// left edge on that edge, and one whose title bar lies wholly above its top on its top.
NotePlace ShownOnMonitor(float left, float top, float width, float height, float titleBarHeight,
                         const tk::TwipsEdges& monitor);

// A released note: each edge of the monitor that the note's edge lies less than the snap
// distance inside of, or beyond, pulls it flush; left, top, bottom, right in this order,
// so for a note larger than the monitor the bottom and right win.
NotePlace PulledToEdges(float left, float top, float width, float height, const tk::TwipsEdges& monitor);

}  // namespace corkbase
