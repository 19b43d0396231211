#include "Store.h"

#include <algorithm>

#include "Failure.h"
#include "StoreKey.h"
#include "Text.h"
#include "Units.h"

namespace corkbase {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

struct Decimal {
    bool negative = false;
    std::wstring whole, fraction;
};

// Splits blank-trimmed decimal text into sign, whole digits and fraction digits.
std::optional<Decimal> SplitDecimal(const std::wstring& text) {
    size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    Decimal d;
    if (b < e && (text[b] == L'+' || text[b] == L'-')) d.negative = text[b++] == L'-';
    bool point = false;
    for (size_t i = b; i < e; ++i) {
        wchar_t c = text[i];
        if (c == L'.' && !point)
            point = true;
        else if (c >= L'0' && c <= L'9')
            (point ? d.fraction : d.whole) += c;
        else
            return std::nullopt;
    }
    if (d.whole.empty() && d.fraction.empty()) return std::nullopt;
    return d;
}

[[noreturn]] void FailAt(const std::wstring& where, const std::wstring& what) {
    throw tk::Failure(DISP_E_TYPEMISMATCH, where + L": " + what);
}

}  // namespace

std::wstring NoteSection(size_t position) { return L"note" + std::to_wstring(position); }

std::optional<int32_t> ParseNumber(const std::wstring& text) {
    auto d = SplitDecimal(text);
    if (!d) return std::nullopt;
    size_t first = d->whole.find_first_not_of(L'0');
    std::wstring digits = first == std::wstring::npos ? L"" : d->whole.substr(first);
    if (digits.size() > 10) return std::nullopt;
    int64_t magnitude = 0;
    for (wchar_t c : digits) magnitude = magnitude * 10 + (c - L'0');
    // Round the fraction: above a half up, exactly a half to the even neighbour.
    if (!d->fraction.empty()) {
        wchar_t lead = d->fraction[0];
        bool rest = d->fraction.find_first_not_of(L'0', 1) != std::wstring::npos;
        if (lead > L'5' || (lead == L'5' && (rest || magnitude % 2 == 1))) ++magnitude;
    }
    int64_t value = d->negative ? -magnitude : magnitude;
    if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::optional<bool> ParseFlag(const std::wstring& text) {
    std::wstring lower = Lower(text);
    if (lower == L"true") return true;
    if (lower == L"false") return false;
    auto d = SplitDecimal(text);
    // Any number is a flag, but one beyond the range of a double is no number at all.
    if (!d || d->whole.size() - std::min(d->whole.size(), d->whole.find_first_not_of(L'0')) > 308) return std::nullopt;
    return (d->whole + d->fraction).find_first_not_of(L'0') != std::wstring::npos;
}

StoreSection StoreSection::ForReading(const std::wstring& application, const std::wstring& section) {
    tk::RegKey key;
    std::wstring path = StoreKey(application) + L"\\" + section;
    LSTATUS status = RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS, key.put());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw tk::Failure(HRESULT_FROM_WIN32(status),
                          section + L": cannot be read: " + tk::SystemMessage(static_cast<DWORD>(status)));
    return StoreSection(section, std::move(key));
}

StoreSection StoreSection::ForWriting(const std::wstring& application, const std::wstring& section) {
    tk::RegKey key;
    std::wstring path = StoreKey(application) + L"\\" + section;
    LSTATUS status = RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS,
                                     nullptr, key.put(), nullptr);
    if (status != ERROR_SUCCESS)
        throw tk::Failure(HRESULT_FROM_WIN32(status),
                          section + L": cannot be written: " + tk::SystemMessage(static_cast<DWORD>(status)));
    return StoreSection(section, std::move(key));
}

void StoreSection::Fail(const std::wstring& key, const std::wstring& what) const { FailAt(Where(key), what); }

