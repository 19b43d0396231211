#include "Failure.h"

#include <oleauto.h>

#include "Handles.h"

namespace tk {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = n ? std::wstring(buffer, n) : L"error " + std::to_wstring(code);
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
    return text;
}

void ThrowLastError(const std::wstring& doing) {
    DWORD code = GetLastError();
    if (code == ERROR_SUCCESS) code = ERROR_GEN_FAILURE;
    throw Failure(HRESULT_FROM_WIN32(code), doing + L": " + SystemMessage(code));
}

void Check(HRESULT hr, const std::wstring& doing) {
    if (FAILED(hr)) throw Failure(hr, doing + L": " + SystemMessage(static_cast<DWORD>(hr)));
}

void CheckCall(HRESULT hr) {
    if (FAILED(hr)) throw CallFailure(hr);
}

Failure CallFailure(HRESULT hr) {
    ComPtr<IErrorInfo> error;
    std::wstring description;
    if (GetErrorInfo(0, error.put()) == S_OK && error) {
        Bstr text;
        if (SUCCEEDED(error->GetDescription(text.put()))) description = text.str();
    }
    return Failure(hr, description.empty() ? SystemMessage(static_cast<DWORD>(hr)) : description);
}

}  // namespace tk
