#include "EventLog.h"

#include <new>
#include <set>

#include "ApplicationLog.h"
#include "Failure.h"

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

void LogDiscarded(const std::wstring& what) noexcept {
    try {
        std::wstring description;
        try {
            throw;
        } catch (const tk::Failure& e) {
            description = e.description();
        } catch (const std::bad_alloc&) {
            description = L"out of memory";
        } catch (...) {
            description = L"an unexpected internal error";
        }
        static std::set<std::wstring> logged;
        std::wstring text = L"Corkbase: " + what + L" failed: " + description;
        if (logged.insert(text).second) LogWarning(text);
    } catch (...) {
        // Reporting is a courtesy to developers: it must not add a failure of its own.
    }
}

WarningSink SetWarningSink(WarningSink sink) {
    WarningSink previous = std::move(Sink());
    Sink() = std::move(sink);
    return previous;
}

}  // namespace corkbase
