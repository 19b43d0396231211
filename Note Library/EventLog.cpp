#include "EventLog.h"

#include "ApplicationLog.h"
#include "Discarded.h"

namespace corkbase {
namespace {

WarningSink& Sink() {
    static WarningSink sink;
    return sink;
}

// Wherever the library's code runs, what it discards goes where its warnings go.
[[maybe_unused]] const bool kDiscardsLogged =
    (tk::SetDiscardLog([](const std::wstring& text) { LogWarning(L"Corkbase: " + text); }), true);

}  // namespace

void LogWarning(const std::wstring& text) {
    if (Sink())
        Sink()(text);
    else
        tk::WriteEventLog(L"Corkbase", EVENTLOG_WARNING_TYPE, text);
}

WarningSink SetWarningSink(WarningSink sink) {
    WarningSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace corkbase
