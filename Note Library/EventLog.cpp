#include "EventLog.h"

#include "ApplicationLog.h"

namespace corkbase {
namespace {

WarningSink& Sink() {
    static WarningSink sink;
    return sink;
}

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
