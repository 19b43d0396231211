#include "ApplicationLog.h"

namespace tk {

void WriteEventLog(const wchar_t* source, WORD type, const std::wstring& text) {
    HANDLE log = RegisterEventSourceW(nullptr, source);
    if (!log) return;
    const wchar_t* strings[] = {text.c_str()};
    ReportEventW(log, type, 0, 0, nullptr, 1, 0, strings, nullptr);
    DeregisterEventSource(log);
}

}  // namespace tk
