#include "MonitorEdges.h"

#include "Snapping.h"

namespace corkbase {

NotePlace ShownOnMonitor(float left, float top, float width, float height, float titleBarHeight,
                         const tk::TwipsEdges& monitor) {
    if (left > monitor.right) left = monitor.right - width;
    if (top > monitor.bottom) top = monitor.bottom - height;
    if (left < monitor.left) left = monitor.left;
    // Only a title bar wholly above the monitor brings the note down.
    if (static_cast<float>(titleBarHeight + top) < monitor.top) top = monitor.top;
    return {left, top};
}

NotePlace PulledToEdges(float left, float top, float width, float height, const tk::TwipsEdges& monitor) {
    // The monitor's edges pull from as far as another note's edges do.
    const auto distance = static_cast<float>(SnapDistance);
    if (left < monitor.left + distance) left = monitor.left;
    if (top < monitor.top + distance) top = monitor.top;
    if (top + height > monitor.bottom - distance) top = monitor.bottom - height;
    if (left + width > monitor.right - distance) left = monitor.right - width;
    return {left, top};
}

}  // namespace corkbase
