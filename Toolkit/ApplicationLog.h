#pragma once
// The Application event log: for what must be recorded when nobody can be asked.
#include <windows.h>

#include <string>

namespace tk {

// Writes an entry of the type (EVENTLOG_WARNING_TYPE, EVENTLOG_ERROR_TYPE) under the source.
void WriteEventLog(const wchar_t* source, WORD type, const std::wstring& text);

}  // namespace tk
