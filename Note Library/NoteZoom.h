#pragma once
// How large a note's text is drawn, in percent of its designed size: one of a fixed row of
// steps, so that every size a person can reach is one the keys can also leave again.
#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>
#include <string>

namespace corkbase {

inline constexpr std::array<int32_t, 13> kZoomSteps{50, 67, 75, 90, 100, 110, 125, 150, 175, 200, 250, 300, 400};
inline constexpr int32_t kDesignedZoom = 100;

constexpr bool IsZoomStep(int32_t percent) {
    return std::find(kZoomSteps.begin(), kZoomSteps.end(), percent) != kZoomSteps.end();
}

// The step `steps` away from a step (up is bigger), held at the smallest and the largest.
constexpr int32_t ZoomStepFrom(int32_t percent, int steps) {
    auto at = std::find(kZoomSteps.begin(), kZoomSteps.end(), percent);
    if (at == kZoomSteps.end()) return kDesignedZoom;
    auto index = std::distance(kZoomSteps.begin(), at) + steps;
    return kZoomSteps[static_cast<size_t>(std::clamp<std::ptrdiff_t>(index, 0, kZoomSteps.size() - 1))];
}

// The steps in words, for a refusal: "50, 67, ... or 400".
inline std::wstring ZoomStepsInWords() {
    std::wstring words;
    for (size_t i = 0; i < kZoomSteps.size(); ++i)
        words += (i == 0 ? L"" : i + 1 == kZoomSteps.size() ? L" or " : L", ") + std::to_wstring(kZoomSteps[i]);
    return words;
}

}  // namespace corkbase
