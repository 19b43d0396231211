#include "Discarded.h"

#include <new>
#include <set>

#include "ApplicationLog.h"
#include "Failure.h"

namespace tk {
namespace {

DiscardLog g_log = nullptr;

}  // namespace

void SetDiscardLog(DiscardLog log) noexcept { g_log = log; }

void LogDiscarded(const wchar_t* what) noexcept {
    try {
        std::wstring description;
        try {
            throw;
        } catch (const Failure& e) {
            description = e.description();
        } catch (const std::bad_alloc&) {
            description = L"out of memory";
        } catch (...) {
            description = L"an unexpected internal error";
        }
        static std::set<std::wstring> logged;
        std::wstring text = std::wstring(what) + L" failed: " + description;
        if (!logged.insert(text).second) return;
        if (g_log)
            g_log(text);
        else
            WriteEventLog(L"Quillpost", EVENTLOG_WARNING_TYPE, text);
    } catch (...) {
        // Reporting is a courtesy to developers: it must not add a failure of its own.
    }
}

}  // namespace tk
