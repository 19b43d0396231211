#include "Registry.h"

#include "Handles.h"

namespace tk {

std::wstring RegistryDefault(HKEY root, const std::wstring& key) {
    DWORD size = 0;
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) return L"";
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text.data(), &bytes) != ERROR_SUCCESS)
        return L"";
    text.resize(wcslen(text.c_str()));
    return text;
}

LSTATUS WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& name, const std::wstring& value) {
    RegKey opened;
    LSTATUS status = RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, opened.put(), nullptr);
    if (status != ERROR_SUCCESS) return status;
    return RegSetValueExW(opened.get(), name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace tk
