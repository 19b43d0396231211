#include "Snapping.h"

#include <cstdlib>

#include "Discarded.h"
#include "Failure.h"
#include "Units.h"

namespace corkbase {

int32_t RetMin(int32_t& nA, int32_t& nB) {
    return std::llabs(static_cast<long long>(nA)) < std::llabs(static_cast<long long>(nB)) ? nA : nB;
}

SnapOffsets GetSnapOffsets(int32_t left, int32_t top, int32_t width, int32_t height, const std::vector<SnapNote>& notes,
                           int32_t ownId, int32_t screenWidth, int32_t screenHeight) {
    using tk::CheckedAdd;
    using tk::CheckedSub;
    int32_t dx = screenWidth, dy = screenHeight;  // no candidate yet
    auto replace = [](int32_t& candidate, int32_t d) {
        if (std::llabs(d) < SnapDistance) candidate = d;
    };
    auto nearer = [](int32_t& candidate, int32_t d) {
        if (std::llabs(d) < SnapDistance) candidate = RetMin(candidate, d);
    };
    // An overflow ends the scan with the candidates gathered so far.
    tk::Discarding(L"snapping past the largest position", [&] {
        for (const SnapNote& n : notes) {
            if (!n.visible || n.id == ownId) continue;
            // Each sum is worked out by the test that needs it: an overflow keeps the
            // candidates of the tests before it, this note's too.
            replace(dx, CheckedSub(n.left, left));
            nearer(dx, CheckedSub(n.left, CheckedAdd(left, width)));
            nearer(dx, CheckedSub(CheckedAdd(n.left, n.width), left));
            nearer(dx, CheckedSub(CheckedAdd(n.left, n.width), CheckedAdd(left, width)));
            replace(dy, CheckedSub(n.top, top));
            nearer(dy, CheckedSub(n.top, CheckedAdd(top, height)));
            nearer(dy, CheckedSub(CheckedAdd(n.top, n.height), top));
            nearer(dy, CheckedSub(CheckedAdd(n.top, n.height), CheckedAdd(top, height)));
        }
    });
    if (std::llabs(dx) >= std::llabs(screenWidth)) dx = 0;
    if (std::llabs(dy) >= std::llabs(screenHeight)) dy = 0;
    return {dx, dy};
}

}  // namespace corkbase
