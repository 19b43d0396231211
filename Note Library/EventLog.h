#pragma once
// Warnings the library records for an administrator, never shows to the user.
#include <functional>
#include <string>

namespace corkbase {

// Writes a warning entry to the Application event log under the source "Corkbase".
void LogWarning(const std::wstring& text);

// For a failure that is discarded by design (a layout step, a cosmetic call, a find): call
// inside its catch block. It stays discarded, and "Corkbase: <what> failed: <description>"
// goes to the warning sink once per text, so a developer can see it without flooding the log.
void LogDiscarded(const std::wstring& what) noexcept;

// Replaces where warnings go (tests read them back here, since the event log under
// Wine cannot be read); an empty sink restores the event log. Returns the previous sink.
using WarningSink = std::function<void(const std::wstring&)>;
WarningSink SetWarningSink(WarningSink sink);

}  // namespace corkbase
