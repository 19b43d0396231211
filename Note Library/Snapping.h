#pragma once
// Where a released note lands: the shifts that align it with the other notes' edges.
// Plain arithmetic in twips, without windows, so that tests call it directly.
#include <cstdint>
#include <vector>

namespace corkbase {

// What the snapping scan reads of another note.
struct SnapNote {
    bool visible;
    int32_t id, left, top, width, height;
};

struct SnapOffsets {
    int32_t dx, dy;
    bool operator==(const SnapOffsets&) const = default;
};

// Notes snap within this distance, strictly.
constexpr int32_t SnapDistance = 150;

// The one of the two nearer to zero; the second on equal magnitudes.
int32_t RetMin(int32_t& nA, int32_t& nB);

// The shifts that align a window with the other notes (0 where none is in reach).
// The scan stops at the first sum that overflows, keeping the candidates found before it.
SnapOffsets GetSnapOffsets(int32_t left, int32_t top, int32_t width, int32_t height, const std::vector<SnapNote>& notes,
                           int32_t ownId, int32_t screenWidth, int32_t screenHeight);

}  // namespace corkbase
