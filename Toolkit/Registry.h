#pragma once
// Reading the registry's text values, however long, and writing them.
#include <windows.h>

#include <string>

namespace tk {

// The key's default text value, empty when the key or the value is missing.
std::wstring RegistryDefault(HKEY root, const std::wstring& key);

// Writes a text value (the default one for an empty name), creating the key when missing.
LSTATUS WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value);

}  // namespace tk