std::vector<std::wstring> StoreSection::Subsections() const {
    std::vector<std::wstring> names;
    if (!key_) return names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];  // the longest name a registry key can have, and its NUL
        DWORD length = static_cast<DWORD>(std::size(name));
        LSTATUS status = RegEnumKeyExW(key_.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return names;
        if (status != ERROR_SUCCESS)
            throw tk::Failure(HRESULT_FROM_WIN32(status),
                              name_ + L": cannot be read: " + tk::SystemMessage(static_cast<DWORD>(status)));
        names.emplace_back(name, length);
    }
}

void StoreSection::RemoveSection(const std::wstring& application, const std::wstring& section) {
    BeforeStoreWrite(section, L"");
    std::wstring path = StoreKey(application) + L"\\" + section;
    LSTATUS status = RegDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw tk::Failure(HRESULT_FROM_WIN32(status),
                          section + L": cannot be removed: " + tk::SystemMessage(static_cast<DWORD>(status)));
}

std::optional<std::wstring> StoreSection::Get(const std::wstring& key) const {
    if (!key_) return std::nullopt;
    DWORD type = 0, size = 0;
    LSTATUS status = RegQueryValueExW(key_.get(), key.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) return std::nullopt;
    if (status != ERROR_SUCCESS) Fail(key, L"cannot be read: " + tk::SystemMessage(static_cast<DWORD>(status)));
    if (type != REG_SZ) Fail(key, L"the stored value is not text");
    std::wstring text(size / sizeof(wchar_t) + 1, L'\0');
    DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key_.get(), key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &bytes);
    if (status != ERROR_SUCCESS) Fail(key, L"cannot be read: " + tk::SystemMessage(static_cast<DWORD>(status)));
    text.resize(bytes / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        Fail(key, L"the stored text holds a NUL character after " + std::to_wstring(nul) + L" characters");
    return text;
}

bool StoreSection::Holds(const std::wstring& key) const {
    return key_ && RegQueryValueExW(key_.get(), key.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

void StoreSection::Remove(const std::wstring& key) {
    BeforeStoreWrite(name_, key);
    LSTATUS status = RegDeleteValueW(key_.get(), key.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        throw tk::Failure(HRESULT_FROM_WIN32(status), name_ + L"/" + key + L": cannot be removed: " +
                                                          tk::SystemMessage(static_cast<DWORD>(status)));
}

void StoreSection::Save(const std::wstring& key, const std::wstring& value) {
    BeforeStoreWrite(name_, key);
    LSTATUS status = RegSetValueExW(key_.get(), key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS)
        throw tk::Failure(HRESULT_FROM_WIN32(status),
                          name_ + L"/" + key + L": cannot be saved: " + tk::SystemMessage(static_cast<DWORD>(status)));
}

int32_t NumberFrom(const std::wstring& where, const std::wstring& text) {
    auto number = ParseNumber(text);
    if (!number) FailAt(where, Quoted(text) + L" is not a number");
    return *number;
}

int32_t TwipsFrom(const std::wstring& where, const std::wstring& text) {
    int32_t twips = NumberFrom(where, text);
    if (twips > tk::MostTwips)
        FailAt(where, Quoted(text) + L" is more twips than a note can keep (at most " + std::to_wstring(tk::MostTwips) +
                          L")");
    return twips;
}

bool FlagFrom(const std::wstring& where, const std::wstring& text) {
    auto flag = ParseFlag(text);
    if (!flag) FailAt(where, Quoted(text) + L" is neither True, False nor a number");
    return *flag;
}

int32_t StoreSection::GetNumber(const std::wstring& key, int32_t fallback) const {
    auto text = Get(key);
    return text ? NumberFrom(Where(key), *text) : fallback;
}

bool StoreSection::GetFlag(const std::wstring& key, bool fallback) const {
    auto text = Get(key);
    return text ? FlagFrom(Where(key), *text) : fallback;
}

std::wstring StoreSection::GetText(const std::wstring& key, const std::wstring& fallback) const {
    return Get(key).value_or(fallback);
}

}  // namespace corkbase
