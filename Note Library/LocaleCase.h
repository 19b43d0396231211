#pragma once
// Letter case under the user's locale, for comparing text without regard to it.
#include <string>

namespace corkbase {

// Throws a Failure when the platform cannot map the text.
std::wstring Lower(const std::wstring& text);

}  // namespace corkbase
