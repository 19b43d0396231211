#pragma once
// Where the notes are stored: the application name of the per-user settings store, which
// keeps it at HKEY_CURRENT_USER\Software\Corkbase.
#include <string>

namespace corkbase {

inline constexpr wchar_t kStoreApplication[] = L"Corkbase";

// The value of General where a save keeps the whole new state until it has spread it over
// the sections (PendingSave): one left behind is a save cut short.
inline constexpr wchar_t kPendingSaveKey[] = L"saving";

// The key below HKEY_CURRENT_USER of an application's store; Quillpost's by default.
inline std::wstring StoreKey(const std::wstring& application = kStoreApplication) {
    return L"Software\\" + application;
}

}  // namespace corkbase
