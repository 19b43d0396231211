#pragma once
// Small helpers for the texts that failures quote and that searches compare.
#include <string>

namespace corkbase {

// How a text is quoted in a failure's description: shortened when long.
std::wstring Quoted(const std::wstring& text);

// Letter case under the user's locale, for comparing text without regard to it. Throws a
// Failure when the platform cannot map the text.
std::wstring Lower(const std::wstring& text);

// Where `lowered`, a text already given to Lower, first lies in text at or after from,
// ignoring letter case as Lower does; npos when nowhere.
size_t FindLowered(const std::wstring& text, const std::wstring& lowered, size_t from = 0);

}  // namespace corkbase
