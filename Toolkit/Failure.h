#pragma once
// The one exception type of the project: an HRESULT with a sentence a person can read.
// COM members turn it into error info at their boundary; nothing else catches it silently.
#include <windows.h>

#include <exception>
#include <string>

namespace tk {

class Failure : public std::exception {
public:
    Failure(HRESULT hr, std::wstring description) : hr_(hr), description_(std::move(description)) {}
    HRESULT hr() const noexcept { return hr_; }
    const std::wstring& description() const noexcept { return description_; }
    const char* what() const noexcept override { return "tk::Failure"; }

private:
    HRESULT hr_;
    std::wstring description_;
};

// The platform's text for a Win32 error code, without the trailing line break.
std::wstring SystemMessage(DWORD code);

// Throws a Failure for the calling thread's last Win32 error, prefixed with what was being done.
[[noreturn]] void ThrowLastError(const std::wstring& doing);

// Throws when hr is a failure.
void Check(HRESULT hr, const std::wstring& doing);

// The failure of a failed call on a COM object, with the description it reported (IErrorInfo).
Failure CallFailure(HRESULT hr);

// Throws CallFailure(hr) when hr is a failure.
void CheckCall(HRESULT hr);

}  // namespace tk
