#pragma once
// Failures discarded by design (a layout step, a cosmetic call, an event routine that must
// not unwind through the platform) all go through here, so that each leaves a trace.
#include <string>

namespace tk {

// Where the traces go; without one set, the Application event log under "Quillpost".
using DiscardLog = void (*)(const std::wstring& text);
void SetDiscardLog(DiscardLog log) noexcept;

// Call inside a catch block: "<what> failed: <description>" goes to the log once per
// text, so a developer can see it without flooding the log.
void LogDiscarded(const wchar_t* what) noexcept;

// Runs body; a failure ends it and is discarded with a trace.
template <class F>
void Discarding(const wchar_t* what, F&& body) noexcept {
    try {
        body();
    } catch (...) {
        LogDiscarded(what);
    }
}

}  // namespace tk
