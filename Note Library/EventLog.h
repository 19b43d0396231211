#pragma once
// Warnings the library records for an administrator, never shows to the user.
#include <functional>
#include <string>

namespace corkbase {

// Writes a warning entry to the Application event log under the source "Corkbase". A
// failure the library's code discards by design (tk::Discarding) comes here as
// "Corkbase: <what> failed: <description>".
void LogWarning(const std::wstring& text);

// Replaces where warnings go (tests read them back here, since the event log under
// Wine cannot be read); an empty sink restores the event log. Returns the previous sink.
using WarningSink = std::function<void(const std::wstring&)>;
WarningSink SetWarningSink(WarningSink sink);

}  // namespace corkbase
