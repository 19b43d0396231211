#pragma once
// Where the notes are stored: the application name of the per-user settings store, which
// keeps it at HKEY_CURRENT_USER\Software\Corkbase.
#include <string>

namespace corkbase {

inline constexpr wchar_t kStoreApplication[] = L"Corkbase";

// The store's key below HKEY_CURRENT_USER.
inline std::wstring StoreKey() { return L"Software\\" + std::wstring(kStoreApplication); }

}  // namespace corkbase
