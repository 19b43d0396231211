#include "WindowText.h"

namespace tk {

std::wstring WindowTextOf(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring WindowListText(const std::wstring& text) {
    if (text.size() <= kMostWindowText) return text;
    size_t kept = kMostWindowText - 1;
    // Never half of a character written as two.
    if (IS_HIGH_SURROGATE(text[kept - 1])) --kept;
    return text.substr(0, kept) + L'\u2026';
}

}  // namespace tk
