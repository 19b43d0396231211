#include "UnfinishedSave.h"

#include <windows.h>

#include <vector>

#include "Handles.h"
#include "StoreKey.h"

namespace qpost {
namespace {

const std::wstring kGeneral = L"General";

}  // namespace

bool FailedOnUnfinishedSave(const tk::Failure& failure) {
    // Every failure of a stored value begins with the value's section and name.
    return failure.description().starts_with(kGeneral + L"/" + corkbase::kPendingSaveKey + L": ");
}

std::wstring SetAsideUnfinishedSave() {
    const std::wstring failed = L"Quillpost could not set the unfinished save aside";
    tk::RegKey general;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, (corkbase::StoreKey() + L"\\" + kGeneral).c_str(), 0,
                                   KEY_QUERY_VALUE | KEY_SET_VALUE, general.put());
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        tk::ThrowLastError(failed);
    }
    DWORD type = 0, size = 0;
    status = RegQueryValueExW(general.get(), corkbase::kPendingSaveKey, nullptr, &type, nullptr, &size);
    std::vector<BYTE> bytes(size);
    if (status == ERROR_SUCCESS)
        status = RegQueryValueExW(general.get(), corkbase::kPendingSaveKey, nullptr, &type, bytes.data(), &size);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        tk::ThrowLastError(failed);
    }
    std::wstring name = std::wstring(corkbase::kPendingSaveKey) + L" unreadable";
    for (int n = 2; RegQueryValueExW(general.get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++n)
        name = std::wstring(corkbase::kPendingSaveKey) + L" unreadable " + std::to_wstring(n);
    status = RegSetValueExW(general.get(), name.c_str(), 0, type, bytes.data(), size);
    if (status == ERROR_SUCCESS) {
        status = RegDeleteValueW(general.get(), corkbase::kPendingSaveKey);
        // The record stays where it was: the copy made a moment ago is the only thing to take back.
        if (status != ERROR_SUCCESS) RegDeleteValueW(general.get(), name.c_str());
    }
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        tk::ThrowLastError(failed);
    }
    RegFlushKey(general.get());
    return name;
}

}  // namespace qpost
