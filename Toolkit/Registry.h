#pragma once
// Reading the registry's text values, however long.
#include <windows.h>

#include <string>

namespace tk {

// The key's default text value, empty when the key or the value is missing.
std::wstring RegistryDefault(HKEY root, const std::wstring& key);

}  // namespace tk
