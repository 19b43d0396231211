#include "Text.h"

#include <windows.h>

#include "Failure.h"

namespace corkbase {

std::wstring Quoted(const std::wstring& text) {
    constexpr size_t shown = 40;
    if (text.size() <= shown) return L"\"" + text + L"\"";
    return L"\"" + text.substr(0, shown) + L"...\" (" + std::to_wstring(text.size()) + L" characters)";
}

std::wstring Lower(const std::wstring& text) {
    if (text.empty()) return text;
    std::wstring lower(text.size(), L'\0');
    int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, LCMAP_LOWERCASE, text.data(), static_cast<int>(text.size()),
                          lower.data(), static_cast<int>(lower.size()), nullptr, nullptr, 0);
    if (n != static_cast<int>(text.size())) throw tk::Failure(E_FAIL, L"Cannot compare the text");
    return lower;
}

size_t FindLowered(const std::wstring& text, const std::wstring& lowered, size_t from) {
    // Lower keeps every character where it was, so a place in the lowered text is one in text.
    return from <= text.size() ? Lower(text).find(lowered, from) : std::wstring::npos;
}

}  // namespace corkbase
