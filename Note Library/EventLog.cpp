#include "EventLog.h"

#include <windows.h>

namespace corkbase {
namespace {

WarningSink& Sink() {
    static WarningSink sink;
    return sink;
}

void WriteToEventLog(const std::wstring& text) {
    HANDLE source = RegisterEventSourceW(nullptr, L"Corkbase");
    if (!source) return;
    const wchar_t* strings[] = {text.c_str()};
    ReportEventW(source, EVENTLOG_WARNING_TYPE, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(source);
}

}  // namespace

void LogWarning(const std::wstring& text) {
    if (Sink())
        Sink()(text);
    else
        WriteToEventLog(text);
}

WarningSink SetWarningSink(WarningSink sink) {
    WarningSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace corkbase
