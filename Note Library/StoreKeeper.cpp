#include "StoreKeeper.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <optional>
#include <vector>

#include "Failure.h"
#include "NoteFields.h"
#include "Notes.h"
#include "Store.h"

namespace corkbase {
namespace {

// FNV-1a, 64 bits: names and digests need no more than telling texts apart.
class Digest {
public:
    void Add(const std::wstring& text) {
        for (wchar_t c : text) Byte(static_cast<uint8_t>(c)), Byte(static_cast<uint8_t>(c >> 8));
    }
    // A missing value and each text's length count too, so that no two stores read alike.
    void Add(const std::optional<std::wstring>& value) {
        if (!value) return Byte(0xFF);
        Add(std::to_wstring(value->size()) + L":");
        Add(*value);
    }
    uint64_t value() const { return hash_; }

private:
    void Byte(uint8_t b) { hash_ = (hash_ ^ b) * 0x100000001B3ULL; }
    uint64_t hash_ = 0xCBF29CE484222325ULL;
};

// The kernel's own name of the key, e.g. \REGISTRY\USER\S-1-5-21-...\Software: the same in
// every process, whatever HKEY_CURRENT_USER is redirected to in this one.
std::wstring KernelName(HKEY key) {
    using QueryKey = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    constexpr int KeyNameInformation = 3;
    auto query = reinterpret_cast<QueryKey>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryKey")));
    if (!query) throw tk::Failure(E_NOTIMPL, L"The system cannot name the store's registry key");
    std::vector<ULONG> buffer(2048);
    ULONG needed = 0;
    LONG status = query(key, KeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size() * sizeof(ULONG)), &needed);
    if (status < 0) throw tk::Failure(HRESULT_FROM_NT(status), L"The system cannot name the store's registry key");
    // KEY_NAME_INFORMATION: the name's length in bytes, then the name.
    return std::wstring(reinterpret_cast<const wchar_t*>(&buffer[1]), buffer[0] / sizeof(wchar_t));
}

// Empty when the user's Software key cannot be opened (missing only in an empty
// redirected root, where keeping the store makes it).
std::optional<std::wstring> MarkName(const std::wstring& application, bool keeping) {
    // The store itself may not exist yet. Every user's hive has Software (the system gives
    // the predefined root no name to ask for); only an empty redirected root gains one.
    tk::RegKey software;
    LSTATUS status =
        keeping ? RegCreateKeyExW(HKEY_CURRENT_USER, L"Software", 0, nullptr, 0, KEY_READ, nullptr, software.put(), nullptr)
                : RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, software.put());
    // Without it there is no store to keep, nor one to write: the save itself says why.
    if (!keeping && status != ERROR_SUCCESS) return std::nullopt;
    if (status != ERROR_SUCCESS)
        throw tk::Failure(HRESULT_FROM_WIN32(status),
                          L"Cannot open this user's Software key: " + tk::SystemMessage(static_cast<DWORD>(status)));
    std::wstring store = KernelName(software.get()) + L"\\" + application;
    // Registry names ignore case; a kernel object's name must not hold a backslash.
    std::transform(store.begin(), store.end(), store.begin(), [](wchar_t c) { return std::towlower(c); });
    Digest digest;
    digest.Add(store);
    wchar_t hex[17];
    swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(digest.value()));
    // Global: a scheduled task of the same user may run in another session.
    return L"Global\\Quillpost.Store." + std::wstring(hex);
}

}  // namespace

tk::UniqueHandle KeepStore(const std::wstring& application) {
    tk::UniqueHandle mark(CreateEventW(nullptr, TRUE, FALSE, MarkName(application, true)->c_str()));
    DWORD made = GetLastError();
    if (mark && made != ERROR_ALREADY_EXISTS) return mark;
    if (!mark && made != ERROR_ACCESS_DENIED)
        throw tk::Failure(HRESULT_FROM_WIN32(made), L"Cannot mark the store as kept: " + tk::SystemMessage(made));
    throw tk::Failure(HRESULT_FROM_WIN32(ERROR_BUSY),
                      L"Another collection already keeps these notes (a running Quillpost, or a script's collection "
                      L"that keeps them)");
}

bool StoreKept(const std::wstring& application) {
    auto name = MarkName(application, false);
    if (!name) return false;
    tk::UniqueHandle mark(OpenEventW(SYNCHRONIZE, FALSE, name->c_str()));
    // A mark this process may not open is still a mark.
    return mark || GetLastError() == ERROR_ACCESS_DENIED;
}

namespace {

// A value as the digest reads it: one a load reads as no text (of another type, holding a
// NUL) counts as a mark of its own instead of failing the save that asks.
std::optional<std::wstring> DigestedValue(const StoreSection& section, const std::wstring& key) {
    try {
        return section.Get(key);
    } catch (const tk::Failure&) {
        return L"\uFFFF unreadable";
    }
}

}  // namespace

std::optional<uint64_t> StoredDigest(const std::wstring& application) {
    Digest digest;
    auto general = StoreSection::ForReading(application, L"General");
    auto notes = DigestedValue(general, L"notes");
    if (!notes) return std::nullopt;
    for (const wchar_t* key : {L"notes", L"level", L"clickthrough", L"saving"}) digest.Add(DigestedValue(general, key));
    auto count = ParseNumber(*notes).value_or(0);
    count = std::clamp(count, 0, Notes::kMostNotes);
    for (int32_t i = 1; i <= count; ++i) {
        auto section = StoreSection::ForReading(application, NoteSection(static_cast<size_t>(i)));
        for (const NoteField& f : kNoteFields) digest.Add(DigestedValue(section, f.key));
    }
    return digest.value();
}

}  // namespace corkbase
